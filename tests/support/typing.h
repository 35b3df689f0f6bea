#pragma once
#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace marklens::test {

// Types the text into the widget as key presses, one per character: unlike QTest's key
// clicks, any Unicode character can be typed.
inline void TypeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace marklens::test

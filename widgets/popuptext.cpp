#include "popuptext.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace marklens {

namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop;  // no mnemonic processing

}  // namespace

CPopupText::CPopupText(QWidget* parent, QPoint position)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      font_(QApplication::font("QStatusBar")) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    move(position);
    resize(SizeForText({}));
}

QSize CPopupText::SizeForText(const QString& text) const {
    // Advance widths, as text layout measures them; an empty text measures nothing at all.
    const QSize textSize = text.isEmpty() ? QSize(0, 0) : QFontMetrics(font_).size(0, text);
    return textSize + QSize(2 * kMarginX, 2 * kMarginY);
}

void CPopupText::SetText(const QString& text) {
    text_ = text;
    const QPoint topLeft = pos();
    resize(SizeForText(text_));
    move(topLeft);
    repaint();
}

void CPopupText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::ToolTipBase));
    painter.setPen(colours.color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));  // the thin border, inside the size
    painter.setFont(font_);
    painter.drawText(rect().translated(kMarginX, kMarginY), kTextFlags, text_);
}

}  // namespace marklens

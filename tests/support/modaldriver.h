#pragma once
#include <functional>

#include <QApplication>
#include <QTimer>

namespace marklens::test {

// Acts once on the next widget of type T that source yields, polled from the event loop
// (a modal dialog's or a pop-up menu's own loop runs it).
template <class T>
class CNextWidgetDriver {
public:
    CNextWidgetDriver(std::function<QWidget*()> source, std::function<void(T&)> action)
        : source_(std::move(source)), action_(std::move(action)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            T* widget = qobject_cast<T*>(source_());
            if (!widget) return;
            timer_.stop();
            seen = true;
            action_(*widget);
        });
        timer_.start();
    }
    bool seen = false;

private:
    std::function<QWidget*()> source_;
    std::function<void(T&)> action_;
    QTimer timer_;
};

// Acts on the next modal dialog of type T once its event loop runs.
template <class T>
class CModalDriver : public CNextWidgetDriver<T> {
public:
    explicit CModalDriver(std::function<void(T&)> action)
        : CNextWidgetDriver<T>([] { return QApplication::activeModalWidget(); }, std::move(action)) {}
};

}  // namespace marklens::test

#pragma once
#include <functional>

#include <QApplication>
#include <QTimer>

namespace marklens::test {

// Acts on the next modal dialog of type T once its event loop runs.
template <class T>
class CModalDriver {
public:
    explicit CModalDriver(std::function<void(T&)> action) : action_(std::move(action)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog) return;
            timer_.stop();
            seen = true;
            action_(*dialog);
        });
        timer_.start();
    }
    bool seen = false;

private:
    std::function<void(T&)> action_;
    QTimer timer_;
};

}  // namespace marklens::test

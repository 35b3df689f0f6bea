#pragma once
#include <functional>

#include <QCoreApplication>
#include <QMetaObject>

#include "documentfakes.h"

namespace marklens::test {

// The document's answers come back through the Qt event loop, as in the program, rather than
// at once: for documents whose browser work runs on threads of their own.
inline void PostThroughEventLoop(CRecordingUi& ui) {
    ui.postTo = [](std::function<void()> task) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection);
    };
}

}  // namespace marklens::test

#include "guardedapplication.h"

#include <exception>

#include <QMessageBox>
#include <QTimer>

#include "model/document/documentmessages.h"
#include "resources/stringtable.h"

namespace marklens {

CGuardedApplication::CGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CGuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Tell(QString::fromUtf8(error.what()));
    } catch (...) {
        Tell(QString());
    }
    return false;
}

// Told once the event that failed is over: a message box here would run inside it.
void CGuardedApplication::Tell(const QString& what) {
    const QString text = QString::fromUtf8(message::kUnexpectedFailure) + what;
    QTimer::singleShot(0, this, [text] {
        QMessageBox::warning(nullptr, QString::fromUtf8(resources::LoadString(resources::kIdsProgramTitle)), text);
    });
}

}  // namespace marklens

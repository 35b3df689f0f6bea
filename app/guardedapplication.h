#pragma once
#include <QApplication>

namespace marklens {

// The program's application object: whatever an event handler throws is caught where it would
// leave the event loop, and told in a message instead of ending the program.
class CGuardedApplication : public QApplication {
    Q_OBJECT
public:
    CGuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Tell(const QString& what);
};

}  // namespace marklens

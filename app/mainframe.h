#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include "widgets/panechrome.h"
#include "statushold.h"

class QAction;
class QSplitter;

namespace marklens {

class CPagewrightDoc;
class CSplitKeyboardMode;

// The program's one top-level window: menus and accelerators from the command table, the
// client area with the panes, and the status line in single-text mode.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    using Clock = std::function<std::int64_t()>;
    using CommandHandler = std::function<bool(int command)>;

    explicit CMainFrame(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // A held text stays 5 seconds; texts without hold are dropped meanwhile.
    void ShowStatusMessage(const QString& text, bool hold);
    QString StatusText() const;
    // Milliseconds of a monotonic clock; tests put their own in.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Commands go to the document, then the frame, then the application.
    void RouteCommand(int command);
    void SetApplicationCommands(CommandHandler handler) { appCommands_ = std::move(handler); }
    QAction* Action(int command) const { return actions_.value(command); }
    CPaneChrome* ClientPane() const { return clientPane_; }
    CSplitKeyboardMode* SplitMode() const { return splitMode_.get(); }

signals:
    void commandRouted(int command, bool handled);

protected:
    bool event(QEvent* event) override;

private:
    void BuildMenus();
    void BuildAccelerators();
    QAction* ActionFor(int command);
    bool OnFrameCommand(int command);
    void StartSplitMode();
    QSplitter* ActiveSplitter() const;

    CPagewrightDoc& doc_;
    CStatusHold hold_;
    QElapsedTimer monotonic_;
    Clock clock_;
    CommandHandler appCommands_;
    QHash<int, QAction*> actions_;
    QPointer<CPaneChrome> clientPane_;  // the layout may replace the client area
    std::unique_ptr<CSplitKeyboardMode> splitMode_;
};

}  // namespace marklens

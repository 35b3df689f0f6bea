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

class CCaptureView;
class CPagewrightDoc;
class CPaneSplitter;
class CProbeTreeView;
class CSplitKeyboardMode;
class CZoomView;

// The program's one top-level window: menus and accelerators from the command table, the
// client area with the panes, and the status line in single-text mode.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    using Clock = std::function<std::int64_t()>;
    using CommandHandler = std::function<bool(int command)>;

    // The five panes, in the order they were created, which is the order they hear updates.
    struct CPanes {
        QWidget* attributes = nullptr;
        CCaptureView* capture = nullptr;
        CZoomView* zoom = nullptr;
        CProbeTreeView* tree = nullptr;
        QWidget* styles = nullptr;
    };
    static constexpr int kRightColumnWidth = 220;
    static constexpr int kBottomRowHeight = 300;
    static constexpr int kTreeHeight = 200;
    static constexpr int kStyleRulesHeight = 100;
    static constexpr int kMinimumPaneSize = 30;
    static constexpr QSize kPreferredSize{1280, 900};

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
    const CPanes& Panes() const { return panes_; }
    // The chrome around a pane: its caption bar and the cell it fills.
    static CPaneChrome* ChromeOf(const QWidget* pane);
    CPaneSplitter* OuterSplitter() const { return outer_; }
    CPaneSplitter* InnerSplitter() const { return inner_; }
    CSplitKeyboardMode* SplitMode() const { return splitMode_.get(); }

signals:
    void commandRouted(int command, bool handled);

protected:
    bool event(QEvent* event) override;

private:
    // Lays out the five panes in the client area.
    void OnCreateClient();
    QSize InitialSize() const;
    void BuildMenus();
    void BuildAccelerators();
    QAction* ActionFor(int command);
    bool OnFrameCommand(int command);
    void StartSplitMode();
    QSplitter* ActiveSplitter(Qt::Orientation orientation) const;

    CPagewrightDoc& doc_;
    CStatusHold hold_;
    QElapsedTimer monotonic_;
    Clock clock_;
    CommandHandler appCommands_;
    QHash<int, QAction*> actions_;
    CPaneSplitter* outer_ = nullptr;
    CPaneSplitter* inner_ = nullptr;
    CPanes panes_;
    std::unique_ptr<CSplitKeyboardMode> splitMode_;
};

}  // namespace marklens

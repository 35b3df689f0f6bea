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
class QLabel;
class QProgressBar;
class QShortcut;
class QSplitter;
class QTimer;
class QToolButton;

namespace marklens {

class CCaptureView;
class CPagewrightDoc;
class CPaneSplitter;
class CProbeTreeView;
class CSplitKeyboardMode;
class CZoomView;
class ICopySource;

// The program's one top-level window: menus and accelerators from the command table, the
// client area with the panes, and the status line in single-text mode.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    using Clock = std::function<std::int64_t()>;
    using CommandHandler = std::function<bool(int command)>;
    // Asks where to save the picture, the proposed file name given; empty: not at all.
    using SavePathAsker = std::function<QString(const QString& proposed)>;

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
    static constexpr int kMaxPictureNameLength = 100;
    // The edit menu's Undo and Redo, naming what they take back.
    static constexpr const char* kUndoText = "&Undo%1\tCtrl+Z";
    static constexpr const char* kRedoText = "&Redo%1\tCtrl+Y";
    static constexpr const char* kPictureSaved = "Picture saved to %1";
    static constexpr const char* kPictureNotSaved = "Could not save the picture to %1";

    explicit CMainFrame(CPagewrightDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // How long browser work runs before the status bar shows its progress, and before the
    // cursor turns busy.
    static constexpr int kProgressDelayMs = 300;
    static constexpr int kBusyCursorDelayMs = 100;

    // A held text stays 5 seconds; texts without hold are dropped meanwhile.
    void ShowStatusMessage(const QString& text, bool hold);
    // Browser work is on its way: the cursor over the program turns busy (still a pointer).
    void SetWorking(bool working);
    // An attach or a Refresh runs: the commands that read or change the page are disabled and,
    // once it lasts, the status bar shows what it does, how far it got and a Cancel button;
    // Cancel and Esc cancel it through the document.
    void SetBusy(bool busy);
    void ShowProgress(const QString& text, qint64 done, qint64 total);
    QWidget* ProgressBox() const { return progressBox_; }
    QString ProgressText() const;
    QToolButton* CancelButton() const { return cancel_; }
    QString StatusText() const;
    // Milliseconds of a monotonic clock; tests put their own in.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Commands go to the document, then the frame, then the application.
    void RouteCommand(int command);
    void SetApplicationCommands(CommandHandler handler) { appCommands_ = std::move(handler); }
    void SetSavePathAsker(SavePathAsker asker) { askSavePath_ = std::move(asker); }
    // Commands that need something to work on are enabled only when there is something.
    void UpdateCommandStates();
    QAction* Action(int command) const { return actions_.value(command); }
    // Following the page's own changes, with the menu's check mark.
    void SetFollowing(bool on);
    const CPanes& Panes() const { return panes_; }
    // The chrome around a pane: its caption bar and the cell it fills.
    static CPaneChrome* ChromeOf(const QWidget* pane);
    CPaneSplitter* OuterSplitter() const { return outer_; }
    CPaneSplitter* InnerSplitter() const { return inner_; }
    CSplitKeyboardMode* SplitMode() const { return splitMode_.get(); }

signals:
    void commandRouted(int command, bool handled);
    // The user turned View > Follow Page Changes on or off.
    void followingChanged(bool on);

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
    void BuildProgressBox();
    void FollowCommandStates();
    // The pane with the focus, when its selection can be copied.
    ICopySource* FocusedCopySource() const;
    void CopyFocusedPane();
    void SavePicture();
    QString ProposedPictureName() const;

    CPagewrightDoc& doc_;
    CStatusHold hold_;
    QElapsedTimer monotonic_;
    Clock clock_;
    CommandHandler appCommands_;
    SavePathAsker askSavePath_;
    QHash<int, QAction*> actions_;
    CPaneSplitter* outer_ = nullptr;
    CPaneSplitter* inner_ = nullptr;
    CPanes panes_;
    std::unique_ptr<CSplitKeyboardMode> splitMode_;
    QWidget* progressBox_ = nullptr;
    QLabel* progressText_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QToolButton* cancel_ = nullptr;
    QShortcut* escape_ = nullptr;
    QTimer* progressDelay_ = nullptr;
    QTimer* cursorDelay_ = nullptr;
    bool busyCursor_ = false;
};

}  // namespace marklens

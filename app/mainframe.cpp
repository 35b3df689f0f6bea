#include "mainframe.h"

#include <algorithm>
#include <limits>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "model/document/commandids.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/pagemirror.h"
#include "panes/attributelist.h"
#include "panes/captureview.h"
#include "panes/probetreeview.h"
#include "panes/stylelist.h"
#include "panes/zoomview.h"
#include "panesplitter.h"
#include "resources/commandtable.h"
#include "resources/stringtable.h"
#include "splitkeyboardmode.h"
#include "widgets/copysource.h"
#include "widgets/panechrome.h"

namespace marklens {

namespace {

QWidget* CreateAttributeList(CPagewrightDoc& doc) { return new CAttributeList(doc); }
QWidget* CreateStyleList(CPagewrightDoc& doc) { return new CStyleList(doc); }

}  // namespace

CMainFrame::CMainFrame(CPagewrightDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
    monotonic_.start();
    clock_ = [this] { return monotonic_.elapsed(); };
    setWindowTitle(QString::fromUtf8(resources::LoadString(resources::kIdsProgramTitle)));
    setWindowIcon(QIcon(QStringLiteral(":/marklens/marklens.png")));
    statusBar()->setSizeGripEnabled(true);
    BuildMenus();
    BuildAccelerators();
    BuildProgressBox();
    resize(InitialSize());
    OnCreateClient();
    FollowCommandStates();
}

// About 1280 by 900, or most of a smaller screen.
QSize CMainFrame::InitialSize() const {
    const QScreen* screen = this->screen();
    if (!screen) return kPreferredSize;
    const QSize available = screen->availableGeometry().size() * 9 / 10;
    return kPreferredSize.boundedTo(available);
}

// Tree over style rules at the top left, Current Style at the top right, the picture at the
// bottom left and the zoom at the bottom right. The panes are created in the order in which
// they hear the document's updates.
void CMainFrame::OnCreateClient() {
    outer_ = new CPaneSplitter(2, 2);
    inner_ = new CPaneSplitter(2, 1);
    outer_->SetPane(0, 0, inner_);
    const auto place = [](CPaneSplitter* splitter, int row, int column, QWidget* pane,
                          CPaneChrome::CaptionPress press = CPaneChrome::CaptionPress::Nothing) {
        splitter->SetPane(row, column, new CPaneChrome(pane, nullptr, press));
    };
    place(outer_, 0, 1, panes_.attributes = CreateAttributeList(doc_));
    place(outer_, 1, 0, panes_.capture = new CCaptureView(doc_), CPaneChrome::CaptionPress::FocusPane);
    place(outer_, 1, 1, panes_.zoom = new CZoomView(doc_));
    place(inner_, 0, 0, panes_.tree = new CProbeTreeView(doc_));
    place(inner_, 1, 0, panes_.styles = CreateStyleList(doc_));
    setCentralWidget(outer_);
    layout()->activate();  // the client area's size, with menu bar and status line in place
    const QSize client = outer_->size();
    outer_->SetColumnWidths({client.width() - kRightColumnWidth, kRightColumnWidth}, kMinimumPaneSize);
    outer_->SetRowHeights({client.height() - kBottomRowHeight, kBottomRowHeight}, kMinimumPaneSize);
    inner_->SetRowHeights({kTreeHeight, kStyleRulesHeight}, kMinimumPaneSize);
}

CPaneChrome* CMainFrame::ChromeOf(const QWidget* pane) {
    return pane ? qobject_cast<CPaneChrome*>(pane->parentWidget()) : nullptr;
}

CMainFrame::~CMainFrame() {
    // Tearing down the panes moves the focus and the selections: the command states must not
    // follow into panes that are half gone.
    disconnect(qApp, nullptr, this, nullptr);
    panes_ = {};
    if (busyCursor_) QApplication::restoreOverrideCursor();
}

void CMainFrame::FollowCommandStates() {
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommandStates(); });
    connect(panes_.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdateCommandStates(); });
    for (QWidget* list : {panes_.attributes, panes_.styles}) {
        if (auto* view = qobject_cast<QAbstractItemView*>(list)) {
            connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    [this] { UpdateCommandStates(); });
        }
    }
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    if (!panes_.capture) return;  // not built yet
    const ICopySource* source = FocusedCopySource();
    Action(command::kCopy)->setEnabled(source && source->CanCopy());
    Action(command::kSavePictureAs)->setEnabled(!panes_.capture->PictureImage().isNull());
    for (const int command : {command::kCopySelector, command::kCopyOuterHtml, command::kUndo, command::kRedo}) {
        if (QAction* action = Action(command)) action->setEnabled(doc_.IsCommandEnabled(command));
    }
    const CEditState& edits = doc_.Edits();
    const auto named = [](const char* text, const std::string& label) {
        return QString::fromLatin1(text).arg(label.empty() ? QString()
                                                           : QStringLiteral(" ") + QString::fromStdString(label));
    };
    Action(command::kUndo)->setText(named(kUndoText, edits.undo));
    Action(command::kRedo)->setText(named(kRedoText, edits.redo));
}

ICopySource* CMainFrame::FocusedCopySource() const {
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget == this) break;
        if (auto* source = dynamic_cast<ICopySource*>(widget)) return source;
    }
    return nullptr;
}

void CMainFrame::CopyFocusedPane() {
    const ICopySource* source = FocusedCopySource();
    std::unique_ptr<QMimeData> data = source ? source->CopyData() : nullptr;
    if (data) QApplication::clipboard()->setMimeData(data.release());  // the clipboard owns it
}

// The page's title, without what a file name cannot hold.
QString CMainFrame::ProposedPictureName() const {
    const CPageMirror* mirror = doc_.Mirror();
    QString title = mirror ? QString::fromUtf8(mirror->DocumentElement().attribute("text").as_string()) : QString();
    title.remove(0, title.startsWith(QLatin1String("doc - ")) ? 6 : 0);
    title.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]+")), QStringLiteral(" "));
    title = title.simplified().left(kMaxPictureNameLength);
    return (title.isEmpty() ? QStringLiteral("page") : title) + QStringLiteral(".png");
}

void CMainFrame::SavePicture() {
    const QImage& picture = panes_.capture->PictureImage();
    if (picture.isNull()) return;
    const QString proposed = ProposedPictureName();
    const QString path = askSavePath_ ? askSavePath_(proposed)
                                      : QFileDialog::getSaveFileName(this, QStringLiteral("Save Picture As"), proposed,
                                                                     QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) return;
    if (picture.save(path, "PNG")) {
        ShowStatusMessage(QString::fromLatin1(kPictureSaved).arg(path), true);
    } else {
        ShowStatusMessage(QString::fromLatin1(kPictureNotSaved).arg(path), true);
    }
}

void CMainFrame::BuildProgressBox() {
    progressBox_ = new QWidget(this);
    auto* layout = new QHBoxLayout(progressBox_);
    layout->setContentsMargins(0, 0, 0, 0);
    progressText_ = new QLabel(progressBox_);
    progressBar_ = new QProgressBar(progressBox_);
    progressBar_->setFixedWidth(160);
    progressBar_->setTextVisible(false);
    cancel_ = new QToolButton(progressBox_);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setToolTip(QStringLiteral("Cancel (Esc)"));
    layout->addWidget(progressText_);
    layout->addWidget(progressBar_);
    layout->addWidget(cancel_);
    statusBar()->addPermanentWidget(progressBox_);
    progressBox_->hide();
    connect(cancel_, &QToolButton::clicked, this, [this] { doc_.CancelWork(); });
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, [this] { doc_.CancelWork(); });
    progressDelay_ = new QTimer(this);
    progressDelay_->setSingleShot(true);
    progressDelay_->setInterval(kProgressDelayMs);
    connect(progressDelay_, &QTimer::timeout, progressBox_, &QWidget::show);
    cursorDelay_ = new QTimer(this);
    cursorDelay_->setSingleShot(true);
    cursorDelay_->setInterval(kBusyCursorDelayMs);
    connect(cursorDelay_, &QTimer::timeout, this, [this] {
        busyCursor_ = true;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    });
}

void CMainFrame::SetWorking(bool working) {
    if (working) {
        if (!busyCursor_ && !cursorDelay_->isActive()) cursorDelay_->start();
        return;
    }
    cursorDelay_->stop();
    if (busyCursor_) QApplication::restoreOverrideCursor();
    busyCursor_ = false;
}

void CMainFrame::SetBusy(bool busy) {
    for (const int command : command::kPageCommands) {
        if (QAction* action = Action(command)) action->setEnabled(!busy);
    }
    escape_->setEnabled(busy);
    UpdateCommandStates();
    if (busy) {
        progressText_->clear();
        progressBar_->setRange(0, 0);
        progressDelay_->start();
    } else {
        progressDelay_->stop();
        progressBox_->hide();
    }
}

void CMainFrame::ShowProgress(const QString& text, qint64 done, qint64 total) {
    progressText_->setText(text);
    const bool known = total > 0 && total <= std::numeric_limits<int>::max();
    progressBar_->setRange(0, known ? static_cast<int>(total) : 0);
    if (known) progressBar_->setValue(static_cast<int>(std::min(done, total)));
}

QString CMainFrame::ProgressText() const { return progressBox_->isVisible() ? progressText_->text() : QString(); }

void CMainFrame::BuildMenus() {
    for (const resources::CMenu& menu : resources::MainMenu()) {
        QMenu* popup = menuBar()->addMenu(QString::fromUtf8(menu.text));
        for (const resources::CMenuEntry& entry : menu.entries) {
            if (!entry.text) {
                popup->addSeparator();
                continue;
            }
            QAction* action = ActionFor(entry.command);
            action->setText(QString::fromUtf8(entry.text));
            popup->addAction(action);
        }
    }
    QAction* statusBarAction = Action(command::kStatusBar);
    statusBarAction->setCheckable(true);
    statusBarAction->setChecked(true);
    QAction* followAction = Action(command::kFollowPageChanges);
    followAction->setCheckable(true);
    followAction->setChecked(doc_.IsFollowing());
}

void CMainFrame::BuildAccelerators() {
    for (const resources::CAccelerator& accelerator : resources::Accelerators()) {
        QAction* action = ActionFor(accelerator.command);
        QList<QKeySequence> keys = action->shortcuts();
        keys.append(QKeySequence(QString::fromLatin1(accelerator.key), QKeySequence::PortableText));
        action->setShortcuts(keys);
        addAction(action);  // keys work with or without the menu bar showing the command
    }
}

QAction* CMainFrame::ActionFor(int command) {
    if (QAction* existing = actions_.value(command)) return existing;
    auto* action = new QAction(this);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { RouteCommand(command); });
    actions_.insert(command, action);
    return action;
}

void CMainFrame::RouteCommand(int command) {
    const bool handled = doc_.OnCommand(command) || OnFrameCommand(command) || (appCommands_ && appCommands_(command));
    emit commandRouted(command, handled);
}

void CMainFrame::SetFollowing(bool on) {
    doc_.SetFollowing(on);
    Action(command::kFollowPageChanges)->setChecked(on);
}

bool CMainFrame::OnFrameCommand(int command) {
    switch (command) {
    case command::kStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        Action(command::kStatusBar)->setChecked(statusBar()->isVisible());
        return true;
    case command::kSplit:
        StartSplitMode();
        return true;
    case command::kFollowPageChanges:
        SetFollowing(!doc_.IsFollowing());
        emit followingChanged(doc_.IsFollowing());
        return true;
    case command::kExit:
        close();
        return true;
    case command::kCopy: CopyFocusedPane(); return true;
    case command::kSavePictureAs: SavePicture(); return true;
    default:
        return false;
    }
}

// The nearest splitter of the orientation around the focus; without focus in a pane, the
// outer splitter's bars.
QSplitter* CMainFrame::ActiveSplitter(Qt::Orientation orientation) const {
    for (QWidget* widget = focusWidget(); widget; widget = widget->parentWidget()) {
        auto* splitter = qobject_cast<QSplitter*>(widget);
        if (splitter && splitter->orientation() == orientation) return splitter;
    }
    if (!outer_) return nullptr;
    return orientation == Qt::Vertical ? static_cast<QSplitter*>(outer_) : outer_->RowSplitter(1);
}

void CMainFrame::StartSplitMode() {
    splitMode_ = std::make_unique<CSplitKeyboardMode>(ActiveSplitter(Qt::Horizontal), ActiveSplitter(Qt::Vertical));
}

void CMainFrame::ShowStatusMessage(const QString& text, bool hold) {
    if (!hold_.Accept(hold, clock_())) return;
    statusBar()->showMessage(text);
}

QString CMainFrame::StatusText() const { return statusBar()->currentMessage(); }

bool CMainFrame::event(QEvent* event) {
    // The status line is in single-text mode: menu prompts must not wipe its text.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

}  // namespace marklens

#include "mainframe.h"

#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>

#include "model/commandids.h"
#include "model/pagewrightdoc.h"
#include "panes/attributelist.h"
#include "panes/probetreeview.h"
#include "panes/stylelist.h"
#include "resources/commandtable.h"
#include "resources/stringtable.h"
#include "splitkeyboardmode.h"
#include "widgets/panechrome.h"

namespace marklens {

CMainFrame::CMainFrame(CPagewrightDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
    monotonic_.start();
    clock_ = [this] { return monotonic_.elapsed(); };
    setWindowTitle(QString::fromUtf8(resources::LoadString(resources::kIdsProgramTitle)));
    setWindowIcon(QIcon(QStringLiteral(":/marklens/marklens.png")));
    // Until the pane layout lands: the tree beside the two style panes. The views are made in
    // the layout's order, so the attribute list hears a rebuild before the tree reselects.
    auto* attributes = new CPaneChrome(new CAttributeList(doc_));
    clientPane_ = new CPaneChrome(new CProbeTreeView(doc_));
    auto* styles = new CPaneChrome(new CStyleList(doc_));
    auto* stylePanes = new QSplitter(Qt::Vertical);
    stylePanes->addWidget(attributes);
    stylePanes->addWidget(styles);
    auto* client = new QSplitter(Qt::Horizontal, this);
    client->addWidget(clientPane_);
    client->addWidget(stylePanes);
    setCentralWidget(client);
    statusBar()->setSizeGripEnabled(true);
    BuildMenus();
    BuildAccelerators();
    resize(900, 650);
}

CMainFrame::~CMainFrame() = default;

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

bool CMainFrame::OnFrameCommand(int command) {
    switch (command) {
    case command::kStatusBar:
        statusBar()->setVisible(!statusBar()->isVisible());
        Action(command::kStatusBar)->setChecked(statusBar()->isVisible());
        return true;
    case command::kSplit:
        StartSplitMode();
        return true;
    case command::kExit:
        close();
        return true;
    default:
        return false;
    }
}

QSplitter* CMainFrame::ActiveSplitter() const {
    for (QWidget* widget = focusWidget(); widget; widget = widget->parentWidget()) {
        if (auto* splitter = qobject_cast<QSplitter*>(widget)) return splitter;
    }
    return centralWidget() ? centralWidget()->findChild<QSplitter*>() : nullptr;
}

void CMainFrame::StartSplitMode() {
    QSplitter* splitter = ActiveSplitter();
    if (!splitter) return;  // a layout without bars has nothing to move
    splitMode_ = std::make_unique<CSplitKeyboardMode>(*splitter);
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

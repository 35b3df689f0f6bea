#include "frameui.h"

#include <QTimer>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

#include "connectdialog.h"
#include "dialogfind.h"
#include "edit/dialogattribute.h"
#include "edit/onedithtml.h"
#include "mainframe.h"
#include "model/document/pagewrightdoc.h"
#include "resources/stringtable.h"

namespace marklens {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void CFrameUi::ShowMessage(const std::string& text, MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), QString::fromUtf8(resources::LoadString(resources::kIdsProgramTitle)),
                    QString::fromUtf8(text), QMessageBox::Ok, frame_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void CFrameUi::ShowStatusMessage(const std::string& text, bool hold) {
    if (frame_) frame_->ShowStatusMessage(QString::fromUtf8(text), hold);
}

void CFrameUi::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(&postBox_, std::move(task), Qt::QueuedConnection);
}

void CFrameUi::PostAfter(int milliseconds, std::function<void()> task) {
    QTimer::singleShot(milliseconds, &postBox_, std::move(task));
}

void CFrameUi::SetWorking(bool working) {
    if (frame_) frame_->SetWorking(working);
}

void CFrameUi::SetBusy(bool busy) {
    if (frame_) frame_->SetBusy(busy);
}

void CFrameUi::ShowProgress(const std::string& text, std::int64_t done, std::int64_t total) {
    if (frame_) frame_->ShowProgress(QString::fromUtf8(text), done, total);
}

void CFrameUi::SetCaption(const std::string& caption) {
    if (frame_) frame_->setWindowTitle(QString::fromUtf8(caption));
}

void CFrameUi::BeginCapture() {
    activeBeforeCapture_ = QApplication::activeWindow();
    focusBeforeCapture_ = QApplication::focusWidget();
}

// The frame in front, a dialog that was active above it, and the focus back in its widget.
void CFrameUi::EndCapture() {
    if (!frame_) return;
    frame_->raise();
    QWidget* active = activeBeforeCapture_ ? activeBeforeCapture_.data() : frame_.data();
    active->raise();
    active->activateWindow();
    if (focusBeforeCapture_) focusBeforeCapture_->setFocus(Qt::OtherFocusReason);
}

void CFrameUi::RunConnectDialog() {
    if (handOvers_.connectDialog) {
        handOvers_.connectDialog();
    } else if (CPagewrightDoc* doc = CPagewrightDoc::Instance()) {
        CConnectDialog dialog(*doc, frame_);
        dialog.exec();
    }
}

bool CFrameUi::RunFindDialog() {
    if (handOvers_.findDialog) return handOvers_.findDialog();
    CDialogFind dialog(frame_);
    return dialog.exec() == QDialog::Accepted;
}

void CFrameUi::EditHtml() {
    if (handOvers_.editHtml) handOvers_.editHtml();
    else if (CPagewrightDoc* doc = CPagewrightDoc::Instance()) OnEditHtml(*doc, frame_);
}

void CFrameUi::CommandStatesChanged() {
    if (frame_) frame_->UpdateCommandStates();
}

void CFrameUi::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void CFrameUi::RunAttributeDialog(const std::string& name, const std::string& value, const std::string& defaultValue) {
    if (handOvers_.attributeDialog) {
        handOvers_.attributeDialog(name, value, defaultValue);
    } else if (CPagewrightDoc* doc = CPagewrightDoc::Instance()) {
        CDialogAttribute dialog(*doc, QString::fromStdString(name), QString::fromStdString(value),
                                QString::fromStdString(defaultValue), frame_);
        dialog.exec();
    }
}

}  // namespace marklens

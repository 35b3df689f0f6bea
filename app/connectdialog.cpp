#include "connectdialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

#include "dialogmld.h"
#include "model/document/pagewrightdoc.h"
#include "model/errors/objectcallerror.h"
#include "resources/connecttemplate.h"

namespace marklens {

CConnectDialog::CConnectDialog(CPagewrightDoc& doc, QWidget* parent)
    : CTemplateDialog(resources::ConnectTemplate(), parent), doc_(doc) {
    list_ = qobject_cast<QListWidget*>(Control(resources::kIdcBrowserList));
    connect_ = qobject_cast<QPushButton*>(Control(resources::kIdcConnect));
    hint_ = qobject_cast<QLabel*>(Control(resources::kIdcNoneFoundHint));
    hint_->setText(QString::fromUtf8(kNoneFoundHint));
    hint_->setWordWrap(true);
    // Connect closes the dialog only once it has a position to attach to.
    disconnect(connect_, &QPushButton::clicked, this, &QDialog::accept);
    connect(connect_, &QPushButton::clicked, this, &CConnectDialog::OnConnect);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CConnectDialog::OnConnect);
    if (auto* refresh = qobject_cast<QPushButton*>(Control(resources::kIdcRefresh))) {
        connect(refresh, &QPushButton::clicked, this, &CConnectDialog::OnRefresh);
    }
    if (auto* modeless = qobject_cast<QPushButton*>(Control(resources::kIdcFindModeless))) {
        connect(modeless, &QPushButton::clicked, this, &CConnectDialog::OnFindModeless);
    }
    // F5 anywhere in the dialog refreshes; the shortcut takes the key before any control.
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, &CConnectDialog::OnRefresh);
    OnRefresh();
}

void CConnectDialog::OnRefresh() {
    if (IsWaiting()) return;
    WaitForAnswer();
    doc_.EnumerateBrowsers([dialog = QPointer<CConnectDialog>(this)] {
        if (!dialog) return;
        dialog->AnswerArrived();
        dialog->FillBrowserList();
    });
}

void CConnectDialog::FillBrowserList() {
    const int remembered = std::max(0, list_->currentRow());
    list_->clear();
    const std::vector<std::string> labels = doc_.BrowserLabels();
    hint_->setVisible(labels.empty());
    if (labels.empty()) {
        list_->addItem(QString::fromLatin1(kNoneFound));
        connect_->setEnabled(false);
    } else {
        connect_->setEnabled(true);
        connect_->setFocus();
        connect_->setDefault(true);
    }
    for (const std::string& label : labels) list_->addItem(QString::fromStdString(label));
    if (remembered < static_cast<int>(labels.size())) list_->setCurrentRow(remembered);
    else list_->setCurrentRow(-1);
}

void CConnectDialog::OnConnect() {
    const int position = list_->currentRow();
    // Nothing selected or the "<none found>" entry: no browser to attach to, stay open.
    if (IsWaiting() || position < 0 || !list_->currentItem() || !list_->currentItem()->isSelected() ||
        position >= static_cast<int>(doc_.BrowserLabels().size())) {
        return;
    }
    // Open, and alive, until the page is attached; Cancel and Esc cancel the attach.
    WaitForAnswer([this] { doc_.CancelWork(); });
    doc_.ConnectToBrowser(position,
                          [doc = &doc_, dialog = QPointer<CConnectDialog>(this)](const CWorkOutcome& outcome) {
                              if (outcome.kind == CWorkOutcome::Kind::Failed) doc->ReportConnectError(*outcome.error);
                              if (!dialog) return;
                              dialog->AnswerArrived();
                              if (outcome.kind == CWorkOutcome::Kind::Cancelled) {
                                  dialog->reject();
                              } else {
                                  dialog->accept();
                              }
                          });
}

void CConnectDialog::OnFindModeless() {
    CDialogMld dialog(doc_, list_->currentRow(), parentWidget());
    if (dialog.exec() == QDialog::Accepted) accept();
}

}  // namespace marklens

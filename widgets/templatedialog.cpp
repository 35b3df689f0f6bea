#include "templatedialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

namespace marklens {

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

QSize BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int average = (metrics.horizontalAdvance(QLatin1String(kAlphabet)) / 26 + 1) / 2;
    return {average, metrics.height()};
}

QPixmap ProgramIcon(QSize size) { return QPixmap(QStringLiteral(":/marklens/marklens.png")).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation); }

}  // namespace

CTemplateDialog::CTemplateDialog(const resources::CDialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    QFont dialogFont(QString::fromLatin1(dialogTemplate.fontFamily));
    dialogFont.setPointSize(dialogTemplate.fontPoints);
    setFont(dialogFont);
    baseUnits_ = BaseUnits(dialogFont);
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    for (const resources::CControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control);
        const QPoint topLeft = DialogUnitsToPixels(control.x, control.y);
        const QPoint size = DialogUnitsToPixels(control.width, control.height);
        widget->setGeometry(QRect(topLeft, QSize(size.x(), size.y())));
        if (control.id >= 0) controls_.insert(control.id, widget);
    }
    const QPoint size = DialogUnitsToPixels(dialogTemplate.width, dialogTemplate.height);
    setFixedSize(size.x(), size.y());
}

QPoint CTemplateDialog::DialogUnitsToPixels(int x, int y) const {
    return {x * baseUnits_.width() / 4, y * baseUnits_.height() / 8};
}

QWidget* CTemplateDialog::CreateControl(const resources::CControlTemplate& control) {
    using resources::ControlKind;
    const QString text = QString::fromUtf8(control.text ? control.text : "");
    switch (control.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(this);
        const QPoint size = DialogUnitsToPixels(control.width, control.height);
        label->setPixmap(ProgramIcon(QSize(size.x(), size.y()).boundedTo(QSize(32, 32))));
        return label;
    }
    case ControlKind::DefaultPushButton:
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, this);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        button->setAutoDefault(control.kind == ControlKind::DefaultPushButton);
        if (control.id == 1) connect(button, &QPushButton::clicked, this, &QDialog::accept);
        if (control.id == 2) connect(button, &QPushButton::clicked, this, &QDialog::reject);
        return button;
    }
    case ControlKind::Edit:
        return new QLineEdit(text, this);
    case ControlKind::ListBox:
        return new QListWidget(this);
    case ControlKind::CheckBox:
        return new QCheckBox(text, this);
    case ControlKind::RadioButton:
        return new QRadioButton(text, this);
    case ControlKind::MultiLineEdit:
        return new QPlainTextEdit(text, this);
    }
    return new QWidget(this);
}

void CTemplateDialog::WaitForAnswer(std::function<void()> onCancel) {
    if (waiting_) AnswerArrived();
    waiting_ = true;
    onCancel_ = std::move(onCancel);
    for (auto control = controls_.begin(); control != controls_.end(); ++control) {
        // Cancel stays usable while the dialog waits, where the wait can be cancelled.
        const bool keep = control.key() == 2 && onCancel_;
        if (keep || !control.value()->isEnabled()) continue;
        control.value()->setEnabled(false);
        disabledWhileWaiting_.append(control.value());
    }
}

void CTemplateDialog::AnswerArrived() {
    waiting_ = false;
    onCancel_ = nullptr;
    for (QWidget* control : std::exchange(disabledWhileWaiting_, {}))
        control->setEnabled(true);
}

void CTemplateDialog::reject() {
    if (!waiting_) {
        QDialog::reject();
        return;
    }
    if (!onCancel_) return;
    const std::function<void()> cancel = onCancel_;  // it may end the wait and close the dialog
    cancel();
}

}  // namespace marklens

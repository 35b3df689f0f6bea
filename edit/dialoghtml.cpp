#include "dialoghtml.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTextDocument>

#include "resources/htmldialogtemplate.h"

namespace marklens {

namespace {

constexpr std::array kModeButtonIds{resources::kIdcOuterHtml, resources::kIdcInnerHtml, resources::kIdcElementText};
constexpr std::array kModes{HtmlMode::Outer, HtmlMode::Inner, HtmlMode::Text};

}  // namespace

CDialogHtml::CDialogHtml(QWidget* parent, bool outerEditable, bool innerEditable, bool textEditable,
                         const QString& outer, const QString& inner, const QString& text)
    : CTemplateDialog(resources::HtmlDialogTemplate(), parent),
      editable_{outerEditable, innerEditable, textEditable},
      texts_{outer, inner, text} {
    setSizeGripEnabled(true);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    edit_ = qobject_cast<QPlainTextEdit*>(Control(resources::kIdcHtmlText));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setTabChangesFocus(true);
    edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        buttons_[i] = qobject_cast<QRadioButton*>(Control(kModeButtonIds[i]));
        connect(buttons_[i], &QRadioButton::clicked, this, [this, i] { EnterMode(kModes[i]); });
    }
    const HtmlMode first = outerEditable || !innerEditable ? HtmlMode::Outer : HtmlMode::Inner;
    ModeButton(first)->setChecked(true);
    EnterMode(first);
    lastSize_ = size();
}

void CDialogHtml::EnterMode(HtmlMode mode) {
    const auto which = static_cast<std::size_t>(mode);
    edit_->setReadOnly(!editable_[which]);
    edit_->setPlainText(texts_[which]);
    edit_->document()->setModified(false);
    edit_->setFocus(Qt::OtherFocusReason);
    mode_ = mode;
}

QString CDialogHtml::EditedText() const {
    // Untouched text goes back exactly as it came; the edit box would fold line ends.
    if (!edit_->document()->isModified()) return texts_[static_cast<std::size_t>(mode_)];
    // The raw text, because the plain-text form turns non-breaking spaces into blanks.
    QString text = edit_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void CDialogHtml::accept() {
    if (IsWaiting()) return;
    result_ = EditedText();
    if (writer_) {
        writer_(mode_, result_);
        return;
    }
    CTemplateDialog::accept();
}

void CDialogHtml::resizeEvent(QResizeEvent* event) {
    CTemplateDialog::resizeEvent(event);
    const QSize change = event->size() - lastSize_;
    const bool initialised = !lastSize_.isEmpty();
    lastSize_ = event->size();
    if (!initialised || change.isNull()) return;
    edit_->resize(edit_->size() + change);
    for (const int id : {1, 2}) {
        if (QWidget* button = Control(id)) button->move(button->pos() + QPoint(change.width(), 0));
    }
}

}  // namespace marklens

#pragma once
#include <array>
#include <functional>

#include <QString>

#include "widgets/templatedialog.h"
#include "elementhtml.h"

class QPlainTextEdit;
class QRadioButton;

namespace marklens {

// "Element HTML": the user picks outer HTML, inner HTML or text and edits it. Each mode shows
// the text it was given, read-only where the element does not allow that mode; the dialog
// can be resized, and the edit box and the buttons follow the right and bottom edges.
class CDialogHtml : public CTemplateDialog {
    Q_OBJECT
public:
    CDialogHtml(QWidget* parent, bool outerEditable, bool innerEditable, bool textEditable,
                const QString& outer, const QString& inner, const QString& text);

    // After OK: the mode the dialog was in and the edit box's contents.
    HtmlMode Mode() const { return mode_; }
    const QString& Result() const { return result_; }
    // What OK does before the dialog closes: writes the result, and closes the dialog with
    // Written once the page has it. Without one, OK closes at once.
    void SetWriter(std::function<void(HtmlMode mode, const QString& text)> writer) { writer_ = std::move(writer); }
    void Written() { CTemplateDialog::accept(); }

    QPlainTextEdit* EditBox() const { return edit_; }
    QRadioButton* ModeButton(HtmlMode mode) const { return buttons_[static_cast<int>(mode)]; }

    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void EnterMode(HtmlMode mode);
    QString EditedText() const;

    std::array<bool, 3> editable_;
    std::array<QString, 3> texts_;
    std::array<QRadioButton*, 3> buttons_{};
    QPlainTextEdit* edit_ = nullptr;
    HtmlMode mode_ = HtmlMode::Outer;
    QString result_;
    QSize lastSize_;
    std::function<void(HtmlMode, const QString&)> writer_;
};

}  // namespace marklens

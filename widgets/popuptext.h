#pragma once
#include <QFont>
#include <QString>
#include <QWidget>

namespace marklens {

// The pop-up tip: a borderless-looking tool window in tooltip colours that sizes itself to
// its text plus margins, keeps its top-left corner and never takes activation.
class CPopupText : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMarginX = 4;
    static constexpr int kMarginY = 2;

    explicit CPopupText(QWidget* parent, QPoint position = {});

    // Stores the text, resizes to it and repaints at once; line breaks make several lines.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // The size the tip takes for a text, border included.
    QSize SizeForText(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QFont font_;
};

}  // namespace marklens

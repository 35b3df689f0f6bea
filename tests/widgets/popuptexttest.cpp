#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>

#include "widgets/popuptext.h"

namespace marklens::test {
namespace {

TEST(PopupText, EmptyTextGivesEightByFourBorderIncluded) {
    QWidget owner;
    CPopupText tip(&owner);
    tip.SetText("");
    EXPECT_EQ(tip.size(), QSize(8, 4));
    EXPECT_EQ(tip.frameGeometry().size(), QSize(8, 4));
}

TEST(PopupText, SizesToItsTextPlusMarginsAndKeepsItsCorner) {
    QWidget owner;
    CPopupText tip(&owner, QPoint(30, 40));
    const QFontMetrics metrics(QApplication::font("QStatusBar"));
    tip.SetText("<DIV id=main>");
    const QSize oneLine = tip.size();
    EXPECT_EQ(oneLine.width(), metrics.horizontalAdvance("<DIV id=main>") + 8);
    EXPECT_EQ(oneLine.height(), metrics.height() + 4);
    tip.move(50, 60);
    tip.SetText("<DIV id=main>\n(10, 10) - (200, 120)");
    EXPECT_EQ(tip.pos(), QPoint(50, 60));
    EXPECT_EQ(tip.size().height(), 2 * metrics.height() + metrics.leading() + 4);
    EXPECT_NEAR(tip.size().width(), metrics.horizontalAdvance("(10, 10) - (200, 120)") + 8, 1);  // the longer line
    EXPECT_EQ(tip.Text(), "<DIV id=main>\n(10, 10) - (200, 120)");
}

TEST(PopupText, PaintsInTooltipColoursAndNeverTakesActivation) {
    QWidget owner;
    CPopupText tip(&owner);
    tip.SetText("   ");
    EXPECT_TRUE(tip.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(tip.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(tip.isHidden());  // starts hidden until its view shows it
    const QImage image = tip.grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), tip.palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(image.pixelColor(0, 0), tip.palette().color(QPalette::ToolTipText));
}

}  // namespace
}  // namespace marklens::test

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

#include "edit/dialogattribute.h"
#include "model/document/commandids.h"
#include "model/document/documentmessages.h"
#include "model/document/documentui.h"
#include "model/document/pagewrightdoc.h"
#include "model/mirror/mirrorreading.h"
#include "panes/attributelist.h"
#include "panes/stylelist.h"
#include "tests/support/browserfixture.h"
#include "tests/support/modaldriver.h"
#include "tests/support/typing.h"

namespace marklens::testing {
namespace {

// Runs the real dialog and keeps the messages instead of showing them.
class CDialogUi : public CMessageUi {
public:
    void RunAttributeDialog(const std::string& name, const std::string& value,
                            const std::string& defaultValue) override {
        CDialogAttribute dialog(*CPagewrightDoc::Instance(), QString::fromStdString(name),
                                QString::fromStdString(value), QString::fromStdString(defaultValue), nullptr);
        dialog.exec();
    }
};

class StyleAttributeBrowser : public CBrowserSuite {
protected:
    void SetUp() override {
        LivePageHandle page = OpenPage("cascade.html");
        doc_.AttachPage(page, "page", [](const CWorkOutcome&) {});
    }
    int IdOf(const std::string& label) const { return IntAttribute(NodeWithLabel(*doc_.Mirror(), label), "node-id"); }
    int Row(const QString& name) const {
        for (int row = 0; row < attributes_.topLevelItemCount(); ++row) {
            if (attributes_.topLevelItem(row)->text(0) == name) return row;
        }
        return -1;
    }
    // Pixels of the picture inside the box (CSS pixels) that are plainly red.
    int RedPixelsIn(const CBox& cssBox) const {
        const CPicture* picture = doc_.Picture();
        const CBox box = picture ? ToPictureBox(cssBox, picture->scale) : CBox{};
        int count = 0;
        for (int y = box.top; y < box.bottom && picture; ++y) {
            for (int x = box.left; x < box.right; ++x) {
                const std::uint32_t pixel = picture->Pixel(x, y);
                if (((pixel >> 16) & 0xFF) > 200 && ((pixel >> 8) & 0xFF) < 60 && (pixel & 0xFF) < 60) ++count;
            }
        }
        return count;
    }

    CDialogUi ui_;
    CPagewrightDoc doc_{ui_, nullptr, CPagewrightDoc::Jobs::Inline};
    CAttributeList attributes_{doc_};
    CStyleList rules_{doc_};
};

TEST_F(StyleAttributeBrowser, ColourSetThroughTheDialogReachesPagePictureAndPanes) {
    const int heading = IdOf("<H1");
    ASSERT_NE(heading, 0);
    const CBox box = NodeBox(doc_.FindNodeById(heading));
    doc_.SetSelection(heading, nullptr);
    const int color = Row("color");
    ASSERT_GE(color, 0);
    EXPECT_EQ(attributes_.topLevelItem(color)->text(1), "rgb(0, 128, 0)");
    EXPECT_FALSE(attributes_.EqualsDefault(color));
    EXPECT_EQ(rules_.topLevelItem(0)->text(0), "h1");
    EXPECT_EQ(RedPixelsIn(box), 0);

    attributes_.setCurrentItem(attributes_.topLevelItem(color));
    test::CModalDriver<CDialogAttribute> driver([this](CDialogAttribute& dialog) {
        QLineEdit* value = dialog.ValueBox();
        EXPECT_EQ(value->selectedText(), "rgb(0, 128, 0)");
        test::TypeText(value, "nonsense");
        dialog.accept();
        EXPECT_EQ(ui_.messages, (std::vector<std::string>{message::kValueNotAccepted}));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(value->text(), "nonsense");
        value->selectAll();
        test::TypeText(value, "rgb(255, 0, 0)");
        dialog.accept();
        EXPECT_FALSE(dialog.isVisible());
    });
    doc_.OnCommand(command::kEditStyleAttribute);
    ASSERT_TRUE(driver.seen);
    EXPECT_EQ(ui_.messages.size(), 1u);
    EXPECT_GT(RedPixelsIn(box), 0);
    EXPECT_EQ(attributes_.topLevelItem(color)->text(1), "rgb(255, 0, 0)");
    EXPECT_FALSE(attributes_.EqualsDefault(color));
    EXPECT_EQ(rules_.topLevelItem(0)->text(2), "inline");
    EXPECT_EQ(rules_.topLevelItem(0)->text(3), "color: rgb(255, 0, 0);");

    // The document: no current style, but the rules of its root element.
    doc_.SetSelection(IntAttribute(doc_.Mirror()->DocumentElement(), "node-id"), nullptr);
    EXPECT_EQ(attributes_.topLevelItem(color)->text(1), "");
    EXPECT_TRUE(attributes_.EqualsDefault(color));
    ASSERT_EQ(rules_.topLevelItemCount(), 1);
    EXPECT_EQ(rules_.topLevelItem(0)->text(0), ":root");
}

}  // namespace
}  // namespace marklens::testing

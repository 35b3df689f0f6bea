#include "model/errors/objectcallerror.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Element : public CBrowserSuite {
protected:
    void SetUp() override {
        page_ = OpenPage("edit.html");
        probe_ = page_->CreateProbe();
        mirror_ = Mirror(*probe_, *page_);
    }
    LiveElementHandle Find(const std::string& label) {
        return probe_->ElementForId(std::to_string(IntAttribute(NodeWithLabel(*mirror_, label), "node-id")));
    }
    std::string Page(const std::string& expression) { return Chrome().Evaluate(lastTarget_, expression); }

    LivePageHandle page_;
    PageProbeHandle probe_;
    std::unique_ptr<CPageMirror> mirror_;
};

TEST_F(Element, ReadsMarkupAndText) {
    const LiveElementHandle box = Find("\"box\"");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->TagName(), "DIV");
    EXPECT_EQ(box->InnerHtml(), "<b>bold</b> text");
    EXPECT_EQ(box->OuterHtml(), "<div id=\"box\"><b>bold</b> text</div>");
    EXPECT_EQ(Find("\"opt\"")->Text(), "first");
    const LiveElementHandle comment = Find("<COMMENT");
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->TagName(), "COMMENT");
    EXPECT_EQ(comment->Text(), "remark");
    EXPECT_EQ(comment->OuterHtml(), "<!--remark-->");
}

TEST_F(Element, WritesGoIntoThePage) {
    Find("\"box\"")->SetInnerHtml("<i>new</i>");
    EXPECT_EQ(Page("document.getElementById('box').innerHTML"), "\"<i>new</i>\"");
    Find("\"opt\"")->SetText("changed <b>");
    EXPECT_EQ(Page("document.getElementById('opt').text"), "\"changed <b>\"");
    Find("<COMMENT")->SetText("other");
    Find("\"box\"")->SetOuterHtml("<p id=\"swapped\">p</p>");
    EXPECT_EQ(Page("document.getElementById('swapped').outerHTML"), "\"<p id=\\\"swapped\\\">p</p>\"");
    EXPECT_EQ(Page("document.getElementById('box')"), "null");
    // The document element's parent is the document: its outer HTML cannot be replaced.
    EXPECT_THROW(probe_->ElementForId("1")->SetOuterHtml("<x>"), CObjectCallError);
}

TEST_F(Element, InlineStyleSetterReportsWhatTheBrowserRejects) {
    const LiveElementHandle box = Find("\"box\"");
    box->SetStyleAttribute("color", "rgb(1, 2, 3)");
    box->SetStyleAttribute("backgroundColor", "blue");
    EXPECT_EQ(Page("document.getElementById('box').style.cssText"), "\"color: rgb(1, 2, 3); background-color: blue;\"");
    EXPECT_THROW(box->SetStyleAttribute("color", "not-a-colour"), CObjectCallError);
    EXPECT_THROW(box->SetStyleAttribute("colour", "red"), CObjectCallError);
    // A rejected value leaves the earlier one in place.
    EXPECT_EQ(Page("document.getElementById('box').style.color"), "\"rgb(1, 2, 3)\"");
    box->SetStyleAttribute("width", "10px !important");
    EXPECT_EQ(Page("document.getElementById('box').style.getPropertyPriority('width')"), "\"important\"");
    box->SetStyleAttribute("color", "");
    EXPECT_EQ(Page("document.getElementById('box').style.color"), "\"\"");
    EXPECT_THROW(Find("<COMMENT")->SetStyleAttribute("color", "red"), CObjectCallError);
}

}  // namespace
}  // namespace marklens::testing

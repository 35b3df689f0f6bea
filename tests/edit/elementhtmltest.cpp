#include <gtest/gtest.h>

#include "edit/elementhtml.h"
#include "model/objectcallerror.h"
#include "recordingelement.h"

namespace marklens::test {
namespace {

struct CRule {
    const char* tag;
    bool outer, inner, text;
};

TEST(ElementHtmlRules, FollowTheTagTable) {
    const CRule rules[] = {
        {"BODY", false, true, false},   {"CAPTION", false, true, false}, {"TD", false, true, false},
        {"TH", false, true, false},     {"TABLE", true, false, false},   {"TR", false, false, false},
        {"TBODY", false, false, false}, {"HTML", false, false, false},   {"STYLE", false, false, false},
        {"COL", false, false, false},   {"TITLE", false, false, true},   {"OPTION", true, true, true},
        {"SCRIPT", true, true, true},   {"COMMENT", true, true, true},   {"DIV", true, true, false},
        {"td", true, true, false},      {"title", true, true, false},    {"", true, true, false},
    };
    for (const CRule& rule : rules) {
        SCOPED_TRACE(rule.tag);
        EXPECT_EQ(CElementHtml::OuterEditable(rule.tag), rule.outer);
        EXPECT_EQ(CElementHtml::InnerEditable(rule.tag), rule.inner);
        EXPECT_EQ(CElementHtml::HasTextProperty(rule.tag), rule.text);
    }
}

TEST(ElementHtmlRead, TextOnlyForElementsWithATextProperty) {
    CRecordingElement element;
    element.outer = "<div>x</div>";
    element.inner = "x";
    element.text = "never read";
    const CElementHtml div = CElementHtml::Read(element, "DIV");
    EXPECT_EQ(div.outer, "<div>x</div>");
    EXPECT_EQ(div.inner, "x");
    EXPECT_EQ(div.text, "");
    EXPECT_TRUE(div.outerEditable && div.innerEditable);
    EXPECT_FALSE(div.textEditable);
    const CElementHtml option = CElementHtml::Read(element, "OPTION");
    EXPECT_EQ(option.text, "never read");
    EXPECT_TRUE(option.textEditable);
}

TEST(ElementHtmlRead, AFailingReadMakesOnlyThatModeReadOnlyAndEmpty) {
    CRecordingElement element;
    element.outer = "<option>o</option>";
    element.inner = "o";
    element.text = "o";
    element.innerFailure = 0x80004005;
    element.textFailure = 0x80004003;
    const CElementHtml html = CElementHtml::Read(element, "OPTION");
    EXPECT_TRUE(html.outerEditable);
    EXPECT_EQ(html.outer, "<option>o</option>");
    EXPECT_FALSE(html.innerEditable);
    EXPECT_EQ(html.inner, "");
    EXPECT_FALSE(html.textEditable);
    EXPECT_EQ(html.text, "");
}

TEST(ElementHtmlWrite, WritesInTheModeAndTextOnlyWhereThereIsOne) {
    CRecordingElement element;
    CElementHtml::Write(element, "TR", HtmlMode::Outer, "<tr></tr>");
    CElementHtml::Write(element, "TITLE", HtmlMode::Inner, "i");
    CElementHtml::Write(element, "DIV", HtmlMode::Text, "dropped");
    CElementHtml::Write(element, "COMMENT", HtmlMode::Text, "kept");
    EXPECT_EQ(element.writes, (std::vector<std::string>{"outer:<tr></tr>", "inner:i", "text:kept"}));
    element.writeFailure = 0x80004005;
    EXPECT_THROW(CElementHtml::Write(element, "DIV", HtmlMode::Inner, "x"), CObjectCallError);
    EXPECT_NO_THROW(CElementHtml::Write(element, "DIV", HtmlMode::Text, "x"));
}

}  // namespace
}  // namespace marklens::test

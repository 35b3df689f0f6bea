#include <gtest/gtest.h>

#include "edit/elementhtml.h"
#include "model/errors/objectcallerror.h"
#include "tests/support/recordingelement.h"

namespace marklens::test {
namespace {

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

#include <stdexcept>

#include <gtest/gtest.h>

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/mirrorrebuild.h"
#include "model/mirror/pagemirror.h"
#include "model/page/livepage.h"
#include "tests/support/syntheticmirror.h"

namespace marklens {
namespace {

TEST(PageMirrorLoad, RejectsWhatIsNotOneElement) {
    CPageMirror mirror;
    for (const char* text :
         {"", "   ", "<doc", "<doc></element>", "<a/><b/>", "just text", "<doc node-id=\"1\" node-id=\"2\"\x01/>",
          "<doc node-id=\"1\" text=\"x\"/>tail", "<doc node-id=\"1\" text=\"x\"/><doc/>"}) {
        EXPECT_FALSE(mirror.LoadXml(text)) << text;
        EXPECT_FALSE(mirror.LoadError().empty());
        EXPECT_FALSE(mirror.DocumentElement());
        EXPECT_EQ(mirror.HitTest(0, 0), 0);
        EXPECT_FALSE(mirror.FindNodeById(1));
    }
}

TEST(PageMirrorLoad, KeepsOnlyTheDocumentElement) {
    CPageMirror mirror;
    ASSERT_TRUE(mirror.LoadXml("<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<doc node-id=\"1\" text=\"doc - a\">\n"
                               "  <element node-id=\"2\" text=\"x\"/>\n</doc>\n<!-- after -->"));
    EXPECT_EQ(mirror.Xml().first_child(), mirror.DocumentElement());
    EXPECT_FALSE(mirror.DocumentElement().previous_sibling());
    EXPECT_FALSE(mirror.DocumentElement().next_sibling());
    // White-space-only text is gone: the element is the doc's only child.
    EXPECT_EQ(mirror.DocumentElement().first_child(), mirror.DocumentElement().last_child());
    mirror.MarkOutsideChildren();
    EXPECT_EQ(mirror.ToXml(),
              "<doc node-id=\"1\" text=\"doc - a\" outside-children=\"0\"><element node-id=\"2\" text=\"x\" "
              "outside-children=\"0\"/></doc>");
}

TEST(PageMirrorLoad, DeepMirrorNeedsNoDeepStack) {
    CPageMirror mirror;
    ASSERT_TRUE(mirror.LoadXml(testing::MakeDeepMirror(100000)));
    mirror.MarkOutsideChildren();
    EXPECT_EQ(mirror.HitTest(500, 500), 100001);
    EXPECT_EQ(HitTestLiteral(mirror.DocumentElement(), 500, 500), 100001);
    EXPECT_EQ(mirror.FindNodeById(100001).attribute("node-id").as_int(), 100001);
    EXPECT_GT(mirror.ToXml().size(), 100000u * 100);
}

// Stand-ins for the page and its probe: the rebuild sees only the interfaces.
class CFakePage : public ILivePage {
public:
    PageProbeHandle CreateProbe() override { return nullptr; }
    CPicture CapturePicture() override { return {}; }
};

class CFakeProbe : public IPageProbe {
public:
    std::string mirrorText;
    bool fail = false;

    std::string RequestMirror(ILivePage&, int reserved1, int reserved2) override {
        EXPECT_EQ(reserved1, 0);
        EXPECT_EQ(reserved2, 0);
        if (fail) throw CObjectCallError(status::kAccessDenied, "denied");
        return mirrorText;
    }
    std::string CurrentStyle(ILiveElement&, const std::string&) override { return {}; }
    LiveElementHandle ElementForId(const std::string&) override { return nullptr; }
    std::string StyleRules(ILiveElement&) override { return {}; }
};

class RebuildMirrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        probe_.mirrorText = "<doc node-id=\"1\" text=\"doc - one\"><element node-id=\"2\" text=\"a\" display=\"b\" "
                            "visibility=\"visible\" left=\"0\" top=\"0\" width=\"10\" height=\"10\"/></doc>";
        RebuildMirror(probe_, page_, mirror_);
    }
    CFakePage page_;
    CFakeProbe probe_;
    std::unique_ptr<CPageMirror> mirror_;
};

TEST_F(RebuildMirrorTest, LoadsAndMarks) {
    ASSERT_TRUE(mirror_);
    EXPECT_EQ(mirror_->HitTest(5, 5), 2);
    EXPECT_STREQ(mirror_->FindNodeById(2).attribute("outside-children").value(), "0");
}

TEST_F(RebuildMirrorTest, FailedProbeKeepsTheOldMirror) {
    const CPageMirror* old = mirror_.get();
    probe_.fail = true;
    try {
        RebuildMirror(probe_, page_, mirror_);
        FAIL() << "no error";
    } catch (const CObjectCallError& error) {
        EXPECT_EQ(error.Code(), status::kAccessDenied);
        EXPECT_EQ(error.Message(), "denied");
    }
    EXPECT_EQ(mirror_.get(), old);
    EXPECT_EQ(mirror_->HitTest(5, 5), 2);
}

TEST_F(RebuildMirrorTest, FailedLoadLeavesANewEmptyMirror) {
    probe_.mirrorText = "<doc><unclosed></doc>";
    try {
        RebuildMirror(probe_, page_, mirror_);
        FAIL() << "no error";
    } catch (const CObjectCallError& error) {
        EXPECT_EQ(error.Code(), status::kFail);
    }
    ASSERT_TRUE(mirror_);
    EXPECT_FALSE(mirror_->DocumentElement());
    EXPECT_EQ(mirror_->HitTest(5, 5), 0);
    EXPECT_FALSE(mirror_->FindNodeById(2));
}

TEST_F(RebuildMirrorTest, TwoRebuildsGiveIndependentMirrors) {
    const pugi::xml_node before = mirror_->FindNodeById(2);
    std::unique_ptr<CPageMirror> first = std::move(mirror_);
    probe_.mirrorText = "<doc node-id=\"5\" text=\"doc - two\"/>";
    RebuildMirror(probe_, page_, mirror_);
    EXPECT_FALSE(mirror_->FindNodeById(2));
    EXPECT_EQ(first->FindNodeById(2), before);
}

}  // namespace
}  // namespace marklens

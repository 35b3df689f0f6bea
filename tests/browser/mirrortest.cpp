#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "browser/chromiumprobe.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/probelocation.h"

#include "model/errors/objectcallerror.h"
#include "model/errors/statuscodes.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Mirror : public CBrowserSuite {};

TEST_F(Mirror, BoxesMatchThePicturePixelForPixel) {
    const LivePageHandle page = OpenPage("boxes.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const CPicture picture = page->CapturePicture();
    ASSERT_GT(picture.width, 600);
    ASSERT_GT(picture.height, 450);
    EXPECT_EQ(CheckColouredBoxes(*mirror, picture), 6);  // four of the top page, two in the frame

    const pugi::xml_node red = NodeWithLabel(*mirror, "c-ff0000");
    EXPECT_EQ(NodeBox(red), (CBox{10, 10, 130, 90}));
    // Inside the iframe: frame at 300,220 plus its 7 px border and 5 px padding.
    const pugi::xml_node cyan = NodeWithLabel(*mirror, "c-00ffff");
    EXPECT_EQ(NodeBox(cyan), (CBox{324, 241, 394, 291}));
    EXPECT_STREQ(cyan.parent().parent().parent().name(), "doc");
}

// Also a picture started at once, on the guess of the viewport before the scroll, which the
// scroll made wrong, and then of the right one.
TEST_F(Mirror, ScrolledPageStillMatchesThePicture) {
    const LivePageHandle page = OpenPage("boxes.html");
    const CPicture unscrolled = page->CapturePicture();
    Chrome().Evaluate(lastTarget_, "window.scrollTo(0, 250), new Promise(r => requestAnimationFrame(() => r(scrollY)))");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const CPicture guessedWrong = page->StartPictureAtOnce()->Take();
    const CPicture picture = page->CapturePicture();
    const CPicture guessedRight = page->StartPictureAtOnce()->Take();
    EXPECT_EQ(NodeBox(NodeWithLabel(*mirror, "c-ff0000")), (CBox{10, -240, 130, -160}));
    EXPECT_GE(CheckColouredBoxes(*mirror, picture), 5);
    EXPECT_FALSE(unscrolled.pixels == picture.pixels);
    for (const CPicture* atOnce : {&guessedWrong, &guessedRight}) {
        EXPECT_EQ(atOnce->width, picture.width);
        EXPECT_EQ(atOnce->scale, picture.scale);
        EXPECT_TRUE(atOnce->pixels == picture.pixels);
    }
}

TEST_F(Mirror, ComputedStatesAndStructure) {
    const LivePageHandle page = OpenPage("states.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const pugi::xml_node root = mirror->DocumentElement();
    EXPECT_STREQ(root.name(), "doc");
    EXPECT_EQ(StringAttribute(root, "text"), "doc - States");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "<HEAD"), "text"), "<HEAD>");

    // z-index is the paint order: 7 over auto over -3, and below -3 the root's own background.
    const auto z = [&mirror](const char* label) { return IntAttribute(NodeWithLabel(*mirror, label), "z-index"); };
    EXPECT_GT(z("\"raised\""), z("\"plain\""));
    EXPECT_GT(z("\"plain\""), z("\"sunk\""));
    EXPECT_GT(z("\"sunk\""), z("<HTML"));
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"gone\""), "display"), "none");
    // Nothing below a display:none element is rendered; the subtree reads as none.
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"under-gone\""), "display"), "none");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"inline\""), "display"), "inline");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"hidden\""), "visibility"), "hidden");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"shown-again\""), "visibility"), "visible");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"ghost\""), "transparent"), "1");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"ghost-child\""), "transparent"), "1");  // inherited
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"plain\""), "transparent"), "0");
    // The raised layer wins the hit test over the plain and sunk ones on the same spot.
    EXPECT_EQ(mirror->HitTest(10, 10), IntAttribute(NodeWithLabel(*mirror, "\"raised\""), "node-id"));

    const pugi::xml_node comment = NodeWithLabel(*mirror, "<COMMENT");
    ASSERT_TRUE(comment);
    EXPECT_EQ(StringAttribute(comment, "text"), "<COMMENT> a note");
    EXPECT_TRUE(NodeBox(comment).IsEmpty());

    // Identifiers count 1, 2, 3 ... in document order, and every box node has a display.
    int expected = 1;
    for (const pugi::xpath_node& hit : mirror->Xml().select_nodes("//*")) {
        EXPECT_EQ(StringAttribute(hit.node(), "node-id"), std::to_string(expected++));
        if (std::string(hit.node().name()) != "doc") {
            EXPECT_TRUE(hit.node().attribute("display"));
        }
    }
    // Each request numbers afresh.
    const auto again = CBrowserSuite::Mirror(*probe, *page);
    EXPECT_EQ(again->ToXml(), mirror->ToXml());
}

TEST_F(Mirror, PageThatLiesToScriptsStillGivesATrueMirror) {
    const LivePageHandle page = OpenPage("hostile.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    EXPECT_EQ(StringAttribute(mirror->DocumentElement(), "text"), "doc - Hostile & \"quoted\" <title>");
    const pugi::xml_node target = NodeWithLabel(*mirror, "\"target\"");
    EXPECT_EQ(NodeBox(target), (CBox{33, 44, 88, 110}));
    EXPECT_EQ(StringAttribute(target, "display"), "block");
    EXPECT_EQ(StringAttribute(target, "transparent"), "0");
    // A box scaled past any pixel count still covers the viewport.
    const CBox huge = NodeBox(NodeWithLabel(*mirror, "\"huge\""));
    EXPECT_TRUE(huge.Contains(0, 0) && huge.Contains(799, 599)) << huge.left << "," << huge.top << "," << huge.right;
    // Named controls do not stand in for the form's own id and children.
    const pugi::xml_node form = NodeWithLabel(*mirror, "<FORM id=\"form\">");
    ASSERT_TRUE(form);
    EXPECT_EQ(std::distance(form.children().begin(), form.children().end()), 3);
    EXPECT_TRUE(NodeWithLabel(*mirror, "<IMG>"));
    // The page's claimed pixel ratio does not scale the picture.
    const CPicture picture = page->CapturePicture();
    EXPECT_EQ(std::to_string(picture.width), Chrome().Evaluate(lastTarget_, "innerWidth"));  // no scroll bar
    EXPECT_EQ(picture.scale, 1.0);
}

TEST_F(Mirror, HostileLabelsAreCutAndCarryOnlyXmlCharacters) {
    const LivePageHandle page = OpenPage("hostile.html");
    const PageProbeHandle probe = page->CreateProbe();
    const std::string text = probe->RequestMirror(*page, 0, 0);
    CPageMirror mirror;
    ASSERT_TRUE(mirror.LoadXml(text)) << mirror.LoadError();
    const std::string bad = StringAttribute(NodeWithLabel(mirror, "ctl"), "text");
    EXPECT_EQ(bad.find('\x01'), std::string::npos);
    EXPECT_NE(bad.find("\xF0\x9F\x98\x80"), std::string::npos) << "a surrogate pair is one character";
    EXPECT_NE(bad.find("-lone\xEF\xBF\xBD-low\xEF\xBF\xBD-pair"), std::string::npos) << bad;
    EXPECT_NE(bad.find("\"quotes\" <angle> & amp ]]>"), std::string::npos);
    EXPECT_EQ(bad.find('\n'), std::string::npos);
    EXPECT_LT(bad.size(), 400u);
    const std::string comment = StringAttribute(NodeWithLabel(mirror, "<COMMENT"), "text");
    EXPECT_EQ(comment, "<COMMENT> comment with -- and \xEF\xBF\xBD and <tag>");
    // No surrogate pair is split where the records are cut into parts.
    std::string pairs;
    for (int i = 0; i < 40; ++i)
        pairs += "\xF0\x9F\x98\x80";
    int intact = 0;
    for (const pugi::xpath_node span : mirror.Xml().select_nodes("//element[starts-with(@text, '<SPAN')]")) {
        const std::string label = StringAttribute(span.node(), "text");
        intact += label == "<SPAN class=\"" + pairs + "...\">" ? 1 : 0;
    }
    EXPECT_EQ(intact, 20000);
}

TEST_F(Mirror, HundredThousandDeepPageWalks) {
    const LivePageHandle page = OpenPage("deep.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const pugi::xml_node bottom = NodeWithLabel(*mirror, "\"bottom\"");
    ASSERT_TRUE(bottom);
    const int id = IntAttribute(bottom, "node-id");
    EXPECT_GT(id, 100000);
    const LiveElementHandle element = probe->ElementForId(std::to_string(id));
    ASSERT_TRUE(element);
    EXPECT_EQ(element->TagName(), "DIV");
}

// A frame of another origin is walked by a probe of its own: its elements stand where those of a
// frame of the page's origin would.
TEST_F(Mirror, OtherOriginFrameIsWalkedLikeTheSameOrigin) {
    const LivePageHandle page = OpenPage("crossorigin.html?other=" + std::to_string(Pages().Port(1)));
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const pugi::xml_node other = NodeWithLabel(*mirror, "\"other\"");
    const pugi::xml_node same = NodeWithLabel(*mirror, "\"same\"");
    ASSERT_STREQ(other.name(), "frame");
    ASSERT_STREQ(same.name(), "frame");
    ASSERT_STREQ(other.first_child().name(), "doc");
    EXPECT_EQ(StringAttribute(other.first_child(), "text"), "doc - Inner boxes");
    EXPECT_EQ(StringAttribute(same.first_child(), "text"), "doc - Inner boxes");
    const char* cyan = ".//element[contains(@text, '\"c-00ffff\"')]";
    const pugi::xml_node otherCyan = other.select_node(cyan).node();
    const pugi::xml_node sameCyan = same.select_node(cyan).node();
    ASSERT_TRUE(otherCyan);
    ASSERT_TRUE(sameCyan);
    const CBox otherFrame = NodeBox(other), sameFrame = NodeBox(same);
    const CBox otherBox = NodeBox(otherCyan), sameBox = NodeBox(sameCyan);
    EXPECT_EQ(otherBox.left - otherFrame.left, sameBox.left - sameFrame.left);
    EXPECT_EQ(otherBox.top - otherFrame.top, sameBox.top - sameFrame.top);
    EXPECT_EQ(otherBox.right - otherBox.left, 70);
    EXPECT_EQ(mirror->HitTest(otherBox.left + 5, otherBox.top + 5), IntAttribute(otherCyan, "node-id"));
}

// Frames of this site on another port and of another site, each holding frames of both kinds:
// their elements stand under their frames where the browser shows them, node identifiers
// stay unique, and the style questions and edits reach them through their own frames.
TEST_F(Mirror, FramesOfOtherOriginsTwoDeep) {
    const LivePageHandle page = OpenPage("frames.html?other=" + std::to_string(Pages().Port(1)));
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const auto element = [&](const std::string& path) {
        const pugi::xml_node node = mirror->Xml().select_node(path.c_str()).node();
        EXPECT_TRUE(node) << path;
        return node;
    };
    const std::string near = "//frame[contains(@text, '\"near\"')]";
    const std::string far = "//frame[contains(@text, '\"far\"')]";
    const auto label = [](const char* id) { return "//element[contains(@text, 'id=\"" + std::string(id) + "\"')]"; };
    // Frames' viewports: near at 27,67, far at 367,67; their own frames 10 px right, 112 down.
    const std::pair<std::string, CBox> expected[] = {
        {near + label("pinned"), {177, 73, 237, 123}},
        {far + label("pinned"), {517, 73, 577, 123}},
        {near + "//frame[contains(@text, '\"n1\"')]" + label("leaf-box"), {41, 183, 91, 213}},
        {far + "//frame[contains(@text, '\"n1\"')]" + label("leaf-box"), {381, 183, 431, 213}},
        {far + "//frame[contains(@text, '\"n2\"')]" + label("leaf-box"), {543, 183, 593, 213}},
    };
    std::set<int> ids;
    for (const auto& [path, box] : expected) {
        const pugi::xml_node node = element(path);
        if (!node) continue;
        const CBox found = NodeBox(node);
        EXPECT_EQ(std::tuple(found.left, found.top, found.right, found.bottom),
                  std::tuple(box.left, box.top, box.right, box.bottom))
            << path;
        const int id = IntAttribute(node, "node-id");
        ids.insert(id);
        EXPECT_EQ(mirror->HitTest(box.left + 2, box.top + 2), id) << path;
        const LiveElementHandle live = probe->ElementForId(std::to_string(id));
        ASSERT_TRUE(live) << path;
        EXPECT_NE(live->OuterHtml().find(path.substr(path.rfind("id=") + 4, 6)), std::string::npos) << path;
    }
    EXPECT_EQ(ids.size(), std::size(expected));
    // Walked again (a Refresh), with the frames' probes of the first walk: the same mirror.
    EXPECT_EQ(CBrowserSuite::Mirror(*probe, *page)->ToXml(), mirror->ToXml());

    // Another site's element: its current style, its rules, a style set and read back.
    const LiveElementHandle pinned =
        probe->ElementForId(std::to_string(IntAttribute(element(far + label("pinned")), "node-id")));
    ASSERT_TRUE(pinned);
    const std::string catalog =
        "<attribs><attrib name=\"position\" default=\"static\"/>"
        "<attrib name=\"background-color\" default=\"\"/></attribs>";
    const CStyleTexts texts = probe->StyleTexts(*pinned, &catalog, true);
    ASSERT_TRUE(texts.currentStyle);
    ASSERT_TRUE(texts.rules);
    EXPECT_NE(texts.currentStyle->find("current=\"absolute\""), std::string::npos) << *texts.currentStyle;
    EXPECT_NE(texts.rules->find("#pinned"), std::string::npos) << *texts.rules;
    EXPECT_NE(texts.rules->find("http://localhost:"), std::string::npos) << *texts.rules;
    pinned->SetStyleAttribute("background-color", "rgb(1, 2, 3)");
    EXPECT_NE(probe->CurrentStyle(*pinned, catalog).find("rgb(1, 2, 3)"), std::string::npos);
}

// A frame of another process that stops answering stays empty, and the page attaches within
// the time the frames may take.
TEST_F(Mirror, FrameThatDoesNotAnswerStaysEmpty) {
    const LivePageHandle page = OpenPage("framehang.html?other=" + std::to_string(Pages().Port(1)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const PageProbeHandle probe = page->CreateProbe();
    const auto start = std::chrono::steady_clock::now();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    EXPECT_LT(std::chrono::steady_clock::now() - start, CChromiumProbe::kFramesBudget + std::chrono::seconds(2));
    const pugi::xml_node frame = NodeWithLabel(*mirror, "\"stuck\"");
    ASSERT_STREQ(frame.name(), "frame");
    EXPECT_FALSE(frame.first_child().first_child());
    EXPECT_TRUE(NodeWithLabel(*mirror, "\"after\""));
    Chrome().CloseTab(lastTarget_);
}

TEST_F(Mirror, NavigatedTabGetsAFreshProbe) {
    const LivePageHandle page = OpenPage("states.html");
    const PageProbeHandle probe = page->CreateProbe();
    EXPECT_EQ(StringAttribute(CBrowserSuite::Mirror(*probe, *page)->DocumentElement(), "text"), "doc - States");
    const LiveElementHandle old = probe->ElementForId("3");
    ASSERT_TRUE(old);
    Chrome().Evaluate(lastTarget_, "location.href = '" + Pages().Url(0, "titled.html?x") + "', 1");
    for (int i = 0; i < 200; ++i) {
        try {
            if (Chrome().Evaluate(lastTarget_, "document.readyState === 'complete' && document.title") ==
                "\"Same title\"") {
                break;
            }
        } catch (const std::exception&) {
            // the old document went away under the question
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(StringAttribute(CBrowserSuite::Mirror(*probe, *page)->DocumentElement(), "text"), "doc - Same title");
    // An element of the old document fails cleanly.
    EXPECT_THROW(old->TagName(), CObjectCallError);
}

TEST_F(Mirror, ProbeThatThePageRefusesIsAccessDenied) {
    const CProbeFile refused("refused-probe.js", "throw new Error('not here');");
    lastTarget_ = Chrome().OpenTab(Pages().Url(0, "states.html"));
    CBrowserOptions options = Options();
    options.probePath = refused.Path();
    CChromiumShell shell(options);
    for (const BrowserWindowHandle& tab : shell.EnumerateBrowsers()) {
        if (tab->Label() != "States") continue;
        try {
            tab->Document()->CreateProbe();
            ADD_FAILURE() << "the probe was accepted";
        } catch (const CObjectCallError& error) {
            EXPECT_EQ(error.Code(), status::kAccessDenied);
            EXPECT_NE(error.Message().find("not here"), std::string::npos);
        }
    }
}

// Shadow trees, open and closed (one inside another), stand under their hosts before the
// light children; slotted children are where the DOM has them, an unassigned one is not
// rendered; generated content is an element with its pseudo name and the browser's box.
TEST_F(Mirror, ShadowTreesAndGeneratedContentStandWhereTheDomHasThem) {
    const LivePageHandle page = OpenPage("shadow.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const auto first = [](pugi::xml_node node) { return std::string(node.first_child().name()); };
    const pugi::xml_node card = NodeWithLabel(*mirror, "\"card\"");
    ASSERT_TRUE(card);
    EXPECT_EQ(first(card), "shadow-root");
    EXPECT_EQ(StringAttribute(card.first_child(), "text"), "#shadow-root (open)");
    EXPECT_FALSE(card.first_child().attribute("left"));
    EXPECT_TRUE(NodeWithLabel(*mirror, "\"card-frame\""));
    EXPECT_EQ(StringAttribute(card.first_child().next_sibling(), "text"), "<H3 id=\"title\">");
    EXPECT_EQ(StringAttribute(NodeWithLabel(*mirror, "\"unassigned\""), "display"), "none");
    const pugi::xml_node secret = NodeWithLabel(*mirror, "\"secret\"");
    EXPECT_EQ(StringAttribute(secret.first_child(), "text"), "#shadow-root (closed)");
    const pugi::xml_node badge = NodeWithLabel(*mirror, "\"badge-text\"");
    ASSERT_TRUE(badge);  // in a closed root inside a closed root
    EXPECT_EQ(StringAttribute(badge.parent(), "text"), "#shadow-root (closed)");
    EXPECT_TRUE(NodeWithLabel(*mirror, "\"plain-inner\""));
    const pugi::xml_node far = NodeWithLabel(*mirror, "\"far\"");
    EXPECT_EQ(StringAttribute(far, "outside-children"), "1");
    const pugi::xml_node note = NodeWithLabel(*mirror, "\"note\"");
    EXPECT_EQ(StringAttribute(note.first_child(), "text"), "::before");
    EXPECT_EQ(StringAttribute(note.first_child(), "pseudo"), "before");
    EXPECT_EQ(StringAttribute(note.last_child(), "pseudo"), "after");
    EXPECT_NEAR(NodeBox(note.last_child()).right - NodeBox(note.last_child()).left, 30, 1);  // whole pixels it touches
    const pugi::xml_node item = NodeWithLabel(*mirror, "\"item-one\"");
    EXPECT_EQ(StringAttribute(item.first_child(), "pseudo"), "marker");
    EXPECT_LT(NodeBox(item.first_child()).left, NodeBox(item).left);  // an outside marker
    EXPECT_EQ(StringAttribute(item, "outside-children"), "1");
}

}  // namespace
}  // namespace marklens::testing

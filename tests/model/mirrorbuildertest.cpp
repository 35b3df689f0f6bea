#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/errors/malformedanswer.h"
#include "model/mirror/mirroroutline.h"
#include "model/mirror/mirrorpatch.h"
#include "model/mirror/mirrorreading.h"
#include "model/mirror/pagemirror.h"
#include "model/mirror/stableids.h"

namespace marklens {
namespace {

int NodeIdWithLabel(const CPageMirror& mirror, const char* label) {
    for (int id = 1; mirror.FindNodeById(id); ++id) {
        if (StringAttribute(mirror.FindNodeById(id), "text").find(label) != std::string::npos) return id;
    }
    return 0;
}

// The outline the builder makes beside the text is the one the tree would give.
void ExpectOutlineOfTheTree(const CPageMirror& mirror) {
    const OutlineHandle built = mirror.Outline();
    const CMirrorOutline read(mirror.DocumentElement());
    ASSERT_EQ(built->Count(), read.Count());
    for (int item = 0; item < read.Count(); ++item) {
        const auto& [a, b] = std::pair{built->Item(item), read.Item(item)};
        EXPECT_EQ(std::tie(a.parent, a.row, a.childStart, a.childCount, a.nodeId, a.kind),
                  std::tie(b.parent, b.row, b.childStart, b.childCount, b.nodeId, b.kind));
        EXPECT_EQ(built->Label(item), read.Label(item));
    }
}

TEST(MirrorBuilder, RecordsBecomeTheMarkedMirror) {
    CPageMirror mirror;
    mirror.BuildFromRecords(
        "D9,doc - A&B\n"
        "kblock,visible,0,0,2,\n"
        "n4,5,5,HTMLx\"<'yA & B\n"
        "E0,0,1,2,3,4,\n"
        "c6,a<b>&c\n"
        "kinline,hidden,1,-2,3,\n"
        "n6,0,0,IFRAME\n"
        "F1,1,4,4,7,8,\n"  // the corner counted from the last box's
        "d3,\xC3\xA9\xF0\x9F\x98\x80\n)\n"
        "knone,visible,0,0,0,\n"
        "n4,0,0,HEAD\n"
        "e2,2,\n"
        ")\n)\n");
    const pugi::xml_node html = mirror.FindNodeById(2);
    const std::string start =
        "<doc node-id=\"1\" text=\"doc - A&amp;B\" outside-children=\"1\"><element node-id=\"2\" "
        "text=\"&lt;HTML id=&quot;x&quot;&lt;'y&quot; class=&quot;A &amp; B&quot;>\" left=\"1\" top=\"2\" "
        "width=\"3\" height=\"4\" z-index=\"1\" display=\"block\" visibility=\"visible\" transparent=\"0\"";
    EXPECT_EQ(mirror.ToXml().substr(0, start.size()), start);
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(3), "text"), "<COMMENT> a<b>&c");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(3), "display"), "none");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(4), "visibility"), "hidden");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(4), "transparent"), "1");
    EXPECT_STREQ(mirror.FindNodeById(4).name(), "frame");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(5), "text"), "\xC3\xA9\xF0\x9F\x98\x80");  // three UTF-16 units
    EXPECT_STREQ(mirror.FindNodeById(5).parent().name(), "frame");
    EXPECT_EQ(NodeBox(mirror.FindNodeById(4)), (CBox{5, 6, 12, 14}));
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(6), "z-index"), "0");  // not rendered
    // A negative layer paints above its context's own background, below its in-flow content.
    EXPECT_LT(IntAttribute(html, "z-index"), IntAttribute(mirror.FindNodeById(4), "z-index"));
    EXPECT_EQ(StringAttribute(html, "outside-children"), "1");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(6), "outside-children"), "0");
    EXPECT_FALSE(mirror.FindNodeById(7));
    // The built mirror reads back the same through the XML.
    CPageMirror reloaded;
    ASSERT_TRUE(reloaded.LoadXml(mirror.ToXml()));
    reloaded.MarkOutsideChildren();
    EXPECT_EQ(reloaded.ToXml(), mirror.ToXml());
    ExpectOutlineOfTheTree(mirror);
    CPageMirror generated;
    generated.BuildFromRecords(
        "D4,doc \nkblock,visible,0,0,2,\nn4,0,0,HTML\nE0,0,0,0,9,9,\nn8,0,0,::before\n"
        "e0,1,0,0,5,5,\nc0,\n)\n)\n");
    ExpectOutlineOfTheTree(generated);
}

// Paint flags: 1 positioned layer, 2 stacking context, 4 float, 8 top layer.
TEST(MirrorBuilder, ZIndexIsThePaintOrderAcrossTheWholeMirror) {
    CPageMirror mirror;
    mirror.BuildFromRecords(
        "D1,d\n"
        "kblock,visible,0,0,2,\nkblock,visible,0,10,3,\nkblock,visible,0,9999,3,\nkblock,visible,0,11,3,\n"
        "kblock,visible,0,0,0,\nkblock,visible,0,-1,3,\nkblock,visible,0,0,4,\nkblock,visible,0,0,1,\n"
        "kblock,visible,0,0,11,\n"
        "n4,0,0,HTML\nn6,0,0,HEADER\nn4,4,0,MENUmenu\nn6,0,0,BANNER\nn4,0,0,MAIN\n"
        "n5,0,0,UNDER\nn5,0,0,FLOAT\nn5,0,0,BLOCK\nn3,0,0,POS\nn6,0,0,DIALOG\n"
        "E0,0,0,0,400,400,\n"
        "E1,1,0,0,400,50,\n"
        "e2,2,150,0,50,300,\n"
        ")\n"
        "e3,3,-150,40,400,40,\n"
        "E4,4,0,60,400,300,\n"
        "e5,5,0,280,50,50,\n"
        "e6,6,50,-280,100,100,\n"
        "e4,7,-50,50,400,100,\n"
        "e7,8,300,-50,100,100,\n"
        "e8,9,-160,40,50,50,\n"
        ")\n)\n)\n");
    const auto at = [&mirror](int x, int y) { return mirror.HitTest(x, y); };
    EXPECT_EQ(at(100, 45), NodeIdWithLabel(mirror, "BANNER")) << "11 outside beats 10 around 9999";
    EXPECT_EQ(at(170, 90), NodeIdWithLabel(mirror, "MENU"));
    EXPECT_EQ(at(170, 120), NodeIdWithLabel(mirror, "MENU")) << "a context's layers stay above in-flow content";
    EXPECT_EQ(at(10, 385), NodeIdWithLabel(mirror, "MAIN")) << "negative below in-flow";
    EXPECT_EQ(at(10, 420), NodeIdWithLabel(mirror, "UNDER")) << "negative above the root's background";
    EXPECT_EQ(at(75, 175), NodeIdWithLabel(mirror, "FLOAT")) << "a float above later in-flow blocks";
    EXPECT_EQ(at(320, 160), NodeIdWithLabel(mirror, "POS"));
    EXPECT_EQ(at(170, 150), NodeIdWithLabel(mirror, "DIALOG")) << "the top layer above everything";
    // The index answers what the literal walk over the XML answers.
    for (int y = -5; y < 440; y += 5) {
        for (int x = -5; x < 420; x += 5) {
            ASSERT_EQ(mirror.HitTest(x, y), HitTestLiteral(mirror.DocumentElement(), x, y)) << x << "," << y;
        }
    }
}

// A host's shadow tree: a box-less node under the host, before the light children, that hit
// testing passes through; a slotted light child paints where its slot is (here inside a
// positioned wrapper), so it is found above the wrapper rather than under it.
TEST(MirrorBuilder, ShadowRootsPassHitsThroughAndSlottedElementsPaintAtTheirSlot) {
    const std::string host =
        "D4,doc \n"
        "kblock,visible,0,0,2,\nn4,0,0,HTML\nE0,0,0,0,100,100,\n"
        "kblock,visible,0,0,0,\nn4,0,0,HOST\nE1,1,10,10,50,50,\n"
        "S21,#shadow-root (closed)\n"
        "kblock,visible,0,0,1,\nn3,0,0,DIV\nE2,2,0,0,50,50,\n"
        "n4,0,0,SLOT\ne1,3,0,0,50,50,\n)\n)\n"
        "n4,0,0,SPAN\n";
    const std::string tail = "e1,4,5,5,10,10,\n)\n)\n)\n";
    CPageMirror slotted;
    slotted.BuildFromRecords(host + "q6,\n" + tail);
    const pugi::xml_node root = slotted.FindNodeById(4);
    EXPECT_STREQ(root.name(), "shadow-root");
    EXPECT_EQ(StringAttribute(root, "text"), "#shadow-root (closed)");
    EXPECT_FALSE(root.attribute("left"));
    EXPECT_EQ(root.next_sibling().attribute("node-id").as_int(), 7);
    EXPECT_EQ(slotted.HitTest(20, 20), 7);
    EXPECT_EQ(HitTestLiteral(slotted.DocumentElement(), 20, 20), 7);
    EXPECT_EQ(slotted.HitTest(50, 50), 6);  // the slot, through the box-less shadow root
    CPageMirror unslotted;
    unslotted.BuildFromRecords(host + tail);
    EXPECT_NE(unslotted.HitTest(20, 20), 7);
    CPageMirror reloaded;
    ASSERT_TRUE(reloaded.LoadXml(slotted.ToXml()));
    reloaded.MarkOutsideChildren();
    EXPECT_EQ(reloaded.ToXml(), slotted.ToXml());
    ExpectOutlineOfTheTree(slotted);
}

// An image map's areas are hit where their shapes hold the point, by the index and by the
// walk over the XML alike, and their shapes survive a reload of the mirror text.
TEST(MirrorBuilder, AreasAreHitOverTheirShapesOnly) {
    const std::string records =
        "D4,doc \n"
        "kblock,visible,0,0,2,\nn4,0,0,HTML\nE0,0,0,0,200,200,\n"
        "kinline,visible,0,0,0,\nn3,0,0,IMG\ne1,1,0,0,200,100,\n"
        "n4,0,0,AREA\na17,circle 50 50 40.5\nq3,\ne1,2,9,9,83,83,\n"
        "a28,poly 110 10 190 10 150 90.25\nq3,\ne1,2,101,1,90,81,\n)\n)\n";
    CPageMirror mirror;
    mirror.BuildFromRecords(records);
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(4), "shape"), "circle 50 50 40.5");
    CPageMirror reloaded;
    ASSERT_TRUE(reloaded.LoadXml(mirror.ToXml()));
    const std::pair<std::pair<int, int>, int> expected[] = {{{50, 50}, 4},  {{15, 15}, 3},  {{50, 90}, 4},
                                                            {{150, 20}, 5}, {{112, 80}, 3}, {{150, 89}, 5}};
    for (const auto& [point, id] : expected) {
        EXPECT_EQ(mirror.HitTest(point.first, point.second), id) << point.first << "," << point.second;
        EXPECT_EQ(HitTestLiteral(mirror.DocumentElement(), point.first, point.second), id);
        EXPECT_EQ(reloaded.HitTest(point.first, point.second), id);
    }
}

// A frame's own records, walked apart, stand for its document: their looks, labels and box
// corners count afresh, and the page's records go on after them where they left off.
TEST(MirrorBuilder, FrameRecordsCountAfreshInsideTheirFrame) {
    CPageMirror mirror;
    mirror.BuildFromRecords(
        "D4,doc \n"
        "kblock,visible,0,0,2,\nn4,0,0,HTML\nE0,0,0,0,800,600,\n"
        "n6,0,0,IFRAME\nF0,1,100,100,200,100,\n"
        "[\nD5,inner\nkinline,visible,0,0,0,\nn3,0,0,DIV\ne0,0,110,120,10,10,\n)\n]\n)\n"
        "n4,0,0,SPAN\ne0,2,5,5,10,10,\n"
        ")\n)\n");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(4), "text"), "inner");
    EXPECT_STREQ(mirror.FindNodeById(4).parent().name(), "frame");
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(5), "display"), "inline");
    EXPECT_EQ(NodeBox(mirror.FindNodeById(5)), (CBox{110, 120, 120, 130}));
    EXPECT_EQ(StringAttribute(mirror.FindNodeById(6), "display"), "block");
    EXPECT_NE(StringAttribute(mirror.FindNodeById(6), "text").find("SPAN"), std::string::npos);
    EXPECT_EQ(NodeBox(mirror.FindNodeById(6)), (CBox{105, 105, 115, 115}));
    EXPECT_EQ(mirror.HitTest(115, 125), 5);
}

TEST(MirrorBuilder, MalformedRecordsFailAndLeaveAnEmptyMirror) {
    using namespace std::string_view_literals;
    for (const std::string_view bad : std::initializer_list<std::string_view>{
             "",
             "D",
             "D5,ab\n)\n",
             "D1,a\n",
             "D1,a\n)\n)\n",
             "D1,a\n)\nD1,b\n)\n",
             "D1,a\n)\nx",
             "kblock,visible,0,0,0,\nn1,0,0,P\ne0,0,0,0,0,0,\n",
             "D1,a\nE1,2,3\n)\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,P\nex,0,0,0,0,0,\n)\n",
             "D1,a\nq\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,P\ne0,0,0,,0,0,\n)\n",
             "D1,a\nn1,-1,0,P\n)\n",
             "D1,a\nn1,0,0,P\ne0,0,0,0,0,0,\n)\n",
             "D1,a\nkblock,visible,0,0,0,\ne0,0,0,0,0,0,\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,P\ne0,1,0,0,0,0,\n)\n",
             "D1,a\nkblock,visible\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,P\ne0,0,\n)\n",
             "D-1,a\n)\n",
             "D2,\xF0\x9F\x98\x80x\n)\n",
             "D1,\t\n)\n",
             "D1,a\nS1,b\n)\n)\n",    // a shadow root of a document
             "D1,a\nq1,\nc1,x\n)\n",  // a slot record not before its element
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,P\nq9,\ne0,0,0,0,1,1,\n)\n",
             "D1,a\n[\n]\n)\n",  // a frame's records outside a frame
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,F\nF0,0,0,0,1,1,\n[\n]\n)\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,F\nF0,0,0,0,1,1,\n[\nD1,b\n)\n)\n)\n",
             "D1,a\nkblock,visible,0,0,0,\nn1,0,0,F\nF0,0,0,0,1,1,\n[\nD1,b\ne0,0,\n)\n]\n)\n)\n",
             "D1,a\na12,circle 1 1 1\nkblock,visible,0,0,0,\n)\n",  // a shape without its element
             "D1,a\na12,circle 1 1 x\n)\n",                         // not a shape
             "D1,a\na14,poly 1 2 3 4 5\n)\n",                       // an odd polygon
             "D1,a\na12,square 1 2 3\n)\n"}) {
        CPageMirror mirror;
        EXPECT_THROW(mirror.BuildFromRecords(bad), CMalformedAnswer) << std::string(bad);
        EXPECT_FALSE(mirror.DocumentElement()) << std::string(bad);
        EXPECT_EQ(mirror.HitTest(0, 0), 0);
        EXPECT_FALSE(mirror.FindNodeById(1));
    }
}

// Identifiers carry over by the previous numbers, a node named twice keeps its identifier once,
// and none is given again: on a few nodes, then after a page made thousands more than it keeps.
TEST(StableIds, IdentifiersCarryOverAndAreNeverGivenTwice) {
    CStableIds ids;
    EXPECT_EQ(ids.Assign({}, 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ids.Assign({1, 0, 2, 2}, 4), (std::vector<int>{1, 4, 2, 5}));
    EXPECT_EQ(std::tuple(ids.NumberOf(4), ids.NumberOf(5), ids.NumberOf(3), ids.NumberOf(99)), std::tuple(2, 4, 0, 0));
    ids.Assign(std::vector<int>(6000, 0), 6000);  // all new: identifiers 6 to 6005
    EXPECT_EQ(ids.Assign({6000, 0, 6000, 7}, 4), (std::vector<int>{6005, 6006, 6007, 12}));
    EXPECT_EQ(std::tuple(ids.NumberOf(6005), ids.NumberOf(6007), ids.NumberOf(12), ids.NumberOf(6)),
              std::tuple(1, 3, 4, 0));
}

// Patches of the walks of a page whose box keeps growing: each writes the box into the mirror
// shown, and a mirror patched over and over is made whole now and then.
TEST(MirrorPatch, APatchedMirrorIsMadeWholeNowAndThen) {
    const auto records = [](int width) {
        return "D4,page\nkblock,visible,0,0,0,\nn3,1,0,DIVa\ne0,0,0,0," + std::to_string(width) + ",10,\n)\n";
    };
    const std::vector<int> ids{1, 2};
    CPageMirror mirror;
    mirror.BuildKeepingFacts(records(1), &ids);
    std::vector<int> whole;
    for (int width = 2; width <= 70; ++width) {
        CMirrorPatch patch(records(width), ids, ids, mirror.Facts());
        if (patch.Pays()) {
            ASSERT_TRUE(mirror.Apply(patch));
        } else {
            whole.push_back(width);
            mirror.BuildFromPatch(patch);
        }
        ASSERT_EQ(IntAttribute(mirror.FindNodeById(2), "width"), width);
    }
    EXPECT_EQ(whole, (std::vector<int>{66}));
}

}  // namespace
}  // namespace marklens

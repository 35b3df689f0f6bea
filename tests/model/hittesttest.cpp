#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/mirror/pagemirror.h"
#include "model/page/picture.h"
#include "tests/support/syntheticmirror.h"

namespace marklens {
namespace {

struct CNode {
    int id;
    int left, top, width, height;
    std::string extra = "";  // more attributes, or a replacement of the defaults below
};

// <element> with visible, block and z 0 unless extra says otherwise.
std::string Element(const CNode& node, const std::string& children = "", const char* name = "element") {
    std::string text = std::string("<") + name + " node-id=\"" + std::to_string(node.id) + "\" text=\"n\" left=\"" +
                       std::to_string(node.left) + "\" top=\"" + std::to_string(node.top) + "\" width=\"" +
                       std::to_string(node.width) + "\" height=\"" + std::to_string(node.height) + "\"";
    auto add = [&](const char* attribute, const char* value) {
        if (node.extra.find(std::string(attribute) + "=") == std::string::npos) text += std::string(" ") + attribute + "=\"" + value + "\"";
    };
    add("display", "block");
    add("visibility", "visible");
    add("z-index", "0");
    text += " " + node.extra;
    return children.empty() ? text + "/>" : text + ">" + children + "</" + name + ">";
}

std::string Doc(const std::string& children) { return "<doc node-id=\"1\" text=\"doc - t\">" + children + "</doc>"; }

// Hit tests with both the literal walk and the index, which must agree on result and box.
class HitTest : public ::testing::Test {
protected:
    void Load(const std::string& text) {
        ASSERT_TRUE(mirror_.LoadXml(text)) << mirror_.LoadError();
        mirror_.MarkOutsideChildren();
    }
    int At(int x, int y) {
        CBox literalBox, indexedBox;
        const int literal = HitTestLiteral(mirror_.DocumentElement(), x, y, &literalBox);
        const int indexed = mirror_.HitTest(x, y, &indexedBox);
        EXPECT_EQ(literal, indexed) << "at " << x << "," << y;
        if (literal != 0) {
            EXPECT_EQ(literalBox, indexedBox);
        }
        box_ = indexedBox;
        return indexed;
    }
    CPageMirror mirror_;
    CBox box_;
};

TEST_F(HitTest, NothingLoadedOrNothingThere) {
    EXPECT_EQ(mirror_.HitTest(1, 1), 0);
    Load(Doc(""));
    EXPECT_EQ(At(0, 0), 0);
    Load(Doc(Element({2, 10, 10, 10, 10})));
    EXPECT_EQ(At(9, 10), 0);
    EXPECT_EQ(At(20, 10), 0);
    EXPECT_EQ(At(10, 10), 2);
    EXPECT_EQ(box_, (CBox{10, 10, 20, 20}));
}

TEST_F(HitTest, StackingOrder) {
    // Equal z: the later sibling is on top.
    Load(Doc(Element({2, 0, 0, 50, 50}) + Element({3, 25, 25, 50, 50})));
    EXPECT_EQ(At(30, 30), 3);
    // Higher z wins among siblings whatever the order.
    Load(Doc(Element({2, 0, 0, 50, 50, "z-index=\"2\""}) + Element({3, 25, 25, 50, 50, "z-index=\"1\""})));
    EXPECT_EQ(At(30, 30), 2);
    // Parent and child at equal z: the child; a parent needs a strictly greater z.
    Load(Doc(Element({2, 0, 0, 100, 100}, Element({3, 10, 10, 20, 20}))));
    EXPECT_EQ(At(15, 15), 3);
    Load(Doc(Element({2, 0, 0, 100, 100, "z-index=\"5\""}, Element({3, 10, 10, 20, 20}))));
    EXPECT_EQ(At(15, 15), 2);
    EXPECT_EQ(box_, (CBox{0, 0, 100, 100}));
    // z compares across levels as plain numbers: a deep raised child beats a later sibling.
    Load(Doc(Element({2, 0, 0, 100, 100}, Element({3, 10, 10, 20, 20, "z-index=\"3\""})) +
             Element({4, 0, 0, 100, 100, "z-index=\"2\""})));
    EXPECT_EQ(At(15, 15), 3);
    // The smallest integer marks "no candidate", so such an element never wins.
    Load(Doc(Element({2, 0, 0, 100, 100, "z-index=\"-2147483648\""})));
    EXPECT_EQ(At(15, 15), 0);
}

TEST_F(HitTest, DisplayNoneHidesTheWholeSubtree) {
    Load(Doc(Element({2, 0, 0, 100, 100}) +
             Element({3, 0, 0, 100, 100, "display=\"none\""}, Element({4, 10, 10, 20, 20, "z-index=\"9\""}))));
    EXPECT_EQ(At(15, 15), 2);
}

TEST_F(HitTest, VisibilityIsInherited) {
    const std::string hiddenParent = Element(
        {2, 0, 0, 100, 100, "visibility=\"hidden\""},
        Element({3, 10, 10, 20, 20, "visibility=\"visible\""}) + Element({4, 50, 50, 20, 20, "visibility=\"inherit\""}) +
            Element({5, 50, 10, 20, 20, "visibility=\"x\""}, Element({6, 52, 12, 5, 5, "visibility=\"inherit\""})));
    Load(Doc(hiddenParent));
    EXPECT_EQ(At(15, 15), 3);
    EXPECT_EQ(At(55, 55), 0);
    EXPECT_EQ(At(90, 90), 0);
    EXPECT_EQ(At(53, 13), 0);
    // No visibility at all counts as hidden, but the subtree is still searched.
    Load(Doc("<element node-id=\"2\" text=\"n\" display=\"block\" left=\"0\" top=\"0\" width=\"50\" height=\"50\">" +
             Element({3, 5, 5, 5, 5}) + "</element>"));
    EXPECT_EQ(At(20, 20), 0);
    EXPECT_EQ(At(6, 6), 3);
}

TEST_F(HitTest, TransparentElementsPassThePointOn) {
    Load(Doc(Element({2, 0, 0, 100, 100}, Element({3, 10, 10, 20, 20, "transparent=\"1\""},
                                                    Element({4, 12, 12, 4, 4})))));
    EXPECT_EQ(At(18, 18), 2);
    EXPECT_EQ(At(13, 13), 4);
    // "01" reads as 1 by the integer rule; "2" is opaque.
    Load(Doc(Element({2, 0, 0, 9, 9, "transparent=\"01\""}) + Element({3, 20, 0, 9, 9, "transparent=\"2\""})));
    EXPECT_EQ(At(1, 1), 0);
    EXPECT_EQ(At(21, 1), 3);
}

TEST_F(HitTest, ChildrenOutsideTheirParent) {
    Load(Doc(Element({2, 0, 0, 50, 50}, Element({3, 200, 200, 10, 10}))));
    EXPECT_EQ(At(205, 205), 3);
    EXPECT_EQ(box_, (CBox{200, 200, 210, 210}));
    // A flag that the pass did not write still counts once it is there: the pass decides.
    Load(Doc(Element({2, 0, 0, 0, 0}, Element({3, 5, 5, 5, 5}))));
    EXPECT_EQ(At(6, 6), 3);
}

TEST_F(HitTest, FramesAreEnteredOnlyThroughAHit) {
    const std::string content = Doc(Element({11, 10, 10, 20, 20, "z-index=\"4\""}));
    Load(Doc(Element({2, 0, 0, 100, 100, "z-index=\"1\""}, content, "frame")));
    EXPECT_EQ(At(15, 15), 11);
    EXPECT_EQ(At(50, 50), 2);
    Load(Doc(Element({2, 0, 0, 100, 100, "transparent=\"1\""}, content, "frame")));
    EXPECT_EQ(At(15, 15), 0);
    Load(Doc(Element({2, 0, 0, 100, 100, "visibility=\"hidden\""}, content, "frame")));
    EXPECT_EQ(At(15, 15), 0);
    // Content sticking out of the frame's box cannot be reached from outside it.
    Load(Doc(Element({2, 0, 0, 100, 100}, Doc(Element({11, 150, 150, 20, 20})), "frame")));
    EXPECT_EQ(At(155, 155), 0);
}

TEST_F(HitTest, UnknownNodesHideTheirSubtree) {
    Load(Doc("<other node-id=\"2\">" + Element({3, 0, 0, 10, 10}) + "</other>" + Element({4, 20, 0, 10, 10})));
    EXPECT_EQ(At(5, 5), 0);
    EXPECT_EQ(At(25, 5), 4);
}

TEST_F(HitTest, IndexAgreesWithTheLiteralWalkOnRandomMirrors) {
    for (std::uint32_t seed = 1; seed <= 250; ++seed) {
        Load(testing::MakeRandomMirror(seed, 10 + static_cast<int>(seed % 200), 120));
        for (int y = -12; y < 130; y += 3) {
            for (int x = -12; x < 130; x += 3) At(x, y);
        }
        if (HasFailure()) FAIL() << "seed " << seed;
    }
}

TEST_F(HitTest, IndexAgreesWithTheLiteralWalkOnPageMirrors) {
    testing::CSyntheticMirrorShape shape;
    shape.nodes = 6000;
    shape.outsideShare = 0.2;
    Load(testing::MakePageMirror(shape));
    std::mt19937 random(11);
    std::uniform_int_distribution<int> x(-50, 1400), y(-50, 4000);
    for (int i = 0; i < 1500 && !HasFailure(); ++i) At(x(random), y(random));
}

TEST(FindNodeById, IndexAgreesWithXPath) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        CPageMirror mirror;
        const int nodes = 5 + static_cast<int>(seed % 150);
        ASSERT_TRUE(mirror.LoadXml(testing::MakeRandomMirror(seed, nodes, 100)));
        mirror.MarkOutsideChildren();
        for (int id = -2; id <= nodes + 2; ++id) {
            ASSERT_EQ(mirror.FindNodeById(id), FindNodeByIdXPath(mirror.Xml(), id)) << "seed " << seed << " id " << id;
        }
    }
}

TEST(FindNodeById, OnlyExactDecimalTextMatches) {
    CPageMirror mirror;
    ASSERT_TRUE(mirror.LoadXml("<doc node-id=\"1\"><element node-id=\"007\"/><element node-id=\" 8\"/>"
                               "<element node-id=\"-0\"/><element node-id=\"-5\"/><element node-id=\"4\" node-id=\"3\"/><element node-id=\"9\" a=\"1\"/>"
                               "<element node-id=\"9\" a=\"2\"/></doc>"));
    EXPECT_FALSE(mirror.FindNodeById(12345));
    mirror.MarkOutsideChildren();
    EXPECT_FALSE(mirror.FindNodeById(7));
    EXPECT_FALSE(mirror.FindNodeById(8));
    EXPECT_FALSE(mirror.FindNodeById(0));
    EXPECT_TRUE(mirror.FindNodeById(-5));
    // A repeated attribute: only the first one names the node.
    EXPECT_TRUE(mirror.FindNodeById(4));
    EXPECT_FALSE(mirror.FindNodeById(3));
    EXPECT_STREQ(mirror.FindNodeById(9).attribute("a").value(), "1");
    EXPECT_EQ(mirror.FindNodeById(1), mirror.DocumentElement());
}

// A picture pixel is inside a box's picture rectangle exactly when the CSS pixel it maps to
// for hit testing is inside the box, halfway edges included, at whole and fractional scales.
TEST(PicturePixels, LitAndHitAgreeOnEveryPixel) {
    for (const double scale : {1.0, 1.25, 1.5, 2.0, 2.5}) {
        for (int left = 0; left < 12; ++left) {
            for (int right = left + 1; right < 16; ++right) {
                const CBox lit = ToPictureBox({left, 0, right, 1}, scale);
                for (int pixel = 0; pixel < 48; ++pixel) {
                    const int css = ToCssPixels(pixel, scale);
                    ASSERT_EQ(lit.left <= pixel && pixel < lit.right, left <= css && css < right)
                        << "scale " << scale << ", box " << left << ".." << right << ", pixel " << pixel;
                }
            }
        }
        EXPECT_EQ(ToCssPixels(ToPicturePixels(7, scale), scale), 7) << scale;
    }
}

}  // namespace
}  // namespace marklens

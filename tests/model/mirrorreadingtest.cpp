#include <climits>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "model/mirror/box.h"
#include "model/mirror/mirrorreading.h"

namespace marklens {
namespace {

TEST(MirrorReading, IntegersFollowTheAtoiRule) {
    EXPECT_EQ(ParseAtoi("auto"), 0);
    EXPECT_EQ(ParseAtoi(""), 0);
    EXPECT_EQ(ParseAtoi(nullptr), 0);
    EXPECT_EQ(ParseAtoi("12px"), 12);
    EXPECT_EQ(ParseAtoi("  \t-7"), -7);
    EXPECT_EQ(ParseAtoi("+8"), 8);
    EXPECT_EQ(ParseAtoi("- 8"), 0);
    EXPECT_EQ(ParseAtoi("3.9"), 3);
    EXPECT_EQ(ParseAtoi("-2147483648"), INT_MIN);
    // Out of range saturates instead of overflowing.
    EXPECT_EQ(ParseAtoi("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseAtoi("-99999999999999999999"), INT_MIN);
}

TEST(MirrorReading, MissingAttributesReadAsZeroAndEmpty) {
    pugi::xml_document xml;
    ASSERT_TRUE(xml.load_string(R"(<element left="10x" width="5" height="auto" text="a &amp; b"/>)"));
    const pugi::xml_node node = xml.document_element();
    EXPECT_EQ(IntAttribute(node, "top"), 0);
    EXPECT_EQ(IntAttribute(node, "left"), 10);
    EXPECT_EQ(StringAttribute(node, "text"), "a & b");
    EXPECT_EQ(StringAttribute(node, "visibility"), "");
    EXPECT_EQ(NodeBox(node), (CBox{10, 0, 15, 0}));
    EXPECT_TRUE(NodeBox(node).IsEmpty());
    EXPECT_EQ(NodeBox(pugi::xml_node{}), CBox{});
    EXPECT_EQ(CBoxAttributes(node).Box(), NodeBox(node));
}

TEST(MirrorReading, BoxEdgesSaturateInsteadOfWrapping) {
    pugi::xml_document xml;
    ASSERT_TRUE(xml.load_string(R"(<element left="2147483000" top="-2147483000" width="5000" height="-5000"/>)"));
    const CBox box = NodeBox(xml.document_element());
    EXPECT_EQ(box.right, INT_MAX);
    EXPECT_EQ(box.bottom, INT_MIN);
    EXPECT_TRUE(box.IsEmpty());
}

TEST(MirrorReading, BoxesAreHalfOpen) {
    const CBox box{10, 20, 30, 40};
    EXPECT_TRUE(box.Contains(10, 20));
    EXPECT_TRUE(box.Contains(29, 39));
    EXPECT_FALSE(box.Contains(30, 20));
    EXPECT_FALSE(box.Contains(10, 40));
    EXPECT_FALSE((CBox{5, 5, 5, 10}).Contains(5, 5));
}

TEST(MirrorReading, UnionOfEmptyBoxesIsTheZeroBox) {
    const CBox a{1, 1, 1, 1};
    const CBox b{4, 4, 2, 9};
    const CBox c{0, 0, 10, 10};
    EXPECT_EQ(UnionBox(a, b), CBox{});
    EXPECT_EQ(UnionBox(a, c), c);
    EXPECT_EQ(UnionBox(c, b), c);
    EXPECT_EQ(UnionBox(c, CBox{-5, 3, 2, 20}), (CBox{-5, 0, 10, 20}));
}

}  // namespace
}  // namespace marklens

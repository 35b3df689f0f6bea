#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "model/mirror/outsidechildren.h"

namespace marklens {
namespace {

std::string Box(int left, int top, int width, int height) {
    return " display=\"block\" left=\"" + std::to_string(left) + "\" top=\"" + std::to_string(top) +
           "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"";
}

// Marks the mirror and gives the flag of the node with the identifier.
class OutsideChildren : public ::testing::Test {
protected:
    void Mark(const std::string& text) {
        ASSERT_TRUE(xml_.load_string(text.c_str()));
        MarkOutsideChildren(xml_.document_element());
    }
    std::string Flag(int id) const {
        const std::string query = "//*[@node-id='" + std::to_string(id) + "']";
        return xml_.select_node(query.c_str()).node().attribute("outside-children").value();
    }
    pugi::xml_document xml_;
};

TEST_F(OutsideChildren, ChildlessNodesAndEmptyDocs) {
    Mark("<doc node-id=\"1\" text=\"doc - x\"/>");
    EXPECT_EQ(Flag(1), "0");
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(3, 3, 0, 5) + "/></doc>");
    EXPECT_EQ(Flag(2), "0");
    // The doc has no box of its own; an empty child leaves it at the zero box.
    EXPECT_EQ(Flag(1), "0");
}

TEST_F(OutsideChildren, ChildReachingOutsideMarksEveryAncestor) {
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(0, 0, 100, 100) + "><element node-id=\"3\"" +
         Box(10, 10, 10, 10) + "><element node-id=\"4\"" + Box(95, 95, 10, 10) + "/></element></element></doc>");
    EXPECT_EQ(Flag(4), "0");
    EXPECT_EQ(Flag(3), "1");
    EXPECT_EQ(Flag(2), "1");
    EXPECT_EQ(Flag(1), "1");
}

TEST_F(OutsideChildren, EmptyParentBoxes) {
    // Zero width with a real child: the child's box is outside.
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(0, 0, 0, 20) + "><element node-id=\"3\"" +
         Box(5, 5, 5, 5) + "/></element></doc>");
    EXPECT_EQ(Flag(2), "1");
    // An empty, non-zero box whose children are empty too: their union is the zero box.
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(4, 4, 0, 0) + "><element node-id=\"3\"" +
         Box(9, 9, 0, 3) + "/></element></doc>");
    EXPECT_EQ(Flag(2), "1");
    // The all-zero box with empty children equals that union.
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(0, 0, 0, 0) + "><element node-id=\"3\"" +
         Box(9, 9, 0, 3) + "/></element></doc>");
    EXPECT_EQ(Flag(2), "0");
}

TEST_F(OutsideChildren, ExactFitAndOtherNames) {
    Mark("<doc node-id=\"1\"><element node-id=\"2\"" + Box(5, 5, 50, 50) + "><element node-id=\"3\"" +
         Box(5, 5, 50, 50) + "/><other node-id=\"4\"><element node-id=\"5\"" + Box(20, 20, 5, 5) +
         "/></other></element></doc>");
    EXPECT_EQ(Flag(2), "0");
    // A node without a box of its own has its children outside it.
    EXPECT_EQ(Flag(4), "1");
}

TEST_F(OutsideChildren, RewritesAnExistingFlag) {
    Mark("<doc node-id=\"1\"><element node-id=\"2\" outside-children=\"1\"" + Box(0, 0, 9, 9) + "/></doc>");
    EXPECT_EQ(Flag(2), "0");
    EXPECT_EQ(std::distance(xml_.document_element().first_child().attributes_begin(),
                            xml_.document_element().first_child().attributes_end()),
              7);
}

}  // namespace
}  // namespace marklens

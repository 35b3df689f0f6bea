#include <gtest/gtest.h>

#include "model/document/selectionpath.h"
#include "model/mirror/pagemirror.h"

namespace marklens::test {
namespace {

std::unique_ptr<CPageMirror> Mirror(const char* text) {
    auto mirror = std::make_unique<CPageMirror>();
    EXPECT_TRUE(mirror->LoadXml(text)) << text;
    mirror->MarkOutsideChildren();
    return mirror;
}

constexpr const char* kOld =
    "<doc node-id='1' text='doc - a'>"
    "  <element node-id='2' text='HEAD' display='block'/>"
    "  <element node-id='3' text='BODY' display='block'>"
    "    <element node-id='4' text='P' display='block'/>"
    "    <element node-id='5' text='DIV' display='block'><element node-id='6' text='B' display='block'/></element>"
    "  </element>"
    "</doc>";

TEST(SelectionPath, CountsChildIndexesFromTheDocumentDown) {
    const auto mirror = Mirror(kOld);
    EXPECT_EQ(PathOfNode(mirror->FindNodeById(6)), (SelectionPath{0, 1, 1, 0}));
    EXPECT_EQ(PathOfNode(mirror->FindNodeById(1)), (SelectionPath{0}));
    EXPECT_TRUE(PathOfNode(pugi::xml_node()).empty());
}

TEST(SelectionPath, FollowStopsWhereTheTreeEnds) {
    const auto mirror = Mirror(kOld);
    EXPECT_EQ(FollowPath(mirror->Xml(), {0, 1, 1, 0}), mirror->FindNodeById(6));
    EXPECT_FALSE(FollowPath(mirror->Xml(), {0, 1, 2}));
    EXPECT_FALSE(FollowPath(mirror->Xml(), {0, 0, 0}));  // HEAD has no children
    EXPECT_FALSE(FollowPath(mirror->Xml(), {1}));
    EXPECT_FALSE(FollowPath(mirror->Xml(), {0, -1}));
    EXPECT_FALSE(FollowPath(mirror->Xml(), {}));
}

TEST(SelectionPath, CarriesByPositionUnderTheNewIdentifier) {
    const auto oldMirror = Mirror(kOld);
    const auto newMirror = Mirror(
        "<doc node-id='10' text='doc - b'><element node-id='11' text='HEAD' display='block'/>"
        "<element node-id='12' text='BODY' display='block'><element node-id='13' text='H1' display='block'/>"
        "<element node-id='14' text='SPAN' display='block'/></element></doc>");
    EXPECT_EQ(CarrySelection(oldMirror.get(), 5, newMirror.get()), 14);  // same place, other tag
    EXPECT_EQ(CarrySelection(oldMirror.get(), 1, newMirror.get()), 10);
    EXPECT_EQ(CarrySelection(oldMirror.get(), 6, newMirror.get()), 0);   // place lost
    EXPECT_EQ(CarrySelection(oldMirror.get(), 0, newMirror.get()), 0);   // nothing selected
    EXPECT_EQ(CarrySelection(oldMirror.get(), 99, newMirror.get()), 0);  // names no node
    EXPECT_EQ(CarrySelection(nullptr, 5, newMirror.get()), 0);
    EXPECT_EQ(CarrySelection(oldMirror.get(), 5, nullptr), 0);
}

}  // namespace
}  // namespace marklens::test

#include <cstdio>
#include <regex>

#include "browserfixture.h"
#include "model/mirrorreading.h"
#include "model/objectcallerror.h"
#include "model/statuscodes.h"

namespace marklens::testing {
namespace {

class Mirror : public CBrowserSuite {};

// Every mirror box whose label names a colour ("c-ff0000") has only that colour inside it.
int CheckColouredBoxes(const CPageMirror& mirror, const CPicture& picture) {
    int checked = 0;
    const std::regex colour("id=\"c-([0-9a-f]{6})\"");
    for (const pugi::xpath_node& hit : mirror.Xml().select_nodes("//element")) {
        std::smatch match;
        const std::string label = StringAttribute(hit.node(), "text");
        if (!std::regex_search(label, match, colour)) continue;
        const std::uint32_t want = 0xFF000000u | static_cast<std::uint32_t>(std::stoul(match[1], nullptr, 16));
        const CBox box = NodeBox(hit.node());
        int inside = 0;
        for (int y = std::max(box.top, 0); y < std::min(box.bottom, picture.height); ++y) {
            for (int x = std::max(box.left, 0); x < std::min(box.right, picture.width); ++x) {
                ++inside;
                if (picture.Pixel(x, y) != want) {
                    ADD_FAILURE() << label << " at " << x << "," << y << ": " << std::hex << picture.Pixel(x, y);
                    return checked;
                }
            }
        }
        // The pixel just outside each edge is not the box's colour (the boxes sit on white).
        if (box.left > 0 && box.top < picture.height && box.left <= picture.width) {
            EXPECT_NE(picture.Pixel(box.left - 1, std::max(box.top, 0)), want) << label;
        }
        if (inside > 0) ++checked;
    }
    return checked;
}

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

TEST_F(Mirror, ScrolledPageStillMatchesThePicture) {
    const LivePageHandle page = OpenPage("boxes.html");
    Chrome().Evaluate(lastTarget_, "window.scrollTo(0, 250), new Promise(r => requestAnimationFrame(() => r(scrollY)))");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    const CPicture picture = page->CapturePicture();
    EXPECT_EQ(NodeBox(NodeWithLabel(*mirror, "c-ff0000")), (CBox{10, -240, 130, -160}));
    EXPECT_GE(CheckColouredBoxes(*mirror, picture), 5);
}

}  // namespace
}  // namespace marklens::testing

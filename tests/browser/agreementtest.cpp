#include <map>
#include <string_view>

#include "browser/chromiumprobe.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

class Agreement : public CBrowserSuite {};

// Whether the node stands in a shadow tree (of an element of the page or of a frame), or in a
// frame when all frames of the page are of other origins.
bool InShadowTreeOrFrame(pugi::xml_node node, bool frames) {
    for (; node; node = node.parent()) {
        if (std::string_view(node.name()) == "shadow-root") return true;
        if (frames && std::string_view(node.name()) == "frame") return true;
    }
    return false;
}

// The mirror's hit test against the browser's own (DOM.getNodeForLocation, which enters
// shadow trees and names generated content), every 20 px over the viewport of pages made to
// trip it: stacking contexts, clips, scrolled boxes, the top layer, pointer-events, elements
// without a style, frames (of other origins too, some in other processes), shadow trees and
// generated content, and ordinary pages.
TEST_F(Agreement, MirrorHitsWhatTheBrowserHits) {
    int points = 0;
    int agreed = 0;
    int shadowPoints = 0;
    int framePoints = 0;
    int shadowAgreed = 0;
    const std::string frames = "frames.html?other=" + std::to_string(Pages().Port(1));
    for (const std::string& path :
         {std::string("stacking.html"), std::string("clipping.html"), std::string("ordinary.html"),
          std::string("unrendered.html"), std::string("toplayer.html"), std::string("boxes.html"),
          std::string("states.html"), std::string("shadow.html"), std::string("faults.html"), frames}) {
        const LivePageHandle page = OpenPage(path);
        const PageProbeHandle probe = page->CreateProbe();
        const auto mirror = CBrowserSuite::Mirror(*probe, *page);
        const std::vector<int> hits = static_cast<CChromiumProbe&>(*probe).BrowserHits(20);
        ASSERT_EQ(hits.size() % 3, 0u);
        std::map<std::pair<int, int>, std::pair<int, std::string>> misses;  // (browser's, ours) -> points
        for (std::size_t i = 0; i < hits.size(); i += 3) {
            const int ours = mirror->HitTest(hits[i], hits[i + 1]);
            ++points;
            const bool shadow = InShadowTreeOrFrame(mirror->FindNodeById(hits[i + 2]), path == frames);
            shadowPoints += shadow ? 1 : 0;
            framePoints += shadow && path == frames ? 1 : 0;
            shadowAgreed += shadow && ours == hits[i + 2] ? 1 : 0;
            if (ours == hits[i + 2])
                ++agreed;
            else {
                auto& miss = misses[{hits[i + 2], ours}];
                if (miss.first++ == 0) miss.second = std::to_string(hits[i]) + "," + std::to_string(hits[i + 1]);
            }
        }
        for (const auto& [pair, count] : misses) {
            std::cout << path << ": browser " << StringAttribute(mirror->FindNodeById(pair.first), "text") << " ("
                      << pair.first << "), mirror " << StringAttribute(mirror->FindNodeById(pair.second), "text")
                      << " (" << pair.second << "): " << count.first << " points from " << count.second << "\n";
        }
    }
    const double share = 100.0 * agreed / points;
    std::cout << "agreement " << agreed << " of " << points << " points: " << share
              << "%, in shadow trees and frames of other origins " << shadowAgreed << " of " << shadowPoints << " ("
              << framePoints << " in frames)\n";
    EXPECT_GE(share, 99.5);
    EXPECT_GT(shadowPoints, 100);
    EXPECT_GT(framePoints, 300);
    EXPECT_GE(100.0 * shadowAgreed / shadowPoints, 99.0);
}

// The largest z-indexes pages use against each other keep their order.
TEST_F(Agreement, HighestZIndexWins) {
    const LivePageHandle page = OpenPage("stacking.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    EXPECT_EQ(mirror->HitTest(700, 450), IntAttribute(NodeWithLabel(*mirror, "\"highest\""), "node-id"));
}

}  // namespace
}  // namespace marklens::testing

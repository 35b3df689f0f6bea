#include <cmath>
#include <iostream>
#include <map>
#include <string_view>

#include "browser/chromiumprobe.h"
#include "model/mirror/mirrorreading.h"
#include "tests/support/browserfixture.h"

namespace marklens::testing {
namespace {

// Whether the node stands in a shadow tree (of an element of the page or of a frame), or in a
// frame when all frames of the page are of other origins.
bool InShadowTreeOrFrame(pugi::xml_node node, bool frames) {
    for (; node; node = node.parent()) {
        if (std::string_view(node.name()) == "shadow-root") return true;
        if (frames && std::string_view(node.name()) == "frame") return true;
    }
    return false;
}

// Grid points asked and agreed on, over all pages compared.
struct CTally {
    int points = 0;
    int agreed = 0;
    int shadowPoints = 0;
    int framePoints = 0;
    int shadowAgreed = 0;
    double Share() const { return 100.0 * agreed / points; }
};

class CAgreementSuite : public CBrowserSuite {
protected:
    // The mirror's hit test against the browser's (DOM.getNodeForLocation, which enters shadow
    // trees and names generated content) every 20 CSS px over the page's viewport; prints the
    // page's count and where the two differ. Frames tells that all frames are of other origins.
    void Compare(const std::string& path, bool frames, CTally& tally) {
        const LivePageHandle page = OpenPage(path);
        const PageProbeHandle probe = page->CreateProbe();
        const auto mirror = CBrowserSuite::Mirror(*probe, *page);
        const std::vector<int> hits = static_cast<CChromiumProbe&>(*probe).BrowserHits(20);
        ASSERT_EQ(hits.size() % 3, 0u);
        std::map<std::pair<int, int>, std::pair<int, std::string>> misses;  // (browser's, ours) -> points
        int agreed = 0;
        for (std::size_t i = 0; i < hits.size(); i += 3) {
            const int ours = mirror->HitTest(hits[i], hits[i + 1]);
            const bool shadow = InShadowTreeOrFrame(mirror->FindNodeById(hits[i + 2]), frames);
            tally.shadowPoints += shadow ? 1 : 0;
            tally.framePoints += shadow && frames ? 1 : 0;
            tally.shadowAgreed += shadow && ours == hits[i + 2] ? 1 : 0;
            if (ours == hits[i + 2]) {
                ++agreed;
            } else {
                auto& miss = misses[{hits[i + 2], ours}];
                if (miss.first++ == 0) miss.second = std::to_string(hits[i]) + "," + std::to_string(hits[i + 1]);
            }
        }
        tally.points += static_cast<int>(hits.size() / 3);
        tally.agreed += agreed;
        std::cout << path << ": " << agreed << " of " << hits.size() / 3 << " points agree\n";
        for (const auto& [pair, count] : misses) {
            std::cout << path << ": browser " << StringAttribute(mirror->FindNodeById(pair.first), "text") << " ("
                      << pair.first << "), mirror " << StringAttribute(mirror->FindNodeById(pair.second), "text")
                      << " (" << pair.second << "): " << count.first << " points from " << count.second << "\n";
        }
    }

    // On a browser of that device scale factor: the picture keeps its device pixels, the
    // coloured boxes sit on their scaled edges, and the mirror, in CSS pixels, hits what the
    // browser hits on a few pages of stacking, clips, a frame and shadow trees.
    void ExpectDensePictureAndAgreement(double scale) {
        const LivePageHandle page = OpenPage("boxes.html");
        const int cssWidth = std::stoi(Chrome().Evaluate(lastTarget_, "document.documentElement.clientWidth"));
        const int cssHeight = std::stoi(Chrome().Evaluate(lastTarget_, "document.documentElement.clientHeight"));
        const PageProbeHandle probe = page->CreateProbe();
        const auto mirror = CBrowserSuite::Mirror(*probe, *page);
        const CPicture picture = page->CapturePicture();
        EXPECT_EQ(picture.scale, scale);
        EXPECT_EQ(picture.width, std::lround(cssWidth * scale));
        EXPECT_EQ(picture.height, std::lround(cssHeight * scale));
        std::cout << "CSS " << cssWidth << "x" << cssHeight << ", picture " << picture.width << "x" << picture.height
                  << " at scale " << picture.scale << "\n";
        const bool wholeScale = scale == std::floor(scale);
        EXPECT_EQ(CheckColouredBoxes(*mirror, picture, wholeScale ? 0 : 1), 6);

        CTally tally;
        for (const char* path : {"stacking.html", "clipping.html", "boxes.html", "shadow.html"})
            Compare(path, false, tally);
        std::cout << "agreement at scale " << scale << ": " << tally.agreed << " of " << tally.points
                  << " points: " << tally.Share() << "%\n";
        EXPECT_GE(tally.Share(), 99.5);
    }
};

class Agreement : public CAgreementSuite {};

// Pages made to trip the hit test: stacking contexts, clips, scrolled boxes, the top layer,
// pointer-events, elements without a style, frames (of other origins too, some in other
// processes), shadow trees and generated content, and ordinary pages.
TEST_F(Agreement, MirrorHitsWhatTheBrowserHits) {
    CTally tally;
    const std::string frames = "frames.html?other=" + std::to_string(Pages().Port(1));
    for (const std::string& path :
         {std::string("stacking.html"), std::string("clipping.html"), std::string("ordinary.html"),
          std::string("unrendered.html"), std::string("toplayer.html"), std::string("boxes.html"),
          std::string("states.html"), std::string("shadow.html"), std::string("faults.html"), frames}) {
        Compare(path, path == frames, tally);
    }
    std::cout << "agreement " << tally.agreed << " of " << tally.points << " points: " << tally.Share()
              << "%, in shadow trees and frames of other origins " << tally.shadowAgreed << " of " << tally.shadowPoints
              << " (" << tally.framePoints << " in frames)\n";
    EXPECT_GE(tally.Share(), 99.5);
    EXPECT_GT(tally.shadowPoints, 100);
    EXPECT_GT(tally.framePoints, 300);
    EXPECT_GE(100.0 * tally.shadowAgreed / tally.shadowPoints, 99.0);
}

// The largest z-indexes pages use against each other keep their order.
TEST_F(Agreement, HighestZIndexWins) {
    const LivePageHandle page = OpenPage("stacking.html");
    const PageProbeHandle probe = page->CreateProbe();
    const auto mirror = CBrowserSuite::Mirror(*probe, *page);
    EXPECT_EQ(mirror->HitTest(700, 450), IntAttribute(NodeWithLabel(*mirror, "\"highest\""), "node-id"));
}

// A browser at twice the CSS pixels, and one at a scale that puts CSS edges between device
// pixels.
class HighDensity : public CAgreementSuite {
protected:
    static void SetUpTestSuite() { StartBrowser({"--force-device-scale-factor=2"}); }
};

class HighDensityFractional : public CAgreementSuite {
protected:
    static void SetUpTestSuite() { StartBrowser({"--force-device-scale-factor=1.25"}); }
};

TEST_F(HighDensity, PictureKeepsDevicePixelsAndTheMirrorStillHitsWhatTheBrowserHits) {
    ExpectDensePictureAndAgreement(2.0);
}

TEST_F(HighDensityFractional, PictureKeepsDevicePixelsAndTheMirrorStillHitsWhatTheBrowserHits) {
    ExpectDensePictureAndAgreement(1.25);
}

}  // namespace
}  // namespace marklens::testing

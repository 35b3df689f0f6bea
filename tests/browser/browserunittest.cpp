#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "base/datafilelookup.h"
#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/endpointdiscovery.h"
#include "browser/pageaddress.h"
#include "browser/pngcodec.h"
#include "model/errors/objectcallerror.h"

namespace marklens {
namespace {

TEST(BrowserUnit, EndpointTextParses) {
    EXPECT_EQ(CDevToolsEndpoint::Parse("127.0.0.1:9222")->Text(), "127.0.0.1:9222");
    EXPECT_EQ(CDevToolsEndpoint::Parse("localhost:1")->Port(), "1");
    EXPECT_EQ(CDevToolsEndpoint::Parse("[::1]:9222")->Host(), "::1");
    for (const char* bad : {"", "9222", ":9222", "host:", "host:0", "host:65536", "host:12x", "host:-1"}) {
        EXPECT_FALSE(CDevToolsEndpoint::Parse(bad)) << bad;
    }
    const auto list = ParseEndpointList({" 127.0.0.1:9222 ", "junk", "127.0.0.1:9222", "h:2"});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Text(), "h:2");
}

TEST(BrowserUnit, DataFilesAreFoundBesideTheProgramThenUnderShare) {
    const std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "marklens-datafiles";
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "share/marklens");
    std::ofstream(root / "share/marklens/attribs.xml") << "<attribs/>";
    EXPECT_EQ(FindDataFile("attribs.xml", root / "bin").path, (root / "share/marklens/attribs.xml").string());
    std::ofstream(root / "bin/attribs.xml") << "<attribs/>";
    EXPECT_EQ(FindDataFile("attribs.xml", root / "bin").path, (root / "bin/attribs.xml").string());
    const CDataFileLookup missing = FindDataFile("marklens-probe.js", root / "bin");
    EXPECT_FALSE(missing.Found());
    EXPECT_EQ(missing.Problem(), "cannot find marklens-probe.js in " + (root / "bin").string() + " or " +
                                     (root / "share/marklens").string());
    std::filesystem::remove_all(root);
}

TEST(BrowserUnit, PageAddressesFromWhatTheUserTyped) {
    const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "a page#1.html";
    std::ofstream(file) << "<p>";
    std::string problem;
    EXPECT_EQ(PageAddress("  https://example.org/x?y ", problem), "https://example.org/x?y");
    EXPECT_EQ(PageAddress("about:blank", problem), "about:blank");
    EXPECT_EQ(PageAddress("example.org", problem), "http://example.org");
    EXPECT_EQ(PageAddress("localhost:8000/a", problem), "http://localhost:8000/a");
    const std::optional<std::string> local = PageAddress(file.string(), problem);
    ASSERT_TRUE(local);
    EXPECT_EQ(local->substr(0, 8), "file:///");
    EXPECT_NE(local->find("a%20page%231.html"), std::string::npos) << *local;
    EXPECT_FALSE(PageAddress("missing/page.html", problem));
    EXPECT_EQ(problem, "No such file: missing/page.html");
    EXPECT_FALSE(PageAddress(" ", problem));
    std::filesystem::remove(file);
}

TEST(BrowserUnit, Base64DecodesWithAndWithoutPadding) {
    EXPECT_EQ(DecodeBase64("aGVsbG8="), "hello");
    EXPECT_EQ(DecodeBase64("aGVsbG8"), "hello");
    EXPECT_EQ(DecodeBase64(""), "");
    EXPECT_EQ(DecodeBase64("AP8="), std::string("\x00\xFF", 2));
    EXPECT_THROW(DecodeBase64("aGV*bG8="), CObjectCallError);
}

// Also the size read from the header alone, and the cut of a whole view to its viewport.
TEST(BrowserUnit, PngRoundTripKeepsPixelsAndBadDataFails) {
    CPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80102030, 0xFFFFFFFF, 0xFF000000};
    CPicture back = DecodePng(EncodePng(picture));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(back.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(back.Pixel(2, 1), 0xFF000000u);
    EXPECT_EQ(PngSize(EncodePng(picture)), std::make_pair(3, 2));
    EXPECT_EQ(PngSize("not a png"), std::make_pair(0, 0));
    const std::vector<std::uint32_t> whole = back.pixels;
    EXPECT_FALSE(back.CutTo(4, 2));
    EXPECT_TRUE(back.CutTo(2, 2));
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{whole[0], whole[1], whole[3], whole[4]}));
    EXPECT_THROW(DecodePng("not a png"), CObjectCallError);
    std::string truncated = EncodePng(picture);
    truncated.resize(truncated.size() / 2);
    EXPECT_THROW(DecodePng(truncated), CObjectCallError);
}

}  // namespace
}  // namespace marklens

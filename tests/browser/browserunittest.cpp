#include <gtest/gtest.h>

#include "browser/chromiumtab.h"
#include "browser/devtoolsendpoint.h"
#include "browser/endpointdiscovery.h"
#include "browser/pngcodec.h"
#include "model/objectcallerror.h"

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

TEST(BrowserUnit, LabelsAreCutAt511CharactersNotBytes) {
    EXPECT_EQ(CutLabel("short"), "short");
    EXPECT_EQ(CutLabel(std::string(600, 'a')), std::string(511, 'a'));
    std::string wide;
    for (int i = 0; i < 600; ++i) wide += "\xC3\xA9";  // é, two bytes each
    EXPECT_EQ(CutLabel(wide).size(), 511u * 2);
    EXPECT_EQ(CutLabel(""), "");
}

TEST(BrowserUnit, Base64DecodesWithAndWithoutPadding) {
    EXPECT_EQ(DecodeBase64("aGVsbG8="), "hello");
    EXPECT_EQ(DecodeBase64("aGVsbG8"), "hello");
    EXPECT_EQ(DecodeBase64(""), "");
    EXPECT_EQ(DecodeBase64("AP8="), std::string("\x00\xFF", 2));
    EXPECT_THROW(DecodeBase64("aGV*bG8="), CObjectCallError);
}

TEST(BrowserUnit, PngRoundTripKeepsPixelsAndBadDataFails) {
    CPicture picture;
    picture.width = 3;
    picture.height = 2;
    picture.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80102030, 0xFFFFFFFF, 0xFF000000};
    const CPicture back = DecodePng(EncodePng(picture));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(back.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(back.Pixel(2, 1), 0xFF000000u);
    EXPECT_THROW(DecodePng("not a png"), CObjectCallError);
    std::string truncated = EncodePng(picture);
    truncated.resize(truncated.size() / 2);
    EXPECT_THROW(DecodePng(truncated), CObjectCallError);
}

}  // namespace
}  // namespace marklens

#include <gtest/gtest.h>

#include "browser/lenientjson.h"

namespace marklens {
namespace {

TEST(BrowserUnit, LoneSurrogatesReadAsReplacementCharacters) {
    // A high half alone, a low half alone, a proper pair, and an escaped backslash before "u".
    const std::string text = R"({"id":7,"result":{"a":"x\ud83dy","b":"\ude00","c":"\ud83d\ude00","d":"\\ud83d"}})";
    const nlohmann::json message = ReadProtocolMessage(text);
    ASSERT_FALSE(message.is_discarded());
    const nlohmann::json& result = message.at("result");
    EXPECT_EQ(result.at("a"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(result.at("b"), "\xEF\xBF\xBD");
    EXPECT_EQ(result.at("c"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(result.at("d"), "\\ud83d");
}

TEST(BrowserUnit, UnreadableAnswerStillNamesItsCall) {
    std::string failure;
    const std::string text = R"({"id":42,"result":{"value":"cut off)";
    EXPECT_TRUE(ReadProtocolMessage(text, &failure).is_discarded());
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(LeadingAnswerId(text), 42);
    EXPECT_EQ(LeadingAnswerId(R"({"method":"DOM.setChildNodes","params":{"id":3)"), std::nullopt);
}

}  // namespace
}  // namespace marklens

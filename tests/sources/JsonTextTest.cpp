#include "sources/JsonText.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace Corvana {
namespace {

TEST(JsonEscapeTest, EscapesQuotesBackslashesAndEveryControlByte) {
    const std::string input = std::string("a\tb\"c\\d") + '\x01' + "\xC3\xA9" + '\x1b' + "\n\r";
    EXPECT_EQ(escapeJson(input), "a\\tb\\\"c\\\\d\\u0001\xC3\xA9\\u001b\\n\\r");
    EXPECT_EQ(escapeJson(std::string(1, '\0')), "\\u0000");
    EXPECT_EQ(escapeJson("\x7f"), "\x7f");
}

TEST(JsonEscapeTest, QuoteEscapeAndQuotedTextStayValidJsonWithLineBreaks) {
    EXPECT_EQ(escapeJsonQuotes("C:\\Tools\\\"x\""), "C:\\\\Tools\\\\\\\"x\\\"");
    EXPECT_EQ(quoteJsonText("two\nlines\t"), "\"two\\nlines\\t\"");
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = "x" + std::string(1, static_cast<char>(byte)) + "y";
        if (byte >= 0x80) continue;  // a lone high byte is not UTF-8; the writer keeps bytes as they are
        const auto parsed = Testing::parseJsonOrFail("{\"k\":" + quoteJsonText(text) + "}");
        EXPECT_EQ(parsed["k"].get<std::string>(), text) << "byte " << byte;
    }
}

TEST(JsonReadStringTest, FollowsTheExactPatternAndUnescapes) {
    EXPECT_EQ(readJsonString("{\"a\": \"x\"}", "a"), "");
    EXPECT_EQ(readJsonString("{\"a\":\"x\"}", "a"), "x");
    EXPECT_EQ(readJsonString("{\"p\":\"C:\\\\Users\\\\me\\\\t.ptf\"}", "p"), "C:\\Users\\me\\t.ptf");
    EXPECT_EQ(readJsonString("{\"s\":\"q\\\"x\\n\\r\\t\\/\"}", "s"), "q\"x\n\r\t/");
    EXPECT_EQ(readJsonString("{\"u\":\"\\u0041\"}", "u"), "u0041");
    EXPECT_EQ(readJsonString("{\"s\":\"unterminated", "s"), "unterminated");
    EXPECT_EQ(readJsonString("{\"s\":\"end\\", "s"), "end\\");
    EXPECT_EQ(readJsonString("{\"ab\":\"1\",\"a\":\"2\"}", "a"), "2");
    EXPECT_EQ(readJsonString("", "a"), "");
}

TEST(JsonReadNumberTest, ReadsTheLeadingNumberOrFallsBack) {
    EXPECT_EQ(readJsonNumber("{\"n\": 2.5mm}", "n", -1), 2.5);
    EXPECT_EQ(readJsonNumber("{\"n\":\"2.5\"}", "n", -1), -1);
    EXPECT_EQ(readJsonNumber("{\"n\":-3e2}", "n", 0), -300);
    EXPECT_EQ(readJsonNumber("{\"m\":1}", "n", 7), 7);
    EXPECT_EQ(readJsonNumber("{\"n\":1e999}", "n", 7), 7);
    EXPECT_EQ(readJsonNumber("{\"n\":nan}", "n", 7), 7);
    EXPECT_EQ(readJsonNumber("{\"n\":--5}", "n", 7), 7);
    EXPECT_EQ(readJsonNumber("{\"n\":", "n", 7), 7);
}

TEST(JsonReadBoolTest, TrueOnlyForTheLiteral) {
    EXPECT_TRUE(readJsonBool("{\"b\":  true}", "b"));
    EXPECT_FALSE(readJsonBool("{\"b\":\"true\"}", "b"));
    EXPECT_FALSE(readJsonBool("{\"b\":false}", "b"));
    EXPECT_FALSE(readJsonBool("{}", "b"));
    EXPECT_FALSE(readJsonBool("{\"b\":tru", "b"));
}

TEST(JsonReadListTest, SkipsItemsWithoutNumbers) {
    EXPECT_EQ(readJsonIntList("{\"s\":[2, 0, 7]}", "s"), (std::vector<std::int32_t>{2, 0, 7}));
    EXPECT_EQ(readJsonIntList("{\"s\":[1,\"x\",2]}", "s"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(readJsonIntList("{\"s\":[1,\"3\",4294967296,-2147483648]}", "s"),
              (std::vector<std::int32_t>{1, INT32_MIN}));
    EXPECT_TRUE(readJsonIntList("{\"s\":[]}", "s").empty());
    EXPECT_TRUE(readJsonIntList("{\"s\":[1,2", "s").empty());
    EXPECT_TRUE(readJsonIntList("{\"s\": [1]}", "s").empty());
    EXPECT_EQ(readJsonIntList("{\"s\":[ 3.9 ,+4]}", "s"), (std::vector<std::int32_t>{3, 4}));
    EXPECT_EQ(readJsonNumberList("{\"v\":[1.5,x,-2e-1,1e400]}", "v"), (std::vector<double>{1.5, -0.2}));
}

} // namespace
} // namespace Corvana

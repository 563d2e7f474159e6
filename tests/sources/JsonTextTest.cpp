#include "sources/JsonText.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>
#include <utility>

namespace Corvana {
namespace {

TEST(JsonEscapeTest, EscapesEveryControlByteAndStaysValidJson) {
    const std::string input = std::string("a\tb\"c\\d") + '\x01' + "\xC3\xA9" + '\x1b' + "\n\r";
    EXPECT_EQ(escapeJson(input), "a\\tb\\\"c\\\\d\\u0001\xC3\xA9\\u001b\\n\\r");
    EXPECT_EQ(escapeJsonQuotes("C:\\Tools\\\"x\""), "C:\\\\Tools\\\\\\\"x\\\"");
    for (int byte = 0; byte < 0x80; ++byte) {  // a lone high byte is not UTF-8; the writer keeps bytes as they are
        const std::string text = "x" + std::string(1, static_cast<char>(byte)) + "y";
        const auto parsed = Testing::parseJsonOrFail("{\"k\":" + quoteJsonText(text) + "}");
        EXPECT_EQ(parsed["k"].get<std::string>(), text) << "byte " << byte;
    }
}

TEST(JsonReadTest, StringsFollowTheExactPatternAndUnescape) {
    const std::pair<const char*, const char*> rows[] = {
        {"{\"a\": \"x\"}", ""}, {"{\"a\":\"x\"}", "x"}, {"{\"ab\":\"1\",\"a\":\"2\"}", "2"}, {"", ""},
        {"{\"a\":\"C:\\\\Users\\\\me\\\\t.ptf\"}", "C:\\Users\\me\\t.ptf"},
        {"{\"a\":\"q\\\"x\\n\\r\\t\\/\"}", "q\"x\n\r\t/"}, {"{\"a\":\"\\u0041\"}", "u0041"},
        {"{\"a\":\"unterminated", "unterminated"}, {"{\"a\":\"end\\", "end\\"}};
    for (const auto& [json, value] : rows) EXPECT_EQ(readJsonString(json, "a"), value) << json;
}

TEST(JsonReadTest, NumbersBoolsAndListsFallBackOnAnythingUnreadable) {
    const std::pair<const char*, double> numbers[] = {
        {"{\"n\": 2.5mm}", 2.5}, {"{\"n\":\"2.5\"}", 7}, {"{\"n\":-3e2}", -300}, {"{\"m\":1}", 7},
        {"{\"n\":1e999}", 7},    {"{\"n\":nan}", 7},      {"{\"n\":--5}", 7},     {"{\"n\":", 7}};
    for (const auto& [json, value] : numbers) EXPECT_EQ(readJsonNumber(json, "n", 7), value) << json;

    EXPECT_TRUE(readJsonBool("{\"b\":  true}", "b"));
    for (const char* json : {"{\"b\":\"true\"}", "{\"b\":false}", "{}", "{\"b\":tru"})
        EXPECT_FALSE(readJsonBool(json, "b")) << json;

    using Ints = std::vector<std::int32_t>;
    EXPECT_EQ(readJsonIntList("{\"s\":[2, 0, 7]}", "s"), (Ints{2, 0, 7}));
    EXPECT_EQ(readJsonIntList("{\"s\":[1,\"3\",4294967296,-2147483648,\"x\"]}", "s"), (Ints{1, INT32_MIN}));
    EXPECT_EQ(readJsonIntList("{\"s\":[ 3.9 ,+4]}", "s"), (Ints{3, 4}));
    for (const char* json : {"{\"s\":[]}", "{\"s\":[1,2", "{\"s\": [1]}"})
        EXPECT_TRUE(readJsonIntList(json, "s").empty()) << json;
    EXPECT_EQ(readJsonNumberList("{\"v\":[1.5,x,-2e-1,1e400]}", "v"), (std::vector<double>{1.5, -0.2}));
}

} // namespace
} // namespace Corvana

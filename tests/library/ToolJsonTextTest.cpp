#include "library/ToolJsonText.h"

#include <gtest/gtest.h>

#include <string>

namespace Corvana {
namespace {

TEST(ToolJsonTextTest, MembersAreReadAtTheirOwnLevelWithOrWithoutBlanks) {
    // Keys sorted as the host writes them: the holder's product-id comes first.
    const std::string compact =
        R"({"description":"EM 12","holder":{"product-id":"","unit":"inches"},"product-id":"abc-1"})";
    const std::string spaced = "{ \"holder\" : { \"product-id\" : \"H\" } ,\n\t\"product-id\" :\"abc-2\" }";
    EXPECT_EQ(toolProductId(compact), "abc-1");
    EXPECT_EQ(toolProductId(spaced), "abc-2");
    EXPECT_EQ(toolProductId(R"({"holder":{"product-id":"H"}})"), "") << "a holder's identifier is not the tool's";
    EXPECT_EQ(jsonMemberText(compact, "holder").value_or("?"), R"({"product-id":"","unit":"inches"})");
    EXPECT_EQ(jsonStringMember(compact, "unit"), "");
    EXPECT_EQ(jsonNumberMember(R"({"ab":1,"a":2})", "a").value_or(-1), 2);
    EXPECT_EQ(jsonNumberMember(R"({"a":"3"})", "a"), std::nullopt) << "a quoted number is text";
    EXPECT_EQ(jsonNumberMember(R"({"a":1e400})", "a"), std::nullopt);
    EXPECT_EQ(jsonNumberMember(R"({"s":"x\"}","a":-0.5})", "a").value_or(0), -0.5) << "quotes inside strings";
    // Cut short, a missing comma, not at the top level, nested too deep, empty.
    for (const std::string& broken : {std::string(R"({"a":)"), std::string(R"({"x":[1,{"a":2}] "a":1})"),
                                      std::string(R"([{"a":1}])"), std::string(100, '[') + "\"a\"", std::string()})
        EXPECT_EQ(jsonMemberText(broken, "a"), std::nullopt) << broken;
}

TEST(ToolJsonTextTest, StringEscapesAreDecoded) {
    EXPECT_EQ(jsonStringValue(R"("a\"b\\c\/d\n\t")").value_or("?"), "a\"b\\c/d\n\t");
    EXPECT_EQ(jsonStringValue(R"("\u00d8 6 \ud83d\ude00")").value_or("?"), "\xC3\x98 6 \xF0\x9F\x98\x80");
    EXPECT_EQ(jsonStringValue(R"("\u12")").value_or("?"), "u12") << "a broken escape stays text";
    EXPECT_FALSE(jsonStringValue("12") || jsonStringValue("\""));
}

TEST(ToolJsonTextTest, HolderKeyCountsSegmentNumbersInUnitSteps) {
    EXPECT_EQ(holderKey(R"({"unit":"millimeters","segments":[{"height":12.5,"lower-diameter":30.0}]})"),
              "millimeters|500|1200");
    EXPECT_EQ(holderKey(R"({"segments": [ {"height": 0.5, "upper-diameter": 1.25} ], "unit": "inches"})"),
              "inches|500|1250");
    EXPECT_EQ(holderKey(R"({"unit":"inches","segments":[{"height":0.0005}, {"height":-0.0015}]})"),
              "inches|1|-2") << "halves away from zero";
    EXPECT_EQ(holderKey(R"({"unit":"millimeters","gaugeLength":70})"), "millimeters");
    EXPECT_EQ(holderKey("not json"), "");
}

} // namespace
} // namespace Corvana

#include "adsk/sim/SimHost.h"

#include "CAM/CAMAll.h"
#include "tests/support/JsonCheck.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace Corvana {
namespace {

using namespace adsk::cam;
using adsk::core::Ptr;

const std::string fixtureFolder = std::string(CORVANA_SOURCE_DIR) + "/tests/fixtures/fusion-libraries/";

Ptr<ToolLibrary> loadFixture(const std::string& name) {
    return ToolLibrary::createFromJson(Testing::readText(fixtureFolder + name));
}

Ptr<CAMParameter> parameterOf(const Ptr<Tool>& tool, const std::string& name) {
    return tool->parameters()->itemByName(name);
}

// The parameter's value as `Value`, null when the tool has none of that kind.
template <typename Value>
Ptr<Value> valueOf(const Ptr<Tool>& tool, const std::string& name) {
    const auto parameter = parameterOf(tool, name);
    return parameter ? Ptr<Value>(parameter->value()) : nullptr;
}

// The value of a float parameter, or NaN when the tool has none.
double floatOf(const Ptr<Tool>& tool, const std::string& name) {
    const auto value = valueOf<FloatParameterValue>(tool, name);
    return value ? value->value() : std::nan("");
}

TEST(ToolLibraryTest, RejectsMalformedAndWrongDocuments) {
    const std::vector<std::string> rejected = {
        "", "{", "[]", "{}", "{\"data\":{}}", "{\"data\":[1]}", "{\"data\":[{}]}", "{\"data\":[{\"type\":3}]}",
        "{\"data\":[{\"type\":\"drill\"},{\"unit\":\"inches\"}]}",
        "{\"data\":[{\"type\":\"drill\"}]} trailing",
        "{\"data\":[{\"type\":\"dr\xff\xfeill\"}]}", "{\"data\":[{\"type\":\"dr\xed\xa0\x80ill\"}]}",
        "{\"data\":[{\"type\":\"dr\\ud800ill\"}]}", "{\"data\":[{\"type\":\"dr\tll\"}]}",
        "{\"data\":[{\"type\":\"drill\",\"n\":1e400}]}", "{\"data\":[{\"type\":\"drill\",\"n\":01}]}",
        "{\"data\":[{\"type\":\"drill\",}]}", "{\"data\":[{\"type\":\"drill\",\"n\":tru}]}",
        "{\"data\":[{\"type\":\"drill\",\"x\":" + std::string(62, '[') + std::string(62, ']') + "}]}",
        "{\"data\":[{\"type\":\"drill\",\"x\":" + std::string(5000, '[') + std::string(5000, ']') + "}]}",
        // A repeated member counts with its last value, as a parser keeps it.
        "{\"data\":[{\"type\":\"drill\"}],\"data\":{}}", "{\"data\":[{\"type\":\"drill\",\"type\":3}]}",
    };
    for (const auto& text : rejected) EXPECT_FALSE(ToolLibrary::createFromJson(text)) << text.substr(0, 60);

    // The deepest nesting taken, escapes, an underflowing number, blanks inside an entry.
    const std::string accepted = "{\"data\":[{\"type\":\"dr\\ud83d\\ude00\xc3\xa9\\n\", \"n\" : -0.5e-400,\"x\":" +
                                 std::string(61, '[') + std::string(61, ']') + "}]}";
    const auto deepest = ToolLibrary::createFromJson(accepted);
    ASSERT_TRUE(deepest);
    EXPECT_EQ(deepest->item(0)->toJson().find(' '), std::string::npos) << "entries are held compact";
    // Brackets inside strings do not nest; escaped names and the last of repeated members count.
    for (const auto& [text, count] : std::vector<std::pair<std::string, std::size_t>>{
             {"{\"data\":[]}", 0}, {"{\"data\":[{\"type\":\"drill\",\"note\":\"[[{\"}],\"version\":26}", 1},
             {"{\"d\\u0061ta\":[{\"type\":\"drill\"}]}", 1}, {"{\"data\":{},\"data\":[{\"type\":\"drill\"}]}", 1},
             {"{\"data\":[{\"t\\u0079pe\":1,\"type\":\"drill\"}],\"data\":[]}", 0}}) {
        const auto read = ToolLibrary::createFromJson(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(read->count(), count) << text;
    }
    // Members on both sides of "data" in name order, and blanks between tokens.
    const std::string spacedText = "{ \"version\" : 2,\n \"data\" : [ { \"type\" : \"a b\" } ], \"Z\": {} }";
    const auto spaced = ToolLibrary::createFromJson(spacedText);
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->item(0)->toJson(), R"({"type":"a b"})");
    EXPECT_EQ(Testing::parseJsonOrFail(spaced->toJson()), Testing::parseJsonOrFail(spacedText));
}

// The add-in compares and fixes tools through these parameters, so their units matter.
TEST(ToolLibraryTest, ParametersAreInCentimetresAndRadiansAndWriteBackInTheToolUnit) {
    const auto inch = loadFixture("fusion-library-v26-inch-drills-endmills-holders.json");
    const auto probe = loadFixture("fusion-library-v33-mm-probe-with-shaft.json");
    ASSERT_TRUE(inch && probe && loadFixture("fusion-library-v1-mm-legacy-presets.json"));
    EXPECT_EQ(inch->count(), 6u);
    EXPECT_NEAR(floatOf(inch->item(0), "tool_tipAngle"), 2.0594885, 1e-6) << "118 degrees in radians";
    const auto mill = inch->item(2);
    EXPECT_NEAR(floatOf(mill, "tool_diameter"), 0.9525, 1e-9);
    EXPECT_NEAR(floatOf(mill, "tool_holderGaugeLength"), 10.52322, 1e-9);
    EXPECT_EQ(valueOf<IntegerParameterValue>(mill, "tool_numberOfFlutes")->value(), 3);
    EXPECT_NEAR(floatOf(probe->item(0), "tool_shaftDiameter"), 0.157, 1e-12);
    EXPECT_FALSE(parameterOf(probe->item(0), "tool_fluteLength"));

    EXPECT_TRUE(valueOf<IntegerParameterValue>(mill, "tool_numberOfTeeth")->value(4));
    EXPECT_TRUE(valueOf<BooleanParameterValue>(mill, "tool_clockwise")->value(false));
    EXPECT_TRUE(valueOf<FloatParameterValue>(mill, "tool_diameter")->value(1.27));
    EXPECT_FALSE(valueOf<FloatParameterValue>(mill, "tool_diameter")->value(std::nan(""))) << "not a length";
    const auto entry = Testing::parseJsonOrFail(ToolLibrary::createFromJson(inch->toJson())->item(2)->toJson());
    EXPECT_EQ(entry["geometry"]["NT"], 4);
    EXPECT_EQ(entry["geometry"]["HAND"], false);
    EXPECT_NEAR(entry["geometry"]["DC"].get<double>(), 0.5, 1e-12) << "stored in inches";
}

TEST(ToolLibraryTest, StandaloneHoldersAndUnknownUnits) {
    const auto library = ToolLibrary::createFromJson(
        "{\"data\":[{\"type\":\"holder\",\"description\":\"BT30 ER16\",\"unit\":\"millimeters\",\"gaugeLength\":45},"
        "{\"type\":\"drill\",\"unit\":\"furlongs\",\"geometry\":{\"DC\":3,\"SIG\":\"118\"}}]}");
    ASSERT_TRUE(library);
    EXPECT_NEAR(floatOf(library->item(0), "tool_holderGaugeLength"), 4.5, 1e-12);
    EXPECT_FALSE(parameterOf(library->item(1), "tool_diameter")) << "a length in an unknown unit is not offered";
    EXPECT_FALSE(parameterOf(library->item(1), "tool_tipAngle")) << "a text is not a number";
}

} // namespace
} // namespace Corvana

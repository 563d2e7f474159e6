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
        "{\"data\":[{\"type\":\"dr\xff\xfeill\"}]}",
        "{\"data\":[{\"type\":\"drill\",\"x\":" + std::string(5000, '[') + std::string(5000, ']') + "}]}",
        // A repeated member counts with its last value, as a parser keeps it.
        "{\"data\":[{\"type\":\"drill\"}],\"data\":{}}", "{\"data\":[{\"type\":\"drill\",\"type\":3}]}",
    };
    for (const auto& text : rejected) EXPECT_FALSE(ToolLibrary::createFromJson(text)) << text.substr(0, 60);

    EXPECT_EQ(ToolLibrary::createFromJson("{\"data\":[]}")->count(), 0u);
    const auto library = ToolLibrary::createFromJson("{\"data\":[{\"type\":\"drill\",\"note\":\"[[{\"}],\"version\":26}");
    ASSERT_TRUE(library) << "brackets inside strings do not count as nesting";
    EXPECT_EQ(library->count(), 1u);

    for (const std::string text : {"{\"d\\u0061ta\":[{\"type\":\"drill\"}]}", "{\"data\":{},\"data\":[{\"type\":\"drill\"}]}",
                                   "{\"data\":[{\"t\\u0079pe\":1,\"type\":\"drill\"}],\"data\":[]}"}) {
        const auto read = ToolLibrary::createFromJson(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(read->count(), text.find("[]") == std::string::npos ? 1u : 0u) << text;
    }
    // Members on both sides of "data" in name order, and blanks between tokens.
    const std::string spacedText = "{ \"version\" : 2,\n \"data\" : [ { \"type\" : \"a b\" } ], \"Z\": {} }";
    const auto spaced = ToolLibrary::createFromJson(spacedText);
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->item(0)->toJson(), R"({"type":"a b"})");
    EXPECT_EQ(Testing::parseJsonOrFail(spaced->toJson()), Testing::parseJsonOrFail(spacedText));
}

TEST(ToolLibraryTest, RealLibrariesLoadWithCentimetreParameters) {
    const auto inch = loadFixture("fusion-library-v26-inch-drills-endmills-holders.json");
    const auto probe = loadFixture("fusion-library-v33-mm-probe-with-shaft.json");
    const auto legacy = loadFixture("fusion-library-v1-mm-legacy-presets.json");
    ASSERT_TRUE(inch && probe && legacy);
    EXPECT_EQ(inch->count(), 6u);
    EXPECT_EQ(probe->count(), 1u);
    EXPECT_EQ(legacy->count(), 7u);

    // 15/64" drill and a 3/8" end mill with an ER32 holder, all in inches.
    const auto drill = inch->item(0);
    EXPECT_NEAR(floatOf(drill, "tool_diameter"), 0.5953125, 1e-9);
    EXPECT_NEAR(floatOf(drill, "tool_tipAngle"), 2.0594885, 1e-6) << "118 degrees in radians";
    EXPECT_EQ(drill->description(), "15/64\" drill");
    EXPECT_FALSE(parameterOf(drill, "tool_holderGaugeLength")) << "no holder, no holder gauge";
    const auto mill = inch->item(2);
    EXPECT_NEAR(floatOf(mill, "tool_diameter"), 0.9525, 1e-9);
    EXPECT_NEAR(floatOf(mill, "tool_holderGaugeLength"), 10.52322, 1e-9);
    EXPECT_NEAR(floatOf(mill, "tool_assemblyGaugeLength"), 14.65072, 1e-9);
    EXPECT_EQ(valueOf<ChoiceParameterValue>(mill, "tool_type")->value(), "flat end mill");
    EXPECT_EQ(valueOf<IntegerParameterValue>(mill, "tool_numberOfFlutes")->value(), 3);
    EXPECT_TRUE(valueOf<BooleanParameterValue>(mill, "tool_clockwise")->value());
    EXPECT_EQ(valueOf<StringParameterValue>(mill, "holder_description")->value(), "Thermwood ER32 holder");
    EXPECT_EQ(valueOf<FloatParameterValue>(mill, "tool_diameter")->type(), LengthFloatParameterValueType);
    EXPECT_FALSE(valueOf<IntegerParameterValue>(mill, "tool_diameter")) << "checked cast";

    // Millimetre tools, including the probe whose JSON carries only four lengths.
    EXPECT_NEAR(floatOf(legacy->item(6), "tool_diameter"), 0.3, 1e-12);
    EXPECT_NEAR(floatOf(legacy->item(4), "tool_taperAngle"), 0.7853982, 1e-6);
    const auto probeTool = probe->item(0);
    EXPECT_NEAR(floatOf(probeTool, "tool_diameter"), 0.2, 1e-12);
    EXPECT_NEAR(floatOf(probeTool, "tool_shaftDiameter"), 0.157, 1e-12);
    EXPECT_FALSE(parameterOf(probeTool, "tool_fluteLength"));
    EXPECT_EQ(valueOf<IntegerParameterValue>(probeTool, "tool_number")->value(), 7);
}

TEST(ToolLibraryTest, SetParametersChangeTheToolJsonInItsOwnUnit) {
    const auto inch = loadFixture("fusion-library-v26-inch-drills-endmills-holders.json");
    const auto mill = inch->item(2);
    const auto diameter = valueOf<FloatParameterValue>(mill, "tool_diameter");
    EXPECT_TRUE(parameterOf(mill, "tool_numberOfTeeth")->isEditable());
    EXPECT_TRUE(valueOf<IntegerParameterValue>(mill, "tool_numberOfTeeth")->value(4));
    EXPECT_TRUE(valueOf<BooleanParameterValue>(mill, "tool_clockwise")->value(false));
    EXPECT_TRUE(diameter->value(1.27));
    EXPECT_FALSE(diameter->value(std::nan(""))) << "not a length";

    const auto entry = Testing::parseJsonOrFail(mill->toJson());
    EXPECT_EQ(entry["geometry"]["NT"], 4);
    EXPECT_EQ(entry["geometry"]["HAND"], false);
    EXPECT_NEAR(entry["geometry"]["DC"].get<double>(), 0.5, 1e-12) << "stored in inches";
    EXPECT_NE(mill->toJson().find("\"product-id\":\"VX1240\""), std::string::npos) << "compact text";

    // The library writes the changed tool; a copy added elsewhere is independent.
    const auto reread = ToolLibrary::createFromJson(inch->toJson());
    ASSERT_TRUE(reread);
    EXPECT_NEAR(floatOf(reread->item(2), "tool_diameter"), 1.27, 1e-12);
    EXPECT_EQ(Testing::parseJsonOrFail(inch->toJson())["version"], 26);
    const auto other = ToolLibrary::createFromJson("{\"data\":[]}");
    EXPECT_TRUE(other->add(mill));
    valueOf<FloatParameterValue>(other->item(0), "tool_diameter")->value(2.54);
    EXPECT_NEAR(floatOf(mill, "tool_diameter"), 1.27, 1e-12);
}

TEST(ToolLibraryTest, StandaloneHoldersAndUnknownUnits) {
    const auto library = ToolLibrary::createFromJson(
        "{\"data\":[{\"type\":\"holder\",\"description\":\"BT30 ER16\",\"unit\":\"millimeters\","
        "\"gaugeLength\":45,\"vendor\":\"Acme\"},"
        "{\"type\":\"drill\",\"unit\":\"furlongs\",\"geometry\":{\"DC\":3,\"SIG\":\"118\"}}]}");
    ASSERT_TRUE(library);
    const auto holder = library->item(0);
    EXPECT_EQ(holder->description(), "BT30 ER16");
    EXPECT_EQ(valueOf<StringParameterValue>(holder, "holder_description")->value(), "BT30 ER16");
    EXPECT_NEAR(floatOf(holder, "tool_holderGaugeLength"), 4.5, 1e-12);
    EXPECT_FALSE(parameterOf(holder, "tool_description"));

    const auto drill = library->item(1);
    EXPECT_FALSE(parameterOf(drill, "tool_diameter")) << "a length in an unknown unit is not offered";
    EXPECT_FALSE(parameterOf(drill, "tool_tipAngle")) << "a text is not a number";
}

} // namespace
} // namespace Corvana

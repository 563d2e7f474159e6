#include "library/ImportRequest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace Corvana {
namespace {

using Names = std::vector<std::string>;
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();

// A metric tool of diameter 10; `tipRadius` and `centreY` shape off-centre tips.
ToolModel makeTool(const std::string& identifier, const std::string& type = "end_mill", double tipRadius = 0,
                   double centreY = 0) {
    ToolModel tool;
    tool.identifier = identifier;
    tool.type = type;
    tool.typeCode = typeCodeFor(type);
    tool.diameter = 10;
    tool.isMetric = true;
    tool.tipRadius = tipRadius;
    tool.tipRadiusCentreY = centreY;
    return tool;
}

std::vector<ToolModel> makeTools(std::size_t count) {
    std::vector<ToolModel> tools;
    for (std::size_t i = 0; i < count; ++i) tools.push_back(makeTool("T" + std::to_string(i)));
    return tools;
}

// The request's library name, then its tools' identifiers.
Names namesOf(const ImportRequest& request) {
    Names names{request.libraryName};
    for (const auto& tool : request.tools) names.push_back(tool.identifier);
    return names;
}

Names readIdentifiers(const std::string& json, const std::vector<ToolModel>& source) {
    Names names = namesOf(readImportRequest(json, source, "Default"));
    names.erase(names.begin());
    return names;
}

TEST(ImportRequestTest, SelectionKeepsRequestOrderAndSkipsUnusableTools) {
    auto source = makeTools(3);
    EXPECT_EQ(readIdentifiers(R"({"selectedIndices":[2, 0, 7]})", source), (Names{"T2", "T0"}));
    EXPECT_EQ(readIdentifiers(R"({"selectedIndices":[1,"x",2]})", source), (Names{"T1", "T2"}));
    EXPECT_EQ(readIdentifiers(R"({"selectedIndices":[-1,2147483647,-2147483648,99999999999,1]})", source),
              (Names{"T1"}));
    EXPECT_TRUE(readIdentifiers(R"({"selectedIndices":[0,1)", source).empty());
    EXPECT_TRUE(readIdentifiers("{}", source).empty());

    // OffCentre: centre on the axis, radius below the tool radius, neither lens nor oval.
    // Lens: centre on the axis at the radius' own height, which Fusion takes.
    source.insert(source.end(), {makeTool("Router", "routing"), makeTool("Turn", "turn_grooving"),
                                 makeTool("OffCentre", "off_centre_tip_rad", 1),
                                 makeTool("Lens", "off_centre_tip_rad", 2, 2)});
    const std::string json = R"({"selectedIndices":[3,4,5,6,0]})";
    EXPECT_EQ(readIdentifiers(json, source), (Names{"Lens", "T0"}));
    EXPECT_EQ(selectedSourceIndices(json, source), (std::vector<std::size_t>{6, 0}));

    // Taking the tools out of the list gives the same request, a tool selected twice included.
    const std::string twice = R"({"selectedIndices":[0,3,6,0,7]})";
    EXPECT_EQ(namesOf(readImportRequest(twice, std::move(source), "D")), (Names{"D", "T0", "Lens", "T0"}));
}

TEST(ImportRequestTest, RequestWideOptionsAndDisplayUnits) {
    auto source = makeTools(3);
    source[1].isMetric = false;
    const auto request = readImportRequest(
        R"({"addinVersion":"2.4.1","selectedIndices":[1,7,0,2],"displayUnitMetric":[1,1,0],)"
        R"("removeUndercuts":true,"undercutThreshold":12.5})",
        source, "D");
    ASSERT_EQ(request.tools.size(), 3u);
    // Units follow positions in the selection, the unusable index 7 included.
    EXPECT_EQ(request.tools[0].displayUnit + "|" + request.tools[1].displayUnit + "|" + request.tools[2].displayUnit,
              "millimeters|inches|");
    EXPECT_EQ(std::tuple(request.tools[2].sourceDetail, request.simplify.removeUndercuts,
                         request.simplify.undercutThreshold, request.simplify.metric),
              std::tuple("2.4.1", true, 0.125, false));
    EXPECT_TRUE(readImportRequest(R"({"selectedIndices":[0]})", source, "D").simplify.metric) << "the first tool's unit";
}

TEST(ImportRequestTest, OverridesTakeTheFirstMatchAndStayInTheInt32Range) {
    auto source = makeTools(2);
    source[1].pitch = 0.8;
    const std::string json =
        R"({"selectedIndices":[1],"diameterOverrideIndices":[1,1],"diameterOverrideValues":[12.5,99],)"
        R"("pitchOverrideIndices":[0,1],"pitchOverrideValues":[3],)"
        R"("flutesOverrideIndices":[1],"flutesOverrideValues":[3.5],)"
        R"("clockwiseOverrideIndices":[1],"clockwiseOverrideValues":[0],)"
        R"("toolNumberOverrideIndices":[1],"toolNumberOverrideValues":[-1e300]})";
    const auto request = readImportRequest(json, source, "D");
    ASSERT_EQ(request.tools.size(), 1u);
    // The pitch value list ends before index 1's position; the source tool is not changed.
    const ToolModel& tool0 = request.tools[0];
    EXPECT_EQ((std::vector<double>{tool0.diameter, tool0.pitch, double(tool0.numFlutes), double(tool0.spindleClockwise),
                                   double(tool0.number), source[1].diameter}),
              (std::vector<double>{12.5, 0.8, 4, 0, int32Min, 10}));

    ToolModel tool = makeTool("T");
    applyToolCorrections(tool, 0, R"({"flutesOverrideIndices":[0],"flutesOverrideValues":[2.49]})");
    EXPECT_EQ(tool.numFlutes, 2);
    applyToolCorrections(tool, 0, R"({"handOverrideIndices":[0],"handOverrideValues":[1e300]})");
    EXPECT_EQ(tool.tapHand, int32Max);
}

TEST(ImportRequestTest, PresetFlagsAndGeneratedPresets) {
    ToolModel tool = makeTool("T");
    tool.usePresets = false;
    tool.assignStrategies = true;
    applyToolCorrections(tool, 0, "{}");
    EXPECT_EQ(std::pair(tool.usePresets, tool.assignStrategies), std::pair(true, false));
    applyToolCorrections(tool, 0, R"({"preserveSource":false,"associateCuttingData":true})");
    EXPECT_EQ(std::pair(tool.usePresets, tool.assignStrategies), std::pair(false, true));

    // {tool index, request, presets afterwards}: an empty text leaves the earlier one.
    const std::string json = R"({"genIndices":[12,1],"genPreset_12":"[{\"a\":1}]","genPreset_1":"[{\"b\":2}]"})";
    for (const auto& [index, request, expected] : std::vector<std::tuple<std::int32_t, std::string, std::string>>{
             {12, json, R"([{"a":1}])"},
             {1, json, R"([{"b":2}])"},
             {2, R"({"genIndices":[2],"genPreset_2":""})", R"([{"b":2}])"}}) {
        applyToolCorrections(tool, index, request);
        EXPECT_EQ(tool.presetsJson, expected) << index;
    }
    applyToolCorrections(tool, 0, R"({"diameterOverrideIndicesX":[0],"diameterOverrideValues":[4]})");
    EXPECT_EQ(tool.diameter, 10);
}

TEST(ImportRequestTest, ThreadMillLengthAndTeethFollowThePitch) {
    ToolModel mill = makeTool("TM", "thread_mill");
    mill.pitch = 1.5;
    mill.overhang = 20;
    mill.clockwise = false;
    for (const double length : {1.0, 0.0}) {
        ToolModel corrected = mill;
        corrected.length = length;
        applyToolCorrections(corrected, 0, "{}");
        // At least one pitch long, unless unknown.
        EXPECT_EQ(std::tuple(corrected.length, corrected.overhang, corrected.spindleClockwise),
                  std::tuple(length == 0 ? 0 : 1.5, 20.0, false)) << length;
    }

    // (length, pitch): 8 teeth, none, an end mill, too many, 3.
    std::vector<ToolModel> tools;
    for (const auto& [length, pitch] :
         std::vector<std::pair<double, double>>{{12, 1.5}, {1.2, 1.5}, {0, 0}, {1e300, 1e-300}, {6, 2}}) {
        tools.push_back(makeTool("", tools.size() == 2 ? "end_mill" : "thread_mill"));
        tools.back().length = length;
        tools.back().pitch = pitch;
    }
    tools[0].spindleClockwise = false;
    const auto fixes = buildThreadMillFixes(tools, {"a", "b", "c", "d"});
    ASSERT_EQ(fixes.size(), 3u);
    EXPECT_EQ(std::tuple(fixes.at("a").numberOfTeeth, fixes.at("a").clockwise, fixes.at("b").numberOfTeeth,
                         fixes.at("d").numberOfTeeth), std::tuple(8, false, 0, int32Max));
    EXPECT_EQ(buildThreadMillFixes(tools, {"x", "y", "z", "w", "x"}).at("x").numberOfTeeth, 3);
}

} // namespace
} // namespace Corvana

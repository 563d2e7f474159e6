#include "convert/LibraryJson.h"

#include "convert/Classification.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>

namespace Corvana {
namespace {

using Testing::parseJsonOrFail;

ToolModel metricTool(const std::string& type = "end_mill") {
    ToolModel tool;
    tool.isMetric = true;
    tool.type = type;
    tool.typeCode = typeCodeFor(type);
    tool.name = "EM10";
    tool.diameter = 10;
    tool.length = 22;
    tool.numFlutes = 2;
    return tool;
}

// The parsed first tool entry of a one-tool document.
nlohmann::json toolEntry(const ToolModel& tool) {
    const auto document = parseJsonOrFail(buildToolLibraryJson({tool}, "", {}, ToolsOnly));
    return document.is_null() ? nlohmann::json() : document["data"][0];
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// Each member of `expected` must be in `actual` with that value.
void expectMembers(const nlohmann::json& actual, std::string_view expected) {
    const auto members = nlohmann::json::parse(expected);
    for (const auto& [key, value] : members.items()) EXPECT_EQ(actual.value(key, nlohmann::json()), value) << key;
}

TEST(LibraryJsonTest, UnitConversionScalesLengthsAndSpeedsButNotRatios) {
    ToolModel tool = metricTool();
    tool.taperAngle = 30;
    tool.shankSegments = {{12.7, 10, 25.4, 2.54}};
    tool.holderSegments = {holderCone(50.8, 25.4, 127)};
    tool.holderSegments[0].curveRadius = 2.54;
    tool.presets = {{"Roughing", "Steel", "", 100, 0.01}};
    const ToolModel inches = convertToolUnits(tool, false), back = convertToolUnits(inches, true);
    const HolderSegment& holder = inches.holderSegments[0];
    for (const auto& [converted, expected] :
         {std::pair{inches.diameter, 10 / 25.4}, {inches.shankSegments[0].filletRadius, 0.1},
          {holder.upperDiameter, 2.0}, {holder.lowerDiameter, 1.0}, {holder.length, 5.0}, {holder.curveRadius, 0.1},
          {inches.presets[0].cuttingSpeed, 100 / 0.3048}, {back.presets[0].cuttingSpeed, 100.0},
          {back.holderSegments[0].length, 127.0}})
        EXPECT_NEAR(converted, expected, 1e-12);
    EXPECT_EQ(std::tuple(inches.isMetric, inches.taperAngle, inches.presets[0].feedPerTooth),
              std::tuple(false, 30.0, 0.01));
}

TEST(LibraryJsonTest, GeometryParametersDependOnTheType) {
    ToolModel drill = metricTool("drill");
    for (const double angle : {59.0, 0.0, 118.0}) {  // 118: a full point angle, as template and session drills carry it
        drill.taperAngle = angle;
        EXPECT_EQ(toolEntry(drill)["geometry"]["SIG"], 118) << angle;
    }
    drill.taperAngle = 0;
    drill.keywordKinds = {KindSpotDrill};
    EXPECT_EQ(toolEntry(drill)["geometry"]["SIG"], 90);

    ToolModel tap = metricTool("tap");
    tap.tapHand = 0;
    tap.pitch = 1.25;
    expectMembers(toolEntry(tap), R"({"type":"tap left hand","BMC":"hss"})");  // the taps' default body material
    EXPECT_EQ(toolEntry(tap)["geometry"]["TP"], 1.25);

    ToolModel threadMill = metricTool("thread_mill");
    threadMill.pitch = 1.5;
    threadMill.spindleClockwise = false;
    expectMembers(toolEntry(threadMill)["geometry"], R"({"NT":1,"clockwise":false,"TPN":1.5,"TPX":1.5})");

    ToolModel taper = metricTool("taper_tipped");
    taper.taperDiameter = 4;
    taper.taperHeight = 12;
    taper.taperAngle = 10;
    taper.tipRadius = 0.5;
    taper.overhang = 46;
    expectMembers(toolEntry(taper), R"({"tapered-type":"tapered_bull_nose","type":"tapered mill"})");
    expectMembers(toolEntry(taper)["geometry"],
                  R"({"DC":4,"SFDM":10,"LCF":12,"RE":0.5,"TA":10,"tip-length":12,"LB":46,"OAL":46})");

    ToolModel lens = metricTool("off_centre_tip_rad");
    lens.tipRadius = 20;
    lens.tipRadiusCentreY = 20;
    expectMembers(toolEntry(lens)["geometry"], R"({"SFDM":9.975,"lower-radius":20,"RE":0.025,"upper-radius":0})");

    // A probe's body is its ball; it has neither a body material nor a cutting length.
    ToolModel probe = metricTool("probe");
    probe.diameter = 2;
    probe.shankSegments = {{6, 6, 20, 0}};
    const auto entry = toolEntry(probe);
    EXPECT_FALSE(entry.contains("BMC"));
    EXPECT_FALSE(entry["geometry"].contains("LCF") || entry["geometry"].contains("shoulder-length"));
    EXPECT_EQ(entry["geometry"]["LB"], 22);
}

TEST(LibraryJsonTest, NonFiniteValuesAreWrittenAsZero) {
    ToolModel barrel = metricTool("barrel");
    barrel.barrelRadius = 20;
    barrel.tipRadiusCentreY = 20;  // axial distance equal to the profile radius
    barrel.flatBottom = false;
    const std::string text = buildToolLibraryJson({barrel}, "", {}, ToolsOnly);
    EXPECT_TRUE(contains(text, R"("profile-radius":20,"axial-distance":20,"lower-radius":0,"upper-radius":0})"));
    EXPECT_FALSE(parseJsonOrFail(text).is_null());

    ToolModel broken = metricTool();
    broken.diameter = std::numeric_limits<double>::infinity();
    broken.tipRadius = std::numeric_limits<double>::quiet_NaN();
    expectMembers(toolEntry(broken)["geometry"], R"({"DC":0,"RE":0})");
}

TEST(LibraryJsonTest, PresetsTurnCuttingDataIntoSpeedsAndFeeds) {
    ToolModel tool = metricTool();
    tool.presets = {{"Roughing", "Aluminium 6061", "flood", 100, 0.01, 0.5, 0.1}};
    const auto preset = toolEntry(tool)["start-values"]["presets"][0];
    expectMembers(preset, R"({"f_n":0.2,"f_z":0.1,"tool-coolant":"flood","n":3183,"n_ramp":3183,
        "name":"PM: Aluminium 6061 - General","stepdown":1,"stepover":5,"v_c":100,"v_f":636.6198,
        "v_f_leadIn":318.3099,"v_f_plunge":210.0845,"v_f_transition":318.3099})");
    EXPECT_EQ(preset["material"]["query"], "Aluminum");

    ToolModel inch;
    inch.diameter = 0.5;
    inch.presets = {{"Finishing", "", "", 300, 0.02}};
    const FusionToolRecord record = toFusionToolRecord(inch, 2, "x");
    ASSERT_EQ(record.presets.size(), 1u);
    EXPECT_EQ(record.presets[0].n, 2292);
    EXPECT_DOUBLE_EQ(record.presets[0].f_n, 0.01);  // no flutes count as one
    EXPECT_EQ(record.presets[0].name, "PM: Unspecified Material - General");

    ToolModel feedOnly = metricTool();
    feedOnly.presets = {{"Roughing", "Steel", "", 0, 0.01}};
    expectMembers(toolEntry(feedOnly)["start-values"]["presets"][0], R"({"f_n":0.2,"f_z":0.1,"n":0})");

    ToolModel huge = metricTool();
    huge.diameter = 1e-300;
    huge.presets = {{"Roughing", "Steel", "", 100, 0.01}};
    EXPECT_EQ(toFusionToolRecord(huge, 0, "x").presets.at(0).n, std::numeric_limits<std::int32_t>::max());
}

TEST(LibraryJsonTest, ToolWithoutCuttingDataGetsOnePlaceholderPreset) {
    ToolModel tool = metricTool();
    tool.presets = {{"Roughing", "Steel", "", 0, 0}};
    const FusionToolRecord record = toFusionToolRecord(tool, 3, "x");
    ASSERT_EQ(record.presets.size(), 1u);
    EXPECT_EQ(record.presets[0].name, "PM: No Cutting Data");

    ToolModel unused = metricTool();
    unused.usePresets = false;
    unused.presets = {{"Roughing", "Steel", "", 100, 0.01}};
    EXPECT_EQ(toFusionToolRecord(unused, 0, "x").presets.at(0).name, "PM: No Cutting Data");

    unused.presetsJson = "[]";
    EXPECT_TRUE(toFusionToolRecord(unused, 0, "x").presets.empty());
    EXPECT_TRUE(contains(buildToolLibraryJson({unused}, "", {}, ToolsOnly), R"("start-values":{"presets":[]}})"));
}

TEST(LibraryJsonTest, ExtraPresetTextIsSplicedAfterGeneratedPresets) {
    ToolModel tool = metricTool();
    tool.presets = {{"Roughing", "Steel", "", 100, 0.01}, {"Finishing", "Steel", "", 120, 0.01}};
    for (const auto& [extra, count] : std::vector<std::pair<const char*, std::size_t>>{
             {R"([{"a":1}])", 3}, {"[]", 2}, {"[ \n ]", 2}, {"", 2}, {"no brackets", 2}, {"][", 2}, {"[x", 2}}) {
        tool.presetsJson = extra;
        EXPECT_EQ(toolEntry(tool)["start-values"]["presets"].size(), count) << extra;
    }
    tool.presetsJson = R"([{"a":1}])";
    EXPECT_EQ(toolEntry(tool)["start-values"]["presets"][2], nlohmann::json::parse(R"({"a":1})"));

    ToolModel extraOnly = metricTool();
    extraOnly.presetsJson = R"( [{"b":2}] )";
    EXPECT_TRUE(contains(buildToolLibraryJson({extraOnly}, "", {}, ToolsOnly), R"("presets":[{"b":2}]}})"));
}

TEST(LibraryJsonTest, StrategiesFollowPresetNamesOrTheToolRole) {
    ToolModel tool = metricTool();
    tool.assignStrategies = true;
    tool.presets = {{"Roughing", "Steel", "", 100, 0.01}, {"Finishing", "Steel", "", 120, 0.01}};
    auto presets = toolEntry(tool)["start-values"]["presets"];
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0]["strategies"]["roughing"].size(), 45u);
    EXPECT_EQ(presets[0]["strategies"]["roughing"][44], "toolpath_edit_tool_change");
    EXPECT_TRUE(presets[0]["strategies"]["finishing"].empty() && presets[1]["strategies"]["roughing"].empty());

    tool.presets = {{"Roughing", "Steel", "", 100, 0.01}, {"Roughing", "Brass", "", 120, 0.01}};
    tool.rfRole = ToolRole::Finishing;
    presets = toolEntry(tool)["start-values"]["presets"];
    EXPECT_TRUE(presets[0]["strategies"]["roughing"].empty() && presets[1]["strategies"]["finishing"].empty());
    tool.rfRole = ToolRole::None;
    EXPECT_EQ(toolEntry(tool)["start-values"]["presets"][1]["strategies"]["roughing"].size(), 45u);

    tool.presets = {{"Other", "Steel", "", 100, 0.01}};
    tool.rfRole = ToolRole::Finishing;
    EXPECT_EQ(toolEntry(tool)["start-values"]["presets"][0]["strategies"]["finishing"].size(), 45u);
    tool.assignStrategies = false;
    EXPECT_FALSE(toolEntry(tool)["start-values"]["presets"][0].contains("strategies"));
}

// The one whole-document text: a tool with a shank, a holder and no cutting data.
TEST(LibraryJsonTest, WholeDocumentText) {
    ToolModel tool = metricTool();
    tool.name = "EM10 \"Rough\"\nline2\ttab";
    tool.tipRadius = 0.5;
    tool.number = 7;
    tool.sourceKind = "PTF";
    tool.sourceDetail = "1.4.0";
    tool.shankSegments = {{10, 8, 48, 0}};
    tool.holderName = "ER32";
    tool.holderSegments = {holderCone(40, 40, 50)};
    const std::string holderRows = R"("segments":[{"height":50,"lower-diameter":40,"upper-diameter":40}])";
    const std::string expected =
        R"({"description":"Shop \"A\"","guid":"1b914c54-f18d-d976-9815-683e92d7275c","units":"millimeters",)"
        R"("version":2,"data":[)"
        R"({"BMC":"carbide","CT":"flat end mill","CSP":false,"description":"EM10 \"Rough\"\nline2\ttab",)"
        R"("guid":"id-0","number-of-flutes":2,"pre-setting":false,"product-id":"id-0","product-link":"",)"
        R"("type":"flat end mill","unit":"millimeters","vendor":"CVN: PMPTF 1.4.0",)"
        R"("geometry":{"DC":10,"LB":70,"NOF":2,"OAL":70,"SFDM":8,"shoulder-diameter":8,"LCF":22,)"
        R"("shoulder-length":22,"RE":0.5},)"
        R"("shaft":{"segments":[{"height":48,"lower-diameter":8,"upper-diameter":10}]},)"
        R"("holder":{"description":"ER32","gauge-length":50,"guid":"","product-id":"","product-link":"",)"
        R"("type":"holder","unit":"millimeters","vendor":"",)" + holderRows + "},"
        R"("post-process":{"break-control":false,"comment":"","diameter-offset":7,"length-offset":7,)"
        R"("live":true,"manual-tool-change":false,"number":7,"turret":0},)"
        R"("start-values":{"presets":[{"description":"","f_n":0,"f_z":0,)"
        R"("guid":"2eeaa1eb-1b35-d845-6c0b-b03fb61d926d",)"
        R"("material":{"category":"all","query":"","use-hardness":false},"n":0,"n_ramp":0,)"
        R"("name":"PM: No Cutting Data","use-stepdown":false,"use-stepover":false,"v_c":0,"v_f":0,)"
        R"("v_f_leadIn":0,"v_f_leadOut":0,"v_f_plunge":0,"v_f_ramp":0,"v_f_retract":0,"v_f_transition":0}]}},)"
        R"({"description":"ER32","gaugeLength":50,"guid":"843ec363-ba75-897d-2f3b-e2ea60c78835",)"
        R"("product-id":"","type":"holder","unit":"millimeters","vendor":"",)" + holderRows + "}]}";

    const std::string text = buildToolLibraryJson({tool}, "Shop \"A\"", {"id-0"}, ToolsAndHolders);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(parseJsonOrFail(text)["data"][0]["description"], "EM10 \"Rough\"\nline2\ttab");
}

TEST(LibraryJsonTest, ToolsAndHoldersShareLibraryHoldersByShape) {
    std::vector<ToolModel> tools(4, metricTool());
    tools[0].holderSegments = {holderCone(40, 40, 50)};
    tools[1].holderSegments = {holderCone(40, 40, 50)};  // the same shape: one library holder
    tools[1].holderName = "Other name";
    tools[1].name.clear();
    tools[1].entityName = "EM6";
    tools[1].toolMaterial = "hss";
    tools[2].holderSegments = {holderCone(32, 32, 60)};
    tools[2].holderName = "Short";
    tools[3].holderName = "Named only";  // a holder object without segments, and no library holder

    auto document = parseJsonOrFail(buildToolLibraryJson(tools, "L", {"", "b"}, ToolsAndHolders));
    ASSERT_EQ(document["data"].size(), 6u);
    EXPECT_EQ(document["data"][0]["guid"], "a0b1c2d3-e4f5-4c6d-8a9b-abcdef012345");  // an empty id is generated
    expectMembers(document["data"][1], R"({"guid":"b","description":"EM6","BMC":"hss"})");
    expectMembers(document["data"][3]["holder"], R"({"description":"Named only","gauge-length":0})");
    EXPECT_FALSE(document["data"][3]["holder"].contains("segments"));
    EXPECT_EQ(document["data"][4]["description"], "Holder 1");
    EXPECT_EQ(document["data"][5]["gaugeLength"], 60);
}

} // namespace
} // namespace Corvana

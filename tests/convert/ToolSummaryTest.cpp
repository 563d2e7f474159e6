#include "convert/ToolSummary.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace Corvana {
namespace {

// The text before ",\"issues\":"; the issues array itself is checked only for its shape.
std::string withoutIssues(const std::string& summary) {
    auto parsed = Testing::parseJsonOrFail(summary);
    EXPECT_TRUE(parsed.is_object() && parsed.contains("issues") && parsed["issues"].is_array()) << summary;
    const auto at = summary.find(",\"issues\":");
    return at == std::string::npos ? summary : summary.substr(0, at);
}

ToolModel endMill() {
    ToolModel tool;
    tool.isMetric = true;
    tool.number = 3;
    tool.identifier = "EM10";
    tool.name = "EM \"10\"\n";
    tool.type = "end_mill";
    tool.typeCode = TypeEndMill;
    tool.rfRole = 2;
    tool.diameter = 10;
    tool.length = 22.5;
    tool.overhang = 50;
    tool.numFlutes = 4;
    tool.holderName = "HSK63";
    tool.holderSegments = {{40, 40, 20, true, 0, 0, 0}, {40, 63, 30, false, 0, 0, 0}};
    tool.material = "Aluminium";
    tool.presets = {{"Finishing", "Aluminium", "", 300, 0.01, 0, 0},
                    {"Roughing", "Aluminium", "", 250, 0.02, 0, 0}};
    return tool;
}

TEST(ToolSummaryTest, WritesEveryKeyOfASupportedTool) {
    const std::string summary = buildToolSummaryJson(endMill(), 2, true);
    EXPECT_EQ(withoutIssues(summary),
              "{\"index\":2,\"isMetric\":true,\"number\":3,\"identifier\":\"EM10\","
              "\"name\":\"EM \\\"10\\\"\\n\",\"type\":\"end_mill\",\"fusionType\":\"flat end mill\","
              "\"clockwise\":true,\"rfRole\":\"finish\",\"unsupported\":false,\"unsupportedReason\":\"\","
              "\"diameter\":10,\"fluteLength\":22.5,\"overallLength\":50,\"gaugeLength\":80,\"pitch\":0,"
              "\"tipRadius\":0,\"numFlutes\":4,\"holderName\":\"HSK63\",\"holderCount\":2,"
              "\"material\":\"Aluminium\",\"surfaceSpeed\":300,\"feedPerTooth\":0.1,"
              "\"cuttingStatus\":\"preserved\",\"presetCount\":2,"
              "\"presetNames\":[\"PM: Aluminium - Finishing\",\"PM: Aluminium - Roughing\"]");
    EXPECT_EQ(Testing::parseJsonOrFail(summary)["name"], "EM \"10\"\n");
    EXPECT_EQ(summary.back(), '}');

    auto database = Testing::parseJsonOrFail(buildToolSummaryJson(endMill(), 0, false));
    EXPECT_FALSE(database.contains("presetNames"));
    EXPECT_EQ(database["presetCount"], 2);
}

TEST(ToolSummaryTest, UnsupportedTypeHidesDimensionsAndCuttingData) {
    ToolModel routing = endMill();
    routing.type = "routing";
    routing.typeCode = TypeRouting;
    routing.rfRole = 0;
    EXPECT_EQ(withoutIssues(buildToolSummaryJson(routing, 0, true)),
              "{\"index\":0,\"isMetric\":true,\"number\":3,\"identifier\":\"EM10\","
              "\"name\":\"EM \\\"10\\\"\\n\",\"type\":\"routing\",\"fusionType\":\"flat end mill\","
              "\"clockwise\":true,\"rfRole\":null,\"unsupported\":true,\"unsupportedReason\":\"type\","
              "\"diameter\":null,\"fluteLength\":null,\"overallLength\":null,\"gaugeLength\":null,"
              "\"pitch\":null,\"tipRadius\":null,\"numFlutes\":null,\"holderName\":\"\",\"holderCount\":0,"
              "\"material\":\"\",\"surfaceSpeed\":null,\"feedPerTooth\":null,\"cuttingStatus\":\"\","
              "\"presetCount\":0,\"presetNames\":[]");
    EXPECT_FALSE(Testing::parseJsonOrFail(buildToolSummaryJson(routing, 0, false)).contains("presetNames"));
}

TEST(ToolSummaryTest, OffCentreProfilesOutOfReachKeepTheirDimensions) {
    ToolModel tool;
    tool.type = "off_centre_tip_rad";
    tool.typeCode = TypeOffCentreTipRad;
    tool.diameter = 10;
    tool.tipRadius = 20;
    tool.tipRadiusCentreY = 10;
    auto steep = Testing::parseJsonOrFail(buildToolSummaryJson(tool, 1, true));
    EXPECT_EQ(steep["unsupported"], true);
    EXPECT_EQ(steep["unsupportedReason"], "kink");
    EXPECT_EQ(steep["diameter"], 10);

    tool.tipRadiusCentreX = -15;
    tool.tipRadiusCentreY = 19;
    auto reach = Testing::parseJsonOrFail(buildToolSummaryJson(tool, 1, true));
    EXPECT_EQ(reach["unsupportedReason"], "reach");
    EXPECT_EQ(reach["tipRadius"], 20);
}

TEST(ToolSummaryTest, CuttingStatusRoleAndNumberFormat) {
    ToolModel tool = endMill();
    tool.rfRole = 1;
    tool.diameter = 12.7;
    tool.length = std::numeric_limits<double>::quiet_NaN();
    tool.overhang = 1234567;
    tool.holderSegments.clear();
    tool.presets = {{"Roughing", "Steel", "", 0, 0, 0, 0}, {"Finishing", "Steel", "", 0, 0.05, 0, 0}};
    const std::string summary = buildToolSummaryJson(tool, 0, true);
    auto parsed = Testing::parseJsonOrFail(summary);
    EXPECT_EQ(parsed["rfRole"], "rough");
    EXPECT_EQ(parsed["cuttingStatus"], "partial");
    EXPECT_EQ(parsed["presetCount"], 1);
    EXPECT_EQ(parsed["presetNames"], nlohmann::json::array({"PM: Steel - General"}));
    EXPECT_NE(summary.find("\"diameter\":12.7,\"fluteLength\":0,\"overallLength\":1.23457e+06,"
                           "\"gaugeLength\":1.23457e+06,"),
              std::string::npos);
    EXPECT_NE(summary.find("\"surfaceSpeed\":0,\"feedPerTooth\":0.635,"), std::string::npos);

    tool.presets.clear();
    tool.rfRole = 0;
    auto bare = Testing::parseJsonOrFail(buildToolSummaryJson(tool, 0, true));
    EXPECT_EQ(bare["cuttingStatus"], "generated");
    EXPECT_TRUE(bare["rfRole"].is_null());
    EXPECT_EQ(bare["presetNames"], nlohmann::json::array());
}

} // namespace
} // namespace Corvana

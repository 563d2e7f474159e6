#include "convert/ToolSummary.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <string_view>

namespace Corvana {
namespace {

ToolModel endMill() {
    ToolModel tool;
    tool.isMetric = true;
    tool.number = 3;
    tool.identifier = "EM10";
    tool.name = "EM \"10\"\n";
    tool.type = "end_mill";
    tool.typeCode = TypeEndMill;
    tool.rfRole = ToolRole::Finishing;
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

// Each member of `expected` must be in the summary with that value.
void expectMembers(const ToolModel& tool, std::string_view expected) {
    const auto summary = Testing::parseJsonOrFail(buildToolSummaryJson(tool, 1, true));
    const auto members = nlohmann::json::parse(expected);
    for (const auto& [key, value] : members.items()) EXPECT_EQ(summary[key], value) << key;
}

// The gauge adds the kept holder sections to the overhang; presets of a shared material show their own names.
TEST(ToolSummaryTest, SupportedToolShowsItsGaugeAndPresetNames) {
    expectMembers(endMill(), R"({"unsupported":false,"gaugeLength":80,"holderCount":2,"cuttingStatus":"preserved",
        "presetNames":["PM: Aluminium - Finishing","PM: Aluminium - Roughing"]})");
}

TEST(ToolSummaryTest, UnsupportedToolsHideWhatCannotBeImported) {
    ToolModel routing = endMill();
    routing.type = "routing";
    routing.typeCode = TypeRouting;
    expectMembers(routing, R"({"unsupported":true,"unsupportedReason":"type","diameter":null,
        "gaugeLength":null,"pitch":null,"numFlutes":null,"holderName":"","holderCount":0,"material":"",
        "surfaceSpeed":null,"feedPerTooth":null,"cuttingStatus":"","presetCount":0,"presetNames":[]})");

    // Off-centre profiles out of reach keep their dimensions.
    ToolModel tool;
    tool.type = "off_centre_tip_rad";
    tool.typeCode = TypeOffCentreTipRad;
    tool.diameter = 10;
    tool.tipRadius = 20;
    tool.tipRadiusCentreY = 10;
    expectMembers(tool, R"({"unsupported":true,"unsupportedReason":"kink","diameter":10})");
    tool.tipRadiusCentreX = -15;
    tool.tipRadiusCentreY = 19;
    expectMembers(tool, R"({"unsupported":true,"unsupportedReason":"reach","tipRadius":20})");
}

TEST(ToolSummaryTest, CuttingStatusRoleAndNumberFormat) {
    ToolModel tool = endMill();
    tool.rfRole = ToolRole::Roughing;
    tool.diameter = 12.7;
    tool.length = std::numeric_limits<double>::quiet_NaN();
    tool.overhang = 1234567;
    tool.holderSegments.clear();
    tool.presets = {{"Roughing", "Steel", "", 0, 0, 0, 0}, {"Finishing", "Steel", "", 0, 0.05, 0, 0}};
    expectMembers(tool, R"({"rfRole":"rough","cuttingStatus":"partial","presetNames":["PM: Steel - General"]})");
    const std::string summary = buildToolSummaryJson(tool, 0, true);
    EXPECT_NE(summary.find("\"diameter\":12.7,\"fluteLength\":0,\"overallLength\":1.23457e+06,"
                           "\"gaugeLength\":1.23457e+06,"),
              std::string::npos);
    EXPECT_NE(summary.find("\"surfaceSpeed\":0,\"feedPerTooth\":0.635,"), std::string::npos);

    tool.presets.clear();
    tool.rfRole = ToolRole::None;
    expectMembers(tool, R"({"rfRole":null,"cuttingStatus":"generated","presetNames":[]})");
}

} // namespace
} // namespace Corvana

#include "convert/Classification.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace Corvana {
namespace {

using Kinds = std::vector<std::int32_t>;

ToolModel classified(std::string_view type, std::string_view name) {
    ToolModel tool;
    tool.type = type;
    tool.typeCode = typeCodeFor(type);
    tool.name = name;
    classifyTool(tool);
    return tool;
}

TEST(ClassificationTest, KeywordsOverrideOnlyPermittedTypes) {
    EXPECT_EQ(classified("end_mill", "CSK 6mm 90deg").keywordSource, TextSource::Name);
    const std::tuple<const char*, const char*, const char*> types[] = {
        {"end_mill", "CSK 6mm 90deg", "counter sink"},      {"tip_radiused", "CSK 6mm 90deg", "bull nose end mill"},
        {"end_mill", "6mm CSK", "flat end mill"},           {"end_mill", "FACE MILL 50", "face mill"},
        {"end_mill", "SURFACEMILL", "flat end mill"},       {"end_mill", "INSERTED CUTTER", "flat end mill"},
        {"tip_radiused", "Insert mill R0.8", "face mill"},  {"drill", "FACE MILL 50", "drill"},
        {"taper_spherical", "Centre-Drill A2", "center drill"}, {"end_mill", "SPOTFACE 12", "counter bore"}};
    for (const auto& [type, name, fusionType] : types)
        EXPECT_EQ(fusionTypeFor(classified(type, name)), fusionType) << name;
    EXPECT_EQ(classified("end_mill", "SPOTFACE 12").keywordKinds, (Kinds{1, 6}));
    EXPECT_EQ(keywordTypeFor({6, 5}, "drill"), "center drill");
}

TEST(ClassificationTest, TextsAreSearchedTagsDescriptionName) {
    ToolModel tool;
    tool.tags = {"Reamer", "finish"};
    tool.description = "Boring bar, HSS";
    tool.name = "CSK Carbide rough";
    classifyTool(tool);
    EXPECT_EQ(std::tuple(tool.keywordKinds, tool.keywordSource, tool.toolMaterialSource, tool.toolMaterial,
                         tool.rfRole),
              std::tuple(Kinds{2}, TextSource::Tags, TextSource::Description, "hss", ToolRole::None));

    ToolModel joined;
    joined.tags = {"C", "SK"};  // tags are joined with blanks, which the compact form drops
    joined.description = "semi-finish pass";
    classifyTool(joined);
    EXPECT_EQ(std::pair(joined.keywordKinds, joined.rfRole), std::pair(Kinds{0}, ToolRole::Finishing));
}

TEST(ClassificationTest, BodyMaterialAndRoleWords) {
    for (const auto& [text, material] : {std::pair{"HIGH-SPEED STEEL", "hss"}, {"solid carbide", "carbide"}, {"HSSE-PM", ""}})
        EXPECT_EQ(detectToolMaterial(text), material) << text;
    ToolModel tool;
    tool.toolMaterial = "cobalt";
    tool.name = "HSS+CARBIDE";
    classifyTool(tool);
    EXPECT_EQ(std::tuple(tool.toolMaterial, tool.toolMaterialSource), std::tuple("cobalt", TextSource::None));

    for (const auto& [text, role] : {std::pair{"SEMI-FINISH", ToolRole::Finishing}, {"RUF 10", ToolRole::Roughing},
                                     {"FINE ROUGHNESS", ToolRole::None}})
        EXPECT_EQ(detectRole(text), role) << text;
    EXPECT_EQ(classified("end_mill", "EM10 ROUGH FINISH").rfRole, ToolRole::None);
}

TEST(ClassificationTest, HandFromNameAndTapTypes) {
    const ToolModel both = classified("tap", "TAP M6 RH LH");
    EXPECT_TRUE(both.nameHand == 0 && both.handSource == TextSource::None);
    EXPECT_EQ(fusionTypeFor(both), "tap right hand");
    ToolModel left = classified("tap", "M6 LH TAP");
    EXPECT_TRUE(left.handSource == TextSource::Name && !left.clockwise);
    EXPECT_EQ(fusionTypeFor(left), "tap left hand");
    left.tapHand = 1;  // a hand set on the tool wins over the name
    EXPECT_EQ(fusionTypeFor(left), "tap right hand");
    ToolModel right = classified("tap", "M6 RH");
    right.tapHand = 0;
    EXPECT_EQ(fusionTypeFor(right), "tap left hand");
}

TEST(ClassificationTest, SecondClassificationChangesNothing) {
    ToolModel tool = classified("end_mill", "EM10 ROUGH");
    tool.name = "HSS LH CSK FINISH";
    classifyTool(tool);
    EXPECT_EQ(std::tuple(tool.toolMaterial, tool.clockwise, tool.keywordKinds, tool.rfRole),
              std::tuple("", true, Kinds{}, ToolRole::Roughing));
}

TEST(ClassificationTest, TippedDiscThresholdsAndDefaultTypes) {
    ToolModel disc;
    disc.typeCode = TypeTippedDisc;
    disc.diameter = 10;
    for (const auto& [tip, upper, expected] : {std::tuple{5.0, 4.7, "lollipop mill"}, {5.0, 4.0, "ball end mill"},
                                               {4.9, 4.0, "slot mill"}}) {
        disc.tipRadius = tip;
        disc.upperTipRadius = upper;
        EXPECT_EQ(fusionTypeFor(disc), expected) << tip << " " << upper;
    }
    EXPECT_EQ(defaultFusionType(-1), "flat end mill");
}

ToolModel offCentre(double diameter, double radius, double centreX, double centreY, bool metric = true) {
    ToolModel tool;
    tool.type = "off_centre_tip_rad";
    tool.typeCode = TypeOffCentreTipRad;
    tool.isMetric = metric;
    tool.diameter = diameter;
    tool.tipRadius = radius;
    tool.tipRadiusCentreX = centreX;
    tool.tipRadiusCentreY = centreY;
    return tool;
}

TEST(ClassificationTest, CircleSegmentKinds) {
    EXPECT_EQ(fusionTypeFor(offCentre(10, 5.1, 0, 5)), "circle segment lens");
    EXPECT_NEAR(analyzeCircleSegment(offCentre(10, 20, 15, 10)).height, 32.320508, 1e-6);
    EXPECT_EQ(fusionTypeFor(offCentre(10, 20, 15, 10)), "circle segment oval");
    const CircleSegmentInfo below = analyzeCircleSegment(offCentre(10, 20, -15, 19));
    EXPECT_EQ(std::pair(below.kind, below.steep), std::pair(CircleSegmentKind::Other, false));
    const CircleSegmentInfo steep = analyzeCircleSegment(offCentre(10, 20, 0, 10));
    EXPECT_TRUE(steep.steep && std::abs(steep.angle - 75.522488) < 1e-6) << steep.angle;
    EXPECT_EQ(fusionTypeFor(offCentre(10, 20, 0, 10)), "flat end mill");
    // 0.2 deep: shallow in millimetres, not in inches.
    EXPECT_EQ(analyzeCircleSegment(offCentre(10, 10, 4.8, 6, true)).kind, CircleSegmentKind::Oval);
    EXPECT_TRUE(analyzeCircleSegment(offCentre(10, 10, 4.8, 6, false)).steep);
    EXPECT_NEAR(analyzeCircleSegment(offCentre(-100, 5, 0, 2)).angle, 180, 1e-9);  // not NaN
    ToolModel endMill = offCentre(10, 20, 0, 10);
    endMill.type = "end_mill";
    EXPECT_EQ(analyzeCircleSegment(endMill).kind, CircleSegmentKind::NotApplicable);
}

// Material words are searched in order, so tool steel is found before plain steel; coolant words
// match whole, in any case.
TEST(ClassificationTest, PresetVocabulary) {
    EXPECT_EQ(Testing::parseJsonOrFail(materialQueryFor("Tool Steel H13"))["query"], "High Carbon Steel");
    EXPECT_EQ(fusionCoolantFor("Thru") + "|" + fusionCoolantFor(" mist"), "tool|flood");
}

} // namespace
} // namespace Corvana

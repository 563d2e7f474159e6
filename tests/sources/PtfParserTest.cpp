#include "sources/PtfParser.h"

#include "tests/support/PtfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <tuple>

namespace Corvana {
namespace {

using namespace Testing;

ToolProgressFn recordInto(std::vector<std::string>& calls) {
    return [&calls](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        calls.push_back(std::to_string(index) + "/" + std::to_string(total) + " " + (tool ? tool->name : "-"));
    };
}

ToolModel onlyTool(const std::vector<std::uint8_t>& bytes) {
    const std::vector<ToolModel> tools = parsePtfBytes(bytes);
    EXPECT_EQ(tools.size(), 1u);
    return tools.empty() ? ToolModel{} : tools.front();
}

// An end mill "E" of diameter 10; `extra` replaces or adds members.
PtfMembers endMill(const PtfMembers& extra) {
    PtfMembers members{{"Type", "end_mill"}, {"Identifier", "E"}, {"Diameter", "10"}};
    for (const auto& member : extra) {
        const auto same =
            std::find_if(members.begin(), members.end(), [&](auto& known) { return known.first == member.first; });
        if (same == members.end()) members.push_back(member);
        else same->second = member.second;
    }
    return members;
}

ToolModel toolOf(const PtfMembers& members, PtfUnits units = PtfUnits::Metric) {
    return onlyTool(PtfWriter(units).name("T").filler(8).text(ptfRecord(members)).filler(8).data);
}

// An end mill with these holder sections, the area following its record.
ToolModel withArea(const std::vector<PtfSection>& holders, const PtfGeometryArea& area,
                   PtfUnits units = PtfUnits::Metric) {
    const std::string record = ptfRecord(endMill({{"HolderSetValues", ptfSections(holders)}}));
    return onlyTool(PtfWriter(units).text(record).filler(12).geometry(area).filler(16).data);
}

TEST(PtfParserTest, ReadsLengthTexts) {
    EXPECT_EQ((std::vector<double>{parseLengthText("1/2", false), parseLengthText("12.7mm", false),
                                   parseLengthText("12.7mm", true), parseLengthText("0.5in", true),
                                   parseLengthText("3/8IN", false), parseLengthText("  2.5 extra", true)}),
              (std::vector<double>{0.5, 0.5, 12.7, 0.5, 0.375, 2.5}));
    for (const char* zero : {"m", "1/0", "x/2", "1e308/1e-308", "1e999", "nan", "--5"})
        EXPECT_EQ(parseLengthText(zero, true), 0) << zero;
    EXPECT_EQ(parseLengthText("1e308", true), 1e308);
}

// Only the first units key counts; without one, or with one at the very end, the file is in inches.
TEST(PtfParserTest, UnitsProbeDecidesTheFileUnit) {
    const std::string record = ptfRecord(endMill({}));
    EXPECT_FALSE(onlyTool(PtfWriter(PtfUnits::Absent).text(record).data).isMetric);
    EXPECT_TRUE(onlyTool(PtfWriter(PtfUnits::Metric).text(record).text("pmlProjUnits").filler(1).data).isMetric);
    EXPECT_FALSE(onlyTool(PtfWriter(PtfUnits::Absent).text(record).text("pmlProjUnits").data).isMetric);
}

TEST(PtfParserTest, ReadsEveryFieldOfARecord) {
    const std::string record = ptfRecord({
        {"Type", "ball_nosed"}, {"Identifier", "BN6"}, {"Diameter", "6"}, {"Length", "12"}, {"Overhang", "30"},
        {"TipRadius", "3"}, {"TaperAngle", "2.5"}, {"DrillAngle", "118"}, {"TaperDiameter", "8"},
        {"TaperHeight", "15"}, {"BarrelRadius", "50"}, {"UpperTipRadius", "1.5"}, {"FlatBottom", "0"},
        {"TipRadiusCentre", R"(("0.5" "2.5"))"}, {"HolderName", "HSK63"}, {"StockMaterial", "Steel"},
        {"Coolant", "Flood"}, {"Description", "Ball \xC3\x98" "6"}, {"Tags", R"(("carbide" "" "finish"))"},
        {"NumberOfFlutes", "2"}, {"Number", R"({"Value":"12"})"},
        {"ShankSetValues", ptfSections({{6, 6, 20}, {8, 6, 5}})},
        {"HolderSetValues", ptfSections({{30, 20, 40}, {40, 40, 10, true}})},
        {"CuttingSpeed", R"({"finishing":{"general":"180"},"roughing":{"general":"120"}})"},
        {"FeedPerTooth", R"({"finishing":{"general":"0.02"},"roughing":{"general":"0.04"}})"},
        {"RadialDepthOfCut", R"({"finishing":{"general":"0.1"},"roughing":{"general":"0.5"}})"},
        {"AxialDepthOfCut", R"({"finishing":{"general":"0.05"},"roughing":{"general":"1"}})"},
    });
    const ToolModel tool = onlyTool(PtfWriter().name("Fr\xC3\xA4ser 6  ").filler(8).text(record).data);
    // The name keeps raw bytes without trailing blanks; the description reads bytes above 0x7F as blanks.
    EXPECT_EQ(std::tuple(tool.name, tool.description, tool.identifier + tool.entityName + tool.sourceKind + tool.type,
                         tool.typeCode, tool.isMetric, tool.flatBottom),
              std::tuple("Fr\xC3\xA4ser 6", "Ball   6", "BN6BN6PTFball_nosed", TypeBallNosed, true, false));
    EXPECT_EQ((std::vector<double>{tool.diameter, tool.length, tool.overhang, tool.tipRadius, tool.taperAngle,
                                   tool.taperDiameter, tool.taperHeight, tool.barrelRadius, tool.upperTipRadius,
                                   tool.tipRadiusCentreX, tool.tipRadiusCentreY}),
              (std::vector<double>{6, 12, 30, 3, 2.5, 8, 15, 50, 1.5, 0.5, 2.5}));
    EXPECT_EQ(tool.holderName + "|" + tool.material + "|" + tool.coolant, "HSK63|Steel|Flood");
    EXPECT_EQ(tool.tags, (std::vector<std::string>{"carbide", "finish"}));
    EXPECT_TRUE(tool.numFlutes == 2 && tool.number == 12);
    EXPECT_EQ(tool.shankSegments.size() * 10 + tool.holderSegments.size(), 22u);
    EXPECT_TRUE(!tool.holderSegments.at(0).ignore && tool.holderSegments.at(1).ignore);
    ASSERT_EQ(tool.presets.size(), 2u);
    const CuttingPreset& rough = tool.presets[1];
    EXPECT_EQ(tool.presets[0].name + "|" + rough.name + "|" + rough.material + "|" + rough.coolant,
              "Finishing|Roughing|Steel|Flood");
    EXPECT_EQ((std::vector<double>{rough.cuttingSpeed, rough.feedPerTooth, rough.radialDepthOfCut,
                                   rough.axialDepthOfCut}),
              (std::vector<double>{120, 0.04, 0.5, 1}));
}

TEST(PtfParserTest, KeepsUsableToolsAndReportsProgress) {
    PtfWriter writer;
    for (const auto& [type, id, diameter] : std::vector<std::array<std::string, 3>>{
             {"form", "F1", ""}, {"end_mill", "E0", "0"}, {"", "NoType", "10"}, {"end_mill", "Neg", "--5"},
             {"end_mill", "Inf", "1e308/1e-308"}, {"routing", "R1", "-1"}, {"drill", "D5", "5"}})
        writer.text(ptfRecord({{"Type", type}, {"Identifier", id}, {"Diameter", diameter}})).filler(3);
    std::vector<std::string> calls;
    const std::vector<ToolModel> tools = parsePtfBytes(writer.data, recordInto(calls));
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_EQ(tools[0].typeCode, TypeForm);
    EXPECT_EQ(calls, (std::vector<std::string>{"0/7 -", "1/7 F1", "2/7 R1", "3/7 D5"}));
    calls.clear();  // no bytes: no calls; a header alone: one call for no tools
    EXPECT_TRUE(parsePtfBytes({}, recordInto(calls)).empty() && calls.empty());
    EXPECT_TRUE(parsePtfBytes(PtfWriter().data, recordInto(calls)).empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"0/0 -"}));
}

TEST(PtfParserTest, TypeDependentValuesAndPresets) {
    EXPECT_EQ((std::vector{toolOf(endMill({{"DrillAngle", "118"}, {"Type", "drill"}})).taperAngle,
                           toolOf(endMill({{"DrillAngle", "0"}, {"Type", "drill"}, {"TaperAngle", "5"}})).taperAngle}),
              (std::vector<double>{118, 5}));
    const auto tapPitch = [](const std::string& finishing, const std::string& roughing) {
        const std::string feed = R"({"finishing":{"general":"0.1","drill":")" + finishing +
                                 R"("},"roughing":{"drill":")" + roughing + R"("}})";
        return toolOf(endMill({{"Type", "tap"}, {"FeedPerTooth", feed}})).pitch;
    };
    EXPECT_EQ((std::vector<double>{tapPitch("1.25", "1.5"), tapPitch("0", "1.5"), tapPitch("-1", "-2")}),
              (std::vector<double>{1.25, 1.5, 0}));
    EXPECT_EQ(toolOf(endMill({{"Type", "thread_mill"}, {"Pitch", "1/16"}}), PtfUnits::Inch).pitch, 0.0625);
    EXPECT_EQ(toolOf(endMill({{"Pitch", "2"}})).pitch, 0);
    EXPECT_TRUE(toolOf(endMill({{"FlatBottom", "false"}})).flatBottom && toolOf(endMill({{"FlatBottom", "00"}})).flatBottom);

    const std::string speed = R"({"finishing":{"general":"200"},"roughing":{"general":"0"}})";
    const ToolModel finishing =
        toolOf(endMill({{"CuttingSpeed", speed}, {"FeedPerTooth", R"({"roughing":{"general":"0"}})"}}));
    ASSERT_EQ(finishing.presets.size(), 1u);
    EXPECT_EQ(finishing.presets[0].name + " " +
                  toolOf(endMill({{"FeedPerTooth", R"({"roughing":{"general":"0.05"}})"}})).presets.at(0).name,
              "Finishing Roughing");
}

TEST(PtfParserTest, NamesComeFromTheLastMarkerBeforeTheRecord) {
    const auto record = [](const std::string& id) { return ptfRecord(endMill({{"Identifier", id}})); };
    const auto bytes = PtfWriter()
                           .text(record("First"))
                           .name("Shared").filler(6).text(record("A")).text(record("B"))
                           .name("EM10-finish", 15).text(record("Cut"))
                           .name("Short", 11).text(record("Eleven"))
                           .name(std::string_view("Pad\0 \x01", 6)).text(record("Trimmed"))
                           .name("Past", 5000).text(record("Beyond"))
                           .data;
    std::vector<std::string> names;
    for (const auto& tool : parsePtfBytes(bytes)) names.push_back(tool.name);
    EXPECT_EQ(names, (std::vector<std::string>{"First", "Shared", "Shared", "EM10", "Eleven", "Pad", "Beyond"}));
    for (const std::string lead : {"", "\x0D"}) {  // no room for the two length bytes
        const std::string early = lead + "pmlEntTool/AB" + record("Start");
        EXPECT_EQ(onlyTool(std::vector<std::uint8_t>(early.begin(), early.end())).name, "Start");
    }
}

TEST(PtfParserTest, ReadsMalformedMembersDefensively) {
    const auto number = [](const char* text) { return toolOf(endMill({{"Number", text}})).number; };
    EXPECT_EQ(std::pair(number(R"({"Value":"-3"})"), number(R"({"Value":"99999999999"})")), std::pair(-3, 0));
    // The second centre value needs its closing quote; the first needs three characters after its own.
    const std::string head = R"({"type":"tool","Type":"form","TipRadiusCentre":("1.5")";
    const ToolModel firstOnly = onlyTool(PtfWriter().text(head + " \"2").data);
    EXPECT_EQ(firstOnly.tipRadiusCentreX + firstOnly.tipRadiusCentreY, 1.5);
    EXPECT_EQ(onlyTool(PtfWriter().text(head + " ").data).tipRadiusCentreX, 0);
    // Lists end at the first ')' and objects at the first '}'.
    EXPECT_TRUE(toolOf(endMill({{"HolderSetValues", R"(({"Length":"5"})"}})).holderSegments.empty());
    EXPECT_EQ(toolOf(endMill({{"HolderSetValues", R"(({"Length":"5"} {"Length":"6"))"}})).holderSegments.size(), 1u);
    EXPECT_EQ(toolOf(endMill({{"Tags", R"x(("a" "b)" "c"))x"}})).tags, (std::vector<std::string>{"a"}));
    const ToolModel inch = toolOf(endMill({{"ShankSetValues", R"(({"UpperDiameter":"12.7mm","Length":"1/4"}))"}}),
                                  PtfUnits::Inch);
    EXPECT_DOUBLE_EQ(inch.shankSegments.at(0).upperDiameter + inch.shankSegments.at(0).length, 0.75);
}

TEST(PtfGeometryTest, BlendLengths) {
    const std::vector<PtfSection> steps{{20, 20, 30}, {15, 15, 12}, {10, 10, 5}};
    const auto blend = [](const std::vector<PtfSection>& holders, const PtfGeometryArea& area, std::size_t i = 0,
                          PtfUnits units = PtfUnits::Metric) {
        return withArea(holders, area, units).holderSegments[i].blendLength;
    };
    // The decoy for the second section lies before the first one's pattern.
    const auto decoyFirst =
        PtfGeometryArea().slots({12.0, {}, 3.0, 3.0}).filler(40).stepBlend(30, 2.5).stepBlend(12, 1.5);
    EXPECT_EQ(std::pair(blend(steps, decoyFirst, 0), blend(steps, decoyFirst, 1)), std::pair(2.5, 1.5));
    // 1.0 and values of half the length or more are no blends.
    EXPECT_EQ(blend(steps, PtfGeometryArea().slots({30.0, {}, 1.0, 1.0, {}, 15.0, 15.0, {}, 2.5, 2.5})), 2.5);
    EXPECT_EQ(blend(steps, PtfGeometryArea().filler(1900).stepBlend(30, 2.5)), 2.5);
    EXPECT_EQ(blend({{10, 20, 30}, {5, 5, 10}}, PtfGeometryArea().stepBlend(30, 2.5)), 0);  // narrows: no step
    // {upper, lead, half lower diameter, blend, inch, expected}; 0.9 x length is 36, straight is no taper.
    for (const auto& [upper, lead, half, blendValue, inch, expected] : std::vector<std::array<double, 6>>{
             {20, 2, 5, 6, 0, 6}, {20, 2, 4, 6, 0, 0}, {20, 2, 5, 37, 0, 0}, {20, 30, 5, 6, 0, 6},
             {20, 30, 5, 6, 1, 0}, {10, 2, 5, 6, 0, 0}})
        EXPECT_EQ(blend({{upper, 10, 40}}, PtfGeometryArea().taperBlend(lead, half, blendValue), 0,
                        inch ? PtfUnits::Inch : PtfUnits::Metric), expected) << lead << " " << half << " " << blendValue;
}

TEST(PtfGeometryTest, FilletAndCurveRadii) {
    const ToolModel tool = withArea({{50, 40, 33, true}, {50, 40, 33}, {50, 40, 33}}, PtfGeometryArea().fillet(20, 5));
    EXPECT_EQ(tool.holderSegments[0].filletRadius + tool.holderSegments[2].filletRadius, 0);
    EXPECT_EQ(tool.holderSegments[1].filletRadius, 5);
    const auto fillet = [](PtfSection holder, double r, double f, PtfUnits units) {
        return withArea({holder}, PtfGeometryArea().fillet(r, f), units).holderSegments[0].filletRadius;
    };
    for (const auto& [upper, lower, r, f, inch, expected] : std::vector<std::array<double, 6>>{
             {9.2, 8, 4, 0.6, 0, 0.6}, {9.2, 8, 4, 0.6, 1, 0}, {40.8, 40, 20, 0.4, 0, 0.4}, {40.8, 40, 20, 0.4, 1, 0}})
        EXPECT_DOUBLE_EQ(fillet({upper, lower, 20}, r, f, inch ? PtfUnits::Inch : PtfUnits::Metric), expected) << upper;

    const auto curve = [](double r, const std::vector<PtfCurveElement>& elements, PtfSection holder = {30, 10, 20},
                          PtfUnits units = PtfUnits::Metric) {
        return withArea({holder}, PtfGeometryArea().curve(r, elements), units).holderSegments[0].curveRadius;
    };
    // The second stops at the first element.
    EXPECT_EQ((std::vector{curve(5, {{2, 0.75, 1}, {4, 0.75, 1}}), curve(5, {{1.5, 0.75, 2}}),
                           curve(7, {{1.5, 0.75, 2}}, {30, 14, 20})}), (std::vector<double>{3.75, 1.5, 1.5}));
    // One element too few, a wrong second, a radius off, an overflowing mean, not widening, inch.
    EXPECT_EQ((std::vector<double>{curve(5, {{2, 0.75, 1}}), curve(5, {{2, 0.75, 1}, {1.5, 0.75, 2}}),
                                   curve(5.01, {{2, 0.75, 1}, {4, 0.75, 1}}), curve(5, {{1e305, 1000, 1}, {1e305, 1000, 1}}),
                                   curve(5, {{1.5, 0.75, 2}}, {10, 10, 20}),
                                   curve(7, {{1.5, 0.75, 2}}, {30, 14, 20}, PtfUnits::Inch)}),
              std::vector<double>(6, 0));
}

// A record with every kind of member, and an area that every geometry scan reads.
const std::string kAllScansRecord = ptfRecord(endMill({
    {"ShankSetValues", ptfSections({{6, 6, 20}, {8, 6, 10}})},
    {"HolderSetValues", ptfSections({{20, 20, 30}, {30, 10, 20}, {50, 40, 20}, {80, 60, 20}})},
    {"Tags", R"(("a" "b"))"}, {"TipRadiusCentre", R"(("1" "2"))"},
    {"CuttingSpeed", R"({"finishing":{"general":"200"}})"}}));
const PtfGeometryArea kAllScansArea = PtfGeometryArea().stepBlend(30, 2.5).taperBlend(2, 5, 6).fillet(20, 5)
                                          .curve(30, {{2, 0.75, 1}, {4, 0.75, 1}}).fillet(3, 1);

// An area before a record's start belongs to none of it.
TEST(PtfGeometryTest, AllScansInOneAreaAndItsChunk) {
    const auto tools = parsePtfBytes(
        PtfWriter().geometry(kAllScansArea).text(kAllScansRecord).text(kAllScansRecord).geometry(kAllScansArea).data);
    ASSERT_EQ(tools.size(), 2u);
    EXPECT_EQ(tools[0].holderSegments[2].filletRadius, 0);
    std::vector<double> radii;
    for (const auto& s : tools[1].holderSegments)
        radii.insert(radii.end(), {s.blendLength, s.filletRadius, s.curveRadius});
    for (const auto& s : tools[1].shankSegments) radii.push_back(s.filletRadius);
    EXPECT_EQ(radii, (std::vector<double>{2.5, 0, 0, 6, 0, 0, 0, 5, 0, 0, 0, 3.75, 0, 1}));
}

TEST(PtfParserTest, SurvivesTruncationAndDamage) {
    const auto full = PtfWriter().addTool("EM10").name("Rich").text(kAllScansRecord).geometry(kAllScansArea).data;
    ASSERT_EQ(parsePtfBytes(full).size(), 2u);
    for (std::size_t size = 0; size < full.size(); ++size)
        EXPECT_LE(parsePtfBytes(std::span(full).first(size)).size(), 2u) << "cut at " << size;  // ASan: overreads
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> damaged = full;
        for (std::size_t flip = 0; flip < full.size() / 100; ++flip)
            damaged[random() % full.size()] = static_cast<std::uint8_t>(random());
        EXPECT_LE(parsePtfBytes(damaged).size(), 2u) << "round " << round;
    }
}

} // namespace
} // namespace Corvana

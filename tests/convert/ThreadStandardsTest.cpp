#include "convert/ThreadStandards.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace Corvana {
namespace {

using Labels = std::vector<std::string>;

template <typename Candidate>
Labels labelsOf(const std::vector<Candidate>& candidates) {
    Labels labels;
    for (const Candidate& candidate : candidates) labels.push_back(candidate.label);
    return labels;
}

ToolModel tapNamed(const std::string& name, bool isMetric, double diameter, const std::string& type = "tap") {
    ToolModel tool;
    tool.name = name;
    tool.isMetric = isMetric;
    tool.diameter = diameter;
    tool.type = type;
    tool.typeCode = typeCodeFor(type);
    tool.threadCandidates = parseThreadDesignations(name);
    return tool;
}

std::string inchNameNear(double diameter) {
    const InchThreadSize* row = nearestInchSize(diameter);
    return row != nullptr ? row->name : "none";
}

double metricNominalNear(double diameter) {
    const MetricThreadSize* row = nearestMetricSize(diameter);
    return row != nullptr ? row->nominal : -1;
}

TEST(ThreadStandardsTest, TablesNearestSizesAndTapDrills) {
    for (const auto& [diameter, name] : {std::pair{0.2, "#10"}, {0.23, "#12"}, {3.0, "none"}, {2.23, "2"},
                                         {std::nan(""), "none"}})
        EXPECT_EQ(inchNameNear(diameter), name) << diameter;
    // A tie goes to the first row.
    EXPECT_EQ((std::vector{metricNominalNear(10.5), metricNominalNear(71.6), metricNominalNear(71.7)}),
              (std::vector<double>{10, 64, -1}));
    EXPECT_EQ(inchSizeByNumber(10) != nullptr ? inchSizeByNumber(10)->diameter : -1, 0.19);
    EXPECT_EQ(inchSizeByNumber(7), nullptr);
    std::string label = "stale";
    for (const auto& [diameter, metric, tolerance, nominal, expected] :
         {std::tuple{10.02, true, 0.406, 10.0, "M10"}, {11.5, true, 0.406, 0.0, ""},
          {0.2501, false, 0.016, 0.25, "1/4"}}) {
        EXPECT_EQ(nearestNominal(diameter, metric, tolerance, label), nominal) << diameter;
        EXPECT_EQ(label, expected) << diameter;
    }

    // M10 x 1.25 drills 8.75; M6 pitch 1.0 is coarse (0.406); M4 pitches 0.7 and 0.5 allow 0.203 only.
    const std::tuple<double, double, bool, bool> drills[] = {
        {8.5, 10, true, true},   {8.8, 10, true, true},   {7.0, 10, true, false},      {4.6, 6, true, true},
        {4.55, 6, true, false},  {3.05, 4, true, false},  {0.159, 0.19, false, true},  {0.17, 0.19, false, false}};
    for (const auto& [drill, nominal, metric, expected] : drills)
        EXPECT_EQ(isTapDrillFor(drill, nominal, metric), expected) << drill << " for " << nominal;
    for (const auto& [name, hint] : {std::pair{"TAP M6 12MM", 1}, {"1/2 INCH TAP", 2}, {"TAP 1/4\"", 2},
                                     {"TAP 12MM 1/2\"", 0}, {"INSERT HAMMER", 0}})  // IN and MM as whole words only
        EXPECT_EQ(unitHint(name), hint) << name;
}

TEST(ThreadStandardsTest, StandardPitchesOfASize) {
    for (const auto& [diameter, metric, labels] : std::vector<std::tuple<double, bool, Labels>>{
             {0.6875, false, {"11/16-24 UNEF"}}, {0.2, false, {"#10-24 UNC", "#10-32 UNF"}},
             {2.0, false, {"2-4.5 UNC"}}, {0, true, {}}, {3.0, false, {}}})
        EXPECT_EQ(labelsOf(standardPitchCandidates(diameter, metric)), labels) << diameter;
}

TEST(ThreadStandardsTest, ReadsDesignationsOfRealToolNames) {
    // 10 is no whole-inch part, nor 1 before an improper fraction; a pipe pair counts only in a pipe name;
    // a metric name has no thousandths.
    const std::pair<const char*, Labels> rows[] = {
        {"TAP M10X1.5", {"M10 x 1.5"}},        {"M8 x 1.25 TAP", {"M8 x 1.25"}},
        {"gewindebohrer m10x1,25", {"M10 x 1.25"}}, {"TAP M6 X 30 LONG", {"M6"}},
        {"T12 M6 TAP", {"M6"}},                {"M6 20DP", {"M6"}},
        {"THREAD MILL 12MM", {"M12"}},         {"1/4-20 UNC TAP", {"1/4-20 UNC"}},
        {"#10-32 UNF", {"#10-32 UNF"}},        {"10-32 TAP", {"#10-32"}},
        {"3/8\"-16", {"3/8-16"}},              {"1-1/4-7 UNC", {"1-1/4-7 UNC"}},
        {"TAP 1 1/2-6", {"1-1/2-6"}},          {"TAP 10 1/4-20", {"1/4-20"}},
        {"TAP 1-5/4", {"5/4"}},                {"1-8 UNC", {"1-8 UNC"}},
        {"TAP .250-20", {"1/4-20"}},           {"250-20 UNC TAP", {"1/4-20 UNC"}},
        {"TAP 0.5 IN 13 TPI", {"1/2-13"}},     {"1/8-27 NPT", {"1/8-27 NPT"}},
        {"1-11.5 NPT", {"1-11.5 NPT"}},        {"1-11.5 UNC", {}},
        {"1/4-20 UNC OR M6X1", {"1/4-20 UNC", "M6 x 1"}},
        {"DRILL D250 L120 250 DEEP 8.5-90 ENDMILL 10 4FL", {}},
        {"M6 METRIC TAP 150", {"M6"}},         {"M6 TAP 150", {"M6", "0.15\""}}};
    for (const auto& [name, labels] : rows) EXPECT_EQ(labelsOf(parseThreadDesignations(name)), labels) << name;

    const auto quarter = parseThreadDesignations("TAP 1/4-20 UNC");
    const auto numbered = parseThreadDesignations("#7 TAP M10X1.25");  // #7 has no table row
    ASSERT_TRUE(quarter.size() == 1 && numbered.size() == 2);
    EXPECT_EQ(std::tuple(quarter[0].pitch, quarter[0].series, numbered[0].isNumbered, numbered[0].sizeNumber,
                         numbered[0].inchSize, numbered[1].pitch),
              std::tuple(0.05, SeriesUNC, true, 7, 0.0, 1.25));
}

TEST(ThreadStandardsTest, DesignationReaderSurvivesMalformedNames) {
    const std::string tricky = "TAP M10X1,5 #10-32 1-1/4-7 UNC .250-20 3/8\"-16 1/0 T12 20DP 12MM 0.5IN";
    for (std::size_t size = 0; size <= tricky.size(); ++size)
        EXPECT_LE(parseThreadDesignations(tricky.substr(0, size)).size(), 12u) << "cut at " << size;
    for (const std::string& name : {std::string("M"), std::string("#"), std::string("1/"), std::string("1 1/"),
                                    std::string("M1X"), std::string("."), std::string("M0X1"), std::string("1/4-999"),
                                    "#" + std::string(400, '9'), "M" + std::string(400, '9'),
                                    std::string(400, '9') + "/4", std::string("M6\0X1", 5)})
        EXPECT_LE(parseThreadDesignations(name).size(), 2u) << name;
}

TEST(ThreadStandardsTest, NameHintAndTapDiameterVerdicts) {
    const NameThreadHint metricOnInch = nameThreadHint(tapNamed("TAP M10X1.5", false, 0.33));
    EXPECT_TRUE(metricOnInch.present && metricOnInch.isMetric && metricOnInch.label == "M10");
    EXPECT_NEAR(metricOnInch.toolNominal, 0.393700787, 1e-9);
    const NameThreadHint inchOnMetric = nameThreadHint(tapNamed("#7 TAP 1/4-20 UNC", true, 5.1));
    EXPECT_EQ(std::pair(inchOnMetric.toolNominal, inchOnMetric.label), std::pair(6.35, std::string("1/4-20 UNC")));
    EXPECT_FALSE(nameThreadHint(tapNamed("SPIRAL TAP", true, 6)).present);

    const TapDrillVerdict drill = analyzeTapDiameter(8.5, 1.5, true, std::nullopt, true);
    EXPECT_TRUE(drill.kind == 1 && drill.nominal == 10 && drill.label == "M10" && drill.pitchMatches);
    EXPECT_FALSE(analyzeTapDiameter(8.5, 2.0, true, 10.0, true).pitchMatches);
    EXPECT_EQ(analyzeTapDiameter(50, 2, true, 100.0, true).label, "M100");  // no row near the hint
    // 8.5 with pitch 1.0 gives 9.5, which lies 0.5 from M9.
    const std::tuple<double, double, bool, std::optional<double>, bool, int> verdicts[] = {
        {10, 1.5, true, std::nullopt, true, 0},    {10, 1.5, true, 10.0, true, 0},
        {8.5, 1.0, true, std::nullopt, true, 0},   {7.0, 1.5, true, 10.0, true, 2},
        {std::nan(""), 1.5, true, 10.0, true, 0},  {8.5, std::nan(""), true, std::nullopt, true, 0}};
    for (const auto& [diameter, pitch, metric, hint, hintMetric, kind] : verdicts)
        EXPECT_EQ(analyzeTapDiameter(diameter, pitch, metric, hint, hintMetric).kind, kind) << diameter << " " << pitch;
    const TapDrillVerdict metricHint = analyzeTapDiameter(0.3346, 0.059055, false, 10.0, true);
    EXPECT_TRUE(metricHint.kind == 1 && std::abs(metricHint.nominal - 0.393700787) < 1e-9) << metricHint.nominal;
    EXPECT_EQ(analyzeTapDiameter(0.201, 0.05, false, std::nullopt, false).label, "1/4");
}

TEST(ThreadStandardsTest, PitchCandidatesForTools) {
    const auto fine = pitchCandidatesForTool(tapNamed("TAP M10X1.25", true, 10));
    EXPECT_EQ(labelsOf(fine),
              (Labels{"M10 x 1.25 (fine)", "M10 x 1.5 (coarse)", "M10 x 1 (fine)", "M10 x 0.75 (fine)"}));
    ASSERT_EQ(fine.size(), 4u);
    EXPECT_EQ(std::tuple(fine[0].tier, fine[1].tier, fine[0].isPrimary), std::tuple("recommended", "option", false));
    EXPECT_EQ(labelsOf(pitchCandidatesForTool(tapNamed("TAP M10X1.3", true, 10))),
              (Labels{"M10 x 1.3", "M10 x 1.5 (coarse)", "M10 x 1.25 (fine)", "M10 x 1 (fine)"}));
    EXPECT_EQ(pitchCandidatesForTool(tapNamed("M12 X 0.75", true, 12))[0].label, "M12 x 0.75 (fine)");
    EXPECT_EQ(labelsOf(pitchCandidatesForTool(tapNamed("1/4 UNEF TAP", false, 0.25))),
              (Labels{"1/4-32 UNEF", "1/4-20 UNC", "1/4-28 UNF"}));
    EXPECT_TRUE(pitchCandidatesForTool(tapNamed("THREAD MILL", true, 12, "thread_mill")).empty());

    const auto inchOnMetric = pitchCandidatesForTool(tapNamed("1/4-20 UNC TAP", true, 6.35));
    ASSERT_FALSE(inchOnMetric.empty());
    EXPECT_EQ(std::pair(inchOnMetric[0].pitch, inchOnMetric[0].toolPitch), std::pair(0.05, 1.27));
    EXPECT_EQ(pitchCandidatesForTool(tapNamed("SPIRAL TAP", true, 10)).at(0).label, "M10 x 1.5 (coarse)");
    // #7 has no table row: the diameter is read in the designation's unit (6.35 mm is 1/4).
    EXPECT_EQ(labelsOf(pitchCandidatesForTool(tapNamed("#7 TAP", true, 6.35))),
              (Labels{"1/4-20 UNC", "1/4-28 UNF", "1/4-32 UNEF"}));
}

TEST(ThreadStandardsTest, PipeTapsUsePipeThreadPitches) {
    const auto npt = pitchCandidatesForTool(tapNamed("1/8 NPT TAP", false, 0.405));
    EXPECT_EQ(labelsOf(npt), (Labels{"1/8-27 NPT"}));
    EXPECT_TRUE(!npt.empty() && npt[0].isPrimary);
    EXPECT_EQ(labelsOf(pitchCandidatesForTool(tapNamed("TAP 1/2 BSPP", true, 20.955))), (Labels{"1/2-14 BSPP"}));
    EXPECT_EQ(labelsOf(pitchCandidatesForTool(tapNamed("1-11.5 NPT", false, 1.315))), (Labels{"1-11.5 NPT"}));
    // A pipe size outside the table gets no Unified fallback from its diameter.
    EXPECT_TRUE(pitchCandidatesForTool(tapNamed("TAP 9/32 NPT", false, 0.25)).empty());
}

} // namespace
} // namespace Corvana

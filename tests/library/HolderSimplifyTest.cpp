#include "library/HolderSimplify.h"

#include <gtest/gtest.h>

#include <vector>

namespace Corvana {
namespace {

const HolderTolerances metricTolerances{0.0127, 0.254};

HolderSegment cone(double lower, double upper, double length) {
    HolderSegment segment;
    segment.lowerDiameter = lower;
    segment.upperDiameter = upper;
    segment.length = length;
    return segment;
}

HolderSegment cylinder(double diameter, double length) { return cone(diameter, diameter, length); }

// Five joined samples rising 2 in diameter over a height of 1.2.
std::vector<HolderSegment> arcSamples(double bottom) {
    std::vector<HolderSegment> samples;
    for (int k = 0; k < 5; ++k) samples.push_back(cone(bottom + 0.4 * k, bottom + 0.4 * (k + 1), 0.24));
    return samples;
}

void expectSegment(const HolderSegment& actual, double lower, double upper, double length) {
    EXPECT_NEAR(actual.lowerDiameter, lower, 1e-12);
    EXPECT_NEAR(actual.upperDiameter, upper, 1e-12);
    EXPECT_NEAR(actual.length, length, 1e-12);
    EXPECT_FALSE(actual.ignore);
}

TEST(HolderSimplifyTest, NearEqualCylindersMergeAndThreeStepStaircasesBecomeCones) {
    const auto merged = mergeCylinders(
        {cylinder(20, 5), cylinder(20.01, 3), cylinder(20.02, 2), cone(20, 30, 4), cylinder(30, 1)},
        metricTolerances);
    ASSERT_EQ(merged.size(), 4u);
    expectSegment(merged[0], 20, 20, 8);
    expectSegment(merged[1], 20.02, 20.02, 2);  // 0.02 from the kept 20
    expectSegment(merged[2], 20, 30, 4);

    const auto three = staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.2), cylinder(24, 0.2),
                                          cylinder(23, 0.1), cylinder(22, 0.1), cylinder(21, 0.1)},
                                         metricTolerances);
    ASSERT_EQ(three.size(), 2u);
    expectSegment(three[0], 20, 24, 0.6);
    expectSegment(three[1], 23, 21, 0.3);
    EXPECT_EQ(staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.2)}, metricTolerances).size(), 2u);
    EXPECT_EQ(staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.3), cylinder(24, 0.2)}, metricTolerances).size(),
              3u) << "unequal step heights";
}

TEST(HolderSimplifyTest, ArcSamplesBecomeAQuarterCircleOnlyWhenRoundEnough) {
    auto samples = arcSamples(20);
    samples.push_back(cylinder(22, 7));
    const auto arc = arcsToQuarterCircles(samples, metricTolerances);
    ASSERT_EQ(arc.size(), 10u);
    expectSegment(arc[0], 20.0, 20.03842943919354, 0.19509032201612825);
    expectSegment(arc[3], 20.33706077539491, 20.585786437626904, 0.15153654816694528);
    expectSegment(arc[7], 21.609819355967744, 22.0, 0.01921471959676957);
    expectSegment(arc[8], 22, 22, 0.2);
    expectSegment(arc[9], 22, 22, 7);

    auto four = arcSamples(20);
    four.pop_back();
    EXPECT_EQ(arcsToQuarterCircles(four, metricTolerances).size(), 4u);
    // Height 1.2 against a radial growth of 0.5.
    std::vector<HolderSegment> steep;
    for (int k = 0; k < 5; ++k) steep.push_back(cone(20 + 0.2 * k, 20.2 + 0.2 * k, 0.24));
    EXPECT_EQ(arcsToQuarterCircles(steep, metricTolerances).size(), 5u);
    auto broken = arcSamples(20);
    broken[3].lowerDiameter += 0.1;
    EXPECT_EQ(arcsToQuarterCircles(broken, metricTolerances).size(), 5u);
}

TEST(HolderSimplifyTest, RawProfilesSkipTheCleanUpButLoseIgnoredSections) {
    ToolModel tool;
    tool.isMetric = true;
    HolderSegment ignored = cylinder(50, 5);
    ignored.ignore = true;
    tool.holderSegments = {cylinder(40, 10), ignored, cylinder(39, 5), cylinder(40, 3)};
    SimplifyOpts fill;
    fill.removeUndercuts = true;

    ToolModel raw = tool;
    raw.rawHolderProfile = true;
    simplifyHolder(raw, fill);
    ASSERT_EQ(raw.holderSegments.size(), 3u);
    expectSegment(raw.holderSegments[1], 40, 40, 5);

    ToolModel cleaned = tool;
    simplifyHolder(cleaned, fill);
    ASSERT_EQ(cleaned.holderSegments.size(), 1u);
    expectSegment(cleaned.holderSegments[0], 40, 40, 18);

    ToolModel keepUndercut = tool;
    simplifyHolder(keepUndercut, SimplifyOpts{});
    ASSERT_EQ(keepUndercut.holderSegments.size(), 3u);
    expectSegment(keepUndercut.holderSegments[1], 39, 39, 5);

    std::vector<HolderSegment> records = {cylinder(40, 10), cylinder(39, 5), cone(38.5, 45, 2), cylinder(30, 5)};
    fillUndercuts(records, 0.05);
    expectSegment(records[1], 40, 40, 5);
    expectSegment(records[2], 40, 45, 2);
    expectSegment(records[3], 30, 30, 5);  // 15 below 45
}

TEST(HolderSimplifyTest, AllPassesRunInOrderWithTheToolsOwnUnit) {
    ToolModel tool;
    tool.isMetric = true;
    tool.holderSegments = {cylinder(20, 4), cylinder(20.005, 1), cylinder(22, 0.2), cylinder(24, 0.2),
                           cylinder(26, 0.2)};
    for (const auto& sample : arcSamples(26)) tool.holderSegments.push_back(sample);
    simplifyHolder(tool, SimplifyOpts{});
    ASSERT_EQ(tool.holderSegments.size(), 11u);
    expectSegment(tool.holderSegments[0], 20, 20, 5);
    expectSegment(tool.holderSegments[1], 22, 26, 0.6);
    expectSegment(tool.holderSegments[10], 28, 28, 0.2);

    // Inch sections keep inch tolerances even when the request's first tool is metric.
    SimplifyOpts metricRequest;
    metricRequest.metric = true;
    ToolModel inchTool;
    inchTool.holderSegments = {cylinder(1.0, 1), cylinder(1.005, 1), cylinder(1.2, 0.1), cylinder(1.4, 0.1),
                               cylinder(1.6, 0.1)};
    simplifyHolder(inchTool, metricRequest);
    EXPECT_EQ(inchTool.holderSegments.size(), 5u);
}

} // namespace
} // namespace Corvana

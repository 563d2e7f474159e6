#include "library/HolderSimplify.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
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

// "lower>upper:length " per segment, ten significant digits.
std::string segments(const std::vector<HolderSegment>& list) {
    std::ostringstream text;
    text.precision(10);
    for (const HolderSegment& s : list) text << s.lowerDiameter << ">" << s.upperDiameter << ":" << s.length << " ";
    return text.str();
}

TEST(HolderSimplifyTest, NearEqualCylindersMergeAndThreeStepStaircasesBecomeCones) {
    const auto merged = mergeCylinders(
        {cylinder(20, 5), cylinder(20.01, 3), cylinder(20.02, 2), cone(20, 30, 4), cylinder(30, 1)},
        metricTolerances);
    EXPECT_EQ(segments(merged), "20>20:8 20.02>20.02:2 20>30:4 30>30:1 ");  // 20.02 is 0.02 from the kept 20

    const auto three = staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.2), cylinder(24, 0.2),
                                          cylinder(23, 0.1), cylinder(22, 0.1), cylinder(21, 0.1)},
                                         metricTolerances);
    EXPECT_EQ(segments(three), "20>24:0.6 23>21:0.3 ");
    EXPECT_EQ(staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.2)}, metricTolerances).size(), 2u);
    EXPECT_EQ(staircasesToCones({cylinder(20, 0.2), cylinder(22, 0.3), cylinder(24, 0.2)}, metricTolerances).size(),
              3u) << "unequal step heights";
}

TEST(HolderSimplifyTest, ArcSamplesBecomeAQuarterCircleOnlyWhenRoundEnough) {
    auto samples = arcSamples(20);
    samples.push_back(cylinder(22, 7));
    const auto arc = arcsToQuarterCircles(samples, metricTolerances);
    ASSERT_EQ(arc.size(), 10u);
    EXPECT_EQ(segments({arc[0], arc[3], arc[7], arc[8], arc[9]}),
              "20>20.03842944:0.195090322 20.33706078>20.58578644:0.1515365482 21.60981936>22:0.0192147196 "
              "22>22:0.2 22>22:7 ");

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

    const auto simplified = [&tool](bool raw, const SimplifyOpts& options) {
        ToolModel copy = tool;
        copy.rawHolderProfile = raw;
        simplifyHolder(copy, options);
        return segments(copy.holderSegments);
    };
    EXPECT_EQ(simplified(true, fill), "40>40:10 40>40:5 40>40:3 ");
    EXPECT_EQ(simplified(false, fill), "40>40:18 ");
    EXPECT_EQ(simplified(false, SimplifyOpts{}), "40>40:10 39>39:5 40>40:3 ");  // undercut kept

    std::vector<HolderSegment> records = {cylinder(40, 10), cylinder(39, 5), cone(38.5, 45, 2), cylinder(30, 5)};
    fillUndercuts(records, 0.05);
    EXPECT_EQ(segments(records), "40>40:10 40>40:5 40>45:2 30>30:5 ");  // 30 is 15 below 45
}

TEST(HolderSimplifyTest, AllPassesRunInOrderWithTheToolsOwnUnit) {
    ToolModel tool;
    tool.isMetric = true;
    tool.holderSegments = {cylinder(20, 4), cylinder(20.005, 1), cylinder(22, 0.2), cylinder(24, 0.2),
                           cylinder(26, 0.2)};
    for (const auto& sample : arcSamples(26)) tool.holderSegments.push_back(sample);
    simplifyHolder(tool, SimplifyOpts{});
    ASSERT_EQ(tool.holderSegments.size(), 11u);
    EXPECT_EQ(segments({tool.holderSegments[0], tool.holderSegments[1], tool.holderSegments[10]}),
              "20>20:5 22>26:0.6 28>28:0.2 ");

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

#include "library/HolderSimplify.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace Corvana {
namespace {

constexpr double diameterEpsilon = 0.00001;
constexpr double halfPi = std::numbers::pi / 2;
constexpr int quarterCircleSteps = 8;
constexpr std::size_t minStaircaseRun = 3;
constexpr std::size_t minArcRun = 5;
// Runs whose height differs from their radial growth by this share or more are not arcs.
constexpr double arcAspectLimit = 0.3;

bool isCylindrical(const HolderSegment& record) {
    return std::abs(record.upperDiameter - record.lowerDiameter) < diameterEpsilon;
}

bool widensUpward(const HolderSegment& record) {
    return record.upperDiameter > record.lowerDiameter + diameterEpsilon;
}

double runLength(const std::vector<HolderSegment>& records, std::size_t start, std::size_t count) {
    double sum = 0;
    for (std::size_t i = start; i < start + count; ++i) sum += records[i].length;
    return sum;
}

// Number of records in the staircase starting at `start`; 0 when none starts there.
std::size_t staircaseRun(const std::vector<HolderSegment>& records, std::size_t start, double maxStep) {
    const auto isStep = [maxStep](const HolderSegment& record) {
        return isCylindrical(record) && record.length <= maxStep;
    };
    if (!isStep(records[start])) return 0;
    std::size_t end = start + 1;
    int direction = 0;
    for (; end < records.size() && isStep(records[end]); ++end) {
        const double rise = records[end].upperDiameter - records[end - 1].upperDiameter;
        if (std::abs(rise) < diameterEpsilon) break;
        const int stepDirection = rise > 0 ? 1 : -1;
        if (direction != 0 && stepDirection != direction) break;
        direction = stepDirection;
    }
    return end - start;
}

// Number of records in the arc samples starting at `start`; 0 when none starts there.
std::size_t arcRun(const std::vector<HolderSegment>& records, std::size_t start,
                   const HolderTolerances& tolerances) {
    const auto isSample = [&tolerances](const HolderSegment& record) {
        return widensUpward(record) && record.length <= tolerances.step;
    };
    if (!isSample(records[start])) return 0;
    std::size_t end = start + 1;
    for (; end < records.size() && isSample(records[end]); ++end) {
        const double gap = records[end].lowerDiameter - records[end - 1].upperDiameter;
        if (std::abs(gap) > tolerances.merge) break;
    }
    return end - start;
}

// Quarter circle of radius min(H, R) from the run's bottom diameter, topped by a
// cylinder for the height the circle does not cover.
void appendQuarterCircle(std::vector<HolderSegment>& out, double bottomDiameter, double topDiameter,
                         double height, double radialGrowth) {
    const double radius = std::min(height, radialGrowth);
    const double startRadius = bottomDiameter / 2;
    double previousRadius = startRadius;
    double previousHeight = 0;
    for (int k = 1; k <= quarterCircleSteps; ++k) {
        const double angle = k * halfPi / quarterCircleSteps;
        const double nextRadius = startRadius + radius * (1 - std::cos(angle));
        const double nextHeight = radius * std::sin(angle);
        out.push_back(holderCone(2 * nextRadius, 2 * previousRadius, nextHeight - previousHeight));
        previousRadius = nextRadius;
        previousHeight = nextHeight;
    }
    if (height - radius > diameterEpsilon)
        out.push_back(holderCone(topDiameter, topDiameter, height - radius));
}

bool isArcShaped(double height, double radialGrowth) {
    if (radialGrowth <= diameterEpsilon) return false;
    return std::abs(height / radialGrowth - 1) < arcAspectLimit;
}

void fillOneDiameter(double& diameter, double widest, double threshold) {
    if (diameter < widest && widest - diameter < threshold * widest) diameter = widest;
}

} // namespace

HolderTolerances holderTolerancesFor(bool isMetric) {
    if (isMetric) return {0.0127, 0.254};
    return {0.0005, 0.01};
}

std::vector<HolderSegment> mergeCylinders(const std::vector<HolderSegment>& records,
                                          const HolderTolerances& tolerances) {
    std::vector<HolderSegment> kept;
    kept.reserve(records.size());
    for (const auto& record : records) {
        if (!kept.empty() && isCylindrical(kept.back()) && isCylindrical(record) &&
            std::abs(kept.back().upperDiameter - record.upperDiameter) < tolerances.merge) {
            kept.back().length += record.length;
            continue;
        }
        kept.push_back(record);
    }
    return kept;
}

std::vector<HolderSegment> staircasesToCones(const std::vector<HolderSegment>& records,
                                             const HolderTolerances& tolerances) {
    std::vector<HolderSegment> out;
    out.reserve(records.size());
    std::size_t i = 0;
    while (i < records.size()) {
        const std::size_t count = staircaseRun(records, i, tolerances.step);
        if (count < minStaircaseRun) {
            out.push_back(records[i++]);
            continue;
        }
        const HolderSegment& last = records[i + count - 1];
        out.push_back(holderCone(last.upperDiameter, records[i].upperDiameter,
                                   runLength(records, i, count)));
        i += count;
    }
    return out;
}

std::vector<HolderSegment> arcsToQuarterCircles(const std::vector<HolderSegment>& records,
                                                const HolderTolerances& tolerances) {
    std::vector<HolderSegment> out;
    out.reserve(records.size() + quarterCircleSteps);
    std::size_t i = 0;
    while (i < records.size()) {
        const std::size_t count = arcRun(records, i, tolerances);
        if (count < minArcRun) {
            out.push_back(records[i++]);
            continue;
        }
        const double bottom = records[i].lowerDiameter;
        const double top = records[i + count - 1].upperDiameter;
        const double height = runLength(records, i, count);
        const double radialGrowth = (top - bottom) / 2;
        if (isArcShaped(height, radialGrowth))
            appendQuarterCircle(out, bottom, top, height, radialGrowth);
        else
            out.insert(out.end(), records.begin() + static_cast<std::ptrdiff_t>(i),
                       records.begin() + static_cast<std::ptrdiff_t>(i + count));
        i += count;
    }
    return out;
}

void fillUndercuts(std::vector<HolderSegment>& records, double threshold) {
    double widest = 0;
    for (auto& record : records) {
        fillOneDiameter(record.upperDiameter, widest, threshold);
        fillOneDiameter(record.lowerDiameter, widest, threshold);
        widest = std::max({widest, record.upperDiameter, record.lowerDiameter});
    }
}

void simplifyHolder(ToolModel& tool, const SimplifyOpts& options) {
    if (tool.holderSegments.empty()) return;
    std::vector<HolderSegment> records;
    records.reserve(tool.holderSegments.size());
    for (const auto& segment : tool.holderSegments)
        if (!segment.ignore) records.push_back(segment);
    if (options.removeUndercuts) fillUndercuts(records, options.undercutThreshold);
    if (!tool.rawHolderProfile) {
        const HolderTolerances tolerances = holderTolerancesFor(tool.isMetric);
        records = mergeCylinders(records, tolerances);
        records = staircasesToCones(records, tolerances);
        records = mergeCylinders(records, tolerances);
        records = arcsToQuarterCircles(records, tolerances);
    }
    tool.holderSegments = std::move(records);
}

} // namespace Corvana

#pragma once
// Clean-up of PowerMill holder outlines before they are written to Fusion:
// ignored sections dropped, shallow undercuts filled, near-equal cylinders
// merged, fine staircases and sampled arcs replaced by cones and quarter circles.

#include "library/ImportRequest.h"
#include "sources/ToolModel.h"

#include <vector>

namespace Corvana {

// Tolerances of the clean-up passes, in the unit of the holder values.
struct HolderTolerances {
    double merge = 0;  // largest diameter difference of merged cylinders
    double step = 0;   // longest section counted as a staircase step or arc sample
};

HolderTolerances holderTolerancesFor(bool isMetric);

// Merges each cylinder into the previous kept cylinder when their diameters
// differ by less than the merge tolerance.
std::vector<HolderSegment> mergeCylinders(const std::vector<HolderSegment>& records,
                                          const HolderTolerances& tolerances);

// Replaces runs of at least three short cylinders stepping one way by one cone.
std::vector<HolderSegment> staircasesToCones(const std::vector<HolderSegment>& records,
                                             const HolderTolerances& tolerances);

// Replaces runs of at least five short joined widening sections whose height is
// close to their radial growth by an eight-step quarter circle.
std::vector<HolderSegment> arcsToQuarterCircles(const std::vector<HolderSegment>& records,
                                                const HolderTolerances& tolerances);

// Raises each diameter to the widest one below it when it is narrower by less
// than `threshold` (a fraction of that width).
void fillUndercuts(std::vector<HolderSegment>& records, double threshold);

// Simplifies the tool's holder sections in place; a tool without sections is
// left unchanged. The tolerances follow the tool's own unit, because the
// sections are still in that unit.
void simplifyHolder(ToolModel& tool, const SimplifyOpts& options);

} // namespace Corvana

#include "convert/ThreadStandards.h"
// STUB: replaced by the real implementation.
namespace Corvana {
std::span<const InchThreadSize> inchThreadSizes() { return {}; }
std::span<const MetricThreadSize> metricThreadSizes() { return {}; }
const InchThreadSize* nearestInchSize(double) { return nullptr; }
const MetricThreadSize* nearestMetricSize(double) { return nullptr; }
const InchThreadSize* inchSizeByNumber(int) { return nullptr; }
double nearestNominal(double, bool, double, std::string&) { return 0; }
std::vector<PitchCandidate> standardPitchCandidates(double, bool) { return {}; }
std::vector<ThreadCandidate> parseThreadDesignations(std::string_view) { return {}; }
int unitHint(std::string_view) { return 0; }
bool isTapDrillFor(double, double, bool) { return false; }
NameThreadHint nameThreadHint(const ToolModel&) { return {}; }
std::vector<PitchCandidate> pitchCandidatesForTool(const ToolModel&) { return {}; }
TapDrillVerdict analyzeTapDiameter(double, double, bool, std::optional<double>, bool) { return {}; }
} // namespace Corvana

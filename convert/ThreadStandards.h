#pragma once
// Standard thread sizes (Unified inch and ISO metric), thread designations
// read from tool names, and the tap-drill check.

#include "sources/ToolModel.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct InchThreadSize {
    double diameter;  // inches
    const char* name;
    double tpiUNC;    // 0: no thread in that series
    double tpiUNF;
    double tpiUNEF;
};

struct MetricThreadSize {
    double nominal;                // mm
    std::vector<double> pitches;   // coarse first, then fine descending
};

struct PitchCandidate {
    std::string label;
    double pitch = 0;     // in the size's own unit
    double tpi = 0;       // 0 for metric
    double nominal = 0;   // in the size's own unit
    bool isMetric = false;
    bool isPrimary = false;
    // Filled by pitchCandidatesForTool.
    std::string tier;     // "recommended", "inferred" or "option"
    double toolPitch = 0;    // pitch in the tool's unit
    double toolNominal = 0;  // nominal in the tool's unit
};

struct TapDrillVerdict {
    std::int32_t kind = 0;  // 0 nothing, 1 tap drill size, 2 matches no standard thread
    double nominal = 0;     // tool units
    std::string label;
    bool pitchMatches = false;
};

struct NameThreadHint {
    bool present = false;
    bool isMetric = false;     // the designation's own unit
    double nominal = 0;        // in the designation's unit
    double toolNominal = 0;    // in the tool's unit
    std::string label;
};

std::span<const InchThreadSize> inchThreadSizes();
std::span<const MetricThreadSize> metricThreadSizes();

const InchThreadSize* nearestInchSize(double diameterInch);
const MetricThreadSize* nearestMetricSize(double diameterMm);
const InchThreadSize* inchSizeByNumber(int number);
// Nominal diameter of the nearest size within `tolerance`, else 0; sets `label`.
double nearestNominal(double value, bool isMetric, double tolerance, std::string& label);
std::vector<PitchCandidate> standardPitchCandidates(double diameter, bool isMetric);

std::vector<ThreadCandidate> parseThreadDesignations(std::string_view name);
// 0 none or conflicting, 1 metric, 2 inch; the text is upper case.
int unitHint(std::string_view upperText);
bool isTapDrillFor(double diameter, double nominal, bool isMetric);
NameThreadHint nameThreadHint(const ToolModel& tool);
std::vector<PitchCandidate> pitchCandidatesForTool(const ToolModel& tool);
// `hintNominal` is in the hint's own unit (`hintIsMetric`); absent without a hint.
TapDrillVerdict analyzeTapDiameter(double diameter, double pitch, bool toolIsMetric,
                                   std::optional<double> hintNominal, bool hintIsMetric);

} // namespace Corvana

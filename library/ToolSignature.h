#pragma once
// What the library comparison reads from a host tool, and when two tools
// count as the same. Lengths are in the host's internal unit, the
// centimetre; angles in degrees; counts rounded to whole numbers.

#include <optional>
#include <string>
#include <string_view>

namespace Corvana {

struct ToolSignature {
    std::string type;                     // the host's tool type text
    std::optional<double> diameter;       // a signature without it takes part in no match
    std::optional<double> jsonGauge;      // gauge length of the tool's holder entry
    std::optional<double> cornerRadius;
    std::optional<double> fluteLength;
    std::optional<double> shoulderLength;
    std::optional<double> bodyLength;
    std::optional<double> overallLength;
    std::optional<double> shaftDiameter;
    std::optional<double> holderGaugeLength;
    std::optional<double> assemblyGaugeLength;
    std::optional<double> threadPitch;
    std::optional<double> tipAngle;
    std::optional<double> taperAngle;
    std::optional<double> numberOfFlutes;
    std::optional<double> numberOfTeeth;
};

// 0.001 inch; 0.1 degree. Values converted from other units may miss these
// by a rounding step, so matching allows a margin far below any real difference.
inline constexpr double signatureLengthTolerance = 0.00254;
inline constexpr double signatureAngleTolerance = 0.1;
inline constexpr double signatureRoundingMargin = 1e-9;

// Same non-empty type, diameters within the length tolerance, and every
// other value present in both or neither and, when present, within its
// tolerance (lengths, angles) or equal (counts).
bool signaturesMatch(const ToolSignature& a, const ToolSignature& b);

// True when |a - b| is within `tolerance` (plus the rounding margin).
bool withinTolerance(double a, double b, double tolerance);

// Nearest whole number, halves away from zero.
double roundedCount(double value);

// Fills the values a signature takes from the tool's JSON text: the gauge
// length of its holder (in centimetres, from the holder's own unit), and the
// assembly gauge length when the parameter did not give one.
void addToolJsonFacts(ToolSignature& signature, std::string_view toolJson);

} // namespace Corvana

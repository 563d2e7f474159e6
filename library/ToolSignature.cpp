#include "library/ToolSignature.h"

#include "library/ToolJsonText.h"

#include <array>
#include <cmath>

namespace Corvana {
namespace {

using Field = std::optional<double> ToolSignature::*;

constexpr std::array<Field, 10> lengthFields = {
    &ToolSignature::jsonGauge,         &ToolSignature::cornerRadius,        &ToolSignature::fluteLength,
    &ToolSignature::shoulderLength,    &ToolSignature::bodyLength,          &ToolSignature::overallLength,
    &ToolSignature::shaftDiameter,     &ToolSignature::holderGaugeLength,   &ToolSignature::assemblyGaugeLength,
    &ToolSignature::threadPitch,
};
constexpr std::array<Field, 2> angleFields = {&ToolSignature::tipAngle, &ToolSignature::taperAngle};
constexpr std::array<Field, 2> countFields = {&ToolSignature::numberOfFlutes, &ToolSignature::numberOfTeeth};

// Present in both or neither; when present, within the tolerance.
bool sameOptional(const std::optional<double>& a, const std::optional<double>& b, double tolerance) {
    if (a.has_value() != b.has_value()) return false;
    return !a || withinTolerance(*a, *b, tolerance);
}

template <std::size_t Count>
bool allFieldsMatch(const ToolSignature& a, const ToolSignature& b, const std::array<Field, Count>& fields,
                    double tolerance) {
    for (const Field field : fields)
        if (!sameOptional(a.*field, b.*field, tolerance)) return false;
    return true;
}

bool sameCount(const std::optional<double>& a, const std::optional<double>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || *a == *b;
}

} // namespace

bool withinTolerance(double a, double b, double tolerance) {
    return std::fabs(a - b) <= tolerance + signatureRoundingMargin;
}

double roundedCount(double value) { return std::round(value); }

bool signaturesMatch(const ToolSignature& a, const ToolSignature& b) {
    if (!a.diameter || !b.diameter || a.type.empty() || a.type != b.type) return false;
    if (!withinTolerance(*a.diameter, *b.diameter, signatureLengthTolerance)) return false;
    if (!allFieldsMatch(a, b, lengthFields, signatureLengthTolerance)) return false;
    if (!allFieldsMatch(a, b, angleFields, signatureAngleTolerance)) return false;
    for (const Field field : countFields)
        if (!sameCount(a.*field, b.*field)) return false;
    return true;
}

void addToolJsonFacts(ToolSignature& signature, std::string_view toolJson) {
    if (const auto holder = jsonMemberText(toolJson, "holder")) {
        const double gauge = jsonNumberMember(*holder, "gaugeLength").value_or(-1);
        if (gauge >= 0) {
            const double centimetresPerUnit = jsonStringMember(*holder, "unit") == "millimeters" ? 0.1 : 2.54;
            signature.jsonGauge = gauge * centimetresPerUnit;
        }
    }
    if (signature.assemblyGaugeLength) return;
    std::optional<double> assembly;
    if (const auto geometry = jsonMemberText(toolJson, "geometry"))
        assembly = jsonNumberMember(*geometry, "assemblyGaugeLength");
    if (!assembly) assembly = jsonNumberMember(toolJson, "assemblyGaugeLength");
    if (assembly && *assembly >= 0) signature.assemblyGaugeLength = *assembly;
}

} // namespace Corvana

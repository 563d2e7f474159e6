#include "convert/Profiles.h"

#include "sources/NumberText.h"

#include <atomic>
#include <cmath>
#include <numbers>
#include <unordered_set>

namespace Corvana {
namespace {

constexpr double kHalfPi = std::numbers::pi / 2;
constexpr double kHolderEpsilon = 1e-5;

std::atomic<double> currentPolyTolerance{0.0005};

void appendRow(std::vector<ProfileRow>& rows, double height, double lower, double upper) {
    rows.push_back(ProfileRow{height, lower, upper});
}

// Chords for a quarter arc of radius R so that no chord strays more than tol
// from the arc. The count is clamped in floating point first: a huge radius
// makes the raw quotient infinite.
int filletChordCount(double radius, double tolerance) {
    if (!(radius > tolerance)) return 8;
    const double raw = kHalfPi / (2 * std::acos(1 - tolerance / radius));
    const double chords = std::ceil(raw);
    if (!(chords < 24)) return 24;
    if (chords < 4) return 4;
    return static_cast<int>(chords);
}

void appendFilletedSegment(std::vector<ProfileRow>& rows, const ShankSegment& segment, double tolerance) {
    const double radius = segment.filletRadius;
    const int chords = filletChordCount(radius, tolerance);
    double previousRadius = segment.lowerDiameter / 2;
    double previousHeight = 0;
    for (int i = 1; i <= chords; ++i) {
        const double angle = i * kHalfPi / chords;
        const double r = segment.lowerDiameter / 2 + radius * std::sin(angle);
        const double y = radius * (1 - std::cos(angle));
        appendRow(rows, y - previousHeight, 2 * previousRadius, 2 * r);
        previousRadius = r;
        previousHeight = y;
    }
    appendRow(rows, segment.length - radius, segment.upperDiameter, segment.upperDiameter);
}

// A curve radius Q rounds the lower end: an 8-step quarter circle, then the
// rest of the section as one cone.
void appendCurvedSection(std::vector<HolderSegment>& sections, const HolderSegment& segment) {
    const double curve = segment.curveRadius;
    const double halfLower = segment.lowerDiameter / 2;
    double previousRadius = halfLower;
    double previousHeight = 0;
    for (int k = 1; k <= 8; ++k) {
        const double angle = k * kHalfPi * 0.125 - kHalfPi;
        const double r = curve * std::cos(angle) + halfLower;
        const double y = curve * std::sin(angle) + curve;
        sections.push_back(holderCone(2 * r, 2 * previousRadius, y - previousHeight));
        previousRadius = r;
        previousHeight = y;
    }
    if (segment.length - curve > kHolderEpsilon)
        sections.push_back(
            holderCone(segment.upperDiameter, 2 * (curve + halfLower), segment.length - curve));
}

bool isWidening(const HolderSegment& segment) {
    return segment.upperDiameter - segment.lowerDiameter > kHolderEpsilon;
}

// A blend is skipped when the section below already widens up to this one's
// lower diameter: the cone then simply continues.
bool continuesWidening(const HolderSegment* previous, const HolderSegment& segment) {
    return previous != nullptr && isWidening(*previous) &&
           std::fabs(previous->upperDiameter - segment.lowerDiameter) <= 0.0001;
}

void appendWideningSection(std::vector<HolderSegment>& sections, const HolderSegment& segment,
                           const HolderSegment* previous) {
    const double upper = segment.upperDiameter;
    const double lower = segment.lowerDiameter;
    const double length = segment.length;
    if (segment.filletRadius > kHolderEpsilon && length - segment.filletRadius > kHolderEpsilon) {
        sections.push_back(holderCone(upper, lower, segment.filletRadius));
        sections.push_back(holderCone(upper, upper, length - segment.filletRadius));
        return;
    }
    const double blend = segment.blendLength;
    if (blend > kHolderEpsilon && length - blend > kHolderEpsilon && !continuesWidening(previous, segment)) {
        sections.push_back(holderCone(upper, lower, blend));
        sections.push_back(holderCone(upper, upper, length - blend));
        return;
    }
    sections.push_back(holderCone(upper, lower, length));
}

// A cylinder with a blend narrows over its top B into the next section's lower diameter.
void appendCylinderSection(std::vector<HolderSegment>& sections, const HolderSegment& segment,
                           const HolderSegment* next) {
    const double lower = segment.lowerDiameter;
    const double blend = segment.blendLength;
    const double length = segment.length;
    const bool narrowsIntoNext = next != nullptr && (lower - next->lowerDiameter) / 2 > kHolderEpsilon;
    if (!narrowsIntoNext || !(blend > kHolderEpsilon) || !(length - blend > kHolderEpsilon)) {
        sections.push_back(holderCone(segment.upperDiameter, lower, length));
        return;
    }
    sections.push_back(holderCone(lower, lower, length - blend));
    sections.push_back(holderCone(next->lowerDiameter, lower, blend));
}

std::vector<HolderSegment> simplifiedHolderSections(const std::vector<HolderSegment>& segments) {
    std::vector<const HolderSegment*> kept;
    kept.reserve(segments.size());
    for (const auto& segment : segments)
        if (!segment.ignore) kept.push_back(&segment);
    std::vector<HolderSegment> sections;
    sections.reserve(kept.size() * 2);
    for (std::size_t j = 0; j < kept.size(); ++j) {
        const HolderSegment& segment = *kept[j];
        const HolderSegment* previous = j > 0 ? kept[j - 1] : nullptr;
        const HolderSegment* next = j + 1 < kept.size() ? kept[j + 1] : nullptr;
        const double halfWidening = (segment.upperDiameter - segment.lowerDiameter) / 2;
        if (segment.curveRadius > kHolderEpsilon && segment.length > segment.curveRadius)
            appendCurvedSection(sections, segment);
        else if (halfWidening > kHolderEpsilon)
            appendWideningSection(sections, segment, previous);
        else if (std::fabs(halfWidening) <= kHolderEpsilon)
            appendCylinderSection(sections, segment, next);
        else
            sections.push_back(holderCone(segment.upperDiameter, segment.lowerDiameter, segment.length));
    }
    return sections;
}

std::vector<ProfileRow> rowsOfSections(const std::vector<HolderSegment>& sections) {
    std::vector<ProfileRow> rows;
    rows.reserve(sections.size());
    for (const auto& section : sections)
        appendRow(rows, section.length, section.lowerDiameter, section.upperDiameter);
    return rows;
}

// Nearest integer, halves away from zero, as decimal text; a non-finite value gives 0.
void appendQuanta(std::string& out, double value, double quantum) {
    double rounded = std::round(value / quantum);
    if (!std::isfinite(rounded) || rounded == 0) rounded = 0;
    appendJsonNumber(out, rounded, 0);
}

bool isTrimmedByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trimmedName(std::string_view name) {
    std::size_t begin = 0;
    std::size_t end = name.size();
    while (begin < end && isTrimmedByte(name[begin])) ++begin;
    while (end > begin && isTrimmedByte(name[end - 1])) --end;
    return std::string(name.substr(begin, end - begin));
}

double keptHolderLength(const std::vector<HolderSegment>& segments) {
    double total = 0;
    for (const auto& segment : segments)
        if (!segment.ignore) total += segment.length;
    return total;
}

} // namespace

double polyTolerance() { return currentPolyTolerance.load(); }

void setPolyTolerance(double toleranceInch) {
    // A non-finite tolerance would turn every fillet into the 8-chord fallback or worse.
    if (!(toleranceInch > 0) || !std::isfinite(toleranceInch)) return;
    currentPolyTolerance.store(toleranceInch);
}

std::vector<ProfileRow> shankProfile(const std::vector<ShankSegment>& segments, bool isMetric) {
    const double tolerance = polyTolerance() * (isMetric ? 25.4 : 1.0);
    std::vector<ProfileRow> rows;
    rows.reserve(segments.size());
    for (const auto& segment : segments) {
        const double radius = segment.filletRadius;
        if (radius <= 1e-6 || segment.length - radius <= 1e-6) {
            appendRow(rows, segment.length, segment.lowerDiameter, segment.upperDiameter);
            continue;
        }
        appendFilletedSegment(rows, segment, tolerance);
    }
    return rows;
}

std::vector<ProfileRow> holderProfile(const ToolModel& tool) {
    if (!tool.rawHolderProfile) return rowsOfSections(simplifiedHolderSections(tool.holderSegments));
    std::vector<ProfileRow> rows;
    rows.reserve(tool.holderSegments.size());
    for (const auto& segment : tool.holderSegments)
        appendRow(rows, segment.length, segment.lowerDiameter, segment.upperDiameter);
    return rows;
}

std::string holderSignature(const std::vector<ProfileRow>& rows, bool isMetric) {
    const double quantum = isMetric ? 0.025 : 0.001;
    std::string key = isMetric ? "millimeters|" : "inches|";
    key += std::to_string(rows.size());
    for (const auto& row : rows) {
        key += '|';
        appendQuanta(key, row.height, quantum);
        key += ',';
        appendQuanta(key, row.lowerDiameter, quantum);
        key += ',';
        appendQuanta(key, row.upperDiameter, quantum);
    }
    return key;
}

void DistinctHolderList::add(const ToolModel& tool) {
    if (tool.holderSegments.empty()) return;
    std::vector<ProfileRow> rows = holderProfile(tool);
    if (!seenKeys.insert(holderSignature(rows, tool.isMetric)).second) return;
    DistinctHolder holder;
    holder.name = trimmedName(tool.holderName);
    if (holder.name.empty()) holder.name = "Holder " + std::to_string(holders.size() + 1);
    holder.gaugeLength = keptHolderLength(tool.holderSegments);
    holder.isMetric = tool.isMetric;
    holder.rows = std::move(rows);
    holders.push_back(std::move(holder));
}

std::vector<DistinctHolder> distinctHolders(const std::vector<ToolModel>& tools) {
    DistinctHolderList list;
    for (const auto& tool : tools) list.add(tool);
    return list.take();
}

} // namespace Corvana

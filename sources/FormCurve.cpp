#include "sources/FormCurve.h"

#include "sources/NumberText.h"

#include <charconv>
#include <cmath>

namespace Corvana {
namespace {

constexpr std::string_view kOrderMarker = "<member name=\"c_order\" value=\"";
constexpr std::string_view kPolyMarker = "<member name=\"c_poly\">";
constexpr std::string_view kValueMarker = "<member name=\"value\" length=\"";
constexpr std::string_view kMemberEnd = "</member>";

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Decimal numbers separated by white space, up to the first that does not read.
std::vector<double> readNumberRun(std::string_view text) {
    std::vector<double> numbers;
    const char* cursor = text.data();
    const char* const end = text.data() + text.size();
    while (true) {
        while (cursor != end && isBlankByte(*cursor)) ++cursor;
        if (cursor != end && *cursor == '+') ++cursor;
        double value = 0;
        const auto [next, error] = std::from_chars(cursor, end, value, std::chars_format::general);
        if (error != std::errc() || !std::isfinite(value)) break;
        numbers.push_back(value);
        cursor = next;
    }
    return numbers;
}

// The text of the curve's value member, or nullopt when a marker is missing.
std::optional<std::string_view> polyValueText(std::string_view xml) {
    const std::size_t poly = xml.find(kPolyMarker);
    if (poly == std::string_view::npos) return std::nullopt;
    const std::size_t value = xml.find(kValueMarker, poly);
    if (value == std::string_view::npos) return std::nullopt;
    const std::size_t open = xml.find('>', value + kValueMarker.size());
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t close = xml.find(kMemberEnd, open + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return xml.substr(open + 1, close - open - 1);
}

struct FormSection {
    double upper = 0;
    double lower = 0;
    double length = 0;
};

// Rising runs of at least `minimumRise` become one cone each; a pair that
// does not rise closes the current run.
std::vector<FormSection> groupFormPoints(const std::vector<FormPoint>& points, bool isMetric) {
    const double minimumRise = isMetric ? 0.25 : 0.01;
    std::vector<FormSection> sections;
    double accumulated = 0;
    double runUpper = 0;
    std::optional<double> runStart;
    for (std::size_t j = 0; j + 1 < points.size(); ++j) {
        const FormPoint& from = points[j];
        const FormPoint& to = points[j + 1];
        const double rise = to.height - from.height;
        const bool isLastPair = j + 2 == points.size();
        if (rise >= 1e-9) {
            runUpper = 2 * to.radius;
            if (!runStart) runStart = 2 * from.radius;
            accumulated += rise;
            if (accumulated < minimumRise && !isLastPair) continue;
        }
        if (accumulated > 1e-9 && runStart) sections.push_back(FormSection{runUpper, *runStart, accumulated});
        accumulated = 0;
        runStart.reset();
    }
    return sections;
}

// Points from the start height up; a point below it is replaced by the
// crossing when its successor lies above.
std::vector<FormPoint> clipFormPoints(const std::vector<FormPoint>& points, double startHeight) {
    std::vector<FormPoint> clipped;
    clipped.reserve(points.size());
    for (std::size_t j = 0; j < points.size(); ++j) {
        const FormPoint& point = points[j];
        if (point.height >= startHeight - 1e-9) {
            clipped.push_back(point);
            continue;
        }
        if (j + 1 >= points.size() || !(points[j + 1].height > startHeight + 1e-9)) continue;
        const FormPoint& next = points[j + 1];
        const double fraction = (startHeight - point.height) / (next.height - point.height);
        clipped.push_back(FormPoint{point.radius + (next.radius - point.radius) * fraction, startHeight});
    }
    return clipped;
}

} // namespace

std::optional<std::vector<FormPoint>> parseFormCurve(std::string_view xml) {
    std::vector<FormPoint> points;
    if (xml.empty()) return points;
    if (const std::size_t order = xml.find(kOrderMarker); order != std::string_view::npos) {
        const std::string_view rest = xml.substr(order + kOrderMarker.size());
        const auto value = parseLeadingInt32(rest.substr(0, rest.find('"')));
        if (!value) return std::nullopt;
        if (*value != 2) return points;
    }
    if (xml.size() < 22) return points;
    const auto valueText = polyValueText(xml);
    if (!valueText) return points;
    const std::vector<double> numbers = readNumberRun(*valueText);
    points.reserve(numbers.size() / 3);
    for (std::size_t i = 0; i + 2 < numbers.size(); i += 3)
        points.push_back(FormPoint{numbers[i], numbers[i + 2]});
    return points;
}

std::vector<HolderSegment> formCurveToHolder(const std::vector<FormPoint>& points, bool isMetric) {
    std::vector<HolderSegment> segments;
    if (points.size() < 2) return segments;
    for (const auto& section : groupFormPoints(points, isMetric))
        segments.push_back(holderCone(section.upper, section.lower, section.length));
    return segments;
}

std::vector<ShankSegment> formCurveToShank(const std::vector<FormPoint>& points, double startHeight,
                                           double totalLength, bool isMetric) {
    std::vector<ShankSegment> segments;
    if (points.size() < 2) return segments;
    const std::vector<FormPoint> clipped = clipFormPoints(points, startHeight);
    if (clipped.size() < 2) return segments;
    double sectionsLength = 0;
    for (const auto& section : groupFormPoints(clipped, isMetric)) {
        segments.push_back(ShankSegment{section.upper, section.lower, section.length, 0});
        sectionsLength += section.length;
    }
    const double remaining = totalLength - sectionsLength;
    if (totalLength > 1e-9 && !segments.empty() && remaining > 1e-6) {
        const double top = segments.back().upperDiameter;
        segments.push_back(ShankSegment{top, top, remaining, 0});
    }
    return segments;
}

} // namespace Corvana

#pragma once
// Database form curves: the outline points of a tool or holder as the tool
// database stores them, and their grouping into straight conical sections.

#include "sources/ToolModel.h"

#include <optional>
#include <string_view>
#include <vector>

namespace Corvana {

struct FormPoint {
    double radius = 0;
    double height = 0;
};

// Points of a database form curve; nullopt when its "c_order" value is not an integer.
std::optional<std::vector<FormPoint>> parseFormCurve(std::string_view xml);
std::vector<HolderSegment> formCurveToHolder(const std::vector<FormPoint>& points, bool isMetric);
std::vector<ShankSegment> formCurveToShank(const std::vector<FormPoint>& points, double startHeight,
                                           double totalLength, bool isMetric);

} // namespace Corvana

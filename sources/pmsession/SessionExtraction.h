#pragma once
// Reads every tool of an open PowerMill session into tool records: one XML
// description per tool with single-parameter fallbacks, shank and holder
// geometry from parameter values or from a pattern export, cutting data per
// machining phase.

#include "sources/ToolModel.h"
#include "sources/pmsession/PmLink.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// True stops the extraction before the next tool.
using ExtractionAbortFn = std::function<bool()>;

// Tools in the order of the session's object model, each with `isMetric`.
// `progress` follows the readers' protocol; tools read before an abort are kept.
std::vector<ToolModel> extractSessionTools(const PmSession& session, bool isMetric, double toleranceInch,
                                           const ToolProgressFn& progress, const ExtractionAbortFn& abort);

// The names of the session's tools through Project.Tools.
std::vector<std::string> listSessionToolNames(const PmSession& session);

// The text between the first <tag> and the following </tag>, searched in the
// lower-case copy and cut from `xml`; empty when either is missing.
std::string xmlElementText(std::string_view xml, std::string_view lower, std::string_view tag);

struct ProfilePoint {
    double x = 0;  // radius
    double y = 0;  // height
};

// Points of a pattern text file after its origin line; empty when unreadable.
std::vector<ProfilePoint> readPatternProfile(const std::string& path);

struct ProfileSection {
    double upperDiameter = 0;
    double lowerDiameter = 0;
    double length = 0;
};

// Sections from the tip end upwards; rises shorter than the minimum section
// length are merged with the following ones.
std::vector<ProfileSection> profileToSegments(const std::vector<ProfilePoint>& points, bool isMetric);

} // namespace Corvana

#include "convert/Profiles.h"
// STUB: replaced by the real implementation.
namespace Corvana {
double polyTolerance() { return 0.0005; }
void setPolyTolerance(double) {}
std::vector<ProfileRow> shankProfile(const std::vector<ShankSegment>&, bool) { return {}; }
std::vector<ProfileRow> holderProfile(const ToolModel&) { return {}; }
std::string holderSignature(const std::vector<ProfileRow>&, bool) { return {}; }
std::vector<DistinctHolder> distinctHolders(const std::vector<ToolModel>&) { return {}; }
std::optional<std::vector<FormPoint>> parseFormCurve(std::string_view) { return std::vector<FormPoint>{}; }
std::vector<HolderSegment> formCurveToHolder(const std::vector<FormPoint>&, bool) { return {}; }
std::vector<ShankSegment> formCurveToShank(const std::vector<FormPoint>&, double, double, bool) { return {}; }
} // namespace Corvana

#include "convert/LibraryJson.h"
// STUB: replaced by the real implementation.
namespace Corvana {
std::string makeStableGuid(std::int32_t) { return {}; }
ToolModel convertToolUnits(const ToolModel& tool, bool) { return tool; }
FusionToolRecord toFusionToolRecord(const ToolModel&, std::int32_t, const std::string&) { return {}; }
std::string buildToolLibraryJson(const std::vector<ToolModel>&, const std::string&,
                                 const std::vector<std::string>&, LibraryJsonMode) { return "{}"; }
} // namespace Corvana

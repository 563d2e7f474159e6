#include "convert/Classification.h"
// STUB: replaced by the real implementation.
namespace Corvana {
void classifyTool(ToolModel& tool) { tool.classified = true; }
std::string fusionTypeFor(const ToolModel&) { return "flat end mill"; }
std::string defaultFusionType(std::int32_t) { return "flat end mill"; }
std::string keywordTypeFor(const std::vector<std::int32_t>&, std::string_view) { return {}; }
CircleSegmentInfo analyzeCircleSegment(const ToolModel&) { return {}; }
std::string libraryCategoryFor(std::string_view) { return "millingTools"; }
std::string defaultToolMaterialFor(std::string_view) { return "carbide"; }
std::map<std::string, std::string> materialDefaults() { return {}; }
void setMaterialDefault(const std::string&, const std::string&) {}
void resetMaterialDefaults() {}
std::string materialQueryFor(std::string_view) { return "{\"category\":\"all\",\"query\":\"\",\"use-hardness\":false}"; }
std::string fusionCoolantFor(std::string_view) { return "flood"; }
std::string materialDisplayName(std::string_view m) { return std::string(m); }
std::vector<NamedPreset> presetNamesFor(const ToolModel&) { return {}; }
std::string detectToolMaterial(std::string_view) { return {}; }
int detectRole(std::string_view) { return 0; }
} // namespace Corvana

#pragma once
// Derives from a tool's free texts what the source does not state (body
// material, hand, thread designations, special kinds, roughing or finishing)
// and maps tools and cutting data onto Fusion's vocabulary.

#include "sources/ToolModel.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

enum KeywordKind : std::int32_t {
    KindCounterSink = 0,
    KindCounterBore = 1,
    KindReamer = 2,
    KindBoringBar = 3,
    KindFaceMill = 4,
    KindCenterDrill = 5,
    KindSpotDrill = 6,
};

// The shape an off-centre tip radius cuts: Fusion takes lenses and ovals only.
enum class CircleSegmentKind : std::int32_t { NotApplicable = 0, Lens = 1, Oval = 2, Other = 3 };

struct CircleSegmentInfo {
    CircleSegmentKind kind = CircleSegmentKind::NotApplicable;
    double angle = 0;       // degrees
    double height = 0;      // tool units
    bool steep = false;
};

struct NamedPreset {
    std::string displayName;
    const CuttingPreset* preset = nullptr;  // points into the tool's presets
};

// Fills the classification fields once; does nothing when `classified` is set.
void classifyTool(ToolModel& tool);

// The progress function a reader is run with: it classifies each kept tool
// before `next` (when set) reports it, so the reader returns classified tools.
ToolProgressFn classifyingProgress(ToolProgressFn next);

std::string fusionTypeFor(const ToolModel& tool);
std::string defaultFusionType(std::int32_t typeCode);
// First kind permitted for the type key and present in `kinds`; "" when none.
std::string keywordTypeFor(const std::vector<std::int32_t>& kinds, std::string_view typeKey);
CircleSegmentInfo analyzeCircleSegment(const ToolModel& tool);
// False for form, routing and turning tools and for an off-centre tip radius
// that is neither a lens nor an oval: Fusion has no type for them.
bool hasFusionType(const ToolModel& tool);

std::string libraryCategoryFor(std::string_view fusionType);
// The default body material of a category; "carbide" for unknown categories.
std::string defaultToolMaterialFor(std::string_view categoryKey);
// A copy of the current category defaults.
std::map<std::string, std::string> materialDefaults();
// Replaces one category's default (SET_MATERIAL_DEFAULTS). Safe from any thread.
void setMaterialDefault(const std::string& categoryKey, const std::string& material);
// Restores the seven built-in defaults.
void resetMaterialDefaults();

std::string materialQueryFor(std::string_view material);
std::string fusionCoolantFor(std::string_view coolant);
std::string materialDisplayName(std::string_view material);
// Usable presets (speed or feed above 0) with their display names, in list order.
std::vector<NamedPreset> presetNamesFor(const ToolModel& tool);

// "hss", "carbide" or "" (both or neither named).
std::string detectToolMaterial(std::string_view text);
// Roughing or finishing when the text names only one of them.
ToolRole detectRole(std::string_view text);

} // namespace Corvana

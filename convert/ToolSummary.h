#pragma once
// The one-line JSON object that describes a parsed tool to the palette.

#include "sources/ToolModel.h"

#include <cstdint>
#include <string>

namespace Corvana {

// `withPresetNames` adds "presetNames" (template, project, archive and session tools).
std::string buildToolSummaryJson(const ToolModel& tool, std::int32_t index, bool withPresetNames);

} // namespace Corvana

#pragma once
// Validation findings of one tool, as the JSON array the palette shows.

#include "sources/ToolModel.h"

#include <string>

namespace Corvana {

// "[" + issues separated by "," + "]"; "[]" when the tool has none.
std::string buildToolIssuesJson(const ToolModel& tool);

} // namespace Corvana

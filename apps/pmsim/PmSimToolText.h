#pragma once
// What the simulated PowerMill answers about one of its tools: the tool's XML
// description, its single parameters, its shank parameter values and the
// holder and shank outlines it exports.

#include "sources/ToolModel.h"
#include "sources/pmsession/SessionExtraction.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana::PmSim {

// The name PowerMill knows the tool by.
std::string toolName(const ToolModel& tool);

std::string toolXml(const ToolModel& tool);

// The value of the expression `entity(...)` + `suffix` (".diameter",
// ".cuttingspeed.finishing.general", ...); empty for an unknown parameter.
std::optional<std::string> toolParameter(const ToolModel& tool, std::string_view suffix);

std::string shankSetValuesXml(const ToolModel& tool);

// Outline points (radius, height) from the bottom upwards.
std::vector<ProfilePoint> holderOutline(const ToolModel& tool);
std::vector<ProfilePoint> shankOutline(const ToolModel& tool);

// Shortest text that reads back as the same double.
std::string numberText(double value);

} // namespace Corvana::PmSim

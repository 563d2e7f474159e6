#pragma once
// Reads PowerMill tool templates (.ptf) and tool entities (.pmlent): binary
// files holding each tool's parameters as JSON-like text records, with some
// holder and shank geometry kept only as binary doubles.

#include "sources/ToolModel.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// The kept tools of the file bytes in file order. `progress`
// follows the readers' protocol, with the number of tool records as total;
// it is not called for empty bytes. Malformed input gives fewer tools, never a failure.
std::vector<ToolModel> parsePtfBytes(std::span<const std::uint8_t> bytes, const ToolProgressFn& progress = {});

// parsePtfBytes on the contents of the file at the UTF-8 `path`. A file that
// cannot be read or is empty gives no tools and no progress call.
std::vector<ToolModel> parsePtfFile(const std::string& path, const ToolProgressFn& progress = {});

// A length text as templates write it: "12.5", "1/2", "12.7mm", "0.5in".
// Millimetre values are converted to inches for inch tools; any text that
// is not a finite number gives 0.
double parseLengthText(std::string_view text, bool isMetric);

} // namespace Corvana

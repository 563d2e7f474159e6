#pragma once
// Reads a PowerMill tool database (.mdb): one table per tool family, holder
// outlines stored as form curves, material and coolant lookup tables, and a
// feeds-and-speeds table that supplies cutting presets.

#include "platform/ToolDatabase.h"
#include "sources/ToolModel.h"

#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// One tool per readable row of the tool tables, in table and row order.
// `progress` follows the readers' protocol with the summed row
// counts as total. Missing tables, columns and lookup data give defaults;
// a row that cannot be read or has a broken form curve is skipped.
std::vector<ToolModel> readMdbDatabase(ToolDatabase& database, const ToolProgressFn& progress = {});

// readMdbDatabase on the database file at the UTF-8 `path`. A file that
// cannot be opened gives no tools and no progress call.
std::vector<ToolModel> readMdbFile(const std::string& path, const ToolProgressFn& progress = {});

// The text after the last '.' of a path, lower-cased; empty when there is no
// '.' or a '/' or '\' follows the last one.
std::string fileExtensionOf(std::string_view path);

} // namespace Corvana

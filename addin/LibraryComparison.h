#pragma once
// The library comparison against the host's tool objects: signatures read
// through tool parameters, the comparison of two library objects, and the
// analysis the palette asks for before it replaces or merges.

#include "library/LibraryAnalysis.h"
#include "sources/ToolModel.h"

#include "CAM/CAMAll.h"

#include <string>
#include <vector>

namespace Corvana {

// The text of the tool's "tool_type" parameter; empty when it has none.
std::string toolTypeText(const adsk::cam::Tool& tool);

// Lengths in centimetres and angles in degrees, whatever the tool's own unit.
ToolSignature readToolSignature(const adsk::cam::Tool& tool);

// Every entry of the library as the comparison sees it, in library order.
// Throws std::runtime_error when the host loses an entry while it is read.
std::vector<ComparedTool> readComparedTools(const adsk::cam::ToolLibrary& library);

// Compares `incoming` with `existing`. When adding, the incoming entries the
// comparison lists as additions are appended to `existing` (in memory only).
LibraryComparison compareLibraries(adsk::cam::ToolLibrary& existing, const adsk::cam::ToolLibrary& incoming,
                                   bool adding);

// Compares the tools with the local library of that name and writes one line
// to the host's log. A library that is missing or cannot be read gives zero
// counts and empty lists; tools the host rejects give the existing count only.
LibraryComparison analyzeLibrary(const std::string& libraryName, const std::vector<ToolModel>& tools);

} // namespace Corvana

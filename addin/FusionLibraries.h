#pragma once
// The road into the host's CAM tool libraries: the local library folder and
// the names of the libraries in it.

#include "CAM/CAMAll.h"
#include "Core/CoreAll.h"

#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct LibraryAccess {
    adsk::core::Ptr<adsk::cam::ToolLibraries> toolLibraries;
    adsk::core::Ptr<adsk::core::URL> localFolder;
    std::string error;  // a sentence for the user; empty on success
};

// The tool libraries and the local folder, or the first missing step in `error`.
LibraryAccess openLibraryAccess();

// A library's name: its URL's leaf name before the last ".", or the whole leaf.
std::string libraryNameOfLeaf(std::string_view leafName);

// Names of the libraries in the local folder, in the host's order; empty when
// the libraries cannot be reached.
std::vector<std::string> listLocalLibraryNames();

} // namespace Corvana

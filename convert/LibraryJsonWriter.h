#pragma once
// Serialises a library document: fixed key order, no blanks, fixed number format.

#include "convert/LibraryJson.h"

#include <string>

namespace Corvana {

std::string serialiseDocument(const LibraryDocument& document);

} // namespace Corvana

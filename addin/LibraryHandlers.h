#pragma once
// The palette's library operations on the tools of one source: import into a
// new library (only a WARN_LIBRARY_EXISTS {"analyzed":false} when the name
// is taken), analysis of an existing library (WARN_LIBRARY_EXISTS with the
// counts and names), replace, merge (the reply names the added tools' source
// indices in "addedIndices") and export to a JSON file (REPLY_EXPORT_JSON).

#include "addin/ToolSources.h"

namespace Corvana {

// Registers the five actions of `source`, named with its action infix.
void registerLibraryActions(const ToolSource& source);

} // namespace Corvana

#pragma once
// Running PowerMill sessions on the command line: `corvana sessions` lists
// them, `--session N` reads the tools of one exactly as a live open in the
// add-in does.

#include "apps/corvana/SourceLoader.h"

namespace Corvana {

// Prints the installed release and the running sessions; the exit code.
int runSessions(bool json);

// The tools of session `index` of the list `corvana sessions` prints.
LoadedSource loadSessionSource(int index, const ToolProgressFn& progress);

} // namespace Corvana

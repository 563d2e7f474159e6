#pragma once
// The add-in's scratch folder for generated scripts, probe outputs, extracted
// archives and exported pattern files.

#include <string>

namespace Corvana {

// The folder "TOLVEX_PM" in the user's temporary directory, created when
// missing, without a trailing separator. A failure to create it is not
// reported: the caller's own file write then fails.
std::string ensurePmTempDir();

} // namespace Corvana

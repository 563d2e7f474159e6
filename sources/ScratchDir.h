#pragma once
// The add-in's scratch folder for generated scripts, probe outputs, extracted
// archives and exported pattern files.

#include <string>

namespace Corvana {

struct ScratchDir {
    std::string path;   // UTF-8, without a trailing separator
    std::string error;  // one sentence for the user when the folder must not be used; empty when it may
};

// The folder "TOLVEX_PM" in the user's temporary directory, created with mode
// 0700 when missing. The temporary directory is shared, so an existing entry
// is used only when it is a real folder (not a link) owned by this user with
// mode 0700; anything else gives the error, and nothing may be written there.
// Without a temporary directory the error says so too.
ScratchDir ensurePmTempDir();

} // namespace Corvana

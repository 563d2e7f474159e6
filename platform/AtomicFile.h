#pragma once
// Whole-file writes that leave either the old file or the new one, never a
// mix: the content goes to a temporary file in the same folder, is flushed to
// disk, and is then renamed over the target.

#include <string>
#include <string_view>

namespace Corvana {

struct FileWriteOutcome {
    bool ok = false;
    std::string message;  // one sentence when !ok
};

// On failure the target is unchanged and no temporary file remains.
FileWriteOutcome writeFileAtomically(const std::string& path, std::string_view content);

} // namespace Corvana

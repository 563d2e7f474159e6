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

// On failure the target is unchanged and no temporary file remains. A
// read-only target is refused; a replaced target keeps its permissions, and
// the folder is synced after the rename so the new name survives a power cut.
FileWriteOutcome writeFileAtomically(const std::string& path, std::string_view content);

// An existing file marked read-only (no owner write permission) or that this
// user may not write. A rename would replace it regardless, so writers refuse it.
bool isReadOnlyFile(const std::string& path);

} // namespace Corvana

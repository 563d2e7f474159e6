#pragma once
// The user's XDG folders on Linux. The environment is read on every call, so
// a test isolates all state by setting XDG_CONFIG_HOME and XDG_RUNTIME_DIR.

#include <filesystem>
#include <optional>

namespace Corvana {

// $XDG_CONFIG_HOME/corvana, else ~/.config/corvana; not created here.
std::optional<std::filesystem::path> userConfigFolder();

// A folder of the user's runtime directory ($XDG_RUNTIME_DIR, else the
// temporary directory with the user id in the name), created with mode 0700
// when missing. Empty when it exists but is not a private folder of this user
// (another owner, other permissions, or a link): nothing of ours goes there.
std::optional<std::filesystem::path> privateRuntimeFolder(const char* name);

} // namespace Corvana

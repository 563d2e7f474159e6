#pragma once
// Files no other user can replace or read: a new folder only the user may
// enter, and files created new inside it.

#include <cstdio>
#include <filesystem>
#include <string>

namespace Corvana {

// A new folder "<prefix>XXXXXX" under `parent` with owner-only access; empty
// on failure.
std::filesystem::path createPrivateFolder(const std::filesystem::path& parent, const std::string& prefix);

// Opens a file that did not exist before (a link in its place fails too) for
// writing, readable and writable by the owner only; null on failure.
std::FILE* createPrivateFile(const std::filesystem::path& path);

} // namespace Corvana

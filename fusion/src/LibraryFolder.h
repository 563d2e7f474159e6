#pragma once
// The folder behind the local library location: one "<name>.json" file per
// library, written so that a library is never seen half-written.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adsk::sim::detail {

// URL of the local library folder; a library's URL is this, "/" and its file name.
inline constexpr std::string_view localRootUrl = "user://Local";

// File names of the libraries in the folder, in name order.
std::vector<std::string> listLibraryFiles(const std::filesystem::path& folder);

// The library file a URL names, or nothing when the URL is not a library of
// this folder or its file does not exist.
std::optional<std::filesystem::path> libraryFileForUrl(const std::filesystem::path& folder,
                                                       std::string_view url);

// True for a name that can only ever name one file directly in the folder:
// not empty, no path separator or control character, no leading ".".
bool isPlainLibraryName(std::string_view name);

// Takes the next piece of a file's content; false when it could not be written.
using TextSink = std::function<bool(std::string_view piece)>;
// Gives a file's content to the sink piece by piece; false when the sink refused one.
using TextSource = std::function<bool(const TextSink& sink)>;

// Creates "<name>.json", or "<name> (2).json" and so on when taken, and
// returns the file name used; nothing when no file could be created.
std::optional<std::string> createLibraryFile(const std::filesystem::path& folder,
                                             std::string_view name, const TextSource& text);

// Replaces an existing file in one rename; on failure the old file stays.
bool replaceLibraryFile(const std::filesystem::path& file, const TextSource& text);

std::optional<std::string> readLibraryFile(const std::filesystem::path& file);

} // namespace adsk::sim::detail

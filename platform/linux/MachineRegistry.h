#pragma once
// The Linux stand-in for the machine-wide registry keys that tell whether
// PowerMill is installed and how its automation server is started: the file
// "machine-registry" in the user's configuration folder. One entry per line,
// a full key path, optionally followed by '=' and the key's default value:
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\PowerMill 2024
//   HKEY_CLASSES_ROOT\PowerMILL.Application="/opt/pmsim/pmsim" serve
//
// The default value of a class registration is its server command line: the
// program (in double quotes when it holds blanks) and blank-separated arguments.
// Key paths compare without regard to ASCII case, as on Windows.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana::MachineRegistry {

struct Entry {
    std::string key;
    std::optional<std::string> value;
};

inline constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";

// Every entry of the file; empty when it is missing or unreadable.
std::vector<Entry> readEntries();

// Replaces the file atomically; false when it cannot be written.
bool writeEntries(const std::vector<Entry>& entries);

bool sameKey(std::string_view a, std::string_view b);

// True when the key or one of its subkeys is listed.
bool keyExists(const std::vector<Entry>& entries, std::string_view key);

std::optional<std::string> defaultValue(const std::vector<Entry>& entries, std::string_view key);

// The program and arguments of a server command line; empty for a blank line
// or an unclosed quote.
std::vector<std::string> splitCommandLine(std::string_view line);

} // namespace Corvana::MachineRegistry

#pragma once
// What the Windows side runs for archives: Windows PowerShell scripts that use
// the .NET ZIP classes, written to the scratch folder, and the command line
// that starts them hidden. The add-in judges only the files they leave.

#include <optional>
#include <string>
#include <string_view>

namespace Corvana {

// Scratch file names, each placed in the folder of ensurePmTempDir.
inline constexpr std::string_view kExtractionScriptPrefix = "cvn_extract_";  // + id + ".ps1"
inline constexpr std::string_view kVersionProbeScript = "pm_arch_ver.ps1";
inline constexpr std::string_view kVersionProbeOutput = "pm_arch_ver.txt";
inline constexpr std::string_view kUnitsProbeScript = "pm_arch_units.ps1";
inline constexpr std::string_view kUnitsProbeOutput = "pm_arch_units.txt";

// Each script is the file's text: lines ended by a line feed, every path on its
// own line inside a single-quoted here-string. Empty when a path holds a line
// break or NUL or starts with "'@", any of which would end the here-string early.

// Extracts the archive into `targetFolder`.
std::optional<std::string> archiveExtractionScript(const std::string& archivePath, const std::string& targetFolder);

// Writes the release year (version="20dd") of the archive's first *.pmlprj
// entry to `outputPath`, in ASCII without a line end.
std::optional<std::string> archiveVersionProbeScript(const std::string& archivePath, const std::string& outputPath);

// Writes the first non-blank character of that entry's second line to `outputPath`.
std::optional<std::string> archiveUnitsProbeScript(const std::string& archivePath, const std::string& outputPath);

// The command line that runs a script hidden, without profile or prompts, in
// UTF-8; the Windows side converts it to UTF-16 for process creation.
std::string hiddenPowerShellCommandLine(const std::string& scriptPath);

} // namespace Corvana

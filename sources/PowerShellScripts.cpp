#include "sources/PowerShellScripts.h"

#include <initializer_list>

namespace Corvana {
namespace {

// Lines end in a line feed; the Windows side writes the file in text mode,
// which gives Windows line ends, byte for byte otherwise and without a byte-order mark.
constexpr std::string_view kLineEnd = "\n";

// A single-quoted here-string ends at a line starting with '@, so the path
// must stay on its own line and must not start one that way.
bool fitsHereString(std::string_view path) {
    return path.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos && !path.starts_with("'@");
}

class ScriptText {
public:
    ScriptText& line(std::string_view content) {
        text.append(content).append(kLineEnd);
        return *this;
    }
    ScriptText& lines(std::initializer_list<std::string_view> contents) {
        for (const auto content : contents) line(content);
        return *this;
    }
    // "$name = @'", the path alone on the next line, then "'@".
    ScriptText& pathVariable(std::string_view assignment, std::string_view path) {
        return line(std::string(assignment) + " = @'").line(path).line("'@");
    }
    std::string take() { return std::move(text); }

private:
    std::string text;
};

// The lines shared by both probes: open the archive and its first index entry.
ScriptText probePrologue(const std::string& archivePath, const std::string& outputPath) {
    ScriptText script;
    script.line("Add-Type -Assembly 'System.IO.Compression.FileSystem'")
        .pathVariable("$archPath", archivePath)
        .pathVariable("$outPath ", outputPath)
        .lines({
            "try {",
            "  $z = [IO.Compression.ZipFile]::OpenRead($archPath.Trim())",
            "  $e = $z.Entries | Where-Object { $_.Name -match '\\.pmlprj$' } | Select-Object -First 1",
            "  if ($e) {",
            "    $r = New-Object System.IO.StreamReader($e.Open())",
        });
    return script;
}

} // namespace

std::optional<std::string> archiveExtractionScript(const std::string& archivePath, const std::string& targetFolder) {
    if (!fitsHereString(archivePath) || !fitsHereString(targetFolder)) return std::nullopt;
    ScriptText script;
    script.line("Add-Type -Assembly 'System.IO.Compression.FileSystem'")
        .pathVariable("$archPath", archivePath)
        .pathVariable("$destPath", targetFolder)
        .lines({
            "try {",
            "  [IO.Compression.ZipFile]::ExtractToDirectory($archPath.Trim(), $destPath.Trim())",
            "} catch {}",
        });
    return script.take();
}

std::optional<std::string> archiveVersionProbeScript(const std::string& archivePath, const std::string& outputPath) {
    if (!fitsHereString(archivePath) || !fitsHereString(outputPath)) return std::nullopt;
    return probePrologue(archivePath, outputPath)
        .lines({
            "    $c = $r.ReadToEnd()",
            "    $r.Dispose()",
            "    $m = [regex]::Match($c, 'version=\"(20\\d\\d)\"')",
            "    if ($m.Success) { $m.Groups[1].Value | Out-File -FilePath $outPath.Trim() -Encoding ASCII "
            "-NoNewline }",
            "  }",
            "  $z.Dispose()",
            "} catch {}",
        })
        .take();
}

std::optional<std::string> archiveUnitsProbeScript(const std::string& archivePath, const std::string& outputPath) {
    if (!fitsHereString(archivePath) || !fitsHereString(outputPath)) return std::nullopt;
    return probePrologue(archivePath, outputPath)
        .lines({
            "    $null = $r.ReadLine()",
            "    $line2 = $r.ReadLine()",
            "    $r.Dispose()",
            "    if ($line2 -and $line2.Trim().Length -gt 0) {",
            "      $line2.Trim()[0] | Out-File -FilePath $outPath.Trim() -Encoding ASCII -NoNewline",
            "    }",
            "  }",
            "  $z.Dispose()",
            "} catch {}",
        })
        .take();
}

std::string hiddenPowerShellCommandLine(const std::string& scriptPath) {
    return "powershell.exe -NoProfile -NonInteractive -WindowStyle Hidden -ExecutionPolicy Bypass -File \"" +
           scriptPath + "\"";
}

} // namespace Corvana

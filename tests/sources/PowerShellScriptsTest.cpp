#include "sources/PowerShellScripts.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

const std::string kArchive = "C:\\Users\\J\xC3\xB6rg\\Jobs\\Mould 7.pmlprjz";
const std::string kTemp = "C:\\Users\\J\xC3\xB6rg\\AppData\\Local\\Temp\\TOLVEX_PM";

TEST(PowerShellScriptsTest, ExtractionScriptIsExact) {
    EXPECT_EQ(archiveExtractionScript(kArchive, kTemp + "\\cvn_arch_00112233445566778899aabbccddeeff"),
              "Add-Type -Assembly 'System.IO.Compression.FileSystem'\n"
              "$archPath = @'\n"
              "C:\\Users\\J\xC3\xB6rg\\Jobs\\Mould 7.pmlprjz\n"
              "'@\n"
              "$destPath = @'\n"
              "C:\\Users\\J\xC3\xB6rg\\AppData\\Local\\Temp\\TOLVEX_PM\\cvn_arch_00112233445566778899aabbccddeeff\n"
              "'@\n"
              "try {\n"
              "  [IO.Compression.ZipFile]::ExtractToDirectory($archPath.Trim(), $destPath.Trim())\n"
              "} catch {}\n");
    EXPECT_EQ(hiddenPowerShellCommandLine(kTemp + "\\pm_arch_ver.ps1"),
              "powershell.exe -NoProfile -NonInteractive -WindowStyle Hidden -ExecutionPolicy Bypass -File "
              "\"C:\\Users\\J\xC3\xB6rg\\AppData\\Local\\Temp\\TOLVEX_PM\\pm_arch_ver.ps1\"");
}

// A line break in a path would end the here-string and run the rest as code.
TEST(PowerShellScriptsTest, RefusesPathsThatEndTheHereString) {
    const std::string injected = "C:\\a.pmlprjz\n'@\nRemove-Item C:\\ -Recurse\n$x = @'\nb";
    EXPECT_EQ(archiveExtractionScript(injected, kTemp), std::nullopt);
    EXPECT_EQ(archiveExtractionScript(kArchive, "C:\\t\nx"), std::nullopt);
    EXPECT_EQ(archiveVersionProbeScript(kArchive, "C:\\t\rx"), std::nullopt);
    EXPECT_EQ(archiveUnitsProbeScript(std::string("C:\\a\0b", 6), kTemp), std::nullopt);
    EXPECT_EQ(archiveUnitsProbeScript("'@x", kTemp), std::nullopt);
    EXPECT_NE(archiveUnitsProbeScript("C:\\it's '@ fine", kTemp), std::nullopt);
}

} // namespace
} // namespace Corvana

#include "sources/PowerShellScripts.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

const std::string kArchive = "C:\\Users\\J\xC3\xB6rg\\Jobs\\Mould 7.pmlprjz";
const std::string kTemp = "C:\\Users\\J\xC3\xB6rg\\AppData\\Local\\Temp\\TOLVEX_PM";

// Paths sit alone inside single-quoted here-strings, where PowerShell expands
// nothing; a line break in a path would end the here-string and run the rest as code.
TEST(PowerShellScriptsTest, PathsStayInsideLiteralHereStrings) {
    const auto script = archiveExtractionScript(kArchive, kTemp + "\\cvn_arch_1");
    ASSERT_TRUE(script);
    EXPECT_NE(script->find("@'\n" + kArchive + "\n'@\n"), std::string::npos) << *script;
    EXPECT_NE(script->find("@'\n" + kTemp + "\\cvn_arch_1\n'@\n"), std::string::npos) << *script;
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

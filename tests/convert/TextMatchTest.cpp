#include "convert/TextMatch.h"

#include <gtest/gtest.h>

#include <utility>

namespace Corvana {
namespace {

TEST(TextMatchTest, NormalisingWordMatchingAndHand) {
    EXPECT_EQ(upperAscii("Fräse m6"), "FRäSE M6");  // bytewise: non-ASCII letters stay
    EXPECT_EQ(compactUpper("d'art 6.5_mm-x y"), "DART65MMXY");
    EXPECT_EQ(squeezeUpper("d'art 6.5_mm-x y"), "D'ART65MMXY");

    EXPECT_FALSE(matchWordStart("6MMCSK90DEG", "CSK"));
    EXPECT_TRUE(matchWordStart("6CSK", "CSK"));
    EXPECT_TRUE(matchWordStart("XCSK/CSKA", "CSK"));  // a failed occurrence does not end the search
    EXPECT_FALSE(matchWordStart("CSK", ""));
    EXPECT_FALSE(matchWholeWord("INSERTED", "INSERT"));
    EXPECT_TRUE(matchWholeWord("INSERTED INSERT", "INSERT"));
    EXPECT_TRUE(matchWholeWord("INSERT_MILL", "INSERT"));
    EXPECT_FALSE(matchWholeWord("LHX", "LH"));

    const std::pair<const char*, int> hands[] = {{"tap m6 lh", 1}, {"Counter-Clockwise", 1}, {"THREAD CCW", 1},
                                                 {"M8 RH", 2},     {"TAP RH LH", 0},         {"CHAMFER", 0}};
    for (const auto& [name, hand] : hands) EXPECT_EQ(detectHand(name), hand) << name;
}

} // namespace
} // namespace Corvana

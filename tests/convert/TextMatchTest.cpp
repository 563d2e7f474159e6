#include "convert/TextMatch.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

TEST(TextMatchTest, NormalisesCaseAndSeparatorsBytewise) {
    EXPECT_EQ(upperAscii("Fräse m6"), "FRäSE M6");
    EXPECT_EQ(compactUpper("d'art 6.5_mm-x y"), "DART65MMXY");
    EXPECT_EQ(squeezeUpper("d'art 6.5_mm-x y"), "D'ART65MMXY");
}

TEST(TextMatchTest, WordMatchesNeedANonLetterBoundary) {
    EXPECT_FALSE(matchWordStart("6MMCSK90DEG", "CSK"));
    EXPECT_TRUE(matchWordStart("6CSK", "CSK"));
    EXPECT_TRUE(matchWordStart("XCSK/CSKA", "CSK"));  // a failed occurrence does not end the search
    EXPECT_FALSE(matchWordStart("CSK", ""));
    EXPECT_FALSE(matchWholeWord("INSERTED", "INSERT"));
    EXPECT_TRUE(matchWholeWord("INSERTED INSERT", "INSERT"));
    EXPECT_TRUE(matchWholeWord("INSERT_MILL", "INSERT"));
    EXPECT_TRUE(matchWholeWord("M6-LH", "LH"));
    EXPECT_FALSE(matchWholeWord("LHX", "LH"));
}

TEST(TextMatchTest, DetectsHandOnlyWhenOneSideIsNamed) {
    EXPECT_EQ(detectHand("tap m6 lh"), 1);
    EXPECT_EQ(detectHand("Counter-Clockwise"), 1);
    EXPECT_EQ(detectHand("THREAD CCW"), 1);
    EXPECT_EQ(detectHand("M8 RH"), 2);
    EXPECT_EQ(detectHand("TAP RH LH"), 0);
    EXPECT_EQ(detectHand("CHAMFER"), 0);
}

} // namespace
} // namespace Corvana

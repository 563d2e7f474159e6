#include "convert/TextMatch.h"

#include <gtest/gtest.h>

#include <utility>

namespace Corvana {
namespace {

TEST(TextMatchTest, NormalisingWordMatchingAndHand) {
    EXPECT_EQ(upperAscii("Fräse m6"), "FRäSE M6");  // bytewise: non-ASCII letters stay
    EXPECT_TRUE(containsText(compactView("d'art 6.5_mm-x y"), "DART65MMXY"));
    EXPECT_TRUE(containsText(squeezedView("d'art 6.5_mm-x y"), "D'ART65MMXY"));
    EXPECT_FALSE(containsText(squeezedView("d'art"), "DART"));
    EXPECT_TRUE(matchWordStart(compactView("6 c-sk"), "CSK"));
    EXPECT_FALSE(matchWordStart(compactView("6mm-csk"), "CSK"));  // the neighbour is the kept byte before
    EXPECT_TRUE(matchWholeWord("tap lh", "LH"));  // case is ignored

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

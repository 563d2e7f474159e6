#include "sources/ToolModel.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

TEST(ToolModelTest, DefaultsMatchAnUnreadTool) {
    const ToolModel tool;
    EXPECT_EQ(tool.tapHand, -1);
    EXPECT_TRUE(tool.flatBottom);
    EXPECT_TRUE(tool.spindleClockwise);
    EXPECT_TRUE(tool.usePresets);
    EXPECT_TRUE(tool.clockwise);
    EXPECT_FALSE(tool.isMetric);
    EXPECT_FALSE(tool.classified);
    EXPECT_FALSE(tool.rawHolderProfile);
    EXPECT_EQ(tool.diameter, 0);
    EXPECT_EQ(tool.typeCode, 0);
    EXPECT_TRUE(tool.name.empty());
    EXPECT_TRUE(tool.presets.empty());
}

TEST(ToolModelTest, TypeCodesAreExactAndCaseSensitive) {
    EXPECT_EQ(typeCodeFor("end_mill"), 1);
    EXPECT_EQ(typeCodeFor("off_centre_tip_rad"), 9);
    EXPECT_EQ(typeCodeFor("thread_mill"), 12);
    EXPECT_EQ(typeCodeFor("turn_grooving"), 17);
    EXPECT_EQ(typeCodeFor("End_Mill"), 0);
    EXPECT_EQ(typeCodeFor("end_mill "), 0);
    EXPECT_EQ(typeCodeFor(""), 0);
    EXPECT_TRUE(isUnsupportedTypeCode(14));
    EXPECT_TRUE(isUnsupportedTypeCode(17));
    EXPECT_FALSE(isUnsupportedTypeCode(13));
}

} // namespace
} // namespace Corvana

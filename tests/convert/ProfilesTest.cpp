#include "convert/Profiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

namespace Corvana {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Restores the process-wide tolerance whatever the test set.
struct ToleranceGuard {
    ~ToleranceGuard() { setPolyTolerance(0.0005); }
};

// "height:lower>upper " per row, six significant digits.
std::string rowsText(const std::vector<ProfileRow>& rows) {
    std::ostringstream text;
    for (const ProfileRow& row : rows) text << row.height << ":" << row.lowerDiameter << ">" << row.upperDiameter << " ";
    return text.str();
}

TEST(ProfilesTest, FilletChordsClimbToTheUpperDiameterAndTheirCountIsClamped) {
    const auto rows = shankProfile({{10, 6, 10, 2}}, true);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rowsText({rows[0], rows[6], rows[7]}), "0.0501442:6>6.89008 0.445042:9.89971>10 8:10>10 ");
    EXPECT_EQ(shankProfile({{2010, 10, 2000, 1000}}, false).size(), 25u);  // 785 chords wanted
    EXPECT_EQ(shankProfile({{1e300, 1, 1e301, 1e300}}, false).size(), 25u);  // chord angle rounds to 0
    EXPECT_EQ(shankProfile({{1, 1, 1, 0.0002}}, false).size(), 9u);          // radius below tolerance
    EXPECT_EQ(rowsText(shankProfile({{10, 6, 2, 2}}, true)), "2:6>10 ");
    EXPECT_TRUE(shankProfile({}, true).empty());
}

TEST(ProfilesTest, PolyToleranceAcceptsOnlyPositiveFiniteValues) {
    ToleranceGuard guard;
    setPolyTolerance(0.001);
    EXPECT_EQ(shankProfile({{10, 6, 10, 2}}, true).size(), 6u);  // 4.92 rounds up to 5 chords
    for (const double ignored : {0.0, -1.0, kInfinity, std::nan("")}) {
        setPolyTolerance(ignored);
        EXPECT_EQ(polyTolerance(), 0.001) << ignored;
    }
}

TEST(ProfilesTest, HolderSectionsAreSimplifiedUnlessRaw) {
    ToolModel tool;
    tool.holderSegments = {holderCone(40, 20, 30), holderCone(50, 50, 10)};
    tool.holderSegments[0].filletRadius = 5;
    tool.holderSegments[1].ignore = true;
    EXPECT_EQ(rowsText(holderProfile(tool)), "5:20>40 25:40>40 ");
    tool.rawHolderProfile = true;
    EXPECT_EQ(rowsText(holderProfile(tool)), "30:20>40 10:50>50 ");

    // A blend splits a widening section unless the section below already widens into it.
    tool = ToolModel{};
    tool.holderSegments = {holderCone(40, 20, 30), holderCone(60, 40, 20)};
    tool.holderSegments[0].blendLength = 4;
    tool.holderSegments[1].blendLength = 4;
    EXPECT_EQ(rowsText(holderProfile(tool)), "4:20>40 26:40>40 20:40>60 ");

    // A blended cylinder narrows into the next section; a narrowing section stays as it is.
    tool.holderSegments = {holderCone(40, 40, 30), holderCone(30, 30, 10), holderCone(20, 25, 5)};
    tool.holderSegments[0].blendLength = 5;
    EXPECT_EQ(rowsText(holderProfile(tool)), "25:40>40 5:40>30 10:30>30 5:25>20 ");

    // A curve radius becomes an eight-step quarter circle.
    tool.holderSegments = {holderCone(40, 20, 30)};
    tool.holderSegments[0].curveRadius = 4;
    const auto rows = holderProfile(tool);
    ASSERT_EQ(rows.size(), 9u);
    double curveHeight = 0;
    for (std::size_t i = 0; i < 8; ++i) curveHeight += rows[i].height;
    EXPECT_NEAR(curveHeight, 4, 1e-12);
    EXPECT_NEAR(rows[7].upperDiameter, 28, 1e-12);
    EXPECT_EQ(rowsText({rows[0], rows[8]}), "0.0768589:20>21.5607 26:28>40 ");
}

TEST(ProfilesTest, HolderSignatureCountsQuantaRoundingHalvesAwayFromZero) {
    EXPECT_EQ(holderSignature({{10.001, 10.012, 20}}, true), "millimeters|1|400,400,800");
    EXPECT_EQ(holderSignature({{0.0125, -0.0125, 0.01}}, true), "millimeters|1|1,-1,0");
    EXPECT_EQ(holderSignature({{1.25, 0.5, 0.5}, {2, 1, 1}}, false), "inches|2|1250,500,500|2000,1000,1000");
    EXPECT_EQ(holderSignature({{kInfinity, std::nan(""), -0.0001}}, false), "inches|1|0,0,0");
    EXPECT_EQ(holderSignature({{1e300, 1, 1}}, false).substr(0, 12), "inches|1|100");
    EXPECT_EQ(holderSignature({}, false), "inches|0");
}

TEST(ProfilesTest, DistinctHoldersAreFoundByShapeAndNumberedWhenUnnamed) {
    std::vector<ToolModel> tools(5);
    for (auto& tool : tools) tool.isMetric = true;
    tools[0].holderName = " \tBT40 ER32\r\n";
    tools[0].holderSegments = {holderCone(10.001, 10.001, 20), holderCone(60, 60, 5)};
    tools[0].holderSegments[1].ignore = true;
    tools[1].holderName = "Other name";
    tools[1].holderSegments = {holderCone(10.012, 10.012, 20), holderCone(60, 60, 5)};
    tools[1].holderSegments[1].ignore = true;
    tools[2].holderName = "No sections";
    tools[3].holderName = " \t";
    tools[3].holderSegments = {holderCone(32, 32, 40)};
    tools[4].holderSegments = {holderCone(32, 32, 41)};

    const auto holders = distinctHolders(tools);
    ASSERT_EQ(holders.size(), 3u);
    EXPECT_EQ(holders[0].name + "|" + holders[1].name + "|" + holders[2].name, "BT40 ER32|Holder 2|Holder 3");
    EXPECT_EQ((std::vector<double>{holders[0].gaugeLength, holders[2].gaugeLength}), (std::vector<double>{20, 41}));
    EXPECT_TRUE(holders[0].isMetric);
    EXPECT_EQ(holders[0].rows.size(), 1u);
}

} // namespace
} // namespace Corvana

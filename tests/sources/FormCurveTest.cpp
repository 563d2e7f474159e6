#include "sources/FormCurve.h"

#include <gtest/gtest.h>

#include <string>

namespace Corvana {
namespace {

std::string formCurveXml(const std::string& order, const std::string& numbers) {
    std::string xml = "<object>";
    if (!order.empty()) xml += "<member name=\"c_order\" value=\"" + order + "\"/>";
    return xml + "<member name=\"c_poly\"><member name=\"value\" length=\"9\">" + numbers +
           "</member></member></object>";
}

TEST(FormCurveTest, IsReadFromItsValueMember) {
    const auto points = parseFormCurve(formCurveXml("2", "0 0 0 5 0 10 5 0 20"));
    ASSERT_TRUE(points.has_value());
    ASSERT_EQ(points->size(), 3u);
    EXPECT_EQ((*points)[1].radius, 5);
    EXPECT_EQ((*points)[2].height, 20);

    const auto signedPoints = parseFormCurve(formCurveXml("", " 1.5 0 -2 +3 0 4e1 7 "));
    ASSERT_EQ(signedPoints.value().size(), 2u);
    EXPECT_EQ(signedPoints.value()[1].height, 40);
    EXPECT_EQ(parseFormCurve(formCurveXml("2", "1 0 1 2 0 2 x 3 0 3")).value().size(), 2u);
    EXPECT_EQ(parseFormCurve(formCurveXml("2", "1 0 1 inf 0 2")).value().size(), 1u);
    EXPECT_TRUE(parseFormCurve(formCurveXml("3", "0 0 0 5 0 10")).value().empty());
    EXPECT_TRUE(parseFormCurve("").value().empty());
    const std::string unterminated = "<member name=\"c_poly\"><member name=\"value\" length=\"3\">1 2 3";
    EXPECT_TRUE(parseFormCurve(unterminated).value().empty());

    EXPECT_FALSE(parseFormCurve(formCurveXml("two", "0 0 0 5 0 10")).has_value());
    EXPECT_FALSE(parseFormCurve(formCurveXml("99999999999", "0 0 0 5 0 10")).has_value());
    EXPECT_FALSE(parseFormCurve("<member name=\"c_order\" value=\"").has_value());
}

TEST(FormCurveTest, RisesMergeUntilTheyReachTheMinimumStep) {
    const std::vector<FormPoint> steps = {{5, 0}, {6, 0.1}, {7, 0.2}, {8, 0.3}, {9, 0.4}, {10, 0.5}};
    const auto holder = formCurveToHolder(steps, true);
    ASSERT_EQ(holder.size(), 2u);
    EXPECT_EQ(holder[0].lowerDiameter, 10);
    EXPECT_EQ(holder[0].upperDiameter, 16);
    EXPECT_NEAR(holder[0].length, 0.3, 1e-12);
    EXPECT_EQ(holder[1].upperDiameter, 20);
    EXPECT_NEAR(holder[1].length, 0.2, 1e-12);
    EXPECT_EQ(formCurveToHolder(steps, false).size(), 5u);

    const auto flat = formCurveToHolder({{5, 0}, {6, 1}, {6, 1}, {9, 1}, {7, 2}}, true);
    ASSERT_EQ(flat.size(), 2u);
    EXPECT_EQ(flat[0].upperDiameter, 12);
    EXPECT_EQ(flat[1].lowerDiameter, 18);
    EXPECT_EQ(flat[1].upperDiameter, 14);
    EXPECT_TRUE(formCurveToHolder({{5, 0}}, true).empty());
    EXPECT_TRUE(formCurveToHolder({{5, 0}, {5, 0}}, true).empty());
}

TEST(FormCurveTest, ShankStartsAtTheStartHeightAndFillsToTheTotalLength) {
    const std::vector<FormPoint> points = {{2, 0}, {4, 10}, {4, 20}};
    const auto shank = formCurveToShank(points, 5, 30, true);
    ASSERT_EQ(shank.size(), 3u);
    EXPECT_EQ(shank[0].lowerDiameter, 6);
    EXPECT_EQ(shank[0].upperDiameter, 8);
    EXPECT_EQ(shank[0].length, 5);
    EXPECT_EQ(shank[1].length, 10);
    EXPECT_EQ(shank[2].lowerDiameter, 8);
    EXPECT_EQ(shank[2].length, 15);

    EXPECT_EQ(formCurveToShank(points, 5, 15, true).size(), 2u);
    EXPECT_EQ(formCurveToShank(points, 0, 0, true).size(), 2u);
    EXPECT_TRUE(formCurveToShank(points, 25, 30, true).empty());
    EXPECT_TRUE(formCurveToShank({{2, 0}}, 0, 30, true).empty());
}

} // namespace
} // namespace Corvana

#include "sources/FormCurve.h"

#include <gtest/gtest.h>

#include <sstream>
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
    const auto signedPoints = parseFormCurve(formCurveXml("", " 1.5 0 -2 +3 0 4e1 7 "));
    ASSERT_EQ(signedPoints.value().size(), 2u);
    EXPECT_EQ(signedPoints.value()[1].height, 40);
    EXPECT_EQ(parseFormCurve(formCurveXml("2", "1 0 1 2 0 2 x 3 0 3")).value().size(), 2u);
    EXPECT_EQ(parseFormCurve(formCurveXml("2", "1 0 1 inf 0 2")).value().size(), 1u);
    EXPECT_TRUE(parseFormCurve(formCurveXml("3", "0 0 0 5 0 10")).value().empty());
    const std::string unterminated = "<member name=\"c_poly\"><member name=\"value\" length=\"3\">1 2 3";
    EXPECT_TRUE(parseFormCurve(unterminated).value().empty());

    for (const std::string& broken : {formCurveXml("two", "0 0 0 5 0 10"), formCurveXml("99999999999", "0 0 0 5 0 10"),
                                      std::string("<member name=\"c_order\" value=\"")})
        EXPECT_FALSE(parseFormCurve(broken).has_value()) << broken;
}

// "lower>upper:length " per segment, six significant digits.
template <class Segment> std::string segments(const std::vector<Segment>& list) {
    std::ostringstream text;
    for (const Segment& s : list) text << s.lowerDiameter << ">" << s.upperDiameter << ":" << s.length << " ";
    return text.str();
}

TEST(FormCurveTest, RisesMergeUntilTheyReachTheMinimumStep) {
    const std::vector<FormPoint> steps = {{5, 0}, {6, 0.1}, {7, 0.2}, {8, 0.3}, {9, 0.4}, {10, 0.5}};
    EXPECT_EQ(segments(formCurveToHolder(steps, true)), "10>16:0.3 16>20:0.2 ");
    EXPECT_EQ(formCurveToHolder(steps, false).size(), 5u);
    EXPECT_EQ(segments(formCurveToHolder({{5, 0}, {6, 1}, {6, 1}, {9, 1}, {7, 2}}, true)), "10>12:1 18>14:1 ");
    EXPECT_TRUE(formCurveToHolder({{5, 0}}, true).empty() && formCurveToHolder({{5, 0}, {5, 0}}, true).empty());
}

TEST(FormCurveTest, ShankStartsAtTheStartHeightAndFillsToTheTotalLength) {
    const std::vector<FormPoint> points = {{2, 0}, {4, 10}, {4, 20}};
    EXPECT_EQ(segments(formCurveToShank(points, 5, 30, true)), "6>8:5 8>8:10 8>8:15 ");
    EXPECT_EQ(formCurveToShank(points, 5, 15, true).size(), 2u);
    EXPECT_EQ(formCurveToShank(points, 0, 0, true).size(), 2u);
    EXPECT_TRUE(formCurveToShank(points, 25, 30, true).empty() && formCurveToShank({{2, 0}}, 0, 30, true).empty());
}

} // namespace
} // namespace Corvana

#include "sources/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <utility>
#include <string>

namespace Corvana {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(NumberParseTest, ReadsLeadingNumbersOnly) {
    const std::pair<const char*, std::optional<double>> doubles[] = {
        {"  12.5mm", 12.5}, {"+3", 3}, {"-.5", -0.5}, {"1e308", 1e308}, {"1/0", 1.0}, {"1e309", {}}, {"nan", {}},
        {"inf", {}},        {"--5", {}}, {"+-5", {}}, {"", {}},          {"-", {}},    {"mm", {}}};
    for (const auto& [text, value] : doubles) EXPECT_EQ(parseLeadingDouble(text), value) << '"' << text << '"';

    EXPECT_EQ(parseLeadingInteger(" 42abc"), 42);
    EXPECT_EQ(parseLeadingInteger("-7"), -7);
    EXPECT_EQ(parseLeadingInteger("+7"), 7);
    EXPECT_FALSE(parseLeadingInteger("x1"));
    EXPECT_FALSE(parseLeadingInteger("99999999999999999999"));
    EXPECT_EQ(parseLeadingInt32("2147483647"), 2147483647);
    EXPECT_FALSE(parseLeadingInt32("2147483648"));
}

TEST(NumberRoundTest, RoundsHalfUpAndClampsTo32Bits) {
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::pair<double, std::int32_t> cases[] = {
        {2.49, 2},          {2.5, 3},          {-2.7, -2},         {std::nan(""), 0},    {kInfinity, highest},
        {-kInfinity, lowest}, {1e300, highest}, {-1e300, lowest}, {2147483646.4, 2147483646}, {2147483646.7, highest}};
    for (const auto& [value, rounded] : cases) EXPECT_EQ(roundToInt32(value), rounded) << value;
    EXPECT_EQ(integerPartToInt32(-2.7), -2);
    EXPECT_EQ(integerPartToInt32(std::nan("")), 0);
}

TEST(NumberFormatTest, PaletteAndJsonFormats) {
    const std::pair<double, const char*> palette[] = {
        {12.7, "12.7"},          {100, "100"},      {0.0001, "0.0001"}, {0.00001, "1e-05"}, {1234567, "1.23457e+06"},
        {999999, "999999"},      {std::nan(""), "0"}, {kInfinity, "0"}};
    for (const auto& [value, text] : palette) EXPECT_EQ(formatPaletteNumber(value), text) << value;

    const std::tuple<double, int, const char*> json[] = {
        {6.0, 6, "6"},     {2.5, 6, "2.5"},   {12.3456789, 6, "12.345679"}, {0.0000001, 6, "0"},
        {-0.0000001, 6, "-0"}, {1500, 0, "1500"}, {1e20, 3, "100000000000000000000"}, {-kInfinity, 6, "0"},
        {std::nan(""), 4, "0"}, {-0.0, 3, "-0"},  {-12.0, 3, "-12"}, {999999999999999.0, 2, "999999999999999"}};
    for (const auto& [value, precision, text] : json) EXPECT_EQ(formatJsonNumber(value, precision), text) << value;
    EXPECT_EQ(formatJsonNumber(-1.7976931348623157e308, 6).size(), 310u);
}

TEST(NumberFormatTest, IgnoresTheProcessLocale) {
    // A comma-decimal locale must not change what is read or written.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(formatJsonNumber(2.5, 6), "2.5");
    EXPECT_EQ(formatPaletteNumber(12.7), "12.7");
    EXPECT_EQ(parseLeadingDouble("2.5"), 2.5);
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace Corvana

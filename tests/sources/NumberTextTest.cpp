#include "sources/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace Corvana {
namespace {

TEST(NumberParseTest, ReadsLeadingDecimalNumbersOnly) {
    EXPECT_EQ(parseLeadingDouble("  12.5mm"), 12.5);
    EXPECT_EQ(parseLeadingDouble("+3"), 3);
    EXPECT_EQ(parseLeadingDouble("-.5"), -0.5);
    EXPECT_EQ(parseLeadingDouble("1e308"), 1e308);
    EXPECT_FALSE(parseLeadingDouble("1e309"));
    EXPECT_FALSE(parseLeadingDouble("nan"));
    EXPECT_FALSE(parseLeadingDouble("inf"));
    EXPECT_FALSE(parseLeadingDouble("--5"));
    EXPECT_FALSE(parseLeadingDouble("+-5"));
    EXPECT_EQ(parseLeadingDouble("1/0"), 1.0);
    EXPECT_FALSE(parseLeadingDouble(""));
    EXPECT_FALSE(parseLeadingDouble("-"));
    EXPECT_FALSE(parseLeadingDouble("mm"));
}

TEST(NumberParseTest, ReadsIntegersLikeStrtol) {
    EXPECT_EQ(parseLeadingInteger(" 42abc"), 42);
    EXPECT_EQ(parseLeadingInteger("-7"), -7);
    EXPECT_EQ(parseLeadingInteger("+7"), 7);
    EXPECT_FALSE(parseLeadingInteger("x1"));
    EXPECT_FALSE(parseLeadingInteger("99999999999999999999"));
    EXPECT_EQ(parseLeadingInt32("2147483647"), 2147483647);
    EXPECT_FALSE(parseLeadingInt32("2147483648"));
}

TEST(NumberFormatTest, PaletteFormatUsesSixSignificantDigits) {
    EXPECT_EQ(formatPaletteNumber(12.7), "12.7");
    EXPECT_EQ(formatPaletteNumber(100), "100");
    EXPECT_EQ(formatPaletteNumber(0.0001), "0.0001");
    EXPECT_EQ(formatPaletteNumber(0.00001), "1e-05");
    EXPECT_EQ(formatPaletteNumber(1234567), "1.23457e+06");
    EXPECT_EQ(formatPaletteNumber(999999), "999999");
    EXPECT_EQ(formatPaletteNumber(0), "0");
    EXPECT_EQ(formatPaletteNumber(std::nan("")), "0");
    EXPECT_EQ(formatPaletteNumber(std::numeric_limits<double>::infinity()), "0");
}

TEST(NumberFormatTest, JsonFormatIsFixedWithTrailingZerosRemoved) {
    EXPECT_EQ(formatJsonNumber(6.0, 6), "6");
    EXPECT_EQ(formatJsonNumber(0.5, 6), "0.5");
    EXPECT_EQ(formatJsonNumber(2.5, 6), "2.5");
    EXPECT_EQ(formatJsonNumber(12.3456789, 6), "12.345679");
    EXPECT_EQ(formatJsonNumber(0.0000001, 6), "0");
    EXPECT_EQ(formatJsonNumber(-0.0000001, 6), "-0");
    EXPECT_EQ(formatJsonNumber(1500, 0), "1500");
    EXPECT_EQ(formatJsonNumber(1e20, 3), "100000000000000000000");
    EXPECT_EQ(formatJsonNumber(-std::numeric_limits<double>::infinity(), 6), "0");
    EXPECT_EQ(formatJsonNumber(std::nan(""), 4), "0");
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

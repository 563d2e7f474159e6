#include "sources/NumberText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

namespace Corvana {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(NumberParseTest, ReadsLeadingNumbersOnly) {
    const std::pair<const char*, std::optional<double>> doubles[] = {
        {"  12.5mm", 12.5}, {"+3", 3}, {"-.5", -0.5}, {"1e308", 1e308}, {"1/0", 1.0}, {"1e309", {}}, {"nan", {}},
        {"inf", {}},        {"--5", {}}, {"+-5", {}}, {"", {}},          {"-", {}},    {"mm", {}}};
    for (const auto& [text, value] : doubles) EXPECT_EQ(parseLeadingDouble(text), value) << '"' << text << '"';

    for (const auto& [text, value] : std::vector<std::pair<const char*, std::optional<double>>>{
             {" 42abc", 42}, {"-7", -7}, {"+7", 7}, {"x1", {}}, {"99999999999999999999", {}}})
        EXPECT_EQ(parseLeadingInteger(text), value) << text;
    EXPECT_EQ(std::tuple(parseLeadingInt32("2147483647"), parseLeadingInt32("2147483648")),
              std::tuple(2147483647, std::nullopt));
}

TEST(NumberRoundTest, RoundsHalfUpAndClampsTo32Bits) {
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::pair<double, std::int32_t> cases[] = {
        {2.49, 2},          {2.5, 3},          {-2.7, -2},         {std::nan(""), 0},    {kInfinity, highest},
        {-kInfinity, lowest}, {1e300, highest}, {-1e300, lowest}, {2147483646.4, 2147483646}, {2147483646.7, highest}};
    for (const auto& [value, rounded] : cases) EXPECT_EQ(roundToInt32(value), rounded) << value;
}

// The fixed format's definition: the standard formatter, trailing fraction zeros trimmed.
std::string referenceJsonNumber(double value, int precision) {
    char buffer[400];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision).ptr;
    std::string text(static_cast<const char*>(buffer), end);
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

TEST(NumberFormatTest, JsonNumbersMatchTheStandardFormatter) {
    std::mt19937_64 random(20261207);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 22) - 10);
        values.push_back((static_cast<double>(random() % 2000001) - 1000000.0) / 1000000.0 * magnitude);
        // Decimal values and the midpoints between them, the cases where rounding is decided.
        const double decimal = static_cast<double>(random() % 1000000) / std::pow(10.0, static_cast<double>(random() % 9));
        values.push_back(decimal);
        values.push_back(-decimal);
        values.push_back(decimal + 0.5 / std::pow(10.0, static_cast<double>(random() % 9)));
    }
    for (const double value : {0.0, -0.0, 0.125, 2.5, 1e-300, 4503599627370495.5, 9007199254740993.0, 1e15, 0.0005,
                               1e20, -1.7976931348623157e308})
        values.push_back(value);
    for (const double value : values)
        for (int precision = 0; precision <= 16; ++precision)
            ASSERT_EQ(formatJsonNumber(value, precision), referenceJsonNumber(value, precision))
                << std::hexfloat << value << " at " << precision;
}

TEST(NumberFormatTest, IgnoresTheProcessLocale) {
    // A comma-decimal locale must not change what is read or written.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(std::tuple(formatJsonNumber(2.5, 6), formatPaletteNumber(12.7), parseLeadingDouble("2.5")),
              std::tuple("2.5", "12.7", 2.5));
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace Corvana

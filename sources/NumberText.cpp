#include "sources/NumberText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace Corvana {
namespace {

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skipLeadingBlanks(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlankByte(text[pos])) ++pos;
    return text.substr(pos);
}

// from_chars takes a leading minus but not a plus; strip one plus that is
// not followed by another sign.
std::string_view stripPlusSign(std::string_view text) {
    if (text.size() >= 2 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        return text.substr(1);
    return text;
}

void trimFractionZeros(std::string& text) {
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
}

} // namespace

std::optional<double> parseLeadingDouble(std::string_view text) {
    text = stripPlusSign(skipLeadingBlanks(text));
    // Only decimal forms count: "inf", "nan" and hexadecimal floats are not numbers here.
    const std::size_t digitAt = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (digitAt >= text.size()) return std::nullopt;
    const char first = text[digitAt];
    if (!(first >= '0' && first <= '9') && first != '.') return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                              std::chars_format::general);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseLeadingInteger(std::string_view text) {
    text = stripPlusSign(skipLeadingBlanks(text));
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseLeadingInt32(std::string_view text) {
    const auto value = parseLeadingInteger(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::int32_t clampedCount(std::size_t count) {
    constexpr auto highest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(count < highest ? count : highest);
}

std::int32_t integerPartToInt32(double value) {
    if (std::isnan(value)) return 0;
    const double whole = std::trunc(value);
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (whole <= static_cast<double>(lowest)) return lowest;
    if (whole >= static_cast<double>(highest)) return highest;
    return static_cast<std::int32_t>(whole);
}

std::int32_t roundToInt32(double value) { return integerPartToInt32(value + 0.5); }

std::string formatPaletteNumber(double value) {
    if (!std::isfinite(value)) return "0";
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 6);
    return std::string(buffer.data(), result.ptr);
}

std::string formatJsonNumber(double value, int precision) {
    if (!std::isfinite(value)) return "0";
    // The largest double has 309 integer digits; the precision is capped well below the rest.
    std::array<char, 400> buffer{};
    const int digits = precision < 0 ? 0 : (precision > 60 ? 60 : precision);
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, digits);
    std::string text(buffer.data(), result.ptr);
    trimFractionZeros(text);
    return text;
}

} // namespace Corvana

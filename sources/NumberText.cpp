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

// appendJsonNumber's text for a finite value without the general formatter,
// when that is safe: the value times 10^digits below 2^52, and that product
// (exact to within half a unit in its last place) far enough from a rounding
// midpoint that rounding it gives the digits of the exact decimal value.
// False, with nothing appended, otherwise.
bool appendScaledDigits(std::string& out, double value, int digits) {
    static constexpr std::array<double, 16> powers{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (digits >= static_cast<int>(powers.size())) return false;
    const double scaled = std::fabs(value) * powers[static_cast<std::size_t>(digits)];
    if (!(scaled < 0x1p52)) return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= scaled * 0x1p-52) return false;
    std::uint64_t rest = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    // Digits from the last: the fraction's (trailing zeros dropped), then the integer part's.
    char buffer[40];
    char* begin = buffer + sizeof buffer;
    bool significant = false;
    for (int i = 0; i < digits; ++i, rest /= 10) {
        const auto digit = static_cast<char>('0' + rest % 10);
        significant = significant || digit != '0';
        if (significant) *--begin = digit;
    }
    if (significant) *--begin = '.';
    do {
        *--begin = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (std::signbit(value)) *--begin = '-';
    out.append(begin, static_cast<std::size_t>(buffer + sizeof buffer - begin));
    return true;
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
    std::string text;
    appendJsonNumber(text, value, precision);
    return text;
}

void appendJsonNumber(std::string& out, double value, int precision) {
    if (!std::isfinite(value)) {
        out += '0';
        return;
    }
    const int digits = precision < 0 ? 0 : (precision > 60 ? 60 : precision);
    if (appendScaledDigits(out, value, digits)) return;
    // The largest double has 309 integer digits; the precision is capped well below the rest.
    char buffer[400];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits).ptr;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    // Trailing fraction zeros and a bare point go.
    if (text.find('.') != std::string_view::npos) {
        while (text.back() == '0') text.remove_suffix(1);
        if (text.back() == '.') text.remove_suffix(1);
    }
    out += text;
}

void appendIntegerText(std::string& out, std::int64_t value) {
    char buffer[24];
    out.append(buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer));
}

} // namespace Corvana

#pragma once
// Locale-independent number reading and writing. Every text number in the
// system goes through these, so a host running with a comma decimal separator
// reads and writes the same texts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Corvana {

// Reads the longest decimal number at the start of the text (leading white
// space and one sign allowed, trailing characters ignored). Empty when there
// is no number, when it is out of range, or when it is not finite.
std::optional<double> parseLeadingDouble(std::string_view text);

// Reads a base-10 integer at the start of the text like strtol: leading white
// space and one sign allowed, trailing characters ignored. Empty when there
// is no digit or the value does not fit in 64 bits.
std::optional<std::int64_t> parseLeadingInteger(std::string_view text);

// As parseLeadingInteger, also empty outside the 32-bit range.
std::optional<std::int32_t> parseLeadingInt32(std::string_view text);

// A count as the 32-bit numbers of progress and replies; larger counts give the maximum.
std::int32_t clampedCount(std::size_t count);

// The integer part of the value, clamped to the 32-bit range; 0 for NaN.
std::int32_t integerPartToInt32(double value);

// Rounds half up as the integer part of (value + 0.5), clamped to the 32-bit
// range; 0 for NaN. Counts, speeds and overrides read as numbers round so.
std::int32_t roundToInt32(double value);

// The palette's number format: 6 significant digits, general notation,
// trailing zeros removed (12.7, 1e-05, 1.23457e+06); NaN and infinity give 0.
std::string formatPaletteNumber(double value);

// Fixed notation with `precision` digits after the point, trailing zeros and
// a trailing point removed (12.345679, 6, -0); NaN and infinity give 0.
std::string formatJsonNumber(double value, int precision);

// formatJsonNumber's text appended to `out`, without a string of its own.
void appendJsonNumber(std::string& out, double value, int precision);

// The decimal text of the integer appended to `out`.
void appendIntegerText(std::string& out, std::int64_t value);

} // namespace Corvana

#pragma once
// The add-in's own small JSON text functions: escaping for string building,
// and pattern readers for the flat objects the palette page sends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// Text safe between double quotes: quote, backslash, \t \n \r, other control
// bytes as \u00XX; every other byte (UTF-8 included) unchanged.
std::string escapeJson(std::string_view text);

// The escape used for paths and names. Control characters are escaped too,
// so a name holding a line break still yields valid JSON.
std::string escapeJsonQuotes(std::string_view text);

// escapeJson of the text, enclosed in double quotes.
std::string quoteJsonText(std::string_view text);

// quoteJsonText's text appended to `out`.
void appendQuotedJson(std::string& out, std::string_view text);

// Value of "key":"..." (no blanks in the pattern), unescaped; "" when absent.
// A \uXXXX escape is not decoded: it yields the five characters uXXXX.
std::string readJsonString(std::string_view json, std::string_view key);

// Number after "key": and any blanks; `fallback` when absent or unreadable.
double readJsonNumber(std::string_view json, std::string_view key, double fallback);

// True exactly when "key": and any blanks are followed by true.
bool readJsonBool(std::string_view json, std::string_view key);

// Items of "key":[...] read as 32-bit integers; items without a number or
// out of range are skipped. Empty when the key or the closing bracket is missing.
std::vector<std::int32_t> readJsonIntList(std::string_view json, std::string_view key);

// As readJsonIntList, with each item read as a finite double.
std::vector<double> readJsonNumberList(std::string_view json, std::string_view key);

} // namespace Corvana

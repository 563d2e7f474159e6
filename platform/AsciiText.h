#pragma once
// Byte-wise ASCII case folding for names, extensions and keywords: only
// 'A' to 'Z' change, whatever the locale; other bytes (UTF-8 included) stay.

#include <cstddef>
#include <string>
#include <string_view>

namespace Corvana {

constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = lowerAscii(c);
    return lowered;
}

inline bool equalsIgnoringAsciiCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (lowerAscii(left[i]) != lowerAscii(right[i])) return false;
    return true;
}

inline bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

inline bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && equalsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

} // namespace Corvana

#include "library/ToolJsonText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace Corvana {
namespace {

constexpr std::size_t npos = std::string_view::npos;
// Deeper nesting than any tool entry has is treated as malformed, so hostile
// text cannot make the scan walk forever or overflow anything.
constexpr int maxDepth = 64;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::size_t skipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    return pos;
}

// Position just past the string literal that starts at `pos`, or npos.
std::size_t skipString(std::string_view text, std::size_t pos) {
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '\\') {
            ++pos;
            continue;
        }
        if (text[pos] == '"') return pos + 1;
    }
    return npos;
}

// Position just past the array or object that starts at `pos`, or npos.
std::size_t skipContainer(std::string_view text, std::size_t pos) {
    int depth = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '"') {
            pos = skipString(text, pos);
            if (pos == npos) return npos;
            continue;
        }
        if (c == '{' || c == '[') {
            if (++depth > maxDepth) return npos;
        } else if (c == '}' || c == ']') {
            if (--depth == 0) return pos + 1;
        }
        ++pos;
    }
    return npos;
}

// Position just past the value that starts at `pos`, or npos.
std::size_t skipValue(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return npos;
    if (text[pos] == '"') return skipString(text, pos);
    if (text[pos] == '{' || text[pos] == '[') return skipContainer(text, pos);
    const std::size_t start = pos;
    while (pos < text.size() && !isBlank(text[pos]) && text[pos] != ',' && text[pos] != '}' && text[pos] != ']')
        ++pos;
    return pos > start ? pos : npos;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The four hex digits at `pos`, or -1.
long readHex4(std::string_view text, std::size_t pos) {
    if (pos + 4 > text.size()) return -1;
    long value = 0;
    for (std::size_t i = pos; i < pos + 4; ++i) {
        const int digit = hexValue(text[i]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes the \u escape whose hex digits start at `pos` (a surrogate pair
// takes two escapes); returns the position after it. A broken escape is kept as text.
std::size_t appendUnicodeEscape(std::string& out, std::string_view text, std::size_t pos) {
    const long high = readHex4(text, pos);
    if (high < 0) {
        out += 'u';
        return pos;
    }
    if (high >= 0xD800 && high <= 0xDBFF && text.substr(pos + 4, 2) == "\\u") {
        const long low = readHex4(text, pos + 6);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<unsigned long>(high) - 0xD800) << 10) +
                                (static_cast<unsigned long>(low) - 0xDC00));
            return pos + 10;
        }
    }
    appendUtf8(out, static_cast<unsigned long>(high));
    return pos + 4;
}

char simpleEscape(char c) {
    switch (c) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;
    }
}

// The rounded count of quanta in `value`, clamped far inside the 64-bit range.
long long quantaOf(double value, double quantum) {
    constexpr double limit = 9.0e18;
    const double rounded = std::round(value / quantum);
    if (!(rounded < limit)) return static_cast<long long>(limit);
    if (!(rounded > -limit)) return static_cast<long long>(-limit);
    return static_cast<long long>(rounded);
}

// Appends "|" and the quanta of every number in the segment text: numbers are
// read wherever a digit, "-" or "." starts one; other characters are passed over.
void appendSegmentNumbers(std::string& key, std::string_view segments, double quantum) {
    std::size_t pos = 0;
    while (pos < segments.size()) {
        const char c = segments[pos];
        const bool mayStart = (c >= '0' && c <= '9') || c == '-' || c == '.';
        double value = 0;
        const char* first = segments.data() + pos;
        const auto [end, error] =
            mayStart ? std::from_chars(first, segments.data() + segments.size(), value)
                     : std::from_chars_result{first, std::errc::invalid_argument};
        if (error != std::errc() || !std::isfinite(value)) {
            ++pos;
            continue;
        }
        key += '|';
        key += std::to_string(quantaOf(value, quantum));
        pos += static_cast<std::size_t>(end - first);
    }
}

} // namespace

std::optional<std::string_view> jsonMemberText(std::string_view json, std::string_view key) {
    std::size_t pos = skipBlanks(json, 0);
    if (pos >= json.size() || json[pos] != '{') return std::nullopt;
    pos = skipBlanks(json, pos + 1);
    if (pos < json.size() && json[pos] == '}') return std::nullopt;
    while (pos < json.size() && json[pos] == '"') {
        const std::size_t keyEnd = skipString(json, pos);
        if (keyEnd == npos) return std::nullopt;
        const std::string_view name = json.substr(pos + 1, keyEnd - pos - 2);
        pos = skipBlanks(json, keyEnd);
        if (pos >= json.size() || json[pos] != ':') return std::nullopt;
        const std::size_t valueStart = skipBlanks(json, pos + 1);
        const std::size_t valueEnd = skipValue(json, valueStart);
        if (valueEnd == npos) return std::nullopt;
        if (name == key) return json.substr(valueStart, valueEnd - valueStart);
        pos = skipBlanks(json, valueEnd);
        if (pos >= json.size() || json[pos] != ',') return std::nullopt;
        pos = skipBlanks(json, pos + 1);
    }
    return std::nullopt;
}

std::optional<std::string> jsonStringValue(std::string_view value) {
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::nullopt;
    const std::string_view body = value.substr(1, value.size() - 2);
    std::string text;
    text.reserve(body.size());
    for (std::size_t pos = 0; pos < body.size(); ++pos) {
        if (body[pos] != '\\' || pos + 1 >= body.size()) {
            text += body[pos];
            continue;
        }
        const char escaped = body[++pos];
        if (escaped == 'u')
            pos = appendUnicodeEscape(text, body, pos + 1) - 1;
        else
            text += simpleEscape(escaped);
    }
    return text;
}

std::optional<double> jsonNumberValue(std::string_view value) {
    if (value.empty() || !(value.front() == '-' || (value.front() >= '0' && value.front() <= '9')))
        return std::nullopt;
    double number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(number)) return std::nullopt;
    return number;
}

std::string jsonStringMember(std::string_view json, std::string_view key) {
    const auto member = jsonMemberText(json, key);
    if (!member) return {};
    return jsonStringValue(*member).value_or(std::string());
}

std::optional<double> jsonNumberMember(std::string_view json, std::string_view key) {
    const auto member = jsonMemberText(json, key);
    if (!member) return std::nullopt;
    return jsonNumberValue(*member);
}

std::string toolProductId(std::string_view toolJson) { return jsonStringMember(toolJson, "product-id"); }

std::string holderKey(std::string_view holderJson) {
    const std::string unit = jsonStringMember(holderJson, "unit");
    const double quantum = unit == "millimeters" ? 0.025 : 0.001;
    std::string key = unit;
    const auto segments = jsonMemberText(holderJson, "segments");
    if (segments && segments->front() == '[') appendSegmentNumbers(key, *segments, quantum);
    return key;
}

} // namespace Corvana

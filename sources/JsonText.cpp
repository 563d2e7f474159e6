#include "sources/JsonText.h"

#include "sources/NumberText.h"

#include <optional>

namespace Corvana {
namespace {

bool needsEscape(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

void appendEscapedByte(std::string& out, char c) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    default: break;
    }
    if (byte < 0x20) {
        out += "\\u00";
        out += hexDigits[byte >> 4];
        out += hexDigits[byte & 0x0F];
        return;
    }
    out += c;
}

std::string keyPattern(std::string_view key, std::string_view tail) {
    std::string pattern;
    pattern.reserve(key.size() + 3 + tail.size());
    pattern += '"';
    pattern += key;
    pattern += "\":";
    pattern += tail;
    return pattern;
}

// Offset just past "key":<tail>, or npos.
std::size_t valueOffset(std::string_view json, std::string_view key, std::string_view tail) {
    const std::string pattern = keyPattern(key, tail);
    const std::size_t at = json.find(pattern);
    return at == std::string_view::npos ? at : at + pattern.size();
}

std::size_t skipBlanks(std::string_view json, std::size_t pos) {
    while (pos < json.size() && json[pos] == ' ') ++pos;
    return pos;
}

char unescapedChar(char c) {
    switch (c) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return c;
    }
}

// Calls `take` with each comma-separated item of "key":[...].
template <typename Take>
void forEachListItem(std::string_view json, std::string_view key, Take take) {
    const std::size_t start = valueOffset(json, key, "[");
    if (start == std::string_view::npos) return;
    const std::size_t close = json.find(']', start);
    if (close == std::string_view::npos) return;
    std::string_view items = json.substr(start, close - start);
    while (true) {
        const std::size_t comma = items.find(',');
        take(items.substr(0, comma));
        if (comma == std::string_view::npos) return;
        items.remove_prefix(comma + 1);
    }
}

} // namespace

std::string escapeJson(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (const char c : text) appendEscapedByte(out, c);
    return out;
}

std::string escapeJsonQuotes(std::string_view text) {
    return escapeJson(text);
}

std::string quoteJsonText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 18);
    appendQuotedJson(out, text);
    return out;
}

void appendQuotedJson(std::string& out, std::string_view text) {
    out += '"';
    // Runs of bytes that need no escape go in whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!needsEscape(text[i])) continue;
        out.append(text, plain, i - plain);
        appendEscapedByte(out, text[i]);
        plain = i + 1;
    }
    out.append(text, plain);
    out += '"';
}

std::string readJsonString(std::string_view json, std::string_view key) {
    std::size_t pos = valueOffset(json, key, "\"");
    std::string value;
    if (pos == std::string_view::npos) return value;
    for (; pos < json.size(); ++pos) {
        const char c = json[pos];
        if (c == '"') break;
        if (c == '\\' && pos + 1 < json.size()) {
            value += unescapedChar(json[++pos]);
            continue;
        }
        value += c;
    }
    return value;
}

double readJsonNumber(std::string_view json, std::string_view key, double fallback) {
    const std::size_t pos = valueOffset(json, key, "");
    if (pos == std::string_view::npos) return fallback;
    const std::string_view rest = json.substr(skipBlanks(json, pos));
    // A quoted value is not a number.
    if (!rest.empty() && rest[0] == '"') return fallback;
    return parseLeadingDouble(rest).value_or(fallback);
}

bool readJsonBool(std::string_view json, std::string_view key) {
    const std::size_t pos = valueOffset(json, key, "");
    if (pos == std::string_view::npos) return false;
    return json.substr(skipBlanks(json, pos)).starts_with("true");
}

std::vector<std::int32_t> readJsonIntList(std::string_view json, std::string_view key) {
    std::vector<std::int32_t> values;
    forEachListItem(json, key, [&values](std::string_view item) {
        if (const auto value = parseLeadingInt32(item)) values.push_back(*value);
    });
    return values;
}

std::vector<double> readJsonNumberList(std::string_view json, std::string_view key) {
    std::vector<double> values;
    forEachListItem(json, key, [&values](std::string_view item) {
        if (const auto value = parseLeadingDouble(item)) values.push_back(*value);
    });
    return values;
}

} // namespace Corvana

#include "LibraryText.h"

#include <algorithm>

namespace adsk::sim::detail {
namespace {

// Real libraries nest about six levels deep; the limit keeps the recursive
// parser far from the stack's end on hostile input.
constexpr std::size_t maxNestingDepth = 64;

// A span of the text: [begin, end).
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Follows a JSON text character by character: which ones belong to a string.
class StringTracker {
public:
    // True when `c` is part of a string, its quotes included.
    bool inString(char c) {
        if (inside) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inside = false;
            return true;
        }
        inside = c == '"';
        return inside;
    }

private:
    bool inside = false;
    bool escaped = false;
};

// Deepest nesting of arrays and objects, counting brackets outside strings.
std::size_t nestingDepth(std::string_view text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    StringTracker strings;
    for (const char c : text) {
        if (strings.inString(c)) continue;
        if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
        if ((c == ']' || c == '}') && depth > 0) --depth;
    }
    return deepest;
}

// Walks text already known to be well-formed JSON.
class Scanner {
public:
    explicit Scanner(std::string_view json) : text(json) {}

    std::size_t skipBlanks(std::size_t at) const {
        while (at < text.size() && isBlank(text[at])) ++at;
        return at;
    }

    // Just past the string literal that opens at `at`.
    std::size_t stringEnd(std::size_t at) const {
        for (++at; at < text.size(); ++at) {
            if (text[at] == '\\')
                ++at;
            else if (text[at] == '"')
                return at + 1;
        }
        return text.size();
    }

    // Just past the value that starts at `at`.
    std::size_t valueEnd(std::size_t at) const {
        if (at >= text.size()) return text.size();
        if (text[at] == '"') return stringEnd(at);
        if (text[at] != '{' && text[at] != '[') {
            while (at < text.size() && !isBlank(text[at]) && text[at] != ',' && text[at] != '}' && text[at] != ']')
                ++at;
            return at;
        }
        std::size_t depth = 0;
        while (at < text.size()) {
            const char c = text[at];
            if (c == '"') {
                at = stringEnd(at);
                continue;
            }
            if (c == '{' || c == '[') ++depth;
            if ((c == '}' || c == ']') && --depth == 0) return at + 1;
            ++at;
        }
        return text.size();
    }

    // Each member of the object opening at `at`: (key literal, value span).
    template <typename Visit>
    void forEachMember(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] == '"';) {
            const std::size_t keyEnd = stringEnd(at);
            const std::size_t value = skipBlanks(skipBlanks(keyEnd) + 1);
            const Span span{value, valueEnd(value)};
            visit(text.substr(at, keyEnd - at), span);
            at = skipBlanks(span.end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
    }

    // Each element span of the array opening at `at`.
    template <typename Visit>
    void forEachElement(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] != ']';) {
            const Span span{at, valueEnd(at)};
            visit(span);
            at = skipBlanks(span.end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
    }

    std::string_view text;
};

// The name a key literal stands for.
std::string keyName(std::string_view literal) {
    if (literal.find('\\') == std::string_view::npos) return std::string(literal.substr(1, literal.size() - 2));
    return nlohmann::json::parse(literal).get<std::string>();
}

// The value span of the object's last member named `name` (the one a parser
// keeps), if any.
std::optional<Span> lastMember(const Scanner& scanner, std::size_t objectAt, std::string_view name) {
    std::optional<Span> found;
    scanner.forEachMember(objectAt, [&](std::string_view key, Span value) {
        if (keyName(key) == name) found = value;
    });
    return found;
}

bool isToolEntry(const Scanner& scanner, Span element) {
    if (scanner.text[element.begin] != '{') return false;
    const auto type = lastMember(scanner, element.begin, "type");
    return type && scanner.text[type->begin] == '"';
}

// The document with the value of every "data" member emptied, parsed.
nlohmann::json documentWithoutData(const Scanner& scanner, std::size_t objectAt) {
    std::string rest;
    std::size_t copied = 0;
    scanner.forEachMember(objectAt, [&](std::string_view key, Span value) {
        if (keyName(key) != "data") return;
        rest.append(scanner.text.substr(copied, value.begin - copied));
        rest += "[]";
        copied = value.end;
    });
    rest.append(scanner.text.substr(copied));
    nlohmann::json document = nlohmann::json::parse(rest);
    document.erase("data");
    return document;
}

} // namespace

std::optional<LibraryParts> splitLibraryDocument(std::string_view text) {
    if (nestingDepth(text) > maxNestingDepth || !nlohmann::json::accept(text)) return std::nullopt;
    const Scanner scanner(text);
    const std::size_t objectAt = scanner.skipBlanks(0);
    if (text[objectAt] != '{') return std::nullopt;
    const auto data = lastMember(scanner, objectAt, "data");
    if (!data || text[data->begin] != '[') return std::nullopt;
    LibraryParts parts;
    bool allTools = true;
    scanner.forEachElement(data->begin, [&](Span element) {
        allTools = allTools && isToolEntry(scanner, element);
        if (allTools) parts.entries.push_back(compactJsonText(text.substr(element.begin, element.end - element.begin)));
    });
    if (!allTools) return std::nullopt;
    parts.document = documentWithoutData(scanner, objectAt);
    return parts;
}

std::string compactJsonText(std::string_view json) {
    std::string compact;
    compact.reserve(json.size());
    StringTracker strings;
    for (const char c : json) {
        if (!strings.inString(c) && isBlank(c)) continue;
        compact += c;
    }
    return compact;
}

} // namespace adsk::sim::detail

#include "LibraryText.h"

#include <algorithm>
#include <charconv>
#include <utility>

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

// Checks text against the JSON grammar as nlohmann::json::accept reads it
// (UTF-8 inside strings, paired surrogate escapes, no number overflowing a
// double, nothing after the value), and that arrays and objects nest at most
// `maxDepth` deep. One pass, no tree.
class JsonChecker {
public:
    JsonChecker(std::string_view json, std::size_t depthLimit) : text(json), maxDepth(depthLimit) {}

    bool wellFormed() {
        if (!value(0)) return false;
        skipBlanks(0);
        // As with the parser, a zero byte ends the input.
        return at == text.size() || text[at] == '\0';
    }

    // Whether a blank stood between tokens inside three or more open arrays
    // and objects: inside the entries of a document's "data" array.
    bool blanksInEntries() const { return deepBlanks; }

private:
    bool more() const { return at < text.size(); }
    unsigned char byteAt(std::size_t offset) const { return static_cast<unsigned char>(text[offset]); }

    // Skips blanks at a place inside `level` open arrays and objects.
    void skipBlanks(std::size_t level) {
        const std::size_t start = at;
        while (more() && isBlank(text[at])) ++at;
        if (level >= 3 && at > start) deepBlanks = true;
    }

    // A value inside `depth` open arrays and objects.
    bool value(std::size_t depth) {
        skipBlanks(depth);
        if (!more()) return false;
        switch (text[at]) {
        case '{': return container(depth, '}');
        case '[': return container(depth, ']');
        case '"': return string();
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return number();
        }
    }

    bool container(std::size_t depth, char close) {
        if (depth == maxDepth) return false;
        ++at;
        skipBlanks(depth + 1);
        if (more() && text[at] == close) {
            ++at;
            return true;
        }
        while (true) {
            if (close == '}') {
                skipBlanks(depth + 1);
                if (!more() || text[at] != '"' || !string()) return false;
                skipBlanks(depth + 1);
                if (!more() || text[at] != ':') return false;
                ++at;
            }
            if (!value(depth + 1)) return false;
            skipBlanks(depth + 1);
            if (!more()) return false;
            const char c = text[at++];
            if (c == close) return true;
            if (c != ',') return false;
        }
    }

    bool literal(std::string_view word) {
        if (text.substr(at, word.size()) != word) return false;
        at += word.size();
        return true;
    }

    bool digits() {
        const std::size_t first = at;
        while (more() && text[at] >= '0' && text[at] <= '9') ++at;
        return at > first;
    }

    bool number() {
        const std::size_t start = at;
        if (text[at] == '-') ++at;
        if (more() && text[at] == '0')
            ++at;
        else if (!more() || text[at] < '1' || text[at] > '9' || !digits())
            return false;
        if (more() && text[at] == '.') {
            ++at;
            if (!digits()) return false;
        }
        const bool exponent = more() && (text[at] == 'e' || text[at] == 'E');
        if (exponent) {
            ++at;
            if (more() && (text[at] == '+' || text[at] == '-')) ++at;
            if (!digits()) return false;
        }
        // Without an exponent only a token of over 300 digits can leave a double's range.
        if (!exponent && at - start < 300) return true;
        // Out of range means an overflow (not accepted) or an underflow (accepted);
        // the rare token is handed to the parser to tell which.
        double parsed = 0;
        const auto result = std::from_chars(text.data() + start, text.data() + at, parsed);
        return result.ec != std::errc::result_out_of_range ||
               nlohmann::json::accept(text.substr(start, at - start));
    }

    bool string() {
        for (++at; more();) {
            const unsigned char c = byteAt(at);
            if (c == '"') {
                ++at;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                if (!escape()) return false;
            } else if (c < 0x80) {
                ++at;
            } else if (!utf8Sequence()) {
                return false;
            }
        }
        return false;
    }

    // Four hex digits as a code unit, or -1.
    long hexUnit() {
        if (text.size() - at < 4) return -1;
        long unit = 0;
        for (const char c : text.substr(at, 4)) {
            const int digit = c >= '0' && c <= '9' ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return -1;
            unit = unit * 16 + digit;
        }
        at += 4;
        return unit;
    }

    bool escape() {
        if (text.size() - at < 2) return false;
        const char kind = text[at + 1];
        at += 2;
        if (std::string_view("\"\\/bfnrt").find(kind) != std::string_view::npos) return true;
        if (kind != 'u') return false;
        const long unit = hexUnit();
        if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return false;
        if (unit < 0xD800 || unit > 0xDBFF) return true;
        // A high surrogate needs a low one right after it.
        if (text.substr(at, 2) != "\\u") return false;
        at += 2;
        const long low = hexUnit();
        return low >= 0xDC00 && low <= 0xDFFF;
    }

    // A multi-byte UTF-8 character: no overlong forms, surrogates or code
    // points past U+10FFFF.
    bool utf8Sequence() {
        const unsigned char lead = byteAt(at);
        std::size_t continuations = 2;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF)
            continuations = 1;
        else if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
        else if (lead >= 0xF0 && lead <= 0xF4) {
            continuations = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else if (lead < 0xE1 || lead > 0xEF)
            return false;
        if (text.size() - at <= continuations) return false;
        for (std::size_t i = 1; i <= continuations; ++i) {
            const unsigned char next = byteAt(at + i);
            if (next < low || next > high) return false;
            low = 0x80;
            high = 0xBF;
        }
        at += continuations + 1;
        return true;
    }

    std::string_view text;
    std::size_t maxDepth;
    std::size_t at = 0;
    bool deepBlanks = false;
};

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
    // Returns where the object ends.
    template <typename Visit>
    std::size_t forEachMember(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] == '"';) {
            const std::size_t keyEnd = stringEnd(at);
            const std::size_t value = skipBlanks(skipBlanks(keyEnd) + 1);
            const Span span{value, valueEnd(value)};
            visit(text.substr(at, keyEnd - at), span);
            at = skipBlanks(span.end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
        return std::min(at + 1, text.size());
    }

    // Each element of the array opening at `at`: `visit(begin)` gives back
    // where the element ends, or npos to stop.
    template <typename Visit>
    void forEachElement(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] != ']';) {
            const std::size_t end = visit(at);
            if (end == std::string_view::npos) return;
            at = skipBlanks(end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
    }

    std::string_view text;
};

// Whether a key literal stands for `name`.
bool keyIs(std::string_view literal, std::string_view name) {
    if (literal.find('\\') == std::string_view::npos) return literal.substr(1, literal.size() - 2) == name;
    return nlohmann::json::parse(literal).get<std::string>() == name;
}

// Where the tool entry starting at `at` ends: an object whose last "type"
// member holds a string. npos for any other element.
std::size_t toolEntryEnd(const Scanner& scanner, std::size_t at) {
    if (scanner.text[at] != '{') return std::string_view::npos;
    bool typed = false;
    const std::size_t end = scanner.forEachMember(at, [&](std::string_view key, Span value) {
        if (keyIs(key, "type")) typed = scanner.text[value.begin] == '"';
    });
    return typed ? end : std::string_view::npos;
}

// The document without its "data" members, parsed, and the value span of
// the last of them (the one a parser keeps), found in the same walk.
struct DocumentRest {
    nlohmann::json document;
    std::optional<Span> data;
};

DocumentRest splitOffData(const Scanner& scanner, std::size_t objectAt) {
    DocumentRest parts;
    std::string rest;
    std::size_t copied = 0;
    scanner.forEachMember(objectAt, [&](std::string_view key, Span value) {
        if (!keyIs(key, "data")) return;
        rest.append(scanner.text.substr(copied, value.begin - copied));
        rest += "[]";
        copied = value.end;
        parts.data = value;
    });
    rest.append(scanner.text.substr(copied));
    parts.document = nlohmann::json::parse(rest);
    parts.document.erase("data");
    return parts;
}

} // namespace

std::optional<LibraryParts> splitLibraryDocument(std::string_view text) {
    JsonChecker checker(text, maxNestingDepth);
    if (!checker.wellFormed()) return std::nullopt;
    // Documents this host writes hold their entries compact already.
    const bool compactEntries = !checker.blanksInEntries();
    const Scanner scanner(text);
    const std::size_t objectAt = scanner.skipBlanks(0);
    if (text[objectAt] != '{') return std::nullopt;
    DocumentRest rest = splitOffData(scanner, objectAt);
    const auto data = rest.data;
    if (!data || text[data->begin] != '[') return std::nullopt;
    LibraryParts parts;
    bool allTools = true;
    scanner.forEachElement(data->begin, [&](std::size_t begin) {
        const std::size_t end = toolEntryEnd(scanner, begin);
        allTools = end != std::string_view::npos;
        if (!allTools) return end;
        const std::string_view entry = text.substr(begin, end - begin);
        parts.entries.push_back(compactEntries ? std::string(entry) : compactJsonText(entry));
        return end;
    });
    if (!allTools) return std::nullopt;
    parts.document = std::move(rest.document);
    return parts;
}

std::string compactJsonText(std::string_view json) {
    const Scanner scanner(json);
    std::string compact;
    compact.reserve(json.size());
    // Runs of text between blanks outside strings go in whole.
    std::size_t run = 0;
    for (std::size_t at = 0; at < json.size();) {
        if (json[at] == '"') {
            at = scanner.stringEnd(at);
        } else if (isBlank(json[at])) {
            compact.append(json, run, at - run);
            run = ++at;
        } else {
            ++at;
        }
    }
    compact.append(json, run);
    return compact;
}

} // namespace adsk::sim::detail

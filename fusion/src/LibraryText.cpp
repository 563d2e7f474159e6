#include "LibraryText.h"

#include <algorithm>
#include <charconv>
#include <tuple>
#include <utility>

namespace adsk::sim::detail {
namespace {

// Real libraries nest about six levels deep; the limit keeps the recursive
// parser far from the stack's end on hostile input.
constexpr std::size_t maxNestingDepth = 64;
constexpr std::size_t npos = std::string_view::npos;

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

    // Each member of the object opening at `at`: `visit(key literal, value
    // offset)` gives back where the value ends, or npos to stop. Returns where
    // the object ends, npos when stopped.
    template <typename Visit>
    std::size_t forEachMember(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] == '"';) {
            const std::size_t keyEnd = stringEnd(at);
            const std::size_t end = visit(text.substr(at, keyEnd - at), skipBlanks(skipBlanks(keyEnd) + 1));
            if (end == npos) return npos;
            at = skipBlanks(end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
        return std::min(at + 1, text.size());
    }

    // Each element of the array opening at `at`: `visit(begin)` gives back
    // where the element ends, or npos to stop. Returns where the array ends,
    // npos when stopped.
    template <typename Visit>
    std::size_t forEachElement(std::size_t at, Visit visit) const {
        for (at = skipBlanks(at + 1); at < text.size() && text[at] != ']';) {
            const std::size_t end = visit(at);
            if (end == npos) return npos;
            at = skipBlanks(end);
            if (at < text.size() && text[at] == ',') at = skipBlanks(at + 1);
        }
        return std::min(at + 1, text.size());
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
    if (scanner.text[at] != '{') return npos;
    bool typed = false;
    const std::size_t end = scanner.forEachMember(at, [&](std::string_view key, std::size_t value) {
        if (keyIs(key, "type")) typed = scanner.text[value] == '"';
        return scanner.valueEnd(value);
    });
    return typed ? end : npos;
}

// The compact texts of the tool entries of the array opening at `at` and where
// the array ends; no entries when an element is not a tool entry.
std::pair<std::optional<std::vector<std::string>>, std::size_t> toolEntries(const Scanner& scanner, std::size_t at,
                                                                              bool compact) {
    std::vector<std::string> entries;
    const std::size_t end = scanner.forEachElement(at, [&](std::size_t begin) {
        const std::size_t entryEnd = toolEntryEnd(scanner, begin);
        if (entryEnd == npos) return npos;
        const std::string_view entry = scanner.text.substr(begin, entryEnd - begin);
        entries.push_back(compact ? std::string(entry) : compactJsonText(entry));
        return entryEnd;
    });
    if (end == npos) return {std::nullopt, scanner.valueEnd(at)};
    return {std::move(entries), end};
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
    // One walk over the top-level members: the last "data" member (the one a
    // parser keeps) must be an array of tool entries; the rest of the
    // document, its "data" values emptied, is parsed as a whole.
    std::optional<std::vector<std::string>> entries;
    std::string rest;
    std::size_t copied = 0;
    scanner.forEachMember(objectAt, [&](std::string_view key, std::size_t value) {
        if (!keyIs(key, "data")) return scanner.valueEnd(value);
        std::size_t end = 0;
        if (text[value] == '[') {
            std::tie(entries, end) = toolEntries(scanner, value, compactEntries);
        } else {
            entries.reset();
            end = scanner.valueEnd(value);
        }
        rest.append(text.substr(copied, value - copied));
        rest += "[]";
        copied = end;
        return end;
    });
    if (!entries) return std::nullopt;
    rest.append(text.substr(copied));
    LibraryParts parts;
    parts.entries = std::move(*entries);
    parts.document = nlohmann::json::parse(rest);
    parts.document.erase("data");
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

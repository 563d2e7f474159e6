#include "convert/TextMatch.h"

namespace Corvana {
namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upperByte(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperWithout(std::string_view text, std::string_view dropped) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        if (dropped.find(c) == std::string_view::npos) out += upperByte(c);
    return out;
}

bool letterAt(std::string_view text, std::size_t pos) {
    return pos < text.size() && isLetter(text[pos]);
}

} // namespace

std::string upperAscii(std::string_view text) {
    return upperWithout(text, {});
}

std::string compactUpper(std::string_view text) {
    return upperWithout(text, " '-._");
}

std::string squeezeUpper(std::string_view text) {
    return upperWithout(text, " -._");
}

bool containsText(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

bool matchWordStart(std::string_view text, std::string_view word) {
    if (word.empty()) return false;
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
        if (at == 0 || !isLetter(text[at - 1])) return true;
    return false;
}

bool matchWholeWord(std::string_view text, std::string_view word) {
    if (word.empty()) return false;
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
        const bool startOk = at == 0 || !isLetter(text[at - 1]);
        if (startOk && !letterAt(text, at + word.size())) return true;
    }
    return false;
}

int detectHand(std::string_view text) {
    const std::string upper = upperAscii(text);
    const bool left = containsText(upper, "LEFT") ||
                      containsText(squeezeUpper(text), "COUNTERCLOCKWISE") ||
                      matchWholeWord(upper, "LH") || matchWholeWord(upper, "CCW");
    const bool right = containsText(upper, "RIGHT") || matchWholeWord(upper, "RH");
    if (left == right) return 0;
    return left ? 1 : 2;
}

} // namespace Corvana

#include "convert/TextMatch.h"

namespace Corvana {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upperByte(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDropped(const FoldedText& folded, char c) {
    for (const char d : folded.dropped)
        if (d == c) return true;
    return false;
}

// The FoldedText::letters bit of a letter, 0 for other bytes.
std::uint32_t letterBit(char c) {
    const unsigned k = static_cast<unsigned char>(c | 0x20) - 'a';
    return k < 26 ? std::uint32_t{1} << k : 0;
}

std::uint32_t lettersIn(std::string_view text) {
    std::uint32_t letters = 0;
    for (const char c : text) letters |= letterBit(c);
    return letters;
}

// Whether every letter of the word occurs in the folded text.
bool mayHold(const FoldedText& folded, std::string_view word) {
    for (const char c : word)
        if ((letterBit(c) & ~folded.letters) != 0) return false;
    return true;
}

// Where the word matched at kept byte `at` ends (dropped bytes inside it
// skipped), or npos.
std::size_t matchEnd(const FoldedText& folded, std::size_t at, std::string_view word) {
    const std::string_view text = folded.text;
    for (const char w : word) {
        while (at < text.size() && isDropped(folded, text[at])) ++at;
        if (at == text.size() || upperByte(text[at]) != upperByte(w)) return npos;
        ++at;
    }
    return at;
}

// Calls `accept(start, end)` for each occurrence of a non-empty word, in
// order, until it returns true; true when one was accepted.
template <typename Accept>
bool anyOccurrence(const FoldedText& folded, std::string_view word, Accept accept) {
    if (word.empty() || !mayHold(folded, word)) return false;
    const char first = upperByte(word.front());
    const char firstLower = isLetter(first) ? static_cast<char>(first | 0x20) : first;
    for (std::size_t at = 0; at < folded.text.size(); ++at) {
        const char c = folded.text[at];
        if ((c != first && c != firstLower) || isDropped(folded, c)) continue;
        const std::size_t end = matchEnd(folded, at, word);
        if (end != npos && accept(at, end)) return true;
    }
    return false;
}

// Whether the kept byte before `at` (none at the text's start) is a letter.
bool letterBefore(const FoldedText& folded, std::size_t at) {
    while (at > 0 && isDropped(folded, folded.text[at - 1])) --at;
    return at > 0 && isLetter(folded.text[at - 1]);
}

// Whether the kept byte from `at` on (none at the text's end) is a letter.
bool letterFrom(const FoldedText& folded, std::size_t at) {
    while (at < folded.text.size() && isDropped(folded, folded.text[at])) ++at;
    return at < folded.text.size() && isLetter(folded.text[at]);
}

} // namespace

FoldedText::FoldedText(std::string_view whole, std::string_view droppedBytes)
    : text(whole), dropped(droppedBytes), letters(lettersIn(whole)) {}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperByte(c);
    return out;
}

FoldedText compactView(std::string_view text) { return {text, " '-._"}; }

FoldedText squeezedView(std::string_view text) { return {text, " -._"}; }

bool containsText(const FoldedText& text, std::string_view word) {
    return word.empty() || anyOccurrence(text, word, [](std::size_t, std::size_t) { return true; });
}

bool matchWordStart(const FoldedText& text, std::string_view word) {
    return anyOccurrence(text, word, [&](std::size_t at, std::size_t) { return !letterBefore(text, at); });
}

bool matchWholeWord(const FoldedText& text, std::string_view word) {
    return anyOccurrence(text, word, [&](std::size_t at, std::size_t end) {
        return !letterBefore(text, at) && !letterFrom(text, end);
    });
}

int detectHand(std::string_view text) {
    const FoldedText folded(text);
    const bool left = containsText(folded, "LEFT") || containsText(squeezedView(text), "COUNTERCLOCKWISE") ||
                      matchWholeWord(folded, "LH") || matchWholeWord(folded, "CCW");
    const bool right = containsText(folded, "RIGHT") || matchWholeWord(folded, "RH");
    if (left == right) return 0;
    return left ? 1 : 2;
}

} // namespace Corvana

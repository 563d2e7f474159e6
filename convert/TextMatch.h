#pragma once
// Byte-wise (ASCII) text matching shared by classification and the thread
// designation reader. Matching ignores ASCII case; a folded view can also
// leave out separator bytes, so "Counter-Sink" holds "COUNTERSINK" without
// a normalised copy of the text being built.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace Corvana {

std::string upperAscii(std::string_view text);

// A text as the matchers see it: ASCII case ignored, the bytes in `dropped`
// left out. Build one per text and match many words against it: it notes
// which letters the text holds, so most words are ruled out without a scan.
class FoldedText {
public:
    template <typename Text>
        requires std::convertible_to<const Text&, std::string_view>
    FoldedText(const Text& whole) : FoldedText(std::string_view(whole), {}) {}
    FoldedText(std::string_view whole, std::string_view droppedBytes);

    std::string_view text;
    std::string_view dropped;
    std::uint32_t letters = 0;  // bit k: the letter 'A' + k occurs, in either case
};

// Without blanks, apostrophes, hyphens, periods and underscores.
FoldedText compactView(std::string_view text);

// Without blanks, hyphens, periods and underscores.
FoldedText squeezedView(std::string_view text);

bool containsText(const FoldedText& text, std::string_view word);

// Some occurrence of `word` starts the text or follows a non-letter.
bool matchWordStart(const FoldedText& text, std::string_view word);

// Some occurrence of `word` has a non-letter (or the text's edge) on both sides.
bool matchWholeWord(const FoldedText& text, std::string_view word);

// Hand named in a text: 1 left, 2 right, 0 none or both.
int detectHand(std::string_view text);

} // namespace Corvana

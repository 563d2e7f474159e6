#pragma once
// Byte-wise (ASCII) text matching shared by classification and the thread
// designation reader.

#include <string>
#include <string_view>

namespace Corvana {

std::string upperAscii(std::string_view text);

// Upper-cased, with blanks, apostrophes, hyphens, periods and underscores dropped.
std::string compactUpper(std::string_view text);

// Upper-cased, with blanks, hyphens, periods and underscores dropped.
std::string squeezeUpper(std::string_view text);

bool containsText(std::string_view text, std::string_view word);

// Some occurrence of `word` starts the text or follows a non-letter.
bool matchWordStart(std::string_view text, std::string_view word);

// Some occurrence of `word` has a non-letter (or the text's edge) on both sides.
bool matchWholeWord(std::string_view text, std::string_view word);

// Hand named in a text: 1 left, 2 right, 0 none or both.
int detectHand(std::string_view text);

} // namespace Corvana

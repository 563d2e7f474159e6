#pragma once
// File names Windows treats as devices. A name from a file or an archive that
// is one of them is refused on every platform, so a source behaves the same
// wherever it is read.

#include "platform/AsciiText.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace Corvana {

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 in any case, whatever the extension;
// blanks before the extension are ignored ("nul .txt" is the NUL device).
inline bool isWindowsDeviceName(std::string_view component) {
    static constexpr std::array<std::string_view, 4> plain{"con", "prn", "aux", "nul"};
    std::string base = lowerAscii(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (std::find(plain.begin(), plain.end(), base) != plain.end()) return true;
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '1' &&
           base[3] <= '9';
}

} // namespace Corvana

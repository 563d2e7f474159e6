#include "platform/PalettePage.h"

#include <cstdlib>

namespace Corvana {

// Linux has no Fusion of its own: the simulated host plays the Windows one,
// so the page lies where Windows keeps it, below %APPDATA%.
std::string palettePageAddress() {
    const char* appData = std::getenv("APPDATA");
    const std::string path = std::string(appData ? appData : "") +
                             "\\Autodesk\\Autodesk Fusion 360\\API\\AddIns\\Corvana\\OfflineWebPalette\\index.html";
    std::string address = "file:///";
    address.reserve(path.size() + 24);
    // Only separators and blanks are rewritten; "#" and UTF-8 pass through as they are.
    for (const char c : path) {
        if (c == '\\') address += '/';
        else if (c == ' ') address += "%20";
        else address += c;
    }
    return address;
}

} // namespace Corvana

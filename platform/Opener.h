#pragma once
// Hands an address to the desktop's default handler (the shell's "open" verb
// on Windows, xdg-open on Linux).

#include <string>

namespace Corvana {

class Opener {
public:
    virtual ~Opener() = default;
    // Starts the handler for the UTF-8 `target` without waiting for it; false
    // when the handler could not be started.
    virtual bool openExternally(const std::string& target) = 0;
};

Opener& systemOpener();

} // namespace Corvana

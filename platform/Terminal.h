#pragma once

namespace Corvana {

// True when standard error is an interactive terminal (progress bars go there).
bool isStderrTerminal();

} // namespace Corvana

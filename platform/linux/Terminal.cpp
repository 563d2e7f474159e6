#include "platform/Terminal.h"

#include <unistd.h>

namespace Corvana {

bool isStderrTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace Corvana

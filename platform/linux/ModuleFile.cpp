#include "platform/ModuleFile.h"

#include <dlfcn.h>

namespace Corvana {

namespace {
// Any address inside this module identifies it.
const char moduleAnchor = 0;
} // namespace

std::string currentModulePath() {
    Dl_info info{};
    if (::dladdr(&moduleAnchor, &info) == 0 || !info.dli_fname) return {};
    return info.dli_fname;
}

} // namespace Corvana

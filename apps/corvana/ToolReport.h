#pragma once

#include <string>

namespace Corvana {

struct InspectOptions {
    std::string source;
    bool json = false;
};

// Lists the tools of a source on stdout; returns the process exit code.
int runInspect(const InspectOptions& options);

} // namespace Corvana

#pragma once

#include <string>

namespace Corvana {

struct InspectOptions {
    std::string source;
    int session = -1;  // a running PowerMill session instead of the source
    bool json = false;
};

// Lists the tools of a source on stdout; returns the process exit code.
int runInspect(const InspectOptions& options);

} // namespace Corvana

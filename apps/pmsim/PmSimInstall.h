#pragma once
// `pmsim install`: what an installed PowerMill leaves in the machine registry.

#include <string>
#include <vector>

namespace Corvana::PmSim {

struct InstallOptions {
    int year = 2024;
    bool registeredOnly = false;  // the class registration without a release key
    bool uninstall = false;
    std::vector<std::string> serveOptions;  // appended to the server command
};

// The process exit code; the reason on standard error when it fails.
int install(const InstallOptions& options);

} // namespace Corvana::PmSim

#include "apps/pmsim/PmSimInstall.h"

#include "platform/linux/MachineRegistry.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace Corvana::PmSim {
namespace {

namespace Registry = MachineRegistry;

const std::string kReleaseKey = std::string(Registry::kLocalMachine) + "\\SOFTWARE\\Autodesk\\PowerMill ";
const std::string kWowReleaseKey =
    std::string(Registry::kLocalMachine) + "\\SOFTWARE\\WOW6432Node\\Autodesk\\PowerMill ";
const std::string kClassKey = std::string(Registry::kClassesRoot) + "\\PowerMILL.Application";

bool startsWithKey(const std::string& key, const std::string& prefix) {
    return key.size() >= prefix.size() && Registry::sameKey(std::string_view(key).substr(0, prefix.size()), prefix);
}

bool isPowerMillKey(const std::string& key) {
    return startsWithKey(key, kReleaseKey) || startsWithKey(key, kWowReleaseKey) ||
           Registry::sameKey(key, kClassKey) || startsWithKey(key, kClassKey + "\\");
}

// The server command: this program, quoted, with "serve" and the extra options.
std::string serverCommand(const std::vector<std::string>& serveOptions, std::string& error) {
    std::error_code status;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", status).string();
    if (status || self.find('"') != std::string::npos) {
        error = "cannot name this program in a server command";
        return {};
    }
    std::string command = "\"" + self + "\" serve";
    for (const auto& option : serveOptions) {
        if (option.find('"') != std::string::npos) {
            error = "a server option may not contain a double quote";
            return {};
        }
        command += option.find_first_of(" \t") == std::string::npos ? " " + option : " \"" + option + "\"";
    }
    return command;
}

} // namespace

int install(const InstallOptions& options) {
    auto entries = Registry::readEntries();
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const Registry::Entry& entry) { return isPowerMillKey(entry.key); }),
                  entries.end());
    if (!options.uninstall) {
        std::string error;
        const std::string command = serverCommand(options.serveOptions, error);
        if (command.empty()) {
            std::cerr << "pmsim: " << error << "\n";
            return 1;
        }
        if (!options.registeredOnly) entries.push_back({kReleaseKey + std::to_string(options.year), std::nullopt});
        entries.push_back({kClassKey, command});
    }
    if (!Registry::writeEntries(entries)) {
        std::cerr << "pmsim: cannot write the machine registry (XDG_CONFIG_HOME)\n";
        return 1;
    }
    return 0;
}

} // namespace Corvana::PmSim

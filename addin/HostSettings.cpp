#include "addin/HostSettings.h"

#include <utility>

namespace Corvana {
namespace {

struct Settings {
    std::int32_t holderMode = 2;
    std::string holderLibrary = "PowerMill Holders";
    bool utilityRunning = false;
};

Settings& settings() {
    static Settings values;
    return values;
}

} // namespace

std::int32_t holderDestinationMode() { return settings().holderMode; }

const std::string& holderLibraryName() { return settings().holderLibrary; }

void setHolderDestination(std::int32_t mode, std::string libraryName) {
    settings().holderMode = (mode == 0 || mode == 2) ? mode : 1;
    settings().holderLibrary = std::move(libraryName);
}

bool isUtilityRunning() { return settings().utilityRunning; }

void setUtilityRunning(bool running) { settings().utilityRunning = running; }

} // namespace Corvana

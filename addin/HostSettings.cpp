#include "addin/HostSettings.h"

#include <utility>

namespace Corvana {
namespace {

struct Settings {
    HolderMode holderMode = HolderMode::SeparateLibrary;
    std::string holderLibrary = "PowerMill Holders";
    bool utilityRunning = false;
};

Settings& settings() {
    static Settings values;
    return values;
}

} // namespace

HolderMode holderDestinationMode() { return settings().holderMode; }

const std::string& holderLibraryName() { return settings().holderLibrary; }

void setHolderDestination(HolderMode mode, std::string libraryName) {
    settings().holderMode = mode;
    settings().holderLibrary = std::move(libraryName);
}

bool isUtilityRunning() { return settings().utilityRunning; }

void setUtilityRunning(bool running) { settings().utilityRunning = running; }

} // namespace Corvana

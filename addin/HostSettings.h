#pragma once
// Settings the page changes at run time and later operations read. All are
// touched on the main thread only.

#include "library/PrepareLibrary.h"

#include <string>

namespace Corvana {

// Initially the separate library "PowerMill Holders".
HolderMode holderDestinationMode();
const std::string& holderLibraryName();
// An empty name means no separate holder library.
void setHolderDestination(HolderMode mode, std::string libraryName);

// While a utility of the page runs, CLOSE_PALETTE and the appearance requests do nothing.
bool isUtilityRunning();
void setUtilityRunning(bool running);

} // namespace Corvana

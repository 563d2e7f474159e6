#pragma once
// Settings the page changes at run time and later operations read. All are
// touched on the main thread only.

#include <cstdint>
#include <string>

namespace Corvana {

// 0 holders stay out of the main library, 1 they go into it, 2 they go to the
// holder library (initially 2, "PowerMill Holders").
std::int32_t holderDestinationMode();
const std::string& holderLibraryName();
// Modes other than 0, 1 and 2 are stored as 1; an empty name means no separate holder library.
void setHolderDestination(std::int32_t mode, std::string libraryName);

// While a utility of the page runs, CLOSE_PALETTE and the appearance requests do nothing.
bool isUtilityRunning();
void setUtilityRunning(bool running);

} // namespace Corvana

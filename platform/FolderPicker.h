#pragma once
// The dialog with which the user picks a PowerMill project folder.

#include <string>

namespace Corvana {

// Shows a modal folder dialog titled "Select PowerMill Project Folder" on the
// calling (main) thread. The chosen folder as a UTF-8 path; empty when the
// user cancelled or no dialog could be shown.
std::string browseForProjectFolder();

} // namespace Corvana

#pragma once
// The dialog with which the user picks a PowerMill project folder. Windows
// shows its common folder dialog; elsewhere the host's own folder dialog plays it.

#include <string>

namespace Corvana {

// Shows a modal folder dialog titled "Select PowerMill Project Folder" on the
// calling (main) thread. The chosen folder as a UTF-8 path; empty when the
// user cancelled or no dialog could be shown.
std::string browseForProjectFolder();

} // namespace Corvana

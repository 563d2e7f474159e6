#include "addin/FolderPicker.h"

#include "Core/CoreAll.h"

namespace Corvana {

// Linux has no common item dialog; the host's own folder dialog plays it.
std::string browseForProjectFolder() {
    const auto app = adsk::core::Application::get();
    if (!app) return {};
    const auto ui = app->userInterface();
    if (!ui) return {};
    const auto dialog = ui->createFolderDialog();
    if (!dialog) return {};
    dialog->title("Select PowerMill Project Folder");
    if (dialog->showDialog() != adsk::core::DialogOK) return {};
    return dialog->folder();
}

} // namespace Corvana

#include "addin/FusionLibraries.h"

namespace Corvana {

LibraryAccess openLibraryAccess() {
    LibraryAccess access;
    const auto camManager = adsk::cam::CAMManager::get();
    if (!camManager) {
        access.error = "CAM Manager not available.";
        return access;
    }
    const auto libraryManager = camManager->libraryManager();
    if (!libraryManager) {
        access.error = "CAM Library Manager not available.";
        return access;
    }
    access.toolLibraries = libraryManager->toolLibraries();
    if (!access.toolLibraries) {
        access.error = "Could not access tool libraries.";
        return access;
    }
    access.localFolder = access.toolLibraries->urlByLocation(adsk::cam::LocalLibraryLocation);
    if (!access.localFolder) access.error = "Could not get local library location.";
    return access;
}

std::string libraryNameOfLeaf(std::string_view leafName) {
    const auto dot = leafName.rfind('.');
    return std::string(dot == std::string_view::npos ? leafName : leafName.substr(0, dot));
}

std::vector<std::string> listLocalLibraryNames() {
    std::vector<std::string> names;
    const LibraryAccess access = openLibraryAccess();
    if (!access.error.empty()) return names;
    for (const auto& url : access.toolLibraries->childAssetURLs(access.localFolder)) {
        if (url) names.push_back(libraryNameOfLeaf(url->leafName()));
    }
    return names;
}

} // namespace Corvana

#include "adsk/cam/CAMManager.h"

#include "HostState.h"
#include "LibraryFolder.h"
#include "ToolData.h"

#include <utility>

namespace adsk::cam {
namespace {

// The library's document text, written to the file as it is produced.
sim::detail::TextSource documentOf(const ToolLibrary& library) {
    return [&library](const sim::detail::TextSink& sink) { return sim::detail::LibraryAccess::write(library, sink); };
}

} // namespace

using sim::detail::HostState;

CAMManager::CAMManager(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

core::Ptr<CAMManager> CAMManager::get() {
    const auto app = core::Application::get();
    if (!app) return nullptr;
    auto hostState = sim::detail::HostAccess::sharedState(*app);
    {
        std::lock_guard lock(hostState->mutex);
        if (!hostState->facts.camAvailable) return nullptr;
    }
    return core::Ptr<CAMManager>(new CAMManager(std::move(hostState)));
}

core::Ptr<CAMLibraryManager> CAMManager::libraryManager() const {
    return core::Ptr<CAMLibraryManager>(new CAMLibraryManager(state));
}

CAMLibraryManager::CAMLibraryManager(std::shared_ptr<HostState> hostState)
    : state(std::move(hostState)) {}

core::Ptr<ToolLibraries> CAMLibraryManager::toolLibraries() const {
    return core::Ptr<ToolLibraries>(new ToolLibraries(state));
}

CAMLibrary::CAMLibrary(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

core::Ptr<core::URL> CAMLibrary::urlByLocation(LibraryLocations location) const {
    if (location != LocalLibraryLocation) return nullptr;
    return core::URL::create(std::string(sim::detail::localRootUrl));
}

std::vector<core::Ptr<core::URL>> CAMLibrary::childAssetURLs(const core::Ptr<core::URL>& url) const {
    sim::detail::checkMainThread(*state, "CAMLibrary::childAssetURLs");
    std::vector<core::Ptr<core::URL>> urls;
    if (!url || url->toString() != sim::detail::localRootUrl) return urls;
    for (const auto& leaf : sim::detail::listLibraryFiles(state->libraryFolder))
        urls.push_back(core::URL::create(url->toString() + "/" + leaf));
    return urls;
}

core::Ptr<core::URL> ToolLibraries::importToolLibrary(const core::Ptr<ToolLibrary>& toolLibrary,
                                                      const core::Ptr<core::URL>& destinationFolderUrl,
                                                      const std::string& libraryName) {
    sim::detail::checkMainThread(*state, "ToolLibraries::importToolLibrary");
    if (!toolLibrary || !destinationFolderUrl) return nullptr;
    if (destinationFolderUrl->toString() != sim::detail::localRootUrl) return nullptr;
    const auto leaf = sim::detail::createLibraryFile(state->libraryFolder, libraryName, documentOf(*toolLibrary));
    if (!leaf) return nullptr;
    return core::URL::create(destinationFolderUrl->toString() + "/" + *leaf);
}

bool ToolLibraries::updateToolLibrary(const core::Ptr<core::URL>& url,
                                      const core::Ptr<ToolLibrary>& toolLibrary) {
    sim::detail::checkMainThread(*state, "ToolLibraries::updateToolLibrary");
    if (!url || !toolLibrary) return false;
    const auto file = sim::detail::libraryFileForUrl(state->libraryFolder, url->toString());
    if (!file) return false;
    return sim::detail::replaceLibraryFile(*file, documentOf(*toolLibrary));
}

core::Ptr<ToolLibrary> ToolLibraries::toolLibraryAtURL(const core::Ptr<core::URL>& url) const {
    sim::detail::checkMainThread(*state, "ToolLibraries::toolLibraryAtURL");
    if (!url) return nullptr;
    const auto file = sim::detail::libraryFileForUrl(state->libraryFolder, url->toString());
    if (!file) return nullptr;
    const auto text = sim::detail::readLibraryFile(*file);
    if (!text) return nullptr;
    return ToolLibrary::createFromJson(*text);
}

} // namespace adsk::cam

#pragma once
// Entry to the CAM libraries: the CAM manager, its library manager and the
// tool libraries stored at the library locations.

#include "adsk/cam/ToolLibrary.h"
#include "adsk/core/Base.h"
#include "adsk/core/URL.h"

#include <memory>
#include <string>
#include <vector>

namespace adsk::sim::detail {
struct HostState;
}

namespace adsk::cam {

enum LibraryLocations {
    LocalLibraryLocation = 0,
    CloudLibraryLocation = 1,
    NetworkLibraryLocation = 2,
    OnlineSamplesLibraryLocation = 3,
    ExternalLibraryLocation = 4,
    Fusion360LibraryLocation = 5,
    HubLibraryLocation = 6,
};

class CAMLibrary : public core::Base {
public:
    explicit CAMLibrary(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::cam::CAMLibrary"; }
    const char* objectType() const override { return classType(); }

    // Root folder of a location; null for a location this host does not offer.
    core::Ptr<core::URL> urlByLocation(LibraryLocations location) const;
    // The libraries directly inside a folder, in name order; subfolders are not entered.
    std::vector<core::Ptr<core::URL>> childAssetURLs(const core::Ptr<core::URL>& url) const;

protected:
    std::shared_ptr<sim::detail::HostState> state;
};

class ToolLibraries : public CAMLibrary {
public:
    using CAMLibrary::CAMLibrary;
    static const char* classType() { return "adsk::cam::ToolLibraries"; }
    const char* objectType() const override { return classType(); }

    // Stores the library in the folder under the name and returns its URL.
    // A name in use gets a number appended. Null when the folder is not a
    // library folder, the name is not a plain file name, or writing fails.
    core::Ptr<core::URL> importToolLibrary(const core::Ptr<ToolLibrary>& toolLibrary,
                                           const core::Ptr<core::URL>& destinationFolderUrl,
                                           const std::string& libraryName);
    // Replaces an existing library in one step: a failed write leaves the old
    // library as it was. False when the URL names no library.
    bool updateToolLibrary(const core::Ptr<core::URL>& url,
                           const core::Ptr<ToolLibrary>& toolLibrary);
    // Null when the URL names no library or its document is not a tool library.
    core::Ptr<ToolLibrary> toolLibraryAtURL(const core::Ptr<core::URL>& url) const;
};

class CAMLibraryManager : public core::Base {
public:
    explicit CAMLibraryManager(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::cam::CAMLibraryManager"; }
    const char* objectType() const override { return classType(); }

    core::Ptr<ToolLibraries> toolLibraries() const;

private:
    std::shared_ptr<sim::detail::HostState> state;
};

class CAMManager : public core::Base {
public:
    explicit CAMManager(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::cam::CAMManager"; }
    const char* objectType() const override { return classType(); }

    // Null when the host is not running or offers no CAM.
    static core::Ptr<CAMManager> get();
    core::Ptr<CAMLibraryManager> libraryManager() const;

private:
    std::shared_ptr<sim::detail::HostState> state;
};

} // namespace adsk::cam

#pragma once
// Writes into the host's local tool libraries: create, replace and merge a
// library from a tool-library document, keep the holder library up to date,
// and correct the thread-mill values the document cannot carry. Each writer
// reports failure as false with one sentence for the user in `error`; the
// host stores every library in one step, so a failed write leaves the old
// library as it was.

#include "addin/FusionLibraries.h"
#include "library/ImportRequest.h"

#include "CAM/CAMAll.h"
#include "Core/CoreAll.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Corvana {

using ThreadMillFixes = std::map<std::string, ThreadMillFix>;

// URL of the first library in the local folder named exactly `name`, or null.
adsk::core::Ptr<adsk::core::URL> findLibrary(const LibraryAccess& access, const std::string& name);

// False also when the libraries cannot be reached.
bool libraryExists(const std::string& name);

// The three writers share the import pipeline's writer shape; the unit names
// (one per tool) are not needed by any of them.
bool createLibrary(const std::string& json, const std::vector<std::string>& unitNames, const ThreadMillFixes& fixes,
                   const std::string& name, std::string& error);

// Updates the named library in place, or creates it when there is none.
bool replaceLibrary(const std::string& json, const std::vector<std::string>& unitNames, const ThreadMillFixes& fixes,
                    const std::string& name, std::string& error);

struct MergeCounters {
    std::int32_t added = 0;
    std::int32_t present = 0;
    std::vector<std::int32_t> addedPositions;  // positions of the added tools in the new document
};

// Appends to the named library the tools it does not hold yet (creating it
// when there is none) and counts what was added and what was already there.
bool mergeIntoLibrary(const std::string& json, const std::vector<std::string>& unitNames,
                      const ThreadMillFixes& fixes, const std::string& name, std::string& error,
                      MergeCounters& counters);

// Adds to the holder library (creating it when needed) each holder it does not
// hold yet, known by description and geometry. An empty document does nothing.
bool updateHolderLibrary(const std::string& holderJson, const std::string& name, std::string& error);

// Sets the tooth count and spindle direction of the thread mills of the
// library at `url` whose identifiers the fixes name, and stores the library
// when anything changed. Failures are not reported: the library stays as written.
void applyThreadMillFixes(const LibraryAccess& access, const adsk::core::Ptr<adsk::core::URL>& url,
                          const ThreadMillFixes& fixes);

} // namespace Corvana

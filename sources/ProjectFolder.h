#pragma once
// Reads a PowerMill project folder: one ".pmlprj" entity index that lists the
// project's entities, and one ".pmlent" file per tool entity.

#include "sources/ToolModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvana {

struct ProjectIndex {
    bool ok = false;
    std::string indexPath;              // UTF-8
    std::int32_t toolEntityCount = 0;   // tool entity lines after line 1
    std::string error;                  // one sentence for the user when !ok
};

struct IndexEntry {
    std::string fileStem;  // the entity file's name without ".pmlent"
};

// Checks that the UTF-8 `folder` holds exactly one recognizable entity index
// and counts its tool entities; the result says why when it does not.
ProjectIndex loadProjectIndex(const std::string& folder);

// The tool entity lines of the index in file order; nullopt when the index
// cannot be read.
std::optional<std::vector<IndexEntry>> readIndexEntries(const std::string& indexPath);

// Every listed tool entity, one tool each, in index order, with sourceKind
// "Project" and the entry's stem as entityName. All or nothing: a missing,
// unreadable or unsafe entity, or one not yielding exactly one kept tool,
// gives an empty list. `progress` follows the readers' protocol with the
// number of entries as total.
std::vector<ToolModel> readProjectFolder(const std::string& folder, const ToolProgressFn& progress = {});

} // namespace Corvana

#pragma once
// Reads any PowerMill source the command line accepts into tool records.

#include "sources/ToolModel.h"

#include <string>
#include <vector>

namespace Corvana {

enum class SourceKind { Template, ProjectFolder, ProjectArchive, Database, Session, Unsupported };

struct LoadedSource {
    bool ok = false;
    std::string message;            // one sentence when !ok
    std::string notice;             // one sentence about a partial read, for standard error
    SourceKind kind = SourceKind::Unsupported;
    bool withPresetNames = true;    // false for tool databases
    std::vector<ToolModel> tools;
};

SourceKind sourceKindOf(const std::string& path);

// Reads and classifies the tools of the source; `progress` follows the readers' protocol.
LoadedSource loadSource(const std::string& path, const ToolProgressFn& progress);

// Running session `session` when it is 0 or more, otherwise the file or folder at `path`.
LoadedSource loadSourceOrSession(const std::string& path, int session, const ToolProgressFn& progress);

} // namespace Corvana

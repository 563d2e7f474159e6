#pragma once
// What the add-in keeps between palette requests: the tool list of each
// source and the record of the last source read. Touched on the main thread,
// or by a parse's worker while that parse's handler pumps.

#include "sources/ToolModel.h"

#include <string>
#include <vector>

namespace Corvana {

struct LastSourceInfo {
    std::string type;
    std::string path;
    std::string projectName;
    std::string pmVersion;
};

std::vector<ToolModel>& ptfTools();        // templates, project folders and archives
std::vector<ToolModel>& mdbTools();        // tool databases
std::vector<ToolModel>& pmSessionTools();  // a PowerMill session
LastSourceInfo& lastSourceInfo();

// Records `type` and `path` and empties the rest of the record.
void setLastSource(const std::string& type, const std::string& path);

} // namespace Corvana

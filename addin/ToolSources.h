#pragma once
// The palette's tool sources, each described once: the session list its
// parses fill, the default library name, the page words of its parses and
// the infix of its five library actions. A new source is one description
// here, its reader, and the handler that starts the reader.

#include "sources/ToolModel.h"

#include <vector>

namespace Corvana {

struct ToolSource {
    std::vector<ToolModel>& (*tools)();  // the session list the source's parses replace
    const char* defaultLibraryName;      // for a request without a library name
    // Library actions: IMPORT_<infix>TOOLS, ANALYZE_<infix>LIBRARY,
    // REPLACE_<infix>LIBRARY, MERGE_<infix>LIBRARY, EXPORT_<infix>TOOLS_JSON.
    const char* actionInfix;
    const char* beginWord;   // progress: the number of tools to come
    const char* toolWord;    // progress: one tool's summary
    const char* parseReply;  // the answer to a parse; empty when the reader's own step answers
    bool summaryPresetNames; // tool summaries name their presets
};

const ToolSource& fileSource();      // templates, project folders and archives
const ToolSource& databaseSource();  // tool databases
const ToolSource& sessionSource();    // a running PowerMill

} // namespace Corvana

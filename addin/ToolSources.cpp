#include "addin/ToolSources.h"

#include "addin/SessionState.h"
#include "library/ImportRequest.h"

namespace Corvana {

const ToolSource& fileSource() {
    static const ToolSource source{ptfTools, kPowerMillLibraryName, "", "PARSE_BEGIN", "PARSE_TOOL",
                                   "REPLY_PARSE_PTF", true};
    return source;
}

// Database presets are named per material, so their summaries list no preset names.
const ToolSource& databaseSource() {
    static const ToolSource source{mdbTools, kDatabaseLibraryName, "MDB_", "PARSE_BEGIN", "PARSE_TOOL",
                                   "REPLY_PARSE_MDB", false};
    return source;
}

// A session open answers with its own outcome messages from the worker.
const ToolSource& sessionSource() {
    static const ToolSource source{pmSessionTools, kPowerMillLibraryName, "PM_", "PM_BEGIN", "PM_TOOL", "", true};
    return source;
}

} // namespace Corvana

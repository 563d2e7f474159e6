#pragma once
// The one routine behind every write into the host's libraries and behind
// the JSON export: the tools are prepared on a worker while the page and a
// progress dialog show progress, the document goes to a writer on the main
// thread, the holder library is updated, and exactly one reply is sent.

#include "library/ImportRequest.h"
#include "sources/ToolModel.h"

#include "Core/CoreAll.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Corvana {

// (document, unit name per tool, thread-mill fixes, library name, error out).
using LibraryWriter =
    std::function<bool(const std::string& json, const std::vector<std::string>& unitNames,
                       const std::map<std::string, ThreadMillFix>& fixes, const std::string& libraryName,
                       std::string& error)>;
// (success, tool count, writer error) to the reply's message.
using ImportMessageBuilder = std::function<std::string(bool success, unsigned count, const std::string& error)>;
// Text spliced into the reply object after "message", starting with a comma.
using ReplyExtraFields = std::function<std::string()>;

// Runs on the main thread and replies with `replyAction`:
// {"success":...,"count":N,"message":...} plus the extra fields. Without
// tools, when preparing fails, or while another pipeline is running it
// replies {"success":false,"message":...} and writes nothing.
void runImportPipeline(std::vector<ToolModel> tools, const SimplifyOpts& simplify, const std::string& libraryName,
                       const std::string& verbPhrase, adsk::core::UserInterface* ui, const LibraryWriter& writer,
                       const ImportMessageBuilder& messageBuilder, const ReplyExtraFields& extraFields,
                       const std::string& replyAction);

// The prepared tools (in their own units) and library name of the last run
// that got as far as writing, for the diagnostics bundle.
const std::vector<ToolModel>& lastImportTools();
const std::string& lastImportLibrary();

} // namespace Corvana

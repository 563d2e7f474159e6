#pragma once
// The one way a reader runs for the palette: on a worker while the main
// thread pumps, each kept tool classified and posted to the page as it is
// read, the result replacing the source's tool list.

#include "Core/CoreAll.h"
#include "addin/BackgroundJob.h"
#include "addin/ToolSources.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Corvana {

// Reads the tools of a file or folder path, reporting through the progress function.
using ToolFileReader = std::function<std::vector<ToolModel>(const std::string& path, const ToolProgressFn& progress)>;

// True while any parse runs.
bool isParseRunning();
// True while a parse's worker may be replacing the list of `source`;
// readers of that list must not run meanwhile.
bool isBeingRead(const ToolSource& source);

// While a parse runs, a parse requested from inside its pump is refused with
// `replyAction` and a failed, empty reply, so pumps never nest; true then.
bool refuseWhileParsing(adsk::core::UserInterface* ui, const char* replyAction);

// Marks `source` as being read for the lifetime of the scope.
class SourceReadScope {
public:
    explicit SourceReadScope(const ToolSource& source);
    ~SourceReadScope();
    SourceReadScope(const SourceReadScope&) = delete;
    SourceReadScope& operator=(const SourceReadScope&) = delete;
};

// Runs `reader` on a worker while pumping (`onMessage` and `onTick` go to
// the pump). The page gets the source's begin word with the total and its
// tool word with each kept tool's summary, the tool classified first. The
// tools replace the source's list before the worker signals done; a reader
// that throws empties the list, and true is returned then.
bool readIntoSource(const ToolSource& source, adsk::core::UserInterface* ui, const std::string& path,
                    const ToolFileReader& reader, JobMessageFn onMessage = {}, JobTickFn onTick = {});

// A reader that also posts messages of its own (status words, its outcome) to its job.
using ToolJobReader = std::function<std::vector<ToolModel>(BackgroundJob& job, const ToolProgressFn& progress)>;

// readIntoSource for a reader that talks to its job. The caller makes the job,
// so that its pump callbacks can reach it too.
bool readIntoSource(const ToolSource& source, adsk::core::UserInterface* ui, const std::shared_ptr<BackgroundJob>& job,
                    const ToolJobReader& reader, JobMessageFn onMessage = {}, JobTickFn onTick = {});

// {"cancelled":false,"filePath":...,"count":<tools in the list>} with
// ,"error":"parse_failed" when failed, as the source's parse reply.
void sendParseReply(const ToolSource& source, adsk::core::UserInterface* ui, const std::string& replyPath,
                    bool failed);
// {"cancelled":true,"count":0,"filePath":""}: no source was chosen.
void sendCancelledParse(adsk::core::UserInterface* ui, const char* replyAction);

// The whole parse of a source read from one path: refusal while another
// parse runs, the last-source record (`sourceType`, `path`), the read and the reply.
void runSourceParse(const ToolSource& source, const std::string& sourceType, const std::string& path,
                    adsk::core::UserInterface* ui, const ToolFileReader& reader);

} // namespace Corvana

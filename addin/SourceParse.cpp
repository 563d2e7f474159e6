#include "addin/SourceParse.h"

#include "addin/PaletteBridge.h"
#include "addin/SessionState.h"
#include "convert/Classification.h"
#include "convert/ToolSummary.h"
#include "sources/JsonText.h"

#include <memory>
#include <thread>
#include <utility>

namespace Corvana {
namespace {

const ToolSource* sourceBeingRead = nullptr;

// Posts the begin word for the announced total and the tool word per kept
// tool, which the hook classifies on the worker before it is posted.
ToolProgressFn progressPoster(const ToolSource& source, const std::shared_ptr<BackgroundJob>& job) {
    return classifyingProgress([&source, job](std::int32_t index, std::int32_t total, const ToolModel* tool) {
        if (index == 0) {
            postJobMessage(*job, source.beginWord, "{\"total\":" + std::to_string(total) + "}");
            return;
        }
        if (tool)
            postJobMessage(*job, source.toolWord, buildToolSummaryJson(*tool, index - 1, source.summaryPresetNames));
    });
}

} // namespace

bool isParseRunning() { return sourceBeingRead != nullptr; }

bool isBeingRead(const ToolSource& source) { return sourceBeingRead == &source; }

bool refuseWhileParsing(adsk::core::UserInterface* ui, const char* replyAction) {
    if (!isParseRunning()) return false;
    sendToPalette(ui, replyAction, "{\"cancelled\":false,\"filePath\":\"\",\"count\":0,\"error\":\"parse_failed\"}");
    return true;
}

SourceReadScope::SourceReadScope(const ToolSource& source) { sourceBeingRead = &source; }

SourceReadScope::~SourceReadScope() { sourceBeingRead = nullptr; }

bool readIntoSource(const ToolSource& source, adsk::core::UserInterface* ui, const std::string& path,
                    const ToolFileReader& reader, JobMessageFn onMessage, JobTickFn onTick) {
    const ToolJobReader fromPath = [path, reader](BackgroundJob&, const ToolProgressFn& progress) {
        return reader(path, progress);
    };
    return readIntoSource(source, ui, std::make_shared<BackgroundJob>(), fromPath, std::move(onMessage),
                          std::move(onTick));
}

bool readIntoSource(const ToolSource& source, adsk::core::UserInterface* ui, const std::shared_ptr<BackgroundJob>& job,
                    const ToolJobReader& reader, JobMessageFn onMessage, JobTickFn onTick) {
    // Shared with the worker, so the flag outlives whichever side ends last.
    const auto failed = std::make_shared<bool>(false);
    std::thread worker = startJobWorker(
        job,
        [&source, job, reader]() {
            std::vector<ToolModel> tools = reader(*job, progressPoster(source, job));
            source.tools() = std::move(tools);
        },
        [&source, failed]() {
            source.tools().clear();
            *failed = true;
        });
    pumpUntilDone(ui, job, worker, std::move(onMessage), std::move(onTick));
    return *failed;
}

void sendParseReply(const ToolSource& source, adsk::core::UserInterface* ui, const std::string& replyPath,
                    bool failed) {
    std::string reply = "{\"cancelled\":false,\"filePath\":" + quoteJsonText(replyPath) +
                        ",\"count\":" + std::to_string(source.tools().size());
    if (failed) reply += ",\"error\":\"parse_failed\"";
    sendToPalette(ui, source.parseReply, reply + "}");
}

void sendCancelledParse(adsk::core::UserInterface* ui, const char* replyAction) {
    sendToPalette(ui, replyAction, "{\"cancelled\":true,\"count\":0,\"filePath\":\"\"}");
}

void runSourceParse(const ToolSource& source, const std::string& sourceType, const std::string& path,
                    adsk::core::UserInterface* ui, const ToolFileReader& reader) {
    if (refuseWhileParsing(ui, source.parseReply)) return;
    const SourceReadScope reading(source);
    setLastSource(sourceType, path);
    const bool failed = readIntoSource(source, ui, path, reader);
    sendParseReply(source, ui, path, failed);
}

} // namespace Corvana

#include "tests/addin/AddinTestSupport.h"

#include "addin/ActionTable.h"
#include "addin/HostRequests.h"
#include "addin/SessionState.h"
#include "convert/Classification.h"
#include "platform/TimeScale.h"
#include "tests/support/JsonCheck.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace Corvana::Testing {

void HostTest::SetUp() {
    // The 16 ms pump runs twenty times faster; the constant itself is untouched.
    setTimeScale(0.05);
    ::setenv("APPDATA", "C:\\Users\\Test User\\AppData\\Roaming", 1);
    ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    host = std::make_unique<adsk::sim::SimHost>(folder.file("libraries"));
    setUrlOpener(&opener);
    ptfTools().clear();
    lastSourceInfo() = {};
}

void HostTest::TearDown() {
    stop("");
    setUrlOpener(nullptr);
    host.reset();
}

void HostTest::send(const std::string& action, const std::string& data) {
    host->sendFromPage(mainPaletteId, action, data);
}

void HostTest::browse(const std::string& action, const StringList& paths, const std::string& data) {
    for (const auto& path : paths) host->queueDialogOk(path), send(action, data);
}

StringList HostTest::boxes() const {
    StringList shown;
    for (const auto& box : host->messageBoxes()) shown.push_back(box.title + ": " + box.text);
    return shown;
}

StringList HostTest::sentLines() const {
    StringList lines;
    for (const auto& message : host->sentMessages()) {
        parseJsonOrFail(message.data);
        lines.push_back(message.action + " " + message.data);
    }
    return lines;
}

StringList HostTest::sentActions() const {
    StringList actions;
    for (const auto& message : host->sentMessages()) actions.push_back(message.action);
    return actions;
}

std::vector<nlohmann::json> HostTest::repliesTo(const std::string& action) const {
    std::vector<nlohmann::json> replies;
    for (const auto& message : host->sentMessages())
        if (message.action == action) replies.push_back(parseJsonOrFail(message.data));
    return replies;
}

std::string HostTest::mainPaletteUrl() const {
    const auto palette = host->palette(mainPaletteId);
    return palette ? palette->htmlFileURL : "(no palette)";
}

nlohmann::json parseReply(const std::string& path, int count, bool failed) {
    nlohmann::json reply = {{"cancelled", false}, {"filePath", path}, {"count", count}};
    if (failed) reply["error"] = "parse_failed";
    return reply;
}

ToolFileReader afterPageMessages(adsk::sim::SimHost& host, ToolFileReader reader) {
    return [&host, reader](const std::string& file, const ToolProgressFn& progress) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (host.pendingEvents() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return reader(file, progress);
    };
}

void AddinTest::SetUp() {
    HostTest::SetUp();
    ASSERT_TRUE(run(""));
    host->clearRecords();
}

void AddinTest::TearDown() {
    sentLines();  // every text the add-in sent must be JSON
    // Process-wide settings outlive stop; the next test starts from the defaults.
    const auto app = host->application();
    const auto ui = app->userInterface();
    dispatchAction("SET_UTILITY_RUNNING", "{}", app.get(), ui.get());
    dispatchAction("SET_THEME_MODE", "{}", app.get(), ui.get());
    dispatchAction("SET_OPAQUE_MODE", "{\"opaque\":true}", app.get(), ui.get());
    dispatchAction("SET_HOLDER_DESTINATION", "{\"mode\":2,\"libName\":\"PowerMill Holders\"}", app.get(), ui.get());
    dispatchAction("SET_POLY_TOLERANCE", "{\"tolInch\":0.0005}", app.get(), ui.get());
    resetMaterialDefaults();
    EXPECT_TRUE(host->offMainThreadCalls().empty()) << "workers must not call the host";
    HostTest::TearDown();
}

} // namespace Corvana::Testing

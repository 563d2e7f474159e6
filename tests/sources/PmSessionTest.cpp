// The PowerMill session link against real pmsim processes: discovery, the
// session description, tool extraction compared with the disk reader and
// without XML, the macro texts PowerMill receives, start-up and load
// time-outs, and partial loads when PowerMill ends or stops answering during
// an extraction.

#include "convert/Classification.h"
#include "convert/LibraryJson.h"
#include "platform/TimeScale.h"
#include "platform/linux/MachineRegistry.h"
#include "sources/JsonText.h"
#include "sources/ProjectFolder.h"
#include "sources/ScratchDir.h"
#include "sources/pmsession/PmOpen.h"
#include "sources/pmsession/PmSessions.h"
#include "tests/sources/ZipTestArchives.h"
#include "tests/support/PmSimProcess.h"
#include "tests/support/PtfWriter.h"

#include <gtest/gtest.h>

#include <thread>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Testing::PmSimEnvironment;
using Testing::PmSimProcess;

const std::string exampleProject = std::string(CORVANA_SOURCE_DIR) + "/examples/example-project";

class PmSessionTest : public testing::Test {
protected:
    void SetUp() override { setTimeScale(0.05); }
    void TearDown() override {
        pmSessionState().cache.clear();
        pmSessionState().launched.reset();
        pmSessionState().launchedPid.store(0);
        pmSessionState().openInProgress.store(false);
    }
    PmSimEnvironment environment;
};

std::vector<ToolModel> extractAll(const PmSession& session, bool isMetric) {
    return extractSessionTools(session, isMetric, 0.0005, classifyingProgress({}), {});
}

PmSession onlySession() {
    const auto objects = runningAutomationObjects();
    return objects.size() == 1 ? objects.front() : nullptr;
}

std::string describe(const PmSessionEntry& e) {
    return e.projectName + "|" + e.pmVersion + "|" + std::to_string(e.toolCount) + (e.isMetric ? "|mm" : "|in");
}

TEST_F(PmSessionTest, InstalledReleaseYearFromTheRegistry) {
    const std::string lm = "HKEY_LOCAL_MACHINE\\SOFTWARE\\";
    const struct {
        std::vector<std::string> keys;
        int year;
    } cases[] = {
        {{}, 0},
        {{"HKEY_CLASSES_ROOT\\PowerMILL.Application"}, 1},
        {{lm + "WOW6432Node\\Autodesk\\PowerMill 2025", lm + "Autodesk\\PowerMill 2022"}, 2022},
        {{"hkey_local_machine\\software\\autodesk\\powermill 2019\\Settings"}, 2019},
        {{lm + "Autodesk\\PowerMill 2017"}, 0},
    };
    for (const auto& c : cases) {
        std::vector<MachineRegistry::Entry> entries;
        for (const auto& key : c.keys) entries.push_back({key, std::nullopt});
        ASSERT_TRUE(MachineRegistry::writeEntries(entries));
        EXPECT_EQ(detectInstalledPmYear(), c.year) << testing::PrintToString(c.keys);
    }
}

TEST_F(PmSessionTest, SessionsAreListedDescribedAndStaleEntriesRemoved) {
    ASSERT_EQ(environment.install({"--year", "2024"}), 0);
    PmSimProcess withProject(environment, {"--project", exampleProject, "--version", "2024.1.0.6"});
    PmSimProcess empty(environment, {"--units", "inches", "--version", "2023.2.0"});
    PmSimProcess starting(environment, {"--startup-delay", "60"});
    Testing::writeText(environment.tableFolder() / "0000000000000001-999999999.sock", "");

    std::vector<std::string> listed;
    for (const auto& entry : listPmSessions()) listed.push_back(describe(entry));
    EXPECT_EQ(listed, (std::vector<std::string>{"example-project|2024.1.0 (6)|10|mm", "Unsaved project|2023.2.0|0|in"}))
        << "the session still starting is not listed";
    EXPECT_EQ(pmSessionState().cache.size(), 2u);
    EXPECT_EQ(environment.tableEntries().size(), 3u) << "the stale entry is removed";

    // The add-in's own PowerMill is not offered while its id is known.
    pmSessionState().launchedPid.store(static_cast<std::uint32_t>(withProject.pid()));
    const auto withoutOwn = listPmSessions();
    ASSERT_EQ(withoutOwn.size(), 1u);
    EXPECT_EQ(describe(withoutOwn[0]), listed[1]);
}

// Holders come from the outlines PowerMill exports, yet the library equals the one read from disk.
TEST_F(PmSessionTest, ExtractionMatchesTheDiskReader) {
    PmSimProcess powerMill(environment, {"--project", exampleProject});
    auto fromSession = extractAll(onlySession(), true);
    for (ToolModel& tool : fromSession) tool.sourceKind = "Project";  // the vendor text names the source
    const auto fromDisk = readProjectFolder(exampleProject, classifyingProgress({}));
    EXPECT_EQ(buildToolLibraryJson(fromSession, "Compared", {}, LibraryJsonMode::ToolsAndHolders),
              buildToolLibraryJson(fromDisk, "Compared", {}, LibraryJsonMode::ToolsAndHolders));
}

TEST_F(PmSessionTest, WithoutXmlTheFallbacksAnswer) {
    PmSimProcess powerMill(environment, {"--project", exampleProject, "--empty-xml"});
    const auto fromSession = extractAll(onlySession(), true);
    const auto fromDisk = readProjectFolder(exampleProject);
    ASSERT_EQ(fromSession.size(), fromDisk.size());
    for (std::size_t i = 0; i < fromDisk.size(); ++i) {
        const ToolModel& a = fromSession[i];
        const ToolModel& b = fromDisk[i];
        EXPECT_EQ(std::tie(a.entityName, a.type, a.number, a.holderName, a.coolant, a.material, a.numFlutes),
                  std::tie(b.entityName, b.type, b.number, b.holderName, b.coolant, b.material, b.numFlutes));
        EXPECT_EQ(std::tie(a.diameter, a.length, a.overhang, a.taperAngle, a.pitch, a.tipRadiusCentreX),
                  std::tie(b.diameter, b.length, b.overhang, b.taperAngle, b.pitch, b.tipRadiusCentreX));
        EXPECT_EQ(a.presets.size(), b.presets.size());
        EXPECT_EQ(a.shankSegments.size(), b.shankSegments.size()) << a.name;
        // Only what has no single-parameter expression is lost.
        EXPECT_TRUE(a.description.empty() && a.tags.empty() && a.tipRadius == 0 && a.barrelRadius == 0);
    }
}

TEST_F(PmSessionTest, MacroTextsQuotePathsAndNamesSafely) {
    const fs::path project = environment.folder() / "jobs\\2024" / "project";
    Testing::writeProjectFolder(project,
                                "# Entity Index\n0\n" + Testing::toolEntityLine("t1") + Testing::toolEntityLine("t2"),
                                {{"t1", Testing::PtfWriter().addTool("O'Brien").data},
                                 {"t2", Testing::PtfWriter().addTool("Line\nBreak").data}});
    const fs::path log = environment.folder() / "pm.log";
    ASSERT_EQ(environment.install({"--year", "2024", "--", "--log", log.string()}), 0);

    PmSessionInfo info;
    std::string error;
    PmSession session = launchPmAndOpen(project.string(), info, error, {});
    ASSERT_TRUE(session) << error;
    EXPECT_TRUE(info.launchedByAddin && pmSessionState().launchedPid.load() == info.pid);
    const auto tools = extractAll(session, info.isMetric);
    ASSERT_EQ(tools.size(), 1u) << "the name with a line break is skipped";
    EXPECT_TRUE(tools[0].name == "O'Brien" && tools[0].rawHolderProfile && !tools[0].holderSegments.empty());
    EXPECT_EQ(openProjectInSession(session, "/tmp/a\"b", error, {}, 1), false);
    EXPECT_EQ(error, kPmUnsafePathText);

    pmSessionState().launched = std::move(session);
    pmSessionState().openInProgress.store(true);
    closeLaunchedPmSession();
    EXPECT_TRUE(pmSessionState().launched) << "an open in progress keeps PowerMill";
    pmSessionState().openInProgress.store(false);
    closeLaunchedPmSession();
    EXPECT_TRUE(!pmSessionState().launched && Testing::processGone(static_cast<pid_t>(info.pid)));

    const std::string text = Testing::readText(log);
    const std::string scratch = ensurePmTempDir().path;
    for (const std::string& expected : std::vector<std::string>{
             "DELETE ALL\\r YES\nUNITS MM\nPROJECT READONLY OPEN \"" + environment.folder().string() +
                 "/jobs\\\\2024/project\"\n",
             "$to_xml(entity('tool','O''Brien'))\n", "ACTIVATE TOOL 'O''Brien'\n",
             "EXPORT TOOLHOLDER ; FILESAVE '" + scratch + "/hpic_", "EDIT PATTERN ; ARCFIT\\r 0.012700\n",
             "DIALOGS MESSAGE OFF\nDIALOGS ERROR OFF\nEXIT\n"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    EXPECT_TRUE(text.find("Break") == std::string::npos && text.find("a\"b") == std::string::npos);
}

TEST_F(PmSessionTest, LaunchOutcomes) {
    const fs::path archive = environment.folder() / "Job12.pmlprjz";
    Testing::zipFolder(exampleProject, archive);
    const fs::path emptyProject = environment.folder() / "empty";
    Testing::writeProjectFolder(emptyProject, "# Entity Index\n0\n");
    const struct {
        std::vector<std::string> install;
        std::string path;
        std::string error;  // empty: opens
    } cases[] = {
        {{"--year", "2024"}, archive.string(), ""},
        {{"--uninstall"}, archive.string(), kPmNotInstalledText},
        {{"--year", "2024"}, emptyProject.string(), kPmLoadTimeoutText},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(environment.install(c.install), 0);
        PmSessionInfo info;
        std::string error;
        const PmSession session = launchPmAndOpen(c.path, info, error, {});
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(session != nullptr, c.error.empty());
        if (session) {
            // Ended as the watchdog ends it, the server leaves no zombie behind.
            EXPECT_TRUE(terminateProcess(info.pid, 1));
            EXPECT_TRUE(Testing::processGone(static_cast<pid_t>(info.pid)));
        }
    }
    // Every PowerMill started here ends once nothing holds it any more.
    for (int i = 0; i < 250 && !runningAutomationObjects().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(runningAutomationObjects().empty());
}

struct PartialCase {
    int exitAfter;     // pmsim ends after serving this tool (0: never)
    bool endAtBegin;   // the test ends pmsim before the first tool
    int timeOutAfter;  // the watchdog flag is set after this many tools (-1: never)
    std::string action;
    std::string reason;
    std::size_t count;
};

TEST_F(PmSessionTest, EndedOrSilentSessionsGivePartialLoads) {
    const PartialCase cases[] = {
        {3, false, -1, "REPLY_PM_LOADED", "session_lost", 3},
        {0, true, -1, "REPLY_PM_ERROR", "session_lost", 0},
        {0, false, 0, "REPLY_PM_ERROR", "timeout", 0},
        {0, false, -1, "REPLY_PM_LOADED", "", 10},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"--project", exampleProject};
        if (c.exitAfter > 0) arguments.insert(arguments.end(), {"--exit-after", std::to_string(c.exitAfter)});
        PmSimProcess powerMill(environment, arguments);
        PmOpenRequest request;
        request.type = "live";
        const PmSession session = onlySession();
        readPmProjectInfo(session, request.liveInfo);
        request.handoff = handOffAutomationObject(session);
        std::atomic<bool> timedOut{c.timeOutAfter == 0};
        std::vector<std::pair<std::string, std::string>> posted;
        PmOpenHooks hooks;
        hooks.post = [&](const std::string& action, const std::string& data) { posted.emplace_back(action, data); };
        hooks.timedOut = &timedOut;
        hooks.progress = [&](std::int32_t index, std::int32_t, ToolModel*) {
            if (index == 0 && c.endAtBegin) powerMill.terminate();
            if (index == c.timeOutAfter) timedOut.store(true);
        };
        const auto tools = runPmOpen(request, hooks);
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted.back().first, c.action) << posted.back().second;
        const std::string& data = posted.back().second;
        EXPECT_EQ(readJsonString(data, c.action == "REPLY_PM_ERROR" ? "reason" : "partialReason"), c.reason) << data;
        EXPECT_EQ(tools.size(), c.count);
        EXPECT_EQ(readJsonNumber(data, "count", 0), static_cast<double>(c.count));
    }
}

} // namespace
} // namespace Corvana

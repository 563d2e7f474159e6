// What the add-in relies on from the host beyond single calls: custom events
// fired by workers wait for the main thread's doEvents, host calls made off the
// main thread are recorded, a workspace switch destroys every palette, and an
// unanswered dialog asks the page server's prompt.

#include "adsk/sim/SimHost.h"

#include "Core/CoreAll.h"
#include "Core/Utils.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace Corvana {
namespace {

using namespace adsk::core;
using adsk::sim::DialogKind;
using adsk::sim::SimHost;

struct RecordingCustomHandler : CustomEventHandler {
    void notify(const Ptr<CustomEventArgs>& eventArgs) override {
        infos.push_back(eventArgs->additionalInfo());
        threads.push_back(std::this_thread::get_id());
        if (refire) Application::get()->fireCustomEvent("Done", "again");
    }
    std::vector<std::string> infos;
    std::vector<std::thread::id> threads;
    bool refire = false;
};

TEST(CustomEventTest, WorkerFiresAndOnlyDoEventsDeliversOnTheCallingThread) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto app = Application::get();
    const auto event = app->registerCustomEvent("Done");
    ASSERT_TRUE(event);
    RecordingCustomHandler handler;
    event->add(&handler);
    std::thread worker([] { Application::get()->fireCustomEvent("Done", "1"); });
    worker.join();
    EXPECT_TRUE(handler.infos.empty()) << "firing only queues";
    EXPECT_TRUE(host.offMainThreadCalls().empty()) << "firing is allowed on workers";

    // A handler that fires again is served by the next doEvents, not this one.
    handler.refire = true;
    adsk::doEvents();
    EXPECT_EQ(handler.infos, std::vector<std::string>{"1"});
    EXPECT_EQ(handler.threads, std::vector<std::thread::id>{std::this_thread::get_id()});
    // Events still queued when the id is unregistered are dropped.
    EXPECT_TRUE(app->unregisterCustomEvent("Done"));
    EXPECT_FALSE(app->fireCustomEvent("Done", "after"));
    adsk::doEvents();
    EXPECT_EQ(handler.infos.size(), 1u);
}

struct WorkspaceHandler : WorkspaceEventHandler {
    void notify(const Ptr<WorkspaceEventArgs>&) override {
        palettesSeen.push_back(Application::get()->userInterface()->palettes()->count());
    }
    std::vector<std::size_t> palettesSeen;
};

TEST(HostChecksTest, WorkerCallsAreRecordedAndWorkspaceSwitchDestroysPalettes) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    const auto palette = ui->palettes()->add("Main", "Corvana", "index.html", true, true, true);
    std::thread worker([&] {
        palette->sendInfoToHTML("PARSE_TOOL", "{}");
        Application::log("from a worker");
    });
    worker.join();
    EXPECT_EQ(host.offMainThreadCalls(), (std::vector<std::string>{"Palette::sendInfoToHTML", "Application::log"}));

    WorkspaceHandler handler;
    EXPECT_TRUE(ui->workspaceActivated()->add(&handler));
    host.activateWorkspace("CAMEnvironment");
    EXPECT_EQ(handler.palettesSeen, std::vector<std::size_t>{0}) << "palettes are gone before the event";
    EXPECT_FALSE(palette->isValid());
    host.activateWorkspace("CAMEnvironment");
    EXPECT_EQ(handler.palettesSeen.size(), 1u) << "the active workspace is not activated again";
}

TEST(DialogTest, UnansweredDialogsAskThePromptWhichMayQueueTheAnswer) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    std::vector<DialogKind> asked;
    host.setDialogPrompt([&](const adsk::sim::DialogShown& request) {
        asked.push_back(request.kind);
        if (request.kind == DialogKind::Save) host.queueDialogOk("/out/lib.json");
    });
    const auto save = ui->createFileDialog();
    EXPECT_EQ(save->showSave(), DialogOK);
    EXPECT_EQ(save->filename(), "/out/lib.json");
    EXPECT_EQ(ui->createFolderDialog()->showDialog(), DialogCancel) << "the prompt queued nothing";
    EXPECT_EQ(asked, (std::vector<DialogKind>{DialogKind::Save, DialogKind::Folder}));
}

} // namespace
} // namespace Corvana

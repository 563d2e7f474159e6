// What the add-in relies on from the host beyond single calls: custom events
// fired by workers wait for the main thread's doEvents, host calls made off the
// main thread are recorded, and a workspace switch destroys every palette.

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

class RecordingCustomHandler : public CustomEventHandler {
public:
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
    EXPECT_FALSE(app->registerCustomEvent("Done")) << "ids are unique";
    RecordingCustomHandler handler;
    event->add(&handler);

    std::vector<bool> fired;
    std::thread worker([&] {
        fired.push_back(Application::get()->fireCustomEvent("Done", "1"));
        fired.push_back(Application::get()->fireCustomEvent("Done", "2"));
        fired.push_back(Application::get()->fireCustomEvent("Unknown", "{}"));
    });
    worker.join();
    EXPECT_EQ(fired, (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(handler.infos.empty()) << "firing only queues";
    EXPECT_TRUE(host.offMainThreadCalls().empty()) << "firing is allowed on workers";

    // A handler that fires again is served by the next doEvents, not this one.
    handler.refire = true;
    adsk::doEvents();
    EXPECT_EQ(handler.infos, (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(handler.threads, std::vector<std::thread::id>(2, std::this_thread::get_id()));
    EXPECT_EQ(host.pendingEvents(), 2u);

    // Events still queued when the id is unregistered are dropped.
    EXPECT_TRUE(app->unregisterCustomEvent("Done"));
    EXPECT_FALSE(app->fireCustomEvent("Done", "after"));
    adsk::doEvents();
    EXPECT_EQ(handler.infos.size(), 2u);
    EXPECT_EQ(host.pendingEvents(), 0u);
}

class WorkspaceHandler : public WorkspaceEventHandler {
public:
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
    std::vector<adsk::sim::DialogShown> asked;
    host.setDialogPrompt([&](const adsk::sim::DialogShown& request) {
        asked.push_back(request);
        if (request.kind == DialogKind::Save) host.queueDialogOk("/out/lib.json");
    });
    host.queueDialogOk("/queued.ptf");
    const auto save = ui->createFileDialog();
    save->initialFilename("Mills.json");
    EXPECT_EQ(save->showOpen(), DialogOK) << "a queued answer needs no prompt";
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(save->showSave(), DialogOK);
    EXPECT_EQ(save->filename(), "/out/lib.json");
    EXPECT_EQ(ui->createFolderDialog()->showDialog(), DialogCancel) << "the prompt queued nothing";
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].initialFilename, "Mills.json");
    EXPECT_EQ(asked[1].kind, DialogKind::Folder);
    host.setDialogPrompt(nullptr);
    EXPECT_EQ(save->showOpen(), DialogCancel);
    EXPECT_EQ(asked.size(), 2u);
}

} // namespace
} // namespace Corvana

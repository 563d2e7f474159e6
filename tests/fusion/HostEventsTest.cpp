#include "adsk/sim/SimHost.h"

#include "Core/CoreAll.h"
#include "Core/Utils.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace Corvana {
namespace {

using namespace adsk::core;
using adsk::sim::DialogKind;
using adsk::sim::ProgressAction;
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

TEST(CustomEventTest, WorkerFiresAndDoEventsDeliversOnCallingThread) {
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
        const auto workerApp = Application::get();
        fired.push_back(workerApp->fireCustomEvent("Done", "{\"id\":1,\"ok\":true,\"err\":\"\"}"));
        fired.push_back(workerApp->fireCustomEvent("Done", "{\"id\":2,\"ok\":false,\"err\":\"x\"}"));
        fired.push_back(workerApp->fireCustomEvent("Unknown", "{}"));
    });
    worker.join();
    EXPECT_EQ(fired, (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(handler.infos.empty()) << "firing only queues";
    EXPECT_TRUE(host.offMainThreadCalls().empty()) << "firing is allowed on workers";

    adsk::doEvents();
    ASSERT_EQ(handler.infos.size(), 2u);
    EXPECT_EQ(handler.infos[0], "{\"id\":1,\"ok\":true,\"err\":\"\"}");
    EXPECT_EQ(handler.threads, std::vector<std::thread::id>(2, std::this_thread::get_id()));

    // An event fired before unregistering is dropped, and later firings fail.
    app->fireCustomEvent("Done", "late");
    EXPECT_TRUE(app->unregisterCustomEvent("Done"));
    EXPECT_FALSE(app->unregisterCustomEvent("Done"));
    EXPECT_FALSE(app->fireCustomEvent("Done", "after"));
    adsk::doEvents();
    EXPECT_EQ(handler.infos.size(), 2u);
    EXPECT_TRUE(app->registerCustomEvent("Done")) << "the id is free again";
}

TEST(CustomEventTest, DoEventsDeliversOnlyWhatWasPendingOnEntry) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto event = host.application()->registerCustomEvent("Done");
    RecordingCustomHandler handler;
    handler.refire = true;
    event->add(&handler);
    host.application()->fireCustomEvent("Done", "first");
    adsk::doEvents();
    EXPECT_EQ(handler.infos, std::vector<std::string>{"first"});
    EXPECT_EQ(host.pendingEvents(), 1u);
    event->remove(&handler);
    adsk::doEvents();
    EXPECT_EQ(handler.infos.size(), 1u);
    EXPECT_EQ(host.pendingEvents(), 0u);
}

// Queue order, cancel answers and message boxes reach the page in HostProgramTest;
// these are the details the page never sees.
TEST(DialogTest, CancelledAndUnansweredDialogsNameNothingAndAreRecorded) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    host.queueDialogOk(std::vector<std::string>{"/data/a.mdb", "/data/b.mdb"});
    host.queueDialogCancel();
    const auto open = ui->createFileDialog();
    open->title("Select PowerMill Template File");
    EXPECT_EQ(open->showOpen(), DialogOK);
    EXPECT_EQ(open->filenames(), std::vector<std::string>{"/data/a.mdb"}) << "single selection";
    EXPECT_EQ(open->showOpen(), DialogCancel);
    EXPECT_EQ(open->filename(), "") << "a cancelled dialog names no file";
    EXPECT_EQ(ui->createFolderDialog()->showDialog(), DialogCancel) << "nothing queued";
    const auto shown = host.dialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, "Select PowerMill Template File");
    EXPECT_EQ(shown[2].kind, DialogKind::Folder);
    EXPECT_EQ(ui->messageBox("Continue?", "", YesNoButtonType, QuestionIconType), DialogYes);
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

TEST(ProgressDialogTest, RecordsEveryStepWithTheShownText) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto dialog = host.application()->userInterface()->createProgressDialog();
    EXPECT_TRUE(dialog->show("Corvana", "Preparing... (%v of %m, %p%)", 0, 4));
    dialog->progressValue(dialog->progressValue() + 1);
    host.application()->userInterface()->createProgressDialog()->show("Corvana", "%v", 0, 0);
    const auto steps = host.progressSteps();
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[1].action, ProgressAction::Value);
    EXPECT_EQ(steps[1].text, "Preparing... (1 of 4, 25%)");
    EXPECT_EQ(steps[2].dialog, 1);
    EXPECT_EQ(steps[2].text, "0");
}

TEST(HostFactsTest, MissingPartsOfTheHostReadAsNull) {
    Testing::TempDir folder;
    {
        SimHost host(folder.path());
        const auto app = Application::get();
        EXPECT_FALSE(app->activeDocument()->products()->itemByProductType("NoSuchProductType"));
        host.signOut();
        host.closeDocument();
        host.closeViewport();
        host.setUserInterfaceAvailable(false);
        EXPECT_FALSE(app->currentUser());
        EXPECT_FALSE(app->activeDocument());
        EXPECT_FALSE(app->activeViewport());
        EXPECT_FALSE(app->userInterface());
        Application::log("written to the file", ErrorLogLevel, FileLogType);
        ASSERT_EQ(host.logLines().size(), 1u);
        EXPECT_EQ(host.logLines()[0].level, ErrorLogLevel);
        EXPECT_EQ(host.logLines()[0].type, FileLogType);
    }
    EXPECT_FALSE(Application::get()) << "no host, no application";
    Application::log("dropped");
}

TEST(HostObserverTest, SeesRecordsInOrderAndWorkerCallsAreRecorded) {
    Testing::TempDir folder;
    std::vector<std::string> seen;
    Ptr<Palette> palette;
    {
        SimHost host(folder.path());
        palette = host.application()->userInterface()->palettes()->add("Main", "C", "i.html", true, true, true);
        host.setObserver([&](const adsk::sim::HostRecord& record) {
            // Calling back into the host from the observer must not deadlock.
            const auto count = host.sentMessages().size();
            if (const auto* message = std::get_if<adsk::sim::PaletteMessage>(&record))
                seen.push_back(message->action + (message->paletteVisible ? "" : " (hidden)") + " #" +
                               std::to_string(count));
            else if (const auto* line = std::get_if<adsk::sim::LogLine>(&record))
                seen.push_back("log " + line->message);
        });
        palette->sendInfoToHTML("FIRST", "{}");
        std::thread worker([&] {
            palette->sendInfoToHTML("PARSE_TOOL", "{}");
            Application::log("from a worker");
        });
        worker.join();
        EXPECT_EQ(host.offMainThreadCalls(),
                  (std::vector<std::string>{"Palette::sendInfoToHTML", "Application::log"}));
        host.clickPaletteClose("Main");
        palette->sendInfoToHTML("WHILE_HIDDEN", "{}");
        host.setObserver(nullptr);
        Application::log("unobserved");
        host.setObserver([&](const adsk::sim::HostRecord&) { seen.push_back("after the host ended"); });
    }
    palette->sendInfoToHTML("LATE", "{}");
    EXPECT_EQ(seen, (std::vector<std::string>{"FIRST #1", "PARSE_TOOL #2", "log from a worker",
                                              "WHILE_HIDDEN (hidden) #3"}));
}

} // namespace
} // namespace Corvana

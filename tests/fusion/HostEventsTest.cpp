#include "adsk/sim/SimHost.h"

#include "Core/CoreAll.h"
#include "Core/Utils.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    ASSERT_EQ(app, host.application());
    const auto event = app->registerCustomEvent("Done");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->eventId(), "Done");
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
    EXPECT_EQ(handler.threads[0], std::this_thread::get_id());
    EXPECT_EQ(handler.threads[1], std::this_thread::get_id());

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

TEST(DialogTest, AnswersComeFromTheQueueAndDefaultToCancel) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    host.queueDialogOk("/data/tools.ptf");
    host.queueDialogCancel();
    host.queueDialogOk(std::vector<std::string>{"/data/a.mdb", "/data/b.mdb"});
    host.queueDialogOk("/export/Mills.json");
    host.queueDialogOk("/projects/Job1");

    const auto open = ui->createFileDialog();
    open->title("Select PowerMill Template File");
    open->filter("PowerMill Templates (*.ptf)");
    EXPECT_EQ(open->showOpen(), DialogOK);
    EXPECT_EQ(open->filename(), "/data/tools.ptf");
    EXPECT_EQ(open->showOpen(), DialogCancel);
    EXPECT_EQ(open->filename(), "") << "a cancelled dialog names no file";
    EXPECT_EQ(open->showOpen(), DialogOK);
    EXPECT_EQ(open->filenames(), std::vector<std::string>{"/data/a.mdb"}) << "single selection";

    const auto save = ui->createFileDialog();
    save->initialFilename("Mills.json");
    EXPECT_EQ(save->showSave(), DialogOK);
    EXPECT_EQ(save->filename(), "/export/Mills.json");

    const auto folderDialog = ui->createFolderDialog();
    EXPECT_EQ(folderDialog->showDialog(), DialogOK);
    EXPECT_EQ(folderDialog->folder(), "/projects/Job1");
    EXPECT_EQ(host.pendingDialogAnswers(), 0u);
    EXPECT_EQ(folderDialog->showDialog(), DialogCancel) << "nothing queued";
    EXPECT_EQ(ui->createFileDialog()->showSave(), DialogCancel);

    const auto shown = host.dialogs();
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[0].kind, DialogKind::Open);
    EXPECT_EQ(shown[0].title, "Select PowerMill Template File");
    EXPECT_EQ(shown[0].filter, "PowerMill Templates (*.ptf)");
    EXPECT_EQ(shown[1].result, DialogCancel);
    EXPECT_EQ(shown[3].kind, DialogKind::Save);
    EXPECT_EQ(shown[3].initialFilename, "Mills.json");
    EXPECT_EQ(shown[4].kind, DialogKind::Folder);
    EXPECT_EQ(shown[6].result, DialogCancel);

    EXPECT_EQ(ui->messageBox("Unsupported file type.", "Tool Library Import"), DialogOK);
    EXPECT_EQ(ui->messageBox("Continue?", "", YesNoButtonType, QuestionIconType), DialogYes);
    const auto boxes = host.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Unsupported file type.");
    EXPECT_EQ(boxes[0].title, "Tool Library Import");
    EXPECT_EQ(boxes[1].icon, QuestionIconType);
}

TEST(ProgressDialogTest, RecordsEveryStepWithTheShownText) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto dialog = host.application()->userInterface()->createProgressDialog();
    EXPECT_FALSE(dialog->isCancelButtonShown());
    dialog->isCancelButtonShown(false);
    EXPECT_TRUE(dialog->show("Corvana", "Preparing... (%v of %m, %p%)", 0, 4));
    EXPECT_TRUE(dialog->isShowing());
    dialog->progressValue(std::min(dialog->progressValue() + 1, 4));
    dialog->message("Writing the tool library into Fusion, please wait...");
    dialog->hide();
    EXPECT_FALSE(dialog->isShowing());
    EXPECT_FALSE(dialog->wasCancelled());
    const auto second = host.application()->userInterface()->createProgressDialog();
    second->show("Corvana", "%v", 0, 0);

    const auto steps = host.progressSteps();
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[0].action, ProgressAction::CancelButton);
    EXPECT_EQ(steps[1].action, ProgressAction::Show);
    EXPECT_EQ(steps[1].text, "Preparing... (0 of 4, 0%)");
    EXPECT_TRUE(steps[1].showing);
    EXPECT_FALSE(steps[1].cancelButtonShown);
    EXPECT_EQ(steps[2].action, ProgressAction::Value);
    EXPECT_EQ(steps[2].text, "Preparing... (1 of 4, 25%)");
    EXPECT_EQ(steps[3].text, "Writing the tool library into Fusion, please wait...");
    EXPECT_EQ(steps[4].action, ProgressAction::Hide);
    EXPECT_FALSE(steps[4].showing);
    EXPECT_EQ(steps[5].dialog, 1);
    EXPECT_EQ(steps[5].text, "0");
}

TEST(HostFactsTest, ApplicationReportsWhatTheTestSets) {
    Testing::TempDir folder;
    {
        SimHost host(folder.path());
        const auto app = Application::get();
        host.setVersion("2.0.21508");
        host.setUser("Ada Lovelace", "ada@example.com");
        host.setUserLanguage(FrenchLanguage);
        host.setUserInterfaceTheme(DarkBlueUserInterfaceTheme);
        host.setLightingEnvironment(RiverRubiconLightingEnvironment);
        host.setDocumentLengthUnits("in");
        host.setViewportSize(1200, 812);
        EXPECT_EQ(app->version(), "2.0.21508");
        EXPECT_EQ(app->currentUser()->displayName(), "Ada Lovelace");
        EXPECT_EQ(app->currentUser()->email(), "ada@example.com");
        EXPECT_EQ(app->preferences()->generalPreferences()->userLanguage(), FrenchLanguage);
        EXPECT_EQ(app->preferences()->generalPreferences()->userInterfaceTheme(), DarkBlueUserInterfaceTheme);
        EXPECT_EQ(app->lightingEnvironment(), RiverRubiconLightingEnvironment);
        const auto product = app->activeDocument()->products()->itemByProductType("CAMProductType");
        ASSERT_TRUE(product);
        EXPECT_EQ(product->unitsManager()->defaultLengthUnits(), "in");
        EXPECT_FALSE(app->activeDocument()->products()->itemByProductType("NoSuchProductType"));
        EXPECT_EQ(app->activeViewport()->height(), 812);

        host.signOut();
        host.closeDocument();
        host.closeViewport();
        host.setUserInterfaceAvailable(false);
        EXPECT_FALSE(app->currentUser());
        EXPECT_FALSE(app->activeDocument());
        EXPECT_FALSE(app->activeViewport());
        EXPECT_FALSE(app->userInterface());

        Application::log("[CVN diag] new=1 matching=0 removed=0 existingTools=3", InfoLogLevel, ConsoleLogType);
        Application::log("written to the file", ErrorLogLevel, FileLogType);
        const auto lines = host.logLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].message, "[CVN diag] new=1 matching=0 removed=0 existingTools=3");
        EXPECT_EQ(lines[0].level, InfoLogLevel);
        EXPECT_EQ(lines[1].type, FileLogType);
    }
    EXPECT_FALSE(Application::get()) << "no host, no application";
    Application::log("dropped");
}

TEST(HostFactsTest, HostCallsFromWorkersAreRecorded) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto palette = host.application()->userInterface()->palettes()->add("Main", "C", "i.html", true, true, true);
    std::thread worker([&] {
        palette->sendInfoToHTML("PARSE_TOOL", "{}");
        Application::log("from a worker");
    });
    worker.join();
    EXPECT_EQ(host.offMainThreadCalls(),
              (std::vector<std::string>{"Palette::sendInfoToHTML", "Application::log"}));
}

TEST(HostObserverTest, SeesEveryRecordInOrderUntilRemovedOrTheHostEnds) {
    Testing::TempDir folder;
    std::vector<std::string> seen;
    Ptr<Palette> palette;
    {
        SimHost host(folder.path());
        const auto ui = host.application()->userInterface();
        palette = ui->palettes()->add("Main", "C", "i.html", true, true, true);
        host.setObserver([&](const adsk::sim::HostRecord& record) {
            // Calling back into the host from the observer must not deadlock.
            const auto count = host.sentMessages().size();
            if (const auto* message = std::get_if<adsk::sim::PaletteMessage>(&record))
                seen.push_back(message->action + (message->paletteVisible ? "" : " (hidden)") + " #" +
                               std::to_string(count));
            else if (const auto* line = std::get_if<adsk::sim::LogLine>(&record))
                seen.push_back("log " + line->message);
            else if (const auto* box = std::get_if<adsk::sim::MessageBoxShown>(&record))
                seen.push_back("box " + box->text);
            else if (const auto* step = std::get_if<adsk::sim::ProgressStep>(&record))
                seen.push_back("progress " + step->text);
            else if (std::holds_alternative<adsk::sim::DialogShown>(record))
                seen.push_back("dialog");
        });
        palette->sendInfoToHTML("FIRST", "{}");
        ui->messageBox("Careful", "Title");
        ui->createProgressDialog()->show("Corvana", "%v of %m", 0, 3);
        ui->createFileDialog()->showOpen();
        std::thread worker([&] { Application::log("from a worker"); });
        worker.join();
        host.clickPaletteClose("Main");
        palette->sendInfoToHTML("WHILE_HIDDEN", "{}");
        host.setObserver(nullptr);
        Application::log("unobserved");
        host.setObserver([&](const adsk::sim::HostRecord&) { seen.push_back("after the host ended"); });
    }
    palette->sendInfoToHTML("LATE", "{}");
    EXPECT_EQ(seen, (std::vector<std::string>{"FIRST #1", "box Careful", "progress 0 of 3", "dialog",
                                              "log from a worker", "WHILE_HIDDEN (hidden) #2"}));
}

} // namespace
} // namespace Corvana

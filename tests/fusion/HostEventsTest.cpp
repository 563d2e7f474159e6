// What the add-in and the page server rely on from the host beyond single
// calls: host calls made off the main thread are recorded, and an unanswered
// dialog asks the page server's prompt.

#include "adsk/sim/SimHost.h"

#include "Core/CoreAll.h"
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

// The add-in tests fail on any host call a worker makes, so the record must see them.
TEST(HostChecksTest, WorkerCallsAreRecorded) {
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

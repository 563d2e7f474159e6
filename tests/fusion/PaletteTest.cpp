#include "adsk/sim/SimHost.h"

#include "Core/CoreAll.h"
#include "Core/Utils.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace Corvana {
namespace {

using namespace adsk::core;
using adsk::sim::SimHost;

class RecordingHtmlHandler : public HTMLEventHandler {
public:
    void notify(const Ptr<HTMLEventArgs>& eventArgs) override {
        received.push_back(eventArgs->action() + "|" + eventArgs->data());
        if (!reply.empty()) eventArgs->returnData(reply);
        if (onNotify) onNotify();
    }
    std::vector<std::string> received;
    std::string reply;
    std::function<void()> onNotify;
};

class CountingClosedHandler : public UserInterfaceGeneralEventHandler {
public:
    void notify(const Ptr<UserInterfaceGeneralEventArgs>&) override { ++count; }
    int count = 0;
};

class WorkspaceHandler : public WorkspaceEventHandler {
public:
    void notify(const Ptr<WorkspaceEventArgs>&) override {
        palettesSeen.push_back(Application::get()->userInterface()->palettes()->count());
    }
    std::vector<std::size_t> palettesSeen;
};

class ExecuteHandler : public CommandEventHandler {
public:
    void notify(const Ptr<CommandEventArgs>&) override { ++count; }
    int count = 0;
};

class CreatedHandler : public CommandCreatedEventHandler {
public:
    void notify(const Ptr<CommandCreatedEventArgs>& eventArgs) override {
        ++count;
        eventArgs->command()->execute()->add(&execute);
    }
    int count = 0;
    ExecuteHandler execute;
};

Ptr<Palettes> palettesOf(const SimHost& host) {
    return host.application()->userInterface()->palettes();
}

TEST(PaletteTest, IdsAreUniqueUntilDeletedAndWindowSettingsApply) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto palettes = palettesOf(host);
    const auto palette = palettes->addTransparent("Main", "Corvana", "index.html", true, false, true, true, 360, 320);
    ASSERT_TRUE(palette);
    EXPECT_FALSE(palettes->add("Main", "Other", "x.html", true, true, true)) << "ids are unique";
    EXPECT_FALSE(palettes->add("", "No id", "x.html", true, true, true));
    EXPECT_EQ(palettes->itemById("Main"), palette);

    palette->dockingState(PaletteDockStateRight);
    EXPECT_TRUE(palette->setPosition(40, 60));
    EXPECT_EQ(palette->dockingState(), PaletteDockStateFloating) << "positioning undocks";
    EXPECT_TRUE(palette->setMinimumSize(400, 300));
    EXPECT_EQ(palette->width(), 400) << "grown to the new minimum";
    EXPECT_EQ(palette->height(), 320) << "already above the minimum";
    EXPECT_TRUE(palette->htmlFileURL("index.html?solo=documentation"));
    EXPECT_EQ(host.palette("Main")->htmlFileURL, "index.html?solo=documentation");

    EXPECT_TRUE(palette->deleteMe());
    EXPECT_FALSE(palette->isValid());
    EXPECT_FALSE(palette->deleteMe());
    EXPECT_FALSE(palette->isVisible(true)) << "a deleted palette takes no settings";
    EXPECT_EQ(palettes->count(), 0u);
    EXPECT_TRUE(palettes->add("Main", "Corvana", "index.html", true, true, true)) << "a deleted id is free again";
}

TEST(PaletteTest, RecordsMessagesWithVisibilityAtSendTime) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto palette = palettesOf(host)->add("Main", "Corvana", "index.html", true, true, true);

    EXPECT_EQ(palette->sendInfoToHTML("REPLY_ENV", "{\"envName\":\"Grey Room\"}"), "");
    palette->isVisible(false);
    palette->sendInfoToHTML("PARSE_TOOL", "{}");
    palette->deleteMe();
    palette->sendInfoToHTML("LOST", "{}");

    const auto messages = host.sentMessages();
    ASSERT_EQ(messages.size(), 2u) << "a deleted palette records nothing";
    EXPECT_EQ(messages[0].paletteId, "Main");
    EXPECT_EQ(messages[0].data, "{\"envName\":\"Grey Room\"}");
    EXPECT_TRUE(messages[0].paletteVisible);
    EXPECT_FALSE(messages[1].paletteVisible);
}

TEST(PaletteTest, PageMessagesReachHandlersUntilRemoved) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto palette = palettesOf(host)->add("Main", "Corvana", "index.html", true, true, true);
    RecordingHtmlHandler first;
    RecordingHtmlHandler second;
    first.reply = "ok";
    EXPECT_TRUE(palette->incomingFromHTML()->add(&first));
    EXPECT_FALSE(palette->incomingFromHTML()->add(&first)) << "no double subscription";
    EXPECT_FALSE(palette->incomingFromHTML()->add(nullptr));
    EXPECT_TRUE(palette->incomingFromHTML()->add(&second));

    EXPECT_EQ(host.sendFromPage("Main", "GET_MFG_UNITS", "{}"), "ok");
    EXPECT_EQ(first.received, std::vector<std::string>{"GET_MFG_UNITS|{}"});
    EXPECT_EQ(second.received.size(), 1u);
    EXPECT_FALSE(host.sendFromPage("Missing", "X", "").has_value());

    // A handler that removes a later one during the same firing stops its call.
    first.onNotify = [&] { palette->incomingFromHTML()->remove(&second); };
    host.sendFromPage("Main", "A", "1");
    EXPECT_EQ(second.received.size(), 1u);
    EXPECT_FALSE(palette->incomingFromHTML()->remove(&second));

    EXPECT_TRUE(palette->incomingFromHTML()->remove(&first));
    host.sendFromPage("Main", "B", "2");
    EXPECT_EQ(first.received.size(), 2u) << "removed handlers get nothing";

    // Queued page messages wait for doEvents and then arrive in order.
    palette->incomingFromHTML()->add(&first);
    first.onNotify = nullptr;
    host.queueFromPage("Main", "C", "3");
    host.queueFromPage("Main", "D", "4");
    EXPECT_EQ(host.pendingEvents(), 2u);
    adsk::doEvents();
    EXPECT_EQ(first.received, (std::vector<std::string>{"GET_MFG_UNITS|{}", "A|1", "C|3", "D|4"}));
}

TEST(PaletteTest, CloseButtonHidesAndFiresClosed) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto palette = palettesOf(host)->add("Main", "Corvana", "index.html", true, true, true);
    palettesOf(host)->add("Detached", "Tab", "index.html", true, false, true);
    CountingClosedHandler closed;
    palette->closed()->add(&closed);

    EXPECT_TRUE(host.clickPaletteClose("Main"));
    EXPECT_EQ(closed.count, 1);
    EXPECT_FALSE(palette->isVisible());
    EXPECT_TRUE(palette->isValid()) << "closing only hides";
    EXPECT_FALSE(host.clickPaletteClose("Main")) << "a hidden palette shows no close button";
    EXPECT_FALSE(host.clickPaletteClose("Detached")) << "created without a close button";

    palette->isVisible(true);
    palette->closed()->remove(&closed);
    EXPECT_TRUE(host.clickPaletteClose("Main"));
    EXPECT_EQ(closed.count, 1);
}

TEST(PaletteTest, WorkspaceSwitchDestroysPalettesBeforeActivatedFires) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    const auto palette = ui->palettes()->add("Main", "Corvana", "index.html", true, true, true);
    WorkspaceHandler handler;
    EXPECT_TRUE(ui->workspaceActivated()->add(&handler));

    host.activateWorkspace("CAMEnvironment");
    EXPECT_EQ(handler.palettesSeen, std::vector<std::size_t>{0});
    EXPECT_FALSE(palette->isValid());
    EXPECT_TRUE(host.paletteIds().empty());

    host.activateWorkspace("CAMEnvironment");
    EXPECT_EQ(handler.palettesSeen.size(), 1u) << "the active workspace is not activated again";
    ui->workspaceActivated()->remove(&handler);
    host.activateWorkspace("FusionSolidEnvironment");
    EXPECT_EQ(handler.palettesSeen.size(), 1u);
}

// Registration through run and stop is covered by the add-in's LifecycleTest.
TEST(CommandTest, BadDefinitionsAreRefusedAndEachClickMakesANewCommand) {
    Testing::TempDir folder;
    SimHost host(folder.path());
    const auto ui = host.application()->userInterface();
    const auto definitions = ui->commandDefinitions();
    const auto definition = definitions->addButtonDefinition("ShowCmd", "Corvana", "Open the palette");
    ASSERT_TRUE(definition);
    EXPECT_FALSE(definitions->addButtonDefinition("ShowCmd", "Again", ""));
    EXPECT_FALSE(definitions->addButtonDefinition("Show Cmd", "Blank", ""));
    EXPECT_FALSE(definitions->addButtonDefinition("", "Empty", ""));
    const auto panel = ui->allToolbarPanels()->itemById("CAMScriptsAddinsPanel");
    const auto other = definitions->addButtonDefinition("OtherCmd", "Other", "");
    ASSERT_TRUE(panel->controls()->addCommand(definition, "", true));
    EXPECT_TRUE(panel->controls()->addCommand(other, "ShowCmd", true));
    EXPECT_EQ(host.controlIds("CAMScriptsAddinsPanel"), (std::vector<std::string>{"OtherCmd", "ShowCmd"}));

    CreatedHandler created;
    definition->commandCreated()->add(&created);
    EXPECT_TRUE(host.executeCommand("ShowCmd"));
    EXPECT_TRUE(host.executeCommand("ShowCmd"));
    EXPECT_EQ(created.count, 2);
    EXPECT_EQ(created.execute.count, 2) << "each click makes a new command";
    EXPECT_TRUE(definition->deleteMe());
    EXPECT_FALSE(host.executeCommand("ShowCmd"));
}

} // namespace
} // namespace Corvana

#include "addin/Lifecycle.h"

#include "addin/ActionTable.h"
#include "addin/Appearance.h"
#include "addin/PaletteBridge.h"
#include "addin/PendingResults.h"
#include "addin/ServiceHandlers.h"
#include "platform/ModuleFile.h"
#include "sources/pmsession/PmSessions.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace Corvana {

// Adds the execute handler to each new command; the button never repeats.
class ShowPaletteCreatedHandler : public adsk::core::CommandCreatedEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs) override;
};

// Opens a closed palette, and re-creates a deleted one.
class ShowPaletteExecuteHandler : public adsk::core::CommandEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::CommandEventArgs>& eventArgs) override;
};

// The close button only hides the palette; replies to it are dropped until it is shown again.
class PaletteClosedEventHandler : public adsk::core::UserInterfaceGeneralEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::UserInterfaceGeneralEventArgs>&) override {}
};

// A workspace switch destroys every palette; this re-creates the main one.
class WorkspaceActivatedHandler : public adsk::core::WorkspaceEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::WorkspaceEventArgs>& eventArgs) override;

    adsk::core::Ptr<adsk::core::Application> app;
    adsk::core::Ptr<adsk::core::UserInterface> ui;
};

// Completes feedback and diagnostics mails from the pending-completion map.
class FeedbackDoneHandler : public adsk::core::CustomEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::CustomEventArgs>& eventArgs) override;
};

// Completes an update download: launches the verified installer and replies.
class UpdateDoneHandler : public adsk::core::CustomEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::CustomEventArgs>& eventArgs) override {
        if (eventArgs) completeUpdateFromEvent(eventArgs->additionalInfo());
    }
};

namespace {

constexpr std::array<const char*, 2> toolbarPanelIds = {"CAMScriptsAddinsPanel", "SolidScriptsAddinsPanel"};

// Process-wide state of the running add-in; the handler objects outlive
// every subscription, so the host never holds a dangling handler.
struct AddInState {
    adsk::core::Ptr<adsk::core::Application> app;
    adsk::core::Ptr<adsk::core::UserInterface> ui;
    adsk::core::Ptr<adsk::core::CustomEvent> feedbackDoneEvent;
    adsk::core::Ptr<adsk::core::CustomEvent> updateDoneEvent;
    ShowPaletteCreatedHandler createdHandler;
    ShowPaletteExecuteHandler executeHandler;
    PaletteClosedEventHandler closedHandler;
    WorkspaceActivatedHandler workspaceHandler;
    FeedbackDoneHandler feedbackDoneHandler;
    UpdateDoneHandler updateDoneHandler;
};

AddInState& addIn() {
    static AddInState state;
    return state;
}

// An update installer renames the library it replaces to "<library>.old";
// once the new library runs, the old one can go. Failure is harmless.
void removeReplacedLibrary() {
    const std::string modulePath = currentModulePath();
    if (modulePath.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(modulePath + ".old"), ignored);
}

adsk::core::Ptr<adsk::core::CustomEvent> registerEventWithHandler(adsk::core::Application& app, const char* eventId,
                                                                  adsk::core::CustomEventHandler& handler) {
    auto event = app.registerCustomEvent(eventId);
    if (event) event->add(&handler);
    return event;
}

void unregisterEventWithHandler(adsk::core::Application* app, adsk::core::Ptr<adsk::core::CustomEvent>& event,
                                const char* eventId, adsk::core::CustomEventHandler& handler) {
    if (event) event->remove(&handler);
    event.reset();
    if (app) app->unregisterCustomEvent(eventId);
}

// Replaces a definition left by a load that was not cleaned up.
adsk::core::Ptr<adsk::core::CommandDefinition> addShowPaletteCommand(adsk::core::CommandDefinitions& definitions) {
    if (const auto previous = definitions.itemById(showPaletteCommandId)) previous->deleteMe();
    auto definition =
        definitions.addButtonDefinition(showPaletteCommandId, "Corvana", "Open the Corvana palette", "");
    if (definition) definition->commandCreated()->add(&addIn().createdHandler);
    return definition;
}

void addToolbarControls(adsk::core::UserInterface& ui, const adsk::core::Ptr<adsk::core::CommandDefinition>& definition) {
    const auto panels = ui.allToolbarPanels();
    if (!panels) return;
    for (const char* panelId : toolbarPanelIds) {
        const auto panel = panels->itemById(panelId);
        if (!panel) continue;
        const auto controls = panel->controls();
        if (controls && !controls->itemById(showPaletteCommandId)) controls->addCommand(definition, "", true);
    }
}

void removeToolbarControls(adsk::core::UserInterface& ui) {
    const auto panels = ui.allToolbarPanels();
    if (!panels) return;
    for (const char* panelId : toolbarPanelIds) {
        const auto panel = panels->itemById(panelId);
        const auto controls = panel ? panel->controls() : nullptr;
        const auto control = controls ? controls->itemById(showPaletteCommandId) : nullptr;
        if (control) control->deleteMe();
    }
}

adsk::core::Ptr<adsk::core::Palette> addMainPalette(adsk::core::Palettes& palettes, const MainPaletteAddress& address) {
    if (address.opaque)
        return palettes.add(mainPaletteId, "Corvana", address.url, true, true, true, mainPaletteWidth,
                            mainPaletteHeight, true);
    return palettes.addTransparent(mainPaletteId, "Corvana", address.url, true, true, true, true, mainPaletteWidth,
                                   mainPaletteHeight);
}

} // namespace

void ShowPaletteCreatedHandler::notify(const adsk::core::Ptr<adsk::core::CommandCreatedEventArgs>& eventArgs) {
    runHostCallback("commandCreated", [&]() {
        const auto command = eventArgs ? eventArgs->command() : nullptr;
        if (!command) return;
        command->execute()->add(&addIn().executeHandler);
        command->isRepeatable(false);
    });
}

void ShowPaletteExecuteHandler::notify(const adsk::core::Ptr<adsk::core::CommandEventArgs>&) {
    runHostCallback("execute", []() {
        const AddInState& state = addIn();
        if (!isPaletteVisible(state.ui.get())) {
            createOrShowPalette(state.app, state.ui, true);
            return;
        }
        const auto palette = state.ui->palettes()->itemById(mainPaletteId);
        if (palette && palette->isValid()) palette->isVisible(true);
    });
}

void WorkspaceActivatedHandler::notify(const adsk::core::Ptr<adsk::core::WorkspaceEventArgs>&) {
    runHostCallback("workspaceActivated", [this]() {
        if (!app || !ui) return;
        const auto palettes = ui->palettes();
        const auto palette = palettes ? palettes->itemById(mainPaletteId) : nullptr;
        // A palette that exists but is hidden stays hidden.
        if (!palette || !palette->isValid()) createOrShowPalette(app, ui, opaqueMode());
    });
}

void FeedbackDoneHandler::notify(const adsk::core::Ptr<adsk::core::CustomEventArgs>& eventArgs) {
    runHostCallback("feedbackDone", [&]() {
        if (eventArgs) completePendingFromEvent(eventArgs->additionalInfo());
    });
}

const adsk::core::Ptr<adsk::core::Application>& heldApplication() { return addIn().app; }

const adsk::core::Ptr<adsk::core::UserInterface>& heldUserInterface() { return addIn().ui; }

void dockMainPalette(adsk::core::Application* app, const adsk::core::Ptr<adsk::core::Palette>& palette) {
    palette->dockingState(adsk::core::PaletteDockStateLeft);
    if (!palette->isValid() || !app) return;
    const auto viewport = app->activeViewport();
    if (viewport && viewport->height() > 0) palette->setSize(mainPaletteWidth, viewport->height());
}

bool createOrShowPalette(const adsk::core::Ptr<adsk::core::Application>& app,
                         const adsk::core::Ptr<adsk::core::UserInterface>& ui, bool opaque) {
    if (!ui) return false;
    clearLastEnvironmentState();
    const auto palettes = ui->palettes();
    if (!palettes) return false;
    if (const auto existing = palettes->itemById(mainPaletteId)) {
        if (!existing->isValid()) return false;
        existing->isVisible(true);
        return true;
    }
    const auto palette = addMainPalette(*palettes, mainPaletteAddress(app.get(), opaque));
    if (!palette) return false;
    PaletteHTMLEventHandler& messageHandler = paletteMessageHandler();
    messageHandler.app = app;
    messageHandler.ui = ui;
    palette->incomingFromHTML()->add(&messageHandler);
    palette->closed()->add(&addIn().closedHandler);
    dockMainPalette(app.get(), palette);
    return true;
}

void destroyPalettes(adsk::core::UserInterface* ui) {
    if (!ui) return;
    destroyDetachPalette(ui);
    destroyDocsPalette(ui);
    const auto palettes = ui->palettes();
    const auto palette = palettes ? palettes->itemById(mainPaletteId) : nullptr;
    if (!palette || !palette->isValid()) return;
    palette->closed()->remove(&addIn().closedHandler);
    palette->incomingFromHTML()->remove(&paletteMessageHandler());
    palette->deleteMe();
}

namespace {

bool startAddIn() {
    removeReplacedLibrary();
    AddInState& state = addIn();
    state.app = adsk::core::Application::get();
    if (!state.app) return false;
    state.ui = state.app->userInterface();
    if (!state.ui) return false;
    // Every handler exists before a palette can send its first message.
    fillActionTable();
    state.feedbackDoneEvent = registerEventWithHandler(*state.app, feedbackDoneEventId, state.feedbackDoneHandler);
    state.updateDoneEvent = registerEventWithHandler(*state.app, updateDoneEventId, state.updateDoneHandler);
    const auto definitions = state.ui->commandDefinitions();
    if (!definitions) return false;
    const auto definition = addShowPaletteCommand(*definitions);
    addToolbarControls(*state.ui, definition);
    createOrShowPalette(state.app, state.ui, true);
    state.workspaceHandler.app = state.app;
    state.workspaceHandler.ui = state.ui;
    state.ui->workspaceActivated()->add(&state.workspaceHandler);
    return true;
}

void stopAddIn() {
    AddInState& state = addIn();
    closeLaunchedPmSession();
    unregisterEventWithHandler(state.app.get(), state.feedbackDoneEvent, feedbackDoneEventId,
                               state.feedbackDoneHandler);
    clearPendingCompletions();
    unregisterEventWithHandler(state.app.get(), state.updateDoneEvent, updateDoneEventId, state.updateDoneHandler);
    updateAnswerUserInterface().reset();
    updateDownloadBusy().store(false);
    if (!state.ui) {
        state.app.reset();
        return;
    }
    state.ui->workspaceActivated()->remove(&state.workspaceHandler);
    state.workspaceHandler.app.reset();
    state.workspaceHandler.ui.reset();
    removeToolbarControls(*state.ui);
    if (const auto definitions = state.ui->commandDefinitions()) {
        if (const auto definition = definitions->itemById(showPaletteCommandId)) definition->deleteMe();
    }
    destroyPalettes(state.ui.get());
    // No palette is left to deliver messages, so the handlers let go of the host too.
    paletteMessageHandler().app.reset();
    paletteMessageHandler().ui.reset();
    docsPaletteClosedHandler().ui.reset();
    state.ui.reset();
    state.app.reset();
}

} // namespace
} // namespace Corvana

// An exception must not cross into the host, which would end the host itself.
extern "C" CORVANA_ADDIN_EXPORT bool run(const char* /*context*/) {
    try {
        return Corvana::startAddIn();
    } catch (...) {
        return false;
    }
}

extern "C" CORVANA_ADDIN_EXPORT bool stop(const char* /*context*/) {
    try {
        Corvana::stopAddIn();
    } catch (...) {
        // Stopping is best-effort; the host unloads the library either way.
    }
    return true;
}

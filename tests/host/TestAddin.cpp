// A small add-in module for the host program's tests. It does what the real
// add-in does through the host API (palettes, page messages, dialogs, message
// boxes, the log, progress dialogs, custom events fired by workers), each on
// a page request. Built three times: a working add-in, one whose run fails
// and one that exports no run.

#include "Core/CoreAll.h"
#include "Core/Utils.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#define TEST_ADDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace adsk::core;

constexpr const char* mainPaletteId = "CorvanaPaletteId";
constexpr const char* secondPaletteId = "SecondPaletteId";
constexpr const char* laterEventId = "TestAddinLater";

Ptr<Application> app;
Ptr<UserInterface> ui;
std::vector<std::thread> workers;

void sendTo(const char* paletteId, const std::string& action, const std::string& data) {
    const auto palette = ui->palettes()->itemById(paletteId);
    if (palette && palette->isValid()) palette->sendInfoToHTML(action, data);
}

std::string dialogReply(DialogResults result, const std::string& path) {
    return result == DialogOK ? "ok:" + path : "cancel";
}

// Host facts as one text: units, language, theme, UI theme, version, user.
std::string hostFacts() {
    std::string units = "none";
    if (const auto document = app->activeDocument())
        units = document->products()->itemByProductType("CAMProductType")->unitsManager()->defaultLengthUnits();
    const auto preferences = app->preferences()->generalPreferences();
    const auto user = app->currentUser();
    return units + ";" + std::to_string(preferences->userLanguage()) + ";" +
           std::to_string(app->lightingEnvironment()) + ";" + std::to_string(preferences->userInterfaceTheme()) +
           ";" + app->version() + ";" + (user ? user->displayName() + " <" + user->email() + ">" : "signed out");
}

void showProgress(const std::string& data) {
    const auto dialog = ui->createProgressDialog();
    dialog->show("Test", data + " %v/%m", 0, 2);
    sendTo(mainPaletteId, "PROGRESS_SHOWN", data);
    dialog->progressValue(1);
    dialog->message("Halfway %v/%m");
    Application::log("between");
    dialog->hide();
}

void handle(const std::string& action, const std::string& data) {
    if (action == "ECHO") return sendTo(mainPaletteId, "REPLY_ECHO", data);
    if (action == "ECHO_SECOND") return sendTo(secondPaletteId, "REPLY_ECHO", data);
    if (action == "ECHO_BYTES") return sendTo(mainPaletteId, "REPLY_BYTES", data + "\xff\xfe");
    if (action == "LOG") return Application::log(data);
    if (action == "MESSAGE_BOX") {
        ui->messageBox(data, "Test Add-in");
        return sendTo(mainPaletteId, "REPLY_MESSAGE_BOX", data);
    }
    if (action == "PRINT") {
        std::printf("stray output from the add-in\n");
        std::fflush(stdout);
        return;
    }
    if (action == "OPEN_FILE" || action == "SAVE_FILE") {
        const auto dialog = ui->createFileDialog();
        const auto result = action == "OPEN_FILE" ? dialog->showOpen() : dialog->showSave();
        return sendTo(mainPaletteId, "REPLY_" + action, dialogReply(result, dialog->filename()));
    }
    if (action == "PICK_FOLDER") {
        const auto dialog = ui->createFolderDialog();
        const auto result = dialog->showDialog();
        return sendTo(mainPaletteId, "REPLY_PICK_FOLDER", dialogReply(result, dialog->folder()));
    }
    if (action == "FACTS") return sendTo(mainPaletteId, "REPLY_FACTS", hostFacts());
    if (action == "PROGRESS") return showProgress(data);
    if (action == "LATER") {
        // A worker hands its result back through a custom event, as the real add-in's mail jobs do.
        const auto delay = std::chrono::milliseconds(std::stoi(data));
        workers.emplace_back([delay] {
            std::this_thread::sleep_for(delay);
            Application::get()->fireCustomEvent(laterEventId, "late");
        });
    }
}

struct PageHandler : HTMLEventHandler {
    void notify(const Ptr<HTMLEventArgs>& eventArgs) override { handle(eventArgs->action(), eventArgs->data()); }
} pageHandler;

struct ClosedHandler : UserInterfaceGeneralEventHandler {
    void notify(const Ptr<UserInterfaceGeneralEventArgs>&) override { Application::log("palette closed"); }
} closedHandler;

struct LaterHandler : CustomEventHandler {
    void notify(const Ptr<CustomEventArgs>& eventArgs) override {
        sendTo(mainPaletteId, "REPLY_LATER", eventArgs->additionalInfo());
    }
} laterHandler;

[[maybe_unused]] bool start(const char* context) {
    app = Application::get();
    ui = app ? app->userInterface() : nullptr;
    if (!ui) return false;
    Application::log(std::string("run(") + context + ")");
    if (const auto event = app->registerCustomEvent(laterEventId)) event->add(&laterHandler);
    const auto palette = ui->palettes()->add(mainPaletteId, "Corvana", "index.html", true, true, true, 490, 580);
    if (!palette) return false;
    palette->incomingFromHTML()->add(&pageHandler);
    palette->closed()->add(&closedHandler);
    return static_cast<bool>(ui->palettes()->add(secondPaletteId, "Second", "second.html", true, true, true));
}

} // namespace

#ifndef TEST_ADDIN_WITHOUT_RUN
TEST_ADDIN_EXPORT bool run(const char* context) {
#ifdef TEST_ADDIN_RUN_FAILS
    (void)context;
    return false;
#else
    return start(context);
#endif
}
#endif

TEST_ADDIN_EXPORT bool stop(const char* context) {
    if (!app) return true;
    Application::log(std::string("stop(") + context + ")");
    for (auto& worker : workers) worker.join();
    workers.clear();
    app->unregisterCustomEvent(laterEventId);
    if (ui) {
        for (const char* id : {mainPaletteId, secondPaletteId}) {
            const auto palette = ui->palettes()->itemById(id);
            if (!palette) continue;
            palette->incomingFromHTML()->remove(&pageHandler);
            palette->closed()->remove(&closedHandler);
            palette->deleteMe();
        }
    }
    ui = nullptr;
    app = nullptr;
    return true;
}

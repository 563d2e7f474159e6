#include "addin/PaletteBridge.h"

#include "addin/ActionTable.h"

#include <exception>

namespace Corvana {

void sendToPalette(adsk::core::UserInterface* ui, const std::string& action, const std::string& data) {
    if (!ui) return;
    const auto palettes = ui->palettes();
    if (!palettes) return;
    const auto palette = palettes->itemById(mainPaletteId);
    if (!palette || !palette->isValid() || !palette->isVisible()) return;
    // The page answers asynchronously; the immediate result carries nothing.
    palette->sendInfoToHTML(action, data);
}

bool isPaletteVisible(adsk::core::UserInterface* ui) {
    if (!ui) return false;
    const auto palettes = ui->palettes();
    if (!palettes) return false;
    const auto palette = palettes->itemById(mainPaletteId);
    return palette && palette->isValid() && palette->isVisible();
}

void PaletteHTMLEventHandler::notify(const adsk::core::Ptr<adsk::core::HTMLEventArgs>& eventArgs) {
    if (!eventArgs) return;
    const std::string action = eventArgs->action();
    const std::string data = eventArgs->data();
    // Local references keep both objects alive even when a nested stop
    // releases the fields while this handler is still pumping a job.
    const adsk::core::Ptr<adsk::core::Application> heldApp = app;
    const adsk::core::Ptr<adsk::core::UserInterface> heldUi = ui;
    runHostCallback(action, [&]() { dispatchAction(action, data, heldApp.get(), heldUi.get()); });
}

void runHostCallback(const std::string& what, const std::function<void()>& body) noexcept {
    try {
        try {
            body();
        } catch (const std::exception& error) {
            adsk::core::Application::log("Corvana: " + what + " failed: " + error.what(), adsk::core::ErrorLogLevel,
                                         adsk::core::FileLogType);
        } catch (...) {
            adsk::core::Application::log("Corvana: " + what + " failed.", adsk::core::ErrorLogLevel,
                                         adsk::core::FileLogType);
        }
    } catch (...) {
        // Even the log line could not be written; the host must still not see the failure.
    }
}

PaletteHTMLEventHandler& paletteMessageHandler() {
    static PaletteHTMLEventHandler handler;
    return handler;
}

} // namespace Corvana

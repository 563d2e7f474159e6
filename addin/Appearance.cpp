#include "addin/Appearance.h"

#include "addin/HostSettings.h"
#include "addin/Lifecycle.h"
#include "addin/PaletteBridge.h"
#include "platform/PalettePage.h"
#include "sources/JsonText.h"

#include <cmath>
#include <cstdint>

namespace Corvana {
namespace {

struct AppearanceState {
    std::string themeMode = "system";
    bool opaque = true;
    std::string lastEnvironmentState;
    std::string docsLanguage;
    std::string docsChapter;
    std::int64_t docsTop = 0;
};

AppearanceState& appearance() {
    static AppearanceState state;
    return state;
}

bool isNamedTheme(const std::string& mode) {
    return mode == "light" || mode == "darksky" || mode == "riverrubicon";
}

// The host's lighting environment: 0 dark sky, 1 to 4 light scenes, 5 river rubicon.
int environmentValue(adsk::core::Application* app) { return static_cast<int>(app->lightingEnvironment()); }

// A scroll position as an integer; values no position can have read as 0.
std::int64_t integerPart(double value) {
    if (!(std::fabs(value) < 9.0e18)) return 0;
    return static_cast<std::int64_t>(std::trunc(value));
}

adsk::core::Ptr<adsk::core::Palette> findPalette(adsk::core::UserInterface* ui, const char* id) {
    if (!ui) return nullptr;
    const auto palettes = ui->palettes();
    if (!palettes) return nullptr;
    return palettes->itemById(id);
}

std::string docsAddress(adsk::core::Application* app) {
    const AppearanceState& state = appearance();
    return palettePageAddress() + "?solo=documentation&theme=" + paletteTheme(app) + "&opaque=1&lang=" +
           percentEncode(state.docsLanguage) + "&chapter=" + percentEncode(state.docsChapter) +
           "&top=" + std::to_string(state.docsTop);
}

void readDocsPosition(const std::string& data) {
    appearance().docsChapter = readJsonString(data, "chapter");
    appearance().docsTop = integerPart(readJsonNumber(data, "top", 0));
}

// Removes the palettes and builds the main one again with the current opaque mode.
void recreateMainPalette(adsk::core::UserInterface* ui) {
    destroyPalettes(ui);
    createOrShowPalette(heldApplication(), heldUserInterface(), appearance().opaque);
}

} // namespace

const std::string& themeMode() { return appearance().themeMode; }

bool opaqueMode() { return appearance().opaque; }

std::string paletteTheme(adsk::core::Application* app) {
    if (isNamedTheme(appearance().themeMode)) return appearance().themeMode;
    if (!app) return "darksky";
    const int value = environmentValue(app);
    if (value == 0) return "darksky";
    if (value >= 1 && value <= 4) return "light";
    if (value == 5) return "riverrubicon";
    const auto preferences = app->preferences();
    const auto general = preferences ? preferences->generalPreferences() : nullptr;
    if (!general) return "darksky";
    return static_cast<int>(general->userInterfaceTheme()) < 2 ? "light" : "riverrubicon";
}

std::string environmentName(adsk::core::Application* app) {
    if (appearance().themeMode == "light") return "Always Light";
    if (!app) return "System Theme";
    switch (environmentValue(app)) {
    case 1: return "Grey Room";
    case 2: return "Photo Booth";
    case 3: return "Tranquility Blue";
    case 4: return "Infinity Pool";
    default: return "System Theme";
    }
}

std::string compactEnvironmentName(std::string_view name) {
    if (name == "Always Light") return "alwayslight";
    if (name == "Grey Room") return "greyroom";
    if (name == "Photo Booth") return "photobooth";
    if (name == "Tranquility Blue") return "tranquilityblue";
    if (name == "Infinity Pool") return "infinitypool";
    return "systemlight";
}

std::string percentEncode(std::string_view text) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved) {
            out += c;
            continue;
        }
        out += '%';
        out += hexDigits[byte >> 4];
        out += hexDigits[byte & 0x0F];
    }
    return out;
}

MainPaletteAddress mainPaletteAddress(adsk::core::Application* app, bool opaqueRequested) {
    const std::string theme = paletteTheme(app);
    MainPaletteAddress result;
    result.opaque = theme == "light" || opaqueRequested;
    std::string query = result.opaque ? "opaque=1&" : "";
    query += "theme=" + theme;
    if (theme == "light") query += "&envBlocked=" + compactEnvironmentName(environmentName(app));
    result.url = palettePageAddress() + "?" + query;
    return result;
}

void clearLastEnvironmentState() { appearance().lastEnvironmentState.clear(); }

void destroyDocsPalette(adsk::core::UserInterface* ui) {
    const auto palette = findPalette(ui, docsPaletteId);
    if (!palette || !palette->isValid()) return;
    palette->closed()->remove(&docsPaletteClosedHandler());
    palette->incomingFromHTML()->remove(&paletteMessageHandler());
    palette->deleteMe();
}

void destroyDetachPalette(adsk::core::UserInterface* ui) {
    const auto palette = findPalette(ui, detachPaletteId);
    if (!palette || !palette->isValid()) return;
    palette->incomingFromHTML()->remove(&paletteMessageHandler());
    palette->deleteMe();
}

void DocsPaletteClosedHandler::notify(const adsk::core::Ptr<adsk::core::UserInterfaceGeneralEventArgs>&) {
    runHostCallback("docsClosed", [this]() { sendToPalette(ui.get(), "REPLY_DOCS_CLOSED", "{}"); });
}

DocsPaletteClosedHandler& docsPaletteClosedHandler() {
    static DocsPaletteClosedHandler handler;
    return handler;
}

void onCheckEnv(const std::string&, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    const std::string theme = paletteTheme(app);
    const bool light = theme == "light";
    if (light && !appearance().opaque) {
        // The light theme cannot be shown transparent; the new page asks again.
        appearance().opaque = true;
        recreateMainPalette(ui);
        return;
    }
    const std::string environment = environmentName(app);
    const std::string state = theme + "|" + (light ? "1" : "0") + "|" + environment;
    if (state == appearance().lastEnvironmentState) return;
    appearance().lastEnvironmentState = state;
    const std::string lightText = light ? "true" : "false";
    sendToPalette(ui, "REPLY_ENV",
                  "{\"envBlocksTransparent\":" + lightText + ",\"envName\":" + quoteJsonText(environment) +
                      ",\"themeLight\":" + lightText + ",\"themeName\":" + quoteJsonText(theme) + "}");
}

void onSetThemeMode(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    std::string& mode = appearance().themeMode;
    if (data.find("\"light\"") != std::string::npos) mode = "light";
    else if (data.find("\"darksky\"") != std::string::npos) mode = "darksky";
    else if (data.find("\"riverrubicon\"") != std::string::npos) mode = "riverrubicon";
    else mode = "system";
    // The main page applies the theme itself; the documentation page is reloaded.
    const auto docs = findPalette(ui, docsPaletteId);
    if (docs && docs->isValid() && docs->isVisible()) docs->htmlFileURL(docsAddress(app));
}

void onSetOpaqueMode(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    if (isUtilityRunning()) return;
    if (data.find("true") != std::string::npos) {
        appearance().opaque = true;
        recreateMainPalette(ui);
        return;
    }
    if (paletteTheme(app) == "light") {
        sendToPalette(ui, "NOTIFY_ENV_BLOCKED", "{\"envName\":" + quoteJsonText(environmentName(app)) + "}");
        return;
    }
    appearance().opaque = false;
    recreateMainPalette(ui);
}

void onDocsDetach(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    if (!ui) return;
    destroyDocsPalette(ui);
    appearance().docsLanguage = readJsonString(data, "lang");
    readDocsPosition(data);
    const auto palettes = ui->palettes();
    if (!palettes) return;
    const std::string address = docsAddress(app);
    auto palette = palettes->add(docsPaletteId, "CVN Documentation", address, true, true, true, 460, 700, true);
    if (!palette) {
        palette = palettes->itemById(docsPaletteId);
        if (!palette || !palette->isValid()) return;
        palette->htmlFileURL(address);
        palette->isVisible(true);
    }
    palette->incomingFromHTML()->add(&paletteMessageHandler());
    docsPaletteClosedHandler().ui = heldUserInterface();
    palette->closed()->add(&docsPaletteClosedHandler());
    palette->dockingState(adsk::core::PaletteDockStateFloating);
    // A floating reading window: no docking, and never shrunk below a readable size.
    palette->dockingOption(adsk::core::PaletteDockOptionsNone);
    palette->setMinimumSize(360, 420);
}

void onDocsPos(const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
    readDocsPosition(data);
    sendToPalette(ui, "REPLY_DOCS_POS", data);
}

void onDocsReattach(const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
    sendToPalette(ui, "REPLY_DOCS_REATTACH", data);
}

void onDocsClose(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    destroyDocsPalette(ui);
}

void onGetDocsState(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    const auto docs = findPalette(ui, docsPaletteId);
    const bool detached = docs && docs->isValid() && docs->isVisible();
    sendToPalette(ui, "REPLY_DOCS_STATE", detached ? "{\"detached\":true}" : "{\"detached\":false}");
}

void onDetachTab(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    const std::string tab = readJsonString(data, "tab");
    const std::string seed = readJsonString(data, "seed");
    if (tab.empty() || !ui) return;
    destroyDetachPalette(ui);
    const auto palettes = ui->palettes();
    if (!palettes) return;
    const std::string address = palettePageAddress() + "?solo=" + tab + "&theme=" + paletteTheme(app) +
                                "&opaque=1&seed=" + percentEncode(seed);
    const auto palette = palettes->add(detachPaletteId, "Detached: " + tab, address, true, false, true, 360, 320, true);
    if (!palette) return;
    palette->incomingFromHTML()->add(&paletteMessageHandler());
    palette->dockingState(adsk::core::PaletteDockStateFloating);
}

void onRedockTab(const std::string& data, adsk::core::Application*, adsk::core::UserInterface* ui) {
    const std::string tab = readJsonString(data, "tab");
    const std::string text = readJsonString(data, "text");
    sendToPalette(ui, "TAB_REDOCKED",
                  "{\"tab\":" + quoteJsonText(tab) + ",\"state\":{\"text\":" + quoteJsonText(text) + "}}");
}

void onCloseDetach(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    destroyDetachPalette(ui);
}

} // namespace Corvana

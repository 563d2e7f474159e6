#include "addin/HostRequests.h"

#include "addin/FusionLibraries.h"
#include "addin/HostSettings.h"
#include "addin/Lifecycle.h"
#include "addin/PaletteBridge.h"
#include "convert/Classification.h"
#include "convert/Profiles.h"
#include "platform/AsciiText.h"
#include "platform/KeyValueStore.h"
#include "sources/JsonText.h"

#include <array>
#include <cmath>

namespace Corvana {
namespace {

Opener* replacementOpener = nullptr;

Opener& urlOpener() { return replacementOpener ? *replacementOpener : systemOpener(); }


// The length unit of the active document's manufacturing product; "in" when
// any step is missing.
std::string manufacturingUnit(adsk::core::Application* app) {
    if (!app) return "in";
    const auto document = app->activeDocument();
    const auto products = document ? document->products() : nullptr;
    const auto product = products ? products->itemByProductType("CAMProductType") : nullptr;
    const auto units = product ? product->unitsManager() : nullptr;
    return units && units->defaultLengthUnits() == "mm" ? "mm" : "in";
}

std::string languageCode(adsk::core::Application* app) {
    if (!app) return "en";
    const auto preferences = app->preferences();
    const auto general = preferences ? preferences->generalPreferences() : nullptr;
    if (!general) return "en";
    const auto language = general->userLanguage();
    if (language == adsk::core::FrenchLanguage) return "fr";
    if (language == adsk::core::SpanishLanguage) return "es";
    return "en";
}

// A reported value is remembered; a missing one is the remembered value, so
// the last known identity survives a signed-out host.
std::string rememberedValue(const std::string& name, const std::string& reported) {
    KeyValueStore& store = userKeyValueStore();
    if (reported.empty()) return store.readValue(name);
    store.writeValue(name, reported);
    return reported;
}

} // namespace

std::string buildLocalLibrariesJson(const std::vector<std::string>& names) {
    std::string json = "{\"names\":[";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) json += ',';
        json += '"' + escapeJsonQuotes(names[i]) + '"';
    }
    return json + "]}";
}

bool isOpenableUrl(std::string_view url) {
    return startsWithIgnoringAsciiCase(url, "https://") || startsWithIgnoringAsciiCase(url, "mailto:");
}

void setUrlOpener(Opener* opener) { replacementOpener = opener; }

void onGetMfgUnits(const std::string&, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    sendToPalette(ui, "REPLY_MFG_UNITS", "{\"unit\":\"" + manufacturingUnit(app) + "\"}");
}

void onGetAppLanguage(const std::string&, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    sendToPalette(ui, "REPLY_APP_LANGUAGE", "{\"language\":\"" + languageCode(app) + "\"}");
}

UserIdentity resolveUserIdentity(adsk::core::Application* app) {
    UserIdentity identity;
    if (app) {
        if (const auto user = app->currentUser()) {
            identity.displayName = user->displayName();
            identity.email = user->email();
        }
    }
    identity.displayName = rememberedValue("UserName", identity.displayName);
    identity.email = rememberedValue("UserEmail", identity.email);
    return identity;
}

void onGetUserInfo(const std::string&, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    const std::string version = app ? app->version() : std::string();
    const UserIdentity identity = resolveUserIdentity(app);
    sendToPalette(ui, "REPLY_USER_INFO",
                  "{\"displayName\":" + quoteJsonText(identity.displayName) + ",\"email\":" +
                      quoteJsonText(identity.email) + ",\"fusionVersion\":" + quoteJsonText(version) + "}");
}

void onGetLocalLibraries(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    sendToPalette(ui, "REPLY_LOCAL_LIBRARIES", buildLocalLibrariesJson(listLocalLibraryNames()));
}

void onSetPolyTolerance(const std::string& data, adsk::core::Application*, adsk::core::UserInterface*) {
    const double tolerance = readJsonNumber(data, "tolInch", 0.0005);
    if (tolerance > 0) setPolyTolerance(tolerance);
}

void onSetHolderDestination(const std::string& data, adsk::core::Application*, adsk::core::UserInterface*) {
    const HolderMode mode = holderModeFromNumber(std::trunc(readJsonNumber(data, "mode", 1.0)));
    setHolderDestination(mode, readJsonString(data, "libName"));
}

void onSetMaterialDefaults(const std::string& data, adsk::core::Application*, adsk::core::UserInterface*) {
    static constexpr std::array<const char*, 7> categories = {
        "millingTools", "drills", "spotDrills", "centerDrills", "counterbore", "taps", "reamers"};
    for (const char* category : categories) {
        const std::string material = readJsonString(data, category);
        if (material == "carbide" || material == "hss" || material == "unspecified")
            setMaterialDefault(category, material);
    }
}

void onSetUtilityRunning(const std::string& data, adsk::core::Application*, adsk::core::UserInterface*) {
    setUtilityRunning(data.find("\"running\":true") != std::string::npos);
}

void onOpenUrl(const std::string& data, adsk::core::Application*, adsk::core::UserInterface*) {
    static constexpr std::string_view pattern = "\"url\":\"";
    const auto start = data.find(pattern);
    if (start == std::string::npos) return;
    const auto valueStart = start + pattern.size();
    const auto end = data.find('"', valueStart);
    if (end == std::string::npos) return;
    const std::string url = data.substr(valueStart, end - valueStart);
    if (!isOpenableUrl(url)) return;
    urlOpener().openExternally(url);
}

void onClosePalette(const std::string&, adsk::core::Application*, adsk::core::UserInterface* ui) {
    if (isUtilityRunning()) return;
    destroyPalettes(ui);
}

void onResetPalette(const std::string&, adsk::core::Application* app, adsk::core::UserInterface* ui) {
    if (!ui) return;
    const auto palettes = ui->palettes();
    const auto palette = palettes ? palettes->itemById(mainPaletteId) : nullptr;
    if (!palette || !palette->isValid()) return;
    dockMainPalette(app, palette);
}

} // namespace Corvana

#include "addin/ActionTable.h"

#include "addin/Appearance.h"
#include "addin/ArchiveAndDatabaseHandlers.h"
#include "addin/HostRequests.h"
#include "addin/LibraryHandlers.h"
#include "addin/ParseHandlers.h"
#include "addin/PmSessionHandlers.h"
#include "addin/ServiceHandlers.h"
#include "addin/ToolSources.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace Corvana {
namespace {

struct Fnv1aHash {
    std::size_t operator()(const std::string& text) const { return static_cast<std::size_t>(fnv1a64(text)); }
};

using ActionMap = std::unordered_map<std::string, ActionHandler, Fnv1aHash>;

// Filled on the main thread before any palette exists and only read
// afterwards, so lookups need no lock.
ActionMap& actionTable() {
    static ActionMap table;
    return table;
}

} // namespace

std::uint64_t fnv1a64(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

void registerAction(const std::string& action, ActionHandler handler) {
    actionTable().insert_or_assign(action, std::move(handler));
}

bool dispatchAction(const std::string& action, const std::string& data, adsk::core::Application* app,
                    adsk::core::UserInterface* ui) {
    const auto found = actionTable().find(action);
    if (found == actionTable().end()) return false;
    // An empty entry throws std::bad_function_call, like any other handler failure.
    found->second(data, app, ui);
    return true;
}

std::vector<std::string> registeredActionNames() {
    std::vector<std::string> names;
    names.reserve(actionTable().size());
    for (const auto& entry : actionTable()) names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

void registerHostAndAppearanceActions() {
    registerAction("GET_MFG_UNITS", onGetMfgUnits);
    registerAction("SET_POLY_TOLERANCE", onSetPolyTolerance);
    registerAction("SET_HOLDER_DESTINATION", onSetHolderDestination);
    registerAction("SET_MATERIAL_DEFAULTS", onSetMaterialDefaults);
    registerAction("CLOSE_PALETTE", onClosePalette);
    registerAction("RESET_PALETTE", onResetPalette);
    registerAction("GET_APP_LANGUAGE", onGetAppLanguage);
    registerAction("SET_OPAQUE_MODE", onSetOpaqueMode);
    registerAction("SET_THEME_MODE", onSetThemeMode);
    registerAction("CHECK_ENV", onCheckEnv);
    registerAction("OPEN_URL", onOpenUrl);
    registerAction("SET_UTILITY_RUNNING", onSetUtilityRunning);
    registerAction("GET_USER_INFO", onGetUserInfo);
    registerAction("DETACH_TAB", onDetachTab);
    registerAction("REDOCK_TAB", onRedockTab);
    registerAction("CLOSE_DETACH", onCloseDetach);
    registerAction("DOCS_DETACH", onDocsDetach);
    registerAction("DOCS_POS", onDocsPos);
    registerAction("DOCS_REATTACH", onDocsReattach);
    registerAction("DOCS_CLOSE", onDocsClose);
    registerAction("GET_DOCS_STATE", onGetDocsState);
    registerAction("GET_LOCAL_LIBRARIES", onGetLocalLibraries);
}

void registerFileSourceActions() {
    registerAction("BROWSE_AND_PARSE_PTF", onBrowseAndParsePtf);
    registerAction("BROWSE_AND_PARSE_PROJECT", onBrowseAndParseProject);
    registerLibraryActions(fileSource());
    registerArchiveAndDatabaseParseActions();
}

// The session's open and status actions join its library actions with its reader.
void registerPmSessionActions() {
    registerLibraryActions(sessionSource());
    registerPmOpenActions();
}

void registerToolDatabaseActions() { registerLibraryActions(databaseSource()); }

void registerServiceActions() {
    registerAction("SUBMIT_FEEDBACK", onSubmitFeedback);
    registerAction("SEND_DIAGNOSTICS", onSendDiagnostics);
    registerAction("DOWNLOAD_UPDATE", onDownloadUpdate);
}

void fillActionTable() {
    registerHostAndAppearanceActions();
    registerFileSourceActions();
    registerPmSessionActions();
    registerToolDatabaseActions();
    registerServiceActions();
}

} // namespace Corvana

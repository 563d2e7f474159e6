#include "adsk/sim/SimHost.h"

#include "HostState.h"
#include "LibraryFolder.h"

#include <cassert>
#include <utility>

namespace adsk::sim {

using detail::HostAccess;
using detail::HostState;

namespace {

template <class T>
std::vector<T> copyRecords(const HostState& state, std::vector<T> HostState::*list) {
    std::lock_guard lock(state.mutex);
    return state.*list;
}

} // namespace

SimHost::SimHost(std::filesystem::path folder) : state(std::make_shared<HostState>()) {
    state->mainThread = std::this_thread::get_id();
    state->libraryFolder = std::move(folder);
    std::error_code ignored;
    std::filesystem::create_directories(state->libraryFolder, ignored);
    app = core::Ptr<core::Application>(new core::Application(state));
    [[maybe_unused]] const auto previous = detail::installApplication(app);
    assert(!previous && "only one simulated host may run at a time");
}

SimHost::~SimHost() {
    // The state may outlive this host in objects the add-in still holds.
    setObserver(nullptr);
    detail::installApplication(nullptr);
}

core::Ptr<core::Application> SimHost::application() const { return app; }
const std::filesystem::path& SimHost::libraryFolder() const { return state->libraryFolder; }
std::string SimHost::localLibraryRoot() { return std::string(detail::localRootUrl); }

void SimHost::setVersion(const std::string& version) {
    std::lock_guard lock(state->mutex);
    state->facts.version = version;
}

void SimHost::setUser(const std::string& displayName, const std::string& email) {
    std::lock_guard lock(state->mutex);
    state->facts.signedIn = true;
    state->facts.displayName = displayName;
    state->facts.email = email;
}

void SimHost::signOut() {
    std::lock_guard lock(state->mutex);
    state->facts.signedIn = false;
}

void SimHost::setUserLanguage(core::UserLanguages language) {
    std::lock_guard lock(state->mutex);
    state->facts.language = language;
}

void SimHost::setUserInterfaceTheme(core::UserInterfaceThemes theme) {
    std::lock_guard lock(state->mutex);
    state->facts.theme = theme;
}

void SimHost::setLightingEnvironment(core::LightingEnvironments environment) {
    std::lock_guard lock(state->mutex);
    state->facts.lighting = environment;
}

void SimHost::setDocumentLengthUnits(const std::string& units) {
    std::lock_guard lock(state->mutex);
    state->facts.documentUnits = units;
}

void SimHost::closeDocument() {
    std::lock_guard lock(state->mutex);
    state->facts.documentUnits.reset();
}

void SimHost::setViewportSize(int width, int height) {
    std::lock_guard lock(state->mutex);
    state->facts.hasViewport = true;
    state->facts.viewportWidth = width;
    state->facts.viewportHeight = height;
}

void SimHost::closeViewport() {
    std::lock_guard lock(state->mutex);
    state->facts.hasViewport = false;
}

void SimHost::setUserInterfaceAvailable(bool available) {
    std::lock_guard lock(state->mutex);
    state->facts.userInterfaceAvailable = available;
}

void SimHost::setCamAvailable(bool available) {
    std::lock_guard lock(state->mutex);
    state->facts.camAvailable = available;
}

void SimHost::removeToolbarPanel(const std::string& panelId) { HostAccess::removePanel(*app, panelId); }

void SimHost::queueDialogOk(const std::string& path) { queueDialogOk(std::vector<std::string>{path}); }

void SimHost::queueDialogOk(const std::vector<std::string>& paths) {
    std::lock_guard lock(state->mutex);
    state->dialogAnswers.push_back({true, paths});
}

void SimHost::queueDialogCancel() {
    std::lock_guard lock(state->mutex);
    state->dialogAnswers.push_back({false, {}});
}

std::size_t SimHost::pendingDialogAnswers() const {
    std::lock_guard lock(state->mutex);
    return state->dialogAnswers.size();
}

void SimHost::setDialogPrompt(DialogPrompt prompt) {
    std::lock_guard lock(state->mutex);
    state->dialogPrompt = std::move(prompt);
}

std::optional<std::string> SimHost::sendFromPage(const std::string& paletteId, const std::string& action,
                                                 const std::string& data) {
    return detail::deliverPageMessage(*app, paletteId, action, data);
}

void SimHost::queueFromPage(const std::string& paletteId, const std::string& action,
                            const std::string& data) {
    std::lock_guard lock(state->mutex);
    state->queue.push_back({false, paletteId, action, data});
}

std::size_t SimHost::pendingEvents() const {
    std::lock_guard lock(state->mutex);
    return state->queue.size();
}

bool SimHost::clickPaletteClose(const std::string& paletteId) {
    const auto palette = HostAccess::palette(*app, paletteId);
    if (!palette || !palette->isVisible()) return false;
    if (!HostAccess::paletteData(*palette).current.showCloseButton) return false;
    HostAccess::hide(*palette);
    detail::EventAccess::fire(*HostAccess::closedEvent(*palette),
                              core::Ptr<core::UserInterfaceGeneralEventArgs>(new core::UserInterfaceGeneralEventArgs));
    return true;
}

bool SimHost::executeCommand(const std::string& commandId) {
    const auto definition = HostAccess::commandDefinition(*app, commandId);
    if (!definition) return false;
    const core::Ptr<core::Command> command(new core::Command);
    detail::EventAccess::fire(*definition->commandCreated(),
                              core::Ptr<core::CommandCreatedEventArgs>(new core::CommandCreatedEventArgs(command)));
    detail::EventAccess::fire(*command->execute(), core::Ptr<core::CommandEventArgs>(new core::CommandEventArgs));
    return true;
}

void SimHost::activateWorkspace(const std::string& workspaceId) {
    {
        std::lock_guard lock(state->mutex);
        if (state->facts.workspace == workspaceId) return;
        state->facts.workspace = workspaceId;
    }
    HostAccess::destroyAllPalettes(*app);
    detail::EventAccess::fire(*HostAccess::workspaceEvent(*app),
                              core::Ptr<core::WorkspaceEventArgs>(new core::WorkspaceEventArgs));
}

std::string SimHost::activeWorkspace() const {
    std::lock_guard lock(state->mutex);
    return state->facts.workspace;
}

void SimHost::setObserver(HostObserver observer) {
    std::lock_guard observing(state->observerMutex);
    state->observer = std::move(observer);
}

std::vector<PaletteMessage> SimHost::sentMessages() const { return copyRecords(*state, &HostState::messages); }
std::vector<LogLine> SimHost::logLines() const { return copyRecords(*state, &HostState::logLines); }
std::vector<MessageBoxShown> SimHost::messageBoxes() const {
    return copyRecords(*state, &HostState::messageBoxes);
}
std::vector<DialogShown> SimHost::dialogs() const { return copyRecords(*state, &HostState::dialogs); }
std::vector<ProgressStep> SimHost::progressSteps() const {
    return copyRecords(*state, &HostState::progressSteps);
}
std::vector<UiChange> SimHost::uiChanges() const { return copyRecords(*state, &HostState::uiChanges); }
std::vector<std::string> SimHost::offMainThreadCalls() const {
    return copyRecords(*state, &HostState::offMainThreadCalls);
}

void SimHost::clearRecords() {
    std::lock_guard lock(state->mutex);
    state->messages.clear();
    state->logLines.clear();
    state->messageBoxes.clear();
    state->dialogs.clear();
    state->progressSteps.clear();
    state->uiChanges.clear();
    state->offMainThreadCalls.clear();
}

std::vector<std::string> SimHost::paletteIds() const {
    std::vector<std::string> ids;
    for (const auto& palette : HostAccess::palettes(*app)) ids.push_back(palette->id());
    return ids;
}

std::optional<PaletteState> SimHost::palette(const std::string& paletteId) const {
    const auto found = HostAccess::palette(*app, paletteId);
    if (!found) return std::nullopt;
    return HostAccess::paletteData(*found).current;
}

std::vector<std::string> SimHost::commandDefinitionIds() const {
    return HostAccess::commandDefinitionIds(*app);
}

std::vector<std::string> SimHost::controlIds(const std::string& panelId) const {
    return HostAccess::controlIds(*app, panelId);
}

} // namespace adsk::sim

#include "adsk/core/Application.h"

#include "HostState.h"
#include "adsk/core/Document.h"
#include "adsk/core/UserInterface.h"
#include "adsk/core/Utils.h"

#include <mutex>
#include <utility>

namespace adsk::sim::detail {
namespace {

std::mutex installedMutex;
core::Ptr<core::Application> installedApp;

// Takes the next queued event, or nothing when the queue is empty.
std::optional<QueuedEvent> takeQueuedEvent(HostState& state) {
    std::lock_guard lock(state.mutex);
    if (state.queue.empty()) return std::nullopt;
    QueuedEvent next = std::move(state.queue.front());
    state.queue.pop_front();
    return next;
}

void deliverCustomEvent(const core::Application& app, const QueuedEvent& queued) {
    // An event unregistered after it was fired is dropped.
    const auto event = HostAccess::customEvent(app, queued.target);
    if (!event) return;
    EventAccess::fire(*event, core::Ptr<core::CustomEventArgs>(new core::CustomEventArgs(queued.data)));
}

} // namespace

core::Ptr<core::Application> installApplication(core::Ptr<core::Application> app) {
    std::lock_guard lock(installedMutex);
    std::swap(installedApp, app);
    return app;
}

void checkMainThread(HostState& state, const char* call) {
    if (std::this_thread::get_id() == state.mainThread) return;
    record(state, &HostState::offMainThreadCalls, std::string(call));
}

HostState& HostAccess::hostState(const core::Application& app) { return *app.state; }

std::shared_ptr<HostState> HostAccess::sharedState(const core::Application& app) { return app.state; }

core::Ptr<core::UserInterface> HostAccess::userInterface(const core::Application& app) {
    return app.ui;
}

core::Ptr<core::CustomEvent> HostAccess::customEvent(const core::Application& app,
                                                     const std::string& eventId) {
    const auto found = app.customEvents.find(eventId);
    return found == app.customEvents.end() ? nullptr : found->second;
}

} // namespace adsk::sim::detail

namespace adsk {

void doEvents() {
    using namespace adsk::sim::detail;
    const auto app = core::Application::get();
    if (!app) return;
    HostState& state = HostAccess::hostState(*app);
    checkMainThread(state, "doEvents");
    // Only what was pending on entry is delivered, so a handler that queues
    // more work cannot keep this call from returning.
    std::size_t pending = 0;
    {
        std::lock_guard lock(state.mutex);
        pending = state.queue.size();
    }
    for (; pending > 0; --pending) {
        const auto next = takeQueuedEvent(state);
        if (!next) break;
        if (next->isCustom)
            deliverCustomEvent(*app, *next);
        else
            deliverPageMessage(*app, next->target, next->action, next->data);
    }
}

} // namespace adsk

namespace adsk::core {

using sim::detail::HostState;

User::User(std::string displayName, std::string email)
    : displayNameText(std::move(displayName)), emailText(std::move(email)) {}

std::string User::displayName() const { return displayNameText; }
std::string User::email() const { return emailText; }

GeneralPreferences::GeneralPreferences(std::shared_ptr<HostState> hostState)
    : state(std::move(hostState)) {}

UserLanguages GeneralPreferences::userLanguage() const {
    std::lock_guard lock(state->mutex);
    return state->facts.language;
}

UserInterfaceThemes GeneralPreferences::userInterfaceTheme() const {
    std::lock_guard lock(state->mutex);
    return state->facts.theme;
}

Preferences::Preferences(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

Ptr<GeneralPreferences> Preferences::generalPreferences() const {
    return Ptr<GeneralPreferences>(new GeneralPreferences(state));
}

Viewport::Viewport(int width, int height) : widthPixels(width), heightPixels(height) {}

int Viewport::width() const { return widthPixels; }
int Viewport::height() const { return heightPixels; }

Application::Application(std::shared_ptr<HostState> hostState)
    : state(std::move(hostState)), ui(new UserInterface(state)) {}

Application::~Application() = default;

Ptr<Application> Application::get() {
    std::lock_guard lock(sim::detail::installedMutex);
    return sim::detail::installedApp;
}

Ptr<UserInterface> Application::userInterface() const {
    std::lock_guard lock(state->mutex);
    return state->facts.userInterfaceAvailable ? ui : nullptr;
}

Ptr<CustomEvent> Application::registerCustomEvent(const std::string& eventId) {
    sim::detail::checkMainThread(*state, "Application::registerCustomEvent");
    if (eventId.empty() || customEvents.count(eventId) != 0) return nullptr;
    Ptr<CustomEvent> event(new CustomEvent(eventId));
    customEvents.emplace(eventId, event);
    std::lock_guard lock(state->mutex);
    state->customEventIds.insert(eventId);
    return event;
}

bool Application::unregisterCustomEvent(const std::string& eventId) {
    sim::detail::checkMainThread(*state, "Application::unregisterCustomEvent");
    if (customEvents.erase(eventId) == 0) return false;
    std::lock_guard lock(state->mutex);
    state->customEventIds.erase(eventId);
    return true;
}

bool Application::fireCustomEvent(const std::string& eventId, const std::string& additionalInfo) {
    std::lock_guard lock(state->mutex);
    if (state->customEventIds.count(eventId) == 0) return false;
    state->queue.push_back({true, eventId, "", additionalInfo});
    return true;
}

void Application::log(const std::string& message, LogLevels level, LogTypes type) {
    const auto app = get();
    if (!app) return;
    sim::detail::checkMainThread(*app->state, "Application::log");
    sim::detail::record(*app->state, &HostState::logLines, sim::LogLine{message, level, type});
}

std::string Application::version() const {
    std::lock_guard lock(state->mutex);
    return state->facts.version;
}

Ptr<User> Application::currentUser() const {
    std::lock_guard lock(state->mutex);
    if (!state->facts.signedIn) return nullptr;
    return Ptr<User>(new User(state->facts.displayName, state->facts.email));
}

Ptr<Preferences> Application::preferences() const {
    return Ptr<Preferences>(new Preferences(state));
}

LightingEnvironments Application::lightingEnvironment() const {
    std::lock_guard lock(state->mutex);
    return state->facts.lighting;
}

Ptr<Viewport> Application::activeViewport() const {
    std::lock_guard lock(state->mutex);
    if (!state->facts.hasViewport) return nullptr;
    return Ptr<Viewport>(new Viewport(state->facts.viewportWidth, state->facts.viewportHeight));
}

Ptr<Document> Application::activeDocument() const {
    std::lock_guard lock(state->mutex);
    if (!state->facts.documentUnits) return nullptr;
    return Ptr<Document>(new Document(*state->facts.documentUnits));
}

} // namespace adsk::core

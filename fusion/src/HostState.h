#pragma once
// State shared by the objects of one simulated host: facts, queued events,
// scripted dialog answers and the records tests read back.

#include "adsk/core/Application.h"
#include "adsk/core/Palettes.h"
#include "adsk/core/UserInterface.h"
#include "adsk/sim/SimHost.h"

#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace adsk::sim::detail {

struct QueuedEvent {
    bool isCustom = false;
    std::string target;  // custom event id or palette id
    std::string action;  // page messages only
    std::string data;    // additional info or page data
};

struct DialogAnswer {
    bool ok = false;
    std::vector<std::string> paths;
};

struct HostFacts {
    std::string version = "2.0.21508";
    bool signedIn = true;
    std::string displayName = "Test User";
    std::string email = "test.user@example.com";
    core::UserLanguages language = core::EnglishLanguage;
    core::UserInterfaceThemes theme = core::LightGrayUserInterfaceTheme;
    core::LightingEnvironments lighting = core::GreyRoomLightingEnvironment;
    std::optional<std::string> documentUnits = "mm";
    bool hasViewport = true;
    int viewportWidth = 1600;
    int viewportHeight = 900;
    bool userInterfaceAvailable = true;
    bool camAvailable = true;
    std::string workspace = "FusionSolidEnvironment";
};

// Every member is guarded by `mutex`, except mainThread and libraryFolder,
// which are fixed at construction, and observer, which is guarded by
// observerMutex. Lock order: observerMutex before mutex.
struct HostState {
    mutable std::mutex mutex;
    // Recursive so that an observer may make host calls that record again.
    std::recursive_mutex observerMutex;
    HostObserver observer;
    std::thread::id mainThread;
    std::filesystem::path libraryFolder;
    HostFacts facts;

    std::deque<QueuedEvent> queue;
    std::set<std::string> customEventIds;
    std::deque<DialogAnswer> dialogAnswers;
    DialogPrompt dialogPrompt;
    int progressDialogCount = 0;

    std::vector<PaletteMessage> messages;
    std::vector<LogLine> logLines;
    std::vector<MessageBoxShown> messageBoxes;
    std::vector<DialogShown> dialogs;
    std::vector<ProgressStep> progressSteps;
    std::vector<UiChange> uiChanges;
    std::vector<std::string> offMainThreadCalls;
};

// Records `call` when it is made from a thread other than the main thread.
void checkMainThread(HostState& state, const char* call);

template <class T, class Variant>
struct IsAlternative;
template <class T, class... Types>
struct IsAlternative<T, std::variant<Types...>> : std::bool_constant<(std::is_same_v<T, Types> || ...)> {};

// Appends one record under the state's lock and shows it to the observer.
// Holding observerMutex throughout keeps the observer's order that of the lists.
template <class T>
void record(HostState& state, std::vector<T> HostState::*list, T item) {
    std::lock_guard observing(state.observerMutex);
    {
        std::lock_guard lock(state.mutex);
        (state.*list).push_back(item);
    }
    if constexpr (IsAlternative<T, HostRecord>::value) {
        // A copy, so that the observer may replace itself.
        const HostObserver observer = state.observer;
        if (observer) observer(HostRecord(std::in_place_type<T>, std::move(item)));
    }
}

// The next scripted dialog answer; when none is queued the dialog prompt is
// asked once, and a cancel results when it queued nothing either.
DialogAnswer takeDialogAnswer(HostState& state, const DialogShown& request);

struct PaletteData {
    std::shared_ptr<HostState> state;
    PaletteState current;
    bool valid = true;
};

// Fires an event's handlers; events expose no firing member to the add-in.
struct EventAccess {
    template <class HandlerT, class ArgsT>
    static void fire(core::EventOf<HandlerT, ArgsT>& event, const core::Ptr<ArgsT>& args) {
        event.notifyAll(args);
    }
};

// Reaches the internals of the host objects for the host's own operations.
struct HostAccess {
    static HostState& hostState(const core::Application& app);
    static std::shared_ptr<HostState> sharedState(const core::Application& app);
    static core::Ptr<core::UserInterface> userInterface(const core::Application& app);
    static core::Ptr<core::CustomEvent> customEvent(const core::Application& app,
                                                    const std::string& eventId);
    static std::vector<core::Ptr<core::Palette>> palettes(const core::Application& app);
    static core::Ptr<core::Palette> palette(const core::Application& app, const std::string& id);
    static const PaletteData& paletteData(const core::Palette& palette);
    static core::Ptr<core::HTMLEvent> incomingEvent(const core::Palette& palette);
    static core::Ptr<core::UserInterfaceGeneralEvent> closedEvent(const core::Palette& palette);
    static void hide(core::Palette& palette);
    static void destroyAllPalettes(const core::Application& app);
    static core::Ptr<core::WorkspaceEvent> workspaceEvent(const core::Application& app);
    static core::Ptr<core::CommandDefinition> commandDefinition(const core::Application& app,
                                                                const std::string& id);
    static std::vector<std::string> commandDefinitionIds(const core::Application& app);
    static std::vector<std::string> controlIds(const core::Application& app,
                                               const std::string& panelId);
    static void removePanel(const core::Application& app, const std::string& panelId);
};

// Makes `app` the running application (null: none); returns the previous one.
core::Ptr<core::Application> installApplication(core::Ptr<core::Application> app);

// Delivers one page message to a palette's handlers on the calling thread.
std::optional<std::string> deliverPageMessage(const core::Application& app,
                                              const std::string& paletteId,
                                              const std::string& action, const std::string& data);

} // namespace adsk::sim::detail

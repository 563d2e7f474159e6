#pragma once
// Test control of the simulated host. A SimHost plays a running Fusion:
// while it exists Application::get() returns its application. The thread
// that creates it plays the host's main thread. Tests set host facts, script
// dialog answers, act as the user and the palette page, and read back what
// the add-in did.

#include "adsk/core/Application.h"
#include "adsk/core/Dialogs.h"
#include "adsk/core/Palettes.h"
#include "adsk/core/UserInterface.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace adsk::sim {

namespace detail {
struct HostState;
}

// A message the add-in sent to a palette page.
struct PaletteMessage {
    std::string paletteId;
    std::string action;
    std::string data;
    bool paletteVisible = false;  // at the time it was sent
};

struct LogLine {
    std::string message;
    core::LogLevels level = core::InfoLogLevel;
    core::LogTypes type = core::ConsoleLogType;
};

struct MessageBoxShown {
    std::string text;
    std::string title;
    core::MessageBoxButtonTypes buttons = core::OKButtonType;
    core::MessageBoxIconTypes icon = core::NoIconIconType;
};

enum class DialogKind { Open, Save, Folder };

struct DialogShown {
    DialogKind kind = DialogKind::Open;
    std::string title;
    std::string filter;
    int filterIndex = 0;
    std::string initialDirectory;
    std::string initialFilename;
    bool multiSelect = false;
    core::DialogResults result = core::DialogCancel;
    std::vector<std::string> paths;  // what the dialog answered
};

enum class ProgressAction : int { Show, Hide, Reset, Title, Message, Value, Range, CancelButton };

// One change to a progress dialog and the dialog's state after it.
struct ProgressStep {
    int dialog = 0;  // creation order, from 0
    ProgressAction action = ProgressAction::Show;
    std::string title;
    std::string text;  // the message with %p, %v and %m replaced
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    int delaySeconds = 0;
    bool cancelButtonShown = false;
    bool showing = false;
};

enum class UiChangeKind { DefinitionAdded, DefinitionDeleted, ControlAdded, ControlDeleted };

struct UiChange {
    UiChangeKind kind = UiChangeKind::DefinitionAdded;
    std::string panelId;  // empty for definitions
    std::string id;
};

struct PaletteState {
    std::string id;
    std::string name;
    std::string htmlFileURL;
    bool visible = false;
    bool showCloseButton = false;
    bool resizable = false;
    bool transparent = false;
    bool opaqueWhenUndocked = false;
    bool useNewWebBrowser = true;
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int minimumWidth = 0;
    int minimumHeight = 0;
    core::PaletteDockingStates dockingState = core::PaletteDockStateFloating;
    core::PaletteDockingOptions dockingOption = core::PaletteDockOptionsToVerticalAndHorizontal;
};

// One thing the add-in did, as recorded by the host.
using HostRecord = std::variant<PaletteMessage, LogLine, MessageBoxShown, DialogShown, ProgressStep, UiChange>;

// Sees each record as it is made, on the thread that made it. Calls never
// overlap, and they come in the order of the records.
using HostObserver = std::function<void(const HostRecord&)>;

// Asked, on the main thread, when a file, folder or save dialog opens with no
// answer queued; it may block until an answer is queued. A dialog that still
// has no answer when it returns is cancelled.
using DialogPrompt = std::function<void(const DialogShown& request)>;

class SimHost {
public:
    // Local tool libraries live in libraryFolder, one "<name>.json" file each.
    explicit SimHost(std::filesystem::path libraryFolder);
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    core::Ptr<core::Application> application() const;
    const std::filesystem::path& libraryFolder() const;
    // The URL of the local library folder.
    static std::string localLibraryRoot();

    // Host facts.
    void setVersion(const std::string& version);
    void setUser(const std::string& displayName, const std::string& email);
    void signOut();
    void setUserLanguage(core::UserLanguages language);
    void setUserInterfaceTheme(core::UserInterfaceThemes theme);
    void setLightingEnvironment(core::LightingEnvironments environment);
    // Opens a document whose CAM product uses this length unit ("mm", "in", ...).
    void setDocumentLengthUnits(const std::string& units);
    void closeDocument();
    void setViewportSize(int width, int height);
    void closeViewport();
    void setUserInterfaceAvailable(bool available);
    void setCamAvailable(bool available);
    void removeToolbarPanel(const std::string& panelId);

    // Dialog script: file, folder and save dialogs take answers in order; a
    // dialog with no answer queued is cancelled.
    void queueDialogOk(const std::string& path);
    void queueDialogOk(const std::vector<std::string>& paths);
    void queueDialogCancel();
    std::size_t pendingDialogAnswers() const;
    // Replaces the prompt for unanswered dialogs; an empty one cancels them.
    void setDialogPrompt(DialogPrompt prompt);

    // The page sends (action, data) now, on the calling thread. Returns the
    // handlers' return data, or nothing when the palette does not exist.
    std::optional<std::string> sendFromPage(const std::string& paletteId, const std::string& action,
                                            const std::string& data);
    // Safe from any thread: queued for the next adsk::doEvents().
    void queueFromPage(const std::string& paletteId, const std::string& action,
                       const std::string& data);
    std::size_t pendingEvents() const;

    // User actions. Each returns false when its target does not exist.
    bool clickPaletteClose(const std::string& paletteId);
    bool executeCommand(const std::string& commandId);
    // Switching to another workspace destroys every palette, then fires
    // workspaceActivated.
    void activateWorkspace(const std::string& workspaceId);
    std::string activeWorkspace() const;

    // Replaces the observer; an empty one stops the calls. The observer may
    // call back into the host, and it is dropped when this host ends.
    void setObserver(HostObserver observer);

    // What the add-in did.
    std::vector<PaletteMessage> sentMessages() const;
    std::vector<LogLine> logLines() const;
    std::vector<MessageBoxShown> messageBoxes() const;
    std::vector<DialogShown> dialogs() const;
    std::vector<ProgressStep> progressSteps() const;
    std::vector<UiChange> uiChanges() const;
    // Host API calls made from a thread other than the main thread.
    std::vector<std::string> offMainThreadCalls() const;
    void clearRecords();

    // Current state of the user interface.
    std::vector<std::string> paletteIds() const;
    std::optional<PaletteState> palette(const std::string& paletteId) const;
    std::vector<std::string> commandDefinitionIds() const;
    std::vector<std::string> controlIds(const std::string& panelId) const;

private:
    std::shared_ptr<detail::HostState> state;
    core::Ptr<core::Application> app;
};

} // namespace adsk::sim

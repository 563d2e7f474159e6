#pragma once
// The host's user interface: command definitions, toolbar panels and their
// controls, palettes, dialogs, message boxes and workspace events.

#include "adsk/core/Base.h"
#include "adsk/core/Dialogs.h"
#include "adsk/core/Events.h"
#include "adsk/core/Palettes.h"

#include <memory>
#include <string>
#include <vector>

namespace adsk::sim::detail {
struct HostState;
struct HostAccess;
}

namespace adsk::core {

enum MessageBoxButtonTypes {
    OKButtonType = 0,
    OKCancelButtonType = 1,
    RetryCancelButtonType = 2,
    YesNoButtonType = 3,
    YesNoCancelButtonType = 4,
};

enum MessageBoxIconTypes {
    NoIconIconType = 0,
    QuestionIconType = 1,
    InformationIconType = 2,
    WarningIconType = 3,
    CriticalIconType = 4,
};

// One run of a command; the host creates a new one for every click.
class Command : public Base {
public:
    Command();
    static const char* classType() { return "adsk::core::Command"; }
    const char* objectType() const override { return classType(); }

    Ptr<CommandEvent> execute() const;
    // Whether "Repeat Last Command" may repeat this command.
    bool isRepeatable() const;
    bool isRepeatable(bool value);

private:
    Ptr<CommandEvent> executeEvent;
    bool repeatable = true;
};

class CommandDefinition : public Base {
public:
    CommandDefinition(std::shared_ptr<sim::detail::HostState> state, std::string id,
                      std::string name);
    static const char* classType() { return "adsk::core::CommandDefinition"; }
    const char* objectType() const override { return classType(); }

    bool isValid() const override;
    std::string id() const;
    std::string name() const;
    Ptr<CommandCreatedEvent> commandCreated() const;
    bool deleteMe();

private:
    std::shared_ptr<sim::detail::HostState> state;
    std::string idText;
    std::string nameText;
    bool valid = true;
    Ptr<CommandCreatedEvent> createdEvent;
};

class CommandDefinitions : public Base {
public:
    explicit CommandDefinitions(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::CommandDefinitions"; }
    const char* objectType() const override { return classType(); }

    // Null when absent.
    Ptr<CommandDefinition> itemById(const std::string& id);
    // Null when the id is empty, already used or holds a character outside
    // [A-Za-z0-9_]. An empty resource folder gives the default icon.
    Ptr<CommandDefinition> addButtonDefinition(const std::string& id, const std::string& name,
                                               const std::string& tooltip,
                                               const std::string& resourceFolder = "");

private:
    friend struct adsk::sim::detail::HostAccess;

    void dropDeleted();

    std::shared_ptr<sim::detail::HostState> state;
    std::vector<Ptr<CommandDefinition>> items;
};

// A control in a toolbar panel; its id equals its command definition's id.
class CommandControl : public Base {
public:
    CommandControl(std::shared_ptr<sim::detail::HostState> state, std::string panelId,
                   std::string id);
    static const char* classType() { return "adsk::core::CommandControl"; }
    const char* objectType() const override { return classType(); }

    bool isValid() const override;
    std::string id() const;
    bool deleteMe();

private:
    std::shared_ptr<sim::detail::HostState> state;
    std::string panelId;
    std::string idText;
    bool valid = true;
};

class ToolbarControls : public Base {
public:
    ToolbarControls(std::shared_ptr<sim::detail::HostState> state, std::string panelId);
    static const char* classType() { return "adsk::core::ToolbarControls"; }
    const char* objectType() const override { return classType(); }

    // Null when absent.
    Ptr<CommandControl> itemById(const std::string& id);
    // Without a position id the control goes last and isBefore is ignored.
    // Null for an invalid definition or when the panel already has the control.
    Ptr<CommandControl> addCommand(const Ptr<CommandDefinition>& commandDefinition,
                                   const std::string& positionID = "", bool isBefore = true);

private:
    friend struct adsk::sim::detail::HostAccess;

    void dropDeleted();

    std::shared_ptr<sim::detail::HostState> state;
    std::string panelId;
    std::vector<Ptr<CommandControl>> items;
};

class ToolbarPanel : public Base {
public:
    ToolbarPanel(std::shared_ptr<sim::detail::HostState> state, std::string id);
    static const char* classType() { return "adsk::core::ToolbarPanel"; }
    const char* objectType() const override { return classType(); }

    std::string id() const;
    Ptr<ToolbarControls> controls() const;

private:
    friend struct adsk::sim::detail::HostAccess;

    std::string idText;
    Ptr<ToolbarControls> controlList;
};

// Every toolbar panel of every workspace.
class ToolbarPanelList : public Base {
public:
    explicit ToolbarPanelList(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::ToolbarPanelList"; }
    const char* objectType() const override { return classType(); }

    // Null when absent.
    Ptr<ToolbarPanel> itemById(const std::string& id) const;

private:
    friend struct adsk::sim::detail::HostAccess;

    std::vector<Ptr<ToolbarPanel>> items;
};

class UserInterface : public Base {
public:
    explicit UserInterface(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::UserInterface"; }
    const char* objectType() const override { return classType(); }

    Ptr<Palettes> palettes() const;
    Ptr<CommandDefinitions> commandDefinitions() const;
    Ptr<ToolbarPanelList> allToolbarPanels() const;
    // Fired at the end of a workspace activation.
    Ptr<WorkspaceEvent> workspaceActivated() const;

    Ptr<FileDialog> createFileDialog();
    Ptr<FolderDialog> createFolderDialog();
    Ptr<ProgressDialog> createProgressDialog();

    // Modal; returns the button the user pressed.
    DialogResults messageBox(const std::string& text, const std::string& title = "",
                             MessageBoxButtonTypes buttons = OKButtonType,
                             MessageBoxIconTypes icon = NoIconIconType) const;

private:
    friend struct adsk::sim::detail::HostAccess;

    std::shared_ptr<sim::detail::HostState> state;
    Ptr<Palettes> paletteList;
    Ptr<CommandDefinitions> definitions;
    Ptr<ToolbarPanelList> panels;
    Ptr<WorkspaceEvent> workspaceActivatedEvent;
};

} // namespace adsk::core

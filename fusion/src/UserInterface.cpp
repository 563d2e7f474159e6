#include "adsk/core/UserInterface.h"

#include "HostState.h"

#include <algorithm>
#include <utility>

namespace adsk::core {

using sim::UiChange;
using sim::UiChangeKind;
using sim::detail::HostState;

namespace {

// The toolbar panels every simulated workspace offers to add-ins.
constexpr const char* addInPanelIds[] = {"SolidScriptsAddinsPanel", "CAMScriptsAddinsPanel"};

bool isCommandIdCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isValidCommandId(const std::string& id) {
    return !id.empty() && std::all_of(id.begin(), id.end(), isCommandIdCharacter);
}

} // namespace

CommandCreatedEventArgs::CommandCreatedEventArgs(Ptr<Command> command)
    : createdCommand(std::move(command)) {}

CommandCreatedEventArgs::~CommandCreatedEventArgs() = default;

Ptr<Command> CommandCreatedEventArgs::command() const { return createdCommand; }

Command::Command() : executeEvent(new CommandEvent) {}

Ptr<CommandEvent> Command::execute() const { return executeEvent; }
bool Command::isRepeatable() const { return repeatable; }

bool Command::isRepeatable(bool value) {
    repeatable = value;
    return true;
}

CommandDefinition::CommandDefinition(std::shared_ptr<HostState> hostState, std::string id,
                                     std::string name)
    : state(std::move(hostState)), idText(std::move(id)), nameText(std::move(name)),
      createdEvent(new CommandCreatedEvent) {}

bool CommandDefinition::isValid() const { return valid; }
std::string CommandDefinition::id() const { return idText; }
std::string CommandDefinition::name() const { return nameText; }
Ptr<CommandCreatedEvent> CommandDefinition::commandCreated() const { return createdEvent; }

bool CommandDefinition::deleteMe() {
    if (!valid) return false;
    valid = false;
    sim::detail::record(*state, &HostState::uiChanges,
                        UiChange{UiChangeKind::DefinitionDeleted, "", idText});
    return true;
}

CommandDefinitions::CommandDefinitions(std::shared_ptr<HostState> hostState)
    : state(std::move(hostState)) {}

void CommandDefinitions::dropDeleted() {
    std::erase_if(items, [](const Ptr<CommandDefinition>& item) { return !item->isValid(); });
}

Ptr<CommandDefinition> CommandDefinitions::itemById(const std::string& id) {
    dropDeleted();
    for (const auto& item : items) {
        if (item->id() == id) return item;
    }
    return nullptr;
}

Ptr<CommandDefinition> CommandDefinitions::addButtonDefinition(const std::string& id,
                                                               const std::string& name,
                                                               const std::string& /*tooltip*/,
                                                               const std::string& /*resourceFolder*/) {
    sim::detail::checkMainThread(*state, "CommandDefinitions::addButtonDefinition");
    if (!isValidCommandId(id) || itemById(id)) return nullptr;
    Ptr<CommandDefinition> definition(new CommandDefinition(state, id, name));
    items.push_back(definition);
    sim::detail::record(*state, &HostState::uiChanges, UiChange{UiChangeKind::DefinitionAdded, "", id});
    return definition;
}

CommandControl::CommandControl(std::shared_ptr<HostState> hostState, std::string panel,
                               std::string id)
    : state(std::move(hostState)), panelId(std::move(panel)), idText(std::move(id)) {}

bool CommandControl::isValid() const { return valid; }
std::string CommandControl::id() const { return idText; }

bool CommandControl::deleteMe() {
    if (!valid) return false;
    valid = false;
    sim::detail::record(*state, &HostState::uiChanges,
                        UiChange{UiChangeKind::ControlDeleted, panelId, idText});
    return true;
}

ToolbarControls::ToolbarControls(std::shared_ptr<HostState> hostState, std::string panel)
    : state(std::move(hostState)), panelId(std::move(panel)) {}

void ToolbarControls::dropDeleted() {
    std::erase_if(items, [](const Ptr<CommandControl>& item) { return !item->isValid(); });
}

Ptr<CommandControl> ToolbarControls::itemById(const std::string& id) {
    dropDeleted();
    for (const auto& item : items) {
        if (item->id() == id) return item;
    }
    return nullptr;
}

Ptr<CommandControl> ToolbarControls::addCommand(const Ptr<CommandDefinition>& commandDefinition,
                                                const std::string& positionID, bool isBefore) {
    sim::detail::checkMainThread(*state, "ToolbarControls::addCommand");
    if (!commandDefinition || !commandDefinition->isValid()) return nullptr;
    const std::string id = commandDefinition->id();
    if (itemById(id)) return nullptr;
    auto position = items.end();
    if (!positionID.empty()) {
        position = std::find_if(items.begin(), items.end(),
                                [&](const Ptr<CommandControl>& item) { return item->id() == positionID; });
        if (position != items.end() && !isBefore) ++position;
    }
    Ptr<CommandControl> control(new CommandControl(state, panelId, id));
    items.insert(position, control);
    sim::detail::record(*state, &HostState::uiChanges, UiChange{UiChangeKind::ControlAdded, panelId, id});
    return control;
}

ToolbarPanel::ToolbarPanel(std::shared_ptr<HostState> hostState, std::string id)
    : idText(id), controlList(new ToolbarControls(std::move(hostState), id)) {}

std::string ToolbarPanel::id() const { return idText; }
Ptr<ToolbarControls> ToolbarPanel::controls() const { return controlList; }

ToolbarPanelList::ToolbarPanelList(std::shared_ptr<HostState> hostState) {
    for (const char* id : addInPanelIds) items.push_back(Ptr<ToolbarPanel>(new ToolbarPanel(hostState, id)));
}

Ptr<ToolbarPanel> ToolbarPanelList::itemById(const std::string& id) const {
    for (const auto& item : items) {
        if (item->id() == id) return item;
    }
    return nullptr;
}

UserInterface::UserInterface(std::shared_ptr<HostState> hostState)
    : state(std::move(hostState)), paletteList(new Palettes(state)),
      definitions(new CommandDefinitions(state)), panels(new ToolbarPanelList(state)),
      workspaceActivatedEvent(new WorkspaceEvent) {}

Ptr<Palettes> UserInterface::palettes() const { return paletteList; }
Ptr<CommandDefinitions> UserInterface::commandDefinitions() const { return definitions; }
Ptr<ToolbarPanelList> UserInterface::allToolbarPanels() const { return panels; }
Ptr<WorkspaceEvent> UserInterface::workspaceActivated() const { return workspaceActivatedEvent; }

Ptr<FileDialog> UserInterface::createFileDialog() {
    sim::detail::checkMainThread(*state, "UserInterface::createFileDialog");
    return Ptr<FileDialog>(new FileDialog(state));
}

Ptr<FolderDialog> UserInterface::createFolderDialog() {
    sim::detail::checkMainThread(*state, "UserInterface::createFolderDialog");
    return Ptr<FolderDialog>(new FolderDialog(state));
}

Ptr<ProgressDialog> UserInterface::createProgressDialog() {
    sim::detail::checkMainThread(*state, "UserInterface::createProgressDialog");
    int index = 0;
    {
        std::lock_guard lock(state->mutex);
        index = state->progressDialogCount++;
    }
    return Ptr<ProgressDialog>(new ProgressDialog(state, index));
}

DialogResults UserInterface::messageBox(const std::string& text, const std::string& title,
                                        MessageBoxButtonTypes buttons, MessageBoxIconTypes icon) const {
    sim::detail::checkMainThread(*state, "UserInterface::messageBox");
    sim::detail::record(*state, &HostState::messageBoxes, sim::MessageBoxShown{text, title, buttons, icon});
    // The simulated user presses the first button.
    const bool asksYesNo = buttons == YesNoButtonType || buttons == YesNoCancelButtonType;
    return asksYesNo ? DialogYes : DialogOK;
}

} // namespace adsk::core

namespace adsk::sim::detail {

core::Ptr<core::WorkspaceEvent> HostAccess::workspaceEvent(const core::Application& app) {
    return userInterface(app)->workspaceActivatedEvent;
}

core::Ptr<core::CommandDefinition> HostAccess::commandDefinition(const core::Application& app,
                                                                 const std::string& id) {
    return userInterface(app)->definitions->itemById(id);
}

std::vector<std::string> HostAccess::commandDefinitionIds(const core::Application& app) {
    auto& list = *userInterface(app)->definitions;
    list.dropDeleted();
    std::vector<std::string> ids;
    for (const auto& item : list.items) ids.push_back(item->id());
    return ids;
}

std::vector<std::string> HostAccess::controlIds(const core::Application& app,
                                                const std::string& panelId) {
    std::vector<std::string> ids;
    const auto panel = userInterface(app)->panels->itemById(panelId);
    if (!panel) return ids;
    auto& controls = *panel->controlList;
    controls.dropDeleted();
    for (const auto& item : controls.items) ids.push_back(item->id());
    return ids;
}

void HostAccess::removePanel(const core::Application& app, const std::string& panelId) {
    std::erase_if(userInterface(app)->panels->items,
                  [&](const core::Ptr<core::ToolbarPanel>& panel) { return panel->id() == panelId; });
}

} // namespace adsk::sim::detail

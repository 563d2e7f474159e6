#include "adsk/core/Palettes.h"

#include "HostState.h"

#include <algorithm>
#include <utility>

namespace adsk::core {

using sim::detail::HostState;
using sim::detail::PaletteData;

namespace {

sim::PaletteState newPaletteState(const std::string& id, const std::string& name,
                                  const std::string& url, bool isVisible, bool showCloseButton,
                                  bool isResizable, int width, int height) {
    sim::PaletteState palette;
    palette.id = id;
    palette.name = name;
    palette.htmlFileURL = url;
    palette.visible = isVisible;
    palette.showCloseButton = showCloseButton;
    palette.resizable = isResizable;
    palette.width = width;
    palette.height = height;
    return palette;
}

} // namespace

Palette::Palette(std::shared_ptr<PaletteData> paletteData)
    : data(std::move(paletteData)), incomingEvent(new HTMLEvent), closedEvent(new UserInterfaceGeneralEvent) {}

bool Palette::isValid() const { return data->valid; }
std::string Palette::id() const { return data->current.id; }
std::string Palette::name() const { return data->current.name; }
std::string Palette::htmlFileURL() const { return data->current.htmlFileURL; }
bool Palette::isVisible() const { return data->valid && data->current.visible; }
PaletteDockingStates Palette::dockingState() const { return data->current.dockingState; }
PaletteDockingOptions Palette::dockingOption() const { return data->current.dockingOption; }
int Palette::width() const { return data->current.width; }
int Palette::height() const { return data->current.height; }
int Palette::left() const { return data->current.left; }
int Palette::top() const { return data->current.top; }
bool Palette::isTransparent() const { return data->current.transparent; }

bool Palette::htmlFileURL(const std::string& url) {
    if (!data->valid) return false;
    data->current.htmlFileURL = url;
    return true;
}

bool Palette::isVisible(bool visible) {
    if (!data->valid) return false;
    data->current.visible = visible;
    return true;
}

bool Palette::dockingState(PaletteDockingStates dockState) {
    if (!data->valid) return false;
    data->current.dockingState = dockState;
    return true;
}

bool Palette::dockingOption(PaletteDockingOptions option) {
    if (!data->valid) return false;
    data->current.dockingOption = option;
    return true;
}

bool Palette::setSize(int newWidth, int newHeight) {
    if (!data->valid) return false;
    data->current.width = std::max(newWidth, data->current.minimumWidth);
    data->current.height = std::max(newHeight, data->current.minimumHeight);
    return true;
}

bool Palette::setPosition(int newLeft, int newTop) {
    if (!data->valid) return false;
    data->current.left = newLeft;
    data->current.top = newTop;
    data->current.dockingState = PaletteDockStateFloating;
    return true;
}

bool Palette::setMinimumSize(int minimumWidth, int minimumHeight) {
    if (!data->valid) return false;
    data->current.minimumWidth = minimumWidth;
    data->current.minimumHeight = minimumHeight;
    data->current.width = std::max(data->current.width, minimumWidth);
    data->current.height = std::max(data->current.height, minimumHeight);
    return true;
}

std::string Palette::sendInfoToHTML(const std::string& action, const std::string& messageData) {
    HostState& state = *data->state;
    sim::detail::checkMainThread(state, "Palette::sendInfoToHTML");
    if (!data->valid) return "";
    sim::detail::record(state, &HostState::messages,
                        sim::PaletteMessage{data->current.id, action, messageData, data->current.visible});
    return "";
}

Ptr<HTMLEvent> Palette::incomingFromHTML() const { return incomingEvent; }
Ptr<UserInterfaceGeneralEvent> Palette::closed() const { return closedEvent; }

bool Palette::deleteMe() {
    if (!data->valid) return false;
    data->valid = false;
    return true;
}

Palettes::Palettes(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

void Palettes::dropDeleted() {
    std::erase_if(items, [](const Ptr<Palette>& palette) { return !palette->isValid(); });
}

Ptr<Palette> Palettes::add(const std::string& id, const std::string& name,
                           const std::string& htmlFileURL, bool isVisible, bool showCloseButton,
                           bool isResizable, int width, int height, bool useNewWebBrowser) {
    sim::detail::checkMainThread(*state, "Palettes::add");
    if (id.empty() || itemById(id)) return nullptr;
    auto paletteData = std::make_shared<PaletteData>();
    paletteData->state = state;
    paletteData->current = newPaletteState(id, name, htmlFileURL, isVisible, showCloseButton,
                                           isResizable, width, height);
    paletteData->current.useNewWebBrowser = useNewWebBrowser;
    Ptr<Palette> palette(new Palette(std::move(paletteData)));
    items.push_back(palette);
    return palette;
}

Ptr<Palette> Palettes::addTransparent(const std::string& id, const std::string& name,
                                      const std::string& htmlFileURL, bool isVisible,
                                      bool showCloseButton, bool isResizable,
                                      bool isOpaqueWhenUndocked, int width, int height) {
    Ptr<Palette> palette =
        add(id, name, htmlFileURL, isVisible, showCloseButton, isResizable, width, height, true);
    if (!palette) return nullptr;
    palette->data->current.transparent = true;
    palette->data->current.opaqueWhenUndocked = isOpaqueWhenUndocked;
    return palette;
}

Ptr<Palette> Palettes::itemById(const std::string& id) {
    dropDeleted();
    for (const auto& palette : items) {
        if (palette->id() == id) return palette;
    }
    return nullptr;
}

Ptr<Palette> Palettes::item(std::size_t index) {
    dropDeleted();
    return index < items.size() ? items[index] : nullptr;
}

std::size_t Palettes::count() {
    dropDeleted();
    return items.size();
}

} // namespace adsk::core

namespace adsk::sim::detail {

std::vector<core::Ptr<core::Palette>> HostAccess::palettes(const core::Application& app) {
    auto& list = *userInterface(app)->paletteList;
    list.dropDeleted();
    return list.items;
}

core::Ptr<core::Palette> HostAccess::palette(const core::Application& app, const std::string& id) {
    return userInterface(app)->paletteList->itemById(id);
}

const PaletteData& HostAccess::paletteData(const core::Palette& palette) { return *palette.data; }

core::Ptr<core::HTMLEvent> HostAccess::incomingEvent(const core::Palette& palette) {
    return palette.incomingEvent;
}

core::Ptr<core::UserInterfaceGeneralEvent> HostAccess::closedEvent(const core::Palette& palette) {
    return palette.closedEvent;
}

void HostAccess::hide(core::Palette& palette) { palette.data->current.visible = false; }

void HostAccess::destroyAllPalettes(const core::Application& app) {
    for (const auto& palette : palettes(app)) palette->data->valid = false;
    userInterface(app)->paletteList->dropDeleted();
}

std::optional<std::string> deliverPageMessage(const core::Application& app,
                                              const std::string& paletteId,
                                              const std::string& action, const std::string& data) {
    const auto palette = HostAccess::palette(app, paletteId);
    if (!palette) return std::nullopt;
    const core::Ptr<core::HTMLEventArgs> args(new core::HTMLEventArgs(action, data));
    EventAccess::fire(*HostAccess::incomingEvent(*palette), args);
    return args->returnData();
}

} // namespace adsk::sim::detail

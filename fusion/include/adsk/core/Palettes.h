#pragma once
// HTML palettes: windows that show a page and exchange string messages
// with it. A workspace switch destroys every palette.

#include "adsk/core/Base.h"
#include "adsk/core/Events.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace adsk::sim::detail {
struct HostState;
struct HostAccess;
struct PaletteData;
}

namespace adsk::core {

enum PaletteDockingStates {
    PaletteDockStateFloating = 0,
    PaletteDockStateTop = 1,
    PaletteDockStateBottom = 2,
    PaletteDockStateLeft = 3,
    PaletteDockStateRight = 4,
};

enum PaletteDockingOptions {
    PaletteDockOptionsNone = 0,
    PaletteDockOptionsToVerticalOnly = 1,
    PaletteDockOptionsToHorizontalOnly = 2,
    PaletteDockOptionsToVerticalAndHorizontal = 3,
};

class Palette : public Base {
public:
    explicit Palette(std::shared_ptr<sim::detail::PaletteData> data);
    static const char* classType() { return "adsk::core::Palette"; }
    const char* objectType() const override { return classType(); }

    // False after deleteMe or after the host destroyed the palette.
    bool isValid() const override;

    std::string id() const;
    std::string name() const;
    std::string htmlFileURL() const;
    // Loads another page into the palette.
    bool htmlFileURL(const std::string& url);
    bool isVisible() const;
    bool isVisible(bool visible);
    PaletteDockingStates dockingState() const;
    bool dockingState(PaletteDockingStates state);
    PaletteDockingOptions dockingOption() const;
    bool dockingOption(PaletteDockingOptions option);
    // Pixels; left and top are screen coordinates.
    int width() const;
    int height() const;
    int left() const;
    int top() const;
    bool isTransparent() const;
    bool setSize(int width, int height);
    // Undocks the palette.
    bool setPosition(int left, int top);
    // 0, 0 removes the limit; the size grows only when it is below the new limit.
    bool setMinimumSize(int width, int height);

    // Hands (action, data) to the page's handler. The page answers
    // asynchronously, so the result is always empty.
    std::string sendInfoToHTML(const std::string& action, const std::string& data);

    Ptr<HTMLEvent> incomingFromHTML() const;
    // Fired when the user clicks Close; the palette is hidden, not deleted.
    Ptr<UserInterfaceGeneralEvent> closed() const;

    bool deleteMe();

private:
    friend class Palettes;
    friend struct adsk::sim::detail::HostAccess;

    std::shared_ptr<sim::detail::PaletteData> data;
    Ptr<HTMLEvent> incomingEvent;
    Ptr<UserInterfaceGeneralEvent> closedEvent;
};

class Palettes : public Base {
public:
    explicit Palettes(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::Palettes"; }
    const char* objectType() const override { return classType(); }

    // Null when the id is empty or already used. The new web browser is always used.
    Ptr<Palette> add(const std::string& id, const std::string& name, const std::string& htmlFileURL,
                     bool isVisible, bool showCloseButton, bool isResizable, int width = 200,
                     int height = 200, bool useNewWebBrowser = true);
    // A palette whose background is transparent; null as for add.
    Ptr<Palette> addTransparent(const std::string& id, const std::string& name,
                                const std::string& htmlFileURL, bool isVisible,
                                bool showCloseButton, bool isResizable,
                                bool isOpaqueWhenUndocked = false, int width = 200,
                                int height = 200);

    // Null when absent.
    Ptr<Palette> itemById(const std::string& id);
    Ptr<Palette> item(std::size_t index);
    std::size_t count();

private:
    friend struct adsk::sim::detail::HostAccess;

    void dropDeleted();

    std::shared_ptr<sim::detail::HostState> state;
    std::vector<Ptr<Palette>> items;
};

} // namespace adsk::core

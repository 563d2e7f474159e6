#pragma once
// How the page looks: theme, opaque or transparent background, the name of
// the host's display environment; and the two extra palettes that load the
// page in a solo mode (documentation and one detached tab).

#include "Core/CoreAll.h"

#include <string>
#include <string_view>

namespace Corvana {

inline constexpr const char* docsPaletteId = "tolvexDocsPaletteId";
inline constexpr const char* detachPaletteId = "tolvexDetachPaletteId";

// "system" (initially), "light", "darksky" or "riverrubicon".
const std::string& themeMode();
// Whether the main palette asks for an opaque background (initially true).
bool opaqueMode();

// "light", "darksky" or "riverrubicon": the mode when it names one, else the
// host's environment value; "darksky" without an application.
std::string paletteTheme(adsk::core::Application* app);
// "Always Light" in light mode, else the host environment's display name
// ("Grey Room", ...), "System Theme" for any other value.
std::string environmentName(adsk::core::Application* app);
// The address form: "alwayslight", "greyroom", ..., "systemlight".
std::string compactEnvironmentName(std::string_view name);

// Every byte but ASCII letters, digits and "-_.~" as %XX (upper-case hex).
std::string percentEncode(std::string_view text);

struct MainPaletteAddress {
    std::string url;
    bool opaque = true;  // the light theme is always opaque
};
MainPaletteAddress mainPaletteAddress(adsk::core::Application* app, bool opaqueRequested);

// Forgets the state CHECK_ENV last reported, so a new page gets one answer.
void clearLastEnvironmentState();

// Remove the extra palettes with their handlers; nothing when absent.
void destroyDocsPalette(adsk::core::UserInterface* ui);
void destroyDetachPalette(adsk::core::UserInterface* ui);

// Tells the main page that the user closed the documentation palette.
class DocsPaletteClosedHandler : public adsk::core::UserInterfaceGeneralEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::UserInterfaceGeneralEventArgs>& eventArgs) override;

    adsk::core::Ptr<adsk::core::UserInterface> ui;
};
DocsPaletteClosedHandler& docsPaletteClosedHandler();

void onCheckEnv(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetThemeMode(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetOpaqueMode(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDocsDetach(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDocsPos(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDocsReattach(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDocsClose(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onGetDocsState(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onDetachTab(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onRedockTab(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onCloseDetach(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

} // namespace Corvana

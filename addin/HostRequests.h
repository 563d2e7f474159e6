#pragma once
// Small page requests that report host facts (units, language, user, local
// libraries), store settings for later operations and manage the main
// palette's window. None replies with an error.

#include "Core/CoreAll.h"
#include "platform/Opener.h"

#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// {"names":["...",...]}, each name escaped, in the given order.
std::string buildLocalLibrariesJson(const std::vector<std::string>& names);

// True for addresses OPEN_URL hands on: "https://" or "mailto:" in any letter case.
bool isOpenableUrl(std::string_view url);

struct UserIdentity {
    std::string displayName;
    std::string email;
};

// The signed-in user's name and e-mail; each reported value is remembered,
// each missing one is the remembered value (empty when none).
UserIdentity resolveUserIdentity(adsk::core::Application* app);

// Replaces the opener OPEN_URL uses; null restores the system's.
void setUrlOpener(Opener* opener);

void onGetMfgUnits(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onGetAppLanguage(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onGetUserInfo(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onGetLocalLibraries(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetPolyTolerance(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetHolderDestination(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetMaterialDefaults(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onSetUtilityRunning(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onOpenUrl(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onClosePalette(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onResetPalette(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

} // namespace Corvana

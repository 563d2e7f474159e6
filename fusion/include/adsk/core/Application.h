#pragma once
// The running host application: user interface, custom events, the log,
// and facts about the user, preferences, viewport and active document.

#include "adsk/core/Base.h"
#include "adsk/core/Events.h"

#include <map>
#include <memory>
#include <string>

namespace adsk::sim::detail {
struct HostState;
struct HostAccess;
}

namespace adsk::core {

class UserInterface;
class Document;

enum LogLevels { ErrorLogLevel = 0, WarningLogLevel = 1, InfoLogLevel = 2 };

enum LogTypes { FileLogType = 0, ConsoleLogType = 1 };

enum UserLanguages {
    ChinesePRCLanguage = 0,
    ChineseTaiwanLanguage = 1,
    CzechLanguage = 2,
    EnglishLanguage = 3,
    FrenchLanguage = 4,
    GermanLanguage = 5,
    HungarianLanguage = 6,
    ItalianLanguage = 7,
    JapaneseLanguage = 8,
    KoreanLanguage = 9,
    PolishLanguage = 10,
    PortugueseBrazilianLanguage = 11,
    RussianLanguage = 12,
    SpanishLanguage = 13,
    TurkishLanguage = 14,
};

enum UserInterfaceThemes {
    ClassicUserInterfaceTheme = 0,
    LightGrayUserInterfaceTheme = 1,
    DarkBlueUserInterfaceTheme = 2,
    DarkGrayUserInterfaceTheme = 3,
    DeviceUserInterfaceTheme = 4,
};

enum LightingEnvironments {
    DarkSkyLightingEnvironment = 0,
    GreyRoomLightingEnvironment = 1,
    PhotoBoothLightingEnvironment = 2,
    TranquilityBlueLightingEnvironment = 3,
    InfinityPoolLightingEnvironment = 4,
    RiverRubiconLightingEnvironment = 5,
};

class User : public Base {
public:
    User(std::string displayName, std::string email);
    static const char* classType() { return "adsk::core::User"; }
    const char* objectType() const override { return classType(); }

    std::string displayName() const;
    std::string email() const;

private:
    std::string displayNameText;
    std::string emailText;
};

class GeneralPreferences : public Base {
public:
    explicit GeneralPreferences(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::GeneralPreferences"; }
    const char* objectType() const override { return classType(); }

    // Takes effect in the host only after a restart.
    UserLanguages userLanguage() const;
    UserInterfaceThemes userInterfaceTheme() const;

private:
    std::shared_ptr<sim::detail::HostState> state;
};

class Preferences : public Base {
public:
    explicit Preferences(std::shared_ptr<sim::detail::HostState> state);
    static const char* classType() { return "adsk::core::Preferences"; }
    const char* objectType() const override { return classType(); }

    Ptr<GeneralPreferences> generalPreferences() const;

private:
    std::shared_ptr<sim::detail::HostState> state;
};

class Viewport : public Base {
public:
    Viewport(int width, int height);
    static const char* classType() { return "adsk::core::Viewport"; }
    const char* objectType() const override { return classType(); }

    // Pixels.
    int width() const;
    int height() const;

private:
    int widthPixels;
    int heightPixels;
};

class Application : public Base {
public:
    explicit Application(std::shared_ptr<sim::detail::HostState> state);
    ~Application() override;
    static const char* classType() { return "adsk::core::Application"; }
    const char* objectType() const override { return classType(); }

    // The running application, or null when the host is not running.
    static Ptr<Application> get();

    // Null when the host has no user interface.
    Ptr<UserInterface> userInterface() const;

    // Null when the id is already registered.
    Ptr<CustomEvent> registerCustomEvent(const std::string& eventId);
    bool unregisterCustomEvent(const std::string& eventId);
    // Safe from any thread: only queues the event, which the main thread
    // delivers later. True means queued; false for an unregistered id.
    bool fireCustomEvent(const std::string& eventId, const std::string& additionalInfo = "");

    // Console lines go to the text-commands window, file lines to the host's log.
    static void log(const std::string& message, LogLevels level = InfoLogLevel,
                    LogTypes type = ConsoleLogType);

    std::string version() const;
    // Null when nobody is signed in.
    Ptr<User> currentUser() const;
    Ptr<Preferences> preferences() const;
    LightingEnvironments lightingEnvironment() const;
    // Null when no viewport is open.
    Ptr<Viewport> activeViewport() const;
    // Null when no document is open.
    Ptr<Document> activeDocument() const;

private:
    friend struct adsk::sim::detail::HostAccess;

    std::shared_ptr<sim::detail::HostState> state;
    Ptr<UserInterface> ui;
    std::map<std::string, Ptr<CustomEvent>> customEvents;
};

} // namespace adsk::core

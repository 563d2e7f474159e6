#pragma once
// One line of a host script (JSON Lines): what the simulated Fusion or its
// user does next. Parsing is separate from running so that a bad line is
// rejected before anything of it happens.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace Corvana {

// Queues the answer of the next file, folder or save dialog.
struct DialogStep {
    bool ok = false;
    std::string path;  // set when ok
};

// A page message to the main palette.
struct SendStep {
    std::string action;
    std::string data;
};

// Pumps host events for this long.
struct WaitStep {
    int milliseconds = 0;
};

struct UserFacts {
    std::string displayName;
    std::string email;
};

// Host facts to change; an absent member stays as it is.
struct FusionStep {
    // An empty inner value closes the document.
    std::optional<std::optional<std::string>> units;
    std::optional<int> language;
    std::optional<int> theme;    // lighting environment, 0-5
    std::optional<int> uiTheme;  // general preferences UI theme, 0-4
    std::optional<std::string> version;
    // An empty inner value signs the user out.
    std::optional<std::optional<UserFacts>> user;
};

// The user clicks the main palette's close button.
struct HidePaletteStep {};

struct StopStep {};

using ScriptStep = std::variant<DialogStep, SendStep, WaitStep, FusionStep, HidePaletteStep, StopStep>;

struct ParsedLine {
    bool blank = false;
    std::optional<ScriptStep> step;  // set unless blank or malformed
    std::string error;               // one sentence when malformed
};

// Parses one script line (without its line break). Never throws.
ParsedLine parseScriptLine(std::string_view line);

} // namespace Corvana

#include "apps/corvana-host/ScriptLine.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <initializer_list>

namespace Corvana {
namespace {

using Json = nlohmann::json;

constexpr int maxWaitMs = 3'600'000;  // an hour; longer is a typo, not a test
constexpr std::array verbs{"dialog", "send", "wait", "fusion", "showPalette", "stop"};
constexpr std::array lengthUnits{"mm", "cm", "m", "in", "ft"};

ParsedLine malformed(std::string message) {
    ParsedLine parsed;
    parsed.error = std::move(message);
    return parsed;
}

ParsedLine parsedStep(ScriptStep step) {
    ParsedLine parsed;
    parsed.step = std::move(step);
    return parsed;
}

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// An integer within [minimum, maximum]; floats and other types are refused.
std::optional<int> intInRange(const Json& value, int minimum, int maximum) {
    if (!value.is_number_integer()) return std::nullopt;
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        const bool belowMinimum = minimum > 0 && number < static_cast<std::uint64_t>(minimum);
        if (belowMinimum || number > static_cast<std::uint64_t>(maximum)) return std::nullopt;
        return static_cast<int>(number);
    }
    const auto number = value.get<std::int64_t>();
    if (number < minimum || number > maximum) return std::nullopt;
    return static_cast<int>(number);
}

// The first member of `object` whose name is not in `allowed`, or empty.
std::string unexpectedKey(const Json& object, std::initializer_list<std::string_view> allowed) {
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const auto name : allowed) known = known || key == name;
        if (!known) return key;
    }
    return {};
}

// The single verb of a line; empty when it has none, "+" when it has several.
std::string verbOf(const Json& object) {
    std::string found;
    for (const char* verb : verbs) {
        if (!object.contains(verb)) continue;
        if (!found.empty()) return "+";
        found = verb;
    }
    return found;
}

// {"dialog":"ok","path":"..."} | {"dialog":"cancel"}
ParsedLine parseDialog(const Json& line) {
    const Json& answer = line["dialog"];
    if (answer == "cancel") {
        if (!unexpectedKey(line, {"dialog"}).empty()) return malformed("a cancelled dialog takes no other member");
        return parsedStep(DialogStep{false, {}});
    }
    if (answer != "ok") return malformed("\"dialog\" must be \"ok\" or \"cancel\"");
    if (const auto key = unexpectedKey(line, {"dialog", "path"}); !key.empty())
        return malformed("unknown member \"" + key + "\"");
    if (!line.contains("path") || !line["path"].is_string() || line["path"].get<std::string>().empty())
        return malformed("an \"ok\" dialog needs a non-empty \"path\" string");
    return parsedStep(DialogStep{true, line["path"].get<std::string>()});
}

// {"send":"ACTION","data":"TEXT"}
ParsedLine parseSend(const Json& line) {
    if (const auto key = unexpectedKey(line, {"send", "data"}); !key.empty())
        return malformed("unknown member \"" + key + "\"");
    if (!line["send"].is_string() || line["send"].get<std::string>().empty())
        return malformed("\"send\" must be a non-empty action string");
    if (!line.contains("data") || !line["data"].is_string())
        return malformed("\"send\" needs a \"data\" string");
    return parsedStep(SendStep{line["send"].get<std::string>(), line["data"].get<std::string>()});
}

// {"wait":MS}
ParsedLine parseWait(const Json& line) {
    if (const auto key = unexpectedKey(line, {"wait"}); !key.empty())
        return malformed("unknown member \"" + key + "\"");
    const auto milliseconds = intInRange(line["wait"], 0, maxWaitMs);
    if (!milliseconds)
        return malformed("\"wait\" must be a whole number of milliseconds from 0 to " + std::to_string(maxWaitMs));
    return parsedStep(WaitStep{*milliseconds});
}

// "user":{"displayName":"...","email":"..."} | "user":null
std::optional<std::optional<UserFacts>> parseUser(const Json& user, std::string& error) {
    if (user.is_null()) return std::optional<UserFacts>();
    const bool wellFormed = user.is_object() && unexpectedKey(user, {"displayName", "email"}).empty() &&
                            user.contains("displayName") && user["displayName"].is_string() &&
                            user.contains("email") && user["email"].is_string();
    if (!wellFormed) {
        error = "\"user\" must be null or {\"displayName\":string,\"email\":string}";
        return std::nullopt;
    }
    return std::optional<UserFacts>(UserFacts{user["displayName"].get<std::string>(), user["email"].get<std::string>()});
}

// "units":"mm"|"in"|... or null for no open document.
std::optional<std::optional<std::string>> parseUnits(const Json& units, std::string& error) {
    if (units.is_null()) return std::optional<std::string>();
    for (const char* known : lengthUnits) {
        if (units == known) return std::optional<std::string>(known);
    }
    error = "\"units\" must be \"mm\", \"cm\", \"m\", \"in\", \"ft\" or null";
    return std::nullopt;
}

// One named integer fact within [minimum, maximum]; true when absent or valid.
bool parseIntFact(const Json& facts, const char* name, int minimum, int maximum, std::optional<int>& out,
                  std::string& error) {
    if (!facts.contains(name)) return true;
    out = intInRange(facts[name], minimum, maximum);
    if (out) return true;
    error = "\"" + std::string(name) + "\" must be a whole number from " + std::to_string(minimum) + " to " +
            std::to_string(maximum);
    return false;
}

// {"fusion":{"units":..,"language":N,"theme":N,"uiTheme":N,"version":"..","user":..}}
ParsedLine parseFusion(const Json& line) {
    if (const auto key = unexpectedKey(line, {"fusion"}); !key.empty())
        return malformed("unknown member \"" + key + "\"");
    const Json& facts = line["fusion"];
    if (!facts.is_object()) return malformed("\"fusion\" must be an object");
    if (const auto key = unexpectedKey(facts, {"units", "language", "theme", "uiTheme", "version", "user"});
        !key.empty())
        return malformed("unknown host fact \"" + key + "\"");
    FusionStep step;
    std::string error;
    if (facts.contains("units") && !(step.units = parseUnits(facts["units"], error))) return malformed(error);
    if (facts.contains("user") && !(step.user = parseUser(facts["user"], error))) return malformed(error);
    if (!parseIntFact(facts, "language", 0, 14, step.language, error) ||
        !parseIntFact(facts, "theme", 0, 5, step.theme, error) ||
        !parseIntFact(facts, "uiTheme", 0, 4, step.uiTheme, error))
        return malformed(error);
    if (facts.contains("version")) {
        if (!facts["version"].is_string()) return malformed("\"version\" must be a string");
        step.version = facts["version"].get<std::string>();
    }
    return parsedStep(std::move(step));
}

// {"showPalette":false} | {"stop":true}
ParsedLine parseFlag(const Json& line, const char* verb, bool expected, ScriptStep step) {
    if (const auto key = unexpectedKey(line, {verb}); !key.empty())
        return malformed("unknown member \"" + key + "\"");
    if (line[verb] != expected)
        return malformed("\"" + std::string(verb) + "\" must be " + (expected ? "true" : "false"));
    return parsedStep(std::move(step));
}

} // namespace

ParsedLine parseScriptLine(std::string_view line) {
    if (isBlank(line)) {
        ParsedLine blank;
        blank.blank = true;
        return blank;
    }
    Json parsed;
    try {
        parsed = Json::parse(line);
    } catch (const Json::parse_error& error) {
        return malformed(std::string("not valid JSON: ") + error.what());
    }
    if (!parsed.is_object()) return malformed("a line must be one JSON object");
    const std::string verb = verbOf(parsed);
    if (verb.empty()) return malformed("no command; expected one of dialog, send, wait, fusion, showPalette, stop");
    if (verb == "+") return malformed("more than one command on one line");
    if (verb == "dialog") return parseDialog(parsed);
    if (verb == "send") return parseSend(parsed);
    if (verb == "wait") return parseWait(parsed);
    if (verb == "fusion") return parseFusion(parsed);
    if (verb == "showPalette") return parseFlag(parsed, "showPalette", false, HidePaletteStep{});
    return parseFlag(parsed, "stop", true, StopStep{});
}

} // namespace Corvana

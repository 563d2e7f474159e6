#pragma once
// In-memory tool libraries: the parsed document, its tools, and the table
// that derives host parameters from a tool's JSON entry.

#include "adsk/cam/ToolLibrary.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adsk::sim::detail {

// One entry of a library's "data" array, shared by the tool and its parameters.
struct ToolData {
    nlohmann::json entry;
};

struct LibraryData {
    nlohmann::json document;  // the top-level object without its "data" array
    std::vector<core::Ptr<cam::Tool>> tools;
};

enum class ValueKind { Float, Integer, Boolean, String, Choice };
enum class Section { Top, Geometry, Holder, PostProcess };
enum class Quantity { None, Length, Angle };

// Where a parameter lives in a tool entry and how its value is converted.
struct ParameterMapping {
    const char* name;
    Section section;
    const char* key;
    ValueKind kind;
    Quantity quantity;
};

struct ParameterBinding {
    std::shared_ptr<ToolData> tool;
    const ParameterMapping* mapping = nullptr;
};

// The parameter of that name when the entry holds a usable value for it.
const ParameterMapping* findParameter(const ToolData& tool, std::string_view name);

// A tool-library document, or nothing when the text is not JSON, is nested
// too deeply, or is not an object whose "data" array holds objects that
// each have a string "type".
std::optional<nlohmann::json> parseLibraryDocument(std::string_view text);

core::Ptr<cam::ToolLibrary> makeLibrary(nlohmann::json document);

struct LibraryAccess {
    static const ToolData& toolData(const cam::Tool& tool);
    // The whole document; indent < 0 gives compact text.
    static std::string text(const cam::ToolLibrary& library, int indent);
};

// JSON text that never fails on invalid UTF-8 set through a parameter.
std::string jsonText(const nlohmann::json& value, int indent);

} // namespace adsk::sim::detail

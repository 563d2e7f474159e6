#pragma once
// In-memory tool libraries: the parsed document, its tools, and the table
// that derives host parameters from a tool's JSON entry.

#include "adsk/cam/ToolLibrary.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adsk::sim::detail {

// One entry of a library's "data" array, shared by the tool and its parameters.
// It is kept as its compact JSON text and parsed on first use, so a library that
// is only read, compared and written never builds a document tree per tool.
// Touched on the main thread only.
struct ToolData {
public:
    explicit ToolData(std::string compactText) : text(std::move(compactText)) {}
    explicit ToolData(nlohmann::json tree) : parsed(std::move(tree)) {}

    // The entry as a tree; from the first call on, the tree is the entry.
    nlohmann::json& entry();
    const nlohmann::json& entry() const;
    // The entry as compact JSON text.
    std::string compactText() const;
    void appendCompactText(std::string& out) const;
    // About the length of the compact text (exact until the entry is parsed).
    std::size_t textSize() const { return parsed ? 1024 : text.size(); }

private:
    mutable std::string text;
    mutable std::optional<nlohmann::json> parsed;
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

// A tool library read from document text, or null when the text is not JSON,
// is nested too deeply, or is not an object whose "data" array holds objects
// that each have a string "type". The tool entries stay text until used.
core::Ptr<cam::ToolLibrary> readLibraryDocument(std::string_view text);

struct LibraryAccess {
    static const ToolData& toolData(const cam::Tool& tool);
    // The whole document as compact JSON, one tool entry per line, given to
    // `sink` in pieces; false when the sink refused one.
    static bool write(const cam::ToolLibrary& library, const std::function<bool(std::string_view)>& sink);
    static std::string text(const cam::ToolLibrary& library);
};

// JSON text that never fails on invalid UTF-8 set through a parameter.
std::string jsonText(const nlohmann::json& value, int indent);

} // namespace adsk::sim::detail

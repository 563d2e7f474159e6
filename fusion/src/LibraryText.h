#pragma once
// Tool-library document text taken apart and put together without building a
// tree per tool: the tool entries stay compact text.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace adsk::sim::detail {

struct LibraryParts {
    nlohmann::json document;           // the top-level object without its "data" member
    std::vector<std::string> entries;  // each "data" element as compact text
};

// The parts of a document, or nothing when the text is not JSON, is nested
// too deeply, or is not an object whose "data" array holds objects that each
// have a string "type".
std::optional<LibraryParts> splitLibraryDocument(std::string_view text);

// Well-formed JSON text without the blanks between its tokens.
std::string compactJsonText(std::string_view json);

} // namespace adsk::sim::detail

#include "adsk/cam/ToolLibrary.h"

#include "ToolData.h"

#include <algorithm>
#include <utility>

namespace adsk::sim::detail {
namespace {

// Real libraries nest about six levels deep; the limit keeps the recursive
// serializer far from the stack's end on hostile input.
constexpr std::size_t maxNestingDepth = 64;

// Deepest nesting of arrays and objects, counting brackets outside strings.
std::size_t nestingDepth(std::string_view text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
        if ((c == ']' || c == '}') && depth > 0) --depth;
    }
    return deepest;
}

bool isToolEntry(const nlohmann::json& entry) {
    if (!entry.is_object()) return false;
    const auto type = entry.find("type");
    return type != entry.end() && type->is_string();
}

core::Ptr<cam::Tool> makeTool(nlohmann::json entry) {
    auto data = std::make_shared<ToolData>();
    data->entry = std::move(entry);
    return core::Ptr<cam::Tool>(new cam::Tool(std::move(data)));
}

} // namespace

std::optional<nlohmann::json> parseLibraryDocument(std::string_view text) {
    if (nestingDepth(text) > maxNestingDepth) return std::nullopt;
    nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    const auto data = document.find("data");
    if (data == document.end() || !data->is_array()) return std::nullopt;
    if (!std::all_of(data->begin(), data->end(), isToolEntry)) return std::nullopt;
    return document;
}

core::Ptr<cam::ToolLibrary> makeLibrary(nlohmann::json document) {
    auto data = std::make_shared<LibraryData>();
    for (auto& entry : document["data"]) data->tools.push_back(makeTool(std::move(entry)));
    document.erase("data");
    data->document = std::move(document);
    return core::Ptr<cam::ToolLibrary>(new cam::ToolLibrary(std::move(data)));
}

std::string jsonText(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

const ToolData& LibraryAccess::toolData(const cam::Tool& tool) { return *tool.data; }

std::string LibraryAccess::text(const cam::ToolLibrary& library, int indent) {
    nlohmann::json document = library.data->document;
    nlohmann::json entries = nlohmann::json::array();
    for (const auto& tool : library.data->tools) entries.push_back(tool->data->entry);
    document["data"] = std::move(entries);
    return jsonText(document, indent);
}

} // namespace adsk::sim::detail

namespace adsk::cam {

using sim::detail::LibraryAccess;

Tool::Tool(std::shared_ptr<sim::detail::ToolData> toolData) : data(std::move(toolData)) {}

std::string Tool::toJson() const { return sim::detail::jsonText(data->entry, -1); }

std::string Tool::description() const {
    const auto found = data->entry.find("description");
    return found != data->entry.end() && found->is_string() ? found->get<std::string>() : "";
}

core::Ptr<CAMParameters> Tool::parameters() const {
    return core::Ptr<CAMParameters>(new CAMParameters(data));
}

ToolLibrary::ToolLibrary(std::shared_ptr<sim::detail::LibraryData> libraryData)
    : data(std::move(libraryData)) {}

core::Ptr<ToolLibrary> ToolLibrary::createFromJson(const std::string& json) {
    auto document = sim::detail::parseLibraryDocument(json);
    if (!document) return nullptr;
    return sim::detail::makeLibrary(std::move(*document));
}

std::size_t ToolLibrary::count() const { return data->tools.size(); }

core::Ptr<Tool> ToolLibrary::item(std::size_t index) const {
    return index < data->tools.size() ? data->tools[index] : nullptr;
}

bool ToolLibrary::add(const core::Ptr<Tool>& tool) {
    if (!tool) return false;
    auto copy = std::make_shared<sim::detail::ToolData>(LibraryAccess::toolData(*tool));
    data->tools.push_back(core::Ptr<Tool>(new Tool(std::move(copy))));
    return true;
}

std::string ToolLibrary::toJson() const { return LibraryAccess::text(*this, -1); }

} // namespace adsk::cam

#include "adsk/cam/ToolLibrary.h"

#include "LibraryText.h"
#include "ToolData.h"

#include <algorithm>
#include <utility>

namespace adsk::sim::detail {
namespace {

std::string keyText(const std::string& key) { return jsonText(nlohmann::json(key), -1); }

// Pieces of about this size go to the sink.
constexpr std::size_t pieceChars = std::size_t{1} << 18;

// "data":[ then each entry on a line of its own, then ].
bool writeEntries(std::string& pending, const LibraryData& library,
                  const std::function<bool(std::string_view)>& sink) {
    pending += "\"data\":[";
    for (std::size_t i = 0; i < library.tools.size(); ++i) {
        pending += i == 0 ? "\n" : ",\n";
        LibraryAccess::toolData(*library.tools[i]).appendCompactText(pending);
        if (pending.size() < pieceChars) continue;
        if (!sink(pending)) return false;
        pending.clear();
    }
    if (!library.tools.empty()) pending += '\n';
    pending += ']';
    return true;
}

} // namespace

nlohmann::json& ToolData::entry() {
    if (!parsed) {
        parsed = nlohmann::json::parse(text);
        text = {};
    }
    return *parsed;
}

const nlohmann::json& ToolData::entry() const { return const_cast<ToolData&>(*this).entry(); }

std::string ToolData::compactText() const { return parsed ? jsonText(*parsed, -1) : text; }

void ToolData::appendCompactText(std::string& out) const {
    if (parsed)
        out += jsonText(*parsed, -1);
    else
        out += text;
}

core::Ptr<cam::ToolLibrary> readLibraryDocument(std::string_view text) {
    auto parts = splitLibraryDocument(text);
    if (!parts) return nullptr;
    auto data = std::make_shared<LibraryData>();
    data->tools.reserve(parts->entries.size());
    for (auto& entry : parts->entries)
        data->tools.push_back(core::Ptr<cam::Tool>(new cam::Tool(std::make_shared<ToolData>(std::move(entry)))));
    data->document = std::move(parts->document);
    return core::Ptr<cam::ToolLibrary>(new cam::ToolLibrary(std::move(data)));
}

std::string jsonText(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

const ToolData& LibraryAccess::toolData(const cam::Tool& tool) { return *tool.data; }

// The top-level members in the order a parsed document keeps them (by name),
// the tool entries as they are held.
bool LibraryAccess::write(const cam::ToolLibrary& library, const std::function<bool(std::string_view)>& sink) {
    const LibraryData& data = *library.data;
    std::string pending = "{";
    pending.reserve(pieceChars + pieceChars / 4);
    bool entriesWritten = false;
    for (const auto& [key, value] : data.document.items()) {
        if (!entriesWritten && key > "data") {
            if (pending.size() > 1) pending += ',';
            if (!writeEntries(pending, data, sink)) return false;
            entriesWritten = true;
        }
        if (pending.size() > 1 || entriesWritten) pending += ',';
        pending += keyText(key);
        pending += ':';
        pending += jsonText(value, -1);
    }
    if (!entriesWritten) {
        if (pending.size() > 1) pending += ',';
        if (!writeEntries(pending, data, sink)) return false;
    }
    pending += '}';
    return sink(pending);
}

std::string LibraryAccess::text(const cam::ToolLibrary& library) {
    std::string text;
    write(library, [&text](std::string_view piece) {
        text += piece;
        return true;
    });
    return text;
}

} // namespace adsk::sim::detail

namespace adsk::cam {

using sim::detail::LibraryAccess;

Tool::Tool(std::shared_ptr<sim::detail::ToolData> toolData) : data(std::move(toolData)) {}

std::string Tool::toJson() const { return data->compactText(); }

std::string Tool::description() const {
    const nlohmann::json& entry = data->entry();
    const auto found = entry.find("description");
    return found != entry.end() && found->is_string() ? found->get<std::string>() : "";
}

core::Ptr<CAMParameters> Tool::parameters() const {
    return core::Ptr<CAMParameters>(new CAMParameters(data));
}

ToolLibrary::ToolLibrary(std::shared_ptr<sim::detail::LibraryData> libraryData)
    : data(std::move(libraryData)) {}

core::Ptr<ToolLibrary> ToolLibrary::createFromJson(const std::string& json) {
    return sim::detail::readLibraryDocument(json);
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

std::string ToolLibrary::toJson() const { return LibraryAccess::text(*this); }

} // namespace adsk::cam

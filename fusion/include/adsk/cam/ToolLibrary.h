#pragma once
// Tool libraries held in memory, and their tools.

#include "adsk/cam/CAMParameters.h"
#include "adsk/core/Base.h"

#include <cstddef>
#include <memory>
#include <string>

namespace adsk::sim::detail {
struct LibraryAccess;
struct LibraryData;
struct ToolData;
}

namespace adsk::cam {

class Tool : public core::Base {
public:
    explicit Tool(std::shared_ptr<sim::detail::ToolData> data);
    static const char* classType() { return "adsk::cam::Tool"; }
    const char* objectType() const override { return classType(); }

    // The tool's entry of a tool-library document, as compact JSON text.
    std::string toJson() const;
    std::string description() const;
    core::Ptr<CAMParameters> parameters() const;

private:
    friend struct adsk::sim::detail::LibraryAccess;

    std::shared_ptr<sim::detail::ToolData> data;
};

class ToolLibrary : public core::Base {
public:
    explicit ToolLibrary(std::shared_ptr<sim::detail::LibraryData> data);
    static const char* classType() { return "adsk::cam::ToolLibrary"; }
    const char* objectType() const override { return classType(); }

    // Null when the text is not JSON or not a tool-library document: an
    // object whose "data" array holds objects, each with a string "type".
    static core::Ptr<ToolLibrary> createFromJson(const std::string& json);

    std::size_t count() const;
    // Null past the end.
    core::Ptr<Tool> item(std::size_t index) const;
    // Appends a copy of the tool.
    bool add(const core::Ptr<Tool>& tool);
    std::string toJson() const;

private:
    friend struct adsk::sim::detail::LibraryAccess;

    std::shared_ptr<sim::detail::LibraryData> data;
};

} // namespace adsk::cam

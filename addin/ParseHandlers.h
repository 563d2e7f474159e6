#pragma once
// Template and project-folder parses: the file or folder is read on a worker
// while the page receives PARSE_BEGIN and one PARSE_TOOL per tool; the tools
// replace ptfTools and REPLY_PARSE_PTF gives their count.

#include "Core/CoreAll.h"
#include "addin/SourceParse.h"

#include <optional>
#include <string>

namespace Corvana {

// Parses the template at `path` into ptfTools and replies. `reader` defaults
// to the template parser. A parse requested while another runs is refused
// with the failure reply and changes nothing.
void beginPtfParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader = {});

// Checks and reads a project folder into ptfTools and replies with
// `replyPath`. A folder that is not a usable project gets the cancelled reply
// and a message box with the reason (and `hint`); a listed tool entity that
// cannot be read leaves no tool at all. `reader` defaults to the project reader.
void beginProjectDirParse(const std::string& folder, const std::string& replyPath, adsk::core::UserInterface* ui,
                          const std::string& sourceType, const std::string& dialogTitle,
                          const std::optional<std::string>& hint, const ToolFileReader& reader = {});

void onBrowseAndParsePtf(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onBrowseAndParseProject(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

} // namespace Corvana

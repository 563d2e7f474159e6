#pragma once
// Project archive and tool database parses: an archive is extracted into the
// scratch folder and read as a project folder into ptfTools; a database is
// read on a worker into mdbTools and answered with REPLY_PARSE_MDB.

#include "Core/CoreAll.h"
#include "addin/ParseHandlers.h"

#include <string>

namespace Corvana {

// Reads the tool database at `path` into mdbTools while the page receives
// PARSE_BEGIN and PARSE_TOOL, then replies REPLY_PARSE_MDB. A reader that
// throws leaves mdbTools empty and the reply carries the error member. A parse
// requested while another runs is refused and changes nothing. `reader`
// defaults to the database reader.
void beginMdbParse(const std::string& path, adsk::core::UserInterface* ui, const ToolFileReader& reader = {});

// Asks for a .pmlprjz, extracts it and reads it as a project folder; the
// extraction folder is removed on every way out.
void onBrowseAndParseArchive(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onBrowseAndParseMdb(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
// One picker for templates and databases; the extension chooses the parse.
void onBrowseAndParseToolLibrary(const std::string& data, adsk::core::Application* app,
                                 adsk::core::UserInterface* ui);

// Registers BROWSE_AND_PARSE_ARCHIVE, BROWSE_AND_PARSE_MDB and BROWSE_AND_PARSE_TOOL_LIBRARY.
void registerArchiveAndDatabaseParseActions();

} // namespace Corvana

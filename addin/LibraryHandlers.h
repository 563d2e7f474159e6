#pragma once
// The palette's library operations: import into a new library, analysis of
// an existing one, replace, merge and export to a JSON file, each for the
// three tool lists (file sources, PowerMill session, tool database).

#include "Core/CoreAll.h"

#include <string>

namespace Corvana {

// Imports into a new library; when the name is taken, only warns the page
// with WARN_LIBRARY_EXISTS {"analyzed":false}.
void onImportTools(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onImportPmTools(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onImportMdbTools(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

// Compares the selection with the named library: WARN_LIBRARY_EXISTS with the counts and names.
void onAnalyzeLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onAnalyzePmLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onAnalyzeMdbLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

void onReplaceLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onReplacePmLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onReplaceMdbLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

// Adds the tools the library lacks; the reply names their source indices in "addedIndices".
void onMergeLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onMergePmLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onMergeMdbLibrary(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

// Writes the library document to a file the user picks: REPLY_EXPORT_JSON.
void onExportJson(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onExportPmJson(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onExportMdbJson(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

} // namespace Corvana

#pragma once
// The table from page action names to their handlers, filled once by run.

#include "Core/CoreAll.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

// (request data, application, user interface); replies go through sendToPalette.
using ActionHandler =
    std::function<void(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui)>;

// 64-bit FNV-1a, the table's hash.
std::uint64_t fnv1a64(std::string_view text);

// Inserts or replaces the handler of `action`.
void registerAction(const std::string& action, ActionHandler handler);

// Calls the handler of `action`; false, with nothing done, for an unknown action.
bool dispatchAction(const std::string& action, const std::string& data, adsk::core::Application* app,
                    adsk::core::UserInterface* ui);

// Every registered action name, sorted.
std::vector<std::string> registeredActionNames();

// The five registration groups, in the order fillActionTable calls them.
void registerHostAndAppearanceActions();
void registerFileSourceActions();  // template, project, archive and library actions
void registerPmSessionActions();
void registerToolDatabaseActions();
void registerServiceActions();     // file picker, diagnostics and update actions

void fillActionTable();

} // namespace Corvana

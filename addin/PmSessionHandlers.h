#pragma once
// The PowerMill requests: GET_PM_STATUS lists the installed release and the
// running sessions; OPEN_PM_PROJECT opens a project folder or archive in a
// PowerMill the add-in starts (or reuses), or attaches to a listed session,
// and reads its tools into pmSessionTools; OPEN_PM_PROJECT_FORCE repeats an
// open after the user accepted a release-year warning.

#include "Core/CoreAll.h"

#include <string>

namespace Corvana {

void onGetPmStatus(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onOpenPmProject(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);
void onOpenPmProjectForce(const std::string& data, adsk::core::Application* app, adsk::core::UserInterface* ui);

void registerPmOpenActions();

} // namespace Corvana

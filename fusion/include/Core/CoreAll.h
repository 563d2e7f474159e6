#pragma once
// Every core object of the host API.

#include "adsk/core/Application.h"
#include "adsk/core/Base.h"
#include "adsk/core/Dialogs.h"
#include "adsk/core/Document.h"
#include "adsk/core/Events.h"
#include "adsk/core/Palettes.h"
#include "adsk/core/URL.h"
#include "adsk/core/UserInterface.h"

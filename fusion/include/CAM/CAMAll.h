#pragma once
// Every CAM object of the host API.

#include "adsk/cam/CAMManager.h"
#include "adsk/cam/CAMParameters.h"
#include "adsk/cam/ToolLibrary.h"

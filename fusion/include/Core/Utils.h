#pragma once
// The host utility functions at the include path add-ins use.
#include "adsk/core/Utils.h"

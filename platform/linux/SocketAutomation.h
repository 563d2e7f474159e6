#pragma once
// The Linux side of the automation seam: a handed-off server is its endpoint.

#include "platform/Automation.h"

#include <string>

namespace Corvana {

struct EndpointHandoff final : AutomationHandoff {
    std::string endpoint;  // the server's socket in the running-object table
};

AutomationHandoffRef handoffForEndpoint(const std::string& endpoint);

} // namespace Corvana

#pragma once
// Serves one simulated PowerMill over the automation protocol while it is
// registered in the running-object table.

#include "apps/pmsim/PmSimPowerMill.h"

namespace Corvana::PmSim {

// Runs until EXIT, an --exit-after end, a termination signal or, for a server
// started by a client, the last client letting go. The process exit code.
int serve(PowerMill& powerMill, bool embedding);

} // namespace Corvana::PmSim

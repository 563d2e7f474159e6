#pragma once
// Starting automation server processes on Linux.

#include <cstdint>
#include <string>
#include <vector>

namespace Corvana {

// Starts `arguments` (program path first, not searched in PATH) with standard
// input, output and error on /dev/null and no other inherited descriptors.
// A thread of its own reaps the process when it ends, so no zombie remains
// whoever ends it; its id is then no longer treated as running or signalled,
// as the system may reuse it. 0 when it cannot be started.
std::uint32_t startReapedProcess(const std::vector<std::string>& arguments);

// Minimising windows does nothing on Linux; each request is recorded here.
std::vector<std::string> recordedWindowMinimisations();

} // namespace Corvana

#pragma once
// The Linux running-object table: a private folder (mode 0700) in the user's
// runtime directory where every live automation server keeps one listening
// socket, named "<registration time in hex>-<pid>.sock". Entries of servers
// whose process has ended are skipped and removed by whoever lists them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvana::RunningObjectTable {

struct Entry {
    std::string endpoint;  // the socket's path
    std::uint32_t pid = 0;
};

// Live entries, oldest registration first.
std::vector<Entry> liveEntries();

// The process id in an entry's name; 0 for anything else.
std::uint32_t pidOfEndpoint(const std::string& endpoint);

// Removes an entry whose server does not answer.
void removeEntry(const std::string& endpoint);

struct Registration {
    int listenFd = -1;
    std::string endpoint;
};

// Server side: a listening socket registered for this process; empty when the
// table folder is not usable or the socket cannot be made.
std::optional<Registration> registerThisProcess();

} // namespace Corvana::RunningObjectTable

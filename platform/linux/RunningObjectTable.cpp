#include "platform/linux/RunningObjectTable.h"

#include "platform/Automation.h"
#include "platform/linux/XdgFolders.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Corvana::RunningObjectTable {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderName = "corvana-automation";
constexpr std::string_view kSuffix = ".sock";

struct ParsedName {
    std::string stamp;
    std::uint32_t pid = 0;
};

// "<16 hex digits>-<pid>.sock"; anything else is not an entry.
std::optional<ParsedName> parseName(const std::string& name) {
    if (name.size() < 16 + 1 + 1 + kSuffix.size() || !name.ends_with(kSuffix) || name[16] != '-')
        return std::nullopt;
    ParsedName parsed{name.substr(0, 16), 0};
    const char* first = name.data() + 17;
    const char* last = name.data() + name.size() - kSuffix.size();
    const auto [end, error] = std::from_chars(first, last, parsed.pid);
    if (error != std::errc() || end != last || parsed.pid == 0) return std::nullopt;
    return parsed;
}

std::string stampNow() {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(nanoseconds));
    return text;
}

} // namespace

std::vector<Entry> liveEntries() {
    std::vector<std::pair<std::string, Entry>> found;
    const auto folder = privateRuntimeFolder(kFolderName);
    if (!folder) return {};
    std::error_code error;
    for (fs::directory_iterator it(*folder, error), end; !error && it != end; it.increment(error)) {
        const auto parsed = parseName(it->path().filename().string());
        if (!parsed) continue;
        if (!isProcessRunning(parsed->pid)) {
            removeEntry(it->path().string());
            continue;
        }
        found.push_back({parsed->stamp, Entry{it->path().string(), parsed->pid}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Entry> entries;
    entries.reserve(found.size());
    for (auto& item : found) entries.push_back(std::move(item.second));
    return entries;
}

std::uint32_t pidOfEndpoint(const std::string& endpoint) {
    const auto parsed = parseName(fs::path(endpoint).filename().string());
    return parsed ? parsed->pid : 0;
}

void removeEntry(const std::string& endpoint) {
    const auto folder = privateRuntimeFolder(kFolderName);
    // Only entries of the table itself are ever removed.
    if (!folder || fs::path(endpoint).parent_path() != *folder) return;
    if (!parseName(fs::path(endpoint).filename().string())) return;
    ::unlink(endpoint.c_str());
}

std::optional<Registration> registerThisProcess() {
    const auto folder = privateRuntimeFolder(kFolderName);
    if (!folder) return std::nullopt;
    const std::string name = stampNow() + "-" + std::to_string(::getpid()) + std::string(kSuffix);
    Registration registration;
    registration.endpoint = (*folder / name).string();
    // The socket listens under a name that is not an entry and then takes its
    // entry name, so nobody finds an entry that refuses connections.
    const std::string preparing = (*folder / ("." + name)).string();
    sockaddr_un address{};
    if (preparing.size() >= sizeof address.sun_path) return std::nullopt;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, preparing.data(), preparing.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    const bool listening = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                           ::chmod(preparing.c_str(), 0600) == 0 && ::listen(fd, 16) == 0 &&
                           ::rename(preparing.c_str(), registration.endpoint.c_str()) == 0;
    if (!listening) {
        ::unlink(preparing.c_str());
        ::close(fd);
        return std::nullopt;
    }
    registration.listenFd = fd;
    return registration;
}

} // namespace Corvana::RunningObjectTable

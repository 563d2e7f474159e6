#include "tests/support/PmSimProcess.h"

#include "tests/support/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Corvana::Testing {
namespace {

namespace fs = std::filesystem;

// Creates `folder` (private when asked) and gives its path.
std::string madeFolder(const fs::path& folder, bool private_ = false) {
    fs::create_directories(folder);
    if (private_) fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    return folder.string();
}

} // namespace

const char* pmsimBinary() { return PMSIM_BINARY; }

PmSimEnvironment::PmSimEnvironment()
    : config("XDG_CONFIG_HOME", madeFolder(root.path() / "config")),
      runtime("XDG_RUNTIME_DIR", madeFolder(root.path() / "run", true)) {}

int PmSimEnvironment::install(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{pmsimBinary(), "install"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runCommand(command).exitCode;
}

std::vector<std::string> PmSimEnvironment::tableEntries() const {
    std::vector<std::string> entries;
    std::error_code error;
    for (fs::directory_iterator it(tableFolder(), error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.front() != '.') entries.push_back(std::move(name));
    }
    return entries;
}

std::size_t PmSimEnvironment::liveServerCount() const {
    std::size_t live = 0;
    for (const auto& name : tableEntries()) {
        const auto dash = name.find('-');
        if (dash == std::string::npos) continue;
        const pid_t pid = std::atoi(name.c_str() + dash + 1);
        if (pid > 0 && !processGone(pid, 5000)) ++live;
    }
    return live;
}

PmSimProcess::PmSimProcess(const PmSimEnvironment& environment, const std::vector<std::string>& serveArguments) {
    std::vector<std::string> arguments{pmsimBinary(), "serve"};
    arguments.insert(arguments.end(), serveArguments.begin(), serveArguments.end());
    std::vector<char*> pointers;
    for (auto& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    if (::posix_spawn(&child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0)
        throw std::runtime_error("cannot start pmsim");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::string suffix = "-" + std::to_string(child) + ".sock";
    const auto registered = [&] {
        const auto entries = environment.tableEntries();
        return std::any_of(entries.begin(), entries.end(), [&](const auto& name) { return name.ends_with(suffix); });
    };
    while (!registered()) {
        if (!running() || std::chrono::steady_clock::now() > deadline) {
            terminate();
            throw std::runtime_error("pmsim did not register");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

PmSimProcess::~PmSimProcess() { terminate(); }

bool PmSimProcess::running() {
    if (reaped) return false;
    int status = 0;
    const pid_t result = ::waitpid(child, &status, WNOHANG);
    if (result == child) reaped = true;
    return result == 0;
}

void PmSimProcess::terminate() {
    if (reaped || child <= 0) return;
    ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    reaped = true;
}

// A process, or its zombie, keeps its /proc entry until it is reaped.
bool processGone(pid_t pid, int waitMilliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (fs::exists("/proc/" + std::to_string(pid))) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace Corvana::Testing

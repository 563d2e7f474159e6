#include "platform/linux/ServerProcesses.h"

#include "platform/Automation.h"

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Corvana {
namespace {

std::mutex minimisationMutex;
std::vector<std::string> minimisations;

// Started servers that have ended and been reaped. Their ids are free for the
// system to give to any new process, so they are never signalled again.
std::mutex reapedMutex;
std::set<pid_t> reapedServers;

bool wasReaped(pid_t pid) {
    std::lock_guard lock(reapedMutex);
    return reapedServers.count(pid) != 0;
}

// Between fork and exec only async-signal-safe calls are made.
[[noreturn]] void execChild(char* const* arguments) {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0) ::_exit(127);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::close_range(3, ~0U, 0);
    ::execve(arguments[0], arguments, environ);
    ::_exit(127);
}

// The process state letter of /proc/<pid>/stat, after the command's closing parenthesis.
char processState(std::uint32_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(in, text);
    const auto close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() ? text[close + 2] : '?';
}

} // namespace

std::uint32_t startReapedProcess(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return 0;
    std::vector<std::string> copies = arguments;
    std::vector<char*> pointers;
    for (auto& argument : copies) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return 0;
    if (child == 0) execChild(pointers.data());
    {
        std::lock_guard lock(reapedMutex);
        reapedServers.erase(child);
    }
    std::thread([child]() {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        std::lock_guard lock(reapedMutex);
        reapedServers.insert(child);
    }).detach();
    return static_cast<std::uint32_t>(child);
}

std::vector<std::string> recordedWindowMinimisations() {
    std::lock_guard lock(minimisationMutex);
    return minimisations;
}

bool isProcessRunning(std::uint32_t pid) {
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT32_MAX)) return false;
    if (wasReaped(static_cast<pid_t>(pid))) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    // An ended child that is not yet reaped still answers kill.
    const char state = processState(pid);
    return state != 'Z' && state != 'X';
}

// A forced end like TerminateProcess; Linux cannot choose the exit code.
bool terminateProcess(std::uint32_t pid, std::uint32_t) {
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT32_MAX)) return false;
    if (wasReaped(static_cast<pid_t>(pid))) return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

void minimiseServerWindows(std::uint32_t pid, std::string_view titlePart) {
    std::lock_guard lock(minimisationMutex);
    minimisations.push_back(pid != 0 ? "pid " + std::to_string(pid) : "title " + std::string(titlePart));
}

} // namespace Corvana

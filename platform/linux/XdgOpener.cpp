#include "platform/Opener.h"

#include <cerrno>
#include <cstdlib>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Corvana {
namespace {

// A short-lived shell starts xdg-open in the background and exits, so the
// handler is detached (re-parented to init) and no zombie is left. The target
// travels as "$1", never as shell text. Exit 127 when xdg-open is missing.
constexpr const char* launchScript =
    "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
    "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &\n";

// Waits for the child and reports whether it exited with status 0.
bool exitedCleanly(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// CORVANA_OPENER names a program that replaces xdg-open: it is run directly
// (no shell) with the target as its only argument, and waited for.
bool openWithReplacement(const char* program, const std::string& target) {
    std::string name = program;
    std::string argument = target;
    char* arguments[] = {name.data(), argument.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, name.c_str(), nullptr, nullptr, arguments, environ) != 0) return false;
    return exitedCleanly(child);
}

class XdgOpener final : public Opener {
public:
    bool openExternally(const std::string& target) override {
        if (target.empty()) return false;
        const char* replacement = std::getenv("CORVANA_OPENER");
        if (replacement && *replacement) return openWithReplacement(replacement, target);
        std::string shell = "/bin/sh";
        std::string shellName = "sh";
        std::string option = "-c";
        std::string script = launchScript;
        std::string argument = target;
        char* arguments[] = {shellName.data(), option.data(), script.data(), shellName.data(), argument.data(),
                             nullptr};
        pid_t child = 0;
        if (::posix_spawn(&child, shell.c_str(), nullptr, nullptr, arguments, environ) != 0) return false;
        return exitedCleanly(child);
    }
};

} // namespace

Opener& systemOpener() {
    static XdgOpener opener;
    return opener;
}

} // namespace Corvana

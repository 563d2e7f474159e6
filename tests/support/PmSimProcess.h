#pragma once
// PowerMill stand-in processes for tests: an isolated registry and
// running-object table, and `pmsim serve` children that are always reaped.

#include "tests/support/TestFiles.h"

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace Corvana::Testing {

// Points XDG_CONFIG_HOME and XDG_RUNTIME_DIR of this process (and so of its
// children) at fresh folders, and restores them on destruction.
class PmSimEnvironment {
public:
    PmSimEnvironment();
    PmSimEnvironment(const PmSimEnvironment&) = delete;
    PmSimEnvironment& operator=(const PmSimEnvironment&) = delete;

    std::filesystem::path folder() const { return root.path(); }
    std::filesystem::path tableFolder() const { return root.path() / "run" / "corvana-automation"; }
    // `pmsim install` with the arguments; its exit code.
    int install(const std::vector<std::string>& arguments) const;
    // The table entries (socket files), live or stale; not those still being made.
    std::vector<std::string> tableEntries() const;
    // Entries whose process still runs, once those that end within a few seconds have ended.
    std::size_t liveServerCount() const;

private:
    TempDir root;
    ScopedEnv config, runtime;
};

// `pmsim serve` with the arguments, started and registered; ended and reaped
// on destruction.
class PmSimProcess {
public:
    explicit PmSimProcess(const PmSimEnvironment& environment, const std::vector<std::string>& serveArguments = {});
    ~PmSimProcess();
    PmSimProcess(const PmSimProcess&) = delete;
    PmSimProcess& operator=(const PmSimProcess&) = delete;

    pid_t pid() const { return child; }
    // True while the process has not ended; reaps it once it has.
    bool running();
    void terminate();

private:
    pid_t child = -1;
    bool reaped = false;
};

// True when no process with this id exists (nor a zombie of it) within the wait.
bool processGone(pid_t pid, int waitMilliseconds = 5000);

const char* pmsimBinary();

} // namespace Corvana::Testing

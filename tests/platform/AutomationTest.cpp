// The Linux side of the automation seam: the private running-object table,
// calls to servers that do not answer, and server command lines.

#include "platform/Automation.h"
#include "platform/TimeScale.h"
#include "platform/linux/MachineRegistry.h"
#include "platform/linux/RunningObjectTable.h"
#include "platform/linux/SocketAutomation.h"
#include "tests/support/PmSimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(AutomationTest, TheTableFolderIsPrivateOrNotUsed) {
    const Testing::PmSimEnvironment environment;
    const fs::path table = environment.tableFolder();
    auto registration = RunningObjectTable::registerThisProcess();
    ASSERT_TRUE(registration);
    struct stat facts {};
    ASSERT_EQ(::stat(table.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);
    ::close(registration->listenFd);
    fs::remove_all(table);

    // Someone else's folder, or a link to one, is never used.
    fs::create_directories(environment.folder() / "elsewhere");
    fs::create_directory_symlink(environment.folder() / "elsewhere", table);
    EXPECT_FALSE(RunningObjectTable::registerThisProcess());
    fs::remove(table);
    fs::create_directory(table);
    fs::permissions(table, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_FALSE(RunningObjectTable::registerThisProcess());
    EXPECT_TRUE(runningAutomationObjects().empty());
}

TEST(AutomationTest, ServersThatDoNotAnswerFailSoftlyWithinBoundedTime) {
    const Testing::PmSimEnvironment environment;
    setTimeScale(0.01);
    // A live server that accepts connections and never answers.
    const auto silent = RunningObjectTable::registerThisProcess();
    // A socket nobody listens on any more, left by a server that died.
    const auto dead = RunningObjectTable::registerThisProcess();
    ASSERT_TRUE(silent && dead);
    ::close(dead->listenFd);

    EXPECT_EQ(runningAutomationObjects().size(), 1u);
    EXPECT_FALSE(fs::exists(dead->endpoint)) << "the stale entry is removed";

    const AutomationRef session = takeUpAutomationObject(*handoffForEndpoint(silent->endpoint));
    ASSERT_TRUE(session);
    auto start = Clock::now();
    EXPECT_FALSE(session->call("GetParameterXML", "Units"));
    EXPECT_LT(secondsSince(start), 4.0);
    start = Clock::now();
    EXPECT_EQ(session->getProperty("Project").kind, AutomationValue::Kind::Empty);
    EXPECT_FALSE(session->enumerate());
    EXPECT_LT(secondsSince(start), 0.5) << "a connection that timed out is not waited on again";
    EXPECT_FALSE(takeUpAutomationObject(*handoffForEndpoint((environment.folder() / "missing.sock").string())));
    ::close(silent->listenFd);
    setTimeScale(1.0);
}

TEST(AutomationTest, ServerCommandLinesSplitLikeWindowsOnes) {
    const struct {
        std::string line;
        std::vector<std::string> words;
    } cases[] = {
        {"\"/opt/pm sim/pmsim\" serve --log \"/tmp/a b.log\"", {"/opt/pm sim/pmsim", "serve", "--log", "/tmp/a b.log"}},
        {"  /usr/bin/pmsim\tserve ", {"/usr/bin/pmsim", "serve"}},
        {"\"/opt/unclosed serve", {}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(MachineRegistry::splitCommandLine(c.line), c.words) << c.line;
}

} // namespace
} // namespace Corvana

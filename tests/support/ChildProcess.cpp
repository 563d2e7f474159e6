#include "tests/support/ChildProcess.h"

#include "tests/support/TestFiles.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

namespace Corvana::Testing {
namespace {

// Single quotes keep every byte but the single quote itself, which is closed,
// escaped and reopened.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

CommandRun runCommand(const std::vector<std::string>& arguments) {
    TempDir folder;
    std::string command;
    for (const auto& argument : arguments) command += shellQuoted(argument) + " ";
    command += "< /dev/null > " + shellQuoted(folder.file("out").string()) + " 2> " +
               shellQuoted(folder.file("err").string());
    const int status = std::system(command.c_str());
    const int exitCode = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return {exitCode, readText(folder.file("out")), readText(folder.file("err"))};
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

} // namespace Corvana::Testing

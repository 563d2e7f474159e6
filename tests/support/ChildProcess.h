#pragma once
// Runs a program as a child process through the shell and captures its output.

#include <string>
#include <vector>

namespace Corvana::Testing {

struct CommandRun {
    int exitCode = -1;   // -1 when the child did not exit normally
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs `arguments` (program first), each passed verbatim.
CommandRun runCommand(const std::vector<std::string>& arguments);

std::vector<std::string> splitLines(const std::string& text);

} // namespace Corvana::Testing

#pragma once
// The simulated PowerMill session: its project, units and version, the macro
// commands and parameter expressions it understands, and the faults it can
// be told to show (slow start, slow load, hanging or ending mid-extraction).

#include "sources/ToolModel.h"
#include "sources/pmsession/SessionExtraction.h"

#include <chrono>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana::PmSim {

struct Options {
    std::string project;                  // folder or .pmlprjz opened at start
    std::string units = "metric";         // "metric" or "inches"
    std::string version = "2024.1.0";     // YEAR.MAJOR.MINOR[.CODEBASE]
    double startupDelaySeconds = 0;
    double loadDelaySeconds = 0;
    int hangAfter = 0;   // 0: never
    int exitAfter = 0;   // 0: never
    bool emptyXml = false;
    std::string logFile;
    bool embedding = false;  // started by a client through the class registration
};

// Thread-safe: every member takes the session's lock.
class PowerMill {
public:
    explicit PowerMill(const Options& options);

    // DoCommand; PowerMill accepts every command (unknown ones do nothing here).
    void command(std::string_view text);
    // GetParameterXML; empty text for anything it cannot evaluate.
    std::string evaluate(std::string_view expression);
    // Project.Tools, in the project's order; empty while a project loads.
    std::vector<std::string> toolNames();
    std::string projectName();

    bool shouldHang();
    bool shouldExit();

private:
    struct Pattern {
        std::vector<ProfilePoint> points;
    };

    void log(std::string_view text);
    bool loaded() const;
    const ToolModel* findTool(std::string_view name) const;
    void openProject(const std::string& path, bool archive);
    std::string evaluateToolExpression(std::string_view expression);
    void exportOutline(std::string_view kind, const std::string& path);

    std::mutex mutex;
    Options options;
    std::ofstream logStream;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point projectOpened;
    bool metric = true;
    std::vector<ToolModel> tools;
    std::string name;       // project.name
    std::string directory;  // project.directory
    std::string activeTool;
    std::string addressedTool;  // the last tool named in an expression; the tool form shows it
    bool toolFormOpen = false;
    std::optional<Pattern> pattern;
    int toolXmlServed = 0;
    bool exitRequested = false;
};

} // namespace Corvana::PmSim

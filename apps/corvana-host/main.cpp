// corvana-host: a headless Fusion for the add-in. Loads the add-in module,
// runs it inside the simulated host, plays a JSON Lines script as Fusion and
// its user, and prints what the add-in shows as JSON Lines.

#include "apps/corvana-host/AddinModule.h"
#include "apps/corvana-host/HostOutput.h"
#include "apps/corvana-host/PageServer.h"
#include "apps/corvana-host/ScriptRunner.h"

#include "adsk/sim/SimHost.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr int failureExitCode = 1;
constexpr int usageExitCode = 2;

struct HostOptions {
    std::string libraries;
    std::string addin = CORVANA_DEFAULT_ADDIN;
    std::string script;
    double timeScale = 1.0;
    std::optional<int> servePort;
    std::string page = CORVANA_DEFAULT_PAGE;
};

int fail(const std::string& message) {
    std::cerr << "corvana-host: " << message << "\n";
    return failureExitCode;
}

// The host's lines get a private copy of standard output, and standard output
// itself goes to standard error, so that nothing the add-in prints mixes in.
std::FILE* takeStandardOutput() {
    std::fflush(stdout);
    // Close-on-exec: a program the add-in starts must not hold the lines open.
    const int lines = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (lines < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return nullptr;
    return fdopen(lines, "w");
}

// Runs the add-in through the script; the exit code.
int host(const HostOptions& options, std::istream& script, Corvana::HostOutput& output) {
    adsk::sim::SimHost simulated(options.libraries);
    std::error_code status;
    if (!std::filesystem::is_directory(simulated.libraryFolder(), status))
        return fail("the library folder \"" + options.libraries + "\" is not a folder and cannot be created");
    simulated.setObserver([&output](const adsk::sim::HostRecord& record) { output.write(record); });

    std::string error;
    const auto addin = Corvana::AddinModule::load(options.addin, error);
    if (!addin) return fail(error);
    if (!addin->run("")) return fail("the add-in's run returned false");

    Corvana::ScriptRunner runner(simulated, *addin);
    if (options.servePort) {
        simulated.setObserver(nullptr);
        const int served = Corvana::servePage(simulated, runner, {*options.servePort, options.page}, output.stream());
        // The server stops the add-in; when it could not start, stop runs here.
        const bool stopped = runner.stopAddin(error);
        return served == 0 && stopped ? 0 : failureExitCode;
    }
    const bool scriptOk = Corvana::runScript(script, runner, std::cerr);
    // Fusion unloads the add-in whatever happened, so stop runs after a failed line too.
    const bool stopOk = runner.stopAddin(error);
    simulated.setObserver(nullptr);
    if (!stopOk) return fail(error);
    if (!output.healthy()) return fail("writing the output failed");
    return scriptOk ? 0 : failureExitCode;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"corvana-host: runs the Corvana add-in in a simulated Fusion, driven by a JSON Lines script."};
    HostOptions options;
    app.add_option("--libraries", options.libraries, "Folder of local tool libraries, one JSON file each.")
        ->required();
    app.add_option("--addin", options.addin, "The add-in module to load.")->capture_default_str();
    app.add_option("--script", options.script, "Script file (JSON Lines); standard input when absent.");
    app.add_option("--time-scale", options.timeScale, "Factor (0 < F <= 1) shortening the add-in's fixed waits.")
        ->check(CLI::Range(0.0, 1.0));
    app.add_option("--serve", options.servePort,
                   "Serve the palette page and a bridge to the add-in on 127.0.0.1:PORT (0 picks a port).")
        ->check(CLI::Range(0, 65535))
        ->excludes("--script");
    app.add_option("--page", options.page, "Folder of the palette page (index.html).")->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& parseError) {
        app.exit(parseError);
        return usageExitCode;
    }

    if (!(options.timeScale > 0)) {
        std::cerr << "--time-scale: the factor must be above 0\n";
        return usageExitCode;
    }
    // The add-in module reads the factor from its environment when it loads.
    char factor[32];
    const auto written = std::to_chars(factor, factor + sizeof factor - 1, options.timeScale);
    *written.ptr = '\0';
    setenv("CORVANA_TIME_SCALE", factor, 1);
    std::ifstream scriptFile;
    if (!options.script.empty()) {
        scriptFile.open(options.script, std::ios::binary);
        if (!scriptFile) return fail("cannot open the script \"" + options.script + "\"");
    }
    std::FILE* lines = takeStandardOutput();
    if (!lines) return fail("cannot set up standard output");
    Corvana::HostOutput output(lines);
    try {
        return host(options, options.script.empty() ? std::cin : scriptFile, output);
    } catch (const std::exception& unexpected) {
        return fail(std::string("unexpected failure: ") + unexpected.what());
    }
}

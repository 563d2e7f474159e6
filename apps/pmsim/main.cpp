// pmsim: a PowerMill stand-in for tests and demonstrations. `install` records
// an installed release in the machine registry; `serve` runs one PowerMill
// session reachable through the automation protocol.

#include "apps/pmsim/PmSimInstall.h"
#include "apps/pmsim/PmSimPowerMill.h"
#include "apps/pmsim/PmSimServer.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr int usageExitCode = 2;

void addInstall(CLI::App& app, Corvana::PmSim::InstallOptions& options) {
    auto* install = app.add_subcommand("install", "Record an installed PowerMill whose server is `pmsim serve`.");
    auto* year = install->add_option("--year", options.year, "Release year of the installed PowerMill.")
                     ->check(CLI::Range(1000, 9999));
    auto* registered =
        install->add_flag("--registered-only", options.registeredOnly, "Only the automation class registration.");
    auto* uninstall = install->add_flag("--uninstall", options.uninstall, "Remove every PowerMill entry.");
    year->excludes(registered)->excludes(uninstall);
    registered->excludes(uninstall);
    install->add_option("SERVE-OPTIONS", options.serveOptions, "Options for the server command, after --.");
}

void addServe(CLI::App& app, Corvana::PmSim::Options& options) {
    auto* serve = app.add_subcommand("serve", "Run one PowerMill session.");
    serve->add_option("--project", options.project, "Project folder or .pmlprjz archive open at start.");
    serve->add_option("--units", options.units, "Units before a project is opened.")
        ->check(CLI::IsMember({"metric", "inches"}));
    serve->add_option("--version", options.version, "YEAR.MAJOR.MINOR[.CODEBASE]")
        ->check([](const std::string& text) {
            static const std::regex pattern(R"(\d{4}\.\d+\.\d+(\.\d+)?)");
            return std::regex_match(text, pattern) ? std::string() : "expected YEAR.MAJOR.MINOR[.CODEBASE]";
        });
    serve->add_option("--startup-delay", options.startupDelaySeconds, "Seconds before Units answers.")
        ->check(CLI::NonNegativeNumber);
    serve->add_option("--load-delay", options.loadDelaySeconds, "Seconds a project takes to load.")
        ->check(CLI::NonNegativeNumber);
    serve->add_option("--hang-after", options.hangAfter, "Stop answering after the Nth tool's XML.")
        ->check(CLI::PositiveNumber);
    serve->add_option("--exit-after", options.exitAfter, "End after the Nth tool's XML.")->check(CLI::PositiveNumber);
    serve->add_flag("--empty-xml", options.emptyXml, "$to_xml answers nothing.");
    serve->add_option("--log", options.logFile, "Write every command and expression received to FILE.");
}

// COM starts a local server with "-Embedding"; CLI11 has no single-dash long options.
bool takeEmbeddingFlag(std::vector<std::string>& arguments) {
    const auto end = std::remove(arguments.begin(), arguments.end(), std::string("-Embedding"));
    const bool found = end != arguments.end();
    arguments.erase(end, arguments.end());
    return found;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    Corvana::PmSim::Options serveOptions;
    serveOptions.embedding = takeEmbeddingFlag(arguments);
    std::reverse(arguments.begin(), arguments.end());  // CLI11 takes a reversed vector

    CLI::App app{"pmsim: a PowerMill stand-in reachable through the automation protocol."};
    app.require_subcommand(1);
    Corvana::PmSim::InstallOptions installOptions;
    addInstall(app, installOptions);
    addServe(app, serveOptions);
    try {
        app.parse(arguments);
    } catch (const CLI::Success& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return usageExitCode;
    }
    if (app.got_subcommand("install")) return Corvana::PmSim::install(installOptions);
    Corvana::PmSim::PowerMill powerMill(serveOptions);
    return Corvana::PmSim::serve(powerMill, serveOptions.embedding);
}

// corvana: reads PowerMill tool sources and writes Fusion tool-library JSON.

#include "apps/corvana/ConvertCommand.h"
#include "apps/corvana/SessionSource.h"
#include "apps/corvana/ToolReport.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

namespace {

constexpr int failureExitCode = 1;
constexpr int usageExitCode = 2;

// SOURCE, or --session N for a running PowerMill: exactly one of the two.
void addSessionOption(CLI::App* command, CLI::Option* source, int& session) {
    auto* option = command->add_option("--session", session, "Read running PowerMill session N (corvana sessions).")
                       ->check(CLI::NonNegativeNumber);
    source->excludes(option);
}

bool lacksSource(const std::string& source, int session) {
    if (!source.empty() || session >= 0) return false;
    std::cerr << "SOURCE or --session is required\nRun with --help for more information.\n";
    return true;
}

void addInspect(CLI::App& app, Corvana::InspectOptions& options) {
    auto* inspect = app.add_subcommand("inspect", "List the tools of a PowerMill source.");
    auto* source =
        inspect->add_option("SOURCE", options.source, "A .ptf, .pmlent, .pmlprjz or .mdb file, or a project folder.");
    addSessionOption(inspect, source, options.session);
    inspect->add_flag("--json", options.json, "One palette summary object per tool and line.");
}

void addConvert(CLI::App& app, Corvana::ConvertOptions& options) {
    auto* convert = app.add_subcommand("convert", "Write the tools of a source as a Fusion tool library.");
    auto* source =
        convert->add_option("SOURCE", options.source, "A .ptf, .pmlent, .pmlprjz or .mdb file, or a project folder.");
    addSessionOption(convert, source, options.session);
    convert->add_option("-o,--output", options.output, "The Fusion tool-library JSON file to write.")->required();
    convert->add_option("--name", options.libraryName, "Library name (default: the request's, else a default).");
    convert->add_option("--request", options.requestPath, "An import request JSON file (selection and overrides).");
    convert->add_option("--holders", options.holderMode, "0 tools only, 1 tools and holders, 2 separate holder library.")
        ->check(CLI::Range(0, 2));
    convert->add_option("--holder-library", options.holderLibraryName, "Holder library name for --holders 2.");
    convert->add_option("--tolerance", options.toleranceInch, "Shank fillet tolerance in inches (default 0.0005).")
        ->check(CLI::PositiveNumber);
    convert->add_flag("--random-ids", options.randomIds, "New random tool identifiers instead of stable ones.");
}

void addSessions(CLI::App& app, bool& json) {
    auto* sessions = app.add_subcommand("sessions", "List the installed PowerMill and its running sessions.");
    sessions->add_flag("--json", json, "One session object per line.");
}

int run(int argc, char** argv) {
    CLI::App app{"Corvana: PowerMill tools to Fusion tool libraries."};
    app.require_subcommand(1);
    Corvana::InspectOptions inspectOptions;
    Corvana::ConvertOptions convertOptions;
    addInspect(app, inspectOptions);
    addConvert(app, convertOptions);
    bool sessionsJson = false;
    addSessions(app, sessionsJson);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return usageExitCode;
    }
    if (app.got_subcommand("sessions")) return Corvana::runSessions(sessionsJson);
    if (app.got_subcommand("inspect")) {
        if (lacksSource(inspectOptions.source, inspectOptions.session)) return usageExitCode;
        return Corvana::runInspect(inspectOptions);
    }
    if (lacksSource(convertOptions.source, convertOptions.session)) return usageExitCode;
    return Corvana::runConvert(convertOptions);
}

} // namespace

// Whatever goes wrong ends as one line on standard error and exit code 1.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "corvana: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "corvana: unexpected error.\n";
    }
    return failureExitCode;
}

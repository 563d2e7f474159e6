#include "apps/corvana/ConvertCommand.h"

#include "apps/corvana/ProgressBar.h"
#include "apps/corvana/SourceLoader.h"
#include "convert/Profiles.h"
#include "library/ImportRequest.h"
#include "library/PrepareLibrary.h"
#include "platform/AtomicFile.h"
#include "platform/AtomicFileWriter.h"
#include "sources/FileBytes.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <utility>

namespace Corvana {
namespace {

constexpr int readFailure = 1;
constexpr int usageFailure = 2;

int fail(int code, const std::string& message) {
    std::cerr << "corvana: " << message << '\n';
    return code;
}

// Without a request file every tool is selected with no overrides.
std::string selectAllRequest(std::size_t toolCount) {
    std::string json = "{\"selectedIndices\":[";
    for (std::size_t i = 0; i < toolCount; ++i) {
        if (i > 0) json += ',';
        json += std::to_string(i);
    }
    return json + "]}";
}

// A holder library name becomes a file name beside the output, so it may not
// name another folder.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

std::string holderLibraryPath(const std::string& output, const std::string& name) {
    return (std::filesystem::path(output).parent_path() / (name + ".json")).string();
}

std::vector<std::string> identifiersFor(std::size_t count, bool random) {
    return makeImportIdentifiers(random ? drawImportIdentifierBase() : 0, count);
}

// Prepares the library and writes its main document to the output while it is built.
int convertAndWrite(ImportRequest request, const std::string& libraryName, const ConvertOptions& options) {
    AtomicFileWriter output(options.output);
    if (output.failed()) return fail(readFailure, output.commit().message);
    PreparedLibrary prepared;
    {
        ProgressBar bar("Converting");
        const HolderDestination destination = holderDestinationFor(holderModeFromNumber(options.holderMode), options.holderLibraryName);
        const auto identifiers = identifiersFor(request.tools.size(), options.randomIds);
        prepared = streamLibrary(std::move(request.tools), request.simplify, libraryName, identifiers, destination,
                                 [&output](std::string_view piece) { return output.write(piece); },
                                 [&bar](std::size_t done, std::size_t total) {
                                     bar.update(static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
                                 });
    }
    const FileWriteOutcome main = output.commit();
    if (!main.ok) return fail(readFailure, main.message);
    std::string summary = "Wrote " + std::to_string(prepared.tools.size()) +
                          (prepared.tools.size() == 1 ? " tool" : " tools") + " of library '" + libraryName +
                          "' to " + options.output;
    if (prepared.writeHolderLibrary) {
        const std::string holderPath = holderLibraryPath(options.output, prepared.holderLibraryName);
        const FileWriteOutcome holders = writeFileAtomically(holderPath, prepared.holderJson);
        if (!holders.ok) return fail(readFailure, holders.message);
        summary += " and its holders to " + holderPath;
    }
    std::cout << summary << ".\n";
    return 0;
}

int checkOptions(const ConvertOptions& options) {
    if (holderModeFromNumber(options.holderMode) == HolderMode::SeparateLibrary && !options.holderLibraryName.empty() &&
        !isPlainFileName(options.holderLibraryName))
        return fail(usageFailure, "--holder-library must be a plain name, not a path.");
    if (!(options.toleranceInch > 0)) return fail(usageFailure, "--tolerance must be greater than 0.");
    return 0;
}

} // namespace

int runConvert(const ConvertOptions& options) {
    if (const int usage = checkOptions(options)) return usage;
    setPolyTolerance(options.toleranceInch);
    std::string requestJson;
    if (!options.requestPath.empty()) {
        FileReadFailure failure = FileReadFailure::None;
        const auto bytes = readRegularFile(options.requestPath, &failure);
        if (!bytes)
            return fail(readFailure,
                        "Cannot read the request file '" + options.requestPath + "'." + readFailureDetail(failure));
        requestJson.assign(bytes->begin(), bytes->end());
    }
    LoadedSource loaded;
    {
        ProgressBar bar("Reading");
        loaded = loadSourceOrSession(options.source, options.session,
                                     [&bar](std::int32_t index, std::int32_t total, const ToolModel*) {
                                         bar.update(index, total);
                                     });
    }
    if (!loaded.ok) return fail(readFailure, loaded.message);
    if (!loaded.notice.empty()) std::cerr << "corvana: " << loaded.notice << '\n';
    if (options.requestPath.empty()) requestJson = selectAllRequest(loaded.tools.size());
    const char* defaultName = loaded.kind == SourceKind::Database ? kDatabaseLibraryName : kPowerMillLibraryName;
    ImportRequest request = readImportRequest(requestJson, std::move(loaded.tools), defaultName);
    loaded.tools = {};  // what the request did not take
    if (request.tools.empty()) return fail(readFailure, "No tools selected.");
    const std::string libraryName = options.libraryName.empty() ? request.libraryName : options.libraryName;
    return convertAndWrite(std::move(request), libraryName, options);
}

} // namespace Corvana

#pragma once
// The host-free work of an import: holder simplification, unit conversion and
// the library JSON texts, shared by the add-in's import pipeline and the
// command line.

#include "convert/LibraryJson.h"
#include "convert/LibraryJsonWriter.h"
#include "library/ImportRequest.h"
#include "sources/ToolModel.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Corvana {

// Where holders go: into the main document, or into a library of their own.
struct HolderDestination {
    LibraryJsonMode documentMode = ToolsOnly;
    bool writeHolderLibrary = false;
    std::string holderLibraryName;
};

// Where the page and the command line send holders; the numbers are theirs.
enum class HolderMode : std::int32_t {
    ToolsOnly = 0,        // holders stay out of the main document
    InLibrary = 1,        // holders go into the main document
    SeparateLibrary = 2,  // holders go to the named holder library
};

// 0 and 2 name their modes; any other number, NaN included, is InLibrary.
HolderMode holderModeFromNumber(double number);

// A separate library without a name puts the holders into the main document.
HolderDestination holderDestinationFor(HolderMode mode, const std::string& holderLibraryName);

// True for millimetres: the display unit when it names one, else the tool's own unit.
bool targetUnitIsMetric(const ToolModel& tool);

// Identifier seed of the tool at `position`: base + position with 32-bit wrap-around.
std::int32_t importIdentifierSeed(std::int32_t base, std::size_t position);

// Stable identifiers of `count` tools from the seeds base, base + 1, ...
std::vector<std::string> makeImportIdentifiers(std::int32_t base, std::size_t count);

// A base seed from the system's non-deterministic source, so each import gets new identifiers.
std::int32_t drawImportIdentifierBase();

struct PreparedLibrary {
    std::vector<ToolModel> tools;  // simplified, still in their own units
    std::string json;
    bool writeHolderLibrary = false;
    std::string holderJson;
    std::string holderLibraryName;
};

// Called after each tool's holder is simplified with (tools done, total).
using PrepareProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Simplifies every holder, converts copies to their target units and writes the
// main document (and the holder library document when the destination asks for one).
PreparedLibrary prepareLibrary(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                               const std::string& libraryName,
                               const std::vector<std::string>& identifiers,
                               const HolderDestination& destination,
                               const PrepareProgressFn& progress = {});

// The same, with the main document written to `sink` while it is built (its
// `json` stays empty): no more than one tool's text is held at a time. The
// sink's owner knows whether it took everything.
PreparedLibrary streamLibrary(std::vector<ToolModel> tools, const SimplifyOpts& simplify,
                              const std::string& libraryName, const std::vector<std::string>& identifiers,
                              const HolderDestination& destination, const TextSink& sink,
                              const PrepareProgressFn& progress = {});

} // namespace Corvana

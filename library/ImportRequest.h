#pragma once
// The request every library operation of the palette carries: which parsed
// tools to take, the user's per-tool corrections, the target library name and
// the holder simplification options.

#include "sources/ToolModel.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Corvana {

struct SimplifyOpts {
    bool removeUndercuts = false;
    double undercutThreshold = 0.05;  // fraction, not percent
    bool metric = false;              // unit of the first tool; the clean-up uses each tool's own
};

struct ImportRequest {
    std::string libraryName;
    std::vector<ToolModel> tools;  // corrected copies, in selection order
    SimplifyOpts simplify;
};

// Correction for a thread mill, keyed by the tool's identifier in the written library.
struct ThreadMillFix {
    std::int32_t numberOfTeeth = 0;
    bool clockwise = true;
};

// The library names a request without one gets: tool databases have their own.
inline constexpr const char* kPowerMillLibraryName = "Imported from PowerMill";
inline constexpr const char* kDatabaseLibraryName = "Imported from MDB";

// Positions in `source` that the request selects and that can be written to
// Fusion, in request order; out-of-range indices and unsupported tools are left out.
std::vector<std::size_t> selectedSourceIndices(const std::string& json,
                                               const std::vector<ToolModel>& source);

// Reads the request against `source`; `defaultName` replaces an empty library name.
// No key is required: missing or malformed parts leave their defaults.
ImportRequest readImportRequest(const std::string& json, const std::vector<ToolModel>& source,
                                const std::string& defaultName);
// The same, moving each selected tool out of `source` at its last selection
// instead of copying it; what is left of `source` is only fit to be dropped.
ImportRequest readImportRequest(const std::string& json, std::vector<ToolModel>&& source,
                                const std::string& defaultName);

// The request's per-tool corrections, read once for the whole selection:
// each map holds a source index's override value.
struct ToolCorrections {
    std::unordered_map<std::int32_t, double> pitch;
    std::unordered_map<std::int32_t, double> diameter;
    std::unordered_map<std::int32_t, double> flutes;
    std::unordered_map<std::int32_t, double> clockwise;
    std::unordered_map<std::int32_t, double> hand;
    std::unordered_map<std::int32_t, double> toolNumber;
    bool usePresets = true;
    bool assignStrategies = false;
    std::unordered_set<std::int32_t> generated;  // indices with a "genPreset_N" entry
};

ToolCorrections readToolCorrections(const std::string& json);

// Applies the request's overrides for source index `index` to `tool`.
void applyToolCorrections(ToolModel& tool, std::int32_t index, const std::string& json);
void applyToolCorrections(ToolModel& tool, std::int32_t index, const ToolCorrections& corrections,
                          const std::string& json);

// One fix per thread mill that has an identifier at its position; a later
// tool with the same identifier replaces an earlier one.
std::map<std::string, ThreadMillFix> buildThreadMillFixes(const std::vector<ToolModel>& tools,
                                                          const std::vector<std::string>& identifiers);

} // namespace Corvana

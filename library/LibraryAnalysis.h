#pragma once
// Which of a set of new tools a library already holds: counts, positions and
// names for the palette, and the tools a merge appends.

#include "library/ToolSignature.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Corvana {

struct LibraryComparison {
    std::int32_t existingCount = 0;  // existing tools with a diameter
    std::int32_t newCount = 0;       // new tools that match none
    std::int32_t matchingCount = 0;  // new tools that match at least one
    std::int32_t removedCount = 0;   // existing tools no new tool matches
    std::vector<std::int32_t> newPositions;  // in the new tool list
    std::vector<std::string> newNames;
    std::vector<std::string> matchingNames;  // existing tools some new tool matches
    std::vector<std::string> removedNames;
};

// One library entry as the comparison sees it.
struct ComparedTool {
    ToolSignature signature;
    std::string name;            // the description the host shows
    std::string holderIdentity;  // for holder entries: description and holder key; else empty
};

struct ComparisonOutcome {
    LibraryComparison comparison;
    // Positions of the new entries a merge appends, in order: tools that
    // match nothing, entries without a diameter, but no holder whose
    // identity the library (or an earlier appended holder) already has.
    std::vector<std::size_t> additions;
};

// Compares every new entry with every existing one by signaturesMatch. The
// existing tools are indexed by type and diameter, so the cost grows with
// the number of near-equal tools, not with the product of both counts.
ComparisonOutcome compareTools(const std::vector<ComparedTool>& existing, const std::vector<ComparedTool>& incoming);

// {"analyzed":true,"existingCount":E,"mergeNew":N,"mergeDup":D,"mergeRemoved":R,
// "newNames":[...],"matchingNames":[...],"removedNames":[...]}; a negative count is sent as 0.
std::string buildAnalysisReplyJson(const LibraryComparison& comparison);

// The line the analysis writes to the host's log.
std::string analysisLogLine(const LibraryComparison& comparison);

} // namespace Corvana

#include "library/LibraryAnalysis.h"

#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace Corvana {
namespace {

// Existing tools of one type, sorted by diameter.
using DiameterIndex = std::vector<std::pair<double, std::size_t>>;

// Candidates are taken from a window twice the tolerance wide on each side;
// the exact test decides, so rounding at the window's edge cannot lose a match.
constexpr double candidateWindow = 2 * signatureLengthTolerance;

std::unordered_map<std::string, DiameterIndex> indexByTypeAndDiameter(const std::vector<ComparedTool>& existing) {
    std::unordered_map<std::string, DiameterIndex> index;
    for (std::size_t position = 0; position < existing.size(); ++position) {
        const ToolSignature& signature = existing[position].signature;
        // A NaN diameter matches nothing and would break the ordering.
        if (signature.type.empty() || !signature.diameter || std::isnan(*signature.diameter)) continue;
        index[signature.type].emplace_back(*signature.diameter, position);
    }
    for (auto& [type, tools] : index) std::sort(tools.begin(), tools.end());
    return index;
}

// Marks every existing tool the signature matches; true when there was one.
bool markMatches(const ToolSignature& signature, const std::vector<ComparedTool>& existing,
                 const std::unordered_map<std::string, DiameterIndex>& index, std::vector<bool>& marked) {
    const auto sameType = index.find(signature.type);
    if (sameType == index.end() || std::isnan(*signature.diameter)) return false;
    const DiameterIndex& tools = sameType->second;
    const double diameter = *signature.diameter;
    auto candidate = std::lower_bound(tools.begin(), tools.end(), diameter - candidateWindow,
                                      [](const auto& entry, double value) { return entry.first < value; });
    bool matched = false;
    for (; candidate != tools.end() && candidate->first <= diameter + candidateWindow; ++candidate) {
        if (!signaturesMatch(signature, existing[candidate->second].signature)) continue;
        marked[candidate->second] = true;
        matched = true;
    }
    return matched;
}

void appendNameList(std::string& json, const char* key, const std::vector<std::string>& names) {
    json += ",\"";
    json += key;
    json += "\":[";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) json += ',';
        json += '"' + escapeJsonQuotes(names[i]) + '"';
    }
    json += ']';
}

std::string countText(std::int32_t count) { return std::to_string(std::max(count, 0)); }

} // namespace

ComparisonOutcome compareTools(const std::vector<ComparedTool>& existing, const std::vector<ComparedTool>& incoming) {
    ComparisonOutcome outcome;
    LibraryComparison& result = outcome.comparison;
    const auto index = indexByTypeAndDiameter(existing);
    std::vector<bool> marked(existing.size(), false);
    std::unordered_set<std::string> holders;
    std::size_t withDiameter = 0;
    for (const auto& tool : existing) {
        if (tool.signature.diameter) ++withDiameter;
        if (!tool.holderIdentity.empty()) holders.insert(tool.holderIdentity);
    }
    result.existingCount = clampedCount(withDiameter);

    for (std::size_t position = 0; position < incoming.size(); ++position) {
        const ComparedTool& tool = incoming[position];
        if (!tool.signature.diameter) {
            // A holder entry the library already has would only be a duplicate.
            if (tool.holderIdentity.empty() || holders.insert(tool.holderIdentity).second)
                outcome.additions.push_back(position);
            continue;
        }
        if (markMatches(tool.signature, existing, index, marked)) {
            ++result.matchingCount;
            continue;
        }
        outcome.additions.push_back(position);
        ++result.newCount;
        result.newPositions.push_back(clampedCount(position));
        result.newNames.push_back(tool.name);
    }

    for (std::size_t position = 0; position < existing.size(); ++position) {
        if (!existing[position].signature.diameter) continue;
        if (marked[position]) {
            result.matchingNames.push_back(existing[position].name);
            continue;
        }
        ++result.removedCount;
        result.removedNames.push_back(existing[position].name);
    }
    return outcome;
}

std::string buildAnalysisReplyJson(const LibraryComparison& comparison) {
    std::string json = "{\"analyzed\":true,\"existingCount\":" + countText(comparison.existingCount) +
                       ",\"mergeNew\":" + countText(comparison.newCount) +
                       ",\"mergeDup\":" + countText(comparison.matchingCount) +
                       ",\"mergeRemoved\":" + countText(comparison.removedCount);
    appendNameList(json, "newNames", comparison.newNames);
    appendNameList(json, "matchingNames", comparison.matchingNames);
    appendNameList(json, "removedNames", comparison.removedNames);
    return json + "}";
}

std::string analysisLogLine(const LibraryComparison& comparison) {
    return "[CVN diag] new=" + std::to_string(comparison.newCount) +
           " matching=" + std::to_string(comparison.matchingCount) +
           " removed=" + std::to_string(comparison.removedCount) +
           " existingTools=" + std::to_string(comparison.existingCount);
}

} // namespace Corvana

#include "library/LibraryAnalysis.h"

#include <gtest/gtest.h>

#include <random>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace Corvana {
namespace {

ComparedTool tool(const std::string& name, const std::string& type, std::optional<double> diameterCm) {
    ComparedTool compared;
    compared.name = name;
    compared.signature.type = type;
    compared.signature.diameter = diameterCm;
    return compared;
}

TEST(LibraryAnalysisTest, MergeAddsEntriesWithoutADiameterAndEachNewHolderOnce) {
    ComparedTool known = tool("BT40", "holder", std::nullopt), fresh = tool("HSK63", "holder", std::nullopt);
    known.holderIdentity = "BT40\nmillimeters|1";
    fresh.holderIdentity = "HSK63\nmillimeters|2";
    const std::vector<ComparedTool> incoming = {tool("EM 12", "flat end mill", 1.2), known, fresh, fresh,
                                                tool("PROBE", "probe", std::nullopt), tool("DRILL 6", "drill", 0.6)};
    EXPECT_EQ(compareTools({tool("EM 12", "flat end mill", 1.2), known}, incoming).additions,
              (std::vector<std::size_t>{2, 4, 5}));
}

// The comparison by definition: every new tool against every existing one.
LibraryComparison compareAllPairs(const std::vector<ComparedTool>& existing,
                                  const std::vector<ComparedTool>& incoming) {
    LibraryComparison result;
    std::vector<bool> marked(existing.size(), false);
    for (const auto& old : existing) result.existingCount += old.signature.diameter ? 1 : 0;
    for (std::size_t j = 0; j < incoming.size(); ++j) {
        if (!incoming[j].signature.diameter) continue;
        bool any = false;
        for (std::size_t i = 0; i < existing.size(); ++i) {
            if (!signaturesMatch(incoming[j].signature, existing[i].signature)) continue;
            marked[i] = true;
            any = true;
        }
        if (any) {
            ++result.matchingCount;
            continue;
        }
        ++result.newCount;
        result.newPositions.push_back(static_cast<std::int32_t>(j));
        result.newNames.push_back(incoming[j].name);
    }
    for (std::size_t i = 0; i < existing.size(); ++i) {
        if (!existing[i].signature.diameter) continue;
        (marked[i] ? result.matchingNames : result.removedNames).push_back(existing[i].name);
        result.removedCount += marked[i] ? 0 : 1;
    }
    return result;
}

// Diameters on and just beside multiples of the tolerance, so pairs fall
// exactly at, just inside and just outside it.
std::vector<ComparedTool> randomTools(std::mt19937& random, std::size_t count, const std::string& prefix) {
    const double offsets[] = {0, 1e-12, -1e-12, 1e-10, -1e-10, 2e-9, signatureLengthTolerance / 2};
    std::uniform_int_distribution<int> step(0, 24), pick(0, 6), coin(0, 1), type(0, 2), flutes(2, 3);
    std::vector<ComparedTool> tools;
    for (std::size_t i = 0; i < count; ++i) {
        const double diameter = 0.6 + step(random) * signatureLengthTolerance + offsets[pick(random)];
        ComparedTool next = tool(prefix + std::to_string(i), type(random) == 0 ? "drill" : "flat end mill",
                                 pick(random) == 0 ? std::nullopt : std::optional<double>(diameter));
        if (coin(random)) next.signature.fluteLength = 2.0 + step(random) % 3 * signatureLengthTolerance;
        if (coin(random)) next.signature.numberOfFlutes = flutes(random);
        tools.push_back(std::move(next));
    }
    return tools;
}

TEST(LibraryAnalysisTest, IndexedComparisonFindsEveryMatchOfTheAllPairsComparison) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        const auto existing = randomTools(random, 300, "E");
        const auto incoming = randomTools(random, 300, "N");
        const LibraryComparison expected = compareAllPairs(existing, incoming);
        const LibraryComparison actual = compareTools(existing, incoming).comparison;
        EXPECT_EQ(std::tie(actual.matchingCount, actual.newPositions, actual.matchingNames, actual.removedNames,
                           actual.existingCount),
                  std::tie(expected.matchingCount, expected.newPositions, expected.matchingNames, expected.removedNames,
                           expected.existingCount)) << "seed " << seed;
        EXPECT_TRUE(expected.matchingCount > 0 && expected.newCount > 0) << "seed " << seed;
    }
}

} // namespace
} // namespace Corvana

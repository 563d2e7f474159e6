#include "library/LibraryAnalysis.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace Corvana {
namespace {

using Strings = std::vector<std::string>;

ComparedTool tool(const std::string& name, const std::string& type, std::optional<double> diameterCm) {
    ComparedTool compared;
    compared.name = name;
    compared.signature.type = type;
    compared.signature.diameter = diameterCm;
    return compared;
}

ComparedTool holder(const std::string& identity) {
    ComparedTool compared = tool(identity, "holder", std::nullopt);
    compared.holderIdentity = identity;
    return compared;
}

TEST(LibraryAnalysisTest, CountsNamesAndAdditions) {
    const std::vector<ComparedTool> existing = {
        tool("EM 12", "flat end mill", 1.2), tool("DRILL 5", "drill", 0.5), holder("BT40\nmillimeters|1"),
        tool("no diameter", "probe", std::nullopt)};
    const std::vector<ComparedTool> incoming = {
        tool("EM 12 copy", "flat end mill", 1.2),    tool("EM 12 again", "flat end mill", 1.2015),
        tool("DRILL 6", "drill", 0.6),               tool("PROBE", "probe", std::nullopt),
        holder("BT40\nmillimeters|1"),              holder("HSK63\nmillimeters|2"),
        holder("HSK63\nmillimeters|2"),             tool("EM 12 wrong type", "ball end mill", 1.2)};
    const ComparisonOutcome outcome = compareTools(existing, incoming);
    LibraryComparison result = outcome.comparison;
    // Two new tools matching one existing tool count twice.
    EXPECT_EQ((std::vector<int>{result.existingCount, result.matchingCount, result.newCount, result.removedCount}),
              (std::vector<int>{2, 2, 2, 1}));
    EXPECT_EQ(result.newPositions, (std::vector<std::int32_t>{2, 7}));
    EXPECT_EQ(std::tie(result.newNames, result.matchingNames, result.removedNames),
              std::tuple(Strings{"DRILL 6", "EM 12 wrong type"}, Strings{"EM 12"}, Strings{"DRILL 5"}));
    EXPECT_EQ(outcome.additions, (std::vector<std::size_t>{2, 3, 5, 7}))
        << "entries without a diameter are added, holders the library has are not, nor twice";
    EXPECT_EQ(analysisLogLine(result), "[CVN diag] new=2 matching=2 removed=1 existingTools=2");

    result.existingCount = -1;
    result.newNames = {"EM \"12\"\n\\ \x01 \xC3\x98"};
    const auto reply = Testing::parseJsonOrFail(buildAnalysisReplyJson(result));
    EXPECT_EQ(reply["existingCount"], 0) << "a negative count is sent as 0";
    EXPECT_EQ(reply["mergeDup"], 2);
    EXPECT_EQ(reply["newNames"], nlohmann::json::array({"EM \"12\"\n\\ \x01 \xC3\x98"}));
    EXPECT_EQ(reply["removedNames"], nlohmann::json::array({"DRILL 5"}));
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

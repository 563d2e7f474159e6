#include "library/PrepareLibrary.h"

#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace Corvana {
namespace {

// A metric end mill on two near-equal holder cylinders, which the clean-up merges.
ToolModel makeHolderTool() {
    ToolModel tool;
    tool.isMetric = true;
    tool.type = "end_mill";
    tool.typeCode = TypeEndMill;
    tool.diameter = 10;
    tool.length = 22;
    tool.holderName = "HSK63";
    tool.holderSegments.resize(2);
    tool.holderSegments[0].upperDiameter = tool.holderSegments[0].lowerDiameter = 40;
    tool.holderSegments[0].length = 30;
    tool.holderSegments[1].upperDiameter = tool.holderSegments[1].lowerDiameter = 40.005;
    tool.holderSegments[1].length = 20;
    return tool;
}

// (tool entries, holder entries) in the document's "data".
std::pair<int, int> countEntries(const std::string& json) {
    const auto document = Testing::parseJsonOrFail(json);
    std::pair<int, int> counts{0, 0};
    if (!document.is_object() || !document.contains("data")) return counts;
    for (const auto& entry : document["data"])
        ++(entry.value("type", "") == "holder" ? counts.second : counts.first);
    return counts;
}

TEST(PrepareLibraryTest, IdentifiersWrapAtTheInt32Limit) {
    constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(importIdentifierSeed(int32Max, 1), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(makeImportIdentifiers(int32Max, 3).at(1), makeStableGuid(std::numeric_limits<std::int32_t>::min()));
}

TEST(PrepareLibraryTest, HoldersGoWhereTheDestinationSays) {
    std::vector<ToolModel> tools = {makeHolderTool(), makeHolderTool()};
    tools[1].holderSegments[0].length = 25;  // each tool has its own holder
    const auto prepareFor = [&](double mode, const std::string& name) {
        const HolderDestination destination = holderDestinationFor(holderModeFromNumber(mode), name);
        return prepareLibrary(tools, SimplifyOpts{}, "Mills", {"id-a", "id-b"}, destination);
    };
    const auto toolsOnly = prepareFor(0, "H");
    EXPECT_EQ(countEntries(toolsOnly.json), std::make_pair(2, 0));
    EXPECT_EQ(toolsOnly.tools[0].holderSegments.size(), 1u);

    // A separate holder library needs a name; without one the holders stay in the tool library.
    const auto unnamed = prepareFor(2, "");
    EXPECT_EQ(std::tuple(countEntries(unnamed.json), unnamed.writeHolderLibrary, unnamed.holderJson),
              std::tuple(std::pair(2, 2), false, ""));
}

} // namespace
} // namespace Corvana

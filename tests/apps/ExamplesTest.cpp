#include "sources/PtfParser.h"
#include "tests/support/ExampleTools.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace Corvana {
namespace {

const std::filesystem::path examples = std::filesystem::path(CORVANA_SOURCE_DIR) / "examples";

std::string asText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(ExamplesTest, CommittedExamplesMatchTheirGenerator) {
    EXPECT_EQ(Testing::readText(examples / "metric-template.ptf"), asText(Testing::metricExampleTemplate()))
        << "run corvana-make-examples examples";
    EXPECT_EQ(Testing::readText(examples / "inch-template.ptf"), asText(Testing::inchExampleTemplate()));
    Testing::TempDir project;
    Testing::writeExampleProject(project.path());
    for (const auto& entry : std::filesystem::directory_iterator(project.path())) {
        const auto committed = examples / "example-project" / entry.path().filename();
        EXPECT_EQ(Testing::readText(committed), Testing::readText(entry.path())) << committed;
    }
}

TEST(ExamplesTest, ExamplesCoverEveryToolTypeInBothUnits) {
    const auto tools = parsePtfFile((examples / "metric-template.ptf").string());
    ASSERT_EQ(tools.size(), 40u);
    std::set<std::int32_t> codes;
    std::size_t withHolder = 0;
    std::size_t withPresets = 0;
    for (const auto& tool : tools) {
        codes.insert(tool.typeCode);
        withHolder += tool.holderSegments.empty() ? 0 : 1;
        withPresets += tool.presets.empty() ? 0 : 1;
        EXPECT_TRUE(tool.isMetric) << tool.name;
    }
    EXPECT_EQ(codes.size(), 17u);
    EXPECT_EQ(withHolder, 37u);
    EXPECT_EQ(withPresets, 35u);
    const auto inch = parsePtfFile((examples / "inch-template.ptf").string());
    ASSERT_EQ(inch.size(), 10u);
    EXPECT_FALSE(inch[0].isMetric);
    EXPECT_DOUBLE_EQ(inch[5].diameter, 0.5);  // written "12.7mm"
}

} // namespace
} // namespace Corvana

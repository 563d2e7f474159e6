#pragma once
// Realistic tool sets written as PowerMill files: the bundled examples and the
// large templates the benchmarks read.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace Corvana::Testing {

// About forty metric tools: every tool type, special-purpose names, shared
// holders, shanks, cutting data and binary geometry areas.
std::vector<std::uint8_t> metricExampleTemplate();

// Inch tools written with fractions and unit suffixes, taps and thread mills.
std::vector<std::uint8_t> inchExampleTemplate();

// A project folder: an entity index and one entity file per tool.
void writeExampleProject(const std::filesystem::path& folder);

// `count` tools cycling through the metric examples with unique names.
std::vector<std::uint8_t> syntheticTemplate(std::size_t count);

} // namespace Corvana::Testing

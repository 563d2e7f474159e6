#pragma once
// Private to convert/: the pipe thread table and series helpers shared by the
// thread tables and the designation reader.

#include "convert/ThreadStandards.h"

#include <array>
#include <cstdint>
#include <string>

namespace Corvana::detail {

// Pipe threads by nominal pipe size: NPT/NPTF (ASME B1.20.1) and BSPT/BSPP (ISO 7, ISO 228)
// threads per inch; 0 where the series has no such size.
struct PipeThreadSize {
    double size;
    const char* name;
    double tpiNpt;
    double tpiBritish;
};

inline constexpr std::array<PipeThreadSize, 15> pipeTable{{
    {0.0625, "1/16", 27, 28}, {0.125, "1/8", 27, 28},  {0.25, "1/4", 18, 19},
    {0.375, "3/8", 18, 19},   {0.5, "1/2", 14, 14},    {0.625, "5/8", 0, 14},
    {0.75, "3/4", 14, 14},    {0.875, "7/8", 0, 14},   {1.0, "1", 11.5, 11},
    {1.25, "1-1/4", 11.5, 11}, {1.5, "1-1/2", 11.5, 11}, {2.0, "2", 11.5, 11},
    {2.5, "2-1/2", 8, 11},    {3.0, "3", 8, 11},       {4.0, "4", 8, 11},
}};

bool isPipeSeries(ThreadSeries series);
// " UNC", " NPT" and so on; empty for no series.
std::string seriesSuffix(ThreadSeries series);

} // namespace Corvana::detail

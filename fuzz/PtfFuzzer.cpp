// Template bytes straight into the parser, geometry scans included.

#include "sources/PtfParser.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    (void)Corvana::parsePtfBytes(std::span<const std::uint8_t>(data, size));
    return 0;
}

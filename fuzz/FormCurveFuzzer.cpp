// Database form curve text into the curve reader and both section builders.

#include "sources/FormCurve.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto points = Corvana::parseFormCurve(text);
    if (!points || points->empty()) return 0;
    // Clip inside the curve, as a tool's cutting length does.
    const double startHeight = (*points)[points->size() / 2].height;
    for (const bool isMetric : {true, false}) {
        (void)Corvana::formCurveToHolder(*points, isMetric);
        (void)Corvana::formCurveToShank(*points, startHeight, points->back().height, isMetric);
    }
    return 0;
}

#pragma once
// One factor applied to every fixed wait of the system (start-up and load
// time-outs, polls, the job pump). Tests shorten the waits through it; the
// constants themselves never change.

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace Corvana {

// A host program hands its factor to the modules it loads through the
// environment variable CORVANA_TIME_SCALE; anything outside (0, 1] means 1.
inline double timeScaleFromEnvironment() {
    const char* text = std::getenv("CORVANA_TIME_SCALE");
    double factor = 1.0;
    if (!text) return factor;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, factor);
    if (error != std::errc() || stop != end || !(factor > 0 && factor <= 1)) return 1.0;
    return factor;
}

inline std::atomic<double>& timeScaleFactor() {
    static std::atomic<double> factor{timeScaleFromEnvironment()};
    return factor;
}

// Factors outside (0, 1] are ignored, so a wait can be shortened but never stretched.
inline void setTimeScale(double factor) {
    if (factor > 0 && factor <= 1) timeScaleFactor().store(factor);
}

inline std::chrono::steady_clock::duration scaledDuration(std::chrono::milliseconds duration) {
    const std::chrono::duration<double, std::milli> scaled(static_cast<double>(duration.count()) *
                                                            timeScaleFactor().load());
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(scaled);
}

} // namespace Corvana

#pragma once
// One factor applied to every fixed wait of the system (start-up and load
// time-outs, polls, the job pump). Tests shorten the waits through it; the
// constants themselves never change.

#include <atomic>
#include <chrono>

namespace Corvana {

inline std::atomic<double>& timeScaleFactor() {
    static std::atomic<double> factor{1.0};
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

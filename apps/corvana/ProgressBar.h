#pragma once
// A one-line progress bar on standard error, drawn only on a terminal.

#include <cstdint>
#include <string>

namespace Corvana {

class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t current, std::int64_t total);
    // Ends the bar's line; later updates are ignored.
    void finish();

private:
    std::string label;
    bool enabled;
    bool drawn = false;
    int lastPercent = -1;
};

} // namespace Corvana

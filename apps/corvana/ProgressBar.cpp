#include "apps/corvana/ProgressBar.h"

#include "platform/Terminal.h"

#include <cstdio>
#include <string>

namespace Corvana {

ProgressBar::ProgressBar(std::string labelText) : label(std::move(labelText)), enabled(isStderrTerminal()) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::finish() {
    if (drawn) std::fputs("\n", stderr);
    drawn = false;
    enabled = false;
}

void ProgressBar::update(std::int64_t current, std::int64_t total) {
    if (!enabled || total <= 0) return;
    const int percent = static_cast<int>(current * 100 / total);
    if (percent == lastPercent) return;  // redraw only when the bar moves
    lastPercent = percent;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(width - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%% (%lld/%lld)", label.c_str(), bar.c_str(), percent,
                 static_cast<long long>(current), static_cast<long long>(total));
    std::fflush(stderr);
    drawn = true;
}

} // namespace Corvana

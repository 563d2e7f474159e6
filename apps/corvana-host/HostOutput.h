#pragma once
// The host's output: one JSON object per line for each palette message to a
// visible palette, message box, log line and progress dialog change.

#include "adsk/sim/SimHost.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

namespace Corvana {

struct OutputLine {
    std::string text;        // without the line break
    bool replacedBytes = false;  // some text was not UTF-8 and was replaced
};

// The line for one host record, or nothing when the record is not shown
// (messages to hidden palettes, dialogs, other progress changes).
std::optional<OutputLine> formatHostRecord(const adsk::sim::HostRecord& record);

// Writes lines to a stream; safe to call from several threads.
class HostOutput {
public:
    explicit HostOutput(std::FILE* lines) : lineStream(lines) {}

    void write(const adsk::sim::HostRecord& record);
    // False once a write or flush failed.
    bool healthy() const;
    std::FILE* stream() const { return lineStream; }

private:
    mutable std::mutex mutex;
    std::FILE* lineStream;
    bool failed = false;
    bool warnedAboutBytes = false;
};

} // namespace Corvana

#pragma once
// Plays Fusion and its user for a loaded add-in: runs script steps against
// the simulated host, in order, on the host's main thread.

#include "apps/corvana-host/AddinModule.h"
#include "apps/corvana-host/ScriptLine.h"

#include "adsk/sim/SimHost.h"

#include <iosfwd>
#include <string>

namespace Corvana {

inline constexpr const char* mainPaletteId = "CorvanaPaletteId";

struct StepOutcome {
    bool ok = true;
    std::string error;   // one sentence when !ok
    std::string notice;  // a step that had no effect, such as a message to no palette
};

class ScriptRunner {
public:
    ScriptRunner(adsk::sim::SimHost& simulatedHost, const AddinModule& module) : host(simulatedHost), addin(module) {}

    StepOutcome runStep(const ScriptStep& step);
    // Calls the add-in's stop unless it was called; false when stop failed.
    bool stopAddin(std::string& error);
    bool stopped() const { return stopCalled; }

private:
    StepOutcome send(const SendStep& step);
    StepOutcome hidePalette();
    StepOutcome stop();
    void applyFacts(const FusionStep& step);

    adsk::sim::SimHost& host;
    const AddinModule& addin;
    bool stopCalled = false;
};

// Runs every line of `script`. Notices and the first error go to
// `diagnostics` with their line number; false after a malformed line or a
// failed step, which ends the script.
bool runScript(std::istream& script, ScriptRunner& runner, std::ostream& diagnostics);

} // namespace Corvana

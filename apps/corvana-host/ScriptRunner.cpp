#include "apps/corvana-host/ScriptRunner.h"

#include "Core/Utils.h"

#include <algorithm>
#include <chrono>
#include <istream>
#include <ostream>
#include <thread>

namespace Corvana {
namespace {

using Clock = std::chrono::steady_clock;

// How often waiting pumps the host's events, as an idle host would.
constexpr std::chrono::milliseconds pumpInterval{5};

// Delivers queued events until the time is up; at least once, and once more
// at the end so that nothing queued just before the deadline is left behind.
void pumpEvents(std::chrono::milliseconds duration) {
    const auto deadline = Clock::now() + duration;
    for (;;) {
        adsk::doEvents();
        const auto now = Clock::now();
        if (now >= deadline) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(pumpInterval, deadline - now));
    }
}

StepOutcome failure(std::string error) {
    StepOutcome outcome;
    outcome.ok = false;
    outcome.error = std::move(error);
    return outcome;
}

StepOutcome notice(std::string text) {
    StepOutcome outcome;
    outcome.notice = std::move(text);
    return outcome;
}

} // namespace

StepOutcome ScriptRunner::runStep(const ScriptStep& step) {
    if (const auto* dialog = std::get_if<DialogStep>(&step)) {
        if (dialog->ok)
            host.queueDialogOk(dialog->path);
        else
            host.queueDialogCancel();
        return {};
    }
    if (const auto* message = std::get_if<SendStep>(&step)) return send(*message);
    if (const auto* wait = std::get_if<WaitStep>(&step)) {
        pumpEvents(std::chrono::milliseconds(wait->milliseconds));
        return {};
    }
    if (const auto* facts = std::get_if<FusionStep>(&step)) {
        applyFacts(*facts);
        return {};
    }
    if (std::holds_alternative<HidePaletteStep>(step)) return hidePalette();
    return stop();
}

StepOutcome ScriptRunner::send(const SendStep& step) {
    // Returns once the add-in's handlers have returned.
    if (host.sendFromPage(mainPaletteId, step.action, step.data)) return {};
    return notice(std::string("there is no palette \"") + mainPaletteId + "\"; \"" + step.action +
                  "\" was not delivered");
}

StepOutcome ScriptRunner::hidePalette() {
    if (host.clickPaletteClose(mainPaletteId)) return {};
    return notice(std::string("the palette \"") + mainPaletteId +
                  "\" is not shown or has no close button; nothing was closed");
}

StepOutcome ScriptRunner::stop() {
    // Fusion stops an add-in once; a second stop could make it release twice.
    if (stopCalled) return failure("the add-in was already stopped");
    std::string error;
    if (!stopAddin(error)) return failure(error);
    return {};
}

bool ScriptRunner::stopAddin(std::string& error) {
    if (stopCalled) return true;
    stopCalled = true;
    if (addin.stop("")) return true;
    error = "the add-in's stop returned false";
    return false;
}

void ScriptRunner::applyFacts(const FusionStep& step) {
    using namespace adsk::core;
    if (step.units) {
        if (*step.units)
            host.setDocumentLengthUnits(**step.units);
        else
            host.closeDocument();
    }
    // The ranges were checked when the line was read.
    if (step.language) host.setUserLanguage(static_cast<UserLanguages>(*step.language));
    if (step.theme) host.setLightingEnvironment(static_cast<LightingEnvironments>(*step.theme));
    if (step.uiTheme) host.setUserInterfaceTheme(static_cast<UserInterfaceThemes>(*step.uiTheme));
    if (step.version) host.setVersion(*step.version);
    if (step.user) {
        if (*step.user)
            host.setUser((*step.user)->displayName, (*step.user)->email);
        else
            host.signOut();
    }
}

bool runScript(std::istream& script, ScriptRunner& runner, std::ostream& diagnostics) {
    std::string line;
    for (long lineNumber = 1; std::getline(script, line); ++lineNumber) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const ParsedLine parsed = parseScriptLine(line);
        if (parsed.blank) continue;
        if (!parsed.step) {
            diagnostics << "corvana-host: script line " << lineNumber << ": " << parsed.error << "\n";
            return false;
        }
        const StepOutcome outcome = runner.runStep(*parsed.step);
        if (!outcome.notice.empty())
            diagnostics << "corvana-host: script line " << lineNumber << ": " << outcome.notice << "\n";
        if (!outcome.ok) {
            diagnostics << "corvana-host: script line " << lineNumber << ": " << outcome.error << "\n";
            return false;
        }
    }
    if (script.bad()) {
        diagnostics << "corvana-host: reading the script failed\n";
        return false;
    }
    return true;
}

} // namespace Corvana

#include "adsk/core/Dialogs.h"

#include "HostState.h"

#include <optional>
#include <utility>

namespace adsk::sim::detail {

namespace {

std::optional<DialogAnswer> popDialogAnswer(HostState& state) {
    std::lock_guard lock(state.mutex);
    if (state.dialogAnswers.empty()) return std::nullopt;
    DialogAnswer answer = std::move(state.dialogAnswers.front());
    state.dialogAnswers.pop_front();
    return answer;
}

} // namespace

DialogAnswer takeDialogAnswer(HostState& state, const DialogShown& request) {
    if (auto answer = popDialogAnswer(state)) return std::move(*answer);
    DialogPrompt prompt;
    {
        std::lock_guard lock(state.mutex);
        prompt = state.dialogPrompt;
    }
    // Called without the lock: the prompt waits for another thread to queue.
    if (!prompt) return {};
    prompt(request);
    return popDialogAnswer(state).value_or(DialogAnswer{});
}

} // namespace adsk::sim::detail

namespace adsk::core {

using sim::detail::HostState;

namespace {

// Replaces %p (percent), %v (value) and %m (maximum) as the host does.
std::string expandProgressText(const std::string& text, int minimum, int maximum, int value) {
    const long long span = static_cast<long long>(maximum) - minimum;
    const long long percent = span > 0 ? (static_cast<long long>(value) - minimum) * 100 / span : 100;
    std::string expanded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '%' || (next != 'p' && next != 'v' && next != 'm')) {
            expanded += text[i];
            continue;
        }
        expanded += std::to_string(next == 'p' ? percent : next == 'v' ? value : maximum);
        ++i;
    }
    return expanded;
}

} // namespace

FileDialog::FileDialog(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

std::string FileDialog::title() const { return titleText; }
std::string FileDialog::filter() const { return filterText; }
int FileDialog::filterIndex() const { return filterPosition; }
std::string FileDialog::initialDirectory() const { return directory; }
std::string FileDialog::initialFilename() const { return proposedName; }
bool FileDialog::isMultiSelectEnabled() const { return multiSelect; }
std::string FileDialog::filename() const { return chosen.empty() ? std::string() : chosen.front(); }
std::vector<std::string> FileDialog::filenames() const { return chosen; }

bool FileDialog::title(const std::string& value) {
    titleText = value;
    return true;
}

bool FileDialog::filter(const std::string& value) {
    filterText = value;
    return true;
}

bool FileDialog::filterIndex(int value) {
    filterPosition = value;
    return true;
}

bool FileDialog::initialDirectory(const std::string& value) {
    directory = value;
    return true;
}

bool FileDialog::initialFilename(const std::string& value) {
    proposedName = value;
    return true;
}

bool FileDialog::isMultiSelectEnabled(bool value) {
    multiSelect = value;
    return true;
}

DialogResults FileDialog::showOpen() { return show(false); }
DialogResults FileDialog::showSave() { return show(true); }

DialogResults FileDialog::show(bool forSave) {
    sim::detail::checkMainThread(*state, forSave ? "FileDialog::showSave" : "FileDialog::showOpen");
    const sim::DialogShown request{forSave ? sim::DialogKind::Save : sim::DialogKind::Open,
                                   titleText, filterText, filterPosition, directory, proposedName,
                                   multiSelect, DialogCancel, {}};
    auto answer = sim::detail::takeDialogAnswer(*state, request);
    // A single-selection dialog or a save dialog yields one path at most.
    if ((forSave || !multiSelect) && answer.paths.size() > 1) answer.paths.resize(1);
    const bool ok = answer.ok && !answer.paths.empty();
    chosen = ok ? answer.paths : std::vector<std::string>();
    sim::DialogShown shown{forSave ? sim::DialogKind::Save : sim::DialogKind::Open,
                           titleText, filterText, filterPosition, directory, proposedName,
                           multiSelect, ok ? DialogOK : DialogCancel, chosen};
    sim::detail::record(*state, &HostState::dialogs, std::move(shown));
    return ok ? DialogOK : DialogCancel;
}

FolderDialog::FolderDialog(std::shared_ptr<HostState> hostState) : state(std::move(hostState)) {}

std::string FolderDialog::title() const { return titleText; }
std::string FolderDialog::initialDirectory() const { return directory; }
std::string FolderDialog::folder() const { return chosen; }

bool FolderDialog::title(const std::string& value) {
    titleText = value;
    return true;
}

bool FolderDialog::initialDirectory(const std::string& value) {
    directory = value;
    return true;
}

DialogResults FolderDialog::showDialog() {
    sim::detail::checkMainThread(*state, "FolderDialog::showDialog");
    const sim::DialogShown request{sim::DialogKind::Folder, titleText, "", 0, directory, "", false,
                                   DialogCancel, {}};
    const auto answer = sim::detail::takeDialogAnswer(*state, request);
    const bool ok = answer.ok && !answer.paths.empty();
    chosen = ok ? answer.paths.front() : std::string();
    sim::DialogShown shown{sim::DialogKind::Folder, titleText, "", 0, directory, "", false,
                           ok ? DialogOK : DialogCancel,
                           ok ? std::vector<std::string>{chosen} : std::vector<std::string>()};
    sim::detail::record(*state, &HostState::dialogs, std::move(shown));
    return ok ? DialogOK : DialogCancel;
}

ProgressDialog::ProgressDialog(std::shared_ptr<HostState> hostState, int dialogIndex)
    : state(std::move(hostState)), index(dialogIndex) {}

void ProgressDialog::record(sim::ProgressAction action) {
    sim::detail::checkMainThread(*state, "ProgressDialog");
    sim::ProgressStep step;
    step.dialog = index;
    step.action = action;
    step.title = titleText;
    step.text = expandProgressText(messageText, minimum, maximum, current);
    step.value = current;
    step.minimum = minimum;
    step.maximum = maximum;
    step.delaySeconds = delaySeconds;
    step.cancelButtonShown = cancelShown;
    step.showing = showing;
    sim::detail::record(*state, &HostState::progressSteps, std::move(step));
}

bool ProgressDialog::show(const std::string& title, const std::string& message, int minimumValue,
                          int maximumValue, int delay) {
    titleText = title;
    messageText = message;
    minimum = minimumValue;
    maximum = maximumValue;
    current = minimumValue;
    delaySeconds = delay;
    showing = true;
    record(sim::ProgressAction::Show);
    return true;
}

bool ProgressDialog::hide() {
    showing = false;
    record(sim::ProgressAction::Hide);
    return true;
}

bool ProgressDialog::reset() {
    current = minimum;
    record(sim::ProgressAction::Reset);
    return true;
}

std::string ProgressDialog::title() const { return titleText; }
std::string ProgressDialog::message() const { return messageText; }
int ProgressDialog::minimumValue() const { return minimum; }
int ProgressDialog::maximumValue() const { return maximum; }
int ProgressDialog::progressValue() const { return current; }
bool ProgressDialog::isCancelButtonShown() const { return cancelShown; }
bool ProgressDialog::wasCancelled() const { return false; }
bool ProgressDialog::isShowing() const { return showing; }

bool ProgressDialog::title(const std::string& value) {
    titleText = value;
    record(sim::ProgressAction::Title);
    return true;
}

bool ProgressDialog::message(const std::string& value) {
    messageText = value;
    record(sim::ProgressAction::Message);
    return true;
}

bool ProgressDialog::minimumValue(int value) {
    minimum = value;
    record(sim::ProgressAction::Range);
    return true;
}

bool ProgressDialog::maximumValue(int value) {
    maximum = value;
    record(sim::ProgressAction::Range);
    return true;
}

bool ProgressDialog::progressValue(int value) {
    current = value;
    record(sim::ProgressAction::Value);
    return true;
}

bool ProgressDialog::isCancelButtonShown(bool value) {
    cancelShown = value;
    record(sim::ProgressAction::CancelButton);
    return true;
}

} // namespace adsk::core

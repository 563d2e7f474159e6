#include "apps/corvana-host/HostOutput.h"

#include <nlohmann/json.hpp>


namespace Corvana {
namespace {

// Keeps members in the order they are written here.
using Json = nlohmann::ordered_json;

const char* progressWord(adsk::sim::ProgressAction action) {
    switch (action) {
    case adsk::sim::ProgressAction::Show: return "show";
    case adsk::sim::ProgressAction::Hide: return "hide";
    case adsk::sim::ProgressAction::Message: return "message";
    default: return nullptr;
    }
}

std::optional<Json> lineObject(const adsk::sim::HostRecord& record) {
    using namespace adsk::sim;
    if (const auto* message = std::get_if<PaletteMessage>(&record)) {
        if (!message->paletteVisible) return std::nullopt;
        return Json{{"palette", message->paletteId}, {"action", message->action}, {"data", message->data}};
    }
    if (const auto* box = std::get_if<MessageBoxShown>(&record))
        return Json{{"messageBox", box->text}, {"title", box->title}};
    if (const auto* log = std::get_if<LogLine>(&record)) return Json{{"log", log->message}};
    if (const auto* step = std::get_if<ProgressStep>(&record)) {
        const char* word = progressWord(step->action);
        if (!word) return std::nullopt;
        return Json{{"progress", word}, {"text", step->text}};
    }
    return std::nullopt;
}

} // namespace

std::optional<OutputLine> formatHostRecord(const adsk::sim::HostRecord& record) {
    const auto object = lineObject(record);
    if (!object) return std::nullopt;
    // JSON text must be UTF-8; bytes that are not become U+FFFD rather than
    // ending the host with an exception.
    try {
        return OutputLine{object->dump(), false};
    } catch (const Json::type_error&) {
        return OutputLine{object->dump(-1, ' ', false, Json::error_handler_t::replace), true};
    }
}

void HostOutput::write(const adsk::sim::HostRecord& record) {
    const auto line = formatHostRecord(record);
    if (!line) return;
    std::lock_guard lock(mutex);
    if (line->replacedBytes && !warnedAboutBytes) {
        warnedAboutBytes = true;
        std::fputs("corvana-host: the add-in sent text that is not UTF-8; invalid bytes are written as U+FFFD\n",
                   stderr);
    }
    const bool written = std::fputs(line->text.c_str(), lineStream) >= 0 && std::fputc('\n', lineStream) != EOF &&
                         std::fflush(lineStream) == 0;
    failed = failed || !written;
}

bool HostOutput::healthy() const {
    std::lock_guard lock(mutex);
    return !failed;
}

} // namespace Corvana

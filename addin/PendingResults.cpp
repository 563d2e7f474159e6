#include "addin/PendingResults.h"

#include "sources/JsonText.h"

#include <cmath>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace Corvana {
namespace {

struct PendingMap {
    std::mutex mutex;
    std::unordered_map<std::int64_t, PendingCompletion> completions;
    std::int64_t nextId = 1;
};

PendingMap& pendingMap() {
    static PendingMap map;
    return map;
}

// The event's number, -1 when missing. A value no request can have (below 1
// or beyond exact doubles) also reads -1 instead of overflowing the cast.
std::int64_t requestNumber(const std::string& additionalInfo) {
    const double value = readJsonNumber(additionalInfo, "id", -1.0);
    if (!(value >= 1 && value <= 9007199254740992.0)) return -1;
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace

std::int64_t addPendingCompletion(PendingCompletion completion) {
    auto& map = pendingMap();
    std::lock_guard lock(map.mutex);
    const std::int64_t id = map.nextId++;
    map.completions.emplace(id, std::move(completion));
    return id;
}

std::optional<PendingCompletion> takePendingCompletion(std::int64_t id) {
    auto& map = pendingMap();
    std::lock_guard lock(map.mutex);
    const auto found = map.completions.find(id);
    if (found == map.completions.end()) return std::nullopt;
    PendingCompletion completion = std::move(found->second);
    map.completions.erase(found);
    return completion;
}

void clearPendingCompletions() {
    std::unordered_map<std::int64_t, PendingCompletion> dropped;
    {
        auto& map = pendingMap();
        std::lock_guard lock(map.mutex);
        dropped.swap(map.completions);
    }
    // The callbacks are destroyed here, outside the lock, in case one holds
    // something whose destruction reaches the map again.
}

std::string completionEventInfo(std::int64_t id, bool ok, const std::string& error) {
    return "{\"id\":" + std::to_string(id) + ",\"ok\":" + (ok ? "true" : "false") + ",\"err\":" +
           quoteJsonText(error) + "}";
}

void completePendingFromEvent(const std::string& additionalInfo) {
    const auto completion = takePendingCompletion(requestNumber(additionalInfo));
    if (!completion || !*completion) return;
    const std::string error = readJsonString(additionalInfo, "err");
    const bool ok = readJsonBool(additionalInfo, "ok");
    (*completion)(ok, error);
}

std::atomic<bool>& updateDownloadBusy() {
    static std::atomic<bool> busy{false};
    return busy;
}

adsk::core::Ptr<adsk::core::UserInterface>& updateAnswerUserInterface() {
    static adsk::core::Ptr<adsk::core::UserInterface> ui;
    return ui;
}

} // namespace Corvana

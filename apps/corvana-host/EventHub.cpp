#include "apps/corvana-host/EventHub.h"

#include <algorithm>

namespace Corvana {

std::vector<std::string> EventHub::Reader::take(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    ready.wait_for(lock, timeout, [this] { return ended || !lines.empty(); });
    std::vector<std::string> taken(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    lines.clear();
    return taken;
}

bool EventHub::Reader::closed() const {
    std::lock_guard lock(mutex);
    return ended;
}

std::shared_ptr<EventHub::Reader> EventHub::subscribe(const std::string& first) {
    auto reader = std::make_shared<Reader>();
    if (!first.empty()) reader->lines.push_back(first);
    std::lock_guard lock(mutex);
    reader->ended = isClosed;
    readers.push_back(reader);
    return reader;
}

void EventHub::unsubscribe(const std::shared_ptr<Reader>& reader) {
    std::lock_guard lock(mutex);
    readers.erase(std::remove(readers.begin(), readers.end(), reader), readers.end());
}

void EventHub::publish(const std::string& line) {
    std::lock_guard lock(mutex);
    for (const auto& reader : readers) {
        {
            std::lock_guard readerLock(reader->mutex);
            reader->lines.push_back(line);
        }
        reader->ready.notify_one();
    }
}

void EventHub::close() {
    std::lock_guard lock(mutex);
    isClosed = true;
    for (const auto& reader : readers) {
        {
            std::lock_guard readerLock(reader->mutex);
            reader->ended = true;
        }
        reader->ready.notify_all();
    }
}

} // namespace Corvana

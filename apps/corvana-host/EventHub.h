#pragma once
// Fans host output lines out to every connected event-stream reader. Lines are
// published from any thread; each reader drains its own queue.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Corvana {

class EventHub {
public:
    class Reader {
    public:
        // Waits up to `timeout` for lines; returns all queued lines (none on
        // time-out or once the hub is closed).
        std::vector<std::string> take(std::chrono::milliseconds timeout);
        bool closed() const;

    private:
        friend class EventHub;
        mutable std::mutex mutex;
        std::condition_variable ready;
        std::deque<std::string> lines;
        bool ended = false;
    };

    // A new reader; `first`, when not empty, is queued for it before any
    // later line.
    std::shared_ptr<Reader> subscribe(const std::string& first = {});
    void unsubscribe(const std::shared_ptr<Reader>& reader);
    void publish(const std::string& line);
    // Wakes every reader and ends the streams.
    void close();

private:
    std::mutex mutex;
    std::vector<std::shared_ptr<Reader>> readers;
    bool isClosed = false;
};

} // namespace Corvana

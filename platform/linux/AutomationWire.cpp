#include "platform/linux/AutomationWire.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Corvana::Wire {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds poll may wait: -1 without a deadline, 0 once it has passed.
int pollTimeout(Deadline deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Waits until the socket is ready for `events`; false on hang-up, error or time-out.
bool waitFor(int fd, short events, Deadline deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, pollTimeout(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        // Data still waiting to be read counts even when the peer has hung up.
        return (entry.revents & events) != 0;
    }
}

bool isSendableWord(std::string_view word) {
    if (word.empty()) return false;
    for (const char c : word)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return false;
    return true;
}

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > at) words.emplace_back(line.substr(at, stop - at));
        at = stop + 1;
    }
    return words;
}

} // namespace

Channel::~Channel() {
    if (fd >= 0) ::close(fd);
}

bool Channel::write(const std::vector<std::string>& words, std::string_view payload, Deadline deadline) {
    if (fd < 0 || payload.size() > kMaxPayload) return false;
    std::string frame;
    for (const auto& word : words) {
        if (!isSendableWord(word)) return false;
        frame += word;
        frame += ' ';
    }
    frame += std::to_string(payload.size());
    frame += '\n';
    if (frame.size() > kMaxHeader) return false;
    frame.append(payload);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadline)) continue;
        return false;
    }
    return true;
}

bool Channel::fill(Deadline deadline) {
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
            return true;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLIN, deadline)) continue;
        return false;
    }
}

std::optional<Frame> Channel::read(Deadline deadline) {
    if (fd < 0) return std::nullopt;
    std::size_t lineEnd;
    while ((lineEnd = buffer.find('\n')) == std::string::npos) {
        if (buffer.size() > kMaxHeader || !fill(deadline)) return std::nullopt;
    }
    if (lineEnd > kMaxHeader) return std::nullopt;
    Frame frame;
    frame.words = splitWords(std::string_view(buffer).substr(0, lineEnd));
    if (frame.words.empty()) return std::nullopt;
    const std::string& lengthWord = frame.words.back();
    std::size_t length = 0;
    const auto [end, error] = std::from_chars(lengthWord.data(), lengthWord.data() + lengthWord.size(), length);
    if (error != std::errc() || end != lengthWord.data() + lengthWord.size() || length > kMaxPayload)
        return std::nullopt;
    frame.words.pop_back();
    while (buffer.size() - lineEnd - 1 < length) {
        if (!fill(deadline)) return std::nullopt;
    }
    frame.payload = buffer.substr(lineEnd + 1, length);
    buffer.erase(0, lineEnd + 1 + length);
    return frame;
}

int connectTo(const std::string& path, Deadline deadline) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    // A full listen queue refuses a non-blocking connect with EAGAIN; it is
    // retried until the deadline, never beyond it.
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
        if (errno == EINTR) continue;
        if (errno != EAGAIN || pollTimeout(deadline) == 0) break;
        ::poll(nullptr, 0, 10);
    }
    ::close(fd);
    return -1;
}

} // namespace Corvana::Wire

#pragma once
// The automation protocol between a client and an automation server over a
// Unix-domain stream socket. Every message is one frame:
//
//   WORD SP WORD ... SP LENGTH LF PAYLOAD
//
// the header line holds blank-separated words (printable ASCII, no blanks)
// and ends with the payload's byte count in decimal; the payload follows as
// raw bytes, so any text (line breaks, carriage returns, quotes) travels
// unchanged. A header is at most 512 bytes, a payload at most 64 MiB; a peer
// that sends more is dropped.
//
// Requests (the client sends one and waits for its answer):
//   CALL <object> <method> <n>   call a method with the payload as its one text argument
//   GET <object> <property> 0    read a property; "_NewEnum" gives the collection's enumerator
//   NEXT <enumerator> - 0        the enumerator's next element
//   RELEASE <object> - 0         drop a reference; never answered
// <object> is a decimal handle given out by the server; 0 is the application
// object. Handles belong to their connection.
//
// Answers:
//   TEXT <n>      the payload is the text result
//   OBJECT <n>    the payload is the decimal handle of an object
//   EMPTY 0       no value
//   END 0         the enumeration is over
//   FAIL <n>      the request failed; the payload says why

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana::Wire {

inline constexpr std::size_t kMaxHeader = 512;
inline constexpr std::size_t kMaxPayload = std::size_t{64} << 20;

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

struct Frame {
    std::vector<std::string> words;  // the header without the length
    std::string payload;
};

// A connected socket with its read buffer. Closes the socket on destruction.
class Channel {
public:
    explicit Channel(int socketFd) : fd(socketFd) {}
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // False when the peer is gone, the deadline passed or a word is not
    // sendable (empty, blanks or control characters).
    bool write(const std::vector<std::string>& words, std::string_view payload, Deadline deadline);
    // Empty when the peer is gone, the deadline passed or the frame is malformed.
    std::optional<Frame> read(Deadline deadline);
    int descriptor() const { return fd; }

private:
    bool fill(Deadline deadline);

    int fd;
    std::string buffer;
};

// Connects to the socket at `path`; -1 on failure. Never blocks beyond the deadline.
int connectTo(const std::string& path, Deadline deadline);

} // namespace Corvana::Wire

#pragma once
// Real parts for the service tests: certificates made with the openssl
// program, an HTTPS server on 127.0.0.1, PE files signed with osslsigncode,
// and ZIP checks with unzip and Python's zipfile.

#include "tests/support/TestFiles.h"

#include <httplib.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Corvana::Testing {

// Made once per program: a trusted root ("root.pem") with a server
// certificate for 127.0.0.1 and the signers "Dravik", "dravik" and
// "Someone-Else"; an untrusted root with "rogue-server" and "rogue-Dravik".
struct TestPki {
    std::filesystem::path folder;
    std::string trustedRoot;
    static const TestPki& instance();
    void sign(const std::filesystem::path& input, const std::filesystem::path& output, const std::string& signer) const;
};

// A minimal PE32 image that osslsigncode can sign.
std::vector<std::uint8_t> minimalPeImage();

struct TestReply {
    TestReply(int code = 200, std::string text = {}, std::string redirect = {}, std::uint64_t streamed = 0)
        : status(code), body(std::move(text)), location(std::move(redirect)), streamedBytes(streamed) {}
    int status;
    std::string body;
    std::string location;         // Location header
    std::uint64_t streamedBytes;  // when set, this many zero bytes are streamed as the body
};

struct ReceivedRequest {
    std::string method, path, query, body;
    std::map<std::string, std::string> headers;
};

class TestHttpsServer {
public:
    explicit TestHttpsServer(const std::string& certificate = "server");
    ~TestHttpsServer();
    std::string host() const { return "127.0.0.1:" + std::to_string(port); }
    std::string url(const std::string& path) const { return "https://" + host() + path; }
    // Replies on `path` are used in order; the last one repeats.
    void setReplies(const std::string& path, std::vector<TestReply> replies);
    std::vector<ReceivedRequest> received() const;

private:
    void answer(const httplib::Request& request, httplib::Response& response);
    std::unique_ptr<httplib::SSLServer> server;
    std::thread listener;
    int port = 0;
    mutable std::mutex mutex;
    std::map<std::string, std::deque<TestReply>> replies;
    std::vector<ReceivedRequest> requests;
};

struct ZipCheck {
    bool unzipOk = false;
    std::vector<std::string> entries;  // "name method (y, m, d)" per entry, or Python's error
};

// Decodes the Base64 text and tests the ZIP with unzip -t and Python's zipfile (every CRC).
ZipCheck checkBase64Zip(const std::string& text);

} // namespace Corvana::Testing

#pragma once
// Real parts for the service tests: a certificate authority made with the
// openssl program, a local HTTPS server on 127.0.0.1, PE files signed with
// osslsigncode, and ZIP checks through unzip and Python's zipfile.

#include "tests/support/TestFiles.h"

#include <httplib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Corvana::Testing {

// Keys and certificates made once per test program: a trusted root with a
// server certificate for 127.0.0.1 and code-signing certificates, and an
// untrusted root with its own server and "Dravik" certificates.
struct TestPki {
    std::filesystem::path folder;
    std::string trustedRoot;  // PEM of the trusted root, for CORVANA_TRUST_FILE
    std::string serverCert, serverKey;
    std::string rogueServerCert, rogueServerKey;

    static const TestPki& instance();
    // Signs a copy of `unsigned` as `signer` ("Dravik", "dravik", "Someone Else" or "rogue Dravik").
    void sign(const std::filesystem::path& input, const std::filesystem::path& output, const std::string& signer) const;
};

// A small valid PE32 image that osslsigncode can sign; `marker` varies its bytes.
std::vector<std::uint8_t> minimalPeImage(std::uint8_t marker = 0xC3);

// What the server answers on one path.
struct TestReply {
    TestReply(int code = 200, std::string text = {}, std::string redirect = {}, std::uint64_t streamed = 0)
        : status(code), body(std::move(text)), location(std::move(redirect)), streamedBytes(streamed) {}
    int status;
    std::string body;
    std::string location;        // a Location header for redirects
    std::uint64_t streamedBytes; // when set, a body of this many bytes is streamed
};

struct ReceivedRequest {
    std::string method;
    std::string path;
    std::string query;  // the parameters, "k=v&..." in their order
    std::map<std::string, std::string> headers;
    std::string body;
};

class TestHttpsServer {
public:
    explicit TestHttpsServer(bool rogueCertificate = false);
    ~TestHttpsServer();

    std::string host() const { return "127.0.0.1:" + std::to_string(port); }
    std::string url(const std::string& path) const { return "https://" + host() + path; }
    // Replies on `path` are taken in order; the last one repeats.
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

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string variable;
    std::optional<std::string> previous;
};

struct ZipCheck {
    bool unzipOk = false;                  // unzip -t accepted it
    std::vector<std::string> entries;      // "name method date" from Python's zipfile, or its error
};

// Checks the ZIP bytes with unzip -t and Python's zipfile (which also tests every CRC).
ZipCheck checkZip(const std::vector<std::uint8_t>& archive);

std::vector<std::uint8_t> decodeBase64(const std::string& text);

} // namespace Corvana::Testing

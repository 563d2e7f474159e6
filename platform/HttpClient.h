#pragma once
// One HTTPS exchange (WinHTTP on Windows, libcurl on Linux): TLS with peer and
// host verification, redirects followed to https only, the system proxy.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct HttpRequest {
    std::string method;                // "GET" or "POST"
    std::string url;                   // https://host[:port]/path?query
    std::vector<std::string> headers;  // "Name: value"
    std::string body;
    std::string extraTrustFile;        // PEM roots trusted beside the system's; empty for none
};

// Receives the final response's status and each body chunk as it arrives;
// returning false stops the transfer (a size limit, a failed write).
using HttpBodySink = std::function<bool(long status, std::string_view chunk)>;

struct HttpOutcome {
    bool responded = false;     // a final status arrived (also when the sink stopped the body)
    long status = 0;
    bool bodyComplete = false;  // the whole body reached the sink
    std::string failure;        // one sentence when !responded
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // Never throws for network or TLS failures; they come back in the outcome.
    virtual HttpOutcome exchange(const HttpRequest& request, const HttpBodySink& sink) = 0;
};

HttpClient& systemHttpClient();

} // namespace Corvana

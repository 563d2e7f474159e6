#include "services/HttpExchanges.h"

#include "platform/PrivateFiles.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace Corvana {
namespace {

constexpr const char* mailPath = "/v3/smtp/email";
constexpr const char* feedPath = "/rest/v1/release_feed?channel=eq.beta&select=*";

bool isSuccessStatus(long status) { return status >= 200 && status <= 299; }

HttpRequest serviceRequest(const std::string& method, std::string url, const ServiceSettings& settings) {
    HttpRequest request;
    request.method = method;
    request.url = std::move(url);
    request.headers.push_back(std::string("User-Agent: ") + serviceUserAgent);
    request.extraTrustFile = settings.trustFile;
    return request;
}

// Keeps at most `limit` bytes of the body; false (stop) once that many arrived.
bool appendUpTo(std::string& text, std::string_view chunk, std::size_t limit) {
    text.append(chunk.substr(0, limit - text.size()));
    return text.size() < limit;
}

// Writes the body of a 200 answer into a file created on the first byte.
struct DownloadSink {
    const std::filesystem::path& destination;
    std::FILE* file = nullptr;
    std::uint64_t written = 0;
    bool failed = false;

    bool accept(long status, std::string_view chunk) {
        if (status != 200 || chunk.size() > downloadSizeLimit - written) return false;
        if (!file) file = createPrivateFile(destination);
        if (!file || std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) {
            failed = true;
            return false;
        }
        written += chunk.size();
        return true;
    }

    // Closes the file; a failed close loses data, so it counts as a failure.
    bool close() {
        if (!file) return false;
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        return closed;
    }
};

} // namespace

bool postMailJson(HttpClient& client, const ServiceSettings& settings, const std::string& body, std::string& error) {
    HttpRequest request = serviceRequest("POST", "https://" + settings.mailHost + mailPath, settings);
    request.headers.push_back("api-key: " + settings.mailKey);
    request.headers.push_back("Content-Type: application/json");
    request.body = body;
    std::string answer;
    const HttpOutcome outcome = client.exchange(request, [&answer](long status, std::string_view chunk) {
        if (isSuccessStatus(status)) return false;  // an accepted mail's answer is not needed
        return appendUpTo(answer, chunk, mailErrorBodyLimit);
    });
    if (!outcome.responded) {
        error = outcome.failure;
        return false;
    }
    if (isSuccessStatus(outcome.status)) return true;
    error = "HTTP " + std::to_string(outcome.status);
    if (!answer.empty()) error += ": " + answer;
    return false;
}

std::string fetchReleaseFeedText(HttpClient& client, const ServiceSettings& settings) {
    HttpRequest request = serviceRequest("GET", "https://" + settings.backendHost + feedPath, settings);
    request.headers.push_back("apikey: " + settings.backendKey);
    request.headers.push_back("Authorization: Bearer " + settings.backendKey);
    std::string feed;
    const HttpOutcome outcome = client.exchange(
        request, [&feed](long, std::string_view chunk) { return appendUpTo(feed, chunk, releaseFeedLimit); });
    if (!outcome.responded || !isSuccessStatus(outcome.status)) return {};
    return feed;
}

bool isDownloadUrl(const std::string& url) {
    static constexpr std::string_view scheme = "https://";
    if (url.size() < scheme.size() + 1 || url.compare(0, scheme.size(), scheme) != 0) return false;
    const auto slash = url.find('/', scheme.size());
    return slash != std::string::npos && slash > scheme.size();
}

bool downloadToFile(HttpClient& client, const ServiceSettings& settings, const std::string& url,
                    const std::filesystem::path& destination) {
    if (!isDownloadUrl(url)) return false;
    DownloadSink sink{destination};
    const HttpOutcome outcome = client.exchange(
        serviceRequest("GET", url, settings),
        [&sink](long status, std::string_view chunk) { return sink.accept(status, chunk); });
    const bool created = sink.file != nullptr;
    const bool closed = sink.close();
    const bool ok = outcome.bodyComplete && outcome.status == 200 && sink.written > 0 && !sink.failed && closed;
    if (!ok && created) {
        std::error_code ignored;
        std::filesystem::remove(destination, ignored);
    }
    return ok;
}

} // namespace Corvana

#include "platform/HttpClient.h"

#include <curl/curl.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <memory>

namespace Corvana {
namespace {

// WinHTTP's default time-outs: 60 s to connect, 30 s each to send and to
// receive. A transfer that moves no byte for 30 s counts as dead.
constexpr long connectTimeoutMs = 60'000;
constexpr long stalledSeconds = 30;
constexpr long maxRedirects = 10;

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Transfer {
    CURL* handle = nullptr;
    const HttpBodySink* sink = nullptr;
    bool sinkStopped = false;
};

size_t onBody(char* data, size_t size, size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const size_t length = size * count;
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    if ((*transfer.sink)(status, std::string_view(data, length))) return length;
    transfer.sinkStopped = true;
    return 0;  // any other count makes curl end the transfer
}

// The system's trusted roots stay in use beside an extra file: curl's bundle
// option replaces the default file, so the default folder is named as well.
void setTrust(CURL* handle, const std::string& extraTrustFile) {
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (extraTrustFile.empty()) return;
    const char* folder = std::getenv(X509_get_default_cert_dir_env());
    curl_easy_setopt(handle, CURLOPT_CAPATH, folder && *folder ? folder : X509_get_default_cert_dir());
    curl_easy_setopt(handle, CURLOPT_CAINFO, extraTrustFile.c_str());
}

void setPolicy(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stalledSeconds);
}

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    HttpOutcome exchange(const HttpRequest& request, const HttpBodySink& sink) override {
        HttpOutcome outcome;
        std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
        if (!handle) {
            outcome.failure = "the HTTPS session could not be opened";
            return outcome;
        }
        std::unique_ptr<curl_slist, HeaderListDeleter> headers;
        for (const auto& header : request.headers) {
            curl_slist* extended = curl_slist_append(headers.get(), header.c_str());
            if (!extended) {
                outcome.failure = "the HTTPS request could not be prepared";
                return outcome;
            }
            (void)headers.release();
            headers.reset(extended);
        }
        Transfer transfer{handle.get(), &sink, false};
        CURL* easy = handle.get();
        setPolicy(easy);
        setTrust(easy, request.extraTrustFile);
        curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
        if (request.method == "POST") {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        } else {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        }
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
        const CURLcode result = curl_easy_perform(easy);
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &outcome.status);
        outcome.bodyComplete = result == CURLE_OK;
        outcome.responded = outcome.bodyComplete || transfer.sinkStopped;
        if (!outcome.responded) outcome.failure = std::string("HTTPS request failed: ") + curl_easy_strerror(result);
        return outcome;
    }
};

} // namespace

HttpClient& systemHttpClient() {
    // curl's global set-up runs once, before any worker can start a transfer.
    static CurlHttpClient client;
    return client;
}

} // namespace Corvana

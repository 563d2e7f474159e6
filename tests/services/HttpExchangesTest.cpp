// The three exchanges against a real HTTPS server on 127.0.0.1 whose
// certificate comes from a root made for the test run.

#include "services/HttpExchanges.h"

#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Corvana {
namespace {

using Testing::TestHttpsServer;
using Testing::TestReply;

ServiceSettings settingsFor(const TestHttpsServer& server) {
    ServiceSettings settings;
    settings.mailHost = server.host();
    settings.backendHost = server.host();
    settings.mailKey = "mail-key";
    settings.backendKey = "backend-key";
    settings.supportEmail = "support@example.test";
    settings.trustFile = Testing::TestPki::instance().trustedRoot;
    return settings;
}

TEST(HttpExchangesTest, MailAnswersBecomeResultsAndErrorTexts) {
    TestHttpsServer server;
    const ServiceSettings settings = settingsFor(server);
    struct Case {
        TestReply reply;
        bool ok;
        std::string error;
    };
    const std::string longBody(5000, 'x');
    const std::vector<Case> cases = {
        {{201, "{\"messageId\":\"1\"}"}, true, ""},
        {{401, "{\"code\":\"unauthorized\"}"}, false, "HTTP 401: {\"code\":\"unauthorized\"}"},
        {{500, ""}, false, "HTTP 500"},
        {{400, longBody}, false, "HTTP 400: " + longBody.substr(0, 2048)},
    };
    for (const auto& c : cases) {
        server.setReplies("/v3/smtp/email", {c.reply});
        std::string error;
        EXPECT_EQ(postMailJson(systemHttpClient(), settings, "{\"a\":1}", error), c.ok) << c.reply.status;
        EXPECT_EQ(error, c.error);
    }
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), cases.size());
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].headers.at("api-key"), "mail-key");
    EXPECT_EQ(requests[0].headers.at("Content-Type"), "application/json");
    EXPECT_EQ(requests[0].headers.at("User-Agent"), "Corvana/1.0");
    EXPECT_EQ(requests[0].body, "{\"a\":1}");
}

TEST(HttpExchangesTest, RefusedConnectionAndUntrustedServerFailWithoutAnswer) {
    TestHttpsServer rogue(true);
    ServiceSettings settings = settingsFor(rogue);
    std::string error;
    EXPECT_FALSE(postMailJson(systemHttpClient(), settings, "{}", error));
    EXPECT_NE(error.find("HTTPS request failed"), std::string::npos) << error;
    EXPECT_TRUE(rogue.received().empty()) << "no request reaches a server that failed verification";
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settings), "");

    settings.mailHost = "127.0.0.1:1";  // nothing listens on port 1
    error.clear();
    EXPECT_FALSE(postMailJson(systemHttpClient(), settings, "{}", error));
    EXPECT_NE(error.find("HTTPS request failed"), std::string::npos) << error;
}

TEST(HttpExchangesTest, FeedIsCutAtItsLimitAndFailuresGiveNoText) {
    TestHttpsServer server;
    const ServiceSettings settings = settingsFor(server);
    const std::string longFeed(20000, 'f');
    server.setReplies("/rest/v1/release_feed", {{200, "[{\"version\":\"1.4.0\"}]"}, {200, longFeed}, {503, "busy"}});
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settings), "[{\"version\":\"1.4.0\"}]");
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settings), longFeed.substr(0, 16384));
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settings), "");
    const auto request = server.received().front();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.query, "channel=eq.beta&select=*");
    EXPECT_EQ(request.headers.at("apikey"), "backend-key");
    EXPECT_EQ(request.headers.at("Authorization"), "Bearer backend-key");
}

TEST(HttpExchangesTest, DownloadsSucceedOnlyWithCompleteBodiesAndLeaveNoPartialFile) {
    TestHttpsServer server;
    const ServiceSettings settings = settingsFor(server);
    server.setReplies("/ok", {{200, "installer"}});
    server.setReplies("/moved", {{302, "", server.url("/ok")}});
    server.setReplies("/insecure", {{302, "", "http://" + server.host() + "/ok"}});
    server.setReplies("/partial", {{206, "part"}});
    server.setReplies("/nothing", {{204, ""}});
    server.setReplies("/empty", {{200, ""}});
    server.setReplies("/limit", {{200, "", "", downloadSizeLimit}});
    server.setReplies("/over", {{200, "", "", downloadSizeLimit + 1}});
    struct Case {
        std::string url;
        bool ok;
        std::uintmax_t size;
    };
    const std::vector<Case> cases = {
        {server.url("/ok"), true, 9},
        {server.url("/moved"), true, 9},
        {server.url("/insecure"), false, 0},
        {server.url("/partial"), false, 0},
        {server.url("/nothing"), false, 0},
        {server.url("/empty"), false, 0},
        {server.url("/limit"), true, downloadSizeLimit},
        {server.url("/over"), false, 0},
        {"HTTPS://" + server.host() + "/ok", false, 0},
        {"http://" + server.host() + "/ok", false, 0},
        {"https://" + server.host(), false, 0},
        {"https:///ok", false, 0},
    };
    Testing::TempDir folder;
    for (const auto& c : cases) {
        const auto file = folder.file("setup.exe");
        EXPECT_EQ(downloadToFile(systemHttpClient(), settings, c.url, file), c.ok) << c.url;
        std::error_code error;
        EXPECT_EQ(std::filesystem::exists(file), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(std::filesystem::file_size(file, error), c.size) << c.url;
        }
        std::filesystem::remove(file, error);
    }
    EXPECT_EQ(server.received().size(), 9u) << "refused URLs send no request";
}

TEST(HttpExchangesTest, DownloadNeverReplacesAFileAlreadyThere) {
    TestHttpsServer server;
    server.setReplies("/ok", {{200, "installer"}});
    Testing::TempDir folder;
    const auto planted = folder.file("setup.exe");
    Testing::writeText(planted, "planted");
    EXPECT_FALSE(downloadToFile(systemHttpClient(), settingsFor(server), server.url("/ok"), planted));
    EXPECT_EQ(Testing::readText(planted), "planted");
}

} // namespace
} // namespace Corvana

// The three exchanges against a real HTTPS server on 127.0.0.1.

#include "services/HttpExchanges.h"

#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Testing::TestHttpsServer;

ServiceSettings settingsFor(const TestHttpsServer& server) {
    return {server.host(), server.host(), "mail-key", "backend-key", "support@example.test",
            Testing::TestPki::instance().trustedRoot};
}

TEST(HttpExchangesTest, MailAndFeedAnswersBecomeResultsAndErrorTexts) {
    TestHttpsServer server;
    const std::string longBody(5000, 'x');
    const std::vector<std::tuple<Testing::TestReply, bool, std::string>> cases = {
        {{201, "{}"}, true, ""},
        {{401, R"({"code":"unauthorized"})"}, false, R"(HTTP 401: {"code":"unauthorized"})"},
        {{500}, false, "HTTP 500"},
        {{400, longBody}, false, "HTTP 400: " + longBody.substr(0, 2048)},
    };
    for (const auto& [reply, ok, text] : cases) {
        server.setReplies("/v3/smtp/email", {reply});
        std::string error;
        const bool sent = postMailJson(systemHttpClient(), settingsFor(server), "{\"a\":1}", error);
        EXPECT_EQ(std::pair(sent, error), std::pair(ok, text));
    }
    const auto request = server.received().at(0);
    EXPECT_EQ(request.headers.at("api-key") + " " + request.body, "mail-key {\"a\":1}");

    const std::string longFeed(20000, 'f');
    server.setReplies("/rest/v1/release_feed", {{200, "[]"}, {200, longFeed}, {503, "busy"}});
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settingsFor(server)), "[]");
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settingsFor(server)), longFeed.substr(0, 16384));
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settingsFor(server)), "");
    const auto feedRequest = server.received().back();
    EXPECT_EQ(feedRequest.query + "|" + feedRequest.headers.at("apikey") + "|" + feedRequest.headers.at("Authorization"),
              "channel=eq.beta&select=*|backend-key|Bearer backend-key");
}

TEST(HttpExchangesTest, RefusedConnectionAndUntrustedServerSendNothing) {
    TestHttpsServer rogue("rogue-server");
    ServiceSettings settings = settingsFor(rogue);
    EXPECT_EQ(fetchReleaseFeedText(systemHttpClient(), settings), "");
    for (const std::string& mailHost : {rogue.host(), std::string("127.0.0.1:1")}) {
        settings.mailHost = mailHost;
        std::string error;
        EXPECT_FALSE(postMailJson(systemHttpClient(), settings, "{}", error));
        EXPECT_EQ(error.rfind("HTTPS request failed: ", 0), 0u) << error;
    }
    EXPECT_TRUE(rogue.received().empty());
}

TEST(HttpExchangesTest, DownloadsNeedACompleteBodyAndLeaveNoOtherFile) {
    TestHttpsServer server;
    const std::map<std::string, Testing::TestReply> routes = {
        {"/ok", {200, "installer"}},  {"/moved", {302, "", server.url("/ok")}},
        {"/partial", {206, "part"}},  {"/insecure", {302, "", "http://" + server.host() + "/ok"}},
        {"/nothing", {204}},          {"/empty", {200}},
        {"/limit", {200, "", "", downloadSizeLimit}}, {"/over", {200, "", "", downloadSizeLimit + 1}}};
    for (const auto& [path, reply] : routes) server.setReplies(path, {reply});
    const std::vector<std::tuple<std::string, bool, std::uintmax_t>> cases = {
        {server.url("/ok"), true, 9},        {server.url("/moved"), true, 9},
        {server.url("/insecure"), false, 0}, {server.url("/partial"), false, 0},
        {server.url("/nothing"), false, 0},  {server.url("/empty"), false, 0},
        {server.url("/limit"), true, downloadSizeLimit}, {server.url("/over"), false, 0},
        {"HTTPS://" + server.host() + "/ok", false, 0},  {"http://" + server.host() + "/ok", false, 0},
        {"https://" + server.host(), false, 0},          {"https:///ok", false, 0}};
    Testing::TempDir folder;
    const fs::path file = folder.file("setup.exe");
    for (const auto& [url, ok, size] : cases) {
        EXPECT_EQ(downloadToFile(systemHttpClient(), settingsFor(server), url, file), ok) << url;
        std::error_code error;
        EXPECT_EQ(fs::file_size(file, error), ok ? size : static_cast<std::uintmax_t>(-1)) << url;
        fs::remove(file, error);
    }
    EXPECT_EQ(server.received().size(), 9u) << "refused URLs send no request";
    Testing::writeText(file, "planted");
    EXPECT_FALSE(downloadToFile(systemHttpClient(), settingsFor(server), server.url("/ok"), file));
    EXPECT_EQ(Testing::readText(file), "planted") << "an existing file is never replaced";
}

} // namespace
} // namespace Corvana

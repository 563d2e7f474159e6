// The update run against a local release feed and installers signed in the
// test with osslsigncode; every failure must leave no file behind.

#include "services/UpdateDownload.h"

#include "platform/Crypto.h"
#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

std::size_t filesBelow(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
    return count;
}

std::string feed(const std::string& version, const std::string& digest, const std::string& url) {
    return R"([{"version":")" + version + R"(","sha256":")" + digest + R"(","url":")" + url + R"("}])";
}

TEST(UpdateDownloadTest, OnlyAMatchingSignedInstallerFromDravikIsKept) {
    const auto& pki = Testing::TestPki::instance();
    Testing::TempDir work, temp;
    Testing::TestHttpsServer server;
    std::map<std::string, std::string> digests;
    Testing::writeBytes(work.file("plain.exe"), Testing::minimalPeImage());
    for (const std::string signer : {"Dravik", "dravik", "Someone-Else", "rogue-Dravik", "plain"}) {
        if (signer != "plain") pki.sign(work.file("plain.exe"), work.file(signer + ".exe"), signer);
        server.setReplies("/" + signer, {{200, Testing::readText(work.file(signer + ".exe"))}});
        digests[signer] = sha256FileHex(work.file(signer + ".exe").string());
    }
    std::string upperDigest = digests["dravik"];
    for (auto& c : upperDigest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string dravik = server.url("/Dravik");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {feed("1.4.0", digests["Dravik"], dravik), ""},
        {feed("1.4.0", upperDigest, server.url("/dravik")), ""},
        {feed("1.4.0", digests["Someone-Else"], server.url("/Someone-Else")), "wrong_publisher"},
        {feed("1.4.0", digests["rogue-Dravik"], server.url("/rogue-Dravik")), "untrusted"},
        {feed("1.4.0", digests["plain"], server.url("/plain")), "unsigned"},
        {feed("1.4.0", digests["dravik"], dravik), "hash_mismatch"},
        {feed("1.4.0", digests["Dravik"], server.url("/missing")), "download_failed"},
        {feed("1.4.1", digests["Dravik"], dravik), "feed_mismatch"},
        {R"([{"version":"1.4.0","url":")" + dravik + R"("}])", "feed_mismatch"},
        {feed("1.4.0", digests["Dravik"], "http://" + server.host() + "/Dravik"), "bad_url"},
        {"[]", "offline"},
    };
    const ServiceSettings settings{"", server.host(), "", "key", "", pki.trustedRoot};
    std::optional<Testing::ScopedEnv> tempDir(std::in_place, "TMPDIR", temp.path().string());
    for (const auto& [feedText, errorCode] : cases) {
        server.setReplies("/rest/v1/release_feed", {{200, feedText}});
        const UpdateOutcome outcome = downloadVerifiedUpdate(systemHttpClient(), settings, "1.4.0");
        EXPECT_EQ(std::pair(outcome.errorCode, outcome.ok), std::pair(errorCode, errorCode.empty())) << feedText;
        EXPECT_EQ(filesBelow(temp.path()), errorCode.empty() ? 1u : 0u) << feedText;
        if (!outcome.ok) continue;
        EXPECT_EQ(fs::path(outcome.path).filename().string().rfind("CVN-Setup-1.4.0-", 0), 0u);
        EXPECT_EQ(fs::status(outcome.path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(fs::status(fs::path(outcome.path).parent_path()).permissions(), fs::perms::owner_all);
    }
    tempDir.reset();
    EXPECT_EQ(server.received().size(), 18u) << "a mismatched feed downloads nothing";
    EXPECT_EQ(installerFileName("1.4.0-beta", "a-b-0"), "CVN-Setup-1.4.0-a-b-0.exe");
}

} // namespace
} // namespace Corvana

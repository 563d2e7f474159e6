// The update run end to end against a local release feed and installers
// signed in the test with osslsigncode.

#include "services/UpdateDownload.h"

#include "platform/Crypto.h"
#include "tests/services/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Testing::TestHttpsServer;

// Every file below the folder, so a test can prove nothing was left behind.
std::vector<std::string> filesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    return files;
}

std::string feed(const std::string& version, const std::string& digest, const std::string& url) {
    return R"([{"version":")" + version + R"(","sha256":")" + digest + R"(","url":")" + url + R"("}])";
}

std::string urlPath(std::string signer) {
    for (auto& c : signer) c = c == ' ' ? '-' : c;
    return "/" + signer;
}

std::string upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

TEST(UpdateDownloadTest, OnlyAMatchingSignedInstallerFromDravikIsKept) {
    const auto& pki = Testing::TestPki::instance();
    Testing::TempDir work;
    Testing::TempDir temp;
    Testing::ScopedEnv tmpdir("TMPDIR", temp.path().string());
    Testing::writeBytes(work.file("plain.exe"), Testing::minimalPeImage());
    TestHttpsServer server;
    std::map<std::string, std::string> digests;
    for (const std::string signer : {"Dravik", "dravik", "Someone Else", "rogue Dravik"}) {
        const auto signedFile = work.file(signer + ".exe");
        pki.sign(work.file("plain.exe"), signedFile, signer);
        server.setReplies(urlPath(signer), {{200, Testing::readText(signedFile)}});
        digests[signer] = sha256FileHex(signedFile.string());
    }
    server.setReplies("/plain", {{200, Testing::readText(work.file("plain.exe"))}});
    digests["plain"] = sha256FileHex(work.file("plain.exe").string());

    ServiceSettings settings;
    settings.backendHost = server.host();
    settings.trustFile = pki.trustedRoot;
    struct Case {
        std::string feedText;
        bool ok;
        std::string errorCode;
    };
    const std::string dravik = server.url("/Dravik");
    const std::vector<Case> cases = {
        {feed("1.4.0", digests["Dravik"], dravik), true, ""},
        {feed("1.4.0", upper(digests["dravik"]), server.url("/dravik")), true, ""},
        {feed("1.4.0", digests["Someone Else"], server.url(urlPath("Someone Else"))), false, "wrong_publisher"},
        {feed("1.4.0", digests["rogue Dravik"], server.url(urlPath("rogue Dravik"))), false, "untrusted"},
        {feed("1.4.0", digests["plain"], server.url("/plain")), false, "unsigned"},
        {feed("1.4.0", digests["dravik"], dravik), false, "hash_mismatch"},
        {feed("1.4.0", digests["Dravik"], server.url("/missing")), false, "download_failed"},
        {feed("1.4.1", digests["Dravik"], dravik), false, "feed_mismatch"},
        {R"([{"version":"1.4.0","url":")" + dravik + R"("}])", false, "feed_mismatch"},
        {feed("1.4.0", digests["Dravik"], "http://" + server.host() + "/Dravik"), false, "bad_url"},
        {"[]", false, "offline"},
    };
    for (const auto& c : cases) {
        server.setReplies("/rest/v1/release_feed", {{200, c.feedText}});
        const UpdateOutcome outcome = downloadVerifiedUpdate(systemHttpClient(), settings, "1.4.0");
        EXPECT_EQ(outcome.ok, c.ok) << c.feedText;
        EXPECT_EQ(outcome.errorCode, c.errorCode) << c.feedText;
        EXPECT_EQ(filesBelow(temp.path()).size(), c.ok ? 1u : 0u) << c.feedText;
        if (c.ok) {
            EXPECT_EQ(fs::status(outcome.path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(fs::status(fs::path(outcome.path).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
        }
    }
    EXPECT_EQ(server.received().size(), 11u + 7u) << "a mismatched feed downloads nothing";
}

TEST(UpdateDownloadTest, InstallerNamesKeepDigitsAndDotsOfTheVersion) {
    EXPECT_EQ(installerFileName("1.4.0-beta", "a-b-0"), "CVN-Setup-1.4.0-a-b-0.exe");
    EXPECT_TRUE(digestMatches("ABC123", "abc123"));
    EXPECT_FALSE(digestMatches("", ""));
    EXPECT_FALSE(digestMatches("abc12", "abc123"));
    EXPECT_EQ(updateEventInfo({false, "busy", ""}), R"({"ok":false,"errorCode":"busy","path":"","devUnsigned":false})");
}

} // namespace
} // namespace Corvana

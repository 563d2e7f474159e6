// The real add-in in corvana-host with its deployment settings pointing at a
// local HTTPS server: feedback mail, diagnostics after an import, and update
// downloads through to the opener.

#include "platform/Crypto.h"
#include "tests/services/ServiceTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <set>

namespace Corvana {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Testing::TestHttpsServer;

class ServicesHostTest : public ::testing::Test {
protected:
    Testing::TempDir work;
    TestHttpsServer server;

    // Runs corvana-host with the settings pointing at the local server. Each
    // stage's script lines are fed, then the host pumps its events until
    // `action` has answered `count` times in all (at most 30 s a stage).
    // Returns the data of every `action` message.
    std::vector<Json> run(const std::vector<std::pair<std::string, int>>& stages, const std::string& action) {
        fs::create_directories(work.path() / "tmp");
        Testing::writeText(work.file("opener.sh"),
                           "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + work.file("opened.txt").string() + "\"\n");
        fs::permissions(work.file("opener.sh"), fs::perms::owner_all);
        std::string feed;
        for (std::size_t i = 0; i < stages.size(); ++i) {
            const fs::path stage = work.file("stage" + std::to_string(i) + ".jsonl");
            Testing::writeText(stage, stages[i].first);
            feed += "cat '" + stage.string() + "'; n=0; until [ \"$(grep -c '\"action\":\"" + action +
                    "\"' \"$0\")\" -ge " + std::to_string(stages[i].second) +
                    " ] || [ $n -ge 600 ]; do echo '{\"wait\":0}'; sleep 0.05; n=$((n+1)); done; ";
        }
        const fs::path output = work.file("output.jsonl");
        const auto result = Testing::runCommand(
            {"sh", "-c", ": > \"$0\"; { " + feed + "} | \"$@\" > \"$0\"", output.string(), "env",
             "CORVANA_MAIL_HOST=" + server.host(), "CORVANA_BACKEND_HOST=" + server.host(),
             "CORVANA_MAIL_KEY=test-mail-key", "CORVANA_SUPPORT_EMAIL=support@example.test",
             "CORVANA_TRUST_FILE=" + Testing::TestPki::instance().trustedRoot,
             "CORVANA_OPENER=" + work.file("opener.sh").string(), "TMPDIR=" + work.file("tmp").string(),
             "XDG_CONFIG_HOME=" + work.file("config").string(), CORVANA_HOST_BINARY, "--libraries",
             work.file("libraries").string(), "--addin", CORVANA_ADDIN_MODULE});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        std::vector<Json> data;
        for (const auto& line : Testing::splitLines(Testing::readText(output))) {
            const Json parsed = Testing::parseJsonOrFail(line);
            if (parsed.value("action", "") == action) data.push_back(Json::parse(parsed["data"].get<std::string>()));
        }
        return data;
    }

    static std::string send(const std::string& action, const Json& data) {
        return Json{{"send", action}, {"data", data.is_string() ? data.get<std::string>() : data.dump()}}.dump() + "\n";
    }
};

TEST_F(ServicesHostTest, FeedbackSubmissionsEachGetTheirOwnReply) {
    server.setReplies("/v3/smtp/email",
                      {{201, R"({"messageId":"m1"})"}, {401, R"({"code":"unauthorized","message":"Key not found"})"}});
    const Json feedback = {{"userName", "Ana"}, {"message", "Works well"}, {"addinVersion", "1.4.0"},
                           {"attachments", {{{"name", "log.txt"}, {"content", "YWJj"}}}}};
    const auto replies = run({{"{\"fusion\":{\"version\":\"2.0.19\"}}\n" + send("SUBMIT_FEEDBACK", feedback) +
                                   send("SUBMIT_FEEDBACK", feedback), 2}},
                             "REPLY_FEEDBACK_STATUS");
    std::multiset<std::string> texts;
    for (const auto& reply : replies) texts.insert(reply.dump());
    EXPECT_EQ(texts, (std::multiset<std::string>{
                         R"({"success":true})",
                         R"({"error":"HTTP 401: {\"code\":\"unauthorized\",\"message\":\"Key not found\"}","success":false})"}));
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headers.at("api-key"), "test-mail-key");
    const Json mail = Json::parse(requests[0].body);
    EXPECT_EQ(mail["to"][0]["email"], "support@example.test");
    EXPECT_EQ(mail["attachment"], Json::parse(R"([{"name":"log.txt","content":"YWJj"}])"));
    EXPECT_NE(mail["htmlContent"].get<std::string>().find("Fusion:         2.0.19\n"), std::string::npos);
}

TEST_F(ServicesHostTest, DiagnosticsAfterAnImportMailAZipOfTheProject) {
    server.setReplies("/v3/smtp/email", {{201, "{}"}});
    const std::string project = std::string(CORVANA_SOURCE_DIR) + "/examples/example-project";
    const auto replies =
        run({{"{\"fusion\":{\"user\":{\"displayName\":\"Ana\",\"email\":\"ana@example.test\"}}}\n"
              "{\"dialog\":\"ok\",\"path\":\"" + project + "\"}\n" + send("BROWSE_AND_PARSE_PROJECT", "") +
                  send("IMPORT_TOOLS", {{"libraryName", "Diag"}, {"selectedIndices", {0, 1}}}) +
                  send("SEND_DIAGNOSTICS", {{"rating", 5}, {"comment", "ok"}, {"addinVersion", "1.4.0"}}),
              2}},
            "REPLY_DIAGNOSTICS_STATUS");
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[0], Json::parse(R"({"stage":"received","toolCount":2,"source":"project","hasSourceFile":true})"));
    EXPECT_EQ(replies[1], Json::parse(R"({"stage":"sent","ok":true,"attachments":1,"error":""})"));
    const auto requests = server.received();
    ASSERT_EQ(requests.size(), 1u);
    const Json mail = Json::parse(requests[0].body);
    EXPECT_EQ(mail["subject"], "Tolvex Feedback \u2013 v1.4.0 \u2013 Ana");
    EXPECT_EQ(mail["attachment"][0]["name"], "diagnostics.zip");
    const auto check = Testing::checkBase64Zip(mail["attachment"][0]["content"]);
    EXPECT_TRUE(check.unzipOk);
    ASSERT_GE(check.entries.size(), 4u);
    EXPECT_EQ(check.entries[2].rfind("source/example-project/example-project.pmlprj ", 0), 0u) << check.entries[2];
    const std::string log = Testing::readText(work.path() / "tmp" / "tolvex-diagnostics.log");
    EXPECT_NE(log.find("--- send: source=project tools=2 attach=1 zipB64="), std::string::npos) << log;
    EXPECT_NE(log.find("    result: ok=true err=\n"), std::string::npos) << log;
}

TEST_F(ServicesHostTest, UpdatesLaunchOnlyAVerifiedInstaller) {
    const auto& pki = Testing::TestPki::instance();
    Testing::writeBytes(work.file("plain.exe"), Testing::minimalPeImage());
    pki.sign(work.file("plain.exe"), work.file("good.exe"), "Dravik");
    pki.sign(work.file("plain.exe"), work.file("other.exe"), "Someone-Else");
    for (const std::string file : {"good.exe", "other.exe", "plain.exe"})
        server.setReplies("/" + file, {{200, Testing::readText(work.file(file))}});
    const auto feed = [&](const std::string& file, const std::string& digestOf) {
        const Json release = {{"version", "1.4.0"}, {"sha256", sha256FileHex(work.file(digestOf).string())},
                              {"url", server.url("/" + file)}};
        return Testing::TestReply{200, Json::array({release}).dump()};
    };
    server.setReplies("/rest/v1/release_feed", {feed("good.exe", "good.exe"), feed("good.exe", "other.exe"),
                                                feed("plain.exe", "plain.exe"), feed("other.exe", "other.exe")});
    // The second request arrives while the first still runs; each later one after the previous answer.
    const std::string request = send("DOWNLOAD_UPDATE", {{"version", "1.4.0"}});
    const auto replies = run({{request + request, 2}, {request, 3}, {request, 4}, {request, 5}}, "REPLY_DOWNLOAD_UPDATE");
    const auto reply = [](bool ok, const std::string& code) {
        return Json{{"ok", ok}, {"launched", ok}, {"devUnsigned", false}, {"errorCode", code}};
    };
    EXPECT_EQ(replies, (std::vector<Json>{reply(false, "busy"), reply(true, ""), reply(false, "hash_mismatch"),
                                          reply(false, "unsigned"), reply(false, "wrong_publisher")}));
    const auto opened = Testing::splitLines(Testing::readText(work.file("opened.txt")));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(fs::path(opened[0]).filename().string().rfind("CVN-Setup-1.4.0-", 0), 0u) << opened[0];
    EXPECT_EQ(fs::path(opened[0]).parent_path().parent_path(), work.path() / "tmp");
    for (const auto& entry : fs::recursive_directory_iterator(work.path() / "tmp"))
        EXPECT_FALSE(entry.is_regular_file()) << "left behind: " << entry.path();
}

} // namespace
} // namespace Corvana

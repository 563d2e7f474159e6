// The feedback request as the page sends it, and the mail body built from it.

#include "services/FeedbackMail.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace Corvana {
namespace {

using Json = nlohmann::json;

TEST(FeedbackMailTest, BodyCarriesSubjectReplyToAndEscapedLines) {
    FeedbackRequest request{"Ana", "ana@example.test", "a < b && </pre><i>", "2.0.1", "1.4.0", "2024", "Makers", {}};
    const Json mail = Json::parse(buildFeedbackMailJson(request, "support@example.test"));
    EXPECT_EQ(mail["sender"], Json({{"name", "Corvana"}, {"email", "support@example.test"}}));
    EXPECT_EQ(mail["to"], Json::parse(R"([{"email":"support@example.test"}])"));
    EXPECT_EQ(mail["replyTo"], Json({{"email", "ana@example.test"}, {"name", "Ana"}}));
    EXPECT_EQ(mail["subject"], "Tolvex Feedback \u2013 v1.4.0 \u2013 Ana");
    EXPECT_EQ(mail["htmlContent"],
              "<pre style=\"font-family:monospace;font-size:13px;line-height:1.5\">"
              "Name:           Ana\nEmail:          ana@example.test\nCommunity:      Makers\n"
              "Add-in:         v1.4.0\nFusion:         2.0.1\nPowerMill:      2024\n"
              "\n&#x2014;&#x2014;&#x2014;\n\na &lt; b &amp;&amp; &lt;/pre&gt;&lt;i&gt;</pre>");
    EXPECT_FALSE(mail.contains("attachment"));

    request = FeedbackRequest{"", "", "m", "2.0.1", "1.4.0", "", "", {}};
    const Json anonymous = Json::parse(buildFeedbackMailJson(request, "support@example.test"));
    EXPECT_EQ(anonymous["subject"], "Tolvex Feedback \u2013 v1.4.0");
    EXPECT_EQ(anonymous["replyTo"], Json({{"email", "support@example.test"}, {"name", "Tolvex User"}}));
    EXPECT_EQ(anonymous["htmlContent"].get<std::string>().find("Community:"), std::string::npos);
    EXPECT_EQ(anonymous["htmlContent"].get<std::string>().find("PowerMill:"), std::string::npos);
}

TEST(FeedbackMailTest, OnlyNamedBase64AttachmentsWithinTheLimitAreKept) {
    const std::string data = R"({"userName":"Ana","attachments":[{"name":"log.txt","content":"YWJj"},)"
                             R"({"name":"","content":"YWJj"},{"name":"empty.txt","content":""},)"
                             R"({"name":"quote.txt","content":"YW\"},\"x\":\"Jj"},{"name":"odd","content":"YWJ"},)"
                             R"({"name":"pad.txt","content":"YQ=="},{"name":"mid","content":"Y=Jj"},)"
                             R"({"name":"long","content":")" + std::string(7000004, 'A') + R"("},)"
                             R"({"name":"last.bin","content":"AAEC"}]})";
    const FeedbackRequest request = readFeedbackRequest(data);
    EXPECT_EQ(request.userName, "Ana");
    std::vector<std::string> kept;
    for (const auto& attachment : request.attachments) kept.push_back(attachment.name);
    EXPECT_EQ(kept, (std::vector<std::string>{"log.txt", "pad.txt", "last.bin"}));
    EXPECT_EQ(Json::parse(buildFeedbackMailJson(request, "s@example.test"))["attachment"][0],
              Json({{"name", "log.txt"}, {"content", "YWJj"}}));
    EXPECT_TRUE(readFeedbackAttachments(R"({"attachments":[{"name":"a","content":"YWJj")").empty());
}

} // namespace
} // namespace Corvana

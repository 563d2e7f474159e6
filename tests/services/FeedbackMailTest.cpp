// The feedback request as the page sends it, and the mail body built from it.

#include "services/FeedbackMail.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace Corvana {
namespace {

using Json = nlohmann::json;

FeedbackRequest sampleRequest() {
    FeedbackRequest request;
    request.userName = "Ana";
    request.userEmail = "ana@example.test";
    request.message = "Hello";
    request.fusionVersion = "2.0.1";
    request.addinVersion = "1.4.0";
    request.pmVersion = "2024";
    request.communityName = "Makers";
    return request;
}

TEST(FeedbackMailTest, BodyCarriesSubjectReplyToAndAllLines) {
    const Json mail = Json::parse(buildFeedbackMailJson(sampleRequest(), "support@example.test"));
    EXPECT_EQ(mail["sender"], Json({{"name", "Corvana"}, {"email", "support@example.test"}}));
    EXPECT_EQ(mail["to"], Json::parse(R"([{"email":"support@example.test"}])"));
    EXPECT_EQ(mail["replyTo"], Json({{"email", "ana@example.test"}, {"name", "Ana"}}));
    EXPECT_EQ(mail["subject"], "Tolvex Feedback \u2013 v1.4.0 \u2013 Ana");
    EXPECT_EQ(mail["htmlContent"],
              "<pre style=\"font-family:monospace;font-size:13px;line-height:1.5\">"
              "Name:           Ana\nEmail:          ana@example.test\nCommunity:      Makers\n"
              "Add-in:         v1.4.0\nFusion:         2.0.1\nPowerMill:      2024\n"
              "\n&#x2014;&#x2014;&#x2014;\n\nHello</pre>");
    EXPECT_FALSE(mail.contains("attachment"));
}

TEST(FeedbackMailTest, AnonymousFeedbackFallsBackAndLeavesOptionalLinesOut) {
    FeedbackRequest request = sampleRequest();
    request.userName.clear();
    request.userEmail.clear();
    request.communityName.clear();
    request.pmVersion.clear();
    const Json mail = Json::parse(buildFeedbackMailJson(request, "support@example.test"));
    EXPECT_EQ(mail["subject"], "Tolvex Feedback \u2013 v1.4.0");
    EXPECT_EQ(mail["replyTo"], Json({{"email", "support@example.test"}, {"name", "Tolvex User"}}));
    const std::string html = mail["htmlContent"];
    EXPECT_EQ(html.find("Community:"), std::string::npos);
    EXPECT_EQ(html.find("PowerMill:"), std::string::npos);
}

TEST(FeedbackMailTest, MarkupInUserValuesIsEscapedAndReadsTheSame) {
    FeedbackRequest request = sampleRequest();
    request.userName = "<b>Ana</b>";
    request.message = "a < b && c > d </pre><script>x</script>";
    const Json mail = Json::parse(buildFeedbackMailJson(request, "s@example.test"));
    const std::string html = mail["htmlContent"];
    EXPECT_NE(html.find("Name:           &lt;b&gt;Ana&lt;/b&gt;\n"), std::string::npos);
    EXPECT_NE(html.find("a &lt; b &amp;&amp; c &gt; d &lt;/pre&gt;&lt;script&gt;x&lt;/script&gt;</pre>"),
              std::string::npos);
    EXPECT_EQ(mail["subject"], "Tolvex Feedback \u2013 v1.4.0 \u2013 <b>Ana</b>") << "the subject is plain text";
}

TEST(FeedbackMailTest, OnlyNamedBase64AttachmentsWithinTheLimitAreKept) {
    const std::string tooLong(7000004, 'A');
    const std::string data =
        R"({"userName":"Ana","message":"m","attachments":[)"
        R"({"name":"log.txt","content":"YWJj"},)"
        R"({"name":"","content":"YWJj"},)"
        R"({"name":"empty.txt","content":""},)"
        R"({"name":"quote.txt","content":"YW\"},\"x\":\"Jj"},)"
        R"({"name":"odd.txt","content":"YWJ"},)"
        R"({"name":"pad.txt","content":"YQ=="},)"
        R"({"name":"mid.txt","content":"Y=Jj"},)"
        R"({"name":"long.txt","content":")" + tooLong + R"("},)"
        R"({"name":"last.bin","content":"AAEC"}]})";
    const FeedbackRequest request = readFeedbackRequest(data);
    EXPECT_EQ(request.userName, "Ana");
    std::vector<std::string> kept;
    for (const auto& attachment : request.attachments) kept.push_back(attachment.name);
    EXPECT_EQ(kept, (std::vector<std::string>{"log.txt", "pad.txt", "last.bin"}));
    const Json mail = Json::parse(buildFeedbackMailJson(request, "s@example.test"));
    EXPECT_EQ(mail["attachment"][0], Json({{"name", "log.txt"}, {"content", "YWJj"}}));
    EXPECT_TRUE(readFeedbackRequest(R"({"attachments":[{"name":"a","content":"YWJj")").attachments.empty())
        << "an unterminated object is not read";
}

} // namespace
} // namespace Corvana

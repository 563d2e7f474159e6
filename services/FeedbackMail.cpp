#include "services/FeedbackMail.h"

#include "sources/JsonText.h"

namespace Corvana {
namespace {

constexpr const char* senderName = "Corvana";
constexpr const char* fallbackReplyName = "Tolvex User";
constexpr const char* enDash = "\xE2\x80\x93";

bool isBase64Letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// One body line: the label padded to 16 characters, then the escaped value.
std::string bodyLine(std::string_view label, std::string_view value) {
    std::string line(label);
    line.resize(16, ' ');
    return line + escapeHtml(value) + "\n";
}

std::string htmlBody(const FeedbackRequest& request) {
    std::string body = "<pre style=\"font-family:monospace;font-size:13px;line-height:1.5\">";
    body += bodyLine("Name:", request.userName);
    body += bodyLine("Email:", request.userEmail);
    if (!request.communityName.empty()) body += bodyLine("Community:", request.communityName);
    body += bodyLine("Add-in:", "v" + request.addinVersion);
    body += bodyLine("Fusion:", request.fusionVersion);
    if (!request.pmVersion.empty()) body += bodyLine("PowerMill:", request.pmVersion);
    body += "\n&#x2014;&#x2014;&#x2014;\n\n";
    return body + escapeHtml(request.message) + "</pre>";
}

std::string subject(const FeedbackRequest& request) {
    std::string text = std::string("Tolvex Feedback ") + enDash + " v" + request.addinVersion;
    if (!request.userName.empty()) text += std::string(" ") + enDash + " " + request.userName;
    return text;
}

std::string attachmentsJson(const std::vector<FeedbackAttachment>& attachments) {
    std::string json = ",\"attachment\":[";
    for (std::size_t i = 0; i < attachments.size(); ++i) {
        if (i > 0) json += ',';
        // Contents were checked to be Base64, which needs no escaping.
        json += "{\"name\":" + quoteJsonText(attachments[i].name) + ",\"content\":\"" + attachments[i].content + "\"}";
    }
    return json + "]";
}

} // namespace

bool isBase64Text(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return false;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
    for (std::size_t i = 0; i < text.size() - padding; ++i)
        if (!isBase64Letter(text[i])) return false;
    return true;
}

std::string escapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else escaped += c;
    }
    return escaped;
}

std::vector<FeedbackAttachment> readFeedbackAttachments(const std::string& data) {
    static constexpr std::string_view listStart = "\"attachments\":[";
    std::vector<FeedbackAttachment> attachments;
    auto position = data.find(listStart);
    if (position == std::string::npos) return attachments;
    position += listStart.size();
    for (;;) {
        position = data.find_first_of("{]", position);
        if (position == std::string::npos || data[position] == ']') break;
        const auto end = data.find('}', position);
        if (end == std::string::npos) break;
        const std::string_view object(data.data() + position, end - position + 1);
        FeedbackAttachment attachment{readJsonString(object, "name"), readJsonString(object, "content")};
        if (!attachment.name.empty() && attachment.content.size() <= maxAttachmentContent &&
            isBase64Text(attachment.content))
            attachments.push_back(std::move(attachment));
        position = end + 1;
    }
    return attachments;
}

FeedbackRequest readFeedbackRequest(const std::string& data) {
    FeedbackRequest request;
    request.userName = readJsonString(data, "userName");
    request.userEmail = readJsonString(data, "userEmail");
    request.message = readJsonString(data, "message");
    request.pmVersion = readJsonString(data, "pmVersion");
    request.addinVersion = readJsonString(data, "addinVersion");
    request.communityName = readJsonString(data, "communityName");
    request.attachments = readFeedbackAttachments(data);
    return request;
}

std::string buildFeedbackMailJson(const FeedbackRequest& request, const std::string& supportEmail) {
    const std::string& replyEmail = request.userEmail.empty() ? supportEmail : request.userEmail;
    const std::string replyName = request.userName.empty() ? fallbackReplyName : request.userName;
    std::string json = "{\"sender\":{\"name\":" + quoteJsonText(senderName) + ",\"email\":" +
                       quoteJsonText(supportEmail) + "},\"to\":[{\"email\":" + quoteJsonText(supportEmail) +
                       "}],\"replyTo\":{\"email\":" + quoteJsonText(replyEmail) + ",\"name\":" +
                       quoteJsonText(replyName) + "},\"subject\":" + quoteJsonText(subject(request)) +
                       ",\"htmlContent\":" + quoteJsonText(htmlBody(request));
    if (!request.attachments.empty()) json += attachmentsJson(request.attachments);
    return json + "}";
}

} // namespace Corvana

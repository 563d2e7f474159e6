#pragma once
// The feedback mail: the request the page sends, and the mail service's JSON
// body built from it (HTML body, reply-to, attachments).

#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct FeedbackAttachment {
    std::string name;     // file name shown in the mail
    std::string content;  // the file's bytes in Base64
};

struct FeedbackRequest {
    std::string userName;
    std::string userEmail;
    std::string message;
    std::string fusionVersion;
    std::string addinVersion;
    std::string pmVersion;
    std::string communityName;
    std::vector<FeedbackAttachment> attachments;
};

inline constexpr std::size_t maxAttachmentContent = 7000000;

// The six text keys of SUBMIT_FEEDBACK and its attachments; fusionVersion stays empty.
FeedbackRequest readFeedbackRequest(const std::string& data);

// Objects of "attachments":[...] kept when the name is not empty and the
// content is valid Base64 of 1 to 7000000 characters.
std::vector<FeedbackAttachment> readFeedbackAttachments(const std::string& data);

// Standard Base64: alphabet characters in groups of four, "=" only as the
// last one or two characters.
bool isBase64Text(std::string_view text);

// &, < and > as character references, so the text reads the same in HTML.
std::string escapeHtml(std::string_view text);

// The mail service request: from and to the support address, reply-to the user.
std::string buildFeedbackMailJson(const FeedbackRequest& request, const std::string& supportEmail);

} // namespace Corvana

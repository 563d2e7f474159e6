#pragma once
// The update run: the release feed must name the requested version, and the
// installer it points to is downloaded into a private folder and must match
// the feed's SHA-256 digest, carry a trusted Authenticode signature and come
// from the expected publisher. Any failure leaves no installer behind.

#include "platform/HttpClient.h"
#include "services/ServiceSettings.h"

#include <filesystem>
#include <string>

namespace Corvana {

inline constexpr const char* expectedPublisher = "Dravik";

struct UpdateOutcome {
    bool ok = false;
    std::string errorCode;  // "offline", "feed_mismatch", "bad_url", "download_failed", ...
    std::string path;       // the verified installer, set when ok
};

// "CVN-Setup-" + the version's digits and dots + "-" + unique part + ".exe".
std::string installerFileName(const std::string& version, const std::string& uniquePart);

// The feed's digest in any letter case against the file's lower-case digest;
// an empty digest never matches.
bool digestMatches(const std::string& feedDigest, const std::string& fileDigest);

// Removes installers of earlier runs from the temporary folder; failures are ignored.
void removeEarlierInstallers(const std::filesystem::path& tempFolder);

// The whole run on the calling thread.
UpdateOutcome downloadVerifiedUpdate(HttpClient& client, const ServiceSettings& settings, const std::string& version);

// The custom event's text: {"ok":...,"errorCode":"...","path":"...","devUnsigned":false}.
std::string updateEventInfo(const UpdateOutcome& outcome);

} // namespace Corvana

#pragma once
// The three exchanges with the outside services: the mail request, the
// release feed and the installer download. Each call is independent, so
// several workers may run them at once.

#include "platform/HttpClient.h"
#include "services/ServiceSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace Corvana {

inline constexpr const char* serviceUserAgent = "Corvana/1.0";
inline constexpr std::size_t mailErrorBodyLimit = 2048;
inline constexpr std::size_t releaseFeedLimit = 16384;
inline constexpr std::uint64_t downloadSizeLimit = 104857600;  // 100 MiB

// POSTs the JSON body to the mail service. False with `error` set to the
// failure sentence, or to "HTTP <status>[: <body, at most 2048 bytes>]".
bool postMailJson(HttpClient& client, const ServiceSettings& settings, const std::string& body, std::string& error);

// The release feed's body, cut at 16384 bytes; empty on any failure or a non-2xx status.
std::string fetchReleaseFeedText(HttpClient& client, const ServiceSettings& settings);

// True for "https://HOST/PATH" with a non-empty host (a port may follow it).
bool isDownloadUrl(const std::string& url);

// Streams the URL's body into `destination`, which must not exist yet and is
// created readable by the owner only. True only for status 200 and a
// non-empty body of at most 100 MiB; otherwise no file is left behind.
bool downloadToFile(HttpClient& client, const ServiceSettings& settings, const std::string& url,
                    const std::filesystem::path& destination);

} // namespace Corvana

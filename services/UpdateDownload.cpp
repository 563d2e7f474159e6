#include "services/UpdateDownload.h"

#include "platform/Crypto.h"
#include "platform/PrivateFiles.h"
#include "platform/SignatureVerifier.h"
#include "services/HttpExchanges.h"
#include "sources/JsonText.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <system_error>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

// Each download gets a folder of its own that only the user may enter.
constexpr const char* updateFolderPrefix = "CVN-Update-";

UpdateOutcome failure(const char* errorCode) { return UpdateOutcome{false, errorCode, {}}; }

bool startsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Tick count, download counter and a random number, in lower-case hexadecimal.
std::string uniquePart() {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    char text[64];
    std::snprintf(text, sizeof text, "%lx-%lx-%x", static_cast<unsigned long>(std::random_device{}()),
                  static_cast<unsigned long>(ticks & 0xffffffff), counter.fetch_add(1));
    return text;
}

void removeQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// Removes the installer and its private folder.
void discardInstaller(const fs::path& installer) {
    removeQuietly(installer);
    removeQuietly(installer.parent_path());
}

const char* signatureFailureCode(SignatureStatus status) {
    switch (status) {
    case SignatureStatus::Unsigned: return "unsigned";
    case SignatureStatus::WrongPublisher: return "wrong_publisher";
    case SignatureStatus::Untrusted:
    case SignatureStatus::Ok: break;
    }
    return "untrusted";
}

// Downloads and checks the installer named by a feed that matched the version.
UpdateOutcome fetchAndVerify(HttpClient& client, const ServiceSettings& settings, const std::string& version,
                             const std::string& digest, const std::string& url) {
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error) return failure("download_failed");
    removeEarlierInstallers(temp);
    const fs::path folder = createPrivateFolder(temp, updateFolderPrefix);
    if (folder.empty()) return failure("download_failed");
    const fs::path installer = folder / installerFileName(version, uniquePart());
    if (!downloadToFile(client, settings, url, installer)) {
        discardInstaller(installer);
        return failure("download_failed");
    }
    if (!digestMatches(digest, sha256FileHex(installer.string()))) {
        discardInstaller(installer);
        return failure("hash_mismatch");
    }
    const SignatureStatus status = verifyInstallerSignature(installer.string(), expectedPublisher, settings.trustFile);
    if (status != SignatureStatus::Ok) {
        discardInstaller(installer);
        return failure(signatureFailureCode(status));
    }
    return UpdateOutcome{true, "", installer.string()};
}

} // namespace

std::string installerFileName(const std::string& version, const std::string& unique) {
    std::string kept;
    for (const char c : version)
        if ((c >= '0' && c <= '9') || c == '.') kept += c;
    return "CVN-Setup-" + kept + "-" + unique + ".exe";
}

bool digestMatches(const std::string& feedDigest, const std::string& fileDigest) {
    if (feedDigest.empty() || feedDigest.size() != fileDigest.size()) return false;
    for (std::size_t i = 0; i < feedDigest.size(); ++i) {
        const char c = feedDigest[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != fileDigest[i]) return false;
    }
    return true;
}

void removeEarlierInstallers(const fs::path& tempFolder) {
    std::error_code error;
    for (fs::directory_iterator entry(tempFolder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code status;
        const std::string name = entry->path().filename().string();
        // Only real folders of our own naming; a link is never followed.
        if (!startsWith(name, updateFolderPrefix) || !entry->is_directory(status) || entry->is_symlink(status))
            continue;
        std::error_code inner;
        for (fs::directory_iterator file(entry->path(), inner), last; !inner && file != last; file.increment(inner)) {
            const std::string fileName = file->path().filename().string();
            if (startsWith(fileName, "CVN-Setup-") && file->path().extension() == ".exe") removeQuietly(file->path());
        }
        removeQuietly(entry->path());  // only when it is empty now
    }
}

UpdateOutcome downloadVerifiedUpdate(HttpClient& client, const ServiceSettings& settings, const std::string& version) {
    const std::string feed = fetchReleaseFeedText(client, settings);
    if (feed.empty() || feed == "[]") return failure("offline");
    const std::string feedVersion = readJsonString(feed, "version");
    const std::string digest = readJsonString(feed, "sha256");
    const std::string url = readJsonString(feed, "url");
    if (feedVersion.empty() || digest.empty() || url.empty() || feedVersion != version) return failure("feed_mismatch");
    if (url.size() < 8 || !startsWith(url, "https://")) return failure("bad_url");
    return fetchAndVerify(client, settings, version, digest, url);
}

std::string updateEventInfo(const UpdateOutcome& outcome) {
    return std::string("{\"ok\":") + (outcome.ok ? "true" : "false") + ",\"errorCode\":" +
           quoteJsonText(outcome.errorCode) + ",\"path\":" + quoteJsonText(outcome.path) + ",\"devUnsigned\":false}";
}

} // namespace Corvana

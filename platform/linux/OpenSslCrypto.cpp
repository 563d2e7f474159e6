#include "platform/Crypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <memory>

namespace Corvana {
namespace {

constexpr std::size_t hashChunkSize = 65536;

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::string lowerHex(const unsigned char* bytes, unsigned length) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2u);
    for (unsigned i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0f];
    }
    return text;
}

} // namespace

std::string sha256FileHex(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
    std::array<char, hashChunkSize> chunk{};
    while (file) {
        file.read(chunk.data(), chunk.size());
        const auto count = static_cast<std::size_t>(file.gcount());
        if (count > 0 && EVP_DigestUpdate(context.get(), chunk.data(), count) != 1) return {};
    }
    if (file.bad()) return {};
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) return {};
    return lowerHex(digest.data(), length);
}

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    // EVP_EncodeBlock takes an int length; larger inputs go block by block,
    // each a multiple of three bytes so no padding appears in the middle.
    constexpr std::size_t blockSize = 3u * 1024u * 1024u;
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::string block;
    for (std::size_t offset = 0; offset < bytes.size(); offset += blockSize) {
        const std::size_t count = std::min(blockSize, bytes.size() - offset);
        block.resize((count + 2) / 3 * 4 + 1);
        const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(block.data()), bytes.data() + offset,
                                            static_cast<int>(count));
        text.append(block.data(), static_cast<std::size_t>(written));
    }
    return text;
}

} // namespace Corvana

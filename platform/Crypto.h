#pragma once
// Digest and encoding primitives of the platform's crypto library (CNG on
// Windows, OpenSSL on Linux).

#include <cstdint>
#include <string>
#include <vector>

namespace Corvana {

// SHA-256 of the file as 64 lower-case hexadecimal digits; empty when the
// file cannot be read.
std::string sha256FileHex(const std::string& path);

// Standard Base64 with "=" padding and no line breaks.
std::string base64Encode(const std::vector<std::uint8_t>& bytes);

} // namespace Corvana

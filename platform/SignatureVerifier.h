#pragma once
// Authenticode check of an installer: a valid signature chaining to a trusted
// root, and the signer certificate's common name.

#include <string>

namespace Corvana {

enum class SignatureStatus { Ok = 0, Unsigned = 1, Untrusted = 2, WrongPublisher = 3 };

// Trusted roots are the system's plus the PEM certificates in
// `extraTrustFile` (when not empty). The publisher matches when the signer's
// common name equals `expectedPublisher` ignoring letter case.
SignatureStatus verifyInstallerSignature(const std::string& path, const std::string& expectedPublisher,
                                         const std::string& extraTrustFile);

} // namespace Corvana

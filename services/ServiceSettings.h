#pragma once
// Deployment settings of the support services: compiled-in defaults, each
// replaced by its environment variable when that is set and not empty.

#include <string>

namespace Corvana {

struct ServiceSettings {
    std::string mailHost;      // CORVANA_MAIL_HOST, host or host:port
    std::string backendHost;   // CORVANA_BACKEND_HOST, host or host:port
    std::string mailKey;       // CORVANA_MAIL_KEY
    std::string backendKey;    // CORVANA_BACKEND_KEY
    std::string supportEmail;  // CORVANA_SUPPORT_EMAIL, sender and recipient of support mail
    std::string trustFile;     // CORVANA_TRUST_FILE, extra PEM roots for TLS and installer signatures
};

// Read afresh on each call, so a worker copies the values it starts with.
ServiceSettings serviceSettings();

} // namespace Corvana

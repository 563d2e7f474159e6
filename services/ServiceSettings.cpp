#include "services/ServiceSettings.h"

#include <cstdlib>

namespace Corvana {
namespace {

// The keys are placeholders: a deployment supplies its own, and with these
// the services answer with their refusal, which reaches the page as usual.
constexpr const char* defaultMailHost = "api.brevo.com";
constexpr const char* defaultBackendHost = "backend.corvana.invalid";
constexpr const char* defaultMailKey =
    "xkeysib-placeholder-00000000000000000000000000000000000000000000000000000000000000-000000";
constexpr const char* defaultBackendKey = "sb_publishable_placeholder_0000000000000000000";
constexpr const char* defaultSupportEmail = "support@dravik.invalid";

std::string setting(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}

} // namespace

ServiceSettings serviceSettings() {
    ServiceSettings settings;
    settings.mailHost = setting("CORVANA_MAIL_HOST", defaultMailHost);
    settings.backendHost = setting("CORVANA_BACKEND_HOST", defaultBackendHost);
    settings.mailKey = setting("CORVANA_MAIL_KEY", defaultMailKey);
    settings.backendKey = setting("CORVANA_BACKEND_KEY", defaultBackendKey);
    settings.supportEmail = setting("CORVANA_SUPPORT_EMAIL", defaultSupportEmail);
    settings.trustFile = setting("CORVANA_TRUST_FILE", "");
    return settings;
}

} // namespace Corvana

#include "adsk/core/URL.h"

#include <utility>

namespace adsk::core {

URL::URL(std::string text) : address(std::move(text)) {}

Ptr<URL> URL::create(const std::string& url) { return Ptr<URL>(new URL(url)); }

std::string URL::toString() const { return address; }

std::string URL::leafName() const {
    const auto slash = address.rfind('/');
    return slash == std::string::npos ? address : address.substr(slash + 1);
}

} // namespace adsk::core

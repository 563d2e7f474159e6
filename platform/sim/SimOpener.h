#pragma once
// Test twin of the opener: records every target instead of starting a program.

#include "platform/Opener.h"

#include <string>
#include <vector>

namespace Corvana {

class SimOpener final : public Opener {
public:
    std::vector<std::string> opened;
    bool result = true;  // what every call answers

    bool openExternally(const std::string& target) override {
        opened.push_back(target);
        return result;
    }
};

} // namespace Corvana

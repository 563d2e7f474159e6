#include "addin/SessionState.h"

namespace Corvana {

std::vector<ToolModel>& ptfTools() {
    static std::vector<ToolModel> tools;
    return tools;
}

std::vector<ToolModel>& mdbTools() {
    static std::vector<ToolModel> tools;
    return tools;
}

std::vector<ToolModel>& pmSessionTools() {
    static std::vector<ToolModel> tools;
    return tools;
}

LastSourceInfo& lastSourceInfo() {
    static LastSourceInfo info;
    return info;
}

void setLastSource(const std::string& type, const std::string& path) {
    lastSourceInfo() = LastSourceInfo{type, path, {}, {}};
}

} // namespace Corvana

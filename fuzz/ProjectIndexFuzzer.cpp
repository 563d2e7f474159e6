// Entity index bytes as the only index of a project folder that also holds a
// few entity files, read the way the folder import reads them.

#include "sources/ProjectFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const std::filesystem::path& projectFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("corvana-fuzz-index-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "inner");
        std::ofstream(path / "t1.pmlent") << "{\"type\":\"tool\",\"Type\":\"end_mill\",\"Diameter\":\"6\"}";
        std::ofstream(path / "t2.pmlent") << "";
        std::ofstream(path / "inner" / "t3.pmlent") << "{\"type\":\"tool\",\"Type\":\"drill\",\"Diameter\":\"6\"}";
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(projectFolder(), ignored);
        });
        return path;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    const auto& folder = projectFolder();
    {
        std::ofstream index(folder / "project.pmlprj", std::ios::binary | std::ios::trunc);
        index.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto index = Corvana::loadProjectIndex(folder.string());
    const auto tools = Corvana::readProjectFolder(folder.string());
    // A folder that fails its check never yields tools; entities outside it are never read.
    if (!index.ok && !tools.empty()) __builtin_trap();
    for (const auto& tool : tools)
        if (tool.entityName != "t1") __builtin_trap();
    return 0;
}

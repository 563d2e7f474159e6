// Crafted ZIP bytes through the archive import: extraction under small
// limits, then both probes. Whatever the bytes, nothing may appear outside the
// extraction folder, a refused archive leaves nothing, and links never appear.

#include "sources/ArchiveImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// <temp>/corvana-archive-fuzz-N/{input.zip, a/b/scratch}: an escape of one or
// two levels lands in a folder that must otherwise stay empty.
struct FuzzFolders {
    fs::path root;
    fs::path archive;
    fs::path scratch;

    FuzzFolders() {
        std::random_device entropy;
        root = fs::temp_directory_path() / ("corvana-archive-fuzz-" + std::to_string(entropy()));
        archive = root / "input.zip";
        scratch = root / "a" / "b" / "scratch";
        fs::create_directories(scratch);
    }
    ~FuzzFolders() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

bool isInside(const fs::path& path, const std::string& folder) {
    if (folder.empty()) return false;
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

bool isExpectedOutside(const fs::path& relative) {
    static const fs::path expected[] = {"input.zip", "a", "a/b", "a/b/scratch"};
    for (const auto& path : expected)
        if (relative == path) return true;
    return false;
}

// Every path below the root is one of the fixed ones or lies inside the
// extraction folder as a plain file or folder.
void checkNothingEscaped(const FuzzFolders& folders, const std::string& extraction) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(folders.root, error), end; !error && it != end; it.increment(error)) {
        const fs::path relative = it->path().lexically_relative(folders.root);
        if (isExpectedOutside(relative)) continue;
        if (!isInside(it->path(), extraction)) std::abort();
        const fs::file_type type = it->symlink_status().type();
        if (type != fs::file_type::regular && type != fs::file_type::directory) std::abort();
    }
    if (error) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    static const FuzzFolders folders;
    {
        std::ofstream out(folders.archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const Corvana::ArchiveLimits limits{std::uint64_t{1} << 20, 64};
    const Corvana::ArchiveExtraction result =
        Corvana::extractPmArchiveInto(folders.archive.string(), folders.scratch.string(), limits);
    checkNothingEscaped(folders, result.folder);
    if (!result.folder.empty() && !Corvana::removeExtractedArchive(result.folder)) std::abort();

    const int year = Corvana::probeArchivePmVersion(folders.archive.string());
    if (year != 0 && (year < 2018 || year > 2035)) std::abort();
    const Corvana::PmUnitsProbe units = Corvana::probeArchiveUnits(folders.archive.string());
    if (!units.answered && units.metric) std::abort();
    return 0;
}

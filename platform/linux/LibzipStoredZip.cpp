#include "platform/StoredZip.h"

#include <zip.h>

#include <limits>
#include <memory>

namespace Corvana {
namespace {

struct SourceDeleter {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

// Entries carry no meaningful date. libzip keeps times as calendar times, so
// the earliest DOS date it can write, 1980-01-01 00:00, stands for none.
constexpr zip_uint16_t dosDate = (0 << 9) | (1 << 5) | 1;

bool addStoredEntry(zip_t* archive, const ZipEntry& entry) {
    zip_source_t* data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
    if (!data) return false;
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(data);
        return false;
    }
    const auto entryIndex = static_cast<zip_uint64_t>(index);
    return zip_set_file_compression(archive, entryIndex, ZIP_CM_STORE, 0) == 0 &&
           zip_file_set_dostime(archive, entryIndex, 0, dosDate, 0) == 0;
}

std::optional<std::vector<std::uint8_t>> readSource(zip_source_t* source) {
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_source_stat(source, &status) != 0 || (status.valid & ZIP_STAT_SIZE) == 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(status.size));
    if (zip_source_open(source) != 0) return std::nullopt;
    const zip_int64_t read = zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (read < 0 || static_cast<zip_uint64_t>(read) != status.size) return std::nullopt;
    return bytes;
}

} // namespace

std::optional<std::vector<std::uint8_t>> writeStoredZip(const std::vector<ZipEntry>& entries) {
    // A plain ZIP counts entries in 16 bits and sizes in 32 bits.
    if (entries.size() > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceDeleter> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    zip_error_fini(&error);
    if (!buffer) return std::nullopt;
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, nullptr);
    if (!archive) return std::nullopt;
    // The archive takes a reference; keep ours to read the bytes after closing.
    zip_source_keep(buffer.get());
    for (const auto& entry : entries) {
        if (entry.data.size() > std::numeric_limits<std::uint32_t>::max() || !addStoredEntry(archive, entry)) {
            zip_discard(archive);
            return std::nullopt;
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return std::nullopt;
    }
    return readSource(buffer.get());
}

} // namespace Corvana

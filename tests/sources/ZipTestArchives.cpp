#include "tests/sources/ZipTestArchives.h"

#include "tests/support/TestFiles.h"

#include <zip.h>

#include <algorithm>
#include <stdexcept>

namespace Corvana::Testing {
namespace {

// Appends each {value, width} little-endian.
void put(std::vector<std::uint8_t>& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (const auto& [value, width] : fields)
        for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putText(std::vector<std::uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::uint32_t crc32Of(std::string_view data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

void zipFolder(const std::filesystem::path& folder, const std::filesystem::path& archive, std::string_view namePrefix) {
    std::vector<ZipEntryFile> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            entries.push_back({std::string(namePrefix) + entry.path().lexically_relative(folder).generic_string(),
                               readText(entry.path()), std::nullopt});
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    writeZip(archive, entries);
}

// libzip copies the buffers only in zip_close, so `entries` must outlive the handle.
void writeZip(const std::filesystem::path& archive, const std::vector<ZipEntryFile>& entries) {
    int code = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip) throw std::runtime_error("zip_open failed for " + archive.string());
    for (const auto& entry : entries) {
        if (entry.name.ends_with('/')) {
            zip_dir_add(zip, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        zip_source_t* source = zip_source_buffer(zip, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t index = source ? zip_file_add(zip, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(source);
            throw std::runtime_error("zip_file_add failed for " + entry.name + ": " + zip_strerror(zip));
        }
        if (entry.password)
            zip_file_set_encryption(zip, static_cast<zip_uint64_t>(index), ZIP_EM_AES_256, entry.password->c_str());
    }
    if (zip_close(zip) != 0) {
        const std::string message = zip_strerror(zip);
        zip_discard(zip);
        throw std::runtime_error("zip_close failed: " + message);
    }
}

std::vector<std::uint8_t> rawZipBytes(const std::vector<RawZipEntry>& entries, bool zip64) {
    std::vector<std::uint8_t> out, central;
    for (const auto& entry : entries) {
        const std::uint64_t crc = entry.crc.value_or(crc32Of(entry.data)), size = entry.data.size();
        const std::uint64_t localOffset = out.size();
        // Signature, version needed 2.0, no flags, stored, no time, CRC, sizes, name length, no extra.
        put(out, {{0x04034b50, 4}, {20, 2}, {0, 2}, {0, 2}, {0, 4}, {crc, 4}, {size, 4}, {size, 4},
                  {entry.name.size(), 2}, {0, 2}});
        putText(out, entry.name);
        putText(out, entry.data);
        // As above after "made by Unix 2.0"; no extra, comment, disk or internal attributes.
        put(central, {{0x02014b50, 4}, {0x0314, 2}, {20, 2}, {0, 2}, {0, 2}, {0, 4}, {crc, 4}, {size, 4}, {size, 4},
                      {entry.name.size(), 2}, {0, 2}, {0, 2}, {0, 2}, {0, 2}, {entry.externalAttributes, 4},
                      {localOffset, 4}});
        putText(central, entry.name);
    }
    const std::uint64_t centralOffset = out.size();
    out.insert(out.end(), central.begin(), central.end());
    if (zip64) {  // the ZIP64 end record (44 bytes after its size field), then its locator
        const std::uint64_t recordOffset = out.size();
        put(out, {{0x06064b50, 4}, {44, 8}, {0x032D, 2}, {45, 2}, {0, 4}, {0, 4}, {entries.size(), 8},
                  {entries.size(), 8}, {central.size(), 8}, {centralOffset, 8}});
        put(out, {{0x07064b50, 4}, {0, 4}, {recordOffset, 8}, {1, 4}});
    }
    const std::uint64_t count = zip64 ? 0xFFFF : entries.size();
    put(out, {{0x06054b50, 4}, {0, 4}, {count, 2}, {count, 2}, {zip64 ? 0xFFFFFFFF : central.size(), 4},
              {zip64 ? 0xFFFFFFFF : centralOffset, 4}, {0, 2}});
    return out;
}

} // namespace Corvana::Testing

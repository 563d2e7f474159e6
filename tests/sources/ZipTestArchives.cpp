#include "tests/sources/ZipTestArchives.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace Corvana::Testing {
namespace {

void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void appendText(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Adds one in-memory file; libzip copies nothing until zip_close, so the
// data must outlive the archive handle.
void addBuffer(zip_t* zip, const std::string& name, const std::string& data) {
    zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
    if (!source) throw std::runtime_error("zip_source_buffer failed");
    if (zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        throw std::runtime_error("zip_file_add failed for " + name + ": " + zip_strerror(zip));
    }
}

zip_t* createZip(const std::filesystem::path& archive) {
    int code = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip) throw std::runtime_error("zip_open failed for " + archive.string());
    return zip;
}

void closeZip(zip_t* zip) {
    if (zip_close(zip) != 0) {
        const std::string message = zip_strerror(zip);
        zip_discard(zip);
        throw std::runtime_error("zip_close failed: " + message);
    }
}

} // namespace

std::uint32_t crc32Of(std::string_view data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void zipFolder(const std::filesystem::path& folder, const std::filesystem::path& archive, std::string_view namePrefix) {
    std::vector<ZipEntryFile> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = entry.path().lexically_relative(folder).generic_string();
        entries.push_back({std::string(namePrefix) + relative, readFile(entry.path()), std::nullopt});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    writeZip(archive, entries);
}

void writeZip(const std::filesystem::path& archive, const std::vector<ZipEntryFile>& entries) {
    zip_t* zip = createZip(archive);
    for (const auto& entry : entries) {
        if (entry.name.ends_with('/')) {
            zip_dir_add(zip, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        addBuffer(zip, entry.name, entry.data);
        if (entry.password) {
            const auto index = static_cast<zip_uint64_t>(zip_get_num_entries(zip, 0) - 1);
            zip_file_set_encryption(zip, index, ZIP_EM_AES_256, entry.password->c_str());
        }
    }
    closeZip(zip);
}

std::vector<std::uint8_t> rawZipBytes(const std::vector<RawZipEntry>& entries, bool zip64) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> central;
    for (const auto& entry : entries) {
        const std::uint32_t crc = entry.crc.value_or(crc32Of(entry.data));
        const std::uint64_t localOffset = out.size();
        appendLe(out, 0x04034b50, 4);
        appendLe(out, 20, 2);              // version needed
        appendLe(out, 0, 2);               // flags
        appendLe(out, 0, 2);               // stored
        appendLe(out, 0, 4);               // time and date
        appendLe(out, crc, 4);
        appendLe(out, entry.data.size(), 4);
        appendLe(out, entry.data.size(), 4);
        appendLe(out, entry.name.size(), 2);
        appendLe(out, 0, 2);
        appendText(out, entry.name);
        appendText(out, entry.data);

        appendLe(central, 0x02014b50, 4);
        appendLe(central, 0x0314, 2);      // made by Unix, 2.0
        appendLe(central, 20, 2);
        appendLe(central, 0, 2);
        appendLe(central, 0, 2);
        appendLe(central, 0, 4);
        appendLe(central, crc, 4);
        appendLe(central, entry.data.size(), 4);
        appendLe(central, entry.data.size(), 4);
        appendLe(central, entry.name.size(), 2);
        appendLe(central, 0, 2);           // extra
        appendLe(central, 0, 2);           // comment
        appendLe(central, 0, 2);           // disk
        appendLe(central, 0, 2);           // internal attributes
        appendLe(central, entry.externalAttributes, 4);
        appendLe(central, localOffset, 4);
        appendText(central, entry.name);
    }
    const std::uint64_t centralOffset = out.size();
    out.insert(out.end(), central.begin(), central.end());
    if (zip64) {
        const std::uint64_t recordOffset = out.size();
        appendLe(out, 0x06064b50, 4);
        appendLe(out, 44, 8);              // size of the rest of the record
        appendLe(out, 0x032D, 2);
        appendLe(out, 45, 2);
        appendLe(out, 0, 4);
        appendLe(out, 0, 4);
        appendLe(out, entries.size(), 8);
        appendLe(out, entries.size(), 8);
        appendLe(out, central.size(), 8);
        appendLe(out, centralOffset, 8);
        appendLe(out, 0x07064b50, 4);
        appendLe(out, 0, 4);
        appendLe(out, recordOffset, 8);
        appendLe(out, 1, 4);
    }
    appendLe(out, 0x06054b50, 4);
    appendLe(out, 0, 4);
    appendLe(out, zip64 ? 0xFFFF : entries.size(), 2);
    appendLe(out, zip64 ? 0xFFFF : entries.size(), 2);
    appendLe(out, zip64 ? 0xFFFFFFFF : central.size(), 4);
    appendLe(out, zip64 ? 0xFFFFFFFF : centralOffset, 4);
    appendLe(out, 0, 2);
    return out;
}

} // namespace Corvana::Testing

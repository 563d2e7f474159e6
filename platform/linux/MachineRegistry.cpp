#include "platform/linux/MachineRegistry.h"

#include "platform/Automation.h"
#include "platform/AtomicFile.h"
#include "platform/linux/XdgFolders.h"

#include <fstream>

namespace Corvana::MachineRegistry {
namespace {

std::optional<std::filesystem::path> registryFile() {
    const auto folder = userConfigFolder();
    if (!folder) return std::nullopt;
    return *folder / "machine-registry";
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

std::vector<Entry> readEntries() {
    std::vector<Entry> entries;
    const auto file = registryFile();
    if (!file) return entries;
    std::ifstream in(*file, std::ios::binary);
    for (std::string line; in && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) entries.push_back({line, std::nullopt});
        else entries.push_back({line.substr(0, equals), line.substr(equals + 1)});
    }
    return entries;
}

bool writeEntries(const std::vector<Entry>& entries) {
    const auto file = registryFile();
    if (!file) return false;
    std::error_code error;
    std::filesystem::create_directories(file->parent_path(), error);
    std::string content;
    for (const auto& entry : entries) {
        // A line break would split an entry into two; such entries are not kept.
        if (entry.key.find_first_of("\r\n=") != std::string::npos) continue;
        if (entry.value && entry.value->find_first_of("\r\n") != std::string::npos) continue;
        content += entry.key;
        if (entry.value) content += "=" + *entry.value;
        content += '\n';
    }
    return writeFileAtomically(file->string(), content).ok;
}

bool sameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool keyExists(const std::vector<Entry>& entries, std::string_view key) {
    for (const auto& entry : entries) {
        const std::string_view listed = entry.key;
        if (sameKey(listed, key)) return true;
        if (listed.size() > key.size() && listed[key.size()] == '\\' && sameKey(listed.substr(0, key.size()), key))
            return true;
    }
    return false;
}

std::optional<std::string> defaultValue(const std::vector<Entry>& entries, std::string_view key) {
    for (const auto& entry : entries)
        if (entry.value && sameKey(entry.key, key)) return entry.value;
    return std::nullopt;
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (line[at] == ' ' || line[at] == '\t') {
            ++at;
            continue;
        }
        if (line[at] == '"') {
            const auto close = line.find('"', at + 1);
            if (close == std::string_view::npos) return {};
            words.emplace_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
            continue;
        }
        const auto end = line.find_first_of(" \t", at);
        const auto stop = end == std::string_view::npos ? line.size() : end;
        words.emplace_back(line.substr(at, stop - at));
        at = stop;
    }
    return words;
}

} // namespace Corvana::MachineRegistry

namespace Corvana {

bool registryKeyExists(RegistryRoot root, const std::string& path) {
    const std::string_view hive =
        root == RegistryRoot::LocalMachine ? MachineRegistry::kLocalMachine : MachineRegistry::kClassesRoot;
    return MachineRegistry::keyExists(MachineRegistry::readEntries(), std::string(hive) + "\\" + path);
}

} // namespace Corvana

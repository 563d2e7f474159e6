#include "platform/KeyValueStore.h"

#include "platform/AtomicFile.h"
#include "platform/linux/XdgFolders.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace Corvana {
namespace {

namespace fs = std::filesystem;

using Entries = std::vector<std::pair<std::string, std::string>>;

// $XDG_CONFIG_HOME/corvana/settings, or ~/.config/corvana/settings. The
// environment is read on every call so that a changed HOME takes effect.
std::optional<fs::path> settingsFile() {
    const auto folder = userConfigFolder();
    if (!folder) return std::nullopt;
    return *folder / "settings";
}

// Names are plain words, so a line splits unambiguously at its first '='.
bool isValidName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        const bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) return false;
    }
    return true;
}

// One value per line: backslash, line feed and carriage return are escaped.
std::string escapeValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string unescapeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

// Lines without '=' or with an unusable name are skipped, not fatal.
Entries readEntries(const fs::path& file) {
    Entries entries;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; in && std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        if (!isValidName(name)) continue;
        entries.emplace_back(std::move(name), unescapeValue(std::string_view(line).substr(equals + 1)));
    }
    return entries;
}

class FileKeyValueStore final : public KeyValueStore {
public:
    std::string readValue(const std::string& name) override {
        const auto file = settingsFile();
        if (!file || !isValidName(name)) return {};
        for (const auto& [key, value] : readEntries(*file))
            if (key == name) return value;
        return {};
    }

    bool writeValue(const std::string& name, const std::string& value) override {
        const auto file = settingsFile();
        if (!file || !isValidName(name)) return false;
        std::error_code error;
        fs::create_directories(file->parent_path(), error);
        if (error) return false;
        Entries entries = readEntries(*file);
        bool replaced = false;
        for (auto& [key, stored] : entries) {
            if (key != name) continue;
            stored = value;
            replaced = true;
        }
        if (!replaced) entries.emplace_back(name, value);
        std::string content;
        for (const auto& [key, stored] : entries) content += key + "=" + escapeValue(stored) + "\n";
        return writeFileAtomically(file->string(), content).ok;
    }
};

} // namespace

KeyValueStore& userKeyValueStore() {
    static FileKeyValueStore store;
    return store;
}

} // namespace Corvana

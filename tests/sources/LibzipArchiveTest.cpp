#include "platform/Archive.h"
#include "platform/linux/ArchiveEntryName.h"

#include "tests/sources/ZipTestArchives.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include <sys/stat.h>

namespace Corvana {
namespace {

using namespace Testing;
namespace fs = std::filesystem;

std::vector<std::string> treeOf(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        names.push_back(entry.path().lexically_relative(root).generic_string() + (entry.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::string>> split(std::string_view name) {
    const auto path = splitArchiveEntryName(name);
    if (!path) return std::nullopt;
    return path->components;
}

// Extracts into <dir>/deep/target; true when nothing but a complete target
// exists afterwards, false when the archive was refused and nothing remains.
struct Sandbox {
    TempDir dir;
    fs::path archive = dir.file("archive.zip");
    fs::path target = dir.path() / "deep" / "target";

    Sandbox() { fs::create_directories(target.parent_path()); }

    ArchiveOutcome extract(const std::vector<RawZipEntry>& entries, const ArchiveLimits& limits = {}) {
        writeBytes(archive, rawZipBytes(entries));
        return extractArchive(archive.string(), target.string(), limits);
    }
    bool leftNothing() const {
        return !fs::exists(target) && treeOf(dir.path()) == std::vector<std::string>{"archive.zip", "deep/"};
    }
};

TEST(ArchiveEntryNameTest, SplitsSafeNamesAndRefusesEscapes) {
    using Parts = std::vector<std::string>;
    for (const auto& [name, parts] : std::vector<std::pair<const char*, Parts>>{
             {"a.pmlent", {"a.pmlent"}}, {"./sub//b.txt", {"sub", "b.txt"}}, {"sub\\b.txt", {"sub", "b.txt"}},
             {"a..b/c.d.", {"a..b", "c.d."}}, {"console/con_x/com0/lpt10", {"console", "con_x", "com0", "lpt10"}},
             {"Caf\xC3\xA9.pmlprj", {"Caf\xC3\xA9.pmlprj"}}, {"./", {}}})
        EXPECT_EQ(split(name), parts) << name;
    for (const char* unsafe : {"", ".", "../x", "a/../../x", "a/..", "..\\x", "a\\..\\..\\x", "/etc/x", "\\x",
                               "\\\\server\\share\\x", "C:x", "C:\\x", "c:/x", "a.txt:stream", "...", "a/.. /b",
                               ". ", "CON", "nul.txt", "sub/Aux.pmlent", "com1", "LPT9.log", "nul .txt", "a\tb",
                               "a\x7F", "a\nb"})
        EXPECT_EQ(split(unsafe), std::nullopt) << "'" << unsafe << "'";
    EXPECT_EQ(split(std::string_view("a\0b", 3)), std::nullopt);
}

TEST(LibzipArchiveTest, ExtractsFilesAndFoldersWithTheirBytes) {
    Sandbox box;
    const std::string binary("\x00\x01\xFF\r\n", 5);
    writeZip(box.archive, {{"project.pmlprj", "# Entity Index\n", {}},
                           {"empty/", "", {}},
                           {"sub/deeper/EM10.pmlent", binary, {}},
                           {"./top.txt", std::string(200'000, 'x'), {}}});
    const ArchiveOutcome outcome = extractArchive(box.archive.string(), box.target.string());
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(treeOf(box.target), (std::vector<std::string>{"empty/", "project.pmlprj", "sub/", "sub/deeper/",
                                                             "sub/deeper/EM10.pmlent", "top.txt"}));
    EXPECT_EQ(readText(box.target / "sub/deeper/EM10.pmlent"), binary);
    EXPECT_EQ(fs::file_size(box.target / "top.txt"), 200'000u);

    // Backslash-separated names become folders; directory entries may repeat.
    Sandbox raw;
    ASSERT_TRUE(raw.extract({{"dir\\file.txt", "a"}, {"d/", ""}, {"d/", ""}, {"d\\e.txt", "b"}}).ok);
    EXPECT_EQ(treeOf(raw.target), (std::vector<std::string>{"d/", "d/e.txt", "dir/", "dir/file.txt"}));
}

// Every refusal names its cause and leaves nothing, not even the entries before the bad one.
TEST(LibzipArchiveTest, RefusesUnsafeDamagedAndOversizedArchives) {
    struct Case {
        std::vector<RawZipEntry> entries;
        std::string message;  // empty: any refusal
        ArchiveLimits limits = {};
    };
    const std::vector<RawZipEntry> four{{"a", "12345"}, {"b/", ""}, {"b/c", "12345"}, {"d", ""}};
    std::vector<Case> cases{
        {{{"a.pmlent", "1"}, {"a.pmlent", "2"}}, "Entry 1 'a.pmlent' repeats the name of an earlier entry."},
        {{{"Tool.pmlent", "1"}, {"TOOL.PMLENT", "2"}}, ""},
        {{{"x/y-z", "1"}, {"x/y", "2"}, {"x/y.d/", ""}, {"X/Y/z/w.txt", "3"}}, "The name 'x/y' is both a file and a folder."},
        {{{"fine.txt", "x"}, {"bad.txt", "payload", 0100644u << 16, 0x12345678u}},
         "Entry 1 'bad.txt' is corrupt: CRC error."},
        {four, "The archive holds 4 entries; at most 3 are extracted.", {1000, 3}},
        {four, "The archive declares more than 9 bytes.", {9, 100}},
    };
    for (const char* name : {"../../escaped.txt", "ok\\..\\..\\escaped.txt", "/tmp/escaped.txt", "NUL.txt"})
        cases.push_back({{{"fine.txt", "kept?"}, {name, "evil"}},
                         "Entry 1 '" + std::string(name) + "' would be written outside the target folder."});
    for (const std::uint32_t mode : {0120777u, 0020644u, 0010644u})
        cases.push_back({{{"fine.txt", "x"}, {"link", "/etc/passwd", mode << 16}},
                         "Entry 1 'link' is a link or a device, not a file."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries.back().name);
        Sandbox box;
        const ArchiveOutcome outcome = box.extract(c.entries, c.limits);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(c.message.empty() || outcome.message == c.message) << outcome.message;
        EXPECT_TRUE(box.leftNothing());
    }
    // At the limits exactly, the same archive extracts.
    EXPECT_TRUE(Sandbox().extract(four, {1000, 4}).ok && Sandbox().extract(four, {10, 100}).ok);

    // libzip shows a NUL in a name as a blank; the raw name is checked too.
    for (const bool zip64 : {false, true}) {
        for (const std::string& name : {std::string("evil\0.txt", 9), std::string("ok.txt\0../../evil", 17)}) {
            Sandbox box;
            writeBytes(box.archive, rawZipBytes({{"fine.txt", "x"}, {name, "evil"}}, zip64));
            EXPECT_FALSE(extractArchive(box.archive.string(), box.target.string()).ok);
            EXPECT_TRUE(box.leftNothing());
        }
        Sandbox clean;
        writeBytes(clean.archive, rawZipBytes({{"fine.txt", "x"}}, zip64));
        EXPECT_TRUE(extractArchive(clean.archive.string(), clean.target.string()).ok) << "zip64 " << zip64;
    }
}

TEST(LibzipArchiveTest, RefusesEncryptedAndForeignFiles) {
    Sandbox locked;
    writeZip(locked.archive, {{"open.txt", "x", {}}, {"secret.pmlent", "tool", std::string("pw")}});
    EXPECT_EQ(extractArchive(locked.archive.string(), locked.target.string()).message,
              "Entry 1 'secret.pmlent' is encrypted.");
    EXPECT_TRUE(locked.leftNothing());

    Sandbox odd;
    ASSERT_EQ(::mkfifo(odd.dir.file("fifo").c_str(), 0600), 0);
    for (const fs::path& path : {odd.dir.file("missing.zip"), odd.dir.path(), odd.dir.file("fifo")})
        EXPECT_FALSE(extractArchive(path.string(), odd.target.string()).ok) << path;  // a pipe must not hang
    EXPECT_FALSE(fs::exists(odd.target));

    // An existing target is never written into.
    fs::create_directories(odd.target);
    writeText(odd.target / "mine.txt", "user data");
    EXPECT_FALSE(odd.extract({{"mine.txt", "overwritten"}}).ok);
    EXPECT_EQ(readText(odd.target / "mine.txt"), "user data");
}

TEST(LibzipArchiveTest, EveryTruncationFailsCleanly) {
    Sandbox box;
    writeZip(box.archive, {{"project.pmlprj", "# Entity Index\n", {}}, {"a.pmlent", std::string(3000, 'a'), {}}});
    const std::string full = readText(box.archive);
    ASSERT_TRUE(extractArchive(box.archive.string(), box.target.string()).ok);
    fs::remove_all(box.target);
    for (std::size_t size = 0; size < full.size(); ++size) {
        writeText(box.archive, std::string_view(full).substr(0, size));
        EXPECT_FALSE(extractArchive(box.archive.string(), box.target.string()).ok) << "cut at " << size;
        ASSERT_TRUE(box.leftNothing()) << "cut at " << size;
    }
}

// A deflated entry whose headers claim 10 bytes but that inflates to 100 000:
// the bytes actually produced are counted, not the claims.
TEST(LibzipArchiveTest, RefusesDataLongerThanDeclared) {
    Sandbox box;
    writeZip(box.archive, {{"bomb.txt", std::string(100'000, '0'), {}}});
    std::string bytes = readText(box.archive);
    for (const std::string_view signature : {std::string_view("PK\x03\x04", 4), std::string_view("PK\x01\x02", 4)}) {
        const std::size_t header = bytes.find(signature);
        ASSERT_NE(header, std::string::npos);
        const std::size_t sizeField = header + (signature[2] == 3 ? 22 : 24);
        bytes.replace(sizeField, 4, std::string("\x0A\x00\x00\x00", 4));
    }
    writeText(box.archive, bytes);
    for (const std::uint64_t limit : {1000u, 1'000'000u}) {
        EXPECT_EQ(extractArchive(box.archive.string(), box.target.string(), {limit, 10}).message,
                  "Entry 0 'bomb.txt' is corrupt: its data does not match the 10 bytes its header declares.");
        EXPECT_TRUE(box.leftNothing());
    }
}

// Which entry matches and the index's year and units are pinned by the probe tests.
TEST(LibzipArchiveTest, ReadsOneEntryTextWithinItsBounds) {
    TempDir dir;
    const fs::path archive = dir.file("a.zip");
    writeZip(archive, {{"folder.pmlprj/", "", {}}, {"deep\\Job.PMLPRJ", "first index", {}}});
    EXPECT_EQ(std::tuple(readArchiveEntryText(archive.string(), ".pmlprj", 100),
                         readArchiveEntryText(archive.string(), ".pmlprj", 5)), std::tuple("first index", "first"));
    writeZip(archive, {{"x.pmlprj", "locked", std::string("pw")}, {"y.pmlprj", "open", {}}});
    EXPECT_EQ(readArchiveEntryText(archive.string(), ".pmlprj", 100), std::nullopt);
    writeBytes(archive, rawZipBytes({{"x.pmlprj", "# Entity Index", 0100644u << 16, 1u}}));
    EXPECT_EQ(readArchiveEntryText(archive.string(), ".pmlprj", 100), std::nullopt);
}

} // namespace
} // namespace Corvana

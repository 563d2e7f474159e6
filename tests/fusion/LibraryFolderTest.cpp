#include "adsk/sim/SimHost.h"

#include "CAM/CAMAll.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace Corvana {
namespace {

using namespace adsk::cam;
using adsk::core::Ptr;
using adsk::core::URL;
using adsk::sim::SimHost;
namespace fs = std::filesystem;

const std::string fixtureFolder = std::string(CORVANA_SOURCE_DIR) + "/tests/fixtures/fusion-libraries/";
const std::string oneDrill = "{\"data\":[{\"type\":\"drill\",\"unit\":\"millimeters\",\"geometry\":{\"DC\":3}}],\"version\":26}";
const std::string twoMills = "{\"data\":[{\"type\":\"flat end mill\"},{\"type\":\"ball end mill\"}],\"version\":26}";

Ptr<ToolLibraries> toolLibraries() {
    const auto manager = CAMManager::get();
    return manager ? manager->libraryManager()->toolLibraries() : nullptr;
}

Ptr<URL> localFolder() { return toolLibraries()->urlByLocation(LocalLibraryLocation); }

std::vector<std::string> leafNames(const std::vector<Ptr<URL>>& urls) {
    std::vector<std::string> names;
    for (const auto& url : urls) names.push_back(url->leafName());
    return names;
}

// Each test runs a host on the "libraries" folder inside a folder of its own.
class LibraryManagerTest : public ::testing::Test {
protected:
    Ptr<URL> importMills() { return libraries->importToolLibrary(ToolLibrary::createFromJson(oneDrill), localFolder(), "Mills"); }
    fs::path file(const std::string& name) const { return folder / name; }
    std::vector<std::string> entries() const { return Testing::sortedEntries(folder); }

    Testing::TempDir root;
    const fs::path folder = root.path() / "libraries";
    SimHost host{folder};
    const Ptr<ToolLibraries> libraries = toolLibraries();
};

TEST_F(LibraryManagerTest, ListsAndOpensLocalLibraries) {
    Testing::writeText(file("b.json"), oneDrill);
    Testing::writeText(file("Mills.2024.json"), twoMills);
    Testing::writeText(file("broken.json"), "{\"data\":[");
    Testing::writeText(file(".hidden.json"), oneDrill);
    fs::create_directory(file("folder.json"));
    const auto urls = libraries->childAssetURLs(localFolder());
    ASSERT_EQ(leafNames(urls), (std::vector<std::string>{"Mills.2024.json", "b.json", "broken.json"}));
    EXPECT_EQ(libraries->toolLibraryAtURL(urls[0])->count(), 2u);
    EXPECT_FALSE(libraries->toolLibraryAtURL(urls[2])) << "a malformed library does not open";
    EXPECT_FALSE(libraries->toolLibraryAtURL(URL::create(SimHost::localLibraryRoot() + "/../b.json")));
}

TEST_F(LibraryManagerTest, ImportNeverOverwritesAndRejectsUnsafeNames) {
    const auto library = ToolLibrary::createFromJson(oneDrill);
    const auto first = libraries->importToolLibrary(library, localFolder(), "PowerMill Holders");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->leafName(), "PowerMill Holders.json");
    const auto second = libraries->importToolLibrary(ToolLibrary::createFromJson(twoMills), localFolder(), "PowerMill Holders");
    EXPECT_EQ(second->leafName(), "PowerMill Holders (2).json");
    EXPECT_EQ(libraries->toolLibraryAtURL(first)->count(), 1u) << "the first library is untouched";

    for (const std::string name : {"", "../Escaped", "sub/dir", "back\\slash", ".hidden", "line\nbreak"})
        EXPECT_FALSE(libraries->importToolLibrary(library, localFolder(), name)) << name;
    EXPECT_FALSE(libraries->importToolLibrary(nullptr, localFolder(), "Empty"));
    EXPECT_FALSE(libraries->importToolLibrary(library, URL::create("user://Elsewhere"), "Other"));
    EXPECT_EQ(entries(), (std::vector<std::string>{"PowerMill Holders (2).json", "PowerMill Holders.json"}));
    EXPECT_EQ(Testing::sortedEntries(root.path()), std::vector<std::string>{"libraries"});
}

TEST_F(LibraryManagerTest, UpdateReplacesOnlyExistingLibraries) {
    const auto url = importMills();
    ASSERT_TRUE(url);
    ::chmod(file("Mills.json").c_str(), 0640);
    EXPECT_TRUE(libraries->updateToolLibrary(url, ToolLibrary::createFromJson(twoMills)));
    EXPECT_EQ(libraries->toolLibraryAtURL(url)->count(), 2u);
    EXPECT_EQ(fs::status(file("Mills.json")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "the file keeps its mode";

    fs::create_directory(file("Folder.json"));
    for (const char* name : {"/Folder.json", "/New.json"})  // update does not create
        EXPECT_FALSE(libraries->updateToolLibrary(URL::create(SimHost::localLibraryRoot() + name),
                                                  ToolLibrary::createFromJson(twoMills))) << name;
    EXPECT_EQ(entries(), (std::vector<std::string>{"Folder.json", "Mills.json"}));
}

TEST_F(LibraryManagerTest, FailedWritesLeaveNoHalfWrittenLibrary) {
    const auto url = importMills();
    ASSERT_TRUE(url);
    const std::string before = Testing::readText(file("Mills.json"));
    const auto large = ToolLibrary::createFromJson(Testing::readText(fixtureFolder + "fusion-library-v26-inch-drills-endmills-holders.json"));
    {
        Testing::FileSizeLimit limit(4096);
        EXPECT_FALSE(libraries->updateToolLibrary(url, large));
        EXPECT_FALSE(libraries->importToolLibrary(large, localFolder(), "Large"));
    }
    EXPECT_EQ(Testing::readText(file("Mills.json")), before);
    EXPECT_EQ(entries(), std::vector<std::string>{"Mills.json"}) << "no temporary file remains";
    EXPECT_TRUE(libraries->updateToolLibrary(url, large)) << "writes work again once space is back";
}

TEST_F(LibraryManagerTest, ReadOnlyFolderRefusesWrites) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const auto url = importMills();
    ASSERT_TRUE(url);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(libraries->updateToolLibrary(url, ToolLibrary::createFromJson(twoMills)));
    EXPECT_FALSE(libraries->importToolLibrary(ToolLibrary::createFromJson(twoMills), localFolder(), "New"));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(libraries->toolLibraryAtURL(url)->count(), 1u);
    EXPECT_EQ(entries(), std::vector<std::string>{"Mills.json"});
}

} // namespace
} // namespace Corvana

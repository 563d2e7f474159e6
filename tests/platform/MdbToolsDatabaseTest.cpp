#include "platform/ToolDatabase.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace Corvana {
namespace {

using namespace Testing;

std::string fixturePath(const std::string& name) {
    return std::string(CORVANA_SOURCE_DIR) + "/tests/fixtures/mdb/" + name;
}

// Every table of the sample database.
const char* const kSampleTables[] = {
    "ToolMaterials", "Coolants", "ToolHolders", "FeedSpeed", "EndMills", "FaceMills", "BoringBars", "CounterBores",
    "PlungeRoughers", "RoundingMills", "SideMills", "TwistDrills", "SpotDrills", "CounterSinks", "ChamferMills", "Taps",
    "ThreadMills", "BarrelCutters", "DovetailCutters"};

TEST(MdbToolsDatabaseTest, OpeningWhatIsNoDatabaseIsAnOutcome) {
    const TempDir scratch;
    writeText(scratch.file("empty.mdb"), "");
    writeText(scratch.file("text.mdb"), std::string(9000, 'x'));
    for (const std::string& path : {fixturePath("not-a-database.mdb"), scratch.file("empty.mdb").string(),
                                    scratch.file("text.mdb").string(), scratch.file("absent.mdb").string(),
                                    scratch.path().string()}) {
        const ToolDatabaseOpening opening = openToolDatabase(path);
        EXPECT_TRUE(!opening.database && !opening.failure.empty()) << path;
    }
}

// libmdb itself crashes on some damaged usage maps; the seam must refuse them.
TEST(MdbToolsDatabaseTest, SurvivesDamagedCopies) {
    const std::string full = readText(fixturePath("tooldb-sample.mdb"));
    const TempDir scratch;
    int opened = 0;
    for (unsigned seed = 0; seed < 80; ++seed) {
        std::mt19937 random(seed);
        std::string damaged = full;
        for (std::size_t i = 0; i < damaged.size() / 100; ++i)
            damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        writeText(scratch.file("damaged.mdb"), damaged);
        const ToolDatabaseOpening opening = openToolDatabase(scratch.file("damaged.mdb").string());
        if (!opening.database) continue;
        ++opened;
        for (const std::string table : kSampleTables) {
            (void)opening.database->countRows(table);
            (void)opening.database->readRows(table, {"Name", "FormCurve", "Diameter"});
        }
    }
    EXPECT_GT(opened, 20);  // enough copies keep a usable catalog for their tables to be walked
}

} // namespace
} // namespace Corvana

#include "platform/ToolDatabase.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <utility>

namespace Corvana {
namespace {

using namespace Testing;

std::string fixturePath(const std::string& name) {
    return std::string(CORVANA_SOURCE_DIR) + "/tests/fixtures/mdb/" + name;
}

std::string shown(const FieldValue& value) {
    switch (value.state) {
    case FieldState::Absent: return "<absent>";
    case FieldState::Null: return "<null>";
    case FieldState::Empty: return "<empty>";
    case FieldState::Value: return value.text;
    }
    return "?";
}

// Restores the process locale when the test ends, whatever it asserted.
struct LocaleGuard {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    ~LocaleGuard() { std::setlocale(LC_ALL, saved.c_str()); }
};

const std::vector<std::pair<std::string, std::int64_t>> kSampleCounts{
    {"ToolMaterials", 3}, {"Coolants", 3},     {"ToolHolders", 4},    {"FeedSpeed", 11},    {"EndMills", 10},
    {"FaceMills", 2},     {"BoringBars", 1},   {"CounterBores", 1},   {"PlungeRoughers", 1}, {"RoundingMills", 1},
    {"SideMills", 2},     {"TwistDrills", 4},  {"SpotDrills", 2},     {"CounterSinks", 1},  {"ChamferMills", 1},
    {"Taps", 3},          {"ThreadMills", 1},  {"BarrelCutters", 1},  {"DovetailCutters", 0}};

TEST(MdbToolsDatabaseTest, CountsTheRowsOfEveryTable) {
    const auto sample = openToolDatabase(fixturePath("tooldb-sample.mdb")).database;
    const auto empty = openToolDatabase(fixturePath("empty-schema.mdb")).database;
    ASSERT_TRUE(sample && empty);
    for (const auto& [table, count] : kSampleCounts) {
        EXPECT_EQ(sample->countRows(table), count) << table;
        EXPECT_EQ(empty->countRows(table), 0) << table;
    }
    EXPECT_EQ(sample->countRows("endmills"), 10);
    EXPECT_EQ(sample->countRows("NoSuchTable"), std::nullopt);
}

// Field states the reader tells apart; the field values are checked through the tool reader.
TEST(MdbToolsDatabaseTest, ReadsRequestedColumnsAsText) {
    const auto database = openToolDatabase(fixturePath("tooldb-sample.mdb")).database;
    ASSERT_TRUE(database);
    const std::vector<std::string> columns{"name", "Comment", "FormCurve", "Teeth"};
    const TableRows mills = database->readRows("EndMills", columns);
    ASSERT_TRUE(mills.ok);
    EXPECT_EQ(mills.columns, columns);
    ASSERT_EQ(mills.rows.size(), 10u);
    const auto& first = mills.rows[0].fields;
    EXPECT_EQ(shown(first[0]) + "|" + shown(first[1]) + "|" + shown(first[3]), "EM 10 4FL CARBIDE|general purpose|<absent>");
    EXPECT_EQ(first[2].text.size(), 147u);
    EXPECT_EQ(shown(mills.rows[2].fields[1]), "<null>");
    EXPECT_EQ(shown(mills.rows[6].fields[2]), "<null>");  // libmdb cannot tell a zero-length memo from NULL

    const TableRows missing = database->readRows("NoSuchTable", {"Name"});
    EXPECT_EQ(std::pair(missing.ok, missing.failure),
              std::pair(false, std::string("Table NoSuchTable is missing or its definition cannot be read.")));
}

TEST(MdbToolsDatabaseTest, NumbersKeepTheirPointUnderACommaLocale) {
    const LocaleGuard guard;
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr)
        GTEST_SKIP() << "no German locale installed";
    const auto database = openToolDatabase(fixturePath("tooldb-sample.mdb")).database;
    ASSERT_TRUE(database);
    const TableRows feeds = database->readRows("FeedSpeed", {"H1GeneralFinishFeed", "H1GeneralFinishOffset"});
    ASSERT_EQ(feeds.rows.size(), 11u);
    EXPECT_EQ(shown(feeds.rows[0].fields[0]) + " " + shown(feeds.rows[0].fields[1]), "0.05 0.5");
}

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
    EXPECT_EQ(openToolDatabase(fixturePath("not-a-database.mdb")).failure,
              "The database file " + fixturePath("not-a-database.mdb") + " cannot be opened.");
    EXPECT_EQ(openToolDatabase(scratch.file("empty.mdb").string()).failure,
              "The file " + scratch.file("empty.mdb").string() + " is not a readable Access database.");
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
        for (const auto& [table, count] : kSampleCounts) {
            (void)opening.database->countRows(table);
            (void)opening.database->readRows(table, {"Name", "FormCurve", "Diameter"});
        }
    }
    EXPECT_GT(opened, 20);  // enough copies keep a usable catalog for their tables to be walked
}

} // namespace
} // namespace Corvana

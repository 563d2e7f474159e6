#include "sources/MdbReader.h"

#include "platform/sim/SimToolDatabase.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <tuple>

namespace Corvana {
namespace {

using namespace Testing;

// Marks each reported tool as the classification hook would; the reader must keep that tool.
ToolProgressFn recordInto(std::vector<std::string>& calls) {
    return [&calls](std::int32_t index, std::int32_t total, ToolModel* tool) {
        if (tool) tool->classified = true;
        calls.push_back(std::to_string(index) + "/" + std::to_string(total) + " " + (tool ? tool->name : "-"));
    };
}

const ToolModel& toolNamed(const std::vector<ToolModel>& tools, const std::string& name) {
    static const ToolModel none;
    const auto found = std::find_if(tools.begin(), tools.end(), [&name](const ToolModel& t) { return t.name == name; });
    if (found != tools.end()) return *found;
    ADD_FAILURE() << "no tool " << name;
    return none;
}

// "(upper,lower,length)" per segment.
template <class Segment> std::string segments(const std::vector<Segment>& list) {
    std::string text;
    for (const Segment& s : list)
        text += "(" + std::to_string(s.upperDiameter) + "," + std::to_string(s.lowerDiameter) + "," +
                std::to_string(s.length) + ")";
    return text;
}

std::string presets(const ToolModel& tool) {
    std::string text;
    for (const CuttingPreset& p : tool.presets)
        text += p.material + " " + p.name + " " + p.coolant + " " + std::to_string(p.cuttingSpeed) + " " +
                std::to_string(p.feedPerTooth) + " " + std::to_string(p.radialDepthOfCut) + " " +
                std::to_string(p.axialDepthOfCut) + ";";
    return text;
}

std::string curve(const std::string& order, const std::string& numbers) {
    const std::string orderMember = order.empty() ? "" : "<member name=\"c_order\" value=\"" + order + "\"/>";
    return "<curve>" + orderMember + "<member name=\"c_poly\"><member name=\"value\" length=\"9\">" + numbers +
           "</member></member></curve>";
}

// The real sample database, read under a comma-decimal locale where one is installed: its numbers keep their point.
class MdbSampleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string saved = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::setlocale(LC_ALL, "de_DE.utf8");
        sample = readMdbFile(CORVANA_SOURCE_DIR "/tests/fixtures/mdb/tooldb-sample.mdb", recordInto(calls));
        std::setlocale(LC_ALL, saved.c_str());
    }
    static inline std::vector<ToolModel> sample;
    static inline std::vector<std::string> calls;
};

// Every table's rows, field by field; each progress call carries the tool as classified.
TEST_F(MdbSampleTest, ReadsEveryToolRowFieldByField) {
    ASSERT_EQ(sample.size(), 31u);
    EXPECT_EQ(calls.back(), "31/31 BARREL 12 R250");
    EXPECT_TRUE(toolNamed(sample, "T10").classified);

    const ToolModel& tool = toolNamed(sample, "EM 10 4FL CARBIDE");
    EXPECT_TRUE(tool.isMetric && tool.rawHolderProfile);
    EXPECT_EQ(tool.identifier + "|" + tool.sourceKind + "|" + tool.description + "|" + tool.material + "|" +
                  tool.holderName, "EM 10 4FL CARBIDE|MDB|general purpose|Carbide|HSK63 ER32 100");
    EXPECT_EQ((std::vector<double>{double(tool.typeCode), double(tool.number), double(tool.numFlutes), tool.diameter,
                                   tool.length, tool.overhang}), (std::vector<double>{1, 1, 4, 10, 22, 40}));

    const ToolModel& inch = toolNamed(sample, "EM 1/2 4FL");
    EXPECT_EQ(std::tuple(inch.isMetric, inch.number, inch.diameter, inch.length, inch.overhang),
              std::tuple(false, 6, 0.5, 1.25, 1.75));
    // Inch curves merge rises of 0.01 in.
    EXPECT_EQ(segments(inch.holderSegments), "(1.600000,1.600000,0.900000)(1.900000,1.600000,0.100000)"
                                             "(1.900000,1.900000,0.600000)(3.500000,3.500000,0.900000)");
}

TEST_F(MdbSampleTest, ReadsShanksGeometryAndPresetsOfEachFamily) {
    const std::vector<std::pair<std::string, std::string>> shanks{
        {"EM 10 4FL CARBIDE", "(10.000000,10.000000,53.000000)"},  // clipped by the named holder, no closing cylinder
        {"EM 8 R1 BULL", "(8.000000,8.000000,47.000000)"},  // empty curve
        {"EM 3/8 C3", "(0.360000,0.360000,0.500000)(0.375000,0.360000,0.100000)(0.375000,0.375000,1.025000)"},
        {"EM 4 2FL STUB", "(6.000000,4.000000,2.000000)(6.000000,6.000000,40.000000)"}};  // no c_order
    for (const auto& [name, expected] : shanks) EXPECT_EQ(segments(toolNamed(sample, name).shankSegments), expected);

    struct Field {
        const char* tool;
        double ToolModel::*member;
        double value;
    };
    for (const Field& f : std::vector<Field>{
             {"EM-TT-10", &ToolModel::taperAngle, 10}, {"EM-TT-10", &ToolModel::taperHeight, 5},
             {"EM-TT-10", &ToolModel::taperDiameter, 8.236730}, {"DR-118", &ToolModel::taperAngle, 59},
             {"DRILL 6.8 CARBIDE", &ToolModel::taperAngle, 70}, {"SPOT 1/2 90", &ToolModel::taperAngle, 45},
             {"CHAMFER 10x45", &ToolModel::taperAngle, 45}, {"TAP M10x1.5", &ToolModel::pitch, 1.5},
             {"TAP-TPI20", &ToolModel::pitch, 0.05}, {"TM M8x1.25", &ToolModel::pitch, 1.25},
             {"FM-50", &ToolModel::length, 6}, {"FM-50", &ToolModel::overhang, 40},
             {"SIDE 50x4 R0.4", &ToolModel::tipRadius, 0.4}, {"CR MILL R3", &ToolModel::tipRadius, 3},
             {"EM-BALL-10", &ToolModel::tipRadius, 5}, {"BARREL 12 R250", &ToolModel::barrelRadius, 250},
             {"BARREL 12 R250", &ToolModel::upperTipRadius, 2}})
        EXPECT_NEAR(toolNamed(sample, f.tool).*f.member, f.value, 1e-6) << f.tool << " expected " << f.value;
    EXPECT_TRUE(toolNamed(sample, "FM-50").numFlutes == 2 && toolNamed(sample, "BARREL 12 R250").flatBottom);

    EXPECT_EQ(presets(toolNamed(sample, "T10")),
              "Aluminium Roughing flood 350.000000 0.080000 6.000000 12.000000;"
              "Aluminium Finishing flood 400.000000 0.050000 0.500000 10.000000;"
              "Steel Roughing flood 120.000000 0.050000 4.000000 10.000000;"
              "Steel Finishing flood 150.000000 0.030000 0.300000 8.000000;");
    std::size_t count = 0;
    for (const ToolModel& tool : sample) count += tool.presets.size();
    EXPECT_EQ(count, 11u);  // "T10", "Lib/T100/Steel" and "Lib/EM 99 OLD/Steel" match nothing
}

// Only the named tables exist; every other table is missing.
TEST(MdbReaderTest, ReadsToolsDespiteMissingTablesAndColumns) {
    SimToolDatabase database;
    database.table("ToolMaterials", {"ID", "Name"})
        .row({"1", "Carbide"}).row({std::nullopt, "Nameless"}).row({"0", "Unassigned"});
    database.table("EndMills", {"Name", "Diameter", "Flutes", "Material", "Metric"})
        .row({"A", "10", "0", "1", "True"}).row({"B", "6", std::nullopt, std::nullopt, ""});
    database.table("FaceMills", {"Name", "Teeth"}).row({"F", "5"});
    std::vector<std::string> calls;
    const auto tools = readMdbDatabase(database, recordInto(calls));
    ASSERT_EQ(tools.size(), 3u);
    // A missing material id matches neither a NULL nor a 0 id.
    EXPECT_EQ(std::tuple(tools[0].numFlutes, tools[0].material, tools[0].isMetric, tools[1].material, tools[1].isMetric,
                         tools[2].numFlutes), std::tuple(2, "Carbide", true, "", false, 5));
    EXPECT_EQ(calls, (std::vector<std::string>{"0/3 -", "1/3 A", "2/3 B", "3/3 F"}));
}

TEST(MdbReaderTest, BrokenCurvesEndTheHolderQueryAndSkipTheirToolRow) {
    SimToolDatabase database;
    database.table("ToolHolders", {"Name", "FormCurve", "Metric"})
        .row({"H1", curve("2", "10 0 0 10 0 5"), "1"}).row({"H2", curve("two", "10 0 0 10 0 5"), "1"})
        .row({"H3", curve("2", "12 0 0 12 0 5"), "1"});
    database.table("EndMills", {"Name", "HolderName", "FormCurve"})
        .row({"T1", "H1", std::nullopt}).row({"BAD", "H1", curve("x", "0 0 0 5 0 10")}).row({"T3", "H3", std::nullopt});
    std::vector<std::string> calls;
    const auto tools = readMdbDatabase(database, recordInto(calls));
    ASSERT_EQ(tools.size(), 2u);
    EXPECT_EQ(std::tuple(segments(tools[0].holderSegments), tools[1].name, tools[1].holderSegments.size(),
                         calls.back()),
              std::tuple("(20.000000,20.000000,5.000000)", "T3", 0u, "2/3 T3"));
}

TEST(MdbReaderTest, SkipsRowsAndTablesThatFail) {
    SimToolDatabase database;
    auto& materials = database.table("ToolMaterials", {"ID", "Name"}).row({"1", "Carbide"}).row({"2", "HSS"});
    materials.failingRows = {0};
    auto& mills = database.table("EndMills", {"Name", "Material"}).row({"R1", "2"}).row({"R2", "2"}).row({"R3", "2"});
    mills.failingRows = {1};
    database.table("FaceMills", {"Name"}).row({"F"}).unreadable = true;
    database.table("BoringBars", {"Name"}).row({"BB"}).countFails = true;
    std::vector<std::string> calls;
    const auto tools = readMdbDatabase(database, recordInto(calls));
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_EQ(tools[0].material, "");  // the materials query ended at its first row
    EXPECT_EQ(calls, (std::vector<std::string>{"0/3 -", "1/3 R1", "2/3 R3", "3/3 BB"}));
}

TEST(MdbReaderTest, DecidesTypesFromRadiusOffsetsTaperAndProfile) {
    SimToolDatabase database;
    database.table("EndMills", {"Name", "Diameter", "FullCutterLength", "CutterLength", "EndRadius",
                                "EndRadiusOffsetX", "Taper", "FormCurve"})
        .row({"STEP", "10", "20", "20", "0", "0", "0", curve("2", "0 0 0 5 0 0 5 0 5 5.3 0 10 5.3 0 30")})
        .row({"SMALLSTEP", "10", "20", "20", "0", "0", "0", curve("2", "5 0 5 5.1 0 10 5.1 0 30")})
        .row({"OFF", "10", "20", "20", "1", "2", "0", ""})
        .row({"TS", "10", "20", "0", "2", "0", "10", ""})
        .row({"NODIA", std::nullopt, "20", "20", "0", "0", "0", ""});
    database.table("SideMills", {"Name", "Taper"}).row({"DT", "15"});
    database.table("SpotDrills", {"Name", "IsCenterDrill"}).row({"CD6", "1"});
    database.table("ThreadMills", {"Name", "CutterDiameter", "MaxPitch"}).row({"TM", "6", "1.5"});
    database.table("FeedSpeed", {"Name", "H1GeneralRoughSpeed"}).row({"Lib/CD6/Steel", "30"});
    const auto tools = readMdbDatabase(database);
    ASSERT_EQ(tools.size(), 8u);
    std::string types;
    for (const ToolModel& tool : tools) types += tool.type + " ";
    // NODIA has no radius, so no ball whatever the diameter.
    EXPECT_EQ(types, "form end_mill off_centre_tip_rad taper_spherical end_mill dovetail drill thread_mill ");
    EXPECT_EQ((std::vector<double>{tools[2].tipRadiusCentreX, tools[2].tipRadius, tools[3].taperAngle,
                                   tools[5].taperAngle, tools[7].diameter, tools[7].pitch}),
              (std::vector<double>{2, 1, 10, 15, 6, 1.5}));
    EXPECT_EQ(tools[6].identifier + "|" + tools[6].name + "|" + presets(tools[6]),
              "center CD6|CD6|Steel Roughing  30.000000 0.000000 0.000000 0.000000;");
}

// A feeds-and-speeds entry belongs to every tool named by a '/'-bounded tail of the text before its last '/'.
TEST(MdbReaderTest, FeedSpeedNamesMatchTheirSlashBoundedTails) {
    SimToolDatabase database;
    auto& mills = database.table("EndMills", {"Name"});
    for (const char* name : {"TAP 1/4-20 UNC", "4-20 UNC", "20 UNC", "T1", "Lib"}) mills.row({name});
    // A text field may hold hundreds of kilobytes; a name full of slashes must not cost quadratic memory.
    const std::string slashes(400000, '/');
    database.table("FeedSpeed", {"Name", "H1GeneralRoughSpeed"})
        .row({"Lib/TAP 1/4-20 UNC/Steel", "10"})
        .row({slashes + "T1/Brass", "20"})
        .row({"Lib" + slashes + "Lib/T1" + slashes + "/Oak", "30"})
        .row({"/T1", "40"});
    std::vector<std::string> found;
    for (const ToolModel& tool : readMdbDatabase(database))
        found.push_back(tool.name + ":" + (tool.presets.empty() ? "" : tool.presets[0].material) +
                        std::to_string(tool.presets.size()));
    EXPECT_EQ(found, (std::vector<std::string>{"TAP 1/4-20 UNC:Steel1", "4-20 UNC:Steel1", "20 UNC:0", "T1:Brass1",
                                               "Lib:0"}));
}

TEST(MdbReaderTest, FileExtensionIsTheLowerCasedTextAfterTheLastDot) {
    EXPECT_EQ(fileExtensionOf("C:\\Tools\\Library.MDB") + fileExtensionOf("/home/user/templates.v2/mill.Ptf") +
                  fileExtensionOf("archive.tar.gz"), "mdbptfgz");
    for (const char* none : {"file.", "README", "/home/user/templates.v2/mill", "C:\\data.d\\tools"})
        EXPECT_EQ(fileExtensionOf(none), "") << none;
}

} // namespace
} // namespace Corvana

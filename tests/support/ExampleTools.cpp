#include "tests/support/ExampleTools.h"

#include "sources/NumberText.h"
#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <string>

namespace Corvana::Testing {
namespace {

struct Holder {
    const char* name;
    std::vector<PtfSection> sections;
};

const Holder shrinkFit{"HSK63 Shrink Fit 12", {{24, 21, 30}, {32, 24, 40}, {50, 50, 25, true}}};
const Holder er32{"BT40 ER32", {{50, 42, 35}, {63, 63, 30}}};
const Holder sideLock{"CAT40 Side Lock 20", {{44.45, 44.45, 45}, {63.5, 44.45, 8}, {63.5, 63.5, 25}}};
const Holder none{"", {}};
const Holder er16Inch{"CAT40 ER16", {{1.1, 0.9, 1.4}, {2.5, 2.5, 1.2}}};
const Holder shrinkInch{"CAT40 Shrink 3/8", {{0.8, 0.7, 1.2}, {1.3, 0.8, 1.6}, {2.5, 2.5, 1, true}}};

// Finishing speed and feed per tooth (as a ratio of the diameter), the same for roughing, and
// the pitch taps keep as their drilling feed per tooth.
struct Cutting {
    double speed = 0, feed = 0, roughSpeed = 0, roughFeed = 0, tapPitch = 0;
};

struct ExampleTool {
    const char* type;
    const char* name;
    double diameter, length, overhang;
    int flutes;
    const Holder* holder;
    Cutting cutting;
    PtfMembers extra;  // type-specific members
};

std::string num(double value) {
    return formatJsonNumber(value, 6);
}

std::string cuttingMember(double finishing, double roughing, double drill = 0) {
    std::string text = "{\"finishing\":{\"general\":\"" + num(finishing) + "\"";
    if (drill > 0) text += ",\"drill\":\"" + num(drill) + "\"";
    // PowerMill writes both strategies, with zeros where there is no data.
    return text + "},\"roughing\":{\"general\":\"" + num(roughing) + "\"}}";
}

void appendCutting(PtfMembers& members, const Cutting& cutting) {
    if (cutting.speed <= 0 && cutting.feed <= 0 && cutting.roughSpeed <= 0 && cutting.tapPitch <= 0) return;
    members.push_back({"CuttingSpeed", cuttingMember(cutting.speed, cutting.roughSpeed)});
    members.push_back({"FeedPerTooth", cuttingMember(cutting.feed, cutting.roughFeed, cutting.tapPitch)});
    members.push_back({"RadialDepthOfCut", cuttingMember(0.4, 0.6)});
    members.push_back({"AxialDepthOfCut", cuttingMember(1.0, 1.5)});
}

// Type-specific members replace the generic ones of the same key.
void mergeMembers(PtfMembers& members, const PtfMembers& extra) {
    for (const auto& [key, value] : extra) {
        bool replaced = false;
        for (auto& member : members)
            if (member.first == key) member.second = value, replaced = true;
        if (!replaced) members.emplace_back(key, value);
    }
}

std::string recordFor(const ExampleTool& tool, const std::string& name, int number, bool metric) {
    PtfMembers members{{"Type", tool.type}, {"Identifier", name}, {"Diameter", num(tool.diameter)},
                       {"Length", num(tool.length)}, {"Overhang", num(tool.overhang)},
                       {"NumberOfFlutes", std::to_string(tool.flutes)},
                       {"Number", "{\"Value\":\"" + std::to_string(number) + "\"}"},
                       {"StockMaterial", "Aluminium 6061"}, {"Coolant", "flood"}, {"Tags", "(\"shop stock\" \"cell 2\")"}};
    mergeMembers(members, tool.extra);
    const double smallestShank = metric ? 6 : 0.25;
    const double shank = tool.diameter < smallestShank ? smallestShank : tool.diameter;
    members.push_back({"ShankSetValues", ptfSections({{shank, shank, tool.overhang - tool.length}})});
    if (tool.holder->name[0] != '\0') {
        members.push_back({"HolderName", tool.holder->name});
        members.push_back({"HolderSetValues", ptfSections(tool.holder->sections)});
    }
    appendCutting(members, tool.cutting);
    return ptfRecord(members);
}

// Holders with a fillet get the binary record the reader recovers it from.
PtfGeometryArea geometryFor(const ExampleTool& tool) {
    PtfGeometryArea area;
    if (tool.holder == &shrinkFit) area.fillet(12, 1.5);
    if (tool.holder == &er32) area.fillet(21, 4);
    return area;
}

void appendTool(PtfWriter& writer, const ExampleTool& tool, const std::string& name, int number,
                bool metric = true) {
    writer.name(name).filler(12).text(recordFor(tool, name, number, metric)).filler(8);
    writer.geometry(geometryFor(tool)).filler(16);
}

const std::vector<ExampleTool>& metricTools() {
    static const std::vector<ExampleTool> tools{
        {"end_mill", "EM 12 4FL Carbide Finish", 12, 26, 70, 4, &shrinkFit, {220, 0.006, 0, 0}, {}},
        {"end_mill", "EM 10 3FL Rough", 10, 22, 60, 3, &er32, {180, 0.008, 160, 0.012}, {}},
        {"end_mill", "EM 6 HSS", 6, 13, 45, 4, &er32, {35, 0.004, 0, 0}, {{"Description", "HSS stub mill\nfor slots"}}},
        {"end_mill", "EM 20 Long Reach", 20, 45, 120, 4, &sideLock, {200, 0.007, 180, 0.01}, {}},
        {"end_mill", "CSK 10 90DEG", 10, 5, 50, 3, &er32, {90, 0.005, 0, 0}, {{"TaperAngle", "45"}}},
        {"end_mill", "FACE MILL 50 INSERT", 50, 6, 60, 5, &sideLock, {300, 0.0025, 250, 0.003}, {}},
        {"end_mill", "CBORE M8", 14, 20, 60, 3, &er32, {60, 0.006, 0, 0}, {}},
        {"end_mill", "BORING BAR 16", 16, 40, 90, 1, &sideLock, {150, 0.006, 0, 0}, {}},
        {"ball_nosed", "BALL 8", 8, 16, 60, 2, &shrinkFit, {240, 0.006, 0, 0}, {{"TipRadius", "4"}}},
        {"ball_nosed", "BALL 3 Finish", 3, 6, 40, 2, &shrinkFit, {260, 0.01, 0, 0}, {{"TipRadius", "1.5"}}},
        {"ball_nosed", "BALL 12 Rough", 12, 24, 80, 2, &er32, {0, 0, 220, 0.01}, {{"TipRadius", "6"}}},
        {"tip_radiused", "BULL 12 R1", 12, 25, 70, 4, &shrinkFit, {240, 0.006, 220, 0.008}, {{"TipRadius", "1"}}},
        {"tip_radiused", "BULL 16 R2 Rough", 16, 32, 90, 4, &sideLock, {220, 0.007, 0, 0}, {{"TipRadius", "2"}}},
        {"tip_radiused", "REAM 10 H7 R0.2", 10, 30, 80, 6, &er32, {20, 0.01, 0, 0}, {{"TipRadius", "0.2"}}},
        {"taper_tipped", "TAPER 6 3DEG", 6, 25, 60, 3, &shrinkFit, {150, 0.005, 0, 0},
         {{"TaperAngle", "3"}, {"TaperDiameter", "3"}, {"TaperHeight", "25"}, {"TipRadius", "0.5"}}},
        {"taper_spherical", "TAPER BALL 4 2DEG", 4, 30, 60, 2, &shrinkFit, {180, 0.005, 0, 0},
         {{"TaperAngle", "2"}, {"TipRadius", "1"}}},
        {"taper_spherical", "SPOT DRILL TAPERED 10", 10, 5, 50, 2, &er32, {60, 0.004, 0, 0},
         {{"TaperAngle", "45"}, {"TipRadius", "0.5"}}},
        {"tipped_disc", "SLOT 40 x 4", 40, 4, 60, 8, &sideLock, {120, 0.004, 0, 0},
         {{"TipRadius", "0.2"}, {"UpperTipRadius", "0.2"}}},
        {"tipped_disc", "LOLLIPOP 10", 10, 10, 60, 4, &shrinkFit, {180, 0.004, 0, 0},
         {{"TipRadius", "5"}, {"UpperTipRadius", "4.8"}}},
        {"barrel", "BARREL 12 R250", 12, 20, 80, 4, &shrinkFit, {200, 0.005, 0, 0},
         {{"BarrelRadius", "250"}, {"TipRadius", "2"}, {"TipRadiusCentre", "(\"4\" \"2\")"}}},
        {"dovetail", "DOVETAIL 20 60DEG", 20, 6, 50, 6, &er32, {120, 0.004, 0, 0}, {{"TaperAngle", "60"}, {"TipRadius", "0.5"}}},
        {"off_centre_tip_rad", "LENS 10 R5", 10, 10, 60, 4, &shrinkFit, {200, 0.005, 0, 0},
         {{"TipRadius", "5"}, {"TipRadiusCentre", "(\"0\" \"5\")"}}},
        {"off_centre_tip_rad", "OVAL 12 R8", 12, 12, 60, 4, &shrinkFit, {200, 0.005, 0, 0},
         {{"TipRadius", "8"}, {"TipRadiusCentre", "(\"2\" \"7.9\")"}}},
        {"drill", "DRILL 8.5 Carbide", 8.5, 45, 80, 2, &er32, {90, 0.02, 0, 0}, {{"DrillAngle", "140"}}},
        {"drill", "DRILL 5 HSS", 5, 40, 70, 2, &er32, {30, 0.015, 0, 0}, {{"DrillAngle", "118"}}},
        {"drill", "SPOT DRILL 10 90", 10, 8, 50, 2, &er32, {60, 0.01, 0, 0}, {{"TaperAngle", "45"}}},
        {"drill", "CENTER DRILL 3.15", 3.15, 6, 45, 2, &er32, {25, 0.01, 0, 0}, {}},
        {"drill", "REAMER 8 H7", 8, 30, 70, 6, &er32, {15, 0.02, 0, 0}, {}},
        {"tap", "TAP M10 x 1.5", 10, 22, 70, 3, &er32, {10, 0, 0, 0, 1.5}, {}},
        {"tap", "TAP M8 LH", 8, 18, 65, 3, &er32, {8, 0, 0, 0, 1.25}, {}},
        {"tap", "TAP M6", 5, 14, 60, 3, &er32, {8, 0, 0, 0, 1}, {}},
        {"thread_mill", "THREAD MILL M12 x 1.75", 9.5, 20, 60, 3, &shrinkFit, {120, 0.003, 0, 0}, {{"Pitch", "1.75"}}},
        {"thread_mill", "THREAD MILL SHORT 1.5", 8, 1, 50, 3, &shrinkFit, {120, 0.003, 0, 0}, {{"Pitch", "1.5"}}},
        {"probe", "PROBE 6 RUBY", 6, 0, 50, 0, &none, {}, {}},
        {"form", "FORM CUTTER R3", 0, 20, 60, 4, &er32, {}, {}},
        {"routing", "ROUTER 6 COMPRESSION", 6, 20, 50, 2, &er32, {}, {}},
        {"turn_profiling", "TURN CNMG 12", 12, 12, 50, 1, &none, {}, {}},
        {"turn_grooving", "GROOVE 3", 3, 3, 40, 1, &none, {}, {}},
        {"end_mill", "EM 16 Aluminium 3FL", 16, 32, 85, 3, &shrinkFit, {600, 0.01, 550, 0.015}, {}},
        {"end_mill", "EM 4 Micro", 4, 8, 40, 2, &shrinkFit, {180, 0.004, 0, 0}, {}},
    };
    return tools;
}

const std::vector<ExampleTool>& inchTools() {
    static const std::vector<ExampleTool> tools{
        {"end_mill", "EM 1/2 4FL", 0.5, 1.25, 3, 4, &er16Inch, {600, 0.004, 0, 0}, {{"Diameter", "1/2"}}},
        {"end_mill", "EM 3/8 Rough", 0.375, 1, 2.5, 3, &er16Inch, {500, 0.006, 450, 0.008}, {}},
        {"ball_nosed", "BALL 1/4", 0.25, 0.5, 2, 2, &shrinkInch, {700, 0.005, 0, 0}, {{"TipRadius", "0.125in"}}},
        {"tip_radiused", "BULL 1/2 R.030", 0.5, 1, 3, 4, &er16Inch, {650, 0.004, 0, 0}, {{"TipRadius", "0.030"}}},
        {"drill", "DRILL #7 135DEG", 0.201, 1.5, 3, 2, &er16Inch, {250, 0.01, 0, 0}, {{"DrillAngle", "135"}}},
        {"drill", "DRILL 12.7mm", 0.5, 3, 5, 2, &er16Inch, {250, 0.01, 0, 0}, {{"Diameter", "12.7mm"}}},
        {"tap", "TAP 1/4-20 UNC", 0.25, 0.75, 2.5, 3, &er16Inch, {30, 0, 0, 0, 0.05}, {}},
        {"tap", "TAP #10-32 UNF", 0.159, 0.6, 2, 3, &er16Inch, {30, 0, 0, 0, 0.03125}, {}},
        {"thread_mill", "THREAD MILL 1/2-13", 0.375, 0.75, 2.5, 3, &shrinkInch, {350, 0.002, 0, 0}, {{"Pitch", "0.0769"}}},
        {"probe", "PROBE 0.157", 0.157, 0, 2, 0, &none, {}, {}},
    };
    return tools;
}

std::vector<std::uint8_t> templateOf(const std::vector<ExampleTool>& tools, PtfUnits units) {
    PtfWriter writer(units);
    int number = 1;
    for (const auto& tool : tools) appendTool(writer, tool, tool.name, number++, units == PtfUnits::Metric);
    return writer.data;
}

} // namespace

std::vector<std::uint8_t> metricExampleTemplate() {
    return templateOf(metricTools(), PtfUnits::Metric);
}

std::vector<std::uint8_t> inchExampleTemplate() {
    return templateOf(inchTools(), PtfUnits::Inch);
}

void writeExampleProject(const std::filesystem::path& folder) {
    const auto& tools = metricTools();
    // As PowerMill writes it: the saving release in the header, the units ("0" metric) on line 2.
    std::string index = "# Entity Index version=\"2024\"\n0\n";
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> entities;
    int number = 1;
    for (std::size_t i = 0; i < tools.size(); i += 4) {
        const std::string stem = "tool_" + std::to_string(number);
        PtfWriter writer(PtfUnits::Metric);
        appendTool(writer, tools[i], tools[i].name, number++);
        index += toolEntityLine(stem);
        entities.emplace_back(stem, writer.data);
    }
    index += "setup_1.pmlent pmlEntWorkplane 'Datum'\n";
    writeProjectFolder(folder, index, entities, "example-project.pmlprj");
}

std::vector<std::uint8_t> syntheticTemplate(std::size_t count) {
    const auto& tools = metricTools();
    PtfWriter writer(PtfUnits::Metric);
    for (std::size_t i = 0; i < count; ++i) {
        const ExampleTool& tool = tools[i % tools.size()];
        appendTool(writer, tool, std::string(tool.name) + " #" + std::to_string(i), static_cast<int>(i % 999 + 1));
    }
    return writer.data;
}

} // namespace Corvana::Testing

// Writes a large generated template: corvana-make-template TOOL_COUNT OUT.ptf [--heavy]
//
// The default records cycle through the bundled examples (about 1 KB each).
// --heavy writes records closer to what PowerMill itself saves (about 4 KB each):
// several shank and holder sections, cutting data for both phases in every
// operation group, the bookkeeping members PowerMill adds, and a binary
// geometry area with a holder fillet behind each record.

#include "sources/NumberText.h"
#include "tests/support/ExampleTools.h"
#include "tests/support/PtfWriter.h"
#include "tests/support/TestFiles.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

using Corvana::Testing::PtfMembers;

struct HeavyType {
    const char* type;
    const char* label;
    double diameter;
};

constexpr std::array<HeavyType, 6> kHeavyTypes{{{"end_mill", "EM", 12},
                                                 {"ball_nosed", "BALL", 8},
                                                 {"tip_radiused", "BULL", 16},
                                                 {"drill", "DRILL", 8.5},
                                                 {"tap", "TAP M10", 10},
                                                 {"thread_mill", "TM M12", 9.5}}};

constexpr std::array<std::string_view, 6> kGroups{"general", "drill", "slot", "profile", "plunge", "ramp"};

std::string num(double value) { return Corvana::formatJsonNumber(value, 6); }

// Both phases, each with a value per operation group.
std::string cuttingData(double finishing, double roughing) {
    std::string text = "{";
    for (const auto& [phase, base] : {std::pair<std::string_view, double>{"finishing", finishing},
                                      std::pair<std::string_view, double>{"roughing", roughing}}) {
        if (text.size() > 1) text += ',';
        text += '"';
        text += phase;
        text += "\":{";
        for (std::size_t g = 0; g < kGroups.size(); ++g) {
            if (g > 0) text += ',';
            text += '"';
            text += kGroups[g];
            text += "\":\"";
            text += num(base * (1 + 0.05 * static_cast<double>(g)));
            text += '"';
        }
        text += '}';
    }
    text += '}';
    return text;
}

std::string heavyRecord(std::size_t i, const std::string& name) {
    const HeavyType& kind = kHeavyTypes[i % kHeavyTypes.size()];
    const double d = kind.diameter + 0.01 * static_cast<double>(i % 500);
    PtfMembers members{{"Type", kind.type},
                       {"Identifier", name},
                       {"Description", "Generated " + name + " for throughput measurements"},
                       {"Diameter", num(d)},
                       {"Length", num(2.5 * d)},
                       {"Overhang", num(6 * d)},
                       {"TipRadius", num(kind.type == std::string_view("ball_nosed") ? d / 2 : 0.5)},
                       {"NumberOfFlutes", std::to_string(2 + i % 5)},
                       {"Number", "{\"Value\":\"" + std::to_string(i % 999 + 1) + "\"}"},
                       {"StockMaterial", "Steel 1.2311 prehardened"},
                       {"Coolant", "through"},
                       {"Tags", "(\"shop stock\" \"cell 2\" \"generated\" \"measure\")"},
                       {"ShankSetValues",
                        Corvana::Testing::ptfSections({{d, d, 2 * d}, {d, d + 2, 5}, {d + 2, d + 2, 3 * d}})},
                       {"HolderName", "HSK63 Shrink Fit " + std::to_string(static_cast<int>(d))},
                       {"HolderSetValues",
                        Corvana::Testing::ptfSections(
                            {{24, 21, 30}, {32, 24, 40}, {40, 32, 15}, {50, 50, 25, true}, {63, 63, 10}})},
                       {"CuttingSpeed", cuttingData(220, 180)},
                       {"FeedPerTooth", cuttingData(0.006, 0.009)},
                       {"RadialDepthOfCut", cuttingData(0.4, 0.6)},
                       {"AxialDepthOfCut", cuttingData(1.0, 1.5)},
                       {"Pitch", "1.75"}};
    for (const char* key : {"Colour", "Status", "Notes", "Manufacturer", "OrderCode", "GaugeLength",
                            "HolderClearance", "ShankClearance", "MaximumPlunge", "MinimumRadius"})
        members.push_back({key, std::string(key) + " value " + std::to_string(i)});
    return Corvana::Testing::ptfRecord(members);
}

std::vector<std::uint8_t> heavyTemplate(std::size_t count) {
    Corvana::Testing::PtfWriter writer(Corvana::Testing::PtfUnits::Metric);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = std::string(kHeavyTypes[i % kHeavyTypes.size()].label) + " #" + std::to_string(i);
        writer.name(name).filler(64).text(heavyRecord(i, name)).filler(32);
        writer.geometry(Corvana::Testing::PtfGeometryArea().fillet(12, 1.5).filler(1024)).filler(64);
    }
    return writer.data;
}

} // namespace

int main(int argc, char** argv) {
    const bool heavy = argc == 4 && std::string_view(argv[3]) == "--heavy";
    const auto count = argc == 3 || heavy ? Corvana::parseLeadingInteger(argv[1]) : std::nullopt;
    if (!count || *count <= 0) {
        std::fprintf(stderr, "usage: corvana-make-template TOOL_COUNT OUT.ptf [--heavy]\n");
        return 2;
    }
    const auto tools = static_cast<std::size_t>(*count);
    Corvana::Testing::writeBytes(argv[2], heavy ? heavyTemplate(tools) : Corvana::Testing::syntheticTemplate(tools));
    return 0;
}

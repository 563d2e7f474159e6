#include "tests/support/PtfWriter.h"

#include "sources/NumberText.h"
#include "tests/support/TestFiles.h"

#include <bit>

namespace Corvana::Testing {
namespace {

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string number(double value) {
    return inQuotes(formatJsonNumber(value, 6));
}

} // namespace

std::string ptfRecord(const PtfMembers& members) {
    std::string out = "{\"type\":\"tool\"";
    for (const auto& [key, value] : members) {
        const bool nested = !value.empty() && (value[0] == '(' || value[0] == '{');
        out += "," + inQuotes(key) + ":" + (nested ? value : inQuotes(value));
    }
    return out + "}";
}

std::string ptfSections(const std::vector<PtfSection>& sections) {
    std::string out = "(";
    for (const auto& s : sections)
        out += (out.size() > 1 ? " {\"UpperDiameter\":" : "{\"UpperDiameter\":") + number(s.upper) +
               ",\"LowerDiameter\":" + number(s.lower) + ",\"Length\":" + number(s.length) +
               ",\"Ignore\":" + inQuotes(s.ignore ? "1" : "0") + "}";
    return out + ")";
}

PtfGeometryArea::PtfGeometryArea() {
    data.assign({'M', 'c', 'M', 'i', 'l', 'l', 'S', 'p', 'a', 'n'});
    filler(30);
}

PtfGeometryArea& PtfGeometryArea::filler(std::size_t count) {
    data.insert(data.end(), count, 0xFF);
    return *this;
}

PtfGeometryArea& PtfGeometryArea::slots(std::initializer_list<std::optional<double>> values) {
    for (const auto& value : values) {
        const auto bits = std::bit_cast<std::uint64_t>(value.value_or(0));
        for (int shift = 0; shift < 64; shift += 8)
            data.push_back(value ? static_cast<std::uint8_t>(bits >> shift) : 0xFF);
    }
    return *this;
}

PtfGeometryArea& PtfGeometryArea::stepBlend(double sectionLength, double blend) {
    return slots({sectionLength, {}, blend, blend}).filler(40);
}

// From t-16: lead, ratio numerator, 0, slope 2, two gaps, the blend twice.
PtfGeometryArea& PtfGeometryArea::taperBlend(double lead, double halfLowerDiameter, double blend) {
    return slots({lead, 2 * halfLowerDiameter, 0.0, 2.0, {}, {}, blend, blend}).filler(120);
}

// From p-16: r, r squared, f, three gaps, f, f, f + r, a gap, 1.
PtfGeometryArea& PtfGeometryArea::fillet(double r, double f) {
    return slots({r, r * r, f, {}, {}, {}, f, f, f + r, {}, 1.0}).filler(72);
}

// A 112-byte header, then 112 bytes per element, read 112 bytes further on.
PtfGeometryArea& PtfGeometryArea::curve(double r, const std::vector<PtfCurveElement>& elements) {
    slots({r, 0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, r, r * r, 0.0, 0.0, 0.0, 1.0});
    for (const auto& e : elements)
        slots({r, (e.excess + r) * e.slope, 0.0, e.slope, {}, {}, e.length, e.length, {}, {}, {}, {}, {}, {}});
    return filler(240);
}

PtfWriter::PtfWriter(PtfUnits units) {
    filler(24).text("PowerMILL tool template").filler(16);
    if (units != PtfUnits::Absent) text("pmlProjUnits").data.push_back(units == PtfUnits::Metric ? 0 : 1);
}

PtfWriter& PtfWriter::name(std::string_view entityName, std::optional<std::uint16_t> declaredLength) {
    const std::string marker = "pmlEntTool/" + std::string(entityName);
    const auto length = declaredLength.value_or(static_cast<std::uint16_t>(marker.size()));
    data.push_back(static_cast<std::uint8_t>(length & 0xFF));
    data.push_back(static_cast<std::uint8_t>(length >> 8));
    return text(marker);
}

PtfWriter& PtfWriter::text(std::string_view ascii) {
    data.insert(data.end(), ascii.begin(), ascii.end());
    return *this;
}

PtfWriter& PtfWriter::filler(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) data.push_back(static_cast<std::uint8_t>(0x80 + (i * 37) % 0x80));
    return *this;
}

PtfWriter& PtfWriter::geometry(const PtfGeometryArea& area) {
    data.insert(data.end(), area.data.begin(), area.data.end());
    return *this;
}

PtfWriter& PtfWriter::addTool(std::string_view toolName) {
    const std::string record = ptfRecord({
        {"Type", "end_mill"}, {"Identifier", std::string(toolName)}, {"Diameter", "10"}, {"Length", "25"},
        {"NumberOfFlutes", "4"}, {"HolderName", "HSK63 ER32"}, {"Tags", "(\"carbide\")"},
        {"Number", "{\"Value\":\"7\"}"}, {"ShankSetValues", ptfSections({{10, 10, 30}})},
        {"HolderSetValues", ptfSections({{50, 40, 20}, {63, 63, 30}})},
        {"CuttingSpeed", R"({"finishing":{"general":"250"}})"}, {"FeedPerTooth", R"({"finishing":{"general":"0.01"}})"},
    });
    return name(toolName).filler(20).text(record).filler(12).geometry(PtfGeometryArea().fillet(20, 5)).filler(20);
}

std::vector<std::uint8_t> endMillEntity(std::string_view identifier, std::string_view diameter) {
    const std::string record = ptfRecord(
        {{"Type", "end_mill"}, {"Identifier", std::string(identifier)}, {"Diameter", std::string(diameter)}});
    return PtfWriter().name(identifier).filler(8).text(record).filler(16).data;
}

void writeProjectFolder(const std::filesystem::path& folder, const std::string& index,
                        const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entities,
                        const std::string& indexName) {
    std::filesystem::create_directories(folder);
    writeText(folder / indexName, index);
    for (const auto& [stem, bytes] : entities) writeBytes(folder / (stem + ".pmlent"), bytes);
}

std::string toolEntityLine(const std::string& stem) {
    return stem + ".pmlent pmlEntTool '" + stem + "'\n";
}

} // namespace Corvana::Testing

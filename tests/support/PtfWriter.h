#pragma once
// Builds PowerMill template (.ptf) and tool entity (.pmlent) bytes and
// project folders: text records in binary filler, the units key, entity name
// markers and "McMillSpan" geometry areas holding chosen double patterns.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Corvana::Testing {

using PtfMembers = std::vector<std::pair<std::string, std::string>>;

// {"type":"tool" then "Key":"value" per member; values starting with '(' or
// '{' (lists, sections, cutting data) are written unquoted.
std::string ptfRecord(const PtfMembers& members);

struct PtfSection {
    double upper, lower, length;
    bool ignore = false;
};
std::string ptfSections(const std::vector<PtfSection>& sections);  // ({..} {..})

struct PtfCurveElement {
    double excess, slope, length;
};

// The marker, then 0xFF filler (NaN or a huge negative number in any
// alignment), so only the placed doubles can complete a pattern.
class PtfGeometryArea {
public:
    PtfGeometryArea();
    PtfGeometryArea& filler(std::size_t count);
    PtfGeometryArea& slots(std::initializer_list<std::optional<double>> values);  // empty slot: filler
    PtfGeometryArea& stepBlend(double sectionLength, double blend);
    PtfGeometryArea& taperBlend(double lead, double halfLowerDiameter, double blend);
    PtfGeometryArea& fillet(double baseRadius, double filletRadius);
    PtfGeometryArea& curve(double radius, const std::vector<PtfCurveElement>& elements);
    std::vector<std::uint8_t> data;
};

enum class PtfUnits { Metric, Inch, Absent };

class PtfWriter {
public:
    explicit PtfWriter(PtfUnits units = PtfUnits::Metric);
    // Length bytes (marker plus name unless overridden), "pmlEntTool/", name.
    PtfWriter& name(std::string_view entityName, std::optional<std::uint16_t> declaredLength = std::nullopt);
    PtfWriter& text(std::string_view ascii);
    PtfWriter& filler(std::size_t count);  // bytes above 0x7F
    PtfWriter& geometry(const PtfGeometryArea& area);
    PtfWriter& addTool(std::string_view toolName);  // an end mill with sections, cutting data and a fillet
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> endMillEntity(std::string_view identifier, std::string_view diameter = "10");

// Writes `index` (an entity index text) as `indexName` and each entity as stem.pmlent.
void writeProjectFolder(const std::filesystem::path& folder, const std::string& index,
                        const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entities = {},
                        const std::string& indexName = "project.pmlprj");
std::string toolEntityLine(const std::string& stem);  // "stem.pmlent pmlEntTool 'stem'\n"

} // namespace Corvana::Testing

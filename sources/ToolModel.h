#pragma once
// The one record every PowerMill source is read into, with its companion
// records and the readers' progress protocol.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvana {

struct ShankSegment {
    double upperDiameter = 0;
    double lowerDiameter = 0;
    double length = 0;
    double filletRadius = 0;
};

struct HolderSegment {
    double upperDiameter = 0;
    double lowerDiameter = 0;
    double length = 0;
    bool ignore = false;
    double blendLength = 0;
    double filletRadius = 0;
    double curveRadius = 0;
};

// A plain cone: diameters in field order (upper end first), no rounding.
inline HolderSegment holderCone(double upperDiameter, double lowerDiameter, double length) {
    HolderSegment segment;
    segment.upperDiameter = upperDiameter;
    segment.lowerDiameter = lowerDiameter;
    segment.length = length;
    return segment;
}

struct CuttingPreset {
    std::string name;
    std::string material;
    std::string coolant;
    double cuttingSpeed = 0;
    double feedPerTooth = 0;      // ratio of the diameter
    double radialDepthOfCut = 0;  // ratio of the diameter
    double axialDepthOfCut = 0;   // ratio of the diameter
};

enum ThreadSeries : std::int32_t {
    SeriesNone = 0,
    SeriesUNC = 1,
    SeriesUNF = 2,
    SeriesUNEF = 3,
    SeriesNPT = 4,
    SeriesNPTF = 5,
    SeriesBSPT = 6,
    SeriesBSPP = 7,
};

// A thread designation read from a tool name.
struct ThreadCandidate {
    bool isMetric = false;
    bool hasSize = false;
    double inchSize = 0;        // inches
    double metricNominal = 0;   // mm, from an "M" designation
    bool isNumbered = false;    // a "#N" size
    std::int32_t sizeNumber = -1;
    double tpi = 0;
    bool hasPitch = false;
    double pitch = 0;           // in the designation's own unit
    ThreadSeries series = SeriesNone;
    std::string label;
};

// Which of a tool's texts a classification result came from.
enum class TextSource : std::int32_t { None = 0, Tags = 1, Description = 2, Name = 3 };

// Roughing or finishing as a tool's texts name it.
enum class ToolRole : std::int32_t { None = 0, Roughing = 1, Finishing = 2 };

struct ToolModel {
    bool isMetric = false;
    std::string identifier;
    std::string entityName;
    std::string name;
    std::string sourceKind;
    std::string sourceDetail;
    std::string type;
    std::int32_t typeCode = 0;
    std::int32_t number = 0;
    double diameter = 0;
    double length = 0;
    double overhang = 0;
    double tipRadius = 0;
    double taperAngle = 0;
    double taperDiameter = 0;
    double taperHeight = 0;
    double barrelRadius = 0;
    double tipRadiusCentreY = 0;
    double tipRadiusCentreX = 0;
    double upperTipRadius = 0;
    bool flatBottom = true;
    double pitch = 0;
    std::int32_t numFlutes = 0;
    std::int32_t tapHand = -1;  // 0 left, 1 right, other values unknown
    bool spindleClockwise = true;
    std::string displayUnit;    // "millimeters", "inches" or empty for the own unit
    std::string holderName;
    std::string material;
    std::string coolant;
    std::vector<std::string> tags;
    std::string description;
    std::vector<ShankSegment> shankSegments;
    std::vector<HolderSegment> holderSegments;
    std::vector<CuttingPreset> presets;
    std::string presetsJson;
    bool usePresets = true;
    bool assignStrategies = false;
    // Filled by classification.
    std::string toolMaterial;
    TextSource toolMaterialSource = TextSource::None;
    std::int32_t nameHand = 0;
    TextSource handSource = TextSource::None;
    bool clockwise = true;
    std::vector<ThreadCandidate> threadCandidates;
    std::vector<std::int32_t> keywordKinds;
    TextSource keywordSource = TextSource::None;
    ToolRole rfRole = ToolRole::None;
    bool classified = false;
    bool rawHolderProfile = false;
};

enum ToolTypeCode : std::int32_t {
    TypeUnknown = 0,
    TypeEndMill = 1,
    TypeBallNosed = 2,
    TypeTipRadiused = 3,
    TypeTaperTipped = 4,
    TypeTaperSpherical = 5,
    TypeTippedDisc = 6,
    TypeBarrel = 7,
    TypeDovetail = 8,
    TypeOffCentreTipRad = 9,
    TypeDrill = 10,
    TypeTap = 11,
    TypeThreadMill = 12,
    TypeProbe = 13,
    TypeForm = 14,
    TypeRouting = 15,
    TypeTurnProfiling = 16,
    TypeTurnGrooving = 17,
};

// Exact, case-sensitive lookup of a PowerMill type key; 0 for any other key.
std::int32_t typeCodeFor(std::string_view typeKey);

// Form, routing and the turning types cannot be written to Fusion.
inline bool isUnsupportedTypeCode(std::int32_t code) {
    return code >= TypeForm && code <= TypeTurnGrooving;
}

// Called once with (0, total, nullptr) and then once per kept tool with the
// count kept so far. The pointer is valid only during the call; the step that
// runs a reader may complete the tool through it (classification) before
// reporting it, and the reader keeps that completed tool.
using ToolProgressFn = std::function<void(std::int32_t index, std::int32_t total, ToolModel* tool)>;

} // namespace Corvana

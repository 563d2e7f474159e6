#include "sources/PtfParser.h"

#include "platform/AsciiText.h"
#include "sources/FileBytes.h"
#include "sources/NumberText.h"
#include "sources/PtfGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>

namespace Corvana {
namespace {

constexpr std::string_view kRecordStart = "{\"type\":\"tool\"";
constexpr std::string_view kNameMarker = "pmlEntTool/";
constexpr std::string_view kGeometryMarker = "McMillSpan";
constexpr std::string_view kUnitsKey = "pmlProjUnits";
constexpr std::size_t npos = std::string_view::npos;

// One tool record: from its "{"type":"tool"" to the next one or the end.
struct PtfToolChunk {
    std::string_view text;
    std::size_t start = 0;
    std::size_t end = 0;
};

// What every record of one file shares.
struct PtfFile {
    std::span<const std::uint8_t> bytes;
    std::string_view text;  // the same bytes as characters
    bool isMetric = false;
    std::vector<std::size_t> nameMarkers;
    std::vector<std::size_t> geometryMarkers;
};

std::string_view asChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool isHighByte(char c) { return static_cast<unsigned char>(c) > 0x7F; }

// Records are ASCII text; a byte above 0x7F inside a value reads as a blank.
// Searches run on the file bytes themselves (every marker is ASCII), and only
// the values taken out are blanked.
std::string blankedText(std::string_view value) {
    std::string text(value);
    for (char& c : text)
        if (isHighByte(c)) c = ' ';
    return text;
}

// The value itself, or its blanked copy in `scratch` when it holds a high byte.
std::string_view blankedView(std::string_view value, std::string& scratch) {
    if (std::none_of(value.begin(), value.end(), isHighByte)) return value;
    scratch = blankedText(value);
    return scratch;
}

double lengthOf(std::string_view value, bool isMetric) {
    std::string scratch;
    return parseLengthText(blankedView(value, scratch), isMetric);
}

std::optional<std::int32_t> int32Of(std::string_view value) {
    std::string scratch;
    return parseLeadingInt32(blankedView(value, scratch));
}

std::vector<std::size_t> findAll(std::string_view haystack, std::string_view needle) {
    std::vector<std::size_t> offsets;
    for (std::size_t pos = haystack.find(needle); pos != npos; pos = haystack.find(needle, pos + 1))
        offsets.push_back(pos);
    return offsets;
}

// Metric exactly when the first units key is followed by a zero byte.
bool isMetricFile(std::string_view text) {
    const std::size_t key = text.find(kUnitsKey);
    if (key == npos) return false;
    const std::size_t after = key + kUnitsKey.size();
    return after < text.size() && text[after] == '\0';
}

std::vector<PtfToolChunk> cutChunks(std::string_view text) {
    const std::vector<std::size_t> starts = findAll(text, kRecordStart);
    std::vector<PtfToolChunk> chunks;
    chunks.reserve(starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        chunks.push_back({text.substr(starts[i], end - starts[i]), starts[i], end});
    }
    return chunks;
}

// ---- Key lookups -------------------------------------------------------------

// Offset just past the first '"' + key starting at `from` or later, or npos.
std::size_t nextKey(std::string_view text, std::string_view key, std::size_t from) {
    for (std::size_t pos = text.find(key, std::max<std::size_t>(from, 1)); pos != npos; pos = text.find(key, pos + 1))
        if (text[pos - 1] == '"') return pos + key.size();
    return npos;
}

// Offset just past the first '"' + key + tail in the text, or npos.
std::size_t findKey(std::string_view text, std::string_view key, std::string_view tail) {
    for (std::size_t at = nextKey(text, key, 1); at != npos; at = nextKey(text, key, at - key.size() + 1))
        if (text.substr(at, tail.size()) == tail) return at + tail.size();
    return npos;
}

// The text from `begin` to the next '"'; empty when no quote closes it.
std::string_view quotedFrom(std::string_view text, std::size_t begin) {
    const std::size_t close = text.find('"', begin);
    if (close == npos) return {};
    return text.substr(begin, close - begin);
}

// "Key":"value", else the first element of "Key":("a" ...); empty when absent.
// One pass: a list value seen first is kept until a plain value turns up.
std::string_view findStringValue(std::string_view record, std::string_view key) {
    constexpr std::string_view plain = "\":\"", list = "\":(\"";
    std::size_t listAt = npos;
    for (std::size_t at = nextKey(record, key, 1); at != npos; at = nextKey(record, key, at - key.size() + 1)) {
        const std::string_view rest = record.substr(at);
        if (rest.starts_with(plain)) return quotedFrom(record, at + plain.size());
        if (listAt == npos && rest.starts_with(list)) listAt = at + list.size();
    }
    return listAt == npos ? std::string_view() : quotedFrom(record, listAt);
}

double readLength(std::string_view record, std::string_view key, bool isMetric) {
    return lengthOf(findStringValue(record, key), isMetric);
}

double readPlain(std::string_view record, std::string_view key) {
    std::string scratch;
    return parseLeadingDouble(blankedView(findStringValue(record, key), scratch)).value_or(0);
}

std::int32_t readInteger(std::string_view record, std::string_view key) {
    return int32Of(findStringValue(record, key)).value_or(0);
}

std::string readText(std::string_view record, std::string_view key) {
    return blankedText(findStringValue(record, key));
}

// Cutting data is read as quantity -> strategy -> operation group, e.g.
// CuttingSpeed/finishing/general. The text after "Quantity": where its
// strategies are looked up; empty when the quantity is absent.
std::string_view quantityWindow(std::string_view record, std::string_view quantity) {
    const std::size_t quantityAt = findKey(record, quantity, "\":");
    return quantityAt == npos ? std::string_view() : record.substr(quantityAt, 1000);
}

double readCuttingValue(std::string_view window, std::string_view strategy, std::string_view group) {
    const std::size_t strategyAt = findKey(window, strategy, "\":{");
    if (strategyAt == npos) return 0;
    return readPlain(window.substr(strategyAt, 500), group);
}

// The text between "Key":( and the first ')' after it; empty when either is missing.
std::string_view listBody(std::string_view record, std::string_view key) {
    const std::size_t at = findKey(record, key, "\":(");
    if (at == npos) return {};
    const std::size_t close = record.find(')', at);
    if (close == npos) return {};
    return record.substr(at, close - at);
}

// Each {...} object of a list body, up to the first '}' after its '{'.
std::vector<std::string_view> listObjects(std::string_view body) {
    std::vector<std::string_view> objects;
    for (std::size_t open = body.find('{'); open != npos; open = body.find('{', open + 1)) {
        const std::size_t close = body.find('}', open);
        if (close == npos) break;
        objects.push_back(body.substr(open, close - open + 1));
        open = close;
    }
    return objects;
}

// ---- Record fields -----------------------------------------------------------

// The name stored with the last "pmlEntTool/" marker before the record, after
// the marker's little-endian length of marker plus name; empty when unusable.
std::string entityNameBefore(const PtfFile& file, std::size_t recordStart) {
    const auto after = std::lower_bound(file.nameMarkers.begin(), file.nameMarkers.end(), recordStart);
    if (after == file.nameMarkers.begin()) return {};
    const std::size_t marker = *(after - 1);
    if (marker < 2) return {};
    const std::size_t total = file.bytes[marker - 2] | (static_cast<std::size_t>(file.bytes[marker - 1]) << 8);
    if (total <= kNameMarker.size() || total > file.bytes.size() - marker) return {};
    std::string_view name = asChars(file.bytes).substr(marker + kNameMarker.size(), total - kNameMarker.size());
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.remove_suffix(1);
    return std::string(name);
}

void readDimensions(ToolModel& tool, std::string_view record) {
    tool.diameter = readLength(record, "Diameter", tool.isMetric);
    tool.length = readLength(record, "Length", tool.isMetric);
    tool.overhang = readLength(record, "Overhang", tool.isMetric);
    tool.tipRadius = readLength(record, "TipRadius", tool.isMetric);
    tool.taperAngle = readPlain(record, "TaperAngle");
    if (tool.type == "drill") {
        const double drillAngle = readPlain(record, "DrillAngle");
        if (drillAngle > 0) tool.taperAngle = drillAngle;
    }
    tool.taperDiameter = readLength(record, "TaperDiameter", tool.isMetric);
    tool.taperHeight = readLength(record, "TaperHeight", tool.isMetric);
    tool.barrelRadius = readLength(record, "BarrelRadius", tool.isMetric);
    tool.upperTipRadius = readLength(record, "UpperTipRadius", tool.isMetric);
    tool.flatBottom = findStringValue(record, "FlatBottom") != "0";
}

// "TipRadiusCentre":("x" "y"): the second value starts three characters
// after the first one's closing quote.
void readTipRadiusCentre(ToolModel& tool, std::string_view record) {
    const std::size_t first = findKey(record, "TipRadiusCentre", "\":(\"");
    if (first == npos) return;
    const std::size_t firstClose = record.find('"', first);
    if (firstClose == npos || firstClose + 3 > record.size()) return;
    tool.tipRadiusCentreX = lengthOf(record.substr(first, firstClose - first), tool.isMetric);
    const std::size_t second = firstClose + 3;
    const std::size_t secondClose = record.find('"', second);
    if (secondClose == npos) return;
    tool.tipRadiusCentreY = lengthOf(record.substr(second, secondClose - second), tool.isMetric);
}

void readTexts(ToolModel& tool, std::string_view record) {
    tool.holderName = readText(record, "HolderName");
    tool.material = readText(record, "StockMaterial");
    tool.coolant = readText(record, "Coolant");
    tool.description = readText(record, "Description");
    const std::string_view body = listBody(record, "Tags");
    for (std::size_t open = body.find('"'); open != npos; open = body.find('"', open + 1)) {
        const std::size_t close = body.find('"', open + 1);
        if (close == npos) break;
        if (close > open + 1) tool.tags.push_back(blankedText(body.substr(open + 1, close - open - 1)));
        open = close;
    }
}

void readSections(ToolModel& tool, std::string_view record) {
    for (const auto object : listObjects(listBody(record, "ShankSetValues"))) {
        tool.shankSegments.push_back({readLength(object, "UpperDiameter", tool.isMetric),
                                      readLength(object, "LowerDiameter", tool.isMetric),
                                      readLength(object, "Length", tool.isMetric), 0});
    }
    for (const auto object : listObjects(listBody(record, "HolderSetValues"))) {
        HolderSegment section;
        section.upperDiameter = readLength(object, "UpperDiameter", tool.isMetric);
        section.lowerDiameter = readLength(object, "LowerDiameter", tool.isMetric);
        section.length = readLength(object, "Length", tool.isMetric);
        section.ignore = findStringValue(object, "Ignore") == "1";
        tool.holderSegments.push_back(section);
    }
}

void readNumbers(ToolModel& tool, std::string_view record) {
    tool.numFlutes = readInteger(record, "NumberOfFlutes");
    const std::size_t numberAt = findKey(record, "Number", "\":{\"Value\":\"");
    if (numberAt != npos) tool.number = int32Of(quotedFrom(record, numberAt)).value_or(0);
}

// A preset per strategy that has a cutting speed or a feed per tooth.
void readPresets(ToolModel& tool, std::string_view record) {
    static constexpr std::pair<std::string_view, std::string_view> strategies[] = {
        {"finishing", "Finishing"}, {"roughing", "Roughing"}};
    const std::string_view speeds = quantityWindow(record, "CuttingSpeed");
    const std::string_view feeds = quantityWindow(record, "FeedPerTooth");
    const std::string_view radialDepths = quantityWindow(record, "RadialDepthOfCut");
    const std::string_view axialDepths = quantityWindow(record, "AxialDepthOfCut");
    for (const auto& [strategy, presetName] : strategies) {
        CuttingPreset preset;
        preset.cuttingSpeed = readCuttingValue(speeds, strategy, "general");
        preset.feedPerTooth = readCuttingValue(feeds, strategy, "general");
        if (!(preset.cuttingSpeed > 0) && !(preset.feedPerTooth > 0)) continue;
        preset.radialDepthOfCut = readCuttingValue(radialDepths, strategy, "general");
        preset.axialDepthOfCut = readCuttingValue(axialDepths, strategy, "general");
        preset.name = presetName;
        preset.material = tool.material;
        preset.coolant = tool.coolant;
        tool.presets.push_back(std::move(preset));
    }
}

// Taps keep their pitch as the drilling feed per tooth.
void readPitch(ToolModel& tool, std::string_view record) {
    if (tool.type == "thread_mill") {
        tool.pitch = readLength(record, "Pitch", tool.isMetric);
        return;
    }
    if (tool.type != "tap") return;
    const std::string_view feeds = quantityWindow(record, "FeedPerTooth");
    const double finishing = readCuttingValue(feeds, "finishing", "drill");
    const double roughing = readCuttingValue(feeds, "roughing", "drill");
    tool.pitch = finishing > 0 ? finishing : (roughing > 0 ? roughing : 0);
}

// Tools without a diameter are of no use, except the types that have none.
bool hasUsableDiameter(const ToolModel& tool) {
    if (tool.diameter > 0) return true;
    return tool.type == "form" || tool.type == "routing" || tool.type == "turn_profiling" ||
           tool.type == "turn_grooving";
}

void recoverChunkGeometry(ToolModel& tool, const PtfFile& file, const PtfToolChunk& chunk) {
    const auto marker = std::lower_bound(file.geometryMarkers.begin(), file.geometryMarkers.end(), chunk.start);
    if (marker == file.geometryMarkers.end() || *marker >= chunk.end) return;
    recoverBinaryGeometry(tool, file.bytes, *marker, chunk.end);
}

// Fills `tool` from the chunk; false when the record is no usable tool.
bool readTool(const PtfFile& file, const PtfToolChunk& chunk, ToolModel& tool) {
    const std::string_view record = chunk.text;
    tool.isMetric = file.isMetric;
    tool.type = readText(record, "Type");
    if (tool.type.empty()) return false;
    tool.identifier = readText(record, "Identifier");
    tool.entityName = tool.identifier;
    tool.name = entityNameBefore(file, chunk.start);
    if (tool.name.empty()) tool.name = tool.identifier;
    tool.sourceKind = "PTF";
    readDimensions(tool, record);
    if (!hasUsableDiameter(tool)) return false;
    readTipRadiusCentre(tool, record);
    readTexts(tool, record);
    readSections(tool, record);
    readNumbers(tool, record);
    readPresets(tool, record);
    readPitch(tool, record);
    recoverChunkGeometry(tool, file, chunk);
    tool.typeCode = typeCodeFor(tool.type);
    return true;
}

} // namespace

double parseLengthText(std::string_view text, bool isMetric) {
    if (text.empty()) return 0;
    bool inMillimetres = false;
    if (text.size() >= 2) {
        const char unit[2] = {lowerAscii(text[text.size() - 2]), lowerAscii(text.back())};
        inMillimetres = unit[0] == 'm' && unit[1] == 'm';
        if (inMillimetres || (unit[0] == 'i' && unit[1] == 'n')) text.remove_suffix(2);
    }
    double value = 0;
    if (const std::size_t slash = text.find('/'); slash != npos) {
        const auto numerator = parseLeadingDouble(text.substr(0, slash));
        const auto divisor = parseLeadingDouble(text.substr(slash + 1));
        if (numerator && divisor && *divisor != 0) value = *numerator / *divisor;
        // "1e300/1e-300" overflows; a length is never infinite.
        if (!std::isfinite(value)) value = 0;
    } else {
        value = parseLeadingDouble(text).value_or(0);
    }
    return (!isMetric && inMillimetres) ? value / 25.4 : value;
}

std::vector<ToolModel> parsePtfBytes(std::span<const std::uint8_t> bytes, const ToolProgressFn& progress) {
    std::vector<ToolModel> tools;
    if (bytes.empty()) return tools;
    PtfFile file;
    file.bytes = bytes;
    file.text = asChars(bytes);
    file.isMetric = isMetricFile(file.text);
    file.nameMarkers = findAll(file.text, kNameMarker);
    file.geometryMarkers = findAll(file.text, kGeometryMarker);
    const std::vector<PtfToolChunk> chunks = cutChunks(file.text);
    const std::int32_t total = clampedCount(chunks.size());
    if (progress) progress(0, total, nullptr);
    tools.reserve(chunks.size());
    for (const auto& chunk : chunks) {
        // Built in its place in the list: a tool record is large to move.
        if (!readTool(file, chunk, tools.emplace_back())) {
            tools.pop_back();
            continue;
        }
        if (progress) progress(clampedCount(tools.size()), total, &tools.back());
    }
    return tools;
}

std::vector<ToolModel> parsePtfFile(const std::string& path, const ToolProgressFn& progress) {
    const auto bytes = readRegularFile(path);
    if (!bytes || bytes->empty()) return {};
    return parsePtfBytes(*bytes, progress);
}

} // namespace Corvana

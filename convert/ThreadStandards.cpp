#include "convert/ThreadStandards.h"

#include "convert/ThreadTables.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace Corvana {

namespace detail {

bool isPipeSeries(ThreadSeries series) {
    return series >= SeriesNPT && series <= SeriesBSPP;
}

std::string seriesSuffix(ThreadSeries series) {
    static constexpr std::array<const char*, 8> suffixes{"",     " UNC",  " UNF",  " UNEF",
                                                         " NPT", " NPTF", " BSPT", " BSPP"};
    if (series < SeriesNone || series > SeriesBSPP) return "";
    return suffixes[static_cast<std::size_t>(series)];
}

} // namespace detail

namespace {

using detail::isPipeSeries;
using detail::pipeTable;
using detail::PipeThreadSize;
using detail::seriesSuffix;

constexpr double mmPerInch = 25.4;
constexpr std::size_t maxPitchCandidates = 4;

// Unified inch screw threads (ASME B1.1), ascending diameter.
constexpr std::array<InchThreadSize, 36> inchTable{{
    {0.06, "#0", 0, 80, 0},        {0.073, "#1", 64, 72, 0},     {0.086, "#2", 56, 64, 0},
    {0.099, "#3", 48, 56, 0},      {0.112, "#4", 40, 48, 0},     {0.125, "#5", 40, 44, 0},
    {0.138, "#6", 32, 40, 0},      {0.164, "#8", 32, 36, 0},     {0.19, "#10", 24, 32, 0},
    {0.216, "#12", 24, 28, 32},    {0.25, "1/4", 20, 28, 32},    {0.3125, "5/16", 18, 24, 32},
    {0.375, "3/8", 16, 24, 32},    {0.4375, "7/16", 14, 20, 28}, {0.5, "1/2", 13, 20, 28},
    {0.5625, "9/16", 12, 18, 24},  {0.625, "5/8", 11, 18, 24},   {0.6875, "11/16", 0, 0, 24},
    {0.75, "3/4", 10, 16, 20},     {0.8125, "13/16", 0, 0, 20},  {0.875, "7/8", 9, 14, 20},
    {0.9375, "15/16", 0, 0, 20},   {1.0, "1", 8, 12, 20},        {1.0625, "1-1/16", 0, 0, 18},
    {1.125, "1-1/8", 7, 12, 18},   {1.1875, "1-3/16", 0, 0, 18}, {1.25, "1-1/4", 7, 12, 18},
    {1.3125, "1-5/16", 0, 0, 18},  {1.375, "1-3/8", 6, 12, 18},  {1.4375, "1-7/16", 0, 0, 18},
    {1.5, "1-1/2", 6, 12, 18},     {1.5625, "1-9/16", 0, 0, 18}, {1.625, "1-5/8", 0, 0, 18},
    {1.6875, "1-11/16", 0, 0, 18}, {1.75, "1-3/4", 5, 0, 0},     {2.0, "2", 4.5, 0, 0},
}};

const std::vector<MetricThreadSize>& metricTable() {
    // ISO 261 coarse pitch first, then the fine pitches in descending order.
    static const std::vector<MetricThreadSize> table{
        {1, {0.25, 0.2}},   {1.2, {0.25, 0.2}}, {1.4, {0.3, 0.2}},   {1.6, {0.35, 0.2}},
        {1.8, {0.35, 0.2}}, {2, {0.4, 0.25}},   {2.5, {0.45, 0.35}}, {3, {0.5, 0.35}},
        {3.5, {0.6, 0.35}}, {4, {0.7, 0.5}},    {4.5, {0.75, 0.5}},  {5, {0.8, 0.5}},
        {6, {1.0, 0.75, 0.5}},           {7, {1.0, 0.75}},
        {8, {1.25, 1.0, 0.75}},          {9, {1.25, 1.0, 0.75}},
        {10, {1.5, 1.25, 1.0, 0.75}},    {11, {1.5, 1.0, 0.75}},
        {12, {1.75, 1.5, 1.25, 1.0, 0.75}},
        {14, {2.0, 1.5, 1.25, 1.0}},     {16, {2.0, 1.5, 1.0}},
        {18, {2.5, 2.0, 1.5, 1.0}},      {20, {2.5, 2.0, 1.5, 1.0}},
        {22, {2.5, 2.0, 1.5, 1.0}},      {24, {3.0, 2.0, 1.5, 1.0}},
        {27, {3.0, 2.0, 1.5, 1.0}},      {30, {3.5, 3.0, 2.0, 1.5, 1.0}},
        {33, {3.5, 3.0, 2.0, 1.5, 1.0}}, {36, {4.0, 3.0, 2.0, 1.5, 1.0}},
        {39, {4.0, 3.0, 2.0, 1.5, 1.0}}, {42, {4.5, 4.0, 3.0, 2.0, 1.5}},
        {45, {4.5, 4.0, 3.0, 2.0, 1.5}}, {48, {5.0, 4.0, 3.0, 2.0, 1.5}},
        {52, {5.0, 4.0, 3.0, 2.0, 1.5}}, {56, {5.5, 4.0, 3.0, 2.0, 1.5}},
        {60, {5.5, 4.0, 3.0, 2.0, 1.5}}, {64, {6.0, 4.0, 3.0, 2.0, 1.5}},
    };
    return table;
}

double toUnit(double value, bool fromMetric, bool toMetric) {
    if (fromMetric == toMetric) return value;
    return toMetric ? value * mmPerInch : value / mmPerInch;
}

// Row closest to `value` (ties: the first) and its distance; null for a non-finite value.
template <typename Row, typename DiameterOf>
std::pair<const Row*, double> closestRow(std::span<const Row> rows, double value,
                                         DiameterOf diameterOf) {
    if (!std::isfinite(value)) return {nullptr, 0};
    const Row* best = nullptr;
    double bestDistance = 0;
    for (const Row& row : rows) {
        const double distance = std::fabs(diameterOf(row) - value);
        if (best != nullptr && distance >= bestDistance) continue;
        best = &row;
        bestDistance = distance;
    }
    return {best, bestDistance};
}

double inchDiameter(const InchThreadSize& row) { return row.diameter; }
double metricDiameter(const MetricThreadSize& row) { return row.nominal; }

double tpiOf(const InchThreadSize& row, ThreadSeries series) {
    if (series == SeriesUNC) return row.tpiUNC;
    if (series == SeriesUNF) return row.tpiUNF;
    return series == SeriesUNEF ? row.tpiUNEF : 0;
}

std::vector<PitchCandidate> metricRowCandidates(const MetricThreadSize& row) {
    std::vector<PitchCandidate> list;
    for (std::size_t i = 0; i < row.pitches.size(); ++i) {
        PitchCandidate candidate;
        candidate.label = "M" + formatPaletteNumber(row.nominal) + " x " +
                          formatPaletteNumber(row.pitches[i]) + (i == 0 ? " (coarse)" : " (fine)");
        candidate.pitch = row.pitches[i];
        candidate.nominal = row.nominal;
        candidate.isMetric = true;
        candidate.isPrimary = i == 0;
        list.push_back(std::move(candidate));
    }
    return list;
}

// Series pitches of an inch row, `firstSeries` (when Unified) ahead of the usual
// UNC, UNF, UNEF order; the primary one is the size's first series in that usual order.
std::vector<PitchCandidate> inchRowCandidates(const InchThreadSize& row, ThreadSeries firstSeries) {
    std::vector<ThreadSeries> order{SeriesUNC, SeriesUNF, SeriesUNEF};
    const auto preferred = std::find(order.begin(), order.end(), firstSeries);
    if (preferred != order.end()) std::rotate(order.begin(), preferred, preferred + 1);
    ThreadSeries primary = SeriesNone;
    for (const ThreadSeries series : {SeriesUNC, SeriesUNF, SeriesUNEF})
        if (primary == SeriesNone && tpiOf(row, series) > 0) primary = series;
    std::vector<PitchCandidate> list;
    for (const ThreadSeries series : order) {
        const double tpi = tpiOf(row, series);
        if (tpi <= 0) continue;
        PitchCandidate candidate;
        candidate.label = std::string(row.name) + "-" + formatPaletteNumber(tpi) + seriesSuffix(series);
        candidate.pitch = 1.0 / tpi;
        candidate.tpi = tpi;
        candidate.nominal = row.diameter;
        candidate.isPrimary = series == primary;
        list.push_back(std::move(candidate));
    }
    return list;
}

double drillTolerance(double pitch, bool isMetric) {
    const bool fine = pitch > 0 && pitch < (isMetric ? 1.0 : 0.04);
    if (isMetric) return fine ? 0.203 : 0.406;
    return fine ? 0.008 : 0.016;
}

bool pitchMatchesStandard(double nominal, double pitch, bool isMetric) {
    for (const PitchCandidate& candidate : standardPitchCandidates(nominal, isMetric))
        if (std::fabs(candidate.pitch - pitch) <= 0.15 * candidate.pitch) return true;
    return false;
}

// Label of a hinted nominal: the nearest table size within the tolerance, else the number.
std::string hintedLabel(double nominal, bool isMetric, double tolerance) {
    std::string label;
    if (nearestNominal(nominal, isMetric, tolerance, label) > 0) return label;
    return isMetric ? "M" + formatPaletteNumber(nominal) : formatPaletteNumber(nominal);
}

const PipeThreadSize* pipeRowFor(double size) {
    for (const PipeThreadSize& row : pipeTable)
        if (std::fabs(row.size - size) <= 0.001) return &row;
    return nullptr;
}

std::vector<PitchCandidate> pipeCandidates(const ThreadCandidate& designation) {
    const PipeThreadSize* row = pipeRowFor(designation.inchSize);
    if (row == nullptr) return {};
    const bool taper = designation.series == SeriesNPT || designation.series == SeriesNPTF;
    const double tpi = taper ? row->tpiNpt : row->tpiBritish;
    if (tpi <= 0) return {};
    PitchCandidate candidate;
    candidate.label = std::string(row->name) + "-" + formatPaletteNumber(tpi) + seriesSuffix(designation.series);
    candidate.pitch = 1.0 / tpi;
    candidate.tpi = tpi;
    candidate.nominal = row->size;
    candidate.isPrimary = true;
    return {candidate};
}

std::vector<PitchCandidate> sizeCandidates(const ThreadCandidate& designation) {
    if (designation.isMetric) {
        const MetricThreadSize* row = nearestMetricSize(designation.metricNominal);
        return row != nullptr ? metricRowCandidates(*row) : std::vector<PitchCandidate>{};
    }
    if (isPipeSeries(designation.series)) return pipeCandidates(designation);
    const InchThreadSize* row = designation.isNumbered ? inchSizeByNumber(designation.sizeNumber)
                                                       : nearestInchSize(designation.inchSize);
    return row != nullptr ? inchRowCandidates(*row, designation.series) : std::vector<PitchCandidate>{};
}

// The pitch a name states goes first: the matching standard pitch, or the stated one itself.
void putNamedPitchFirst(std::vector<PitchCandidate>& list, const ThreadCandidate& designation) {
    if (!designation.hasPitch || !std::isfinite(designation.pitch) || !(designation.pitch > 0)) return;
    const auto match = std::find_if(list.begin(), list.end(), [&](const PitchCandidate& candidate) {
        return std::fabs(candidate.pitch - designation.pitch) <= 0.001;
    });
    if (match != list.end()) {
        std::rotate(list.begin(), match, match + 1);
        return;
    }
    PitchCandidate named;
    named.label = designation.label;
    named.pitch = designation.pitch;
    named.tpi = designation.isMetric ? 0 : designation.tpi;
    named.nominal = designation.isMetric ? designation.metricNominal : designation.inchSize;
    named.isMetric = designation.isMetric;
    list.insert(list.begin(), std::move(named));
}

void appendUnlisted(std::vector<PitchCandidate>& list, PitchCandidate candidate) {
    for (const PitchCandidate& listed : list)
        if (listed.label == candidate.label) return;
    list.push_back(std::move(candidate));
}

std::vector<PitchCandidate> nameCandidates(const std::vector<ThreadCandidate>& designations) {
    std::vector<PitchCandidate> list;
    for (const ThreadCandidate& designation : designations) {
        if (list.size() >= maxPitchCandidates) break;
        std::vector<PitchCandidate> own = sizeCandidates(designation);
        putNamedPitchFirst(own, designation);
        for (PitchCandidate& candidate : own) appendUnlisted(list, std::move(candidate));
    }
    return list;
}

bool hasPipeDesignation(const std::vector<ThreadCandidate>& designations) {
    return std::any_of(designations.begin(), designations.end(),
                       [](const ThreadCandidate& designation) { return isPipeSeries(designation.series); });
}

} // namespace

std::span<const InchThreadSize> inchThreadSizes() {
    return inchTable;
}

std::span<const MetricThreadSize> metricThreadSizes() {
    return metricTable();
}

const InchThreadSize* nearestInchSize(double diameterInch) {
    const auto [row, distance] = closestRow(inchThreadSizes(), diameterInch, inchDiameter);
    if (row == nullptr || distance > 0.12 * row->diameter) return nullptr;
    return row;
}

const MetricThreadSize* nearestMetricSize(double diameterMm) {
    const auto [row, distance] = closestRow(metricThreadSizes(), diameterMm, metricDiameter);
    if (row == nullptr || distance > 0.12 * row->nominal) return nullptr;
    return row;
}

const InchThreadSize* inchSizeByNumber(int number) {
    for (const InchThreadSize& row : inchTable) {
        if (row.name[0] != '#') continue;
        const auto rowNumber = parseLeadingInt32(row.name + 1);
        if (rowNumber && *rowNumber == number) return &row;
    }
    return nullptr;
}

double nearestNominal(double value, bool isMetric, double tolerance, std::string& label) {
    label.clear();
    if (isMetric) {
        const auto [row, distance] = closestRow(metricThreadSizes(), value, metricDiameter);
        if (row == nullptr || !(distance <= tolerance)) return 0;
        label = "M" + formatPaletteNumber(row->nominal);
        return row->nominal;
    }
    const auto [row, distance] = closestRow(inchThreadSizes(), value, inchDiameter);
    if (row == nullptr || !(distance <= tolerance)) return 0;
    label = row->name;
    return row->diameter;
}

std::vector<PitchCandidate> standardPitchCandidates(double diameter, bool isMetric) {
    if (!(diameter > 0)) return {};
    std::vector<PitchCandidate> list;
    if (isMetric) {
        if (const MetricThreadSize* row = nearestMetricSize(diameter)) list = metricRowCandidates(*row);
    } else if (const InchThreadSize* row = nearestInchSize(diameter)) {
        list = inchRowCandidates(*row, SeriesNone);
    }
    if (list.size() > maxPitchCandidates) list.resize(maxPitchCandidates);
    return list;
}

bool isTapDrillFor(double diameter, double nominal, bool isMetric) {
    for (const PitchCandidate& candidate : standardPitchCandidates(nominal, isMetric)) {
        const double drill = nominal - candidate.pitch;
        if (std::fabs(diameter - drill) <= drillTolerance(candidate.pitch, isMetric)) return true;
    }
    return false;
}

NameThreadHint nameThreadHint(const ToolModel& tool) {
    NameThreadHint hint;
    for (const ThreadCandidate& candidate : tool.threadCandidates) {
        const double size = candidate.isMetric ? candidate.metricNominal : candidate.inchSize;
        if (!std::isfinite(size) || !(size > 0)) continue;
        hint.present = true;
        hint.isMetric = candidate.isMetric;
        hint.nominal = size;
        hint.toolNominal = toUnit(size, candidate.isMetric, tool.isMetric);
        hint.label = candidate.isMetric ? "M" + formatPaletteNumber(size) : candidate.label;
        return hint;
    }
    return hint;
}

TapDrillVerdict analyzeTapDiameter(double diameter, double pitch, bool toolIsMetric,
                                   std::optional<double> hintNominal, bool hintIsMetric) {
    if (!std::isfinite(diameter) || !(diameter > 0)) return {};
    const bool hinted = hintNominal && std::isfinite(*hintNominal) && *hintNominal > 0;
    const bool threadMetric = hinted ? hintIsMetric : toolIsMetric;
    const double d = toUnit(diameter, toolIsMetric, threadMetric);
    const double p = std::isfinite(pitch) ? toUnit(pitch, toolIsMetric, threadMetric) : 0;
    const double tolerance = drillTolerance(p, threadMetric);
    std::string label;
    double nominal = 0;
    if (hinted) {
        nominal = *hintNominal;
        label = hintedLabel(nominal, threadMetric, tolerance);
    } else {
        if (!(p > 0)) return {};
        nominal = nearestNominal(d + p, threadMetric, tolerance, label);
    }
    if (!(nominal > 0) || std::fabs(d - nominal) <= tolerance) return {};
    TapDrillVerdict verdict;
    verdict.nominal = toUnit(nominal, threadMetric, toolIsMetric);
    verdict.label = label;
    if (nominal > d && isTapDrillFor(d, nominal, threadMetric)) {
        verdict.kind = 1;
        verdict.pitchMatches = pitchMatchesStandard(nominal, p, threadMetric);
        return verdict;
    }
    if (!hinted) return {};
    verdict.kind = 2;
    return verdict;
}

std::vector<PitchCandidate> pitchCandidatesForTool(const ToolModel& tool) {
    const auto& designations = tool.threadCandidates;
    std::vector<PitchCandidate> list = nameCandidates(designations);
    // Unified and metric tables say nothing about pipe threads, so a pipe tap gets no fallback.
    if (list.empty() && tool.typeCode == TypeTap && !hasPipeDesignation(designations)) {
        const bool metric = designations.empty() ? tool.isMetric : designations.front().isMetric;
        list = standardPitchCandidates(toUnit(tool.diameter, tool.isMetric, metric), metric);
    }
    if (list.size() > maxPitchCandidates) list.resize(maxPitchCandidates);
    for (std::size_t i = 0; i < list.size(); ++i) {
        PitchCandidate& candidate = list[i];
        candidate.tier = i > 0 ? "option" : (tool.typeCode == TypeTap ? "recommended" : "inferred");
        candidate.toolPitch = toUnit(candidate.pitch, candidate.isMetric, tool.isMetric);
        candidate.toolNominal = toUnit(candidate.nominal, candidate.isMetric, tool.isMetric);
    }
    return list;
}

} // namespace Corvana

#include "convert/ThreadStandards.h"

#include "convert/TextMatch.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace Corvana {
namespace {

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

// Pipe threads by nominal pipe size: NPT/NPTF (ASME B1.20.1) and BSPT/BSPP (ISO 7, ISO 228)
// threads per inch; 0 where the series has no such size.
struct PipeThreadSize {
    double size;
    const char* name;
    double tpiNpt;
    double tpiBritish;
};

constexpr std::array<PipeThreadSize, 15> pipeTable{{
    {0.0625, "1/16", 27, 28}, {0.125, "1/8", 27, 28},  {0.25, "1/4", 18, 19},
    {0.375, "3/8", 18, 19},   {0.5, "1/2", 14, 14},    {0.625, "5/8", 0, 14},
    {0.75, "3/4", 14, 14},    {0.875, "7/8", 0, 14},   {1.0, "1", 11.5, 11},
    {1.25, "1-1/4", 11.5, 11}, {1.5, "1-1/2", 11.5, 11}, {2.0, "2", 11.5, 11},
    {2.5, "2-1/2", 8, 11},    {3.0, "3", 8, 11},       {4.0, "4", 8, 11},
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

bool isPipeSeries(std::int32_t series) {
    return series >= SeriesNPT && series <= SeriesBSPP;
}

std::string seriesSuffix(std::int32_t series) {
    static constexpr std::array<const char*, 8> suffixes{"",     " UNC",  " UNF",  " UNEF",
                                                         " NPT", " NPTF", " BSPT", " BSPP"};
    if (series < 0 || series >= static_cast<std::int32_t>(suffixes.size())) return "";
    return suffixes[static_cast<std::size_t>(series)];
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

double tpiOf(const InchThreadSize& row, std::int32_t series) {
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
std::vector<PitchCandidate> inchRowCandidates(const InchThreadSize& row, std::int32_t firstSeries) {
    std::vector<std::int32_t> order{SeriesUNC, SeriesUNF, SeriesUNEF};
    const auto preferred = std::find(order.begin(), order.end(), firstSeries);
    if (preferred != order.end()) std::rotate(order.begin(), preferred, preferred + 1);
    std::int32_t primary = SeriesNone;
    for (const std::int32_t series : {SeriesUNC, SeriesUNF, SeriesUNEF})
        if (primary == SeriesNone && tpiOf(row, series) > 0) primary = series;
    std::vector<PitchCandidate> list;
    for (const std::int32_t series : order) {
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

// What the whole name says: its thread series and its unit hint.
struct NameContext {
    std::int32_t series = SeriesNone;
    int unit = 0;
};

// A recognised piece of the name; without a candidate it is skipped text
// (a depth, a number that names no size).
struct Token {
    std::size_t end = 0;
    std::optional<ThreadCandidate> candidate;
};

struct LexedNumber {
    double value = 0;
    std::size_t end = 0;
    bool hasPoint = false;
    std::size_t wholeDigits = 0;
};

struct InchSizeText {
    double size = 0;
    std::string label;
    bool numbered = false;
    std::int32_t number = -1;
};

char charAt(std::string_view text, std::size_t at) {
    return at < text.size() ? text[at] : '\0';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (charAt(text, at) == ' ' || charAt(text, at) == '\t') ++at;
    return at;
}

// A size number starts a word: it does not continue a word, a number or a fraction.
bool atWordStart(std::string_view text, std::size_t at) {
    if (at == 0) return true;
    const char before = text[at - 1];
    return !isLetter(before) && !isDigit(before) && before != '.' && before != '/';
}

// Parses digits ["." digits] or "." digits; a comma may stand for the point in metric sizes.
std::optional<LexedNumber> readNumber(std::string_view text, std::size_t at, bool commaPoint = false) {
    std::size_t end = at;
    while (isDigit(charAt(text, end))) ++end;
    LexedNumber number;
    number.wholeDigits = end - at;
    const char point = charAt(text, end);
    if ((point == '.' || (commaPoint && point == ',')) && isDigit(charAt(text, end + 1))) {
        number.hasPoint = true;
        for (++end; isDigit(charAt(text, end));) ++end;
    }
    if (number.wholeDigits == 0 && (!number.hasPoint || charAt(text, at) != '.')) return std::nullopt;
    std::string digits(text.substr(at, end - at));
    std::replace(digits.begin(), digits.end(), ',', '.');
    const auto value = parseLeadingDouble(digits);
    if (!value) return std::nullopt;
    number.value = *value;
    number.end = end;
    return number;
}

// Parses blanks then `word` with no letter after it; returns the end.
std::optional<std::size_t> readWord(std::string_view text, std::size_t at, std::string_view word) {
    const std::size_t pos = skipBlanks(text, at);
    if (pos > text.size() || text.substr(pos, word.size()) != word || isLetter(charAt(text, pos + word.size())))
        return std::nullopt;
    return pos + word.size();
}

// Parses blanks ('"' | "INCHES" | "INCH" | "IN").
std::optional<std::size_t> readInchMark(std::string_view text, std::size_t at) {
    const std::size_t pos = skipBlanks(text, at);
    if (charAt(text, pos) == '"') return pos + 1;
    for (const std::string_view word : {"INCHES", "INCH", "IN"})
        if (const auto end = readWord(text, pos, word)) return end;
    return std::nullopt;
}

// Parses blanks "-" blanks number ["TPI"] | blanks number blanks "TPI": threads per inch.
std::optional<LexedNumber> readTpi(std::string_view text, std::size_t at) {
    std::size_t pos = skipBlanks(text, at);
    const bool dashed = charAt(text, pos) == '-';
    if (dashed) pos = skipBlanks(text, pos + 1);
    auto number = readNumber(text, pos);
    if (!number || !(number->value > 0 && number->value <= 200) || charAt(text, number->end) == '/')
        return std::nullopt;
    const auto tpiWord = readWord(text, number->end, "TPI");
    if (!dashed && !tpiWord) return std::nullopt;
    if (tpiWord) number->end = *tpiWord;
    return number;
}

// Parses blanks "X" blanks number after a metric size.
std::optional<LexedNumber> readMetricPitch(std::string_view text, std::size_t at) {
    const std::size_t pos = skipBlanks(text, at);
    if (charAt(text, pos) != 'X') return std::nullopt;
    return readNumber(text, skipBlanks(text, pos + 1), true);
}

// Completes a metric size: an "X" number below 6.5 is its pitch; a larger one is
// a length and is consumed with the designation.
Token metricDesignation(std::string_view text, std::size_t end, double nominal, const NameContext& context) {
    Token token{end, std::nullopt};
    if (!(nominal > 0)) return token;
    ThreadCandidate candidate;
    candidate.isMetric = true;
    candidate.hasSize = true;
    candidate.metricNominal = nominal;
    candidate.series = context.series;
    candidate.label = "M" + formatPaletteNumber(nominal);
    if (const auto pitch = readMetricPitch(text, end)) {
        token.end = pitch->end;
        if (pitch->value > 0 && pitch->value < 6.5) {
            candidate.hasPitch = true;
            candidate.pitch = pitch->value;
            candidate.label += " x " + formatPaletteNumber(pitch->value);
        }
    }
    token.candidate = std::move(candidate);
    return token;
}

// Completes an inch size: an optional inch mark, then optional threads per inch.
Token inchDesignation(std::string_view text, std::size_t end, const InchSizeText& size,
                      const NameContext& context) {
    std::size_t pos = readInchMark(text, end).value_or(end);
    ThreadCandidate candidate;
    candidate.hasSize = true;
    candidate.inchSize = size.size;
    candidate.isNumbered = size.numbered;
    candidate.sizeNumber = size.number;
    candidate.series = context.series;
    candidate.label = size.label;
    if (const auto tpi = readTpi(text, pos)) {
        candidate.tpi = tpi->value;
        candidate.hasPitch = true;
        candidate.pitch = 1.0 / tpi->value;
        candidate.label += "-" + formatPaletteNumber(tpi->value);
        pos = tpi->end;
    }
    candidate.label += seriesSuffix(context.series);
    return Token{pos, std::move(candidate)};
}

// A decimal inch size is labelled with the table name it equals, else as inches.
InchSizeText decimalInch(double size) {
    for (const InchThreadSize& row : inchTable)
        if (std::fabs(row.diameter - size) <= 0.0005) return {size, row.name};
    return {size, formatPaletteNumber(size) + "\""};
}

// Parses "M" number [blanks "X" blanks pitch]; the M starts the name or follows a non-letter.
std::optional<Token> readMetricSize(std::string_view text, std::size_t at, const NameContext& context) {
    if (charAt(text, at) != 'M' || !isDigit(charAt(text, at + 1))) return std::nullopt;
    if (at > 0 && isLetter(text[at - 1])) return std::nullopt;
    const auto nominal = readNumber(text, at + 1, true);
    if (!nominal) return std::nullopt;
    return metricDesignation(text, nominal->end, nominal->value, context);
}

// Parses "#" number [inch mark] [tpi]: a numbered (machine screw) size.
std::optional<Token> readNumberedSize(std::string_view text, std::size_t at, const NameContext& context) {
    if (charAt(text, at) != '#' || !isDigit(charAt(text, at + 1))) return std::nullopt;
    const auto number = readNumber(text, at + 1);
    if (!number) return std::nullopt;
    if (number->value > 99) return Token{number->end, std::nullopt};
    const auto sizeNumber = static_cast<std::int32_t>(std::lround(number->value));
    const InchThreadSize* row = inchSizeByNumber(sizeNumber);
    const InchSizeText size{row != nullptr ? row->diameter : 0, "#" + formatPaletteNumber(sizeNumber),
                            true, sizeNumber};
    return inchDesignation(text, number->end, size, context);
}

// Parses integer "/" integer, at most three digits each, with a non-zero denominator.
std::optional<std::pair<LexedNumber, LexedNumber>> readFraction(std::string_view text, std::size_t at) {
    const auto numerator = readNumber(text, at);
    if (!numerator || numerator->hasPoint || numerator->wholeDigits > 3) return std::nullopt;
    if (charAt(text, numerator->end) != '/') return std::nullopt;
    const auto denominator = readNumber(text, numerator->end + 1);
    if (!denominator || denominator->hasPoint || denominator->wholeDigits > 3 || !(denominator->value > 0))
        return std::nullopt;
    return std::pair{*numerator, *denominator};
}

// Parses [whole (" " | "-")] fraction: 3/8, 1-1/4, 1 1/4. A whole part is 1 to 4 inches
// and needs a proper fraction, so "10 1/4" stays a 1/4 size.
std::optional<Token> readFractionSize(std::string_view text, std::size_t at, const NameContext& context) {
    if (const auto fraction = readFraction(text, at)) {
        const auto& [numerator, denominator] = *fraction;
        const InchSizeText size{numerator.value / denominator.value,
                                formatPaletteNumber(numerator.value) + "/" + formatPaletteNumber(denominator.value)};
        return inchDesignation(text, denominator.end, size, context);
    }
    const auto whole = readNumber(text, at);
    if (!whole || whole->hasPoint || whole->value < 1 || whole->value > 4) return std::nullopt;
    const char separator = charAt(text, whole->end);
    if (separator != ' ' && separator != '-') return std::nullopt;
    const auto fraction = readFraction(text, whole->end + 1);
    if (!fraction || fraction->first.value >= fraction->second.value) return std::nullopt;
    const auto& [numerator, denominator] = *fraction;
    const InchSizeText size{whole->value + numerator.value / denominator.value,
                            formatPaletteNumber(whole->value) + "-" + formatPaletteNumber(numerator.value) +
                                "/" + formatPaletteNumber(denominator.value)};
    return inchDesignation(text, denominator.end, size, context);
}

bool rowHasTpi(const InchThreadSize& row, double tpi) {
    return tpi > 0 && (row.tpiUNC == tpi || row.tpiUNF == tpi || row.tpiUNEF == tpi);
}

bool pipeRowHasTpi(const PipeThreadSize& row, double tpi) {
    return tpi > 0 && (row.tpiNpt == tpi || row.tpiBritish == tpi);
}

// Parses integer "-" tpi forming a standard pair without "#": 10-32, 6-32, 1-8, and
// in a pipe-thread name 1-11.5.
std::optional<Token> readStandardPair(std::string_view text, const LexedNumber& number,
                                      const NameContext& context) {
    if (number.hasPoint || number.value > 99 || charAt(text, number.end) != '-') return std::nullopt;
    const auto tpi = readTpi(text, number.end);
    if (!tpi) return std::nullopt;
    const auto whole = static_cast<std::int32_t>(number.value);
    if (const InchThreadSize* row = inchSizeByNumber(whole); row != nullptr && rowHasTpi(*row, tpi->value))
        return inchDesignation(text, number.end, {row->diameter, row->name, true, whole}, context);
    const std::string name = formatPaletteNumber(number.value);
    for (const InchThreadSize& row : inchTable)
        if (name == row.name && rowHasTpi(row, tpi->value))
            return inchDesignation(text, number.end, {row.diameter, row.name}, context);
    if (!isPipeSeries(context.series)) return std::nullopt;
    for (const PipeThreadSize& row : pipeTable)
        if (name == row.name && pipeRowHasTpi(row, tpi->value))
            return inchDesignation(text, number.end, {row.size, row.name}, context);
    return std::nullopt;
}

// Inch sizes written as bare numbers, unless the name says it is metric: three digits
// without a point are thousandths (250 is 0.25), and a decimal below 2.5 with a "-" tpi.
std::optional<Token> readBareInch(std::string_view text, const LexedNumber& number, const NameContext& context) {
    if (context.unit == 1) return std::nullopt;
    if (!number.hasPoint && number.wholeDigits == 3 && number.value > 0)
        return inchDesignation(text, number.end, decimalInch(number.value / 1000), context);
    if (!number.hasPoint || !(number.value > 0 && number.value < 2.5)) return std::nullopt;
    if (charAt(text, skipBlanks(text, number.end)) != '-' || !readTpi(text, number.end)) return std::nullopt;
    return inchDesignation(text, number.end, decimalInch(number.value), context);
}

// Parses a token that starts with a number at a word start.
std::optional<Token> readNumberLed(std::string_view text, std::size_t at, const NameContext& context) {
    if (!atWordStart(text, at)) return std::nullopt;
    if (auto fraction = readFractionSize(text, at, context)) return fraction;
    const auto number = readNumber(text, at);
    if (!number) return std::nullopt;
    for (const std::string_view depthWord : {"DP", "DEEP"})
        if (const auto end = readWord(text, number->end, depthWord)) return Token{*end, std::nullopt};
    if (const auto end = readWord(text, number->end, "MM"))
        return metricDesignation(text, *end, number->value, context);
    if (readInchMark(text, number->end))
        return inchDesignation(text, number->end, decimalInch(number->value), context);
    if (auto pair = readStandardPair(text, *number, context)) return pair;
    if (auto bare = readBareInch(text, *number, context)) return bare;
    return Token{number->end, std::nullopt};
}

std::int32_t seriesOfName(std::string_view upper) {
    static constexpr std::array<std::pair<std::string_view, ThreadSeries>, 7> order{{
        {"NPTF", SeriesNPTF}, {"NPT", SeriesNPT}, {"BSPT", SeriesBSPT}, {"BSPP", SeriesBSPP},
        {"UNEF", SeriesUNEF}, {"UNC", SeriesUNC}, {"UNF", SeriesUNF},
    }};
    for (const auto& [word, series] : order)
        if (containsText(upper, word)) return series;
    return SeriesNone;
}

std::optional<Token> readToken(std::string_view text, std::size_t at, const NameContext& context) {
    if (auto token = readMetricSize(text, at, context)) return token;
    if (auto token = readNumberedSize(text, at, context)) return token;
    return readNumberLed(text, at, context);
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

int unitHint(std::string_view upperText) {
    const bool inch = containsText(upperText, "\"") || matchWholeWord(upperText, "TPI") ||
                      matchWholeWord(upperText, "INCHES") || matchWholeWord(upperText, "INCH") ||
                      matchWholeWord(upperText, "IN");
    const bool metric = matchWholeWord(upperText, "MM") || matchWholeWord(upperText, "METRIC") ||
                        matchWholeWord(upperText, "MILLIMETER") ||
                        matchWholeWord(upperText, "MILLIMETRE");
    if (inch == metric) return 0;
    return metric ? 1 : 2;
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

// Reads the upper-cased name left to right; each designation found is one candidate,
// in name order. Tokens (blanks are spaces or tabs; a number is digits with an
// optional fraction part, or a point and digits):
//   metric        "M" number [blanks "X" blanks number]             M10X1.5, M8 x 1.25, M10x1,25
//                 number "MM" [blanks "X" blanks number]            12MM
//                 (the M follows a non-letter; the X number is the pitch when below 6.5)
//   numbered      "#" number [inch mark] [tpi]                       #10-32
//   fraction      [whole (" " | "-")] int "/" int [inch mark] [tpi]  1/4-20, 3/8"-16, 1-1/4-7
//   decimal inch  number inch mark [tpi]                             .5", 0.5 IN
//   standard pair int "-" tpi forming a Unified (in a pipe name, pipe) thread  10-32, 1-8
//   thousandths   three digits, no point [tpi]                       250-20
//   decimal tpi   number with a point, below 2.5, then "-" tpi       .250-20
//   depth         number ("DP" | "DEEP")                             skipped
//   inch mark     blanks ('"' | "INCHES" | "INCH" | "IN"), no letter after
//   tpi           blanks "-" blanks number ["TPI"] | blanks number blanks "TPI"
// Size numbers start a word (not after a letter, digit, point or slash), so a tool number
// such as T12 or a dimension such as D10 is never a size. Bare thousandths
// and decimal tpi sizes are not read when the name's unit hint is metric. The series of
// the whole name goes into every candidate and ends inch labels.
std::vector<ThreadCandidate> parseThreadDesignations(std::string_view name) {
    const std::string text = upperAscii(name);
    const NameContext context{seriesOfName(text), unitHint(text)};
    std::vector<ThreadCandidate> found;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto token = readToken(text, pos, context);
        if (!token || token->end <= pos) {
            ++pos;
            continue;
        }
        if (token->candidate) found.push_back(std::move(*token->candidate));
        pos = token->end;
    }
    return found;
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

// Thread designations read from upper-cased tool names.
#include "convert/ThreadStandards.h"

#include "convert/TextMatch.h"
#include "convert/ThreadTables.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace Corvana {
namespace {

using detail::isPipeSeries;
using detail::pipeTable;
using detail::PipeThreadSize;
using detail::seriesSuffix;

// What the whole name says: its thread series and its unit hint.
struct NameContext {
    ThreadSeries series = SeriesNone;
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
    for (const InchThreadSize& row : inchThreadSizes())
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
    for (const InchThreadSize& row : inchThreadSizes())
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

ThreadSeries seriesOfName(std::string_view upper) {
    static constexpr std::array<std::pair<std::string_view, ThreadSeries>, 7> order{{
        {"NPTF", SeriesNPTF}, {"NPT", SeriesNPT}, {"BSPT", SeriesBSPT}, {"BSPP", SeriesBSPP},
        {"UNEF", SeriesUNEF}, {"UNC", SeriesUNC}, {"UNF", SeriesUNF},
    }};
    const FoldedText folded(upper);
    for (const auto& [word, series] : order)
        if (containsText(folded, word)) return series;
    return SeriesNone;
}

std::optional<Token> readToken(std::string_view text, std::size_t at, const NameContext& context) {
    if (auto token = readMetricSize(text, at, context)) return token;
    if (auto token = readNumberedSize(text, at, context)) return token;
    return readNumberLed(text, at, context);
}

} // namespace

int unitHint(std::string_view text) {
    const FoldedText upperText(text);
    const bool inch = containsText(upperText, "\"") || matchWholeWord(upperText, "TPI") ||
                      matchWholeWord(upperText, "INCHES") || matchWholeWord(upperText, "INCH") ||
                      matchWholeWord(upperText, "IN");
    const bool metric = matchWholeWord(upperText, "MM") || matchWholeWord(upperText, "METRIC") ||
                        matchWholeWord(upperText, "MILLIMETER") ||
                        matchWholeWord(upperText, "MILLIMETRE");
    if (inch == metric) return 0;
    return metric ? 1 : 2;
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

} // namespace Corvana

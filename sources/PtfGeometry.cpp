#include "sources/PtfGeometry.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <vector>

namespace Corvana {
namespace {

constexpr double kTolerance = 0.0001;
// A crafted record with thousands of sections would make every per-section
// scan quadratic; real holders and shanks have a few dozen at most.
constexpr std::size_t kMaxScannedSections = 256;

// Metric and inch limits of the values the patterns accept.
struct PatternBounds {
    double leadMax;          // taper lead-in value and curve element length
    double filletBaseMax;    // radius under a fillet
    double filletMax;
    double curveRadiusMax;
};

PatternBounds boundsFor(bool isMetric) {
    if (isMetric) return {508.0, 254.0, 12.7, 152.4};
    return {20.0, 10.0, 0.5, 6.0};
}

bool near(double a, double b, double tolerance = kTolerance) {
    return std::abs(a - b) <= tolerance;  // false for NaN
}

bool inOpenClosed(double value, double low, double high) {
    return value > low && value <= high;
}

// Little-endian doubles read at any byte offset; 0 outside the bytes.
class DoubleReader {
public:
    explicit DoubleReader(std::span<const std::uint8_t> data) : bytes(data) {}

    double at(std::size_t offset) const {
        if (offset > bytes.size() || bytes.size() - offset < 8) return 0;
        // Written as one OR of shifted bytes so the compiler reads the eight at once.
        const std::uint8_t* b = bytes.data() + offset;
        const std::uint64_t bits = std::uint64_t{b[0]} | std::uint64_t{b[1]} << 8 | std::uint64_t{b[2]} << 16 |
                                   std::uint64_t{b[3]} << 24 | std::uint64_t{b[4]} << 32 |
                                   std::uint64_t{b[5]} << 40 | std::uint64_t{b[6]} << 48 | std::uint64_t{b[7]} << 56;
        return std::bit_cast<double>(bits);
    }

    double before(std::size_t offset, std::size_t back) const {
        return offset < back ? 0 : at(offset - back);
    }

private:
    std::span<const std::uint8_t> bytes;
};

// ---- Record layouts ----------------------------------------------------------
// Byte offsets of the little-endian doubles each pattern tests, from the
// scan position p; "Back" offsets lie before it. `extent` is how far past p
// the record must fit inside the scanned area.

// Taper blend: lead-in, ratio numerator, then at p a 0, the ratio divisor,
// and the blend length twice.
struct TaperLayout {
    static constexpr std::size_t leadBack = 16, numeratorBack = 8;
    static constexpr std::size_t zero = 0, divisor = 8, blend = 32, blendCopy = 40, extent = 96, start = 16;
};

// Fillet: base radius and its square before p, then the fillet radius at p,
// twice more, the outer radius (fillet + base) and a 1.
struct FilletLayout {
    static constexpr std::size_t baseBack = 16, baseSquaredBack = 8;
    static constexpr std::size_t fillet = 0, filletCopy = 32, filletCopy2 = 40, outer = 48, one = 64, extent = 96,
                                 start = 16;
};

// Curve header: the radius, zeros and ones around it, the radius again and its square.
struct CurveHeaderLayout {
    static constexpr std::size_t radius = 0, radiusCopy = 64, radiusSquared = 72, size = 112;
    static constexpr std::array<std::size_t, 8> zeros{8, 16, 24, 48, 56, 80, 88, 96};
    static constexpr std::array<std::size_t, 3> ones{32, 40, 104};
};

// Curve element, from the start of the record before it: radius, excess
// numerator, a 0, the slope, and the element length twice.
struct CurveElementLayout {
    static constexpr std::size_t radius = 112, numerator = 120, zero = 128, slope = 136, length = 160,
                                 lengthCopy = 168, extent = 224, stride = 112, reach = 1612;
};

struct ScanArea {
    const DoubleReader& reader;
    std::size_t from;
    std::size_t to;
    PatternBounds bounds;
};

// ---- Blend lengths: step pattern -------------------------------------------

// Offset of the first double within 2000 bytes of `start` equal to `length`.
std::optional<std::size_t> findLengthValue(const ScanArea& area, std::size_t start, double length) {
    for (std::size_t k = start; k - start < 2000 && k + 8 <= area.to; ++k)
        if (near(area.reader.at(k), length, 0.000001)) return k;
    return std::nullopt;
}

// Offset of the first doubled value in the 400 bytes from `start` that can be
// a blend of a section of `length` (1.0 is a scale factor, not a blend).
std::optional<std::size_t> findBlendPair(const ScanArea& area, std::size_t start, double length) {
    for (std::size_t m = start; m - start < 400 && m + 16 <= area.to; ++m) {
        const double value = area.reader.at(m);
        if (!(value > kTolerance && value < length / 2)) continue;
        if (std::abs(value - 1.0) < 0.000000001) continue;
        if (area.reader.at(m + 8) == value) return m;
    }
    return std::nullopt;
}

void recoverStepBlend(const ScanArea& area, HolderSegment& section, std::size_t& searchPos) {
    const auto lengthAt = findLengthValue(area, searchPos, section.length);
    if (!lengthAt) return;
    const auto blendAt = findBlendPair(area, *lengthAt + 8, section.length);
    if (!blendAt) return;
    section.blendLength = area.reader.at(*blendAt);
    searchPos = std::max(searchPos, *blendAt + 16);
}

// ---- Blend lengths: taper pattern ------------------------------------------

// A position whose section-independent conditions hold; `ratio` is compared
// with half the lower diameter and `blend` with the section length.
struct TaperCandidate {
    double blend;
    double ratio;
};

std::vector<TaperCandidate> taperCandidates(const ScanArea& area) {
    std::vector<TaperCandidate> candidates;
    const DoubleReader& d = area.reader;
    using L = TaperLayout;
    for (std::size_t t = area.from + L::start; t + L::extent <= area.to; ++t) {
        if (!near(d.at(t + L::zero), 0)) continue;
        const double x = d.at(t + L::divisor);
        if (!inOpenClosed(x, kTolerance, 1000)) continue;
        const double blend = d.at(t + L::blend);
        if (!(blend > kTolerance) || !near(d.at(t + L::blendCopy), blend)) continue;
        if (!inOpenClosed(d.before(t, L::leadBack), 0, area.bounds.leadMax)) continue;
        candidates.push_back({blend, d.before(t, L::numeratorBack) / x});
    }
    return candidates;
}

double taperBlend(const std::vector<TaperCandidate>& candidates, const HolderSegment& section) {
    for (const auto& candidate : candidates) {
        if (!(candidate.blend < 0.9 * section.length)) continue;
        if (near(candidate.ratio, section.lowerDiameter / 2)) return candidate.blend;
    }
    return 0;
}

std::vector<HolderSegment*> activeHolderSections(ToolModel& tool) {
    std::vector<HolderSegment*> active;
    for (auto& section : tool.holderSegments) {
        if (active.size() == kMaxScannedSections) break;
        if (!section.ignore) active.push_back(&section);
    }
    return active;
}

// A section steps when it is wider at its reference end than the next
// section's lower end; sections narrowing upward never step.
bool isStep(const HolderSegment& section, const HolderSegment* next) {
    const double growth = (section.upperDiameter - section.lowerDiameter) / 2;
    if (!next || growth < -kTolerance) return false;
    const double reference = growth <= kTolerance ? section.lowerDiameter : section.upperDiameter;
    return reference - kTolerance > next->lowerDiameter;
}

void recoverBlendLengths(ToolModel& tool, const ScanArea& area) {
    const std::vector<HolderSegment*> active = activeHolderSections(tool);
    std::size_t searchPos = area.from;
    std::optional<std::vector<TaperCandidate>> tapers;
    for (std::size_t i = 0; i < active.size(); ++i) {
        HolderSegment& section = *active[i];
        const HolderSegment* next = i + 1 < active.size() ? active[i + 1] : nullptr;
        if (isStep(section, next)) {
            recoverStepBlend(area, section, searchPos);
            continue;
        }
        if (!((section.upperDiameter - section.lowerDiameter) / 2 > kTolerance)) continue;
        if (!tapers) tapers = taperCandidates(area);
        section.blendLength = taperBlend(*tapers, section);
    }
}

// ---- Fillet radii ----------------------------------------------------------

struct FilletHit {
    double base;    // radius the fillet starts from
    double fillet;
};

std::vector<FilletHit> filletHits(const ScanArea& area) {
    std::vector<FilletHit> hits;
    const DoubleReader& d = area.reader;
    using L = FilletLayout;
    for (std::size_t p = area.from + L::start; p + L::extent <= area.to; ++p) {
        const double fillet = d.at(p + L::fillet);
        if (!inOpenClosed(fillet, kTolerance, area.bounds.filletMax)) continue;
        const double base = d.before(p, L::baseBack);
        if (!inOpenClosed(base, 0, area.bounds.filletBaseMax)) continue;
        if (!near(d.before(p, L::baseSquaredBack), base * base) || !near(d.at(p + L::filletCopy), fillet) ||
            !near(d.at(p + L::filletCopy2), fillet) || !near(d.at(p + L::one), 1) ||
            !near(d.at(p + L::outer), fillet + base))
            continue;
        hits.push_back({base, fillet});
    }
    return hits;
}

template <typename Section>
bool fitsFillet(const Section& section, const FilletHit& hit) {
    return near(section.lowerDiameter / 2, hit.base) && near(section.upperDiameter / 2, hit.fillet + hit.base);
}

void applyHolderFillets(ToolModel& tool, const std::vector<FilletHit>& hits) {
    const std::size_t count = std::min(tool.holderSegments.size(), kMaxScannedSections);
    for (const auto& hit : hits) {
        for (std::size_t i = 0; i < count; ++i) {
            HolderSegment& section = tool.holderSegments[i];
            if (section.ignore || !fitsFillet(section, hit)) continue;
            section.filletRadius = hit.fillet;
            break;
        }
    }
}

void applyShankFillets(ToolModel& tool, const std::vector<FilletHit>& hits) {
    const std::size_t count = std::min(tool.shankSegments.size(), kMaxScannedSections);
    for (const auto& hit : hits) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!fitsFillet(tool.shankSegments[i], hit)) continue;
            tool.shankSegments[i].filletRadius = hit.fillet;
            break;
        }
    }
}

// ---- Curve radius ----------------------------------------------------------

bool isCurveHeader(const DoubleReader& d, std::size_t p, const PatternBounds& bounds) {
    using L = CurveHeaderLayout;
    const double radius = d.at(p + L::radius);
    if (!(radius > 0.1 && radius <= bounds.curveRadiusMax)) return false;
    for (const std::size_t zeroAt : L::zeros)
        if (!near(d.at(p + zeroAt), 0)) return false;
    for (const std::size_t oneAt : L::ones)
        if (!near(d.at(p + oneAt), 1)) return false;
    return near(d.at(p + L::radiusCopy), radius) && near(d.at(p + L::radiusSquared), radius * radius);
}

bool isCurveElement(const DoubleReader& d, std::size_t q, const PatternBounds& bounds) {
    using L = CurveElementLayout;
    if (!near(d.at(q + L::zero), 0)) return false;
    if (!inOpenClosed(d.at(q + L::slope), kTolerance, 1000)) return false;
    const double length = d.at(q + L::length);
    if (!inOpenClosed(length, kTolerance, bounds.leadMax) || !near(d.at(q + L::lengthCopy), length)) return false;
    const double radius = d.at(q + L::radius);
    return radius > 0.1 && radius <= bounds.curveRadiusMax;
}

// The curve radius the elements after the header at `p` describe, if any.
std::optional<double> curveCandidate(const ScanArea& area, std::size_t p, double radius) {
    using L = CurveElementLayout;
    const DoubleReader& d = area.reader;
    const std::size_t limit = std::min(area.to, p + L::reach);
    int counted = 0;
    double sum = 0;
    for (std::size_t q = p; q + L::extent <= limit;) {
        if (!isCurveElement(d, q, area.bounds)) {
            ++q;
            continue;
        }
        const double slope = d.at(q + L::slope);
        const double excess = d.at(q + L::numerator) / slope - radius;
        if (excess <= kTolerance) break;
        if (d.at(q + L::length) > excess) {
            if (counted == 0) return excess;
            break;
        }
        ++counted;
        sum += std::sqrt(slope * slope + 1) * excess;
        q += L::stride;
    }
    if (counted < 2) return std::nullopt;
    const double mean = sum / counted;
    // Overflowing element values would otherwise store an infinite radius.
    if (!(mean > kTolerance) || !std::isfinite(mean)) return std::nullopt;
    return mean;
}

HolderSegment* curveSection(ToolModel& tool, double radius) {
    const std::size_t count = std::min(tool.holderSegments.size(), kMaxScannedSections);
    for (std::size_t i = 0; i < count; ++i) {
        HolderSegment& section = tool.holderSegments[i];
        if (section.ignore || section.filletRadius > kTolerance || section.blendLength > kTolerance) continue;
        if (!(section.lowerDiameter + kTolerance < section.upperDiameter)) continue;
        if (near(section.lowerDiameter / 2, radius, 0.0005)) return &section;
    }
    return nullptr;
}

void recoverCurveRadius(ToolModel& tool, const ScanArea& area) {
    const DoubleReader& d = area.reader;
    for (std::size_t p = area.from; p + CurveHeaderLayout::size <= area.to;) {
        if (!isCurveHeader(d, p, area.bounds)) {
            ++p;
            continue;
        }
        const double radius = d.at(p + CurveHeaderLayout::radius);
        const auto candidate = curveCandidate(area, p, radius);
        HolderSegment* section = candidate ? curveSection(tool, radius) : nullptr;
        if (section) {
            section->curveRadius = *candidate;
            return;
        }
        p += CurveHeaderLayout::size;
    }
}

} // namespace

void recoverBinaryGeometry(ToolModel& tool, std::span<const std::uint8_t> bytes, std::size_t from,
                           std::size_t to) {
    to = std::min(to, bytes.size());
    if (from >= to) return;
    const DoubleReader reader(bytes);
    const ScanArea area{reader, from, to, boundsFor(tool.isMetric)};
    recoverBlendLengths(tool, area);
    // The fillet pattern is the same for holders and shanks; only the matching differs.
    const std::vector<FilletHit> fillets = filletHits(area);
    applyHolderFillets(tool, fillets);
    recoverCurveRadius(tool, area);
    applyShankFillets(tool, fillets);
}

} // namespace Corvana

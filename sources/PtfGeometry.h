#pragma once
// Holder and shank radii that PowerMill keeps only in the binary geometry
// records ("McMillSpan" areas) of a template, not in its tool text.

#include "sources/ToolModel.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace Corvana {

// Scans bytes [from, to) and sets the holder sections' blend lengths, fillet
// and curve radii and the shank sections' fillet radii where a pattern is
// found. Patterns may read a few doubles past `to`; nothing past the bytes.
void recoverBinaryGeometry(ToolModel& tool, std::span<const std::uint8_t> bytes, std::size_t from,
                           std::size_t to);

} // namespace Corvana

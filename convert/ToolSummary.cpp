#include "convert/ToolSummary.h"
// STUB: replaced by the real implementation.
namespace Corvana {
std::string buildToolSummaryJson(const ToolModel&, std::int32_t, bool) { return "{}"; }
} // namespace Corvana

#include "convert/Findings.h"
// STUB: replaced by the real implementation.
namespace Corvana {
std::string buildToolIssuesJson(const ToolModel&) { return "[]"; }
} // namespace Corvana

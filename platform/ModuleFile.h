#pragma once
// Where the code of this library lives on disk.

#include <string>

namespace Corvana {

// Full UTF-8 path of the loaded library (or program) holding this function;
// empty when the system cannot tell.
std::string currentModulePath();

} // namespace Corvana

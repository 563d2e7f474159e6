#pragma once

#include <cstdint>
#include <string>

namespace Corvana {

struct ConvertOptions {
    std::string source;
    int session = -1;  // a running PowerMill session instead of the source
    std::string output;
    std::string libraryName;
    std::string requestPath;
    std::int32_t holderMode = 1;
    std::string holderLibraryName;
    double toleranceInch = 0.0005;
    bool randomIds = false;
};

// Writes the source's selected tools as a Fusion tool-library document;
// returns the process exit code.
int runConvert(const ConvertOptions& options);

} // namespace Corvana

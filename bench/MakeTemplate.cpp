// Writes a large generated template: corvana-make-template TOOL_COUNT OUT.ptf

#include "sources/NumberText.h"
#include "tests/support/ExampleTools.h"
#include "tests/support/TestFiles.h"

#include <cstdio>

int main(int argc, char** argv) {
    const auto count = argc == 3 ? Corvana::parseLeadingInteger(argv[1]) : std::nullopt;
    if (!count || *count <= 0) {
        std::fprintf(stderr, "usage: corvana-make-template TOOL_COUNT OUT.ptf\n");
        return 2;
    }
    Corvana::Testing::writeBytes(argv[2], Corvana::Testing::syntheticTemplate(static_cast<std::size_t>(*count)));
    return 0;
}

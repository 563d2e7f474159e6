// Writes the bundled example sources: corvana-make-examples EXAMPLES_DIR

#include "tests/support/ExampleTools.h"
#include "tests/support/TestFiles.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvana-make-examples EXAMPLES_DIR\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    Corvana::Testing::writeBytes(folder / "metric-template.ptf", Corvana::Testing::metricExampleTemplate());
    Corvana::Testing::writeBytes(folder / "inch-template.ptf", Corvana::Testing::inchExampleTemplate());
    std::filesystem::remove_all(folder / "example-project");
    Corvana::Testing::writeExampleProject(folder / "example-project");
    return 0;
}

// Add-in modules that misbehave in ways the real add-in does not, so the host
// program's guards can be seen: a working one that prints to standard output,
// logs bytes that are not UTF-8 and sends to a hidden palette, one whose run
// fails and one that exports no run.

#include "Core/CoreAll.h"

#include <cstdio>

#define TEST_ADDIN_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef TEST_ADDIN_WITHOUT_RUN
TEST_ADDIN_EXPORT bool run(const char*) {
#ifdef TEST_ADDIN_RUN_FAILS
    return false;
#else
    std::printf("stray output from the add-in\n");
    std::fflush(stdout);
    adsk::core::Application::log("ok\xff\xfe");
    // Fusion delivers nothing to a hidden palette.
    const auto palettes = adsk::core::Application::get()->userInterface()->palettes();
    palettes->add("Hidden", "Hidden", "index.html", false, true, true)->sendInfoToHTML("NEVER_SHOWN", "{}");
    return true;
#endif
}
#endif

TEST_ADDIN_EXPORT bool stop(const char*) {
    adsk::core::Application::log("stop()");
    return true;
}

// The module the host loads, and the Linux sides the add-in reaches.

#include "platform/Opener.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <dlfcn.h>

namespace Corvana {
namespace {

using namespace Testing;

TEST(AddinModuleTest, ExportsRunAndStopOnly) {
    void* module = ::dlopen(CORVANA_ADDIN_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    EXPECT_NE(::dlsym(module, "run"), nullptr);
    EXPECT_NE(::dlsym(module, "stop"), nullptr);
    // Corvana::fnv1a64(std::string_view), one of the module's internal functions.
    EXPECT_EQ(::dlsym(module, "_ZN7Corvana7fnv1a64ESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
    ::dlclose(module);
}

// A stand-in xdg-open on PATH records its arguments; the address must reach
// it as one argument, never as shell text.
TEST(XdgOpenerTest, PassesTheAddressAsOneArgument) {
    TempDir dir;
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", dir.path().c_str(), 1);
    EXPECT_FALSE(systemOpener().openExternally("https://example.com")) << "no xdg-open on PATH";

    const auto record = dir.file("opened");
    writeText(dir.file("xdg-open"), "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + record.string() + "'\n");
    std::filesystem::permissions(dir.file("xdg-open"), std::filesystem::perms::owner_all);
    const std::string address = "https://example.com/?q=$(touch pwned)&x='a b'\"";
    EXPECT_TRUE(systemOpener().openExternally(address));
    ::setenv("PATH", savedPath.c_str(), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readText(record).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(readText(record), "1|" + address);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned"));
}

} // namespace
} // namespace Corvana

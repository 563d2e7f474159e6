#include "addin/Lifecycle.h"

#include "platform/ModuleFile.h"
#include "platform/Opener.h"
#include "tests/addin/AddinTestSupport.h"

#include "Core/Utils.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <dlfcn.h>

namespace Corvana {
namespace {

using namespace Testing;

const StringList bothPanels = {"CAMScriptsAddinsPanel", "SolidScriptsAddinsPanel"};
const StringList justTheCommand = {"CorvanaShowPaletteCmd"};

TEST_F(HostTest, RunRegistersEverythingAndStopRemovesIt) {
    ASSERT_TRUE(run("ignored"));
    EXPECT_EQ(host->commandDefinitionIds(), justTheCommand);
    for (const auto& panel : bothPanels) EXPECT_EQ(host->controlIds(panel), justTheCommand) << panel;
    ASSERT_TRUE(host->palette(mainPaletteId));
    EXPECT_EQ(host->palette(mainPaletteId)->height, 900) << "fitted to the viewport's height";
    const auto app = host->application();
    for (const char* id : {"CorvanaFeedbackDone", "CorvanaUpdateDone"}) EXPECT_TRUE(app->fireCustomEvent(id, "{}")) << id;
    adsk::doEvents();

    EXPECT_TRUE(stop("ignored"));
    EXPECT_TRUE(host->commandDefinitionIds().empty());
    for (const auto& panel : bothPanels) EXPECT_TRUE(host->controlIds(panel).empty()) << panel;
    EXPECT_TRUE(host->paletteIds().empty());
    for (const char* id : {"CorvanaFeedbackDone", "CorvanaUpdateDone"}) EXPECT_FALSE(app->fireCustomEvent(id, "{}")) << id;
    host->activateWorkspace("CAMEnvironment");
    EXPECT_TRUE(host->paletteIds().empty()) << "the workspace watch ended with stop";
}

TEST_F(HostTest, LoadingTwiceWithoutStopLeavesOneCommandAndOneControlPerPanel) {
    // The first run also deletes the library an update left behind.
    const std::string leftOver = currentModulePath() + ".old";
    writeText(leftOver, "replaced library");
    ASSERT_TRUE(run(""));
    EXPECT_FALSE(std::filesystem::exists(leftOver));
    ASSERT_TRUE(run(""));
    EXPECT_EQ(host->commandDefinitionIds(), justTheCommand);
    for (const auto& panel : bothPanels) EXPECT_EQ(host->controlIds(panel), justTheCommand) << panel;
    EXPECT_TRUE(host->executeCommand("CorvanaShowPaletteCmd"));
    send("GET_DOCS_STATE");
    EXPECT_EQ(sentActions(), StringList{"REPLY_DOCS_STATE"}) << "one subscription answers once";
}

TEST_F(HostTest, RunNeedsAUserInterfaceButNoPanel) {
    host->setUserInterfaceAvailable(false);
    EXPECT_FALSE(run(""));
    EXPECT_TRUE(stop(""));
    host->setUserInterfaceAvailable(true);
    for (const auto& panel : bothPanels) host->removeToolbarPanel(panel);
    ASSERT_TRUE(run(""));
    EXPECT_TRUE(host->palette(mainPaletteId));
}

TEST_F(AddinTest, CommandAndWorkspaceBringThePaletteBack) {
    ASSERT_TRUE(host->clickPaletteClose(mainPaletteId));
    ASSERT_TRUE(host->executeCommand("CorvanaShowPaletteCmd"));
    send("GET_MFG_UNITS");
    EXPECT_EQ(sentActions(), StringList{"REPLY_MFG_UNITS"}) << "the command shows a hidden palette";

    send("CLOSE_PALETTE");
    EXPECT_TRUE(host->paletteIds().empty());
    ASSERT_TRUE(host->executeCommand("CorvanaShowPaletteCmd"));
    EXPECT_EQ(host->paletteIds(), StringList{mainPaletteId}) << "the command re-creates a deleted palette";
    host->activateWorkspace("CAMEnvironment");
    EXPECT_EQ(host->paletteIds(), StringList{mainPaletteId}) << "so does a workspace switch";
}

TEST_F(AddinTest, PaletteAddressFollowsThemeAndOpaqueMode) {
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?opaque=1&theme=light&envBlocked=greyroom");
    host->setLightingEnvironment(adsk::core::DarkSkyLightingEnvironment);
    send("SET_OPAQUE_MODE", R"({"opaque":true})");
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?opaque=1&theme=darksky");
    send("SET_OPAQUE_MODE", R"({"opaque":false})");
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?theme=darksky");
    EXPECT_TRUE(host->palette(mainPaletteId)->transparent);

    host->setLightingEnvironment(adsk::core::RiverRubiconLightingEnvironment);
    host->activateWorkspace("CAMEnvironment");
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?theme=riverrubicon") << "re-created with the current opaque mode";
    host->setLightingEnvironment(adsk::core::PhotoBoothLightingEnvironment);
    send("SET_OPAQUE_MODE", R"({"opaque":true})");
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?opaque=1&theme=light&envBlocked=photobooth");

    ::setenv("APPDATA", "D:\\Data#1\\Zo\xC3\xAB", 1);
    send("SET_OPAQUE_MODE", R"({"opaque":true})");
    EXPECT_EQ(mainPaletteUrl(), "file:///D:/Data#1/Zo\xC3\xAB/Autodesk/Autodesk%20Fusion%20360/API/AddIns/Corvana/"
                                "OfflineWebPalette/index.html?opaque=1&theme=light&envBlocked=photobooth");
}

TEST(AddinModuleTest, ExportsRunAndStopOnly) {
    void* module = ::dlopen(CORVANA_ADDIN_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    EXPECT_TRUE(::dlsym(module, "run") && ::dlsym(module, "stop"));
    // Corvana::fnv1a64(std::string_view), one of the module's internal functions.
    EXPECT_EQ(::dlsym(module, "_ZN7Corvana7fnv1a64ESt17basic_string_viewIcSt11char_traitsIcEE"), nullptr);
    ::dlclose(module);
}

// A stand-in xdg-open on PATH records its arguments; the address must reach
// it as one argument, never as shell text.
TEST(XdgOpenerTest, PassesTheAddressAsOneArgument) {
    TempDir dir;
    std::optional<ScopedEnv> path(std::in_place, "PATH", dir.path().string());
    EXPECT_FALSE(systemOpener().openExternally("https://example.com")) << "no xdg-open on PATH";

    const auto record = dir.file("opened");
    writeText(dir.file("xdg-open"), "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + record.string() + "'\n");
    std::filesystem::permissions(dir.file("xdg-open"), std::filesystem::perms::owner_all);
    const std::string address = "https://example.com/?q=$(touch pwned)&x='a b'\"";
    EXPECT_TRUE(systemOpener().openExternally(address));
    path.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readText(record).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(readText(record), "1|" + address);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "pwned"));
}

} // namespace
} // namespace Corvana

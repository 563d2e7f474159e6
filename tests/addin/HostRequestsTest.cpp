#include "addin/HostRequests.h"

#include "addin/HostSettings.h"
#include "convert/Classification.h"
#include "convert/Profiles.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/support/JsonCheck.h"

#include <cstdlib>
#include <tuple>

namespace Corvana {
namespace {

using namespace Testing;

TEST_F(AddinTest, UserIdentitySurvivesASignedOutHost) {
    host->setVersion("2.0.21508 \"beta\"");
    host->setUser("Ann \"A\"\nSmith\t\\", "ann@example.com");
    send("GET_USER_INFO");
    host->signOut();
    send("GET_USER_INFO");
    ::setenv("XDG_CONFIG_HOME", folder.file("fresh-config").c_str(), 1);
    send("GET_USER_INFO");
    const std::string known = R"(REPLY_USER_INFO {"displayName":"Ann \"A\"\nSmith\t\\","email":"ann@example.com",)"
                              R"("fusionVersion":"2.0.21508 \"beta\""})";
    EXPECT_EQ(sentLines(), (StringList{known, known,
                                       R"(REPLY_USER_INFO {"displayName":"","email":"","fusionVersion":"2.0.21508 \"beta\""})"}));
    EXPECT_EQ(readText(folder.file("config") / "corvana" / "settings"),
              "UserName=Ann \"A\"\\nSmith\t\\\\\nUserEmail=ann@example.com\n") << "one line per value";
}

TEST_F(AddinTest, ListsLocalLibrariesAsValidJson) {
    for (const char* name : {"Mill\"s & Drills.json", "Taps.2024.json", "notes.txt"})
        writeText(host->libraryFolder() / name, "{}");
    send("GET_LOCAL_LIBRARIES");
    host->setCamAvailable(false);
    send("GET_LOCAL_LIBRARIES");
    EXPECT_EQ(sentLines(), (StringList{R"(REPLY_LOCAL_LIBRARIES {"names":["Mill\"s & Drills","Taps.2024"]})",
                                       R"(REPLY_LOCAL_LIBRARIES {"names":[]})"}));
    // The host hides such files, but a name with control characters must not break the reply.
    const StringList odd = {"Line\nBreak", "Bell\x07", "Back\\slash", ""};
    EXPECT_EQ(parseJsonOrFail(buildLocalLibrariesJson(odd)), (nlohmann::json{{"names", odd}}));
}

TEST_F(AddinTest, OpensOnlyEncryptedWebAndMailAddresses) {
    for (const char* data : {R"({"url":"HTTPS://example.com/docs?a=1"})", R"({"url":"MailTo:support@example.com"})",
                             R"({"url":"http://example.com"})", R"({"url":"file:///etc/passwd"})",
                             R"({"url":"javascript:alert(1)//https://"})", R"({"url":"https://unterminated)"})
        send("OPEN_URL", data);
    EXPECT_EQ(opener.opened, (StringList{"HTTPS://example.com/docs?a=1", "MailTo:support@example.com"}));
    EXPECT_TRUE(host->sentMessages().empty());
}

TEST_F(AddinTest, SettingsRequestsKeepOnlyUsableValues) {
    for (const char* data : {R"({"tolInch":0})", R"({"tolInch":-1})", R"({"tolInch":"0.1"})"})
        send("SET_POLY_TOLERANCE", data);
    EXPECT_DOUBLE_EQ(polyTolerance(), 0.0005);
    send("SET_POLY_TOLERANCE", R"({"tolInch":0.001})");
    EXPECT_DOUBLE_EQ(polyTolerance(), 0.001);

    // {request, mode, holder library name}: modes are truncated and clamped; no name, no holder library.
    const std::vector<std::tuple<std::string, int, std::string>> destinations = {
        {R"({"mode":2.7,"libName":"Shop \"A\" Holders"})", 2, "Shop \"A\" Holders"},
        {R"({"mode":3,"libName":"X"})", 1, "X"},
        {R"({"mode":-0.5})", 0, ""}};
    for (const auto& [request, mode, name] : destinations) {
        send("SET_HOLDER_DESTINATION", request);
        EXPECT_EQ(std::pair(static_cast<int>(holderDestinationMode()), holderLibraryName()), std::pair(mode, name)) << request;
    }

    send("SET_MATERIAL_DEFAULTS", R"({"taps":"Carbide","drills":"steel","reamers":"hss"})");
    EXPECT_EQ(materialDefaults()["taps"], "hss") << "values are matched exactly";
    EXPECT_EQ(materialDefaults()["drills"], "carbide");
    send("SET_MATERIAL_DEFAULTS", R"({"taps":"carbide"})");
    EXPECT_EQ(materialDefaults()["taps"], "carbide");

    send("SET_UTILITY_RUNNING", R"({"running":true})");
    send("CLOSE_PALETTE");
    EXPECT_TRUE(host->palette(mainPaletteId)) << "kept open while a utility runs";
    send("SET_UTILITY_RUNNING", R"({"running":false})");
    send("DETACH_TAB", R"({"tab":"tools"})");
    send("CLOSE_PALETTE");
    EXPECT_TRUE(host->paletteIds().empty()) << "every palette is removed, not hidden";
}

TEST_F(AddinTest, ResetPaletteDocksAndFitsIt) {
    const auto palette = ui()->palettes()->itemById(mainPaletteId);
    palette->setPosition(40, 50);
    palette->setSize(300, 200);
    host->setViewportSize(1280, 640);
    send("RESET_PALETTE");
    const auto state = host->palette(mainPaletteId);
    EXPECT_EQ(std::tie(state->dockingState, state->width, state->height),
              std::make_tuple(adsk::core::PaletteDockStateLeft, 490, 640));
}

} // namespace
} // namespace Corvana

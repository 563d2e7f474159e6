#include "addin/Appearance.h"

#include "tests/addin/AddinTestSupport.h"

namespace Corvana {
namespace {

using namespace Testing;

TEST(AppearanceTest, PercentEncodingKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(percentEncode("Tools & Holders"), "Tools%20%26%20Holders");
    EXPECT_EQ(percentEncode("a-b_c.d~E9"), "a-b_c.d~E9");
    EXPECT_EQ(percentEncode("Zo\xC3\xAB/?#%"), "Zo%C3%AB%2F%3F%23%25");
    EXPECT_EQ(percentEncode(std::string("\0\x7f", 2)), "%00%7F");
}

TEST_F(AddinTest, CheckEnvAnswersOncePerPage) {
    for (const char* action : {"CHECK_ENV", "CHECK_ENV", "SET_OPAQUE_MODE", "CHECK_ENV"})
        send(action, R"({"opaque":true})");  // only SET_OPAQUE_MODE reads it
    host->setLightingEnvironment(adsk::core::RiverRubiconLightingEnvironment);
    send("CHECK_ENV");
    // An environment this add-in does not know takes the light or dark look of the user interface theme.
    host->setLightingEnvironment(static_cast<adsk::core::LightingEnvironments>(6));
    for (const auto theme : {adsk::core::LightGrayUserInterfaceTheme, adsk::core::DarkBlueUserInterfaceTheme}) {
        host->setUserInterfaceTheme(theme);
        EXPECT_EQ(paletteTheme(heldApplication().get()), theme < 2 ? "light" : "riverrubicon");
    }
    const std::string greyRoom =
        R"(REPLY_ENV {"envBlocksTransparent":true,"envName":"Grey Room","themeLight":true,"themeName":"light"})";
    EXPECT_EQ(sentLines(), (StringList{greyRoom, greyRoom,
                                       R"(REPLY_ENV {"envBlocksTransparent":false,"envName":"System Theme",)"
                                       R"("themeLight":false,"themeName":"riverrubicon"})"}));
}

TEST_F(AddinTest, LightThemeBlocksTransparency) {
    send("SET_THEME_MODE", R"({"anyKey":"light"})");
    EXPECT_EQ(themeMode(), "light");
    send("SET_OPAQUE_MODE", R"({"opaque":false})");
    EXPECT_EQ(sentLines(), StringList{R"(NOTIFY_ENV_BLOCKED {"envName":"Always Light"})"});
    EXPECT_TRUE(opaqueMode());

    send("SET_THEME_MODE", R"({"mode":"LIGHT"})");
    EXPECT_EQ(themeMode(), "system");
    send("SET_THEME_MODE", R"({"mode":"riverrubicon"})");
    send("SET_OPAQUE_MODE", R"({"opaque":false})");
    EXPECT_TRUE(host->palette(mainPaletteId)->transparent);

    // Light returns while the palette is transparent: CHECK_ENV makes it opaque, and the new page asks again.
    send("SET_THEME_MODE", R"({"mode":"light"})");
    host->clearRecords();
    send("CHECK_ENV");
    EXPECT_TRUE(sentLines().empty());
    EXPECT_EQ(mainPaletteUrl(), testPageAddress + "?opaque=1&theme=light&envBlocked=alwayslight");
    send("CHECK_ENV");
    EXPECT_EQ(sentActions(), StringList{"REPLY_ENV"});

    send("SET_UTILITY_RUNNING", R"({"running":true})");
    send("SET_THEME_MODE", R"({"mode":"darksky"})");
    send("SET_OPAQUE_MODE", R"({"opaque":false})");
    EXPECT_TRUE(opaqueMode()) << "a running utility keeps the palette as it is";
}

TEST_F(AddinTest, DocumentationPaletteOpensMovesAndCloses) {
    send("DOCS_DETACH", R"({"lang":"fr","chapter":"Tools & Holders","top":120.9})");
    ASSERT_TRUE(host->palette(docsPaletteId));
    EXPECT_EQ(host->palette(docsPaletteId)->htmlFileURL,
              testPageAddress + "?solo=documentation&theme=light&opaque=1&lang=fr&chapter=Tools%20%26%20Holders&top=120");
    // The documentation page uses the same actions; answers go to the main page.
    host->sendFromPage(docsPaletteId, "GET_DOCS_STATE", "{}");
    send("DOCS_POS", R"({"chapter":"Zo\u00eb \"x\"","top":-5.5})");
    send("SET_THEME_MODE", R"({"mode":"darksky"})");
    EXPECT_EQ(host->palette(docsPaletteId)->htmlFileURL,
              testPageAddress + "?solo=documentation&theme=darksky&opaque=1&lang=fr&chapter=Zou00eb%20%22x%22&top=-5");
    send("DOCS_REATTACH", R"({"chapter":"Intro"})");
    ASSERT_TRUE(host->clickPaletteClose(docsPaletteId));
    send("GET_DOCS_STATE");
    EXPECT_EQ(sentLines(), (StringList{R"(REPLY_DOCS_STATE {"detached":true})",
                                       R"(REPLY_DOCS_POS {"chapter":"Zo\u00eb \"x\"","top":-5.5})",
                                       R"(REPLY_DOCS_REATTACH {"chapter":"Intro"})", "REPLY_DOCS_CLOSED {}",
                                       R"(REPLY_DOCS_STATE {"detached":false})"}));
    send("DOCS_CLOSE");
    EXPECT_FALSE(host->palette(docsPaletteId));
}

TEST_F(AddinTest, DetachedTabOpensReplacesRedocksAndCloses) {
    send("DETACH_TAB", R"({"tab":"","seed":"x"})");
    EXPECT_FALSE(host->palette(detachPaletteId));
    send("DETACH_TAB", R"({"tab":"tools","seed":"a b&c"})");
    ASSERT_TRUE(host->palette(detachPaletteId));
    EXPECT_EQ(host->palette(detachPaletteId)->htmlFileURL,
              testPageAddress + "?solo=tools&theme=light&opaque=1&seed=a%20b%26c");
    send("DETACH_TAB", R"({"tab":"holders"})");
    host->sendFromPage(detachPaletteId, "REDOCK_TAB", R"({"tab":"holders","text":"line 1\nline \"2\"\t\\"})");
    EXPECT_EQ(sentLines(), StringList{R"(TAB_REDOCKED {"tab":"holders","state":{"text":"line 1\nline \"2\"\t\\"}})"});
    send("CLOSE_DETACH");
    EXPECT_FALSE(host->palette(detachPaletteId));

    send("DETACH_TAB", R"({"tab":"tools"})");
    send("DOCS_DETACH");
    send("SET_OPAQUE_MODE", R"({"opaque":true})");
    EXPECT_EQ(host->paletteIds(), StringList{mainPaletteId}) << "re-creating the main palette removes all three";
}

} // namespace
} // namespace Corvana

#include "addin/ActionTable.h"

#include "tests/addin/AddinTestSupport.h"

#include <stdexcept>

namespace Corvana {
namespace {

using namespace Testing;

TEST_F(AddinTest, EveryPageActionIsRegisteredAndUnknownOnesAreIgnored) {
    StringList registered = registeredActionNames();
    std::erase_if(registered, [](const std::string& name) { return name.rfind("TEST_", 0) == 0; });
    EXPECT_EQ(registered,
              (StringList{"ANALYZE_LIBRARY", "ANALYZE_MDB_LIBRARY", "ANALYZE_PM_LIBRARY", "BROWSE_AND_PARSE_ARCHIVE",
                          "BROWSE_AND_PARSE_MDB", "BROWSE_AND_PARSE_PROJECT", "BROWSE_AND_PARSE_PTF",
                          "BROWSE_AND_PARSE_TOOL_LIBRARY", "CHECK_ENV", "CLOSE_DETACH", "CLOSE_PALETTE", "DETACH_TAB",
                          "DOCS_CLOSE", "DOCS_DETACH", "DOCS_POS", "DOCS_REATTACH", "DOWNLOAD_UPDATE", "EXPORT_MDB_TOOLS_JSON",
                          "EXPORT_PM_TOOLS_JSON", "EXPORT_TOOLS_JSON", "GET_APP_LANGUAGE", "GET_DOCS_STATE",
                          "GET_LOCAL_LIBRARIES", "GET_MFG_UNITS", "GET_PM_STATUS", "GET_USER_INFO", "IMPORT_MDB_TOOLS",
                          "IMPORT_PM_TOOLS", "IMPORT_TOOLS", "MERGE_LIBRARY", "MERGE_MDB_LIBRARY", "MERGE_PM_LIBRARY",
                          "OPEN_PM_PROJECT", "OPEN_PM_PROJECT_FORCE", "OPEN_URL", "REDOCK_TAB", "REPLACE_LIBRARY",
                          "REPLACE_MDB_LIBRARY", "REPLACE_PM_LIBRARY", "RESET_PALETTE", "SEND_DIAGNOSTICS",
                          "SET_HOLDER_DESTINATION", "SET_MATERIAL_DEFAULTS", "SET_OPAQUE_MODE", "SET_POLY_TOLERANCE",
                          "SET_THEME_MODE", "SET_UTILITY_RUNNING", "SUBMIT_FEEDBACK"}));
    send("NO_SUCH_ACTION");
    send("get_mfg_units");
    EXPECT_TRUE(host->sentMessages().empty());
    EXPECT_TRUE(host->logLines().empty());
}

TEST_F(AddinTest, HandlerFailureEndsTheMessageWithoutReply) {
    registerAction("TEST_THROWS", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        throw std::runtime_error("disk on fire");
    });
    registerAction("TEST_EMPTY", ActionHandler());
    registerAction("TEST_THROWS_INT", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        throw 42;
    });
    send("TEST_THROWS");
    send("TEST_EMPTY");
    send("TEST_THROWS_INT");
    send("GET_MFG_UNITS");
    EXPECT_EQ(sentActions(), StringList{"REPLY_MFG_UNITS"}) << "only the working handler replies";
    const auto lines = host->logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].message, "Corvana: TEST_THROWS_INT failed.");
    EXPECT_EQ(lines[0].message, "Corvana: TEST_THROWS failed: disk on fire");
    EXPECT_EQ(lines[1].message.rfind("Corvana: TEST_EMPTY failed", 0), 0u) << lines[1].message;
}

} // namespace
} // namespace Corvana

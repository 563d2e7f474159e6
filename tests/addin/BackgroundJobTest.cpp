#include "addin/ActionTable.h"
#include "addin/PendingResults.h"
#include "tests/addin/AddinTestSupport.h"
#include "tests/support/JsonCheck.h"

#include "Core/Utils.h"

#include <stdexcept>

namespace Corvana {
namespace {

using namespace Testing;

TEST_F(AddinTest, PendingCompletionsAreTakenOnceByTheirEvent) {
    StringList calls;
    const auto record = [&calls](const std::string& label) {
        return [&calls, label](bool ok, const std::string& error) {
            calls.push_back(label + (ok ? " ok " : " failed ") + error);
        };
    };
    const std::int64_t first = addPendingCompletion(record("first"));
    const std::int64_t second = addPendingCompletion(record("second"));
    const std::string info = completionEventInfo(second, false, "Server said \"no\"\n\x01");
    EXPECT_EQ(parseJsonOrFail(info)["err"], "Server said \"no\"\n\x01");

    const auto app = host->application();
    for (const std::string& data : {std::string(R"({"ok":true,"err":""})"), std::string(R"({"id":1e300,"ok":true})"), info, info})
        app->fireCustomEvent("CorvanaFeedbackDone", data);
    adsk::doEvents();
    EXPECT_EQ(calls, StringList{"second failed Server said \"no\"\nu0001"}) << "a missing id reads -1 and does nothing";

    // stop drops what is still pending; the late event finds nothing.
    ASSERT_TRUE(app->fireCustomEvent("CorvanaFeedbackDone", completionEventInfo(first, true, "")));
    EXPECT_TRUE(stop(""));
    adsk::doEvents();
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_FALSE(takePendingCompletion(first));
    ASSERT_TRUE(run(""));
}

// Unknown actions are ignored without a word; failing handlers are logged and send nothing.
TEST_F(AddinTest, HandlerFailureEndsTheMessageWithoutReply) {
    registerAction("TEST_THROWS", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        throw std::runtime_error("disk on fire");
    });
    registerAction("TEST_EMPTY", ActionHandler());
    registerAction("TEST_THROWS_INT", [](const std::string&, adsk::core::Application*, adsk::core::UserInterface*) {
        throw 42;
    });
    for (const char* action : {"NO_SUCH_ACTION", "get_mfg_units", "TEST_THROWS", "TEST_EMPTY", "TEST_THROWS_INT", "GET_MFG_UNITS"})
        send(action);
    EXPECT_EQ(sentActions(), StringList{"REPLY_MFG_UNITS"}) << "only the working handler replies";
    const auto lines = host->logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].message, "Corvana: TEST_THROWS_INT failed.");
    EXPECT_EQ(lines[0].message, "Corvana: TEST_THROWS failed: disk on fire");
    EXPECT_EQ(lines[1].message.rfind("Corvana: TEST_EMPTY failed", 0), 0u) << lines[1].message;
}


} // namespace
} // namespace Corvana

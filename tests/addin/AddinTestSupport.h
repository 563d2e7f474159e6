#pragma once
// Fixtures that play Fusion for the add-in: a simulated host in a temporary
// folder, APPDATA and the configuration folder at known places, and an
// opener that records instead of starting programs.

#include "addin/Lifecycle.h"
#include "addin/ParseHandlers.h"
#include "addin/PaletteBridge.h"
#include "adsk/sim/SimHost.h"
#include "platform/sim/SimOpener.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace Corvana::Testing {

using StringList = std::vector<std::string>;

inline const std::string testPageAddress =
    "file:///C:/Users/Test%20User/AppData/Roaming/Autodesk/Autodesk%20Fusion%20360/API/AddIns/Corvana/"
    "OfflineWebPalette/index.html";

// A running simulated host; the add-in is not started (stop is harmless).
class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The page sends (action, data) from the main palette.
    void send(const std::string& action, const std::string& data = "{}");
    // Answers the next dialog with each path in turn and sends (action, data) for it.
    void browse(const std::string& action, const StringList& paths, const std::string& data = "{}");
    // "title: text" of every message box shown, in order.
    StringList boxes() const;
    // "ACTION data" of every message sent, in order; each data is parsed as JSON.
    StringList sentLines() const;
    StringList sentActions() const;
    // Parsed data of the messages with `action`.
    std::vector<nlohmann::json> repliesTo(const std::string& action) const;
    std::string mainPaletteUrl() const;
    adsk::core::UserInterface* ui() const { return host->application()->userInterface().get(); }

    TempDir folder;
    std::unique_ptr<adsk::sim::SimHost> host;
    SimOpener opener;
};

// The add-in runs from SetUp to TearDown, which first restores the settings.
class AddinTest : public HostTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// REPLY_PARSE_PTF/REPLY_PARSE_MDB data of a parse that ran; a failed one adds the error member.
nlohmann::json parseReply(const std::string& path, int count, bool failed = false);

// `reader`, run only once the page messages queued before the parse were served by its pump.
ToolFileReader afterPageMessages(adsk::sim::SimHost& host, ToolFileReader reader);

} // namespace Corvana::Testing

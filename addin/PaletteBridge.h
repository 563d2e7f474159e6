#pragma once
// The message bridge: page messages in through the palette message handler,
// replies and progress out through sendToPalette.

#include "Core/CoreAll.h"

#include <functional>
#include <string>

namespace Corvana {

inline constexpr const char* mainPaletteId = "CorvanaPaletteId";

// The single road to the page: delivered only while the main palette exists,
// is valid and is visible; otherwise dropped without error.
void sendToPalette(adsk::core::UserInterface* ui, const std::string& action, const std::string& data);

// True only when the main palette exists, is valid and is visible.
bool isPaletteVisible(adsk::core::UserInterface* ui);

// Receives the messages of every Corvana palette and dispatches them through
// the action table. Unknown actions are ignored; an exception that escapes a
// handler is logged and ends that message without a reply.
class PaletteHTMLEventHandler : public adsk::core::HTMLEventHandler {
public:
    void notify(const adsk::core::Ptr<adsk::core::HTMLEventArgs>& eventArgs) override;

    adsk::core::Ptr<adsk::core::Application> app;
    adsk::core::Ptr<adsk::core::UserInterface> ui;
};

// Runs the body of a callback the host calls. Nothing may cross into the
// host, which would end the host itself: an exception is logged with `what`
// and goes no further.
void runHostCallback(const std::string& what, const std::function<void()>& body) noexcept;

// The one handler object all palettes subscribe.
PaletteHTMLEventHandler& paletteMessageHandler();

} // namespace Corvana

#pragma once
// The add-in's entry points and the main palette's life: run registers the
// command, the custom events, the palette and the workspace watch; stop
// removes them again in a fixed order.

#include "Core/CoreAll.h"

#if defined(_WIN32)
#define CORVANA_ADDIN_EXPORT __declspec(dllexport)
#else
#define CORVANA_ADDIN_EXPORT __attribute__((visibility("default")))
#endif

// The context text is not used. False when the host offers no application,
// user interface or command-definition collection.
extern "C" CORVANA_ADDIN_EXPORT bool run(const char* context);
// Always true; running workers are not waited for.
extern "C" CORVANA_ADDIN_EXPORT bool stop(const char* context);

namespace Corvana {

inline constexpr const char* showPaletteCommandId = "CorvanaShowPaletteCmd";
inline constexpr const char* feedbackDoneEventId = "CorvanaFeedbackDone";
inline constexpr const char* updateDoneEventId = "CorvanaUpdateDone";
inline constexpr int mainPaletteWidth = 490;
inline constexpr int mainPaletteHeight = 580;

// The application and user interface held from run to stop; null outside.
const adsk::core::Ptr<adsk::core::Application>& heldApplication();
const adsk::core::Ptr<adsk::core::UserInterface>& heldUserInterface();

// Shows the main palette, creating it when missing; false without a user
// interface or when the existing palette is no longer valid.
bool createOrShowPalette(const adsk::core::Ptr<adsk::core::Application>& app,
                         const adsk::core::Ptr<adsk::core::UserInterface>& ui, bool opaque);

// Removes the detached-tab, documentation and main palettes with their handlers.
void destroyPalettes(adsk::core::UserInterface* ui);

// Docks the main palette to the left and fits it to the viewport's height.
void dockMainPalette(adsk::core::Application* app, const adsk::core::Ptr<adsk::core::Palette>& palette);

} // namespace Corvana

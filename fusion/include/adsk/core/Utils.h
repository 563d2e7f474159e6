#pragma once
// Host utility functions.

namespace adsk {

// Lets the host process its pending events on the calling (main) thread:
// queued custom events and queued page messages are delivered here.
void doEvents();

} // namespace adsk

// Lets the calling (UI) thread serve the plug-in's timers for a while: the message loop on Windows,
// the host run loop on Linux.
#pragma once

namespace qhost {

class RunLoop;

// Serves UI events for about `milliseconds`; returns the number of run-loop callbacks made
// (always 0 on Windows, where the system dispatches the timer messages).
int pumpUi(RunLoop* loop, int milliseconds);

} // namespace qhost

// The desktop side of the one loop: the socket pump calls this once a round
// to dispatch every waiting Qt event, timer and posted call.
#pragma once

// Also runs deferred deletions, which Qt otherwise leaves to exec().
void DrainQtEvents();

// Before the QApplication exists: without DISPLAY and WAYLAND_DISPLAY the
// station runs on Qt's offscreen platform. True when it chose offscreen.
bool ChooseOffscreenWithoutDesktop();

#pragma once

// The X server of the test ($DISPLAY, an Xvfb): finding a program's window and clicking in it. Kept
// apart from the tests because Xlib's macros clash with GoogleTest's names.

#include <chrono>
#include <optional>

namespace apptest {

// A window's place on the screen and its size, in screen pixels.
struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The mapped top-level window of process `pid` (by its _NET_WM_PID); std::nullopt when none shows up
// within `timeout`.
std::optional<WindowGeometry> findWindowOf(int pid, std::chrono::milliseconds timeout);

// Moves the pointer to the screen point and presses and releases the left button there, as a user
// would (XTest). False when the X server cannot be reached or has no XTest.
bool clickAt(int x, int y);

}  // namespace apptest

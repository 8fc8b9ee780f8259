// Where an alarm window opens: at the remembered place when pinned, else
// cascading 30 pixels to the right of it and wrapping at the work area's
// right and bottom edges.
#pragma once

struct WindowPoint {
    int x = 0;
    int y = 0;
    bool operator==(const WindowPoint&) const = default;
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The desktop's work area (without panels); right and bottom are exclusive.
struct WorkArea {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

enum class Pinning { Cascade, Pinned };

inline constexpr int kNoLastPosition = -1;
inline constexpr int kCascadeStep = 30;

// `last` is the remembered position; x of kNoLastPosition means none, and
// the window opens at the work area's top left corner.
WindowPoint PlaceAlarmWindow(WindowPoint last, Pinning pinning, WindowSize size, WorkArea area);

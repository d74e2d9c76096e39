#pragma once

#include <string>

// The window and view settings kept per user, with their value names and defaults, in
// the order they are read and written. The restored rectangle is the window's on the
// screen without its frame, which is not known before a window is shown.
struct WindowPlacement {
    int flags = 0;
    int showCmd = 5;  // 1 normal, 2 minimised, 3 maximised, 5 shown
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int top = -1, left = -1, bottom = -1, right = -1;

    // A placement is applied only when its whole restored rectangle is on the positive
    // side of the screen.
    bool restorable() const { return top >= 0 && left >= 0 && bottom >= 0 && right >= 0; }
};

struct ViewSettings {
    int mode = 0;
    int listPos = 50;
    int dispMode = 3;
    WindowPlacement placement;
    int lastUsedProfile = 0;
};

ViewSettings readViewSettings(const std::string& keyPath);
void writeViewSettings(const std::string& keyPath, const ViewSettings& settings);

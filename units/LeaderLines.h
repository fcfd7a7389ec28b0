#pragma once
// How the leadership lines of units reach the screen: the drawing code
// installs a drawer; without one (headless) nothing is drawn.

#include <cstdint>

struct LeaderLineDrawer {
    // True while the renderer or the display hides leadership lines.
    bool (*hidden)() = nullptr;
    // A line that follows the ground in a line colour, from one point to the other.
    void (*line)(int32_t colour, float x1, float y1, float z1, float x2, float y2, float z2) = nullptr;
};

// Installs the drawer (copied); null removes it.
void SetLeaderLineDrawer(const LeaderLineDrawer* drawer);
const LeaderLineDrawer& GetLeaderLineDrawer();

#pragma once
// What the scenario list shows of one file: its header.

#include <cstdint>

#include "engine/GObject.h"
#include "engine/GString.h"

class ScenarioSnapshot : public GObject {
public:
    ~ScenarioSnapshot() override = default;

    bool fromGame = false; // a saved game; false for a scenario
    int32_t rounds = 0;    // turns (battles) still to play
    int32_t units = 0;
    int16_t force[2] = {0, 0}; // emblem cells of side 0 and side 1
    GString127 title;
};

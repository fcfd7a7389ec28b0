#pragma once
// State shared between the files of the battlefield drawing.
#include <cstdint>

class Map;

// Set by the map view before DrawMap; cleared when no 3-D battlefield is drawn.
extern bool sMapDrawn;
// Height from which rain and snow fall, set each frame by the camera.
extern float sWeatherHeight;
// The gusting wind that the trees advance and the weather reads.
extern float sGustForce;
extern float sWindSway;
// The map whose walls are being drawn.
extern Map* gWallMap;
// The flicker phase of the fires, 0 <= phase < 18.
extern float sFireFrame;

// The three unit-enlargement values for the map's camera and preferences.
void UnitScaleArguments(const Map* map, float* a, float* b, float* c);
// Whether the world point lies in front of the eye of the current matrix.
bool PointInFrontOfEye(float x, float y, float z);
// Restarts the 500 ms step of the sound upkeep (tests).
void ResetFrameSoundClock();
// Forgets the backdrop tables and weather clock (tests).
void ResetDrawStatics();

// What a flag shows: the victory flags' fields, also for a fixed object that
// marks where a flag stands. Drawn as Map::DrawOneFlag draws a flag.
struct FlagLook {
    float x = 0.0f, y = 0.0f;
    int32_t kind = 0; // 0 small, 1 large; others are not drawn
    bool neutral = true;
    int32_t holder = 0; // nation
    bool candidate = false, real = false;
};
void DrawFlag(Map* map, const FlagLook& flag);

namespace dm::models {
struct ModelTable;
}
// The compiled model table called `name`, or null. The drawing asks for the
// same names many times a frame, so each is looked for once.
const dm::models::ModelTable* ModelTableNamed(const char* name);

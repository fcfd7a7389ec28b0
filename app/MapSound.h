#pragma once
// The battlefield's positioned sounds: one-shots and loops that follow their
// unit (or stay at a point), and the tables that turn a sound class into a
// full-volume distance (the priority and the instance limit are the
// battle's, battle/SoundLimits.h).
#include <cstdint>

#include "battle/SoundLimits.h"
#include "engine/GSound3D.h"
#include "engine/GSound3DLoop.h"

class Unit;

// Full-volume distance in metres of a sound class.
float SoundClassDistance(int32_t soundClass);
// Engine loops are the loops of these priorities.
bool IsEnginePriority(int32_t activePriority);
// The camera shake a one-shot of that strength raises at d metres from the
// camera; 0 below the noticeable level.
float ShakeAtDistance(float strength, float distance);
// Hands the map drawing the sound upkeep (completion and following).
void InstallMapSoundHooks();

class MapSound : public GSound3D {
public:
    void IMapSound(int32_t id, int32_t soundClass, Unit* unit);
    void IMapSound(int32_t id, int32_t soundClass, float x, float y, float z);
    // Moves the sound to its source.
    void Update();

    Unit* mUnit = nullptr;
    float mX = 0.0f, mY = 0.0f, mZ = 0.0f;
};

class MapSoundLoop : public GSound3DLoop {
public:
    void IMapSoundLoop(int32_t id, int32_t soundClass, Unit* unit);
    void IMapSoundLoop(int32_t id, int32_t soundClass, float x, float y, float z);
    void Update();

    Unit* mUnit = nullptr;
    float mX = 0.0f, mY = 0.0f, mZ = 0.0f;
};

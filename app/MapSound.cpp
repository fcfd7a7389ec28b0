// The map's sounds: playing a recorded sound packet, the engine loops of
// vehicles and the camera shake of nearby blasts.
#include "app/MapSound.h"

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/DrawSettings.h"
#include "engine/GGroup.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr uint8_t kLoopFlag = 0x04;
constexpr float kShakeThreshold = 0.05f;
constexpr float kFullShakeDistance = 30.0f;

bool Finite3(const float* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Where a unit sounds from; false when it has no place to give.
bool UnitPoint(Unit* unit, float* x, float* y, float* z) {
    if (!unit || !unit->GetApparentLocation(x, y, z)) return false;
    return std::isfinite(*x) && std::isfinite(*y) && std::isfinite(*z);
}

bool SoundComplete(GObject* sound) {
    return static_cast<GVirtualSound*>(sound)->IsComplete();
}

void SoundUpdate(GObject* sound) {
    static_cast<MapSound*>(sound)->Update();
}

void LoopUpdate(GObject* loop) {
    static_cast<MapSoundLoop*>(loop)->Update();
}

Affiliation PerceivingSide() {
    const Affiliation side = gBattle ? gBattle->Host()->ViewingSide() : 0;
    return side == 2 ? 0 : side;
}

} // namespace

float SoundClassDistance(int32_t soundClass) {
    switch (soundClass) {
    case 0:
        return 150.0f;
    case 1:
        return 80.0f;
    case 2:
        return 100.0f;
    case 3:
        return 70.0f;
    case 4:
        return 65.0f;
    case 9:
        return 110.0f;
    case 14:
        return 600.0f;
    case 22:
        return 1000.0f;
    default:
        return 200.0f;
    }
}

bool IsEnginePriority(int32_t activePriority) {
    return activePriority == 3 || activePriority == 14;
}

float ShakeAtDistance(float strength, float distance) {
    if (!std::isfinite(strength) || !std::isfinite(distance)) return 0.0f;
    const float factor =
        distance <= kFullShakeDistance ? 1.0f : std::pow(kFullShakeDistance / distance, 1.2f);
    const float value = factor * strength;
    return value >= kShakeThreshold ? value : 0.0f;
}

void InstallMapSoundHooks() {
    gDrawHooks.soundComplete = SoundComplete;
    gDrawHooks.soundUpdate = SoundUpdate;
    gDrawHooks.loopUpdate = LoopUpdate;
}

// ---------------------------------------------------------------- MapSound

void MapSound::IMapSound(int32_t id, int32_t soundClass, Unit* unit) {
    const int32_t active = ConvertToActivePriority(soundClass);
    ISound3D(id, active, SoundClassDistance(soundClass), MyInstanceLimit(active));
    mUnit = unit;
    Update();
    Play();
}

void MapSound::IMapSound(int32_t id, int32_t soundClass, float x, float y, float z) {
    const int32_t active = ConvertToActivePriority(soundClass);
    ISound3D(id, active, SoundClassDistance(soundClass), MyInstanceLimit(active));
    mUnit = nullptr;
    mX = x;
    mY = y;
    mZ = z;
    Update();
    Play();
}

void MapSound::Update() {
    float x = mX, y = mY, z = mZ;
    if (mUnit) {
        if (!UnitPoint(mUnit, &x, &y, &z)) return;
        // Aircraft are heard from far above, not from their drawn height.
        if (mUnit->mUnitType == kUnitAirplane) z = -500.0f;
    }
    Set(x, y, z);
}

// ------------------------------------------------------------ MapSoundLoop

void MapSoundLoop::IMapSoundLoop(int32_t id, int32_t soundClass, Unit* unit) {
    const int32_t active = ConvertToActivePriority(soundClass);
    ISound3DLoop(id, active, SoundClassDistance(soundClass), MyInstanceLimit(active));
    mUnit = unit;
    Update();
    Play();
}

void MapSoundLoop::IMapSoundLoop(int32_t id, int32_t soundClass, float x, float y, float z) {
    const int32_t active = ConvertToActivePriority(soundClass);
    ISound3DLoop(id, active, SoundClassDistance(soundClass), MyInstanceLimit(active));
    mUnit = nullptr;
    mX = x;
    mY = y;
    mZ = z;
    Update();
    Play();
}

void MapSoundLoop::Update() {
    float x = mX, y = mY, z = mZ;
    if (mUnit && !UnitPoint(mUnit, &x, &y, &z)) return;
    Set(x, y, z);
}

// --------------------------------------------------------------------- Map

void Map::PlaySoundEffect(ActionPacket* packet) {
    if (!packet || !mSounds || !mSoundLoops) return;
    InstallMapSoundHooks();
    const Affiliation side = PerceivingSide();
    const float* point = packet->mPoint[side];
    Unit* unit = packet->mSource;
    // A unit that is gone plays nothing of its own.
    if (unit && !unit->mActive) unit = nullptr;
    if (!unit && !Finite3(point)) return;
    const int32_t soundClass = packet->mPriority;
    if (packet->mSoundFlags & kLoopFlag) {
        if (unit) RemoveUnitEngineSound(unit);
        auto* loop = new MapSoundLoop;
        if (unit)
            loop->IMapSoundLoop(packet->mSoundNumber, soundClass, unit);
        else
            loop->IMapSoundLoop(packet->mSoundNumber, soundClass, point[0], point[1], point[2]);
        mSoundLoops->Add(loop);
        return;
    }
    auto* sound = new MapSound;
    if (unit)
        sound->IMapSound(packet->mSoundNumber, soundClass, unit);
    else
        sound->IMapSound(packet->mSoundNumber, soundClass, point[0], point[1], point[2]);
    mSounds->Add(sound);

    if (CurrentDrawSettings().mCameraShake == 0 || !Finite3(point)) return;
    // From the camera point: the focus in the plane, at the eye's height of
    // the last frame; a non-finite height shakes nothing.
    const float cx = mCameraX[side], cy = mCameraY[side], cz = mCameraZ;
    const float dx = point[0] - cx, dy = point[1] - cy, dz = point[2] - cz;
    const float value = ShakeAtDistance(packet->mSoundParam, std::sqrt(dx * dx + dy * dy + dz * dz));
    if (value > 0.0f && value > mShake) mShake = value;
}

void Map::RemoveUnitEngineSound(Unit* unit) {
    if (!unit || unit->mUnitType != kUnitVehicle || !mSoundLoops) return;
    for (int32_t i = mSoundLoops->GetCount() - 1; i >= 0; --i) {
        auto* loop = static_cast<MapSoundLoop*>(mSoundLoops->GetObjectA(i));
        if (loop && loop->mUnit == unit && IsEnginePriority(loop->GetPriority())) {
            mSoundLoops->Delete(loop, true);
        }
    }
}

#pragma once
// Small helpers shared by the infantry's conduct in the action phase: its
// hits, fear, spotting, positioning, combat and movement. Distances are
// metres, headings degrees counter-clockwise from east.

#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace infantry {

constexpr float kDegToRad = static_cast<float>(M_PI / 180.0);
constexpr VoiceType kVoiceIncoming = 17;
constexpr VoiceType kVoiceTakingFire = 20;
constexpr VoiceType kVoicePanic = 21;
constexpr VoiceType kVoiceSurrender = 30;
constexpr VoiceType kVoiceCaptor = 29;
constexpr MovementSpeedType kPaceHold = 0;
constexpr MovementSpeedType kPaceStand = 1;
constexpr MovementSpeedType kPaceFast = 2;
constexpr MovementSpeedType kPaceMove = 4;
constexpr MovementSpeedType kPaceSewer = 15;
constexpr MovementSpeedType kPaceTurn = 17;
constexpr int32_t kBandPinned = 5;

inline Map* BattleMapOrNull() {
    return gBattle ? gBattle->mMap : nullptr;
}

// The units of the battle, or of the operation without one; null when none.
inline GList* AllUnits() {
    if (gBattle) return gBattle->mUnits;
    return nullptr;
}

inline int32_t UnitCount(GList* list) {
    return list ? list->GetCount() : 0;
}

inline Unit* UnitAt(GList* list, int32_t i) {
    return static_cast<Unit*>(list->GetObjectA(i));
}

// Suppression band 0..7 of a suppression value.
inline int32_t BandOf(float s) {
    if (s < 10.0f) return 0;
    if (s < 30.0f) return 1;
    if (s < 60.0f) return 2;
    if (s < 100.0f) return 3;
    if (s < 350.0f) return 4;
    if (s < 600.0f) return 5;
    if (s < 1200.0f) return 6;
    return 7;
}

// Men alive of any kind of unit.
inline int32_t MenLeft(const Unit* u) {
    return u->GetOriginalNrMen() - u->mCasualties;
}

// The smaller angle between two headings, 0..180 degrees.
inline float AngleOff(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 360.0f);
    return d > 180.0f ? 360.0f - d : d;
}

inline float Bearing(float fromX, float fromY, float toX, float toY) {
    float dx = toX - fromX, dy = toY - fromY;
    if (dx == 0.0f) return dy >= 0.0f ? 90.0f : 270.0f;
    float h = std::atan(dy / dx) / kDegToRad;
    if (dx < 0.0f) h += 180.0f;
    if (h < 0.0f) h += 360.0f;
    return h;
}

inline bool InBuildingTerrain(Terrain t) {
    return t >= 50 && t <= 54;
}

inline bool OnTheMap(float x, float y) {
    Map* map = BattleMapOrNull();
    return map && map->OnMap(x, y);
}

// A fire above stage 4 in the 20 m square of the point; off the map none.
inline bool LargeFireAt(float x, float y) {
    Map* map = BattleMapOrNull();
    return map && map->GetFireState(x, y) > 4;
}

inline bool CoverAt(float x, float y, bool strict) {
    Map* map = BattleMapOrNull();
    return map && map->IsCoverAt(x, y, strict);
}

inline float GroundAt(float x, float y) {
    Map* map = BattleMapOrNull();
    return map ? map->GetZCoord(x, y) : 0.0f;
}

// Whether an active unit of the other side lies within r of A and within
// 45 degrees of the bearing from A to B.
bool EnemyBlocksWay(const Unit* self, float ax, float ay, float bx, float by, float r);

// Whether a move of the unit at all is allowed now: in the editor or an
// opening set-up always, else by its mobility and immobility.
bool MayMoveNow(Infantry* u);

// A moving unit's pace row (row 1 for a holding unit still reloading).
inline const MovementSpeedChart& PaceRow(MovementSpeedType pace) {
    return gMovementSpeedChart[pace < 0 || pace > 31 ? 1 : pace];
}

// The next GetTEMFromLocation call of any infantry unit reads the visible
// fraction from its exposure argument instead of tracing the sight line.
void ReuseExposureOnce();

inline void CountDown(float* clock) {
    if (*clock <= 0.025f)
        *clock = 0.0f;
    else
        *clock -= 0.025f;
}

} // namespace infantry

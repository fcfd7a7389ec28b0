#pragma once
// The computer opponent's unit moves: the six fuzzy sets that describe a
// unit's situation, and what the moves ask of the unit kinds.
//
// The questions below are answered by the unit kinds' own rules and the
// data tables.

#include <cstdint>

#include "engine/GFuzzySet.h"
#include "units/Enums.h"
#include "units/UnitGeometry.h"

class Battle;
class Infantry;
class Map;
class Unit;
class Vehicle;
class VictoryFlag;

// A unit's situation for one move rating.
struct AIBasicFuzzies {
    GFuzzySet mSuppression;       // labels 0..4, unsuppressed to heavily suppressed
    GFuzzySet mObjectiveDistance; // 0..3, near to far
    GFuzzySet mObjectiveReach;    // 0..3, within the weapons' reach to far beyond it
    GFuzzySet mThreat;            // 0..3, the enemy's fire aimed at the unit
    GFuzzySet mCover;             // 0..3, no cover to the best cover
    GFuzzySet mHarm;              // 0..3, the unit's ability to harm its (would-be) target
    bool mHoldAndEngage = false;  // ordered to fire and to stay: an armoured vehicle at an enemy gun
};

// One trapezoid term (label, a, b, c, d) of a fuzzy input.
struct AITerm {
    int8_t mLabel;
    float mA, mB, mC, mD;
};

// Adds the terms' members for the input x, in the given order.
void AIFuzzify(GFuzzySet* set, float x, const AITerm* terms, int32_t n);

// Speed types and terrain codes the moves use as numbers.
constexpr MovementSpeedType kAISpeedCautious = 4;
constexpr MovementSpeedType kAISpeedFast = 5;
constexpr MovementSpeedType kAISpeedAssault = 6;
constexpr MovementSpeedType kAISpeedSneak = 7;
constexpr MovementSpeedType kAISpeedQuick = 8;
constexpr MovementSpeedType kAISpeedVehicle = 13;
constexpr int32_t kAIOrderFast = 22;
constexpr int32_t kAIOrderSneak = 23;
constexpr int32_t kAIOrderAssault = 24;
constexpr int32_t kAIOrderHunt = 37;

// Whether a straight leg lies in cover at every 20 m.
bool AILegInCover(float x1, float y1, float x2, float y2);
// Whether a live, spotted infantry unit of the side stands near the point
// (120 m for one of weapon class 1 or a platoon member, else 60 m).
bool AIEnemyInfantryNear(float x, float y, int32_t side);
// The rule tables of the move ratings (rows by columns).
extern const int8_t kAIThreatCoverRule[4 * 4];
extern const int8_t kAISuppressionCoverRule[5 * 4];
extern const int8_t kAIObjectiveHarmRule[4 * 4];
extern const int8_t kAICombineRule[7 * 7];
extern const int8_t kAISuppressionThreatRule[5 * 4];
extern const int8_t kAICoverHarmRule[4 * 4];
extern const int8_t kAIReachRule[4 * 4];

// An infantry unit's fall-back when its group is beaten.
void AIInfantryLoserMove(Unit* u, bool force);

// The uniform fraction of the moves, rounded to single precision.
float AIUniform();
// Bearing in degrees 0..360 of the offset (dx, dy); 90 or 270 when dx is 0.
float AIBearing(float dx, float dy);

namespace aimove {

bool IsInfantry(const Unit* u);
// The unit as a vehicle, or null.
Vehicle* AsVehicle(Unit* u);
// The unit as an infantry unit, or null.
Infantry* AsInfantry(Unit* u);
bool ValidInfantryRow(const Unit* u);
// The infantry record's platoon-member flag (false without a valid row).
bool PlatoonMember(const Unit* u);
// Infantry whose record names a gun of weapon class 5.
bool IsGunCrew(const Unit* u);
using ::Distance3D;
// Two or more waypoints, or one that is not a rotation.
bool HasMoveOrder(const Unit* u);
// Side index 0 Axis, 1 Allies.
int32_t SideOf(const Unit* u);

// ---- the infantry kind --------------------------------------------------
// Speed type 8 for speed class 2 or more, else 4.
MovementSpeedType QuickSpeed(Unit* u);
bool OnSkis(Unit* u);

// ---- the vehicle kind ---------------------------------------------------
Unit* Passenger(Vehicle* v, int32_t slot);
bool HasTurret(Vehicle* v);
bool HasFunctioningMG(Vehicle* v, bool any);
bool IsFixed(Vehicle* v);
void SetAITargetAssigned(Vehicle* v);
// The turret's bearing from the hull front (0 without a turret rule).
float TurretOffset(Unit* u);
void SetTurretOffset(Unit* u, float offset);

// ---- the target choice ---------------------------------------------------
// The unit's ability to harm the target times factor, as labels 0..3.
void AbilityToHarmSet(Unit* u, GFuzzySet* set, Unit* target, AmmoClass ammo, bool broad, bool cover,
                      bool suppression, float factor, bool overrun);
// A temporary copy of the unit of its own kind, sharing nothing that its
// deletion frees; null when none can be made.
Unit* MakeTemporaryCopy(Unit* u);
// Detaches what the copy shares with its original, then deletes it.
void DeleteTemporaryCopy(Unit* copy);

} // namespace aimove

// The objective move toward a group's objective node, the move ratings, the
// loser move of a beaten unit and the defensive types that set-up sorts
// units by.

#include <algorithm>
#include <cmath>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

const int8_t kAISuppressionThreatRule[5 * 4] = {
    3, 2, 2, 1, //
    2, 2, 1, 1, //
    2, 1, 1, 0, //
    1, 1, 0, 0, //
    0, 0, 0, 0,
};
const int8_t kAICoverHarmRule[4 * 4] = {
    3, 2, 1, 0, //
    3, 2, 0, 0, //
    2, 1, 0, 0, //
    2, 1, 0, 0,
};
const int8_t kAIReachRule[4 * 4] = {
    0, 1, 2, 3, //
    1, 2, 3, 4, //
    2, 3, 4, 5, //
    3, 4, 5, 6,
};

namespace {

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

bool RoughGround(Terrain t) {
    return t >= 55 && t <= 63;
}

float Plane(float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

bool Inside(const Map* map, float x, float y) {
    return x >= 0.0f && y >= 0.0f && x < map->mWidthMetres && y < map->mHeightMetres;
}

// A point drawn within s of (tx, ty).
void Draw(float tx, float ty, float s, float* x, float* y) {
    *x = tx + 2.0f * s * AIUniform() - s;
    *y = ty + 2.0f * s * AIUniform() - s;
}

// Appends (or, with 50 waypoints, puts in place of the last) a waypoint
// one metre beyond the exit edge.
void AppendExitWaypoint(Unit* u, int32_t edge, const Map* map) {
    const int32_t last = u->mNrWaypoints < kMaxWaypoints ? u->mNrWaypoints : kMaxWaypoints - 1;
    float x = u->mNrWaypoints > 0 ? u->mWaypoints[u->mNrWaypoints - 1].mX : u->mX;
    float y = u->mNrWaypoints > 0 ? u->mWaypoints[u->mNrWaypoints - 1].mY : u->mY;
    switch (edge) {
    case 0:
        x = -1.0f;
        break;
    case 1:
        y = map->mHeightMetres + 1.0f;
        break;
    case 2:
        x = map->mWidthMetres + 1.0f;
        break;
    default:
        y = -1.0f;
        break;
    }
    Destination& w = u->mWaypoints[last];
    w = Destination{};
    w.mX = x;
    w.mY = y;
    w.mZ = map->GetZCoord(x, y);
    w.mOrder = kAISpeedCautious;
    w.mKind = kWaypointPathEnd;
    w.mOnBuildingLevel = 0;
    w.mHide = 0;
    u->mNrWaypoints = last + 1;
    if (last > 0) u->mWaypoints[last - 1].mKind = kWaypointPathPoint;
}

// Whether a move toward (px, py) would follow a friend's path: the first
// waypoint of a friend bound for the same place that lies in the same
// direction and beyond 220 m.
bool FollowFriend(Unit* self, float px, float py, float reach, bool* exposed) {
    const int32_t n = gBattle && gBattle->mUnits ? gBattle->mUnits->GetCount() : 0;
    const float b = AIBearing(px - self->mX, py - self->mY);
    for (int32_t i = n - 1; i >= 0; --i) {
        auto* u = static_cast<Unit*>(gBattle->mUnits->GetObjectA(i));
        if (u == self || u->mSide != self->mSide || !u->HasMovementOrders() || u->PathType() != 0) continue;
        float fx = 0.0f, fy = 0.0f;
        u->GetFinalDestination(&fx, &fy, nullptr);
        if (!(Plane(fx, fy, px, py) < reach)) continue;
        for (int32_t k = 0; k < u->mNrWaypoints; ++k) {
            const Destination& w = u->mWaypoints[k];
            float diff = std::fabs(b - AIBearing(w.mX - self->mX, w.mY - self->mY));
            if (diff > 180.0f) diff = 360.0f - diff;
            if (diff <= 45.0f && Plane(self->mX, self->mY, w.mX, w.mY) > 220.0f) {
                self->AIMakePathTo(w.mX, w.mY, false, aimove::IsInfantry(self), exposed);
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool AIEnemyInfantryNear(float x, float y, int32_t side) {
    const int32_t n = gBattle && gBattle->mUnits ? gBattle->mUnits->GetCount() : 0;
    for (int32_t i = 0; i < n; ++i) {
        auto* u = static_cast<Unit*>(gBattle->mUnits->GetObjectA(i));
        if (!u->mActive || !aimove::IsInfantry(u) || !u->IsSpottedNow() || aimove::SideOf(u) != side)
            continue;
        const float reach = u->GetWeaponClass() == 1 || aimove::PlatoonMember(u) ? 120.0f : 60.0f;
        if (u->DistanceToLocation(x, y) < reach) return true;
    }
    return false;
}

void Unit::AIRateFuzzies(float objectiveDistance, float* combat, float* objective) {
    AIBasicFuzzies record;
    AIRateBasicFuzzies(&record, objectiveDistance);
    if (record.mHoldAndEngage) {
        if (combat) *combat = 0.0f;
        if (objective) *objective = 0.0f;
        return;
    }
    const float c = AIRateCombatMove(&record);
    if (combat) *combat = c;
    if (objective) *objective = AIRateObjectiveMove(&record, objectiveDistance);
}

float Unit::AIRateObjectiveMove(AIBasicFuzzies* record, float) {
    if (GetSpeedClass() <= 1 || mAimTime == 99.0f) return 0.0f;
    if (mUnitType == kUnitVehicle && RoughGround(GetOccupiedTerrain())) return 9999.0f;
    const int32_t turn = gBattle ? gBattle->mTurn : 1;
    const bool gunCrew = aimove::IsGunCrew(this);
    if (gunCrew) {
        if (turn <= 3) return 0.0f;
        if (turn <= 6 && (RandomPair() & 1u) == 0) return 0.0f;
    }

    GFuzzySet advance, leave, wish, result;
    record->mSuppression.CombineThroughFAM(kAISuppressionThreatRule, 4, &record->mThreat, &advance);
    record->mCover.CombineThroughFAM(kAICoverHarmRule, 4, &record->mHarm, &leave);
    advance.CombineThroughFAM(kAICombineRule, 7, &leave, &wish);
    wish.CombineThroughFAM(kAIReachRule, 4, &record->mObjectiveReach, &result);
    float r = result.Resolve();

    const bool infantry = aimove::IsInfantry(this);
    if (infantry) {
        if (aimove::PlatoonMember(this))
            r += 0.15f;
        else if (IsLeader(nullptr))
            r -= 0.2f;
        else if (IsSupportWeapon(true))
            r += mTarget || gAIDefending ? -0.9f : 0.3f;
        if (!mTarget && !mAreaTarget) r += 0.5f;
        if (gunCrew && mAreaTarget && CanSeeLocation(mAreaTargetX, mAreaTargetY))
            r = InCover(true) ? 0.0f : r * 0.5f;
        if (!InCover(true)) r += 1.5f;
    } else if (mUnitType == kUnitVehicle) {
        Vehicle* v = aimove::AsVehicle(this);
        if (!HasOrdnance(false, true) && !aimove::Passenger(v, 0) && !aimove::Passenger(v, 1)) r -= 0.5f;
    }

    const int32_t last = gBattle ? gBattle->mLastTurn : 0;
    if (gAIDefending && static_cast<float>(turn) < 0.75f * static_cast<float>(last))
        r = r * (static_cast<float>(turn) / static_cast<float>(last) + 0.25f);
    else if (gBattle && gBattle->mAttacker == 2)
        r += 1.5f;
    if (!gAIDefending && infantry && !InCover(true)) r += 1.5f;
    return r;
}

bool Unit::AIDoObjectiveMove(FlagsNode* node, bool* exposed) {
    Map* map = BattleMap();
    if (!node || !map) return false;
    float tx = node->mCenterX, ty = node->mCenterY;
    if (VictoryFlag* f = node->PickUncapturedFlag(mX, mY)) {
        tx = f->mX;
        ty = f->mY;
    }
    const float d = DistanceToLocation(tx, ty);
    const int32_t edge = gAISide >= 0 && gAISide <= 1 ? gBattle->mExitEdge[gAISide] : 0;
    const bool alongY = edge == 0 || edge == 2; // a West or East edge

    if (MarkedForExit() && d < 150.0f) {
        float v;
        switch (edge) {
        case 0:
            v = mX;
            break;
        case 1:
            v = map->mHeightMetres - mY;
            break;
        case 2:
            v = map->mWidthMetres - mX;
            break;
        default:
            v = mY;
            break;
        }
        if (v < 15.0f) {
            if (alongY)
                AIMakePathTo(tx, mY, false, false, exposed);
            else
                AIMakePathTo(mX, ty, false, false, exposed);
        }
        if (v >= 15.0f || mNrWaypoints == 0) {
            const float j = 0.33f * v * (2.0f * AIUniform() - 1.0f);
            if (alongY)
                ty += j;
            else
                tx += j;
            AIMakePathTo(tx, ty, false, false, exposed);
        }
        AppendExitWaypoint(this, edge, map);
        return true;
    }

    float px = tx, py = ty;
    if (node->mExitNode) {
        const float shift = 120.0f * AIUniform() - 60.0f;
        // The shifted point stays on the edge: near a corner it would
        // otherwise lie beyond the map, where no path leads.
        if (alongY)
            py = std::clamp(py + shift, 1.0f, map->mHeightMetres - 1.0f);
        else
            px = std::clamp(px + shift, 1.0f, map->mWidthMetres - 1.0f);
    } else {
        if (d < 80.0f) {
            const float k = 1.0f - (d - 30.0f) * 0.02f;
            if (AIUniform() < k * k) return false;
        }
        float s0 = 0.26f * d;
        s0 = s0 < 30.0f ? 30.0f : s0 > 120.0f ? 120.0f : s0;
        const bool vehicle = mUnitType == kUnitVehicle;
        const bool infantry = aimove::IsInfantry(this);
        if (vehicle && s0 < 60.0f && RoughGround(map->GetTerrain(tx, ty, false))) s0 = 60.0f;
        const int32_t other = gAISide == kAxis ? kAllies : kAxis;
        bool accepted = false;
        for (float s = s0;;) {
            Draw(tx, ty, s, &px, &py);
            s -= 2.0f;
            if (s <= 0.0f) break;
            if (!Inside(map, px, py) || !CanOccupyLocation(px, py, true)) continue;
            if (infantry && !map->IsCover(map->GetTerrain(px, py, true), s > 60.0f)) continue;
            if (vehicle &&
                (AIEnemyInfantryNear(px, py, other) || RoughGround(map->GetTerrain(px, py, false))))
                continue;
            accepted = true;
            break;
        }
        if (!accepted && infantry) {
            for (float s = s0;;) {
                Draw(tx, ty, s, &px, &py);
                s -= 2.5f;
                if (s <= 0.0f) break;
                if (Inside(map, px, py) && CanOccupyLocation(px, py, true)) {
                    accepted = true;
                    break;
                }
            }
        }
        if (Inside(map, px, py) && CanOccupyLocation(px, py, true)) {
            if (!accepted) {
                px = tx;
                py = ty;
            }
        } else {
            for (float s = 20.0f;;) {
                Draw(tx, ty, s, &px, &py);
                s += 2.0f;
                if (Inside(map, px, py) && CanOccupyLocation(px, py, true)) break;
                if (s >= 300.0f) break;
            }
        }
    }

    const float reach = 0.25f * d;
    if (HasMovementOrders()) {
        float fx = 0.0f, fy = 0.0f;
        GetFinalDestination(&fx, &fy, nullptr);
        if (Plane(fx, fy, px, py) < reach) return true;
    }
    if (PathType() == 0 && FollowFriend(this, px, py, reach, exposed)) return true;
    AIMakePathTo(px, py, false, aimove::IsInfantry(this), exposed);
    return true;
}

void AIInfantryLoserMove(Unit* u, bool force) {
    if (u->mSuppression >= 350.0f || u->HasMovementOrders() || !u->CanMovePhysically() ||
        (!force && u->InCover(true)))
        return;
    // Only infantry falls back.
    Infantry* infantry = aimove::AsInfantry(u);
    if (!infantry) return;
    const bool swap = u->mSurrendered;
    if (swap) u->mSide = u->mSide ? 0 : 1;
    infantry->RoutMove(force, false);
    if (swap) u->mSide = u->mSide ? 0 : 1;
}

void Infantry::AIDoLoserMove(bool force) {
    AIInfantryLoserMove(this, force);
}

int32_t Vehicle::AIDefensiveType() {
    if (aimove::IsFixed(this) || !CanMovePhysically()) return 0;
    if (HasHeavyWeapon(kKnowTruth) || aimove::HasFunctioningMG(this, false)) return 4;
    return 0;
}

int32_t Unit::AIDefensiveType() {
    if (!aimove::IsInfantry(this)) return 0;
    if (HasOrdnance(false, false)) return 0;
    if (!CanMovePhysically()) return 0;
    if (HasOrdnance(true, false)) return gAIDefending ? 0 : 1;
    if (IsSupportWeapon(false)) return 2;
    if (aimove::IsGunCrew(this)) return 4;
    return 3;
}

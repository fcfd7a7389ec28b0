// The computer opponent's move orders: a found path stored as waypoints at
// the pace the situation asks, covered legs, scatter, and the distance
// measure of the objective graph.

#include <algorithm>
#include <cmath>

#include "ai/AIMoves.h"
#include "battle/Battle.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

float Length(float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

bool Inside(const Map* map, float x, float y) {
    return x >= 0.0f && y >= 0.0f && x < map->mWidthMetres && y < map->mHeightMetres;
}

// The rough chance of harming the target from where the unit stands.
float RoughHarm(Unit* u, Unit* target) {
    if (!u->CanSee(target, nullptr)) return 0.0f;
    return u->GetRoughAbilityToDamage(nullptr, u->ChooseAmmo(target, false), aimove::AsVehicle(target));
}

// Whether a gun vehicle that cannot harm the armoured target from here,
// nor with the target turned toward it, could from the path's end.
bool MovingHelps(Unit* u, Unit* target, const Path& path) {
    float a = RoughHarm(u, target);
    if (a >= 0.15f) return false;
    const float heading = target->mHeading;
    const float turret = aimove::TurretOffset(target);
    target->mHeading = AIBearing(u->mX - target->mX, u->mY - target->mY);
    aimove::SetTurretOffset(target, 0.0f);
    a = RoughHarm(u, target);
    target->mHeading = heading;
    aimove::SetTurretOffset(target, turret);
    if (a >= 0.15f || path.mCount <= 0) return false;
    const float x = u->mX, y = u->mY;
    u->mX = path.mX[path.mCount - 1];
    u->mY = path.mY[path.mCount - 1];
    a = RoughHarm(u, target);
    u->mX = x;
    u->mY = y;
    return a >= 0.3f;
}

MovementSpeedType InfantryPace(Unit* u, bool combat, Path* path) {
    MovementSpeedType s = 0;
    if (combat && u->mTarget && aimove::Distance3D(u, u->mTarget) <= 120.0f) {
        if (u->CanDoOrder(kAIOrderSneak)) {
            s = kAISpeedSneak;
        } else if (u->CanDoOrder(kAIOrderAssault)) {
            path->mX[0] = path->mX[path->mCount - 1];
            path->mY[0] = path->mY[path->mCount - 1];
            path->mCount = 1;
            s = kAISpeedAssault;
        }
    }
    if (s == 0 && combat && u->CanDoOrder(kAIOrderFast)) s = kAISpeedFast;
    if (s == 0) {
        if (u->mSuppression == 0.0f && (u->mFatigueState >= 2 || u->GetSpeedClass() != kSpeedUnencumbered))
            s = kAISpeedCautious;
        else if (u->mSuppression != 0.0f && u->CanDoOrder(kAIOrderFast))
            s = kAISpeedFast;
        else
            s = aimove::QuickSpeed(u);
    }
    if (s == kAISpeedFast && aimove::OnSkis(u) && u->mSuppression < 30.0f) s = kAISpeedQuick;
    return s;
}

// Moves waypoints up to 20 m within their own terrain along the first 200 m.
void Scatter(Unit* u, Map* map) {
    float ox = 0.0f, oy = 0.0f, along = 0.0f;
    float px = u->mX, py = u->mY;
    for (int32_t i = 0; i + 1 < u->mNrWaypoints; ++i) {
        Destination& w = u->mWaypoints[i];
        const float leg = Length(px, py, w.mX, w.mY);
        px = w.mX;
        py = w.mY;
        if (!Inside(map, w.mX, w.mY)) return;
        along += leg;
        if (along > 200.0f) return;
        const Terrain t = map->GetTerrain(w.mX, w.mY, true);
        const Destination& next = u->mWaypoints[i + 1];
        if (!map->IsCover(t, false) && map->IsCoverAt(next.mX, next.mY, false) &&
            Length(w.mX, w.mY, next.mX, next.mY) < 40.0f) {
            ox = oy = 0.0f;
            continue;
        }
        const float r = std::min(std::min(along * 0.5f, 20.0f), leg);
        for (int32_t k = 0; k < 20; ++k) {
            const float cx = w.mX + std::clamp(ox + 2.0f * r * AIUniform() - r, -r, r);
            const float cy = w.mY + std::clamp(oy + 2.0f * r * AIUniform() - r, -r, r);
            if (map->GetTerrain(cx, cy, true) != t || !Inside(map, cx, cy) ||
                !u->CanOccupyLocation(cx, cy, true))
                continue;
            ox = cx - w.mX;
            oy = cy - w.mY;
            w.mX = cx;
            w.mY = cy;
            w.mZ = map->GetZCoord(cx, cy);
            px = cx;
            py = cy;
            break;
        }
    }
}

} // namespace

float AIBearing(float dx, float dy) {
    if (dx == 0.0f) return dy >= 0.0f ? 90.0f : 270.0f;
    float b = static_cast<float>(std::atan(dy / dx) * (180.0 / M_PI));
    if (dx < 0.0f)
        b += 180.0f;
    else if (dy < 0.0f)
        b += 360.0f;
    return b;
}

float Map::AbstractPathDistance(float x1, float y1, float x2, float y2) const {
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

bool AILegInCover(float x1, float y1, float x2, float y2) {
    Map* map = BattleMap();
    if (!map) return false;
    const float length = Length(x1, y1, x2, y2);
    const int32_t n = static_cast<int32_t>(length * 0.05f + 0.99f);
    if (n <= 0) return map->IsCoverAt(x1, y1, true); // a leg of no length is its one point
    for (int32_t i = 0; i <= n; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(n);
        if (!map->IsCoverAt(x1 + (x2 - x1) * f, y1 + (y2 - y1) * f, true)) return false;
    }
    return true;
}

void Unit::AIMakePathTo(float x, float y, bool combat, bool scatter, bool* exposed) {
    if (exposed) *exposed = false;
    Map* map = BattleMap();
    Path path;
    if (!map || map->AStar(this, mX, mY, x, y, false, &path) != kPathFound || path.mCount <= 0) {
        mNrWaypoints = 0;
        return;
    }
    const bool infantry = aimove::IsInfantry(this);
    MovementSpeedType s;
    if (infantry) {
        s = InfantryPace(this, combat, &path);
    } else {
        s = combat && !HasOrdnance(false, true) ? kAISpeedCautious : kAISpeedVehicle;
        if (s == kAISpeedVehicle && mTarget && HasOrdnance(false, true) &&
            aimove::HasTurret(aimove::AsVehicle(this)) && mTarget->HasOrdnance(false, true) &&
            mTarget->IsArmoredVehicle(kKnowTruth, false) && MovingHelps(this, mTarget, path))
            s = kAISpeedCautious;
    }
    StorePath(&path, s);

    if (mUnitType == kUnitVehicle && combat) {
        ShiftGears(nullptr, s, false, 0.0f, 0.0f);
    } else if (infantry && !combat && GetSpeedClass() == kSpeedUnencumbered) {
        float px = mX, py = mY;
        for (int32_t i = 0; i < mNrWaypoints; ++i) {
            Destination& w = mWaypoints[i];
            if (AILegInCover(px, py, w.mX, w.mY)) w.mOrder = kAISpeedCautious;
            px = w.mX;
            py = w.mY;
        }
    }

    if (exposed && infantry && !aimove::PlatoonMember(this)) {
        float along = 0.0f, px = mX, py = mY;
        for (int32_t i = 0; i < mNrWaypoints && along < 60.0f; ++i) {
            const Destination& w = mWaypoints[i];
            if (!AILegInCover(px, py, w.mX, w.mY)) {
                *exposed = true;
                break;
            }
            along += Length(px, py, w.mX, w.mY);
            px = w.mX;
            py = w.mY;
        }
    }

    if (IsArmoredVehicle(kKnowTruth, false) && mTarget)
        ReceiveMoveOrders(mTarget->mX, mTarget->mY, kAIOrderHunt, nullptr, true, false, false, true);

    if (scatter && GetSpeedClass() >= 3) Scatter(this, map);

    bool recompute = mNrWaypoints == 0 || (mNrWaypoints == 1 && mWaypoints[0].mOrder == kPaceRotate);
    if (!recompute && (mMoveComponentX != 0.0f || mMoveComponentY != 0.0f)) {
        const float d = AIBearing(mWaypoints[0].mX - mX, mWaypoints[0].mY - mY) - mHeading;
        const float ad = std::fabs(d);
        recompute = ad > 60.0f && ad < 300.0f;
    }
    if (recompute) {
        mCommandDelay = 0.0f;
        OrdersDelay(false, true);
    }
}

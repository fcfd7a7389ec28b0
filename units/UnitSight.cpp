// What a unit sees, whether it stands in good order, and where it may set
// up and take orders.
//
// Sight goes from the unit's eye (its base plus LOSBoost) to the other
// unit's eye, or to the ground (a building's upper floor) at a point. Answers
// between two units are kept in the map's sight cache only while the battle
// stamps every unit's movement; without that link a kept answer could
// outlive a move, so each question is then traced afresh.

#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

// Set-up zone codes of the map's squares: 1..3 belong to the Allies, 4..6
// to the Axis.
constexpr int32_t kFirstAxisZone = 4;
constexpr int32_t kLastZone = 6;
constexpr int32_t kZoneFixed = 7; // the unit's zone: it may not be moved

} // namespace

bool Unit::CanSee(Unit* other, float* visibility) {
    if (visibility) *visibility = 0.0f;
    Map* map = BattleMap();
    if (!other || !map) return false;
    bool useCache = map->GetBattleLink() != nullptr;
    bool los = false;
    float vis = 0.0f;
    if (useCache && map->CheckStoredLOS(this, other, &los, &vis, nullptr, nullptr)) {
        if (visibility) *visibility = vis;
        return los;
    }
    float z1 = GetZ() + LOSBoost();
    float z2 = other->GetZ() + other->LOSBoost();
    bool answered = map->CheckLOS(false, true, false, mX, mY, z1, other->mX, other->mY, z2, &vis, nullptr,
                                  nullptr, nullptr, nullptr);
    los = answered && vis > 0.0f;
    if (useCache && answered) map->StoreLOS(this, other, los, vis, false, false, false);
    if (visibility) *visibility = vis;
    return los;
}

bool Unit::CanSeeLocation(float x, float y) {
    Map* map = BattleMap();
    if (!map || !std::isfinite(x) || !std::isfinite(y)) return false;
    float vis = 0.0f;
    bool answered = map->CheckLOS(false, true, false, mX, mY, GetZ() + LOSBoost(), x, y,
                                  map->GetZWithBuilding(x, y), &vis, nullptr, nullptr, nullptr, nullptr);
    return answered && vis > 0.0f;
}

bool Unit::CanSeeLocationForAreaFire(float x, float y) {
    if (CanSeeLocation(x, y)) return true;
    if (GetWeaponClass() != kWClassMortar) return false;
    // A mortar fires blind at a registered aiming point of its side, or
    // where its leader, not hiding, can see.
    Map* map = BattleMap();
    if (!mExiting && map && map->NearBoreSight(x, y, GetAffiliation() == kAllies)) return true;
    return mHQ && !mHQ->IsHiding(true) && mHQ->CanSeeLocation(x, y);
}

// A live enemy: active, on the map, not surrendered, and in sight. With
// spottedOnly only enemies the unit's side has spotted count.
bool Unit::SeeLiveEnemy(bool spottedOnly) {
    if (!gBattle || !gBattle->mUnits) return false;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u == this || u->mSide == mSide || !u->mActive || u->mSurrendered || u->mOffMapState != 0)
            continue;
        if (spottedOnly && !u->IsSpottedNow()) continue;
        if (CanSee(u, nullptr)) return true;
    }
    return false;
}

bool Unit::InGoodOrder() {
    return mActive && SuppressionBand() <= 4 && !mSurrendered;
}

// The square's set-up zone must be the unit's own (mSetupZone 1..6), or,
// with none named, any zone of its side; a fixed unit may not be moved.
bool Unit::InSetupZone(float x, float y) {
    Map* map = BattleMap();
    if (!map || !map->OnMap(x, y) || mSetupZone == kZoneFixed) return false;
    const Square* square = map->GetSquare(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    if (!square) return false;
    int32_t zone = square->mSetupZone;
    if (zone < 1 || zone > kLastZone) return false;
    if (mSetupZone >= 1 && mSetupZone <= kLastZone) return zone == mSetupZone;
    bool axisZone = zone >= kFirstAxisZone;
    return axisZone == IsAxis();
}

bool Unit::CanReceiveOrders() {
    return mActive && mOffMapState == 0 && !mSurrendered;
}

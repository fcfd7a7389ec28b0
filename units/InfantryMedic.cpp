// Infantry between and around the slices of a turn: the medic who returns
// lightly wounded men, the clean-up of links between an operation's
// battles, the strength a unit adds to its position, the roofs of the
// buildings it occupies, the dash for cover from aircraft and the casualty
// counts of a split squad's halves.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace {

bool InBuilding(Terrain t) {
    return t >= kTerrainLightBuilding && t <= kTerrainUpperHeavyClosed;
}

// Sends a unit running to the best cover near it.
void MoveToCover(Infantry* unit) {
    unit->CoverMove(true, false, 0.0f, 0.0f);
}

} // namespace

void Infantry::Medic(bool randomise) {
    if (!mActive || mAbandonedVehicle) return;
    const InfantryData& r = Record();
    const int32_t alive = MenAlive();
    const int32_t c = TallyCasualties();
    if (c < 0) return;
    int32_t n = randomise ? static_cast<int32_t>(RandomFraction() * 0.4 * c + 0.49) : 0;
    bool first = false;
    bool second = false;
    if (CanSufferPerformanceLoss(&first, &second) && first && !mSibling) {
        if (n < mCasualties - 2) n = mCasualties - 2;
        if (!second && n < 2 - alive) n = 2 - alive;
    }
    if (n <= 0) return;
    // Nobody comes back who was not lost.
    if (n > mCasualties) n = mCasualties;
    const int32_t before = mCasualties;
    mCasualties -= n;
    if (mSibling && mCasualties < r.mNrMen / 2) mCasualties = r.mNrMen / 2;
    n = before - mCasualties;
    if (mHiddenCasualties > mCasualties) mHiddenCasualties = static_cast<int16_t>(mCasualties);
    if (!r.mTeamsCanRefill) return;
    int32_t full[kInfantryTeams] = {};
    for (int32_t t = 0; t < kInfantryTeams && t < r.mNrTeams; ++t)
        full[t] = r.mTeamMen[t];
    int32_t missing = GetOriginalNrMen() - alive;
    for (int32_t m = 0; m < n && missing > 0; ++m) {
        int32_t pick = static_cast<int32_t>(RandomPick(static_cast<uint32_t>(missing)));
        for (int32_t t = kInfantryTeams - 1; t >= 0; --t) {
            const int32_t shortfall = full[t] - mTeamMen[t];
            if (shortfall <= 0) continue;
            pick -= shortfall;
            if (pick < 0) {
                ++mTeamMen[t];
                break;
            }
        }
        --missing;
    }
}

bool Infantry::Clean() {
    bool answer = Unit::Clean();
    if (mSibling && (!mSibling->mActive || mSibling->mOffMapState != 0 || mSibling->mSurrendered)) {
        mSibling->mSibling = nullptr;
        mSibling->mIsFirstHalf = true;
        mSibling = nullptr;
        mIsFirstHalf = true;
    }
    if (!mAbandonedVehicle || !gCampaign) return answer;
    Unit* left = mAbandonedVehicle;
    if (left->mUnitType == kUnitVehicle) {
        if (!mSurrendered) return true;
        if (!mActive) {
            left->mCrewLost = 1;
            return true;
        }
        if (left->mOffMapState != 0) mAbandonedVehicle = nullptr;
        return answer;
    }
    // Any other abandoned unit (a gun): a crew still in the operation takes
    // it back when it was not knocked out and lies outside its side's own
    // set-up zone (code 1 for the Allies, 4 for the Axis; mSide is the Axis
    // flag, so the side is its affiliation).
    const int32_t zone = left->GetAffiliation() == kAllies ? 1 : 4;
    Map* map = gCampaign->mMap;
    UnitList* group = gCampaign->mUnits;
    if (!left->mGunKnockedOut && map && map->GetSetupZone(left) != zone && group &&
        group->IndexOf(left) >= 0 && group->IndexOf(this) >= 0 && mActive) {
        left->mActive = true;
        left->mCasualties -= MenAlive();
        if (left->mCasualties < 0) left->mCasualties = 0;
        left->mOldCasualties = 0;
        return true;
    }
    left->mGunKnockedOut = true;
    if (!mActive) return true;
    if (!mSurrendered) {
        const bool member = gCampaign->mUnits && gCampaign->mUnits->IndexOf(this) >= 0;
        if (member || mOffMapState != 0) return true;
    }
    if (left->mOffMapState != 0) mAbandonedVehicle = nullptr;
    return answer;
}

float Infantry::PositionStrength() {
    int32_t m = MenAlive();
    if (mAbandonedVehicle && m > 1) m = 1;
    const int32_t band = SuppressionBand();
    if (band >= 6) return 0.0f;
    if (band == 5 || mVulnerable) return static_cast<float>(m / 2);
    return static_cast<float>(m);
}

void Infantry::CheckBuildingOccupancy() {
    if (!mActive || !gBattle || !gBattle->mMap) return;
    Map* map = gBattle->mMap;
    if (VisibleToPlayer(true) >= 1) {
        float x = mX;
        float y = mY;
        float z = 0.0f;
        GetApparentLocation(&x, &y, &z);
        const Terrain t = map->GetTerrain(x, y, false);
        if (InBuilding(t) || t == kTerrainRubble) map->FlagNoRoofForBuildingAtXY(x, y, mZ == 1.0f);
        // The waypoints of the selected unit show inside only while orders
        // are given, never in playback (state 8).
        if (gBattle->mSelectedUnit == this && CanReceiveOrders() &&
            gBattle->Host()->InteractionState() != 8) {
            for (int32_t i = mNrWaypoints - 1; i >= 0; --i) {
                const Waypoint& w = mWaypoints[i];
                if (InBuilding(map->GetTerrain(w.mX, w.mY, false)))
                    map->FlagNoRoofForBuildingAtXY(w.mX, w.mY, w.mOnBuildingLevel != 0);
            }
        }
    } else if (ShowsSpotMarker() && InBuilding(map->GetTerrain(mMarkerX, mMarkerY, false))) {
        map->FlagNoRoofForBuildingAtXY(mMarkerX, mMarkerY, false);
    }
}

void Infantry::ScurryForCoverFromAirAttack(Unit* aircraft) {
    if (!aircraft || GetSpeedClass() <= kSpeedPushedGun) return;
    const float dx = aircraft->mX - mX;
    const float dy = aircraft->mY - mY;
    const float dz = aircraft->GetZ() - GetZ();
    const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
    const double u = RandomFraction();
    if (d - 20.0f < u * 100.0) MoveToCover(this);
}

int32_t Infantry::GetOriginalNrMenInTeam(bool lessOld) {
    const int32_t n = GetOriginalNrMen();
    const int32_t o = mOldCasualties;
    if (!mSibling) return lessOld ? n - o : n;
    if (mIsFirstHalf) return (n + 1) / 2 - (o + 1) / 2;
    return n / 2 - o / 2;
}

void Infantry::ShiftCasualtiesToOld() {
    if (mCasualties == 0) return;
    if (!mSibling) {
        mOldCasualties = static_cast<int16_t>(mCasualties);
        return;
    }
    const int32_t shifted = mCasualties + mSibling->mCasualties - GetOriginalNrMen();
    if (shifted > 0) mOldCasualties = static_cast<int16_t>(shifted);
}

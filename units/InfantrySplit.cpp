// A rifle squad split into two halves and joined again.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kPlacementTries = 299;
constexpr int32_t kPlacementRestart = 20;
constexpr float kHalfOffset = 3.0f;
constexpr int32_t kMaxJoinedShots = 4;
constexpr int32_t kMaxJoinedExplosives = 3;
constexpr int32_t kFirepowerBracket250 = 3;

float FirepowerAt250(SmallArmsType arms) {
    return gSmallArmsData[arms].mFirepower[kFirepowerBracket250];
}

bool UpperFloorTerrain(Terrain t) {
    return t >= kTerrainUpperLight && t <= kTerrainUpperHeavyClosed;
}

} // namespace

bool Infantry::CanSplit() {
    return IsSquad() && !mSibling && 3 * MenAlive() >= 2 * GetOriginalNrMen() && !mTransport && InGoodOrder();
}

void Infantry::CopyInfantryPartFrom(const Infantry& o) {
    mSplitNameIndex = o.mSplitNameIndex;
    mSewerTime = o.mSewerTime;
    mVulnerable = o.mVulnerable;
    mRefit = o.mRefit;
    mDigIn = o.mDigIn;
    mOnSkis = o.mOnSkis;
    mAntitankShots = o.mAntitankShots;
    mExplosives = o.mExplosives;
    mGrenades = o.mGrenades;
    for (int32_t t = 0; t < kInfantryTeams; ++t) {
        mTeamSmallArms[t] = o.mTeamSmallArms[t];
        mTeamMen[t] = o.mTeamMen[t];
    }
    for (int32_t f = 0; f < kInfantryFigures; ++f) {
        mFigureSmallArms[f] = o.mFigureSmallArms[f];
        mFigureScale[f] = o.mFigureScale[f];
        mJitterScale[f] = o.mJitterScale[f];
        for (int32_t a = 0; a < 2; ++a) {
            mJitterA[f][a] = o.mJitterA[f][a];
            mJitterB[f][a] = o.mJitterB[f][a];
        }
        for (int32_t v = 0; v < kPoseValues; ++v)
            mFigurePos[v][f] = o.mFigurePos[v][f];
    }
    mSavedMissionLive = o.mSavedMissionLive;
    mSavedRoundPattern = o.mSavedRoundPattern;
    mFOTargetX = o.mFOTargetX;
    mFOTargetY = o.mFOTargetY;
    mFOAimTime = o.mFOAimTime;
    mFOLastErrorX = o.mFOLastErrorX;
    mFOLastErrorY = o.mFOLastErrorY;
    mFiringAnimTime = o.mFiringAnimTime;
    mSecondaryFireTime = o.mSecondaryFireTime;
    mFOErrorX = o.mFOErrorX;
    mFOErrorY = o.mFOErrorY;
    mAntitankWeapon = o.mAntitankWeapon;
    mMoveSpeed = o.mMoveSpeed;
    mTookCasualties = o.mTookCasualties;
    mRandomSeed = o.mRandomSeed;
    mRandomHeading = o.mRandomHeading;
}

// The new half stands 3 m off on each axis (each side by a coin); where it
// cannot stand it wanders by up to 1 m a try, back to the start every 20.
void Infantry::PlaceNewHalf(Infantry* half) {
    const Map* map = gBattle ? gBattle->mMap : nullptr;
    const float sx = RandomCoin() == 0 ? kHalfOffset : -kHalfOffset;
    const float sy = RandomCoin() == 0 ? kHalfOffset : -kHalfOffset;
    float x = mX + sx;
    float y = mY + sy;
    auto fits = [&](float px, float py) {
        if (!map || px < 0.0f || py < 0.0f || px >= MapWidthMetres(map) || py >= MapHeightMetres(map))
            return false;
        if (!half->CanOccupyLocation(px, py, true)) return false;
        return half->mZ == 0.0f || UpperFloorTerrain(map->GetTerrain(px, py, false));
    };
    bool placed = false;
    for (int32_t tries = 1; tries <= kPlacementTries; ++tries) {
        if (fits(x, y)) {
            placed = true;
            break;
        }
        if (tries % kPlacementRestart == 0) {
            x = mX;
            y = mY;
        } else {
            x += static_cast<float>(RandomFraction() * 2.0 - 1.0);
            y += static_cast<float>(RandomFraction() * 2.0 - 1.0);
        }
    }
    if (!placed) {
        x = mX;
        y = mY;
        if (half->mZ != 0.0f && !(map && UpperFloorTerrain(map->GetTerrain(x, y, false)))) half->mZ = 0.0f;
    }
    half->mX = x;
    half->mY = y;
}

// The men go out one by one: to this half from the team with the strongest
// small arm at 250 m, then to the new half from the weakest team.
void Infantry::ShareMenWith(Infantry* half) {
    int8_t pool[kInfantryTeams];
    for (int32_t t = 0; t < kInfantryTeams; ++t) {
        pool[t] = mTeamMen[t];
        mTeamMen[t] = 0;
        half->mTeamMen[t] = 0;
    }
    bool toThis = true;
    for (;;) {
        int32_t pick = -1;
        for (int32_t t = 0; t < kInfantryTeams; ++t) {
            if (pool[t] <= 0) continue;
            if (pick < 0) {
                pick = t;
                continue;
            }
            const float fp = FirepowerAt250(mTeamSmallArms[t]);
            const float best = FirepowerAt250(mTeamSmallArms[pick]);
            if (toThis ? fp > best : fp < best) pick = t;
        }
        if (pick < 0) break;
        --pool[pick];
        if (toThis)
            ++mTeamMen[pick];
        else
            ++half->mTeamMen[pick];
        toThis = !toThis;
    }
    const int32_t left = MenAlive();
    mCasualties += left / 2;
    half->mCasualties += left - left / 2;
}

Infantry* Infantry::Split() {
    auto* half = new Infantry;
    half->CopyUnitPartFrom(*this);
    half->CopyInfantryPartFrom(*this);
    half->mKillRecords[0].Clear();
    half->mKillRecords[1].Clear();
    // The losses the enemy did not see are shared out like the men.
    half->mHiddenCasualties = static_cast<int16_t>(mHiddenCasualties / 2);
    mHiddenCasualties = static_cast<int16_t>(mHiddenCasualties - half->mHiddenCasualties);
    // Graphics are made for each half; none are shared.
    for (auto& set : half->mTextureSets)
        for (GGraphic*& g : set)
            g = nullptr;
    half->mRankPortraits[0] = half->mRankPortraits[1] = nullptr;
    half->mWeaponPortraits[0] = half->mWeaponPortraits[1] = nullptr;
    half->mMarkingTexture = nullptr;
    half->MakeTextures(false);
    if (gBattle && gBattle->mUnits) gBattle->mUnits->Insert(half, gBattle->mUnits->IndexOf(this) + 1);

    mSibling = half;
    half->mSibling = this;
    // The halves may join again whenever they stand together without orders.
    mSiblingMayRejoin = half->mSiblingMayRejoin = true;
    mIsFirstHalf = true;
    half->mIsFirstHalf = false;
    half->mNameIndex = mSplitNameIndex;

    PlaceNewHalf(half);
    half->mSpotMarker = false;
    half->mSpotMarkerGone = false;
    half->mSoundOffsetX =
        static_cast<int8_t>(mSoundOffsetX + static_cast<int32_t>(RandomFraction() * 20.0 - 10.0));
    half->mSoundOffsetY =
        static_cast<int8_t>(mSoundOffsetY + static_cast<int32_t>(RandomFraction() * 20.0 - 10.0));
    half->CancelMovementOrders();

    ShareMenWith(half);
    const int32_t shots = mAntitankShots;
    const int32_t explosives = mExplosives;
    const int32_t grenades = mGrenades;
    mAntitankShots = static_cast<int8_t>(shots * 0.4);
    half->mAntitankShots = static_cast<int8_t>(shots - mAntitankShots);
    mExplosives = static_cast<int8_t>(explosives * 0.35);
    half->mExplosives = static_cast<int8_t>(explosives - mExplosives);
    mGrenades = static_cast<int8_t>(grenades * 0.35);
    half->mGrenades = static_cast<int8_t>(grenades - mGrenades);
    return half;
}

void Infantry::JoinSibling() {
    auto* other = static_cast<Infantry*>(mSibling);
    if (!other) return;
    if (gBattle && gBattle->mUnits) {
        UnitList* units = gBattle->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (!u) continue;
            bool changed = false;
            Unit** links[] = {&u->mTarget, &u->mOrderedTarget, &u->mPreviousTarget};
            for (Unit** link : links) {
                if (*link == other) {
                    *link = this;
                    changed = true;
                }
            }
            if (changed) u->mPacketDirty = true;
        }
    }
    if (other->mTransport && other->mTransport->mUnitType == kUnitVehicle)
        static_cast<Vehicle*>(other->mTransport)->Unload(other);
    const int32_t mine = MenAlive();
    const int32_t theirs = other->MenAlive();
    const float w = mine + theirs > 0 ? static_cast<float>(mine) / static_cast<float>(mine + theirs) : 1.0f;
    mCasualties = mCasualties + other->mCasualties - GetOriginalNrMen();
    mHiddenCasualties = static_cast<int16_t>(
        std::clamp(mHiddenCasualties + other->mHiddenCasualties, 0, std::max(mCasualties, 0)));
    for (int32_t c = 0; c < kAmmoClassCount; ++c)
        mAmmo[c] = static_cast<uint16_t>(w * mAmmo[c] + (1.0f - w) * other->mAmmo[c]);
    if (mFanatic == 1 || other->mFanatic == 1)
        mFanatic = 1;
    else if (mFanatic == 0 || other->mFanatic == 0)
        mFanatic = 0;
    SetSuppression(w * mSuppression + (1.0f - w) * other->mSuppression, true);
    mFatigue = w * mFatigue + (1.0f - w) * other->mFatigue;
    if (other->mContactLevel > mContactLevel) mContactLevel = other->mContactLevel;
    if (!mSpotMarker && other->mSpotMarker) {
        mSpotMarker = true;
        mMarkerX = other->mMarkerX;
        mMarkerY = other->mMarkerY;
    }
    if (other->mMoveStamp < mMoveStamp) mMoveStamp = other->mMoveStamp;
    ApplyFatigue();

    mGrenades = static_cast<int8_t>(mGrenades + other->mGrenades);
    const int32_t shots = mAntitankShots + other->mAntitankShots;
    mAntitankShots = static_cast<int8_t>(shots > kMaxJoinedShots ? kMaxJoinedShots : shots);
    const int32_t explosives = mExplosives + other->mExplosives;
    mExplosives = static_cast<int8_t>(explosives > kMaxJoinedExplosives ? kMaxJoinedExplosives : explosives);
    mKillRecords[0].Merge(&other->mKillRecords[0]);
    mKillRecords[1].Merge(&other->mKillRecords[1]);

    int32_t total = 0;
    for (int32_t t = 0; t < kInfantryTeams; ++t) {
        mTeamMen[t] = static_cast<int8_t>(mTeamMen[t] + other->mTeamMen[t]);
        total += mTeamMen[t];
    }
    const int32_t left = MenAlive();
    for (int32_t t = 0; t < kInfantryTeams && total > left; ++t) {
        while (mTeamMen[t] > 0 && total > left) {
            --mTeamMen[t];
            --total;
        }
    }
    if (gBattle) gBattle->RemoveUnitFromAI(other);
    other->mSibling = nullptr;
    mSibling = nullptr;
    mSiblingMayRejoin = other->mSiblingMayRejoin = false;
    mIsFirstHalf = true;
}

// The end of a battle: the last bail-outs, the final count and the figures
// of the result screen.

#include "battle/BattleResult.h"

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kSewerOffset = 10000.0f;

int32_t MenLeft(Unit* u) {
    const int32_t left = u->GetOriginalNrMen() - u->mCasualties;
    return left > 0 ? left : 0;
}

// Counts the infantry's gun, if it has one; true when it had.
bool CountGun(BattleResult* r, Unit* u, int32_t s) {
    if (!u->HasOrdnance(false, false) && u->HasOrdnance(true, false)) {
        ++r->mCounts[s][2];
        return true;
    }
    if (u->HasOrdnance(false, false)) {
        ++r->mCounts[s][3];
        return true;
    }
    return false;
}

// The operation's bookkeeping of the battle and the lines that tell how it
// goes on; when the operation is over, its totals are what the screen shows.
void CountForOperation(BattleResult* r, Campaign* op, const float materialLost[2], bool alreadyCounted,
                       bool keepFrontLine) {
    op->RetrieveOpFlags();
    if (!alreadyCounted) op->CountBattle(r->mCounts, materialLost, keepFrontLine);
    r->mOperation = true;
    if (op->Over()) {
        for (int32_t s = 0; s < 2; ++s)
            for (int32_t row = 0; row < 7; ++row)
                r->mCounts[s][row] = op->mTotals[s][row];
        r->mBattlesLeft = 0;
        return;
    }
    r->mBattlesLeft = op->mLastTurn - op->mTurn + 1;
    r->mNightComing = op->BattleDaytime() == kNight;
}

} // namespace

int32_t EstimatedFigure(int32_t value, int32_t row, int32_t salt) {
    // A fixed scramble of the figure stands in for the draw, so that the
    // program's random draws are not touched by what one player sees.
    uint32_t h = static_cast<uint32_t>(value) * 2654435761u ^ static_cast<uint32_t>(row + 1) * 40503u ^
                 static_cast<uint32_t>(salt) * 2246822519u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    const double u = static_cast<double>(h % 10000u) / 10000.0;
    const double off = 0.2 + 0.12 * u;
    const double factor = (h & 0x10000u) ? 1.0 + off : 1.0 - off;
    return static_cast<int32_t>(std::lround(value * factor));
}

int32_t ResultGrade(float axisShare, float alliesShare) {
    const float a = std::fmax(axisShare, 0.01f);
    const float b = std::fmax(alliesShare, 0.01f);
    const float r = a / b;
    if (r >= 5.0f) return 0;
    if (r >= 2.5f) return 1;
    if (r >= 1.75f) return 2;
    if (r >= 1.25f) return 3;
    if (r > 0.8f) return 4;
    if (r > 0.57f) return 5;
    if (r > 0.4f) return 6;
    if (r > 0.2f) return 7;
    return 8;
}

void Battle::BattleVictoryScreen(bool alreadyCounted, bool keepFrontLine) {
    BattleHost* host = Host();
    host->PlaySound(129, 1);
    if (mMap) mMap->ClearReplaySounds(false);
    mPackets.EmptyOut(true);
    // Crews still inside a vehicle that is bailing out leave it now; the
    // vehicle's bail-out countdown is its crew-state value.
    if (mUnits) {
        for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
            Unit* u = mUnits->GetUnit(i);
            auto* v = u->mActive ? dynamic_cast<Vehicle*>(u) : nullptr;
            if (!v || v->mBailOutCountdown < 0) continue;
            u->BailOut(false, false);
            for (Unit*& p : v->mPassengers) {
                if (p && p->mTransport == u) p->mTransport = nullptr;
                p = nullptr;
            }
        }
        MergeNewUnits();
    }
    BattleResult& r = mResult;
    r = BattleResult();
    int32_t breakdown[10] = {};
    CountVPs(false, true, &r.mShare[kAxis], &r.mShare[kAllies], breakdown);
    for (int32_t s = 0; s < 2; ++s)
        for (int32_t j = 0; j < 5; ++j)
            r.mPoints[s][j] = breakdown[s * 5 + j];
    const int32_t n = mUnits ? mUnits->GetCount() : 0;
    float materialLost[2] = {0.0f, 0.0f};
    for (int32_t i = 0; i < n; ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mOffMapState == 3) {
            // Back from the sewers.
            u->mOffMapState = 0;
            u->mMoveComponentX = u->mMoveComponentY = 0.0f;
            u->mX -= kSewerOffset;
            u->mY -= kSewerOffset;
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        Unit* u = mUnits->GetUnit(i);
        const int32_t s = u->GetAffiliation();
        const int32_t casualties = u->TallyCasualties();
        if (casualties != 0) r.mCounts[s][0] += casualties;
        const bool diedHere = u->mCasualties > u->mOldCasualties;
        bool material = false;
        if (!u->mActive && u->mOffMapState == 0 && diedHere) {
            if (u->mUnitType == kUnitVehicle) {
                ++r.mCounts[s][gVehicleData[u->mSubtype].mKind == 6 ? 4 : 5];
                material = true;
            } else if (u->mUnitType == kUnitAirplane) {
                ++r.mCounts[s][6];
                material = true;
            } else if (u->mUnitType == kUnitInfantry) {
                material = CountGun(&r, u, s);
            }
        }
        if (u->mActive && !u->mSurrendered) r.mMenLeft[s] += MenLeft(u);
        if (u->mSurrendered) {
            r.mCounts[s][1] += MenLeft(u);
            if (u->mUnitType == kUnitInfantry && CountGun(&r, u, s)) material = true;
        }
        if (material && gCampaign && !alreadyCounted) materialLost[s] += u->GetVPValue(true, kKnowTruth);
    }
    for (int32_t s = 0; s < 2; ++s) {
        r.mCounts[s][0] -= mMenGivenUp[s];
        r.mCounts[s][1] += mMenGivenUp[s];
    }
    if (gCampaign) CountForOperation(&r, gCampaign, materialLost, alreadyCounted, keepFrontLine);
    const Affiliation viewer = host->ViewingSide();
    r.mHotseat = host->HumanPlayers() == 2 && host->ConnectionKind() == 0;
    r.mViewer = viewer;
    r.mTitleString = gCampaign ? 451 : 450;
    const bool axisGaveUp = mSurrenderState[kAxis] == 2, alliesGaveUp = mSurrenderState[kAllies] == 2;
    if (mSurrenderState[0] == 1 && mSurrenderState[1] == 1)
        r.mReasonString = 453;
    else if (alliesGaveUp && !axisGaveUp)
        r.mReasonString = r.mHotseat ? 454 : (viewer == kAxis ? 455 : 459);
    else if (axisGaveUp && !alliesGaveUp)
        r.mReasonString = r.mHotseat ? 457 : (viewer == kAllies ? 458 : 456);
    else
        r.mReasonString = gCampaign ? 465 : 452;
    // An operation that goes on says so instead of how the battle ended.
    if (gCampaign && r.mBattlesLeft > 0) r.mReasonString = 466;
    r.mGrade = gCampaign ? std::clamp(gCampaign->ComputeVictor() + 4, 0, 8)
                         : ResultGrade(r.mShare[kAxis], r.mShare[kAllies]);
    r.mHotseatGradeString = 421 + r.mGrade;
    r.mPersonalGradeString = 440 + (viewer == kAxis ? r.mGrade : 8 - r.mGrade);
    for (int32_t s = 0; s < 2; ++s) {
        const int32_t k = static_cast<int32_t>(r.mShare[s] * 100.0f *
                                               static_cast<float>(r.mMenLeft[0] + 1 + r.mMenLeft[1]));
        const int32_t km = ((k % 130) + 130) % 130;
        r.mWounded[s] = static_cast<int32_t>(
            static_cast<float>(r.mCounts[s][0]) * (0.2f + 0.001f * static_cast<float>(km)) + 0.49f);
    }
    mResultShown = true;
    host->ShowResult(alreadyCounted, keepFrontLine);
}

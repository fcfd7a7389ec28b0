// Victory flags, points, force readiness and the ways a battle ends; the
// placing of arriving reinforcement units.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

constexpr float kLowMorale = 0.245f;
constexpr int32_t kGaveUp = 2;
constexpr int32_t kOffersTruce = 1;

bool Low(const Battle* b, Affiliation s) {
    return b->mGlobalMorale[s] < kLowMorale;
}

// Capped and weighted value of a unit for captured men and losses.
float CountedValue(Unit* u, float v) {
    if (u->mUnitType != kUnitInfantry) return v;
    const WeaponType gun = gInfantryData[u->mSubtype].mHeavyWeapon;
    if (gWeaponData.Has(gun) && gWeaponData[gun].mClass == kWClassIndirect) return std::fmin(v, 30.0f);
    if (u->mTransport) return 3.0f * v;
    return v;
}

// The map edge a border point lies on: 0 West, 3 South, 2 East, 1 North.
int32_t EdgeOf(const Battle* b, float x, float y) {
    if (x <= 0.0f) return 0;
    if (y <= 0.0f) return 3;
    const float height = b->mMap ? b->mMap->mHeightMetres : 0.0f;
    return y < height ? 2 : 1;
}

} // namespace

// ------------------------------------------------------------------ flags

float VictoryFlag::FlagValue(bool forAxis, bool byView) const {
    if (!mCandidate) return mKind == 1 ? 300.0f : (mKind == 0 ? 100.0f : 0.01f);
    const Battle* b = gBattle;
    if (!b) return mReal ? 900.0f : 0.0f;
    const bool axisAttacks = b->mAttacker == kAxis || b->mAttacker == 2;
    if (byView && axisAttacks != forAxis) {
        const int32_t n = b->mFlags.GetCount();
        return n > 0 ? static_cast<float>(b->mFlagValueTotal) / static_cast<float>(n) : 0.0f;
    }
    return mReal ? static_cast<float>(b->mFlagValueTotal) : 0.0f;
}

bool VictoryFlag::Color(bool byView) {
    Battle* b = gBattle;
    if (!b) return false;
    const bool wasNeutral = mNeutral;
    const Nation wasHolder = mHolderNation;
    if (b->mSurrenderState[kAllies] == kGaveUp || b->mSurrenderState[kAxis] == kGaveUp) {
        const bool axisTakes = b->mSurrenderState[kAllies] == kGaveUp;
        mNeutral = false;
        mHolderNation = b->GetForceNation(axisTakes);
        return mHolderNation != wasHolder || wasNeutral != mNeutral;
    }
    float sum[2] = {0.0f, 0.0f};
    bool pair[2] = {!byView, !byView};
    auto count = [&]() {
        sum[0] = sum[1] = 0.0f;
        if (!b->mUnits) return;
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
            Unit* u = b->mUnits->GetUnit(i);
            if (byView && u->VisibleToPlayer(false) == 0) continue;
            sum[u->GetAffiliation()] += u->GetOccupationScore(mX, mY, pair);
        }
    };
    count();
    if (byView && (sum[0] == 0.0f || sum[1] == 0.0f)) {
        if (sum[0] == 0.0f) pair[0] = true;
        if (sum[1] == 0.0f) pair[1] = true;
        count();
    }
    bool taken = false;
    if (sum[kAxis] <= 30.0f || sum[kAllies] <= 30.0f) {
        if (sum[kAxis] > 4.0f * sum[kAllies]) {
            mNeutral = false;
            mHolderNation = b->GetForceNation(true);
            taken = true;
        } else if (sum[kAllies] > 4.0f * sum[kAxis]) {
            mNeutral = false;
            mHolderNation = b->GetForceNation(false);
            taken = true;
        }
    }
    if (!taken) mNeutral = true;
    // A flag taken from nobody changed hands, whatever nation its record
    // kept: that nation may be the one a machine's player was last shown,
    // and the mark decides the length of a variable-length battle on the
    // machine that computes it.
    return mNeutral || wasNeutral || mHolderNation != wasHolder;
}

Nation Battle::GetForceNation(bool axis) const {
    if (Unit* mascot = FindMascot(axis ? kAxis : kAllies)) return mascot->GetNation();
    return axis ? 0 : 3;
}

void Battle::ColorVictoryFlags(bool byView, bool mayExtend) {
    mFlagChanged = false;
    for (int32_t k = 0; k < mFlags.GetCount(); ++k)
        if (static_cast<VictoryFlag*>(mFlags.GetObjectA(k))->Color(byView)) mFlagChanged = true;
    BattleHost* host = Host();
    if (!mayExtend || !mVariableLength || (host->ConnectionKind() == 2 && !host->ComputesTurn())) return;
    if (mTurn == 1 && mLastTurn == mNominalLastTurn) mLastTurn += static_cast<int32_t>(RandomPick(6));
    if (mFlagChanged) {
        int32_t r = mTurn + 1 + static_cast<int32_t>(RandomPick(3));
        if (mLastTurn < r) {
            const int32_t cap = static_cast<int32_t>(std::fmin(static_cast<float>(mNominalLastTurn + 10),
                                                               1.25f * static_cast<float>(mNominalLastTurn)));
            if (r > cap) r = cap;
            if (r > mLastTurn) mLastTurn = r;
        }
    }
}

void Battle::CountVPs(bool byView, bool normalise, float* axisShare, float* alliesShare, int32_t* breakdown) {
    ColorVictoryFlags(byView, false);
    float P[2] = {0.0f, 0.0f};
    float T[2] = {0.0f, 0.0f};
    int32_t parts[2][5] = {};
    const int32_t n = mUnits ? mUnits->GetCount() : 0;
    auto seen = [&](Unit* u) { return !byView || u->VisibleToPlayer(false) != 0; };
    // Exits.
    for (Affiliation s = 0; s < 2; ++s) {
        if (!mHasExitEdge[s]) continue;
        float A = 0.0f, E = 0.0f;
        const bool enemyGaveUp = mSurrenderState[1 - s] == kGaveUp;
        for (int32_t i = 0; i < n; ++i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->GetAffiliation() != s || !seen(u)) continue;
            bool exited = false;
            A += u->GetExitValue(&exited, true);
            if (exited || (enemyGaveUp && u->mActive && u->CanMovePhysically()))
                E += u->GetExitValue(&exited, false);
        }
        P[s] += E;
        P[1 - s] += A - E;
        T[0] += A;
        T[1] += A;
        parts[s][3] = static_cast<int32_t>(E - (A - E));
    }
    // Captured men, to the enemy's sum.
    float captured[2] = {0.0f, 0.0f}; // by the capturing side
    for (int32_t i = 0; i < n; ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->mSurrendered) continue;
        const int32_t full = u->GetOriginalNrMen();
        const int32_t left = full - u->mCasualties;
        // A vehicle is valued on a fresh copy whose set-up draws numbers:
        // the generator is put back, so that a count changes nothing.
        const uint32_t state = GetRandomState();
        const float v = CountedValue(u, u->GetVPValue(true, kKnowTruth));
        SeedRandomGenerator(state);
        const float share = full > 0 ? static_cast<float>(left) / static_cast<float>(full) : 0.0f;
        float& sum = captured[1 - u->GetAffiliation()];
        sum = std::trunc(sum + 2.0f * v * share);
    }
    for (Affiliation s = 0; s < 2; ++s) {
        P[s] += captured[s];
        parts[s][2] = static_cast<int32_t>(captured[s]);
    }
    T[0] += captured[0] + captured[1];
    T[1] += captured[0] + captured[1];
    // Casualties.
    float loss[2] = {0.0f, 0.0f};
    for (int32_t i = 0; i < n; ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (byView && u->VisibleToPlayer(false) == 0 && u->mContactLevel != 5) continue;
        loss[u->GetAffiliation()] += CountedValue(u, u->GetCasualtyVPLoss());
    }
    const float L0 = (static_cast<float>(mMenGivenUp[kAxis]) + loss[kAxis]) * mSideVPFactor[kAllies];
    const float L1 = (static_cast<float>(mMenGivenUp[kAllies]) + loss[kAllies]) * mSideVPFactor[kAxis];
    P[kAllies] += L0;
    P[kAxis] += L1;
    T[0] += L0 + L1;
    T[1] += L0 + L1;
    parts[kAxis][1] = static_cast<int32_t>(L1);
    parts[kAllies][1] = static_cast<int32_t>(L0);
    // Flags.
    float flagPoints[2] = {0.0f, 0.0f};
    for (int32_t k = 0; k < mFlags.GetCount(); ++k) {
        auto* f = static_cast<VictoryFlag*>(mFlags.GetObjectA(k));
        const float a = f->FlagValue(true, byView);
        const float b = f->FlagValue(false, byView);
        T[kAxis] += a;
        T[kAllies] += b;
        if (f->mNeutral) continue;
        if (f->mHolderNation < 2)
            flagPoints[kAxis] += a;
        else
            flagPoints[kAllies] += b;
    }
    for (Affiliation s = 0; s < 2; ++s) {
        P[s] += flagPoints[s];
        parts[s][0] = static_cast<int32_t>(flagPoints[s]);
        if (mVPBonus[s] != 0) {
            P[s] += mVPBonus[s];
            T[0] += mVPBonus[s];
            T[1] += mVPBonus[s];
            parts[s][4] = mVPBonus[s];
        }
    }
    float share[2];
    for (Affiliation s = 0; s < 2; ++s)
        share[s] = P[s] / (T[s] < 1.0f ? 1.0f : T[s]);
    if (normalise) {
        const float sum = share[0] + share[1];
        if (sum <= 0.0f) {
            share[0] = share[1] = 0.5f;
        } else if (sum < 1.0f) {
            share[0] /= sum;
            share[1] /= sum;
        }
    }
    if (axisShare) *axisShare = share[kAxis];
    if (alliesShare) *alliesShare = share[kAllies];
    if (breakdown)
        for (int32_t s = 0; s < 2; ++s)
            for (int32_t j = 0; j < 5; ++j)
                breakdown[s * 5 + j] = parts[s][j];
    if (byView) Host()->ReportVP(share[kAxis], share[kAllies]);
    RefreshInfoPanel();
}

// ---------------------------------------------------------------- endings

float Battle::MinimumForceReadiness(Affiliation side) const {
    const bool attacker = mAttacker == side;
    switch (mForceReadinessOption) {
    case 0:
        return 0.175f;
    case 1:
        return attacker ? 0.275f : 0.21f;
    case 2:
        return attacker ? 0.375f : 0.225f;
    default:
        return 0.3f;
    }
}

bool Battle::ForceIsReady(Affiliation side) {
    if (gCampaign || mReinforcements[side].GetCount() > 0) return true;
    int32_t V = 0, F = 0;
    bool ready = false;
    if (mUnits) {
        for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->GetAffiliation() == side && u->ForceReadiness(&V, &F)) ready = true;
        }
    }
    if (ready) return true;
    if (F == 0) F = 1;
    return static_cast<float>(V) / static_cast<float>(F) >= MinimumForceReadiness(side);
}

void Battle::MaybeForceEnding() {
    bool ends = Low(this, 0) && Low(this, 1);
    if (!ends) {
        for (Affiliation s = 0; s < 2; ++s)
            if (mSurrenderState[s] == 0 && !ForceIsReady(s)) mSurrenderState[s] = kOffersTruce;
        ends = mSurrenderState[0] == kOffersTruce && mSurrenderState[1] == kOffersTruce;
    }
    if (ends) {
        mSurrenderState[0] = mSurrenderState[1] = kOffersTruce;
        mTurn = mLastTurn + 1;
        mSetupPhase = false;
        return;
    }
    for (Affiliation s = 0; s < 2; ++s)
        if (mSurrenderState[s] == 0 && Low(this, s)) mSurrenderState[s] = kOffersTruce;
    if (mTurn < 15) return;
    BattleHost* host = Host();
    if (gCampaign) {
        if (mQuietTurns[0] >= 4 && mQuietTurns[1] >= 4) mTurn = mLastTurn + 1;
    } else if (host->HumanPlayers() == 1) {
        const Affiliation human = host->ViewingSide();
        if (mSurrenderState[human] == kOffersTruce && mQuietTurns[human] >= 2) {
            mTurn = mLastTurn + 1;
            mSetupPhase = false;
        }
    }
}

bool Battle::MaybeForceSurrender(Affiliation s) {
    const Affiliation e = 1 - s;
    if (mSurrenderState[0] == kGaveUp || mSurrenderState[1] == kGaveUp) return false;
    if (gCampaign ? gCampaign->mReinforcements[s].GetCount() > 0 : mReinforcements[s].GetCount() > 0)
        return false;
    BattleHost* host = Host();
    const float* m = mGlobalMorale;
    if (host->HumanPlayers() == 1 && s != host->ViewingSide()) {
        float share[2];
        CountVPs(true, false, &share[kAxis], &share[kAllies], nullptr);
        bool offers;
        if (mAttacker == e) {
            offers = true;
        } else {
            offers = (mTurn > mLastTurn / 3 && m[s] < 0.3f * m[e] && m[e] >= 0.75f) ||
                     (mTurn > mLastTurn / 2 && m[s] < 0.4f * m[e] && m[e] >= 0.5f) ||
                     (mTurn > mLastTurn / 2 && m[s] < m[e] && share[e] * 1.2f < share[s]) ||
                     (mTurn > 3 * mLastTurn / 4 && share[e] * 1.2f < share[s]);
            if (!offers) offers = Low(this, s);
        }
        mSurrenderState[s] = offers ? kOffersTruce : 0;
        if (mSurrenderState[0] == kOffersTruce && mSurrenderState[1] == kOffersTruce) {
            EndEarly(2);
            return true;
        }
    }
    if (m[s] <= 0.25f * m[e] && m[s] < 0.15f) {
        EndEarly(s);
        return true;
    }
    return false;
}

void Battle::TruceOrSurrenderCheck(bool noOperationStep) {
    const bool truce = mSurrenderState[0] == kOffersTruce && mSurrenderState[1] == kOffersTruce;
    if (!Over() && !truce) return;
    BattleHost* host = Host();
    if (host->HumanPlayers() == 2 && host->ConnectionKind() == 1) {
        if (truce) {
            mEndedEarly = true;
            mSurrenderState[0] = 0;
        } else if (mSurrenderState[1 - host->ViewingSide()] == kGaveUp) {
            mEndedEarly = true;
        }
        // The result screen's bookkeeping advances the operation's battle.
        if (mUnits) {
            // Dead riders whose carrier lives on are dropped.
            mUnits->DeleteSome(
                [](GObject* member, void*) {
                    auto* u = static_cast<Unit*>(member);
                    return u->mUnitType == kUnitInfantry && !u->mActive && u->mTransport &&
                           u->mTransport->mActive;
                },
                nullptr, true);
        }
    }
    mTurn = mLastTurn + 1;
    mSetupPhase = false;
    BattleVictoryScreen(noOperationStep, false);
}

bool Battle::TCPIPTruceOrSurrenderCheck() {
    if (mSurrenderState[0] == kOffersTruce && mSurrenderState[1] == kOffersTruce)
        EndEarly(2);
    else if (mSurrenderState[kAxis] == kGaveUp)
        EndEarly(kAxis);
    else if (mSurrenderState[kAllies] == kGaveUp)
        EndEarly(kAllies);
    else
        return false;
    return true;
}

void Battle::EndEarly(Affiliation side) {
    mTurn = mLastTurn + 1;
    mSetupPhase = false;
    BattleHost* host = Host();
    host->StopTurnClock();
    if (side == kAxis || side == kAllies) {
        mSurrenderState[side] = kGaveUp;
        const int32_t n = mUnits ? mUnits->GetCount() : 0;
        for (int32_t i = 0; i < n; ++i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->mOffMapState != 0) continue;
            if (u->GetAffiliation() == side) {
                // The side's infantry goes into captivity as a unit that
                // surrendered does: the result counts its men as captured,
                // the points go to the enemy, and the saved game keeps it.
                if (u->mUnitType == kUnitInfantry) {
                    u->mSurrendered = true;
                } else if (u->mUnitType == kUnitVehicle && u->mActive) {
                    // Only a vehicle still in the fight is handed over; a
                    // wreck stays where it burned and counts as lost.
                    const int32_t crew = gVehicleData[u->mSubtype].mCrew;
                    const int32_t left = crew - u->mCasualties;
                    if (left > 0) mMenGivenUp[side] += left;
                    u->mCasualties = crew;
                    u->mOffMapState = 1;
                }
            } else if (u->mUnitType == kUnitInfantry && u->mSurrendered) {
                // The prisoners it held are free again.
                u->mSurrendered = false;
                u->mFreed = true;
                u->mContactLevel = 5;
                u->mSuppression = 0.0f;
            }
        }
        if (gCampaign) gCampaign->mTurn = gCampaign->mLastTurn + 1;
    }
    const int32_t humans = host->HumanPlayers();
    const int32_t connection = host->ConnectionKind();
    if (humans == 2 && connection != 0) mShowResultToOther = true;
    if (humans == 2 && (connection == 0 || connection == 1))
        host->SendGameData();
    else
        BattleVictoryScreen(false, false);
}

bool Battle::InVPExitZone(float x, float y, bool axis) const {
    const Affiliation s = axis ? kAxis : kAllies;
    return mHasExitEdge[s] && EdgeOf(this, x, y) == mExitEdge[s];
}

bool Battle::InFriendlyExitEdge(float x, float y, bool axis) const {
    return mEdgeOwner[EdgeOf(this, x, y)] == (axis ? kAxis : kAllies);
}

void Battle::ReceiveReinforcementUnit(Unit* unit, float x, float y) {
    if (!unit || !mUnits) return;
    if (unit->mUnitType != kUnitAirplane) {
        unit->PlopDown(x, y, false, true, true);
        mReinforcementsArrived[unit->GetAffiliation()] = true;
    }
    mUnits->Add(unit);
}

void Battle::GrabEditorMarkers() {
    if (!mUnits) return;
    auto isMarker = [](Unit* u, int32_t subtype) {
        return u->mUnitType == kUnitInanimate && u->mSubtype == subtype;
    };
    for (Affiliation side = 0; side < 2; ++side) {
        for (int32_t r = 0; r < mReinforcements[side].GetCount(); ++r) {
            auto* rf = static_cast<Reinforcement*>(mReinforcements[side].GetObjectA(r));
            for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
                Unit* u = mUnits->GetUnit(i);
                if (isMarker(u, 10) && u->GetAffiliation() == side && u->mNameIndex == -(r + 1)) {
                    rf->mX = u->mX;
                    rf->mY = u->mY;
                    mUnits->DeleteIndex(i, true);
                    break;
                }
            }
        }
    }
    mPickRealFlag = mFlags.GetCount() > 0 && static_cast<VictoryFlag*>(mFlags.GetObjectA(0))->mCandidate;
    mFlags.EmptyOut(true);
    bool firstCandidate = true;
    for (int32_t i = 0; i < mUnits->GetCount();) {
        Unit* u = mUnits->GetUnit(i);
        if (!isMarker(u, 8) && !isMarker(u, 9)) {
            ++i;
            continue;
        }
        auto* f = new VictoryFlag;
        f->mX = u->mX;
        f->mY = u->mY;
        f->mKind = (u->mSubtype == 8 || mPickRealFlag) ? 1 : 0;
        f->mCandidate = mPickRealFlag;
        f->mReal = mPickRealFlag && (firstCandidate || mAllFlagsReal);
        if (mPickRealFlag) firstCandidate = false;
        mFlags.Add(f);
        mUnits->DeleteIndex(i, true);
    }
}

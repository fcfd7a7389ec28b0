// Infantry combat: two squads exchanging fire, close combat, rockets, the
// load timer, throws, mine clearing and the forward observer's mission.

#include <algorithm>

#include "battle/ActionPacket.h"
#include "infantry2_fixture.h"
#include "units/Inanimate.h"

namespace {

using namespace infantry;

class InfantryCombat : public InfantryFight {};

TEST_F(InfantryCombat, TwoSquadsExchangeFireUntilOneIsPinnedPanicsAndRouts) {
    // Woods behind each line, toward each side's own edge.
    Paint(0.0f, 0.0f, 50.0f, 200.0f, kTerrainWoods);
    Paint(180.0f, 0.0f, 200.0f, 200.0f, kTerrainWoods);
    Infantry* g = Place(kGermanSquad, kGerman, 90.0f, 100.0f);
    Infantry* us = Place(kUSSquad, kAmerican, 140.0f, 100.0f);
    us->mHeading = 180.0f;
    mVolleyPower = 80.0f;
    mBattle.Prepare();
    int32_t delivered = 0;
    Infantry* loser = nullptr;
    float pinnedAtX = 0.0f;
    bool routed = false;
    for (int32_t s = 0; s < 3 * 2400 && !routed; ++s) {
        g->mTarget = g->mActive && us->mActive ? us : nullptr; // the computer opponent's choice
        us->mTarget = g->mActive && us->mActive ? g : nullptr;
        mBattle.RunSlices(1);
        delivered += DeliverDueAttacks();
        for (Infantry* u : {g, us}) {
            if (!loser && u->mActive && u->mSuppression >= 350.0f) {
                loser = u;
                pinnedAtX = u->mX;
            }
        }
        if (loser && loser->mActive && loser->mNrWaypoints > 0) {
            // Germans retreat west, Americans east.
            const float goal = loser->mWaypoints[loser->mNrWaypoints - 1].mX;
            routed = loser == g ? goal < pinnedAtX - 15.0f : goal > pinnedAtX + 15.0f;
        }
    }
    EXPECT_GT(delivered, 0);
    ASSERT_NE(loser, nullptr);
    EXPECT_TRUE(routed);
}

TEST_F(InfantryCombat, SeededFightsRepeatExactly) {
    auto run = [this](uint32_t seed) {
        SeedRandomGenerator(seed);
        Infantry* g = Place(kGermanSquad, kGerman, 90.0f, 60.0f);
        Infantry* us = Place(kUSSquad, kAmerican, 140.0f, 60.0f);
        for (int32_t s = 0; s < 600; ++s) {
            g->mTarget = g->mActive && us->mActive ? us : nullptr;
            us->mTarget = g->mActive && us->mActive ? g : nullptr;
            mBattle.RunSlices(1);
            DeliverDueAttacks();
        }
        std::vector<float> state = {g->mSuppression,
                                    us->mSuppression,
                                    static_cast<float>(g->mCasualties),
                                    static_cast<float>(us->mCasualties),
                                    g->mX,
                                    g->mY,
                                    us->mX,
                                    us->mY};
        // Leave nothing of this fight for the next.
        UnitList* units = mBattle.mBattle.mUnits;
        while (units->GetCount() > 0)
            units->DeleteIndex(units->GetCount() - 1, true);
        mBattle.mBattle.mNewAttacks.DeleteSome([](GObject*, void*) { return true; }, nullptr, true);
        mBattle.mBattle.mPendingAttacks.DeleteSome([](GObject*, void*) { return true; }, nullptr, true);
        mBattle.map().DeleteLOSTable();
        mBattle.mSlice = 0;
        return state;
    };
    const std::vector<float> first = run(7);
    EXPECT_EQ(first, run(7));
    EXPECT_NE(first, run(8));
}

TEST_F(InfantryCombat, HandToHandNeverSucceedsAtFifteenMetres) {
    Infantry* a = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* b = Place(kUSSquad, kAmerican, 115.0f, 100.0f);
    a->mTarget = b;
    for (int32_t i = 0; i < 200; ++i)
        a->HandToHandCombat();
    EXPECT_EQ(b->mCasualties, 0);
    EXPECT_NE(b->mTarget, a);
    // At 5 m the squads close; the defender turns on its attacker.
    b->mX = 105.0f;
    for (int32_t i = 0; i < 400 && b->mCasualties == 0; ++i)
        a->HandToHandCombat();
    EXPECT_GT(b->mCasualties, 0);
    EXPECT_EQ(b->mTarget, a);
    EXPECT_EQ(b->mContactLevel, kContactFull);
}

TEST_F(InfantryCombat, ANegativeLoadTimerWaitsWhileTheUnitHoldsMovesOrIsShaken) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mLoadTime = -3.0f;
    u->CombatAction(true);
    EXPECT_FLOAT_EQ(u->mLoadTime, -3.0f);
    u->mSuppression = 100.0f; // band 4
    u->CombatAction(false);
    EXPECT_FLOAT_EQ(u->mLoadTime, -3.0f);
    u->mSuppression = 0.0f;
    u->CombatAction(false);
    EXPECT_FLOAT_EQ(u->mLoadTime, -2.975f);
}

TEST_F(InfantryCombat, ARocketFliesAtMostOnceInEightySlices) {
    Infantry* u = Place(kGermanTankHunters, kGerman, 100.0f, 100.0f);
    Infantry* foe = Place(kUSSquad, kAmerican, 130.0f, 100.0f);
    foe->mContactLevel = kContactFull;
    u->mAntitankWeapon = 58;
    u->mAntitankShots = 3;
    u->mMoveSpeed = kFast;
    mWeapons[58].mMaxRange = 150.0f;
    int32_t fired = 0;
    int32_t lastSlice = -1000;
    for (int32_t s = 0; s < 4000; ++s) {
        u->mSliceCount = s;
        const int8_t before = u->mAntitankShots;
        u->FirePZFandRG();
        if (u->mAntitankShots < before) {
            EXPECT_GE(s - lastSlice, 80);
            EXPECT_EQ(s % 80, 0);
            lastSlice = s;
            ++fired;
        }
        EXPECT_FALSE(u->mHastyFire);
    }
    EXPECT_LE(fired, 3);
}

TEST_F(InfantryCombat, GrenadesFlyAtCloseRangeAndLandAfterTheirDelay) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* foe = Place(kUSSquad, kAmerican, 110.0f, 100.0f);
    u->mTarget = foe;
    u->mGrenades = 6;
    int32_t tries = 0;
    while (u->mGrenades == 6 && tries < 20000) {
        u->mFiringAnimTime = 0.0f;
        u->Grenades();
        ++tries;
    }
    ASSERT_EQ(u->mGrenades, 5);
    EXPECT_FLOAT_EQ(u->mFiringAnimTime, 1.5f);
    EXPECT_EQ(u->mAnimation[0], 10); // a throw from standing
    // The grenade lands after its flight and 140 slices more.
    int32_t latest = 0;
    for (GList* list : {&mBattle.mBattle.mNewAttacks, &mBattle.mBattle.mPendingAttacks})
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            auto* p = static_cast<PendingAttack*>(list->GetObjectA(i));
            latest = std::max(latest, p->mLandingSlice - mBattle.mBattle.mTimeSlice);
        }
    EXPECT_GE(latest, 140);
    EXPECT_LE(latest, static_cast<int32_t>(10.0f * 2.857143f) * 2 + 140);
    // Beyond 40 m nothing is thrown.
    foe->mX = 141.0f;
    for (int32_t i = 0; i < 5000; ++i) {
        u->mFiringAnimTime = 0.0f;
        u->Grenades();
    }
    EXPECT_EQ(u->mGrenades, 5);
}

TEST_F(InfantryCombat, EngineersClearADaisyChainWithoutACharge) {
    mTypes[kGermanSquad].mUsesDemoCharge = 1;
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    auto* mine = new Inanimate;
    mine->IInanimate(6, kAmerican, 110.0f, 100.0f, 0.0f);
    mine->mActive = true;
    mine->mContactLevel = 2;
    mBattle.mBattle.mUnits->Add(mine);
    u->mExplosives = 0;
    for (int32_t i = 0; i < 200000 && mine->mActive; ++i)
        u->ClearMines();
    EXPECT_FALSE(mine->mActive);
    EXPECT_EQ(u->mExplosives, 0);
}

TEST_F(InfantryCombat, AnUnspottedMineIsLeftAlone) {
    mTypes[kGermanSquad].mUsesDemoCharge = 1;
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    auto* mine = new Inanimate;
    mine->IInanimate(4, kAmerican, 110.0f, 100.0f, 0.0f);
    mine->mActive = true;
    mine->mContactLevel = 0;
    mBattle.mBattle.mUnits->Add(mine);
    EXPECT_FALSE(Infantry::IsClearableMine(mine, u));
    mine->mContactLevel = 1;
    EXPECT_TRUE(Infantry::IsClearableMine(mine, u));
    mine->mX = 126.0f;
    EXPECT_FALSE(Infantry::IsClearableMine(mine, u));
}

TEST_F(InfantryCombat, AnObserversErrorShrinksWithExperience) {
    Infantry* fo = Place(kBritishObserver, kBritish, 100.0f, 100.0f);
    fo->mExperience = 8; // the British play by hand here
    mBattle.mBattle.mComputerBonus = 0;
    for (int32_t i = 0; i < 200; ++i) {
        fo->SetFOError(false);
        EXPECT_LE(std::fabs(fo->mFOErrorX), 120.0f);
        EXPECT_LE(std::fabs(fo->mFOErrorY), 120.0f);
    }
    fo->mExperience = 0;
    float worst = 0.0f;
    for (int32_t i = 0; i < 200; ++i) {
        fo->SetFOError(false);
        worst = std::fmax(worst, std::fabs(fo->mFOErrorX));
    }
    EXPECT_GT(worst, 120.0f);
    EXPECT_LE(worst, 450.0f);
}

TEST_F(InfantryCombat, AnObserversMissionFiresASpottingRoundThenLandsWithItsError) {
    Infantry* fo = Place(kBritishObserver, kBritish, 100.0f, 100.0f);
    mWeapons[kObserverRadio].mMaxRange = 5000.0f;
    fo->mAmmo[kAmmoHE] = 40;
    fo->mAreaTarget = true;
    fo->mAreaTargetX = 150.0f;
    fo->mAreaTargetY = 150.0f;
    fo->mTargetChanged = true;
    fo->mAimTime = 31.0f;
    int32_t before = AttackCount();
    // Past the half-minute mark a spotting round flies and the error is drawn.
    for (int32_t s = 0; s < 60; ++s)
        fo->FireOffboardArtillery();
    EXPECT_TRUE(fo->mMissionLive);
    int32_t spotting = AttackCount() - before;
    EXPECT_LE(spotting, 1);
    for (int32_t s = 0; s < 40 * 31; ++s)
        fo->FireOffboardArtillery();
    EXPECT_FLOAT_EQ(fo->mAimTime, 0.0f);
    EXPECT_FLOAT_EQ(fo->mAreaTargetX, 150.0f); // the error is added only for the shot
}

// A locked area mission asks for smoke-class fire; every shell still spends
// a main round, and the volley stops when those are gone.
TEST_F(InfantryCombat, AnAreaMissionsVolleyStopsWhenTheMainRoundsRunOut) {
    Infantry* fo = Place(kBritishObserver, kBritish, 100.0f, 100.0f);
    mWeapons[kObserverRadio].mMaxRange = 5000.0f;
    mTypes[kBritishObserver].mVolleys = 3;
    for (uint16_t& n : fo->mAmmo)
        n = 0;
    fo->mAmmo[kAmmoHE] = 10;
    fo->mAreaTarget = true;
    fo->mTargetLocked = true;
    fo->mAreaTargetX = 150.0f;
    fo->mAreaTargetY = 150.0f;
    fo->mMissionLive = true;
    fo->mAimTime = 0.025f;
    fo->mLoadTime = 0.0f;
    fo->FireOffboardArtillery();
    EXPECT_EQ(fo->mAmmo[kAmmoHE], 7);
    for (int32_t volley = 0; volley < 3; ++volley) {
        fo->mAimTime = 0.025f;
        fo->mLoadTime = 0.0f;
        fo->FireOffboardArtillery();
    }
    EXPECT_EQ(fo->mAmmo[kAmmoHE], 0); // 3, 3, then the last one alone
}

} // namespace

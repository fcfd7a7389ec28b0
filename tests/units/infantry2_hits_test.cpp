// Infantry taking hits: the terrain effect modifier worked by hand, hit
// suppression, the knocked-out gun, fire passing near and mines.

#include <cmath>

#include "infantry2_fixture.h"

namespace {

using namespace infantry;

class InfantryHits : public InfantryFight {};

TEST_F(InfantryHits, TerrainEffectOfAStandingSquadMatchesHandWorkedValues) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    float v = -1.0f;
    // Open ground (0.75), fully seen: exposure (1 - 0.3) x 0.4 + 0.72 = 1.0.
    EXPECT_NEAR(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, false, false, 0, false, &v), 0.755f, 1e-5f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    // Raw exposure is the visible fraction itself; from above the base is
    // halved toward 1 and weighted 1.7.
    EXPECT_NEAR(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, true, false, 0, false, nullptr),
                1.7f * 0.875f + 0.005f, 1e-5f);
    Paint(90.0f, 90.0f, 110.0f, 110.0f, kTerrainWoods);
    // In woods (0.18) the squad is partly hidden: the raw exposure is the
    // visible fraction, at least 0.3.
    const float raw = u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, false, false, 0, true, &v);
    ASSERT_GT(v, 0.0f);
    EXPECT_NEAR(raw, std::fmax(v, 0.3f) * 0.18f + 0.005f, 1e-5f);
    // Moving at a pace of exposure class 4 multiplies the exposure by 5.5.
    mPaces[kFast].mExposureClass = 4;
    u->mMoveSpeed = kFast;
    const float x = (std::fmax(v, 0.3f) - 0.3f) * 0.4f + 0.72f;
    EXPECT_NEAR(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, true, false, false, 0, false, nullptr),
                5.5f * x * 0.18f + 0.005f, 1e-5f);
}

TEST_F(InfantryHits, ARiderIsJudgedByItsVehicleAndTheReuseSwitchHoldsForOneCall) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    float v = 0.5f;
    ReuseExposureOnce();
    // The stored fraction 0.5 is used: (0.5 - 0.3) x 0.4 + 0.72 = 0.8.
    EXPECT_NEAR(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, false, false, 0, false, &v),
                0.8f * 0.75f + 0.005f, 1e-5f);
    v = 0.5f;
    // The next call traces the line again and sees the unit whole.
    EXPECT_NEAR(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, false, false, 0, false, &v), 0.755f, 1e-5f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    Infantry* carrier = Place(kUSSquad, kAmerican, 100.0f, 100.0f);
    u->mTransport = carrier;
    EXPECT_FLOAT_EQ(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, false, false, 0, false, nullptr), 1.0f);
    EXPECT_FLOAT_EQ(u->GetTEMFromLocation(20.0f, 100.0f, 1.5f, false, true, false, 0, false, nullptr), 1.5f);
    u->mTransport = nullptr;
}

TEST_F(InfantryHits, AFlameBlowWithoutPowerStillSuppressesByTheHandWorkedAmount) {
    // 0 x 1.85 + 50, x 0.85 without losses, x 2 always: 85.
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    PendingAttack flame;
    flame.mWeaponClass = kWClassFlame;
    flame.mOriginX = 60.0f;
    flame.mOriginY = 100.0f;
    u->TakeAreaHit(0.0f, 0, &flame);
    EXPECT_FLOAT_EQ(u->mSuppression, 85.0f);
    EXPECT_EQ(u->mCasualties, 0);
    EXPECT_TRUE(u->mPacketDirty);
    // Area fire without power gives nothing at all.
    Infantry* w = Place(kGermanSquad, kGerman, 150.0f, 150.0f);
    PendingAttack shell;
    shell.mWeaponClass = kWClassIndirect;
    w->TakeAreaHit(0.0f, 0, &shell);
    EXPECT_FLOAT_EQ(w->mSuppression, 0.0f);
}

TEST_F(InfantryHits, AVulnerableSquadInGoodOrderTakesTwiceTheSuppression) {
    PendingAttack mg;
    mg.mWeaponClass = kWClassSniper;
    mg.mOriginX = 60.0f;
    mg.mOriginY = 100.0f;
    Infantry* plain = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* caught = Place(kGermanSquad, kGerman, 150.0f, 150.0f);
    caught->mVulnerable = true;
    SeedRandomGenerator(99);
    plain->TakeAreaHit(30.0f, 0, &mg);
    SeedRandomGenerator(99);
    caught->TakeAreaHit(30.0f, 0, &mg);
    ASSERT_EQ(plain->mCasualties, caught->mCasualties);
    ASSERT_GT(plain->mSuppression, 0.0f);
    EXPECT_NEAR(caught->mSuppression, 2.0f * plain->mSuppression, 1e-3f);
}

TEST_F(InfantryHits, FirePassingNearAlertsOnlyBetweenFiveAndTwenty) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    for (float s : {5.0f, 20.0f, 0.0f}) {
        u->mSuppression = s;
        u->BeAlertedByFire();
        EXPECT_FLOAT_EQ(u->mSuppression, s);
    }
    u->mSuppression = 12.0f;
    u->BeAlertedByFire();
    EXPECT_FLOAT_EQ(u->mSuppression, 20.0f);
}

TEST_F(InfantryHits, AHeavyBlowKnocksOutTheGunAndCreditsTheKiller) {
    Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
    Infantry* killer = Place(kUSSquad, kAmerican, 40.0f, 100.0f);
    EXPECT_TRUE(crew->CanBeDamaged());
    PendingAttack rifle;
    rifle.mWeaponClass = kWClassSmallArms;
    crew->OrdnanceDamage(10000.0f, &rifle); // bullets never harm the gun
    EXPECT_FALSE(crew->mGunKnockedOut);
    PendingAttack shell;
    shell.mWeaponClass = kWClassGun;
    gCreditKiller = killer;
    crew->OrdnanceDamage(300.0f, &shell); // 300 x 0.005 beats any draw
    gCreditKiller = nullptr;
    EXPECT_TRUE(crew->mGunKnockedOut);
    EXPECT_EQ(killer->mKillRecords[1].mGuns, 1);
}

TEST_F(InfantryHits, AMineRewritesTheNextTwentyMetresToARun) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    mPaces[kMove].mPaceKind = 2;
    u->mNrWaypoints = 2;
    u->mWaypoints[0] = Waypoint{110.0f, 100.0f, 0.0f, kMove, 2, 0, 0};
    u->mWaypoints[1] = Waypoint{150.0f, 100.0f, 0.0f, kMove, 3, 0, 0};
    mTypes[kGermanSquad].mNrMen = 40; // many men: the mine's loss leaves it in good order
    u->TakeMineHit(true);
    ASSERT_TRUE(u->InGoodOrder());
    ASSERT_EQ(u->mNrWaypoints, 3);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kFast);
    EXPECT_NEAR(u->mWaypoints[1].mX, 120.0f, 1e-4f); // split 20 m along the path
    EXPECT_EQ(u->mWaypoints[1].mOrder, kFast);
    EXPECT_EQ(u->mWaypoints[2].mOrder, kMove);
    EXPECT_EQ(u->mCasualties, 1);
    EXPECT_TRUE(u->mPacketDirty);
}

TEST_F(InfantryHits, AMineWithAFullPathInsertsNoSplitPoint) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    mTypes[kGermanSquad].mNrMen = 40;
    u->mNrWaypoints = kMaxWaypoints;
    for (int32_t i = 0; i < kMaxWaypoints; ++i)
        u->mWaypoints[i] =
            Waypoint{100.0f + 100.0f * static_cast<float>(i + 1), 100.0f, 0.0f, kMove, 2, 0, 0};
    u->TakeMineHit(false);
    EXPECT_EQ(u->mNrWaypoints, kMaxWaypoints);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kFast);
    EXPECT_EQ(u->mWaypoints[1].mOrder, kMove);
}

} // namespace

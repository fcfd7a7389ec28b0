// Candidate scoring and target choice in small battles built in code.

#include <algorithm>
#include <cmath>

#include "ai_fixture.h"

using namespace aitest;

namespace {
class AIChoice : public AIBattle {
protected:
    void Reset(float best = -1.0f) {
        gBestTarget = nullptr;
        gBestTargetScore = best;
    }
    float Score(Unit* me, Unit* it, bool full = true) {
        Reset();
        me->AIScoreTarget(it, full);
        return gBestTarget == it ? gBestTargetScore : -1.0f;
    }
};
} // namespace

TEST_F(AIChoice, ATieDoesNotReplaceAndTheThresholdIsStrict) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    it->mHeading = 180.0f;
    const float s = Score(me, it);
    ASSERT_GT(s, 0.08f); // a rifle squad's threshold
    Reset(s);
    me->AIScoreTarget(it, true);
    EXPECT_EQ(gBestTarget, nullptr);
    Reset(std::nextafter(s, 0.0f));
    me->AIScoreTarget(it, true);
    EXPECT_EQ(gBestTarget, it);
    // Unseen by the enemy, a squad waits for a score above 0.35.
    me->mContactLevel = kContactHeard;
    it->mX = 1400.0f;
    const float far = it->AIGetTargetFuzzyScore(it, kAmmoHE) * 0.0f + me->AIGetTargetFuzzyScore(it, kAmmoHE);
    ASSERT_LT(far, 0.35f);
    EXPECT_EQ(Score(me, it), -1.0f);
    it->mX = 1030.0f;
    EXPECT_GT(Score(me, it), 0.35f);
}

TEST_F(AIChoice, TheOrderedTargetHasALowThresholdAndAFloorOf04) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1400, 1000);
    me->mContactLevel = kContactHeard; // would need 0.35 otherwise
    me->mOrderedTarget = it;
    const float s = Score(me, it);
    EXPECT_GE(s, 0.4f);
    // Any other target must now beat 0.5.
    Squad* other = Rifles(kAllies, 1100, 1000);
    other->mHeading = 180.0f;
    const float plain = me->AIGetTargetFuzzyScore(other, kAmmoHE);
    ASSERT_LT(plain, 0.5f);
    EXPECT_EQ(Score(me, other), -1.0f);
    // Outside a full search the threshold is just below 0.
    EXPECT_NEAR(Score(me, other, false), plain, 1e-6f);
}

TEST_F(AIChoice, APinnedSquadFiresOnlyWhereItMay) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Tank* tank = Armour(kAllies, 1050, 1000);
    tank->kit.mArmoured = false; // soft enough to be worth a shot
    me->mSuppression = 150.0f;   // band 4: a pinned infantry unit never fires at vehicles
    EXPECT_EQ(Score(me, tank), -1.0f);
    EXPECT_EQ(me->ai.lastRange, -1.0f); // dropped before the range test
    me->mSuppression = 99.0f;
    Score(me, tank);
    EXPECT_GT(me->ai.lastRange, 0.0f);
    me->ai.lastRange = -1.0f;
    me->mSuppression = 350.0f;
    Score(me, tank);
    EXPECT_GT(me->ai.lastRange, 0.0f);
}

// Band 4 of suppression runs from 100 up to but not including 350: only
// there does a pinned unit fire only where it may.
TEST_F(AIChoice, ThePinnedBandRunsFrom100To350) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Tank* tank = Armour(kAllies, 1050, 1000);
    tank->kit.mArmoured = false;
    for (float s : {99.99f, 100.0f, 349.99f, 350.0f}) {
        me->mSuppression = s;
        me->ai.lastRange = -1.0f;
        Score(me, tank);
        const bool pinned = s >= 100.0f && s < 350.0f;
        EXPECT_EQ(me->ai.lastRange < 0.0f, pinned) << s;
    }
    // Outside a full search the band is not asked.
    me->mSuppression = 200.0f;
    me->ai.lastRange = -1.0f;
    Score(me, tank, false);
    EXPECT_GT(me->ai.lastRange, 0.0f);
}

TEST_F(AIChoice, AircraftAreRangedBeyond900Metres) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Plane* plane = Place<Plane>(kAllies, 1950, 1000);
    // Without an anti-aircraft weapon the plane is dropped.
    EXPECT_EQ(Score(me, plane), -1.0f);
    EXPECT_EQ(me->ai.lastRange, -1.0f);
    me->kit.mWeapon = 8;
    mWeapons[8].mAntiAircraft = 1;
    Score(me, plane);
    EXPECT_FLOAT_EQ(me->ai.lastRange, 50.0f);
    plane->mX = 1900.5f;
    Score(me, plane);
    EXPECT_FLOAT_EQ(me->ai.lastRange, 1.0f);
}

TEST_F(AIChoice, TheTankTakesItsBestAmmunitionAndEveryEstimateLeavesUnitsAsTheyWere) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* it = Armour(kAllies, 1600, 1000);
    it->mHeading = 180.0f;
    Squad* friendA = Rifles(kAllies, 1500, 1300);
    friendA->mTarget = me;
    me->mMGTypeInUse = 5;
    me->mAmmoClassInUse = kAmmoHE;
    std::vector<std::vector<uint8_t>> before;
    for (int32_t i = 0; i < mBattle.mUnits->GetCount(); ++i)
        before.push_back(Record(mBattle.mUnits->GetUnit(i)));
    const float he = me->AIGetTargetFuzzyScore(it, kAmmoHE);
    const float ap = me->AIGetTargetFuzzyScore(it, kAmmoAP);
    me->AIGetGeneralAbilityToHarmAsNumber(it, kAmmoAP, true, true, true, 0, 1, true);
    float best = 0.0f;
    AmmoClass bestClass = kAmmoHE;
    me->mAmmo[kAmmoTungsten] = 2;
    me->AITryOneAmmoScore(&best, it, &bestClass, kAmmoTungsten);
    me->mAmmo[kAmmoTungsten] = 0;
    GFuzzySet threat;
    it->AIComputeThreat(&threat, me, true, false, false);
    for (int32_t i = 0; i < mBattle.mUnits->GetCount(); ++i)
        EXPECT_EQ(Record(mBattle.mUnits->GetUnit(i)), before[static_cast<size_t>(i)]) << "unit " << i;
    // With high explosive and armour-piercing rounds against armour, AP wins
    // (HE is also scaled by 0.75 before AP is tried).
    ASSERT_GT(ap, he * 0.75f);
    const float s = Score(me, it);
    EXPECT_GT(s, 0.0f);
    EXPECT_EQ(me->mAmmoClassInUse, kAmmoAP);
    EXPECT_TRUE(aitarget::sConsiderDirectThreats);
    EXPECT_FALSE(aitarget::sScoringMachineGuns);
    EXPECT_FALSE(me->mMGTargeting);
    EXPECT_EQ(me->mMGTypeInUse, 5);
    EXPECT_EQ(me->mAmmo[kAmmoAP], 20);
}

TEST_F(AIChoice, BadCandidatesScoreNothingAndBreakNothing) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    me->AIScoreTarget(nullptr, true);
    EXPECT_EQ(me->AIGetTargetFuzzyScore(nullptr, kAmmoHE), 0.0f);
    it->mX = std::nanf("");
    const float s = me->AIGetTargetFuzzyScore(it, kAmmoHE);
    EXPECT_FALSE(std::isnan(s));
    it->mX = 1100.0f;
    me->mSuppression = std::nanf("");
    EXPECT_FALSE(std::isnan(me->AIGetTargetFuzzyScore(it, kAmmoHE)));
    me->mSuppression = 0.0f;
    // A platoon squad that never had men is not scaled by its survivors.
    it->mSubtype = 1;
    it->mX = 1100.0f;
    mInfantry[1].mNrMen = 0;
    Score(me, it);
    EXPECT_FALSE(std::isnan(gBestTargetScore));
    // A weapon type beyond the tables is no weapon at all.
    me->kit.mWeapon = 9999;
    EXPECT_EQ(me->AIGetAbilityToHarmAsNumber(it, kAmmoHE, true, true, true, 0, 1, true), 0.0f);
}

// ---------------------------------------------------------------- the search

TEST_F(AIChoice, TheSearchTakesTheBestEnemyAndDropsATargetThatIsGone) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* near = Rifles(kAllies, 1050, 1000);
    Squad* far = Rifles(kAllies, 1300, 1000);
    Rifles(kAxis, 1060, 1000); // a friend is never a candidate
    me->mShotsAtTarget = 4;
    EXPECT_TRUE(me->AIMaySwitchToNewTarget(false));
    EXPECT_EQ(me->mTarget, near);
    EXPECT_TRUE(gPacket);
    EXPECT_EQ(me->mShotsAtTarget, 0);
    // Dead and not kept as persistent: the far one.
    near->mActive = false;
    me->AIMaySwitchToNewTarget(false);
    EXPECT_EQ(me->mTarget, far);
    // Vanished behind a spot marker: fire goes on at its last seen place.
    far->mSpotMarker = true;
    far->mMarkerX = 1290.0f;
    far->mMarkerY = 1010.0f;
    far->mContactLevel = kContactNone;
    gPacket = false;
    me->AIMaySwitchToNewTarget(false);
    EXPECT_EQ(me->mTarget, nullptr);
    EXPECT_TRUE(me->mAreaTarget);
    float x = 0, y = 0, z = 0;
    far->GetApparentLocation(&x, &y, &z);
    EXPECT_EQ(me->mAreaTargetX, x);
    EXPECT_EQ(me->mAreaTargetY, y);
    EXPECT_TRUE(gPacket);
    // No candidate and nothing to keep firing at: no target.
    me->mAreaTarget = false;
    me->mTarget = far;
    far->mSpotMarkerGone = true;
    me->AIMaySwitchToNewTarget(false);
    EXPECT_EQ(me->mTarget, nullptr);
    EXPECT_FALSE(me->mAreaTarget);
}

TEST_F(AIChoice, AreaFireIntoALargeFireStops) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    me->mAreaTarget = true;
    me->mAreaTargetX = 1510.0f;
    me->mAreaTargetY = 1010.0f;
    me->ai.allowed = false;
    mBattle.mMap->StartFire(1510.0f, 1010.0f, false, false);
    me->AIMaySwitchToNewTarget(true);
    EXPECT_TRUE(me->mAreaTarget); // a small fire does not stop it
    mBattle.mMap->StartFire(1510.0f, 1010.0f, true, false);
    ASSERT_GT(mBattle.mMap->GetFireState(1510.0f, 1010.0f), 4);
    me->AIMaySwitchToNewTarget(true);
    EXPECT_FALSE(me->mAreaTarget);
    // A point beyond the map's east edge never reads a square of the map.
    me->mAreaTarget = true;
    me->mAreaTargetX = 2000.0f + 1510.0f;
    me->AIMaySwitchToNewTarget(true);
    EXPECT_TRUE(me->mAreaTarget);
}

TEST_F(AIChoice, AUnitThatMayNotTargetLosesItsTarget) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1050, 1000);
    me->mTarget = it;
    me->ai.allowed = false;
    EXPECT_FALSE(me->AIMaySwitchToNewTarget(false));
    EXPECT_EQ(me->mTarget, nullptr);
    // Not allowed to change: nothing runs.
    me->ai.allowed = true;
    me->ai.canChange = false;
    EXPECT_FALSE(me->AIMaySwitchToNewTarget(false));
    EXPECT_EQ(me->mTarget, nullptr);
    EXPECT_TRUE(me->AIMaySwitchToNewTarget(true));
    EXPECT_EQ(me->mTarget, it);
}

TEST_F(AIChoice, AnArtilleryDelayOf99StopsTheSearchExceptForGunCrews) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1050, 1000);
    Squad* old = Rifles(kAllies, 1500, 1000);
    me->mTarget = old;
    me->mArtilleryDelay = 99.0f;
    const uint32_t state = GetRandomState();
    EXPECT_FALSE(me->AIMaySwitchToNewTarget(true));
    EXPECT_EQ(me->mTarget, old);
    EXPECT_EQ(GetRandomState(), state);
    // A gun crew goes on, but does not search.
    mWeapons[9].mClass = 5;
    mInfantry[2] = mInfantry[0];
    mInfantry[2].mHeavyWeapon = 9;
    me->mSubtype = 2;
    EXPECT_FALSE(me->AIMaySwitchToNewTarget(true));
    EXPECT_EQ(me->mTarget, old);
    (void)it;
}

TEST_F(AIChoice, SmokeIsLaidAheadOfTheBestTarget) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1500, 1000);
    it->mHeading = 0.0f; // facing east, away from the shooter
    it->mTarget = me;
    me->mAmmoClassInUse = kAmmoSmoke;
    me->mAmmo[kAmmoSmoke] = 3;
    me->kit.mSmallArmsFP = 2000.0f;
    auto smoke = [&] {
        me->mTarget = nullptr;
        me->mAreaTarget = false;
        me->mSmokeScreen = false;
        me->AIMaySwitchToNewTarget(true);
        EXPECT_TRUE(me->mSmokeScreen);
        EXPECT_TRUE(me->mAreaTarget);
        EXPECT_EQ(me->mTarget, nullptr);
        return me->mAreaTargetX;
    };
    EXPECT_FLOAT_EQ(smoke(), 1508.0f); // 8 m ahead, in sight
    // A wall at 1506 m hides the point 8 m ahead: 4 m ahead.
    RaisePoints(*mBattle.mMap, 753, 490, 753, 510, 700);
    EXPECT_FLOAT_EQ(smoke(), 1504.0f);
    // A wall at 1502 m hides both: the target's own place.
    RaisePoints(*mBattle.mMap, 751, 490, 751, 510, 700);
    EXPECT_FLOAT_EQ(smoke(), 1500.0f);
    // Without smoke rounds the smoke screen ends.
    me->mAmmo[kAmmoSmoke] = 0;
    me->ai.canChange = false;
    me->AIMaySwitchToNewTarget(false);
    EXPECT_FALSE(me->mAreaTarget);
    EXPECT_FALSE(me->mSmokeScreen);
}

TEST_F(AIChoice, SecondarySmallArmsLookOnlyWithin100Metres) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* far = Rifles(kAllies, 1101, 1000);
    far->mTarget = me;
    EXPECT_EQ(me->TargetSecondarySmallArms(), nullptr);
    EXPECT_FALSE(gFiringSecondarySmallArms);
    Squad* near = Rifles(kAllies, 1090, 1000);
    near->mHeading = 180.0f;
    EXPECT_EQ(me->TargetSecondarySmallArms(), near);
    // An armoured scorer leaves vehicles to its guns.
    Tank* t = Armour(kAxis, 1000, 1200);
    Tank* v = Armour(kAllies, 1050, 1200);
    v->kit.mArmoured = false;
    near->mActive = false;
    Squad* nothing = t->TargetSecondarySmallArms() == v ? nullptr : near;
    EXPECT_EQ(nothing, near);
}

TEST_F(AIChoice, ASeededActionPhaseRepeatsExactly) {
    auto run = [&](uint32_t seed) {
        mBattle.mUnits->EmptyOut(true);
        SeedRandomGenerator(seed);
        for (int32_t i = 0; i < 24; ++i) {
            const float x = 200.0f + static_cast<float>(RandomPick(1600));
            const float y = 200.0f + static_cast<float>(RandomPick(1600));
            Unit* u = (i % 3 == 0) ? static_cast<Unit*>(Armour(i % 2 ? kAxis : kAllies, x, y))
                                   : static_cast<Unit*>(Rifles(i % 2 ? kAxis : kAllies, x, y));
            u->mHeading = static_cast<float>(RandomPick(360));
            u->mCoveredArc = RandomOneIn(3);
            u->mArcA = 0.0f;
            u->mArcB = 90.0f;
        }
        std::vector<int32_t> targets;
        for (int32_t slice = 0; slice < 6; ++slice)
            for (int32_t i = 0; i < mBattle.mUnits->GetCount(); ++i) {
                Unit* u = mBattle.mUnits->GetUnit(i);
                u->AIMaySwitchToNewTarget(false);
                targets.push_back(mBattle.mUnits->IndexOf(u->mTarget));
                targets.push_back(u->mAmmoClassInUse);
            }
        targets.push_back(static_cast<int32_t>(GetRandomState()));
        return targets;
    };
    const auto a = run(77);
    EXPECT_EQ(a, run(77));
    EXPECT_NE(a, run(78));
    // Threat and friendly harm worked out anew for every ammunition class
    // give the same targets, ammunition and generator state.
    aitarget::sReuseWithinScoring = false;
    const auto plain = run(77);
    aitarget::sReuseWithinScoring = true;
    EXPECT_EQ(a, plain);
}

// Secondary small arms take only a candidate within 100 m (inclusive) whose
// score is above 0.01; of two with equal scores the first found stays.
TEST_F(AIChoice, SecondarySmallArmsTakeScoresAbove001Within100Metres) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    it->mHeading = 180.0f;
    EXPECT_EQ(me->TargetSecondarySmallArms(), it); // exactly 100 m
    it->mX = 1100.25f;
    EXPECT_EQ(me->TargetSecondarySmallArms(), nullptr);
    it->mX = 1060.0f;
    // A second candidate on the very same spot scores the same: no switch.
    Squad* twin = Rifles(kAllies, 1060, 1000);
    twin->mHeading = 180.0f;
    EXPECT_EQ(me->TargetSecondarySmallArms(), it);
    twin->mActive = false;
    // The score to beat is 0.01: sweep the squad's firepower through it.
    float refused = -1.0f, taken = 2.0f;
    for (int32_t i = 0; i <= 400; ++i) {
        me->kit.mSmallArmsFP = 0.005f * static_cast<float>(i);
        gFiringSecondarySmallArms = true;
        const float s = me->AIGetTargetFuzzyScore(it, kAmmoHE);
        gFiringSecondarySmallArms = false;
        if (s <= 0.0f) continue;
        if (me->TargetSecondarySmallArms() == it)
            taken = std::min(taken, s);
        else
            refused = std::max(refused, s);
    }
    EXPECT_LE(refused, 0.01f);
    EXPECT_GT(taken, 0.01f);
    EXPECT_LT(taken - refused, 0.005f) << refused << " " << taken;
}

// The ordered target's score is raised to 0.4 only when it lies strictly
// between 0 and 0.4: a score of 0 stays 0 and is never taken.
TEST_F(AIChoice, AnOrderedTargetScoringNothingIsNotRaised) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    it->mHeading = 180.0f;
    me->mOrderedTarget = it;
    me->mAmmo[kAmmoHE] = 0; // nothing to fire: the score is 0
    me->kit.mSmallArmsFP = 0.0f;
    ASSERT_EQ(me->AIGetTargetFuzzyScore(it, kAmmoHE), 0.0f);
    Reset(-0.5f);
    me->AIScoreTarget(it, true);
    EXPECT_EQ(gBestTarget, nullptr);
}

// Smoke is laid 8 m ahead of the best target along its facing, whatever
// the facing: north here.
TEST_F(AIChoice, SmokeIsLaidAheadAlongTheTargetsFacing) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1500, 1000);
    it->mHeading = 90.0f;
    it->mTarget = me;
    me->mAmmoClassInUse = kAmmoSmoke;
    me->mAmmo[kAmmoSmoke] = 3;
    me->kit.mSmallArmsFP = 2000.0f;
    me->AIMaySwitchToNewTarget(true);
    ASSERT_TRUE(me->mSmokeScreen);
    EXPECT_NEAR(me->mAreaTargetX, 1500.0f, 1e-5f);
    EXPECT_NEAR(me->mAreaTargetY, 1008.0f, 1e-5f);
}

// A tank with a gun compares its best gun score with its coaxial machine
// gun's against a soft candidate: the machine gun wins when its score is at
// least k times the gun's, k = 1.8 for the ordered target, else 1.12 when
// the candidate aims at the tank, else 0.95 when it has ordnance, else 0.65
// below a gun score of 0.2, 0.75 below 0.4, 0.85 from 0.4 on. The winner
// shows in the ammunition the tank loads.
TEST_F(AIChoice, TheCoaxialMachineGunWinsByTheFactorOfItsCase) {
    mVehicles[0].mCoaxMG = 5;
    mVehicles[0].mCoaxMGCount = 1;
    Tank* me = Armour(kAxis, 1000, 1000);
    for (auto& rounds : me->mMGRounds)
        rounds = 200;
    Squad* it = Rifles(kAllies, 1200, 1000);
    it->mHeading = 180.0f;
    Squad* other = Rifles(kAllies, 1000, 1500);
    ASSERT_GT(me->NrCoaxMGsReady(true), 0);
    auto k = [&](float best) {
        if (it == me->mOrderedTarget) return 1.8f;
        if (it->mTarget == me) return 1.12f;
        if (it->kit.mOrdnance) return 0.95f;
        return best < 0.2f ? 0.65f : best < 0.4f ? 0.75f : 0.85f;
    };
    auto sweep = [&](const char* what, bool bothSides) {
        int32_t gunWins = 0, gunsWins = 0;
        float lo = 99.0f, hi = 0.0f;
        // The machine gun from weak to strong, the gun's rounds from few to
        // many, and the distance.
        for (int32_t step = 0; step < 120; ++step) {
            me->kit.mSmallArmsFP = 2.0f * static_cast<float>(step % 12);
            const int32_t rounds = 4 + 4 * (step / 12);
            for (float d : {60.0f, 150.0f, 300.0f, 500.0f, 650.0f, 750.0f}) {
                it->mX = me->mX + d;
                me->mAmmo[kAmmoHE] = static_cast<uint16_t>(rounds);
                me->mAmmoClassInUse = kAmmoAP;
                const float best = me->AIGetTargetFuzzyScore(it, kAmmoHE);
                me->mMGTypeInUse = 5;
                me->mMGTargeting = true;
                aitarget::sScoringMachineGuns = true;
                const float mg = me->AIGetTargetFuzzyScore(it, kAmmoHE);
                aitarget::sScoringMachineGuns = false;
                me->mMGTargeting = false;
                if (best <= 0.0f || mg <= 0.0f) continue;
                lo = std::min(lo, mg / best);
                hi = std::max(hi, mg / best);
                const bool guns = mg >= k(best) * best;
                // Keep away from ties the rounding of the factor could move.
                if (std::fabs(mg - k(best) * best) < 1e-4f) continue;
                Reset(-1.0f);
                me->AIScoreTarget(it, true);
                if (gBestTarget != it) continue;
                EXPECT_EQ(me->mAmmoClassInUse, guns ? kAmmoNone : kAmmoHE)
                    << what << ": gun " << best << ", machine gun " << mg << ", k " << k(best);
                (guns ? gunsWins : gunWins)++;
            }
        }
        // Both outcomes occurred: the factor was tried from both sides.
        if (bothSides) {
            EXPECT_GT(gunWins, 0) << what << ", machine gun to gun " << lo << " to " << hi;
            EXPECT_GT(gunsWins, 0) << what << ", machine gun to gun " << lo << " to " << hi;
        }
    };
    sweep("plain", true);
    it->kit.mOrdnance = true;
    // Against these the machine gun scores at least 1.06 times the gun here:
    // one side of the factor only.
    sweep("candidate with ordnance", false);
    it->mTarget = me;
    sweep("candidate aiming at the tank", true);
    // An ordered soft target is tried with the gun only when the tank was
    // told to use its main gun on it.
    me->mOrderedTarget = it;
    me->mUseMainGun = true;
    sweep("ordered target", false);
    (void)other;
}

// A squad that cannot turn to face a candidate still takes infantry within
// 15 m (3-D, inclusive) and less than 85 degrees off its facing.
TEST_F(AIChoice, InfantryCloseByIsTakenWithoutTurning) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    me->ai.faces = false;
    Squad* it = Rifles(kAllies, 1000, 1000);
    it->mHeading = 180.0f;
    auto takes = [&](float r, float degrees) {
        const float a = degrees * 0.0174532925f;
        it->mX = 1000.0f + r * std::cos(a);
        it->mY = 1000.0f + r * std::sin(a);
        me->mTarget = nullptr;
        me->mHeading = 0.0f;
        me->AIMaySwitchToNewTarget(true);
        return me->mTarget == it;
    };
    EXPECT_TRUE(takes(15.0f, 60.0f));
    EXPECT_FALSE(takes(15.25f, 60.0f));
    EXPECT_TRUE(takes(10.0f, 84.0f));
    EXPECT_FALSE(takes(10.0f, 86.0f));
    EXPECT_TRUE(takes(10.0f, -84.0f));
    // A vehicle that close is not taken without turning.
    it->mUnitType = kUnitVehicle;
    EXPECT_FALSE(takes(10.0f, 30.0f));
    it->mUnitType = kUnitInfantry;
    // A unit able to face it takes it at any angle.
    me->ai.faces = true;
    EXPECT_TRUE(takes(10.0f, 120.0f));
}

// A gun holds its high explosive when a unit of its own side that is not
// armoured stands within 20 m of the candidate on each axis (strictly) and
// within 20 m in the plane (inclusive).
TEST_F(AIChoice, AGunHoldsFireWithFriendsWithin20MetresOfTheTarget) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1060, 1000);
    it->mHeading = 180.0f;
    Squad* friendly = Rifles(kAxis, 1000, 1500);
    auto fires = [&](float dx, float dy) {
        friendly->mX = it->mX + dx;
        friendly->mY = it->mY + dy;
        return Score(me, it) > 0.0f;
    };
    ASSERT_TRUE(fires(100.0f, 0.0f));
    EXPECT_FALSE(fires(19.9f, 0.0f));
    EXPECT_TRUE(fires(20.0f, 0.0f));
    EXPECT_TRUE(fires(0.0f, -20.0f));
    EXPECT_FALSE(fires(14.0f, 14.0f));  // 392 square metres
    EXPECT_TRUE(fires(14.2f, 14.2f));   // 403.28: outside the circle
    // Armour close by, the enemy's own units, or a friend that surrendered do not hold it.
    friendly->kit.mArmoured = true;
    EXPECT_TRUE(fires(5.0f, 5.0f));
    friendly->kit.mArmoured = false;
    friendly->mSurrendered = true;
    EXPECT_TRUE(fires(5.0f, 5.0f));
    friendly->mSurrendered = false;
    friendly->mSide = it->mSide;
    EXPECT_TRUE(fires(5.0f, 5.0f));
}

// Area fire into a square with a large fire stops, up to the map's last
// column (the east edge of a 2000 m map).
TEST_F(AIChoice, AreaFireIntoALargeFireStopsUpToTheMapsEdge) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    me->ai.allowed = false;
    me->mAreaTarget = true;
    me->mAreaTargetX = 1995.0f;
    me->mAreaTargetY = 1010.0f;
    mBattle.mMap->StartFire(1995.0f, 1010.0f, true, false);
    ASSERT_GT(mBattle.mMap->GetFireState(1995.0f, 1010.0f), 4);
    me->AIMaySwitchToNewTarget(true);
    EXPECT_FALSE(me->mAreaTarget);
}

// The situation factors after the ammunition trials, each seen as the ratio
// of a score with the situation to the same score without it (the fuzzy
// score itself is the same on both sides): riders beyond 60 m (strictly)
// halve it; a platoon squad beyond 60 m below three quarters of its men
// scales it by r × 1.3333 (not at exactly 0.75); a moving gun vehicle
// against a soft candidate without ordnance takes 0.4; a vehicle of mobility
// class 5 is worth half.
TEST_F(AIChoice, SituationFactorsAfterTheTrials) {
    mInfantry[1].mNrMen = 8;
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1060, 1000);
    it->mHeading = 180.0f;
    Tank* carrier = Armour(kAllies, 1500, 1500);
    // The score at 60.25 m over the score at 60 m.
    auto beyond60 = [&] {
        it->mX = me->mX + 60.0f;
        const float at = Score(me, it, false);
        it->mX = me->mX + 60.25f;
        const float past = Score(me, it, false);
        EXPECT_GT(at, 0.0f);
        return past / at;
    };
    const float plain = beyond60();
    it->mTransport = carrier;
    EXPECT_NEAR(beyond60() / plain, 0.5f, 1e-5f);
    it->mTransport = nullptr;
    it->mSubtype = 1; // a platoon squad of 8
    it->mCasualties = 2; // exactly three quarters: 0.75 × 1.3333 would show
    EXPECT_FLOAT_EQ(beyond60() / plain, 1.0f);
    it->mCasualties = 3;
    EXPECT_NEAR(beyond60() / plain, 0.625f * 1.3333f, 1e-5f);
    it->mCasualties = 0;

    Tank* gun = Armour(kAxis, 1000, 1200);
    it->mX = gun->mX + 200.0f;
    it->mY = gun->mY;
    auto moving = [&] {
        gun->mPlaybackSpeed = 0.0f;
        const float standing = Score(gun, it, false);
        gun->mPlaybackSpeed = 1.0f;
        const float rolling = Score(gun, it, false);
        gun->mPlaybackSpeed = 0.0f;
        EXPECT_GT(standing, 0.0f);
        return rolling / standing;
    };
    it->kit.mOrdnance = true;
    const float armed = moving();
    it->kit.mOrdnance = false;
    EXPECT_NEAR(moving() / armed, 0.4f, 1e-5f);

    Tank* truck = Armour(kAllies, gun->mX + 300.0f, gun->mY);
    truck->mSubtype = 1;
    truck->kit.mArmoured = false;
    mVehicles[1].mMobilityClass = 4;
    const float tracked = Score(gun, truck, false);
    mVehicles[1].mMobilityClass = 5;
    EXPECT_GT(tracked, 0.0f);
    EXPECT_NEAR(Score(gun, truck, false) / tracked, 0.5f, 1e-5f);
}

// Smoke laid on infantry beyond 60 m (strictly) is worth 0.35 of its score
// while the target is pinned (suppression 100 up to 350) and nothing once it
// is broken (350 on); other rounds and nearer targets keep their score. The
// gun holds only smoke, and the anti-tank team threatens it enough to want
// smoke between them (each ratio is to the smoke trial's own score).
TEST_F(AIChoice, SmokeOnInfantryByTheTargetsSuppressionBand) {
    Tank* me = Armour(kAxis, 1000, 1000);
    me->ai.vp = 500.0f;
    me->mAmmo[kAmmoHE] = 0;
    me->mAmmo[kAmmoAP] = 0;
    me->mAmmo[kAmmoSmoke] = 10;
    mWeapons[58].mMaxRange = 1000.0f;
    auto* team = Place<Infantry>(kAllies, 1150, 1000);
    team->mContactLevel = kContactFull;
    team->mAntitankShots = 2;
    team->mAntitankWeapon = 58;
    auto ratio = [&](float suppression, float d = 150.0f) {
        team->mSuppression = suppression;
        team->mX = me->mX + d;
        const float trial = me->AIGetTargetFuzzyScore(team, kAmmoSmoke);
        EXPECT_GT(trial, 0.0f);
        me->mAmmoClassInUse = kAmmoHE;
        const float s = Score(me, team, false);
        EXPECT_EQ(me->mAmmoClassInUse, kAmmoSmoke); // the smoke won, at 0 too
        return s / trial;
    };
    EXPECT_FLOAT_EQ(ratio(99.9f), 1.0f);
    EXPECT_FLOAT_EQ(ratio(100.0f), 0.35f);
    EXPECT_FLOAT_EQ(ratio(349.9f), 0.35f);
    EXPECT_EQ(ratio(350.0f), 0.0f);
    EXPECT_EQ(ratio(1500.0f), 0.0f);
    EXPECT_FLOAT_EQ(ratio(200.0f, 60.0f), 1.0f);
    EXPECT_FLOAT_EQ(ratio(200.0f, 60.25f), 0.35f);

    // High explosive on the same pinned team keeps its score.
    me->mAmmo[kAmmoSmoke] = 0;
    me->mAmmo[kAmmoHE] = 10;
    team->mSuppression = 200.0f;
    const float he = me->AIGetTargetFuzzyScore(team, kAmmoHE);
    ASSERT_GT(he, 0.0f);
    EXPECT_FLOAT_EQ(Score(me, team, false), he);
}

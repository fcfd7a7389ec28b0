// Contact levels rising and falling with distance, light, weather, hearing,
// firing and markers; the spotter's optics; the aim clock.

#include <cmath>

#include "engine/GOLTA.h"
#include "unit_fire_fixture.h"

using namespace firetest;

namespace {

// An Axis spotter at (1000, 1000) looking for an Allied squad to the east.
// The squad is seen out to 400 m by day; the spotter's optics rate 0.95 in
// 1943, so its sight reaches 380 m and X = 0.6 (380 + 5 x 380) / 6 = 228.
class SpotRules : public FireBattle {
protected:
    SpotRules() {
        spotter = Place<Soldier>(kAxis, 1000.0f, 1000.0f);
        squad = Place<Soldier>(kAllies, 1300.0f, 1000.0f);
        squad->kit.mSpottingRange = 400.0f;
    }
    FogOfWarContact LevelAt(float distance) {
        squad->mX = 1000.0f + distance;
        return squad->SpotLevelX(squad->kit.mHearing, 1.0f, nullptr);
    }
    // A full check that may raise the level.
    void Check() { squad->BeSpotted(true, false); }
    // A full check that may only lower it.
    void Recheck() {
        squad->mSpotClock = 1;
        squad->BeSpotted(false, false);
    }
    Soldier* spotter;
    Soldier* squad;
};

} // namespace

TEST_F(SpotRules, IdentificationFallsOffWithDistance) {
    // Infantry: k = 0.04182 x 2 + 0.1077; 0.4Xk = 17.4, Xk = 43.6, 2Rk = 145.4.
    EXPECT_EQ(LevelAt(15.0f), 5);
    EXPECT_EQ(LevelAt(40.0f), 4);
    EXPECT_EQ(LevelAt(100.0f), 3);
    EXPECT_EQ(LevelAt(300.0f), 2);
    EXPECT_EQ(LevelAt(379.0f), 2);
    EXPECT_EQ(LevelAt(381.0f), 0);
    mHost.mFog = 2; // a level of 4 is shown as full identification
    EXPECT_EQ(LevelAt(40.0f), 5);
}

TEST_F(SpotRules, HearingReachesBeyondSightButNotThroughWeather) {
    squad->kit.mHearing = 600.0f;
    EXPECT_EQ(LevelAt(500.0f), 1);
    mBattle.mWeather = 2; // rain: 360 m
    EXPECT_EQ(LevelAt(500.0f), 0);
    mBattle.mWeather = 0;
    mBattle.mGroundCondition = 7; // snow underfoot: 420 m
    EXPECT_EQ(LevelAt(500.0f), 0);
    EXPECT_EQ(LevelAt(400.0f), 1);
    // A deafened spotter hears less: 10000 points take half.
    mBattle.mGroundCondition = 2;
    spotter->mDeafness = 5000;
    EXPECT_EQ(LevelAt(500.0f), 0);
    EXPECT_EQ(LevelAt(290.0f), 2);
}

TEST_F(SpotRules, DarknessHoldsIdentificationAtThreeBeyond100Metres) {
    squad->kit.mSpottingRange = 2000.0f; // X = 0.6 x 6 x 1900 / 6 = 1140, Xk = 218
    EXPECT_EQ(LevelAt(150.0f), 4);
    mBattle.mTimeOfDay = kNight;
    EXPECT_EQ(LevelAt(150.0f), 3);
    EXPECT_EQ(LevelAt(90.0f), 4);
}

TEST_F(SpotRules, AUnitThatHasJustFiredIsSeenAndHeardFurther) {
    squad->kit.mWeapon = 1;
    squad->kit.mClass = kWClassSmallArms;
    squad->mFiringSignature = 800;
    // Heard out to 600 m; seen 125 m further (the Allies at midday), before
    // the spotter's optics: (400 + 125) x 0.95 = 498.75 m.
    EXPECT_EQ(LevelAt(590.0f), 1);
    EXPECT_EQ(LevelAt(495.0f), 2);
    EXPECT_EQ(LevelAt(505.0f), 1);
    // In the morning 250 x 1.5: (400 + 375) x 0.95 = 736 m.
    mBattle.mTimeOfDay = kMorning;
    EXPECT_EQ(LevelAt(560.0f), 2);
    EXPECT_EQ(LevelAt(740.0f), 0);
}

TEST_F(SpotRules, ASpotterSeesOnlyWhileInGoodOrder) {
    EXPECT_EQ(LevelAt(100.0f), 3);
    spotter->mSuppression = 400.0f;
    EXPECT_EQ(LevelAt(100.0f), 0);
    spotter->mSuppression = 100.0f; // shaken: 380 m x (0.18182 - 0.77091 + 1) = 156 m
    EXPECT_EQ(LevelAt(150.0f), 2);
    EXPECT_EQ(LevelAt(160.0f), 0);
}

TEST_F(SpotRules, ALostContactLeavesAMarkerUntilThePlaceIsSeenEmpty) {
    squad->mX = 1100.0f;
    Check();
    EXPECT_EQ(squad->mContactLevel, 3);
    EXPECT_TRUE(gPacket);
    // It slips away: the level stays and a marker shows where it was.
    squad->mX = 1500.0f;
    Recheck();
    EXPECT_EQ(squad->mContactLevel, 3);
    EXPECT_TRUE(squad->mSpotMarker);
    EXPECT_FLOAT_EQ(squad->mMarkerX, 1500.0f);
    squad->mMarkerX = 1100.0f; // as if marked at the last place seen
    // The next raising check finds the marked place empty.
    Check();
    EXPECT_FALSE(squad->mSpotMarker);
    EXPECT_TRUE(squad->mSpotMarkerGone);
    EXPECT_FALSE(squad->IsSpottedNow());
}

TEST_F(SpotRules, AHeardOnlyContactSimplyFades) {
    squad->kit.mHearing = 600.0f;
    squad->mX = 1500.0f;
    SeedRandomGenerator(3);
    Check();
    ASSERT_EQ(squad->mContactLevel, 1);
    EXPECT_GE(squad->mSoundOffsetX, -40);
    EXPECT_LE(squad->mSoundOffsetX, 40);
    squad->kit.mHearing = 50.0f;
    squad->mX = 1700.0f;
    Recheck();
    EXPECT_EQ(squad->mContactLevel, 0);
    EXPECT_FALSE(squad->mSpotMarker);
}

TEST_F(SpotRules, WithoutFogOfWarEveryUnitIsKnown) {
    mHost.mFog = 0;
    squad->mX = 1900.0f;
    squad->mSpotMarker = true;
    Check();
    EXPECT_EQ(squad->mContactLevel, 5);
    EXPECT_FALSE(squad->mSpotMarker);
    mHost.mFog = 1; // any contact at all is full identification
    squad->mContactLevel = 0;
    squad->mX = 1300.0f;
    Check();
    EXPECT_EQ(squad->mContactLevel, 5);
}

// The optics' visibility factor at each edge of its visibility bands (date
// 4306: a base quality of 1.0), and the least experience each optical type
// needs (0, 2, 1, 1, 3, 2, 3 for types 0 to 6; 5 % per level short).
TEST_F(SpotRules, OpticsVisibilityBandsAndTheExperienceEachTypeNeeds) {
    mBattle.mTemperature = 2;
    spotter->mExperience = 3;
    auto quality = [&](int32_t optics, float visibility) {
        spotter->kit.mOptics = optics;
        mBattle.mVisibilityDistance = visibility;
        return spotter->OpticalQualitySpot();
    };
    auto far4 = [](float v) { return 2.7728e-05f * v - 7.9127e-10f * v * v + 0.86212f; };
    auto far6 = [](float v) { return 4.1667e-05f * v - 1.1905e-09f * v * v + 0.79286f; };
    auto near5 = [](float v) { return 0.00037778f * v - 1.4815e-07f * v * v + 0.8f; };
    auto near6 = [](float v) { return 0.00056667f * v - 2.2222e-07f * v * v + 0.7f; };
    EXPECT_NEAR(quality(1, 749.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(1, 750.0f), 1.025f, 1e-5f);
    EXPECT_NEAR(quality(2, 20000.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(4, 6000.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(4, 6001.0f), far4(6001.0f), 1e-5f);
    EXPECT_NEAR(quality(4, 14999.0f), far4(14999.0f), 1e-5f);
    EXPECT_NEAR(quality(4, 15000.0f), 1.1f, 1e-5f);
    EXPECT_NEAR(quality(4, 500.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(5, 749.0f), near5(749.0f), 1e-5f);
    EXPECT_NEAR(quality(5, 750.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(5, 10000.0f), far4(10000.0f), 1e-5f);
    EXPECT_NEAR(quality(5, 15000.0f), 1.1f, 1e-5f);
    EXPECT_NEAR(quality(6, 749.0f), near6(749.0f), 1e-5f);
    EXPECT_NEAR(quality(6, 750.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(6, 6000.0f), 1.0f, 1e-5f);
    EXPECT_NEAR(quality(6, 10000.0f), far6(10000.0f), 1e-5f);
    EXPECT_NEAR(quality(6, 15000.0f), 1.15f, 1e-5f);
    const int32_t needs[7] = {0, 2, 1, 1, 3, 2, 3};
    for (int32_t o = 1; o < 7; ++o) {
        spotter->mExperience = needs[o];
        const float full = quality(o, 3000.0f);
        spotter->mExperience = needs[o] - 1;
        EXPECT_NEAR(quality(o, 3000.0f), full * 0.95f, 1e-5f) << o;
    }
    // Plain eyes: 0.95 before 4313.
    spotter->mExperience = 0;
    EXPECT_NEAR(quality(0, 3000.0f), 0.95f, 1e-5f);
}

TEST_F(SpotRules, OpticsRateByDateWeatherAndCrew) {
    EXPECT_NEAR(spotter->OpticalQualitySpot(), 0.95f, 1e-6);
    mBattle.mTemperature = 0; // heat: x (1 - 0.002 x 25)
    EXPECT_NEAR(spotter->OpticalQualitySpot(), 0.9025f, 1e-6);
    mBattle.mTemperature = 5; // extreme cold, no optics, before 4313
    EXPECT_NEAR(spotter->OpticalQualitySpot(), 0.95f * 0.968f, 1e-6);
    mBattle.mTemperature = 2;
    spotter->kit.mOptics = 5;
    mBattle.mVisibilityDistance = 500.0f;
    EXPECT_NEAR(spotter->OpticalQualitySpot(), 0.00037778f * 500 - 1.4815e-07f * 250000 + 0.8f, 1e-5);
    spotter->mExperience = 1; // one level short of what these optics need
    EXPECT_NEAR(spotter->OpticalQualitySpot(), 0.95 * (0.00037778 * 500 - 1.4815e-07 * 250000 + 0.8), 1e-5);
    // Tracking at 500 m of 2000 m: 0.95 x (1 + (1.5 / 0.95 - 1) / 4).
    spotter->kit.mOptics = 0;
    spotter->mExperience = 2;
    mBattle.mVisibilityDistance = 2000.0f;
    EXPECT_NEAR(spotter->OpticalQualityTrack(500.0f, 0.0f), 1.0875f, 1e-4);
    EXPECT_NEAR(spotter->OpticalQualityTrack(500.0f, 10.0f),
                1.0875f * (1.4f - 0.04f * std::tan(15.0f * 0.013089969f) * 50.0f), 1e-4);
}

TEST_F(SpotRules, AnyUnitButAnObserverAimsAfreshOnceLoadedUnlessJammed) {
    squad->mAimTime = 0.0f;
    squad->ResetAimClock();
    EXPECT_EQ(squad->mAimTime, 4.0f);
    squad->mAimTime = 99.0f;
    squad->ResetAimClock();
    EXPECT_EQ(squad->mAimTime, 99.0f);
}

// The spotter's own state on its sight and hearing: its own target seen at
// twice the range; while it fires at a point more than 50 m away, half;
// deafness takes 0.0001 of hearing per point; suppression s (at least 80
// while hiding, at most 200) scales both by 1.8182e-05 s^2 - 0.0077091 s + 1;
// the optics' quality last.
TEST_F(SpotRules, SpottersOwnTargetFiringDeafnessAndSuppression) {
    const float q = spotter->OpticalQualitySpot();
    auto mods = [&](float* hearing) {
        float sight = 1000.0f;
        *hearing = 100.0f;
        spotter->SpotterMods(squad, &sight, hearing);
        return sight;
    };
    float hearing = 0.0f;
    EXPECT_NEAR(mods(&hearing), 1000.0f * q, 1e-3f);
    EXPECT_NEAR(hearing, 100.0f, 1e-4f);
    spotter->mTarget = squad;
    EXPECT_NEAR(mods(&hearing), 2000.0f * q, 1e-3f);
    // Firing at something else: half when its aim point lies beyond 50 m.
    Soldier* other = Place<Soldier>(kAllies, 1050.5f, 1000.0f);
    spotter->mTarget = other;
    spotter->mFiringSignature = 800;
    EXPECT_NEAR(mods(&hearing), 500.0f * q, 1e-3f);
    other->mX = 1050.0f;
    EXPECT_NEAR(mods(&hearing), 1000.0f * q, 1e-3f);
    spotter->mTarget = nullptr;
    spotter->mFiringSignature = 0;
    spotter->mDeafness = 2500;
    mods(&hearing);
    EXPECT_NEAR(hearing, 75.0f, 1e-3f);
    spotter->mDeafness = 12000;
    mods(&hearing);
    EXPECT_EQ(hearing, 0.0f);
    spotter->mDeafness = 0;
    auto f = [](float s) { return 1.8182e-05f * s * s - 0.0077091f * s + 1.0f; };
    for (float s : {50.0f, 150.0f, 200.0f, 600.0f}) {
        spotter->mSuppression = s;
        EXPECT_NEAR(mods(&hearing), 1000.0f * f(std::fmin(s, 200.0f)) * q, 1e-2f) << s;
        EXPECT_NEAR(hearing, 100.0f * f(std::fmin(s, 200.0f)), 1e-3f) << s;
    }
}

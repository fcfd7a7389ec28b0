// Infantry speed by class, pace, losses, terrain and snow; fatigue by pace,
// weather and fitness; the drift of a walking squad's figures.

#include "infantry_fixture.h"

namespace {

constexpr float kToMetres = 0.4473f * 0.025f;
constexpr MovementSpeedType kCrawl = 5;

class InfantrySpeed : public InfantryTest {
protected:
    InfantrySpeed() {
        mPaces[kCrawl].mPaceKind = 1;
        mBattle.mBattle.mGlobalMorale[0] = mBattle.mBattle.mGlobalMorale[1] = 1.0f;
        mBattle.mBattle.mTemperature = 2;
    }
    std::unique_ptr<Infantry> At(InfantryType type, Force force, MovementSpeedType pace) {
        auto u = Make(type, force);
        u->mMoveSpeed = pace;
        u->mHeading = 0.0f;
        return u;
    }
};

TEST_F(InfantrySpeed, APushedGunCrawlsAndSlowsWithItsLosses) {
    auto gun = At(kGermanGunCrew, kGerman, kCrawl);
    EXPECT_EQ(gun->GetSpeedClass(), kSpeedPushedGun);
    EXPECT_FLOAT_EQ(gun->MoveSpeed(nullptr), 0.735f * 0.2f * kToMetres);
    gun->mCasualties = 2; // three of five men left
    EXPECT_FLOAT_EQ(gun->MoveSpeed(nullptr), 0.735f * 0.2f * 0.6f * kToMetres);
}

TEST_F(InfantrySpeed, OnlyUnencumberedMenRun) {
    EXPECT_FLOAT_EQ(At(kUSSquad, kAmerican, kFast)->MoveSpeed(nullptr), 4.7952f * kToMetres);
    EXPECT_FLOAT_EQ(At(kGermanMGTeam, kGerman, kFast)->MoveSpeed(nullptr), 0.001f * kToMetres);
    EXPECT_FLOAT_EQ(At(kGermanMGTeam, kGerman, kMove)->MoveSpeed(nullptr), 2.1f * kToMetres);
    EXPECT_FLOAT_EQ(At(kUSSquad, kAmerican, kCrawl)->MoveSpeed(nullptr), 1.05f * kToMetres);
}

TEST_F(InfantrySpeed, TiredMenGoAtHalfPaceAndImmobileUnitsBarelyMove) {
    auto u = At(kUSSquad, kAmerican, kFast);
    u->mFatigueState = 2; // the fast pace's limit
    EXPECT_FLOAT_EQ(u->MoveSpeed(nullptr), 4.7952f * 0.5f * kToMetres);
    u->mImmobile = true;
    EXPECT_EQ(u->GetSpeedClass(), kSpeedCannotMove);
    u->mSurrendered = true;
    EXPECT_EQ(u->GetSpeedClass(), kSpeedCannotMove);
    u->mImmobile = false;
    EXPECT_EQ(u->GetSpeedClass(), kSpeedUnencumbered);
}

TEST_F(InfantrySpeed, TerrainAheadSetsTheFactor) {
    auto squad = At(kUSSquad, kAmerican, kMove);
    auto gun = At(kGermanGunCrew, kGerman, kMove);
    mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, kTerrainWoods);
    EXPECT_FLOAT_EQ(squad->MoveSpeed(nullptr), 3.2f * kToMetres * 0.8f);
    mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, kTerrainWireFirst);
    EXPECT_EQ(gun->MoveSpeed(nullptr), 0.0f);
    EXPECT_FLOAT_EQ(squad->MoveSpeed(nullptr), 3.2f * kToMetres * 0.035f);
    mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, kTerrainLightBuilding);
    EXPECT_EQ(gun->MoveSpeed(nullptr), 0.0f);
    EXPECT_FLOAT_EQ(squad->MoveSpeed(nullptr), 3.2f * kToMetres * 0.5f);
    mBattle.Paint(0.0f, 0.0f, 200.0f, 200.0f, kTerrainWater);
    EXPECT_EQ(squad->MoveSpeed(nullptr), 0.0f);
}

TEST_F(InfantrySpeed, DeepSnowSlowsMenOnFootAndSkisHelpOnOpenGround) {
    auto u = At(kGermanMGTeam, kGermanSkiers, kMove);
    mBattle.mBattle.mGroundCondition = 8;
    u->mOnSkis = false;
    EXPECT_FLOAT_EQ(u->MoveSpeed(nullptr), 2.1f * kToMetres * 0.25f);
    u->mOnSkis = true;
    EXPECT_FLOAT_EQ(u->MoveSpeed(nullptr), 2.1f * kToMetres * (2.0f * 0.4f));
    mBattle.mBattle.mGroundCondition = 5; // morass
    EXPECT_FLOAT_EQ(u->MoveSpeed(nullptr), 2.1f * kToMetres * 0.5f);
}

TEST_F(InfantrySpeed, TheLookAheadPointIsTwoStepsAlongTheHeading) {
    auto u = At(kUSSquad, kAmerican, kMove);
    u->mHeading = 90.0f;
    const float s = u->MoveSpeed(nullptr);
    EXPECT_NEAR(gMoveX, 50.0f, 1e-4f);
    EXPECT_NEAR(gMoveY, 50.0f + 2.0f * s, 1e-4f);
    u->mLookAhead = false;
    u->MoveSpeed(nullptr);
    EXPECT_EQ(gMoveY, 50.0f);
}

TEST_F(InfantrySpeed, RecoveryIsNeverSlowerThanSixThousandthsASlice) {
    auto u = At(kUSSquad, kAmerican, kHold);
    u->mFatigue = 50.0f;
    mBattle.mBattle.mTemperature = 1;
    mBattle.mBattle.mGlobalMorale[kAllies] = 0.0f;
    u->ApplyFatigue();
    EXPECT_FLOAT_EQ(u->mFatigue, 50.0f - 0.006f);
    EXPECT_EQ(u->mFatigueState, 1);
}

TEST_F(InfantrySpeed, StandingStillTiresSlightlyAndFitnessWeighs) {
    auto u = At(kUSSquad, kAmerican, kStand);
    u->ApplyFatigue();
    EXPECT_FLOAT_EQ(u->mFatigue, 0.0005f);
    u->mFatigue = 0.0f;
    u->mFitness = 0;
    u->ApplyFatigue();
    EXPECT_FLOAT_EQ(u->mFatigue, 0.0005f / 0.333f);
}

TEST_F(InfantrySpeed, FatigueStaysWithinItsRangeAndStatesChangeAtTheirThresholds) {
    auto u = At(kUSSquad, kAmerican, kFast);
    u->mFatigue = 299.99f;
    gPacket = false;
    u->ApplyFatigue();
    EXPECT_EQ(u->mFatigue, 300.0f);
    EXPECT_EQ(u->mFatigueState, 4);
    EXPECT_TRUE(gPacket);
    u->mMoveSpeed = kHold;
    u->mFatigue = 199.99f;
    u->ApplyFatigue();
    EXPECT_EQ(u->mFatigueState, 3);
    u->mFatigue = 0.001f;
    u->ApplyFatigue();
    EXPECT_EQ(u->mFatigue, 0.0f);
    EXPECT_EQ(u->mFatigueState, 0);
}

TEST_F(InfantrySpeed, LoadedMenTireFasterAtHeavyPaces) {
    auto light = At(kGermanSquad, kGerman, kFast);
    auto heavy = At(kGermanMGTeam, kGerman, kFast);
    light->mSliceCount = heavy->mSliceCount = 1; // no slope check
    light->ApplyFatigue();
    heavy->ApplyFatigue();
    EXPECT_FLOAT_EQ(heavy->mFatigue, light->mFatigue * 5.5f);
}

TEST_F(InfantrySpeed, AStandingSquadsFiguresDoNotDriftAndAWalkingOnesStayClose) {
    auto u = At(kUSSquad, kAmerican, kMove);
    SeedRandomGenerator(5);
    u->ProcessTimeSlice(100, 100, 3);
    EXPECT_EQ(GetRandomState(), 5u);
    for (int32_t i = 0; i < 12; ++i)
        Random();
    const uint32_t sixFractions = GetRandomState();
    SeedRandomGenerator(5);
    u->mPlaybackSpeed = 0.05f;
    u->ProcessTimeSlice(100, 100, 3);
    EXPECT_EQ(GetRandomState(), sixFractions);
    for (int32_t frame = 0; frame < 500; ++frame)
        u->ProcessTimeSlice(100, 100, 3);
    for (int32_t f = 0; f < 3; ++f) {
        for (int32_t a = 0; a < 2; ++a) {
            EXPECT_LE(std::fabs(u->mJitterA[f][a]), 0.6f);
            EXPECT_LE(std::fabs(u->mJitterB[f][a]), 0.0045f);
        }
    }
}

} // namespace

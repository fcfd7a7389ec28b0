// Infantry weapons, aim and load times, state queries, visibility and the
// figures with their animation.

#include "battle/ActionPacket.h"
#include "engine/GString.h"
#include "infantry_fixture.h"
#include "units/InfantryTables.h"
#include "units/UnitFactory.h"

namespace {

class InfantryWeapons : public InfantryTest {
protected:
    InfantryWeapons() {
        mPaces[kStand].mFireLevel = 0; // aimed fire from a standing start
    }
    // The suppression and fatigue factors of aim and load times.
    static float Factors(const Infantry& u) {
        return (u.mSuppression + 100.0f) * 0.01f * ((u.mFatigue + 400.0f) * 0.0025f);
    }
};

TEST_F(InfantryWeapons, TheWeaponIsTheHeavyWeaponOrTheBestMachineGunOfTheTeams) {
    auto squad = Make(kUSSquad, kAmerican);
    WeaponType type = 0;
    WeaponClass wclass = 9;
    EXPECT_EQ(squad->GetWeaponInfo(&type, &wclass, kKnowTruth), 1); // the BAR
    EXPECT_EQ(type, kWeaponNone);
    EXPECT_EQ(wclass, kWClassSmallArms);
    auto gun = Make(kGermanGunCrew, kGerman);
    gun->GetWeaponInfo(&type, &wclass, kKnowTruth);
    EXPECT_EQ(type, kAntitankGun);
    EXPECT_EQ(wclass, kWClassGun);
    squad->mHastyFire = true;
    squad->GetWeaponInfo(&type, &wclass, kKnowTruth);
    EXPECT_EQ(type, squad->mAntitankWeapon);
    EXPECT_EQ(wclass, kWClassLightAT);
}

TEST_F(InfantryWeapons, MovingMenReachFortyMetresOnlyAsASquad) {
    auto squad = Make(kUSSquad, kAmerican);
    auto team = Make(kGermanMGTeam, kGerman);
    mTypes[kUSSquad].mSpeedClass = kSpeedMedium;
    squad->mPlaybackSpeed = team->mPlaybackSpeed = 0.05f;
    EXPECT_TRUE(squad->InRange(40.0f, true, 1.0f));
    EXPECT_FALSE(squad->InRange(41.0f, true, 1.0f));
    EXPECT_FALSE(team->InRange(10.0f, true, 1.0f));
    squad->mPlaybackSpeed = 0.0f;
    EXPECT_TRUE(squad->InRange(800.0f, true, 1.0f)); // the BAR's reach
    EXPECT_FALSE(squad->InRange(800.0f, true, 0.5f));
    auto mortar = Make(kGermanGunCrew, kGerman);
    mTypes[kGermanGunCrew].mHeavyWeapon = kMortar;
    EXPECT_FALSE(mortar->InRange(40.0f, false, 1.0f));
    EXPECT_TRUE(mortar->InRange(400.0f, false, 1.0f));
}

TEST_F(InfantryWeapons, AimTimesOfSnipersRiflesAndCrews) {
    auto sniper = Make(kGermanSniper, kGerman);
    sniper->mSuppression = 50.0f;
    sniper->mFatigue = 100.0f;
    EXPECT_FLOAT_EQ(sniper->FullAimTime(false, false), 5.0f * Factors(*sniper));
    auto rifles = Make(kUSSquad, kAmerican);
    rifles->mMoveSpeed = kStand;
    EXPECT_FLOAT_EQ(rifles->FullAimTime(false, false), 0.1f * Factors(*rifles));
    auto crew = Make(kGermanGunCrew, kGerman);
    EXPECT_FLOAT_EQ(crew->FullAimTime(false, false), 4.5f); // no acquisition yet
    crew->mAcquisition = 2;
    EXPECT_FLOAT_EQ(crew->FullAimTime(false, false), 2.5f);
    const float t = rifles->FullAimTime(true, false);
    EXPECT_GE(t, 0.1f * 0.8f);
    EXPECT_LT(t, 0.1f * 1.2f);
}

TEST_F(InfantryWeapons, LoadTimesAreCappedAndMenOutOfAmmunitionWaitLong) {
    auto squad = Make(kUSSquad, kAmerican);
    EXPECT_FLOAT_EQ(squad->FullLoadTime(false, false), 39.0f); // no rounds at all
    squad->mAmmo[kAmmoHE] = 50;
    EXPECT_FLOAT_EQ(squad->FullLoadTime(false, false), 3.0f);
    squad->mFatigue = 300.0f;
    squad->mSuppression = 1500.0f;
    mTypes[kUSSquad].mBaseLoadTime = 900;
    EXPECT_EQ(squad->FullLoadTime(false, false), 640.0f);
    auto sniper = Make(kGermanSniper, kGerman);
    sniper->mAmmo[kAmmoHE] = 5;
    EXPECT_FLOAT_EQ(sniper->FullLoadTime(false, false), 20.0f);
}

TEST_F(InfantryWeapons, LossesSlowTheLoadingOfALightTeamByTheRootOfItsLoss) {
    auto team = Make(kGermanTankHunters, kGerman); // no heavy weapon: its first team's group decides
    mTypes[kGermanTankHunters].mTeamAnimGroup[0] = 3;
    mTypes[kGermanTankHunters].mSpeedClass = kSpeedPushedGun;
    team->mAmmo[kAmmoHE] = 10;
    team->mCasualties = 1;
    EXPECT_FLOAT_EQ(team->FullLoadTime(false, false), 3.0f * std::sqrt(3.0f / 1.0f));
}

TEST_F(InfantryWeapons, AnObserversAdjustmentPointIsExactWithoutALookAtTheGround) {
    auto fo = Make(kBritishObserver, kBritish);
    fo->mFOTargetX = 100.0f;
    fo->mFOTargetY = 100.0f;
    bool exact = false;
    EXPECT_TRUE(fo->WithinFOAdjustment(100.0f, 100.0f, &exact));
    EXPECT_TRUE(exact);
    EXPECT_TRUE(fo->WithinFOAdjustment(150.0f, 100.0f, &exact));
    EXPECT_FALSE(exact);
    EXPECT_FALSE(fo->WithinFOAdjustment(300.0f, 100.0f, nullptr)); // beyond 100 m

    // Asked without the pointer, even the adjustment point itself needs a
    // sight of the ground: with no map to look across there is none.
    Map* map = gBattle->mMap;
    gBattle->mMap = nullptr;
    EXPECT_TRUE(fo->WithinFOAdjustment(100.0f, 100.0f, &exact));
    EXPECT_FALSE(fo->WithinFOAdjustment(100.0f, 100.0f, nullptr));
    gBattle->mMap = map;
}

TEST_F(InfantryWeapons, OrdnanceHeavyWeaponsAndSupport) {
    auto gun = Make(kGermanGunCrew, kGerman);
    EXPECT_TRUE(gun->HasOrdnance(false, false));
    mTypes[kGermanGunCrew].mFlags = kILightGun;
    EXPECT_FALSE(gun->HasOrdnance(false, false));
    EXPECT_TRUE(gun->HasOrdnance(false, true));
    EXPECT_FALSE(gun->IsSupportWeapon(false));
    EXPECT_TRUE(gun->IsSupportWeapon(true));
    auto mg = Make(kGermanMGTeam, kGerman);
    EXPECT_TRUE(mg->IsSupportWeapon(false)); // a heavy machine gun
    EXPECT_FALSE(mg->HasHeavyWeapon(kKnowTruth));
    EXPECT_TRUE(mg->HasAntiArmorWeapon(true)); // its class-3 gun counts by hand
    EXPECT_FALSE(mg->HasAntiArmorWeapon(false));
}

TEST_F(InfantryWeapons, HidingDiggingInAndStopping) {
    auto u = Make(kUSSquad, kAmerican);
    u->mMoveSpeed = kHold;
    EXPECT_TRUE(u->IsStopped());
    EXPECT_TRUE(u->IsHiding(false));
    EXPECT_FALSE(u->IsHiding(true));
    u->mMoveSpeed = kMove;
    EXPECT_FALSE(u->IsStopped());
    EXPECT_FALSE(u->IsHiding(false));
    u->ToggleDigInStatus();
    EXPECT_FALSE(u->WillDigFoxhole());
}

TEST_F(InfantryWeapons, AmmunitionChoiceKeepsTheClassInUse) {
    auto u = Make(kUSSquad, kAmerican);
    u->mAmmo[kAmmoHE] = 10;
    u->mAmmoClassInUse = kAmmoHE;
    EXPECT_EQ(u->ChooseAmmo(nullptr, false), kAmmoHE);
    u->mHastyFire = true;
    EXPECT_EQ(u->ChooseAmmo(nullptr, false), kAmmoHEAT);
    u->mHastyFire = false;
    u->mTargetLocked = true;
    EXPECT_EQ(u->ChooseAmmo(nullptr, true), kAmmoNone);
    u->mAmmo[kAmmoSmoke] = 2;
    EXPECT_EQ(u->ChooseAmmo(nullptr, true), kAmmoSmoke);
}

TEST_F(InfantryWeapons, BiggerLoadsStandOutToSpotters) {
    auto squad = Make(kUSSquad, kAmerican);
    auto gun = Make(kGermanGunCrew, kGerman);
    squad->mMoveSpeed = gun->mMoveSpeed = kMove;
    // Both answer through the common spotting rule; the pace and the place
    // are theirs again afterwards.
    squad->SpotLevel(false, gun.get());
    gun->mMarkerX = 10.0f;
    gun->SpotLevel(true, squad.get());
    EXPECT_EQ(gun->mX, 50.0f);
    EXPECT_EQ(gun->mMoveSpeed, kMove);
}

TEST_F(InfantryWeapons, AFullSquadShowsThreeFiguresAndFewerAsItShrinks) {
    auto squad = Make(kUSSquad, kAmerican);
    EXPECT_EQ(squad->GetSpecificNrFigures(5), 3);
    squad->mCasualties = 3; // two thirds left
    EXPECT_EQ(squad->GetSpecificNrFigures(5), 2);
    squad->mCasualties = 6;
    EXPECT_EQ(squad->GetSpecificNrFigures(5), 1);
    EXPECT_EQ(squad->GetSpecificNrFigures(4), 3);
    EXPECT_EQ(squad->GetSpecificNrFigures(2), 1);
    EXPECT_EQ(Make(kGermanMGTeam, kGerman)->GetSpecificNrFigures(5), 1);
    auto crew = Make(kGermanGunCrew, kGerman);
    EXPECT_EQ(crew->GetSpecificAnimationGroup(0, 5), 17);
    EXPECT_EQ(crew->GetSpecificAnimationGroup(0, 3), 9);
    EXPECT_EQ(crew->GetSpecificAnimationGroup(0, 1), 9);
    auto mg = Make(kGermanMGTeam, kGerman);
    EXPECT_EQ(mg->GetSpecificAnimationGroup(0, 3), 3); // a machine gun shows at contact 3
    EXPECT_EQ(mg->GetSpecificAnimationGroup(0, 2), 0);
    EXPECT_EQ(mg->GetSpecificAnimationGroup(0, 1), 0);
}

TEST_F(InfantryWeapons, StartFramesDrawTwoPairsAndStayInsideTheTables) {
    auto u = Make(kUSSquad, kAmerican);
    SeedRandomGenerator(8);
    int32_t frame = -1, delay = -1, count = -1;
    u->RandomStartFrame(1, &frame, &delay, &count);
    const int32_t i = u->mAnimation[1];
    EXPECT_EQ(count, gAnimationFrameCount[i]);
    EXPECT_GE(frame, 0);
    EXPECT_LT(frame, count);
    const int32_t d = gAnimationFrameTime[i][frame];
    EXPECT_GE(delay, d / 5 + 2);
    EXPECT_LT(delay, d / 5 + 2 + 4 * d / 5);
    SeedRandomGenerator(8);
    for (int32_t k = 0; k < 4; ++k)
        Random();
    const uint32_t twoPairs = GetRandomState();
    SeedRandomGenerator(8);
    u->RandomStartFrame(1, &frame, &delay, &count);
    EXPECT_EQ(GetRandomState(), twoPairs);
}

TEST_F(InfantryWeapons, EveryAnimationHasFramesOfAtLeastFiveMilliseconds) {
    for (int32_t i = 0; i < kAnimationCount; ++i) {
        ASSERT_GE(gAnimationFrameCount[i], 1) << i;
        ASSERT_LE(gAnimationFrameCount[i], kMaxKeyFrames) << i;
        for (int32_t f = 0; f < gAnimationFrameCount[i]; ++f)
            EXPECT_GE(gAnimationFrameTime[i][f], 5) << i;
    }
}

TEST_F(InfantryWeapons, FiguresJumpToTheirStartPoseThenMoveTowardTheNextFrame) {
    auto u = Make(kUSSquad, kAmerican);
    u->mContactLevel = kContactFull;
    u->AdvanceAnimation(); // the last figure starts; the others wait
    EXPECT_GT(u->mAnimKeyTime[2], 0);
    EXPECT_EQ(u->mAnimKeyTime[0], 0);
    const int32_t group = gInfantryData[kUSSquad].mTeamAnimGroup[2];
    const int32_t i = group * kAnimationsPerGroup + u->mAnimation[2];
    const int32_t from = (u->mAnimFrame[2] + gAnimationFrameCount[i] - 1) % gAnimationFrameCount[i];
    EXPECT_EQ(u->mFigurePos[2][2], gAnimationPose[i][from][2]);
    for (int32_t k = 0; k < 5; ++k)
        u->AdvanceAnimation();
    EXPECT_GT(u->mAnimKeyTime[0], 0);
    for (int32_t v = 0; v < kPoseValues; ++v)
        EXPECT_TRUE(std::isfinite(u->mFigurePos[v][0]));
}

} // namespace

namespace {

TEST_F(InfantryWeapons, AShotIsHeardFromATeamThatStillHasMen) {
    mArms[kRifle].mSoundWeight = 2;
    mArms[kRifle].mSoundClass = 7; // sounds 435..439
    mArms[kBAR].mSoundWeight = 3;
    mArms[kBAR].mSoundClass = 13; // sounds 2020..2021
    auto u = Make(kUSSquad, kAmerican);
    u->mTeamMen[0] = u->mTeamMen[1] = 0; // the riflemen are gone
    for (int32_t i = 0; i < 20; ++i) {
        u->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 100.0f, 200);
        auto* p = static_cast<ActionPacket*>(
            mBattle.mBattle.mPackets.GetObjectA(mBattle.mBattle.mPackets.GetCount() - 1));
        ASSERT_NE(p, nullptr);
        EXPECT_GE(p->mSoundNumber, 2020);
        EXPECT_LE(p->mSoundNumber, 2021);
    }
    mBattle.mBattle.mPackets.EmptyOut(true);
}

TEST_F(InfantryWeapons, SpeedTextsByClass) {
    auto text = [&](InfantryType type) {
        GString63 s;
        Infantry u;
        u.IInfantry(type, kGerman, kExperienceRegular, 0.0f, 0.0f, 0.0f);
        ConcatInfantrySpeed(&u, &s);
        return std::string(s.GetCString(), s.GetLength());
    };
    EXPECT_EQ(text(kUSSquad), "Schnell");
    EXPECT_EQ(text(kGermanMGTeam), "Langsam");
    EXPECT_EQ(text(kGermanGunCrew), "Sehr Langsam");
    mTypes[kGermanGunCrew].mMobility = 9;
    EXPECT_EQ(text(kGermanGunCrew), "Unbeweglich");
}

TEST_F(InfantryWeapons, RarityFollowsTheBattlesSetting) {
    auto u = Make(kUSSquad, kAmerican);
    mTypes[kUSSquad].mRarityIndex = 3;
    mTypes[kUSSquad].mDataDate = 4306; // in service since the battle's month
    for (char& c : mTypes[kUSSquad].mRarityCodes)
        c = 5;
    mBattle.mBattle.mRarityMode = 2;
    EXPECT_EQ(u->GetRarityFactor(), 1.0f);
    mBattle.mBattle.mRarityMode = 1;
    EXPECT_EQ(u->GetRarityFactor(), RarityFactorFromIndex(3));
    mBattle.mBattle.mRarityMode = 0;
    EXPECT_EQ(u->GetRarityFactor(), RarityFactorFromIndex(5));
}

} // namespace

namespace {

// Headless no graphic is made, yet each figure draws the arms it carries,
// as a machine that draws would.
TEST_F(InfantryWeapons, FiguresPickTheirArmsFromTheMenOfTheirKind) {
    auto u = Make(kUSSquad, kAmerican);
    SeedRandomGenerator(21);
    u->MakeTextures(false);
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(21);
    for (int32_t i = 0; i < 10; ++i) // one figure each at contacts 2 and 3, three at 4
        Random();
    EXPECT_EQ(GetRandomState(), after);
    for (SmallArmsType arms : u->mFigureSmallArms)
        EXPECT_TRUE(arms == kRifle || arms == kBAR) << arms;
    EXPECT_EQ(u->mMarkingTexture, nullptr);
}

} // namespace

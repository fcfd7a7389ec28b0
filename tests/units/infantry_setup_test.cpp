// Infantry set-up from its data record: teams, grenades, charges, anti-tank
// weapons, skis, leaders, names as each side sees them, and the draws made.

#include "battle/ActionPacket.h"
#include "engine/GString.h"
#include "infantry_fixture.h"
#include "units/Names_VX.h"
#include "units/UnitFactory.h"

namespace {

using InfantrySetup = InfantryTest;

TEST_F(InfantrySetup, TheConstructorDrawsFortyTwoNumbersAndSeededUnitsRepeat) {
    SeedRandomGenerator(99);
    Infantry a;
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(99);
    for (int32_t i = 0; i < 42; ++i)
        Random();
    EXPECT_EQ(GetRandomState(), after);
    SeedRandomGenerator(99);
    Infantry b;
    EXPECT_EQ(a.mRandomHeading, b.mRandomHeading);
    EXPECT_EQ(a.mRandomSeed, b.mRandomSeed);
    EXPECT_EQ(a.mJitterB[2][1], b.mJitterB[2][1]);
    for (int32_t f = 0; f < 3; ++f) {
        EXPECT_GE(a.mFigureScale[f], 0.9f);
        EXPECT_LT(a.mFigureScale[f], 1.1f);
        EXPECT_LE(std::hypot(a.mJitterA[f][0], a.mJitterA[f][1]), 0.3f);
    }
    EXPECT_LE(std::abs(a.mRandomSeed), 32766);
    EXPECT_EQ(a.mFitness, 2);
    EXPECT_TRUE(a.mDigIn);
}

TEST_F(InfantrySetup, ASquadTakesItsTeamsFromTheRecordAndTwoAndAHalfGrenadesAMan) {
    auto u = Make(kUSSquad, kAmerican);
    EXPECT_EQ(u->mTeamMen[0], 4);
    EXPECT_EQ(u->mTeamMen[2], 1);
    EXPECT_EQ(u->mTeamSmallArms[2], kBAR);
    EXPECT_EQ(u->mTeamMen[3], 0);
    EXPECT_EQ(u->mTeamSmallArms[3], kSmallArmsNone);
    EXPECT_EQ(u->mGrenades, 22);  // 9 x 2.5, truncated
    EXPECT_EQ(u->mExplosives, 0); // American squads carry none
}

TEST_F(InfantrySetup, GrenadesOfLeadersTankHuntersAndCrews) {
    auto leader = Make(kUSLeader, kAmerican);
    leader->mCasualties = -1; // three men alive
    EXPECT_EQ(leader->NrGrenades(), 5);
    EXPECT_EQ(Make(kGermanTankHunters, kGerman)->mGrenades, 8);
    EXPECT_EQ(Make(kGermanGunCrew, kGerman)->mGrenades, 0);
}

TEST_F(InfantrySetup, AGunCrewWithoutSmallArmsCarriesItsNationsPistol) {
    EXPECT_EQ(Make(kGermanGunCrew, kGerman)->mTeamSmallArms[0], 1);
    EXPECT_EQ(Make(kBritishGunCrew, kBritish)->mTeamSmallArms[0], 2);
}

TEST_F(InfantrySetup, GermanSquadsBeforeJuly1943CarryRifleGrenadesOrThrownCharges) {
    mBattle.mBattle.mDate = 4212;
    for (int32_t seed = 1; seed < 40; ++seed) {
        SeedRandomGenerator(seed);
        auto u = Make(kGermanSquad, kGerman);
        EXPECT_LE(u->mAntitankShots, 4);
        if (u->mAntitankShots > 0) {
            EXPECT_EQ(u->mAntitankWeapon, 165);
        }
        EXPECT_EQ(u->mExplosives, 1);
    }
}

// The month tables (from July 1943) give a team that is not a squad at most
// two launchers; without them the thrown charges are drawn four times.
TEST_F(InfantrySetup, GermanTankHuntersAlwaysHaveAShotAndTeamsAtMostTwoFromTheMonthTables) {
    for (int32_t date : {4210, 4306, 4403, 4505, 4612}) {
        mBattle.mBattle.mDate = date;
        for (int32_t seed = 1; seed < 20; ++seed) {
            SeedRandomGenerator(seed);
            auto u = Make(kGermanTankHunters, kGerman);
            EXPECT_GE(u->mAntitankShots, 1) << date;
            EXPECT_LE(u->mAntitankShots, 4) << date;
            if (u->mAntitankWeapon >= 166 && u->mAntitankWeapon <= 169) {
                EXPECT_LE(u->mAntitankShots, 2) << date;
            }
            EXPECT_NE(u->mAntitankWeapon, 58);
        }
    }
}

TEST_F(InfantrySetup, LateGermanUnitsDrawLaunchersFromTheMonthTables) {
    mBattle.mBattle.mDate = 4501;
    int32_t launchers = 0;
    for (int32_t seed = 1; seed < 60; ++seed) {
        SeedRandomGenerator(seed);
        auto u = Make(kGermanSquad, kGerman);
        if (u->mAntitankWeapon >= 166 && u->mAntitankWeapon <= 169) ++launchers;
    }
    EXPECT_GT(launchers, 40); // 0.9 a draw at January 1945
}

TEST_F(InfantrySetup, AUnitWithoutShotsKeepsItsSidesWeapon) {
    auto british = Make(kUSLeader, kBritish);
    EXPECT_EQ(british->mAntitankShots, 0);
    EXPECT_EQ(british->mAntitankWeapon, 58);
    auto crew = Make(kGermanGunCrew, kGerman);
    EXPECT_EQ(crew->mAntitankWeapon, 165);
}

TEST_F(InfantrySetup, SkisOnlyInSnowForForcesThatHaveThemAndLightTeams) {
    mBattle.mBattle.mGroundCondition = 7;
    EXPECT_TRUE(Make(kGermanMGTeam, kGermanSkiers)->mOnSkis);
    EXPECT_FALSE(Make(kGermanMGTeam, kGerman)->mOnSkis);
    EXPECT_FALSE(Make(kGermanGunCrew, kGermanSkiers)->mOnSkis); // mobility 4
    mBattle.mBattle.mGroundCondition = 4;
    EXPECT_FALSE(Make(kGermanMGTeam, kGermanSkiers)->mOnSkis);
}

TEST_F(InfantrySetup, LeadersGetFourRatingsAndARank) {
    auto leader = Make(kUSLeader, kAmerican, kExperienceElite);
    int32_t level = 0;
    EXPECT_TRUE(leader->IsLeader(&level));
    EXPECT_EQ(level, 1);
    EXPECT_EQ(leader->Rank(), 2);
    for (int32_t shift = 0; shift < 8; shift += 2)
        EXPECT_LE((leader->mLeaderSkills >> shift) & 3, 2);
    EXPECT_EQ(Make(kUSSquad, kAmerican)->Rank(), 1);
    EXPECT_EQ(Make(kBritishObserver, kBritish)->Rank(), 2);
    EXPECT_EQ(Make(kGermanMGTeam, kGerman)->Rank(), 0);
}

TEST_F(InfantrySetup, AnUnidentifiedGunCrewShowsAGenericRecordOfItsYear) {
    mBattle.mBattle.mDate = 4305;
    auto crew = Make(kBritishGunCrew, kBritish);
    crew->mContactLevel = 2;
    EXPECT_EQ(crew->GetInfantryDataRecord(kKnowEnemy), &gInfantryData[539]);
    crew->mContactLevel = 1;
    EXPECT_EQ(crew->GetInfantryDataRecord(kKnowEnemy), &gInfantryData[498]);
    crew->mContactLevel = 3;
    EXPECT_EQ(crew->GetInfantryDataRecord(kKnowEnemy), &gInfantryData[kBritishGunCrew]);
    EXPECT_EQ(crew->GetInfantryDataRecord(kKnowTruth), &gInfantryData[kBritishGunCrew]);
    mBattle.mBattle.mDate = 4807; // after the war: read as 1945
    crew->mContactLevel = 1;
    EXPECT_EQ(crew->GetInfantryDataRecord(kKnowEnemy), &gInfantryData[500]);
}

TEST_F(InfantrySetup, NamesFollowWhatTheViewerKnows) {
    auto squad = Make(kUSSquad, kAmerican); // the headless viewer plays the Axis
    auto name = [&](bool longForm) {
        GString63 text;
        squad->ConcatName(&text, longForm);
        return std::string(text.GetCString(), text.GetLength());
    };
    squad->mContactLevel = 5;
    EXPECT_EQ(name(true), "Schützen Gruppe");
    EXPECT_EQ(name(false), "Schützen Grp");
    Infantry other;
    squad->mSibling = &other;
    EXPECT_EQ(name(true), "Schützen Trupp");
    squad->mSibling = nullptr;
    squad->mContactLevel = 3;
    EXPECT_EQ(name(true), "Infanterie Gruppe?");
    squad->mContactLevel = 1;
    EXPECT_EQ(name(true), "Infanterie Ger\xe4usche?"); // Latin-1
    auto gun = Make(kBritishGunCrew, kBritish);
    gun->mContactLevel = 3;
    GString63 text;
    gun->ConcatName(&text, true);
    EXPECT_EQ(std::string(text.GetCString(), text.GetLength()), "Gesch\xfctz?");
}

TEST_F(InfantrySetup, SmallQueriesAndEditorColours) {
    EXPECT_EQ(Make(kBritishObserver, kBritish)->EditorColor(), 3);
    EXPECT_EQ(Make(kUSLeader, kAmerican)->EditorColor(), 1);
    EXPECT_EQ(Make(kGermanGunCrew, kGerman)->EditorColor(), 2);
    EXPECT_EQ(Make(kUSSquad, kAmerican)->EditorColor(), 0);
    EXPECT_EQ(Make(kGermanMGTeam, kGerman)->EditorColor(), 10);
    EXPECT_TRUE(Make(kGermanSniper, kGerman)->IsSniper());
    EXPECT_TRUE(Make(kGermanGunCrew, kGerman)->HasTowedOrdnance());
    EXPECT_FALSE(Make(kGermanGunCrew, kGerman)->AllowedInsideBuilding());
    EXPECT_TRUE(Make(kUSSquad, kAmerican)->AllowedInsideBuilding());
}

TEST_F(InfantrySetup, TheFactoryMakesInfantryOfKindsZeroAndThreeAtReducedStrength) {
    std::unique_ptr<Unit> a(MakeUnit(kUnitInfantry, kUSSquad, kAmerican, kExperienceRegular, 1, 50));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->mUnitType, kUnitInfantry);
    EXPECT_GE(a->mCasualties, 3);
    EXPECT_LE(a->mCasualties, 5);
    EXPECT_EQ(a->mOldCasualties, a->mCasualties);
    EXPECT_EQ(a->mFitness, 1);
    std::unique_ptr<Unit> b(MakeUnit(kUnitAirplane, kUSSquad, kAmerican, kExperienceRegular, 2, 100));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->mUnitType, kUnitInfantry);
    EXPECT_EQ(b->mCasualties, 0);
}

TEST_F(InfantrySetup, AStragglerArrivesAtItsSliceOnce) {
    auto u = Make(kUSSquad, kAmerican);
    u->mActive = false;
    u->mStatusTime = 2450;
    mBattle.mBattle.mComputing = false;
    u->ResurrectStraggler();
    EXPECT_TRUE(u->mActive);
    EXPECT_EQ(u->mStatusTime, 2450 + kStatusTimeArrived);
    EXPECT_FALSE(u->mPacketDirty);
    auto* packet = static_cast<ActionPacket*>(
        mBattle.mBattle.mPackets.GetObjectA(mBattle.mBattle.mPackets.GetCount() - 1));
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->mTimeSlice, 2450); // dated at its arrival, though made at the phase's end
    u->mActive = false;
    u->ResurrectStraggler(); // already marked: nothing
    EXPECT_FALSE(u->mActive);
}

} // namespace

namespace {

TEST_F(InfantrySetup, ASquadDrawsTheNameOfItsFutureHalf) {
    auto squad = Make(kUSSquad, kAmerican);
    const uint32_t before = GetRandomState();
    squad->AssignSergeantName();
    EXPECT_NE(GetRandomState(), before);
    EXPECT_GE(squad->mSplitNameIndex, 0);
    EXPECT_LT(squad->mSplitNameIndex, NameTableSize(kNationAmerican));
    auto team = Make(kGermanMGTeam, kGerman);
    team->mSplitNameIndex = -7;
    team->AssignSergeantName();
    EXPECT_EQ(team->mSplitNameIndex, -7); // not a squad
}

} // namespace

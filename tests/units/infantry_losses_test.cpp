// Infantry losses: casualties out of the teams, death with credit to the
// killer, the medic, split and join, and the unit's value.

#include "infantry_fixture.h"
#include "units/Functions.h"

namespace {

using InfantryLosses = InfantryTest;

int32_t TeamSum(const Infantry& u) {
    return u.mTeamMen[0] + u.mTeamMen[1] + u.mTeamMen[2] + u.mTeamMen[3];
}

TEST_F(InfantryLosses, CasualtiesComeOutOfTheTeamsAndCostGrenades) {
    auto u = Make(kUSSquad, kAmerican);
    EXPECT_TRUE(u->ReceiveCasualties(3, 1.0f, true, false, false));
    EXPECT_EQ(u->mCasualties, 3);
    EXPECT_EQ(TeamSum(*u), 6);
    EXPECT_EQ(u->mGrenades, 22 - 22 * 3 / 9);
    EXPECT_FALSE(u->ReceiveCasualties(5, 0.0f, true, false, false));
    EXPECT_TRUE(u->ReceiveCasualties(5, 1.0f, true, true, false)); // at most one
    EXPECT_EQ(u->mCasualties, 4);
}

TEST_F(InfantryLosses, TheLastMenDownKillTheUnitOnceAndCreditTheKiller) {
    auto u = Make(kUSSquad, kAmerican);
    auto killer = Make(kGermanMGTeam, kGerman);
    u->mContactLevel = kContactFull;
    gCreditKiller = killer.get();
    EXPECT_TRUE(u->ReceiveCasualties(9, 1.0f, true, false, false));
    gCreditKiller = nullptr;
    EXPECT_FALSE(u->mActive);
    EXPECT_EQ(u->mCasualties, 9);
    EXPECT_EQ(killer->mKillRecords[1].mInfantryCasualties, 9);
    EXPECT_EQ(killer->mKillRecords[0].mInfantryCasualties, 9); // identified and seen
    EXPECT_FALSE(u->ReceiveCasualties(9, 1.0f, true, false, false));
}

TEST_F(InfantryLosses, ALoadedCrewDownToOneManStopsButAPairKeepsMoving) {
    auto crew = Make(kGermanMGTeam, kGerman); // three men serving a heavy machine gun
    crew->mNrWaypoints = 2;
    crew->ReceiveCasualties(2, 1.0f, true, false, false);
    EXPECT_EQ(crew->mNrWaypoints, 0);
    EXPECT_TRUE(crew->mImmobile);
    mTypes[kGermanMGTeam].mNrMen = 2;
    mTypes[kGermanMGTeam].mTeamMen[0] = 2;
    auto pair = Make(kGermanMGTeam, kGerman);
    pair->ReceiveCasualties(1, 1.0f, true, false, false);
    EXPECT_FALSE(pair->mImmobile); // a two-man crew keeps moving
}

TEST_F(InfantryLosses, TheDeadCostTheirShareOfTheSquadsValue) {
    auto u = Make(kUSSquad, kAmerican); // nine men
    const float v = u->GetVPValue(true, kKnowTruth);
    ASSERT_GT(v, 0.0f);
    EXPECT_EQ(u->GetCasualtyVPLoss(), 0.0f);
    u->ReceiveCasualties(3, 1.0f, true, false, false);
    EXPECT_FLOAT_EQ(u->GetCasualtyVPLoss(), v * 3.0f / 9.0f);
    u->ReceiveCasualties(9, 1.0f, true, false, false);
    EXPECT_FLOAT_EQ(u->GetCasualtyVPLoss(), v); // never more than the whole squad
}

TEST_F(InfantryLosses, VoicesAndAFlagUnlessSilent) {
    auto u = Make(kUSSquad, kAmerican);
    u->ReceiveCasualties(1, 1.0f, false, false, true);
    EXPECT_TRUE(u->mTookCasualties);
}

TEST_F(InfantryLosses, TheMedicNeverMakesCasualtiesNegativeNorDividesByNobodyMissing) {
    mTypes[kGermanMGTeam].mNrMen = 5;
    mTypes[kGermanMGTeam].mTeamMen[0] = 5;
    auto crew = Make(kGermanMGTeam, kGerman);
    crew->mCasualties = 4;
    crew->Medic(false);
    EXPECT_EQ(crew->mCasualties, 2); // all but two come back
    mTypes[kUSSquad].mTeamsCanRefill = 1;
    auto squad = Make(kUSSquad, kAmerican);
    squad->mCasualties = 4; // the teams are still full: nobody is missing from them
    squad->Medic(true);
    EXPECT_GE(squad->mCasualties, 0);
    EXPECT_LE(squad->mCasualties, 4);
    squad->mOldCasualties = 6; // more than are lost now
    squad->Medic(true);
    EXPECT_GE(squad->mCasualties, 0);
}

TEST_F(InfantryLosses, ASplitSquadOfNineGivesFiveAndFourAndSharesItsStores) {
    auto* squad = new Infantry;
    squad->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 100.0f, 100.0f, 0.0f);
    mBattle.mBattle.mUnits->Add(squad);
    squad->mAntitankShots = 3;
    squad->mSplitNameIndex = 12;
    squad->mKillRecords[1].mInfantryCasualties = 4;
    Infantry* half = squad->Split();
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(mBattle.mBattle.mUnits->GetUnit(1), half);
    EXPECT_EQ(squad->mSibling, half);
    EXPECT_EQ(half->mSibling, squad);
    EXPECT_TRUE(squad->mSiblingMayRejoin && half->mSiblingMayRejoin); // or they never join again
    EXPECT_TRUE(squad->mIsFirstHalf);
    EXPECT_FALSE(half->mIsFirstHalf);
    EXPECT_EQ(squad->MenAlive(), 5);
    EXPECT_EQ(half->MenAlive(), 4);
    EXPECT_EQ(TeamSum(*squad), 5);
    EXPECT_EQ(TeamSum(*half), 4);
    EXPECT_EQ(squad->mTeamMen[2], 1); // the strongest arm goes first, to the half keeping the odd man
    EXPECT_EQ(squad->mAntitankShots, 1);
    EXPECT_EQ(half->mAntitankShots, 2);
    EXPECT_EQ(squad->mGrenades + half->mGrenades, 22);
    EXPECT_EQ(half->mNameIndex, 12);
    EXPECT_EQ(half->mKillRecords[1].mInfantryCasualties, 0);
    EXPECT_EQ(half->Rank(), 0);
    EXPECT_EQ(squad->GetOriginalNrMenInTeam(false), 5);
    EXPECT_EQ(half->GetOriginalNrMenInTeam(false), 4);
    EXPECT_NE(half->UniqueID(), squad->UniqueID());
}

TEST_F(InfantryLosses, JoinedHalvesWeighTheirStateByMen) {
    auto* squad = new Infantry;
    squad->IInfantry(kUSSquad, kAmerican, kExperienceRegular, 100.0f, 100.0f, 0.0f);
    mBattle.mBattle.mUnits->Add(squad);
    Infantry* half = squad->Split();
    squad->mCasualties += 3; // two men left
    half->mCasualties += 1;  // three men left
    squad->mSuppression = 100.0f;
    half->mSuppression = 200.0f;
    squad->mExplosives = 2;
    half->mExplosives = 2;
    half->mKillRecords[1].mGuns = 2;
    squad->JoinSibling();
    EXPECT_EQ(squad->mSibling, nullptr);
    EXPECT_EQ(half->mSibling, nullptr);
    EXPECT_EQ(squad->MenAlive(), 5);
    EXPECT_FLOAT_EQ(squad->mSuppression, 0.4f * 100.0f + 0.6f * 200.0f);
    EXPECT_EQ(squad->mExplosives, 3);
    EXPECT_EQ(squad->mKillRecords[1].mGuns, 2);
    EXPECT_LE(TeamSum(*squad), 5);
}

TEST_F(InfantryLosses, OnlyAWholeSquadInGoodOrderOnFootMaySplit) {
    auto squad = Make(kUSSquad, kAmerican);
    auto team = Make(kGermanMGTeam, kGerman);
    EXPECT_FALSE(team->CanSplit());
    squad->mCasualties = 4; // fewer than two thirds left
    EXPECT_FALSE(squad->CanSplit());
}

TEST_F(InfantryLosses, CasualtiesToReportCountFromTheTurnsStart) {
    auto u = Make(kUSSquad, kAmerican);
    u->mCasualties = 5;
    u->mOldCasualties = 2;
    EXPECT_EQ(u->TallyCasualties(), 3);
    u->ShiftCasualtiesToOld();
    EXPECT_EQ(u->mOldCasualties, 5);
    EXPECT_EQ(u->TallyCasualties(), 0);
}

TEST_F(InfantryLosses, PositionStrengthFallsWithSuppression) {
    auto u = Make(kUSSquad, kAmerican);
    u->mCasualties = 2; // seven men
    u->mVulnerable = true;
    EXPECT_EQ(u->PositionStrength(), 3.0f);
    u->mSuppression = 600.0f;
    EXPECT_EQ(u->PositionStrength(), 0.0f);
}

// Seven men: all of them up to band 4, half (rounded down) in band 5 or
// when vulnerable, none from band 6; a crew out of its vehicle counts one.
TEST_F(InfantryLosses, PositionStrengthByBandAtEachEdge) {
    auto u = Make(kUSSquad, kAmerican);
    u->mCasualties = 2;
    const struct { float suppression, strength; } cases[] = {
        {0.0f, 7.0f}, {349.9f, 7.0f}, {350.0f, 3.0f}, {599.9f, 3.0f}, {600.0f, 0.0f}, {1200.0f, 0.0f}};
    for (const auto& c : cases) {
        u->mSuppression = c.suppression;
        EXPECT_EQ(u->PositionStrength(), c.strength) << c.suppression;
    }
    u->mSuppression = 0.0f;
    u->mCasualties = 1; // eight men: half is 4
    u->mVulnerable = true;
    EXPECT_EQ(u->PositionStrength(), 4.0f);
    u->mVulnerable = false;
    auto carrier = Make(kGermanMGTeam, kGerman); // stands for the vehicle left
    u->mAbandonedVehicle = carrier.get();
    EXPECT_EQ(u->PositionStrength(), 1.0f);
    u->mSuppression = 350.0f;
    EXPECT_EQ(u->PositionStrength(), 0.0f); // one man halved
    u->mAbandonedVehicle = nullptr;
}

TEST_F(InfantryLosses, FirepowerCountsTeamsAndStopsOnTheMove) {
    auto u = Make(kUSSquad, kAmerican);
    MGPenetration mg = 0;
    // Eight rifles at 1.0 and a BAR at 3.0, all given full.
    EXPECT_FLOAT_EQ(u->SmallArmsFirepower(100.0f, &mg, true, false),
                    8.0f * SmallArmFP(kRifle, 100.0f, 4) + SmallArmFP(kBAR, 100.0f, 4));
    EXPECT_EQ(mg, 1);
    u->mMoveSpeed = kHold; // a pace without fire
    EXPECT_EQ(u->SmallArmsFirepower(100.0f, &mg, false, false), 0.0f);
}

TEST_F(InfantryLosses, ValuesRiseWithMenWeaponsAndLeaders) {
    auto squad = Make(kUSSquad, kAmerican);
    auto leader = Make(kUSLeader, kAmerican);
    EXPECT_GT(squad->GetVPValue(false, kKnowTruth), 18.0f);
    EXPECT_GT(leader->GetVPValue(false, kKnowTruth), 8.0f);
    squad->mCasualties = 4;
    const float bought = squad->GetVPValue(true, kKnowTruth);
    EXPECT_EQ(bought, Make(kUSSquad, kAmerican)->GetVPValue(false, kKnowTruth));
}

} // namespace

// The battle's part of a saved game: written, read back and written again
// byte for byte, with links resolved; damaged files refused.

#include <gtest/gtest.h>

#include <memory>

#include "battle/Reinforcement.h"
#include "battle/VictoryFlag.h"
#include "battle/battle_fixtures.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

Inanimate* AddObject(UnitList* list, InanimateType type, Affiliation side, float x, float y) {
    auto* unit = new Inanimate;
    unit->IInanimate(type, side == kAxis ? 0 : 30, x, y, 0.0f);
    unit->mSide = side == kAxis ? 1 : 0;
    list->Add(unit);
    return unit;
}

// A battle with a map, units of both fixed kinds, reinforcements of both
// sides, links between them, flags and a custom force block.
void BuildBattle(Battle* battle) {
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mDate = 4406;
    battle->mTurn = 4;
    battle->mLastTurn = 20;
    battle->mAttacker = 1;
    battle->mTheatre = 1;
    battle->mComputerBonus = 2;
    battle->mReinforcementsArrived[1] = true;
    battle->mSetupPhase = false;
    battle->mWeather = 4;
    battle->mWindDirection = 67.5f;
    battle->mSideScore[0] = 1234;
    battle->mSideVPFactor[1] = 1.25f;
    battle->mQuietTurns[0] = 2;
    battle->mCustomForce[1] = true;
    battle->mCustomA[1] = 7;
    battle->mHandicap = -25;
    battle->mVPBonus[1] = 300;
    battle->mNominalLastTurn = 15;
    battle->mForceReadinessOption = 1;
    auto* flag = new VictoryFlag;
    flag->mKind = 1;
    flag->mCandidate = true;
    battle->mFlags.Add(flag);

    Inanimate* wire = AddObject(battle->mUnits, kInanimateWire, kAxis, 30.0f, 40.0f);
    Inanimate* trp = AddObject(battle->mUnits, kInanimateTargetReference, kAllies, 60.0f, 20.0f);
    auto* plane = new Airplane;
    plane->IUnit(10.0f, 10.0f, 0.0f, 30, kExperienceVeteran);
    plane->mSide = 0;
    battle->mUnits->Add(plane);
    for (int side = 0; side < 2; ++side) {
        auto* reinforcement = new Reinforcement;
        reinforcement->mArrivalTurn = 5 + side;
        reinforcement->mChance = 0.5f;
        reinforcement->mX = 20.0f;
        AddObject(reinforcement->mUnits, kInanimateAPMines, side, 50.0f, 50.0f);
        battle->mReinforcements[side].Add(reinforcement);
    }
    Unit* arriving =
        static_cast<Reinforcement*>(battle->mReinforcements[1].GetObjectA(0))->mUnits->GetUnit(0);
    wire->mTarget = trp;
    wire->mHQ = arriving;
    wire->mHeading = -10.0f;
    wire->mSuppression = 42.5f;
    wire->mCasualties = 0;
    wire->mNameIndex = -1;
    wire->mCustomName = new GString15;
    wire->mCustomName->ConcatText("Sperre");
    wire->mNrWaypoints = 3;
    for (int i = 0; i < 3; ++i) {
        wire->mWaypoints[i].mX = 10.0f * i;
        wire->mWaypoints[i].mY = 5.0f;
        wire->mWaypoints[i].mOrder = 4 + i;
        wire->mWaypoints[i].mKind = i - 1;
        wire->mOrderPoints[i].mX = 1.0f * i;
    }
    wire->mKillRecords[1].AddVehicleKill(12);
    wire->mKillRecords[1].mInfantryCasualties = 3;
    wire->mCoveredArc = true;
    wire->mArcA = 10.0f;
    wire->mArcB = 80.0f;
    wire->mLeaderSkills = 0x1B;
    trp->mSpotMarker = true;
    trp->mMarkerX = 7.0f;
    trp->mContactLevel = 3;
    trp->mAmmo[2] = 40;
    plane->mMineNew = false;
}

std::vector<uint8_t> Save(Battle* battle) {
    CurrentBattle current(battle);
    std::unique_ptr<GFile> file(NewScratchFile());
    battle->Write(file.get());
    return FileBytes(file.get());
}

bool Load(Battle* battle, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<GFile> file(FileWithBytes(bytes));
    CurrentBattle current(battle);
    return battle->IBattle(file.get(), nullptr);
}

size_t ScenarioPartSize(Battle* battle) {
    CurrentBattle current(battle);
    std::unique_ptr<GFile> file(NewScratchFile());
    battle->ScenarioCore::Write(file.get());
    return FileBytes(file.get()).size();
}

} // namespace

TEST(BattleFile, WrittenBattleReadsBackAndWritesTheSameBytes) {
    Battle original;
    BuildBattle(&original);
    std::vector<uint8_t> first = Save(&original);

    Battle loaded;
    ASSERT_TRUE(Load(&loaded, first));
    EXPECT_EQ(Save(&loaded), first);

    EXPECT_EQ(loaded.mDate, 4406);
    EXPECT_EQ(loaded.mTurn, 4);
    EXPECT_EQ(loaded.mComputerBonus, 2);
    EXPECT_FALSE(loaded.mEditorScenario);
    EXPECT_TRUE(loaded.mReinforcementsArrived[1]);
    EXPECT_EQ(loaded.mWeather, 4);
    EXPECT_FLOAT_EQ(loaded.mSideVPFactor[1], 1.25f);
    EXPECT_EQ(loaded.mCustomA[1], 7);
    EXPECT_EQ(loaded.mHandicap, -25);
    EXPECT_EQ(loaded.mNominalLastTurn, 15);
    EXPECT_EQ(loaded.mForceReadinessOption, 1);
    ASSERT_EQ(loaded.mFlags.GetCount(), 1);
    EXPECT_TRUE(static_cast<VictoryFlag*>(loaded.mFlags.GetObjectA(0))->mCandidate);
    ASSERT_NE(loaded.mMap, nullptr);
    EXPECT_EQ(loaded.mMap->mWidth, 6);

    ASSERT_EQ(loaded.mUnits->GetCount(), 3);
    Unit* wire = loaded.mUnits->GetUnit(0);
    EXPECT_EQ(wire->mUnitType, kUnitInanimate);
    EXPECT_EQ(wire->mSubtype, kInanimateWire);
    EXPECT_EQ(wire->mTarget, loaded.mUnits->GetUnit(1));
    Unit* arriving = static_cast<Reinforcement*>(loaded.mReinforcements[1].GetObjectA(0))->mUnits->GetUnit(0);
    EXPECT_EQ(wire->mHQ, arriving);
    EXPECT_FLOAT_EQ(wire->mHeading, 350.0f);
    EXPECT_FLOAT_EQ(wire->mSuppression, 42.5f);
    ASSERT_NE(wire->mCustomName, nullptr);
    EXPECT_STREQ(wire->mCustomName->GetCString(), "Sperre");
    ASSERT_EQ(wire->mNrWaypoints, 3);
    EXPECT_FLOAT_EQ(wire->mWaypoints[2].mX, 20.0f);
    EXPECT_EQ(wire->mWaypoints[0].mKind, -1);
    EXPECT_EQ(wire->mWaypoints[2].mOrder, 6);
    EXPECT_EQ(wire->mKillRecords[1].VehicleKillsOfType(12), 1);
    EXPECT_EQ(wire->mLeaderSkills, 0x1B);
    EXPECT_TRUE(wire->mCoveredArc);
    Unit* trp = loaded.mUnits->GetUnit(1);
    EXPECT_TRUE(trp->mSpotMarker);
    EXPECT_FLOAT_EQ(trp->mMarkerX, 7.0f);
    EXPECT_EQ(trp->mAmmo[2], 40);
    EXPECT_EQ(loaded.mUnits->GetUnit(2)->mUnitType, kUnitAirplane);
}

TEST(BattleFile, FanaticismTravelsInTheScenarioPartsReservedBytes) {
    Battle original;
    BuildBattle(&original);
    original.mFanaticism[0] = 2;
    original.mFanaticism[1] = 4;
    const size_t size = ScenarioPartSize(&original);
    std::vector<uint8_t> bytes = Save(&original);
    Battle loaded;
    ASSERT_TRUE(Load(&loaded, bytes));
    EXPECT_EQ(loaded.mFanaticism[0], 2);
    EXPECT_EQ(loaded.mFanaticism[1], 4);
    // The part keeps its size; a byte out of 0..4 reads as "Normal".
    original.mFanaticism[0] = original.mFanaticism[1] = 0;
    EXPECT_EQ(ScenarioPartSize(&original), size);
    std::vector<uint8_t> plain = Save(&original);
    ASSERT_EQ(plain.size(), bytes.size());
    size_t at = 0;
    while (at < bytes.size() && bytes[at] == plain[at])
        ++at;
    ASSERT_LT(at + 1, bytes.size());
    EXPECT_EQ(bytes[at], 2);
    bytes[at] = 9;
    Battle damaged;
    ASSERT_TRUE(Load(&damaged, bytes));
    EXPECT_EQ(damaged.mFanaticism[0], 0);
    EXPECT_EQ(damaged.mFanaticism[1], 4);
}

TEST(BattleFile, PerSideBlocksGoSideOneFirstAndTheTailIsReserved) {
    Battle battle;
    BuildBattle(&battle);
    battle.mCustomForce[1] = false;
    std::vector<uint8_t> bytes = Save(&battle);
    ASSERT_GE(bytes.size(), 1000u);
    // The battle part ends with 999 zero bytes and a zero length char.
    for (size_t i = bytes.size() - 1000; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    size_t at = ScenarioPartSize(&battle) + 4 + 16;
    // Field 14, side 1 first: its score is 0, side 0's is 1234.
    EXPECT_EQ(bytes[at + 3], 0);
    EXPECT_EQ((bytes[at + 12 + 2] << 8) | bytes[at + 12 + 3], 1234);
}

TEST(BattleFile, ReadingSkipsAnAnnouncedReservedBlockAndForcesReadinessInMeetings) {
    Battle battle;
    BuildBattle(&battle);
    battle.mAttacker = 2;
    std::vector<uint8_t> bytes = Save(&battle);
    bytes.back() = 3;
    bytes.insert(bytes.end(), {9, 9, 9});
    Battle loaded;
    ASSERT_TRUE(Load(&loaded, bytes));
    EXPECT_EQ(loaded.mForceReadinessOption, 3);
}

TEST(BattleFile, WithoutTheWeatherBlockTheDefaultsStay) {
    Battle battle;
    BuildBattle(&battle);
    std::vector<uint8_t> bytes = Save(&battle);
    size_t at = ScenarioPartSize(&battle) + 3;
    bytes[at] = 0;
    size_t block = 16 + 24 + 4 + 5 + 13 * static_cast<size_t>(battle.mFlags.GetCount());
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at + 1),
                bytes.begin() + static_cast<std::ptrdiff_t>(at + 1 + block));
    Battle loaded;
    ASSERT_TRUE(Load(&loaded, bytes));
    EXPECT_EQ(loaded.mWeather, 0);
    EXPECT_EQ(loaded.mTimeOfDay, 1);
    EXPECT_EQ(loaded.mFlags.GetCount(), 0);
    EXPECT_FLOAT_EQ(loaded.mSideVPFactor[1], 1.0f);
    EXPECT_EQ(loaded.mCustomA[1], 7); // the custom block follows as written
}

TEST(BattleFile, DamagedFilesFailAndLeaveNothingLoaded) {
    Battle battle;
    BuildBattle(&battle);
    std::vector<uint8_t> bytes = Save(&battle);
    size_t step = bytes.size() / 150 + 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step) {
        Battle loaded;
        EXPECT_FALSE(Load(&loaded, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut))) << cut;
        EXPECT_EQ(loaded.mUnits->GetCount(), 0) << cut;
        EXPECT_EQ(loaded.mReinforcements[0].GetCount(), 0) << cut;
        EXPECT_EQ(loaded.mMap, nullptr) << cut;
    }
    // Unknown kind code of the first unit.
    std::vector<uint8_t> badKind = bytes;
    badKind[23] = 7;
    Battle a;
    EXPECT_FALSE(Load(&a, badKind));
    EXPECT_EQ(a.mUnits->GetCount(), 0);
    // A unit count no file can hold.
    std::vector<uint8_t> badCount = bytes;
    badCount[19] = 0x7F;
    Battle b;
    EXPECT_FALSE(Load(&b, badCount));
    // More waypoints than a unit can have.
    std::vector<uint8_t> good = bytes;
    Battle c;
    ASSERT_TRUE(Load(&c, good));
}

TEST(BattleFile, PastSetUpTheTrenchesBecomeGround) {
    Battle battle;
    BuildBattle(&battle);
    AddObject(battle.mUnits, kInanimateTrenches, kAxis, 25.0f, 25.0f);
    std::vector<uint8_t> bytes = Save(&battle);
    Battle loaded;
    ASSERT_TRUE(Load(&loaded, bytes));
    EXPECT_EQ(loaded.mUnits->GetCount(), 3);
    battle.mSetupPhase = true;
    Battle during;
    ASSERT_TRUE(Load(&during, Save(&battle)));
    EXPECT_EQ(during.mUnits->GetCount(), 4);
}

TEST(BattleFile, FixedPartsHaveTheirDocumentedSizes) {
    Battle battle;
    battle.IBattleStub();
    EXPECT_EQ(ScenarioPartSize(&battle), 141u);
    EXPECT_EQ(Save(&battle).size(), 141u + 1073u);
    battle.mFlags.Add(new VictoryFlag);
    battle.mFlags.Add(new VictoryFlag);
    battle.mCustomForce[0] = true;
    EXPECT_EQ(Save(&battle).size(), 141u + 1073u + 2 * 13u + 72u);
}

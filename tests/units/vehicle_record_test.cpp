// A vehicle's set-up (its fixed order of draws, bunkers, armour variance)
// and its part of the unit record: byte-for-byte round trips with links,
// reading that draws nothing from the generator, damaged records.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "battle/Campaign.h"
#include "battle/PendingAttack.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "units/RuleContext.h"
#include "units/UnitFactory.h"
#include "units/vehicle_fixtures.h"

namespace {

GFile* ScratchFile() {
    auto* file = new GFile;
    EXPECT_TRUE(file->ITempFile(false));
    return file;
}

std::vector<uint8_t> BytesOf(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return bytes;
}

GFile* FileHolding(const std::vector<uint8_t>& bytes) {
    GFile* file = ScratchFile();
    if (!bytes.empty()) file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return file;
}

std::vector<uint8_t> WriteRecord(Unit* u) {
    std::unique_ptr<GFile> f(ScratchFile());
    u->Write(f.get());
    return BytesOf(f.get());
}

std::unique_ptr<Unit> ReadRecord(const std::vector<uint8_t>& bytes) {
    std::unique_ptr<GFile> f(FileHolding(bytes));
    return std::unique_ptr<Unit>(ReadUnit(f.get()));
}

} // namespace

TEST(VehicleSetup, ConstructorDrawsInItsFixedOrder) {
    VehicleTables tables;
    SeedRandomGenerator(77);
    Vehicle a;
    const uint32_t after = GetRandomState();
    // Gun elevation, turret tilt, its sign and three phases with rates:
    // nine draws of two calls each.
    SeedRandomGenerator(77);
    for (int32_t i = 0; i < 18; ++i)
        Random();
    EXPECT_EQ(GetRandomState(), after);
    EXPECT_GE(a.mDrawGunElevation, -10.0f);
    EXPECT_LE(a.mDrawGunElevation, -6.0f);
    EXPECT_GE(std::fabs(a.mDrawTurretTilt), 5.0f);
    EXPECT_LE(std::fabs(a.mDrawTurretTilt), 8.0f);
    SeedRandomGenerator(77);
    Vehicle b;
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(a.mAnimPhase[i], b.mAnimPhase[i]);
        EXPECT_GE(a.mAnimRate[i], 0.5f);
        EXPECT_LT(a.mAnimRate[i], 1.8f);
    }
    EXPECT_EQ(a.mUnitType, kUnitVehicle);
}

TEST(VehicleSetup, BunkerStartsButtonedAndImmobileAndSkipSetupStopsDraws) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> bunker(MakeTestVehicle(kTestBunker, kAxis, 10, 10));
    EXPECT_TRUE(bunker->mButtoned);
    EXPECT_TRUE(bunker->mImmobile);

    Vehicle skipped;
    skipped.mSkipSetup = true;
    SeedRandomGenerator(5);
    skipped.IVehicle(kTestTank, kForceDefaultAxis, kExperienceRegular, 0, 0, 0);
    const uint32_t afterSkip = GetRandomState();
    SeedRandomGenerator(5);
    RandomPair(); // the smoke width only
    EXPECT_EQ(GetRandomState(), afterSkip);
    EXPECT_EQ(skipped.mMistakenTypes[0], 0); // identities left unset
}

TEST(VehicleSetup, ArmourVarianceOnlyForLateClassesFourAndFive) {
    VehicleTables tables;
    tables.vehicles[kTestTank].mArmorClass = 5;
    RuleContext early;
    early.scenarioDate = [] { return 4402; };
    SetRuleContext(&early);
    int32_t varied = 0;
    for (uint32_t s = 1; s < 60; ++s) {
        SeedRandomGenerator(s);
        std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 0, 0));
        varied += v->mArmorFactor[0] != 1.0f;
    }
    EXPECT_EQ(varied, 0);
    RuleContext late;
    late.scenarioDate = [] { return 4403; };
    SetRuleContext(&late);
    for (uint32_t s = 1; s < 60; ++s) {
        SeedRandomGenerator(s);
        std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 0, 0));
        if (v->mArmorFactor[0] != 1.0f) {
            ++varied;
            EXPECT_GE(v->mArmorFactor[0], 0.75f);
            EXPECT_LE(v->mArmorFactor[0], 0.9f);
            EXPECT_EQ(VehicleArmorFactor(v.get()), v->mArmorFactor[0]);
        }
    }
    EXPECT_GT(varied, 15); // a chance of 0.6
    tables.vehicles[kTestTank].mArmorClass = 3;
    for (uint32_t s = 1; s < 30; ++s) {
        SeedRandomGenerator(s);
        std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 0, 0));
        EXPECT_EQ(v->mArmorFactor[0], 1.0f);
    }
    SetRuleContext(nullptr);
}

TEST(VehicleSetup, FactoryAndReaderMakeVehicles) {
    VehicleTables tables;
    std::unique_ptr<Unit> made(
        MakeUnit(kUnitVehicle, kTestTank, kForceDefaultAxis, kExperienceVeteran, 2, 100));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->mUnitType, kUnitVehicle);
    EXPECT_EQ(made->mExperience, kExperienceVeteran);
    EXPECT_EQ(MakeUnit(kUnitVehicle, kVehicleCount + 5, kForceDefaultAxis, 2, 2, 100), nullptr);
    std::unique_ptr<Unit> fresh(NewUnitOfKind(kUnitVehicle));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->mUnitType, kUnitVehicle);
}

TEST(VehicleRecord, WritesReadsAndWritesAgainByteForByteWithLinks) {
    VehicleBattle b;
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAllies, 50, 50, 30);
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 120, 80, 200);
    Vehicle* wreck = b.AddVehicle(kTestTank, kAxis, 150, 90, 10);
    tank->mPassengers[1] = lorry;
    tank->mCreditUnit = wreck;
    tank->mTurretBearing = 190.0f;
    tank->mBurning = tank->mBogged = tank->mUseMainGun = true;
    tank->mFearFlagB = tank->mTurretToFront = true;
    tank->mMGRounds[0] = 200;
    tank->mMGRounds[2] = 7;
    tank->mCrewShockTime = 1.5f;
    tank->mButtonDelay = 33;
    tank->mBailOutCountdown = -1;
    tank->mDustX = 99999.0f; // beyond the field's range: held, not wrapped
    wreck->mActive = false;

    const std::vector<uint8_t> first = WriteRecord(tank);
    EXPECT_FLOAT_EQ(tank->mTurretBearing, -170.0f); // wrapped in memory first

    SeedRandomGenerator(11);
    std::unique_ptr<Unit> read1 = ReadRecord(first);
    ASSERT_NE(read1, nullptr);
    read1->ReadPassTwo(&b.mBattle);
    auto* v1 = static_cast<Vehicle*>(read1.get());
    EXPECT_EQ(v1->mPassengers[0], nullptr);
    EXPECT_EQ(v1->mPassengers[1], lorry);
    EXPECT_EQ(v1->mCreditUnit, wreck);
    EXPECT_TRUE(v1->mBurning && v1->mBogged && v1->mUseMainGun && v1->mFearFlagB && v1->mTurretToFront);
    EXPECT_EQ(v1->mMGRounds[0], 200);
    EXPECT_EQ(v1->mMGRounds[2], 7);
    EXPECT_EQ(v1->mButtonDelay, 33);
    EXPECT_EQ(v1->mBailOutCountdown, -1);
    EXPECT_FLOAT_EQ(v1->mTurretBearing, -170.0f);
    EXPECT_FLOAT_EQ(v1->mCrewShockTime, 1.5f);
    EXPECT_NEAR(v1->mDustX, 32767.0f / 5.0f, 0.5f);

    // Reading draws nothing the record holds: records read from two
    // generator states write the first record again, byte for byte.
    SeedRandomGenerator(4242);
    std::unique_ptr<Unit> read2 = ReadRecord(first);
    read2->ReadPassTwo(&b.mBattle);
    EXPECT_EQ(WriteRecord(read1.get()), first);
    EXPECT_EQ(WriteRecord(read2.get()), first);
    EXPECT_NEAR(static_cast<Vehicle*>(read2.get())->mSmokeWidth, tank->mSmokeWidth, 0.006f);

    // A dead vehicle's record comes back whole too.
    const std::vector<uint8_t> dead = WriteRecord(wreck);
    std::unique_ptr<Unit> readDead = ReadRecord(dead);
    ASSERT_NE(readDead, nullptr);
    readDead->ReadPassTwo(&b.mBattle);
    EXPECT_EQ(WriteRecord(readDead.get()), dead);
}

TEST(VehicleRecord, ArmourVarianceTakesASlotOnlyForClassesFourAndFive) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 5, 5));
    const size_t plain = WriteRecord(v.get()).size();
    tables.vehicles[kTestTank].mArmorClass = 4;
    v->mArmorFactor[0] = 0.8f;
    const std::vector<uint8_t> varied = WriteRecord(v.get());
    EXPECT_EQ(varied.size(), plain + 4);
    std::unique_ptr<Unit> back = ReadRecord(varied);
    ASSERT_NE(back, nullptr);
    EXPECT_FLOAT_EQ(static_cast<Vehicle*>(back.get())->mArmorFactor[0], 0.8f);
}

TEST(VehicleRecord, DamagedRecordsGiveNothing) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 5, 5));
    const std::vector<uint8_t> whole = WriteRecord(v.get());
    for (size_t cut : {whole.size() - 1, whole.size() - 7, whole.size() / 2, size_t{3}}) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(ReadRecord(part), nullptr) << cut;
    }
    // A record whose type lies outside the table is refused.
    v->mSubtype = kVehicleCount + 3;
    EXPECT_EQ(ReadRecord(WriteRecord(v.get())), nullptr);
}

TEST(VehicleRecord, MistakenTypesAskedAnewAndLinksThatNameNothingStayNull) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 100, 100);
    tank->mMistakenType = -1;
    tank->mMistakenTypes[2] = 0;
    tank->mPassengers[0] = b.AddVehicle(kTestLorry, kAxis, 30, 30);
    std::vector<uint8_t> bytes = WriteRecord(tank);
    std::unique_ptr<Unit> back = ReadRecord(bytes);
    ASSERT_NE(back, nullptr);
    auto* v = static_cast<Vehicle*>(back.get());
    EXPECT_EQ(v->mMistakenTypes[2], kTestGeneral);
    EXPECT_EQ(v->mMistakenType, 0);
    v->ReadPassTwo(nullptr);
    EXPECT_EQ(v->mPassengers[0], nullptr);
}

TEST(VehicleUpkeep, ResupplyRaisesMachineGunRoundsToTheCap) {
    VehicleTables tables;
    tables.vehicles[kTestTank].mLoadExtras[0] = 10;
    Campaign campaign;
    Campaign* old = gCampaign;
    gCampaign = &campaign;
    campaign.mSupplyLevel[1] = 3; // the Axis
    std::unique_ptr<Vehicle> v(MakeTestVehicle(kTestTank, kAxis, 0, 0));
    v->mMGRounds[0] = 6;
    v->Resupply();
    EXPECT_EQ(v->mMGRounds[0], 7); // gain 5, cap 7
    v->mMGRounds[0] = 8;
    v->Resupply();
    EXPECT_EQ(v->mMGRounds[0], 8); // never falls
    gCampaign = old;

    v->mTurretBearing = 40.0f;
    v->mTurretRate = 1.0f;
    v->mUseMainGun = true;
    v->Refit();
    EXPECT_EQ(v->mTurretBearing, 0.0f);
    EXPECT_EQ(v->mTurretRate, 0.0f);
    EXPECT_FALSE(v->mUseMainGun);
    v->mCasualties = 2;
    v->Medic(false);
    EXPECT_EQ(v->mCasualties, 0);
}

TEST(VehicleUpkeep, SmokeMortarFiresAtCloseEnemyInfantryOnly) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 100, 100);
    Walker* far = b.Add(kAllies, 150, 100);
    far->mContactLevel = kContactFull;
    const int32_t attacks = b.mBattle.mPendingAttacks.GetCount();
    tank->NahvertGW();
    EXPECT_EQ(b.mBattle.mPendingAttacks.GetCount(), attacks); // 50 m: too far
    EXPECT_FALSE(tank->mButtoned);
    Walker* near = b.Add(kAllies, 110, 100);
    near->mContactLevel = kContactFull;
    for (uint32_t s = 1; s < 30; ++s) {
        SeedRandomGenerator(s);
        tank->NahvertGW();
    }
    EXPECT_TRUE(tank->mButtoned);
    ASSERT_EQ(b.mBattle.mPendingAttacks.GetCount(), attacks + 29);
    for (int32_t i = attacks; i < b.mBattle.mPendingAttacks.GetCount(); ++i) {
        auto* a = static_cast<PendingAttack*>(b.mBattle.mPendingAttacks.GetObjectA(i));
        EXPECT_EQ(a->mWeaponType, 253);
        EXPECT_FALSE(std::fabs(a->mImpactX - 100.0f) <= 4.0f && std::fabs(a->mImpactY - 100.0f) <= 4.0f);
        EXPECT_NEAR(a->mImpactX, 110.0f, 10.0f);
    }
}

TEST(VehicleUpkeep, DeadVehiclesCoastAndStandStill) {
    VehicleBattle b;
    Vehicle* wreck = b.AddVehicle(kTestTank, kAxis, 100, 100);
    wreck->mActive = false;
    wreck->ProcessDeadVehicle(); // stopped and not burning: nothing
    EXPECT_EQ(wreck->mX, 100.0f);
    wreck->mPlaybackSpeed = 0.1f;
    for (int32_t i = 0; i < 1000; ++i)
        wreck->ProcessDeadVehicle();
    EXPECT_EQ(wreck->mPlaybackSpeed, 0.0f);
    EXPECT_GT(wreck->mX, 100.0f);
}

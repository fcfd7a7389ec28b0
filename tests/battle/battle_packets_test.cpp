// Action packets: creation through the battle and the file form of every
// type.

#include <gtest/gtest.h>

#include <memory>

#include "battle/ActionPacket.h"
#include "battle/battle_fixtures.h"

namespace {

class Packets : public ::testing::Test {
protected:
    void SetUp() override {
        battle.IBattleStub();
        man = AddStandIn(battle.mUnits, kUnitInfantry, kAxis, 10, 10);
        tank = AddStandIn(battle.mUnits, kUnitVehicle, kAllies, 20, 20);
        mine = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 30, 30);
        plane = AddStandIn(battle.mUnits, kUnitAirplane, kAllies, 40, 40);
    }

    // Writes the packet list and reads it back into a second list.
    bool RoundTrip(GList* out, std::vector<uint8_t>* bytes = nullptr) {
        std::unique_ptr<GFile> file(NewScratchFile());
        if (!file) return false;
        battle.WriteActionPackets(file.get());
        if (bytes) *bytes = FileBytes(file.get());
        file->Rewind();
        return ReadPacketList(file.get(), out, &battle);
    }

    Battle battle;
    CurrentBattle current{&battle};
    StandInUnit* man = nullptr;
    StandInUnit* tank = nullptr;
    StandInUnit* mine = nullptr;
    StandInUnit* plane = nullptr;
};

} // namespace

TEST_F(Packets, CreationStampsTheSliceNeverBelowZero) {
    battle.mTimeSlice = 3;
    EXPECT_EQ(battle.CreateActionPacket(-5)->mTimeSlice, 0);
    battle.mTimeSlice = 2400;
    ActionPacket* late = battle.CreateActionPacket(10);
    EXPECT_EQ(late->mTimeSlice, 2410);
    EXPECT_EQ(battle.mPackets.GetCount(), 2);
    EXPECT_EQ(battle.mPackets.GetObjectA(1), late);
}

TEST_F(Packets, AnEmptyListIsAFlagAndACount) {
    std::vector<uint8_t> bytes;
    GList out;
    out.IList();
    ASSERT_TRUE(RoundTrip(&out, &bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 0, 0, 0, 0}));
}

TEST_F(Packets, HeaderOnlyTypesAreThirteenBytesAndTheOthersAddTheirBodies) {
    const int8_t headerOnly[] = {3, 4, 6, 8, 9, 12, 14, 100};
    for (int8_t type : headerOnly) {
        battle.mPackets.EmptyOut(true);
        battle.CreateActionPacket(0)->mType = type;
        std::vector<uint8_t> bytes;
        GList out;
        out.IList();
        ASSERT_TRUE(RoundTrip(&out, &bytes)) << int(type);
        EXPECT_EQ(bytes.size(), 5u + 13u) << int(type);
    }
    const std::pair<int8_t, size_t> sized[] = {{1, 39},  {2, 43},  {5, 32}, {7, 29},
                                               {10, 26}, {11, 28}, {13, 30}};
    for (auto [type, size] : sized) {
        battle.mPackets.EmptyOut(true);
        battle.CreateActionPacket(0)->mType = type;
        std::vector<uint8_t> bytes;
        GList out;
        out.IList();
        ASSERT_TRUE(RoundTrip(&out, &bytes)) << int(type);
        EXPECT_EQ(bytes.size(), 5u + size) << int(type);
    }
}

TEST_F(Packets, EventBodiesReadBackFieldForField) {
    ActionPacket* shell = battle.CreateActionPacket(0);
    shell->mType = kPacketShell;
    shell->mZ = 1.0f;
    shell->mFirer = man;
    shell->mTarget = tank;
    shell->mEndX = 120.0f;
    shell->mBlast = 0.02f;
    shell->mFlightTime = 77;
    shell->mLook = 200; // low 8 bits, read back sign-extended
    shell->mMuzzleHeight = 2.25f;
    shell->mShellFlags = 0x15;
    ActionPacket* sound = battle.CreateActionPacket(0);
    sound->mType = kPacketSound;
    sound->mSource = nullptr;
    sound->mSoundNumber = 123456;
    sound->mPriority = 28;
    sound->mPoint[1][2] = 9.0f;
    sound->mSoundFlags = 0x07;
    ActionPacket* smoke = battle.CreateActionPacket(0);
    smoke->mType = kPacketSmokeOn;
    smoke->mStartTime = 3 * 2400 + 17;
    smoke->mDuration = 1200;
    smoke->mRadius = 12.5f;
    smoke->mDensity = 0.75f;
    smoke->mSmokeKind = 2;
    ActionPacket* crater = battle.CreateActionPacket(0);
    crater->mType = kPacketCrater;
    crater->mDimension[0] = 2.0f;
    crater->mDimension[2] = 0.004f;
    crater->mCraterKind = 2;
    crater->mCraterSide = 1;
    ActionPacket* hit = battle.CreateActionPacket(0);
    hit->mType = kPacketArmorHit;
    hit->mVehicle = tank;
    hit->mHitLocation = 6;
    hit->mPenetrationGrade = 2;
    hit->mArmorFlags = 0xF7;
    ActionPacket* sparks = battle.CreateActionPacket(0);
    sparks->mType = kPacketSparks;
    sparks->mEnergy = 1234.5f;
    sparks->mHeading = 271.0f;
    sparks->mSparkFlags = 2;
    ActionPacket* building = battle.CreateActionPacket(0);
    building->mType = kPacketBuilding;
    building->mDamage = 0.5f;
    building->mBuildingState = true;

    std::vector<uint8_t> bytes;
    GList out;
    out.IList();
    ASSERT_TRUE(RoundTrip(&out, &bytes));
    ASSERT_EQ(out.GetCount(), 7);
    EXPECT_EQ(bytes[5 + 12], 3); // z of 1.0 m at scale 3
    auto* s = static_cast<ActionPacket*>(out.GetObjectA(0));
    EXPECT_EQ(s->mFirer, man);
    EXPECT_EQ(s->mTarget, tank);
    EXPECT_FLOAT_EQ(s->mEndX, 120.0f);
    EXPECT_FLOAT_EQ(s->mBlast, 3.0f / 150.0f);
    EXPECT_EQ(s->mFlightTime, 77);
    EXPECT_EQ(s->mLook, -56);
    EXPECT_FLOAT_EQ(s->mMuzzleHeight, 2.25f);
    EXPECT_EQ(s->mShellFlags, 0x15);
    auto* so = static_cast<ActionPacket*>(out.GetObjectA(1));
    EXPECT_EQ(so->mSource, nullptr);
    EXPECT_EQ(so->mSoundNumber, 123456);
    EXPECT_EQ(so->mPriority, 28);
    EXPECT_FLOAT_EQ(so->mPoint[1][2], 9.0f);
    EXPECT_EQ(so->mSoundFlags, 0x07);
    auto* sm = static_cast<ActionPacket*>(out.GetObjectA(2));
    EXPECT_EQ(sm->mStartTime, 3 * 2400 + 17);
    EXPECT_EQ(sm->mDuration, 1200);
    EXPECT_FLOAT_EQ(sm->mRadius, 12.5f);
    EXPECT_FLOAT_EQ(sm->mDensity, 0.75f);
    EXPECT_EQ(sm->mSmokeKind, 2);
    auto* cr = static_cast<ActionPacket*>(out.GetObjectA(3));
    EXPECT_FLOAT_EQ(cr->mDimension[0], 2.0f);
    EXPECT_FLOAT_EQ(cr->mDimension[2], 0.004f);
    EXPECT_EQ(cr->mCraterKind, 2);
    EXPECT_EQ(cr->mCraterSide, 1);
    auto* h = static_cast<ActionPacket*>(out.GetObjectA(4));
    EXPECT_EQ(h->mVehicle, tank);
    EXPECT_EQ(h->mHitLocation, 6);
    EXPECT_EQ(h->mPenetrationGrade, 2);
    EXPECT_EQ(h->mArmorFlags, 0xF7);
    auto* sp = static_cast<ActionPacket*>(out.GetObjectA(5));
    EXPECT_FLOAT_EQ(sp->mEnergy, 1234.5f);
    EXPECT_FLOAT_EQ(sp->mHeading, 271.0f);
    EXPECT_EQ(sp->mSparkFlags, 2);
    auto* b = static_cast<ActionPacket*>(out.GetObjectA(6));
    EXPECT_FLOAT_EQ(b->mDamage, 0.5f);
    EXPECT_TRUE(b->mBuildingState);
}

TEST_F(Packets, UnitStateLayoutFollowsTheUnitsKind) {
    ActionPacket* p = battle.CreateActionPacket(0);
    p->mType = kPacketUnitState;
    p->mUnit = man;
    p->mTarget = tank;
    p->mFacing = 359.5f;
    p->mLinkA = tank;
    p->mSpotting = 0x80 | kContactHeard;
    p->mMarkerX = 30.0f;
    p->mErrorX = -12;
    p->mSuppression = 1600.0f;
    p->mTeams[0] = 5;
    p->mTeams[1] = 6; // beyond the type's team count: not carried
    p->mFigures[0].mFrame = 42;
    p->mAmmo[0] = 30;
    p->mAmmo[3] = 4; // no heavy weapon: only class 0 travels
    p->mFlagsA = 0x01;
    p->mAimX = 5.5f;

    ActionPacket* v = battle.CreateActionPacket(0);
    v->mType = kPacketUnitState;
    v->mUnit = tank;
    v->mSuppression = 700.0f;
    v->mTurretBearing = 90.0f;
    v->mMGRounds[2] = 9;
    v->mVehicleNibble = 5;
    tank->mHeavyWeapon = true;
    v->mAmmo[7] = 11;

    for (Unit* kind : {static_cast<Unit*>(mine), static_cast<Unit*>(plane)}) {
        ActionPacket* k = battle.CreateActionPacket(0);
        k->mType = kPacketUnitState;
        k->mUnit = kind;
        k->mAirplaneByte = 3;
        k->mFloorHeight = 1.0f;
    }

    std::vector<uint8_t> bytes;
    GList out;
    out.IList();
    ASSERT_TRUE(RoundTrip(&out, &bytes));
    ASSERT_EQ(out.GetCount(), 4);
    // Facing 359.5 at scale 90 is 32355, just after the 13-byte header and
    // the two identifiers.
    EXPECT_EQ((bytes[5 + 13 + 4] << 8) | bytes[5 + 13 + 5], 32355);
    auto* pi = static_cast<ActionPacket*>(out.GetObjectA(0));
    EXPECT_EQ(pi->mUnit, man);
    EXPECT_EQ(pi->mTarget, tank);
    EXPECT_EQ(pi->mLinkA, tank);
    EXPECT_EQ(pi->mLinkB, nullptr);
    EXPECT_FLOAT_EQ(pi->mMarkerX, 30.0f);
    EXPECT_EQ(pi->mErrorX, -12);
    EXPECT_FLOAT_EQ(pi->mSuppression, 1500.0f);
    EXPECT_EQ(pi->mTeams[0], 5);
    EXPECT_EQ(pi->mTeams[1], 0);
    EXPECT_EQ(pi->mFigures[0].mFrame, 42);
    EXPECT_EQ(pi->mFigures[2].mFrame, 1); // groups not carried keep frame 1
    EXPECT_EQ(pi->mAmmo[0], 30);
    EXPECT_EQ(pi->mAmmo[3], 0);
    EXPECT_FLOAT_EQ(pi->mAimX, 5.5f);
    auto* pv = static_cast<ActionPacket*>(out.GetObjectA(1));
    EXPECT_FLOAT_EQ(pv->mSuppression, 700.0f); // a replay from the file leaves it as computed
    EXPECT_FLOAT_EQ(pv->mTurretBearing, 90.0f);
    EXPECT_EQ(pv->mMGRounds[2], 9);
    EXPECT_EQ(pv->mVehicleNibble, 0);
    EXPECT_EQ(pv->mAmmo[7], 11);
    EXPECT_FLOAT_EQ(static_cast<ActionPacket*>(out.GetObjectA(2))->mFloorHeight, 1.0f);
    EXPECT_EQ(static_cast<ActionPacket*>(out.GetObjectA(3))->mAirplaneByte, 3);

    // What was read writes and reads back to the same bytes, and to the
    // bytes first written: the writer holds suppression as the reader does.
    std::vector<uint8_t> second;
    std::vector<uint8_t> third;
    for (std::vector<uint8_t>* target : {&second, &third}) {
        battle.mPackets.EmptyOut(true);
        while (out.GetCount() > 0) {
            GObject* first = out.GetObjectA(0);
            out.DeleteIndex(0, false);
            battle.mPackets.Add(first);
        }
        ASSERT_TRUE(RoundTrip(&out, target));
    }
    EXPECT_EQ(second, third);
    EXPECT_EQ(second, bytes); // the writer holds suppression as the reader does
}

TEST_F(Packets, AUnitStateWhoseUnitDoesNotResolveFailsTheBlock) {
    ActionPacket* p = battle.CreateActionPacket(0);
    p->mType = kPacketUnitState;
    p->mUnit = tank;
    battle.CreateActionPacket(0)->mType = kPacketFire;
    std::unique_ptr<GFile> file(NewScratchFile());
    battle.WriteActionPackets(file.get());
    file->Rewind();
    battle.mUnits->Delete(tank, true); // identifier 2 now names nothing
    tank = nullptr;
    GList out;
    out.IList();
    EXPECT_FALSE(ReadPacketList(file.get(), &out, &battle));
    EXPECT_EQ(out.GetCount(), 0);
}

TEST_F(Packets, UnitStatesOfUnitsOutsideTheBattleAreLeftOut) {
    StandInUnit stray(kUnitVehicle);
    ActionPacket* p = battle.CreateActionPacket(0);
    p->mType = kPacketUnitState;
    p->mUnit = &stray;
    battle.CreateActionPacket(0)->mType = kPacketFire;
    GList out;
    out.IList();
    ASSERT_TRUE(RoundTrip(&out));
    ASSERT_EQ(out.GetCount(), 1);
    EXPECT_EQ(static_cast<ActionPacket*>(out.GetObjectA(0))->mType, kPacketFire);
}

TEST_F(Packets, TruncatedOrOversizedBlocksFail) {
    for (int i = 0; i < 5; ++i) {
        ActionPacket* p = battle.CreateActionPacket(i);
        p->mType = static_cast<int8_t>(i % 2 ? kPacketUnitState : kPacketSound);
        p->mUnit = man;
    }
    std::unique_ptr<GFile> file(NewScratchFile());
    battle.WriteActionPackets(file.get());
    std::vector<uint8_t> bytes = FileBytes(file.get());
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        std::unique_ptr<GFile> part(FileWithBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)));
        GList out;
        out.IList();
        EXPECT_FALSE(ReadPacketList(part.get(), &out, &battle)) << cut;
        EXPECT_EQ(out.GetCount(), 0);
    }
    std::vector<uint8_t> huge = {1, 0x7F, 0xFF, 0xFF, 0xFF};
    std::unique_ptr<GFile> part(FileWithBytes(huge));
    GList out;
    out.IList();
    EXPECT_FALSE(ReadPacketList(part.get(), &out, &battle));
}

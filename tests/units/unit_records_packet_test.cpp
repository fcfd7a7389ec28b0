// Unit packets filled in the action phase and played back; leader names;
// the record's identities and its write-read-write fixed point.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GString.h"
#include "unit_records_fixture.h"
#include "units/Inanimate.h"
#include "units/Names_VX.h"

namespace {

constexpr InfantryType kSquad = 7;

class Packets : public UnitRecordsTest {
protected:
    void Shape(GameDataSet& s) override {
        s.mInfantry[kSquad].mIsSquad = 1;
        s.mInfantry[kSquad].mNrMen = 9;
        s.mInfantry[kSquad].mTeamMen[0] = 9;
    }
    void TearDown() override {
        mBattle->mPackets.EmptyOut(true);
        UnitRecordsTest::TearDown();
    }

    // A unit in the middle of a turn, every packet item set.
    static void Busy(Unit* u) {
        u->mX = 120.5f;
        u->mY = 88.25f;
        u->mHeading = 271.5f;
        u->mPlaybackSpeed = 0.05f;
        u->mTurnRate = 1.5f;
        u->mSuppression = 420.0f;
        u->mSpotMarker = true;
        u->mMarkerX = 100.0f;
        u->mMarkerY = 90.0f;
        u->mGunElevation = 12.5f;
        u->mGunElevationGoal = -3.25f;
        u->mSoundOffsetX = -12;
        u->mSoundOffsetY = 30;
        u->mAreaTarget = true;
        u->mAreaTargetX = 500.0f;
        u->mAreaTargetY = 640.0f;
        u->mLoadTime = 3.5f;
        u->mAimTime = 7.25f;
        u->mAmmo[0] = 12;
        u->mAmmo[9] = 3;
        u->mCasualties = 23;
        u->mContactLevel = kContactHeard;
        u->mNrWaypoints = 2;
        u->mWaypoints[0].mOrder = 17; // five bits hold the turning pace
        u->mOffMapState = 3;
        u->mTargetDead = true;
        u->mHiding = true;
        u->mImmobile = true;
        u->mTargetLocked = true;
        u->mActive = true;
        u->mArcFlag = true;
    }
    static void ExpectSameState(const Unit& a, const Unit& b) {
        EXPECT_EQ(a.mX, b.mX);
        EXPECT_EQ(a.mY, b.mY);
        EXPECT_NEAR(a.mHeading, b.mHeading, 0.02f);
        EXPECT_NEAR(a.mPlaybackSpeed, b.mPlaybackSpeed, 0.0002f);
        EXPECT_NEAR(a.mTurnRate, b.mTurnRate, 0.001f);
        EXPECT_NEAR(a.mGunElevation, b.mGunElevation, 0.005f);
        EXPECT_NEAR(a.mGunElevationGoal, b.mGunElevationGoal, 0.005f);
        EXPECT_NEAR(a.mLoadTime, b.mLoadTime, 0.02f);
        EXPECT_EQ(a.mAimTime, b.mAimTime);
        EXPECT_EQ(a.mSoundOffsetX, b.mSoundOffsetX);
        EXPECT_EQ(a.mAreaTarget, b.mAreaTarget);
        EXPECT_EQ(a.mAreaTargetX, b.mAreaTargetX);
        EXPECT_EQ(a.mAmmo[0], b.mAmmo[0]);
        EXPECT_EQ(a.mCasualties, b.mCasualties);
        EXPECT_EQ(a.mContactLevel, b.mContactLevel);
        EXPECT_EQ(a.mOffMapState, b.mOffMapState);
        EXPECT_EQ(a.mTargetDead, b.mTargetDead);
        EXPECT_EQ(a.mHiding, b.mHiding);
        EXPECT_EQ(a.mImmobile, b.mImmobile);
        EXPECT_EQ(a.mTargetLocked, b.mTargetLocked);
        EXPECT_EQ(a.mSpotMarker, b.mSpotMarker);
        EXPECT_EQ(a.mArcFlag, b.mArcFlag);
    }
};

TEST_F(Packets, APacketCarriesTheUnitsStateIntoPlayback) {
    RecordUnit a(kUnitInfantry);
    Busy(&a);
    ActionPacket* p = a.FillPacket();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->mType, kPacketUnitState);
    EXPECT_EQ(p->mTimeSlice, 100);
    EXPECT_EQ(p->mUnit, &a);
    EXPECT_EQ(p->mStatus, (1 << 6) | 23);
    RecordUnit b(kUnitInfantry);
    b.ProcessActionPacket(p);
    ExpectSameState(a, b);
    EXPECT_EQ(b.mAmmo[9], 3);
    EXPECT_FALSE(b.mActive); // an active unit's packet changes nothing
    EXPECT_EQ(b.mReplayedOrder, 17);
    EXPECT_EQ(b.mSliceCount, 100);
    // Without waypoints the pace is 1.
    a.mNrWaypoints = 0;
    a.mActive = false;
    b.ProcessActionPacket(a.FillPacket());
    EXPECT_EQ(b.mReplayedOrder, 1);
    EXPECT_FALSE(b.mActive);
    gBattle = nullptr;
    EXPECT_EQ(a.FillPacket(), nullptr);
    gBattle = mBattle;
}

TEST_F(Packets, ThePacketSurvivesTheFileOfAComputedTurn) {
    auto* a = new RecordUnit(kUnitInfantry);
    Busy(a);
    a->mSide = 1;
    mBattle->mUnits->Add(a);
    a->FillPacket();
    std::unique_ptr<GFile> file(new GFile);
    ASSERT_TRUE(file->ITempFile(false));
    mBattle->WriteActionPackets(file.get());
    file->Rewind();
    ASSERT_TRUE(mBattle->ReadActionPackets(file.get()));
    ASSERT_EQ(mBattle->mPackets.GetCount(), 1);
    auto* p = static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(0));
    RecordUnit b(kUnitInfantry);
    b.ProcessActionPacket(p);
    ExpectSameState(*a, b);
    EXPECT_NEAR(a->mMarkerX, b.mMarkerX, 0.34f);
    EXPECT_EQ(b.mAmmo[9], 0); // a unit without a heavy weapon carries one count
    EXPECT_EQ(b.mReplayedOrder, 17);
}

// A unit heard and lost again keeps its sound offsets in its record; its
// packets carry them only while it is heard. The machine that computed the
// turn plays its packets as read back from their records, as the other
// machine reads them from the results.
TEST_F(Packets, OnlyAHeardUnitsPacketCarriesItsSoundOffsets) {
    auto* a = new RecordUnit(kUnitInfantry);
    Busy(a);
    mBattle->mUnits->Add(a);
    a->mContactLevel = kContactNone;
    a->FillPacket();
    a->mContactLevel = kContactHeard;
    a->mSoundOffsetX = 7;
    a->FillPacket();
    mBattle->KeepMapPacketsAsRecorded();
    auto* lost = static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(0));
    EXPECT_EQ(lost->mErrorX, 0);
    EXPECT_EQ(lost->mErrorY, 0);
    RecordUnit b(kUnitInfantry);
    b.mSoundOffsetX = 5;
    b.mSoundOffsetY = -9;
    b.ProcessActionPacket(lost);
    EXPECT_EQ(b.mSoundOffsetX, 5);
    EXPECT_EQ(b.mSoundOffsetY, -9);
    b.ProcessActionPacket(static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(1)));
    EXPECT_EQ(b.mSoundOffsetX, 7);
    EXPECT_EQ(b.mSoundOffsetY, 30);
}

TEST_F(Packets, SlicesStatusesAndAnimations) {
    RecordUnit u(kUnitInfantry);
    u.mSliceCount = 55;
    ActionPacket* p = u.FillPacket();
    p->mTimeSlice = -2; // a new crew's packet, before the turn
    p->mStatus = 0;
    u.ProcessActionPacket(p);
    EXPECT_EQ(u.mSliceCount, 55);
    EXPECT_TRUE(u.mActive);

    // A firing animation on the first channel pauses the aim; the same code
    // again does not restart it.
    RecordUnit shooter(kUnitInfantry);
    shooter.mAnimation[0] = 4;
    shooter.mSliceCount = 10;
    p = shooter.FillPacket();
    EXPECT_GE(p->mFigures[0].mFrame, 280);
    EXPECT_LE(p->mFigures[0].mFrame, 700);
    EXPECT_EQ(p->mFigures[0].mAnimation, 4);
    RecordUnit viewer(kUnitInfantry);
    viewer.mSliceCount = 10;
    viewer.ProcessActionPacket(p);
    EXPECT_EQ(viewer.mAnimation[0], 4);
    EXPECT_FLOAT_EQ(viewer.mAimPause, 2.5f);
    viewer.mAnimKeyTime[0] = -1;
    viewer.ProcessActionPacket(p);
    EXPECT_EQ(viewer.mAnimKeyTime[0], -1);

    // A squad's three figure groups each get their start.
    RecordUnit squad(kUnitInfantry);
    squad.mSubtype = kSquad;
    squad.mAnimation[1] = 9;
    squad.mAnimation[2] = 5;
    p = squad.FillPacket();
    EXPECT_EQ(p->mFigures[1].mFrame, 700);
    EXPECT_GE(p->mFigures[2].mFrame, 280);
    EXPECT_EQ(p->mFigures[2].mAnimation, 5);
}

TEST_F(Packets, NationsShareTheirNameTables) {
    // (The build refuses lists of the wrong size, too wide or with repeats.)
    EXPECT_EQ(NameTableSize(kNationSouthAfrican), NameTableSize(kNationBritish));
    EXPECT_EQ(NameTableSize(kNationNewZealand), 893);
    EXPECT_EQ(NameTableSize(12), 1222);
    EXPECT_STREQ(NameTableEntry(1, 416 + 3), NameTableEntry(1, 3));
    EXPECT_STREQ(NameTableEntry(1, -1), NameTableEntry(1, 415));
    EXPECT_EQ(NameFlagsRow(12), NameFlagsRow(0));
}

TEST_F(Packets, LeadersBearUniqueNamesUntilTheTableRunsOut) {
    std::memset(gSergeantNameTaken, 0, sizeof(gSergeantNameTaken));
    std::set<int32_t> names;
    std::vector<std::unique_ptr<RecordUnit>> units;
    for (int i = 0; i < 238; ++i) {
        units.push_back(std::make_unique<RecordUnit>(kUnitInfantry, kForceBritish));
        units.back()->AssignSergeantName();
        names.insert(units.back()->mNameIndex);
    }
    EXPECT_EQ(names.size(), 238u);
    // A full row: 5000 draws find nothing, the row is cleared and the unit
    // keeps a name someone else bears.
    bool* row = NameFlagsRow(kNationGerman);
    for (int32_t i = 0; i < 1222; ++i)
        row[i] = true;
    RecordUnit late(kUnitInfantry);
    SeedRandomGenerator(5);
    late.AssignSergeantName();
    const uint32_t after = GetRandomState();
    int taken = 0;
    for (int32_t i = 0; i < 1222; ++i)
        taken += row[i];
    EXPECT_EQ(taken, 0);
    SeedRandomGenerator(5);
    for (int i = 0; i < 10000; ++i)
        Random();
    EXPECT_EQ(after, GetRandomState());
}

TEST_F(Packets, NamesWithRanksAndCustomNames) {
    RecordUnit u(kUnitInfantry, kForceAmerican);
    u.mNameIndex = 5;
    GString63 text;
    u.GetSergeantName(&text, false);
    EXPECT_STREQ(text.GetCString(), NameTableEntry(kNationAmerican, 5));
    u.mRank = 0; // the lowest rank of the American set
    u.GetSergeantName(&text, true);
    EXPECT_EQ(std::string(text.GetCString()), std::string("Cpl ") + NameTableEntry(kNationAmerican, 5));
    u.mRank = 5;
    u.GetSergeantName(&text, true);
    EXPECT_EQ(std::string(text.GetCString()).substr(0, 4), "Col ");
    // A custom name is kept: nothing is drawn.
    u.mNameIndex = -1;
    u.mCustomName = new GString15("Brandt");
    const uint32_t state = GetRandomState();
    u.AssignSergeantName();
    EXPECT_EQ(GetRandomState(), state);
    EXPECT_EQ(u.mNameIndex, -1);
    u.GetSergeantName(&text, false);
    EXPECT_STREQ(text.GetCString(), "Brandt");
}

std::vector<uint8_t> Record(Unit* u) {
    std::unique_ptr<GFile> file(new GFile);
    EXPECT_TRUE(file->ITempFile(false));
    u->Write(file.get());
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

std::unique_ptr<Unit> Reread(const std::vector<uint8_t>& bytes) {
    std::unique_ptr<GFile> file(new GFile);
    EXPECT_TRUE(file->ITempFile(false));
    file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return std::unique_ptr<Unit>(ReadUnit(file.get()));
}

TEST_F(Packets, TheHalvesOfASplitSquadHaveTheirOwnIdentities) {
    RecordUnit first(kUnitInfantry);
    RecordUnit second(kUnitInfantry);
    first.mIndex = second.mIndex = 6;
    first.mSibling = &second;
    second.mSibling = &first;
    second.mIsFirstHalf = false;
    EXPECT_EQ(first.UniqueID(), 7u);
    EXPECT_EQ(second.UniqueID(), 7u | 0x80000u);
    RecordUnit vehicle(kUnitVehicle);
    second.mAbandonedVehicle = &vehicle;
    EXPECT_EQ(second.UniqueID(), 7u | 0x80000u | 0x20000u);
}

TEST_F(Packets, EveryFieldOfTheRecordWritesReadsAndWritesAlike) {
    Inanimate u;
    u.IInanimate(kInanimateWire, 0, 5, 5, 0);
    Busy(&u);
    u.mCasualties = 0;
    u.mSuppression = 1600.0f; // read back as 1500: written so at once
    u.mAmmo[3] = 40000;       // above the reader's range of counts
    u.mPreviousAreaTarget = true;
    u.mPreviousTargetLocked = true;
    u.mPreviousAreaX = 7.0f;
    u.mNameIndex = -1;
    u.mCustomName = new GString15("Feldwache");
    u.mCoveredArc = true;
    u.mArcA = 10.0f;
    u.mArcB = 80.0f;
    u.mArcC = 250.0f;
    u.mArcD = 5.0f;
    u.mArcTurnsWithUnit = true;
    u.mLeaderSkills = 0xB4;
    u.mKillRecords[0].AddVehicleKill(33);
    u.mKillRecords[1].mGuns = 2;
    u.mExitMark = u.mUnitFlagH = true;
    u.mUnitValueF = 5;
    u.mUnitValueG = 2;
    u.mLastAcquisition = 3;
    u.mContactLevel = kContactNone;
    for (int i = 0; i < 3; ++i) {
        u.mWaypoints[i].mX = 10.0f * i;
        u.mWaypoints[i].mKind = i - 1;
        u.mOrderPoints[i].mFlag = 1;
    }
    u.mNrWaypoints = 3;
    const std::vector<uint8_t> first = Record(&u);
    std::unique_ptr<Unit> back = Reread(first);
    ASSERT_TRUE(back);
    EXPECT_FLOAT_EQ(back->mSuppression, 1500.0f);
    EXPECT_EQ(back->mAmmo[3], 65536 - 40000);
    EXPECT_EQ(back->mLeaderSkills, 0xB4);
    EXPECT_TRUE(back->mPreviousTargetLocked);
    ASSERT_NE(back->mCustomName, nullptr);
    EXPECT_STREQ(back->mCustomName->GetCString(), "Feldwache");
    EXPECT_EQ(back->mKillRecords[0].VehicleKillsOfType(33), 1);
    EXPECT_EQ(back->mArcC, 250.0f);
    EXPECT_EQ(back->mWaypoints[2].mX, 20.0f);
    EXPECT_EQ(back->mUnitValueF, 5);
    EXPECT_EQ(Record(back.get()), first);
}

} // namespace

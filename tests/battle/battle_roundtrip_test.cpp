// Saving and loading keeps a battle exactly: a saved game, an action-packet
// block and a TCP/IP turn body written, read back and written again give
// the same bytes, over many cycles, with negative headings, turn rates,
// speeds and heights and positions around the map's origin.

#include <gtest/gtest.h>

#include <memory>

#include "battle/ActionPacket.h"
#include "battle/BattleHost.h"
#include "battle/Reinforcement.h"
#include "battle/VictoryFlag.h"
#include "battle/battle_fixtures.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

constexpr int kCycles = 6;

// Where two byte strings first differ, for a readable failure.
::testing::AssertionResult SameBytes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a == b) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    return ::testing::AssertionFailure()
           << "sizes " << a.size() << " and " << b.size() << ", first difference at byte " << at << ": "
           << (at < a.size() ? int(a[at]) : -1) << " against " << (at < b.size() ? int(b[at]) : -1);
}

// Negative values in every fixed-point field a unit record carries.
void MakeNegative(Unit* unit, float x, float y) {
    unit->mX = x;
    unit->mY = y;
    unit->mHeading = -0.25f;
    unit->mZ = -0.5f;
    unit->mTurnRate = -0.25f;
    unit->mPlaybackSpeed = -1.0f;
    unit->mCommandDelay = -0.15f;
    unit->mCarriedDelay = -0.35f;
    unit->mFatigue = -2.3f;
    unit->mAimPause = -0.002f;
    unit->mLoadTime = -0.02f;
    unit->mSuppression = 0.3f;
}

Inanimate* AddObject(UnitList* list, InanimateType type, int32_t side, float x, float y) {
    auto* unit = new Inanimate;
    unit->IInanimate(type, side == 1 ? 0 : 30, x, y, 0.0f);
    unit->mSide = side;
    MakeNegative(unit, x, y);
    list->Add(unit);
    return unit;
}

void BuildBattle(Battle* battle) {
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(6, 5, 1.0f, 10);
    battle->mDate = 4406;
    battle->mLastTurn = 20;
    battle->mSetupPhase = false;
    battle->mSideVPFactor[0] = -0.37f;
    battle->mSideVPFactor[1] = 0.995f;
    battle->mWindDirection = -22.5f;
    auto* flag = new VictoryFlag;
    flag->mX = -0.0f;
    flag->mY = 0.001f;
    battle->mFlags.Add(flag);

    Inanimate* wire = AddObject(battle->mUnits, kInanimateWire, 1, 0.01f, 0.0f);
    Inanimate* mines = AddObject(battle->mUnits, kInanimateAPMines, 0, 0.0f, 0.5f);
    mines->mHeading = -359.9f;
    mines->mZ = -3.27f;
    mines->mTurnRate = -32.768f; // the lowest the field holds
    mines->mPlaybackSpeed = -0.00007f;
    auto* plane = new Airplane;
    plane->IUnit(0.0f, 0.0f, -1.0f, 30, kExperienceVeteran);
    MakeNegative(plane, 0.25f, 0.125f);
    plane->mHeading = -179.99f;
    battle->mUnits->Add(plane);
    auto* reinforcement = new Reinforcement;
    reinforcement->mArrivalTurn = 5;
    reinforcement->mX = -0.0f;
    Inanimate* arriving = AddObject(reinforcement->mUnits, kInanimateWire, 0, 0.02f, 0.03f);
    arriving->mTurnRate = -0.001f;
    battle->mReinforcements[0].Add(reinforcement);
    wire->mTarget = mines;
    wire->mHQ = arriving;
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

// The headless host of a TCP/IP game that keeps what the peer sent.
class PeerHost : public BattleHost {
public:
    Affiliation ViewingSide() override { return kAllies; }
    bool IsHost() override { return false; }
    int32_t TCPTurnCounter() override { return mCounter; }
    void SetTCPTurnCounter(int32_t counter) override { mCounter = counter; }
    void GetPasswordHash(GString* hash) override { hash->ConcatText("k3y"); }
    int32_t CPUSpeed() override { return 77; }

    int32_t mCounter = 3;
};

} // namespace

TEST(RoundTrip, SavedBattleWithNegativeValuesKeepsItsBytesOverManyCycles) {
    Battle original;
    BuildBattle(&original);
    const std::vector<uint8_t> first = Save(&original);

    std::vector<uint8_t> previous = first;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        Battle loaded;
        ASSERT_TRUE(Load(&loaded, previous)) << cycle;
        std::vector<uint8_t> again = Save(&loaded);
        ASSERT_TRUE(SameBytes(again, first)) << "cycle " << cycle;
        if (cycle == kCycles - 1) {
            Unit* wire = loaded.mUnits->GetUnit(0);
            EXPECT_FLOAT_EQ(wire->mTurnRate, -0.25f);
            EXPECT_FLOAT_EQ(wire->mPlaybackSpeed, -1.0f);
            EXPECT_FLOAT_EQ(wire->mZ, -0.5f);
            EXPECT_FLOAT_EQ(wire->mHeading, 32378.0f / 90.0f); // 359.75 to the nearest step
            EXPECT_FLOAT_EQ(wire->mCarriedDelay, -0.35f);
            EXPECT_FLOAT_EQ(loaded.mUnits->GetUnit(1)->mTurnRate, -32.768f);
            EXPECT_FLOAT_EQ(loaded.mSideVPFactor[0], -0.37f);
        }
        previous = again;
    }
}

// A heading a hair below a whole turn rounds to 360 degrees, which reads
// back as a heading that stores as 0: it is stored as 0 at once.
TEST(RoundTrip, HeadingsJustBelowAWholeTurnAreStoredAsNorth) {
    for (float heading : {-0.001f, 359.996f, 359.995f, 719.999f}) {
        Battle original;
        BuildBattle(&original);
        original.mUnits->GetUnit(0)->mHeading = heading;
        const std::vector<uint8_t> first = Save(&original);
        Battle loaded;
        ASSERT_TRUE(Load(&loaded, first));
        EXPECT_TRUE(SameBytes(Save(&loaded), first)) << heading;
        EXPECT_EQ(loaded.mUnits->GetUnit(0)->mHeading, 0.0f) << heading;
    }
}

TEST(RoundTrip, EveryPacketTypeWithNegativeFieldsKeepsItsBytes) {
    Battle battle;
    battle.IBattleStub();
    CurrentBattle current(&battle);
    StandInUnit* man = AddStandIn(battle.mUnits, kUnitInfantry, kAxis, 0.0f, 0.0f);
    StandInUnit* tank = AddStandIn(battle.mUnits, kUnitVehicle, kAllies, -0.0f, 0.01f);
    StandInUnit* mine = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 0.5f, 0.0f);
    StandInUnit* plane = AddStandIn(battle.mUnits, kUnitAirplane, kAllies, 0.0f, 0.5f);
    tank->mHeavyWeapon = true;

    for (int8_t type = kPacketShell; type <= kPacketSparks; ++type) {
        ActionPacket* p = battle.CreateActionPacket(0);
        p->mType = type;
        p->mX = -0.0f;
        p->mY = 0.001f;
        p->mZ = -1.7f;
        p->mFirer = man;
        p->mTarget = tank;
        p->mEndX = -0.5f;
        p->mEndY = -10922.3f;
        p->mEndZ = -0.1f;
        p->mBlast = -0.01f;
        p->mMuzzleHeight = -0.0005f;
        p->mSource = tank;
        p->mSoundParam = -0.25f;
        for (auto& point : p->mPoint)
            for (float& v : point)
                v = -0.5f;
        p->mRadius = -0.015f;
        p->mDensity = -0.0015f;
        p->mDimension[0] = -0.01f;
        p->mDimension[1] = -0.03f;
        p->mDimension[2] = -0.0000015f;
        p->mDamage = -0.5f;
        p->mVehicle = tank;
        p->mEnergy = -1.0f;
        p->mHeading = -90.0f;
    }
    // A unit state of every kind, with its negative fields.
    for (Unit* unit : {static_cast<Unit*>(man), static_cast<Unit*>(tank), static_cast<Unit*>(mine),
                       static_cast<Unit*>(plane)}) {
        ActionPacket* p = battle.CreateActionPacket(0);
        p->mType = kPacketUnitState;
        p->mUnit = unit;
        p->mZ = -0.5f;
        p->mFacing = -0.25f;
        p->mMotionA = -1.0f;
        p->mMotionB = -0.25f;
        p->mLinkA = plane;
        p->mSpotting = 0x80 | kContactHeard;
        p->mMarkerX = -0.5f;
        p->mMarkerY = -1.0f / 3.0f;
        p->mErrorX = -3;
        p->mFloorHeight = -0.5f;
        p->mSuppression = 2.5f;
        p->mArtilleryDelay = -1.5f;
        p->mTurretBearing = -45.5f;
        p->mTurretRate = -0.25f;
        p->mFlagsA = 0x01;
        p->mAimX = -0.0f;
        p->mAimY = -7.25f;
    }

    std::unique_ptr<GFile> file(NewScratchFile());
    battle.WriteActionPackets(file.get());
    const std::vector<uint8_t> first = FileBytes(file.get());
    std::vector<uint8_t> previous = first;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        std::unique_ptr<GFile> in(FileWithBytes(previous));
        GList read;
        read.IList();
        ASSERT_TRUE(ReadPacketList(in.get(), &read, &battle)) << cycle;
        ASSERT_EQ(read.GetCount(), battle.mPackets.GetCount());
        std::unique_ptr<GFile> out(NewScratchFile());
        WritePacketList(out.get(), &read);
        previous = FileBytes(out.get());
        ASSERT_TRUE(SameBytes(previous, first)) << "cycle " << cycle;
        if (cycle == 0) {
            auto* shell = static_cast<ActionPacket*>(read.GetObjectA(kPacketShell - 1));
            EXPECT_FLOAT_EQ(shell->mEndX, -1.0f / 3.0f); // -1.5 steps round up to -1
            EXPECT_FLOAT_EQ(shell->mZ, -5.0f / 3.0f);
            auto* state = static_cast<ActionPacket*>(read.GetObjectA(read.GetCount() - 3));
            EXPECT_EQ(state->mUnit, tank);
            EXPECT_FLOAT_EQ(state->mTurretRate, -0.25f);
            EXPECT_FLOAT_EQ(state->mMotionA, -1.0f);
        }
        read.EmptyOut(true);
    }
}

TEST(RoundTrip, TurnBodyWithNegativeValuesKeepsItsBytes) {
    PeerHost host;
    auto body = [&](Battle* battle) {
        CurrentBattle current(battle);
        std::unique_ptr<GFile> file(NewScratchFile());
        battle->WritePartialTCP(file.get());
        return FileBytes(file.get());
    };
    Battle sender;
    BuildBattle(&sender);
    sender.mHost = &host;
    sender.mSetupPhase = true;
    sender.mAttacker = 0;
    sender.mScenarioLevel = 2;
    auto* crater = new Crater;
    crater->mX = 0.5f;
    crater->mY = 0.25f;
    crater->mRadius = 2.0f;
    crater->mDepth = -0.75f;
    sender.mMap->mCraters->Add(crater);
    const std::vector<uint8_t> first = body(&sender);

    std::vector<uint8_t> previous = first;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        Battle receiver;
        BuildBattle(&receiver);
        receiver.mUnits->EmptyOut(true);
        receiver.mHost = &host;
        receiver.mSetupPhase = true;
        receiver.mAttacker = 0;
        receiver.mScenarioLevel = 2;
        {
            CurrentBattle current(&receiver);
            std::unique_ptr<GFile> in(FileWithBytes(previous));
            ASSERT_TRUE(receiver.ReadPartialTCP(in.get(), false)) << cycle;
        }
        ASSERT_EQ(receiver.mUnits->GetCount(), 3);
        ASSERT_EQ(receiver.mMap->mCraters->GetCount(), 1);
        previous = body(&receiver);
        ASSERT_TRUE(SameBytes(previous, first)) << "cycle " << cycle;
    }
}

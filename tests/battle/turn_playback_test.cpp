// Playback of a computed turn: the clock, dispatch intervals, the end rule,
// the controls and their rewind, and the sound queue.

#include <gtest/gtest.h>

#include "battle/ShellGraphic.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "battle/turn_fixtures.h"
#include "map/BuildingWallCrater.h"

namespace {

// What a replay must rebuild: the map's craters and smoke, and each unit's
// place as its packets set it.
struct Snapshot {
    std::vector<float> mCraters;
    std::vector<float> mSmoke;
    std::vector<float> mUnits;
    bool operator==(const Snapshot& o) const {
        return mCraters == o.mCraters && mSmoke == o.mSmoke && mUnits == o.mUnits;
    }
};

Snapshot Take(Battle& b) {
    Snapshot s;
    for (int32_t k = 0; k < b.mMap->mCraters->GetCount(); ++k) {
        s.mCraters.push_back(b.mMap->mCraters->GetCrater(k)->mX);
        s.mCraters.push_back(b.mMap->mCraters->GetCrater(k)->mRadius);
    }
    GList* smoke = static_cast<GList*>(b.mMap->mSmokeShells);
    for (int32_t k = 0; k < smoke->GetCount(); ++k)
        s.mSmoke.push_back(static_cast<SmokeShell*>(smoke->GetObjectA(k))->mX);
    for (int32_t k = 0; k < b.mUnits->GetCount(); ++k) {
        s.mUnits.push_back(b.mUnits->GetUnit(k)->mX);
        s.mUnits.push_back(b.mUnits->GetUnit(k)->mY);
    }
    return s;
}

// A turn in which a unit walks by packets, shells the ground and smokes.
void ComputeBusyTurn(TurnBattle& t) {
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 20, 20);
    u->mScript = [&t](ScriptUnit* self, int32_t slice) {
        if (slice % 25 == 0) {
            ActionPacket* p = t.battle.CreateActionPacket(0);
            p->mType = kPacketUnitState;
            p->mUnit = self;
            p->mStatus = 1 << 6;
            p->mX = 20.0f + slice * 0.05f;
            p->mY = 20.0f;
        }
        if (slice % 400 == 10)
            t.battle.mMap->MakeCrater(30.0f + slice * 0.05f, 150, 500, false, true, false, 0, 2, false);
        if (slice == 900) t.battle.MakeSmokePacket(150, 60, -2.0f, 1.0f);
        if (slice == 1500) {
            ActionPacket* shell = t.battle.CreateActionPacket(0);
            shell->mType = kPacketShell;
            shell->mLook = 9;
            shell->mFlightTime = 60;
            shell->mBlast = 4.0f;
            shell->mShellFlags = 0x01;
            shell->mEndX = 120;
            shell->mEndY = 120;
        }
    };
    t.battle.ActionPhase(true, false);
}

} // namespace

TEST(TurnPlayback, ClockGivesFortySlicesASecond) {
    TurnBattle t;
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.host.mClock += 1000;
    t.battle.Playback();
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 40);
    t.host.mClock += 999;
    t.battle.Playback();
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 79);
}

TEST(TurnPlayback, PacketDispatchedOnceInItsInterval) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 20, 20);
    ActionPacket* p = t.Packet(kPacketUnitState, 40);
    p->mUnit = u;
    p->mX = 77;
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.host.mClock += 975; // slice 39
    t.battle.Playback();
    t.battle.Playback();
    EXPECT_EQ(u->mPacketsSeen, 0);
    t.host.mClock += 150; // slice 45
    t.battle.Playback();
    t.battle.Playback();
    EXPECT_EQ(u->mPacketsSeen, 1);
    EXPECT_FLOAT_EQ(u->mX, 77);
    t.host.mClock += 1000;
    t.battle.Playback();
    t.battle.Playback();
    EXPECT_EQ(u->mPacketsSeen, 1);
}

TEST(TurnPlayback, UnresolvedUnitAndUnknownPacketsAreSkipped) {
    TurnBattle t;
    t.Packet(kPacketUnitState, 1);
    t.Packet(kPacketArmorHit, 1);
    t.Packet(42, 1);
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.host.mClock += 100;
    t.battle.Playback();
    t.battle.Playback();
    SUCCEED();
}

TEST(TurnPlayback, EndsTenSlicesAfterTheLastPacketOrTheMinute) {
    for (int32_t last : {1500, 3000}) {
        TurnBattle t;
        t.Packet(kPacketFire, last);
        t.battle.mPlayState = 15;
        t.battle.BeginPlayback();
        const int32_t end = std::max(last, 2400) + 10;
        t.host.mClock += static_cast<uint32_t>((end - 1) * 25);
        t.battle.Playback();
        t.battle.Playback();
        EXPECT_EQ(t.battle.mPlayState, 15) << last;
        t.host.mClock += 25;
        t.battle.Playback();
        EXPECT_EQ(t.battle.PlaybackTimeSlice(), end);
        EXPECT_EQ(t.battle.mPlayState, 13) << last;
        // Ended, play is refused and the clock no longer moves it.
        t.host.mClock += 1000;
        t.battle.Playback();
        EXPECT_EQ(t.battle.PlaybackTimeSlice(), end);
    }
}

TEST(TurnPlayback, AnEffectStillAliveHoldsTheEndBack) {
    TurnBattle t;
    ActionPacket* shell = t.Packet(kPacketShell, 2390);
    shell->mLook = 9;
    shell->mFlightTime = 100; // lands at 2490
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.battle.SetPlaypoint(2420);
    EXPECT_EQ(t.battle.mPlayState, 15);
    EXPECT_EQ(t.battle.mEffects.GetCount(), 1);
    t.PlayToEnd();
    EXPECT_EQ(t.battle.mPlayState, 13);
    EXPECT_GE(t.battle.PlaybackTimeSlice(), 2490);
    EXPECT_EQ(t.battle.mEffects.GetCount(), 0);
}

TEST(TurnPlayback, ForwardAndBackSteps) {
    TurnBattle t;
    t.Packet(kPacketFire, 2400);
    t.battle.mPlayState = 13;
    t.battle.BeginPlayback();
    t.battle.SetPlaypoint(2199);
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 2200);
    t.battle.HandleVCRButton(14, true);
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 2281);
    EXPECT_EQ(t.battle.mPlayState, 13); // a seek keeps the pause
    t.battle.HandleVCRButton(14, false);
    // Cut at the end: 2410, where playback ends.
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 2411);
    EXPECT_EQ(t.battle.mPlayState, 13);
    t.battle.SetPlaypoint(299);
    t.battle.HandleVCRButton(12, false);
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 0); // 300 - 400: a rewind
    t.battle.HandleVCRButton(99, false);        // no such control
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 0);
}

TEST(TurnPlayback, RewindAndReplayRebuildTheSameState) {
    TurnBattle t;
    ComputeBusyTurn(t);
    // Straight play to slice 1210.
    t.battle.HandleVCRButton(11, false);
    t.battle.SetPlaypoint(1210);
    const Snapshot straight = Take(t.battle);
    EXPECT_FALSE(straight.mCraters.empty());
    EXPECT_EQ(straight.mSmoke.size(), 1u);
    // On to the end, then back to the same slice by rewind and replay.
    t.battle.mPlayState = 15;
    t.PlayToEnd(1000);
    const Snapshot end = Take(t.battle);
    EXPECT_FALSE(end == straight);
    t.battle.HandleVCRButton(11, false);
    t.battle.SetPlaypoint(1210);
    EXPECT_TRUE(Take(t.battle) == straight);
    // The back control reaches a slice by the same replay.
    t.battle.SetPlaypoint(1609);
    t.battle.HandleVCRButton(12, false);
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 1211);
    EXPECT_TRUE(Take(t.battle) == straight);
}

TEST(TurnPlayback, ARewindWhileHeldShowsTheTurnsStartAtOnce) {
    TurnBattle t;
    ComputeBusyTurn(t);
    t.battle.mPlayState = 15;
    t.PlayToEnd(1000);
    ASSERT_EQ(t.battle.mPlayState, 13);
    Unit* walker = t.battle.mUnits->GetUnit(0);
    EXPECT_GT(walker->mX, 100.0f);
    t.battle.HandleVCRButton(11, false);
    EXPECT_EQ(walker->mX, 20.0f) << "the walker stays at its end place until play";
    EXPECT_EQ(t.battle.PlaybackTimeSlice(), 0);
    EXPECT_EQ(t.battle.mPlayState, 13);
}

TEST(TurnPlayback, SavedTurnReplaysAlike) {
    TurnBattle t;
    ComputeBusyTurn(t);
    t.battle.HandleVCRButton(11, false);
    t.battle.SetPlaypoint(2000);
    const Snapshot live = Take(t.battle);
    std::unique_ptr<GFile> file(NewScratchFile());
    t.battle.WriteActionPackets(file.get());
    file->Rewind();
    const int32_t count = t.battle.mPackets.GetCount();
    t.battle.mPackets.EmptyOut(true);
    ASSERT_TRUE(t.battle.ReadActionPackets(file.get()));
    EXPECT_EQ(t.battle.mPackets.GetCount(), count);
    t.battle.HandleVCRButton(11, false);
    t.battle.SetPlaypoint(2000);
    EXPECT_TRUE(Take(t.battle) == live);
}

TEST(TurnPlayback, SoundQueueKeepsEachUnitsLastEngineSound) {
    TurnBattle t;
    ScriptUnit* a = t.Add(kUnitVehicle, kAxis, 10, 10);
    ScriptUnit* b = t.Add(kUnitVehicle, kAxis, 20, 10);
    auto engine = [&](Unit* u) {
        ActionPacket* p = t.Packet(kPacketSound, 1);
        p->mSource = u;
        p->mSoundFlags = 0x04 | 0x02;
        return p;
    };
    engine(a);
    ActionPacket* b1 = engine(b);
    ActionPacket* a2 = engine(a);
    ActionPacket* deaf = t.Packet(kPacketSound, 1);
    deaf->mSoundFlags = 0x01; // only side 1 hears it
    for (int32_t k = 0; k < t.battle.mPackets.GetCount(); ++k)
        t.battle.QueueSoundEffect(static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k)));
    t.battle.PlaySoundQueue();
    EXPECT_EQ(t.host.mPlayed, (std::vector<ActionPacket*>{b1, a2}));
    EXPECT_EQ(t.battle.mSoundQueue.GetCount(), 0);
}

TEST(TurnPlayback, SeekQueuesOnlyEngineSounds) {
    TurnBattle t;
    ActionPacket* shot = t.Packet(kPacketSound, 10);
    shot->mSoundFlags = 0x03;
    ActionPacket* motor = t.Packet(kPacketSound, 10);
    motor->mSoundFlags = 0x07;
    t.battle.mPlayState = 13;
    t.battle.BeginPlayback();
    t.battle.SetPlaypoint(20);
    ASSERT_EQ(t.battle.mSoundQueue.GetCount(), 1);
    EXPECT_EQ(t.battle.mSoundQueue.GetObjectA(0), motor);
    t.battle.mSoundQueue.EmptyOut(false);
}

// Three sounds of every kind from `from` to 28 at the slice: each kind
// that keeps a channel busy counts up to its instance limit, and kinds 9 to
// 28 at their limits fill the 24 channels exactly.
void Crowd(TurnBattle& t, int32_t slice, int32_t from) {
    for (int16_t kind = static_cast<int16_t>(from); kind <= 28; ++kind) {
        for (int32_t i = 0; i < 3; ++i) {
            ActionPacket* p = t.Packet(kPacketSound, slice);
            p->mPriority = kind;
            p->mSoundFlags = 0x03;
        }
    }
}

TEST(TurnPlayback, ThinningCutsBelowTheKindThatFillsTheChannels) {
    TurnBattle t;
    auto sound = [&](int32_t slice, int16_t kind, uint8_t flags) {
        ActionPacket* p = t.Packet(kPacketSound, slice);
        p->mPriority = kind;
        p->mSoundFlags = flags;
        return p;
    };
    // Window 10 (slices 200..219) is full at kind 9: kind 8 goes, an engine
    // sound of a quiet kind stays, and so does kind 9.
    Crowd(t, 205, 9);
    ActionPacket* quiet = sound(205, 8, 0x03);
    ActionPacket* motor = sound(205, 4, 0x07);
    ActionPacket* loud = sound(205, 9, 0x03);
    // Window 50 lacks kind 9 and keeps everything.
    Crowd(t, 1000, 10);
    ActionPacket* lone = sound(1000, 4, 0x03);
    t.battle.StripSuperfluousSounds();
    EXPECT_LT(t.battle.mPackets.Locate(nullptr, quiet), 0);
    EXPECT_GE(t.battle.mPackets.Locate(nullptr, motor), 0);
    EXPECT_GE(t.battle.mPackets.Locate(nullptr, loud), 0);
    EXPECT_GE(t.battle.mPackets.Locate(nullptr, lone), 0);
}

TEST(TurnPlayback, EngineSoundSpanBackwardsCountsNowhere) {
    TurnBattle t;
    ScriptUnit* tank = t.Add(kUnitVehicle, kAxis, 10, 10);
    // Window 20 is one channel short of full: an engine sound of kind 14
    // counting there would fill it.
    Crowd(t, 401, 10);
    // Unsorted: the unit's later engine sound in the list is earlier in time.
    ActionPacket* motor = t.Packet(kPacketSound, 400);
    motor->mSource = tank;
    motor->mPriority = 14;
    motor->mSoundFlags = 0x07;
    ActionPacket* before = t.Packet(kPacketSound, 100);
    before->mSource = tank;
    before->mPriority = 14;
    before->mSoundFlags = 0x07;
    ActionPacket* shot = t.Packet(kPacketSound, 401);
    shot->mPriority = 4;
    shot->mSoundFlags = 0x03;
    t.battle.StripSuperfluousSounds();
    // Had the engine sound's span counted, window 20 would be full.
    EXPECT_GE(t.battle.mPackets.Locate(nullptr, shot), 0);
}

namespace {

// The sound packets of the battle, in list order.
std::vector<ActionPacket*> Sounds(Battle& b) {
    std::vector<ActionPacket*> sounds;
    for (int32_t k = 0; k < b.mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(b.mPackets.GetObjectA(k));
        if (p->mType == kPacketSound) sounds.push_back(p);
    }
    return sounds;
}

} // namespace

TEST(TurnPlayback, EachFireCracklesFromItsOwnMomentNeverBeforeSliceMinusOne) {
    TurnBattle t;
    MapBattleLink* link = t.battle.mMap->GetBattleLink();
    ASSERT_NE(link, nullptr);
    t.battle.mTimeSlice = 500;
    SeedRandomGenerator(99);
    const uint32_t r = RandomPair();
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(99);
    link->RecordFireSound(500, 2, 3);
    EXPECT_EQ(GetRandomState(), after) << "one draw pair a fire";
    auto sounds = Sounds(t.battle);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0]->mTimeSlice, 500 - static_cast<int32_t>(r % 40u) - 1);
    EXPECT_FLOAT_EQ(sounds[0]->mX, 50.0f);
    EXPECT_FLOAT_EQ(sounds[0]->mY, 70.0f);
    EXPECT_EQ(sounds[0]->mSoundNumber, 300); // the crackle, in sound class 5
    EXPECT_EQ(sounds[0]->mPriority, 5);

    // The fires burning when the action phase begins sound from slice -1,
    // and the replay's first pass plays them.
    t.battle.mTimeSlice = -1;
    link->RecordFireSound(-1, 4, 4);
    t.battle.mTimeSlice = 3;
    link->RecordFireSound(3, 5, 5);
    sounds = Sounds(t.battle);
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[1]->mTimeSlice, -1);
    EXPECT_GE(sounds[2]->mTimeSlice, -1);
    EXPECT_LE(sounds[2]->mTimeSlice, 2);
    t.battle.mTimeSlice = -1;
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.host.mClock += 100; // slice 4
    t.battle.Playback();
    t.battle.Playback();
    t.battle.PlaySoundQueue();
    EXPECT_EQ(t.host.mPlayed.size(), 2u);
}

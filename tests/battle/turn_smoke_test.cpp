// Smoke clouds: their making, ageing, playback handlers, record and place in
// the map record; and sight through them.

#include <gtest/gtest.h>

#include <memory>

#include "battle/SmokeShell.h"
#include "battle/turn_fixtures.h"

namespace {

SmokeShell* ShellAt(Battle& b, int32_t k) {
    return static_cast<SmokeShell*>(static_cast<GList*>(b.mMap->mSmokeShells)->GetObjectA(k));
}

ActionPacket* LastPacket(Battle& b) {
    return static_cast<ActionPacket*>(b.mPackets.GetObjectA(b.mPackets.GetCount() - 1));
}

} // namespace

TEST(TurnSmoke, LateCloudIsHalvedThriceAndFormsBeyondTheMinute) {
    TurnBattle t;
    t.battle.mTimeSlice = 2390;
    t.battle.mTurn = 3;
    // Selector 0: 10 s of build-up, so the delay is about 400 slices;
    // halved while it reaches past the minute, at most three times.
    t.battle.MakeSmokePacket(100, 100, 0.0f, 0.5f);
    ASSERT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1);
    ActionPacket* on = LastPacket(t.battle);
    EXPECT_EQ(on->mType, kPacketSmokeOn);
    const int32_t delay = on->mTimeSlice - 2390;
    EXPECT_GT(delay, 0);
    EXPECT_LE(delay, 60); // at most 460 / 8
    SmokeShell* s = ShellAt(t.battle, 0);
    EXPECT_EQ(s->mStartTime, 3 * 2400 + on->mTimeSlice);
    EXPECT_FLOAT_EQ(s->mDensity, 0.5f);
    EXPECT_FLOAT_EQ(s->mRadius, 7.0f);
    EXPECT_EQ(s->mColumn, -1);
    // The sight refresh comes one slice after the cloud forms.
    ASSERT_EQ(t.battle.mNewAttacks.GetCount(), 1);
    auto* marker = static_cast<PendingAttack*>(t.battle.mNewAttacks.GetObjectA(0));
    EXPECT_EQ(marker->mLandingSlice, on->mTimeSlice + 1);
    EXPECT_TRUE(marker->mLOSRefreshOnly);
}

TEST(TurnSmoke, WindShortensTheCloudsLife) {
    auto life = [](int32_t wind) {
        TurnBattle t;
        t.battle.mWindStrength = wind;
        t.battle.mTimeSlice = 0;
        SeedRandomGenerator(77);
        t.battle.MakeSmokePacket(100, 100, -3.0f, 1.0f);
        return static_cast<float>(ShellAt(t.battle, 0)->mDuration - LastPacket(t.battle)->mTimeSlice);
    };
    EXPECT_NEAR(life(3) / life(1), 0.3f, 0.01f);
    EXPECT_NEAR(life(3) / life(0), 0.15f, 0.01f);
}

TEST(TurnSmoke, NoCloudOffTheMapOrOnWater) {
    TurnBattle t;
    t.battle.mTimeSlice = 0;
    const uint32_t before = GetRandomState();
    t.battle.MakeSmokePacket(-1, 5, 0.0f, 1.0f);
    t.battle.MakeSmokePacket(5, t.battle.mMap->mHeightMetres, 0.0f, 1.0f);
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 0);
    EXPECT_EQ(t.battle.mPackets.GetCount(), 0);
    EXPECT_EQ(GetRandomState(), before);
}

TEST(TurnSmoke, AgeingRemovesExpiredCloudsWithAPacket) {
    TurnBattle t;
    t.battle.mTurn = 1;
    ActionPacket* on = t.Packet(kPacketSmokeOn, 10);
    on->mX = 40;
    on->mY = 40;
    on->mStartTime = 2410;
    on->mDuration = 100;
    on->mRadius = 10;
    on->mDensity = 1.0f;
    t.battle.AddSmokeShell(on);
    t.battle.mComputing = true;
    t.battle.mTimeSlice = 79;
    t.battle.AgeSmokeShells();
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1);
    t.battle.mTimeSlice = 119;
    t.battle.AgeSmokeShells();
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 0);
    ActionPacket* off = LastPacket(t.battle);
    EXPECT_EQ(off->mType, kPacketSmokeOff);
    EXPECT_EQ(off->mTimeSlice, 119);
    EXPECT_FLOAT_EQ(off->mX, 40);
}

TEST(TurnSmoke, SmokeOffRemovesOnlyAnExactMatch) {
    TurnBattle t;
    ActionPacket* on = t.Packet(kPacketSmokeOn, 1);
    on->mX = 40;
    on->mY = 40;
    t.battle.AddSmokeShell(on);
    t.battle.AddSmokeShell(on);
    ActionPacket* off = t.Packet(kPacketSmokeOff, 2);
    off->mX = 40.001f;
    off->mY = 40;
    t.battle.RemoveSmokeShell(off);
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 2);
    off->mX = 40;
    t.battle.RemoveSmokeShell(off);
    EXPECT_EQ(t.battle.mMap->mSmokeShells->GetCount(), 1);
}

TEST(TurnSmoke, RecordIsItsSevenFields) {
    SmokeShell s;
    s.mX = 12.5f;
    s.mY = -3.0f;
    s.mStartTime = 4811;
    s.mDuration = 900;
    s.mRadius = 7.0f;
    s.mKind = 2;
    s.mDensity = 0.0f;
    s.mDriftX = 9;
    std::unique_ptr<GFile> file(NewScratchFile());
    s.Write(file.get());
    std::vector<uint8_t> bytes = FileBytes(file.get());
    ASSERT_EQ(bytes.size(), static_cast<size_t>(SmokeShell::kRecordBytes));
    EXPECT_EQ(bytes[20], 2); // the kind byte before the density
    SmokeShell back;
    back.mDriftX = 5;
    back.Read(file.get());
    EXPECT_FALSE(file->HasFailed());
    EXPECT_EQ(back.mDriftX, 0);
    EXPECT_EQ(back.mStartTime, 4811);
    EXPECT_EQ(back.mKind, 2);
    EXPECT_FLOAT_EQ(back.mDensity, 1.0f); // a record without density is full
    std::unique_ptr<SmokeShell> copy(static_cast<SmokeShell*>(back.CopyItself()));
    EXPECT_EQ(copy->mDuration, 900);
}

TEST(TurnSmoke, MapRecordKeepsCloudsAndTheKeptCopy) {
    TurnBattle t;
    ActionPacket* on = t.Packet(kPacketSmokeOn, 1);
    on->mX = 40;
    on->mY = 50;
    on->mRadius = 9;
    on->mDensity = 0.5f;
    on->mDuration = 300;
    t.battle.AddSmokeShell(on);
    t.battle.mMap->SaveMutableData();
    t.battle.mMap->SaveOldMutables();
    on->mX = 60;
    t.battle.AddSmokeShell(on);

    std::unique_ptr<GFile> file(NewScratchFile());
    t.battle.mMap->Write(file.get());
    std::vector<uint8_t> first = FileBytes(file.get());
    Map loaded;
    ASSERT_TRUE(loaded.IMap(file.get()));
    ASSERT_EQ(loaded.mSmokeShells->GetCount(), 2);
    EXPECT_FLOAT_EQ(static_cast<SmokeShell*>(static_cast<GList*>(loaded.mSmokeShells)->GetObjectA(1))->mX,
                    60);
    // Written again, the record is the same bytes.
    std::unique_ptr<GFile> again(NewScratchFile());
    loaded.Write(again.get());
    EXPECT_EQ(FileBytes(again.get()), first);
    // The kept state brings back the one cloud there was before the turn.
    loaded.RestoreMutableData(nullptr);
    ASSERT_EQ(loaded.mSmokeShells->GetCount(), 1);
    EXPECT_FLOAT_EQ(static_cast<SmokeShell*>(static_cast<GList*>(loaded.mSmokeShells)->GetObjectA(0))->mX,
                    40);
}

TEST(TurnSmoke, MapWithoutSmokeWritesTheOlderRecordAndDamagedSmokeFailsWhole) {
    TurnBattle t;
    std::unique_ptr<GFile> plain(NewScratchFile());
    t.battle.mMap->Write(plain.get());
    std::vector<uint8_t> bytes = FileBytes(plain.get());
    ASSERT_GE(bytes.size(), 4u);
    // The record ends with a reserved count of 0, as older writers left it.
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 4, bytes.end()), (std::vector<uint8_t>{0, 0, 0, 0}));

    ActionPacket* on = t.Packet(kPacketSmokeOn, 1);
    on->mX = 40;
    on->mY = 50;
    on->mDensity = 1.0f;
    t.battle.AddSmokeShell(on);
    std::unique_ptr<GFile> file(NewScratchFile());
    t.battle.mMap->Write(file.get());
    std::vector<uint8_t> smoky = FileBytes(file.get());
    // The kind byte of the one record (4 bytes of density follow it, then
    // the kept-state flag) set out of range.
    std::vector<uint8_t> damaged = smoky;
    damaged[damaged.size() - 6] = 9;
    std::unique_ptr<GFile> bad(FileWithBytes(damaged));
    Map map;
    EXPECT_FALSE(map.IMap(bad.get()));
    // Cut short inside the smoke block.
    std::vector<uint8_t> cut(smoky.begin(), smoky.end() - 3);
    std::unique_ptr<GFile> shortFile(FileWithBytes(cut));
    Map map2;
    EXPECT_FALSE(map2.IMap(shortFile.get()));
}

TEST(TurnSmoke, CloudsBlockSightOnceFormedAndGoWithTheirTime) {
    TurnBattle t;
    t.battle.mTurn = 1;
    t.battle.mComputing = true;
    t.battle.mTimeSlice = 100;
    ActionPacket* on = t.Packet(kPacketSmokeOn, 0);
    on->mX = 100;
    on->mY = 100;
    on->mStartTime = 2400 + 150;
    on->mDuration = 400;
    on->mRadius = 15;
    on->mDensity = 1.0f;
    t.battle.AddSmokeShell(on);
    auto sees = [&]() {
        float vis = 0.0f;
        t.battle.mMap->CheckLOS(false, true, false, 60, 100, 2, 140, 100, 2, &vis, nullptr, nullptr, nullptr,
                                nullptr);
        return vis;
    };
    EXPECT_GT(sees(), 0.5f); // not yet formed
    t.battle.mTimeSlice = 200;
    EXPECT_EQ(sees(), 0.0f);
    t.battle.mTimeSlice = 600;
    EXPECT_GT(sees(), 0.5f); // its time is over
}

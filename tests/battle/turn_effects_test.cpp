// Effects of playback: shells and their impacts, bursts and their strikes,
// explosions, sparks and rubble clouds.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "battle/BulletImpact.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SparkGraphic.h"
#include "battle/turn_fixtures.h"
#include "engine/GOLTA.h"
#include "map/BuildingWallCrater.h"

namespace {

ShellGraphic* ShellFrom(TurnBattle& t, ActionPacket* p) {
    t.battle.HandleShellBodyPacket(p);
    return static_cast<ShellGraphic*>(t.battle.mEffects.GetObjectA(t.battle.mEffects.GetCount() - 1));
}

} // namespace

TEST(TurnEffects, ShellFromItsPacket) {
    TurnBattle t;
    ActionPacket* p = t.Packet(kPacketShell, 10);
    p->mX = 50;
    p->mY = 50;
    p->mEndX = 50;
    p->mEndY = 20;
    p->mBlast = 0.0f;
    p->mShellFlags = 0x01;
    p->mLook = 9;
    ShellGraphic* south = ShellFrom(t, p);
    EXPECT_FLOAT_EQ(south->mHeading, 270.0f);
    EXPECT_EQ(south->mImpactKind, 0); // no blast, no impact
    EXPECT_TRUE(south->mHeavyShell);
    p->mEndX = 10;
    p->mEndY = 50;
    p->mBlast = 2.0f;
    EXPECT_FLOAT_EQ(ShellFrom(t, p)->mHeading, 180.0f);
    EXPECT_EQ(ShellFrom(t, p)->mImpactKind, 1);
    t.battle.DeleteEffects();
}

TEST(TurnEffects, ExplosionSizedByItsBlast) {
    TurnBattle t;
    ExplosionGraphic e;
    e.mBlast = 10.0f;
    e.mDuration = static_cast<int32_t>((e.mBlast * 0.015f + 0.225f) * 212.0f);
    EXPECT_EQ(e.mDuration, 79);
    e.CreateShards();
    EXPECT_EQ(e.mShardCount, 23);
    EXPECT_EQ(e.mPuffCount, 1);
    EXPECT_TRUE(e.mPuffs[0].mFiery);
    EXPECT_LE(e.mShardFloor, -4.0f);
}

TEST(TurnEffects, RubbleCloudStartsNowAndNeverBurns) {
    TurnBattle t;
    t.battle.mPlayNow = 321;
    t.battle.RubbleCloud(100, 100, true, -1);
    auto* e = static_cast<ExplosionGraphic*>(t.battle.mEffects.GetObjectA(0));
    EXPECT_EQ(e->mStart, 321);
    EXPECT_GE(e->mDuration, 340);
    EXPECT_LE(e->mDuration, 420);
    EXPECT_LE(e->mShardCount, ExplosionGraphic::kMaxShards);
    for (int32_t j = 0; j < e->mPuffCount; ++j)
        EXPECT_FALSE(e->mPuffs[j].mFiery);
    t.battle.DeleteEffects();
    // It lasts (2U + 7, plus 1.5 for a large building) seconds; its blast is
    // 90 for a large building, 60 for another.
    for (const bool big : {true, false}) {
        SeedRandomGenerator(4242);
        const double u = RandomFraction();
        SeedRandomGenerator(4242);
        t.battle.RubbleCloud(100, 100, big, 5);
        auto* cloud = static_cast<ExplosionGraphic*>(t.battle.mEffects.GetObjectA(0));
        EXPECT_EQ(cloud->mStart, 5);
        EXPECT_EQ(cloud->mDuration, static_cast<int32_t>((u * 2.0 + 7.0 + (big ? 1.5 : 0.0)) * 40.0)) << big;
        EXPECT_FLOAT_EQ(cloud->mBlast, big ? 90.0f : 60.0f);
        t.battle.DeleteEffects();
    }
}

TEST(TurnEffects, SparksByEnergyAndOnlyForTheSideThatSees) {
    TurnBattle t;
    ActionPacket* p = t.Packet(kPacketSparks, 5);
    p->mSparkFlags = 0x01; // side 1 sees it; the viewer is side 0
    t.battle.HandleSparkPacket(p);
    EXPECT_EQ(t.battle.mEffects.GetCount(), 0);
    p->mSparkFlags = 0x02;
    p->mEnergy = 0.0f;
    t.battle.HandleSparkPacket(p);
    p->mEnergy = 5e8f;
    t.battle.HandleSparkPacket(p);
    ASSERT_EQ(t.battle.mEffects.GetCount(), 2);
    auto* weak = static_cast<SparkGraphic*>(t.battle.mEffects.GetObjectA(0));
    EXPECT_EQ(weak->mParticleCount, 62);
    EXPECT_EQ(weak->mDuration, 80);
    EXPECT_EQ(static_cast<SparkGraphic*>(t.battle.mEffects.GetObjectA(1))->mParticleCount, 250);
    t.battle.DeleteEffects();
}

TEST(TurnEffects, ImpactsComeWhenTheShellArrives) {
    TurnBattle t;
    ActionPacket* p = t.Packet(kPacketShell, 0);
    p->mBlast = 3.0f;
    p->mShellFlags = 0x01;
    p->mFlightTime = 20;
    p->mLook = 12;
    t.battle.HandleShellBodyPacket(p);
    p->mLook = 9;
    t.battle.HandleShellBodyPacket(p);
    p->mShellFlags = 0x03;
    p->mLook = 18;
    t.battle.HandleShellBodyPacket(p);
    t.battle.mPlayNow = 19;
    t.battle.mPlayState = 15;
    t.battle.mPlayPrevious = 18;
    t.host.mClock = 100000;
    t.battle.mPlayStart = t.host.mClock - 19 * 25;
    t.battle.Playback();
    // The flame stream stretched on its first step: 2 x 20 is below 120.
    auto* flame = static_cast<ShellGraphic*>(t.battle.mEffects.GetObjectA(2));
    EXPECT_TRUE(flame->mStretched);
    EXPECT_EQ(flame->mFlightSlices, 20);
    EXPECT_EQ(flame->mDuration, 120);
    t.battle.mPlayNow = 20;
    t.battle.Playback();
    ASSERT_EQ(t.battle.mEffects.GetCount(), 3); // the stream, and two explosions
    auto* late = static_cast<ExplosionGraphic*>(t.battle.mEffects.GetObjectA(1));
    auto* soon = static_cast<ExplosionGraphic*>(t.battle.mEffects.GetObjectA(2));
    EXPECT_EQ(late->mStart, 100); // looks 11 to 14 burst 80 slices late
    EXPECT_EQ(soon->mStart, 20);
    t.battle.mPlayNow = 120;
    t.battle.Playback();
    bool flameImpact = false;
    for (int32_t k = 0; k < t.battle.mEffects.GetCount(); ++k)
        flameImpact |= dynamic_cast<FlameImpactGraphic*>(t.battle.mEffects.GetObjectA(k)) != nullptr;
    EXPECT_TRUE(flameImpact);
    t.battle.DeleteEffects();
}

// What a shell leaves when it arrives at slice 20, and for how long: an
// explosion of blast 20 lasts trunc((20 x 0.015 + 0.225) x 212) = 111
// slices, 80 slices late for looks 11 to 14 only, raised for look 8 and
// not for look 9; flames last 400 slices, large ones 1000.
TEST(TurnEffects, ImpactsStartAndLastByLookAndKind) {
    TurnBattle t;
    ActionPacket* p = t.Packet(kPacketShell, 0);
    p->mBlast = 20.0f;
    p->mFlightTime = 20;
    const struct {
        int16_t look;
        uint8_t flags;
    } shells[] = {{10, 0x11}, {11, 0x01}, {14, 0x01}, {15, 0x01}, {8, 0x11}, {9, 0x11}, {2, 0x02}, {2, 0x03}};
    for (const auto& s : shells) {
        p->mLook = s.look;
        p->mShellFlags = s.flags;
        t.battle.HandleShellBodyPacket(p);
    }
    t.battle.mPlayNow = 19;
    t.battle.mPlayState = 15;
    t.battle.mPlayPrevious = 18;
    t.host.mClock = 100000;
    t.battle.mPlayStart = t.host.mClock - 19 * 25;
    t.battle.Playback();
    ASSERT_EQ(t.battle.mEffects.GetCount(), 8); // all still in flight
    t.battle.mPlayNow = 20;
    t.battle.Playback();
    ASSERT_EQ(t.battle.mEffects.GetCount(), 8); // each replaced by its impact
    auto blast = [&](int32_t i) { return dynamic_cast<ExplosionGraphic*>(t.battle.mEffects.GetObjectA(i)); };
    for (int32_t i = 0; i < 6; ++i) {
        ASSERT_NE(blast(i), nullptr) << i;
        EXPECT_EQ(blast(i)->mDuration, 111) << i;
        EXPECT_EQ(blast(i)->mStart, i == 1 || i == 2 ? 100 : 20) << shells[i].look;
    }
    EXPECT_TRUE(blast(4)->mRaisedBurst);
    EXPECT_FALSE(blast(5)->mRaisedBurst);
    EXPECT_EQ(blast(5)->mBurstKind, 1);
    auto* flame = dynamic_cast<FlameImpactGraphic*>(t.battle.mEffects.GetObjectA(6));
    auto* large = dynamic_cast<FlameImpactGraphic*>(t.battle.mEffects.GetObjectA(7));
    ASSERT_TRUE(flame && large);
    EXPECT_EQ(flame->mDuration, 400);
    EXPECT_EQ(large->mDuration, 1000);
    EXPECT_EQ(large->mStart, 20);
    // Gone at start + duration, not a slice before.
    t.battle.mPlayNow = 419;
    t.battle.Playback();
    EXPECT_EQ(t.battle.mEffects.GetCount(), 2);
    t.battle.mPlayNow = 420;
    t.battle.Playback();
    ASSERT_EQ(t.battle.mEffects.GetCount(), 1);
    EXPECT_EQ(t.battle.mEffects.GetObjectA(0), large);
    t.battle.DeleteEffects();
}

TEST(TurnEffects, BurstMakesItsStrikesOnce) {
    TurnBattle t;
    ScriptUnit* rifle = t.Add(kUnitInfantry, kAxis, 10, 100);
    ActionPacket* p = t.Packet(kPacketShell, 100);
    p->mFirer = rifle;
    p->mLook = 22;
    p->mBlast = 1.0f;
    p->mShellFlags = 0x01;
    p->mFlightTime = 10;
    p->mEndX = 380;
    p->mEndY = 100;
    t.battle.HandleShellBodyPacket(p);
    GList made;
    AdvanceShellGraphic(t.battle.mEffects.GetObjectA(0), &made);
    ASSERT_EQ(made.GetCount(), 2);
    const int32_t travel = 40;                                   // 370 m at 370 m/s
    auto* last = static_cast<BulletImpact*>(made.GetObjectA(0)); // made for i = 1
    auto* first = static_cast<BulletImpact*>(made.GetObjectA(1));
    EXPECT_GE(first->mStart, 100 + travel);
    EXPECT_LT(first->mStart, 100 + travel + 12);
    EXPECT_LT(last->mStart, 100 + travel + 27);
    AdvanceShellGraphic(t.battle.mEffects.GetObjectA(0), &made);
    EXPECT_EQ(made.GetCount(), 2);
    t.battle.DeleteEffects();
}

namespace {

// The dust clouds in the effect list, as (start, blast, first shard's speed).
std::vector<std::array<float, 3>> RubbleClouds(Battle& b) {
    std::vector<std::array<float, 3>> clouds;
    for (int32_t k = 0; k < b.mEffects.GetCount(); ++k) {
        auto* e = dynamic_cast<ExplosionGraphic*>(b.mEffects.GetObjectA(k));
        if (!e || !e->mRubble) continue;
        clouds.push_back({static_cast<float>(e->mStart), e->mBlast,
                          e->mShardCount > 0 ? e->mShards[0].mVelocity[0] : 0.0f});
    }
    return clouds;
}

} // namespace

TEST(TurnEffects, ABuildingBlownDownRaisesItsDustCloudInPlaybackAtThePacketsSlice) {
    TurnBattle t;
    Map* map = t.battle.mMap;
    const float cx[4] = {42, 58, 58, 42}, cy[4] = {62, 62, 78, 78};
    auto* house = new Building;
    house->IBuilding(2, 3, kTerrainUpperLight, cx, cy); // two storeys: the big cloud
    map->mBuildings->Add(house);
    map->IndexObjects();
    ScriptUnit* gunner = t.Add(kUnitInfantry, kAxis, 10, 10);
    gunner->mScript = [map](ScriptUnit*, int32_t slice) {
        if (slice == 300) map->BlastBuildings(1.0e6f, 50, 70);
    };
    t.battle.ActionPhase(true, false);
    EXPECT_TRUE(house->mRuined == 0) << "playback starts from the map before the turn";
    EXPECT_TRUE(RubbleClouds(t.battle).empty());
    while (t.battle.mPlayPrevious < 300 && t.battle.mPlayState == 15) {
        t.host.mClock += 200;
        t.battle.Playback();
    }
    auto clouds = RubbleClouds(t.battle);
    ASSERT_EQ(clouds.size(), 1u);
    EXPECT_EQ(clouds[0][0], 300.0f);
    EXPECT_EQ(clouds[0][1], 20.0f * 4.5f);
    EXPECT_TRUE(house->mRuined != 0);

    // A rewind and a seek past the collapse give the same cloud.
    t.battle.HandleVCRButton(11, false);
    EXPECT_TRUE(RubbleClouds(t.battle).empty());
    t.battle.SetPlaypoint(320);
    EXPECT_EQ(RubbleClouds(t.battle), clouds);
    t.battle.DeleteEffects();
}

// A house that falls in the computed turn leaves nobody above its rubble:
// the squad upstairs comes down in the collapse's slice and its packet shows
// it; a squad upstairs in the next house and one under a bridge stay.
TEST(TurnEffects, AHouseFallingToRubbleBringsItsUpperFloorDown) {
    TurnBattle t;
    Map* map = t.battle.mMap;
    for (int32_t column : {2, 4}) {
        const float x0 = 20.0f * static_cast<float>(column);
        const float cx[4] = {x0 + 2, x0 + 18, x0 + 18, x0 + 2}, cy[4] = {62, 62, 78, 78};
        auto* house = new Building;
        house->IBuilding(column, 3, kTerrainUpperLight, cx, cy);
        map->mBuildings->Add(house);
        for (int32_t i = column * 10; i < column * 10 + 10; ++i)
            for (int32_t j = 30; j < 40; ++j)
                map->SetPoint(i, j, EncodePoint(map->GetPoint(i, j) & 0x3ff, kTerrainUpperLight));
    }
    for (int32_t i = 28; i < 30; ++i) // a bridge over the house's east edge
        for (int32_t j = 30; j < 40; ++j)
            map->SetPoint(i, j, EncodePoint(map->GetPoint(i, j) & 0x3ff, kTerrainBridgeFirst));
    map->IndexObjects();
    ScriptUnit* gunner = t.Add(kUnitInfantry, kAxis, 10, 10);
    gunner->mScript = [&](ScriptUnit*, int32_t slice) {
        if (slice == 300) map->BlastBuildings(1.0e6f, 50, 70);
    };
    // Units of the game's own conduct, acting after the gunner in each slice.
    std::array<StandInUnit*, 3> u{};
    const float ux[3] = {45, 85, 57}, uz[3] = {1, 1, -1}; // upstairs, next door, under the bridge
    for (int32_t k = 0; k < 3; ++k) {
        u[k] = new StandInUnit(kUnitInfantry);
        u[k]->mX = ux[k], u[k]->mY = 65, u[k]->mZ = uz[k], u[k]->mActive = true;
        t.battle.mUnits->Add(u[k]);
    }
    t.battle.ActionPhase(true, false);
    // The packets show the squad upstairs on the rubble from the collapse's
    // slice on; the one next door and the one under the bridge keep their floors.
    float last[3] = {9, 9, 9};
    int32_t from = -1;
    for (int32_t k = 0; k < t.battle.mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k));
        for (int32_t n = 0; n < 3; ++n)
            if (p->mType == kPacketUnitState && p->mUnit == u[n]) last[n] = p->mFloorHeight;
        if (from < 0 && p->mUnit == u[0] && p->mFloorHeight == 0.0f) from = p->mTimeSlice;
    }
    EXPECT_EQ(from, 300);
    EXPECT_EQ(std::vector<float>(last, last + 3), (std::vector<float>{0, 1, -1}));
    t.battle.DeleteEffects();
}

TEST(TurnEffects, ACollapsePacketWithoutAStandingBuildingRaisesNoCloud) {
    TurnBattle t;
    for (float x : {50.0f, -400.0f, 1.0e9f}) {
        ActionPacket* p = t.Packet(kPacketRubble, 10);
        p->mX = x;
        p->mY = 70;
        t.battle.DispatchPacket(p);
    }
    EXPECT_TRUE(RubbleClouds(t.battle).empty());
}

TEST(TurnEffects, BurstStrikesLandWithinWindowsOf12And27And44And55Slices) {
    TurnBattle t;
    ScriptUnit* rifle = t.Add(kUnitInfantry, kAxis, 10, 100);
    ActionPacket* p = t.Packet(kPacketShell, 100);
    p->mFirer = rifle;
    p->mLook = 26; // five strikes
    p->mBlast = 1.0f;
    p->mShellFlags = 0x01;
    p->mFlightTime = 10;
    p->mEndX = 380;
    p->mEndY = 100;
    const int32_t due = 100 + 40; // 370 m at 370 m/s
    int32_t widest[5] = {-1, -1, -1, -1, -1};
    for (uint32_t seed = 1; seed <= 3000; ++seed) {
        t.battle.HandleShellBodyPacket(p);
        SeedRandomGenerator(seed);
        GList made;
        AdvanceShellGraphic(t.battle.mEffects.GetObjectA(t.battle.mEffects.GetCount() - 1), &made);
        ASSERT_EQ(made.GetCount(), 5);
        for (int32_t k = 0; k < 5; ++k) {
            const int32_t i = 4 - k; // made from the last strike to the first
            const int32_t offset = static_cast<BulletImpact*>(made.GetObjectA(k))->mStart - due;
            ASSERT_GE(offset, 0);
            widest[i] = std::max(widest[i], offset);
        }
        // The same draws in the same order as ever: the generator ends where
        // it always did.
        if (seed == 1) EXPECT_EQ(GetRandomState(), 2026625433u);
        made.EmptyOut(true);
        t.battle.DeleteEffects();
    }
    EXPECT_EQ(widest[0], 11);
    EXPECT_EQ(widest[1], 26);
    EXPECT_EQ(widest[2], 43);
    EXPECT_EQ(widest[3], 54);
    EXPECT_EQ(widest[4], 54);
}

// Fires, craters and foxholes, building damage, and keeping and restoring
// the map's changeable state.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MapTestUtil.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"

namespace {

// Records what the map reports, as the battle would file packets.
struct Recorder : MapBattleLink {
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    bool IsComputing() override { return computing; }
    int32_t GetSlice() override { return slice; }
    int32_t GetGroundCondition() override { return ground; }
    float GetWindDirection() override { return 0.0f; }
    int32_t GetWindStrength() override { return 3; }
    void RecordFireStart(int32_t, float x, float y, bool large) override { fires.push_back({x, y, large ? 1.f : 0.f}); }
    void RecordFireSound(int32_t, int32_t, int32_t) override { ++sounds; }
    void RecordCrater(int32_t, float x, float y, float r, float d, float s, int32_t kind, Affiliation side) override
    {
        craters.push_back({x, y, r, d, s, static_cast<float>(kind), static_cast<float>(side)});
        log.push_back(7);
    }
    void RecordCraterRemoved(int32_t, float, float) override { log.push_back(8); }
    void RecordFoxholeSpotted(int32_t, float, float) override { log.push_back(9); }
    void RecordBuildingState(int32_t s, float, float, float damage, bool) override
    {
        stateSlices.push_back(s);
        damages.push_back(damage);
    }
    void RecordBuildingCollapse(int32_t, float, float) override { log.push_back(4); }
    void RecordDoodadsCleared(int32_t, float, float) override { log.push_back(12); }

    bool computing = true;
    int32_t slice = 100;
    int32_t ground = 1;
    std::vector<std::vector<float>> fires, craters;
    std::vector<int> log;
    std::vector<int32_t> stateSlices;
    std::vector<float> damages;
    int sounds = 0;
};

class ChangesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(map.IBlankMap(20, 20, 1.0f, 54));
        map.SetBattleLink(&battle);
    }
    Building* AddBuilding(int32_t col, int32_t row, Terrain type)
    {
        float cx[4] = {col * 20.f + 2, col * 20.f + 18, col * 20.f + 18, col * 20.f + 2};
        float cy[4] = {row * 20.f + 2, row * 20.f + 2, row * 20.f + 18, row * 20.f + 18};
        Building* b = new Building;
        b->IBuilding(col, row, type, cx, cy);
        map.mBuildings->Add(b);
        PaintTerrain(map, col * 20.f, row * 20.f, col * 20.f + 20, row * 20.f + 20, type);
        map.IndexObjects();
        return b;
    }
    Map map;
    Recorder battle;
};

TEST_F(ChangesTest, FiresStartOnlyWhereTheGroundBurnsAndNeverShrink)
{
    PaintTerrain(map, 0, 0, 100, 400, kTerrainWoods);
    PaintTerrain(map, 100, 0, 120, 400, kTerrainWater);
    map.StartFire(110, 10, true, true);
    EXPECT_EQ(map.GetFireState(110, 10), 0);
    map.StartFire(10, 10, false, true);
    EXPECT_EQ(map.GetFireState(10, 10), 2);  // a small fire in wood
    map.StartFire(10, 10, true, true);
    EXPECT_EQ(map.GetFireState(10, 10), 6);  // grown large
    map.StartFire(10, 10, false, true);
    EXPECT_EQ(map.GetFireState(10, 10), 6);
    EXPECT_EQ(battle.fires.size(), 2u);
    EXPECT_EQ(battle.sounds, 2);
    map.StartFire(210, 10, false, false);      // open ground: grass burns small
    EXPECT_EQ(map.GetFireState(210, 10), 1);
    EXPECT_EQ(battle.fires.size(), 2u);        // no packet asked for
    map.StartFire(-5, 10, true, true);         // off the map: nothing
    // A large fire closes its square to paths.
    map.CalculateAIPathGrids(kAxis, kPathOnFoot);
    EXPECT_FALSE(map.GetPathGrid(kAxis, kPathOnFoot)->Enterable(0));
}

TEST_F(ChangesTest, SeededFireSpreadRepeatsExactlyAndBurnsOut)
{
    Map other;
    ASSERT_TRUE(other.IBlankMap(20, 20, 1.0f, 54));
    other.SetBattleLink(&battle);
    for (Map* m : {&map, &other}) {
        PaintTerrain(*m, 0, 0, 400, 400, kTerrainWoods);
        m->StartFire(200, 200, true, false);
    }
    std::vector<int8_t> runs[2];
    for (int run = 0; run < 2; ++run) {
        Map& m = run == 0 ? map : other;
        SeedRandomGenerator(4242);
        for (int step = 0; step < 20; ++step) m.SpreadFires();
        runs[run] = m.mFire;
    }
    EXPECT_EQ(runs[0], runs[1]);
    int burning = 0;
    for (int8_t f : runs[0]) burning += f != 0;
    EXPECT_GT(burning, 3);
    // With the wind blowing east, the fire reaches further east than west.
    int east = 0, west = 0;
    for (int32_t col = 0; col < 20; ++col) {
        for (int32_t row = 0; row < 20; ++row) {
            if (runs[0][map.SquareIndex(col, row)] == 0) continue;
            east += col > 10;
            west += col < 10;
        }
    }
    EXPECT_GT(east, west);
    // Fires burn out over the turns and do not catch again.
    for (int turn = 0; turn < 4; ++turn) map.BurnOutFires();
    for (int32_t s = 0; s < map.mSquareCount; ++s) {
        EXPECT_EQ(map.mFire[s], 0);
        if (runs[0][s]) {
            EXPECT_EQ(map.mFireAge[s], kBurntOut);
        }
    }
    map.StartFire(200, 200, false, false);
    EXPECT_EQ(map.GetFireState(200, 200), 0);
}

TEST_F(ChangesTest, PotentialFiresFollowTheChanceAndTheGround)
{
    PaintTerrain(map, 0, 0, 400, 400, kTerrainWoods);
    SeedRandomGenerator(1);
    map.PotentiallyStartFire(0.0f, 10, 10, false);
    EXPECT_EQ(map.GetFireState(10, 10), 0);
    map.PotentiallyStartFire(1.0f, 10, 10, true);  // very likely on dry wood
    EXPECT_EQ(map.GetFireState(10, 10), 6);
    battle.ground = 8;                             // deep snow
    int started = 0;
    for (int k = 0; k < 200; ++k) {
        float x = 30.0f + (k % 18) * 20.0f, y = 30.0f + (k / 18) * 20.0f;
        map.PotentiallyStartFire(0.1f, x, y, false);
        started += map.GetFireState(x, y) != 0;
    }
    EXPECT_LT(started, 10);
}

TEST_F(ChangesTest, CratersAndFoxholesAreMadeRecordedAndReplayedAlike)
{
    PaintTerrain(map, 100, 0, 120, 20, kTerrainWater);
    SeedRandomGenerator(7);
    Crater* c = map.MakeCrater(50, 50, 700, false, true, false, 0.0f, 2, false);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->mKind, 0);
    EXPECT_NEAR(c->mRadius, 1.06f, 0.02f);
    EXPECT_EQ(map.mCraters->GetCount(), 1);
    EXPECT_EQ(map.MakeCrater(110, 10, 700, false, true, false, 0, 2, false), nullptr);  // water
    EXPECT_EQ(map.MakeCrater(50, 50, 700, false, false, false, 0, 2, false), nullptr);  // neither kind
    EXPECT_EQ(map.MakeCrater(-1, 50, 700, false, true, false, 0, 2, false), nullptr);
    // A bigger shell at the same point replaces the crater: removal first.
    battle.log.clear();
    Crater* big = map.MakeCrater(50.5f, 50, 6000, false, true, false, 0, 2, false);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->mKind, 1);
    EXPECT_EQ(map.mCraters->GetCount(), 1);
    EXPECT_EQ(battle.log, (std::vector<int>{8, 7}));

    Crater* f = map.MakeCrater(250, 250, 700, true, false, false, 0, kAllies, false);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->IsFoxhole());
    EXPECT_EQ(f->mSide, kAllies);
    EXPECT_EQ(map.mFoxholes->GetCount(), 1);
    EXPECT_EQ(map.GetTerrain(250, 250, true), 5);
    EXPECT_EQ(map.MakeCrater(110, 10, 700, true, false, false, 0, kAxis, false), nullptr);  // no digging in water
    map.SpotOneFoxhole(250.5f, 250);
    EXPECT_TRUE(f->mSpotted);
    f->mSpotted = 0;
    battle.log.clear();
    f->MakeSpotPacket();
    EXPECT_TRUE(f->mSpotted);
    EXPECT_EQ(battle.log, std::vector<int>{9});

    // Playback builds the same craters from the recorded packets.
    Map replay;
    ASSERT_TRUE(replay.IBlankMap(20, 20, 1.0f, 54));
    const auto& r = battle.craters.back();
    Crater* again = replay.HandleCraterPacket(r[0], r[1], r[2], r[3], r[4], static_cast<int32_t>(r[5]),
                                              static_cast<int32_t>(r[6]));
    f->mSpotted = 0;
    EXPECT_TRUE(again->SameAs(*f));
    EXPECT_EQ(replay.mFoxholes->GetCount(), 1);
    EXPECT_EQ(replay.GetTerrain(250, 250, true), 5);
    replay.RemoveCrater(250, 250);
    EXPECT_EQ(replay.mFoxholes->GetCount(), 0);
    EXPECT_EQ(replay.GetTerrain(250, 250, true), kTerrainOpen);
}

TEST_F(ChangesTest, OverlappingCratersAreNamedByTheirCentres)
{
    // A shell crater and a foxhole whose radius boxes overlap: the removal
    // packet carries the removed one's centre, and playback must take that
    // one, not the first that covers the point.
    Crater* shell = map.MakeCrater(100, 100, 700, false, true, false, 0, 2, false);
    Crater* hole = map.MakeCrater(100.6f, 100, 700, true, false, false, 0, kAllies, false);
    ASSERT_TRUE(shell && hole);
    ASSERT_TRUE(shell->Covers(hole->mX, hole->mY));
    map.RemoveCrater(hole->mX, hole->mY);
    EXPECT_EQ(map.mFoxholes->GetCount(), 0);
    ASSERT_EQ(map.mCraters->GetCount(), 1);
    EXPECT_EQ(map.GetTerrain(100.6f, 100, true), kTerrainOpen);
    map.RemoveCrater(100, 100);
    EXPECT_EQ(map.mCraters->GetCount(), 0);

    // Two foxholes overlap: spotting names the right one too.
    Crater* a = map.MakeCrater(200, 200, 700, true, false, false, 0, kAxis, false);
    Crater* b = map.MakeCrater(201.5f, 200, 700, true, false, false, 0, kAxis, false);
    ASSERT_EQ(map.mFoxholes->GetCount(), 2);
    map.SpotOneFoxhole(b->mX, b->mY);
    EXPECT_TRUE(b->mSpotted);
    EXPECT_FALSE(a->mSpotted);

    // While the player's view is asked for, the other side's unspotted
    // foxholes are not found; spotted ones and the own side's are.
    map.mViewingSide = kAllies;
    gPlayerView = true;
    EXPECT_EQ(map.mFoxholes->FindCrater(199, 200), nullptr);
    EXPECT_EQ(map.mFoxholes->FindCrater(b->mX, b->mY), b);
    map.mViewingSide = kAxis;
    EXPECT_EQ(map.mFoxholes->FindCrater(199, 200), a);
    gPlayerView = false;
    map.mViewingSide = kAllies;
    EXPECT_EQ(map.mFoxholes->FindCrater(199, 200), a);
    EXPECT_TRUE(map.mLastCraterWasFoxhole);

    // Packets read from a damaged file make nothing.
    EXPECT_EQ(map.HandleCraterPacket(NAN, 10, 1, 1, 0, 2, kAxis), nullptr);
    EXPECT_EQ(map.HandleCraterPacket(10, 10, INFINITY, 1, 0, 2, kAxis), nullptr);
    EXPECT_EQ(map.mFoxholes->GetCount(), 2);
}

TEST_F(ChangesTest, BuildingsTakeDamageAndCollapseIntoRubble)
{
    Building* b = AddBuilding(5, 5, kTerrainLightBuilding);
    Building* far = AddBuilding(15, 15, kTerrainHeavyBuilding);
    map.BlastBuildings(200, 110, 110);
    EXPECT_NEAR(b->DamageFraction(), 100.0f / 300.0f, 1e-4);
    EXPECT_EQ(far->mDamage, 0.0f);
    b->UpdatePacket();
    ASSERT_EQ(battle.stateSlices.size(), 1u);
    EXPECT_EQ(battle.stateSlices[0], 101);  // one slice ahead
    b->UpdatePacket();
    EXPECT_EQ(battle.stateSlices.size(), 1u);  // nothing new to tell
    map.BlastBuildings(500, 110, 110);
    EXPECT_TRUE(b->mRuined);
    EXPECT_EQ(map.GetTerrain(110, 110, false), kTerrainRubble);
    EXPECT_EQ(map.GetZWithBuilding(110, 110), map.GetZCoord(110, 110));
    EXPECT_EQ(battle.log, (std::vector<int>{4, 12}));
    // Sight passes where the building stood.
    float vis = 0;
    map.CheckLOS(false, true, false, 10, 110, 2, 390, 110, 2, &vis, nullptr, nullptr, nullptr, nullptr);
    EXPECT_GT(vis, 0.0f);
    map.UpdateBuilding(310, 310, 0.25f, true);
    EXPECT_FLOAT_EQ(far->mDamage, 0.25f);
    EXPECT_TRUE(far->mStateFlag);
}

TEST_F(ChangesTest, RestoreGivesBackTheMapByteForByte)
{
    PaintTerrain(map, 0, 0, 100, 100, kTerrainWoods);
    AddBuilding(8, 8, kTerrainUpperHeavy);
    map.MakeCrater(300, 300, 700, false, true, false, 0, 2, false);
    map.StartFire(10, 10, false, false);
    map.SaveMutableData();
    const std::vector<uint8_t> before = RecordBytes(map);

    SeedRandomGenerator(99);
    for (int k = 0; k < 5; ++k) map.SpreadFires();
    map.MakeCrater(300.2f, 300, 9000, false, true, false, 0, 2, false);
    map.MakeCrater(200, 40, 700, true, false, false, 0, kAxis, false);
    map.BlastBuildings(5000, 170, 170);
    map.ClearDoodads(30, 30);
    map.BurnOutFires();
    ASSERT_NE(RecordBytes(map), before);

    map.RestoreMutableData(nullptr);
    EXPECT_EQ(RecordBytes(map), before);
    EXPECT_EQ(map.GetTerrain(200, 40, true), kTerrainOpen);
    EXPECT_EQ(map.GetTerrain(170, 170, false), kTerrainUpperHeavy);
}

TEST_F(ChangesTest, TheKeptStateTravelsWithASavedGame)
{
    AddBuilding(3, 3, kTerrainLightBuilding);
    map.SaveMutableData();
    map.SaveOldMutables();
    map.BlastBuildings(5000, 70, 70);
    map.MakeCrater(300, 300, 700, true, false, false, 0, kAllies, false);
    const std::vector<uint8_t> saved = RecordBytes(map);

    auto file = FileWith(saved);
    Map loaded;
    ASSERT_TRUE(loaded.IMap(file.get()));
    EXPECT_TRUE(loaded.HasSavedMutables());
    EXPECT_EQ(RecordBytes(loaded), saved);
    loaded.RestoreMutableData(nullptr);
    map.RestoreMutableData(nullptr);
    map.mKeepOldMutables = loaded.mKeepOldMutables = false;
    EXPECT_EQ(RecordBytes(loaded), RecordBytes(map));
    EXPECT_EQ(loaded.GetTerrain(70, 70, false), kTerrainLightBuilding);

    // A damaged kept state refuses the whole record.
    std::vector<uint8_t> bad = saved;
    bad.resize(bad.size() - 20);
    auto badFile = FileWith(bad);
    Map refused;
    EXPECT_FALSE(refused.IMap(badFile.get()));
    EXPECT_FALSE(refused.HasSavedMutables());
}

} // namespace

namespace {

// The battle's side of foxhole spotting: living units near a point, and the
// units the other side sees now, by index.
struct SpotLink : Recorder {
    bool LivingUnitNear(float x, float y, Affiliation side, float radius) override
    {
        for (const Man& m : men)
            if (m.side == side && std::fabs(m.x - x) <= radius && std::fabs(m.y - y) <= radius) return true;
        return false;
    }
    int32_t UnitCount() override { return static_cast<int32_t>(men.size()); }
    bool SpottedUnitAt(int32_t index, float* x, float* y) override
    {
        const Man& m = men[static_cast<size_t>(index)];
        if (!m.seen) return false;
        *x = m.x;
        *y = m.y;
        return true;
    }
    struct Man {
        float x, y;
        Affiliation side;
        bool seen;
    };
    std::vector<Man> men;
};

} // namespace

TEST(SpotFoxholes, DugHolesNearTheEnemyAndHolesUnderSeenMenAreFound)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(20, 20, 1.0f, 54));
    SpotLink link;
    map.SetBattleLink(&link);
    // Dug foxholes are of level 2; old files' level 0 reads as dug.
    Crater* near = map.MakeCrater(100, 100, 700, true, false, false, 0, kAxis, false);
    Crater* lone = map.MakeCrater(300, 300, 700, true, false, false, 0, kAxis, false);
    Crater* scrape = map.MakeCrater(200, 200, 420, true, false, false, 0, kAxis, false);
    ASSERT_TRUE(near && lone && scrape);
    EXPECT_EQ(near->mLevel, 2);
    scrape->mLevel = 1; // found only through a man seen in it
    link.men = {{110, 100, kAllies, false}, {200, 200, kAxis, true}, {300, 300, kAxis, false}};
    link.log.clear();

    map.SpotFoxholes(false);
    EXPECT_TRUE(near->mSpotted) << "an enemy within reach";
    EXPECT_FALSE(lone->mSpotted) << "its man is not seen";
    EXPECT_TRUE(scrape->mSpotted) << "a man seen standing in it gives it away";
    EXPECT_EQ(link.log, (std::vector<int>{9, 9}));

    // Level 1 is never offered to the enemy nearby, and with every dug hole
    // found nobody's position is looked at.
    lone->mSpotted = 1;
    scrape->mSpotted = 0;
    link.men = {{200, 205, kAllies, false}, {200, 200, kAxis, true}};
    link.log.clear();
    map.SpotFoxholes(false);
    EXPECT_FALSE(scrape->mSpotted);
    EXPECT_TRUE(link.log.empty());

    // Without a battle the second pass is skipped.
    lone->mSpotted = 0;
    map.SetBattleLink(nullptr);
    map.SpotFoxholes(false);
    EXPECT_FALSE(lone->mSpotted);
    EXPECT_FALSE(scrape->mSpotted);
    map.SpotFoxholes(true);
    EXPECT_TRUE(lone->mSpotted && scrape->mSpotted && near->mSpotted);
}

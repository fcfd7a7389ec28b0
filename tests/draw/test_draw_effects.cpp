// Weather, trees, doodads, fires and smoke.
#include <algorithm>
#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "draw/DrawTables.h"
#include "engine/GOLTA.h"
#include "map/MapBattleLink.h"

using namespace dtest;

namespace {

uint32_t sNow = 1000;

int32_t WeatherPolygons(int32_t weather, int32_t level, int32_t pref) {
    DrawFixture f;
    BattleScope b;
    b.battle.mWeather = weather;
    f.settings.mWeatherGraphics = pref;
    f.settings.mClock = [] { return sNow; };
    auto m = FlatMap(4, 4); // one super tile: every cell around it repeats it
    Aim(*m, 40, 40, 0, level);
    m->DrawWeather();
    return f.recorder.Polygons();
}

TEST(DrawWeather, ParticleCountsByWeatherLevelAndPreference) {
    EXPECT_EQ(WeatherPolygons(0, 1, 2), 0);
    EXPECT_EQ(WeatherPolygons(4, 1, 2), 0);
    EXPECT_EQ(WeatherPolygons(6, 5, 3), 0);
    // Snow at level 1 with the full preference: 25 cells of 900.
    EXPECT_EQ(WeatherPolygons(6, 1, 3), 25 * 900);
    EXPECT_EQ(WeatherPolygons(7, 1, 3), 25 * 1800); // a snowstorm: twice as many
    EXPECT_EQ(WeatherPolygons(6, 1, 1), 25 * 225);  // a quarter of the full preference
    EXPECT_EQ(WeatherPolygons(2, 3, 2), 25 * 112);  // level 3: 450, halved twice
    EXPECT_EQ(WeatherPolygons(2, 4, 2), 25 * 225);
}

TEST(DrawWeather, RainIsQuadsAndSnowTrianglesAndParticlesAreMadeOnce) {
    DrawFixture f;
    BattleScope b;
    b.battle.mWeather = 3;
    f.settings.mClock = [] { return sNow; };
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, 1);
    SeedRandomGenerator(5);
    m->DrawWeather();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTriangle), 0);
    EXPECT_GT(f.recorder.Count(DrawOp::kQuad), 0);
    const uint32_t state = GetRandomState();
    m->DrawWeather();
    EXPECT_EQ(GetRandomState(), state); // no draws once the particles exist
    // The clock running backwards makes them anew.
    sNow = 10;
    m->DrawWeather();
    EXPECT_NE(GetRandomState(), state);
    sNow = 1000;
    EXPECT_EQ(m->mWeatherParticles.size(), 1800u);
}

TEST(DrawTrees, DensityChoosesListsAndFarTreesThinOut) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    for (auto& list : m->mTrees)
        list->EmptyOut(true);
    Aim(*m, 790, 400, 0, 1);
    m->mEyeX = 790;
    m->mEyeY = 400;
    for (int32_t n = 0; n < 4; ++n)
        for (int32_t k = 0; k < 4; ++k) {
            auto* t = new Tree;
            t->mX = k < 2 ? 780.0f : 5.0f; // two near, two 785 m away
            t->mY = 400.0f + n;
            m->mTrees[n]->Add(t);
        }
    auto drawn = [&](int32_t density) {
        f.recorder.mCalls.clear();
        f.settings.mTreeDensity = density;
        m->DrawTrees();
        return f.recorder.Count(DrawOp::kTexturedQuad);
    };
    EXPECT_EQ(drawn(0), 0);
    // Density 1: list 0 only; 785 m is beyond sqrt(600000): the far tree at
    // index 3 is left out, the one at index 2 drawn twice as wide.
    EXPECT_EQ(drawn(1), 3);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kScale)[2]->mArgs[0], 2.0f * 9.0f);
    // Density 2 doubles the distance allowed: nothing is far.
    EXPECT_EQ(drawn(2), 8);
    EXPECT_EQ(drawn(4), 16); // density 3 and up: no thinning
    // Far mode: crowns from above at level 5.
    m->mCameraLevel[0] = 5;
    EXPECT_EQ(drawn(4), 16);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kTranslate)[0]->mArgs[2], 1.5f);
    g3D->mPickPass = 1;
    EXPECT_EQ(drawn(4), 0);
    g3D->mPickPass = 0;
}

TEST(DrawTrees, TheGustAdvancesEvenWithoutTrees) {
    DrawFixture f;
    BattleScope b;
    b.battle.mWindStrength = 3;
    auto m = FlatMap(4, 4);
    f.settings.mTreeDensity = 0;
    f.settings.mFrameMs = 100;
    for (int32_t k = 0; k < 50; ++k)
        m->DrawTrees();
    EXPECT_GT(sGustForce, 0.0f);
    EXPECT_LE(sGustForce, 2.0f);
    EXPECT_LE(std::fabs(sWindSway), 1.0f);
    m->PrecomputeSuperTiles(); // a new map starts in still air
    EXPECT_EQ(sGustForce, 0.0f);
}

TEST(DrawDoodads, RowedSquaresGetFifteenSpotsWithoutPositionDraws) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mTheatre = 0;
    auto m = FlatMap(4, 4);
    for (int32_t i = 0; i < 10; ++i)
        for (int32_t j = 0; j < 10; ++j)
            m->SetPoint(i, j, EncodePoint(54, 46));
    SeedRandomGenerator(9);
    m->CreateDoodads(0, 0);
    const Square& s = m->mSquares[0];
    for (int32_t k = 0; k < 15; ++k) {
        EXPECT_EQ(s.mDoodads[k].mTypeAndVariant & 0x1f, 5) << k;
        EXPECT_EQ(s.mDoodads[k].mX, static_cast<uint8_t>(((k % 5) * 4.0f + 2.0f) * 255 * 0.05f));
    }
    for (int32_t k = 15; k < 20; ++k)
        EXPECT_EQ(s.mDoodads[k].mTypeAndVariant & 0x1f, kDoodadEmpty);
    // Per slot: the chance fraction (2 draws); per placed one: variant,
    // turn and shade (2 each).
    SeedRandomGenerator(9);
    for (int32_t k = 0; k < 20 * 2 + 15 * 6; ++k)
        Random();
    const uint32_t expected = GetRandomState();
    SeedRandomGenerator(9);
    m->CreateDoodads(0, 0);
    EXPECT_EQ(GetRandomState(), expected);
}

TEST(DrawDoodads, SlotsSortTypeFourFirstThenTypesThenEmpties) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mTheatre = 0;
    auto m = FlatMap(4, 4);
    // Square (1, 1): left half heath (type 4), right half meadow (type 0).
    for (int32_t i = 10; i < 20; ++i)
        for (int32_t j = 10; j < 20; ++j)
            m->SetPoint(i, j, EncodePoint(54, i < 15 ? 3 : 4));
    SeedRandomGenerator(3);
    m->CreateDoodads(1, 1);
    const Square& s = m->mSquares[1 * 4 + 1];
    bool emptySeen = false, zeroSeen = false;
    for (const Doodad& d : s.mDoodads) {
        const int32_t t = d.mTypeAndVariant & 0x1f;
        if (t == kDoodadEmpty) {
            emptySeen = true;
            continue;
        }
        EXPECT_FALSE(emptySeen);
        if (t == 0) zeroSeen = true;
        if (t == 4) {
            EXPECT_FALSE(zeroSeen);
        }
    }
    m->CreateDoodads(-1, 0); // outside: left alone
    m->CreateDoodads(4, 0);
}

TEST(DrawDoodads, RubbleDoodadsAreTheSameOnEveryMachineAndLeaveTheGameSequenceAlone) {
    DrawFixture f(false);
    BattleScope b;
    auto make = [] {
        auto m = FlatMap(4, 4);
        const float cx[4] = {22, 38, 38, 22}, cy[4] = {22, 22, 38, 38};
        auto* bl = new Building;
        bl->IBuilding(1, 1, 50, cx, cy);
        m->mBuildings->Add(bl);
        for (int32_t i = 10; i < 20; ++i)
            for (int32_t j = 10; j < 20; ++j)
                m->SetPoint(i, j, EncodePoint(54, 50));
        m->IndexObjects();
        return m;
    };
    auto a = make();
    auto c = make();
    SeedRandomGenerator(1);
    a->RubbleizeBuilding(30, 30, 0);
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(777);
    c->RubbleizeBuilding(30, 30, 0);
    EXPECT_EQ(after, 1u); // the game's own sequence is untouched
    int32_t placed = 0;
    for (int32_t k = 0; k < kDoodadSlots; ++k) {
        const Doodad& x = a->mSquares[5].mDoodads[k];
        const Doodad& y = c->mSquares[5].mDoodads[k];
        EXPECT_EQ(x.mTypeAndVariant, y.mTypeAndVariant);
        EXPECT_EQ(x.mX, y.mX);
        EXPECT_EQ(x.mTurn, y.mTurn);
        placed += (x.mTypeAndVariant & 0x1f) == 8;
    }
    EXPECT_GT(placed, 0);
}

TEST(DrawDoodads, DrawingStopsAtEmptiesAndDamagedSlotsAndAtHighCameras) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    Aim(*m, 30, 30, 0, 1);
    for (Square& q : m->mSquares)
        for (Doodad& d : q.mDoodads)
            d.mTypeAndVariant = kDoodadEmpty;
    Square& s = m->mSquares[1 * 4 + 1];
    s.mDoodads[0].mTypeAndVariant = 2;        // crossed and scattered
    s.mDoodads[1].mTypeAndVariant = 0x80 | 4; // variant 4: beyond the table
    s.mDoodads[2].mTypeAndVariant = 2;
    m->DrawDoodads();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 2);
    EXPECT_EQ(f.recorder.Count(DrawOp::kPush), f.recorder.Count(DrawOp::kPop));
    f.recorder.mCalls.clear();
    m->mCameraLevel[0] = 7;
    m->DrawDoodads();
    EXPECT_TRUE(f.recorder.mCalls.empty());
    m->mCameraLevel[0] = 5;
    m->DrawDoodads(); // type 2 tops out at level 3
    EXPECT_EQ(f.recorder.Polygons(), 0);
}

TEST(DrawFires, FlickerStaysInRangeAndStateSixBurnsTwice) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    f.settings.mFramesPerSecond = 0.5f; // advances as at 4
    for (int32_t k = 0; k < 100; ++k) {
        m->DrawFires();
        EXPECT_TRUE(sFireFrame >= 0.0f && sFireFrame < 18.0f);
    }
    Aim(*m, 10, 10, 0, 6);
    m->mFire[5] = 6;
    f.recorder.mCalls.clear();
    m->DrawFires();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 4); // two top fires of two quads
    m->mCameraLevel[0] = 1;
    f.recorder.mCalls.clear();
    m->DrawFires();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 32); // 16 flames as 6, 16 as 7
}

TEST(DrawFires, IntactBuildingsBurnAlongTheirWallsRuinsAsScatteredFlames) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    const float cx[4] = {22, 38, 38, 22}, cy[4] = {22, 22, 38, 38};
    auto* bl = new Building;
    bl->IBuilding(1, 1, 50, cx, cy);
    m->mBuildings->Add(bl);
    m->IndexObjects();
    Aim(*m, 10, 10, 0, 1);
    m->mFire[5] = 2;
    m->DrawFires();
    // Wall flames stand between the building's corners, around its centre.
    for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad))
        EXPECT_LE(std::fabs(c->mArgs[0]), 8.5f);
    bl->mRuined = 1;
    f.recorder.mCalls.clear();
    m->DrawFires();
    bool outside = false;
    for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad))
        outside |= c->mArgs[0] > 15.0f;
    EXPECT_TRUE(outside); // scattered flames stand in world coordinates
}

TEST(DrawFires, ClearingReplaySoundsMayKeepTheLoops) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    m->mSounds->Add(new GObject);
    m->mSoundLoops->Add(new GObject);
    m->ClearReplaySounds(true);
    EXPECT_EQ(m->mSounds->GetCount(), 0);
    EXPECT_EQ(m->mSoundLoops->GetCount(), 1);
    m->ClearReplaySounds(false);
    EXPECT_EQ(m->mSoundLoops->GetCount(), 0);
}

class SoundLink : public MapBattleLink {
public:
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    void RecordFireSound(int32_t, int32_t c, int32_t r) override { squares.push_back(c * 100 + r); }
    std::vector<int32_t> squares;
};

TEST(DrawFires, EveryBurningSquareSendsItsSoundFromTheLastBackwards) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    SoundLink link;
    m->SetBattleLink(&link);
    m->mFire[1 * 4 + 2] = 3;
    m->mFire[3 * 4 + 0] = 5;
    m->StartFireSoundEffects();
    EXPECT_EQ(link.squares, (std::vector<int32_t>{300, 102}));
    m->SetBattleLink(nullptr);
}

TEST(DrawSmoke, SourcesOutsideTheMapOrViewDrawNothing) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    EXPECT_EQ(m->DrawSmokeColumn(-1, -5, 10, 2, false, 1, false, 1, 1), -1);
    EXPECT_EQ(m->DrawSmokeColumn(-1, 80, 10, 2, false, 1, false, 1, 1), -1);
    EXPECT_EQ(m->DrawSmokeColumn(-1, NAN, 10, 2, false, 1, false, 1, 1), -1);
    SetAllVisible(*m, 0);
    EXPECT_EQ(m->DrawSmokeColumn(-1, 10, 10, 2, false, 1, false, 1, 1), -1);
    SetAllVisible(*m, 2);
    EXPECT_EQ(m->DrawSmokeColumn(-1, 10, 10, 2, false, 1, false, 1, 1), (10 * 10 + 20 + 10) % 13);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 12);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

TEST(DrawSmoke, ABlockOfLargeFiresIsOneBigColumn) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    Aim(*m, 0, 0, 0, 1);
    for (int32_t s : {0 * 4 + 0, 0 * 4 + 1, 1 * 4 + 0, 1 * 4 + 1})
        m->mFire[s] = 6;
    m->DrawSmoke();
    auto quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    EXPECT_EQ(quads.size(), 12u); // one column of 12 puffs
    auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
    EXPECT_EQ(moves[0]->mArgs[0], 20.0f);
    EXPECT_EQ(moves[0]->mArgs[1], 20.0f);
}

TEST(DrawSmoke, ALongFrameShiftsEachColumnByOnePuffAndKeepsTheRemainder) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    for (int32_t c = 0; c < kSmokeColumns; ++c)
        m->mColumnAge[c] = 0;
    const float before = m->mPuffX[0][0];
    f.settings.mFrameMs = 2500;
    m->DrawSmoke();
    for (int32_t c = 0; c < kSmokeColumns; ++c)
        EXPECT_EQ(m->mColumnAge[c], 2500 % 1100);
    EXPECT_NEAR(m->mPuffX[0][1], before, 1.0f);
    // No smoke at all with detail 0: nothing moves.
    f.settings.mSmokeDetail = 0;
    m->DrawSmoke();
    EXPECT_EQ(m->mColumnAge[0], 2500 % 1100);
}

TEST(DrawSmoke, ShellsDriftEvenWithoutSmokeAndPickAColumnAgainWhenLost) {
    DrawFixture f;
    BattleScope b;
    b.battle.mWindStrength = 2;
    b.battle.mWindDirection = 180.0f; // blows towards +x
    b.battle.mTurn = 1;
    auto m = FlatMap(4, 4);
    auto* shell = new SmokeShell;
    shell->mX = 30;
    shell->mY = 30;
    shell->mKind = 2;
    shell->mRadius = 8.0f;
    shell->mStartTime = 2400 - 100;
    shell->mDuration = 400;
    m->mSmokeShells->Add(shell);
    f.settings.mSmokeDetail = 0;
    m->DrawSmoke();
    EXPECT_NEAR(shell->mDriftX, 100 * 2 * 0.015f, 1e-4f);
    EXPECT_NEAR(shell->mDriftY, 0.0f, 1e-4f);
    EXPECT_EQ(shell->mColumn, -1);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    f.settings.mSmokeDetail = 2;
    m->DrawSmoke();
    EXPECT_GE(shell->mColumn, 0);
    shell->mX = 500; // drifted off the map
    m->DrawSmoke();
    EXPECT_EQ(shell->mColumn, -1);
}

} // namespace

namespace {

// Every drawn drop or flake, measured back from its corners: within 80 m of
// the camera's ground point (both offsets below 80 and the distance at most
// 80) its size is 0.13 x (distance / 80)^e, e = 0.5 for rain and 0.8 for snow
// at level 0, 0.85 and 1.3 at levels 1 to 4; 0.13 elsewhere; all divided by
// the zoom.
void CheckParticleSizes(int32_t weather, int32_t level, int32_t zoom) {
    DrawFixture f;
    BattleScope b;
    b.battle.mWeather = weather;
    f.settings.mWeatherGraphics = 3;
    f.settings.mZoom = zoom;
    f.settings.mClock = [] { return sNow; };
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, level);
    SeedRandomGenerator(11);
    m->DrawWeather();
    const bool rain = weather == 2 || weather == 3;
    const float e = level == 0 ? (rain ? 0.5f : 0.8f) : (rain ? 0.85f : 1.3f);
    int32_t near = 0, far = 0;
    for (const DrawCall& c : f.recorder.mCalls) {
        if (c.mOp != (rain ? DrawOp::kQuad : DrawOp::kTriangle)) continue;
        const std::vector<float>& a = c.mArgs;
        float x, y, size;
        if (rain) {
            x = 0.5f * (a[0] + a[6]), y = 0.5f * (a[1] + a[7]);
            size = (a[5] - a[2]) / (2.0f * 3.0f * 0.864f * 0.4f);
        } else {
            x = a[3], y = a[4];
            size = (a[5] - a[2]) / (2.0f * 0.864f);
        }
        const float dx = std::fabs(x - 40.0f), dy = std::fabs(y - 40.0f), d = std::hypot(dx, dy);
        if (std::fabs(dx - 80.0f) < 0.01f || std::fabs(dy - 80.0f) < 0.01f || std::fabs(d - 80.0f) < 0.01f) continue;
        const bool inside = dx < 80.0f && dy < 80.0f && d <= 80.0f;
        const float expected = (inside ? 0.13f * std::pow(d / 80.0f, e) : 0.13f) / static_cast<float>(zoom);
        (inside ? near : far) += 1;
        EXPECT_NEAR(size, expected, 2e-4f) << weather << " level " << level << " at " << x << ", " << y;
        if (std::fabs(size - expected) > 2e-4f) return;
    }
    EXPECT_GT(near, 100) << weather << " " << level;
    EXPECT_GT(far, 100) << weather << " " << level;
}

} // namespace

TEST(DrawWeather, ParticlesShrinkTowardTheCameraWithinEightyMetresByWeatherAndLevel) {
    for (int32_t weather : {2, 6})
        for (int32_t level : {0, 1, 4})
            CheckParticleSizes(weather, level, 1);
    CheckParticleSizes(2, 0, 2);
    CheckParticleSizes(6, 2, 4);
}

// The smoke of a burning square by its fire state: size 2 for states 1 to 3,
// 4 for state 5 and 8 otherwise (a puff's width grows with the size); four
// squares of an aligned block above state 5 make one column of 16.
TEST(DrawSmoke, AFiresSmokeIsSizedByItsState) {
    auto width = [](std::initializer_list<int32_t> squares, int8_t state) {
        DrawFixture f;
        auto m = FlatMap(4, 4);
        Aim(*m, 0, 0, 0, 1);
        for (int32_t c = 0; c < kSmokeColumns; ++c)
            m->mColumnAge[c] = 0;
        for (int32_t s : squares)
            m->mFire[s] = state;
        m->DrawSmoke();
        const auto quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
        EXPECT_EQ(quads.size(), 12u) << static_cast<int>(state);
        if (quads.empty()) return 0.0f;
        const std::vector<float>& a = quads[5]->mArgs; // the same puff of each column
        float lo = 1e9f, hi = -1e9f;
        for (size_t k = 0; k < 4; ++k) {
            lo = std::fmin(lo, a[5 * k]);
            hi = std::fmax(hi, a[5 * k]);
        }
        return hi - lo;
    };
    const float two = width({5}, 1);
    ASSERT_GT(two, 0.0f);
    EXPECT_NEAR(width({5}, 2), two, 1e-4f);
    EXPECT_NEAR(width({5}, 3), two, 1e-4f);
    EXPECT_NEAR(width({5}, 4), 4.0f * two, 1e-3f);
    EXPECT_NEAR(width({5}, 5), 2.0f * two, 1e-3f);
    EXPECT_NEAR(width({5}, 6), 4.0f * two, 1e-3f);
    EXPECT_NEAR(width({5}, 7), 4.0f * two, 1e-3f);
    EXPECT_NEAR(width({0, 1, 4, 5}, 6), 8.0f * two, 1e-3f);
}

// A smoke pot's and a shell's smoke column filling the view draw every puff
// (twelve and six), each at its own opacity, as far off.
TEST(DrawSmoke, ANearColumnDrawsEveryPuffAtItsOwnOpacity) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    SetAllVisible(*m, 2);
    m->mCameraHeight = 10.0f;
    for (const int32_t kind : {3, 0})
        for (const float eyeY : {20.0f, -4000.0f}) {
            f.recorder.mCalls.clear();
            m->mEyeX = 40.0f, m->mEyeY = eyeY;
            const int32_t column = m->DrawSmokeColumn(-1, 40.0f, 40.0f, 4.0f, true, kind, false, 1.0f, 1.0f);
            ASSERT_GE(column, 0);
            const auto fades = CallsOf(f.recorder, DrawOp::kOpacity);
            const size_t n = kind == 3 ? 12u : 6u;
            ASSERT_EQ(CallsOf(f.recorder, DrawOp::kTexturedQuad).size(), n) << kind << " " << eyeY;
            ASSERT_EQ(fades.size(), n);
            // Drawn from the last puff to the first.
            for (size_t i = 0; i < n; ++i) {
                const float k = static_cast<float>(n - 1 - i);
                const float t = (k + static_cast<float>(m->mColumnAge[column]) / 1100.0f) / 12.0f;
                EXPECT_FLOAT_EQ(fades[i]->mArgs[0], kind == 3 ? 0.3f - 0.3f * t : 0.6f - 1.2f * t) << i;
            }
        }
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

// Sparks, explosions and flame impacts at chosen slices against hand-worked
// places, through the recording renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SparkGraphic.h"
#include "draw/EffectDraw.h"

using namespace dtest;

namespace {

class Effects : public ::testing::Test {
protected:
    DrawFixture f{false};
    std::unique_ptr<Map> map = FlatMap(20, 20);
    EffectTiming t;
    void SetUp() override {
        t.start = 100;
        t.duration = 40;
        t.x = 200.0f, t.y = 210.0f, t.z = 3.0f;
    }
};

} // namespace

TEST(EffectCamera, FactorByLevelWithLevelFiveBelowFour) {
    EXPECT_EQ(EffectCameraFactor(0), 1.0f);
    EXPECT_EQ(EffectCameraFactor(4), 2.9f);
    EXPECT_EQ(EffectCameraFactor(5), 1.8f);
    EXPECT_EQ(EffectCameraFactor(8), 10.5f);
    EXPECT_EQ(EffectCameraFactor(-2), 1.0f);
    EXPECT_EQ(EffectCameraFactor(40), 10.5f);
}

TEST_F(Effects, SparksFlyUnderGravityFadeAndStopAtTheirEnd) {
    EffectParticle p[2] = {{{4.0f, -2.0f, 10.0f}, {10.0f, 20.0f}, {100.0f, 50.0f}, 0.2f, 1},
                           {{0.0f, 0.0f, -700.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}, 0.2f, 0}};
    // Slice 120: t = 0.5 s, f = 0.5; the second spark has fallen below -15 m.
    DrawSparks(map.get(), t, p, 2, true, 120);
    EXPECT_EQ(Depth(f.recorder), 0);
    const auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0]->mArgs, (std::vector<float>{200.0f, 210.0f, 3.0f}));
    EXPECT_FLOAT_EQ(moves[1]->mArgs[0], 2.0f);
    EXPECT_FLOAT_EQ(moves[1]->mArgs[1], -1.0f);
    EXPECT_FLOAT_EQ(moves[1]->mArgs[2], (10.0f - 4.9f * 0.5f) * 0.5f);
    const auto turns = CallsOf(f.recorder, DrawOp::kRotate);
    EXPECT_EQ(turns[0]->mArgs, (std::vector<float>{1.0f, 60.0f}));
    EXPECT_EQ(turns[1]->mArgs, (std::vector<float>{0.0f, 45.0f}));
    const auto fades = CallsOf(f.recorder, DrawOp::kOpacity);
    ASSERT_EQ(fades.size(), 2u);
    EXPECT_FLOAT_EQ(fades[0]->mArgs[0], 0.5f);
    EXPECT_EQ(fades[1]->mArgs[0], 1.0f);
    // Drawn the same again at the same slice (after a rewind).
    const auto first = f.recorder.mCalls.size();
    DrawSparks(map.get(), t, p, 2, true, 120);
    EXPECT_EQ(f.recorder.mCalls.size(), 2 * first);
    // Before the start nothing; after the end only the frame.
    f.recorder.mCalls.clear();
    DrawSparks(map.get(), t, p, 2, true, 99);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    DrawSparks(map.get(), t, p, 2, true, 141);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0);
    EXPECT_EQ(Depth(f.recorder), 0);
    // A zero duration draws nothing.
    t.duration = 0;
    f.recorder.mCalls.clear();
    DrawSparks(map.get(), t, p, 2, true, 120);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST_F(Effects, ExplosionPuffsGrowFadeAndEndAtTwoThirds) {
    EffectPuff puffs[2] = {{0.0f, {1.0f, 0.0f, 1.0f}, 2.0f, 1.0f, true},
                           {0.5f, {0.0f, 1.0f, 0.0f}, 1.0f, 1.0f, false}};
    GGraphic* pictures[20];
    char cells[20];
    for (int i = 0; i < 20; ++i)
        pictures[i] = reinterpret_cast<GGraphic*>(&cells[i]);
    t.z = 0.0f;
    // Slice 110: f = 0.25, g = 0.375: only the first puff, u = 0.375.
    DrawExplosion(map.get(), t, true, nullptr, 0, 0.0f, puffs, 2, pictures, 110);
    EXPECT_EQ(Depth(f.recorder), 0);
    auto quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 1u);
    const float u = 0.375f;
    EXPECT_FLOAT_EQ(quads[0]->mArgs[2], 2.0f * (1.5f * u + 0.5f)); // half-size in z
    auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
    EXPECT_EQ(moves[0]->mArgs, (std::vector<float>{200.0f, 210.0f, 1.5f})); // raised burst
    EXPECT_FLOAT_EQ(moves[1]->mArgs[0], 1.0f + u);
    EXPECT_FLOAT_EQ(moves[1]->mArgs[2], 2.3f * (1.0f + u));
    const int frame = static_cast<int>(10.0f * std::pow(u, 0.7f));
    EXPECT_EQ(quads[0]->mTexture, pictures[frame]);
    // Slice 126: g = 0.975; the second puff (smoke) has begun and is drawn
    // first; the first is at its last frame.
    f.recorder.mCalls.clear();
    DrawExplosion(map.get(), t, false, nullptr, 0, 0.0f, puffs, 2, pictures, 126);
    quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 2u);
    const float u2 = (0.975f - 0.5f) / 0.5f;
    EXPECT_EQ(quads[0]->mTexture, pictures[10 + static_cast<int>(10.0f * std::pow(u2, 0.7f))]);
    EXPECT_EQ(quads[1]->mTexture, pictures[9]);
    // Beyond two thirds no puff at all.
    f.recorder.mCalls.clear();
    DrawExplosion(map.get(), t, false, nullptr, 0, 0.0f, puffs, 2, pictures, 128);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0);
    EXPECT_EQ(Depth(f.recorder), 0);
}

TEST_F(Effects, ShardsAboveTheirFloorOnly) {
    EffectParticle shards[2] = {{{0.0f, 0.0f, 5.0f}, {0, 0}, {0, 0}, 0.1f, 3},
                                {{0.0f, 0.0f, 0.0f}, {0, 0}, {0, 0}, 0.1f, 3}};
    // t = 1 s: heights 0.1 and -4.9; floor -2.
    DrawExplosion(map.get(), t, false, shards, 2, -2.0f, nullptr, 0, nullptr, 140);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 1);
    EXPECT_EQ(Depth(f.recorder), 0);
}

TEST_F(Effects, FlameImpactGrowsAndShrinksOnlyOnAVisibleTile) {
    map->mCameraLevel[0] = 1;
    DrawFlameImpact(map.get(), t, false, 99);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    DrawFlameImpact(map.get(), t, true, 110);
    EXPECT_GT(f.recorder.Polygons(), 0);
    const auto fades = CallsOf(f.recorder, DrawOp::kOpacity);
    ASSERT_EQ(fades.size(), 2u);
    EXPECT_EQ(fades[0]->mArgs[0], 0.9f);
    EXPECT_EQ(fades[1]->mArgs[0], 1.0f);
    SetAllVisible(*map, 0);
    f.recorder.mCalls.clear();
    DrawFlameImpact(map.get(), t, true, 110);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    t.x = 1.0e9f;
    DrawFlameImpact(map.get(), t, true, 110);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

// The battle's own effect list drawn by the frame at the playback slice: each
// kind reaches its drawing, the puffs take the map's explosion pictures, and
// a slice drawn again after a later one (a rewind) gives the same calls.
TEST(EffectList, TheFrameDrawsEveryEffectAtThePlaybackSliceWithTheMapsExplosionPictures) {
    DrawFixture f(false);
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    battle.mMap = FlatMap(20, 20).release();
    Map& map = *battle.mMap;
    map.MakeTextures(false);
    Aim(map, 100.0f, 100.0f, 0.0f, 1);

    auto* blast = new ExplosionGraphic;
    blast->mStart = 100, blast->mDuration = 40;
    blast->mX = 200.0f, blast->mY = 210.0f;
    blast->mPuffCount = 2;
    blast->mPuffs[0] = {0.0f, {0.0f, 0.0f, 0.0f}, 2.0f, 1.0f, true};
    blast->mPuffs[1] = {0.5f, {0.0f, 1.0f, 0.0f}, 1.0f, 1.0f, false};
    auto* sparks = new SparkGraphic;
    sparks->mStart = 100, sparks->mDuration = 40;
    sparks->mX = 150.0f, sparks->mY = 150.0f;
    sparks->mUsesSparkTextures = true;
    sparks->mParticleCount = 1;
    sparks->mParticles[0] = {{2.0f, 0.0f, 8.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}, 0.1f, 2};
    auto* shell = new ShellGraphic;
    shell->mStart = 100, shell->mDuration = 100;
    shell->mLook = 1;
    shell->mHeavyShell = true;
    shell->mX = 10.0f, shell->mY = 20.0f;
    shell->mTargetX = 110.0f, shell->mTargetY = 20.0f;
    auto* flame = new FlameImpactGraphic;
    flame->mStart = 150, flame->mDuration = 40; // begins after the slices drawn here
    flame->mX = 120.0f, flame->mY = 120.0f;
    for (Ephemeral* e : std::initializer_list<Ephemeral*>{blast, sparks, shell, flame})
        battle.mEffects.Add(e);

    auto frameAt = [&](int32_t slice) {
        battle.mPlayNow = slice;
        f.recorder.mCalls.clear();
        f.recorder.mBound = nullptr; // each frame starts with no texture bound
        map.DrawEphemerals();
        return f.recorder.mCalls;
    };
    // Slice 110: the explosion is a quarter through, g = 0.375: only the
    // fiery puff, u = 0.375, frame trunc(10 x 0.375^0.7) = trunc(5.03) = 5.
    const std::vector<DrawCall> first = frameAt(110);
    EXPECT_EQ(Depth(f.recorder), 0);
    std::vector<int32_t> puffs;
    for (const DrawCall* q : CallsOf(f.recorder, DrawOp::kTexturedQuad)) {
        const int32_t n = f.shop.NumberOf(q->mTexture);
        if (n >= 1720 && n < 1740) puffs.push_back(n);
    }
    EXPECT_EQ(puffs, (std::vector<int32_t>{1725}));
    // The spark with its spark picture 2; the shell a tenth of its way from
    // x = 10 to 110.
    bool spark = false;
    for (const DrawCall* q : CallsOf(f.recorder, DrawOp::kTexturedQuad))
        spark = spark || f.shop.NumberOf(q->mTexture) == 1232;
    EXPECT_TRUE(spark);
    bool shellOnItsWay = false;
    for (const DrawCall* m : CallsOf(f.recorder, DrawOp::kTranslate))
        shellOnItsWay = shellOnItsWay || m->mArgs[0] == 20.0f;
    EXPECT_TRUE(shellOnItsWay);

    // Slice 126: g = 0.975; the smoke puff (drawn first) at u = 0.95, frame
    // trunc(10 x 0.95^0.7) = trunc(9.65) = 9; the fiery one at u = 0.975,
    // trunc(9.82) = 9.
    frameAt(126);
    puffs.clear();
    for (const DrawCall* q : CallsOf(f.recorder, DrawOp::kTexturedQuad)) {
        const int32_t n = f.shop.NumberOf(q->mTexture);
        if (n >= 1720 && n < 1740) puffs.push_back(n);
    }
    EXPECT_EQ(puffs, (std::vector<int32_t>{1739, 1729}));
    // Back to slice 110 after a rewind: the very same calls.
    const std::vector<DrawCall> again = frameAt(110);
    ASSERT_EQ(again.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(again[i].mOp, first[i].mOp) << i;
        EXPECT_EQ(again[i].mArgs, first[i].mArgs) << i;
        EXPECT_EQ(again[i].mTexture, first[i].mTexture) << i;
    }
    map.DeleteTextures();
    gBattle = old;
}

namespace {

// A collapsing building's dust near the eye: every puff is drawn, each
// turned about y after facing the camera by the first shard's start angle
// and half its spin rate times the puff's age u; without shards, by 0.
TEST_F(Effects, EveryRubblePuffIsDrawnTurnedByTheFirstShard) {
    EffectPuff puffs[3] = {{0.0f, {1.0f, 0.0f, 1.0f}, 4.0f, 1.0f, false},
                           {0.0f, {1.2f, 0.0f, 1.0f}, 4.0f, 1.0f, false},
                           {0.5f, {-9.0f, 0.0f, 1.0f}, 4.0f, 1.0f, false}};
    EffectParticle shards[1] = {{{0.0f, 0.0f, 5.0f}, {30.0f, 7.0f}, {40.0f, 9.0f}, 0.1f, 3}};
    map->mCameraHeight = 20.0f;
    map->mEyeX = 200.0f, map->mEyeY = 190.0f; // 8.5 m wide puffs some 28 m off
    // Slice 120: g = 0.75; u = 0.5 for the last puff (drawn first), 0.75 for the others.
    for (const int n : {1, 0}) {
        f.recorder.mCalls.clear();
        DrawExplosion(map.get(), t, false, shards, n, 100.0f, puffs, 3, nullptr, 120);
        std::vector<float> spins, last{0.0f, 0.0f};
        for (const DrawCall& c : f.recorder.mCalls) {
            if (c.mOp == DrawOp::kRotate) last = c.mArgs;
            if (c.mOp == DrawOp::kTexturedQuad && last[0] == 1.0f) spins.push_back(last[1]);
        }
        const float a = 30.0f * n, r = 0.5f * 40.0f * n;
        EXPECT_EQ(spins, (std::vector<float>{a + r * 0.5f, a + r * 0.75f, a + r * 0.75f})) << n;
        EXPECT_EQ(Depth(f.recorder), 0);
    }
}

} // namespace

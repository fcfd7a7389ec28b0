// Shells, bursts and flame streams at chosen slices against hand-worked
// positions; every look leaves the stack and the flags as found.
#include <gtest/gtest.h>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/ShellGraphic.h"
#include "draw/EffectDraw.h"
#include "units/Infantry.h"

using namespace dtest;

namespace {

ShellView Flight(int32_t look, int32_t duration) {
    ShellView s;
    s.look = look;
    s.t.duration = duration;
    s.t.x = 10.0f, s.t.y = 20.0f;
    s.targetX = 110.0f, s.targetY = 20.0f;
    return s;
}

std::vector<std::vector<float>> Moves(const DrawRecorder& r) {
    std::vector<std::vector<float>> m;
    for (const DrawCall* c : CallsOf(r, DrawOp::kTranslate))
        m.push_back(c->mArgs);
    return m;
}

} // namespace

TEST(ShellDrawing, AShellFollowsItsArcFromItsAge) {
    DrawFixture f(false);
    auto map = FlatMap(10, 10);
    DrawShell(map.get(), Flight(1, 100), 50);
    const auto m = Moves(f.recorder);
    ASSERT_FALSE(m.empty());
    EXPECT_FLOAT_EQ(m[0][0], 60.0f);
    EXPECT_FLOAT_EQ(m[0][1], 20.0f);
    EXPECT_NEAR(m[0][2], 0.25f * 0.00305f * 100.0f * 100.0f, 1e-4f);
    // Not yet clear of the muzzle (3.16 m), at its end, and past it.
    for (int32_t slice : {3, 0, 101}) {
        f.recorder.mCalls.clear();
        DrawShell(map.get(), Flight(1, 100), slice);
        EXPECT_EQ(f.recorder.Polygons(), 0) << slice;
    }
    f.recorder.mCalls.clear();
    DrawShell(map.get(), Flight(1, 100), 100);
    EXPECT_GT(f.recorder.Polygons(), 0);
}

TEST(ShellDrawing, ABurstsShotsLeaveAtEvenIntervals) {
    DrawFixture f(false);
    auto map = FlatMap(10, 10);
    const ShellLook l = ShellLookOf(24);
    EXPECT_EQ(l.shots, 4);
    EXPECT_FLOAT_EQ(l.speed, 2.9f);
    DrawShell(map.get(), Flight(24, 116), 20);
    // Shot 1 (held back 13.3 slices) has flown 6 slices, shot 0 twenty.
    const auto m = Moves(f.recorder);
    ASSERT_EQ(m.size(), 2u);
    const float c = 0.00305f * 40.0f * 40.0f;
    EXPECT_NEAR(m[0][0], 10.0f + 15.0f, 1e-3f);
    EXPECT_NEAR(m[0][2], (0.25f - 0.35f * 0.35f) * c, 1e-3f);
    EXPECT_NEAR(m[1][0], 10.0f + 50.0f, 1e-3f);
    EXPECT_EQ(Depth(f.recorder), 0);
    // A tracer is long: 13 times its width.
    const auto scales = CallsOf(f.recorder, DrawOp::kScale);
    ASSERT_FALSE(scales.empty());
    EXPECT_FLOAT_EQ(scales[0]->mArgs[0], 13.0f * 0.04f);
}

TEST(ShellDrawing, EveryLookLeavesTheStackOpacityAndCullingAsFound) {
    DrawFixture f(false);
    auto map = FlatMap(10, 10);
    static float pellets[600 * 3] = {};
    for (int32_t look = -1; look <= 30; ++look) {
        for (int32_t slice : {0, 17, 40, 99}) {
            ShellView s = Flight(look, 80);
            s.flightSlices = 30;
            s.pellets = pellets;
            s.t.z = look == 4 && slice == 40 ? 200.0f : 0.0f; // a high launch trails the path
            f.recorder.mCalls.clear();
            DrawShell(map.get(), s, slice);
            EXPECT_EQ(Depth(f.recorder), 0) << look;
            bool cull = true;
            float opacity = 1.0f;
            for (const DrawCall& c : f.recorder.mCalls) {
                if (c.mOp == DrawOp::kCull) cull = c.mArgs[0] != 0.0f;
                if (c.mOp == DrawOp::kOpacity) opacity = c.mArgs[0];
            }
            EXPECT_TRUE(cull) << look;
            EXPECT_EQ(opacity, 1.0f) << look;
        }
    }
}

TEST(ShellDrawing, AFlameStreamGrowsBurnsAtItsEndAndShrinks) {
    DrawFixture f(false);
    auto map = FlatMap(10, 10);
    ShellView s = Flight(18, 120);
    s.flightSlices = 30;
    auto strips = [&](int32_t slice) {
        f.recorder.mCalls.clear();
        DrawShell(map.get(), s, slice);
        EXPECT_EQ(Depth(f.recorder), 0);
        return f.recorder.Count(DrawOp::kTextureStrip);
    };
    EXPECT_EQ(strips(15), 10); // half way out: ten segments of twenty
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0);
    EXPECT_EQ(strips(34), 20);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0); // the patch shows after F + 4
    EXPECT_EQ(strips(35), 20);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 4);
    EXPECT_EQ(strips(105), 10); // the tail has left half the path
}

TEST(ShellDrawing, TheReplaysShellObjectIsDrawnAsTheViewerMaySeeIt) {
    DrawFixture f(false);
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    battle.mMap = FlatMap(10, 10).release();
    ShellGraphic shell;
    shell.mLook = 1;
    shell.mDuration = 100;
    shell.mHeavyShell = true;
    shell.mX = 10.0f, shell.mY = 20.0f;
    shell.mTargetX = 110.0f, shell.mTargetY = 20.0f;
    DrawEphemeralEffect(&shell, 50);
    EXPECT_GT(f.recorder.Polygons(), 0);
    EXPECT_EQ(Depth(f.recorder), 0);
    const auto m = Moves(f.recorder);
    ASSERT_FALSE(m.empty());
    EXPECT_FLOAT_EQ(m[0][0], 60.0f);
    // An enemy's heavy shell is not shown.
    Infantry firer;
    firer.mSide = battle.mMap->ViewingSide() == kAxis ? 0 : 1; // set for the Axis
    shell.mFirer = &firer;
    f.recorder.mCalls.clear();
    DrawEphemeralEffect(&shell, 50);
    EXPECT_EQ(f.recorder.Polygons(), 0);
    gBattle = old;
}

// The replay's clouds and fires as the battle hands them over: smoke rounds,
// pots and dust read from the map's smoke shells, the dust of a collapsing
// building culled by its box, a flame near the camera drawn clipped, and the
// progress window moved on while the map's pictures are made.
#include <gtest/gtest.h>

#include <cmath>

#include "DrawTestUtil.h"
#include "battle/BattleHost.h"
#include "battle/ExplosionGraphic.h"
#include "battle/SmokeShell.h"
#include "draw/EffectDraw.h"

using namespace dtest;

namespace {

SmokeShell* AddShell(Map& m, int32_t kind, float x, float y, int32_t start) {
    auto* s = new SmokeShell;
    s->mX = x;
    s->mY = y;
    s->mKind = kind;
    s->mRadius = 10.0f;
    s->mStartTime = start;
    s->mDuration = 800;
    s->mColumn = -1;
    m.mSmokeShells->Add(s);
    return s;
}

// The places the smoke drawing moved to with a smoke texture bound next.
std::vector<std::vector<float>> PuffBases(const DrawRecorder& r, GGraphic* smoke) {
    std::vector<std::vector<float>> bases;
    for (size_t k = 0; k + 1 < r.mCalls.size(); ++k)
        if (r.mCalls[k].mOp == DrawOp::kTexture && r.mCalls[k + 1].mOp == DrawOp::kPush &&
            k + 2 < r.mCalls.size() && r.mCalls[k + 2].mOp == DrawOp::kTranslate &&
            r.mCalls[k + 2].mTexture == smoke)
            bases.push_back(r.mCalls[k + 2].mArgs);
    return bases;
}

// Every polygon drawn, quads included.
int Drawn(const DrawRecorder& r) {
    return Primitives(r) + r.Count(DrawOp::kTexturedQuad) + r.Count(DrawOp::kQuad);
}

} // namespace

TEST(ReplaySmoke, ARoundIsDrawnAtItsCentreFromItsStartAndADustCloudTheSameAfterARewind) {
    DrawFixture f;
    BattleScope b;
    b.battle.mTurn = 1;
    b.battle.mWindStrength = 3;
    b.battle.mWindDirection = 270.0f; // drives the dust towards +y
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    f.settings.mSmokeDetail = 2;
    SmokeShell* round = AddShell(*m, 0, 30.0f, 20.0f, 2400 + 200);

    b.battle.mPlayNow = 199; // not formed yet
    m->DrawSmoke();
    EXPECT_TRUE(PuffBases(f.recorder, m->mSmokeTextures[0]).empty());
    b.battle.mPlayNow = 200;
    f.recorder.mCalls.clear();
    m->DrawSmoke();
    const auto bases = PuffBases(f.recorder, m->mSmokeTextures[0]);
    ASSERT_EQ(bases.size(), 1u);
    EXPECT_EQ(bases[0], (std::vector<float>{30.0f, 20.0f, m->GetZCoord(30.0f, 20.0f)}));
    EXPECT_GE(round->mColumn, 0);
    EXPECT_GT(f.recorder.Count(DrawOp::kTexturedQuad), 0);

    // Dust: its drift and column at a slice are the same whether the frames
    // before were drawn or the replay was wound to that slice.
    SmokeShell* dust = AddShell(*m, 2, 30.0f, 20.0f, 2400 + 100);
    for (int32_t slice = 100; slice <= 300; slice += 25) {
        b.battle.mPlayNow = slice;
        m->DrawSmoke();
    }
    const float driftX = dust->mDriftX, driftY = dust->mDriftY;
    const int32_t column = dust->mColumn;
    EXPECT_NEAR(driftX, 0.0f, 1e-4f);
    EXPECT_NEAR(driftY, 200 * 4 * 0.015f, 1e-3f);
    auto* again = AddShell(*m, 2, 30.0f, 20.0f, 2400 + 100);
    m->DrawSmoke();
    EXPECT_EQ(again->mDriftX, driftX);
    EXPECT_EQ(again->mDriftY, driftY);
    EXPECT_EQ(again->mColumn, column);
}

TEST(ReplaySmoke, DamagedShellsDrawNothingAndFailNothing) {
    DrawFixture f;
    BattleScope b;
    b.battle.mTurn = 1;
    b.battle.mPlayNow = 500;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    f.settings.mSmokeDetail = 2;
    SmokeShell* nan = AddShell(*m, 0, std::nanf(""), 20.0f, 2400);
    SmokeShell* off = AddShell(*m, 1, -50.0f, 1.0e9f, 2400);
    SmokeShell* flat = AddShell(*m, 2, 30.0f, 30.0f, 2400);
    flat->mRadius = 0.0f;
    flat->mDuration = 0; // no division by zero
    SmokeShell* odd = AddShell(*m, 7, 30.0f, 30.0f, 2400);
    odd->mRadius = -3.0f;
    m->DrawSmoke();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0);
    for (SmokeShell* s : {nan, off, flat, odd})
        EXPECT_EQ(s->mColumn, -1);
    EXPECT_TRUE(std::isfinite(flat->mDriftX));
}

TEST(ReplayRubble, ACollapsingBuildingsCloudIsLeftOutOnlyWhenItsBoxLeavesTheView) {
    DrawFixture f(true, 160, 120);
    BattleScope b;
    auto m = FlatMap(40, 40);
    b.battle.mMap = m.get();
    m->MakeTextures(false);
    ExplosionGraphic cloud;
    cloud.mRubble = true;
    cloud.mRaisedBurst = true;
    cloud.mBurstKind = 1;
    cloud.mBlast = 60.0f;
    cloud.mX = 400.0f;
    cloud.mY = 400.0f;
    cloud.mStart = 0;
    cloud.mDuration = 300;
    cloud.CreateShards();
    Aim(*m, 400.0f, 300.0f, 1.5707963f, 1); // looking at it
    m->DrawMap();
    f.recorder.mCalls.clear();
    DrawEphemeralEffect(&cloud, 20);
    EXPECT_GT(Drawn(f.recorder), 0);
    Aim(*m, 400.0f, 300.0f, -1.5707963f, 1); // turned away
    m->DrawMap();
    f.recorder.mCalls.clear();
    DrawEphemeralEffect(&cloud, 20);
    EXPECT_EQ(Drawn(f.recorder), 0);
    b.battle.mMap = nullptr;
}

TEST(ReplayFire, AFlameImpactOnATileWhollyInViewIsDrawnClipped) {
    DrawFixture f(true, 160, 120);
    BattleScope b;
    auto m = FlatMap(4, 4, 2);
    m->MakeTextures(false);
    d3::SetClip(false);
    f.recorder.mCalls.clear();
    DrawFlameImpact(m.get(), EffectTiming{0, 100, 30.0f, 30.0f, 0.0f}, false, 50);
    const auto clips = CallsOf(f.recorder, DrawOp::kClip);
    ASSERT_EQ(clips.size(), 2u);
    EXPECT_EQ(clips[0]->mArgs[0], 1.0f);
    EXPECT_EQ(clips[1]->mArgs[0], 0.0f); // put back
    EXPECT_GT(Drawn(f.recorder), 0);
    EXPECT_FALSE(d3::GetClip());
    // On a tile at the view's edge the clip is the unit's already.
    SetAllVisible(*m, 1);
    f.recorder.mCalls.clear();
    DrawFlameImpact(m.get(), EffectTiming{0, 100, 30.0f, 30.0f, 0.0f}, false, 50);
    EXPECT_TRUE(CallsOf(f.recorder, DrawOp::kClip).empty());
}

namespace {
class ProgressHost : public BattleHost {
public:
    void UpdateProgressWindow() override { ++mUpdates; }
    int32_t mUpdates = 0;
};
} // namespace

TEST(ReplayTextures, TheProgressWindowMovesOnBetweenGroupsOfMapTextures) {
    DrawFixture f(false);
    BattleScope b;
    ProgressHost host;
    b.battle.mHost = &host;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    EXPECT_GE(host.mUpdates, 3);
    b.battle.mHost = nullptr;
}

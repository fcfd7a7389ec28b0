// The frame: order of drawing, the pick groups of both passes, the unit
// enlargement values, the sound upkeep and warning labels.
#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "draw/DrawTables.h"
#include "units/Unit.h"

using namespace dtest;

namespace {

class CountingUnit : public Unit {
public:
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

void MakeAllTextures(Map& m) {
    m.MakeTextures(false);
}

int32_t FirstIndex(const DrawRecorder& r, DrawOp op) {
    for (size_t i = 0; i < r.mCalls.size(); ++i)
        if (r.mCalls[i].mOp == op) return static_cast<int32_t>(i);
    return -1;
}

TEST(DrawFrame, NormalPassBeginsWithTheSkyAndPickPassEndsWithItInAGroupOfItsOwn) {
    DrawFixture f;
    auto m = FlatMap(8, 8);
    Aim(*m, 80, 80, 0.0f, 1);
    MakeAllTextures(*m);
    f.recorder.mCalls.clear();
    m->DrawMap();
    // Normal pass: the first polygon is a sky panel, no pick groups.
    const DrawCall* first = CallsOf(f.recorder, DrawOp::kTexturedQuad).front();
    EXPECT_EQ(f.shop.NumberOf(first->mTexture), 1400); // clear midday sky
    EXPECT_EQ(f.recorder.Count(DrawOp::kPickGroup), 0);

    f.recorder.mCalls.clear();
    g3D->mPickPass = 1;
    m->DrawMap();
    g3D->mPickPass = 0;
    // Pick pass: three groups, units first (none here), the outside world last.
    auto groups = CallsOf(f.recorder, DrawOp::kPickGroup);
    ASSERT_EQ(groups.size(), 3u);
    int32_t second = -1, seen = 0;
    for (size_t i = 0; i < f.recorder.mCalls.size(); ++i)
        if (f.recorder.mCalls[i].mOp == DrawOp::kPickGroup && ++seen == 2) second = static_cast<int32_t>(i);
    bool skyAfter = false;
    for (size_t i = second; i < f.recorder.mCalls.size(); ++i)
        if (f.recorder.mCalls[i].mOp == DrawOp::kTexturedQuad &&
            f.shop.NumberOf(f.recorder.mCalls[i].mTexture) == 1400)
            skyAfter = true;
    EXPECT_TRUE(skyAfter);
    // The units' group is closed before any ground is drawn.
    EXPECT_LT(FirstIndex(f.recorder, DrawOp::kPickGroup), FirstIndex(f.recorder, DrawOp::kTexturedQuad));
}

TEST(DrawFrame, BothPickPassesDrawTheSamePolygonsInTheSameOrder) {
    DrawFixture f;
    auto m = FlatMap(12, 12);
    ShapeMap(*m, [](float x, float y) { return 0.05f * x + 0.02f * y; });
    Aim(*m, 40, 120, 0.0f, 1);
    m->mClipDirty = true;
    auto pass = [&](int32_t p) {
        f.recorder.mCalls.clear();
        g3D->mPickPass = p;
        m->DrawMap();
        std::vector<std::vector<float>> polys;
        for (const DrawCall& c : f.recorder.mCalls)
            if (c.mOp == DrawOp::kTexturedQuad || c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kQuad)
                polys.push_back(c.mArgs);
        return polys;
    };
    const auto one = pass(1);
    const auto two = pass(2);
    g3D->mPickPass = 0;
    EXPECT_GT(one.size(), 10u);
    EXPECT_EQ(one, two);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

TEST(DrawFrame, DrawModeBelowTwoDrawsNothingAndClearsTheDrawnFlag) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    static int32_t twoD = 0;
    twoD = 0;
    gDrawHooks.viewDraw2D = [](Map*) { ++twoD; };
    for (int32_t mode : {0, 1}) {
        sMapDrawn = true;
        m->mDrawMode = mode;
        m->DrawMap();
        EXPECT_FALSE(sMapDrawn);
    }
    EXPECT_EQ(twoD, 1);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST(DrawFrame, UnitScaleTablesBlendDuringALevelChange) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    float a, b, c;
    m->mCameraLevel[0] = 3;
    f.settings.mUnitScale = 0;
    UnitScaleArguments(m.get(), &a, &b, &c);
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(b, 0.0f);
    EXPECT_EQ(c, 0.0f);
    f.settings.mUnitScale = 2;
    m->mPreviousCameraLevel = 2;
    m->mLevelTransition = 0.25f;
    UnitScaleArguments(m.get(), &a, &b, &c);
    EXPECT_FLOAT_EQ(a, 1.70f * 0.75f + 1.60f * 0.25f);
    EXPECT_FLOAT_EQ(b, 0.43f * 0.75f + 0.41f * 0.25f);
    // A damaged level reads as the nearest valid one.
    m->mCameraLevel[0] = 40;
    m->mLevelTransition = 0.0f;
    UnitScaleArguments(m.get(), &a, &b, &c);
    EXPECT_FLOAT_EQ(a, 3.00f);
}

TEST(DrawFrame, EveryUnitIsDrawnOnceInListOrderAndEffectsOnlyOutsidePicking) {
    DrawFixture f;
    BattleScope scope;
    auto m = FlatMap(4, 4);
    for (int32_t k = 0; k < 3; ++k) {
        auto* u = new CountingUnit;
        u->mX = 10.0f + k;
        scope.battle.mUnits->Add(u);
    }
    static int32_t effects = 0;
    effects = 0;
    gDrawHooks.drawEffect = [](GObject*) { ++effects; };
    scope.battle.mEffects.Add(new GObject);
    m->DrawEphemerals();
    g3D->mPickPass = 1;
    m->DrawEphemerals();
    g3D->mPickPass = 0;
    EXPECT_EQ(effects, 1);
    scope.battle.mSetupPhase = false;
    m->DrawMap(); // the units' own drawing is theirs; the pass must not fail
    SUCCEED();
}

TEST(DrawFrame, SoundsArePrunedEveryFrameAndMovedEveryHalfSecond) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    static int32_t updates = 0, loops = 0;
    updates = loops = 0;
    gDrawHooks.soundComplete = [](GObject*) { return false; };
    gDrawHooks.soundUpdate = [](GObject*) { ++updates; };
    gDrawHooks.loopUpdate = [](GObject*) { ++loops; };
    m->mSounds->Add(new GObject);
    m->mSoundLoops->Add(new GObject);
    ResetFrameSoundClock();
    f.settings.mFrameMs = 1200;
    m->DrawMap(); // 1200 ms: one step, 700 left
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(loops, 1);
    f.settings.mFrameMs = 1;
    m->DrawMap(); // 701: another step
    EXPECT_EQ(updates, 2);
    ResetFrameSoundClock();
    f.settings.mFrameMs = 500;
    m->DrawMap(); // exactly 500 runs no step
    EXPECT_EQ(updates, 2);
    gDrawHooks.soundComplete = [](GObject*) { return true; };
    m->DrawMap();
    EXPECT_EQ(m->mSounds->GetCount(), 0);
}

TEST(DrawFrame, WarningLabelsOnlyForPointsInFrontOfTheEye) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0.0f, 1);
    m->PositionCamera();
    static int32_t labels = 0;
    labels = 0;
    gDrawHooks.showWarningLabel = [](Map*, int32_t, int32_t, GString*, int32_t, GString*, int32_t) {
        ++labels;
    };
    m->ShowWarningLabel(nullptr, 0, nullptr, 0, 300.0f, 200.0f, 0.0f); // ahead along +x
    EXPECT_EQ(labels, 1);
    m->ShowWarningLabel(nullptr, 0, nullptr, 0, 50.0f, 200.0f, 0.0f); // behind the eye
    EXPECT_EQ(labels, 1);
    m->ShowWarningLabel(nullptr, 0, nullptr, 0, NAN, 200.0f, 0.0f);
    EXPECT_EQ(labels, 1);
}

TEST(DrawFrame, WallsDrawOnlyTheirOwnTypesWithTheirTextures) {
    DrawFixture f;
    auto m = FlatMap(8, 8);
    Aim(*m, 80, 80, 0.0f, 1);
    m->PositionCamera();
    for (Terrain t : {41, 42, 43, 44, 16, 17}) {
        auto* w = new Wall;
        w->IWall(t, 130, 70, 130, 90, 1.5f);
        w->SetModelCoords(130, 80, 0, 1, 21, 1.5f);
        m->mWalls->Add(w);
    }
    MakeAllTextures(*m);
    f.recorder.mCalls.clear();
    m->DrawWalls();
    // Five drawn types, two quads each (side and top); type 17 is never drawn.
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 10);
    std::vector<int32_t> pictures;
    for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad))
        pictures.push_back(f.shop.NumberOf(c->mTexture));
    EXPECT_EQ(pictures, (std::vector<int32_t>{1217, 1216, 1208, 1208, 1225, 1225, 1217, 1217, 1235, 1236}));
}

} // namespace

namespace {

TEST(DrawFrame, WithoutARendererOrBattleAFrameDrawsOnlyTheOutsideWorld) {
    DrawFixture f(false);
    auto m = FlatMap(6, 6);
    m->MakeTextures(false);
    m->mFire[3] = 6;
    Aim(*m, 50, 50, 0, 1);
    m->mClipDirty = true;
    m->DrawMap();
    // No renderer: every tile counts as unseen, so only the world beyond
    // the map (sky, outside ground and marker) is handed on.
    EXPECT_EQ(f.recorder.Polygons(), 3 * 128 + 4 + 1);
    for (uint8_t v : m->mSuperTileVisibility)
        EXPECT_EQ(v, 0);
    m->DeleteTextures();
    EXPECT_EQ(f.shop.deleted, static_cast<int32_t>(f.shop.made.size()));
}

} // namespace

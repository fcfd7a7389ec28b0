// Overlays, set-up zones, exit zones, flags, lines and the outside world.
#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/VictoryFlag.h"
#include "draw/DrawTables.h"

using namespace dtest;

namespace {

std::vector<float> Lifts(const DrawRecorder& r) {
    std::vector<float> z;
    for (const DrawCall* c : CallsOf(r, DrawOp::kTranslate))
        z.push_back(c->mArgs[2]);
    return z;
}

TEST(DrawOverlays, PickPassDrawsNoneAndTheMatrixIsLeftAsFound) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    m->mSquares[5].mOverlay[0] = 23;
    g3D->mPickPass = 1;
    m->DrawOverlays();
    g3D->mPickPass = 0;
    EXPECT_TRUE(f.recorder.mCalls.empty());
    m->DrawOverlays();
    EXPECT_EQ(f.recorder.Count(DrawOp::kPush), f.recorder.Count(DrawOp::kPop));
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
    EXPECT_EQ(f.recorder.Polygons(), 1);
}

TEST(DrawOverlays, RoadsAndEdgesLieHigherAndPlainGroundDrawsOnlyItsEdges) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, 6); // gap 0.85 at level 6
    Square& s = m->mSquares[0];
    s.mOverlay[0] = 0;      // plain ground: no overlay
    s.mEdge[3 * 2 + 1] = 1; // side 2, kind 1
    s.mOverlay[1] = 13;
    m->MakeTextures(false);
    f.recorder.mCalls.clear();
    m->DrawOverlays();
    const float lift = 0.85f * 0.8f, e = lift * 0.4f * 2.0f;
    // Tile lift, edge raise and its undo, slot 1's raise and undo, tile undo.
    EXPECT_EQ(Lifts(f.recorder), (std::vector<float>{lift, e, -e, e, -e, -lift}));
    auto quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_EQ(f.shop.NumberOf(quads[0]->mTexture), 612); // edge kind 1
    EXPECT_EQ(quads[0]->mArgs[3], 1.0f);                 // row 10: full uv, turned
    EXPECT_EQ(f.shop.NumberOf(quads[1]->mTexture), 612); // code 13 also uses index 12
}

TEST(DrawOverlays, TreeCodesThinOutAtLowCamerasUnlessTreesAreOff) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    Aim(*m, 2000, 40, 0, 1); // far away: low resolution
    m->mScreenWidth = 800;
    m->mFieldOfView = 50;
    m->mSquares[0].mOverlay[0] = 21;
    m->mSquares[0].mEdge[0] = 1;
    m->DrawOverlays();
    EXPECT_EQ(f.recorder.Polygons(), 0);
    f.settings.mTreeDensity = 0;
    m->DrawOverlays();
    EXPECT_EQ(f.recorder.Polygons(), 2);
}

TEST(DrawOverlays, FarTilesDrawSideSquaresAsQuadsAndTheOthersAsFans) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    for (Square& s : m->mSquares)
        s.mOverlay[0] = 4;
    m->mFarTileDrawn[0] = 1;
    m->DrawOverlays();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 8);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTextureFan), 8);
}

TEST(DrawSetupZones, OnlyTheViewersZonesAreOutlinedAndHighCodesTakeTheLastColour) {
    DrawFixture f;
    BattleScope b;
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, 6);
    m->mSquares[0].mSetupZone = 2;  // Allies: not seen by side 0
    m->mSquares[5].mSetupZone = 15; // a code the colour table does not hold
    m->DrawSetupZones();
    auto colours = CallsOf(f.recorder, DrawOp::kColor);
    ASSERT_EQ(colours.size(), 1u);
    EXPECT_EQ(colours[0]->mArgs, (std::vector<float>{1.0f, 1.0f, 0.08f}));
    // Alone in its zone: four walls with caps at a high camera.
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 8);
    f.recorder.mCalls.clear();
    f.settings.mHideGameAids = true;
    m->DrawSetupZones();
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST(DrawSetupZones, NeighboursOfTheSameCodeShareNoWall) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, 6);
    m->mSquares[0].mSetupZone = 4;
    m->mSquares[1].mSetupZone = 4; // (0, 1), above square (0, 0)
    m->DrawSetupZones();
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 12); // three walls each, capped
}

TEST(DrawExitZone, BandsSlopeFromLowCamerasAndLieFlatFromHighOnes) {
    DrawFixture f;
    auto m = FlatMap(4, 6);
    m->mLowestEdgeElevation[2] = 7.0f;
    Aim(*m, 40, 40, 0, 1);
    m->DrawExitZone(2, true);
    auto q = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0]->mArgs[0], 80.0f);
    EXPECT_EQ(q[0]->mArgs[2], 7.0f);
    EXPECT_EQ(q[0]->mArgs[7], 20.0f);
    EXPECT_FLOAT_EQ(q[0]->mArgs[13], 120.0f * 0.025f);
    f.recorder.mCalls.clear();
    m->mCameraLevel[0] = 5;
    m->DrawExitZone(2, false);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kTexturedQuad)[0]->mArgs[7], 7.5f);
    f.recorder.mCalls.clear();
    m->DrawExitZone(9, true);
    EXPECT_EQ(f.recorder.Polygons(), 0);
}

TEST(DrawFlags, ClothsByHolderNeutralAndDecoyAndFlagsOnRoofs) {
    DrawFixture f;
    BattleScope b;
    auto m = FlatMap(8, 8);
    Aim(*m, 80, 80, 0, 1);
    m->mEyeX = 80;
    m->mEyeY = 40; // straight south of the flags: bearing 270 without a division
    m->MakeTextures(false);
    m->MakeNationalTextures(4);
    b.battle.mAttacker = 0; // side 0 knows which candidate is real
    VictoryFlag decoy;
    decoy.mX = decoy.mY = 80;
    decoy.mCandidate = true;
    decoy.mNeutral = false;
    decoy.mHolderNation = 4;
    f.recorder.mCalls.clear();
    m->DrawOneFlag(&decoy);
    auto quads = CallsOf(f.recorder, DrawOp::kTexturedQuad);
    EXPECT_EQ(f.shop.NumberOf(quads.back()->mTexture), 450); // the neutral cloth, never a stray texture
    auto rot = CallsOf(f.recorder, DrawOp::kRotate);
    EXPECT_FLOAT_EQ(rot.back()->mArgs[1], 270.0f + 90.0f);
    decoy.mReal = true;
    f.recorder.mCalls.clear();
    m->DrawOneFlag(&decoy);
    EXPECT_EQ(f.shop.NumberOf(CallsOf(f.recorder, DrawOp::kTexturedQuad).back()->mTexture), 444);
    // Kind 2 is never drawn; a large flag is 1.75 times the size.
    decoy.mKind = 2;
    f.recorder.mCalls.clear();
    m->DrawOneFlag(&decoy);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    decoy.mKind = 1;
    m->DrawOneFlag(&decoy);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kScale)[0]->mArgs[0], 1.75f);
    // Outside the grid: nothing.
    decoy.mX = -500;
    f.recorder.mCalls.clear();
    m->DrawOneFlag(&decoy);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST(DrawLines, ShortZeroAndFlatLinesAreOnePieceInEitherOrder) {
    DrawFixture f;
    auto m = FlatMap(10, 10);
    Aim(*m, 40, 40, 0, 1);
    m->DrawConforming3DLine(false, true, 50, 50, 0, 50, 50, 0);
    EXPECT_EQ(f.recorder.Polygons(), 0);
    m->DrawConforming3DLine(false, true, 10, 10, 0, 13, 10, 0);
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 2);
    f.recorder.mCalls.clear();
    m->DrawConforming3DLine(false, true, 10, 10, 0, 150, 60, 0);
    const auto a = f.recorder.mCalls;
    f.recorder.mCalls.clear();
    m->DrawConforming3DLine(false, true, 150, 60, 0, 10, 10, 0);
    ASSERT_EQ(a.size(), f.recorder.mCalls.size());
    for (size_t k = 0; k < a.size(); ++k)
        EXPECT_EQ(a[k].mArgs, f.recorder.mCalls[k].mArgs);
    // Over flat ground the chord keeps its clearance: one piece, two quads.
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 2);
    f.settings.mHideGameAids = true;
    f.settings.mState = 8;
    f.recorder.mCalls.clear();
    m->DrawConforming3DLine(false, true, 10, 10, 0, 150, 60, 0);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST(DrawLines, ALineOverARiseBendsWhereTheChordWouldTouchTheGround) {
    DrawFixture f;
    auto m = FlatMap(10, 10);
    Aim(*m, 40, 40, 0, 1);
    // A 3 m ridge across x = 100.
    for (int32_t i = 48; i <= 52; ++i)
        for (int32_t j = 0; j < m->mPointsY; ++j)
            m->SetPoint(i, j, EncodePoint(110, 0));
    m->RecomputeHeights();
    m->SetConformingLineTexture(40); // rows beyond 31 are held to 31
    EXPECT_FLOAT_EQ(m->mLineV0, 31 * 0.03125f + 0.001f);
    m->DrawConforming3DLine(true, false, 20, 30, 0, 180, 30, 0);
    EXPECT_GT(f.recorder.Count(DrawOp::kTexturedQuad), 2);
    // The bend points sit 0.4 m above the ground.
    bool bent = false;
    for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad)) {
        const float ax = c->mArgs[5], az = c->mArgs[7];
        if (ax > 80 && ax < 120 && std::fabs(az - (m->GetZCoord(ax, 30 - 0.0f) + 0.4f)) < 0.6f) bent = true;
    }
    EXPECT_TRUE(bent);
    // Wild coordinates are held inside 25 km.
    f.recorder.mCalls.clear();
    m->DrawConforming3DLine(false, true, -1e9f, 0, 0, NAN, 1e9f, 0);
    for (const DrawCall& c : f.recorder.mCalls)
        for (float v : c.mArgs)
            EXPECT_TRUE(std::isfinite(v) && std::fabs(v) < 25002.0f);
}

TEST(DrawOutside, BackdropPanelsFollowTheHeadingWindows) {
    auto panels = [](float degrees, int32_t level, float transition, int32_t previous) {
        DrawFixture f;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        Aim(*m, 40, 40, degrees * 0.017453292f, level);
        m->mLevelTransition = transition;
        m->mPreviousCameraLevel = previous;
        f.recorder.mCalls.clear();
        m->DrawOutsideWorld();
        int32_t sky = 0;
        for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad)) {
            const int32_t p = f.shop.NumberOf(c->mTexture);
            sky += p >= 1400 && p < 1460;
        }
        return sky / 128;
    };
    // Whole degrees: 110.5 counts as 110.
    EXPECT_EQ(panels(110.5f, 1, 0, 0), 2); // x = +250 km and y = -250 km left out
    EXPECT_EQ(panels(109.5f, 1, 0, 0), 3);
    EXPECT_EQ(panels(-29.5f, 1, 0, 0), 2); // 330: y = +250 km out, x = -250 km not drawn
    EXPECT_EQ(panels(0.5f, 1, 0, 0), 3);
    EXPECT_EQ(panels(0.5f, 6, 0, 0), 0);
    EXPECT_EQ(panels(0.5f, 5, 0, 0), 0);
    EXPECT_EQ(panels(0.5f, 5, 0.5f, 4), 3);
}

TEST(DrawOutside, SkirtsAtTheEdgesTheEyeStandsAtInTheGroundsColour) {
    DrawFixture f;
    BattleScope b;
    b.battle.mDate = 4406;
    auto m = FlatMap(3, 3);
    m->MakeTextures(false);
    auto outsideGround = [&] {
        int32_t n = 0;
        for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad))
            n += c->mTexture == m->mGroundEdgeTextures[1];
        return n;
    };
    f.recorder.mCalls.clear();
    m->mEyeX = 1.9f;
    m->mEyeY = 30.0f;
    m->DrawOutsideWorld();
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 3);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kColor)[0]->mArgs, (std::vector<float>{0.14f, 0.2f, 0.0f}));
    f.recorder.mCalls.clear();
    m->mEyeX = 2.0f;
    b.battle.mGroundCondition = 6;
    m->mEyeY = -5.0f; // beyond the south edge
    m->DrawOutsideWorld();
    EXPECT_EQ(f.recorder.Count(DrawOp::kQuad), 3);
    auto col = CallsOf(f.recorder, DrawOp::kColor)[0]->mArgs;
    EXPECT_FLOAT_EQ(col[2], 0.5f * 1.1f);
    // The outside ground: four quads around an open map rectangle, or one.
    f.recorder.mCalls.clear();
    g3D->mPickPass = 1;
    m->DrawOutsideWorld();
    g3D->mPickPass = 0;
    EXPECT_EQ(outsideGround(), 4);
    f.settings.mHorizon = 1;
    f.recorder.mCalls.clear();
    g3D->mPickPass = 1;
    m->DrawOutsideWorld();
    g3D->mPickPass = 0;
    EXPECT_EQ(outsideGround(), 1);
}

} // namespace

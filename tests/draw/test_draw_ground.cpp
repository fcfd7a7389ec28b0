// The ground: flat heights, merging of patches, partial tiles, far tiles,
// the clip box query and the squares left to the pick pass.
#include <cmath>

#include "DrawTestUtil.h"
#include "engine/GOLTA.h"
#include "renderer/G3DObject.h"

using namespace dtest;

namespace {

int16_t SquareFlat(const Map& m, int32_t i, int32_t j) {
    return m.mFlatHeight[0][static_cast<size_t>(i) * m.mHeight + j];
}

TEST(DrawGround, FlatHeightsRoundTowardZeroAfterAPushAwayFromIt) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    ShapeMap(*m, [](float x, float) { return x < 40.0f ? -0.004f : 2.995f; });
    EXPECT_EQ(SquareFlat(*m, 0, 0), 0);
    EXPECT_EQ(SquareFlat(*m, 3, 0), 3);
    // A square whose centre differs by any amount is not flat.
    m->mCenterHeight[0] += 1e-6f;
    m->PrecomputeSuperTiles();
    EXPECT_EQ(SquareFlat(*m, 0, 0), -999);
}

TEST(DrawGround, AMapOfFortyOneSquaresHasElevenTilesAndItsLastOnesAreNeverFlat) {
    DrawFixture f(false);
    auto m = FlatMap(41, 41);
    EXPECT_EQ(m->mLevelWidth[2], 11);
    EXPECT_EQ(m->mLevelHeight[2], 11);
    EXPECT_EQ(m->mFlatHeight[2][0], 0);
    EXPECT_EQ(m->mFlatHeight[2][10], -999);
    EXPECT_EQ(m->mFlatHeight[2][10 * 11], -999);
}

TEST(DrawGround, PrecomputingDrawsOneHundredTwentyEightNumbers) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    SeedRandomGenerator(77);
    m->PrecomputeSuperTiles();
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(77);
    for (int32_t k = 0; k < 128; ++k)
        Random();
    EXPECT_EQ(GetRandomState(), after);
    for (auto& row : m->mGroundVariation)
        for (uint8_t v : row)
            EXPECT_TRUE(v >= 3 && v <= 7);
}

TEST(DrawGround, PartialTilesDrawOnlyTheSquaresThatExist) {
    DrawFixture f;
    auto m = FlatMap(5, 5);
    ShapeMap(*m, [](float x, float y) { return 0.01f * x * y; }); // nothing flat
    SetAllVisible(*m, 1);
    Aim(*m, 50, 50, 0, 1);
    m->DrawOpenGround();
    // 25 squares, each a fan of four triangles inside the map.
    auto fans = CallsOf(f.recorder, DrawOp::kTextureFan);
    EXPECT_EQ(fans.size(), 25u);
    for (const DrawCall* c : fans)
        for (size_t k = 0; k < 6; ++k) {
            EXPECT_LE(c->mArgs[5 * k], 100.0f);
            EXPECT_LE(c->mArgs[5 * k + 1], 100.0f);
        }
}

TEST(DrawGround, FarTilesAreChosenByDistanceEitherWayAndStayOnTheMap) {
    DrawFixture f;
    auto m = FlatMap(50, 50);
    ShapeMap(*m, [](float x, float y) { return 0.02f * x + 0.01f * y + 0.0001f * x * y; });
    SetAllVisible(*m, 1);
    f.settings.mHorizon = 2;
    m->mScreenWidth = 800;
    m->mFieldOfView = 50.0f;
    // Camera at the map's far corner looking back: the tiles lie in -x, -y.
    Aim(*m, 990, 990, 3.14159f, 2);
    m->DrawOpenGround();
    int32_t far = 0;
    for (uint8_t d : m->mFarTileDrawn)
        far += d;
    EXPECT_GT(far, 0);
    // Tile (0, 0) lies 950 m away on both axes: drawn far.
    EXPECT_EQ(m->mFarTileDrawn[0], 1);
    // The last, partial tile (I = 12 covers squares 48-49) ends at the edge.
    bool sawEdge = false;
    for (auto* c : CallsOf(f.recorder, DrawOp::kTextureFan))
        for (size_t k = 0; k < 6; ++k) {
            EXPECT_LE(c->mArgs[5 * k], 1000.0f);
            sawEdge |= c->mArgs[5 * k] == 1000.0f;
        }
    EXPECT_TRUE(sawEdge);
    // Unlimited horizon or a high camera: never far.
    f.settings.mHorizon = 0;
    m->DrawOpenGround();
    for (uint8_t d : m->mFarTileDrawn)
        EXPECT_EQ(d, 0);
}

TEST(DrawGround, CheckSuperClipBoxAnswersInsideStraddlingOrOutside) {
    DrawFixture f(false);
    auto m = FlatMap(8, 8, 0);
    m->mSuperTileVisibility[0] = 2;
    m->mSuperTileVisibility[1] = 2; // tile (0, 1)
    EXPECT_EQ(m->CheckSuperClipBox(40, 40, 5), 2);
    EXPECT_EQ(m->CheckSuperClipBox(78, 40, 5), 1); // touches tile (1, 0), outside
    EXPECT_EQ(m->CheckSuperClipBox(120, 120, 5), 0);
    EXPECT_EQ(m->CheckSuperClipBox(-10, 40, 5), 2); // truncation toward zero: column 0 only
    EXPECT_EQ(m->CheckSuperClipBox(NAN, 40, 5), 0);
    EXPECT_EQ(m->CheckSuperClipBox(1e30f, 40, 5), 0);
    m->mSuperTileVisibility[0] = 1;
    EXPECT_EQ(m->CheckSuperClipBox(40, 40, 5), 1);
}

TEST(DrawGround, SquaresUnderWaterOverlaysAreLeftToThePickPass) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    ShapeMap(*m, [](float x, float y) { return 0.01f * x * y; });
    SetAllVisible(*m, 2);
    Aim(*m, 40, 40, 0, 1);
    m->mSquares[0].mOverlay[0] = 37; // mirror bytes 0: skipped outside picking
    m->DrawOpenGround();
    EXPECT_EQ(f.recorder.Count(DrawOp::kTextureFan), 15);
    f.recorder.mCalls.clear();
    g3D->mPickPass = 1;
    m->DrawOpenGround();
    g3D->mPickPass = 0;
    EXPECT_EQ(f.recorder.Count(DrawOp::kTextureFan), 16);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexture), 0); // no texture bound while picking
}

TEST(DrawGround, MasterClipRunsOnlyAfterTheClipIsMadeDirty) {
    DrawFixture f;
    auto m = FlatMap(12, 12, 0);
    Aim(*m, 10, 120, 0, 1);
    m->PositionCamera();
    m->mClipDirty = true;
    m->MasterClip();
    EXPECT_FALSE(m->mClipDirty);
    int32_t inside = 0, outside = 0;
    for (uint8_t v : m->mSuperTileVisibility)
        (v ? inside : outside)++;
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0); // tiles behind the eye
    std::fill(m->mSuperTileVisibility.begin(), m->mSuperTileVisibility.end(), 7);
    m->MasterClip();
    EXPECT_EQ(m->mSuperTileVisibility[0], 7);
}

} // namespace

namespace {

// The block-first culling must give the answers of testing every tile.
TEST(DrawGround, MasterClipAgreesWithTestingEveryTile) {
    DrawFixture f;
    auto m = FlatMap(61, 47);
    ShapeMap(*m, [](float x, float y) { return 20.0f * std::sin(x * 0.01f) + 0.02f * y; });
    const float aims[][4] = {
        {10, 10, 0.7f, 1}, {600, 470, 3.0f, 2}, {1200, 900, 4.0f, 4}, {600, 400, 0, 6}, {-100, 300, 0.1f, 0}};
    for (const auto& a : aims) {
        Aim(*m, a[0], a[1], a[2], static_cast<int32_t>(a[3]));
        m->PositionCamera();
        m->mClipDirty = true;
        m->MasterClip();
        const int32_t th = m->mLevelHeight[2];
        int32_t seen = 0;
        for (int32_t I = 0; I < m->mLevelWidth[2]; ++I)
            for (int32_t J = 0; J < th; ++J) {
                const size_t t = static_cast<size_t>(I) * th + J;
                G3DObject box;
                box.SetModelCoords((I + 0.5f) * 80.0f, (J + 0.5f) * 80.0f, m->mSuperTileBottom[t], 80, 80,
                                   m->mSuperTileTop[t] - m->mSuperTileBottom[t]);
                bool clip = true;
                const uint8_t want = box.ShouldBeDrawn(&clip) ? (clip ? 1 : 2) : 0;
                EXPECT_EQ(m->mSuperTileVisibility[t], want) << I << "," << J;
                seen += want != 0;
            }
        EXPECT_GT(seen, 0);
    }
}

} // namespace

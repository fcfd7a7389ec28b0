// Picking through the 7 x 7 target: the right object by group and depth,
// and the world point under the pointer.
#include <gtest/gtest.h>

#include <cmath>

#include "RendererTestHost.h"

using namespace rtest;

namespace {

constexpr int32_t kW = 160, kH = 120;

struct Hits {
    bool unit = false, ground = false, backdrop = false;
};

// A unit (a vertical quad at y = 0 standing on the ground) in the first
// group; the ground and a far backdrop in the second. In pass 2 each item
// reports whether it held the picked polygon, as the battlefield does.
void DrawScene(GGraph3D& r, Hits* hits, float groundRight = 50, bool backdrop = false) {
    r.ActivateView(0, 0, kW, kH, 60, 1, 1000);  // ignored while picking
    r.LookAt(0, -20, 10, 0, 0, 0, 0, 0, 1);
    r.mBackFaceCull = false;
    r.mPickHit = false;
    r.Color(1, 0, 0);
    r.DrawQuad(-1, 0, 0, -1, 0, 2, 1, 0, 2, 1, 0, 0);
    if (r.mPickPass == 2) hits->unit = r.mPickHit;
    r.IncrementPickGroup();
    r.mPickHit = false;
    r.Color(0, 1, 0);
    r.DrawQuad(-50, -50, 0, groundRight, -50, 0, groundRight, 50, 0, -50, 50, 0);
    if (r.mPickPass == 2) hits->ground = r.mPickHit;
    if (backdrop) {
        r.mPickHit = false;
        r.SetDistantZ(true);
        r.DrawQuad(-500, 400, -3000, 500, 400, -3000, 500, 400, 3000, -500, 400, 3000);
        r.SetDistantZ(false);
        if (r.mPickPass == 2) hits->backdrop = r.mPickHit;
    }
    r.IncrementPickGroup();
    r.mBackFaceCull = true;
}

// The view's pick sequence; returns whether a point was found.
bool Pick(GGraph3D& r, int32_t x, int32_t y, Hits* hits, float point[3], float groundRight = 50,
          bool backdrop = false) {
    int32_t depth = r.GetMatrixDepth();
    r.ActivateBasicView(0, 0, kW, kH);
    r.PushMatrix();
    r.ActivatePicking(x, y, kW, kH, 60, 1, 1000);
    DrawScene(r, hits, groundRight, backdrop);
    r.Continue3DPick();
    DrawScene(r, hits, groundRight, backdrop);
    r.FinishedPicking();
    r.ActivateView(0, 0, kW, kH, 60, 1, 1000);
    r.PopMatrix();
    EXPECT_EQ(r.GetMatrixDepth(), depth);
    return r.GetPickPoint(&point[0], &point[1], &point[2]);
}

// Where a world point appears in the normal view.
void Screen(GGraph3D& r, float x, float y, float z, float* sx, float* sy) {
    r.ActivateView(0, 0, kW, kH, 60, 1, 1000);
    r.LookAt(0, -20, 10, 0, 0, 0, 0, 0, 1);
    *sx = x;
    *sy = y;
    r.WorldToScreen(sx, sy, z, false);
}

TEST(RendererPick, GroundPointUnderThePointer) {
    Fixture f(kW, kH);
    GGraph3D& r = *f.r;
    float sx, sy;
    Screen(r, 5, -8, 0, &sx, &sy);
    Hits hits;
    float p[3];
    ASSERT_TRUE(Pick(r, int32_t(std::lround(sx)), int32_t(std::lround(sy)), &hits, p));
    EXPECT_TRUE(hits.ground);
    EXPECT_FALSE(hits.unit);
    EXPECT_NEAR(p[2], 0.0f, 1e-3f);
    EXPECT_NEAR(p[0], 5.0f, 0.3f);
    EXPECT_NEAR(p[1], -8.0f, 0.3f);
    // The point lies on the ray through the pointer.
    float qx, qy;
    Screen(r, p[0], p[1], p[2], &qx, &qy);
    EXPECT_NEAR(qx, std::lround(sx), 0.6f);
    EXPECT_NEAR(qy, std::lround(sy), 0.6f);
    // Nothing was stored or drawn on the screen by the passes.
    EXPECT_EQ(r.mTransparencyWrite, r.mTransparencyBuffer.get());
    EXPECT_EQ(f.host.At(int32_t(sx), int32_t(sy)), 0);
    EXPECT_EQ(r.mPickPass, 0);
}

TEST(RendererPick, UnitWinsOverTheGroundInFrontOfIt) {
    Fixture f(kW, kH);
    GGraph3D& r = *f.r;
    float sx, sy;
    Screen(r, 0.3f, 0, 0.15f, &sx, &sy);  // the unit's foot: ground in front
    Hits hits;
    float p[3];
    ASSERT_TRUE(Pick(r, int32_t(std::lround(sx)), int32_t(std::lround(sy)), &hits, p));
    EXPECT_TRUE(hits.unit);
    EXPECT_FALSE(hits.ground);
    EXPECT_NEAR(p[1], 0.0f, 1e-3f);  // on the unit's plane
    EXPECT_NEAR(p[0], 0.3f, 0.2f);
}

TEST(RendererPick, EmptyBackgroundFindsNothing) {
    Fixture f(kW, kH);
    GGraph3D& r = *f.r;
    Hits hits;
    float p[3] = {7, 8, 9};
    EXPECT_FALSE(Pick(r, 80, 1, &hits, p));
    EXPECT_EQ(p[0], 7.0f);
    EXPECT_EQ(p[2], 9.0f);
    EXPECT_EQ(r.mPickedID, 0);
}

TEST(RendererPick, AFarDepthPixelDoesNotBeatNearerOnes) {
    Fixture f(kW, kH);
    GGraph3D& r = *f.r;
    // The backdrop is drawn at the far depth itself; the ground ends at
    // x = 0 under the pointer, so the backdrop fills the block's right
    // columns, which the scan meets after the ground's.
    r.mDistantPickDepth = 1.0f;
    float sx, sy;
    Screen(r, 0, -10, 0, &sx, &sy);
    Hits hits;
    float p[3];
    ASSERT_TRUE(Pick(r, int32_t(std::lround(sx)), int32_t(std::lround(sy)), &hits, p, 0.0f, true));
    int32_t farPixels = 0;
    for (uint32_t i = 0; i < 49; ++i) farPixels += r.PickDevice()->DepthBuffer()[i] == 0xFFFF && r.PickPixels()[i] != 0;
    EXPECT_GT(farPixels, 0);
    EXPECT_TRUE(hits.ground);
    EXPECT_FALSE(hits.backdrop);
}

TEST(RendererPick, IdentifiersAgreeBetweenPassesAndGroupsAreBounded) {
    Fixture f(kW, kH);
    GGraph3D& r = *f.r;
    r.ActivatePicking(80, 60, kW, kH, 60, 1, 1000);
    // Pick pass 1: ActivateView and draw state are ignored; identifiers count.
    float cx = r.mViewCenterX;
    r.ActivateView(0, 0, 640, 480, 90, 1, 10);
    EXPECT_EQ(r.mViewCenterX, cx);
    int32_t before = r.mNextPickID;
    r.DrawTriangle(0, 0, -5, 0, 0.1f, -5, 0.1f, 0, -5);
    EXPECT_EQ(r.mNextPickID, before + 1);
    EXPECT_EQ(r.mGouraudVertices[0].color, 0xFF000000u | uint32_t(before));
    // More than 99 groups: the extra ones are not recorded.
    for (int i = 0; i < 150; ++i) r.IncrementPickGroup();
    EXPECT_EQ(r.mPickGroupCount, 99);
    r.Continue3DPick();
    EXPECT_EQ(r.mPickPass, 2);
    EXPECT_EQ(r.mNextPickID, 1);
    EXPECT_EQ(r.mPickedID, 1);
    r.DrawTriangle(0, 0, -5, 0, 0.1f, -5, 0.1f, 0, -5);
    EXPECT_TRUE(r.mPickHit);
    r.FinishedPicking();
    EXPECT_FALSE(r.mPickHit);
}

}  // namespace

// Matrices, camera and projection, clipping and the view-volume tests.
#include <gtest/gtest.h>

#include <cmath>

#include "RendererTestHost.h"
#include "renderer/G3DObject.h"

using namespace rtest;

namespace {

void ExpectRow(const GOLTAMatrix* m, int r, float a, float b, float c, float eps = 1e-6f) {
    EXPECT_NEAR(m->m[r][0], a, eps);
    EXPECT_NEAR(m->m[r][1], b, eps);
    EXPECT_NEAR(m->m[r][2], c, eps);
}

// (x, y, z, 1) times the current matrix.
void Apply(const GOLTAMatrix* m, float x, float y, float z, float out[3]) {
    for (int j = 0; j < 3; ++j) out[j] = x * m->m[0][j] + y * m->m[1][j] + z * m->m[2][j] + m->m[3][j];
}

TEST(RendererMatrix, ElementaryTransformsActOnTheObjectSide) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.IdentityTransform();
    r.RotateX(0);
    r.Scale(1, 1, 1);
    r.Reflect(false, false, false);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(r.mCurrentMatrix->m[i][j], i == j ? 1.0f : 0.0f);
    r.RotateZ(90);
    ExpectRow(r.mCurrentMatrix, 0, 0, 1, 0);
    ExpectRow(r.mCurrentMatrix, 1, -1, 0, 0);
    // A translation is scaled by what was applied before it.
    r.IdentityTransform();
    r.Scale(2, 1, 1);
    r.Translate(1, 0, 0);
    ExpectRow(r.mCurrentMatrix, 3, 2, 0, 0);
    // Reflect negates only the first three elements of the row.
    r.Reflect(true, false, false);
    ExpectRow(r.mCurrentMatrix, 0, -2, 0, 0);
    ExpectRow(r.mCurrentMatrix, 3, 2, 0, 0);
    EXPECT_EQ(r.mCurrentMatrix->m[3][3], 1.0f);
    // Composed rotations are the two single ones in order.
    r.IdentityTransform();
    r.RotateXY(30, 50);
    GOLTAMatrix a = *r.mCurrentMatrix;
    r.IdentityTransform();
    r.RotateX(30);
    r.RotateY(50);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(a.m[i][j], r.mCurrentMatrix->m[i][j]);
    r.IdentityTransform();
    r.RotateYX(30, 50);
    EXPECT_GT(std::fabs(a.m[0][1] - r.mCurrentMatrix->m[0][1]) + std::fabs(a.m[2][0] - r.mCurrentMatrix->m[2][0]), 0.01f);
    // Positive angles are right-handed: RotateZ turns x toward y.
    r.IdentityTransform();
    r.RotateZ(90);
    float p[3];
    Apply(r.mCurrentMatrix, 1, 0, 0, p);
    EXPECT_NEAR(p[1], 1.0f, 1e-6f);
}

TEST(RendererMatrix, StackRestoresAndRefusesOverflow) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.Translate(3, 4, 5);
    GOLTAMatrix before = *r.mCurrentMatrix;
    ASSERT_TRUE(r.PushMatrix());
    r.RotateY(33);
    r.Scale(2, 3, 4);
    ASSERT_TRUE(r.PopMatrix());
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(before.m[i][j], r.mCurrentMatrix->m[i][j]);
    EXPECT_FALSE(r.PopMatrix());
    EXPECT_EQ(r.GetMatrixDepth(), 0);
    for (int i = 0; i < 99; ++i) ASSERT_TRUE(r.PushMatrix());
    EXPECT_FALSE(r.PushMatrix());
    EXPECT_EQ(r.GetMatrixDepth(), 99);
    for (int i = 0; i < 99; ++i) ASSERT_TRUE(r.PopMatrix());
    EXPECT_FALSE(r.PopMatrix());
}

TEST(RendererCamera, ViewConstantsProjectionAndLookAt) {
    Fixture f(640, 480);
    GGraph3D& r = *f.r;
    r.ActivateView(0, 0, 640, 480, 60, 1, 1000);
    EXPECT_EQ(r.mViewCenterX, 320.0f);
    EXPECT_EQ(r.mViewCenterY, 240.0f);
    EXPECT_NEAR(r.mProjectionX, 1.7320507f, 1e-5f);
    EXPECT_NEAR(r.mProjectionY, 2.3094009f, 1e-5f);
    // Depth Z/W is 0 at the near and 1 at the far distance.
    EXPECT_NEAR((r.mDepthScale * 1 + r.mDepthOffset) / 1, 0.0f, 1e-6f);
    EXPECT_NEAR((r.mDepthScale * 1000 + r.mDepthOffset) / 1000, 1.0f, 1e-6f);
    float x = 0, y = 0;
    EXPECT_TRUE(r.WorldToScreen(&x, &y, -1, false));
    EXPECT_EQ(x, 320.0f);
    EXPECT_EQ(y, 240.0f);
    // Limits: near 0, far below near, field of view 180.
    r.ActivateView(0, 0, 640, 480, 180, 0, -5);
    EXPECT_NEAR(r.mDepthScale, 2.0f, 1e-6f);
    EXPECT_NEAR(r.mProjectionX, 1.0f / std::tan(179.9f * 3.14159265f / 360), 1e-4f);

    r.ActivateView(0, 0, 640, 480, 60, 1, 1000);
    r.LookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    float p[3];
    Apply(r.mCurrentMatrix, 0, 0, 0, p);
    EXPECT_NEAR(p[2], -10.0f, 1e-5f);
    Apply(r.mCurrentMatrix, 1, 0, 0, p);
    EXPECT_NEAR(p[0], 1.0f, 1e-5f);
    EXPECT_NEAR(p[2], -10.0f, 1e-5f);
    // A general camera: the inverse maps camera space back to the world.
    r.ActivateView(0, 0, 640, 480, 60, 1, 1000);
    r.LookAt(120, -40, 35, 300, 200, 2, 0, 0, 1);
    float e[3];
    Apply(&r.mInverseCamera, 0, 0, 0, e);
    EXPECT_NEAR(e[0], 120, 1e-3f);
    EXPECT_NEAR(e[1], -40, 1e-3f);
    EXPECT_NEAR(e[2], 35, 1e-3f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float s = 0;
            for (int k = 0; k < 3; ++k) s += r.mInverseCamera.m[i][k] * r.mCurrentMatrix->m[k][j];
            EXPECT_NEAR(s, i == j ? 1.0f : 0.0f, 1e-5f);
        }
    // The target lies straight ahead, at the centre of the view.
    x = 300;
    y = 200;
    EXPECT_TRUE(r.WorldToScreen(&x, &y, 2, false));
    EXPECT_NEAR(x, 320, 1e-2f);
    EXPECT_NEAR(y, 240, 1e-2f);
    // A degenerate camera keeps the one in force.
    GOLTAMatrix kept = *r.mCurrentMatrix;
    r.LookAt(1, 1, 1, 1, 1, 1, 0, 0, 1);
    r.LookAt(0, 0, 5, 0, 0, 0, 0, 0, 1);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(kept.m[i][j], r.mCurrentMatrix->m[i][j]);
    // ActivateBasicView keeps the projection and the matrix.
    float px = r.mProjectionX;
    r.ActivateBasicView(10, 20, 100, 50);
    EXPECT_EQ(r.mProjectionX, px);
    EXPECT_EQ(r.mViewCenterX, 60.0f);
    EXPECT_EQ(kept.m[3][2], r.mCurrentMatrix->m[3][2]);
}

TEST(RendererCamera, WorldToScreenEdgesAndBehindTheEye) {
    Fixture f(640, 480);
    GGraph3D& r = *f.r;
    float x = 0, y = 0;
    EXPECT_FALSE(r.WorldToScreen(&x, &y, 0, false));  // on the eye plane
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    x = 0;
    y = 0;
    EXPECT_FALSE(r.WorldToScreen(&x, &y, 5, false));  // behind: mirrored, false
    // A point projected exactly onto the right edge is inside.
    x = 10.0f / r.mProjectionX;
    y = 0;
    EXPECT_TRUE(r.WorldToScreen(&x, &y, -10, false));
    EXPECT_EQ(x, 640.0f);
    x = 100;
    y = 0;
    EXPECT_FALSE(r.WorldToScreen(&x, &y, -10, true));
    EXPECT_EQ(x, 640.0f);
}

TEST(RendererClip, CutsAgainstTheSixPlanesInOrder) {
    Fixture f;
    GGraph3D& r = *f.r;
    auto set = [&](std::initializer_list<WorkVertex> v) {
        r.mWorkPolygon.count = int32_t(v.size());
        int i = 0;
        for (const WorkVertex& w : v) r.mWorkPolygon.v[i++] = w;
    };
    // One corner behind the near plane: a quadrilateral.
    set({{0, 0, 1, 2, 0, 0}, {0, 0, -1, 0.5f, 0, 0}, {1, 0, 1, 2, 0, 0}});
    ASSERT_TRUE(GGraph3DTestAccess::Clip(&r));
    ASSERT_EQ(r.mWorkPolygon.count, 4);
    const float expect[4][4] = {{0, 0, 1, 2}, {0, 0, 0, 1.25f}, {0.5f, 0, 0, 1.25f}, {1, 0, 1, 2}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(r.mWorkPolygon.v[i].X, expect[i][0]);
        EXPECT_FLOAT_EQ(r.mWorkPolygon.v[i].Z, expect[i][2]);
        EXPECT_FLOAT_EQ(r.mWorkPolygon.v[i].W, expect[i][3]);
    }
    // Wholly behind, or exactly on the left plane (strict): nothing.
    set({{0, 0, -1, 2, 0, 0}, {0, 0, 0, 1, 0, 0}, {1, 0, -2, 2, 0, 0}});
    EXPECT_FALSE(GGraph3DTestAccess::Clip(&r));
    set({{-1, 0, 0.5f, 1, 0, 0}, {-2, 1, 0.5f, 2, 0, 0}, {-3, 0, 1, 3, 0, 0}});
    EXPECT_FALSE(GGraph3DTestAccess::Clip(&r));
    // On the far plane it survives; beyond it only under distant depth.
    set({{0, 0, 1, 1, 0, 0}, {0.5f, 0, 2, 2, 0, 0}, {0, 0.5f, 2, 2, 0, 0}});
    EXPECT_TRUE(GGraph3DTestAccess::Clip(&r));
    set({{0, 0, 3, 1, 0, 0}, {0.5f, 0, 4, 2, 0, 0}, {0, 0.5f, 4, 2, 0, 0}});
    EXPECT_FALSE(GGraph3DTestAccess::Clip(&r));
    r.mDistantZ = true;
    set({{0, 0, 3, 1, 0, 0}, {0.5f, 0, 4, 2, 0, 0}, {0, 0.5f, 4, 2, 0, 0}});
    EXPECT_TRUE(GGraph3DTestAccess::Clip(&r));
    r.mDistantZ = false;
    // A quadrilateral cut by the left plane only: five corners; untextured
    // new corners keep the U, V their slots held.
    r.mWorkPolygon.v[4].U = 77;
    set({{-2, 0, 1, 1, 0, 0}, {0, -0.5f, 1, 1, 0, 0}, {0.5f, 0, 1, 1, 0, 0}, {0, 0.5f, 1, 1, 0, 0}});
    r.mWorkPolygon.v[4].U = 77;
    ASSERT_TRUE(GGraph3DTestAccess::Clip(&r));
    EXPECT_EQ(r.mWorkPolygon.count, 5);
    // A quadrilateral reaching beyond all six planes: up to ten corners, all
    // inside -W..W afterwards, nothing written beyond the buffers.
    // A quadrilateral that every plane cuts: ten corners, two more than the
    // original buffers held.
    set({{-2.301f, -0.669f, 1.898f, 1, 0, 0}, {0.144f, 0.495f, -0.077f, 1, 0, 0},
         {-2.959f, -2.865f, 0.592f, 1, 0, 0}, {2.895f, 0.819f, -0.165f, 1, 0, 0}});
    ASSERT_TRUE(GGraph3DTestAccess::Clip(&r));
    EXPECT_LE(r.mWorkPolygon.count, kMaxPolygonVertices);
    EXPECT_EQ(r.mWorkPolygon.count, 10);
    for (int i = 0; i < r.mWorkPolygon.count; ++i) {
        const WorkVertex& v = r.mWorkPolygon.v[i];
        EXPECT_LE(std::fabs(v.X), v.W);
        EXPECT_LE(std::fabs(v.Y), v.W);
        EXPECT_GE(v.Z, 0.0f);
        EXPECT_LE(v.Z, v.W + 1e-5f);
    }
}

TEST(RendererView, BoxTestAndPlacedObjects) {
    Fixture f(640, 480);
    GGraph3D& r = *f.r;
    r.ActivateView(0, 0, 640, 480, 60, 1, 1000);
    EXPECT_EQ(r.BoundingBoxTest(0, 0, -50, 1, 1, 1), 1);
    EXPECT_EQ(r.BoundingBoxTest(-28, 0, -50, 2, 1, 1), 0);    // across the left plane
    EXPECT_EQ(r.BoundingBoxTest(-200, 0, -50, 2, 1, 1), -1);  // wholly left
    EXPECT_EQ(r.BoundingBoxTest(0, 0, 0, 0.2f, 0.2f, 0.2f), -1);  // around the eye, nearer than near
    EXPECT_EQ(r.BoundingBoxTest(0, 0, 0, 5, 5, 5), 0);            // around the eye, past near
    EXPECT_EQ(r.BoundingBoxTest(0, 0, -2000, 1, 1, 1), -1);       // beyond far
    r.SetDistantZ(true);
    EXPECT_EQ(r.BoundingBoxTest(0, 0, -2000, 1, 1, 1), 1);
    r.SetDistantZ(false);
    EXPECT_EQ(r.BoundingBoxTest(0, 0, -2000, 3000, 1, 1), -1);  // straddles sides, beyond far

    G3DObject o;
    o.SetModelCoords(10, 20, 5, 3.8f, 1.9f, 2);
    EXPECT_EQ(o.mCenterZ, 6.0f);
    EXPECT_NEAR(o.mExtentX, 2.0f, 1e-6f);
    EXPECT_NEAR(o.mExtentZ, 1.0526316f, 1e-6f);
    o.SetModelCoords(0, 0, -50, 2, 2, 2);
    bool clip = true;
    EXPECT_TRUE(o.ShouldBeDrawn(&clip));
    EXPECT_FALSE(clip);
    o.SetModelCoords(-28, 0, -50, 4, 2, 2);
    EXPECT_TRUE(o.ShouldBeDrawn(&clip));
    EXPECT_TRUE(clip);
    o.SetModelCoords(-200, 0, -50, 4, 2, 2);
    EXPECT_FALSE(o.ShouldBeDrawn(&clip));
    EXPECT_TRUE(clip);
    EXPECT_FALSE(o.ShouldBeDrawn(nullptr));
}

}  // namespace

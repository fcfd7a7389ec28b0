// A squad's box in figure units, made ready for the view test: scaled to
// metres and, for riders, turned about the vertical, with the upright box
// that holds the turned one.
#include <gtest/gtest.h>

#include <cmath>

#include "draw/UnitDraw.h"
#include "renderer/G3DObject.h"

namespace {

void Box(G3DObject* b, float cx, float cy, float cz, float ex, float ey, float ez) {
    b->mCenterX = cx;
    b->mCenterY = cy;
    b->mCenterZ = cz;
    b->mExtentX = ex;
    b->mExtentY = ey;
    b->mExtentZ = ez;
}

void ExpectBox(const G3DObject& o, float cx, float cy, float cz, float ex, float ey, float ez, const char* what) {
    EXPECT_NEAR(o.mCenterX, cx, 1e-4f) << what;
    EXPECT_NEAR(o.mCenterY, cy, 1e-4f) << what;
    EXPECT_NEAR(o.mCenterZ, cz, 1e-4f) << what;
    EXPECT_NEAR(o.mExtentX, ex, 1e-4f) << what;
    EXPECT_NEAR(o.mExtentY, ey, 1e-4f) << what;
    EXPECT_NEAR(o.mExtentZ, ez, 1e-4f) << what;
}

TEST(FigureBox, ScaleMultipliesCentreAndExtentsAlike) {
    G3DObject box;
    Box(&box, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f);
    G3DObject out;
    FigureBox(box, 1.0f, 0.0f, &out);
    ExpectBox(out, 1, 2, 3, 4, 5, 6, "unscaled");
    FigureBox(box, 2.5f, 0.0f, &out);
    ExpectBox(out, 2.5f, 5, 7.5f, 10, 12.5f, 15, "x 2.5");
}

TEST(FigureBox, TurnsCounterClockwiseAndKeepsTheBoxAroundTheTurnedOne) {
    G3DObject box;
    Box(&box, 1.0f, 2.0f, 3.0f, 4.0f, 1.0f, 6.0f);
    G3DObject out;
    // 90 degrees: (x, y) → (−y, x); the extents swap.
    FigureBox(box, 1.0f, 90.0f, &out);
    ExpectBox(out, -2, 1, 3, 1, 4, 6, "90");
    // −90 degrees: (x, y) → (y, −x).
    FigureBox(box, 1.0f, -90.0f, &out);
    ExpectBox(out, 2, -1, 3, 1, 4, 6, "-90");
    // 180 degrees: the centre is mirrored, the extents stay.
    FigureBox(box, 2.0f, 180.0f, &out);
    ExpectBox(out, -2, -4, 6, 8, 2, 12, "180, x 2");
    // 45 degrees: both extents become (4 + 1) × √½; the centre turns.
    const float h = std::sqrt(0.5f);
    FigureBox(box, 1.0f, 45.0f, &out);
    ExpectBox(out, (1 - 2) * h, (1 + 2) * h, 3, 5 * h, 5 * h, 6, "45");
    // 30 degrees: extents 4 cos 30 + sin 30 and 4 sin 30 + cos 30.
    const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    FigureBox(box, 1.0f, 30.0f, &out);
    ExpectBox(out, c - 2 * s, s + 2 * c, 3, 4 * c + s, 4 * s + c, 6, "30");
}

} // namespace

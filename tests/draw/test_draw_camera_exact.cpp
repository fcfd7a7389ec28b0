// The camera's exact numbers: how far the key pad's sideways keys move the
// focus (at right angles to the heading, 400 × step × (0.1 L + 0.2) / fps
// metres, × 0.6 at level 0), and where the camera puts its ground point when
// it follows a unit (the lock distance of the level and screen width behind
// the unit along its weapon's facing, 3 m more for a vehicle at level 0).
#include <cmath>

#include "DrawTestUtil.h"
#include "units/Unit.h"

using namespace dtest;

namespace {

constexpr float kHalfPi = 1.5707963f;

class FollowedUnit : public Unit {
public:
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

// Focus after one key at heading h (radians) and level L from (400, 400).
std::pair<float, float> AfterKey(DrawFixture& f, Map& m, int32_t key, float h, int32_t level) {
    f.settings.mFramesPerSecond = 30.0f;
    Aim(m, 400, 400, h, level);
    m.KeyPad(key);
    return {m.mCameraX[0] - 400.0f, m.mCameraY[0] - 400.0f};
}

TEST(DrawCameraExact, SidewaysKeysMoveAtRightAnglesToTheHeadingLeftIsCounterClockwise) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    // Level 2 at 30 frames a second: 3 × 400 × 0.4 / 30 = 16 m.
    auto [lx, ly] = AfterKey(f, *m, '4', 0.0f, 2);
    EXPECT_NEAR(lx, 0.0f, 1e-3f);
    EXPECT_NEAR(ly, 16.0f, 1e-3f);
    auto [rx, ry] = AfterKey(f, *m, '6', 0.0f, 2);
    EXPECT_NEAR(rx, 0.0f, 1e-3f);
    EXPECT_NEAR(ry, -16.0f, 1e-3f);
    // Facing +y: left is −x, right is +x; forward is +y, back is −y.
    auto [lx2, ly2] = AfterKey(f, *m, '4', kHalfPi, 2);
    EXPECT_NEAR(lx2, -16.0f, 1e-3f);
    EXPECT_NEAR(ly2, 0.0f, 1e-3f);
    auto [rx2, ry2] = AfterKey(f, *m, '6', kHalfPi, 2);
    EXPECT_NEAR(rx2, 16.0f, 1e-3f);
    EXPECT_NEAR(ry2, 0.0f, 1e-3f);
    auto [fx, fy] = AfterKey(f, *m, '8', kHalfPi, 2);
    EXPECT_NEAR(fx, 0.0f, 1e-3f);
    EXPECT_NEAR(fy, 16.0f, 1e-3f);
}

TEST(DrawCameraExact, SidewaysStepGrowsWithTheLevelAndIsCutToSixTenthsAtLevelZero) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    // Level 0: 3 × 400 × 0.2 / 30 × 0.6 = 4.8 m; level 1: 3 × 400 × 0.3 / 30 = 12 m
    // (no cut); level 8: 3 × 400 × 1.0 / 30 = 40 m.
    EXPECT_NEAR(AfterKey(f, *m, '4', 0.0f, 0).second, 4.8f, 1e-3f);
    EXPECT_NEAR(AfterKey(f, *m, '6', 0.0f, 0).second, -4.8f, 1e-3f);
    EXPECT_NEAR(AfterKey(f, *m, '4', 0.0f, 1).second, 12.0f, 1e-3f);
    EXPECT_NEAR(AfterKey(f, *m, '6', 0.0f, 8).second, -40.0f, 1e-3f);
}

// The followed unit at (300, 200) faces 90 degrees: the ground point lies
// the lock distance behind it, to −y.
TEST(DrawCameraExact, LockedCameraGroundPointIsTheLockDistanceBehindTheUnit) {
    DrawFixture f;
    struct Case {
        int32_t widthClass, level;
        bool vehicle;
        float distance;
    };
    const Case cases[] = {
        {1, 0, false, 7.0f},  {1, 0, true, 10.0f}, {0, 0, false, 8.0f}, {2, 0, true, 9.0f},
        {1, 1, false, 21.0f}, {1, 1, true, 21.0f}, {0, 2, false, 43.0f}, {2, 2, false, 30.0f},
        {0, 3, false, 50.0f}, {1, 3, false, 29.0f}, {2, 3, false, 6.0f}, {0, 4, false, 70.0f},
        {1, 4, false, 30.0f}, {2, 4, false, 3.0f},  {1, 5, false, 0.0f},
    };
    for (const Case& c : cases) {
        auto m = FlatMap(40, 40);
        m->mWidthClass = c.widthClass;
        FollowedUnit u;
        u.mX = 300.0f;
        u.mY = 200.0f;
        u.mContactLevel = kContactFull; // seen by the viewing side
        u.mHeading = 90.0f;
        if (c.vehicle) u.mUnitType = kUnitVehicle;
        Aim(*m, 50, 60, 0.0f, c.level);
        m->mLockedUnit = &u;
        m->mLockHeadingOffset = 0.0f;
        m->PositionCamera();
        ASSERT_EQ(m->mLockedUnit, &u) << "width " << c.widthClass << ", level " << c.level;
        EXPECT_NEAR(m->mCameraX[0], 300.0f, 1e-3f) << "width " << c.widthClass << ", level " << c.level;
        EXPECT_NEAR(m->mCameraY[0], 200.0f - c.distance, 1e-3f)
            << "width " << c.widthClass << ", level " << c.level << (c.vehicle ? ", vehicle" : "");
        EXPECT_NEAR(m->mCameraHeading[0], kHalfPi, 1e-5f);
        m->mLockedUnit = nullptr;
    }
}

// A heading offset other than 0 is added to the unit's heading instead of
// following the weapon.
TEST(DrawCameraExact, LockedCameraWithAnOffsetLooksAlongHeadingPlusOffset) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    m->mWidthClass = 1;
    FollowedUnit u;
    u.mX = 300.0f;
    u.mY = 200.0f;
    u.mContactLevel = kContactFull;
    u.mHeading = 90.0f;
    Aim(*m, 50, 60, 0.0f, 1);
    m->mLockedUnit = &u;
    m->mLockHeadingOffset = 90.0f; // looks along 180 degrees: the point lies to +x
    m->PositionCamera();
    EXPECT_NEAR(m->mCameraX[0], 321.0f, 1e-3f);
    EXPECT_NEAR(m->mCameraY[0], 200.0f, 1e-3f);
    m->mLockedUnit = nullptr;
}

// The turning keys turn by ±3 / fps radians, the frame rate taken as at
// least 4; left (7) is counter-clockwise. Moving takes it as at least 3.
TEST(DrawCameraExact, TurnAndMoveStepsByFrameRateWithTheirFloors) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    f.settings.mCameraPivot = false;
    const struct {
        float fps, turn;
    } rates[] = {{8.0f, 3.0f / 8.0f}, {4.5f, 3.0f / 4.5f}, {4.0f, 0.75f}, {3.5f, 0.75f}, {1.0f, 0.75f}};
    for (const auto& r : rates) {
        f.settings.mFramesPerSecond = r.fps;
        Aim(*m, 400, 400, 1.0f, 2);
        m->KeyPad('7');
        EXPECT_NEAR(m->mCameraHeading[0], 1.0f + r.turn, 1e-5f) << r.fps;
        Aim(*m, 400, 400, 1.0f, 2);
        m->KeyPad('9');
        EXPECT_NEAR(m->mCameraHeading[0], 1.0f - r.turn, 1e-5f) << r.fps;
        EXPECT_EQ(m->mCameraX[0], 400.0f); // turning about the focus leaves it
    }
    // Forward at level 2: 3 × 400 × 0.4 / fps, fps at least 3.
    for (const auto& r : {std::pair{6.0f, 80.0f}, std::pair{3.5f, 480.0f / 3.5f}, std::pair{3.0f, 160.0f},
                          std::pair{2.0f, 160.0f}}) {
        f.settings.mFramesPerSecond = r.first;
        Aim(*m, 400, 400, 0.0f, 2);
        m->KeyPad('8');
        EXPECT_NEAR(m->mCameraX[0], 400.0f + r.second, 1e-3f) << r.first;
    }
}

// The focus stays within 200 m of the map on every side.
TEST(DrawCameraExact, TheFocusStopsTwoHundredMetresOutsideTheMapOnEverySide) {
    DrawFixture f;
    auto m = FlatMap(10, 10); // 200 x 200 m
    f.settings.mFramesPerSecond = 3.0f;
    const struct {
        float heading, x, y;
    } ways[] = {{0.0f, 400.0f, 100.0f}, {kHalfPi, 100.0f, 400.0f}, {2 * kHalfPi, -200.0f, 100.0f},
                {3 * kHalfPi, 100.0f, -200.0f}};
    for (const auto& w : ways) {
        Aim(*m, 100, 100, w.heading, 8);
        for (int32_t k = 0; k < 5; ++k)
            m->BogusMove(3, 3.0f);
        EXPECT_NEAR(m->mCameraX[0], w.x, 1e-3f) << w.heading;
        EXPECT_NEAR(m->mCameraY[0], w.y, 1e-3f) << w.heading;
    }
}

} // namespace

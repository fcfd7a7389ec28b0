// The camera: level steps, keys, far distance, lock, shake and bad input.
#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "units/Unit.h"

using namespace dtest;

namespace {

struct Frustum {
    float fov = 0, nearZ = 0, farZ = 0;
};
Frustum sLast;
int32_t sResets = 0, sRefreshes = 0;

void Listen() {
    sLast = Frustum{};
    sResets = sRefreshes = 0;
    gDrawHooks.activate3D = [](Map*, float fov, float n, float f) { sLast = Frustum{fov, n, f}; };
    gDrawHooks.resetCameraPrefs = [] { ++sResets; };
    gDrawHooks.viewRefresh = [](Map*) { ++sRefreshes; };
}

class LockUnit : public Unit {
public:
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

TEST(DrawCamera, ALevelStepIsImmediateAtThreeFramesAndBlendsOverTenAtThirty) {
    DrawFixture f;
    Listen();
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0, 2);
    f.settings.mFramesPerSecond = 3.0f;
    m->BogusLoft(true);
    EXPECT_EQ(m->mCameraLevel[0], 3);
    EXPECT_EQ(m->mLevelTransition, 0.0f);
    EXPECT_EQ(sRefreshes, 1);
    f.settings.mFramesPerSecond = 30.0f;
    m->BogusLoft(true);
    EXPECT_EQ(m->mLevelTransition, 1.0f);
    int32_t frames = 0;
    while (m->mLevelTransition > 0.0f && frames < 50) {
        m->PositionCamera();
        ++frames;
    }
    EXPECT_EQ(frames, 10);
    EXPECT_EQ(sResets, 2);
}

TEST(DrawCamera, SteppingBelowTheLowestLevelChangesNothingElse) {
    DrawFixture f;
    Listen();
    auto m = FlatMap(4, 4);
    Aim(*m, 40, 40, 0, 0);
    m->BogusLoft(false);
    EXPECT_EQ(m->mCameraLevel[0], 0);
    EXPECT_EQ(sResets, 0);
    EXPECT_EQ(sRefreshes, 0);
    m->JumpToCameraLoft(9);
    m->JumpToCameraLoft(-1);
    EXPECT_EQ(m->mCameraLevel[0], 0);
    m->JumpToCameraLoft(6);
    EXPECT_EQ(m->mCameraLevel[0], 6);
    EXPECT_TRUE(m->mClipDirty);
}

TEST(DrawCamera, KeyPadFiveMovesBackLikeTwoAndUnlistedKeysDoNothing) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    f.settings.mFramesPerSecond = 30.0f;
    Aim(*m, 400, 400, 0, 2);
    m->KeyPad('2');
    const float back2 = m->mCameraX[0];
    Aim(*m, 400, 400, 0, 2);
    m->KeyPad('5');
    EXPECT_FLOAT_EQ(m->mCameraX[0], back2);
    EXPECT_LT(back2, 400.0f);
    // step 3 x 400 x (0.1 x 2 + 0.2) / 30 = 16 m.
    EXPECT_NEAR(400.0f - back2, 16.0f, 1e-3f);
    Aim(*m, 400, 400, 0, 2);
    for (int32_t key : {'1', '3', '0'})
        m->KeyPad(key);
    EXPECT_EQ(m->mCameraX[0], 400.0f);
    EXPECT_EQ(m->mCameraY[0], 400.0f);
}

TEST(DrawCamera, MovingStaysWithinTwoHundredMetresOfTheMap) {
    DrawFixture f;
    auto m = FlatMap(10, 10);
    f.settings.mFramesPerSecond = 0.01f; // floored at 3
    Aim(*m, 190, 100, 0, 8);
    for (int32_t k = 0; k < 20; ++k)
        m->BogusMove(3, 3.0f);
    EXPECT_EQ(m->mCameraX[0], 400.0f);
}

TEST(DrawCamera, HorizonCapsTheFarDistanceOnlyForLowCameras) {
    DrawFixture f;
    Listen();
    auto m = FlatMap(200, 200); // 4 km
    f.settings.mHorizon = 2;
    Aim(*m, 2000, 2000, 0, 3);
    m->PositionCamera();
    EXPECT_FLOAT_EQ(sLast.farZ, 1500.0f);
    m->mCameraLevel[0] = 5;
    m->PositionCamera();
    EXPECT_FLOAT_EQ(sLast.farZ, std::sqrt(4000.0f * 4000.0f * 2.0f) + 800.0f);
    // The field of view is the width class's, divided by the zoom.
    f.settings.mZoom = 4;
    m->PositionCamera();
    EXPECT_FLOAT_EQ(sLast.fov, 55.0f / 4.0f);
}

TEST(DrawCamera, TheEyeKeepsItsClearanceAboveTheGroundAhead) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0, 1);
    m->PositionCamera();
    // Level 1: at least 12 m high and 8 m above the ground, 15 m behind.
    EXPECT_GE(m->mCameraZ, 12.0f);
    EXPECT_NEAR(m->mEyeX, 200.0f - 15.0f - 0.1f, 1e-3f);
    EXPECT_NEAR(m->mEyeY, 200.0f, 1e-3f);
}

TEST(DrawCamera, ALockOnAnUnseenUnitIsReleasedAndTheCameraStays) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    LockUnit u;
    u.mX = 100;
    u.mY = 100;
    u.mActive = false; // dead, and drawn when dead; but unseen
    m->mLockedUnit = &u;
    Aim(*m, 50, 60, 0.5f, 1);
    m->PositionCamera();
    EXPECT_EQ(m->mLockedUnit, nullptr);
    EXPECT_EQ(m->mCameraX[0], 50.0f);
    EXPECT_EQ(m->mCameraY[0], 60.0f);
}

TEST(DrawCamera, TurningWithALockChangesOnlyTheOffset) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    LockUnit u;
    u.mHeading = 30.0f;
    m->mLockedUnit = &u;
    Aim(*m, 50, 60, 0.5f, 1);
    m->RotateCameraAbsolute(10.0f);
    EXPECT_EQ(m->mCameraHeading[0], 0.5f);
    // Starts from the weapon's facing (the unit's heading here): 0 + 10.
    EXPECT_FLOAT_EQ(m->mLockHeadingOffset, 10.0f);
    m->BogusMove(1, 1.0f);
    EXPECT_EQ(m->mLockedUnit, nullptr);
}

TEST(DrawCamera, PivotTurnKeepsTheEyeInPlace) {
    DrawFixture f;
    auto m = FlatMap(40, 40);
    f.settings.mCameraPivot = true;
    f.settings.mFramesPerSecond = 4.0f;
    Aim(*m, 400, 400, 0.0f, 2);
    m->PositionCamera();
    const float ex = m->mEyeX, ey = m->mEyeY;
    m->BogusRotate(1.0f);
    m->PositionCamera();
    EXPECT_NEAR(m->mEyeX, ex, 0.05f);
    EXPECT_NEAR(m->mEyeY, ey, 0.05f);
    f.settings.mCameraPivot = false;
    m->BogusRotate(1.0f);
    EXPECT_EQ(m->mCameraX[0], m->mCameraX[0]);
}

TEST(DrawCamera, ShakeOffClearsPendingShakeAndShakeDecays) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0, 1);
    m->mShake = 2.0f;
    f.settings.mCameraShake = 1;
    f.settings.mFrameMs = 100;
    m->PositionCamera();
    EXPECT_NEAR(m->mShake, 2.0f - 2.15f * 100 * 0.0012f, 1e-4f);
    f.settings.mCameraShake = 0;
    m->PositionCamera();
    EXPECT_EQ(m->mShake, 0.0f);
}

TEST(DrawCamera, BadCameraFieldsAreMadeSaneBeforeUse) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    Aim(*m, NAN, INFINITY, NAN, 77);
    m->mLevelTransition = NAN;
    m->mShake = -5.0f;
    m->PositionCamera();
    EXPECT_EQ(m->mCameraLevel[0], 8);
    EXPECT_TRUE(std::isfinite(m->mCameraX[0]) && std::isfinite(m->mCameraY[0]));
    EXPECT_TRUE(std::isfinite(m->mCameraZ));
    m->BogusRotate(NAN);
    m->BogusMove(3, INFINITY);
    EXPECT_TRUE(std::isfinite(m->mCameraHeading[0]) && std::isfinite(m->mCameraX[0]));
}

TEST(DrawCamera, FogFollowsWeatherAndPreference) {
    DrawFixture f;
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0, 1);
    battle.mWeather = 5;
    m->PositionCamera();
    EXPECT_TRUE(g3D->mFogOn);
    f.settings.mWeatherGraphics = 0;
    m->PositionCamera();
    EXPECT_FALSE(g3D->mFogOn);
    gBattle = old;
}

TEST(DrawCamera, DistanceToCameraMeasuresFromTheGroundPointAtEyeHeight) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    Aim(*m, 10, 10, 0, 1);
    m->mCameraHeight = 20.0f;
    m->mFieldOfView = 33.0f;
    float fov = 0;
    EXPECT_FLOAT_EQ(m->DistanceToCamera(13, 14, 20, &fov), 5.0f);
    EXPECT_EQ(fov, 33.0f);
    // The rough resolution straight below the camera is the screen width / 0.0001.
    m->mScreenWidth = 800;
    EXPECT_FLOAT_EQ(m->GetRoughResolution(10, 10, 20), 800.0f / 0.0001f);
}

} // namespace

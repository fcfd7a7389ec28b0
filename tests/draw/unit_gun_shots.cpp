// A gun's shot as the replay shows it: the barrel kicks back and returns by
// the firing clock read from the battle's shell packets, the muzzle flashes
// while the shot is fresh; a dead soft vehicle lists, a dead tank does not.
#include <gtest/gtest.h>

#include "DrawTestUtil.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "draw/UnitDraw.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

using namespace dtest;

namespace {

class GunShots : public ::testing::Test {
protected:
    DrawFixture f{false};
    BattleScope scope;
    TestRows<VehicleData, 2> vehicles{gVehicleData};
    TestRows<WeaponData, 287> weapons{gWeaponData};
    Vehicle tank;

    void SetUp() override {
        weapons[5].mClass = kWClassGun;
        weapons[5].mCalibre = 75.4f; // 75 whole millimetres
        weapons[kWeaponNone].mClass = kWClassSmallArms;
        vehicles[0].mMainWeapon = 5;
        vehicles[0].mMobilityClass = 3;
        vehicles[1].mMainWeapon = kWeaponNone; // a lorry
        vehicles[1].mMobilityClass = 1;
        tank.mSubtype = 0;
        tank.mActive = true;
        Shot(&tank, 100);
    }
    void Shot(Unit* firer, int16_t slice) {
        ActionPacket* p = scope.battle.CreateActionPacket(0);
        p->mType = kPacketShell;
        p->mFirer = firer;
        p->mTimeSlice = slice;
    }
    // The barrel's offset along y at a slice, 0 when none.
    float RecoilAt(int32_t slice) {
        scope.battle.mPlayNow = slice;
        f.recorder.mCalls.clear();
        tank.ShowRecoil(-0.012f);
        auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
        return moves.empty() ? 0.0f : moves[0]->mArgs[1];
    }
};

TEST_F(GunShots, TheBarrelKicksWithinAQuarterSecondAndIsHomeASecondLater) {
    // 40 slices a second: ages 2.5, 2.25, 1.75 and 1.25 s.
    EXPECT_FLOAT_EQ(UnitShotAge(&tank), 0.0f); // before any slice is shown
    EXPECT_EQ(RecoilAt(100), 0.0f);
    EXPECT_FLOAT_EQ(UnitShotAge(&tank), 2.5f);
    EXPECT_FLOAT_EQ(RecoilAt(110), -0.012f * 0.02f * 75.0f * 1.0f);
    EXPECT_FLOAT_EQ(RecoilAt(130), -0.012f * 0.02f * 75.0f * 0.5f);
    EXPECT_EQ(RecoilAt(150), 0.0f);
    EXPECT_EQ(RecoilAt(99), 0.0f);                           // a rewind to before the shot
    EXPECT_FLOAT_EQ(RecoilAt(110), -0.012f * 0.02f * 75.0f); // and forward again: the same picture
    EXPECT_NEAR(RecoilFactor(1.5f), 0.25f, 1e-6f);
    EXPECT_NEAR(RecoilFactor(2.45f), 5.0f * (1.0f - 0.8f * 1.2f), 1e-6f);
    EXPECT_EQ(RecoilFactor(0.0f), 0.0f);

    // A later shot restarts the clock; another unit's shot is not this one's.
    Vehicle other;
    other.mSubtype = 0;
    Shot(&other, 300);
    EXPECT_EQ(RecoilAt(305), 0.0f);
    Shot(&tank, 400);
    EXPECT_FLOAT_EQ(RecoilAt(410), -0.018f);

    // Only a gun recoils.
    weapons[5].mClass = kWClassMortar;
    EXPECT_EQ(RecoilAt(410), 0.0f);
}

TEST_F(GunShots, TheFlashShowsAtTheShotAndIsGoneTwoSecondsLaterWithTheStackAsItWas) {
    scope.battle.mPlayNow = 100;
    f.recorder.mCalls.clear();
    tank.DrawGunflash(1.0f, 0.0f, 0.07f, 0.05f);
    EXPECT_GT(f.recorder.Count(DrawOp::kFan), 0);
    EXPECT_GT(f.recorder.Count(DrawOp::kStrip), 0);
    EXPECT_EQ(f.recorder.Count(DrawOp::kPush), f.recorder.Count(DrawOp::kPop));
    auto opacity = CallsOf(f.recorder, DrawOp::kOpacity);
    ASSERT_FALSE(opacity.empty());
    EXPECT_EQ(opacity.back()->mArgs[0], 1.0f); // left as it was found
    scope.battle.mPlayNow = 180;
    f.recorder.mCalls.clear();
    tank.DrawGunflash(1.0f, 0.0f, 0.07f, 0.05f);
    EXPECT_EQ(f.recorder.Polygons(), 0);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST_F(GunShots, ADeadLorryListsAndADeadTankDoesNot) {
    auto rolls = [&](Vehicle& v) {
        f.recorder.mCalls.clear();
        float scale = 1.0f;
        v.ScaleForType(&scale, 0.0f, 0.0f, 0.0f);
        int32_t n = 0;
        for (const DrawCall* c : CallsOf(f.recorder, DrawOp::kRotate))
            if (c->mArgs[0] == 1.0f && c->mArgs[1] == 3.7f) ++n;
        return n;
    };
    Vehicle lorry;
    lorry.mSubtype = 1;
    lorry.mActive = true;
    EXPECT_EQ(rolls(lorry), 0);
    lorry.mActive = false;
    EXPECT_EQ(rolls(lorry), 1);
    tank.mActive = false;
    EXPECT_EQ(rolls(tank), 0);
    vehicles[1].mMobilityClass = 6; // an emplacement stands
    EXPECT_EQ(rolls(lorry), 0);
}

} // namespace

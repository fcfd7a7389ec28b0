// A gun's shot as the replay shows it: the barrel kicks back and returns by
// the firing clock read from the battle's shell packets, the muzzle flashes
// while the shot is fresh; a dead soft vehicle lists, a dead tank does not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "DrawTestUtil.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "draw/UnitDraw.h"
#include "engine/GGraphic.h"
#include "map/Map.h"
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

TEST_F(GunShots, TheFlashAndTheBlastCloudGrowAndLastByTheRootOfTheCalibre) {
    // A 75 mm flash is 2 m across for 0.25 s, the cloud of the blast pictures lasts 1 s; a quarter of the
    // calibre halves both. The general model's 28.9 m a unit; 40 slices a second; the shot at slice 100.
    std::unique_ptr<Map> map = FlatMap(4, 4);
    GGraphic blast[20];
    for (int32_t k = 0; k < 20; ++k)
        map->mBlastTextures[k] = &blast[k];
    scope.battle.mMap = map.get();
    const struct {
        float calibre;
        int32_t after;      // slices since the shot
        float flashAcross;  // metres, 0 none
        int32_t cloudFrame; // blast picture slot, -1 none
    } rows[] = {
        {75.0f, 0, 2.0f, 0},    {75.0f, 5, 1.5f, 1},
        {75.0f, 10, 0.0f, 12},  {75.0f, 20, 0.0f, 15},
        {75.0f, 39, 0.0f, 19},  {75.0f, 40, 0.0f, -1},
        {18.75f, 0, 1.0f, 0},   {18.75f, 5, 0.0f, 12},
        {18.75f, 20, 0.0f, -1}, {300.0f, 19, 0.0f + 4.0f * (0.5f + 0.5f * (1.0f - 19.0f / 20.0f)), 2},
        {300.0f, 60, 0.0f, 17}, {300.0f, 80, 0.0f, -1},
    };
    for (const auto& r : rows) {
        weapons[5].mCalibre = r.calibre;
        scope.battle.mPlayNow = 100 + r.after;
        f.recorder.mCalls.clear();
        tank.DrawGunflash(1.0f, 0.0f, 0.07f, 0.05f);
        const std::string at = std::to_string(r.calibre) + " mm, " + std::to_string(r.after) + " slices";
        auto scales = CallsOf(f.recorder, DrawOp::kScale);
        if (r.flashAcross > 0.0f) {
            ASSERT_EQ(scales.size(), 1u) << at;
            EXPECT_NEAR(2.0f * scales[0]->mArgs[0] * 28.9f, r.flashAcross, 1e-4f) << at;
            EXPECT_GT(f.recorder.Count(DrawOp::kFan), 0) << at;
        } else {
            EXPECT_TRUE(scales.empty()) << at;
        }
        auto sheets = CallsOf(f.recorder, DrawOp::kTexturedQuad);
        if (r.cloudFrame < 0) {
            EXPECT_TRUE(sheets.empty()) << at;
        } else {
            ASSERT_EQ(sheets.size(), 3u) << at;
            EXPECT_EQ(sheets[0]->mTexture, &blast[r.cloudFrame]) << at;
        }
        EXPECT_EQ(f.recorder.Count(DrawOp::kPush), f.recorder.Count(DrawOp::kPop)) << at;
        if (!f.recorder.mCalls.empty()) {
            EXPECT_EQ(CallsOf(f.recorder, DrawOp::kOpacity).back()->mArgs[0], 1.0f) << at; // as found
        }
    }
    // A slice looks the same however it is reached: the same calls twice.
    weapons[5].mCalibre = 75.0f;
    scope.battle.mPlayNow = 102;
    f.recorder.mCalls.clear();
    tank.DrawGunflash(1.0f, 0.0f, 0.07f, 0.05f);
    const auto first = CallsOf(f.recorder, DrawOp::kRotate);
    f.recorder.mCalls.clear();
    tank.DrawGunflash(1.0f, 0.0f, 0.07f, 0.05f);
    const auto second = CallsOf(f.recorder, DrawOp::kRotate);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i]->mArgs[1], second[i]->mArgs[1]);
    scope.battle.mMap = nullptr;
}

TEST_F(GunShots, AVehicleIsDrawnAtTheUnitItsModelWasMadeIn) {
    // The M10's own model is made at 32.5038 m a unit, the general model's variants at 28.9.
    for (const auto& [model, unit] : {std::pair{234, 32.5038f}, std::pair{30, 28.9f}, std::pair{28, 28.9f}}) {
        vehicles[0].mModel = model;
        float scale = 1.0f;
        f.recorder.mCalls.clear();
        tank.ScaleForType(&scale, 0.0f, 0.0f, 0.0f);
        EXPECT_FLOAT_EQ(scale, unit) << "model " << model;
    }
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

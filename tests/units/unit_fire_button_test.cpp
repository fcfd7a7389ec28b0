// A gun firing at something close makes its crew button up: below 50 m for
// high-explosive rounds (of either class), below 25 m for every other round;
// a hasty shot, or a weapon that is not a gun, leaves the hatches as they are.

#include "unit_fire_fixture.h"

using namespace firetest;

namespace {

class ButtonUpRange : public FireBattle {
protected:
    ButtonUpRange() {
        tank = Place<Tank>(kAxis, 1000.0f, 1000.0f);
        tank->kit.mWeapon = 2;
        tank->kit.mClass = kWClassGun;
        tank->mAreaTarget = true;
        tank->mAreaTargetY = 1000.0f;
        for (int32_t i = 0; i < kVehicleModelCount; ++i)
            mModels[i].mOpeningHatches = 1; // the crew can open and shut its hatches
    }
    // Whether the open tank is buttoned after one round at the point `metres` east.
    bool ButtonedAfter(AmmoClass round, float metres) {
        tank->mButtoned = false;
        tank->mAreaTargetX = 1000.0f + metres;
        tank->Fire(round, 0);
        return tank->mButtoned;
    }
    Rows<VehicleModelData> mModels{gVehicleModelData, kVehicleModelCount};
    Tank* tank;
};

TEST_F(ButtonUpRange, HighExplosiveButtonsUpBelowFiftyMetres) {
    for (AmmoClass he : {kAmmoHE, kAmmoHE75}) {
        EXPECT_TRUE(ButtonedAfter(he, 49.5f)) << int(he);
        EXPECT_TRUE(ButtonedAfter(he, 30.0f)) << int(he);
        EXPECT_FALSE(ButtonedAfter(he, 50.5f)) << int(he);
    }
}

TEST_F(ButtonUpRange, OtherRoundsButtonUpBelowTwentyFiveMetres) {
    for (AmmoClass round : {kAmmoAP, kAmmoAP75, kAmmoHEAT}) {
        EXPECT_TRUE(ButtonedAfter(round, 24.5f)) << int(round);
        EXPECT_FALSE(ButtonedAfter(round, 25.5f)) << int(round);
        EXPECT_FALSE(ButtonedAfter(round, 30.0f)) << int(round);
    }
}

TEST_F(ButtonUpRange, AHastyShotOrANonGunLeavesTheHatchesOpen) {
    tank->mHastyFire = true;
    EXPECT_FALSE(ButtonedAfter(kAmmoHE, 10.0f));
    tank->mHastyFire = false;
    tank->kit.mClass = kWClassSmallArms;
    EXPECT_FALSE(ButtonedAfter(kAmmoHE, 10.0f));
    tank->kit.mClass = kWClassTwinGun;
    EXPECT_TRUE(ButtonedAfter(kAmmoHE, 10.0f));
}

} // namespace

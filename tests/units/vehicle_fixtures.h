#pragma once
// Shared pieces of the vehicle tests: table rows for a few vehicle types
// and a small battle on a blank map into which vehicles are put.

#include "units/Vehicle.h"
#include "units/unit_conduct_fixtures.h"

// Vehicle types of the test rows.
constexpr VehicleType kTestTank = 1;    // armoured, turret, gun, tracks
constexpr VehicleType kTestLorry = 2;   // soft, wheels
constexpr VehicleType kTestBunker = 3;  // fixed emplacement
constexpr VehicleType kTestRearGun = 4; // no turret, gun facing the rear
constexpr VehicleType kTestGeneral = 409;

struct VehicleTables {
    VehicleTables() {
        for (int32_t i = 0; i < kVehicleClassCount; ++i)
            classes[i].mGeneralType = kTestGeneral;
        for (int32_t i = 0; i < kVehicleCount; ++i) {
            VehicleData& d = vehicles[i];
            d.mMainWeapon = kWeaponNone;
            d.mBowMG = d.mCoaxMG = d.mFreeMG = kSmallArmsNone;
            d.mTurretKind = 5;
        }
        VehicleData& tank = vehicles[kTestTank];
        tank.mWeight = 30;
        tank.mCrew = 5;
        tank.mTopSpeed = 25;
        tank.mPower = 600;
        tank.mKind = 2;
        tank.mMainWeapon = 1;
        tank.mTurretKind = 2;
        tank.mArmorPlates[0].mThickness = 50;
        tank.mArmorPlates[2].mThickness = 60;
        tank.mArmorPlates[7].mThickness = 30;
        tank.mArmorPlates[8].mThickness = 30;
        tank.mRoofArmorA = 10;
        tank.mRoofArmorB = 10;
        tank.mTargetSize = 1.0f;
        tank.mHullFigure = 1.0f;
        tank.mClass = 3;
        VehicleData& lorry = vehicles[kTestLorry];
        lorry.mWeight = 15;
        lorry.mCrew = 2;
        lorry.mTopSpeed = 40;
        lorry.mPower = 100;
        lorry.mKind = 0;
        lorry.mTargetSize = 0.8f;
        lorry.mTransportClass = 10;
        lorry.mPassengerSlots = 2;
        VehicleData& bunker = vehicles[kTestBunker];
        bunker.mKind = 6;
        bunker.mCrew = 3;
        bunker.mWeight = 100;
        bunker.mGunArc = 45;
        VehicleData& rear = vehicles[kTestRearGun];
        rear = tank;
        rear.mTurretKind = 5;
        rear.mGunArc = -30;
        rear.mGunArcClockwise = -30;
        weapons[1].mClass = kWClassGun;
        weapons[1].mMinRange = 5.0f;
        weapons[1].mMaxRange = 2000.0f;
        for (int32_t i = 0; i < kInfantryCount; ++i)
            infantry[i].mMobility = 0;
        infantry[7].mMobility = 10;
        models[0].mOpeningHatches = 1;
    }
    TableRows<VehicleClassChart> classes{gVehicleClassChart, kVehicleClassCount};
    TableRows<VehicleData> vehicles{gVehicleData, kVehicleCount};
    TableRows<WeaponData> weapons{gWeaponData, kWeaponCount};
    TableRows<InfantryData> infantry{gInfantryData, kInfantryCount};
    TableRows<VehicleModelData> models{gVehicleModelData, kVehicleModelCount};
    TableRows<MovementSpeedChart> paces{gMovementSpeedChart, kMovementSpeedCount};
};

// A vehicle set up at (x, y) facing `heading`, active, of `side`.
inline Vehicle* MakeTestVehicle(VehicleType type, Affiliation side, float x, float y, float heading = 0.0f) {
    auto* v = new Vehicle;
    v->IVehicle(type, side == kAxis ? kForceDefaultAxis : kForceDefaultAllies, kExperienceRegular, x, y,
                0.0f);
    v->mSide = side == kAxis ? 1 : 0;
    v->mHeading = heading;
    return v;
}

// A small battle whose units are vehicles.
class VehicleBattle : public SmallBattle {
public:
    explicit VehicleBattle(int32_t cols = 10, int32_t rows = 10) : SmallBattle(cols, rows) {}
    Vehicle* AddVehicle(VehicleType type, Affiliation side, float x, float y, float heading = 0.0f) {
        Vehicle* v = MakeTestVehicle(type, side, x, y, heading);
        mBattle.mUnits->Add(v);
        return v;
    }
    static void Order(Unit* u, float x, float y, MovementSpeedType pace, int32_t kind = kWaypointPathPoint) {
        Destination& d = u->mWaypoints[u->mNrWaypoints++];
        d = Destination{};
        d.mX = x;
        d.mY = y;
        d.mOrder = pace;
        d.mKind = kind;
    }
    // Calls the vehicle's per-slice conduct as the battle does, n times.
    void Drive(int32_t n) { RunSlices(n); }

    VehicleTables mTables;
};

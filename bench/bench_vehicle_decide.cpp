// The vehicle's per-slice decision in a battle of 300 vehicles, halted and
// without waypoints so that driving stays out (its own benchmark covers
// it) and the computer opponent's target search kept out, measured per
// vehicle and slice; and the value of a vehicle as new.
// Budgets: under 1.5 us (machine-gun fire included here) and 20 us.

#include <benchmark/benchmark.h>

#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

template <class T> struct Rows {
    Rows(DataTable<T>& t, int32_t n) : table(t), rows(static_cast<size_t>(n)) {
        oldRows = const_cast<T*>(t.Rows());
        oldCount = t.Count();
        t.Attach(rows.data(), n);
    }
    ~Rows() { table.Attach(oldRows, oldCount); }
    DataTable<T>& table;
    std::vector<T> rows;
    T* oldRows = nullptr;
    int32_t oldCount = 0;
};

struct DecideScene {
    DecideScene() {
        for (VehicleData& d : vehicles.rows) {
            d.mMainWeapon = 5;
            d.mBowMG = d.mFreeMG = kSmallArmsNone;
            d.mCoaxMG = 3;
            d.mCoaxMGCount = 1;
            d.mWeight = 30;
            d.mPower = 600;
            d.mTopSpeed = 25;
            d.mCrew = 5;
            d.mKind = 2;
            d.mTurretKind = 2;
            d.mHasTurretArmor = 1;
            d.mTargetSize = 1.0f;
            d.mMaxRounds = 60;
            const int16_t plates[9] = {80, 50, 40, 40, 30, 30, 30, 20, 20};
            for (int i = 0; i < 9; ++i)
                d.mArmorPlates[i] = {plates[i], 30};
            d.mTopArmor[0] = 10;
            d.mTopArmor[1] = 15;
        }
        WeaponData& g = weapons.rows[5];
        g.mClass = kWClassGun;
        g.mCalibre = 75.0f;
        g.mMaxRange = 2000.0f;
        g.mAmmo[0] = {1, 800.0f};
        ammo.rows[1].mClass = kAmmoAP;
        ammo.rows[1].mShellType = 8;
        ammo.rows[1].mShellMass = 15.0f;
        ammo.rows[1].mLastDate = 9999;
        arms.rows[3].mMaxRange = 300;
        old = gBattle;
        gBattle = &battle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 0);
        battle.mSetupPhase = false;
        battle.mComputing = true;
        SeedRandomGenerator(1);
        for (int32_t i = 0; i < 300; ++i) {
            auto* v = new Vehicle;
            v->IVehicle(1, kForceDefaultAxis, kExperienceRegular, 20.0f + (i % 20) * 45.0f,
                        20.0f + (i / 20) * 60.0f, 0.0f);
            v->mSide = i < 150 ? 1 : 0;
            v->mActive = true;
            v->mAmmo[1] = 40;
            v->mArtilleryDelay = 99.0f; // the target search has its own benchmark
            battle.mUnits->Add(v);
            units.push_back(v);
        }
    }
    ~DecideScene() { gBattle = old; }
    Rows<VehicleData> vehicles{gVehicleData, kVehicleCount};
    Rows<WeaponData> weapons{gWeaponData, kWeaponCount};
    Rows<AmmoData> ammo{gAmmoData, 8};
    Rows<SmallArmsData> arms{gSmallArmsData, kSmallArmsCount};
    Battle battle;
    Battle* old = nullptr;
    std::vector<Vehicle*> units;
};

void BM_VehicleComputeActionPerSlice(benchmark::State& state) {
    DecideScene s;
    int32_t slice = 0;
    for (auto _ : state) {
        s.battle.mTimeSlice = slice % kSlicesPerTurn;
        for (Vehicle* v : s.units) {
            v->mSliceCount = slice;
            v->ComputeAction();
        }
        ++slice;
        if (slice % 2048 == 0) {
            state.PauseTiming();
            s.battle.mPackets.EmptyOut(true);
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s.units.size()));
}
BENCHMARK(BM_VehicleComputeActionPerSlice);

void BM_VehicleValueAsNew(benchmark::State& state) {
    DecideScene s;
    Vehicle* v = s.units[3];
    for (auto _ : state)
        benchmark::DoNotOptimize(v->GetVPValue(true, kKnowTruth));
}
BENCHMARK(BM_VehicleValueAsNew);

} // namespace

// The vehicle's per-slice decision in a battle of 300 vehicles, halted and
// without waypoints so that driving stays out (its own benchmark covers
// it) and the computer opponent's target search kept out, measured per
// vehicle and slice, alone and with the fear reaction as its clock calls
// it; the retreat search through both full trees and one that finds a
// spot at once; and the value of a vehicle as new.
// Budgets: under 1.5 us per slice (machine-gun fire included here), 3 ms
// and 0.3 ms for the searches, and 20 us.

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
    explicit DecideScene(int32_t count = 300) {
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
        for (int32_t i = 0; i < count; ++i) {
            auto* v = new Vehicle;
            v->IVehicle(1, kForceDefaultAxis, kExperienceRegular, 20.0f + (i % 20) * 45.0f,
                        20.0f + (i / 20) * 60.0f, 0.0f);
            v->mSide = i < count / 2 ? 1 : 0;
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

// As the unit's conduct calls it: the fear reaction when the fear clock
// runs out, the clock then set 2 to 6 s on.
void BM_VehicleDecideAndFearPerSlice(benchmark::State& state) {
    DecideScene s;
    int32_t slice = 0;
    for (Vehicle* v : s.units)
        v->mFearClock = static_cast<int32_t>(RandomPick(240));
    for (auto _ : state) {
        s.battle.mTimeSlice = slice % kSlicesPerTurn;
        for (Vehicle* v : s.units) {
            v->mSliceCount = slice;
            v->ComputeAction();
            if (--v->mFearClock <= 0) {
                v->FearReaction();
                if (v->mFearClock < 0) v->mFearClock = 0;
                v->mFearClock = static_cast<int32_t>(v->mFearClock + (4.0 * RandomFraction() + 2.0) * 40.0);
            }
        }
        ++slice;
        if (slice % 2048 == 0) {
            state.PauseTiming();
            s.battle.mPackets.EmptyOut(true);
            for (Vehicle* v : s.units)
                v->mNrWaypoints = 0; // orders from the reactions end; the drive is not measured
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(s.units.size()));
}
BENCHMARK(BM_VehicleDecideAndFearPerSlice);

// Open ground seen all over by a gun: no spot in either tree. The search
// alone, with the searcher and its threat the only units; the second
// figure is the same search among 300 vehicles, where the occupancy
// test's scan of the units for collisions takes most of the time.
void BM_VehicleBugOutFullTrees(benchmark::State& state) {
    DecideScene s(static_cast<int32_t>(state.range(0)));
    Vehicle* v = s.units[0];
    Vehicle* threat = s.units.back();
    v->mX = v->mY = 500.0f;
    threat->mX = 700.0f;
    threat->mY = 500.0f;
    threat->mContactLevel = kContactFull;
    for (auto _ : state) {
        v->mNrWaypoints = 0;
        benchmark::DoNotOptimize(v->BugOut(threat, false, false, 0.0f));
    }
}
BENCHMARK(BM_VehicleBugOutFullTrees)->Arg(2)->Arg(300)->Unit(benchmark::kMillisecond);

// A machine gun 40 m to the side: a spot out of its reach two levels on.
void BM_VehicleBugOutNearSpot(benchmark::State& state) {
    DecideScene s(2);
    s.vehicles.rows[2] = s.vehicles.rows[1];
    s.vehicles.rows[2].mMainWeapon = kWeaponNone;
    Vehicle* v = s.units[0];
    auto* threat = new Vehicle;
    threat->IVehicle(2, kForceDefaultAllies, kExperienceRegular, 540.0f, 500.0f, 0.0f);
    threat->mActive = true;
    threat->mContactLevel = kContactFull;
    s.battle.mUnits->Add(threat);
    v->mX = v->mY = 500.0f;
    v->mHeading = 90.0f;
    for (auto _ : state) {
        v->mNrWaypoints = 0;
        benchmark::DoNotOptimize(v->BugOut(threat, false, false, 0.0f));
    }
    if (v->mNrWaypoints != 2) state.SkipWithError("no spot two levels on");
}
BENCHMARK(BM_VehicleBugOutNearSpot)->Unit(benchmark::kMicrosecond);

void BM_VehicleValueAsNew(benchmark::State& state) {
    DecideScene s;
    Vehicle* v = s.units[3];
    for (auto _ : state)
        benchmark::DoNotOptimize(v->GetVPValue(true, kKnowTruth));
}
BENCHMARK(BM_VehicleValueAsNew);

} // namespace

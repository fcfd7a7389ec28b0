// Vehicles: one vehicle's drive step in a battle of 300 units (collision
// search included), hull-down from the sight cache, a turret step, and the
// records of 300 vehicles. Budgets: under 2 us, 100 ns, 50 ns and 5 ms.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

struct Scene {
    Scene() {
        rows.resize(kVehicleCount);
        for (VehicleData& d : rows) {
            d.mMainWeapon = kWeaponNone;
            d.mBowMG = d.mCoaxMG = d.mFreeMG = kSmallArmsNone;
            d.mWeight = 30;
            d.mCrew = 5;
            d.mTopSpeed = 25;
            d.mPower = 600;
            d.mKind = 2;
            d.mTurretKind = 2;
            d.mTargetSize = 1.0f;
        }
        oldRows = const_cast<VehicleData*>(gVehicleData.Rows());
        oldCount = gVehicleData.Count();
        gVehicleData.Attach(rows.data(), kVehicleCount);
        old = gBattle;
        gBattle = &battle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 0);
        battle.mSetupPhase = false;
        SeedRandomGenerator(1);
        for (int32_t i = 0; i < 300; ++i) {
            auto* v = new Vehicle;
            v->IVehicle(1, kForceDefaultAxis, kExperienceRegular, 20.0f + (i % 20) * 45.0f,
                        20.0f + (i / 20) * 60.0f, 0.0f);
            battle.mUnits->Add(v);
            vehicles.push_back(v);
        }
    }
    ~Scene() {
        gBattle = old;
        gVehicleData.Attach(oldRows, oldCount);
    }
    std::vector<VehicleData> rows;
    VehicleData* oldRows = nullptr;
    int32_t oldCount = 0;
    Battle battle;
    Battle* old = nullptr;
    std::vector<Vehicle*> vehicles;
};

void BM_VehicleMoveStep(benchmark::State& state) {
    Scene s;
    Vehicle* v = s.vehicles[150];
    for (auto _ : state) {
        if (v->mNrWaypoints == 0) {
            v->mX = 200.0f;
            v->mWaypoints[0] = Destination{};
            v->mWaypoints[0].mX = 900.0f;
            v->mWaypoints[0].mY = v->mY;
            v->mNrWaypoints = 1;
        }
        v->Move();
    }
}
BENCHMARK(BM_VehicleMoveStep);

void BM_VehicleHullDownCached(benchmark::State& state) {
    Scene s;
    Vehicle* a = s.vehicles[0];
    Vehicle* b = s.vehicles[1];
    a->HullDownTo(b); // fills the cache
    for (auto _ : state)
        benchmark::DoNotOptimize(a->HullDownTo(b));
}
BENCHMARK(BM_VehicleHullDownCached);

void BM_VehicleTurretStep(benchmark::State& state) {
    Scene s;
    Vehicle* v = s.vehicles[3];
    float x = 500.0f;
    for (auto _ : state) {
        v->RotateTurretToward(x, 300.0f);
        v->KeepTurretInBounds();
        if (v->mTurretRate == 0.0f) x = x > 400.0f ? 100.0f : 500.0f;
    }
}
BENCHMARK(BM_VehicleTurretStep);

void BM_VehicleRecords300(benchmark::State& state) {
    Scene s;
    for (auto _ : state) {
        GFile file;
        file.ITempFile(false);
        for (Vehicle* v : s.vehicles)
            v->Write(&file);
        file.Rewind();
        for (size_t i = 0; i < s.vehicles.size(); ++i) {
            file.ReadChar();
            Vehicle back;
            back.Read(&file);
        }
    }
}
BENCHMARK(BM_VehicleRecords300)->Unit(benchmark::kMillisecond);

} // namespace

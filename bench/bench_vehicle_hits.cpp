// Vehicle hits: one direct hit through both stages and its damage, packets
// included, at 150 m and 600 m; the effective armour in mean mode; and one
// slice of machine-gun fire with nothing in range in a battle of 300 units.
// Budgets: under 2 us, 150 ns and 5 us.

#include <benchmark/benchmark.h>

#include <vector>

#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
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

struct HitScene {
    HitScene() {
        for (VehicleData& d : vehicles.rows) {
            d.mMainWeapon = 5;
            d.mBowMG = d.mFreeMG = kSmallArmsNone;
            d.mCoaxMG = 3;
            d.mCoaxMGCount = 1;
            d.mCoaxIndependent = 1;
            d.mWeight = 30;
            d.mCrew = 5;
            d.mKind = 2;
            d.mTurretKind = 2;
            d.mHasTurretArmor = 1;
            d.mTargetSize = 1.0f;
            const int16_t plates[9] = {80, 50, 40, 40, 30, 30, 30, 20, 20};
            for (int i = 0; i < 9; ++i)
                d.mArmorPlates[i] = {plates[i], 30};
            d.mTopArmor[0] = 10;
            d.mTopArmor[1] = 15;
            d.mSkirtKind = 1;
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
            v->mMGRounds[0] = 200;
            battle.mUnits->Add(v);
            units.push_back(v);
        }
    }
    ~HitScene() { gBattle = old; }
    void DropPackets() {
        battle.mPackets.EmptyOut(true);
        battle.mPendingAttacks.EmptyOut(true);
    }
    Rows<VehicleData> vehicles{gVehicleData, kVehicleCount};
    Rows<WeaponData> weapons{gWeaponData, kWeaponCount};
    Rows<AmmoData> ammo{gAmmoData, 8};
    Rows<SmallArmsData> arms{gSmallArmsData, kSmallArmsCount};
    Battle battle;
    Battle* old = nullptr;
    std::vector<Vehicle*> units;
};

void Revive(Vehicle* v) {
    v->mActive = true;
    v->mKnockedOut = v->mBurning = v->mImmobile = v->mWeaponKnockedOut = false;
    v->mCasualties = 0;
    v->mSuppression = 0.0f;
    v->mBailOutCountdown = -1;
    v->mButtoned = true;
}

void BM_VehicleDirectHit(benchmark::State& state) {
    HitScene s;
    Vehicle* v = s.units[10];
    PendingAttack a;
    a.mWeaponClass = kWClassGun;
    a.mWeaponType = 5;
    a.mAmmoClass = kAmmoAP;
    // The range is the argument: the hull-down line of sight grows with it.
    a.mOriginX = v->mX + static_cast<float>(state.range(0));
    a.mOriginY = v->mY + 20.0f;
    a.mOriginZ = 1.0f;
    a.mHitChance = 0.5f;
    int32_t n = 0;
    for (auto _ : state) {
        Revive(v);
        gArmorHitReport.Clear();
        VehicleAspect aspect = kAspectFront;
        bool goOn = false;
        const VehicleHitLocation loc = v->HitStageOne(&a, &aspect, &goOn);
        if (goOn) v->HitStageTwo(&a, loc, aspect);
        benchmark::DoNotOptimize(gArmorHitReport);
        if (++n == 4096) {
            state.PauseTiming();
            s.DropPackets();
            n = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_VehicleDirectHit)->Arg(150)->Arg(600);

void BM_VehicleArmorBasisMean(benchmark::State& state) {
    HitScene s;
    Vehicle* v = s.units[10];
    float x = v->mX + 500.0f;
    for (auto _ : state) {
        bool face = false;
        int32_t h = 0;
        float ratio = 0.0f;
        benchmark::DoNotOptimize(v->CalculateArmorBasis(x, v->mY + 200.0f, 2.0f, true, kHitLowerHull,
                                                        kAspectSide, true, 75.0f, kWClassGun, kAmmoAP, 8,
                                                        kKnowTruth, &face, &h, &ratio, true, nullptr));
        x += 0.01f;
    }
}
BENCHMARK(BM_VehicleArmorBasisMean);

void BM_VehicleMachineGunsNothingInRange(benchmark::State& state) {
    HitScene s;
    Vehicle* v = s.units[10]; // the enemy stands 300 m away and more, beyond the guns' 300 m
    for (auto _ : state) {
        v->mMGWait[1] = 0.0f;
        v->FireMachineGuns();
        benchmark::DoNotOptimize(v->mMGWait[1]);
    }
}
BENCHMARK(BM_VehicleMachineGunsNothingInRange);

} // namespace

// Spotting, firing, hit chance and shell error of units on a flat map with
// the sight cache on and the fog of war at its fullest.

#include <benchmark/benchmark.h>

#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

// Sight answers as the battle gives them to the map's cache: no unit moves.
class StandingLink : public MapBattleLink {
public:
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    int32_t GetMoveStamp(Unit*) override { return 0; }
    void GetUnitXY(Unit* u, float* x, float* y) override { *x = u->mX, *y = u->mY; }
    Affiliation GetSide(Unit* u) override { return u->GetAffiliation(); }
};

Map* CurrentMap() {
    return gBattle->mMap;
}

// Seen from the cache as infantry will be: up to 1000 m in full view.
float CachedSpottingRange(Unit* self, Unit* spotter) {
    bool los = false;
    float vis = 0.0f;
    Map* map = CurrentMap();
    if (!map->CheckStoredLOS(spotter, self, &los, &vis, nullptr, nullptr)) {
        bool answered =
            map->CheckLOS(false, true, false, spotter->mX, spotter->mY, spotter->GetZ() + 1.5f, self->mX,
                          self->mY, self->GetZ() + 1.5f, &vis, nullptr, nullptr, nullptr, nullptr);
        los = answered && vis > 0.0f;
        map->StoreLOS(spotter, self, los, vis, false, false, false);
    }
    return los ? 1000.0f * vis : 0.0f;
}

class Rifleman : public Unit {
public:
    Rifleman() { mUnitType = kUnitInfantry; }
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = 1;
        if (wclass) *wclass = mClass;
        return 0;
    }
    float SpottingRange(Unit* spotter) override { return CachedSpottingRange(this, spotter); }
    FogOfWarContact SpotLevel(bool, Unit* only) override { return SpotLevelX(50.0f, 1.0f, only); }
    bool InGoodOrder() override { return mActive && mSuppression < 350.0f && !mSurrendered; }
    float SmallArmsFirepower(float, MGPenetration* out, bool, bool) override {
        if (out) *out = 1;
        return 20.0f;
    }
    float FullLoadTime(bool, bool) override { return 3.0f; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    WeaponClass mClass = kWClassSmallArms;
};

class Panzer : public Vehicle {
public:
    float SpottingRange(Unit* spotter) override { return CachedSpottingRange(this, spotter); }
    bool InGoodOrder() override { return mActive; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

// A battle of `perSide` units a side: the Axis in a block at x 1000..1200,
// the Allies at x 1400..1800, so that pairs stand 200 to 800 m apart.
struct Field {
    explicit Field(int32_t perSide) : mOld(gBattle) {
        mWeapons.resize(kWeaponCount);
        mVehicles.resize(2);
        for (WeaponData& w : mWeapons)
            w.mMaxRange = 5000.0f;
        mVehicles[0].mTargetSize = 1.0f;
        mOldWeapons = const_cast<WeaponData*>(gWeaponData.Rows()), mOldWeaponCount = gWeaponData.Count();
        mOldVehicles = const_cast<VehicleData*>(gVehicleData.Rows()), mOldVehicleCount = gVehicleData.Count();
        gWeaponData.Attach(mWeapons.data(), kWeaponCount);
        gVehicleData.Attach(mVehicles.data(), 2);
        mBattle.IBattleStub();
        mBattle.mMap = new Map;
        mBattle.mMap->IBlankMap(120, 120, 1.0f, 54);
        mBattle.mMap->SetBattleLink(&mLink);
        mBattle.mVisibilityDistance = 3000.0f;
        mBattle.mTimeSlice = 0;
        gBattle = &mBattle;
        SeedRandomGenerator(12345);
        for (int32_t side = 0; side < 2; ++side) {
            for (int32_t i = 0; i < perSide; ++i) {
                auto* u = new Rifleman;
                u->mSide = static_cast<char>(side);
                u->mActive = true;
                u->mX = (side ? 1000.0f : 1400.0f) + static_cast<float>(RandomPick(side ? 200 : 400));
                u->mY = 1000.0f + static_cast<float>(RandomPick(400));
                mBattle.mUnits->Add(u);
            }
        }
    }
    ~Field() {
        gBattle = mOld;
        gWeaponData.Attach(mOldWeapons, mOldWeaponCount);
        gVehicleData.Attach(mOldVehicles, mOldVehicleCount);
    }
    Unit* At(int32_t i) { return mBattle.mUnits->GetUnit(i); }

    StandingLink mLink;
    Battle mBattle;
    Battle* mOld;
    std::vector<WeaponData> mWeapons;
    std::vector<VehicleData> mVehicles;
    WeaponData* mOldWeapons;
    int32_t mOldWeaponCount;
    VehicleData* mOldVehicles;
    int32_t mOldVehicleCount;
};

void BM_SpotOneUnitAgainst150CachedEnemies(benchmark::State& state) {
    Field field(150);
    Unit* looked = field.At(0); // an Allied rifleman, looked for by 150 Axis ones
    looked->SpotLevelX(50.0f, 1.0f, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(looked->SpotLevelX(50.0f, 1.0f, nullptr));
}
BENCHMARK(BM_SpotOneUnitAgainst150CachedEnemies)->Unit(benchmark::kMicrosecond);

void BM_SpottingPhaseOf300StandingUnits(benchmark::State& state) {
    Field field(150);
    for (auto _ : state) {
        field.mBattle.mMap->DeleteLOSTable(); // the first look at each pair counts
        for (int32_t i = 0; i < 300; ++i)
            field.At(i)->BeSpotted(true, false);
        for (int32_t slice = 0; slice <= 2400; ++slice) {
            for (int32_t i = 0; i < 300; ++i) {
                Unit* u = field.At(i);
                u->mSliceCount = slice;
                u->BeSpotted(false, false);
            }
        }
    }
}
BENCHMARK(BM_SpottingPhaseOf300StandingUnits)->Unit(benchmark::kMillisecond);

void BM_FireOneSmallArmsShot(benchmark::State& state) {
    Field field(2);
    Unit* firer = field.At(2);
    firer->mTarget = field.At(0);
    firer->mAmmo[kAmmoHE] = 100;
    int32_t n = 0;
    for (auto _ : state) {
        firer->mTarget = field.At(0);
        firer->Fire(kAmmoHE, 0);
        if (++n == 512) {
            state.PauseTiming();
            field.mBattle.mPackets.EmptyOut(true);
            field.mBattle.mPendingAttacks.EmptyOut(true);
            n = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_FireOneSmallArmsShot)->Unit(benchmark::kMicrosecond);

void BM_HitChanceWithThePairCached(benchmark::State& state) {
    Field field(1);
    auto* tank = new Panzer;
    tank->mX = 1700.0f, tank->mY = 1200.0f, tank->mActive = true;
    field.mBattle.mUnits->Add(tank);
    auto* gun = static_cast<Rifleman*>(field.At(1));
    gun->mClass = kWClassGun;
    gun->mTarget = tank;
    gun->CanSee(tank, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(gun->GetHitChance(kAmmoAP, 40, tank, kKnowTruth, 0));
}
BENCHMARK(BM_HitChanceWithThePairCached)->Unit(benchmark::kNanosecond);

void BM_PlacedShellErrorAtAnArea(benchmark::State& state) {
    Field field(1);
    Unit* gun = field.At(1);
    float ex, ey;
    for (auto _ : state) {
        gun->CalculatePlacedShellError(false, false, nullptr, 1600.0f, 1200.0f, 60, kWClassGun, false,
                                       kAmmoHE, &ex, &ey);
        benchmark::DoNotOptimize(ex);
    }
}
BENCHMARK(BM_PlacedShellErrorAtAnArea)->Unit(benchmark::kNanosecond);

void BM_PlacedShellErrorAtAUnit(benchmark::State& state) {
    Field field(1);
    Unit* gun = field.At(1);
    Unit* target = field.At(0);
    float ex, ey;
    for (auto _ : state) {
        gun->CalculatePlacedShellError(false, false, target, target->mX, target->mY, 60, kWClassGun, false,
                                       kAmmoHE, &ex, &ey);
        benchmark::DoNotOptimize(ex);
    }
}
BENCHMARK(BM_PlacedShellErrorAtAUnit)->Unit(benchmark::kNanosecond);

void BM_OneCheckLOSOfTheSameLength(benchmark::State& state) {
    Field field(1);
    Unit* gun = field.At(1);
    Unit* target = field.At(0);
    float v;
    for (auto _ : state) {
        field.mBattle.mMap->CheckLOS(false, true, false, gun->mX, gun->mY, gun->GetZ(), target->mX,
                                     target->mY, target->GetZ(), &v, nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_OneCheckLOSOfTheSameLength)->Unit(benchmark::kNanosecond);

} // namespace

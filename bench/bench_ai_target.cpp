// Target choice of the computer opponent: one fuzzy score, one search by a
// rifle squad and by a tank among 150 enemies, and the searches of a whole
// turn of a 300-unit battle.

#include <benchmark/benchmark.h>

#include <vector>

#include "ai/AITargetState.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

int64_t gScored = 0; // candidates scored since the last reset

class StandingLink : public MapBattleLink {
public:
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    int32_t GetMoveStamp(Unit*) override { return 0; }
    void GetUnitXY(Unit* u, float* x, float* y) override { *x = u->mX, *y = u->mY; }
    Affiliation GetSide(Unit* u) override { return u->GetAffiliation(); }
};

template <class Base> class Fighter : public Base {
public:
    bool AllowedToTarget() override { return true; }
    bool AbleToFaceLocation(float, float) override { return true; }
    float GetVPValue(bool, DataKnowledge) override { return 50.0f; }
    float RotationSpeed() override { return 4.0f; }
    float FullAimTime(bool, bool) override { return 4.0f; }
    float FullLoadTime(bool, bool) override { return 6.0f; }
    bool InGoodOrder() override { return this->mActive; }
    bool InRange(float d, bool, float) override { return d < mReach; }
    void AIScoreTarget(Unit* candidate, bool full) override {
        ++gScored;
        Unit::AIScoreTarget(candidate, full);
    }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    float mReach = 800.0f;
};

class Rifles : public Fighter<Unit> {
public:
    Rifles() {
        mUnitType = kUnitInfantry;
        mReach = 500.0f;
    }
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = kWeaponNone;
        if (wclass) *wclass = 0;
        return 1;
    }
    float SmallArmsFirepower(float, MGPenetration* out, bool, bool) override { return 20.0f; }
};

class Tank : public Fighter<Vehicle> {
public:
    Tank() { mReach = 3000.0f; }
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = 2;
        if (wclass) *wclass = 2;
        return 0;
    }
    bool HasHeavyWeapon(DataKnowledge) override { return true; }
    bool HasOrdnance(bool, bool) override { return true; }
    bool IsArmoredVehicle(DataKnowledge, bool) override { return true; }
};

// Units spread over a square of the given side centred on a 2 km map, the
// Axis in its west half and the Allies in its east half; every unit fully
// seen. Every third unit is a tank when tanks is set.
// Attaches rows of the field's own to a table for the field's lifetime.
template <class T> struct Attached {
    Attached(DataTable<T>& table, int32_t n)
        : mTable(table), mOld(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(n)) {
        table.Attach(mRows.data(), n);
    }
    ~Attached() { mTable.Attach(mOld, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }
    DataTable<T>& mTable;
    T* mOld;
    int32_t mOldCount;
    std::vector<T> mRows;
};

struct Field {
    Field(int32_t perSide, bool tanks, float spread)
        : mWeapons(gWeaponData, kWeaponCount), mVehicles(gVehicleData, 2), mAmmo(gAmmoData, 4),
          mInfantry(gInfantryData, 2), mOld(gBattle) {
        for (WeaponData& w : mWeapons.mRows)
            w.mMaxRange = 5000.0f, w.mCalibre = 75.0f;
        mWeapons[2].mClass = 2;
        mWeapons[2].mAmmo[0] = {1, 600.0f};
        mWeapons[2].mAmmo[1] = {2, 750.0f};
        mAmmo[1].mClass = kAmmoHE, mAmmo[1].mWeight = 15.0f, mAmmo[1].mLastDate = 9999;
        mAmmo[2].mClass = kAmmoAP, mAmmo[2].mWeight = 15.0f, mAmmo[2].mLastDate = 9999;
        mInfantry[0].mNrMen = 10;
        mInfantry[0].mHeavyWeapon = kWeaponNone;
        VehicleData& v = mVehicles[0];
        v.mTargetSize = 1.0f, v.mMainWeapon = 2, v.mHasTurretArmor = 1, v.mTurretKind = 1;
        v.mBowMG = v.mCoaxMG = v.mFreeMG = kSmallArmsNone;
        for (ArmorPlate& p : v.mArmorPlates)
            p = {60, 30};
        mBattle.IBattleStub();
        mBattle.mMap = new Map;
        mBattle.mMap->IBlankMap(100, 100, 1.0f, 54);
        mBattle.mMap->SetBattleLink(&mLink);
        mBattle.mVisibilityDistance = 3000.0f;
        mBattle.mDate = 4306;
        gBattle = &mBattle;
        SeedRandomGenerator(4242);
        for (int32_t side = 0; side < 2; ++side)
            for (int32_t i = 0; i < perSide; ++i) {
                Unit* u = tanks && i % 3 == 0 ? static_cast<Unit*>(new Tank) : static_cast<Unit*>(new Rifles);
                u->mSide = static_cast<char>(side);
                u->mActive = true;
                u->mContactLevel = kContactFull;
                u->mAmmo[kAmmoHE] = 40;
                u->mAmmo[kAmmoAP] = 20;
                const float base = side ? 1000.0f - spread * 0.5f : 1000.0f;
                u->mX = base + static_cast<float>(RandomPick(static_cast<uint32_t>(spread * 0.5f)));
                u->mY =
                    1000.0f - spread * 0.5f + static_cast<float>(RandomPick(static_cast<uint32_t>(spread)));
                u->mHeading = side ? 0.0f : 180.0f;
                mBattle.mUnits->Add(u);
            }
    }
    ~Field() { gBattle = mOld; }
    Unit* At(int32_t i) { return mBattle.mUnits->GetUnit(i); }

    Attached<WeaponData> mWeapons;
    Attached<VehicleData> mVehicles;
    Attached<AmmoData> mAmmo;
    Attached<InfantryData> mInfantry;
    StandingLink mLink;
    Battle mBattle;
    Battle* mOld;
};

void BM_FuzzyScoreSquadOnSquad(benchmark::State& state) {
    Field field(2, false, 600.0f);
    Unit* me = field.At(0);
    Unit* it = field.At(2);
    for (auto _ : state)
        benchmark::DoNotOptimize(me->AIGetTargetFuzzyScore(it, kAmmoHE));
}
BENCHMARK(BM_FuzzyScoreSquadOnSquad)->Unit(benchmark::kMicrosecond);

void BM_FuzzyScoreTankOnTank(benchmark::State& state) {
    Field field(2, true, 600.0f);
    Unit* me = field.At(0);
    Unit* it = field.At(2);
    for (auto _ : state)
        benchmark::DoNotOptimize(me->AIGetTargetFuzzyScore(it, kAmmoAP));
}
BENCHMARK(BM_FuzzyScoreTankOnTank)->Unit(benchmark::kMicrosecond);

void Search(benchmark::State& state, bool tank) {
    Field field(150, false, 2000.0f);
    Unit* me = field.At(0);
    if (tank) {
        // The first Axis unit becomes a tank that reaches every enemy.
        Tank* t = new Tank;
        t->mSide = me->mSide, t->mActive = true, t->mContactLevel = kContactFull;
        t->mX = me->mX, t->mY = me->mY, t->mHeading = 180.0f;
        t->mAmmo[kAmmoHE] = 40, t->mAmmo[kAmmoAP] = 20;
        t->mReach = 5000.0f;
        field.mBattle.mUnits->Add(t);
        me = t;
    }
    me->AIMaySwitchToNewTarget(true); // fills the sight cache
    gScored = 0;
    int64_t searches = 0;
    for (auto _ : state) {
        me->mTarget = nullptr;
        benchmark::DoNotOptimize(me->AIMaySwitchToNewTarget(true));
        ++searches;
    }
    state.counters["scored/search"] = static_cast<double>(gScored) / static_cast<double>(searches);
}
void BM_SearchByRifleSquadAmong150(benchmark::State& state) {
    Search(state, false);
}
BENCHMARK(BM_SearchByRifleSquadAmong150)->Unit(benchmark::kMicrosecond);
void BM_SearchByTankAmong150InRange(benchmark::State& state) {
    Search(state, true);
}
BENCHMARK(BM_SearchByTankAmong150InRange)->Unit(benchmark::kMicrosecond);

// Every slice of a turn, every unit takes its target-choice step as the
// action step does: its alert count runs on and it may search.
void BM_TargetChoiceOverATurnOf300Units(benchmark::State& state) {
    Field field(150, true, 2000.0f);
    const int32_t n = field.mBattle.mUnits->GetCount();
    int64_t searches = 0;
    gScored = 0;
    int64_t turns = 0;
    for (auto _ : state) {
        for (int32_t slice = 0; slice < kSlicesPerTurn; ++slice)
            for (int32_t i = 0; i < n; ++i) {
                Unit* u = field.At(i);
                ++u->mAlertCount;
                searches += u->AIMaySwitchToNewTarget(false) ? 1 : 0;
            }
        ++turns;
    }
    state.counters["searches/turn"] = static_cast<double>(searches) / static_cast<double>(turns);
    state.counters["scored/turn"] = static_cast<double>(gScored) / static_cast<double>(turns);
}
BENCHMARK(BM_TargetChoiceOverATurnOf300Units)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

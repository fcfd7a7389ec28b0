#pragma once
// Shared pieces of the unit-move tests: a small battle on a blank map built
// in code, and units of each kind whose answers a test sets.

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "map/TerrainTable.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

// The answers a move test sets on a unit of any kind.
struct MoveAnswers {
    float mCoverTEM = 0.3f; // terrain effect in cover
    float mOpenTEM = 1.0f;  // terrain effect elsewhere
    float mRange = 1000.0f; // weapon reach
    float mValue = 10.0f;   // victory points
    bool mAllowedToTarget = true;
    bool mArmoured = false;
    bool mOrdnance = false;
    bool mHeavy = false;
    bool mSupport = false;
    bool mLeader = false;
    WeaponClass mWeaponClass = 0;
    MGPenetration mMG = 0;
    std::map<const Unit*, float> mHarm; // general ability to harm by target
    std::vector<Unit*> mTargetOrders;   // targets ordered by the computer opponent
    std::vector<std::pair<float, float>> mTargetPoints; // and the points ordered with them
    int32_t mGearShifts = 0;
};

// Forwards the kind-specific answers of the unit base to MoveAnswers.
template <class Base> class MoveKind : public Base {
public:
    MoveAnswers a;

    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    float GetTEMFromLocation(float x, float y, float, bool, bool, bool, WeaponClass, bool, float*) override {
        Map* map = gBattle ? gBattle->mMap : nullptr;
        return map && map->IsCoverAt(x, y, false) ? a.mCoverTEM : a.mOpenTEM;
    }
    bool CanOccupyLocation(float x, float y, bool) override {
        Map* map = gBattle ? gBattle->mMap : nullptr;
        return map && map->OnMap(x, y) && map->GetTerrain(x, y, false) != kTerrainWater;
    }
    bool AllowedToTarget() override { return a.mAllowedToTarget; }
    bool InRange(float d, bool, float factor) override { return d <= a.mRange * factor; }
    float GetVPValue(bool, DataKnowledge) override { return a.mValue; }
    bool IsArmoredVehicle(DataKnowledge, bool) override { return a.mArmoured; }
    bool HasOrdnance(bool, bool) override { return a.mOrdnance; }
    bool HasHeavyWeapon(DataKnowledge) override { return a.mHeavy; }
    bool IsSupportWeapon(bool) override { return a.mSupport; }
    bool IsLeader(int32_t*) override { return a.mLeader; }
    AmmoClass ChooseAmmo(Unit*, bool) override { return 0; }
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = kWeaponNone;
        if (wclass) *wclass = a.mWeaponClass;
        return a.mMG;
    }
    float AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass, bool, bool, bool, DataKnowledge,
                                            DataKnowledge, bool) override {
        auto it = a.mHarm.find(target);
        return it == a.mHarm.end() ? 0.0f : it->second;
    }
    void ReceiveTargetOrders(Unit* target, float x, float y, bool, int32_t) override {
        a.mTargetOrders.push_back(target);
        a.mTargetPoints.emplace_back(x, y);
        this->mTarget = target;
    }
    void ShiftGears(Unit*, MovementSpeedType, bool, float, float) override { ++a.mGearShifts; }
    float RangedThreat(float range) { return this->AIRangedThreatFactor(range); }
};

// A stand-in for the infantry kind: a Unit whose kind code is infantry.
class TestInfantry : public MoveKind<Unit> {
public:
    TestInfantry() { mUnitType = kUnitInfantry; }
};
// A vehicle whose answers a test sets.
class TestVehicle : public MoveKind<Vehicle> {};

// A battle on a blank map of cols x rows 20 m squares, current for the
// test's lifetime; the planned side is the Axis.
class MoveBattle {
public:
    explicit MoveBattle(int32_t cols = 20, int32_t rows = 20) {
        mBattle.IBattleStub();
        mBattle.mMap = new Map;
        mBattle.mMap->IBlankMap(cols, rows, 1.0f, 0);
        mBattle.mSetupPhase = false;
        gAISide = kAxis;
        gAIDefending = false;
        SeedRandomGenerator(1234);
    }
    Map& map() { return *mBattle.mMap; }
    template <class K = TestInfantry> K* Add(Affiliation side, float x, float y) {
        auto* u = new K();
        u->mSide = side == kAxis ? 1 : 0;
        u->mX = x;
        u->mY = y;
        u->mActive = true;
        u->mContactLevel = 5;
        mBattle.mUnits->Add(u);
        return u;
    }
    // Paints terrain t into the 2 m cells of [x0, x1) x [y0, y1).
    void Paint(float x0, float y0, float x1, float y1, Terrain t) {
        for (int32_t i = static_cast<int32_t>(x0 / 2); i < static_cast<int32_t>(x1 / 2); ++i)
            for (int32_t j = static_cast<int32_t>(y0 / 2); j < static_cast<int32_t>(y1 / 2); ++j)
                map().SetPoint(i, j, EncodePoint(map().GetPoint(i, j) & 0x3ff, t));
    }
    VictoryFlag* AddFlag(float x, float y, int32_t kind) {
        auto* f = new VictoryFlag();
        f->mX = x;
        f->mY = y;
        f->mKind = kind;
        mBattle.mFlags.Add(f);
        return f;
    }

    Battle mBattle;
    struct Current {
        explicit Current(Battle* b) : mOld(gBattle) { gBattle = b; }
        ~Current() { gBattle = mOld; }
        Battle* mOld;
    } mCurrent{&mBattle};
};

// Membership of each label 0..n-1 of a set.
inline std::vector<float> Members(const GFuzzySet& set, int32_t n) {
    std::vector<float> m(static_cast<size_t>(n), 0.0f);
    for (int32_t i = 0; i < set.GetCount(); ++i)
        if (set.GetLabel(i) >= 0 && set.GetLabel(i) < n)
            m[static_cast<size_t>(set.GetLabel(i))] = set.GetMembership(i);
    return m;
}

// Attaches rows of a test's own to a table and restores the old rows after.
template <class T> class TableRows {
public:
    TableRows(DataTable<T>& table, int32_t count)
        : mTable(table), mOldRows(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(count)) {
        mTable.Attach(mRows.data(), count);
    }
    ~TableRows() { mTable.Attach(mOldRows, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    T* mOldRows;
    int32_t mOldCount;
    std::vector<T> mRows;
};

// Infantry rows: 0 a plain squad, 1 a platoon member, 2 a gun crew (weapon 0
// of class 5); weapon rows: 0 the crew's gun.
struct MoveRows {
    TableRows<InfantryData> infantry{gInfantryData, 3};
    TableRows<WeaponData> weapons{gWeaponData, 1};
    MoveRows() {
        for (int32_t i = 0; i < 3; ++i)
            infantry[i].mHeavyWeapon = kWeaponNone;
        infantry[1].mPlatoonMember = 1;
        infantry[2].mHeavyWeapon = 0;
        weapons[0].mClass = 5;
    }
};

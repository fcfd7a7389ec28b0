#pragma once
// Shared set-up of the fire and sight tests: a current battle on a small
// flat map, table rows of the tests' own, and units whose weapon, sight and
// order answers a test sets.

#include <gtest/gtest.h>

#include <vector>

#include "../map/MapTestUtil.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace firetest {

// Attaches rows of its own to a table for a test's lifetime.
template <class T> class Rows {
public:
    Rows(DataTable<T>& table, int32_t count)
        : mTable(table), mOldRows(const_cast<T*>(table.Rows())), mOldCount(table.Count()),
          mRows(static_cast<size_t>(count)) {
        mTable.Attach(mRows.data(), count);
    }
    ~Rows() { mTable.Attach(mOldRows, mOldCount); }
    T& operator[](int32_t i) { return mRows[static_cast<size_t>(i)]; }

private:
    DataTable<T>& mTable;
    T* mOldRows;
    int32_t mOldCount;
    std::vector<T> mRows;
};

// The member of a battle list at index i (negative: from the end).
template <class T> T* Nth(GList& list, int32_t i) {
    return static_cast<T*>(list.GetObjectA(i < 0 ? list.GetCount() + i : i));
}

// The answers a test unit gives about its weapon and itself.
struct Kit {
    WeaponType mWeapon = kWeaponNone;
    WeaponClass mClass = 0;
    MGPenetration mMG = 0;
    float mSpottingRange = 0.0f; // how far it can be seen
    bool mOrdnance = false;
    bool mHeavyWeapon = false;
    bool mArmoured = false;
    bool mLeader = false;
    int32_t mLeaderLevel = 1;
    float mFullAimTime = 4.0f;
    float mFullLoadTime = 6.0f;
    float mSmallArmsFP = 0.0f;
    bool mInRange = true;
    int32_t mOptics = 0;
    float mHearing = 50.0f; // hearing range of the unit's posture
};

template <class Base> class Armed : public Base {
public:
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = kit.mWeapon;
        if (wclass) *wclass = kit.mClass;
        return kit.mMG;
    }
    float SpottingRange(Unit*) override { return kit.mSpottingRange; }
    int32_t GetOpticalType() override { return kit.mOptics; }
    // As the kinds do: looked for at its marker when asked, then put back.
    FogOfWarContact SpotLevel(bool atMarker, Unit* only) override {
        float x = this->mX, y = this->mY;
        if (atMarker) this->mX = this->mMarkerX, this->mY = this->mMarkerY;
        FogOfWarContact level = this->SpotLevelX(kit.mHearing, 1.0f, only);
        this->mX = x, this->mY = y;
        return level;
    }
    bool InGoodOrder() override {
        return this->mActive && this->mSuppression < 350.0f && !this->mSurrendered;
    }
    bool HasOrdnance(bool, bool) override { return kit.mOrdnance; }
    bool HasHeavyWeapon(DataKnowledge) override { return kit.mHeavyWeapon; }
    bool IsArmoredVehicle(DataKnowledge, bool) override { return kit.mArmoured; }
    bool IsLeader(int32_t* level) override {
        if (level) *level = kit.mLeader ? kit.mLeaderLevel : 0;
        return kit.mLeader;
    }
    float FullAimTime(bool, bool) override { return kit.mFullAimTime; }
    float FullLoadTime(bool, bool) override { return kit.mFullLoadTime; }
    float SmallArmsFirepower(float, MGPenetration* out, bool, bool) override {
        if (out) *out = 1;
        return kit.mSmallArmsFP;
    }
    bool InRange(float, bool, float) override { return kit.mInRange; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}

    Kit kit;
};

class Soldier : public Armed<Unit> {
public:
    Soldier() { mUnitType = kUnitInfantry; }
};
class Tank : public Armed<Vehicle> {};
// A real squad where the rule reaches into the infantry kind (a rocket
// team pinned by its own backblast).
class RocketTeam : public Armed<Infantry> {
public:
    RocketTeam() { mUnitType = kUnitInfantry; }
};

// A headless host whose fog of war and game a test chooses.
class TestHost : public BattleHost {
public:
    int32_t FogOfWarLevel() override { return mFog; }
    int32_t mFog = 3;
};

// A battle on a flat 2 x 2 km map with the tests' table rows: infantry row 0,
// vehicle rows 0 (a tank) and 1 (a bunker), weapons 1 (rifle), 2 (gun),
// 3 (light anti-tank), 4 (mortar), 5 (artillery), ammunition 1 (HE).
class FireBattle : public ::testing::Test {
protected:
    FireBattle()
        : mWeapons(gWeaponData, kWeaponCount), mVehicles(gVehicleData, 4), mInfantry(gInfantryData, 4),
          mAmmo(gAmmoData, 4), mOld(gBattle) {
        mBattle.IBattleStub();
        mBattle.mMap = new Map;
        mBattle.mMap->IBlankMap(100, 100, 1.0f, 54);
        mBattle.mHost = &mHost;
        mBattle.mVisibilityDistance = 2000.0f;
        mBattle.mTimeSlice = 100;
        mBattle.mDate = 4306;
        mBattle.mTemperature = 2;
        mBattle.mGroundCondition = 2;
        gBattle = &mBattle;
        for (int32_t w = 0; w < kWeaponCount; ++w) {
            mWeapons[w].mMaxRange = 5000.0f;
            mWeapons[w].mCalibre = 75.0f;
        }
        mWeapons[kWeaponNone].mCalibre = 0.0f;
        mVehicles[0].mTargetSize = 1.0f;
        mVehicles[0].mCrew = 5;
        mVehicles[1].mTargetSize = 1.0f;
        mVehicles[1].mKind = 6;
        mVehicles[1].mTurretKind = 5;
        mInfantry[0].mNrMen = 10;
        mInfantry[0].mHeavyWeapon = kWeaponNone;
        mInfantry[0].mMobility = 4;
        mAmmo[1].mClass = kAmmoHE;
        mAmmo[1].mWeight = 15.0f;
        mAmmo[1].mLastDate = 9999;
        gPacket = false;
    }
    ~FireBattle() override {
        mBattle.mHost = nullptr;
        gBattle = mOld;
    }

    template <class U> U* Place(Affiliation side, float x, float y) {
        auto* u = new U;
        u->mX = x;
        u->mY = y;
        u->mActive = true;
        u->mSide = side == kAxis ? 1 : 0;
        mBattle.mUnits->Add(u);
        return u;
    }

    Battle mBattle;
    TestHost mHost;
    Rows<WeaponData> mWeapons;
    Rows<VehicleData> mVehicles;
    Rows<InfantryData> mInfantry;
    Rows<AmmoData> mAmmo;
    Battle* mOld;
};

} // namespace firetest

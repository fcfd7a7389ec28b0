#pragma once
// A squad made for the weapon drawing tests, with its data rows.
#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "draw/WeaponDraw.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace wtest {

using dtest::Depth;

// The last culling and winding states set (true when never set).
inline bool LastFlag(const DrawRecorder& r, DrawOp op) {
    bool on = true;
    for (const DrawCall& c : r.mCalls)
        if (c.mOp == op) on = c.mArgs[0] != 0.0f;
    return on;
}

class WeaponFixture {
public:
    dtest::DrawFixture f;
    dtest::TestRows<InfantryData, 2> infantry{gInfantryData};
    dtest::TestRows<WeaponData, 4> weapons{gWeaponData};
    dtest::TestRows<SmallArmsData, 70> arms{gSmallArmsData};
    dtest::TestRows<ATRModelData, 2> atr{gATRModelData};
    Battle battle;
    Battle* old = nullptr;
    Infantry* unit = nullptr;

    explicit WeaponFixture(bool withRenderer = false) : f(withRenderer) {
        old = gBattle;
        gBattle = &battle;
        battle.mMap = dtest::FlatMap(10, 10).release();
        for (auto& r : infantry)
            r.mHeavyWeapon = kWeaponNone;
        weapons[0].mClass = kWClassMortar, weapons[0].mCalibre = 60.0f;
        weapons[1].mClass = kWClassGun, weapons[1].mOrdnanceModel = 7, weapons[1].mModelScale = 1.0f;
        weapons[2].mClass = kWClassFlame;
        weapons[3].mClass = kWClassLightAT, weapons[3].mATRModel = 1;
        atr[1].mLength = 120.0f, atr[1].mHeight = 14.0f;
        unit = new Infantry;
        unit->mActive = true;
        unit->mSide = 1; // the viewer's own side: fully seen
        gWeaponStatics = WeaponStatics{};
    }
    ~WeaponFixture() {
        delete unit;
        gBattle = old;
        gWeaponStatics = WeaponStatics{};
    }
    WeaponFixture(const WeaponFixture&) = delete;
    WeaponFixture& operator=(const WeaponFixture&) = delete;

    void Group(int32_t g) { infantry[0].mTeamAnimGroup[0] = g; }
    void Clear() { f.recorder.mCalls.clear(); }
    // A hand weapon drawn as a figure does: two levels pushed for the arm.
    void Hand(int32_t detail = 0) {
        d3::Push();
        d3::Push();
        DrawHandWeapon(*unit, 0, false, detail, 0);
    }
};

} // namespace wtest

// Equipment of the shipped battles at work, loaded as the game loads them and
// computed by the headless runner.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

namespace {

// Loads the battle and counts, over `turns` turns, the packets of the side-`side` vehicle `company`
// `platoon` `number` in `look` while `target` stands `metres` ahead of it (headings from +x toward +y).
struct Shooting {
    BattleRunner runner;
    Vehicle* firer = nullptr;
    int32_t shots = 0;

    void Run(const char* battle, ScriptUnitName name, Unit* (*target)(Battle*, Vehicle*), float metres,
             int16_t look, int32_t turns) {
        ASSERT_TRUE(DecryptData());
        runner.PlanSides(false, false);
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + battle + ".mvg", &error)) << error;
        firer = static_cast<Vehicle*>(FindScriptUnit(runner.GetBattle(), name));
        ASSERT_NE(firer, nullptr);
        Unit* u = target(runner.GetBattle(), firer);
        ASSERT_NE(u, nullptr);
        runner.OnComputed([this, look](const Battle& b) {
            for (int32_t i = 0; i < b.mPackets.GetCount(); ++i) {
                auto* p = static_cast<ActionPacket*>(b.mPackets.GetObjectA(i));
                shots += p->mFirer == firer && p->mLook == look;
            }
        });
        for (int32_t t = 0; t < turns && shots == 0; ++t) {
            const float a = firer->mHeading * 3.14159265f / 180.0f;
            u->CancelMovementOrders();
            u->mX = firer->mX + metres * std::cos(a);
            u->mY = firer->mY + metres * std::sin(a);
            RunnerTurn turn;
            ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        }
    }
};

Unit* FirstEnemySquad(Battle* b, Vehicle* v) {
    for (int32_t i = 0; i < b->mUnits->GetCount(); ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mSide != v->mSide && u->mActive) return u;
    }
    return nullptr;
}

} // namespace

// Hatten's Panther with an enemy squad 25 m behind it, down its rise, fires its close-defence weapon
// (look 19), buttoned up.
TEST(ShippedEquipment, HattensPantherFiresItsCloseDefenceWeaponAtInfantryWithin40Metres) {
    Shooting s;
    s.Run("hatten", {0, 'B', 5, 2}, FirstEnemySquad, -25.0f, 19, 8);
    ASSERT_EQ(gVehicleData[s.firer->mSubtype].mSpecialEquipment, 3);
    EXPECT_GT(s.shots, 0);
    EXPECT_TRUE(s.firer->mButtoned);
}

// A shot through grossangriff's Wasp empties its flame gun: the fuel is its main weapon's load.
TEST(ShippedEquipment, APenetrationEmptiesTheWaspsFlameGun) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(false, false);
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg", &error)) << error;
    auto* wasp = static_cast<Vehicle*>(FindScriptUnit(runner.GetBattle(), {1, 'S', 6, 5}));
    ASSERT_TRUE(wasp && wasp->HasFlamethrower(kKnowTruth));
    ASSERT_GT(wasp->mAmmo[0], 0);
    PendingAttack shot;
    // A round of the first gun of the other side.
    Battle* b = runner.GetBattle();
    for (int32_t i = 0; i < b->mUnits->GetCount() && shot.mWeaponType == kWeaponNone; ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mSide != wasp->mSide && u->GetWeaponClass() == kWClassGun)
            shot.mWeaponType = u->GetWeaponType();
    }
    ASSERT_NE(shot.mWeaponType, kWeaponNone);
    shot.mWeaponClass = kWClassGun;
    shot.mAmmoClass = kAmmoAP;
    wasp->ResolveInternalDamage(&shot, kHitUpperHull, 1.5f, 600.0f, 0, false, 10.0f);
    EXPECT_EQ(wasp->mAmmo[0], 0);
}

// Grossangriff's Wasp flames a squad 80 m ahead (look 18); a burst there burns two or three of its 16
// rounds of fuel.
TEST(ShippedEquipment, GrossangriffsWaspBurnsFuelByTheRangeOfItsBursts) {
    Shooting s;
    s.Run("grossangriff", {1, 'S', 6, 5}, FirstEnemySquad, 80.0f, 18, 4);
    ASSERT_TRUE(s.firer->HasFlamethrower(kKnowTruth));
    ASSERT_GT(s.shots, 0);
    EXPECT_LE(s.firer->mAmmo[0], 16 - 2 * s.shots);
}

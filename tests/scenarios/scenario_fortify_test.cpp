// The winter battle as the game builds it: the computer places the
// defender's fortifications in its zones, apart from its units, stamps its
// trench into the ground once and removes the object at GO; a gun ranges in
// on its side's reference point; engineers clear a mine they have found; a
// squad goes through the sewers; a mine goes off and the next squad stops.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

const std::string kHatten = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";

bool LoadHatten(BattleRunner& runner, uint16_t seed, bool planAxis, bool planAllies) {
    runner.PlanSides(planAxis, planAllies);
    runner.OverrideSeed(seed);
    std::string error;
    const bool ok = runner.Load(kHatten, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

int32_t SquareOf(float v) {
    return static_cast<int32_t>(v * 0.05f);
}

// The squares around a unit the placement keeps free of each kind.
int32_t Spacing(int32_t kind) {
    static const int32_t kSpacing[7] = {1, 0, 1, 2, 3, 3, 2};
    return kind >= 0 && kind < 7 ? kSpacing[kind] : 0;
}

template <class F> Unit* Find(Battle* battle, F f) {
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        if (Unit* u = battle->mUnits->GetUnit(i); f(u)) return u;
    return nullptr;
}

bool IsInanimate(const Unit* u, int32_t kind, Affiliation side) {
    return u->mUnitType == kUnitInanimate && u->mSubtype == kind && u->GetAffiliation() == side && u->mActive;
}

} // namespace

TEST(WinterBattle, TheComputerPlacesItsFortificationsAndStampsItsTrenchOnce) {
    ASSERT_TRUE(DecryptData());
    for (uint16_t seed : {1, 2, 3}) {
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, true, true));
        Battle* battle = runner.GetBattle();
        ASSERT_FALSE(battle->mSetupPhase);
        Map* map = battle->mMap;
        auto zoneAt = [&](int32_t c, int32_t r) {
            const Square* s = map->GetSquare(c, r);
            return s ? static_cast<int32_t>(s->mSetupZone) : 0;
        };
        // Within `k` squares of one of the side's men or vehicles.
        auto crowded = [&](int32_t c, int32_t r, int32_t k, Affiliation side) {
            return Find(battle, [&](const Unit* u) {
                       return u->mUnitType != kUnitInanimate && u->GetAffiliation() == side &&
                              std::abs(SquareOf(u->mX) - c) <= k && std::abs(SquareOf(u->mY) - r) <= k;
                   }) != nullptr;
        };
        int32_t items = 0, trenches = 0;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInanimate) continue;
            ++items;
            EXPECT_NE(u->mSubtype, kInanimateTrenches) << "seed " << seed;
            const int32_t c = SquareOf(u->mX), r = SquareOf(u->mY), zone = zoneAt(c, r);
            EXPECT_TRUE(zone >= 1 && zone <= 3) << "seed " << seed << " kind " << u->mSubtype;
            // Placed: a square's centre, moved at most 2 m.
            EXPECT_LE(std::fabs(u->mX - (20.0f * c + 10.0f)), 2.0f) << "seed " << seed << " kind " << u->mSubtype;
            EXPECT_LE(std::fabs(u->mY - (20.0f * r + 10.0f)), 2.0f) << "seed " << seed << " kind " << u->mSubtype;
            // Apart from the side's units, unless the zone had no such square.
            const int32_t k = Spacing(u->mSubtype);
            if (!crowded(c, r, k, u->GetAffiliation())) continue;
            bool freeSquare = false;
            for (int32_t cc = 0; cc < map->mWidth && !freeSquare; ++cc)
                for (int32_t rr = 0; rr < map->mHeight && !freeSquare; ++rr)
                    freeSquare = zoneAt(cc, rr) == zone && !crowded(cc, rr, k, u->GetAffiliation());
            EXPECT_FALSE(freeSquare) << "seed " << seed << " kind " << u->mSubtype << " within " << k
                                     << " squares of its side's units";
        }
        EXPECT_EQ(items, 6) << "seed " << seed;
        for (int32_t k = 0; k < map->mWidth * map->mHeight; ++k) {
            const Square* s = map->GetSquare(k % map->mWidth, k / map->mWidth);
            EXPECT_FALSE(s->mOverlay[0] == kTerrainTrench && s->mOverlay[1] == kTerrainTrench);
            trenches += (s->mOverlay[0] == kTerrainTrench) + (s->mOverlay[1] == kTerrainTrench);
        }
        EXPECT_EQ(trenches, 1) << "seed " << seed;
    }
}

// A gun, mortar or tank gun aimed at an enemy standing within 20 m of its
// own side's reference point is ranged in at once; the other side's point,
// or a target beyond 20 m, gives nothing.
TEST(WinterBattle, AGunIsRangedInOnATargetAtItsSidesReferencePoint) {
    ASSERT_TRUE(DecryptData());
    for (uint16_t seed : {1, 2, 3}) {
        BattleRunner runner;
        ASSERT_TRUE(LoadHatten(runner, seed, true, true));
        Battle* battle = runner.GetBattle();
        Unit* point = Find(battle, [](const Unit* u) { return IsInanimate(u, kInanimateTargetReference, kAllies); });
        ASSERT_NE(point, nullptr);
        auto gunOf = [&](Affiliation side) {
            return Find(battle, [&](Unit* u) {
                const WeaponClass c = u->mUnitType == kUnitInanimate ? -1 : u->GetWeaponClass();
                return u->GetAffiliation() == side && u->mActive &&
                       (c == kWClassGun || c == kWClassTwinGun || c == kWClassMortar);
            });
        };
        Unit* gun = gunOf(kAllies);
        Unit* enemyGun = gunOf(kAxis);
        Unit* target = Find(battle, [](const Unit* u) {
            return u->mUnitType == kUnitInfantry && u->GetAffiliation() == kAxis && u->mActive;
        });
        ASSERT_TRUE(gun && enemyGun && target) << "seed " << seed;
        struct Case {
            Unit* shooter;
            float dx;
            bool ranged;
        } cases[] = {{gun, 0.0f, true}, {gun, 15.0f, true}, {gun, 25.0f, false}, {enemyGun, 0.0f, false}};
        for (const Case& k : cases) {
            target->mX = point->mX + k.dx;
            target->mY = point->mY;
            k.shooter->mTarget = target;
            k.shooter->mAcquisition = 0;
            EXPECT_EQ(k.shooter->LimitAcquisition(target, k.shooter->GetWeaponClass()) == 4, k.ranged)
                << "seed " << seed << " " << k.dx << " m off";
            k.shooter->mTarget = nullptr;
        }
    }
}

// The winter battle, the computer placing both sides freely: the defender's
// fortifications stand in its zones, its trench is stamped into the ground
// once and leaves the unit list at GO.

#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"

TEST(WinterBattle, TheComputerPlacesItsFortificationsAndStampsItsTrenchOnce) {
    ASSERT_TRUE(DecryptData());
    for (uint16_t seed : {1, 2, 3}) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        runner.OverrideSeed(seed);
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg", &error)) << error;
        Battle* battle = runner.GetBattle();
        ASSERT_FALSE(battle->mSetupPhase);
        Map* map = battle->mMap;
        int32_t items = 0, trenches = 0;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInanimate) continue;
            ++items;
            EXPECT_NE(u->mSubtype, kInanimateTrenches) << "seed " << seed;
            const Square* s = map->GetSquare(static_cast<int32_t>(u->mX / 20), static_cast<int32_t>(u->mY / 20));
            const int32_t zone = s ? s->mSetupZone : 0;
            EXPECT_TRUE(zone >= 1 && zone <= 3) << "seed " << seed << " kind " << u->mSubtype;
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

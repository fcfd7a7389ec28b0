// The winter battle as the runner opens it, the computer placing both sides
// freely: the defender's fortifications stand in its zones, its trench is
// stamped into the ground once and leaves the unit list at GO.

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
        int32_t items = 0;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInanimate) continue;
            ++items;
            EXPECT_NE(u->mSubtype, kInanimateTrenches) << "seed " << seed;
            const Square* s = map->GetSquare(static_cast<int32_t>(u->mX / kSquareSize),
                                             static_cast<int32_t>(u->mY / kSquareSize));
            ASSERT_NE(s, nullptr);
            EXPECT_TRUE(s->mSetupZone >= 1 && s->mSetupZone <= 3) << "seed " << seed << " kind " << u->mSubtype;
        }
        EXPECT_EQ(items, 6) << "seed " << seed;
        int32_t trenches = 0;
        for (int32_t c = 0; c < map->mWidth; ++c)
            for (int32_t r = 0; r < map->mHeight; ++r) {
                const Square* s = map->GetSquare(c, r);
                const int32_t n = (s->mOverlay[0] == kTerrainTrench) + (s->mOverlay[1] == kTerrainTrench);
                EXPECT_LE(n, 1) << "seed " << seed;
                trenches += n;
            }
        EXPECT_EQ(trenches, 1) << "seed " << seed;
    }
}

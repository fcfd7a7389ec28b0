// The winter battle's fortifications: moved in set-up like units; the
// computer placing both sides freely puts them in its zones, stamps its
// trench into the ground once and the trench leaves the unit list at GO.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
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

// In set-up a side moves and turns its own fortifications within its zones
// and off open water, as it moves its units.
TEST(WinterBattle, ASetUpMoveTakesAFortificationWithinItsZonesOnly) {
    ASSERT_TRUE(DecryptData());
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    GFile file;
    ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
    std::unique_ptr<Battle> battle(contents.battle);
    ASSERT_TRUE(battle->mSetupPhase);
    Battle* old = gBattle;
    gBattle = battle.get();
    Unit* item = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        if (battle->mUnits->GetUnit(i)->mUnitType == kUnitInanimate) item = battle->mUnits->GetUnit(i);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->CanDoOrder(57));
    EXPECT_TRUE(item->ChangeSetup(610.0f, 250.0f, true, nullptr, false));
    EXPECT_FALSE(item->ChangeSetup(300.0f, 250.0f, true, nullptr, false)); // between the lines
    EXPECT_EQ(item->mX, 610.0f);
    EXPECT_TRUE(item->ChangeSetup(610.0f, 350.0f, false, nullptr, false)); // turned to face north
    EXPECT_EQ(item->mHeading, 90.0f);
    gBattle = old;
}

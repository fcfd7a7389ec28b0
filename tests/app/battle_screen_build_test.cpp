// The battle screen as the application builds it when a battle begins: the
// battle's textures are made before the first frame, and the map view above
// the bottom bar is where the map drawing sets its 3-D view.
#include <gtest/gtest.h>

#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "draw/DrawSettings.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"

namespace {

class BattleScreenBuildTest : public AppTest {};

TEST_F(BattleScreenBuildTest, TheBattlesTexturesAreMadeAndTheMapViewTakesTheDrawingsFrustum) {
    MakePictures();
    MakePicture(5100, 8, 8); // a face the map's texture table makes
    TestApp* app = Start(800, 600);
    auto battle = MakeTestBattle("Karte");
    battle->mHost = app;
    gBattle = battle.get();
    Map* map = battle->mMap;
    ASSERT_EQ(map->mSpecialPriorityTextures[0], nullptr);

    GView* bar = app->MVApplication::BuildBattleScreen(battle.get(), false);
    ASSERT_NE(bar, nullptr);
    EXPECT_NE(map->mSpecialPriorityTextures[0], nullptr) << "the map's textures were not made";
    ASSERT_NE(map->mView, nullptr);
    EXPECT_EQ(map->mView->GetHeight(), 600 - 90) << "the map view ends above the bottom bar";

    // The drawing's view goes to the map view, above the bar, and the view
    // keeps its frustum for its picks: activating it again from what it
    // kept gives the same projection.
    ASSERT_NE(gDrawHooks.activate3D, nullptr);
    ASSERT_NE(g3D, nullptr);
    gDrawHooks.activate3D(map, 33.0f, 2.0f, 1234.0f);
    EXPECT_FLOAT_EQ(g3D->mViewHalfHeight, 255.0f);
    EXPECT_FLOAT_EQ(g3D->mViewCenterY, 255.0f);
    const float projection = g3D->mProjectionY;
    g3D->ActivateView(0, 0, 800, 510, 60.0f, 2.0f, 1234.0f);
    EXPECT_NE(g3D->mProjectionY, projection);
    map->mView->Finish3DPick();
    EXPECT_FLOAT_EQ(g3D->mProjectionY, projection);
    int32_t w = 0, h = 0;
    ASSERT_NE(gDrawHooks.viewSize, nullptr);
    gDrawHooks.viewSize(map, &w, &h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 510);

    app->ReleaseBattleScreen(battle.get());
    EXPECT_EQ(map->mView, nullptr);
    // Without a view the hooks do nothing.
    gDrawHooks.activate3D(map, 10.0f, 1.0f, 2.0f);
    gBattle = nullptr;
}

} // namespace

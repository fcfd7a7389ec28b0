// Sounds the application plays at once on the battle screen, with the
// application itself as the battle's host: the engines when the screen opens
// and the hatches of a player's order.
#include <memory>

#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "battle/ActionPacket.h"
#include "battle/UnitList.h"
#include "info_fixture.h"
#include "map/Map.h"
#include "units/Vehicle.h"

namespace {

class BattleSoundsTest : public InfoWorld {
protected:
    void SetUp() override {
        InfoWorld::SetUp();
        gBattle = nullptr; // the application starts without a battle
        mApp = std::make_unique<MVApplication>();
        gBattle = mBattle;
        mBattle->mHost = mApp.get();
        mView = new MapView;
        mView->IView(&mRoot, 0, 0, 800, 510);
        mView->mMap = mBattle->mMap;
        mBattle->mMap->mView = mView;
        mModels[0].mEngineSound = 135;
        mModels[0].mOpeningHatches = 1;
    }
    void TearDown() override {
        mBattle->mMap->ClearReplaySounds(false); // before the application's sound goes
        mBattle->mMap->mView = nullptr;
        mBattle->mHost = &mHost;
        gBattle = nullptr; // the battle is the fixture's, not the application's
        mApp.reset();
        gBattle = mBattle;
        InfoWorld::TearDown();
    }
    int32_t LoopsOf(Unit* u) const {
        GList* loops = mBattle->mMap->mSoundLoops;
        int32_t n = 0;
        for (int32_t i = 0; loops && i < loops->GetCount(); ++i)
            n += static_cast<MapSoundLoop*>(loops->GetObjectA(i))->mUnit == u;
        return n;
    }
    int32_t SoundsNumbered(int32_t id) const {
        GList* sounds = mBattle->mMap->mSounds;
        int32_t n = 0;
        for (int32_t i = 0; sounds && i < sounds->GetCount(); ++i)
            n += static_cast<MapSound*>(sounds->GetObjectA(i))->GetID() == id;
        return n;
    }
    GView mRoot;
    std::unique_ptr<MVApplication> mApp;
    MapView* mView = nullptr;
    InfoRows<VehicleModelData> mModels{gVehicleModelData, 4};
};

} // namespace

TEST_F(BattleSoundsTest, TheScreenStartsAnEngineForEveryVehicleItsSideCanHear) {
    Vehicle* tank = AddVehicle(kTank, kGermans, 100, 100);
    Vehicle* stuck = AddVehicle(kTank, kGermans, 150, 100);
    stuck->mImmobile = true;
    Vehicle* unseen = AddVehicle(kTank, kAmericans, 300, 300);
    unseen->mContactLevel = kContactNone;
    const int32_t recorded = mBattle->mPackets.GetCount();
    mApp->RestartVehicleSounds(); // as after a hotseat hand-over
    EXPECT_EQ(LoopsOf(tank), 1);
    EXPECT_EQ(LoopsOf(stuck), 0);
    EXPECT_EQ(LoopsOf(unseen), 0);
    EXPECT_EQ(mBattle->mPackets.GetCount(), recorded);
}

TEST_F(BattleSoundsTest, APlayersHatchOrderIsHeardAtTheTankAtOnce) {
    Vehicle* tank = AddVehicle(kTank, kGermans, 100, 100);
    tank->mButtoned = false;
    const int32_t recorded = mBattle->mPackets.GetCount();
    tank->ChangeButton(true, 0);
    ASSERT_TRUE(tank->mButtoned);
    EXPECT_EQ(SoundsNumbered(702), 1);
    tank->ChangeButton(true, 0);
    EXPECT_EQ(SoundsNumbered(701), 1);
    EXPECT_EQ(mBattle->mPackets.GetCount(), recorded);
}

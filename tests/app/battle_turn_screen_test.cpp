// The application as the battle's host during a turn: the playback controls
// act only while the action phase plays back, and the map view's idle pass
// steps the playback.
#include <gtest/gtest.h>

#include <memory>

#include "app/AppTypes.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "map/Map.h"

namespace {

constexpr int32_t kPlaying = 15;
constexpr int32_t kPaused = 13;

class BattleTurnScreenTest : public testing::Test {
protected:
    void SetUp() override {
        mOld = gBattle;
        mFolder = std::make_unique<ProgramFolder>(); // the application writes its preferences there
        mApp = std::make_unique<TestApp>();          // clears gBattle
        mBattle = MakeTestBattle("Karte");
        mBattle->mSetupPhase = false;
        mBattle->mHost = mApp.get();
        gBattle = mBattle.get();
        mView = new MapView;
        mView->IView(&mRoot, 0, 0, 800, 510);
        mView->mMap = mBattle->mMap;
        mBattle->mMap->mView = mView;
    }
    void TearDown() override {
        mApp->SetState(kStateNone);
        mBattle->mMap->mView = nullptr;
        gBattle = nullptr;
        mBattle.reset();
        mApp.reset();
        mFolder.reset();
        gBattle = mOld;
    }
    GView mRoot;
    Battle* mOld = nullptr;
    std::unique_ptr<ProgramFolder> mFolder;
    std::unique_ptr<TestApp> mApp;
    std::unique_ptr<Battle> mBattle;
    MapView* mView = nullptr;
};

} // namespace

TEST_F(BattleTurnScreenTest, PlaybackControlsActOnlyWhilePlayingBack) {
    mBattle->BeginPlayback();
    mBattle->mPlayState = kPlaying;
    mApp->SetState(kStateNone);
    mBattle->HandleCommand(kPaused);
    EXPECT_EQ(mBattle->mPlayState, kPlaying) << "orders phase: the pause button is not live";

    mApp->SetState(kStatePlayback);
    EXPECT_EQ(mApp->InteractionState(), kStatePlayback);
    mBattle->HandleCommand(kPaused);
    EXPECT_EQ(mBattle->mPlayState, kPaused);
    mBattle->HandleCommand(kPlaying);
    EXPECT_EQ(mBattle->mPlayState, kPlaying);
}

TEST_F(BattleTurnScreenTest, TheMapViewsIdlePassStepsAPlayingPlayback) {
    mBattle->BeginPlayback();
    mBattle->mPlayState = kPlaying;
    ASSERT_EQ(mBattle->mPlayPrevious, -1);

    // Outside playback the idle pass leaves the turn alone.
    mApp->SetState(kStateNone);
    mView->DoIdle();
    EXPECT_EQ(mBattle->mPlayPrevious, -1);

    // A paused playback does not move either.
    mApp->SetState(kStatePlayback);
    mBattle->mPlayState = kPaused;
    mView->DoIdle();
    EXPECT_EQ(mBattle->mPlayPrevious, -1);

    mBattle->mPlayState = kPlaying;
    mView->DoIdle();
    EXPECT_EQ(mBattle->mPlayPrevious, 0) << "one step dispatched the interval up to slice 0";
}

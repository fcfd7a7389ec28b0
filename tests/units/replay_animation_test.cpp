// Figures and crews in the replay: poses move on the kernel's clock once per
// drawn frame, hold while the player pauses and while a turn is computed;
// vehicle crews look about by the frame time.

#include <array>

#include "engine/GKernel.h"
#include "infantry_fixture.h"
#include "units/Vehicle.h"

namespace {

class ReplayAnimation : public InfantryTest {
protected:
    ReplayAnimation() {
        mOldKernel = gKernel;
        gKernel = new GKernel;
        gKernel->mCurrentTime = 5000;
        gKernel->mFrameMs = 33;
    }
    ~ReplayAnimation() override {
        delete gKernel;
        gKernel = mOldKernel;
    }
    // One drawn frame of ms milliseconds.
    void Frame(uint32_t ms) {
        gKernel->mCurrentTime += ms;
        gKernel->mFrameMs = static_cast<int32_t>(ms);
        mBattle.mBattle.AdvanceAnimations();
    }
    static std::array<float, kPoseValues * kInfantryFigures> Pose(const Infantry* u) {
        std::array<float, kPoseValues * kInfantryFigures> p{};
        for (int32_t v = 0; v < kPoseValues; ++v)
            for (int32_t f = 0; f < kInfantryFigures; ++f)
                p[static_cast<size_t>(v * kInfantryFigures + f)] = u->mFigurePos[v][f];
        return p;
    }
    GKernel* mOldKernel = nullptr;
};

TEST_F(ReplayAnimation, PosesMoveFrameByFrameAndHoldWhilePausedOrComputing) {
    Battle& b = mBattle.mBattle;
    auto* squad = Make(kUSSquad, kAmerican).release();
    squad->mContactLevel = kContactFull;
    squad->mSide = 1;
    b.mUnits->Add(squad);
    for (int32_t k = 0; k < 3; ++k) // each call starts one figure
        Frame(33);
    for (int32_t f = 0; f < kInfantryFigures; ++f)
        EXPECT_GT(squad->mAnimKeyTime[f], 0) << f;

    auto before = Pose(squad);
    Frame(100);
    EXPECT_NE(Pose(squad), before) << "a squad stood still for 100 ms of replay";

    b.HandleVCRButton(13, false); // pause
    EXPECT_TRUE(b.mPlaybackPaused);
    before = Pose(squad);
    const int32_t key = squad->mAnimKeyTime[0];
    Frame(100);
    Frame(250);
    EXPECT_EQ(Pose(squad), before);
    EXPECT_EQ(squad->mAnimKeyTime[0], key);

    b.HandleVCRButton(15, false); // play on
    EXPECT_FALSE(b.mPlaybackPaused);
    before = Pose(squad);
    Frame(100);
    EXPECT_NE(Pose(squad), before);

    // While a turn is computed the frames leave figures and generator alone.
    b.mComputing = true;
    before = Pose(squad);
    const uint32_t generator = GetRandomState();
    Frame(100);
    EXPECT_EQ(Pose(squad), before);
    EXPECT_EQ(GetRandomState(), generator);
    b.mComputing = false;
}

TEST_F(ReplayAnimation, CrewLooksTurnByTheKernelsFrameTime) {
    Vehicle v;
    const int32_t phases[3] = {9990, 100, 0};
    const float rates[3] = {1.3f, 0.5f, 1.79f};
    for (int32_t i = 0; i < 3; ++i) {
        v.mAnimPhase[i] = phases[i];
        v.mAnimRate[i] = rates[i];
    }
    v.AdvanceAnimation(); // 33 ms: 42.9, 16.5 and 59.07 onwards, past 9999 from 0 again
    EXPECT_EQ(v.mAnimPhase[0], 32);
    EXPECT_EQ(v.mAnimPhase[1], 116);
    EXPECT_EQ(v.mAnimPhase[2], 59);
    v.AdvanceAnimation();
    EXPECT_EQ(v.mAnimPhase[0], 74);
    EXPECT_EQ(v.mAnimPhase[1], 132);
    EXPECT_EQ(v.mAnimPhase[2], 118);
    // Headless there is no frame: the looks hold.
    GKernel* kernel = gKernel;
    gKernel = nullptr;
    v.AdvanceAnimation();
    gKernel = kernel;
    EXPECT_EQ(v.mAnimPhase[0], 74);
}

TEST_F(ReplayAnimation, ThePoseIsThatOfThePaceWalkedNowAndRidersRide) {
    for (int32_t p = 0; p < 32; ++p)
        mPaces[p].mPoseCode[0] = 1 + p % 12;
    auto squad = Make(kUSSquad, kAmerican);
    squad->mMoveSpeed = kMove; // ordered to move, but no waypoint left
    squad->mNrWaypoints = 0;
    const MovementSpeedType walked = squad->GetActualMoveSpeed(false);
    ASSERT_NE(walked, kMove);
    squad->ResetAnimation();
    for (int32_t f = 0; f < kInfantryFigures; ++f)
        EXPECT_EQ(squad->mAnimation[f], 1 + walked % 12) << f;
    Vehicle lorry;
    squad->mTransport = &lorry;
    squad->ResetAnimation();
    EXPECT_EQ(squad->mAnimation[0], 3);
    squad->mTransport = nullptr;
}

// A standing squad told to hide takes the held pace at once, so it shows as
// hiding before the turn is computed.
TEST_F(ReplayAnimation, AHideOrderTakesTheHeldPaceAtOnce) {
    auto squad = Make(kUSSquad, kAmerican);
    squad->mMoveSpeed = kStand;
    squad->mNrWaypoints = 0;
    squad->ReceiveMoveOrders(0.0f, 0.0f, kOrderHide, nullptr, true, false, false, false);
    EXPECT_EQ(squad->mMoveSpeed, kHold);
    EXPECT_TRUE(squad->IsHiding(false));
}

} // namespace

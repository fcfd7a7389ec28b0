// The soldier figures through a recording renderer: level thresholds, the
// pieces each level draws, mirrored right limbs, crew flags, skis and the
// hand-weapon hand-over, with the matrix stack balanced on every path.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DrawTestUtil.h"
#include "draw/InfantryDraw.h"

using namespace dtest;

namespace {

struct HookLog {
    std::vector<int> details, figures;
} gLog;

void PoppingWeapon(int32_t figure, bool, int32_t detail) {
    gLog.details.push_back(detail);
    gLog.figures.push_back(figure);
    d3::Pop();
    d3::Pop();
}

class Figures : public ::testing::Test {
protected:
    DrawFixture f{false};
    char cells[8] = {};
    FigurePose pose;
    void SetUp() override {
        gFigureStatics = FigureStatics{};
        for (int k = 0; k < 6; ++k)
            gFigureStatics.slots[k] = reinterpret_cast<GGraphic*>(&cells[k]);
        gFigureStatics.face = reinterpret_cast<GGraphic*>(&cells[6]);
        pose.bodyPitch = 20.0f;
        pose.leftHipPitch = 15.0f, pose.rightKnee = -30.0f, pose.rightElbow = 40.0f, pose.headTurn = 10.0f;
        gLog = HookLog{};
    }
    void TearDown() override {
        gHandWeaponHook = nullptr;
        gFigureStatics = FigureStatics{};
    }
    void Draw(FigureDetail d, bool needsClip = true) {
        f.recorder.mCalls.clear();
        DrawSoldier(d, pose, 1, needsClip);
    }
};

} // namespace

TEST(FigureLevels, EachThresholdIsStrictlyExceeded) {
    EXPECT_EQ(FigureDetailFor(0.0096f), kFigureBest);
    EXPECT_EQ(FigureDetailFor(0.0095f), kFigureGood);
    EXPECT_EQ(FigureDetailFor(0.0065f), kFigureAverage);
    EXPECT_EQ(FigureDetailFor(0.0045f), kFigureSucky);
    EXPECT_EQ(FigureDetailFor(0.0033f), kFigureCircusFreak);
    EXPECT_EQ(FigureDetailFor(0.0025f), kFigurePondScum);
    EXPECT_EQ(FigureDetailFor(0.002f), kFigureDistantDot);
    EXPECT_EQ(FigureDetailFor(-1.0f), kFigureDistantDot);
}

// On the screen the richest figure starts only above its own measure; between
// the two thresholds it is the good one, and a pick still sees the richest.
TEST(FigureLevels, OnTheScreenTheRichestNeedsItsOwnMeasureAndPicksKeepIt) {
    const float above = std::nextafter(kBestFigureOnScreen, 1.0f);
    EXPECT_EQ(ScreenFigureDetail(above, false), kFigureBest);
    EXPECT_EQ(ScreenFigureDetail(kBestFigureOnScreen, false), kFigureGood);
    EXPECT_EQ(ScreenFigureDetail(0.0096f, false), kFigureGood);
    EXPECT_EQ(ScreenFigureDetail(0.0096f, true), kFigureBest);
    for (const float f : {0.0095f, 0.005f, 0.003f, 0.001f}) {
        EXPECT_EQ(ScreenFigureDetail(f, false), FigureDetailFor(f)) << f;
        EXPECT_EQ(ScreenFigureDetail(f, true), FigureDetailFor(f)) << f;
    }
}

TEST_F(Figures, EveryLevelDrawsItsPiecesAndLeavesTheStackAsFound) {
    // Torso, head group, both arms and both legs of each level, headgear kind 0.
    const int expected[kFigureDetailCount] = {60, 45, 20, 15, 11, 7, 4};
    for (bool hook : {false, true}) {
        gHandWeaponHook = hook ? PoppingWeapon : nullptr;
        for (int d = 0; d < kFigureDetailCount; ++d) {
            Draw(static_cast<FigureDetail>(d));
            EXPECT_EQ(Primitives(f.recorder), expected[d]) << d;
            EXPECT_EQ(CheckedDepth(f.recorder), 0) << d;
            // Culling is always back on at the end.
            int cull = 1;
            for (const DrawCall& c : f.recorder.mCalls)
                if (c.mOp == DrawOp::kCull) cull = static_cast<int>(c.mArgs[0]);
            EXPECT_EQ(cull, 1) << d;
        }
    }
    EXPECT_EQ(gLog.details, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(gLog.figures, (std::vector<int>{1, 1, 1, 1}));
    // An unknown level draws the far fleck.
    Draw(static_cast<FigureDetail>(99));
    EXPECT_EQ(Primitives(f.recorder), 4);
}

TEST_F(Figures, TheAverageSoleOnlyWhereTheViewCutsTheFigure) {
    Draw(kFigureAverage, false);
    EXPECT_EQ(Primitives(f.recorder), 18);
}

TEST_F(Figures, RightLimbsAreMirroredAndTheRightArmTakesItsOwnPicture) {
    Draw(kFigureSucky);
    EXPECT_EQ(f.recorder.Count(DrawOp::kReflect), 4); // arm twice, leg twice
    std::vector<GGraphic*> forearm;
    for (const DrawCall& c : f.recorder.mCalls)
        if (c.mOp == DrawOp::kTextureFan) forearm.push_back(c.mTexture);
    // Torso sides, cap, face, left upper and forearm, right upper and forearm.
    ASSERT_GE(forearm.size(), 9u);
    EXPECT_EQ(forearm[4], gFigureStatics.slots[4]);
    EXPECT_EQ(forearm[5], gFigureStatics.slots[4]);
    EXPECT_EQ(forearm[6], gFigureStatics.slots[5]);
    EXPECT_EQ(forearm[7], gFigureStatics.slots[5]);
    gFigureStatics.slots[5] = nullptr;
    Draw(kFigureSucky);
    forearm.clear();
    for (const DrawCall& c : f.recorder.mCalls)
        if (c.mOp == DrawOp::kTextureFan) forearm.push_back(c.mTexture);
    EXPECT_EQ(forearm[7], gFigureStatics.slots[4]);
}

TEST_F(Figures, CrewFlagsCutTheFigureShortWithBalancedMatrices) {
    gHandWeaponHook = PoppingWeapon;
    gFigureStatics.crewTorsoOnly = true;
    Draw(kFigureSucky);
    EXPECT_EQ(Primitives(f.recorder), 5);
    EXPECT_EQ(CheckedDepth(f.recorder), 0);
    EXPECT_TRUE(gLog.details.empty());
    gFigureStatics.crewTorsoOnly = false;
    gFigureStatics.crewNoLegs = true;
    Draw(kFigureSucky);
    EXPECT_EQ(Primitives(f.recorder), 9);
    EXPECT_EQ(CheckedDepth(f.recorder), 0);
    EXPECT_EQ(gLog.details.size(), 1u);
}

TEST_F(Figures, SkisUnderEachShinOfTheFourRichestLevelsLevelWithTheGround) {
    gFigureStatics.onSkis = true;
    for (int d = 0; d < kFigureDetailCount; ++d) {
        Draw(static_cast<FigureDetail>(d));
        std::vector<float> pitches;
        const auto& calls = f.recorder.mCalls;
        for (size_t i = 0; i + 2 < calls.size(); ++i)
            if (calls[i].mOp == DrawOp::kCull && calls[i].mArgs[0] == 0.0f &&
                calls[i + 2].mOp == DrawOp::kRotate && calls[i + 3].mOp == DrawOp::kColor)
                pitches.push_back(calls[i + 2].mArgs[1]);
        if (d <= kFigureSucky)
            EXPECT_EQ(pitches, (std::vector<float>{-15.0f - 0.0f - 20.0f, -0.0f + 30.0f - 20.0f})) << d;
        else
            EXPECT_TRUE(pitches.empty()) << d;
        EXPECT_EQ(CheckedDepth(f.recorder), 0);
    }
}

TEST_F(Figures, HeadgearByKindAtTheRichLevels) {
    // Bare heads draw no headgear; an unknown kind draws the general cap.
    gFigureStatics.headgearKind = 3;
    Draw(kFigureGood);
    EXPECT_EQ(Primitives(f.recorder), 45 - 12);
    gFigureStatics.headgearKind = 77;
    Draw(kFigureGood);
    EXPECT_EQ(Primitives(f.recorder), 45 - 12 + 3);
    // Kind 16 is kind 12 under a further frame.
    gFigureStatics.headgearKind = 12;
    Draw(kFigureBest);
    const int twelve = Primitives(f.recorder);
    const size_t scales12 = CallsOf(f.recorder, DrawOp::kScale).size();
    gFigureStatics.headgearKind = 16;
    Draw(kFigureBest);
    EXPECT_EQ(Primitives(f.recorder), twelve);
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kScale).size(), scales12 + 1);
    EXPECT_EQ(CheckedDepth(f.recorder), 0);
}

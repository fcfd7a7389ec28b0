// The soldier figures through a recording renderer: level thresholds, the
// pieces each level draws, mirrored right limbs, crew flags, skis and the
// hand-weapon hand-over, with the matrix stack balanced on every path.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DrawTestUtil.h"
#include "draw/InfantryDraw.h"
#include "models/ModelTables.h"

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

// Under legwear 17 the richest figure's forearms (left and right) take the
// derived strip: the second vertex of each pair drawn in by 0.67 (x, y) and
// 2 lower, the rest and the texture coordinates as the usual forearm's.
TEST_F(Figures, Legwear17DrawsTheDerivedForearm) {
    Draw(kFigureBest);
    const std::vector<DrawCall> usual = f.recorder.mCalls;
    gFigureStatics.legwearKind = 17;
    Draw(kFigureBest);
    const float* strip = Legwear17Forearm()->xyz; // its first vertex is the strip's
    int forearms = 0;
    for (size_t i = 0; i < usual.size(); ++i) {
        const std::vector<float>& u = usual[i].mArgs;
        if (usual[i].mCount != 12 || u[0] != strip[0] || u[1] != strip[1] || u[2] != strip[2]) continue;
        ++forearms;
        const std::vector<float>& w = f.recorder.mCalls[i].mArgs;
        ASSERT_EQ(w.size(), 5u * kForearmStripVertices);
        for (size_t k = 0; k < w.size(); ++k) {
            const bool second = k / 5 % 2 == 1;
            const float want = !second || k % 5 > 2 ? u[k] : (k % 5 == 2 ? u[k] - 2.0f : u[k] * 0.67f);
            EXPECT_FLOAT_EQ(w[k], want) << k;
        }
        EXPECT_EQ(f.recorder.mCalls[i + 1].mArgs, usual[i + 1].mArgs) << "the fan after it";
    }
    EXPECT_EQ(forearms, 2);
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

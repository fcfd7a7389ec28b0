// A squad's drawing: the frame scaled by the drawing, the level of detail by
// distance, the uniform's headgear by date and rank, the shadow only near.
#include <gtest/gtest.h>

#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

using namespace dtest;

namespace {

class InfantryDrawing : public ::testing::Test {
protected:
    DrawFixture f{false};
    TestRows<InfantryData, 1> infantry{gInfantryData};
    TestRows<UniformGraphics, 2> uniforms{gUniformGraphics};
    Battle battle;
    Battle* old = nullptr;
    Infantry* unit = nullptr;
    void SetUp() override {
        old = gBattle;
        gBattle = &battle;
        battle.mMap = FlatMap(10, 10).release();
        infantry[0].mIsSquad = 0; // one figure
        infantry[0].mHeavyWeapon = 286;
        // Uniform 1: periods from 4301 and 4405; rank slot 1 (a team) wears
        // headgear 4 + period.
        uniforms[1].mVariantDates[0] = 4301;
        uniforms[1].mVariantDates[1] = 4405;
        for (int period = 0; period < 3; ++period)
            uniforms[1].mTextureNumbers[(1 + 4 * period) * 8 + 6] = static_cast<int16_t>(4 + period);
        unit = new Infantry;
        unit->mX = 100.0f, unit->mY = 100.0f;
        unit->mActive = true;
        unit->mSide = 1;
        unit->mUniform = 1;
    }
    void TearDown() override {
        unit->NullifyTextures(false); // the tests lend it their pictures
        delete unit;
        gBattle = old;
    }
    void Draw(float factor) {
        f.recorder.mCalls.clear();
        unit->DrawCode(true, 0.0125f, factor);
    }
};

} // namespace

TEST_F(InfantryDrawing, TheFrameIsScaledTheManDrawnAtHisDetailAndTheStackBalanced) {
    Draw(0.01f);
    EXPECT_EQ(Depth(f.recorder), 0);
    const auto scales = CallsOf(f.recorder, DrawOp::kScale);
    ASSERT_FALSE(scales.empty());
    EXPECT_EQ(scales[0]->mArgs, (std::vector<float>{0.0125f, 0.0125f, 0.0125f}));
    // Near: the richest figure and a shadow quad at the shadow's opacity.
    bool shadow = false;
    for (const auto* c : CallsOf(f.recorder, DrawOp::kOpacity))
        shadow = shadow || (c->mArgs[0] > 0.0f && c->mArgs[0] < 1.0f);
    EXPECT_TRUE(shadow);
    // The shadow and the four quads of the rifle in his hands.
    const int richQuads = f.recorder.Count(DrawOp::kTexturedQuad);
    EXPECT_EQ(richQuads, 5);
    // Far: a fleck and no shadow.
    Draw(0.0015f);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexturedQuad), 0);
    EXPECT_EQ(f.recorder.Count(DrawOp::kTextureFan) + f.recorder.Count(DrawOp::kTextureStrip), 4);
    EXPECT_EQ(Depth(f.recorder), 0);
}

// The ground shadow comes with the detail of a near unit: strictly above
// 0.0065 of the drawing factor.
TEST_F(InfantryDrawing, TheShadowIsDrawnOnlyStrictlyAboveTheDetailThreshold) {
    auto shadow = [&](float factor) {
        Draw(factor);
        for (const auto* c : CallsOf(f.recorder, DrawOp::kOpacity))
            if (c->mArgs[0] > 0.0f && c->mArgs[0] < 1.0f) return true;
        return false;
    };
    EXPECT_TRUE(shadow(std::nextafter(0.0065f, 1.0f)));
    EXPECT_FALSE(shadow(0.0065f));
    EXPECT_TRUE(shadow(0.0095f)); // the good figure still casts one
}

// A man is drawn at the level his measure picks, on the screen as in a
// pick: the richest figure (its thigh strips of 14) strictly above 0.0095.
TEST_F(InfantryDrawing, EveryMeasureDrawsTheLevelItPicks) {
    for (const float factor : {0.0095f, 0.0096f, 0.015f, 0.0151f}) {
        Draw(factor);
        int thighs = 0;
        for (const auto* c : CallsOf(f.recorder, DrawOp::kTextureStrip))
            thighs += c->mCount == 14;
        EXPECT_EQ(thighs > 0, FigureDetailFor(factor) == kFigureBest) << factor;
        EXPECT_EQ(thighs > 0, factor > 0.0095f) << factor;
    }
}

TEST_F(InfantryDrawing, HeadgearFollowsThePeriodOfTheBattleDate) {
    const struct { int32_t date, kind; } cases[] = {{4301, 4}, {4302, 5}, {4405, 5}, {4406, 6}};
    for (const auto& c : cases) {
        battle.mDate = c.date;
        Draw(0.01f);
        EXPECT_EQ(gFigureStatics.headgearKind, c.kind) << c.date;
    }
    // A first date of 0 always gives the first period.
    uniforms[1].mVariantDates[0] = 0;
    Draw(0.01f);
    EXPECT_EQ(gFigureStatics.headgearKind, 4);
}

TEST_F(InfantryDrawing, AFaceOutsideTheTableDrawsFaceTwo) {
    unit->mFaceIndex[0] = 31;
    Draw(0.01f);
    EXPECT_EQ(gFaceTextureIndex, 2);
    unit->mFaceIndex[0] = 7;
    Draw(0.01f);
    EXPECT_EQ(gFaceTextureIndex, 7);
}

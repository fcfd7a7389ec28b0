// Markers of fixed objects and the aircraft silhouette.
#include <gtest/gtest.h>

#include "WeaponTestUtil.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

using namespace wtest;

TEST(FixedObjectMarker, DrawnByKindTrenchesInSetUpOnlyNoneForUnknownKindsOrUnfoundObstacles) {
    WeaponFixture w;
    Inanimate obj;
    obj.mSide = 1;
    // Trenches show to their side in set-up only; after it they are ground.
    for (bool setup : {true, false}) {
        w.battle.mSetupPhase = setup;
        for (InanimateType kind = -2; kind <= 9; ++kind) {
            obj.mSubtype = kind;
            w.Clear();
            obj.DrawCode(false, 2.0f, 0.01f);
            EXPECT_EQ(Depth(w.f.recorder), 0) << kind;
            EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull)) << kind;
            // Kinds 8 and 9 mark a large and a small flag's place.
            const bool marked =
                (kind >= 0 && kind <= 6 && (kind != kInanimateTrenches || setup)) || kind == 8 || kind == 9;
            EXPECT_EQ(w.f.recorder.Polygons() > 0, marked) << kind << (setup ? " in set-up" : "");
        }
    }
    // An enemy minefield not yet found.
    obj.mSubtype = kInanimateATMines;
    obj.mSide = 0;
    obj.mContactLevel = kContactNone;
    w.Clear();
    obj.DrawCode(false, 1.0f, 0.01f);
    EXPECT_EQ(w.f.recorder.Polygons(), 0);
}

// Each kind of fixed object is drawn its own way (no two alike in their
// shapes and colours); the mines of a field lie at their true places however
// large the marker is drawn; a flag marker draws a flag's pole and cloth.
TEST(FixedObjectMarker, EveryKindLooksItsOwnAndMinesKeepTheirPlaces) {
    WeaponFixture w;
    w.battle.mSetupPhase = true;
    Inanimate obj;
    obj.mSide = 1;
    obj.mX = 40.0f, obj.mY = 40.0f;
    auto look = [&](InanimateType kind, float scale) {
        obj.mSubtype = kind;
        w.Clear();
        obj.DrawCode(false, scale, 0.01f);
        std::vector<float> out;
        for (const DrawCall& c : w.f.recorder.mCalls)
            if (c.mOp != DrawOp::kPush && c.mOp != DrawOp::kPop && c.mOp != DrawOp::kCull)
                out.insert(out.end(), c.mArgs.begin(), c.mArgs.end()), out.push_back(float(c.mOp));
        return out;
    };
    std::vector<std::vector<float>> looks;
    for (InanimateType kind = 0; kind <= 6; ++kind) {
        looks.push_back(look(kind, 1.0f));
        for (InanimateType other = 0; other < kind; ++other)
            EXPECT_NE(looks[kind], looks[other]) << kind << " looks like " << other;
    }
    for (InanimateType kind : {kInanimateAPMines, kInanimateATMines, kInanimateDaisyChain}) {
        auto mines = [&](float scale) {
            look(kind, scale);
            std::vector<float> at;
            for (const DrawCall& c : w.f.recorder.mCalls)
                if (c.mOp == DrawOp::kFan) at.insert(at.end(), c.mArgs.begin(), c.mArgs.begin() + 2);
            return at;
        };
        const std::vector<float> one = mines(1.0f);
        EXPECT_GE(one.size(), 12u) << kind;
        EXPECT_EQ(mines(3.0f), one) << kind;
    }
    look(8, 1.0f);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kTextureStrip), 1); // the pole
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kTexturedQuad), 2); // its cap and the cloth
    EXPECT_EQ(Depth(w.f.recorder), 0);
}

TEST(AircraftSilhouette, DrawnTurnedByItsHeadingWithTheStackBalanced) {
    WeaponFixture w;
    Airplane plane;
    plane.mHeading = 30.0f;
    plane.DrawCode(false, 0.0f, 0.01f);
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_EQ(w.f.recorder.Polygons(), 4);
    EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull));
}

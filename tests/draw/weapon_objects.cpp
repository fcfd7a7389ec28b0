// Markers of fixed objects and the aircraft silhouette.
#include <gtest/gtest.h>

#include "WeaponTestUtil.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

using namespace wtest;

TEST(FixedObjectMarker, AFlagByKindTrenchesInSetUpOnlyNoneForUnknownKindsOrUnfoundObstacles) {
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
            const bool marked = kind >= 0 && kind <= 6 && (kind != kInanimateTrenches || setup);
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

TEST(AircraftSilhouette, DrawnTurnedByItsHeadingWithTheStackBalanced) {
    WeaponFixture w;
    Airplane plane;
    plane.mHeading = 30.0f;
    plane.DrawCode(false, 0.0f, 0.01f);
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_EQ(w.f.recorder.Polygons(), 4);
    EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull));
}

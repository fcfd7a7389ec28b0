// The weapons in the men's hands and set down by the squad: every group
// leaves the stack as the contract says, culling and winding restored.
#include <gtest/gtest.h>

#include "WeaponTestUtil.h"
#include "draw/InfantryDraw.h"
#include "units/Functions.h"

using namespace wtest;
using dtest::CallsOf;

namespace {

int32_t Geometry(const DrawRecorder& r) {
    return r.Polygons();
}

} // namespace

TEST(HandWeapon, EveryGroupPopsTheArmsTwoLevelsAndRestoresTheFlags) {
    WeaponFixture w;
    for (int32_t anim : {0, 6}) {
        w.unit->mAnimation[0] = anim;
        for (int32_t group = -3; group <= 20; ++group) {
            for (int32_t detail = 0; detail <= 2; ++detail) {
                w.Group(group);
                w.Clear();
                w.Hand(detail);
                EXPECT_EQ(Depth(w.f.recorder), 0) << group;
                EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull)) << group;
                EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kClockwise)) << group;
            }
        }
    }
    // The crew hand object and a nation's rocket launcher.
    for (int32_t force : {0, 3}) {
        w.unit->mForce = force;
        w.Group(5);
        w.Clear();
        w.Hand();
        EXPECT_EQ(Depth(w.f.recorder), 0);
        EXPECT_GT(Geometry(w.f.recorder), 0);
    }
    gWeaponStatics.crewHandObject = true;
    w.unit->mSubtype = kInfantryCrewDummy;
    w.Group(15);
    w.Clear();
    w.Hand();
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kFan), 2);
}

TEST(HandWeapon, TheFallenTheSurrenderedAndTheGunCrewsHoldNothing) {
    WeaponFixture w;
    w.Group(0);
    w.Hand();
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kTexturedQuad), 4); // a rifle's four quads
    auto nothing = [&](const char* why) {
        w.Clear();
        w.Hand();
        EXPECT_EQ(Geometry(w.f.recorder), 0) << why;
        EXPECT_EQ(Depth(w.f.recorder), 0) << why;
    };
    w.unit->mSurrendered = true;
    nothing("surrendered");
    w.unit->mSurrendered = false;
    w.unit->mActive = false;
    nothing("dead");
    w.unit->mActive = true;
    w.unit->mOffMapState = 2;
    nothing("exited");
    w.unit->mOffMapState = 0;
    // The crew figure holds nothing unless its pose gives it the hand object.
    w.unit->mSubtype = kInfantryCrewDummy;
    nothing("crew figure");
    w.unit->mSubtype = 0;
    for (int32_t g : {9, 10, 17, 14, 16}) {
        w.Group(g);
        nothing("gun crew");
    }
}

TEST(HandWeapon, AnUnidentifiedLongArmIsTheNationsStandardRifle) {
    WeaponFixture w;
    w.arms[10].mTextures[0] = 3; // the long rifle's own picture
    w.battle.mMap->mSmallArmsTextures[3] = w.f.shop.Make(33, 0);
    w.unit->mFigureSmallArms[0] = 10;
    w.Group(0);
    w.Hand();
    auto quads = CallsOf(w.f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 4u);
    // Type 10 reaches 89.0 back from 27.9.
    EXPECT_FLOAT_EQ(quads[0]->mArgs[1], 27.9f - 89.0f);
    EXPECT_EQ(w.f.shop.NumberOf(quads[0]->mTexture), 33);
    // An enemy seen at contact 3 whose rocket team is not made out: the
    // figure shows a rifleman with the nation's standard rifle.
    const int32_t standard = StandardRifle(w.unit->GetNation());
    ASSERT_TRUE(w.arms[0].mName[0] == 0 && standard >= 0 && standard < 70);
    w.arms[standard].mTextures[0] = 4;
    w.battle.mMap->mSmallArmsTextures[4] = w.f.shop.Make(44, 0);
    w.unit->mSide = 0;
    w.unit->mContactLevel = 3;
    w.Group(5);
    w.Clear();
    w.Hand();
    quads = CallsOf(w.f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 4u);
    EXPECT_EQ(w.f.shop.NumberOf(quads[0]->mTexture), standard == 10 ? 33 : 44);
}

TEST(MachineGun, ATeamFiringSetsItsGunDownAndTheSquadDrawsItTurnedByItsHeading) {
    WeaponFixture w;
    w.Group(3);
    w.unit->mAnimation[0] = 6;
    w.unit->mHeading = 130.0f;
    w.Hand();
    EXPECT_EQ(Geometry(w.f.recorder), 0);
    EXPECT_EQ(gWeaponStatics.weaponCode, kWeaponDrawMountA);
    w.Clear();
    DrawSquadWeapons(*w.unit);
    EXPECT_EQ(Depth(w.f.recorder), 0);
    const auto turns = CallsOf(w.f.recorder, DrawOp::kRotate);
    ASSERT_FALSE(turns.empty());
    EXPECT_EQ(turns[0]->mArgs, (std::vector<float>{2.0f, 40.0f}));
    EXPECT_GT(Geometry(w.f.recorder), 0);
    // Too far for a set-down gun: nothing, the stack still balanced.
    gWeaponStatics.weaponDetail = 3;
    w.Clear();
    DrawHMG(*w.unit, false, kWeaponDrawMountA, true);
    EXPECT_EQ(Geometry(w.f.recorder), 0);
    EXPECT_EQ(Depth(w.f.recorder), 0);
}

TEST(MachineGun, EachMountTakesTheValuesOfItsOwnCall) {
    WeaponFixture w;
    auto mountYs = [&] {
        std::vector<float> ys;
        for (const DrawCall* c : CallsOf(w.f.recorder, DrawOp::kStrip))
            for (size_t i = 1; i < c->mArgs.size(); i += 3)
                ys.push_back(c->mArgs[i]);
        return ys;
    };
    for (int32_t shape = 0; shape < 2; ++shape) {
        w.Clear();
        if (shape == 0)
            DrawHMGModel4(34, 77.0f, 6.9f, -42.0f, -28.0f, -68.0f, false, 0.67f, 10.0f);
        else
            DrawHMGModel3(32, 101.2f, 7.1f, -31.0f, -10.5f, -70.0f, false, 0.75f, 0.0f);
        w.Clear();
        if (shape == 0)
            DrawHMGModel4(51, 130.0f, 1.4f, -50.0f, -20.0f, -68.0f, false, 0.67f, 22.0f);
        else
            DrawHMGModel3(33, 82.0f, 16.8f, -31.0f, -8.5f, -65.0f, false, 0.75f, -10.5f);
        const std::vector<float> ys = mountYs();
        ASSERT_EQ(ys.size(), 24u);
        for (size_t i = 0; i < ys.size(); ++i)
            EXPECT_FLOAT_EQ(ys[i],
                            i % 2 == 0 ? (shape == 0 ? -50.0f : -31.0f) : (shape == 0 ? -20.0f : -8.5f));
        EXPECT_EQ(Depth(w.f.recorder), 0);
    }
}

TEST(AntitankRifle, HeldWhileMovingSetDownOtherwiseSizedByItsData) {
    WeaponFixture w;
    w.infantry[0].mHeavyWeapon = 3;
    w.Group(6);
    w.unit->mAnimation[0] = 1;
    w.Hand();
    EXPECT_EQ(Depth(w.f.recorder), 0);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kTexturedQuad), 3);
    EXPECT_EQ(gWeaponStatics.weaponCode, kWeaponDrawNone);
    w.unit->mAnimation[0] = 4;
    w.Clear();
    w.Hand();
    EXPECT_EQ(Geometry(w.f.recorder), 0);
    EXPECT_EQ(gWeaponStatics.weaponCode, kWeaponDrawATR);
    w.Clear();
    DrawSquadWeapons(*w.unit);
    EXPECT_EQ(Depth(w.f.recorder), 0);
    // Set down: raised by its height less 7, and 120 long.
    const auto moves = CallsOf(w.f.recorder, DrawOp::kTranslate);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves[0]->mArgs, (std::vector<float>{0.0f, 32.0f, 7.0f}));
    const auto quads = CallsOf(w.f.recorder, DrawOp::kTexturedQuad);
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_FLOAT_EQ(quads[0]->mArgs[6] - quads[0]->mArgs[1], 120.0f);
}

TEST(FlameTank, OnlyAFlameSquadSeenClosely) {
    WeaponFixture w;
    DrawFlameTank(*w.unit, false);
    EXPECT_EQ(Geometry(w.f.recorder), 0);
    w.infantry[0].mHeavyWeapon = 2;
    DrawFlameTank(*w.unit, false);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kStrip), 2);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kQuad), 3);
    EXPECT_EQ(w.f.recorder.Count(DrawOp::kFan), 2);
    EXPECT_TRUE(LastFlag(w.f.recorder, DrawOp::kCull));
    w.Clear();
    w.unit->mSide = 0;
    w.unit->mContactLevel = 2;
    DrawFlameTank(*w.unit, false);
    EXPECT_EQ(Geometry(w.f.recorder), 0);
}

TEST(CrewPose, TheTableAndItsFallback) {
    WeaponFixture w;
    gFigureStatics = FigureStatics{};
    SetCrewPose(*w.unit, 12, 33.0f, true);
    EXPECT_TRUE(gFigureStatics.crewNoLegs);
    EXPECT_TRUE(gWeaponStatics.crewHandObject);
    const auto& p = w.unit->mFigurePos;
    EXPECT_EQ(p[17][0], 33.0f);
    EXPECT_EQ(p[2][0], 110.0f); // bent legs
    EXPECT_EQ(p[5][0], -130.0f);
    EXPECT_EQ(p[15][0], 90.0f); // the weapon pitched in the hand
    EXPECT_EQ(p[10][0], 15.0f);
    gFigureStatics = FigureStatics{};
    gWeaponStatics = WeaponStatics{};
    SetCrewPose(*w.unit, 1, 0.0f, true);
    EXPECT_TRUE(gFigureStatics.crewTorsoOnly);
    EXPECT_FALSE(gWeaponStatics.crewHandObject);
    EXPECT_EQ(p[2][0], 90.0f); // seated, whatever the flag
    SetCrewPose(*w.unit, 8, 0.0f, false);
    EXPECT_EQ(p[2][0], 140.0f);
    SetCrewPose(*w.unit, 9, 0.0f, false);
    EXPECT_EQ(p[2][0], 0.0f);
    EXPECT_EQ(p[13][0], 10.0f);
    EXPECT_EQ(p[9][0], 20.0f);
    // Only figure 0 is posed.
    EXPECT_EQ(p[2][1], 0.0f);
}

TEST(CrewPose, ACrewFigureDrawnByTheSquadClearsItsFlagsAfterwards) {
    WeaponFixture w;
    w.unit->mSubtype = kInfantryCrewDummy;
    w.infantry[0].mNrMen = 1;
    gFigureStatics = FigureStatics{};
    SetCrewPose(*w.unit, 2, 0.0f, false);
    gAllowFaceSet = false;
    w.unit->DrawCode(false, 0.0f, 0.01f);
    gAllowFaceSet = true;
    EXPECT_FALSE(gWeaponStatics.crewHandObject);
    EXPECT_EQ(Depth(w.f.recorder), 0);
}

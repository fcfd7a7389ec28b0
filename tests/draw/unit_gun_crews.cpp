// A gun's crew as the figures draw it: at the gun's crew point, lifted onto a
// raised mount while serving it, two men at +-90 degrees without the third
// man; a gun still drawn when its crew tows it or has left it.
#include <gtest/gtest.h>

#include <cmath>

#include "WeaponTestUtil.h"
#include "battle/UnitList.h"
#include "draw/UnitDraw.h"
#include "units/Vehicle.h"

using namespace wtest;
using dtest::CallsOf;

namespace {

class GunCrew : public ::testing::Test {
protected:
    WeaponFixture w{true};
    dtest::TestRows<OrdnanceModelData, 43> guns{gOrdnanceModelData};
    void SetUp() override {
        w.infantry[0].mHeavyWeapon = 1; // a towed gun of the light flak gun's model
        w.infantry[0].mIsSquad = 1;
        w.infantry[0].mNrTeams = 1;
        w.infantry[0].mNrMen = w.infantry[0].mTeamMen[0] = 5;
        w.Group(10);
        w.weapons[1].mModelScale = 0.5f;
        w.weapons[1].mFlags = 3; // not towed: a gun that stays put
        w.weapons[1].mOrdnanceModel = 13;
        guns[13].mCrewX = 10.0f, guns[13].mCrewY = -20.0f, guns[13].mCrewHeight = 8.0f;
        w.unit->mRandomHeading = 0.0f;
    }
    void Draw(float factor = 0.001f) {
        w.Clear();
        d3::Push();
        d3::Translate(0.0f, 0.0f, -500.0f); // well in front of the camera
        w.Clear();
        w.unit->DrawCode(true, 0.0125f, factor);
        EXPECT_EQ(dtest::Depth(w.f.recorder), 0);
        d3::Pop();
    }
    bool Moved(float x, float y, float z) const {
        for (const DrawCall* c : CallsOf(w.f.recorder, DrawOp::kTranslate))
            if (std::fabs(c->mArgs[0] - x) < 1e-4f && std::fabs(c->mArgs[1] - y) < 1e-4f &&
                std::fabs(c->mArgs[2] - z) < 1e-4f)
                return true;
        return false;
    }
    // The figures' ring offsets (in figure units at scale 0.0125) drawn.
    int32_t RingAt(float degrees) const {
        const float r = 1.2f / 0.0125f, a = degrees * 3.14159265358979f / 180.0f;
        int32_t n = 0;
        for (const DrawCall* c : CallsOf(w.f.recorder, DrawOp::kTranslate))
            if (std::fabs(c->mArgs[0] - r * std::cos(a)) < 1e-2f &&
                std::fabs(c->mArgs[1] - r * std::sin(a)) < 1e-2f)
                ++n;
        return n;
    }
};

TEST_F(GunCrew, TheCrewStandsAtTheCrewPointAndIsLiftedWhileServingTheGun) {
    Draw();
    EXPECT_TRUE(Moved(10.0f * 0.5f, -20.0f * 0.5f, 0.0f));
    w.unit->mAnimation[0] = 2;
    Draw();
    EXPECT_TRUE(Moved(5.0f, -10.0f, (72.0f + 8.0f) * 0.5f - 72.0f));
    w.unit->mAnimation[0] = 4;
    Draw();
    EXPECT_TRUE(Moved(5.0f, -10.0f, (72.0f + 8.0f) * 0.5f - 72.0f));
    w.Group(9); // a mortar's crew is not lifted
    Draw();
    EXPECT_TRUE(Moved(5.0f, -10.0f, 0.0f));
}

TEST_F(GunCrew, WithoutTheThirdManTwoMenStandAtPlusAndMinusNinety) {
    w.Group(0);
    w.infantry[0].mHeavyWeapon = kWeaponNone;
    for (auto& j : w.unit->mJitterA)
        j[0] = j[1] = 0.0f;
    Draw();
    EXPECT_EQ(RingAt(0.0f), 1);
    EXPECT_EQ(RingAt(120.0f), 1);
    EXPECT_EQ(RingAt(-120.0f), 1);
    w.f.settings.mThirdMan = false;
    Draw();
    EXPECT_EQ(RingAt(90.0f), 1);
    EXPECT_EQ(RingAt(-90.0f), 1);
    EXPECT_EQ(RingAt(0.0f), 0);
}

TEST_F(GunCrew, AGunIsDrawnWhileTowedAndWhenItsCrewHasLeftIt) {
    Draw();
    const int32_t withCrew = w.f.recorder.Polygons();
    ASSERT_GT(withCrew, 0);

    // Hitched to its carrier: no men, the gun.
    Vehicle carrier;
    w.weapons[1].mFlags = 0;
    w.unit->mTransport = &carrier;
    Draw();
    EXPECT_GT(w.f.recorder.Polygons(), 0);
    EXPECT_LT(w.f.recorder.Polygons(), withCrew);
    w.unit->mTransport = nullptr;

    // Left by its crew: no figure, the gun stays.
    w.unit->mActive = false;
    auto* crew = new Infantry;
    crew->mAbandonedVehicle = w.unit;
    w.battle.mUnits->Add(crew);
    ASSERT_EQ(w.unit->GetNrFigures(), 0);
    Draw();
    EXPECT_GT(w.f.recorder.Polygons(), 0);
}

} // namespace

// The crew's gun drops its fine parts below a drawing factor of 0.0038; the
// figures keep their one level between 0.0033 and 0.0045, so only the gun
// tells the three factors apart.
TEST_F(GunCrew, TheGunDropsItsFinePartsBelowAFactorOfThirtyEightTenThousandths) {
    w.weapons[1].mOrdnanceModel = 36; // a model with fine parts
    auto polygons = [&](float factor) {
        Draw(factor);
        return w.f.recorder.Polygons();
    };
    const int32_t fine = polygons(0.0038f);
    const int32_t coarse = polygons(std::nextafter(0.0038f, 0.0f));
    EXPECT_LT(coarse, fine);
    EXPECT_EQ(polygons(0.0044f), fine);
    EXPECT_EQ(polygons(0.0034f), coarse);
}

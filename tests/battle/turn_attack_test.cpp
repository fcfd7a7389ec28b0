// Attacks landing: the cone of close fire, the blast and its edge, falling
// shells on armour, class rules for buildings, craters and vehicles only,
// and the firepower of flame and machine-gun fire.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "battle/UnitList.h"
#include "battle/VehicleHitRules.h"
#include "battle/turn_fixtures.h"
#include "map/BuildingWallCrater.h"
#include "units/FireShared.h"
#include "units/Vehicle.h"

namespace {

// Records the stage-two calls of the vehicle hit rules for one test.
struct StageTwoSpy {
    StageTwoSpy() : saved(gVehicleHitRules.hitStageTwo) {
        sCalls = 0;
        gVehicleHitRules.hitStageTwo = [](Unit*, PendingAttack*, int32_t location, int32_t aspect) {
            ++sCalls;
            sLocation = location;
            sAspect = aspect;
            // The stage reports a clean penetration at a weak spot that
            // immobilises the vehicle.
            gArmorHitReport.mPenetrationGrade = 2;
            gArmorHitReport.mWeakSpotHit = true;
            gArmorHitReport.mHitImmobilized = true;
        };
    }
    ~StageTwoSpy() { gVehicleHitRules.hitStageTwo = saved; }
    decltype(gVehicleHitRules.hitStageTwo) saved;
    static int32_t sCalls, sLocation, sAspect;
};
int32_t StageTwoSpy::sCalls = 0;
int32_t StageTwoSpy::sLocation = -1;
int32_t StageTwoSpy::sAspect = -1;

} // namespace

TEST(TurnAttack, ConeHitsAlongTheLineOfFireOnly) {
    TurnBattle t;
    ScriptUnit* gun = t.Add(kUnitVehicle, kAxis, 10, 100);
    const float off = 5.0f * 3.14159265f / 180.0f;
    ScriptUnit* inCone = t.Add(kUnitInfantry, kAllies, 10 + 100 * std::cos(off), 100 + 100 * std::sin(off));
    ScriptUnit* wide = t.Add(kUnitInfantry, kAllies, 10 + 100 * std::cos(0.2f), 100 + 100 * std::sin(0.2f));
    inCone->mHeavyWeapon = true;
    PendingAttack* a = t.Attack(gun, kWClassSmallArms, 160, 100, 0);
    a->mAmmoClass = kAmmoCanister;
    a->mFirepower = 300.0f;
    t.battle.mTimeSlice = 0;
    t.battle.ResolveAttack(a);
    ASSERT_EQ(inCone->mHits.size(), 1u);
    EXPECT_NEAR(inCone->mHits[0], 300.0f * (2.5f / 7.5f) * 2500.0f / 10000.0f, 0.5f);
    EXPECT_TRUE(wide->mHits.empty());
    EXPECT_TRUE(gun->mHits.empty());
    t.battle.mPendingAttacks.EmptyOut(true);
}

TEST(TurnAttack, BlastReachesTheRadiusAndAlertsOutToTwiceIt) {
    TurnBattle t;
    ScriptUnit* rifle = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* nearUnit = t.Add(kUnitVehicle, kAllies, 110, 100);
    ScriptUnit* edge = t.Add(kUnitVehicle, kAllies, 140, 100);
    ScriptUnit* far = t.Add(kUnitVehicle, kAllies, 160, 100);
    ScriptUnit* friendNear = t.Add(kUnitVehicle, kAxis, 100, 105);
    PendingAttack* a = t.Attack(rifle, kWClassSmallArms, 100, 100, 0);
    a->mFirepower = 100.0f;
    t.battle.mTimeOfDay = 1;
    t.battle.ResolveAttack(a);
    EXPECT_EQ(nearUnit->mHits.size(), 1u);
    EXPECT_TRUE(edge->mHits.empty());
    EXPECT_EQ(edge->mAlerted, 1);
    EXPECT_EQ(far->mAlerted, 0);
    // By day the shooter's own side is not hurt by small-arms fire.
    EXPECT_TRUE(friendNear->mHits.empty());
    t.battle.mTimeOfDay = 3;
    t.battle.ResolveAttack(a);
    EXPECT_EQ(friendNear->mHits.size(), 1u);
    EXPECT_TRUE(rifle->mHits.empty());
    t.battle.mPendingAttacks.EmptyOut(true);
}

TEST(TurnAttack, FallingShellStrikesArmourFromAboveWithoutBlastingIt) {
    StageTwoSpy spy;
    TurnBattle t;
    ScriptUnit* mortar = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* tank = t.Add(kUnitVehicle, kAllies, 100, 100);
    tank->mArmoured = true;
    ScriptUnit* beside = t.Add(kUnitVehicle, kAllies, 100.5f, 100);
    PendingAttack* a = t.Attack(mortar, kWClassMortar, 100, 100, 0);
    a->mPacket = t.Packet(kPacketShell, 0);
    // The shell flies from the mortar and strikes at its end point.
    a->mPacket->mX = 10;
    a->mPacket->mY = 10;
    a->mPacket->mEndX = 100;
    a->mPacket->mEndY = 100;
    a->mPacket->mFirer = mortar;
    const int32_t packetsBefore = t.battle.mPackets.GetCount();
    t.battle.mTimeSlice = 50;
    gArmorHitReport.mShotBounced = true; // left over from an earlier hit: cleared
    t.battle.ResolveAttack(a);
    EXPECT_EQ(a->mHitUnit, tank);
    EXPECT_EQ(StageTwoSpy::sCalls, 1);
    EXPECT_TRUE(StageTwoSpy::sLocation == 3 || StageTwoSpy::sLocation == 4);
    EXPECT_EQ(StageTwoSpy::sAspect, 0);
    EXPECT_TRUE(tank->mHits.empty());
    // The armour-hit record, ten slices on; no crater where a vehicle was hit.
    bool armourHit = false;
    for (int32_t k = packetsBefore; k < t.battle.mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k));
        if (p->mType == kPacketArmorHit) {
            armourHit = true;
            EXPECT_EQ(p->mTimeSlice, 60);
            EXPECT_EQ(p->mVehicle, tank);
            // The packet carries what the hit stages reported.
            EXPECT_EQ(p->mPenetrationGrade, 2);
            EXPECT_EQ(p->mArmorFlags, 0x20 | 0x02);
        }
        EXPECT_NE(p->mType, kPacketCrater);
    }
    EXPECT_TRUE(armourHit);
    EXPECT_EQ(t.battle.mMap->mCraters->GetCount(), 0);
    (void)beside;
    t.battle.mPendingAttacks.EmptyOut(true);
}

TEST(TurnAttack, SpecialChargesByWeapon) {
    TurnBattle t;
    ScriptUnit* sapper = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* squad = t.Add(kUnitInfantry, kAllies, 100, 100.5f);
    ScriptUnit* truck = t.Add(kUnitVehicle, kAllies, 100.5f, 100);
    PendingAttack* mine = t.Attack(sapper, kWClassSpecial, 100, 100, 0);
    mine->mWeaponType = 259;
    t.battle.ResolveAttack(mine);
    // Weapon 259 touches vehicles only and leaves no crater.
    EXPECT_TRUE(squad->mHits.empty());
    EXPECT_EQ(truck->mHits.size(), 1u);
    EXPECT_EQ(t.battle.mMap->mCraters->GetCount(), 0);
    PendingAttack* charge = t.Attack(sapper, kWClassSpecial, 150, 150, 0);
    charge->mWeaponType = 258;
    t.battle.ResolveAttack(charge);
    ASSERT_EQ(t.battle.mMap->mCraters->GetCount(), 1);
    EXPECT_NEAR(t.battle.mMap->mCraters->GetCrater(0)->mRadius, 0.12f * std::cbrt(180.0f), 0.05f);
    t.battle.mPendingAttacks.EmptyOut(true);
}

TEST(TurnAttack, MachineGunFireSharedAmongNoMenHurtsNobody) {
    TurnBattle t;
    ScriptUnit* mg = t.Add(kUnitVehicle, kAxis, 10, 10);
    ScriptUnit* empty = t.Add(kUnitInfantry, kAllies, 100, 100);
    empty->mCasualties = 5; // no men left by any record
    PendingAttack* a = t.Attack(mg, kWClassSniper, 100, 100, 0);
    t.battle.ResolveAttack(a);
    ASSERT_EQ(empty->mHits.size(), 1u);
    EXPECT_EQ(empty->mHits[0], 0.0f);
    EXPECT_TRUE(std::isfinite(empty->mHits[0]));
    t.battle.mPendingAttacks.EmptyOut(true);
}

namespace {

// A vehicle at the impact point that records the burst reaching it.
class BurstVehicle : public Vehicle {
public:
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    void TakeAreaHit(float power, int32_t, PendingAttack*) override { hits.push_back(power); }
    bool CanBeDamaged() override { return true; }
    bool IsArmoredVehicle(DataKnowledge, bool) override { return armoured; }
    float GetZ() override { return gBattle->mMap->GetZCoord(mX, mY); }
    float GetTEMFromLocation(float, float, float, bool, bool, bool, WeaponClass, bool, float*) override {
        return 1.0f;
    }
    bool armoured = false;
    std::vector<float> hits;
};

} // namespace

// A machine-gun burst reaches an armoured vehicle with open hatches at 0.4 of
// its firepower; buttoned up, or any soft vehicle, takes 0.1.
TEST(TurnAttack, MachineGunBurstOnOpenClosedAndSoftVehicles) {
    const struct {
        bool armoured, buttoned;
        float share;
    } kCases[] = {{true, false, 0.4f}, {true, true, 0.1f}, {false, false, 0.1f}, {false, true, 0.1f}};
    for (const auto& c : kCases) {
        TurnBattle t;
        ScriptUnit* mg = t.Add(kUnitInfantry, kAxis, 10, 10);
        auto* v = new BurstVehicle;
        v->mSide = 0;
        v->mX = v->mY = 100.0f;
        v->mActive = true;
        v->armoured = c.armoured;
        v->mButtoned = c.buttoned;
        t.battle.mUnits->Add(v);
        PendingAttack* a = t.Attack(mg, kWClassSniper, 100, 100, 0);
        const float f = a->GetFirepower(false, nullptr);
        ASSERT_GT(f, 0.0f);
        t.battle.ResolveAttack(a);
        ASSERT_EQ(v->hits.size(), 1u) << c.armoured << c.buttoned;
        EXPECT_FLOAT_EQ(v->hits[0], f * c.share) << c.armoured << c.buttoned;
        t.battle.mPendingAttacks.EmptyOut(true);
    }
}

TEST(TurnAttack, SniperFirepowerFallsWithRangeAndAMovingTarget) {
    TurnBattle t;
    ScriptUnit* mg = t.Add(kUnitInfantry, kAxis, 0, 0);
    ScriptUnit* target = t.Add(kUnitInfantry, kAllies, 100, 0);
    PendingAttack* a = t.Attack(mg, kWClassSniper, 100, 0, 0);
    a->mPacket = t.Packet(kPacketShell, 0);
    a->mPacket->mFirer = mg;
    a->mTarget = target;
    const float e = static_cast<float>(mg->BaseExperience());
    const float d = 100.0f;
    float f = (1.0f + 0.00020732f * d - 1.6232e-05f * d * d + 3.5687e-08f * d * d * d -
               2.2441e-11f * d * d * d * d) *
              0.9f * (0.3f * e + 0.1f);
    f = std::fmin(f, 0.9f);
    EXPECT_NEAR(a->GetFirepower(false, nullptr), f * 1100.0f, 0.01f);
    target->mPlaybackSpeed = -0.5f;
    const float x = d * 0.5f * 0.0625f;
    EXPECT_NEAR(a->GetFirepower(false, nullptr), f * 1100.0f * (0.00245f * x * x - 0.0945f * x + 1.0f),
                0.01f);
    int32_t hv = 7;
    a->mWeaponClass = 11;
    EXPECT_EQ(a->GetFirepower(false, &hv), 0.0f);
    EXPECT_EQ(hv, 0);
    t.battle.mPendingAttacks.EmptyOut(true);
}

TEST(TurnAttack, RefreshMarkerOnlyVoidsSight) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAllies, 100, 100);
    PendingAttack* marker = t.battle.CreatePendingAttack(nullptr, nullptr, 1, false, true);
    marker->mImpactX = 100;
    marker->mImpactY = 100;
    marker->mImpactZ = 20;
    const int32_t packets = t.battle.mPackets.GetCount();
    t.battle.ResolveAttack(marker);
    EXPECT_TRUE(u->mHits.empty());
    EXPECT_EQ(t.battle.mPackets.GetCount(), packets);
    t.battle.mNewAttacks.EmptyOut(true);
}

TEST(TurnAttack, RicochetFragments) {
    TurnBattle t;
    t.battle.mTimeSlice = 300;
    ActionPacket* shell = t.Packet(kPacketShell, 280);
    shell->mEndX = 100;
    shell->mEndY = 100;
    shell->mFlightTime = 20;
    const int32_t before = t.battle.mPackets.GetCount();
    t.battle.CreateRicochetPacket(shell, true);
    const int32_t made = t.battle.mPackets.GetCount() - before;
    EXPECT_GE(made, 3);
    EXPECT_LE(made, 6);
    for (int32_t k = before; k < t.battle.mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k));
        EXPECT_EQ(p->mTimeSlice, 300);
        EXPECT_EQ(p->mFlightTime, 40);
        EXPECT_EQ(p->mLook, 7);
        EXPECT_EQ(p->mFirer, nullptr);
        EXPECT_FLOAT_EQ(p->mX, 100);
    }
}

TEST(TurnAttack, GroundSpeedAndNewMinefields) {
    TurnBattle t;
    t.battle.mGroundCondition = 2;
    EXPECT_NEAR(t.battle.GroundSpeedFactor(15.0f, 0), std::exp(-1.0f), 1e-5f);
    EXPECT_FLOAT_EQ(t.battle.GroundSpeedFactor(100.0f, 0), 0.01f);
    t.battle.mGroundCondition = 0;
    EXPECT_FLOAT_EQ(t.battle.GroundSpeedFactor(40.0f, -1), 1.0f);
    t.battle.mGroundCondition = 8; // deep snow: level 4, a negative shift counts as none
    EXPECT_NEAR(t.battle.GroundSpeedFactor(10.0f, -1), std::exp(-1.0f), 1e-5f);

    ScriptUnit* mines = t.Add(kUnitInanimate, kAllies, 200, 200);
    mines->mSubtype = 5;
    EXPECT_FALSE(t.battle.InNewMineField(205, 195, true));
    mines->mMineNew = true;
    EXPECT_TRUE(t.battle.InNewMineField(212, 188, true));
    EXPECT_FALSE(t.battle.InNewMineField(212.5f, 200, true));
    EXPECT_FALSE(t.battle.InNewMineField(205, 195, false));
}

TEST(TurnAttack, ConditionLevelFollowsLightAndWeatherAndStretchesFlightTimes) {
    TurnBattle t;
    struct Case {
        int32_t weather, time, level;
    } kCases[] = {{0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {0, 2, 1}, {2, 1, 1}, {4, 0, 2},
                  {0, 3, 2}, {3, 1, 2}, {5, 2, 3}, {7, 3, 3}, {6, 3, 3}};
    for (const Case& c : kCases) {
        t.battle.mWeather = c.weather;
        t.battle.mTimeOfDay = c.time;
        t.battle.CalculateVisibilityFactor();
        EXPECT_EQ(t.battle.mConditionLevel, c.level) << "weather " << c.weather << ", time " << c.time;
    }
    const int32_t stretched[4] = {100, 101, 107, 125};
    for (int32_t level = 0; level <= 3; ++level) {
        t.battle.mConditionLevel = level;
        EXPECT_EQ(fire::ConditionedFlightTime(100), stretched[level]) << "level " << level;
    }
}

TEST(TurnAttack, VisibilityByWeatherAndTime) {
    TurnBattle t;
    t.battle.mWeather = 5;
    t.battle.mTimeOfDay = 1;
    t.battle.CalculateVisibilityFactor();
    EXPECT_FLOAT_EQ(t.battle.mVisibilityDistance, 250.0f);
    EXPECT_NEAR(std::pow(t.battle.mVisibilityFactor, 250.0f), 0.09f, 1e-3f);
    t.battle.mTimeOfDay = 0;
    t.battle.CalculateVisibilityFactor();
    EXPECT_NEAR(t.battle.mVisibilityDistance, std::pow(250.0f, 0.8f), 1e-3f);
    t.battle.mTimeOfDay = 3;
    t.battle.mWeather = 42;
    t.battle.CalculateVisibilityFactor();
    EXPECT_FLOAT_EQ(t.battle.mVisibilityDistance, 65.0f);
}

namespace {
// A stand-in that flies at a fixed height.
class FlyingUnit : public ScriptUnit {
public:
    FlyingUnit() : ScriptUnit(kUnitAirplane) {}
    float GetZ() override { return 150.0f; }
};
} // namespace

// A shell that still names its target lands beside it, moved by the miss:
// on the ground when it was fired at a man on the ground, even where the
// miss falls on a house; on the roof when it was fired at a man upstairs;
// at the airplane's own height, never re-taken, when it was fired at an
// airplane. A shell that names no target (a miss at a vehicle, a blocked
// shot) lands where it fell.
TEST(TurnAttack, AShellLandsOnTheGroundTheRoofOrAtItsAirplane) {
    TurnBattle t;
    Map* map = t.battle.mMap;
    const float cx[4] = {42, 58, 58, 42}, cy[4] = {62, 62, 78, 78};
    auto* house = new Building;
    house->IBuilding(2, 3, kTerrainUpperLight, cx, cy);
    map->mBuildings->Add(house);
    for (int32_t i = 20; i < 30; ++i)
        for (int32_t j = 30; j < 40; ++j)
            map->SetPoint(i, j, EncodePoint(map->GetPoint(i, j) & 0x3ff, kTerrainUpperLight));
    map->IndexObjects();
    ScriptUnit* gun = t.Add(kUnitVehicle, kAxis, 10, 10);
    ScriptUnit* outside = t.Add(kUnitInfantry, kAllies, 30, 70);
    ScriptUnit* upstairs = t.Add(kUnitInfantry, kAllies, 45, 70);
    auto* plane = new FlyingUnit;
    plane->mSide = 0;
    plane->mX = 45, plane->mY = 70;
    plane->mActive = true;
    t.battle.mUnits->Add(plane);
    const float ground = map->GetZCoord(55, 70);
    ASSERT_GT(map->GetZWithBuilding(55, 70), ground + 5.0f);

    struct Case {
        Unit* target;
        float firedZ; // the attack's height when fired
        float missX;
        float x, z; // where it lands
    };
    const Case cases[] = {
        {outside, ground, 25.0f, 55.0f, ground},
        {upstairs, ground + 3.0f, 10.0f, 55.0f, ground + 6.0f},
        {plane, 150.0f, 10.0f, 55.0f, 150.0f},
        {nullptr, ground, 0.0f, 55.0f, ground},
    };
    t.battle.mTimeSlice = 0;
    for (const Case& c : cases) {
        PendingAttack* a = t.Attack(gun, kWClassGun, 55, 70, 0);
        ActionPacket* p = t.Packet(kPacketShell, 0);
        p->mFirer = gun;
        p->mTarget = c.target;
        p->mEndX = 55, p->mEndY = 70, p->mEndZ = c.firedZ;
        a->mPacket = p;
        a->mImpactZ = c.firedZ;
        a->mMissX = c.missX;
        t.battle.ResolveAttack(a);
        EXPECT_FLOAT_EQ(a->mImpactX, c.x) << c.firedZ;
        EXPECT_FLOAT_EQ(a->mImpactY, 70.0f) << c.firedZ;
        EXPECT_FLOAT_EQ(a->mImpactZ, c.z) << c.firedZ;
        EXPECT_FLOAT_EQ(p->mEndZ, c.z) << c.firedZ;
    }
    t.battle.mPendingAttacks.EmptyOut(true);
}

// A vehicle's fear: the threat rating of its enemies, the retreat search for
// a spot they cannot hit, and the reactions on small maps built in code: a
// retreat behind a ridge, a blind flight, flight from called-down fire,
// turning to face, hatches that open when it is quiet and close under fire.

#include <gtest/gtest.h>

#include <cmath>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "map/MapTestUtil.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/VehicleRetreat.h"
#include "units/vehicle_fixtures.h"

namespace {

// An enemy tank that only watches: its harm against a vehicle is set by
// the test, larger against a flank than against a front.
class ThreatTank : public Vehicle {
public:
    void ComputeAction() override {}
    void FearReaction() override {}
    bool HasFunctioningWeapon() override { return true; }
    AmmoClass ChooseAmmo(Unit*, bool) override { return kAmmoAP; }
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge) override {
        if (type) *type = kWeaponNone;
        if (wclass) *wclass = kWClassGun;
        return 0;
    }
    bool CanHitVehicleAt(float x, float y, DataKnowledge) override {
        return gBattle->mMap->OnMap(x, y) && CanSeeLocation(x, y);
    }
    float AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass, bool, bool, bool, DataKnowledge,
                                            DataKnowledge, bool) override {
        ++mAsked;
        return target->AspectTo(this, false, true) > 45.0f ? mFlankHarm : mFrontHarm;
    }
    float mFrontHarm = 1.0f;
    float mFlankHarm = 1.0f;
    int32_t mAsked = 0;
};

struct FearBattle : VehicleBattle {
    explicit FearBattle(int32_t size = 20) : VehicleBattle(size, size) { SeedRandomGenerator(77); }
    // Our tank at (x, y) facing heading, seen by the enemy.
    Vehicle* Tank(float x, float y, float heading, VehicleType type = kTestTank) {
        Vehicle* v = AddVehicle(type, kAllies, x, y, heading);
        v->mActive = true;
        v->mContactLevel = kContactFull;
        return v;
    }
    // An enemy at (x, y) facing us and aiming at us.
    ThreatTank* Threat(float x, float y, Unit* target) {
        auto* t = new ThreatTank;
        t->IVehicle(kTestTank, kForceDefaultAxis, kExperienceRegular, x, y, 0.0f);
        t->mSide = 1;
        t->mActive = true;
        t->mContactLevel = kContactFull;
        t->mHeading = GetHeadingFromXY(target->mX - x, target->mY - y);
        t->mTarget = target;
        mBattle.mUnits->Add(t);
        return t;
    }
    // A ridge about 14 m high north of the line from (150, 200) to (300, 200).
    void Ridge() { RaisePoints(map(), 110, 108, 115, 199, 250); }
};

float Dist(float ax, float ay, float bx, float by) {
    return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

} // namespace

// ---------------------------------------------------------------------------
// The threat rating

TEST(VehicleThreat, EnemiesAreRatedByHarmAspectAndState) {
    FearBattle b;
    Vehicle* tank = b.Tank(150, 200, 0);
    ThreatTank* e = b.Threat(300, 200, tank);
    gVehicleThreat.Clear();
    gVehicleThreat.mMode = false;
    RateThreatToVehicle(e, tank);
    EXPECT_EQ(gVehicleThreat.mUnit, e);
    EXPECT_FLOAT_EQ(gVehicleThreat.mValue, 1.0f);
    EXPECT_FALSE(gVehicleThreat.mClose);
    EXPECT_FALSE(gVehicleThreat.mTargetsUs); // a gun, not a close-range weapon

    // Aimed elsewhere: 0.6; facing away: 0.3 of that; suppressed: half.
    auto rate = [&] {
        gVehicleThreat.Clear();
        RateThreatToVehicle(e, tank);
        return gVehicleThreat.mValue;
    };
    e->mTarget = nullptr;
    EXPECT_FLOAT_EQ(rate(), 0.6f);
    e->mTarget = tank;
    e->mHeading += 180.0f;
    EXPECT_FLOAT_EQ(rate(), 0.3f);
    e->mHeading -= 180.0f;
    e->mSuppression = 200.0f; // band 4
    EXPECT_FLOAT_EQ(rate(), 0.5f);
    e->mSuppression = 0.0f;
    e->mBailOutCountdown = 20; // its crew is leaving
    EXPECT_EQ(rate(), 0.0f);
    e->mBailOutCountdown = -1;

    // Friends, the dead and the unseen do not count; a lower value never
    // replaces a higher one.
    e->mContactLevel = kContactHeard;
    EXPECT_EQ(rate(), 0.0f);
    e->mContactLevel = kContactFull;
    e->mSide = 0;
    EXPECT_EQ(rate(), 0.0f);
    e->mSide = 1;
    e->mActive = false;
    EXPECT_EQ(rate(), 0.0f);
    e->mActive = true;
    gVehicleThreat.Clear();
    gVehicleThreat.mValue = 2.0f;
    RateThreatToVehicle(e, tank);
    EXPECT_EQ(gVehicleThreat.mUnit, nullptr);
    gVehicleThreat.mMode = true;
}

// The threat's own state and facing: suppression band 3 (60 to under 100)
// x 0.75, band 4 (100 to under 350) x 0.5; its gun turned from the vehicle
// by more than 60, 90, 120 and 150 degrees x 0.8, 0.6, 0.4 and 0.3.
TEST(VehicleThreat, TheRatingFallsBySuppressionBandAndByTheThreatsTurnAway) {
    FearBattle b;
    Vehicle* tank = b.Tank(150, 200, 0);
    ThreatTank* e = b.Threat(300, 200, tank);
    gVehicleThreat.mMode = false;
    auto rate = [&] {
        gVehicleThreat.Clear();
        RateThreatToVehicle(e, tank);
        return gVehicleThreat.mValue;
    };
    const float facing = e->mHeading;
    ASSERT_FLOAT_EQ(rate(), 1.0f);
    const struct {
        float suppression, factor;
    } bands[] = {{59.9f, 1.0f}, {60.0f, 0.75f}, {99.9f, 0.75f}, {100.0f, 0.5f}, {349.9f, 0.5f}};
    for (const auto& band : bands) {
        e->mSuppression = band.suppression;
        EXPECT_FLOAT_EQ(rate(), band.factor) << band.suppression;
    }
    e->mSuppression = 0.0f;
    const struct {
        float turn, factor;
    } turns[] = {{60.0f, 1.0f},  {60.5f, 0.8f},  {90.0f, 0.8f},  {90.5f, 0.6f},  {120.0f, 0.6f},
                 {120.5f, 0.4f}, {150.0f, 0.4f}, {150.5f, 0.3f}, {-60.0f, 1.0f}, {-90.5f, 0.6f}};
    for (const auto& turn : turns) {
        e->mHeading = facing + turn.turn;
        EXPECT_NEAR(rate(), turn.factor, 1e-6f) << turn.turn;
    }
    e->mHeading = facing;
    gVehicleThreat.mMode = true;
}

// In the random mode infantry facing a closed vehicle counts when the draw
// (a pair, mod 100) is below 70 with ordnance aimed at the vehicle, 50 with
// ordnance otherwise and 33 without; each chance from both sides.
TEST(VehicleThreat, InfantryFacingAClosedVehicleCountsAt70Or50Or33PerCent) {
    struct Rifles : Walker {
        bool HasOrdnance(bool, bool) override { return mOrdnance; }
        AmmoClass ChooseAmmo(Unit*, bool) override { return kAmmoNone; }
        bool mOrdnance = false;
    };
    FearBattle b;
    Vehicle* tank = b.Tank(150, 200, 0);
    auto* squad = new Rifles;
    squad->mSide = 1;
    squad->mX = 250.0f;
    squad->mY = 200.0f;
    squad->mContactLevel = kContactFull;
    b.mBattle.mUnits->Add(squad);
    tank->mButtoned = true;
    tank->mFearFlagB = true; // a weapon-less threat rates 0.01
    gVehicleThreat.mMode = true;
    // A generator state whose next pair mod 100 is `draw`.
    auto stateFor = [](uint32_t draw) {
        for (uint32_t s = 1;; ++s) {
            SeedRandomGenerator(s);
            if (RandomPair() % 100u == draw) return s;
        }
    };
    auto counts = [&](uint32_t draw) {
        SeedRandomGenerator(stateFor(draw));
        gVehicleThreat.Clear();
        RateThreatToVehicle(squad, tank);
        return gVehicleThreat.mUnit == squad;
    };
    const struct {
        bool ordnance, aimed;
        uint32_t chance;
    } cases[] = {{true, true, 70}, {true, false, 50}, {false, true, 33}, {false, false, 33}};
    for (const auto& c : cases) {
        squad->mOrdnance = c.ordnance;
        squad->mTarget = c.aimed ? tank : nullptr;
        EXPECT_TRUE(counts(c.chance - 1)) << c.chance;
        EXPECT_FALSE(counts(c.chance)) << c.chance;
    }
    // Open hatches, or outside the random mode: no draw at all.
    tank->mButtoned = false;
    EXPECT_TRUE(counts(99));
    tank->mButtoned = true;
    gVehicleThreat.mMode = false;
    const uint32_t state = stateFor(99);
    SeedRandomGenerator(state);
    gVehicleThreat.Clear();
    RateThreatToVehicle(squad, tank);
    EXPECT_EQ(gVehicleThreat.mUnit, squad);
    EXPECT_EQ(GetRandomState(), state);
    gVehicleThreat.mMode = true;
}

// An enemy vehicle with a working machine gun makes a vehicle of mobility
// class 3 rate it at least 1 within 300 + L metres (3-D, strictly): L = 100
// outside the random mode, 100 r in it.
TEST(VehicleThreat, AMachineGunThreatensClass3WithinThreeHundredPlusL) {
    FearBattle b(30);
    b.mTables.vehicles[kTestTank].mMobilityClass = 3;
    b.mTables.vehicles[kTestTank].mBowMG = 5;
    b.mTables.vehicles[kTestTank].mBowMGCount = 1;
    Vehicle* tank = b.Tank(50, 300, 0);
    ThreatTank* e = b.Threat(450, 300, tank);
    for (auto& rounds : e->mMGRounds)
        rounds = 100;
    ASSERT_TRUE(e->HasFunctioningMG(false));
    e->mFrontHarm = e->mFlankHarm = 0.1f;
    auto rate = [&](float d) {
        e->mX = tank->mX + d;
        gVehicleThreat.Clear();
        RateThreatToVehicle(e, tank);
        return gVehicleThreat.mValue;
    };
    gVehicleThreat.mMode = false;
    EXPECT_FLOAT_EQ(rate(399.9f), 1.0f);
    EXPECT_FLOAT_EQ(rate(400.0f), 0.1f);
    // The random mode at 350 m: r a hair above and below a half.
    gVehicleThreat.mMode = true;
    auto stateFor = [](double lo, double hi) {
        for (uint32_t s = 1;; ++s) {
            SeedRandomGenerator(s);
            const double r = RandomFraction();
            if (r > lo && r < hi) return s;
        }
    };
    SeedRandomGenerator(stateFor(0.501, 0.505));
    EXPECT_FLOAT_EQ(rate(350.0f), 1.0f);
    SeedRandomGenerator(stateFor(0.495, 0.499));
    EXPECT_FLOAT_EQ(rate(350.0f), 0.1f);
    b.mTables.vehicles[kTestTank].mMobilityClass = 2;
    EXPECT_FLOAT_EQ(rate(100.0f), 0.1f);
}

TEST(VehicleThreat, ObserverCallingFireOnTheVehicleIsACloseThreat) {
    FearBattle b;
    b.mTables.weapons[9].mClass = 5;
    b.mTables.infantry[3].mHeavyWeapon = 9;
    Walker* fo = b.Add(kAxis, 350, 350);
    fo->mSubtype = 3;
    fo->mAreaTarget = true;
    fo->mAreaTargetX = 160.0f;
    // Unseen and far away, a gun crew still counts: against an open
    // vehicle at 0.25.
    Vehicle* lorry = b.Tank(150, 230, 0, kTestLorry);
    fo->mAreaTargetY = 240.0f;
    gVehicleThreat.Clear();
    RateThreatToVehicle(fo, lorry);
    EXPECT_EQ(gVehicleThreat.mUnit, fo);
    EXPECT_FLOAT_EQ(gVehicleThreat.mValue, 0.25f);
    EXPECT_TRUE(gVehicleThreat.mClose);
    EXPECT_TRUE(gVehicleThreat.mTargetsUs);
    // Out of the lorry's 100 m, or while it is under way: nothing.
    fo->mAreaTargetX = 300.0f;
    gVehicleThreat.Clear();
    RateThreatToVehicle(fo, lorry);
    EXPECT_EQ(gVehicleThreat.mValue, 0.0f);
    // The reach is 100 m for a soft vehicle, 50 m for an armoured one, both
    // strict; a closed armoured vehicle takes 0.005 of the crew's rough harm.
    auto rate = [&](Vehicle* v, float off) {
        fo->mAreaTargetX = v->mX + off;
        fo->mAreaTargetY = v->mY;
        gVehicleThreat.Clear();
        RateThreatToVehicle(fo, v);
        return gVehicleThreat.mValue;
    };
    EXPECT_FLOAT_EQ(rate(lorry, 99.9f), 0.25f);
    EXPECT_EQ(rate(lorry, 100.0f), 0.0f);
    Vehicle* tank = b.Tank(150, 100, 0);
    b.mTables.vehicles[kTestTank].mRoofArmorA = 0; // open above
    EXPECT_FLOAT_EQ(rate(tank, 49.9f), 0.25f);
    EXPECT_EQ(rate(tank, 50.0f), 0.0f);
    b.mTables.vehicles[kTestTank].mRoofArmorA = 10;
    const float rough = fo->GetRoughAbilityToDamage(nullptr, 0, tank);
    ASSERT_GT(rough, 0.0f);
    EXPECT_FLOAT_EQ(rate(tank, 49.9f), rough * 0.005f) << rough;
    fo->mAreaTargetX = 160.0f;
    fo->mAreaTargetY = 240.0f;
    VehicleBattle::Order(lorry, 100, 230, kPaceDefaultMove);
    VehicleBattle::Order(lorry, 50, 230, kPaceDefaultMove);
    gVehicleThreat.Clear();
    RateThreatToVehicle(fo, lorry);
    EXPECT_EQ(gVehicleThreat.mValue, 0.0f);
}

// ---------------------------------------------------------------------------
// The retreat search

TEST(VehicleRetreat, BacksToASpotBehindARidge) {
    FearBattle b;
    b.Ridge();
    Vehicle* tank = b.Tank(150, 200, 0);
    ThreatTank* e = b.Threat(300, 200, tank);
    ASSERT_TRUE(e->CanHitVehicleAt(150, 200, kKnowIdentified));
    tank->mHiding = true;
    tank->mCommandDelay = 3.0f;
    tank->mTurretBearing = 12.5f;
    const float heading = tank->mHeading;
    ASSERT_TRUE(tank->BugOut(e, false, false, 0.0f));

    ASSERT_GE(tank->mNrWaypoints, 2);
    EXPECT_NEAR(tank->mWaypoints[0].mX, 135.0f, 1e-3f); // 15 m straight behind
    EXPECT_NEAR(tank->mWaypoints[0].mY, 200.0f, 1e-3f);
    float px = 150.0f, py = 200.0f;
    for (int32_t i = 0; i < tank->mNrWaypoints; ++i) {
        const Destination& w = tank->mWaypoints[i];
        EXPECT_NEAR(Dist(px, py, w.mX, w.mY), 15.0f, 1e-3f) << i;
        EXPECT_EQ(w.mOrder, kPaceReverse);
        EXPECT_EQ(w.mKind, i + 1 == tank->mNrWaypoints ? kWaypointLegEnd : kWaypointRetreat);
        EXPECT_EQ(w.mZ, b.map().GetZCoord(w.mX, w.mY));
        EXPECT_LT(w.mX, 150.0f);
        px = w.mX;
        py = w.mY;
        EXPECT_EQ(e->CanHitVehicleAt(w.mX, w.mY, kKnowIdentified), i + 1 != tank->mNrWaypoints) << i;
    }
    // Only the waypoints, hiding, order delay and hatches change.
    EXPECT_FALSE(tank->mHiding);
    EXPECT_EQ(tank->mCommandDelay, 0.0f);
    EXPECT_EQ(tank->mHeading, heading);
    EXPECT_EQ(tank->mTurretBearing, 12.5f);
    EXPECT_TRUE(tank->mButtoned);
    EXPECT_FALSE(b.mBattle.mRetreatSearch);
    EXPECT_EQ(gVehicleThreat.mUnit, e);
}

TEST(VehicleRetreat, AFullSearchOfOpenGroundFleesBlindOrStays) {
    FearBattle b;
    Vehicle* tank = b.Tank(200, 200, 0);
    ThreatTank* e = b.Threat(350, 200, tank);
    tank->mPlaybackSpeed = 0.3f;
    ASSERT_TRUE(tank->BugOut(e, true, false, 0.0f));
    // Every spot of both trees was made and tested: seven levels each.
    EXPECT_EQ(gRetreatSearch.mNodesMade, 2 * (1 + 1 + 3 + 9 + 27 + 81 + 243 + 729));
    EXPECT_EQ(gRetreatSearch.mDepth, 8);
    ASSERT_EQ(tank->mNrWaypoints, 1);
    const Destination& w = tank->mWaypoints[0];
    EXPECT_EQ(w.mOrder, kPaceReverse); // backing away from a threat ahead
    EXPECT_EQ(w.mKind, kWaypointLegEnd);
    EXPECT_NEAR(w.mY, 200.0f, 1e-3f);
    EXPECT_GE(200.0f - w.mX, 80.0f);
    EXPECT_LE(200.0f - w.mX, 120.0f);
    EXPECT_EQ(tank->mPlaybackSpeed, 0.0f); // the direction of travel changed

    // Without the need to flee it stays and looks again 6 to 12 s later.
    Vehicle* other = b.Tank(200, 100, 0);
    other->mFearClock = 5;
    EXPECT_FALSE(other->BugOut(e, false, false, 0.0f));
    EXPECT_EQ(other->mNrWaypoints, 0);
    EXPECT_GE(other->mFearClock, 5 + 240);
    EXPECT_LT(other->mFearClock, 5 + 480);

    // One already under way keeps its move, forward unless it reverses.
    Vehicle* moving = b.Tank(200, 300, 0);
    VehicleBattle::Order(moving, 250, 300, 11);
    VehicleBattle::Order(moving, 300, 300, 11);
    EXPECT_TRUE(moving->BugOut(e, false, false, 0.0f));
    EXPECT_EQ(moving->mNrWaypoints, 2);
    EXPECT_EQ(moving->mWaypoints[0].mOrder, kPaceDefaultMove);
    EXPECT_EQ(moving->mWaypoints[1].mKind, kWaypointLegEnd);
}

TEST(VehicleRetreat, OnlyAHeavilySuppressedVehicleSearchesOffTheMap) {
    FearBattle b;
    // At the west edge facing east, a threat that sees all of the map.
    Vehicle* tank = b.Tank(5, 200, 0);
    ThreatTank* e = b.Threat(200, 200, tank);
    tank->mSuppression = 599.0f; // band 5: nowhere to go, not even blind
    EXPECT_FALSE(tank->BugOut(e, true, false, 0.0f));
    EXPECT_EQ(tank->mNrWaypoints, 0);
    tank->mSuppression = 600.0f; // band 6: the first spot off the map is safe
    ASSERT_TRUE(tank->BugOut(e, true, false, 0.0f));
    EXPECT_EQ(tank->mNrWaypoints, 1);
    EXPECT_LT(tank->mWaypoints[0].mX, 0.0f);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, kPaceReverse);
}

TEST(VehicleRetreat, SmokeIsThrownTowardTheThreatUnlessTheGroundForbidsIt) {
    FearBattle b;
    b.mTables.vehicles[kTestTank].mSmokeEquipment = 3;
    Vehicle* tank = b.Tank(200, 200, 0);
    ThreatTank* e = b.Threat(350, 200, tank);
    int32_t smoked = 0, tries = 0;
    for (; tries < 40 && smoked == 0; ++tries) {
        const int32_t before = b.mBattle.mPackets.GetCount();
        const uint32_t seed = GetRandomState();
        const bool throws = RandomFraction() < 0.7;
        SeedRandomGenerator(seed);
        tank->mNrWaypoints = 0;
        tank->BugOut(e, false, false, 0.0f);
        if (b.mBattle.mPackets.GetCount() > before) ++smoked;
        EXPECT_EQ(b.mBattle.mPackets.GetCount() > before, throws);
    }
    EXPECT_EQ(smoked, 1);
    // Ground of code 52 takes no smoke; the search still runs.
    b.Paint(200, 190, 220, 210, 52);
    for (int32_t i = 0; i < 10; ++i) {
        const int32_t before = b.mBattle.mPackets.GetCount();
        tank->mNrWaypoints = 0;
        tank->mButtoned = true;
        EXPECT_TRUE(tank->BugOut(e, true, false, 0.0f) || tank->mNrWaypoints == 0);
        EXPECT_EQ(b.mBattle.mPackets.GetCount(), before);
    }
}

TEST(VehicleRetreat, TheCurrentMoveLeadsToSafetyWhenItsNextPointIsHidden) {
    FearBattle b;
    b.Ridge();
    Vehicle* tank = b.Tank(150, 200, 0);
    ThreatTank* e = b.Threat(300, 200, tank);
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(e)); // no move
    VehicleBattle::Order(tank, 120, 250, kPaceReverse);
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(e));
    // The second point counts when it lies within 100 m.
    VehicleBattle::Order(tank, 150, 150, kPaceReverse);
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(e));
    tank->mWaypoints[1].mY = 60.0f;
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(e));
    tank->mWaypoints[0].mOrder = kPaceRotate;
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(e));
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(nullptr));
}

// ---------------------------------------------------------------------------
// The fear reaction

TEST(VehicleFear, SkipRulesKeepTheCertaintyFlagUntilAReactionIsWeighed) {
    FearBattle b;
    Vehicle* tank = b.Tank(150, 200, 0);
    b.Threat(300, 200, tank);
    // Unseen and closed: no reaction, and no draw.
    tank->mContactLevel = kContactHeard;
    tank->mFearFlagA = true;
    uint32_t seed = GetRandomState();
    tank->FearReaction();
    EXPECT_EQ(GetRandomState(), seed);
    EXPECT_TRUE(tank->mFearFlagA);
    EXPECT_EQ(tank->mNrWaypoints, 0);
    // A fixed vehicle reacts only when forced.
    Vehicle* bunker = b.Tank(150, 100, 0, kTestBunker);
    bunker->mFearFlagA = true;
    bunker->FearReaction();
    EXPECT_TRUE(bunker->mFearFlagA);
    bunker->mFearFlagB = true;
    bunker->FearReaction();
    EXPECT_FALSE(bunker->mFearFlagA);
    EXPECT_FALSE(bunker->mFearFlagB);
    // An armoured vehicle under a plain move keeps driving.
    tank->mContactLevel = kContactFull;
    VehicleBattle::Order(tank, 250, 200, kPaceDefaultMove);
    VehicleBattle::Order(tank, 260, 200, kPaceDefaultMove);
    tank->FearReaction();
    EXPECT_TRUE(tank->mFearFlagA);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, kPaceDefaultMove);
}

TEST(VehicleFear, ForcedReactionRetreatsBehindTheRidgeAndDrivesThere) {
    auto run = [](float* x, float* y) {
        FearBattle b;
        b.Ridge();
        Vehicle* tank = b.Tank(150, 200, 0);
        ThreatTank* e = b.Threat(300, 200, tank);
        tank->mFearFlagB = true;
        tank->mFearClock = 1;
        b.Prepare();
        b.Drive(2400);
        *x = tank->mX;
        *y = tank->mY;
        EXPECT_FALSE(e->CanHitVehicleAt(tank->mX, tank->mY, kKnowIdentified));
        EXPECT_FALSE(e->CanSee(tank, nullptr));
        EXPECT_LT(tank->mX, 150.0f);
        EXPECT_TRUE(tank->mButtoned);
        EXPECT_FALSE(tank->mFearFlagB);
        return GetRandomState();
    };
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    EXPECT_EQ(run(&x1, &y1), run(&x2, &y2));
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);
}

TEST(VehicleFear, CalledDownFireSendsTheVehicleOffAhead) {
    FearBattle b;
    b.mTables.weapons[9].mClass = 5;
    b.mTables.infantry[3].mHeavyWeapon = 9;
    Walker* fo = b.Add(kAxis, 350, 350);
    fo->mSubtype = 3;
    fo->mAreaTarget = true;
    for (VehicleType type : {kTestLorry, kTestTank}) {
        Vehicle* v = b.Tank(200, 200, 90, type);
        fo->mAreaTargetX = 205.0f;
        fo->mAreaTargetY = 195.0f;
        if (type == kTestTank) b.mTables.vehicles[kTestTank].mRoofArmorA = 0; // partly open
        v->mFearFlagB = true;
        v->FearReaction();
        ASSERT_EQ(v->mNrWaypoints, 1) << type;
        const float d = Dist(200, 200, v->mWaypoints[0].mX, v->mWaypoints[0].mY);
        if (type == kTestLorry) {
            EXPECT_GE(d, 60.0f);
            EXPECT_LE(d, 120.0f);
        } else {
            EXPECT_GE(d, 30.0f);
            EXPECT_LE(d, 60.0f);
        }
        EXPECT_TRUE(v->PointedWithin(90.0f, 30.01f, v->mWaypoints[0].mX, v->mWaypoints[0].mY));
        v->mActive = false;
    }
}

TEST(VehicleFear, ATankFlankedByAWeakerThreatTurnsToFaceIt) {
    FearBattle b;
    Vehicle* tank = b.Tank(200, 200, 90); // its flank toward the enemy
    ThreatTank* e = b.Threat(350, 200, tank);
    e->mTarget = nullptr;
    e->mFrontHarm = 0.05f;
    e->mFlankHarm = 1.5f;
    tank->mFearFlagA = true;
    tank->mTurretBearing = -20.0f;
    tank->FearReaction();
    EXPECT_EQ(tank->mHeading, 90.0f); // the imagined pose is put back
    EXPECT_EQ(tank->mTurretBearing, -20.0f);
    EXPECT_FALSE(tank->mButtoned);
    ASSERT_EQ(tank->mNrWaypoints, 1);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, kPaceRotate);
    EXPECT_NEAR(tank->mWaypoints[0].mX, 350.0f, 1e-3f);
    EXPECT_GE(e->mAsked, 2);
}

TEST(VehicleFear, HatchesOpenWhenQuietAndCloseUnderFire) {
    FearBattle b;
    b.Ridge();
    Vehicle* tank = b.Tank(150, 200, 0);
    ThreatTank* e = b.Threat(300, 200, tank);
    e->mActive = false; // quiet at first
    tank->mButtoned = true;
    b.Prepare();
    int32_t slices = 0;
    while (tank->mButtoned && slices < 20000) {
        b.Drive(40);
        slices += 40;
    }
    ASSERT_FALSE(tank->mButtoned) << "the hatches never opened";

    e->mActive = true;
    tank->mButtonChangedThisTurn = false;
    tank->AddVehicleSuppression(400.0f, true, true);
    ASSERT_TRUE(tank->mFearFlagB);
    b.Drive(120);
    EXPECT_TRUE(tank->mButtoned);
}

// Closed hatches open only with no spotted enemy infantry within 150 m
// (inclusive) of the vehicle.
TEST(VehicleFear, HatchesStayClosedWithEnemyInfantryWithin150Metres) {
    auto opens = [](float d) {
        FearBattle b;
        Vehicle* tank = b.Tank(150, 200, 0);
        tank->mButtoned = true;
        Walker* squad = b.Add(kAxis, 150.0f + d, 200.0f);
        squad->mContactLevel = kContactFull;
        b.Prepare();
        for (int32_t slices = 0; tank->mButtoned && slices < 8000; slices += 40)
            b.Drive(40);
        return !tank->mButtoned;
    };
    EXPECT_FALSE(opens(150.0f));
    EXPECT_TRUE(opens(150.5f));
}

TEST(VehicleFear, AHaltedVehicleInALargeFireEscapesIt) {
    FearBattle b;
    Vehicle* tank = b.Tank(150, 200, 0);
    tank->mContactLevel = kContactNone; // skips the weighing
    b.map().mFire[b.map().SquareIndex(7, 10)] = 5;
    tank->FearReaction();
    ASSERT_EQ(tank->mNrWaypoints, 1);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, ConvertOrderToSpeed(kOrderEscapeMove));
    tank->mNrWaypoints = 0;
    b.map().mFire[b.map().SquareIndex(7, 10)] = 4;
    tank->FearReaction();
    EXPECT_EQ(tank->mNrWaypoints, 0);
}

TEST(VehicleRetreat, PassingSmokeMakesNoSpotSafe) {
    FearBattle b;
    b.mBattle.InstallMapLink();
    b.mBattle.mTurn = 1;
    b.mBattle.mComputing = true;
    b.mBattle.mTimeSlice = 200;
    Vehicle* tank = b.Tank(200, 200, 0);
    ThreatTank* e = b.Threat(350, 200, tank);
    const int32_t keep = b.mBattle.mTimeSlice;
    b.mBattle.mTimeSlice = 0;
    ActionPacket* on = b.mBattle.CreateActionPacket(0);
    b.mBattle.mTimeSlice = keep;
    on->mType = kPacketSmokeOn;
    on->mX = 180;
    on->mY = 200;
    on->mStartTime = 2400 + 100;
    on->mDuration = 2000;
    on->mRadius = 20;
    on->mDensity = 1.0f;
    b.mBattle.AddSmokeShell(on);
    ASSERT_FALSE(e->CanHitVehicleAt(170, 200, kKnowIdentified)); // the cloud hides it
    EXPECT_FALSE(tank->BugOut(e, false, false, 0.0f));
    EXPECT_EQ(tank->mNrWaypoints, 0);
    EXPECT_FALSE(b.mBattle.mRetreatSearch);
    EXPECT_FALSE(e->CanHitVehicleAt(170, 200, kKnowIdentified));
}

// Infantry against a tank stand-in: jumping aside from a tank about to run
// it over, a gun crew overrun, and hand-held rockets at armour.

#include "infantry2_fixture.h"
#include "units/Vehicle.h"

namespace {

using namespace infantry;

class Tank : public Vehicle {
public:
    void ConcatName(GString*, bool) override {}
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
    bool IsArmoredVehicle(DataKnowledge, bool) override { return true; }
    bool CanOccupyLocation(float, float, bool) override { return true; }
};

class InfantryVersusTank : public InfantryFight {
protected:
    Tank* Add(Affiliation side, float x, float y, float heading, float speed) {
        auto* t = new Tank;
        t->mSide = side == kAxis ? 1 : 0;
        t->mActive = true;
        t->mX = x;
        t->mY = y;
        t->mHeading = heading;
        t->mPlaybackSpeed = speed;
        mBattle.mBattle.mUnits->Add(t);
        return t;
    }
};

TEST_F(InfantryVersusTank, AShakenSquadJumpsAsideFromATankAboutToRunItOver) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mMoveSpeed = kStand;
    u->mSuppression = 150.0f;                // band 4
    Add(kAllies, 80.0f, 100.0f, 0.0f, 0.3f); // 20 m off, heading straight at it
    gPacket = false;
    u->FearReaction();
    ASSERT_GE(u->mNrWaypoints, 1);
    const Waypoint& w = u->mWaypoints[0];
    const float d = std::hypot(w.mX - 100.0f, w.mY - 100.0f);
    EXPECT_NEAR(d, 12.0f, 1e-3f);
    // 45 to 90 degrees off the tank's way, never along it.
    const float off = AngleOff(Bearing(100.0f, 100.0f, w.mX, w.mY), 0.0f);
    EXPECT_GE(off, 45.0f - 1e-3f);
    EXPECT_LE(off, 90.0f + 1e-3f);
    EXPECT_GE(u->mSuppression, 420.0f);
    EXPECT_TRUE(gPacket);
}

TEST_F(InfantryVersusTank, ATankThatDoesNotPointAtTheSquadIsNoThreat) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mMoveSpeed = kStand;
    Add(kAllies, 80.0f, 100.0f, 30.0f, 0.3f); // 30 degrees off
    Add(kAllies, 60.0f, 100.0f, 0.0f, 0.0f);  // standing
    u->FearReaction();
    EXPECT_EQ(u->mNrWaypoints, 0);
    // Reversing at it counts the rear aspect.
    Add(kAllies, 80.0f, 100.0f, 180.0f, -0.3f);
    u->FearReaction();
    EXPECT_GE(u->mNrWaypoints, 1);
}

TEST_F(InfantryVersusTank, AnOverrunGunCrewLosesItsGun) {
    Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
    crew->mMoveSpeed = kStand;
    Tank* t = Add(kAllies, 90.0f, 100.0f, 0.0f, 0.2f);
    crew->FearReaction();
    EXPECT_TRUE(crew->mGunKnockedOut);
    EXPECT_EQ(t->mKillRecords[1].mGuns, 1);
}

TEST_F(InfantryVersusTank, ARocketTeamFiresAtAnOrderedTankInReach) {
    Infantry* u = Place(kGermanTankHunters, kGerman, 100.0f, 100.0f);
    Tank* t = Add(kAllies, 130.0f, 100.0f, 180.0f, 0.0f);
    t->mContactLevel = kContactFull;
    u->mOrderedTarget = t; // accepted without weighing penetration
    u->mAntitankWeapon = 58;
    u->mAntitankShots = 2;
    u->mMoveSpeed = kFast;
    // The search itself: too far off in x, and the own side, never qualify.
    EXPECT_FALSE(Infantry::IsLATWArmorTarget(Add(kAllies, 230.0f, 100.0f, 0.0f, 0.0f), u));
    EXPECT_FALSE(Infantry::IsLATWArmorTarget(Add(kAxis, 110.0f, 100.0f, 0.0f, 0.0f), u));
    bool fired = false;
    for (int32_t s = 0; s < 80 * 200 && !fired; s += 80) {
        u->mSliceCount = s;
        u->FirePZFandRG();
        fired = u->mAntitankShots < 2;
    }
    if (u->GetHitChance(kAmmoHEAT, 0, t, kKnowTruth, 0) >= 0.45f) {
        EXPECT_TRUE(fired);
    }
    EXPECT_EQ(u->mTarget, nullptr); // the target it had is restored
    EXPECT_FALSE(u->mHastyFire);
}

} // namespace

// A squad jumps aside from an enemy tank coming at it within 10 degrees of
// its way, from a friendly one within 7 degrees; each edge from both sides.
TEST_F(InfantryVersusTank, TheRunOverConeIsTenDegreesForAnEnemyAndSevenForAFriend) {
    const struct {
        Affiliation side;
        float heading;
        bool jumps;
    } cases[] = {{kAllies, 9.8f, true}, {kAllies, 10.2f, false}, {kAxis, 6.8f, true}, {kAxis, 7.2f, false},
                 {kAxis, 9.8f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.side == kAxis ? "friend" : "enemy") << " " << c.heading << " degrees off");
        Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
        u->mMoveSpeed = kStand;
        Tank* t = Add(c.side, 80.0f, 100.0f, c.heading, 0.3f);
        u->FearReaction();
        EXPECT_EQ(u->mNrWaypoints >= 1, c.jumps);
        t->mActive = false;
        u->mActive = false;
    }
}

// The switching threshold a candidate's score must beat in a full search,
// measured from outside: the candidate is moved along a line so that its
// score sweeps through the threshold, and the threshold must lie between
// the highest score turned down and the lowest taken.

#include <algorithm>
#include <cmath>
#include <functional>

#include "ai_fixture.h"

using namespace aitest;

namespace {

class AIThreshold : public AIBattle {
protected:
    // The score of the candidate for the unit, or -1 when it does not win.
    float Score(Unit* me, Unit* it, bool full) {
        gBestTarget = nullptr;
        gBestTargetScore = -1.0f;
        me->AIScoreTarget(it, full);
        return gBestTarget == it ? gBestTargetScore : -1.0f;
    }
    struct Cut {
        float refused = -1.0f; // the highest score turned down
        float taken = 2.0f;    // the lowest score taken
    };
    // Sets the situation i of n (a distance, a firepower) and sorts each
    // score that a search without a threshold takes into turned down or
    // taken by a full search.
    Cut Sweep(Unit* me, Unit* it, const std::function<void(int32_t)>& set, int32_t n) {
        Cut c;
        const float heading = me->mHeading;
        for (int32_t i = 0; i < n; ++i) {
            set(i);
            me->mHeading = heading;
            const float s = Score(me, it, false);
            if (s <= 0.0f) continue;
            if (Score(me, it, true) > 0.0f)
                c.taken = std::min(c.taken, s);
            else
                c.refused = std::max(c.refused, s);
        }
        return c;
    }
    // The candidate from `from` to `to` metres east of the unit, by 0.25 m.
    Cut ByDistance(Unit* me, Unit* it, float from, float to) {
        return Sweep(
            me, it,
            [&](int32_t i) {
                it->mX = me->mX + from + 0.25f * static_cast<float>(i);
                it->mY = me->mY;
            },
            static_cast<int32_t>((to - from) / 0.25f) + 1);
    }
    // A squad's small-arms firepower from 0 to 11 by 0.02, the candidate
    // `d` metres east.
    Cut ByFirepower(Squad* me, Unit* it, float d = 300.0f) {
        it->mX = me->mX + d;
        it->mY = me->mY;
        return Sweep(
            me, it, [&](int32_t i) { me->kit.mSmallArmsFP = 0.02f * static_cast<float>(i); }, 551);
    }
    // The threshold t lies in [refused, taken), and the sweep came within
    // 0.02 of it from both sides.
    void ExpectThreshold(const Cut& c, float t, const char* what) {
        EXPECT_LE(c.refused, t) << what;
        EXPECT_GT(c.taken, t) << what;
        EXPECT_LT(c.taken - c.refused, 0.02f) << what << ": refused " << c.refused << ", taken " << c.taken;
    }
    Squad* Facing(Affiliation side, float x, float y) {
        Squad* s = Rifles(side, x, y);
        s->mHeading = side == kAllies ? 180.0f : 0.0f;
        return s;
    }
};

} // namespace

// Without area fire: 0.08 for a unit without a heavy weapon, 0.04 when
// it fires its machine guns.
TEST_F(AIThreshold, SmallArmsNeedAboveAnEighthOfATenthOrMachineGunsHalfOfIt) {
    Squad* me = Facing(kAxis, 200, 1000);
    Squad* it = Facing(kAllies, 500, 1000);
    ExpectThreshold(ByFirepower(me, it), 0.08f, "small arms");
    me->mMGTargeting = true;
    ExpectThreshold(ByFirepower(me, it), 0.04f, "machine guns");
}

// A gun: 0.17 below a calibre of 41 mm, 0.27 from 41 mm on.
TEST_F(AIThreshold, AGunNeeds017Below41MillimetresAnd027From41) {
    Tank* me = Armour(kAxis, 200, 1000);
    Squad* it = Facing(kAllies, 500, 1000);
    mWeapons[2].mCalibre = 40.9f;
    ExpectThreshold(ByDistance(me, it, 10, 200), 0.17f, "40.9 mm");
    mWeapons[2].mCalibre = 41.0f;
    ExpectThreshold(ByDistance(me, it, 10, 200), 0.27f, "41 mm");
    // Aiming at armour with its own armour on, another candidate needs 0.45.
    mWeapons[2].mCalibre = 75.0f;
    Tank* armour = Armour(kAllies, 200, 1500);
    me->mTarget = armour;
    ExpectThreshold(ByDistance(me, it, 10, 200), 0.45f, "switching from armour");
    armour->kit.mArmoured = false;
    me->mTarget = armour;
    ExpectThreshold(ByDistance(me, it, 10, 200), 0.27f, "switching from a soft vehicle");
}

// A vehicle firing its machine guns needs 0.08; while its turret is held
// it needs 0.17 for a candidate that is not its ordered target. A rider
// far off scores 0.3 x 0.5 of a squad on foot: between the two.
TEST_F(AIThreshold, AHeldTurretRefusesAScoreBelow017ButNotForTheOrderedTarget) {
    Tank* me = Armour(kAxis, 200, 1000);
    me->kit.mHeavyWeapon = false;
    mVehicles[0].mCoaxMG = 5;
    Squad* it = Facing(kAllies, 700, 1000);
    Tank* carrier = Armour(kAllies, 700, 1000);
    it->mTransport = carrier;
    const float s = Score(me, it, false);
    ASSERT_GT(s, 0.08f);
    ASSERT_LT(s, 0.17f);
    EXPECT_EQ(Score(me, it, true), s);
    me->mTurretHoldSlices = 200;
    EXPECT_EQ(Score(me, it, true), -1.0f);
    me->mOrderedTarget = it;
    EXPECT_GT(Score(me, it, true), 0.0f);
}

// Another ordered target: 0.5. Area fire: 0.7, or 0.35 laying smoke.
TEST_F(AIThreshold, AnOrderedTargetElsewhereAndAreaFireRaiseIt) {
    Squad* me = Facing(kAxis, 200, 1000);
    Squad* it = Facing(kAllies, 500, 1000);
    Squad* ordered = Facing(kAllies, 500, 1400);
    me->mOrderedTarget = ordered;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.5f, "ordered elsewhere");
    me->mOrderedTarget = nullptr;
    me->mAreaTarget = true;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.7f, "area fire");
    me->mSmokeScreen = true;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.35f, "smoke screen");
}

// A unit the enemy has not seen (contact 0 or 1) and without a covered arc
// waits: a squad 0.35, with a gun of class 1 0.6, with another gun 0.5, any
// other unit 0.3; with the computer's bonus on, for the player's units,
// 0.45, 0.65, 0.6 and 0.4. A squad facing a vehicle within 40 m does not wait.
TEST_F(AIThreshold, UnseenUnitsWaitForABetterChance) {
    Squad* me = Facing(kAxis, 200, 1000);
    Squad* it = Facing(kAllies, 500, 1000);
    me->mContactLevel = static_cast<FogOfWarContact>(1);
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.35f, "squad");
    mInfantry[0].mHeavyWeapon = 3;
    mWeapons[3].mClass = 1;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.6f, "light anti-tank gun");
    mWeapons[3].mClass = 2;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.5f, "other gun");
    mBattle.mComputerBonus = 1;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.6f, "other gun, bonus");
    mWeapons[3].mClass = 1;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.65f, "light anti-tank gun, bonus");
    mInfantry[0].mHeavyWeapon = kWeaponNone;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.45f, "squad, bonus");
    // The computer's own units get no bonus.
    mHost.SetViewingSide(kAllies);
    Squad* theirs = Facing(kAllies, 200, 1700);
    theirs->mContactLevel = static_cast<FogOfWarContact>(0);
    Squad* mine = Facing(kAxis, 500, 1700);
    mine->mHeading = 180.0f;
    theirs->mHeading = 0.0f;
    ExpectThreshold(ByDistance(theirs, mine, 5, 200), 0.35f, "computer's squad");
    mBattle.mComputerBonus = 0;
    // A seen unit (contact 2) or one with a covered arc does not wait.
    me->mContactLevel = static_cast<FogOfWarContact>(2);
    ExpectThreshold(ByFirepower(me, it), 0.08f, "seen");
    me->mContactLevel = static_cast<FogOfWarContact>(1);
    me->mCoveredArc = true;
    ExpectThreshold(ByFirepower(me, it), 0.08f, "covered arc");
    me->mCoveredArc = false;
    // A gun: 0.3 (0.4 with the bonus).
    Tank* gun = Armour(kAxis, 200, 2000);
    gun->mContactLevel = static_cast<FogOfWarContact>(1);
    ExpectThreshold(ByDistance(gun, it, 10, 200), 0.3f, "gun");
    mBattle.mComputerBonus = 1;
    ExpectThreshold(ByDistance(gun, it, 10, 200), 0.4f, "gun, bonus");
    mBattle.mComputerBonus = 0;
    // Infantry facing a vehicle: not within 40 m.
    Tank* soft = Armour(kAllies, 500, 1000);
    soft->kit.mArmoured = false;
    me->mY = soft->mY;
    ExpectThreshold(ByFirepower(me, soft, 40.0f), 0.08f, "vehicle at 40 m");
    ExpectThreshold(ByFirepower(me, soft, 40.25f), 0.35f, "vehicle at 40.25 m");
}

// A hidden unit lying in ambush (hiding, ambush flag, nobody aiming at it)
// waits for 0.75. When an enemy aims at it, 0.4125 is enough; a leader
// needs a quarter more.
TEST_F(AIThreshold, AnAmbushWaitsUnlessItIsFound) {
    Squad* me = Facing(kAxis, 200, 1000);
    Squad* it = Facing(kAllies, 500, 1000);
    me->ai.hiding = true;
    me->mAmbush = true;
    me->mContactLevel = static_cast<FogOfWarContact>(1);
    ExpectThreshold(ByDistance(me, it, 5, 40), 0.75f, "ambush");
    // A gun in ambush takes nothing beyond 50 m.
    Tank* gun = Armour(kAxis, 200, 1800);
    gun->ai.hiding = true;
    gun->mAmbush = true;
    ExpectThreshold(ByDistance(gun, it, 10, 50), 0.75f, "gun in ambush");
    EXPECT_EQ(ByDistance(gun, it, 50.25f, 110).taken, 2.0f);
    // A comparable unit of its own within 50 m already engaged springs the
    // ambush: 0.55, and nothing beyond 100 m.
    Squad* friendly = Facing(kAxis, 200, 1030);
    friendly->mTarget = it;
    ExpectThreshold(ByDistance(me, it, 5, 100), 0.55f, "ambush sprung");
    EXPECT_EQ(ByDistance(me, it, 100.25f, 200).taken, 2.0f);
    friendly->mTarget = nullptr;
    // Found while firing at an area (0.7): the threshold falls to 0.4125.
    me->mAreaTarget = true;
    it->mTarget = me;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.4125f, "found, firing at an area");
    me->kit.mLeader = true;
    ExpectThreshold(ByDistance(me, it, 5, 200), 0.4125f * 1.25f, "found leader");
}


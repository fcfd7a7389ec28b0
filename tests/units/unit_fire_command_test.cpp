// Leaders and their bonuses, target keeping and acquisition, ammunition
// choice and gun elevation, the computer's decision to fire, and death.

#include <cmath>
#include <vector>

#include "draw/Draw3D.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "unit_fire_fixture.h"
#include "units/LeaderLines.h"

using namespace firetest;

namespace {

constexpr uint8_t Skills(int command, int combat, int morale, int stealth) {
    return static_cast<uint8_t>(command | combat << 2 | morale << 4 | stealth << 6);
}

class CommandRules : public FireBattle {
protected:
    CommandRules() {
        squad = Place<Soldier>(kAxis, 1000.0f, 1000.0f);
        leader = Place<Soldier>(kAxis, 1040.0f, 1000.0f);
        leader->kit.mLeader = true;
        leader->mLeaderSkills = Skills(2, 1, 3, 0); // reach (50 + 50) x 1.0 = 100 m
    }
    Soldier* squad;
    Soldier* leader;
};

bool gLinesHidden = false;

} // namespace

TEST_F(CommandRules, LeadersGiveTheirBonusesWhileInGoodOrder) {
    squad->mHQ = leader;
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadMorale), 2 + 3 + 1);
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadCommand), 2 + 2 + 1);
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadStealth), 2 + 0 + 1);
    // The combat bonus needs a leader who sees the target.
    Soldier* enemy = Place<Soldier>(kAllies, 1300.0f, 1000.0f);
    squad->mTarget = enemy;
    int32_t expected = leader->CanSee(enemy, nullptr) ? 3 : 2;
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadCombat), expected);
    leader->mLeaderSkills = Skills(2, 0, 3, 0);
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadCombat), 2);
    // A leader out of good order gives nothing.
    leader->mSuppression = 400.0f;
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadMorale), 2);
    // A leader's own: morale 2s + 1, at most 8.
    EXPECT_EQ(leader->GetEffectiveExperience(kLeadMorale), 8);
    // Without a leader, a sniper commands itself a little better.
    squad->mHQ = nullptr;
    EXPECT_EQ(squad->GetEffectiveExperience(kLeadCommand), 2);
}

TEST_F(CommandRules, UnitsComeUnderTheLeaderInReach) {
    Soldier* near = Place<Soldier>(kAxis, 1030.0f, 1000.0f);
    near->kit.mLeader = true;
    near->mLeaderSkills = Skills(1, 0, 0, 0);
    squad->CheckLeadership();
    EXPECT_EQ(squad->mHQ, near);
    EXPECT_TRUE(squad->mPacketDirty);
    // The platoon's own leader wins over a nearer one.
    squad->mPlatoonHQ = leader;
    squad->CheckLeadership();
    EXPECT_EQ(squad->mHQ, leader);
    // Out of reach: 120 m against 100 m.
    leader->mX = near->mX = 1120.0f;
    squad->CheckLeadership();
    EXPECT_EQ(squad->mHQ, nullptr);
    EXPECT_FALSE(squad->InLeadership());
    // A surrendered unit answers to nobody.
    leader->mX = 1040.0f;
    squad->mSurrendered = true;
    squad->CheckLeadership();
    EXPECT_EQ(squad->mHQ, nullptr);
}

TEST_F(CommandRules, ABattenedDownVehicleWithoutRadioIsNeverInCommand) {
    Tank* tank = Place<Tank>(kAxis, 1010.0f, 1000.0f);
    mVehicles[0].mFlags = kVNoRadio;
    tank->mHQ = leader;
    tank->mButtoned = true;
    tank->CheckLeadership();
    EXPECT_EQ(tank->mHQ, nullptr);
    tank->mButtoned = false;
    tank->CheckLeadership();
    EXPECT_EQ(tank->mHQ, leader);
    // Without a radio and a leader, command suffers.
    tank->mHQ = nullptr;
    EXPECT_EQ(tank->GetEffectiveExperience(kLeadCommand), 1);
    // The battle's leadership pass visits every unit.
    squad->mHQ = nullptr;
    mBattle.CheckAllLeadership();
    EXPECT_EQ(squad->mHQ, leader);
}

TEST_F(CommandRules, APlatoonLeaderFindsItsFirstSubordinate) {
    EXPECT_EQ(leader->PlatoonSubordinate(false), nullptr);
    squad->mPlatoonHQ = leader;
    EXPECT_EQ(leader->PlatoonSubordinate(true), squad);
    squad->mActive = false;
    EXPECT_EQ(leader->PlatoonSubordinate(true), nullptr);
    EXPECT_EQ(leader->PlatoonSubordinate(false), squad);
    EXPECT_EQ(squad->PlatoonSubordinate(false), nullptr);
}

TEST_F(CommandRules, TargetsAreHeldForTheirTimeUnlessBurningOrThreatened) {
    Tank* enemy = Place<Tank>(kAllies, 1030.0f, 1000.0f);
    squad->mTarget = enemy;
    squad->mAlertCount = 199; // held close: (3 + 2) x 40 slices
    EXPECT_FALSE(squad->CanChangeTarget());
    squad->mAlertCount = 201;
    EXPECT_TRUE(squad->CanChangeTarget());
    squad->mAimPause = 1.0f;
    EXPECT_FALSE(squad->CanChangeTarget());
    squad->mAimPause = 0.0f;
    // A far target is held (6 + 2) s; an enemy within 200 m shortens it.
    enemy->mX = 1400.0f;
    squad->mAlertCount = 240;
    EXPECT_FALSE(squad->CanChangeTarget());
    Soldier* close = Place<Soldier>(kAllies, 1100.0f, 1000.0f);
    EXPECT_TRUE(squad->CanChangeTarget()); // 240 + 0.5 x 160 = 320
    // The nearest enemy is measured in the plane: 150 m off and 90 m higher
    // lifts the count as at 150 m (280 + 0.25 x 160 = 320).
    close->mX = 1150.0f;
    close->mZ = 15.0f; // floors of 6 m
    squad->mAlertCount = 280;
    EXPECT_TRUE(squad->CanChangeTarget());
    close->mActive = false;
    enemy->mBurning = true;
    squad->mAlertCount = 1;
    EXPECT_TRUE(squad->CanChangeTarget());
    // The hold count starts at random within 40 k + 1 slices.
    squad->mExperience = 4;
    for (uint32_t seed = 1; seed < 30; ++seed) {
        SeedRandomGenerator(seed);
        squad->ResetTargetSliceCount();
        EXPECT_LE(squad->mAlertCount, 240);
    }
}

// A new unit is free; an order of a player or a script binds it, the
// computer's own order (mode 2) does not; dropping the target frees it.
TEST_F(CommandRules, TargetOrdersBindAndCancellingFrees) {
    Soldier* enemy = Place<Soldier>(kAllies, 1100.0f, 1000.0f);
    EXPECT_TRUE(squad->mTargetFree);
    squad->ReceiveTargetOrders(enemy, 0.0f, 0.0f, false, 2);
    EXPECT_TRUE(squad->mTargetFree);
    squad->ReceiveTargetOrders(enemy, 0.0f, 0.0f, false, 0);
    EXPECT_FALSE(squad->mTargetFree);
    squad->CancelTarget(true, false);
    EXPECT_TRUE(squad->mTargetFree);
}

TEST_F(CommandRules, AcquisitionIsLimitedByMotion) {
    Tank* target = Place<Tank>(kAllies, 1500.0f, 1000.0f);
    squad->mAcquisition = 4;
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassGun), 4);
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassLightAT), 1);
    target->mPlaybackSpeed = 0.5f;
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassGun), 2);
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassMortar), 1);
    target->mPlaybackSpeed = 0.05f;
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassGun), 3);
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassMortar), 2);
    squad->mIsMoving = true;
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassGun), 0);
    squad->mIsMoving = false;
    target->mPlaybackSpeed = 0.0f;
    target->mActive = false;
    squad->mAcquisition = 0;
    EXPECT_EQ(squad->LimitAcquisition(target, kWClassGun), 2);
    // A fixed gun always knows its ranges a little; a stabilised gun on the move more.
    Tank* bunker = Place<Tank>(kAxis, 900.0f, 1000.0f);
    bunker->mSubtype = 1;
    EXPECT_EQ(bunker->LimitAcquisition(nullptr, kWClassGun), 1);
    Tank* moving = Place<Tank>(kAxis, 900.0f, 900.0f);
    moving->mAcquisition = 4;
    moving->mPlaybackSpeed = 0.3f;
    EXPECT_EQ(moving->LimitAcquisition(nullptr, kWClassGun), 0);
    mVehicles[0].mFlags = kVGyroStabilised;
    EXPECT_EQ(moving->LimitAcquisition(nullptr, kWClassGun), 2);
}

TEST_F(CommandRules, AmmunitionIsChosenByTargetAndFacing) {
    Tank* armour = Place<Tank>(kAllies, 1300.0f, 1000.0f);
    armour->kit.mArmoured = true;
    squad->mAmmo[kAmmoAP] = 5;
    squad->mAmmo[kAmmoHE] = 5;
    EXPECT_EQ(squad->ChooseAmmo(armour, true), kAmmoAP);
    EXPECT_EQ(squad->ChooseAmmo(nullptr, true), kAmmoHE);
    squad->mAmmo[kAmmoHE] = 0;
    squad->mAreaTarget = true;
    EXPECT_EQ(squad->ChooseAmmo(nullptr, true), kAmmoAP);
    // Only the hull gun's rounds, 20 degrees off: nothing; pointed: them.
    squad->mAmmo[kAmmoAP] = 0;
    squad->mAmmo[kAmmoHE75] = 3;
    squad->mHeading = 20.0f;
    EXPECT_EQ(squad->ChooseAmmo(armour, true), kAmmoNone);
    squad->mHeading = 10.0f;
    EXPECT_EQ(squad->ChooseAmmo(armour, true), kAmmoHE75);
}

TEST_F(CommandRules, TheGunIsElevatedWithinItsLimitsAndTheAimClockStopsAtZero) {
    squad->kit.mOrdnance = true;
    squad->mAreaTarget = true;
    squad->mAreaTargetX = 1010.0f;
    squad->mAreaTargetY = 1000.0f;
    RaisePoints(*mBattle.mMap, 504, 498, 508, 502, 700); // a 36 m knoll 10 m off
    mBattle.mMap->RecomputeHeights();
    squad->AimAndElevate(false);
    EXPECT_EQ(squad->mGunElevationGoal, 20.0f);
    // On the level the gun barely rises: atan(0.5 x (-2 x k + drop)).
    squad->mAreaTargetX = 1400.0f;
    squad->mGunElevationGoal = 0.0f;
    squad->AimAndElevate(false);
    EXPECT_GT(squad->mGunElevationGoal, -1.0f);
    EXPECT_LT(squad->mGunElevationGoal, 1.0f);
    // While the gun still moves the countdown waits; then it runs down to 0.
    squad->mAimTime = 0.01f;
    squad->AimAndElevate(true);
    EXPECT_EQ(squad->mAimTime, 0.01f);
    squad->mGunElevation = squad->mGunElevationGoal;
    squad->AimAndElevate(true);
    EXPECT_EQ(squad->mAimTime, 0.0f);
    squad->AimAndElevate(true);
    EXPECT_EQ(squad->mAimTime, 0.0f);
    // At its own feet the elevation is still a number.
    squad->mAreaTargetX = 1000.0f;
    squad->mGunElevationGoal = 0.0f;
    squad->AimAndElevate(false);
    EXPECT_TRUE(std::isfinite(squad->mGunElevationGoal));
}

TEST_F(CommandRules, TheComputerHoldsFireWhereOwnTroopsStand) {
    squad->kit.mHeavyWeapon = true;
    squad->mAmmo[kAmmoHE] = 5;
    squad->mAreaTarget = true;
    squad->mAreaTargetX = 1000.0f;
    squad->mAreaTargetY = 1200.0f;
    AmmoClass ammo = kAmmoNone;
    bool sees = squad->CanSeeLocationForAreaFire(1000.0f, 1200.0f);
    EXPECT_EQ(squad->AIWantsToFire(&ammo), sees);
    EXPECT_EQ(ammo, kAmmoHE);
    if (sees) {
        Soldier* friendly = Place<Soldier>(kAxis, 1010.0f, 1215.0f);
        EXPECT_FALSE(squad->AIWantsToFire(&ammo));
        friendly->kit.mArmoured = true; // armour may stay
        EXPECT_TRUE(squad->AIWantsToFire(&ammo));
    } else {
        EXPECT_FALSE(squad->mAreaTarget); // an unseen point is given up
    }
    // Nothing to fire: a locked area target is dropped.
    squad->mAmmo[kAmmoHE] = 0;
    squad->mAreaTarget = true;
    squad->mTargetLocked = true;
    EXPECT_FALSE(squad->AIWantsToFire(&ammo));
    EXPECT_FALSE(squad->mAreaTarget);
    // Smoke asked for and nothing to fire: the smoke order ends too, also
    // when the computer's targeting has dropped the point already and only
    // the flag is left.
    squad->mAreaFireFlag = true;
    squad->mTargetLocked = true;
    EXPECT_FALSE(squad->AIWantsToFire(&ammo));
    EXPECT_FALSE(squad->mAreaFireFlag);
}

TEST_F(CommandRules, ADeadUnitIsTakenOutOfPlayCleanly) {
    squad->mContactLevel = 1;
    squad->mSpotMarker = true;
    squad->mGunElevation = 7.0f;
    squad->mCasualties = 2;
    squad->mAreaTarget = true;
    squad->Die();
    EXPECT_FALSE(squad->mActive);
    EXPECT_EQ(squad->mContactLevel, 0);
    EXPECT_FALSE(squad->mSpotMarker);
    EXPECT_EQ(squad->mGunElevationGoal, 7.0f);
    EXPECT_EQ(squad->mCasualties, 10);
    EXPECT_FALSE(squad->mAreaTarget);
    EXPECT_FALSE(squad->HasFunctioningWeapon());
    // An observer's mission outlives it.
    leader->kit.mClass = kWClassIndirect;
    leader->mAreaTarget = true;
    leader->Die();
    EXPECT_TRUE(leader->mAreaTarget);
}

TEST_F(CommandRules, LeadershipLinesFollowTheGroundInTheirLinksColour) {
    DrawRecorder recorder;
    DrawRecorder* old = gDrawRecorder;
    gDrawRecorder = &recorder;
    auto lines = [&] { return recorder.Count(DrawOp::kTexturedQuad) / 2; }; // two a flat line
    Map& map = *mBattle.mMap;
    squad->mHQ = leader;
    squad->DrawHQLines();
    EXPECT_EQ(lines(), 1);
    EXPECT_FLOAT_EQ(map.mLineV0, 26 * 0.03125f + 0.001f);
    // A leader without a leader draws to its men: the HQ link, then the platoon's.
    Soldier* other = Place<Soldier>(kAxis, 990.0f, 1000.0f);
    other->mPlatoonHQ = leader;
    recorder.mCalls.clear();
    leader->DrawHQLines();
    EXPECT_EQ(lines(), 2);
    EXPECT_FLOAT_EQ(map.mLineV0, 27 * 0.03125f + 0.001f);
    // Hidden, dead or off the map: nothing.
    recorder.mCalls.clear();
    SetLeaderLinesHidden([] { return gLinesHidden; });
    gLinesHidden = true;
    squad->DrawHQLines();
    gLinesHidden = false;
    SetLeaderLinesHidden(nullptr);
    leader->mX = -50.0f;
    squad->DrawHQLines();
    squad->mActive = false;
    leader->mX = 1040.0f;
    squad->DrawHQLines();
    EXPECT_EQ(recorder.mCalls.size(), 0u);
    gDrawRecorder = old;
}

TEST_F(CommandRules, TheRoughDamageRatingNamesItsGrade) {
    Tank* tank = Place<Tank>(kAllies, 1300.0f, 1000.0f);
    // 100 mm all round: rifles do nothing to it.
    for (ArmorPlate& plate : mVehicles[0].mArmorPlates) plate = {100, 0};
    GString255 text;
    EXPECT_EQ(squad->GetRoughAbilityToDamage(&text, kAmmoAP, tank), 0.0f);
    GString255 none;
    none.IStringRez(1340);
    none.ConcatRez(1349);
    EXPECT_STREQ(text.GetCString(), none.GetCString());
    EXPECT_EQ(squad->GetRoughAbilityToDamage(nullptr, kAmmoAP, nullptr), 0.0f);
}

namespace {

// A vehicle that shows one plate of the armour a test sets to every firer.
class OnePlate : public Tank {
public:
    void AISetArmorValues(DataKnowledge, Unit*, bool, float, bool, float armour[], int32_t aspect[],
                          bool face[], float share[], float ratio[], int32_t* count, float) override {
        armour[0] = plate;
        aspect[0] = 280;
        face[0] = false;
        share[0] = 1.0f;
        ratio[0] = 1.0f;
        *count = 1;
    }
    float plate = 0.0f;
};

} // namespace

// Rifle fire penetrates 0.1 mm with a kill factor of 1, and the squad's
// cycle of 12 s leaves the rate at 1: the rating is 100.49 x the credit. A
// penetration exactly equal to the armour takes the band of "at least the
// armour" (0.75 on a fixed target, 0.625 on any other); a hair more armour
// takes the band below.
TEST_F(CommandRules, APenetrationEqualToTheArmourTakesTheBandAtTheArmour) {
    squad->kit.mFullLoadTime = 8.0f;
    squad->kit.mFullAimTime = 4.0f;
    OnePlate* tank = Place<OnePlate>(kAllies, 1300.0f, 1000.0f);
    const float p = 0.1f;
    const float above = std::nextafter(p, 1.0f);
    const struct {
        bool fixed;
        float armour;
        float credit;
    } kCases[] = {{true, 0.95f * p, 1.0f},  {true, std::nextafter(0.95f * p, 1.0f), 0.75f},
                  {true, p, 0.75f},         {true, above, 0.25f},
                  {true, 1.05f * p, 0.25f}, {true, std::nextafter(1.05f * p, 1.0f), 0.0f},
                  {false, p, 0.625f},       {false, above, 0.42f}};
    for (const auto& c : kCases) {
        tank->mSubtype = c.fixed ? 1 : 0;
        tank->plate = c.armour;
        EXPECT_FLOAT_EQ(squad->GetRoughAbilityToDamage(nullptr, kAmmoAP, tank), c.credit * 100.49f)
            << c.fixed << " " << c.armour;
    }
}

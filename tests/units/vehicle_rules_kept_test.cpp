// Vehicle rules that read what the right side knows or keeps: sounds heard at
// once on the screen, a marker's empty place, fear and retreat judged on the
// enemy's knowledge, machine-gun bursts, set-up moves, sidesteps, the kept
// burst value and the voices of fire orders.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/SmallArmsSounds.h"
#include "units/UnitFactory.h"
#include "units/vehicle2_fixtures.h"

namespace {

struct Heard {
    int32_t number;
    int32_t kind;
    uint8_t flags;
    Unit* source;
    float x, y;
};

// A screen that only listens: what would be played at once.
class EarHost : public BattleHost {
public:
    void PlayPacketSound(ActionPacket* p) override {
        heard.push_back({p->mSoundNumber, p->mPriority, p->mSoundFlags, p->mSource, p->mX, p->mY});
    }
    std::vector<Heard> heard;
};

class VehicleRulesKept : public ::testing::Test {
protected:
    VehicleRulesKept() : battle(50, 50) {
        battle.mBattle.mHost = &host;
        host.SetViewingSide(kAxis);
        battle.mTables.models[0].mEngineSound = 135;
        battle.mTables.models[0].mOpeningHatches = 1;
    }
    ~VehicleRulesKept() override { battle.mBattle.mHost = nullptr; }
    int32_t Recorded() const { return battle.mBattle.mPackets.GetCount(); }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
    EarHost host;
};

} // namespace

TEST_F(VehicleRulesKept, EnginesStartAtOnceForTheVehiclesTheScreenKnows) {
    Vehicle* standing = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    Vehicle* moving = battle.AddVehicle(kTestTank, kAxis, 200, 100);
    VehicleBattle::Order(moving, 400, 100, 4);
    moving->mPlaybackSpeed = 0.3f;
    Vehicle* stuck = battle.AddVehicle(kTestTank, kAxis, 300, 100);
    stuck->mImmobile = true;
    Vehicle* unseen = battle.AddVehicle(kTestTank, kAllies, 900, 900);
    unseen->mContactLevel = kContactNone;
    Vehicle* modelless = battle.AddVehicle(kTestLorry, kAxis, 100, 300);
    battle.mTables.vehicles[kTestLorry].mModel = 9999; // no model row
    const int32_t before = Recorded();
    battle.mBattle.StartVehicleSounds();
    EXPECT_EQ(Recorded(), before); // nothing recorded
    ASSERT_EQ(host.heard.size(), 2u);
    EXPECT_EQ(host.heard[0].source, standing);
    EXPECT_EQ(host.heard[0].number, 133); // a tank's idle
    EXPECT_EQ(host.heard[0].kind, 3);
    EXPECT_EQ(host.heard[1].source, moving);
    EXPECT_EQ(host.heard[1].number, 135);
    EXPECT_EQ(host.heard[1].kind, 14);
    for (const Heard& h : host.heard)
        EXPECT_EQ(h.flags & 0x04, 0x04); // engine loops follow their vehicle
    (void)stuck;
    (void)unseen;
    (void)modelless;
}

TEST_F(VehicleRulesKept, AButtonOrderIsHeardAtOnceByTheOrderingSideOnly) {
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    tank->mButtoned = false;
    const int32_t before = Recorded();
    tank->ChangeButton(true, 0);
    ASSERT_TRUE(tank->mButtoned);
    EXPECT_EQ(Recorded(), before);
    ASSERT_EQ(host.heard.size(), 1u);
    EXPECT_EQ(host.heard[0].number, 702); // closing
    EXPECT_EQ(host.heard[0].kind, 7);
    EXPECT_EQ(host.heard[0].flags, 0x02); // heard by the Axis only
    EXPECT_EQ(host.heard[0].x, 100.0f);
    tank->ChangeButton(true, 0);
    ASSERT_EQ(host.heard.size(), 2u);
    EXPECT_EQ(host.heard[1].number, 701); // opening
    // An Allied player's order is heard by the Allies.
    Vehicle* theirs = battle.AddVehicle(kTestTank, kAllies, 300, 300);
    theirs->mButtoned = false;
    host.SetViewingSide(kAllies);
    theirs->ChangeButton(true, 0);
    ASSERT_EQ(host.heard.size(), 3u);
    EXPECT_EQ(host.heard[2].flags, 0x01);
    EXPECT_EQ(host.heard[2].x, 300.0f);
    // In the action phase the sound is recorded instead.
    host.SetViewingSide(kAxis);
    battle.mBattle.mComputing = true;
    tank->ChangeButton(false, 0);
    EXPECT_EQ(host.heard.size(), 3u);
    EXPECT_EQ(Recorded(), before + 1);
}

TEST_F(VehicleRulesKept, HatchesChangedInAMinuteStaySoUntilTheNext) {
    // A tank without a radio under a leader: its commander looks out as soon
    // as nothing keeps him in.
    battle.mTables.vehicles[kTestTank].mFlags |= kVNoRadio;
    Vehicle* leader = battle.AddVehicle(kTestTank, kAxis, 60, 100);
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    tank->mHQ = leader;
    tank->PrepareForAction();
    tank->mButtoned = false;
    tank->ChangeButton(false, 0); // the crew buttons up in this minute
    ASSERT_TRUE(tank->mButtoned);
    for (int32_t slice = 0; slice < 400; slice += 40) {
        tank->mSliceCount = slice;
        tank->ComputeAction();
    }
    EXPECT_TRUE(tank->mButtoned) << "the crew opened again in the same minute";
    tank->PrepareForAction(); // the next minute
    for (int32_t slice = 0; slice < 400 && tank->mButtoned; slice += 40) {
        tank->mSliceCount = slice;
        tank->ComputeAction();
    }
    EXPECT_FALSE(tank->mButtoned);
}

TEST_F(VehicleRulesKept, AMarkerIsAskedAboutAtItsPlaceStillAndWithoutWaypoints) {
    battle.mBattle.mVisibilityDistance = 300.0f;
    Walker* spotter = battle.Add(kAxis, 100, 100);
    (void)spotter;
    Vehicle* tank = battle.AddVehicle(kTestTank, kAllies, 900, 900);
    VehicleBattle::Order(tank, 950, 900, 4);
    tank->mPlaybackSpeed = 0.4f;
    tank->mMarkerX = 150.0f;
    tank->mMarkerY = 100.0f;
    EXPECT_EQ(tank->SpotLevel(false, nullptr), kContactNone); // beyond sight and hearing
    EXPECT_GE(tank->SpotLevel(true, nullptr), kContactHeard); // the marked place is in plain view
    EXPECT_EQ(tank->mX, 900.0f);
    EXPECT_EQ(tank->mY, 900.0f);
    EXPECT_EQ(tank->mNrWaypoints, 1);
    EXPECT_EQ(tank->mPlaybackSpeed, 0.4f);
    // A marker the enemy sees empty is cleared.
    tank->mContactLevel = 3;
    tank->mSpotMarker = true;
    tank->BeSpotted(true, false);
    EXPECT_FALSE(tank->mSpotMarker);
    EXPECT_TRUE(tank->mSpotMarkerGone);
}

TEST_F(VehicleRulesKept, RetreatJudgesTheEnemyByWhatItsOwnSideKnows) {
    // The computer's tank (Axis) drives off; the player's tank (Allies) is
    // taken by the Axis for a lorry without a gun.
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    VehicleBattle::Order(tank, 160, 100, 4);
    Vehicle* threat = battle.AddVehicle(kTestTank, kAllies, 160, 400);
    threat->mContactLevel = 3;
    for (VehicleType& t : threat->mMistakenTypes)
        t = kTestLorry;
    // Whoever sits at the screen, the answer is the same.
    host.SetViewingSide(kAllies);
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    host.SetViewingSide(kAxis);
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    threat->mContactLevel = 5; // identified: its gun reaches the spot
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(threat));
}

TEST_F(VehicleRulesKept, MachineGunBurstsSoundLikeTheGunsFired) {
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    hit.arms[kTestMG].mSoundClass = 12;
    hit.arms[kTestFlame].mSoundClass = 13;
    hit.arms[6].mSoundClass = 6;
    auto burst = [&]() {
        const int32_t before = Recorded();
        tank->AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 200.0f, 0);
        EXPECT_EQ(Recorded(), before + 1);
        return static_cast<ActionPacket*>(battle.mBattle.mPackets.GetObjectA(before))->mSoundNumber;
    };
    tank->mFiringMGs = true;
    tank->mMGSmallArms = kTestMG;
    tank->mCrewSmallArms = kTestFlame;
    int32_t n = burst();
    EXPECT_GE(n, SmallArmsSounds(12).first);
    EXPECT_LE(n, SmallArmsSounds(12).last);
    tank->mFiringMGs = false; // the crew's own weapons
    n = burst();
    EXPECT_GE(n, SmallArmsSounds(13).first);
    EXPECT_LE(n, SmallArmsSounds(13).last);
    tank->mCrewSmallArms = kSmallArmsNone; // none: a rifle
    n = burst();
    EXPECT_GE(n, SmallArmsSounds(6).first);
    EXPECT_LE(n, SmallArmsSounds(6).last);
}

TEST_F(VehicleRulesKept, ADugInTankMovedInSetUpIsNoLongerDugIn) {
    battle.mBattle.mSetupPhase = true;
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    tank->mDugIn = true;
    ASSERT_TRUE(tank->ChangeSetup(120, 100, true, nullptr, true));
    EXPECT_EQ(tank->mX, 120.0f);
    EXPECT_FALSE(tank->mDugIn);
    tank->mDugIn = true;
    tank->ChangeSetup(200, 200, false, nullptr, true); // only turning
    EXPECT_TRUE(tank->mDugIn);
}

TEST_F(VehicleRulesKept, TheLastBurstValueIsKeptInTheRecord) {
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    auto trip = [&](float value) {
        tank->mMGFireValue = value;
        GFile file;
        EXPECT_TRUE(file.ITempFile(false));
        tank->Write(&file);
        file.Rewind();
        std::unique_ptr<Unit> back(ReadUnit(&file));
        EXPECT_NE(back, nullptr);
        return back ? static_cast<Vehicle*>(back.get())->mMGFireValue : -1.0f;
    };
    EXPECT_EQ(trip(11.0f), 11.0f);
    EXPECT_EQ(trip(8.64f), 8.64f);
    EXPECT_NEAR(trip(1.0e6f), 32767.0f / 50.0f, 1e-3); // held to what the field holds
    EXPECT_EQ(trip(NAN), 0.0f);
}

TEST_F(VehicleRulesKept, ASidestepStopsAtAWreckInItsWay) {
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 200, 200, 0);
    VehicleBattle::Order(tank, 300, 200, kPaceDefaultMove);
    // A wreck on the first line tried: 15 degrees left of the heading, walked
    // from 5 m behind the tank. A wreck no heavier is pushed, so the ground
    // alone would let the walk through.
    Vehicle* wreck = battle.AddVehicle(kTestTank, kAxis, 195.0f + 10.0f * std::cos(15.0f * 0.017453293f),
                                       200.0f + 10.0f * std::sin(15.0f * 0.017453293f));
    wreck->mActive = false;
    wreck->mKnockedOut = true;
    ASSERT_TRUE(tank->ManeuverAroundObstacle(true, false, false));
    // The first waypoint is the backing point, the second the reached end.
    ASSERT_GE(tank->mNrWaypoints, 3);
    EXPECT_EQ(tank->mWaypoints[0].mX, 195.0f);
    EXPECT_LT(tank->mWaypoints[1].mY, 200.0f) << "the walk went on through the wreck";
    EXPECT_EQ(tank->mX, 200.0f);
    // The vehicle found in the way is forgotten when that unit goes.
    gBlocker = wreck;
    battle.mBattle.mUnits->DeleteIndex(battle.mBattle.mUnits->IndexOf(wreck), true);
    EXPECT_EQ(gBlocker, nullptr);
}

TEST_F(VehicleRulesKept, BetweenBattlesTheOperationsRaritySettingCounts) {
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100);
    battle.mTables.vehicles[kTestTank].mRarityIndex = 3;
    ASSERT_NE(RarityFactorFromIndex(3), 1.0f);
    Battle* current = gBattle;
    Campaign* old = gCampaign;
    gBattle = nullptr;
    gCampaign = nullptr;
    EXPECT_EQ(tank->GetRarityFactor(), 1.0f); // neither: every type is common
    Campaign operation;
    gCampaign = &operation;
    operation.mRarityMode = 1;
    EXPECT_EQ(tank->GetRarityFactor(), RarityFactorFromIndex(3));
    operation.mRarityMode = 2;
    EXPECT_EQ(tank->GetRarityFactor(), 1.0f);
    gCampaign = old;
    gBattle = current;
}

TEST_F(VehicleRulesKept, AGunStayingOnItsSoftTargetKeepsItsShortTargetCount) {
    VehicleData& t = battle.mTables.vehicles[kTestTank];
    t.mMainWeapon = kTestGun;
    Vehicle* tank = battle.AddVehicle(kTestTank, kAxis, 100, 100, 0);
    Vehicle* lorry = battle.AddVehicle(kTestLorry, kAllies, 500, 100, 0);
    lorry->mContactLevel = kContactFull;
    VehicleBattle::Order(lorry, 500, 400, kPaceDefaultMove);
    lorry->mPlaybackSpeed = 0.3f; // on the move
    tank->mAmmo[kAmmoHE] = 20;
    tank->mAmmo[kAmmoAP] = 20;
    tank->mUseMainGun = true;
    tank->mTarget = lorry;
    tank->mOrderedTarget = lorry;
    tank->mLoadTime = 0.0f;
    int32_t kept = 0, tried = 0;
    for (int32_t n = 0; n < 40; ++n) {
        tank->mTarget = lorry;
        tank->mAimTime = 0.21f;
        tank->mAlertCount = 7;
        tank->mSliceCount = 1;
        tank->ComputeAction();
        if (tank->mTarget != lorry) continue;
        ++tried;
        kept += tank->mAlertCount == 7;
    }
    if (tried == 0) GTEST_SKIP() << "the search never stays on the lorry here";
    EXPECT_EQ(kept, tried);
}

// Infantry rules around firing and dying: a rocket team pinned by its own
// shot, the shots a unit has fired at its target, the voice of a fire order
// by the kind of vehicle, a unit falling under full fog of war, the squad's
// foxhole charge and a crew taking its gun back between battles.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "infantry2_fixture.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "units/Vehicle.h"

namespace {

class InfantryRulesKept : public InfantryFight {};

} // namespace

TEST_F(InfantryRulesKept, ARocketShotFromABuildingPinsItsTeam) {
    Paint(90.0f, 90.0f, 110.0f, 110.0f, kTerrainLightBuilding);
    mTypes[kGermanTankHunters].mHeavyWeapon = 166;
    mWeapons[166].mMaxRange = 150.0f;
    Infantry* u = Place(kGermanTankHunters, kGerman, 100.0f, 100.0f);
    Infantry* foe = Place(kUSSquad, kAmerican, 140.0f, 100.0f);
    u->mAntitankWeapon = 166;
    u->mTarget = foe;
    ASSERT_EQ(u->GetWeaponClass(), kWClassLightAT);
    u->Fire(kAmmoHEAT, 0);
    EXPECT_FLOAT_EQ(u->mSuppression, 150.0f);
    // The same shot in the open pins nobody.
    Infantry* open = Place(kGermanTankHunters, kGerman, 160.0f, 160.0f);
    open->mAntitankWeapon = 166;
    open->mTarget = foe;
    open->Fire(kAmmoHEAT, 0);
    EXPECT_FLOAT_EQ(open->mSuppression, 0.0f);
}

TEST_F(InfantryRulesKept, ShotsAtTheTargetAreCountedUntilTheTargetChanges) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* foe = Place(kUSSquad, kAmerican, 140.0f, 100.0f);
    Infantry* other = Place(kUSSquad, kAmerican, 140.0f, 140.0f);
    foe->mContactLevel = other->mContactLevel = kContactFull;
    u->mTarget = foe;
    u->Fire(kAmmoHE, 0);
    u->Fire(kAmmoHE, 0);
    EXPECT_EQ(u->mShotsAtTarget, 2);
    u->mHastyFire = true; // a hasty shot keeps no books
    u->Fire(kAmmoHE, 0);
    u->mHastyFire = false;
    EXPECT_EQ(u->mShotsAtTarget, 2);
    u->ReceiveTargetOrders(other, 0.0f, 0.0f, false, 0);
    if (u->mTarget == other) {
        EXPECT_EQ(u->mShotsAtTarget, 0);
    }
    u->CancelTarget(false, true);
    EXPECT_EQ(u->mShotsAtTarget, 0);
}

TEST_F(InfantryRulesKept, AFireOrderNamesATankOrAnotherVehicle) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    mVehicles[1].mVoiceClass = 0;  // a tank
    mVehicles[2].mVoiceClass = 20; // a lorry
    mVehicles[3].mVoiceClass = 1;  // an assault gun counts as a tank
    auto voices = [&](VehicleType type) {
        auto* v = new Vehicle;
        v->IVehicle(type, kAmerican, kExperienceRegular, 150.0f, 100.0f, 0.0f);
        v->mSide = 0;
        v->mContactLevel = kContactFull;
        mBattle.mBattle.mUnits->Add(v);
        u->mTarget = v;
        int32_t tank = 0, vehicle = 0;
        for (int32_t i = 0; i < 3000; ++i) {
            const int32_t before = mBattle.mBattle.mPackets.GetCount();
            u->ShoutFireOrders();
            if (mBattle.mBattle.mPackets.GetCount() == before) continue;
            auto* p = static_cast<ActionPacket*>(mBattle.mBattle.mPackets.GetObjectA(before));
            const int32_t voice = (p->mSoundNumber / 100) % 100;
            tank += voice == 8;
            vehicle += voice == 9;
        }
        u->mTarget = nullptr;
        return std::make_pair(tank, vehicle);
    };
    auto t = voices(1);
    if (t.first + t.second == 0) GTEST_SKIP() << "no voices for this nation";
    EXPECT_GT(t.first, 0);
    EXPECT_EQ(t.second, 0);
    auto l = voices(2);
    EXPECT_EQ(l.first, 0);
    EXPECT_GT(l.second, 0);
    auto a = voices(3);
    EXPECT_GT(a.first, 0);
    EXPECT_EQ(a.second, 0);
}

TEST_F(InfantryRulesKept, AUnitSeenToFallUnderFullFogLiesLowAndIsLookedAtAgain) {
    Infantry* u = Place(kUSSquad, kAmerican, 100.0f, 100.0f);
    Place(kGermanSquad, kGerman, 150.0f, 100.0f);
    u->mContactLevel = kContactFull;
    u->mMoveSpeed = kMove;
    u->mFiringSignature = 800;
    ASSERT_TRUE(u->IsSpottedNow());
    u->Die();
    EXPECT_FALSE(u->mActive);
    EXPECT_EQ(u->mMoveSpeed, 0);
    EXPECT_TRUE(u->mHiding);
    EXPECT_EQ(u->mFiringSignature, 0);
    // An unseen one just dies, its pace the one it now walks (it stands).
    Infantry* hidden = Place(kUSSquad, kAmerican, 180.0f, 180.0f);
    hidden->mContactLevel = kContactNone;
    hidden->mMoveSpeed = kMove;
    hidden->mFiringSignature = 800;
    hidden->Die();
    EXPECT_EQ(hidden->mMoveSpeed, kStand);
    EXPECT_EQ(hidden->mFiringSignature, 800);
}

TEST_F(InfantryRulesKept, ASquadBlastsItsFoxholeWithACharge) {
    Infantry* squad = Place(kUSSquad, kAmerican, 50.0f, 50.0f);
    Infantry* team = Place(kGermanMGTeam, kGerman, 150.0f, 150.0f);
    mTypes[kUSSquad].mUsesDemoCharge = 0;
    mTypes[kGermanMGTeam].mUsesDemoCharge = 1; // charges but no squad: a small hole
    squad->mDigIn = team->mDigIn = true;
    squad->mMoveSpeed = team->mMoveSpeed = kHold;
    ASSERT_TRUE(squad->WillDigFoxhole());
    ASSERT_TRUE(team->WillDigFoxhole());
    mBattle.mBattle.DigIn();
    auto radius = [&](float x, float y) {
        CraterGroup* holes = mBattle.map().mFoxholes;
        for (int32_t i = 0; holes && i < holes->GetCount(); ++i) {
            auto* c = static_cast<Crater*>(holes->GetObjectA(i));
            if (c->mX == x && c->mY == y) return c->mRadius;
        }
        return 0.0f;
    };
    // The hole's radius goes with the charge's cube root: 700 against 420.
    EXPECT_NEAR(radius(50.0f, 50.0f), 0.12f * std::cbrt(700.0f), 0.02f);
    EXPECT_NEAR(radius(150.0f, 150.0f), 0.12f * std::cbrt(420.0f), 0.02f);
}

TEST_F(InfantryRulesKept, ACrewStillInTheOperationTakesItsGunBack) {
    Campaign* old = gCampaign;
    Campaign operation;
    operation.mMap = new Map;
    operation.mMap->IBlankMap(10, 10, 1.0f, 0); // no set-up zones: every gun lies outside its own
    gCampaign = &operation;
    auto pair = [&](float x) {
        Infantry* gun = Make(kGermanGunCrew, kGerman).release();
        Infantry* crew = Make(kGermanGunCrew, kGerman).release();
        gun->mX = crew->mX = x;
        gun->mActive = false;
        gun->mCasualties = 5;
        gun->mOldCasualties = 2;
        crew->mAbandonedVehicle = gun;
        crew->mActive = true;
        operation.mUnits->Add(gun);
        operation.mUnits->Add(crew);
        return std::make_pair(gun, crew);
    };
    auto [gun, crew] = pair(50.0f);
    const int32_t men = crew->MenAlive();
    ASSERT_GT(men, 0);
    EXPECT_TRUE(crew->Clean());
    EXPECT_TRUE(gun->mActive);
    EXPECT_EQ(gun->mCasualties, 5 - men);
    EXPECT_EQ(gun->mOldCasualties, 0);
    EXPECT_FALSE(gun->mGunKnockedOut);
    // A gun knocked out stays lost.
    auto [lost, its] = pair(150.0f);
    lost->mGunKnockedOut = true;
    its->Clean();
    EXPECT_FALSE(lost->mActive);
    EXPECT_TRUE(lost->mGunKnockedOut);
    // So does one whose crew is gone from the operation's units.
    auto [left, gone] = pair(100.0f);
    operation.mUnits->DeleteIndex(operation.mUnits->IndexOf(gone), false);
    gone->Clean();
    EXPECT_FALSE(left->mActive);
    EXPECT_TRUE(left->mGunKnockedOut);
    delete gone;
    gCampaign = old;
}

namespace {

// A screen in the state given.
class StateHost : public BattleHost {
public:
    int32_t InteractionState() override { return state; }
    int32_t state = 0;
};

} // namespace

TEST_F(InfantryRulesKept, TheSelectedUnitsWaypointsOpenRoofsOnlyWhileOrdersAreGiven) {
    Map& map = mBattle.map();
    const float cx[4] = {102.0f, 118.0f, 118.0f, 102.0f}, cy[4] = {102.0f, 102.0f, 118.0f, 118.0f};
    auto* house = new Building;
    house->IBuilding(5, 5, kTerrainLightBuilding, cx, cy);
    map.mBuildings->Add(house);
    Paint(100.0f, 100.0f, 120.0f, 120.0f, kTerrainLightBuilding);
    map.IndexObjects();
    ASSERT_EQ(map.GetBuildingAtXY(110.0f, 110.0f), house);

    Infantry* u = Place(kUSSquad, kAmerican, 30.0f, 30.0f);
    u->mWaypoints[0] = Destination{};
    u->mWaypoints[0].mX = 110.0f;
    u->mWaypoints[0].mY = 110.0f;
    u->mWaypoints[0].mOrder = kMove;
    u->mNrWaypoints = 1;
    mBattle.mBattle.mSelectedUnit = u;
    StateHost host;
    host.SetViewingSide(kAllies);
    mBattle.mBattle.mHost = &host;
    ASSERT_TRUE(u->CanReceiveOrders());
    host.state = 8; // playback
    house->mNoRoof = 0;
    u->CheckBuildingOccupancy();
    EXPECT_EQ(house->mNoRoof, 0);
    host.state = 0; // orders
    u->CheckBuildingOccupancy();
    EXPECT_EQ(house->mNoRoof, 1);
    mBattle.mBattle.mHost = nullptr;
    mBattle.mBattle.mSelectedUnit = nullptr;
}

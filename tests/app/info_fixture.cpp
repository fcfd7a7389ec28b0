#include "info_fixture.h"

#include <cstring>
#include <filesystem>

#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "platform/Surface16.h"

namespace fs = std::filesystem;

namespace {

// Every picture number the information views load.
std::vector<int32_t> PictureNumbers() {
    std::vector<int32_t> n = {420, 422, 2009, 10037, 11280, 11281, 25300};
    for (int32_t i = 1000; i <= 1098; ++i)
        n.push_back(i);
    for (int32_t i = 2392; i <= 2465; ++i)
        n.push_back(i);
    for (int32_t i = 2612; i <= 2614; ++i)
        n.push_back(i);
    for (int32_t i = 25000; i <= 25231; ++i)
        n.push_back(i);
    return n;
}

void SavePicture(const std::string& folder, int32_t id) {
    Surface16 s;
    const int32_t w = id == 1000 || id == 1001 ? 540 : 8;
    const int32_t h = id == 1000 || id == 1001 ? 84 : 8;
    ASSERT_TRUE(s.Create(w, h));
    FillRect16(s.Target(), 0, 0, w, h, MakeRGB565(static_cast<uint8_t>(id * 37), 90, 60));
    ASSERT_TRUE(SavePng16((folder + std::to_string(id) + ".png").c_str(), s.Target()));
}

} // namespace

InfoWorld::InfoWorld() {
    mForces[kGermans].mNation = kNationGerman;
    mForces[kAmericans].mNation = kNationAmerican;
    std::strcpy(mForces[kGermans].mName, "Heer");
    std::strcpy(mForces[kAmericans].mName, "US Army");

    std::strcpy(mArms[kRifle].mName, "Gewehr");
    mArms[kRifle].mMaxRange = 600;
    mArms[kRifle].mPictureIndex = 6;
    std::strcpy(mArms[kMG].mName, "MG");
    mArms[kMG].mMaxRange = 1000;
    mArms[kMG].mPictureIndex = 8;
    std::strcpy(mArms[kHeavyMG].mName, "sMG");
    mArms[kHeavyMG].mMGClass = 3;
    mArms[kHeavyMG].mMaxRange = 1500;
    for (float& f : mArms[kRifle].mFirepower)
        f = 1.0f;
    for (float& f : mArms[kMG].mFirepower)
        f = 4.0f;
    for (int32_t i = 0; i < kSmallArmsCount; ++i)
        if (i != kRifle && i != kMG && i != kHeavyMG) mArms[i].mPictureIndex = -1;

    for (int32_t w = 0; w < kWeaponCount; ++w)
        mWeapons[w].mOrdnanceModel = 42;
    WeaponData& gun = mWeapons[kTankGun];
    gun.mClass = kWClassGun;
    gun.mCalibre = 75.0f;
    gun.mBarrelLength = 48;
    gun.mMaxRange = 900.0f;
    gun.mPenetrationParameter = 75.0f;
    // Rounds: 1 AP, 2 HE, 3 tungsten, 4 hollow charge.
    const float velocities[4] = {750.0f, 550.0f, 930.0f, 450.0f};
    for (int32_t k = 0; k < 4; ++k)
        gun.mAmmo[k] = {k + 1, velocities[k]};
    gun.mLoadMix[0].mAP = 40;
    gun.mLoadMix[0].mHEAT = 10;
    gun.mLoadMix[0].mTungsten = 6;
    mWeapons[kLongGun] = gun;
    mWeapons[kLongGun].mCalibre = 88.0f;
    mWeapons[kLongGun].mMaxRange = 9000.0f;
    mWeapons[kLongGun].mMinRange = 100.0f;
    mWeapons[kMortar].mClass = kWClassMortar;
    mWeapons[kMortar].mCalibre = 81.0f;
    mWeapons[kMortar].mMaxRange = 2500.0f;
    mWeapons[kArtillery].mClass = kWClassIndirect;
    mWeapons[kArtillery].mCalibre = 105.0f;
    mWeapons[kArtillery].mMaxRange = 10000.0f;
    mWeapons[kArtillery].mCommandLevel = 1;
    const AmmoClass classes[5] = {0, kAmmoAP, kAmmoHE, kAmmoTungsten, kAmmoHEAT};
    const int32_t projectiles[5] = {0, 8, 0, 11, 0};
    for (int32_t t = 1; t <= 4; ++t) {
        mAmmo[t].mClass = classes[t];
        mAmmo[t].mProjectileKind = projectiles[t];
        mAmmo[t].mFirstDate = 0;
        mAmmo[t].mLastDate = 9999;
        mAmmo[t].mWeight = 15.0f;
        mAmmo[t].mDrag = 1.0f;
    }

    for (int32_t p = 0; p < kMovementSpeedCount; ++p)
        mPaces[p].mOrderTextId = 0;
    for (int32_t i = 0; i < kInfantryCount; ++i) {
        InfantryData& r = mTypes[i];
        r.mHeavyWeapon = kWeaponNone;
        r.mNrMen = 1;
        r.mNrTeams = 1;
        r.mTeamMen[0] = 1;
        r.mMobility = 1;
        for (SmallArmsType& s : r.mTeamSmallArms)
            s = kSmallArmsNone;
        r.mTeamSmallArms[0] = kRifle;
    }
    InfantryData& squad = mTypes[kSquad];
    std::strcpy(squad.mName, "Schützengruppe");
    std::strcpy(squad.mShortName, "Gruppe");
    squad.mIsSquad = 1;
    squad.mNrMen = 9;
    squad.mNrTeams = 2;
    squad.mNrWeaponSlots = 2;
    squad.mTeamMen[0] = 7;
    squad.mTeamMen[1] = 2;
    squad.mTeamSmallArms[1] = kMG;
    squad.mMaxAmmo = 40;
    squad.mTransportClass = 2;
    InfantryData& observer = mTypes[kObserver];
    std::strcpy(observer.mName, "Beobachter");
    observer.mNrMen = 2;
    observer.mTeamMen[0] = 2;
    observer.mHeavyWeapon = kArtillery;
    std::strcpy(mTypes[kLeader].mName, "Zugführer");
    mTypes[kLeader].mLeaderRank = 1;

    for (int32_t i = 0; i < kVehicleCount; ++i) {
        VehicleData& d = mVehicles[i];
        d.mMainWeapon = kWeaponNone;
        d.mBowMG = d.mCoaxMG = d.mFreeMG = kSmallArmsNone;
        d.mTurretKind = 5;
    }
    VehicleData& tank = mVehicles[kTank];
    std::strcpy(tank.mName, "Panzer IV");
    tank.mCrew = 5;
    tank.mWeight = 25;
    tank.mTopSpeed = 24;
    tank.mPower = 300;
    tank.mKind = 1;
    tank.mClass = 1;
    tank.mMainWeapon = kTankGun;
    tank.mTurretKind = 2;
    tank.mHasTurretArmor = 1;
    tank.mCoaxMG = kMG;
    tank.mCoaxMGCount = 1;
    tank.mBowMG = kMG;
    tank.mBowMGCount = 1;
    tank.mSilhouette = 1.0f;
    tank.mGroundPressure = 13.0f;
    const int16_t plates[9] = {50, 50, 50, 30, 30, 20, 20, 20, 20};
    for (int32_t i = 0; i < 9; ++i)
        tank.mArmorPlates[i] = {plates[i], static_cast<int16_t>(i < 3 ? 10 : 0)};
    tank.mTopArmor[0] = 10;
    tank.mTopArmor[1] = 10;
    tank.mTurretShape[0] = 1;
    tank.mTurretShape[1] = 1;
    VehicleData& lorry = mVehicles[kLorry];
    std::strcpy(lorry.mName, "Opel Blitz");
    lorry.mCrew = 1;
    lorry.mWeight = 3;
    lorry.mKind = 1;
    lorry.mClass = 10;
    lorry.mPassengerSlots = 2;
    lorry.mTransportClass = 3;
    lorry.mSilhouette = 0.8f;
    mVehicles[kBoat] = lorry;
    std::strcpy(mVehicles[kBoat].mName, "Boot");
    mVehicles[kBoat].mKind = 5;
    mVehicles[kEmplacement] = tank;
    std::strcpy(mVehicles[kEmplacement].mName, "Stellung");
    mVehicles[kEmplacement].mClass = 5;
    mVehicles[kEmplacement].mKind = 6;
    for (int32_t i = 0; i < kVehicleClassCount; ++i)
        mClasses[i].mGeneralType = 409;
}

InfoWorld::~InfoWorld() = default;

void InfoWorld::SetUp() {
    mFolder = std::make_unique<ProgramFolder>();
    mOldPictureFolder = GPictureStore::Get().GetFolder();
    const std::string pictures = mFolder->Path("pictures/");
    fs::create_directories(pictures);
    for (int32_t id : PictureNumbers())
        SavePicture(pictures, id);
    GPictureStore::Get().SetFolder(pictures);
    gKernel = new GKernel;
    ASSERT_TRUE(gKernel->IKernel());

    mOldBattle = gBattle;
    mBattle = new Battle;
    mBattle->IBattleStub();
    mBattle->mMap = new Map;
    mBattle->mMap->IBlankMap(20, 20, 1.0f, 0);
    mBattle->mSetupPhase = false;
    mBattle->mHost = &mHost;
    mBattle->mDate = 4306;
    mBattle->mTurn = 3;
    mBattle->mLastTurn = 20;
    gBattle = mBattle;
}

void InfoWorld::TearDown() {
    if (mBattle) mBattle->mSelectedUnit = nullptr;
    delete mBattle;
    gBattle = mOldBattle;
    delete gKernel;
    gKernel = nullptr;
    GPictureStore::Get().SetFolder(mOldPictureFolder);
    mFolder.reset();
}

Infantry* InfoWorld::AddInfantry(InfantryType type, Force force, float x, float y) {
    auto* u = new Infantry;
    u->IInfantry(type, force, kExperienceRegular, x, y, 0.0f);
    u->mActive = true;
    mBattle->mUnits->Add(u);
    return u;
}

Vehicle* InfoWorld::AddVehicle(VehicleType type, Force force, float x, float y) {
    auto* v = new Vehicle;
    v->IVehicle(type, force, kExperienceRegular, x, y, 0.0f);
    v->mActive = true;
    mBattle->mUnits->Add(v);
    return v;
}

std::string InfoWorld::Rez(int32_t id) {
    GString255 s;
    s.IStringRez(id);
    return std::string(s.GetCString(), s.GetLength());
}

std::vector<int32_t> InfoWorld::Pictures(const InfoDrawLog& log) {
    std::vector<int32_t> out;
    for (const InfoDrawItem& i : log.mItems)
        if (i.mKind == 'b') out.push_back(i.mPicture);
    return out;
}

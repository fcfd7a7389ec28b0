#pragma once
// A small battle (a blank 200 m map) with table rows of the tests' own for
// the infantry tests: forces of three nations, a few small arms, weapons,
// paces and infantry types.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "unit_conduct_fixtures.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

// Files held in memory.
inline GFile* InfantryScratchFile() {
    auto* file = new GFile;
    EXPECT_TRUE(file->ITempFile(false));
    return file;
}

inline std::vector<uint8_t> InfantryFileBytes(GFile* file) {
    file->Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file->GetFileLength()));
    if (!bytes.empty()) file->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return bytes;
}

inline GFile* InfantryFileWith(const std::vector<uint8_t>& bytes) {
    GFile* file = InfantryScratchFile();
    if (!bytes.empty()) file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file->Rewind();
    return file;
}

// Forces.
constexpr Force kGerman = 0;
constexpr Force kAmerican = 1;
constexpr Force kBritish = 2;
constexpr Force kGermanSkiers = 3;

// Small arms.
constexpr SmallArmsType kRifle = 6;
constexpr SmallArmsType kSMG = 7;
constexpr SmallArmsType kHeavyMG = 8;
constexpr SmallArmsType kBAR = 9;

// Weapons.
constexpr WeaponType kAntitankGun = 100;
constexpr WeaponType kObserverRadio = 101;
constexpr WeaponType kMortar = 102;
constexpr WeaponType kSniperRifle = 252;

// Infantry types.
constexpr InfantryType kUSSquad = 1;
constexpr InfantryType kGermanSquad = 2;
constexpr InfantryType kGermanMGTeam = 3;
constexpr InfantryType kGermanGunCrew = 4;
constexpr InfantryType kGermanTankHunters = 5;
constexpr InfantryType kUSLeader = 6;
constexpr InfantryType kBritishObserver = 7;
constexpr InfantryType kGermanSniper = 8;
constexpr InfantryType kBritishGunCrew = 9;

// Paces.
constexpr MovementSpeedType kHold = 0;
constexpr MovementSpeedType kStand = 1;
constexpr MovementSpeedType kFast = 2;
constexpr MovementSpeedType kMove = 4;

class InfantryTest : public ::testing::Test {
protected:
    InfantryTest() {
        mForces[kGerman].mNation = kNationGerman;
        mForces[kAmerican].mNation = kNationAmerican;
        mForces[kBritish].mNation = kNationBritish;
        mForces[kGermanSkiers].mNation = kNationGerman;
        mForces[kGermanSkiers].mSkis = 1;

        for (int32_t i = 0; i < 80; ++i)
            mArms[i].mMaxRange = 0;
        for (int32_t p = 1; p <= 5; ++p)
            Arms(p, 0, 50, 0.5f);
        Arms(kRifle, 0, 600, 1.0f);
        Arms(kSMG, 0, 200, 2.0f).mAutoClass = 2;
        Arms(kHeavyMG, 3, 1500, 5.0f).mAutoClass = 3;
        Arms(kBAR, 1, 800, 3.0f).mAutoClass = 2;

        for (WeaponType w : {58, 165, 166, 167, 168, 169, 262, 263, 264, 265})
            mWeapons[w].mClass = kWClassLightAT;
        mWeapons[kAntitankGun].mClass = kWClassGun;
        mWeapons[kAntitankGun].mCalibre = 75.0f;
        mWeapons[kAntitankGun].mMaxRange = 2500.0f;
        mWeapons[kAntitankGun].mOrdnanceModel = 5;
        mWeapons[kObserverRadio].mClass = kWClassIndirect;
        mWeapons[kMortar].mClass = kWClassMortar;
        mWeapons[kMortar].mMinRange = 50.0f;
        mWeapons[kMortar].mMaxRange = 1000.0f;
        for (int32_t w = 0; w < 300; ++w)
            if (mWeapons[w].mOrdnanceModel == 0) mWeapons[w].mOrdnanceModel = 42;

        for (int32_t p = 0; p < 32; ++p) {
            mPaces[p].mPaceKind = 2;
            mPaces[p].mFatigueRate = 1;
            mPaces[p].mFatigueLimit = 9;
            mPaces[p].mExposureFigure = 20;
        }
        mPaces[kHold].mPaceKind = 0;
        mPaces[kHold].mFatigueRate = -1;
        mPaces[kStand].mPaceKind = 0;
        mPaces[kStand].mFatigueRate = 0;
        mPaces[kStand].mFireLevel = 1;
        mPaces[kFast].mPaceKind = 3;
        mPaces[kFast].mFatigueRate = 2;
        mPaces[kFast].mFatigueLimit = 2;
        mPaces[kMove].mFatigueLimit = 3;
        mPaces[kPaceRotate].mPaceKind = 0;

        for (int32_t i = 0; i < 800; ++i) {
            mTypes[i].mHeavyWeapon = kWeaponNone;
            mTypes[i].mNrTeams = 1;
            mTypes[i].mNrMen = 1;
            mTypes[i].mTeamMen[0] = 1;
            mTypes[i].mSpeedClass = kSpeedUnencumbered;
            mTypes[i].mMobility = 1;
            mTypes[i].mBaseLoadTime = 3;
            for (SmallArmsType& s : mTypes[i].mTeamSmallArms)
                s = kSmallArmsNone;
            mTypes[i].mTeamSmallArms[0] = kRifle;
        }
        Squad(kUSSquad, "Schützen");
        Squad(kGermanSquad, "Grenadiere");
        Team(kGermanMGTeam, 3, kHeavyMG).mSpeedClass = kSpeedHeavy;
        mTypes[kGermanMGTeam].mTeamAnimGroup[0] = 3;
        mTypes[kGermanMGTeam].mMobility = 2;
        InfantryData& gun = Team(kGermanGunCrew, 5, 0);
        gun.mHeavyWeapon = kAntitankGun;
        gun.mBaseLoadTime = 9999;
        gun.mSpeedClass = kSpeedPushedGun;
        gun.mMobility = 4;
        gun.mTeamAnimGroup[0] = 17;
        Team(kGermanTankHunters, 2, kRifle).mFlags = kITankHunter;
        Team(kUSLeader, 2, kSMG).mLeaderRank = 1;
        Team(kBritishObserver, 2, kRifle).mHeavyWeapon = kObserverRadio;
        Team(kGermanSniper, 1, kRifle).mHeavyWeapon = kSniperRifle;
        Team(kBritishGunCrew, 5, 0).mHeavyWeapon = kAntitankGun;
        for (InfantryType generic : {498, 539})
            std::strcpy(mTypes[generic].mName, generic == 498 ? "Generisch" : "Geschützbedienung");
        mBattle.mBattle.mDate = 4306;
        SeedRandomGenerator(4711);
    }

    SmallArmsData& Arms(SmallArmsType t, int32_t mg, int16_t range, float fp) {
        SmallArmsData& s = mArms[t];
        s.mMGClass = mg;
        s.mMaxRange = range;
        for (float& f : s.mFirepower)
            f = fp;
        return s;
    }
    // A rifle squad of 9: two rifle teams of 4 and a BAR.
    InfantryData& Squad(InfantryType t, const char* name) {
        InfantryData& r = mTypes[t];
        std::strcpy(r.mName, name);
        std::strcpy(r.mShortName, name);
        r.mIsSquad = 1;
        r.mNrMen = 9;
        r.mNrTeams = 3;
        r.mTeamsCanRefill = 1;
        const int16_t men[] = {4, 4, 1, 0};
        const SmallArmsType arms[] = {kRifle, kRifle, kBAR, kSmallArmsNone};
        for (int32_t i = 0; i < 4; ++i) {
            r.mTeamMen[i] = men[i];
            r.mTeamSmallArms[i] = arms[i];
        }
        return r;
    }
    InfantryData& Team(InfantryType t, int16_t men, SmallArmsType arms) {
        InfantryData& r = mTypes[t];
        r.mNrMen = men;
        r.mTeamMen[0] = men;
        r.mTeamSmallArms[0] = arms;
        return r;
    }
    // A new unit of the type, set up as the unit factory does.
    std::unique_ptr<Infantry> Make(InfantryType type, Force force, ExperienceLevel xp = kExperienceRegular) {
        auto u = std::make_unique<Infantry>();
        u->IInfantry(type, force, xp, 50.0f, 50.0f, 0.0f);
        return u;
    }

    SmallBattle mBattle;
    TableRows<ForceTypeChart> mForces{gForceTypeChart, 40};
    TableRows<SmallArmsData> mArms{gSmallArmsData, 80};
    TableRows<WeaponData> mWeapons{gWeaponData, 300};
    TableRows<MovementSpeedChart> mPaces{gMovementSpeedChart, 32};
    TableRows<InfantryData> mTypes{gInfantryData, 800};
    TableRows<AmmoData> mAmmo{gAmmoData, 4};
    TableRows<VehicleData> mVehicles{gVehicleData, 4};
};

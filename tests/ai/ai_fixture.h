#pragma once
// Small battles for the target-choice tests: the fire tests' flat 2 km map
// and table rows, with units whose targeting answers a test sets.

#include "../units/unit_fire_fixture.h"
#include "ai/AITargetState.h"
#include "engine/GFile.h"
#include "engine/GFuzzySet.h"
#include "engine/GOLTA.h"

namespace aitest {

using firetest::Rows;

// What a test unit answers to the target choice's own questions.
struct AIKit {
    bool allowed = true;   // AllowedToTarget
    bool faces = true;     // AbleToFaceLocation
    bool sees = true;      // TacAICanSee
    bool canChange = true; // CanChangeTarget
    float vp = 50.0f;      // GetVPValue
    float rotation = 5.0f; // degrees per slice
    bool hiding = false;
    float lastRange = -1.0f; // the last range asked of InRange
};

template <class Base> class Targeting : public firetest::Armed<Base> {
public:
    Targeting() { this->mContactLevel = kContactFull; }
    bool AllowedToTarget() override { return ai.allowed; }
    bool AbleToFaceLocation(float, float) override { return ai.faces; }
    bool TacAICanSee(Unit*) override { return ai.sees; }
    bool CanChangeTarget() override { return ai.canChange; }
    float GetVPValue(bool, DataKnowledge) override { return ai.vp; }
    float RotationSpeed() override { return ai.rotation; }
    bool IsHiding(bool) override { return ai.hiding; }
    bool InRange(float range, bool strict, float factor) override {
        ai.lastRange = range;
        return this->kit.mInRange;
    }
    AIKit ai;
};

class Squad : public Targeting<Unit> {
public:
    Squad() { mUnitType = kUnitInfantry; }
};
class Tank : public Targeting<Vehicle> {};
class Plane : public Targeting<Unit> {
public:
    Plane() { mUnitType = kUnitAirplane; }
};

// The labels and memberships of a set, for comparing.
inline float M(const GFuzzySet& s, int8_t label) {
    return s.GetMembershipOf(label);
}
inline bool Has(const GFuzzySet& s, int8_t label) {
    for (int32_t i = 0; i < s.GetCount(); ++i)
        if (s.GetLabel(i) == label) return true;
    return false;
}

// The unit's saved record.
inline std::vector<uint8_t> Record(Unit* u) {
    GFile file;
    file.ITempFile(false);
    u->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

class AIBattle : public firetest::FireBattle {
protected:
    AIBattle() : mSmallArms(gSmallArmsData, kSmallArmsCount) {
        mInfantry[0].mNrMen = 10;
        mInfantry[1] = mInfantry[0];
        mInfantry[1].mPlatoonMember = 1;
        mVehicles[0].mHasTurretArmor = 1;
        mVehicles[0].mTurretKind = 1;
        mVehicles[0].mMainWeapon = 2;
        mVehicles[0].mBowMG = kSmallArmsNone;
        mVehicles[0].mCoaxMG = kSmallArmsNone;
        mVehicles[0].mFreeMG = kSmallArmsNone;
        for (ArmorPlate& p : mVehicles[0].mArmorPlates)
            p = {50, 0};
        mVehicles[1].mBowMG = kSmallArmsNone;
        mVehicles[1].mCoaxMG = kSmallArmsNone;
        mVehicles[1].mFreeMG = kSmallArmsNone;
        mSmallArms[5].mMaxRange = 800;
        mSmallArms[5].mMGClass = 4;
        // Weapon 2, a 75 mm tank gun: high explosive (ammunition 1) and
        // armour-piercing (ammunition 2) rounds.
        mWeapons[2].mClass = 2;
        mWeapons[2].mAmmo[0] = {1, 600.0f};
        mWeapons[2].mAmmo[1] = {2, 750.0f};
        mAmmo[2].mClass = kAmmoAP;
        mAmmo[2].mWeight = 15.0f;
        mAmmo[2].mLastDate = 9999;
        mBattle.mTurn = 1;
        mBattle.mLastTurn = 30;
        SeedRandomGenerator(12345);
        aitarget::sConsiderDirectThreats = true;
    }
    template <class S = Squad> S* Rifles(Affiliation side, float x, float y) {
        S* s = Place<S>(side, x, y);
        s->kit.mSmallArmsFP = 11.0f;
        s->mAmmo[kAmmoHE] = 50;
        return s;
    }
    Tank* Armour(Affiliation side, float x, float y) {
        Tank* t = Place<Tank>(side, x, y);
        t->kit.mArmoured = true;
        t->kit.mHeavyWeapon = true;
        t->kit.mOrdnance = true;
        t->kit.mWeapon = 2;
        t->kit.mClass = 2;
        t->mAmmo[kAmmoHE] = 20;
        t->mAmmo[kAmmoAP] = 20;
        return t;
    }
    Rows<SmallArmsData> mSmallArms;
};

} // namespace aitest

#pragma once
// A shot, shell or charge on its way: made by the unit rules through
// Battle::CreatePendingAttack, stamped with the slice at which it lands, and
// resolved by the battle when that slice comes. Never written to a file.

#include <cstdint>

#include "engine/GObject.h"
#include "units/Enums.h"

class ActionPacket;
class Unit;

class PendingAttack : public GObject {
public:
    ~PendingAttack() override = default;

    // The firepower of the attack: class 0 its own mFirepower (hitValue
    // then receives mHitValue), the shell classes the blast power of the
    // weapon with its ammunition (class 0 ammunition with noAmmo); 0 for
    // others. hitValue, when given, is 0 for every class but 0.
    float GetFirepower(bool noAmmo, int32_t* hitValue) const;

    ActionPacket* mPacket = nullptr; // the shell packet, or null
    int32_t mLandingSlice = 0;       // battle slice at creation + delay
    WeaponClass mWeaponClass = 0;
    WeaponType mWeaponType = kWeaponNone;
    AmmoClass mAmmoClass = kAmmoHE;
    float mFirepower = 0.0f; // small-arms firepower (class 0)
    int32_t mHitValue = 0;   // the small-arms shift handed to TakeAreaHit
    float mOriginX = 0.0f;   // where it was fired from, metres
    float mOriginY = 0.0f;
    float mOriginZ = 0.0f;
    float mImpactX = 0.0f; // where it lands; the refresh radius in Z for a marker
    float mImpactY = 0.0f;
    float mImpactZ = 0.0f;
    float mMissX = 0.0f; // error added to the target's position on landing
    float mMissY = 0.0f;
    int32_t mSpareA = 0;
    Unit* mHitUnit = nullptr; // the unit hit directly
    Unit* mAttacker = nullptr;
    Unit* mTarget = nullptr;
    bool mAttackerIsAxis = false;
    bool mAboveGround = false; // bursts above the ground: no crater
    bool mSoftCover = false;   // cover protects less
    bool mWideSpread = false;  // class 0 spreads over a wider circle
    bool mSpecialHit = false;
    int32_t mSpareB = 0;
    bool mLOSRefreshOnly = false; // only a timer that voids the sight cache

    // What the firing rules record beside those.
    bool mFromAircraft = false;
    float mHitChance = 0.0f; // of a direct shot that hit
    bool mHeavyMG = false;   // fire of MGPenetration 3
    MGPenetration mMGPenetration = 0;
    bool mAreaOrAircraft = false; // fired at an area target or by an aircraft
    bool mSecondBurst = false;    // an indirect mission of sub-kind 1 fires again
};

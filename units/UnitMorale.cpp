// Morale: suppression 0..1500 with its one-time fanaticism draw, the rally
// every 4 s of battle time, and three small reactions (using up a round, the
// voice of a fire order, running from a fire).
//
// Bands of suppression end at 10, 30, 60, 100, 350, 600 and 1200; a unit is
// pinned from 350 (band 5) on.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kPinned = 350.0f;
constexpr float kHeldByFanatic = 349.0f;
constexpr int32_t kFixedMobility = 6;
constexpr VoiceType kVoiceRallied = 22;
constexpr VoiceType kVoiceLowAmmo = 15;
constexpr VoiceType kVoiceFiring = 13;
constexpr int32_t kShoutLead = 80; // slices a fire order comes before its shot

// The unit's experience with the computer opponent's bonus, without any
// leader's help.
int32_t ExperienceWithBonus(Unit& u) {
    int32_t x = u.mExperience;
    BattleHost* host = gBattle ? gBattle->Host() : nullptr;
    if (gBattle && host && host->GameMode() == kGameModeComputer && gBattle->mComputerBonus > 0 &&
        u.GetAffiliation() == host->ComputerSide()) {
        x += gBattle->mComputerBonus;
        if (x > kExperienceMaxEffective) x = kExperienceMaxEffective;
    }
    return x;
}

// The fanaticism setting holds the Axis at index 1, as the side flag does.
int32_t SideIndex(const Unit& u) {
    return u.mSide ? 1 : 0;
}

// How much fatigue slows recovery: 1 when fresh, 0.5 from 200 on.
float FatigueFactor(float fatigue) {
    if (fatigue == 0.0f) return 1.0f;
    if (fatigue >= 200.0f) return 0.5f;
    double f = fatigue;
    double p =
        1.0 - 0.00852976 * f + 0.000270427 * f * f - 2.28869e-06 * f * f * f + 6.37401e-09 * f * f * f * f;
    return static_cast<float>(1.0 / (p > 1.0 ? p : 1.0));
}

} // namespace

void Unit::SetSuppression(float s, bool keep) {
    if (!(s >= 0.0f)) s = 0.0f; // also a value that is not a number
    if (s > static_cast<float>(kMaxSuppression)) s = static_cast<float>(kMaxSuppression);
    bool crossed = mSuppression < kPinned && s >= kPinned;
    mSuppression = s;
    if (!crossed) return;
    if (mFanatic == 0) {
        int32_t x = ExperienceWithBonus(*this);
        float chance = 0.01f * static_cast<float>(x) + 0.02f;
        switch (gBattle ? gBattle->mFanaticism[SideIndex(*this)] : 0) {
        case 1: // regulars or better, 25%
            if (x > 1) chance = 0.25f;
            break;
        case 2: // regulars or better, 50%
            if (x > 1) chance = 0.5f;
            break;
        case 3: // every unit, 25%
            chance = 0.25f;
            break;
        case 4: // every unit, 50%
            chance = 0.5f;
            break;
        default:
            break;
        }
        mFanatic = RandomFraction() < chance ? 2 : 1;
    }
    if (mFanatic == 2 && !keep) mSuppression = kHeldByFanatic;
}

void Unit::Rally() {
    if (mSuppression == 0.0f) return;
    int32_t band = SuppressionBand();
    int32_t e = GetEffectiveExperience(kLeadMorale);
    bool infantry = mUnitType == kUnitInfantry;
    bool vehicle = mUnitType == kUnitVehicle;

    // Losses of this turn slow the recovery.
    float ratio = 1.0f;
    if (infantry || vehicle) {
        int32_t full = infantry ? gInfantryData[mSubtype].mNrMen : gVehicleData[mSubtype].mCrew;
        int32_t old = mOldCasualties;
        if (infantry && mSibling) {
            old = mOldCasualties - full / 2;
            if (old < 0) old = 0;
        }
        int32_t below = full - old;
        ratio = below > 0 ? static_cast<float>(full - mCasualties) / static_cast<float>(below) : 1.0f;
    }
    float eased = 0.1f * static_cast<float>(e) + 0.7f;
    float weight = 1.5f - 0.15f * static_cast<float>(e);
    float recovery = eased - weight * (1.0f - ratio);
    if (recovery < 0.2f) recovery = 0.2f;
    float scaled = vehicle ? recovery * 14.0f : recovery * 20.0f / 3.0f;

    // The battle keeps each side's morale under its Affiliation.
    float morale = gBattle ? gBattle->mGlobalMorale[GetAffiliation()] : 1.0f;
    if (mFanatic == 2 && morale < 0.5f) morale = 0.5f;
    float inspiration = std::exp(-2.0f * (1.0f - morale) * (1.0f - morale));
    float tiredness = FatigueFactor(mFatigue);

    mSuppression -= scaled * inspiration * tiredness;
    if (mSuppression < 0.0f) mSuppression = 0.0f;
    if (mSurrendered && mSuppression > kPinned) mSuppression = kPinned;

    if (infantry) {
        // Now and then a squad pulls itself together at once.
        float chance =
            mSurrendered ? 0.07f
                         : (0.67f * static_cast<float>(e) + 1.0f) * (0.13f / 15.0f) * inspiration * tiredness;
        if (mFanatic == 2) chance *= 2.0f;
        if (RandomFraction() < chance) {
            mSuppression = static_cast<float>(RandomFraction()) * 0.5f * mSuppression;
            if (band >= 4 && !mSurrendered) AddSoundEffectVoice(kVoiceRallied, 100, 0.0f, 0.0f);
        }
    }
    if (mSuppression < 0.0f) mSuppression = 0.0f;
    if (mSuppression > static_cast<float>(kMaxSuppression))
        mSuppression = static_cast<float>(kMaxSuppression);
    if (SuppressionBand() != band) gPacket = true;
}

void Unit::TickAmmo(AmmoClass ammo) {
    if (ammo < 0 || ammo >= kAmmoClassCount) return; // 11: nothing fired from the store
    bool observer = IsForwardObserver();
    if (mAmmo[ammo] > 0) {
        --mAmmo[ammo];
        if (mAmmo[ammo] == 0 && observer) {
            mTarget = nullptr;
            mAreaTarget = false;
            gPacket = true;
        }
    }
    if (mAmmo[0] < 11 && !HasHeavyWeapon(kKnowTruth) && !observer)
        AddSoundEffectVoice(kVoiceLowAmmo, 20 - mAmmo[0], 0.5f, 5.0f);
    if (!HasFunctioningWeapon()) {
        mLoadTime = 0.0f;
        mAimTime = 0.0f;
        mMissionLive = false;
        gPacket = true;
        return;
    }
    bool buttoned = false;
    CanChangeButtonStatus(&buttoned);
    if ((mUnitType == kUnitInfantry && IsSupportWeapon(false)) ||
        (mUnitType == kUnitVehicle && !buttoned && HasHeavyWeapon(kKnowTruth)))
        AddSoundEffectVoice(kVoiceFiring, 10, 0.5f, 3.0f);
}

void Unit::ShoutFireOrders() {
    if (!mTarget) return;
    bool buttoned = false;
    CanChangeButtonStatus(&buttoned);
    if (!(mUnitType == kUnitInfantry || (mUnitType == kUnitVehicle && !buttoned))) return;
    Unit* t = mTarget;
    VoiceType voice = 5;
    if (t->mUnitType == kUnitVehicle && gVehicleData[t->mSubtype].mMobilityClass != kFixedMobility)
        voice = static_cast<Vehicle*>(t)->ConsideredTankForVoiceEffects(kKnowEnemy) ? 8 : 9; // a tank, or not
    else if (t->mUnitType == kUnitInfantry)
        voice = t->HasOrdnance(false, false) ? 6 : 7; // a gun crew, or soldiers
    ActionPacket* packet = AddSoundEffectVoice(voice, 15, 0.0f, 1.5f);
    if (packet) {
        int32_t slice = packet->mTimeSlice - kShoutLead;
        packet->mTimeSlice = static_cast<int16_t>(slice < 1 ? 1 : slice);
    }
}

void Unit::EscapeFromFire() {
    SpeedClass speed = GetSpeedClass();
    if (speed < kSpeedHeavy) {
        // Too slow to run: the crew leaves its weapon.
        mGunKnockedOut = true;
        BailOut(true, true);
        gPacket = true;
        return;
    }
    constexpr float kDegToRad = static_cast<float>(M_PI / 180.0);
    for (int32_t r = 10; r <= 2000; r += 10) {
        float theta = static_cast<float>(RandomFraction() * 360.0) * kDegToRad;
        float x = mX + static_cast<float>(r) * std::cos(theta);
        float y = mY + static_cast<float>(r) * std::sin(theta);
        if (!CanOccupyLocation(x, y, true)) continue;
        mHiding = false;
        mNrWaypoints = 0;
        mCommandDelay = 0.0f;
        int32_t order =
            mUnitType == kUnitVehicle || speed != kSpeedUnencumbered ? kOrderEscapeMove : kOrderEscapeOnFoot;
        ReceiveMoveOrders(x, y, order, nullptr, true, false, false, false);
        return;
    }
}

bool Unit::IsForwardObserver() {
    if (mUnitType != kUnitInfantry) return false;
    WeaponType heavy = gInfantryData[mSubtype].mHeavyWeapon;
    return heavy != kWeaponNone && gWeaponData[heavy].mClass == kWClassIndirect;
}

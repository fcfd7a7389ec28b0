// Close-range throws (hand grenades, thrown anti-tank weapons, explosive
// charges at up to 40 m), engineers clearing spotted enemy mines within
// 25 m, and the forward observer's fire mission: a count-down to the fire
// for effect, spotting rounds at the half-minute marks and an aiming error
// that shrinks with experience.
//
// Thrown weapons become delayed attacks: flight trunc(d x 2.857143) slices,
// landing 60 slices later for an anti-tank weapon, 140 for the rest.

#include <cmath>
#include <cstdlib>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "units/FireShared.h"
#include "units/Inanimate.h"
#include "units/InfantryConduct.h"
#include "units/Vehicle.h"

using namespace infantry;

namespace {

constexpr WeaponType kGrenade = 256;
constexpr WeaponType kGrenadeOpenTop = 257;
constexpr WeaponType kDemoCharge = 258;
constexpr WeaponType kDemoChargeOpenTop = 259;
constexpr WeaponType kCharge = 260;
constexpr WeaponType kChargeOpenTop = 261;
constexpr WeaponType kThrownAT264 = 264;
constexpr int32_t kSoundThrownAT = 17;
constexpr VoiceType kVoiceGrenade = 16;
constexpr float kSlicesPerMetre = 2.857143f;
constexpr InanimateType kMineAP = 4;
constexpr InanimateType kMineDaisyChain = 6;

enum class Throw { kNone, kCharge, kAntitank, kGrenade };

void StartThrowAnimation(Infantry* u) {
    u->mFiringAnimTime = 1.5f;
    if (u->mMoveSpeed != kPaceFast) {
        const bool moving = u->mPlaybackSpeed != 0.0f || (u->mZ > 0.0f && u->mZ < 1.0f);
        u->mAnimation[0] = moving ? 9 : 10;
    }
    u->mHiding = false;
}

Map* SideMap() {
    return BattleMapOrNull();
}

void FireMissionHook(Unit* observer) {
    if (observer && observer->mUnitType == kUnitInfantry)
        static_cast<Infantry*>(observer)->FireOffboardArtillery();
}

struct HookInstaller {
    HookInstaller() { gInfantryHooks.fireOffboardArtillery = FireMissionHook; }
} sHookInstaller;

} // namespace

void Infantry::Grenades() {
    if (!((mTarget && (mGrenades > 0 || mAntitankShots > 0)) || mExplosives > 0)) return;
    if (mFiringAnimTime != 0.0f) return;
    Unit* t = mTarget;
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    if (t) {
        if (!t->mActive || t->mSurrendered) return;
        px = t->mX;
        py = t->mY;
        pz = t->GetZ();
    } else if (mAreaTarget) {
        px = mAreaTargetX;
        py = mAreaTargetY;
        pz = GetTargetXYZ_helper();
    } else {
        return;
    }
    const float dx = px - mX, dy = py - mY;
    if (std::fabs(dx) > 40.0f || std::fabs(dy) > 40.0f) return;
    const float up = pz - GetZ();
    const float d = std::sqrt(dx * dx + dy * dy + (up > 0.0f ? up * up : 0.0f));
    if (d > 40.0f) return;
    if (t ? !CanSee(t, nullptr) : !CanSeeLocation(px, py)) return;

    const bool armoured = t && t->IsArmoredVehicle(kKnowTruth, false);
    Vehicle* v = fire::AsVehicle(t);
    const bool fixed = armoured && v && v->IsFixed();
    const bool demo = UsesDemoCharge();
    const WeaponType at = mAntitankWeapon;

    Throw kind = Throw::kNone;
    float p = 0.0f;
    const bool infantryTarget = t && t->mUnitType == kUnitInfantry;
    if (mExplosives > 0 && d <= 30.0f && mPlaybackSpeed == 0.0f &&
        !(armoured && !demo && mAntitankShots > 0 && (at == 262 || at == 265)) &&
        (!t || !infantryTarget || (t->InGoodOrder() && mGrenades < 10))) {
        kind = Throw::kCharge;
        p = (1.4f - d * 0.0133333f) * (demo ? 0.0015f : 0.001f);
    } else if (mAntitankShots > 0 && armoured &&
               (at == 262 || at == 263 || ((at == 265 || at == 264) && !fixed))) {
        kind = Throw::kAntitank;
        if (at == 264)
            p = (1.2f - d * 0.0066667f) * 0.001f;
        else if (at == 265)
            p = (2.0f - d * 0.06f) * 0.001f;
        else
            p = (1.4f - d * 0.0133333f) * 0.0015f;
    } else if (mGrenades > 0 && t) {
        kind = Throw::kGrenade;
        const float q = std::fmin(1.5f - d * 0.025f, 1.0f);
        p = armoured ? q * 0.000075f * 7.0f : static_cast<float>(mGrenades + 8) * q * 0.000075f;
    }
    if (kind == Throw::kNone) return;

    if (t) {
        const float speed = std::fabs(40.0f * t->mPlaybackSpeed);
        p *= (1.0f - 0.007f * std::fmin(mSuppression, 110.0f)) * (1.0f - speed * 0.2222222f);
        if (demo)
            p *= fixed ? 3.0f : 1.5f;
        else if (IsTankHunter())
            p *= fixed ? 1.0f : 3.0f;
    }
    const bool openTop = armoured && v && v->OpenTopStatus() == 0;
    if (kind == Throw::kGrenade && openTop) {
        p *= static_cast<float>(GetEffectiveExperience(kLeadCombat)) * 0.12f + 0.36f;
        if (fixed) p *= 0.5f;
    }
    const double u = RandomFraction();
    auto* list = gBattle ? gBattle->mUnits : nullptr;
    if (!(u < p)) return;
    if (!armoured && list && list->LivingUnitIsNearby(px, py, GetAffiliation(), 7.0f, nullptr)) return;

    WeaponType weapon = kGrenade;
    WeaponClass cls = kWClassSpecial;
    if (kind == Throw::kCharge) {
        --mExplosives;
        weapon = demo ? (openTop ? kDemoChargeOpenTop : kDemoCharge) : (openTop ? kChargeOpenTop : kCharge);
    } else if (kind == Throw::kAntitank) {
        --mAntitankShots;
        weapon = at;
        if (at == kThrownAT264) cls = kWClassAT;
    } else {
        --mGrenades;
        weapon = openTop ? kGrenadeOpenTop : kGrenade;
    }
    int32_t flight = static_cast<int32_t>(d * kSlicesPerMetre);
    if (kind == Throw::kCharge) flight = static_cast<int32_t>(static_cast<float>(flight) * 1.4f);
    const int32_t delay = flight + (kind == Throw::kAntitank ? 60 : 140);
    ActionPacket* packet = PrepareAnimatedShell(cls, weapon, flight, 60, d);
    OtherAttack(packet, cls, weapon, 0, 0, flight, delay, px, py, pz);
    StartThrowAnimation(this);
    if (weapon == kThrownAT264) {
        if (ActionPacket* s = AddSoundEffect(kSoundThrownAT))
            s->mTimeSlice = static_cast<int16_t>(s->mTimeSlice + delay);
    } else if (kind == Throw::kGrenade && infantryTarget) {
        AddSoundEffectVoice(kVoiceGrenade, MenLeft(this) * 5, 2.5f,
                            static_cast<float>(delay) * 0.025f + 1.5f);
    }
    gPacket = true;
}

void Infantry::ClearMines() {
    if (mFiringAnimTime != 0.0f) return;
    const double p = MenLeft(this) * 0.1 * (1.0 - 0.008 * mSuppression) * 0.8 / 2400.0;
    if (!(RandomFraction() < p)) return;
    GList* units = AllUnits();
    auto* m = units ? static_cast<Unit*>(units->Find(IsClearableMine, this)) : nullptr;
    if (!m) return;
    int32_t delay = 0;
    if (m->mSubtype != kMineDaisyChain) {
        if (mExplosives <= 0 || !UsesDemoCharge()) return;
        if (RandomPair() % 5u > 1u) return;
        Unit* saved = mTarget;
        mTarget = m;
        --mExplosives;
        const float d = fire::Distance3(mX, mY, GetZ(), m->mX, m->mY, m->GetZ());
        const int32_t flight = static_cast<int32_t>(d * 1.4f * kSlicesPerMetre);
        delay = flight + 140;
        ActionPacket* packet = PrepareAnimatedShell(kWClassSpecial, kDemoCharge, flight, 60, d);
        OtherAttack(packet, kWClassSpecial, kDemoCharge, 0, 0, flight, delay, m->mX, m->mY, m->GetZ());
        StartThrowAnimation(this);
        mTarget = saved;
        gPacket = true;
    }
    m->mActive = false;
    if (ActionPacket* gone = m->FillPacket())
        gone->mTimeSlice = static_cast<int16_t>(gone->mTimeSlice + delay + 40);
}

bool Infantry::IsClearableMine(GObject* member, void* context) {
    auto* m = static_cast<Unit*>(member);
    auto* e = static_cast<Infantry*>(context);
    if (m->mUnitType != kUnitInanimate || !m->mActive || m->mContactLevel <= 0 || m->mSide == e->mSide)
        return false;
    if (m->mSubtype < kMineAP || m->mSubtype > kMineDaisyChain) return false;
    const float dx = m->mX - e->mX, dy = m->mY - e->mY;
    return std::fabs(dx) <= 25.0f && std::fabs(dy) <= 25.0f && dx * dx + dy * dy <= 625.0f;
}

void Infantry::FireOffboardArtillery() {
    if (mLoadTime > 0.0f) {
        CountDown(&mLoadTime);
        return;
    }
    const int32_t m0 = static_cast<int32_t>(mAimTime) / 30;
    CountDown(&mAimTime);
    mIsMoving = false;
    const WeaponType w = Record().mHeavyWeapon;
    if (mAimTime == 0.0f) {
        mExtraArtilleryMinutes = 0; // the mission fires: its added minutes are spent
        AmmoClass a = kAmmoNone;
        if (AIWantsToFire(&a)) {
            const int32_t volleys = Record().mVolleys == 0 ? 4 : Record().mVolleys;
            // Every shell spends a main (class 0) round, whatever class the
            // mission asks for: the volley ends when those run out.
            for (int32_t i = 0; i < volleys; ++i) {
                FireArty(a);
                if (mAmmo[kAmmoHE] == 0) break;
            }
        }
        return;
    }
    const int32_t size = w != kWeaponNone ? gWeaponData[w].mArtillerySize : 0;
    if (!((m0 == 0 && !mMissionLive) || m0 == 1 || (m0 == 2 && size >= 2))) return;
    const int32_t m1 = static_cast<int32_t>(mAimTime) / 30;
    Map* map = SideMap();
    const bool nearOwnMark =
        map && map->NearBoreSight(mAreaTargetX, mAreaTargetY, GetAffiliation() == kAllies);
    bool spotted = false;
    if (m1 < m0) {
        AmmoClass a = kAmmoNone;
        if (mTargetChanged && InGoodOrder() && mOffMapState == 0 &&
            (w == kWeaponNone || gWeaponData[w].mArtilleryMode != 3) && AIWantsToFire(&a) &&
            CanSeeLocation(mAreaTargetX, mAreaTargetY) && !nearOwnMark) {
            gFiringSpottingRound = true;
            FireArty(a);
            gFiringSpottingRound = false;
            spotted = true;
        }
    } else if (m0 != 0) {
        return;
    }
    if (!spotted && !mMissionLive && mTargetChanged && m0 > 0 && mFOErrorX == 0.0f && mFOErrorY == 0.0f &&
        !nearOwnMark)
        SetFOError(false);
    mMissionLive = true;
}

void Infantry::FireArty(AmmoClass a) {
    mAreaTargetX += mFOErrorX;
    mAreaTargetY += mFOErrorY;
    Fire(a, 0);
    mAreaTargetX -= mFOErrorX;
    mAreaTargetY -= mFOErrorY;
    const bool active = mActive;
    mActive = true;
    TickAmmo(kAmmoHE);
    mActive = active;
}

void Infantry::SetFOError(bool second) {
    const bool computer = PlayedByComputer();
    int32_t e = mExperience;
    const int32_t bonus = gBattle ? gBattle->mComputerBonus : 0;
    if (computer && bonus > 0) e = e + bonus > 8 ? 8 : e + bonus;
    const int32_t r = e < 3 ? 450 - 75 * e : 360 - 30 * e;
    const uint32_t span = static_cast<uint32_t>(2 * r + 1);
    auto draw = [&]() {
        const int32_t a = static_cast<int32_t>(RandomPair() % span) - r;
        const int32_t b = static_cast<int32_t>(RandomPair() % span) - r;
        int32_t v = a < b ? a : b;
        if (computer) v /= 2;
        if (second && RandomFraction() < 0.9) v /= 2;
        return static_cast<float>(v);
    };
    mFOErrorX = draw();
    mFOErrorY = draw();
}

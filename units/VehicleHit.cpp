// The two stages of a direct hit on a vehicle: where it strikes (stage
// one, which settles hits on the running gear and the gun) and what the
// shell does against the armour there (stage two).

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

float Fraction() {
    return static_cast<float>(RandomFraction());
}

bool Heads() {
    return RandomCoin() == 0;
}

bool IsKinetic(AmmoClass a) {
    return a == kAmmoAP || a == kAmmoTungsten || a == kAmmoAP75;
}

} // namespace

VehicleHitLocation Vehicle::HitStageOne(PendingAttack* a, VehicleAspect* outAspect, bool* goOn) {
    if (!a) return kHitUpperHull;
    const float x = a->mOriginX, y = a->mOriginY;
    float side = 0.0f;
    DetermineAttackAspect(x, y, false, true, &side);
    const VehicleAspect turretAspect = DetermineAttackAspect(x, y, true, true, nullptr);
    const bool hullDown = !a->mFromAircraft && HullDownToLocation(x, y);
    // The gun cannot be struck from behind the way it points.
    const VehicleAspect back = Data().mGunArc < 0 ? kAspectFront : kAspectRear;
    const bool gunExposed = turretAspect != back;
    VehicleHitLocation loc = DetermineHitLocation(a->mAmmoClass == kAmmoHE || a->mAmmoClass == kAmmoHE75,
                                                  hullDown, side, gunExposed, a->mHitChance, a);
    if (loc == kHitRunningGear || loc == kHitGun) {
        AddSoundEffectExplosion(0, a->mWeaponType, a->mAmmoClass, mX, mY);
        ResolveExternalDamage(a->GetFirepower(true, nullptr), loc, 1.0f);
        if (loc == kHitGun && mActive && !mButtoned && mBailOutCountdown < 0 &&
            CanChangeButtonStatus(nullptr))
            ChangeButton(true, 15);
        return loc;
    }
    if (loc == kHitLowerHull && !IsFixed()) {
        const float v = VerticalAngle(x, y, a->mOriginZ);
        if (v * 0.03f > Fraction()) loc = (Data().mHasTurretArmor && Heads()) ? kHitTurret : kHitUpperHull;
    }
    const VehicleAspect aspect =
        DetermineAttackAspect(x, y, loc == kHitTurret, !(IsFixed() && loc == kHitUpperHull), nullptr);
    if (outAspect) *outAspect = aspect;
    if (goOn) *goOn = true;
    return loc;
}

void Vehicle::HitStageTwo(PendingAttack* a, VehicleHitLocation loc, VehicleAspect aspect) {
    if (!a) return;
    loc = std::clamp(loc, kHitTurret, kHitHullDeck);
    // Roof and deck have one armour value each: a shell falling on them
    // comes with no aspect of its own.
    if (loc == kHitTurretRoof || loc == kHitHullDeck) aspect = kAspectFront;
    aspect = std::clamp(aspect, kAspectFront, kAspectRear);

    bool shattered = false, partial = false, face = false;
    float strength = 0.0f, ratio = 0.0f, energy = 0.0f, velocity = 0.0f, armour = 0.0f;
    int32_t hardness = 0;
    const bool through = DeterminePenetration(a, loc, aspect, &shattered, &partial, &strength, &ratio,
                                              &energy, &velocity, &hardness, &face, &armour);
    gArmorHitReport.mShotShattered = shattered;

    if (through) {
        gArmorHitReport.mPenetrationGrade = ratio < 1.15f ? 1 : 2;
        ResolveInternalDamage(a, loc, ratio, velocity, hardness, face, armour);
        AddSoundEffectExplosion(0, a->mWeaponType, a->mAmmoClass, mX, mY);
        if (gCreditKiller) gCreditKiller->ShoutTankHit(this, true);
    } else {
        if (mActive) {
            float k = GetBasicKill(a->mWeaponType, a->mWeaponClass, a->mAmmoClass, 1.5f, velocity);
            if (partial) k *= strength;
            float s = 375.0f * k + 12.5f;
            if (partial) {
                const bool crew = loc == kHitTurret || (loc == kHitUpperHull && (!HasTurret() || Heads()));
                const int32_t n = Data().mCrew;
                // A record without crew takes no crew share.
                const float share = n > 0 ? 0.8f * k / static_cast<float>(n) : 0.0f;
                ApplyInternalDamage(false, false, false, share, crew, true, 0.5f, 0.0f, false);
                gArmorHitReport.mPartialPenetration = true;
                s *= 0.5f;
            } else {
                const float r = ratio;
                s *= 0.082512f + 0.216129f * r - 0.88774f * r * r + 2.04875f * r * r * r -
                     1.16034f * r * r * r * r;
            }
            AddVehicleSuppression(s, true, false);
        }
        if (IsKinetic(a->mAmmoClass)) {
            gArmorHitReport.mShotBounced = !shattered;
            if (shattered && Heads()) shattered = false;
            const float e = Heads() ? 1.0f + 1.5f * Fraction() : 0.4f + 0.6f * Fraction();
            const float loud = e * energy;
            const int32_t step = loud > 48000000.0f ? 3 : loud > 21500000.0f ? 2 : loud > 3600000.0f ? 1 : 0;
            if (ActionPacket* p = AddSoundEffect(shattered ? 23 : 22)) p->mSoundNumber += step;
            if (a->mPacket) {
                a->mPacket->mShellFlags &= static_cast<uint8_t>(~0x03u);
                if (sMakeRicochetPacket) sMakeRicochetPacket(a->mPacket, shattered);
            }
        } else {
            const float fp = 0.35f * a->GetFirepower(false, nullptr);
            const bool frontGun =
                aspect == kAspectFront && (loc == kHitTurret || (loc == kHitUpperHull && !HasTurret()));
            TakeAreaBlastVsArmor(fp, a, false, 0, frontGun ? 2 : 0, loc == kHitLowerHull ? 2 : 0);
            CrewTakeAreaHit(fp, 0, false, false);
            AddSoundEffectExplosion(0, a->mWeaponType, a->mAmmoClass, mX, mY);
            if (gCreditKiller) gCreditKiller->ShoutTankHit(this, false);
        }
        // A tank that is shot at and not yet shaken makes its attacker duck.
        if (gCreditKiller && gCreditKiller->mUnitType == kUnitVehicle && (mTarget || mAreaTarget) &&
            mSuppression < 350.0f) {
            auto* attacker = static_cast<Vehicle*>(gCreditKiller);
            attacker->AddVehicleSuppression(80.0f, false, false);
            attacker->mAlert = true;
        }
    }
    if (mActive && !mButtoned && mBailOutCountdown < 0 && CanChangeButtonStatus(nullptr))
        ChangeButton(true, 20);

    if (energy > 0.0f && gBattle) {
        ActionPacket* p = gBattle->CreateActionPacket(0);
        p->mType = kPacketSparks;
        p->mX = mX;
        p->mY = mY;
        p->mZ = GetZ();
        p->mEnergy = energy;
        const float tx = a->mAttacker ? a->mAttacker->mX : a->mOriginX;
        const float ty = a->mAttacker ? a->mAttacker->mY : a->mOriginY;
        p->mHeading = Clamp360(GetHeadingFromXY(tx - mX, ty - mY));
        const bool seen = IsSpottedNow();
        p->mSparkFlags =
            static_cast<uint8_t>(((IsAxis() || seen) ? 0x01 : 0) | ((!IsAxis() || seen) ? 0x02 : 0));
    }
}

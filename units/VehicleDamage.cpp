// What a decided hit does to a vehicle: the kill chance of a penetration,
// crew and rider losses, fire and explosion, damage to the gun and the
// running gear, suppression, overturning by a blast and the bail-out.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

ArmorHitReport gArmorHitReport;
void (*Vehicle::sMakeRicochetPacket)(ActionPacket* shell, bool shattered) = nullptr;

namespace {

bool IsSpecialWeapon(WeaponType w) {
    return w == 257 || w == 259 || w == 261 || w == 262 || w == 263 || w == 265;
}

float Fraction() {
    return static_cast<float>(RandomFraction());
}

bool Heads() {
    return RandomCoin() == 0;
}

// A rider's share of a hit on its carrier.
void PassengerHit(Unit* passenger, float chance) {
    if (passenger && passenger->mUnitType == kUnitInfantry)
        static_cast<Infantry*>(passenger)->TakeInternalPassengerHit(chance);
}

float KillMultiplier(WeaponType w) {
    const float k = w >= 0 && w < kWeaponCount ? gWeaponData[w].mKillMultiplier : 0.0f;
    return std::max(1.0f, k);
}

float ShellMassOf(WeaponType w, AmmoClass a) {
    return gAmmoData[AmmoTypeInUse(0, w, a, nullptr)].mShellMass;
}

} // namespace

float Vehicle::GetBasicKill(WeaponType weapon, WeaponClass wclass, AmmoClass ammo, float overmatch,
                            float velocity) {
    const float n = std::isfinite(overmatch) ? std::clamp(overmatch, 1.0f, 999.0f) : 1.0f;
    const bool hollow = ammo == kAmmoHEAT;
    float q = hollow ? (n - 1.0f) * 2000.0f / n : (n - 1.0f) * velocity / n;
    q = std::clamp(q, 0.0f, 1500.0f);
    const float m = ShellMassOf(weapon, ammo);
    float x = (std::min(n, 1.25f) - 1.0f) * 4.0f * m;
    if (wclass == kWClassTwinGun) x *= 4.0f * KillMultiplier(weapon);
    float k1 = x > 0.0f ? static_cast<float>(std::pow(static_cast<double>(x), 0.63)) : 0.0f;
    const VehicleData& d = Data();
    if (IsFixed() && d.mWeight >= 110) k1 = std::max(k1 - 1.5f, 0.25f * k1);
    const float w = std::clamp(static_cast<float>(d.mWeight), 5.0f, 75.0f);
    const float k2 = static_cast<float>(std::pow(static_cast<double>(w), -0.4));
    float kill = 0.0085f * std::sqrt(q) * k1 * k2;
    if (!IsArmoredVehicle(kKnowTruth, false)) kill *= 0.7f;
    if (hollow && !IsFixed()) kill *= 0.75f;
    return std::isfinite(kill) ? kill : 0.0f;
}

void Vehicle::ResolveInternalDamage(PendingAttack* a, VehicleHitLocation loc, float penRatio, float velocity,
                                    int32_t hardness, bool faceHardened, float armour) {
    if (!a) return;
    const VehicleData& d = Data();
    const WeaponType wt = a->mWeaponType;
    const WeaponClass wc = a->mWeaponClass;
    const AmmoClass ammo = a->mAmmoClass;
    const bool hollow = ammo == kAmmoHEAT;

    // 1. The sound of the penetration, louder the more energy went through.
    if (wc != kWClassFlame && wc != kWClassAT) {
        const float f = Heads() ? 0.667f + 0.333f * Fraction() : 1.0f + 0.5f * Fraction();
        const float e = (penRatio + 1.0f) * armour * 0.5f * f;
        const int32_t band = e > 140.0f   ? 7
                             : e > 110.0f ? 6
                             : e > 80.0f  ? 5
                             : e > 55.0f  ? 4
                             : e > 33.0f  ? 3
                             : e > 13.0f  ? 2
                             : e > 7.0f   ? 1
                                          : 0;
        if (ActionPacket* p = AddSoundEffect(24)) p->mSoundNumber += band;
    }
    // 2. Roof and deck hits reach the turret or the hull inside.
    if (loc == kHitTurretRoof) loc = HasTurret() ? kHitTurret : kHitUpperHull;
    if (loc == kHitHullDeck) loc = kHitUpperHull;
    // 3. A penetration may empty the flamethrower: the flame guns' load,
    //    and the fuel of a flame gun that is the main weapon.
    if (d.mFlags & kVFlameLostOnPenetration) {
        mMGRounds[2] = 0;
        if (d.mMainWeapon != kWeaponNone && gWeaponData[d.mMainWeapon].mClass == kWClassFlame)
            mAmmo[0] = 0;
    }
    // 4.
    const int32_t c = std::clamp<int32_t>(d.mCrew, 3, 5);

    bool killed = false, turretHit = false;
    float kill, casualty;
    const bool special = IsSpecialWeapon(wt);
    if (special) {
        // 5. Charges and mines placed by hand.
        float b;
        switch (wt) {
        case 257:
            kill = 0.05f, b = 0.6f;
            break;
        case 261:
            kill = 0.2f, b = 0.8f;
            break;
        case 265:
            kill = 0.75f, b = 0.15f;
            break;
        default:
            kill = 0.5f, b = 0.9f;
            break;
        }
        if (mImmobile) kill += 0.15f;
        if (Fraction() < kill) {
            killed = true;
        } else if (Fraction() < b && !mImmobile) {
            ApplyDamage(kHitRunningGear);
        }
        casualty = 1.0f / static_cast<float>(c);
        turretHit = RandomPick(3) <= 1;
    } else {
        // 6. Kill, or damage to a part.
        turretHit = loc == kHitTurret;
        kill = GetBasicKill(wt, wc, ammo, penRatio, velocity);
        if (wt == 256) kill = std::min(kill, 0.7f);
        if (Fraction() < kill) {
            killed = true;
        } else if (Fraction() < kill) {
            const bool gun = loc == kHitTurret || (loc == kHitUpperHull && !HasTurret()) ||
                             (loc == kHitUpperHull && HasTurret() && Heads());
            if (gun) {
                if (mWeaponKnockedOut)
                    killed = RandomPick(3) == 0;
                else
                    ApplyDamage(kHitGun);
            } else {
                if (mImmobile)
                    killed = RandomPick(3) == 0;
                else
                    ApplyDamage(kHitRunningGear);
            }
        }
        // 7. The chance that each crew member is lost.
        const float r = std::max(penRatio, 1.0f);
        const float w = wc == kWClassTwinGun ? 4.0f * KillMultiplier(wt) : 1.0f;
        const float v = hollow ? 500.0f : std::min(500.0f, std::max(0.0f, (r - 1.0f) * velocity / r));
        float mass = w * ShellMassOf(wt, ammo);
        if (hollow) mass *= 0.5f;
        const double over = std::max(0.0, (std::min(r, 1.25f) - 1.0) * 4.0 * mass);
        const float fragments = std::min(1.0f, static_cast<float>(std::pow(over, 0.25) * 0.0015 * v));
        const float s = std::clamp(static_cast<float>(d.mWeight), 5.0f, 75.0f);
        const float k = static_cast<float>(std::pow(static_cast<double>(s), -0.4));
        // A record without crew takes no crew share (it would divide by 0).
        const float crewPart = d.mCrew > 0 ? 0.7f * fragments * k / static_cast<float>(d.mCrew) : 0.0f;
        const AmmoType at = AmmoTypeInUse(0, wt, ammo, nullptr);
        const ShellType shell = gAmmoData[at].mShellType;
        float e = 0.0f;
        if (hollow)
            e = 0.0f;
        else if (ammo == kAmmoHE || ammo == kAmmoHE75)
            e = gAmmoData[at].mExplosiveFill;
        else if (shell == 3 || shell == 7 || shell == 10)
            e = 0.01f;
        else if ((ammo == kAmmoAP || ammo == kAmmoAP75) && shell != 1 && shell != 9)
            e = 0.0025f;
        const float blast = static_cast<float>(std::pow(std::max(0.0, 100.0 * e), 0.55));
        const float p = r < 1.3f ? 6.66667f * r * r - 12.3333f * r + 5.76667f : 1.0f;
        const float energy = mass * blast * p;
        int32_t h = hollow ? 450 : std::clamp(hardness, 240, 450);
        if (faceHardened && !hollow) h = std::min(h + 100, 450);
        const float hv = 0.00663f * static_cast<float>(h) - 0.5912f;
        const float rr = r < 1.25f ? 3.0f * r - 2.75f : 1.0f;
        float calibre = wt >= 0 && wt < kWeaponCount ? gWeaponData[wt].mCalibre : 0.0f;
        if (hollow)
            calibre *= 0.7f;
        else if (ammo == kAmmoTungsten)
            calibre *= 0.571f;
        const float spall = calibre * calibre * 3.5e-5f * armour * hv * rr * w;
        const float z = s <= 10.0f ? 1.0f : 7.5f / s + 0.25f;
        const float t = (energy + spall) * 0.015f * z;
        casualty = 1.0f - (1.0f - t) * (1.0f - crewPart);
        if (IsFixed() && penRatio < 5.0f) casualty = 0.0f;
        if (!std::isfinite(casualty)) casualty = 0.0f;
    }

    // 8. Fire and explosion.
    bool burning = false, exploded = false;
    if (killed && !IsFixed()) {
        if (wc == kWClassAT) {
            burning = true;
        } else {
            float g = 1.0f;
            if (!special) {
                const ShellType shell = gAmmoData[AmmoTypeInUse(0, wt, ammo, nullptr)].mShellType;
                if (hollow)
                    g = 2.1f;
                else if (ammo == kAmmoHE || ammo == kAmmoHE75)
                    g = 3.0f;
                else if (shell == 3 || shell == 7 || shell == 10)
                    g = 1.5f;
                else if ((ammo == kAmmoAP || ammo == kAmmoAP75) && shell != 1 && shell != 9)
                    g = 1.2f;
            }
            const bool heavy = HasHeavyWeapon(kKnowTruth);
            float p = g * std::sqrt(std::max(kill, 0.0f)) * 0.5f;
            if (d.mFlags & kVFlammable) p *= 2.5f;
            if (d.mFlags & kVDiesel) p *= 0.8f;
            if (!heavy) p *= 0.5f;
            p = std::min(p, 0.9f);
            if (Fraction() < p) {
                burning = true;
                float x = heavy ? 0.333f : 0.2f;
                if (kill > 0.8f) x *= (kill - 0.8f) * 2.3f + 1.0f;
                exploded = Fraction() < x;
            }
        }
    }

    // 9. How much of the crew the hit costs.
    float amount;
    if (killed && exploded) {
        amount = 1.0f;
    } else if (burning) {
        amount = std::max(2.1f / static_cast<float>(c + 1), casualty);
    } else if (!killed && special) {
        amount = 0.0f;
    } else {
        amount = casualty;
        if (!special && !IsFixed()) {
            if (turretHit) amount *= 1.5f;
            if (OpenTopStatus(kKnowTruth) == 2) amount *= 1.5f;
        }
    }
    if (IsFixed()) amount *= 0.667f;

    // 10.
    ApplyInternalDamage(killed, burning, exploded, amount, turretHit, false, 1.0f, kill, special);
}

void Vehicle::ApplyInternalDamage(bool killed, bool burning, bool exploded, float casualtyChance,
                                  bool turretHit, bool oneMan, float bailFactor, float kill, bool special) {
    const VehicleData& d = Data();
    if (!std::isfinite(casualtyChance)) casualtyChance = 0.0f;
    // 1. Fire.
    if (burning) {
        mBurning = true;
        killed = true;
        mHitStamp = gBattle ? gBattle->mTurn * kSlicesPerTurn + std::max(gBattle->mTimeSlice, 0) : 0;
    }
    if (d.mKind == 5) {
        burning = exploded = false;
        mBurning = false;
    }
    // 2. A killing hit or fire wrecks it; a crew that only leaves does not.
    if (killed) mKnockedOut = mDestroyed = true;

    // 3. Crew losses.
    const int32_t before = mCasualties;
    const int32_t survivors = d.mCrew - mCasualties;
    if (survivors > 0) {
        const int32_t n = oneMan ? 1 : survivors;
        int32_t lost = 0;
        for (int32_t i = 0; i < n; ++i)
            if (Fraction() < casualtyChance) ++lost;
        if (lost > 0) {
            CountUnseenLosses(lost);
            mCasualties += lost;
            const int32_t left = d.mCrew - mCasualties;
            if (turretHit || left == 1) {
                mCrewShockTime = 30.0f;
                mTurretRate = 0.0f;
            }
            if (!turretHit) {
                mDriverShockTime = 30.0f;
                JerkSteeringWheel();
            }
            if (left <= 0) {
                killed = true;
                mKnockedOut = mDestroyed = true;
            }
            if (!mButtoned || OpenTopStatus(kKnowTruth) > 0) {
                for (int32_t i = 0; i < lost; ++i) {
                    const VoiceType voice = (burning && Heads()) ? 19 : 18;
                    AddSoundEffectVoice(voice, 100, 0.0f, 1.0f);
                }
            }
        }
    }
    const bool rose = mCasualties > before;
    if (!oneMan) {
        for (int32_t i = 1; i >= 0; --i) {
            Unit* p = mPassengers[i];
            if (!p) continue;
            if (exploded)
                PassengerHit(p, 1.0f);
            else if (p->IsPassenger(true))
                PassengerHit(p, casualtyChance);
        }
    }

    // 4. Whether the crew bails out.
    bool bail = killed;
    if (!bail && mCasualties >= (IsFixed() ? 3 : 2)) bail = true;
    if (!bail && !oneMan && !IsFixed() && rose) {
        if (Fraction() < bailFactor || !IsArmoredVehicle(kKnowTruth, false)) {
            int32_t x = GetEffectiveExperience(0);
            if (mWeaponKnockedOut) x -= 1;
            if (mImmobile) x -= 2;
            bail = Fraction() < 0.6563f - 0.1138f * static_cast<float>(x);
        }
    }

    // 5, 6.
    const bool nobody = d.mCrew - mCasualties <= 0;
    if (!exploded) {
        if (nobody) {
            Die();
        } else if (bail) {
            if (!mBurning && d.mKind != 5 && !special)
                BeginToBailOut(kill, true);
            else
                BailOut(true, true);
        } else if (rose) {
            CancelTarget(false, false);
        }
    } else {
        Die();
    }

    // 7. The crew shuts the hatches.
    if (!(killed && burning)) {
        if (mActive && !mButtoned && CanChangeButtonStatus(nullptr)) {
            bool shut = rose;
            if (!shut) {
                const float threshold =
                    HasHeavyWeapon(kKnowTruth) ? 0.005f + 0.03f * Fraction() : 0.12f + 0.1f * Fraction();
                shut = casualtyChance > threshold;
            }
            if (shut) ChangeButton(true, 75);
        }
    } else {
        // 8. The fire, and an explosion that reaches what stands around.
        AddSoundEffect(5);
        if (exploded) {
            AddSoundEffectExplosion(0, kWeaponNone, kAmmoHE, mX, mY);
            if (gBattle) {
                const float z = GetZ();
                ActionPacket* p = gBattle->CreateActionPacket(0);
                p->mType = kPacketShell;
                p->mX = p->mEndX = mX;
                p->mY = p->mEndY = mY;
                p->mZ = p->mEndZ = z;
                p->mFirer = this;
                p->mTarget = this;
                p->mBlast = 50.0f + 20.0f * Fraction();
                p->mShellFlags = mDugIn ? 0 : 1;
                // The hit may be resolved inside the battle's walk of its
                // attacks: the explosion joins the new ones and is made a real
                // burst of the vehicle itself, above ground (no crater).
                PendingAttack* s = gBattle->CreatePendingAttack(this, this, 1, IsAxis(), true);
                if (s) {
                    s->mLOSRefreshOnly = false;
                    s->mAboveGround = true;
                    s->mOriginX = s->mImpactX = mX;
                    s->mOriginY = s->mImpactY = mY;
                    s->mOriginZ = s->mImpactZ = z + 1.5f;
                    s->mWeaponClass = kWClassGun;
                    s->mWeaponType = IsArmoredVehicle(kKnowTruth, false) ? 144 : 135;
                    s->mAmmoClass = kAmmoHE;
                    s->mAttackerIsAxis = IsAxis();
                }
            }
        }
    }

    // 9.
    if (mActive && mBailOutCountdown < 0 && kill > 0.0f)
        AddVehicleSuppression(360.0f * std::max(2.0f * casualtyChance, kill) + 40.0f, true, true);
    // 10.
    mAlert = true;
    // What the hit did (a crew leaving, fire, shock, hatches) goes into the
    // vehicle's next packet, also for a shell that lands after the last slice:
    // the replay sets the vehicle's state from its packets.
    mPacketDirty = true;
}

void Vehicle::ApplyDamage(VehicleHitLocation loc) {
    bool fresh = false;
    if (loc == kHitRunningGear) {
        if (!mImmobile) {
            mImmobile = true;
            mNrWaypoints = 0;
            if (mActive) AddSoundEffect(21);
            gArmorHitReport.mHitImmobilized = true;
            fresh = true;
        }
    } else if (!mWeaponKnockedOut) {
        mWeaponKnockedOut = true;
        mMainGunOut = true; // the main gun holds its fire for good
        mUseMainGun = false;
        mTurretRate = 0.0f;
        CancelTarget(false, false);
        gArmorHitReport.mHitGunDamaged = true;
        fresh = true;
    }
    if (fresh) {
        AddVehicleSuppression(50.0f, true, false);
        mPacketDirty = true;
    }
    mAlert = true;
}

void Vehicle::ResolveExternalDamage(float firepower, VehicleHitLocation loc, float factor) {
    float w = std::max(0.0f, static_cast<float>(Data().mWeight));
    if (loc == kHitRunningGear) w = std::min(w, 50.0f);
    float p = firepower * 1.4f / (w + 70.0f) * factor;
    if (loc == kHitRunningGear)
        ModifyByDriveVulnerability(&p, false, false);
    else
        p *= 0.3f;
    if (Fraction() < p) ApplyDamage(loc);
}

void Vehicle::AddVehicleSuppression(float a, bool hit, bool severe) {
    if (Data().mKind == 5 || !std::isfinite(a)) return;
    if (hit) {
        mFearFlagA = true;
        mFearClock = std::min(mFearClock, 80);
        if (mCasualties > 0) a = (severe || a > 100.0f) ? 2.0f * a + 100.0f : 3.0f * a;
        if (mImmobile) a = (severe || a > 12.5f) ? 2.0f * a + 50.0f : 6.0f * a;
        if (mWeaponKnockedOut) a = (severe || a > 25.0f) ? 2.0f * a + 50.0f : 4.0f * a;
    }
    a *= 0.5f + Fraction();
    const float e = static_cast<float>(GetEffectiveExperience(0));
    const float old = mSuppression;
    const float now = old + 2.7502f * std::exp(-0.33723f * e) * a;
    SetSuppression(now, false);
    if (old < 350.0f && mSuppression >= 350.0f) {
        mFearFlagB = true;
        mFearFlagA = true;
        mFearClock = std::min(mFearClock / 2, 80);
    }
    gPacket = true;
}

bool Vehicle::DetermineFlip(PendingAttack* a) {
    if (!a) return false;
    const float dx = a->mImpactX - mX, dy = a->mImpactY - mY;
    const float d = std::max(3.0f, std::sqrt(dx * dx + dy * dy));
    float f = BlastPower(a->mWeaponType, a->mAmmoClass) * 1.44f / static_cast<float>(std::pow(d, 2.4));
    if (a->mTarget == this && (a->mWeaponClass == kWClassGun || a->mWeaponClass == kWClassTwinGun))
        f *= 0.6667f;
    f *= 0.75f + 0.5f * Fraction();
    return static_cast<float>(Data().mWeight) <= f;
}

void Vehicle::Flip() {
    if (IsFixed())
        mBurning = true;
    else if (!mBurning)
        mFlipped = true;
    const int32_t survivors = Data().mCrew - mCasualties;
    const int32_t before = mCasualties;
    for (int32_t i = 0; i < survivors; ++i)
        if (Fraction() < 0.5f) ++mCasualties;
    CountUnseenLosses(mCasualties - before);
    for (int32_t i = 1; i >= 0; --i)
        if (mPassengers[i]) PassengerHit(mPassengers[i], 0.5f);
    mKnockedOut = mDestroyed = true;
    BailOut(true, true);
}

void Vehicle::BeginToBailOut(float kill, bool afterHit) {
    if (Data().mCrew - mCasualties <= 0) {
        Die();
        return;
    }
    int32_t d;
    if (!afterHit) {
        d = 5 + static_cast<int32_t>(RandomPick(61));
    } else {
        const double f = (RandomPick(39) + 1) * 0.1;
        d = static_cast<int32_t>(2.0 * f * f * f);
    }
    if (kill > 0.65f)
        d = static_cast<int32_t>((3.985507f * kill * kill - 8.576087f * kill + 4.89058f) *
                                 static_cast<float>(d));
    int32_t slices = (d + 5) * 40;
    if (!IsArmoredVehicle(kKnowTruth, false)) slices /= 3;
    if (mBailOutCountdown < 0) {
        mBailOutFlag = afterHit;
        mBailOutCountdown = slices;
        mCreditUnit = gCreditKiller;
    } else {
        mBailOutFlag = afterHit || mBailOutFlag;
        mBailOutCountdown = static_cast<int32_t>(
            std::min(static_cast<float>(slices), 0.6f * static_cast<float>(mBailOutCountdown)));
        if (!mCreditUnit && gCreditKiller) mCreditUnit = gCreditKiller;
    }
    mCrewShockTime = mDriverShockTime = 300.0f;
    mTurretRate = 0.0f;
    mAlert = true;
}

bool Vehicle::CanBeDamaged() {
    if (Unit::CanBeDamaged()) return true;
    return !mBurning && !mFlipped && !IsFixed() && IsArmoredVehicle(kKnowTruth, false);
}

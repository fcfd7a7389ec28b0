// Firing a shot: the shell packet, the attack, muzzle dust, noise and the
// aim and load bookkeeping after it.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/RuleContext.h"

using namespace fire;

namespace {
constexpr int32_t kTemperatureHot = 0;
constexpr int32_t kTemperatureWarm = 1;
constexpr int32_t kTemperatureFrosty = 4;
constexpr int32_t kTemperatureExtremeCold = 5;
constexpr VoiceType kVoiceJammed = 31;
constexpr int32_t kProjectileSlowLoading = 14;

void SetShellMode(ActionPacket* p, int32_t mode) {
    p->mShellFlags = static_cast<uint8_t>((p->mShellFlags & ~0x3) | (mode & 0x3));
}

bool IsGunClass(WeaponClass c) {
    return c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun || c == kWClassAT;
}

int32_t VisualKind(Unit* firer, WeaponClass c, WeaponType w, float distance) {
    const WeaponData& wd = gWeaponData[w];
    switch (c) {
    case kWClassSmallArms: {
        MGPenetration out = 0;
        float f = std::fmin(firer->SmallArmsFirepower(distance, &out, true, true), 300.0f);
        int32_t k = static_cast<int32_t>(2.0f + 0.06759f * f - 0.00009437f * f * f);
        return 20 + (k < 2 ? 2 : k > 14 ? 14 : k);
    }
    case kWClassLightAT:
        return (wd.mFlags & 0x4) ? 5 : 4;
    case kWClassTwinGun:
        return 8;
    case kWClassMortar:
        return 9;
    case kWClassIndirect:
        return 10;
    case kWClassFlame:
        return 18;
    case kWClassSniper:
        return 21;
    case kWClassSpecial:
        switch (w) {
        case 258:
        case 259:
            return 14;
        case 260:
        case 261:
            return 13;
        case 262:
            return 16;
        case 263:
            return 15;
        case 265:
            return 0;
        default:
            return firer->mSide == 0 ? 11 : 12;
        }
    case kWClassAT:
        return w == 264 ? 17 : 5;
    default: // class 2 and the classes above 9
        return (wd.mFlags & 0x1) ? 4 : 1;
    }
}

float TemperatureJamFactor(int32_t temperature) {
    switch (temperature) {
    case kTemperatureHot:
        return 3.0f;
    case kTemperatureWarm:
        return 1.5f;
    case kTemperatureFrosty:
        return 1.25f;
    case kTemperatureExtremeCold:
        return 2.0f;
    default:
        return 1.0f;
    }
}
} // namespace

ActionPacket* Unit::PrepareAnimatedShell(WeaponClass c, WeaponType w, int32_t flightTime, int32_t aimDelay,
                                         float distance) {
    if (!gBattle) return nullptr;
    ActionPacket* p = gBattle->CreateActionPacket(aimDelay);
    const bool vehicle = mUnitType == kUnitVehicle;
    p->mType = kPacketShell;
    p->mX = mX;
    p->mY = mY;
    p->mZ = GetZ();
    p->mFirer = this;
    p->mTarget = mTarget;
    p->mBlast = c == kWClassSmallArms || c == kWClassAT ? 0.02f : 0.0f;
    SetShellMode(p, c == kWClassFlame ? 0 : c == kWClassAT ? 2 : 1);
    if (c == kWClassFlame)
        p->mMuzzleHeight = vehicle && !mHastyFire ? 2.3f : 1.1f;
    else
        p->mMuzzleHeight = vehicle ? 2.25f : 1.0f;
    if (mTarget) {
        p->mEndX = mTarget->mX;
        p->mEndY = mTarget->mY;
        p->mEndZ = mTarget->GetZ();
    } else {
        p->mEndX = mAreaTargetX;
        p->mEndY = mAreaTargetY;
        p->mEndZ = GetTargetXYZ_helper();
    }
    int32_t slices = flightTime;
    if (c == kWClassTwinGun) slices *= 2;
    if (c == kWClassSmallArms) slices = static_cast<int32_t>(2.9f * static_cast<float>(flightTime));
    p->mFlightTime = static_cast<int16_t>(slices > 32767 ? 32767 : slices);
    p->mLook = static_cast<int16_t>(VisualKind(this, c, w, distance));
    p->mShellHit = 0;
    if (ShowShellToEnemy()) p->mShellFlags |= 0x04;
    return p;
}

void Unit::AdjustAimPoint(int32_t flightTime, float* x, float* y, float* z) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    const float fromZ = GetZ();
    auto offset = [&](float aimZ) {
        float bx = *x, by = *y, bz = aimZ;
        map->CheckFlightPath(flightTime, mX, mY, fromZ, &bx, &by, &bz);
        float dx = bx - *x, dy = by - *y, dz = bz - aimZ;
        return dx * dx + dy * dy + dz * dz;
    };
    float previous = offset(*z);
    if (previous <= 1.0f) return;
    float best = previous;
    float bestZ = *z;
    for (int32_t step = 1; step <= 20; ++step) {
        float tryZ = *z + 0.25f * static_cast<float>(step);
        float o = offset(tryZ);
        if (o <= 1.0f) {
            *z = tryZ;
            return;
        }
        if (o > previous) break;
        if (o < best) {
            best = o;
            bestZ = tryZ;
        }
        previous = o;
    }
    *z = bestZ;
}

void Unit::DeafenByFire(WeaponType w, WeaponClass c) {
    if (!gBattle) return;
    const float size = gWeaponData[w].mCalibre;
    int32_t amount = 0;
    switch (c) {
    case kWClassSmallArms:
        amount = 15000;
        break;
    case kWClassLightAT:
    case kWClassAT:
        amount = 3000;
        break;
    case kWClassGun:
        amount = static_cast<int32_t>(100.0f * size);
        break;
    case kWClassTwinGun:
        amount = static_cast<int32_t>(150.0f * size);
        break;
    case kWClassMortar:
        amount = static_cast<int32_t>(40.0f * size);
        break;
    case kWClassFlame:
        amount = 4000;
        break;
    case kWClassSniper:
        amount = 2000;
        break;
    default:
        break;
    }
    if (amount > 0) gBattle->DeafenFromXY(amount, mX, mY);
}

void Unit::Fire(AmmoClass a, int32_t soundVariant) {
    if (!mTarget && !mAreaTarget) return;
    mHasFired = true;
    mHiding = false;
    const bool infantry = IsInfantry(this);
    const bool observerWeapon = IsForwardObserver();
    if (!observerWeapon && !gFiringSecondarySmallArms) mFiringSignature = kFiringSignatureAfterShot;

    float x, y, z;
    if (mTarget) {
        x = mTarget->mX, y = mTarget->mY, z = mTarget->GetZ();
    } else {
        x = mAreaTargetX, y = mAreaTargetY, z = GetTargetXYZ_helper();
    }
    WeaponType w = kWeaponNone;
    WeaponClass c = 0;
    MGPenetration m = GetWeaponInfo(&w, &c, kKnowTruth);
    if (!mHastyFire && !observerWeapon && !gFiringSecondarySmallArms) SetFiringAnimation();

    int32_t aimDelay = 0;
    float d = 0.0f;
    int32_t t = CalculateTimeOfFlight(w, c, a, &aimDelay, x, y, z, &d);
    ActionPacket* p = PrepareAnimatedShell(c, w, t, aimDelay, d);

    if (AsVehicle(mTarget) && a != kAmmoCanister && IsGunClass(c)) {
        ExecuteToHit(p, c, w, a, t, t + aimDelay);
    } else {
        if (IsGunClass(c)) AdjustAimPoint(t, &x, &y, &z);
        PendingAttack* attack = OtherAttack(p, c, w, m, a, t, t + aimDelay, x, y, z);
        if (infantry && (InfantryRecord(this).mFlags & kIFlag40) && !gFiringSecondarySmallArms && p &&
            attack) {
            // A second, smaller burst drawn where the attack's error puts it.
            ActionPacket* q = gBattle->CreateActionPacket(0);
            q->mType = p->mType;
            q->mTimeSlice = p->mTimeSlice;
            q->mX = p->mX, q->mY = p->mY, q->mZ = p->mZ;
            q->mFirer = p->mFirer;
            q->mTarget = p->mTarget;
            q->mFlightTime = p->mFlightTime;
            q->mMuzzleHeight = p->mMuzzleHeight;
            q->mShellFlags = p->mShellFlags;
            q->mShellHit = p->mShellHit;
            q->mLook = 0;
            q->mBlast = 0.02f;
            SetShellMode(q, 3);
            q->mEndX = p->mEndX + attack->mMissX;
            q->mEndY = p->mEndY + attack->mMissY;
            q->mEndZ = p->mEndZ;
        } else if (a == kAmmoCanister && p) {
            SetShellMode(p, 0);
            p->mLook = 3;
        }
    }
    ShoutFireOrders();
    DeafenByFire(w, c);
    // A rocket or recoilless team gives itself away and is pinned.
    if (infantry && c == kWClassLightAT) static_cast<Infantry*>(this)->MaybePinLATWFirer();

    // Muzzle dust.
    if (gBattle && mUnitType != kUnitAirplane &&
        (c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun || c == kWClassMortar)) {
        float reach = c == kWClassLightAT ? -1.5f : c == kWClassMortar ? 0.75f : 5.0f;
        float h = GetWeaponFacing() * 0.017453293f;
        float px = mX + reach * std::cos(h);
        float py = mY + reach * std::sin(h);
        Terrain ground = gBattle->mMap ? gBattle->mMap->GetTerrain(px, py, false) : TerrainAt(px, py);
        float k = gBattle->Dusty(ground, 1);
        bool quietLauncher = c == kWClassLightAT && !mHastyFire && (gWeaponData[w].mFlags & 0x4);
        if (k != 0.0f && !quietLauncher) {
            if (c == kWClassLightAT) {
                k *= 0.4f;
            } else {
                float v = 0.0f;
                AmmoType type = AmmoTypeInUse(0, w, a, &v);
                if (v <= 0.0f) v = 200.0f;
                float energy = gAmmoData[type].mWeight * v * v;
                if (c == kWClassTwinGun) energy *= 4.0f;
                if (gWeaponData[w].mNrTubes > 1) energy *= static_cast<float>(gWeaponData[w].mNrTubes);
                k *= std::pow(energy * 1.2e-7f, 0.36f);
            }
            if (mUnitType == kUnitVehicle) k *= 0.25f * k + 0.75f;
            if (k > 0.17f) gBattle->MakeSmokePacket(px, py, -5.0f, k);
        }
    }
    Vehicle* self = AsVehicle(this);
    if (self) self->mLastAmmoFired = a;

    if (a == kAmmoHE75 || a == kAmmoAP75)
        AddSoundEffectFire(2, 74, d, soundVariant);
    else
        AddSoundEffectFire(c, w, d, soundVariant);

    if (!mHastyFire && !gFiringSpottingRound && !gFiringSecondarySmallArms) {
        // Shots at the present target unit, for the estimates that ask how
        // the next shot fares after the first ones.
        if (mTarget && mShotsAtTarget < INT16_MAX) ++mShotsAtTarget;
        if (!observerWeapon) {
            if (mAcquisition < 4) {
                bool raise = true;
                if (c == kWClassMortar) {
                    raise = a >= 0 && a < kAmmoClassCount && mAmmo[a] % 2 == 0;
                } else if (self && self->mButtoned && d > 1000.0f) {
                    float reach = gVehicleData[mSubtype].mLongRange ? 4000.0f : 2500.0f;
                    raise = d < reach &&
                            static_cast<float>(RandomFraction()) < 1.0f - (d - 1000.0f) / (reach - 1000.0f);
                }
                if (raise) ++mAcquisition;
            }
            mAcquisition = static_cast<int16_t>(LimitAcquisition(mTarget, c));
            mAimPause = c == kWClassFlame ? 4.5f : c == kWClassSniper ? 1.25f : 2.5f;
            ResetAimClock();
        }
        mLoadTime = FullLoadTime(true, false);
        if (a == kAmmoHE75 || a == kAmmoAP75) mLoadTime *= 2.15f;
        if (c == kWClassTwinGun &&
            gAmmoData[AmmoTypeInUse(0, w, kAmmoHEAT, nullptr)].mProjectileKind == kProjectileSlowLoading)
            mLoadTime *= 5.0f;
    }

    // A machine gun may jam.
    if (infantry && !gFiringSecondarySmallArms && c == kWClassSmallArms && m >= 2 && mAmmo[0] > 1) {
        float factor = std::fmax(CloseRangeFireFactor(), 0.1f);
        int32_t limit = static_cast<int32_t>(23.0f / factor + 75.0f);
        const ScenarioCore* scenario = Scenario();
        limit = static_cast<int32_t>(static_cast<float>(limit) *
                                     TemperatureJamFactor(scenario ? scenario->mTemperature : 2));
        if (static_cast<int32_t>(RandomPick(10000)) < limit) {
            CancelTarget(false, true);
            mLoadTime = 20.0f + 100.0f * static_cast<float>(RandomFraction());
            mAimTime = 99.0f;
            AddSoundEffectVoice(kVoiceJammed, 75, 0.0f, 1.0f);
            gPacket = true;
        }
    }

    // A gun firing at something close buttons its crew up.
    bool locked = false;
    if (self && (c == kWClassGun || c == kWClassTwinGun) && !mHastyFire && CanChangeButtonStatus(&locked) &&
        !locked) {
        float near = a == kAmmoHE || a == kAmmoHE75 ? 50.0f : 25.0f;
        if (DistanceToLocation(x, y) < near) self->ChangeButton(true, 0);
    }

    if (c == kWClassFlame) {
        if (!IsSpottedNow()) {
            mContactLevel = 3;
            BeSpotted(true, false);
        } else if (mContactLevel == kContactSeen) {
            mContactLevel = 3;
        }
    }
    gPacket = true;
}

// Pending attacks landing: the direct hit, the blast on the units around,
// buildings, fires, craters, dust and smoke.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "battle/VehicleHitRules.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {
// The vehicle rules' own hit stages, for units that are vehicles.
void StageOne(Unit* u, PendingAttack* a, int32_t* location, int32_t* aspect, bool* stageTwo) {
    if (auto* v = dynamic_cast<Vehicle*>(u)) *location = v->HitStageOne(a, aspect, stageTwo);
}
void StageTwo(Unit* u, PendingAttack* a, int32_t location, int32_t aspect) {
    if (auto* v = dynamic_cast<Vehicle*>(u)) v->HitStageTwo(a, location, aspect);
}
void ExternalDamage(Unit* u, float firepower, int32_t location, float factor) {
    if (auto* v = dynamic_cast<Vehicle*>(u)) v->ResolveExternalDamage(firepower, location, factor);
}
void TagArmorHit(Unit* u, ActionPacket* p) {
    if (auto* v = dynamic_cast<Vehicle*>(u)) v->TagArmorHitRecord(p);
}
} // namespace

VehicleHitRules gVehicleHitRules = {StageOne, StageTwo, ExternalDamage, TagArmorHit};

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr Affiliation kNoSide = 2;

// The area-damage context handed to each unit.
struct BlastContext {
    bool mAllowFriendly = true;
    bool mUseCoverFlag = true;
    bool mSpareAttacker = false;
    bool mDivideDistanceByCover = true;
    bool mReduceByDistance = true;
    bool mCoverFromImpact = true;
    bool mVehiclesOnly = false;
    int32_t mHitValue = 0;
    float mRadius = 0.0f;
    float mFirepower = 0.0f;
    int16_t mCoverMode = 0;
    PendingAttack* mAttack = nullptr;
};

bool IsFallingShell(const PendingAttack* a) {
    return a->mWeaponClass == kWClassMortar || a->mWeaponClass == kWClassIndirect;
}

bool Alive(Unit* u) {
    return u->mActive;
}

float Bearing(float dx, float dy) {
    if (dx == 0.0f) return dy < 0.0f ? 270.0f : 90.0f;
    float b = std::atan2(dy, dx) * 180.0f / kPi;
    if (b < 0.0f) b += 360.0f;
    return b;
}

float Distance3(float x1, float y1, float z1, float x2, float y2, float z2) {
    const float dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Whether a unit of the other side, alive, not surrendered and spotted,
// seems to stand within 50 m of the attacker's area-target point.
bool EnemyNearAreaTarget(UnitList* units, Unit* attacker) {
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->GetAffiliation() == attacker->GetAffiliation() || !Alive(u) || u->mSurrendered) continue;
        if (u->mContactLevel == kContactNone) continue;
        float x = 0.0f, y = 0.0f, z = 0.0f;
        u->GetApparentLocation(&x, &y, &z);
        const float dx = x - attacker->mAreaTargetX, dy = y - attacker->mAreaTargetY;
        if (dx * dx + dy * dy <= 50.0f * 50.0f) return true;
    }
    return false;
}

void BlastOneUnit(Battle* battle, Unit* u, const BlastContext& c) {
    PendingAttack* a = c.mAttack;
    if (u == a->mHitUnit || !u->CanBeDamaged() || u->IsPassenger(true)) return;
    if (c.mVehiclesOnly && u->mUnitType != kUnitVehicle) return;
    Unit* attacker = a->mAttacker ? a->mAttacker : (a->mPacket ? a->mPacket->mFirer : nullptr);
    const bool enemy = u->IsAxis() != a->mAttackerIsAxis;
    const bool hurt = enemy || (c.mAllowFriendly && !(c.mSpareAttacker && u == attacker));
    if (!hurt) return;
    float f = c.mFirepower;
    if (c.mRadius == -1.0f) {
        // The cone of a close-range burst along the line of fire.
        const float shot = Bearing(a->mImpactX - a->mOriginX, a->mImpactY - a->mOriginY);
        const float toUnit = Bearing(u->mX - a->mOriginX, u->mY - a->mOriginY);
        float diff = std::fabs(shot - toUnit);
        if (diff > 180.0f) diff = 360.0f - diff;
        if (diff > 7.5f) return;
        f = f * (7.5f - diff) / 7.5f;
        const float d = Distance3(a->mOriginX, a->mOriginY, a->mOriginZ, u->mX, u->mY, u->GetZ());
        if (d >= 250.0f) return;
        if (d > 50.0f) f = f * 2500.0f / (d * d);
        const float cover = u->GetTEMFromLocation(a->mOriginX, a->mOriginY, a->mOriginZ, c.mUseCoverFlag,
                                                  a->mAboveGround, false, a->mWeaponClass, false, nullptr);
        if (cover > 0.0f) u->TakeAreaHit(f, c.mHitValue, a);
        return;
    }
    float d = Distance3(a->mImpactX, a->mImpactY, a->mImpactZ, u->mX, u->mY, u->GetZ());
    if (a->mWeaponClass == kWClassSniper) {
        if (u->mUnitType == kUnitInfantry) {
            const int32_t men = MenInBeing(u);
            f = men > 0 ? f / static_cast<float>(men) : 0.0f;
        } else if (u->mUnitType == kUnitVehicle) {
            // Open hatches let the shot reach the crew.
            const auto* v = dynamic_cast<const Vehicle*>(u);
            const bool buttoned = v && v->mButtoned;
            f = u->IsArmoredVehicle(kKnowTruth, false) && !buttoned ? f * 0.4f : f * 0.1f;
        } else {
            f = 0.0f;
        }
    }
    if (c.mDivideDistanceByCover || c.mCoverMode > 0) {
        float cover = 1.0f;
        if (u->mUnitType != kUnitInanimate) {
            const float fx = c.mCoverFromImpact ? a->mImpactX : a->mOriginX;
            const float fy = c.mCoverFromImpact ? a->mImpactY : a->mOriginY;
            const float fz = c.mCoverFromImpact ? a->mImpactZ : a->mOriginZ;
            cover = u->GetTEMFromLocation(fx, fy, fz, c.mUseCoverFlag, a->mAboveGround, false,
                                          a->mWeaponClass, false, nullptr);
        }
        if (cover == 0.0f) return;
        if (cover != 1.0f && c.mCoverMode == 1) cover = std::pow(cover, 0.4f);
        if (cover < 1.0f && a->mSoftCover) cover = std::sqrt(cover);
        if (c.mDivideDistanceByCover) d = d / (cover < 1.0f ? std::sqrt(cover) : std::pow(cover, 0.33f));
        if (c.mCoverMode > 0) f *= cover;
    }
    if (c.mReduceByDistance) {
        if (u->mUnitType == kUnitInfantry && !u->HasHeavyWeapon(kKnowTruth)) {
            float near = f, far = f;
            ReduceFPByDistance(&near, std::fmax(d - 5.0f, 0.0f), c.mRadius);
            ReduceFPByDistance(&far, d + 5.0f, c.mRadius);
            f = 0.5f * (near + far);
        } else {
            ReduceFPByDistance(&f, d, c.mRadius);
        }
    }
    if (d <= c.mRadius) {
        u->TakeAreaHit(f, c.mHitValue, a);
    } else if (d <= 2.0f * c.mRadius) {
        u->BeAlertedByFire();
    }
    (void)battle;
}

} // namespace

void Battle::ResolveDueAttacks() {
    struct Due {
        Battle* mBattle;
    } due{this};
    // Every landing is decided before any is removed, so that attacks made
    // meanwhile (they go to mNewAttacks) cannot disturb the walk.
    mPendingAttacks.DeleteSome(
        [](GObject* member, void* context) {
            auto* a = static_cast<PendingAttack*>(member);
            Battle* b = static_cast<Due*>(context)->mBattle;
            if (a->mLandingSlice > b->mTimeSlice) return false;
            b->ResolveAttack(a);
            return true;
        },
        &due, true);
}

void Battle::ResolveAttack(PendingAttack* a) {
    if (!a) return;
    if (a->mLOSRefreshOnly) {
        if (mMap) mMap->VoidLOS(a->mImpactX, a->mImpactY, a->mImpactZ);
        return;
    }
    ActionPacket* p = a->mPacket;
    if (p) {
        // The shell's end point is where it strikes: it follows the target
        // to where it stands now, the miss is added, and the attack lands
        // there. The packet's own position stays the muzzle.
        gCreditKiller = p->mFirer;
        Unit* t = p->mTarget;
        const bool air = t && t->mUnitType == kUnitAirplane;
        if (t) {
            const float groundAtImpact = mMap ? mMap->GetZCoord(a->mImpactX, a->mImpactY) : 0.0f;
            p->mEndX = t->mX;
            p->mEndY = t->mY;
            if (mMap && a->mImpactZ > groundAtImpact + 0.1f && !air)
                p->mEndZ = mMap->GetZWithBuilding(t->mX, t->mY);
            else
                p->mEndZ = t->GetZ();
        }
        const float groundAtAim = mMap ? mMap->GetZCoord(p->mEndX, p->mEndY) : 0.0f;
        const bool wasRaised = p->mEndZ > groundAtAim + 0.1f;
        p->mEndX += a->mMissX;
        p->mEndY += a->mMissY;
        if (!air && mMap && p->mEndX >= 0.0f && p->mEndY >= 0.0f && p->mEndX < mMap->mWidthMetres &&
            p->mEndY < mMap->mHeightMetres)
            p->mEndZ =
                wasRaised ? mMap->GetZWithBuilding(p->mEndX, p->mEndY) : mMap->GetZCoord(p->mEndX, p->mEndY);
        a->mImpactX = p->mEndX;
        a->mImpactY = p->mEndY;
        a->mImpactZ = p->mEndZ;
    }
    const float x = a->mImpactX, y = a->mImpactY;
    const WeaponClass wc = a->mWeaponClass;

    if (a->mAmmoClass == kAmmoSmoke) {
        MakeSmokePacket(x, y, BlastRadius(a->mWeaponType, kAmmoSmoke) * 1.8f, 1.0f);
        if (wc >= kWClassLightAT && wc <= kWClassIndirect && mMap) {
            const AmmoType ammo = AmmoTypeInUse(0, a->mWeaponType, kAmmoSmoke, nullptr);
            const float m = gAmmoData[ammo].mExplosiveFill;
            float charge = 1.2f * std::pow(m, 0.8f);
            const int32_t barrels = gWeaponData[a->mWeaponType].mNrTubes;
            if (barrels > 1) charge *= static_cast<float>(barrels);
            mMap->MakeCrater(x, y, charge, false, true, false, 0.0f, kNoSide, false);
            DustFromExplosion(x, y, charge);
        }
        gCreditKiller = nullptr;
        return;
    }

    if (IsFallingShell(a) && mMap) {
        const Terrain t = mMap->GetTerrain(x, y, false);
        bool burst = a->mAboveGround;
        if (!burst) {
            const int32_t r1 = Random() % 10;
            if (r1 <= 2 && (t == 20 || t == 30)) {
                burst = true;
            } else {
                const int32_t r2 = Random() % 10;
                burst = r2 <= 5 && (t == 21 || t == 22 || t == 31 || t == 32);
            }
        }
        if (burst) {
            if (p) {
                p->mEndZ += 6.0f;
                p->mShellFlags |= 0x08;
            }
            a->mImpactZ += 6.0f;
            a->mAboveGround = true;
        }
    }

    // The hit stages report how the armour took the shot.
    gArmorHitReport.Clear();

    int32_t location = 0, aspect = 0, before = 0;
    bool stageTwo = false;
    const bool falling = IsFallingShell(a) || wc == kWClassSpecial || a->mWeaponType == 264 ||
                         (a->mWeaponType == 273 && a->mSpecialHit && !a->mHitUnit);
    if (falling) {
        a->mHitUnit = DetectHighTrajectoryShellHit(a);
        if (a->mHitUnit) {
            before = MenInBeing(a->mHitUnit);
            location = Random() % 3 == 0 ? 3 : 4;
            aspect = 0; // a shell falling on the roof strikes no side of the hull
            stageTwo = true;
        }
    } else if (a->mHitUnit) {
        before = MenInBeing(a->mHitUnit);
        if (a->mSpecialHit && wc == kWClassTwinGun) {
            if ((Random() & 1) == 0) {
                if (gVehicleHitRules.resolveExternalDamage)
                    gVehicleHitRules.resolveExternalDamage(a->mHitUnit, a->GetFirepower(true, nullptr), 5,
                                                           1.0f);
            } else {
                location = Random() % 3 == 0 ? 3 : 4;
                stageTwo = true;
            }
        } else if (a->mHitUnit->mUnitType == kUnitVehicle && gVehicleHitRules.hitStageOne) {
            gVehicleHitRules.hitStageOne(a->mHitUnit, a, &location, &aspect, &stageTwo);
        }
    }
    if (stageTwo && a->mHitUnit && a->mHitUnit->mUnitType == kUnitVehicle && gVehicleHitRules.hitStageTwo)
        gVehicleHitRules.hitStageTwo(a->mHitUnit, a, location, aspect);

    if (a->mHitUnit && wc != kWClassFlame && wc != kWClassSniper) {
        ActionPacket* hit = CreateActionPacket(10);
        hit->mType = kPacketArmorHit;
        hit->mX = x;
        hit->mY = y;
        hit->mZ = a->mImpactZ;
        hit->mVehicle = a->mHitUnit;
        hit->mHitLocation = location;
        hit->mAspect = aspect;
        const int32_t now = MenInBeing(a->mHitUnit);
        hit->mStrengthLost = Alive(a->mHitUnit) ? before - now : 0;
        hit->mPenetrationGrade = gArmorHitReport.mPenetrationGrade;
        hit->mArmorFlags = static_cast<uint8_t>(gArmorHitReport.Flags() | (wc == kWClassSpecial ? 0x40 : 0));
    }

    AreaDamage(a);

    const bool craterClass = (wc >= kWClassLightAT && wc <= kWClassIndirect) || wc == kWClassSpecial;
    if (craterClass && !a->mAboveGround && !a->mHitUnit && mMap) {
        float charge = -1.0f;
        if (wc != kWClassSpecial)
            charge = BlastPower(a->mWeaponType, a->mAmmoClass);
        else if (a->mWeaponType == 258)
            charge = 180.0f;
        else if (a->mWeaponType == 260)
            charge = 60.0f;
        if (charge >= 0.0f) {
            mMap->MakeCrater(x, y, charge, false, true, false, 0.0f, kNoSide, false);
            DustFromExplosion(x, y, charge);
        }
    }
    gCreditKiller = nullptr;
}

Unit* Battle::DetectHighTrajectoryShellHit(PendingAttack* a) {
    if (!mUnits) return nullptr;
    float factor = 0.3f;
    if (a->mWeaponClass == kWClassIndirect)
        factor = 1.5f;
    else if (a->mWeaponClass == kWClassSpecial)
        factor = 1.2f;
    else if (a->mWeaponType == 264)
        factor = 1.4f;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->mUnitType != kUnitVehicle || !u->IsArmoredVehicle(kKnowTruth, false) || !Alive(u)) continue;
        const VehicleData& v = gVehicleData[u->mSubtype];
        const float size = v.mKind == 6 ? 3.0f : v.mTargetSize * factor;
        if (u->DistanceToLocation(a->mImpactX, a->mImpactY) <= size) return u;
    }
    return nullptr;
}

void Battle::AreaDamage(PendingAttack* a) {
    if (!mUnits) return;
    BlastContext c;
    c.mAttack = a;
    c.mFirepower = a->GetFirepower(false, &c.mHitValue);
    const float fp = c.mFirepower;
    bool blastBuildings = true;
    float fireChance = std::sqrt(fp > 0.0f ? fp : 0.0f) * 0.0004f;
    Unit* attacker = a->mAttacker ? a->mAttacker : (a->mPacket ? a->mPacket->mFirer : nullptr);
    const WeaponClass wc = a->mWeaponClass;
    const WeaponType wt = a->mWeaponType;
    switch (wc) {
    case kWClassSmallArms:
        c.mRadius = a->mAmmoClass == kAmmoCanister ? -1.0f : 25.0f;
        c.mSpareAttacker = true;
        c.mAllowFriendly = mTimeOfDay == kNight;
        c.mCoverFromImpact = false;
        c.mDivideDistanceByCover = false;
        c.mCoverMode = 2;
        blastBuildings = false;
        fireChance = 0.0f;
        if (a->mWideSpread) {
            c.mRadius *= 2.0f;
            if (attacker) {
                const float reach = 0.8f * attacker->DistanceToLocation(a->mImpactX, a->mImpactY);
                c.mRadius = std::fmin(c.mRadius, std::fmax(reach, 25.0f));
            }
            c.mFirepower = c.mFirepower * 25.0f / c.mRadius;
        }
        break;
    case kWClassLightAT:
    case kWClassGun:
    case kWClassTwinGun:
    case kWClassAT:
        c.mRadius = BlastRadius(wt, a->mAmmoClass);
        c.mSpareAttacker = true;
        if (wc == kWClassLightAT) {
            fireChance *= 2.5f;
            c.mRadius *= a->mHitUnit ? 0.2f : 0.75f;
        }
        if (wc == kWClassAT) fireChance = 0.01f;
        break;
    case kWClassMortar:
    case kWClassIndirect:
        c.mRadius = BlastRadius(wt, a->mAmmoClass);
        break;
    case kWClassFlame:
        c.mRadius = 7.5f;
        c.mSpareAttacker = true;
        c.mAllowFriendly = false;
        c.mUseCoverFlag = false;
        c.mDivideDistanceByCover = false;
        c.mCoverMode = 1;
        blastBuildings = false;
        fireChance = 0.3f;
        break;
    case kWClassSniper:
        c.mRadius = 0.01f;
        c.mAllowFriendly = false;
        c.mCoverFromImpact = false;
        c.mDivideDistanceByCover = false;
        c.mCoverMode = 2;
        blastBuildings = false;
        fireChance = 0.0f;
        break;
    case kWClassSpecial:
        c.mRadius = BlastRadius(wt, a->mAmmoClass);
        c.mSpareAttacker = true;
        if (wt == 257 || wt == 259 || (wt >= 261 && wt <= 265)) {
            c.mVehiclesOnly = true;
            c.mAllowFriendly = false;
            blastBuildings = false;
        } else {
            c.mAllowFriendly = mTimeOfDay == kNight && RandomCoin() == 0;
        }
        break;
    default:
        return;
    }
    const bool loud =
        (wc >= kWClassLightAT && wc <= kWClassIndirect) || wc == kWClassSpecial || wc == kWClassAT;
    if (loud) {
        DeafenFromXY(static_cast<int32_t>(165.0f * fp), a->mImpactX, a->mImpactY);
        if (wc != kWClassLightAT && wc != kWClassAT && attacker && attacker->mUnitType == kUnitInfantry &&
            (gInfantryData[attacker->mSubtype].mFlags & 0x40) != 0)
            fireChance = 0.75f;
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        BlastOneUnit(this, mUnits->GetUnit(i), c);
    if (blastBuildings && mMap) {
        float power = a->GetFirepower(false, nullptr);
        if (wc == kWClassSpecial && (wt == 258 || wt == 260)) power *= 2.0f;
        mMap->BlastBuildings(power, a->mImpactX, a->mImpactY);
    }
    if (fireChance > 0.0f && mMap) {
        if (attacker && attacker->mAreaTarget) {
            const bool mortarCrew =
                attacker->mUnitType == kUnitInfantry &&
                gWeaponData[gInfantryData[attacker->mSubtype].mHeavyWeapon].mClass == kWClassIndirect;
            if (!mortarCrew && !EnemyNearAreaTarget(mUnits, attacker)) fireChance *= 0.1f;
        }
        mMap->PotentiallyStartFire(fireChance * 0.5f, a->mImpactX, a->mImpactY, true);
    }
}

void Battle::DustFromExplosion(float x, float y, float charge) {
    if (!mMap || !mMap->OnMap(x, y)) return;
    const float k = Dusty(mMap->GetTerrain(x, y, false), 2);
    if (k != 0.0f) MakeSmokePacket(x, y, -5.0f, std::sqrt(charge) * 0.15f * k);
}

void Battle::CreateRicochetPacket(ActionPacket* shell, bool fragments) {
    if (!shell) return;
    const float d = Distance3(shell->mX, shell->mY, shell->mZ, shell->mEndX, shell->mEndY, shell->mEndZ);
    const float flight = shell->mFlightTime > 0 ? static_cast<float>(shell->mFlightTime) : 1.0f;
    const float speed = d / flight;
    const float rise = speed * (fragments ? 0.06f : 0.1f);
    const float angle = static_cast<float>(RandomPair() % 360) * kPi / 180.0f;
    const float u1 = static_cast<float>(RandomFraction());
    const float u2 = static_cast<float>(RandomFraction());
    float ex = shell->mEndX + 400.0f * u1 * std::cos(angle);
    float ey = shell->mEndY + 400.0f * u2 * std::sin(angle);
    float ez = shell->mEndZ + 40.0f * rise;
    const int32_t count = fragments ? 3 + static_cast<int32_t>(RandomPair() & 3) : 1;
    const float sx = shell->mEndX, sy = shell->mEndY, sz = shell->mEndZ;
    for (int32_t i = 0; i < count; ++i) {
        ActionPacket* p = CreateActionPacket(0);
        p->mType = kPacketShell;
        p->mX = sx;
        p->mY = sy;
        p->mZ = sz;
        p->mLook = fragments ? 7 : 6;
        p->mFlightTime = 40;
        p->mBlast = 0.0f;
        p->mMuzzleHeight = 0.0f;
        p->mShellFlags = 0x04;
        p->mEndX = ex;
        p->mEndY = ey;
        p->mEndZ = ez;
        ex += 300.0f * static_cast<float>(RandomFraction()) - 150.0f;
        ey += 300.0f * static_cast<float>(RandomFraction()) - 150.0f;
        ez += 300.0f * static_cast<float>(RandomFraction()) - 150.0f;
    }
}

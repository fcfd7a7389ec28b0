// An infantry unit's decision in each slice of the action phase: keep its
// target, turn and move, fire its weapon, its personal weapons, a rocket or
// rifle grenade, fight hand to hand, throw, clear mines; and its voices,
// figure animations and the stacking check of a squad at rest.

#include <cmath>

#include "battle/ActionPacket.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/InfantryConduct.h"

using namespace infantry;

namespace {

constexpr VoiceType kVoiceTargetLost = 14;
constexpr VoiceType kVoiceUnjammed = 32;
constexpr VoiceType kVoiceMelee = 35;
constexpr int32_t kSoundMelee = 16;
constexpr float kJammed = 99.0f;

// The search of one FirePZFandRG call, read by its two predicates; valid
// only within that call and not re-entrant.
float sLATWMinChance = 0.0f;
float sLATWMaxRange = 0.0f;
int32_t sLATWMinScore = 0;
float sLATWFirerInside = 0.0f;

constexpr float kLATWMinChance[3] = {0.45f, 0.30f, 0.20f};
constexpr int32_t kLATWMinScore[3] = {0, -6, -12};

bool IsRocket(WeaponType w) {
    return w == 58 || (w >= 165 && w <= 169);
}

bool IsInanimate(const Unit* u) {
    return u->mUnitType == kUnitInanimate;
}

float Distance3D(Unit* a, Unit* b) {
    return fire::Distance3(a->mX, a->mY, a->GetZ(), b->mX, b->mY, b->GetZ());
}

// The voice a support weapon calls on a new target.
VoiceType TargetVoice(Unit* t) {
    if (t->mUnitType == kUnitVehicle) {
        Vehicle* v = static_cast<Vehicle*>(t);
        if (v->IsFixed()) return 0;
        return v->ConsideredTankForVoiceEffects(kKnowEnemy) ? 3 : 4;
    }
    if (t->mUnitType == kUnitInfantry) return t->HasOrdnance(false, false) ? 1 : 2;
    return 0;
}

struct FriendlyFireScan {
    Infantry* self;
    GList* list;
};

bool IsFriendlyFireCandidate(GObject* member, void* context) {
    auto* scan = static_cast<FriendlyFireScan*>(context);
    auto* u = static_cast<Unit*>(member);
    Infantry* self = scan->self;
    if (u == self || u->mUnitType != kUnitInfantry || u->mSide != self->mSide || !u->mActive) return false;
    if (Distance3D(self, u) <= 75.0f || !self->mTarget || Distance3D(self->mTarget, u) >= 150.0f)
        return false;
    if (self->CanSee(u, nullptr)) scan->list->Add(u);
    return false;
}

} // namespace

void Infantry::ComputeAction() {
    CountDown(&mFiringAnimTime);
    const int32_t b = BandOf(mSuppression);
    const MovementSpeedType oldPace = mMoveSpeed;

    if (b < kBandPinned && !mSurrendered && !mExiting && mLoadTime >= 0.0f) {
        Unit* before = mTarget;
        AIMaySwitchToNewTarget(false);
        if (fire::Night() && mTarget && Record().mHeavyWeapon == kWeaponNone && RandomPair() % 3600u == 0) {
            const double u = RandomFraction();
            if (u < std::exp(-0.3632 * GetEffectiveExperience(kLeadCombat))) FriendlyFire();
        }
        if (!mTarget && before && !IsInanimate(before) && Record().mIsSquad) {
            AddSoundEffectVoice(kVoiceTargetLost, 35, 0.0f, 1.5f);
        } else if (mTarget && mTarget != before && IsSupportWeapon(false)) {
            AddSoundEffectVoice(TargetVoice(mTarget), 30, 0.0f, 2.0f);
        }
    }

    if (UpdateRider(true) || Embark()) {
        mMoveSpeed = kPaceStand;
    } else {
        mMoveSpeed = GetActualMoveSpeed(true);
        const bool turnOnly = mNrWaypoints > 0 && mWaypoints[0].mOrder == kPaceTurn;
        if (mOnSkis && gMovementSpeedChart[mMoveSpeed].mSkisAllowed == 0) {
            mOnSkis = false;
            gPacket = true;
        }
        if (mMoveSpeed == kPaceStand && !turnOnly) {
            Stop(false);
            if (mAimPause != 0.0f || (mNrWaypoints > 0 && mCommandDelay == 0.0f)) {
                StopBodyRotation();
            } else if (mTarget) {
                RotateBodyToward(mTarget->mX, mTarget->mY, false);
            } else if (mAreaTarget) {
                RotateBodyToward(mAreaTargetX, mAreaTargetY, false);
            } else if (mCoveredArc) {
                float x = 0.0f, y = 0.0f;
                CoveredArcFacePoint(&x, &y);
                RotateBodyToward(x, y, false);
            } else {
                StopBodyRotation();
            }
        } else if (mMoveSpeed == kPaceHold && !turnOnly) {
            Stop(true);
        } else if (mAimPause == 0.0f || mPlaybackSpeed != 0.0f) {
            if (mNrWaypoints > 0 && RotateBodyToward(mWaypoints[0].mX, mWaypoints[0].mY, false))
                Move();
            else
                Stop(false);
        } else {
            StopBodyRotation();
        }
        if (b < kBandPinned && !mSurrendered && !mExiting) CombatAction(mMoveSpeed == kPaceHold);
    }

    // Figure animations.
    if (mAimPause != 0.0f) {
        SetFiringAnimation();
    } else {
        const MovementSpeedChart& pace = gMovementSpeedChart[mMoveSpeed];
        const int32_t want = mTransport ? 3 : pace.mAnimation[mOnSkis ? 1 : 0];
        const bool throwing = mFiringAnimTime != 0.0f && (mAnimation[0] == 9 || mAnimation[0] == 10);
        if (mAnimation[0] != want && !throwing) {
            mAnimation[0] = want;
            gPacket = true;
        }
        for (int32_t g = 2; g >= 1; --g) {
            if (mAnimation[g] != want) {
                mAnimation[g] = want;
                gPacket = true;
            }
        }
    }
    if (!mActive) return;

    float chance = 0.0f;
    VoiceType voice = kVoicePanic;
    if (b < kBandPinned) {
        chance = gMovementSpeedChart[mMoveSpeed].mVoiceChance;
        voice = gMovementSpeedChart[mMoveSpeed].mVoiceType;
    } else {
        chance = mPlaybackSpeed != 0.0f ? 0.0005f : 0.0002f;
        if (b == 6)
            chance *= 2.0f;
        else if (b == 7)
            chance *= 3.0f;
    }
    if (chance != 0.0f) {
        chance = static_cast<float>(MenLeft(this)) * chance * 0.1f;
        if (RandomFraction() <= chance) AddSoundEffectVoice(voice, 100, 0.0f, 0.0f);
    }

    if ((mNrWaypoints == 0 || (mNrWaypoints == 1 && mWaypoints[0].mOrder == kPaceTurn)) &&
        RandomPair() % 160u == 0 && InGoodOrder()) {
        Infantry* other = nullptr;
        if (ViolatesStackingLimits(mX, mY, mZ, &other) && other &&
            StackingPriority() >= other->StackingPriority())
            AbideByStackingLimits(true, other);
    }
    if (!mVulnerable && (mSurrendered || b >= 6)) {
        mVulnerable = true;
        gPacket = true;
    }
    if (mMoveSpeed != oldPace) gPacket = true;
    if (mAreaTarget && mSliceCount % 40 == 0 && IsForwardObserver()) gPacket = true;
}

void Infantry::CombatAction(bool holdFire) {
    if (FireSecondarySmallArms()) return;
    if (mLoadTime < 0.0f) {
        if (holdFire || mNrWaypoints > 0 || BandOf(mSuppression) > 3) return;
        const int32_t whole = static_cast<int32_t>(-mLoadTime);
        float magnitude = -mLoadTime;
        CountDown(&magnitude);
        mLoadTime = -magnitude;
        if (static_cast<int32_t>(magnitude) != whole || magnitude == 0.0f) gPacket = true;
        return;
    }
    if (IsForwardObserver()) {
        if (mAreaTarget) FireOffboardArtillery();
        return;
    }
    bool hasAim = true;
    float ax = 0.0f, ay = 0.0f;
    if (mTarget) {
        ax = mTarget->mX;
        ay = mTarget->mY;
    } else if (mAreaTarget) {
        ax = mAreaTargetX;
        ay = mAreaTargetY;
    } else {
        hasAim = false;
    }
    const MovementSpeedChart& pace = gMovementSpeedChart[mMoveSpeed];
    const bool pointed = hasAim && PointedWithin(mHeading, IsStopped() ? 1.0f : 45.0f, ax, ay);
    // Loading and clearing a jam go on only while the weapon bears; a weapon
    // loaded and working has nothing to go on with.
    if ((mLoadTime > 0.0f || mAimTime == kJammed) && (!hasAim || pointed) &&
        (pace.mPaceKind == 0 || !HasHeavyWeapon(kKnowTruth))) {
        if (mLoadTime > 0.0f) {
            CountDown(&mLoadTime);
            if (mLoadTime == 0.0f) gPacket = true;
        }
        if (mAimTime == kJammed && mLoadTime == 0.0f) {
            mAimTime = 1.0f;
            AddSoundEffectVoice(kVoiceUnjammed, 50, 0.0f, 2.0f);
            gPacket = true;
        }
    }
    if (holdFire) return;
    if (pace.mFireLevel > 1) FirePZFandRG();
    if (pointed) { // the rocket leaves the unit's facing as it was
        HandToHandCombat();
        if ((pace.mPaceKind == 0 || !HasHeavyWeapon(kKnowTruth)) && pace.mFireLevel != 0) {
            const bool weak = pace.mPaceKind != 0 &&
                              SmallArmsFirepower(DistanceToLocation(ax, ay), nullptr, false, true) <= 0.0f;
            if (!weak) FireWeapon();
        }
        Grenades();
    }
    if (Record().mUsesDemoCharge) ClearMines();
}

void Infantry::FireWeapon() {
    if (mLoadTime != 0.0f) return;
    AimAndElevate(true);
    if (mPlaybackSpeed != 0.0f) mIsMoving = true;
    AmmoClass a = kAmmoNone;
    if (mAimTime == 0.0f && AIWantsToFire(&a) && AllowedToTarget()) {
        Fire(a, 0);
        mIsMoving = false;
        TickAmmo(a);
    }
}

bool Infantry::FireSecondarySmallArms() {
    if (!(Record().mHeavyWeapon != kWeaponNone || mAimTime == kJammed)) return false;
    if (mTarget || mAreaTarget || mLoadTime != 0.0f || IsHiding(true)) return false;
    CountDown(&mSecondaryFireTime);
    if (mSecondaryFireTime != 0.0f) return false;
    // The identifier's product wraps as 32-bit arithmetic does; a company
    // letter in the high bits would overflow a signed multiplication.
    const auto stagger =
        static_cast<int32_t>(static_cast<uint32_t>(mPackedID) * 15u + static_cast<uint32_t>(mSliceCount));
    if (stagger % 120 != 0) return false;
    Unit* t = TargetSecondarySmallArms();
    if (!t) return false;
    mTarget = t;
    gFiringSecondarySmallArms = true;
    Fire(kAmmoHE, 0);
    gFiringSecondarySmallArms = false;
    mSecondaryFireTime = static_cast<float>((RandomFraction() * 0.2 + 0.8) * 11.0);
    mTarget = nullptr;
    return true;
}

bool Infantry::AIWantsToFire(AmmoClass* ammo) {
    if (!Unit::AIWantsToFire(ammo)) return false;
    if (mAreaTarget && mExplosives > 0 && DistanceToLocation(mAreaTargetX, mAreaTargetY) <= 30.0f)
        return false;
    if (!mTarget || !mTarget->IsArmoredVehicle(kKnowEnemy, false)) return true;
    if (mMoveSpeed != kPaceFast) {
        Vehicle* v = fire::AsVehicle(mTarget);
        if (v && !v->mButtoned) return true;
        if (!mTarget->IsArmoredVehicle(kKnowEnemy, true) &&
            AngleOff(mTarget->mHeading, Bearing(mTarget->mX, mTarget->mY, mX, mY)) > 120.0f)
            return true;
    }
    WeaponType w = kWeaponNone;
    WeaponClass c = 0;
    const MGPenetration mg = GetWeaponInfo(&w, &c, kKnowTruth);
    return !(w == kWeaponNone && mg <= 1);
}

void Infantry::FriendlyFire() {
    GList list;
    list.PreserveObjects(); // the candidates stay the battle's
    FriendlyFireScan scan{this, &list};
    if (GList* units = AllUnits()) units->Find(IsFriendlyFireCandidate, &scan);
    if (list.GetCount() == 0) return;
    const uint32_t pick = RandomPair() % static_cast<uint32_t>(list.GetCount());
    mTarget = static_cast<Unit*>(list.GetObjectA(static_cast<int32_t>(pick)));
    mAlertCount = 0;
}

void Infantry::HandToHandCombat() {
    Unit* t = mTarget;
    if (!t || t->mUnitType != kUnitInfantry || !t->mActive || t->mSurrendered || mAimPause != 0.0f) return;
    if (std::fabs(t->mX - mX) > 15.0f || std::fabs(t->mY - mY) > 15.0f) return;
    if (InBuildingTerrain(GetOccupiedTerrain()) != InBuildingTerrain(t->GetOccupiedTerrain())) return;
    if (t->mZ != mZ) return;
    const float d = Distance3D(this, t);
    if (d > 15.0f) return;
    const float f = d <= 7.5f ? 1.2f : (1.0f - d / 15.0f) * 2.4f;
    const float g = std::fmax(1.0f - mFatigue * 0.003f, 0.25f);
    if (!(RandomFraction() < f * g) || !CanSee(t, nullptr)) return;

    auto* foe = static_cast<Infantry*>(t);
    gCreditKiller = this;
    const float p = AdjustFPByExperience(1.0f, false) * 0.00055f;
    if (foe->ReceiveCasualties(MenLeft(this), p, false, false, false)) {
        if (gBattle) gBattle->mActivity[fire::CounterIndex(this)] += 99999;
        AddSoundEffect(kSoundMelee);
        AddSoundEffectVoice(kVoiceMelee, 50, 0.5f, 4.0f);
        AddSoundEffectVoice(kVoiceMelee, 50, 0.5f, 4.0f);
        t->mFearClock = 0;
        if (BandOf(t->mSuppression) < 3) t->SetSuppression(65.0f, false);
        if (t->mContactLevel < kContactFull) {
            t->mContactLevel = kContactFull;
            t->mPacketDirty = true;
        }
        if (mContactLevel < kContactFull && t->InGoodOrder()) {
            mContactLevel = kContactFull;
            gPacket = true;
        }
    }
    gCreditKiller = nullptr;
    if (mHiding) {
        mHiding = false;
        gPacket = true;
    }
    if (t->mActive) {
        Unit* theirs = t->mTarget;
        const bool busyClose = theirs && std::hypot(theirs->mX - t->mX, theirs->mY - t->mY) <= 15.0f;
        if (!busyClose) {
            t->mTarget = this;
            t->mHiding = false;
            t->mPacketDirty = true;
        }
    }
    if (mPlaybackSpeed != 0.0f || (mZ > 0.0f && mZ < 1.0f)) {
        if (d < 5.0f || AspectToLocation(t->mX, t->mY, false, true) > 44.0f) {
            CancelMovementOrders();
            Stop(false);
            gPacket = true;
        }
    }
}

void Infantry::FirePZFandRG() {
    if (mAntitankShots <= 0 || !IsRocket(mAntitankWeapon) || mSliceCount % 80 != 0 ||
        BandOf(mSuppression) > 3)
        return;
    const double u = RandomFraction();
    if (!(std::sqrt(mSuppression) <= u * 10.1) || gMovementSpeedChart[mMoveSpeed].mFireLevel < 2) return;
    mHastyFire = true;
    const int32_t i = mAntitankShots - 1 < 2 ? mAntitankShots - 1 : 2;
    sLATWMinChance = kLATWMinChance[i];
    GList* units = AllUnits();
    Unit* t = units ? static_cast<Unit*>(units->Find(IsLATWArmorTarget, this)) : nullptr;
    const WeaponType w = mAntitankWeapon;
    if (!t && (w == 58 || w == 165 || w == 168 || w == 169) && RandomPair() % 3u == 0 && IsSpottedNow()) {
        sLATWFirerInside = InBuildingTerrain(GetOccupiedTerrain()) ? 1.0f : 0.0f;
        sLATWMinScore = kLATWMinScore[i];
        sLATWMaxRange = gWeaponData[w].mMaxRange * 0.6667f;
        t = units ? static_cast<Unit*>(units->Find(IsLATWSoftTarget, this)) : nullptr;
    }
    if (t) {
        Unit* savedTarget = mTarget;
        const bool savedArea = mAreaTarget;
        mTarget = t;
        mAreaTarget = false;
        Fire(kAmmoHEAT, 0);
        mTarget = savedTarget;
        mAreaTarget = savedArea;
        MaybePinLATWFirer();
        --mAntitankShots;
        gPacket = true;
    }
    mHastyFire = false;
}

bool Infantry::IsLATWArmorTarget(GObject* member, void* context) {
    auto* c = static_cast<Unit*>(member);
    auto* f = static_cast<Infantry*>(context);
    if (!c->mActive || !c->IsSpottedNow() || c->mSide == f->mSide || !c->IsArmoredVehicle(kKnowTruth, false))
        return false;
    if (std::fabs(c->mX - f->mX) >= 120.0f || std::fabs(c->mY - f->mY) >= 120.0f || !f->CanSee(c, nullptr))
        return false;
    float h = f->GetHitChance(kAmmoHEAT, 0, fire::AsVehicle(c), kKnowTruth, 0);
    if (c == f->mTarget) h *= 1.5f;
    if (h < sLATWMinChance) return false;
    if (!(h + 0.2 > RandomFraction())) return false;
    if (c == f->mOrderedTarget) return true;

    Vehicle* v = fire::AsVehicle(c);
    const bool hullDown = v && v->HullDownTo(f);
    float armour[16] = {}, share[16] = {}, ratio[16] = {};
    int32_t aspect[16] = {};
    bool face[16] = {};
    int32_t n = 0;
    c->AISetArmorValues(kKnowEnemy, f, false, 0.0f, hullDown, armour, aspect, face, share, ratio, &n,
                        gWeaponData[f->mAntitankWeapon].mCalibre);
    if (n > 16) n = 16;
    const float d = Distance3D(f, c);
    float sum = 0.0f;
    for (int32_t k = n - 1; k >= 0; --k) {
        if (share[k] == 0.0f) continue;
        const float p = GetPenetration(false, d, f->mAntitankWeapon, kAmmoHEAT, face[k], aspect[k], 1.0f,
                                       nullptr, nullptr, nullptr);
        if (p * 0.95f >= armour[k])
            sum += share[k];
        else if (p >= armour[k])
            sum += share[k] * 0.75f;
        else if (p * 1.05f >= armour[k])
            sum += share[k] * 0.25f;
    }
    return sum * h >= sLATWMinChance;
}

bool Infantry::IsLATWSoftTarget(GObject* member, void* context) {
    auto* c = static_cast<Unit*>(member);
    auto* f = static_cast<Infantry*>(context);
    if (!c->mActive || !c->IsSpottedNow() || c->mUnitType == kUnitAirplane || IsInanimate(c) ||
        c->mSide == f->mSide || c->mSurrendered)
        return false;
    if (std::fabs(c->mX - f->mX) >= 60.0f || std::fabs(c->mY - f->mY) >= 60.0f) return false;
    if (c->IsArmoredVehicle(kKnowTruth, false) || !f->CanSee(c, nullptr)) return false;
    if (sLATWFirerInside != 0.0f && InBuildingTerrain(c->GetOccupiedTerrain())) return false;
    const float d = Distance3D(f, c);
    if (d < 15.0f || d >= sLATWMaxRange) return false;
    const float t =
        c->GetTEMFromLocation(f->mX, f->mY, f->GetZ(), true, false, false, kWClassLightAT, false, nullptr);
    const float score =
        static_cast<float>(MenLeft(c)) * 1.25f - static_cast<float>(MenLeft(f)) - std::sqrt(t) * 20.0f;
    if (score < static_cast<float>(sLATWMinScore)) return false;
    auto* list = gBattle ? static_cast<UnitList*>(gBattle->mUnits) : nullptr;
    return !(list && list->LivingUnitIsNearby(c->mX, c->mY, f->GetAffiliation(), 15.0f, nullptr));
}

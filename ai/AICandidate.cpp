// Candidate scoring: each ammunition class the unit holds is tried through
// the fuzzy score, a vehicle's machine guns are weighed against the best,
// the situation corrects the score, and the candidate wins only above both
// the best so far and a switching threshold set by the unit's state.

#include <algorithm>
#include <cmath>

#include "ai/AIFacts.h"
#include "ai/AITargetState.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "engine/GFuzzySet.h"

using namespace aifacts;

Unit* gBestTarget = nullptr;
float gBestTargetScore = -1.0f;

namespace aitarget {
bool sConsiderDirectThreats = true;
bool sScoringMachineGuns = false;
Unit* sScoringUnit = nullptr;
bool sSearching = false;
bool sReuseWithinScoring = true;
ScoringMemo sMemo;
} // namespace aitarget

namespace {

float Dist3(Unit* a, Unit* b) {
    const float dx = a->mX - b->mX, dy = a->mY - b->mY, dz = a->GetZ() - b->GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Suppression bands 0..7, cut at 10, 30, 60, 100, 350, 600 and 1200.
int32_t Band(float s) {
    static const float kCuts[7] = {10.0f, 30.0f, 60.0f, 100.0f, 350.0f, 600.0f, 1200.0f};
    int32_t b = 0;
    while (b < 7 && s >= kCuts[b])
        ++b;
    return b;
}

// An armoured vehicle as the enemy knows it, and one that is not fixed.
bool Armoured(Unit* u) {
    return u->IsArmoredVehicle(kKnowEnemy, false);
}
bool ArmouredMobile(Unit* u) {
    return Armoured(u) && !IsFixedEmplacement(u);
}

bool AIIsTargetingUnit(GObject* member, void* unit) {
    return static_cast<Unit*>(member)->mTarget == unit;
}

bool AIComparableUnitEngaged(GObject* member, void* context) {
    Unit* u = static_cast<Unit*>(member);
    Unit* self = static_cast<Unit*>(context);
    if (!u->mTarget) return false;
    if (!u->IsSpottedNow() && u->mSide != self->mSide) return false;
    if (u->IsArmoredVehicle(kKnowTruth, false) != self->IsArmoredVehicle(kKnowTruth, false)) return false;
    const float d = Dist3(u, self);
    return d < 50.0f || (d <= 100.0f && self->CanSee(u, nullptr));
}

bool AIFriendlyNearTarget(GObject* member, void* context) {
    Unit* u = static_cast<Unit*>(member);
    Unit* c = static_cast<Unit*>(context);
    if (u == aitarget::sScoringUnit || !u->mActive || u->mSide == c->mSide || u->mSurrendered) return false;
    if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) return false;
    if (u->IsArmoredVehicle(kKnowTruth, false)) return false;
    const float dx = u->mX - c->mX, dy = u->mY - c->mY;
    return std::fabs(dx) < 20.0f && std::fabs(dy) < 20.0f && dx * dx + dy * dy <= 400.0f;
}

GObject* FindUnit(GMemberTest test, void* context) {
    return gBattle && gBattle->mUnits ? gBattle->mUnits->Find(test, context) : nullptr;
}

// Puts sConsiderDirectThreats back, and closes the memo, on every way out
// of the scoring.
struct ScoringScope {
    ScoringScope(Unit* scorer, Unit* candidate) {
        aitarget::ScoringMemo& m = aitarget::sMemo;
        m.active = aitarget::sReuseWithinScoring;
        m.scorer = scorer, m.candidate = candidate;
        m.threatKnown = m.harmKnown = false;
    }
    ~ScoringScope() {
        aitarget::sConsiderDirectThreats = true;
        aitarget::sMemo.active = false;
    }
};

} // namespace

void Unit::AITryOneAmmoScore(float* best, Unit* candidate, AmmoClass* bestClass, AmmoClass c) {
    float s = AIGetTargetFuzzyScore(candidate, c);
    if (!(s > *best)) return;
    if (c == kAmmoTungsten && *bestClass == kAmmoAP) {
        // Armour-piercing keeps its place when it would do as well with
        // plenty of rounds: tungsten is the scarcer.
        const uint16_t saved = mAmmo[kAmmoAP];
        mAmmo[kAmmoAP] = 99;
        const float ap = AIGetTargetFuzzyScore(candidate, kAmmoAP);
        mAmmo[kAmmoAP] = saved;
        if (ap > s) return;
    }
    if (c == kAmmoSmoke && candidate->GetSpeedClass() > 1) {
        Vehicle* v = AsVehicle(candidate);
        const bool covered = v ? v->HullDownTo(this) : candidate->InCover(true);
        if (!covered) s *= 0.5f;
    }
    if (s > *best) {
        *best = s;
        *bestClass = c;
    }
}

namespace {
// The ammunition trials of a unit with a heavy weapon against the candidate.
void RunTrials(Unit* self, Unit* candidate, float* best, AmmoClass* bestClass, bool withSmoke) {
    const uint16_t* n = self->mAmmo;
    const bool armoured = Armoured(candidate), mobile = ArmouredMobile(candidate);
    const bool pointed = self->PointedWithin(self->mHeading, 15.0f, candidate->mX, candidate->mY);
    if (n[kAmmoHE] > 0) self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoHE);
    if (n[kAmmoAP] != 0 && mobile) *best *= 0.75f;
    if (n[kAmmoAP] > 0 && (n[kAmmoHE] == 0 || mobile))
        self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoAP);
    if (n[kAmmoTungsten] > 0 && (mobile || (n[kAmmoHE] == 0 && n[kAmmoAP] == 0 && n[kAmmoHEAT] == 0)))
        self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoTungsten);
    if (n[kAmmoHEAT] > 0 && (n[kAmmoHE] == 0 || armoured))
        self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoHEAT);
    if (n[kAmmoCanister] > 0) self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoCanister);
    if (withSmoke && n[kAmmoSmoke] != 0 && *best < 0.6f && !IsMoving(candidate) &&
        candidate->HasFunctioningWeapon() && (!self->mOrderedTarget || *best <= 0.0f) &&
        (candidate->mUnitType == kUnitVehicle || candidate->GetSpeedClass() <= 1 || candidate->InCover(true)))
        self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoSmoke);
    if (n[kAmmoHE75] > 0 && pointed) self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoHE75);
    if (n[kAmmoAP75] != 0 && mobile) *best *= 0.75f;
    if (n[kAmmoAP75] > 0 && (n[kAmmoHE75] == 0 || mobile) && pointed)
        self->AITryOneAmmoScore(best, candidate, bestClass, kAmmoAP75);
}
} // namespace

void Unit::AIMakeInitialAmmoSelection() {
    if (!mTarget || !HasHeavyWeapon(kKnowTruth)) return;
    Vehicle* self = AsVehicle(this);
    if (mTarget->mUnitType != kUnitVehicle && self && !self->mUseMainGun) return;
    ScoringScope scope(this, mTarget);
    float best = 0.0f;
    AmmoClass bestClass = kAmmoHE;
    RunTrials(this, mTarget, &best, &bestClass, false);
    mAmmoClassInUse = best > 0.0f ? bestClass : kAmmoHE;
}

void Unit::AIScoreTarget(Unit* candidate, bool full) {
    if (!candidate) return;
    const float d = Dist3(this, candidate);
    Vehicle* self = AsVehicle(this);
    const bool hasHeavy = !mMGTargeting && HasHeavyWeapon(kKnowTruth);

    if (full && Band(mSuppression) == 4 && !OKForPinnedToFireAt(candidate)) return;

    float range = d;
    const bool airplane = candidate->mUnitType == kUnitAirplane;
    const WeaponType mainWeapon = GetWeaponType();
    const bool mainAA =
        ValidWeapon(mainWeapon) && mainWeapon != kWeaponNone && gWeaponData[mainWeapon].mAntiAircraft != 0;
    if (airplane) {
        bool able;
        if (!mMGTargeting) {
            if (self && mainWeapon == kWeaponNone) {
                const VehicleData* r = Record(self, kKnowTruth);
                auto aa = [](SmallArmsType t) {
                    return ValidSmallArms(t) && gSmallArmsData[t].mAntiAircraft != 0;
                };
                able = r && ((NrCoaxMGsReady(self, true) > 0 && aa(r->mCoaxMG)) ||
                             (NrFreeMGsReady(self, true) > 0 && aa(r->mFreeMG)));
            } else {
                able = mainAA;
            }
        } else {
            able = self != nullptr;
        }
        if (!able) return;
        full = false;
        range = std::max(d - 900.0f, 1.0f);
    }
    if (!InRange(range, true, 1.0f)) return;
    if (IsInfantry(this) && mFatigueState == 2 && d > 100.0f) return;

    bool restricted = false, trigger = false;
    if (full) {
        restricted = IsHiding(true) || (UnderWay(this) && !mTarget && !IsMoving(this));
        if (IsHiding(true) && mAmbush) trigger = FindUnit(AIComparableUnitEngaged, this) != nullptr;
        if (airplane && mainAA) restricted = trigger = false;
        if (restricted && mAmbush && !mOrderedTarget && !trigger && !IsSpottedNow() &&
            d > (hasHeavy ? 120.0f : 40.0f))
            return;
    }

    ScoringScope scope(this, candidate);
    aitarget::sConsiderDirectThreats = full;

    float best = 0.0f;
    AmmoClass bestClass = kAmmoHE;
    bool machineGunsWon = false;
    if (hasHeavy) {
        if (!(candidate == mOrderedTarget && candidate->mUnitType != kUnitVehicle && self &&
              !self->mUseMainGun))
            RunTrials(this, candidate, &best, &bestClass, true);
        if (full && self && !candidate->IsArmoredVehicle(kKnowTruth, false) &&
            NrCoaxMGsReady(self, true) > 0) {
            const SmallArmsType oldType = mMGTypeInUse;
            mMGTypeInUse = gVehicleData[self->mSubtype].mCoaxMG;
            mMGTargeting = true;
            aitarget::sScoringMachineGuns = true;
            const float mg = AIGetTargetFuzzyScore(candidate, kAmmoHE);
            mMGTargeting = false;
            aitarget::sScoringMachineGuns = false;
            mMGTypeInUse = oldType;
            float k;
            if (candidate == mOrderedTarget)
                k = 1.8f;
            else if (candidate->mTarget == this)
                k = 1.12f;
            else if (candidate->HasOrdnance(false, false))
                k = 0.95f;
            else
                k = best < 0.2f ? 0.65f : best < 0.4f ? 0.75f : 0.85f;
            if (mg >= k * best) {
                best = mg;
                bestClass = kAmmoNone;
                machineGunsWon = true;
            }
        }
        if (IsInfantry(candidate) && candidate->mTransport && candidate != mOrderedTarget) best *= 0.2f;
    } else if (self && !mMGTargeting) {
        const bool oldFlag = mMGTargeting;
        const SmallArmsType oldType = mMGTypeInUse;
        const VehicleData& r = gVehicleData[ValidVehicleRow(self) ? self->mSubtype : 0];
        mMGTargeting = true;
        bool score = true;
        if (NrCoaxMGsReady(self, true) > 0)
            mMGTypeInUse = r.mCoaxMG;
        else if (NrFreeMGsReady(self, true) > 0)
            mMGTypeInUse = r.mFreeMG;
        else if (self->HullDownTo(candidate))
            score = false;
        else
            mMGTypeInUse = r.mBowMG;
        best = score ? AIGetTargetFuzzyScore(candidate, kAmmoHE) : 0.0f;
        mMGTargeting = oldFlag;
        mMGTypeInUse = oldType;
        if (IsInfantry(candidate) && candidate->mTransport && d > 60.0f) best *= 0.3f;
    } else {
        best = AIGetTargetFuzzyScore(candidate, kAmmoHE);
    }

    float s = best;
    if (self && !mMGTargeting && IsMoving(this) && !Armoured(candidate) && !airplane &&
        !candidate->HasOrdnance(false, false) && HasOrdnance(true, false))
        s *= 0.4f;
    if (IsInfantry(candidate) && d > 60.0f) {
        if (candidate->mTransport) {
            s *= 0.5f;
        } else {
            if (PlatoonMember(candidate)) {
                const int32_t men = candidate->GetOriginalNrMen();
                if (men > 0) {
                    const float r = static_cast<float>(Survivors(candidate)) / static_cast<float>(men);
                    if (r < 0.75f) s *= r * 1.3333f;
                }
            }
            if (bestClass == kAmmoSmoke) {
                const int32_t band = Band(candidate->mSuppression);
                if (band == 4)
                    s *= 0.35f;
                else if (band >= 5)
                    s = 0.0f;
            }
        }
    }
    if (Vehicle* cv = AsVehicle(candidate)) {
        const VehicleData* r = Record(cv, kKnowTruth);
        if (r && r->mMobilityClass == 5 && candidate->GetOccupiedTerrain() != 37) s *= 0.5f;
    }
    if (full) {
        Vehicle* cv = AsVehicle(candidate);
        if (mTargetDead && candidate == mTarget && !mMGTargeting) {
            s = std::min(s, 0.5f);
        } else if (candidate == mTarget && !mMGTargeting && (!cv || BailOutTime(cv) < 0)) {
            const float aim = static_cast<float>(mShotsAtTarget);
            if (candidate == mOrderedTarget)
                s *= 2.0f;
            else if (!mOrderedTarget)
                s *= hasHeavy ? aim * 0.1f + 1.15f : 1.05f;
            else
                s *= hasHeavy ? aim * 0.06f + 1.1f : 1.1f;
        } else if (candidate->mSpotMarker) {
            s *= 0.5f;
        }
        if (candidate == mOrderedTarget && s > 0.0f && s < 0.4f) s = 0.4f;
    }

    if (!(s > gBestTargetScore)) return;
    float t;
    if (!full) {
        t = -0.0001f;
    } else if (candidate == mOrderedTarget && !mAreaTarget && (!restricted || !mAmbush)) {
        t = 0.02f;
    } else {
        const bool machineGuns = mMGTargeting || machineGunsWon;
        if (mAreaTarget) {
            t = self && HasFlamethrower(self) ? 0.85f : mSmokeScreen ? 0.35f : 0.7f;
        } else if (machineGuns) {
            t = 0.04f;
        } else {
            t = hasHeavy
                    ? (ValidWeapon(mainWeapon) && gWeaponData[mainWeapon].mCalibre < 41.0f ? 0.17f : 0.27f)
                    : 0.08f;
            if (mOrderedTarget && mOrderedTarget != candidate) t = std::max(t, 0.5f);
            if (IsTankHunter(this) && IsInfantry(candidate)) t = std::max(t, 0.25f);
        }
        if (bestClass == kAmmoSmoke) t = std::max(t, 0.15f);
        if (hasHeavy && mTarget && mTarget != candidate && Armoured(mTarget) &&
            IsArmoredVehicle(kKnowTruth, false))
            t = std::max(t, 0.45f);
        if (self && !mMGTargeting && self->mTurretHoldSlices > 0 && candidate != mOrderedTarget)
            t = std::max(t, 0.17f);
        if (mContactLevel <= 1 && !mCoveredArc &&
            !(IsInfantry(this) && candidate->mUnitType == kUnitVehicle && d <= 40.0f)) {
            BattleHost* host = gBattle ? gBattle->Host() : nullptr;
            const bool bonus = host && host->GameMode() == kGameModeComputer && gBattle->mComputerBonus > 0 &&
                               GetAffiliation() != host->ComputerSide();
            float open;
            if (IsInfantry(this)) {
                const WeaponType gun = InfantryGun(this);
                if (gun == kWeaponNone)
                    open = bonus ? 0.45f : 0.35f;
                else if (WeaponClassOf(gun) == 1)
                    open = bonus ? 0.65f : 0.6f;
                else
                    open = bonus ? 0.6f : 0.5f;
            } else {
                open = bonus ? 0.4f : 0.3f;
            }
            t = std::max(t, open);
        }
        if (restricted && mAmbush) {
            if (FindUnit(AIIsTargetingUnit, this)) {
                t = std::min(t, 0.4125f);
            } else {
                t = std::max(t, trigger ? 0.55f : 0.75f);
                if (d > (trigger ? 100.0f : 50.0f)) s = 0.0f;
            }
            if (IsLeader(nullptr)) t *= 1.25f;
        }
    }
    if (!(s > t)) return;
    aitarget::sScoringUnit = this;
    if (hasHeavy && (bestClass == kAmmoHE || bestClass == kAmmoHE75) && GetWeaponClass() != 6 &&
        FindUnit(AIFriendlyNearTarget, candidate))
        return;
    gBestTarget = candidate;
    gBestTargetScore = s;
    if (hasHeavy) mAmmoClassInUse = bestClass;
}

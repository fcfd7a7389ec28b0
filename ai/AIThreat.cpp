// The fuzzy inputs of a target's score: the candidate's threat to the
// scorer, the urgency of engaging it, the scorer's ammunition level for the
// class and the urgency tempered by that level.

#include <algorithm>
#include <cmath>

#include "ai/AIFacts.h"
#include "ai/AIGeometry.h"
#include "ai/AIHarm.h"
#include "ai/AIRuleTables.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFuzzySet.h"

using namespace aifacts;

namespace {

constexpr float kLow = GFuzzySet::kFarLow, kLow2 = GFuzzySet::kNearLow;
constexpr float kHigh = GFuzzySet::kNearHigh, kHigh2 = GFuzzySet::kFarHigh;

// The nearest-armour search: the unit it is for, the best found and its
// distance.
Unit* sNearestFor = nullptr;
Unit* sNearest = nullptr;
float sNearestDistance = 0.0f;

bool EnemyArmourOf(Unit* u, Unit* of) {
    return u->mSide != of->mSide && u->IsArmoredVehicle(kKnowTruth, false) && u->mActive;
}

void AIFindNearestEnemyArmor(GObject* member, void*) {
    Unit* u = static_cast<Unit*>(member);
    if (!EnemyArmourOf(u, sNearestFor)) return;
    const float dx = u->mX - sNearestFor->mX, dy = u->mY - sNearestFor->mY,
                dz = u->GetZ() - sNearestFor->GetZ();
    const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (d < sNearestDistance) {
        sNearestDistance = d;
        sNearest = u;
    }
}

float RoundsPerMinute(Unit* s) {
    const float t = s->FullLoadTime(false, true) + s->FullAimTime(false, true);
    return t > 0.0f ? 60.0f / t : 0.0f;
}

} // namespace

void Unit::AIComputeThreat(GFuzzySet* out, Unit* scorer, bool inArc, bool ammoIsSmoke, bool limitsAttention) {
    GFuzzySet v, h;
    out->Clear();
    if (mUnitType == kUnitAirplane) {
        v.SetFull(2);
        h.SetFull(3);
        h.CombineThroughFAM(airules::ThreatRule, &v, out);
        return;
    }
    if (!gFiringSecondarySmallArms && IsInfantry(this) && AntiArmourRounds(this) > 0) {
        sNearest = nullptr;
        sNearestDistance = 9999999.0f;
        if (limitsAttention) {
            if (EnemyArmourOf(scorer, this)) {
                sNearest = scorer;
                sNearestDistance = Distance(mX, mY, GetZ(), scorer->mX, scorer->mY, scorer->GetZ());
            }
        } else if (gBattle && gBattle->mUnits) {
            sNearestFor = this;
            gBattle->mUnits->DoForEach(AIFindNearestEnemyArmor, nullptr);
        }
        const WeaponType at = AntiArmourWeapon(this);
        if (sNearest && ValidWeapon(at) && sNearestDistance < 1.2f * gWeaponData[at].mMaxRange) {
            sNearest->AIGetVPValue(&v, false, kKnowEnemy);
            h.SetFull(GetAffiliation() != kAxis ? 3 : 2);
            h.CombineThroughFAM(airules::ThreatRule, &v, out);
            return;
        }
    }
    if (limitsAttention && mTarget != scorer) {
        out->SetFull(0);
        return;
    }
    const bool aimsElsewhere = mTarget && inArc;
    if (!aimsElsewhere && IsInfantry(this) && WeaponClassOf(InfantryGun(this)) == 5) {
        out->SetFull(gFiringSecondarySmallArms ? 1 : 0);
        return;
    }
    Unit* victim = aimsElsewhere ? mTarget : scorer;
    victim->AIGetVPValue(&v, mTarget == scorer, kKnowTruth);
    if (!CanMovePhysically() && !AbleToFaceUnit(victim)) {
        h.SetFull(0);
    } else {
        // Judged as if it stood: the moving flag is held clear with the
        // speed, or the hit chance would still take the moving-fire penalty
        // and the ranging of a unit on the move.
        const float speed = mPlaybackSpeed;
        const bool moving = mIsMoving;
        mPlaybackSpeed = 0.0f;
        mIsMoving = false;
        AIGetAbilityToHarm(&h, victim, ChooseAmmo(victim, false), true, true, true, 1.0f, true);
        mPlaybackSpeed = speed;
        mIsMoving = moving;
        if (!ammoIsSmoke) {
            const float d = Distance(mX, mY, GetZ(), scorer->mX, scorer->mY, scorer->GetZ());
            GFuzzySet near;
            near.AddTrapezoid(0, d, kLow, kLow2, 10.0f, 60.0f);
            near.AddTrapezoid(1, d, 10.0f, 60.0f, kHigh, kHigh2);
            h.CombineThroughFAM(airules::CloseRangeHarmRule, &near, &h);
        }
    }
    h.CombineThroughFAM(airules::ThreatRule, &v, out);
}

void Unit::AIComputeUrgency(GFuzzySet* value, GFuzzySet* threat, GFuzzySet* out, bool inArc, bool ammoIsSmoke,
                            bool limitsAttention) {
    const int8_t* table = limitsAttention ? airules::kUrgencyDirectThreat
                          : ammoIsSmoke   ? airules::kUrgencySmoke
                          : inArc         ? airules::kUrgencyCoveredArc
                                          : airules::kUrgencyDefault;
    value->CombineThroughFAM(table, airules::kUrgencyW, threat, out);
}

void Unit::AIComputeAmmoLevel(AmmoClass c, Unit* target, GFuzzySet* out) {
    out->Clear();
    const bool uncountedRounds = mMGTargeting || c == kAmmoNone || gFiringSecondarySmallArms;
    const float n = uncountedRounds ? 9999.0f : (c >= 0 && c < kAmmoClassCount ? mAmmo[c] : 0.0f);
    float z = -99.0f, p1, p2, p3, p4;
    auto points = [&](float a, float b, float cc, float d) { p1 = a, p2 = b, p3 = cc, p4 = d; };
    const bool heavy = HasHeavyWeapon(kKnowTruth);
    Vehicle* own = AsVehicle(this);
    const WeaponClass heavyClass =
        IsInfantry(this)
            ? WeaponClassOf(InfantryGun(this))
            : (own && ValidVehicleRow(own) ? WeaponClassOf(gVehicleData[own->mSubtype].mMainWeapon) : -1);
    const bool uncounted =
        gFiringSecondarySmallArms ||
        (!mMGTargeting && heavy && (heavyClass == 6 || (IsInfantry(this) && heavyClass == 9)));
    const bool closeAssault = !uncounted && !mMGTargeting && IsInfantry(this) && target &&
                              target->mUnitType == kUnitVehicle && HasCloseAssault(this) && !heavy &&
                              Distance(mX, mY, GetZ(), target->mX, target->mY, target->GetZ()) <= 40.0f;
    if (uncounted || closeAssault) {
        points(-2.0f, -1.0f, 0.0f, 1.0f);
    } else if (mMGTargeting || c == kAmmoNone || (IsInfantry(this) && !heavy)) {
        if (PlatoonMember(this))
            points(10.0f, 25.0f, 40.0f, 999.0f);
        else
            points(4.0f, 15.0f, 30.0f, 50.0f);
    } else {
        const bool armour =
            target && target->mUnitType == kUnitVehicle && target->IsArmoredVehicle(kKnowEnemy, false);
        switch (c) {
        case kAmmoHE:
        case kAmmoHE75: {
            const float s = std::max(std::sqrt(RoundsPerMinute(this) / 6.0f), 0.25f);
            points(5.0f * s, 12.0f * s, 25.0f * s, 50.0f * s);
            break;
        }
        case kAmmoCanister:
            points(2.0f, 3.0f, 5.0f, 8.0f);
            break;
        case kAmmoHEAT:
            if (armour) {
                points(1.0f, 3.0f, 5.0f, 10.0f);
            } else {
                // The reference count belongs to infantry; a vehicle uses none.
                const int32_t k = IsInfantry(this) && ValidInfantryRow(this)
                                      ? std::max<int32_t>(gInfantryData[mSubtype].mHEATReference, 0)
                                      : 0;
                z = 2.0f;
                points(static_cast<float>(std::min((k + 1) / 2, 4)), 7.0f, 20.0f, 2000.0f);
            }
            break;
        case kAmmoSmoke:
            points(-1.0f, 1.0f, 5.0f, 10.0f);
            break;
        default:
            if ((c == kAmmoAP || c == kAmmoTungsten || c == kAmmoAP75) && !armour) {
                z = 15.0f;
                points(25.0f, 30.0f, 50.0f, 99.0f);
            } else if (c == kAmmoTungsten) {
                points(0.0f, 1.0f, 4.0f, 20.0f);
            } else {
                points(2.0f, 10.0f, 20.0f, 35.0f);
            }
            break;
        }
    }
    if (own && !CanMovePhysically()) {
        p1 *= 0.5f, p2 *= 0.5f, p3 *= 0.5f;
        if (z > 0.0f) z *= 0.5f;
    } else if (IsInfantry(this) && mCasualties > 0) {
        const int32_t full = FullStrength(this);
        float f = full > 0 ? static_cast<float>(full - mCasualties) / static_cast<float>(full) : 0.0f;
        if (f < 0.01f) f = 0.01f;
        p1 *= f, p2 *= f, p3 *= f;
        if (z > 0.0f) z *= f;
    }
    if (gBattle && gBattle->mLastTurn > 0) {
        const float last = static_cast<float>(gBattle->mLastTurn);
        float g = (last - static_cast<float>(gBattle->mTurn) + 1.0f) / last;
        if (g < 0.01f) g = 0.01f;
        p1 *= g, p2 *= g, p3 *= g, p4 *= g;
    }
    if (z >= 0.99f * p1) z = 0.99f * p1;
    if (z > 0.0f) {
        out->AddTrapezoid(0, n, kLow, kLow2, z, p1);
        out->AddTrapezoid(1, n, z, p1, p1, p2);
    } else {
        out->AddTrapezoid(1, n, kLow, kLow2, p1, p2);
    }
    out->AddTrapezoid(2, n, p1, p2, p2, p3);
    out->AddTrapezoid(3, n, p2, p3, p3, p4);
    out->AddTrapezoid(4, n, p3, p4, kHigh, kHigh2);
}

void Unit::AITemperUrgencyWithAmmo(GFuzzySet* ammoLevel, GFuzzySet* urgency, bool ammoIsSmoke) {
    ammoLevel->CombineThroughFAM(ammoIsSmoke ? airules::kTemperSmoke : airules::kTemperDefault,
                                 airules::kTemperW, urgency, urgency);
}

// How much one unit (the shooter S, this) can harm another (the target T)
// with one ammunition class: one minute of its fire as a number 0..3.4, with
// the target's cover and armour included.

#include "ai/AIHarm.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "ai/AIFacts.h"
#include "battle/Battle.h"
#include "engine/GFuzzySet.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/ValueMemo.h"

using namespace aifacts;

namespace {

constexpr float kMaxHarm = 3.4f;
constexpr int32_t kSlots = 9;

// The armour slots of one estimate.
struct Slots {
    float armour[kSlots] = {};
    int32_t longs[kSlots] = {};
    bool bools[kSlots] = {};
    float weights[kSlots] = {};
    float ratios[kSlots] = {};
    int32_t count = 0;
};

// Rounds a minute: 60 / (load + aim); none when both times are 0.
float RoundsPerMinute(Unit* s) {
    const float t = s->FullLoadTime(false, true) + s->FullAimTime(false, true);
    return t > 0.0f ? 60.0f / t : 0.0f;
}

float Dist3(Unit* a, Unit* b) {
    const float dx = a->mX - b->mX, dy = a->mY - b->mY, dz = a->GetZ() - b->GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool InDate(WeaponType w, AmmoClass c) {
    return AmmoTypeInUse(kAmmoStrict, w, c, nullptr) != kAmmoTypeNone;
}

// A class the weapon has no round of in date stands in for the nearest one.
AmmoClass SubstituteAmmo(WeaponType w, AmmoClass c) {
    switch (c) {
    case kAmmoHE:
        return InDate(w, kAmmoHEAT) ? kAmmoHEAT : kAmmoAP;
    case kAmmoAP:
    case kAmmoTungsten:
        return InDate(w, kAmmoHEAT) ? kAmmoHEAT : kAmmoHE;
    case kAmmoHEAT:
        return InDate(w, kAmmoAP) ? kAmmoAP : kAmmoHE;
    case kAmmoHE75:
        return InDate(w, kAmmoHE) ? kAmmoHE : kAmmoAP;
    case kAmmoAP75:
        return InDate(w, kAmmoAP) ? kAmmoAP : kAmmoHE;
    default:
        return c;
    }
}

float SuppressionFactor(float s) {
    if (s < 100.0f) return 1.0f;
    if (s < 350.0f) return 0.8f;
    if (s < 600.0f) return 0.35f;
    return 0.15f;
}

bool IsTerrainWithOverhead(Terrain t) {
    return t == 20 || t == 21 || t == 22 || t == 30 || t == 31 || t == 32;
}

struct Estimate {
    Unit* s;
    Unit* t;
    AmmoClass c;
    bool broad, cover, suppression;
    DataKnowledge own, known;
    bool overrun;
    WeaponType type;
    WeaponClass wclass;
    MGPenetration mg;
    float d;
    float maxRange; // the record's maximum, without the broad allowance
};

// Fire from above: the chance that a round of the minute's fire comes down
// on the deck or roof it can pierce.
float FromAbove(Estimate& e, Vehicle* tv) {
    const float pen = GetPenetration(false, 0.0f, e.type, e.c, false, 260, 1.0f, nullptr, nullptr, nullptr);
    float value = 0.0f;
    for (VehicleHitLocation loc : {4, 3}) {
        // The plate as the hit rules read it, without drawing: with no
        // hardness asked for and a roof or deck struck, nothing is drawn.
        const float armour =
            tv->CalculateArmorBasis(e.s->mX, e.s->mY, 0.0f, false, loc, kAspectFront, true, 75.0f, e.wclass,
                                    e.c, 0, e.known, nullptr, nullptr, nullptr, false, nullptr);
        if (pen >= armour) {
            const int32_t t = e.s->CalculateTimeOfFlight(e.type, e.wclass, e.c, nullptr, e.t->mX, e.t->mY,
                                                         e.t->GetZ(), nullptr);
            float ea = 0.0f, eb = 0.0f;
            const bool flag = ValidWeapon(e.type) && (gWeaponData[e.type].mFlags & 1) != 0;
            e.s->AIPlacedShellError(e.t, t, e.wclass, flag, e.c, &ea, &eb);
            const float err = std::sqrt(ea * ea + eb * eb);
            const VehicleData* r = Record(tv, e.known);
            const float size = r ? r->mTargetSize : 0.0f;
            // A placed error of 0 lands every round.
            float q = err > 0.0f ? 1.0f - 1.75f * size / (2.5f * err) : 0.0f;
            if (q < 0.0f) q = 0.0f;
            // The rounds of the minute after the first, truncated as a whole:
            // one round in 90 s still gives n = 0, not -1.
            const int32_t n = static_cast<int32_t>(RoundsPerMinute(e.s) - 1.0f);
            value += 1.0f - std::pow(q, static_cast<float>(n + 1));
        }
        if (loc == 4) value *= 2.0f;
    }
    return value * 0.333333f;
}

float ArmouredTarget(Estimate& e, Vehicle* tv) {
    if (e.c == kAmmoCanister) return 0.0f;
    const bool fixed = IsFixedEmplacement(e.t);
    if (e.wclass == 7) return tv && tv->mButtoned ? 0.0f : 0.495f;
    if (e.wclass == 4) return tv ? FromAbove(e, tv) : 0.0f;
    if (e.wclass == 6) {
        if (e.d <= e.maxRange) return 1.0f;
        if (!e.broad) return 0.0f;
        return e.d > 2.0f * e.maxRange ? 0.25f : 0.5f;
    }
    float value = 0.0f, floor = 0.0f, pen, hit;
    bool hullDown = false, antiArmourMark = false;
    const WeaponType at = AntiArmourWeapon(e.s);
    if (e.broad && IsInfantry(e.s) && AntiArmourRounds(e.s) > 0 && ValidWeapon(at) &&
        e.d < gWeaponData[at].mMaxRange + 40.0f) {
        pen = e.s->GetAffiliation() != kAxis ? 500.0f : 95.0f;
        hit = 0.35f;
        antiArmourMark = true;
    } else if (e.wclass == 0) {
        pen = GetSmallArmsPenetration(e.mg, e.d, true, 450, 1.25f);
        hit = fixed ? PseudoToHitVersusSlot(e.d) : e.s->SmallArmsFirepower(e.d, nullptr, true, true) * 0.002f;
        if (e.d < 40.0f && IsInfantry(e.s) && HasCloseAssault(e.s)) {
            floor = tv && tv->OpenTopStatus(e.known) == 0 ? 0.5f : 1.0f;
            if (e.broad) floor = floor * (100.0f - std::min(e.s->mSuppression, 100.0f)) * 0.01f;
        }
    } else if (e.wclass == 1 || e.wclass == 2 || e.wclass == 3 || e.wclass == 9) {
        pen = -1.0f;
        const int32_t t = e.s->CalculateTimeOfFlight(e.type, e.wclass, e.c, nullptr, e.t->mX, e.t->mY,
                                                     e.t->GetZ(), nullptr);
        hit = e.s->AIGetHitChance(e.c, t, tv, e.own);
        hullDown = tv && tv->HullDownTo(e.s);
    } else {
        pen = 0.0f;
        hit = 0.5f;
    }

    const bool realWeapon = e.type != kWeaponNone && ValidWeapon(e.type);
    const float calibre = realWeapon ? gWeaponData[e.type].mCalibre : 8.0f;
    Slots sl;
    if (tv)
        tv->AISetArmorValues(e.known, e.s, e.broad, hit, hullDown, sl.armour, sl.longs, sl.bools, sl.weights,
                             sl.ratios, &sl.count, calibre);
    sl.count = std::clamp(sl.count, 0, kSlots);
    // The crew's resistance to hits that do not pierce; the data check keeps
    // it above -70, and a row that is not checked adds nothing.
    const VehicleData* vd = tv ? Record(tv, e.known) : nullptr;
    const float shock = vd ? static_cast<float>(vd->mShockResistance) : 0.0f;
    for (int32_t i = sl.count - 1; i >= 0; --i) {
        const float w = sl.weights[i];
        if (w == 0.0f) continue;
        const float p = pen < 0.0f ? GetPenetration(false, e.d, e.type, e.c, sl.bools[i], sl.longs[i],
                                                    calibre > 0.0f ? sl.ratios[i] / calibre : 0.0f, nullptr,
                                                    nullptr, nullptr)
                                   : pen;
        const float a = sl.armour[i];
        if (p >= 1.1f * a)
            value += w;
        else if (p > 0.9f * a)
            value += w * 5.0f * (p / a - 0.9f);
        else if (e.broad && realWeapon && p >= 25.0f && !fixed && shock + 70.0f > 0.0f)
            value += w * 0.2f * calibre / (shock + 70.0f);
    }

    if (e.broad) value *= 0.5f;
    value *= 0.75f;
    const float rate =
        e.s->mUnitType == kUnitVehicle && e.s->mMGTargeting ? 5.0f : 0.8f * RoundsPerMinute(e.s);
    value *= rate;
    if (!fixed && e.wclass != 0) value = std::max(value, e.broad ? 0.1f : 0.05f);
    value *= hit;
    if (e.c == kAmmoTungsten) e.s->AILimitTungstenUse(hit, e.t, &value);
    if (value < floor) value = floor;
    if (!fixed && e.wclass != 0) value = std::max(value, e.c == kAmmoAP ? 0.002f : 0.001f);

    if (e.wclass == 0 && !(tv && tv->mButtoned) && e.t->mContactLevel >= 3 && !fixed)
        value = std::max(value, e.s->SmallArmsFirepower(e.d, nullptr, true, true) * 0.0002f);
    else if (antiArmourMark || (e.wclass == 1 && e.broad))
        value *= 2.5f;
    return value;
}

float UnarmouredTarget(Estimate& e) {
    float value = 0.0f;
    Unit* const s = e.s;
    Unit* const t = e.t;
    const bool tInfantry = IsInfantry(t);
    if (e.wclass == 0 || e.c == kAmmoCanister) {
        float v;
        if (e.c == kAmmoCanister) {
            if (e.d > 250.0f) return 0.0f;
            const float f = e.d <= 50.0f ? 1.0f : 2500.0f / (e.d * e.d);
            const float k = ValidWeapon(e.type) ? gWeaponData[e.type].mCalibre : 0.0f;
            v = (0.1292f * k * k - 2.49f * k - 7.246f) * 1.5f * RoundsPerMinute(s) * f;
        } else {
            v = s->SmallArmsFirepower(e.d, nullptr, true, true);
        }
        if (!tInfantry) {
            value = 0.007f * v;
        } else {
            if (e.cover) {
                float cover = t->GetTEMFromLocation(s->mX, s->mY, s->GetZ(), true, false, false, e.wclass,
                                                    false, nullptr);
                if (e.c == kAmmoCanister && cover < 1.0f) cover *= cover;
                v *= cover;
            }
            int32_t shift = 0;
            if (e.wclass == 0) {
                float h = std::fmod(t->mHeading, 360.0f);
                if (h < 0.0f) h += 360.0f;
                const float dx = s->mX - t->mX, dy = s->mY - t->mY;
                float beta;
                if (dx == 0.0f)
                    beta = dy < 0.0f ? 270.0f : 90.0f;
                else {
                    beta = std::atan2(dy, dx) * 57.29578f;
                    if (beta < 0.0f) beta += 360.0f;
                }
                float a = std::fabs(h - beta);
                if (a > 180.0f) a = 360.0f - a;
                v = v * (CrossfireSuppression(a) + 1.0f) * 0.5f;
                shift = s->GetSmallArmsShift(e.d);
            }
            v = v * 0.2f / 1100.0f;
            const float n = static_cast<float>(Survivors(t) + 1 + shift);
            float f = 0.0f;
            for (int32_t i = 0; i < 5; ++i)
                f = f + (n - f) * v;
            const int32_t men = (FullStrength(t) + 7) / 2;
            value = men > 0 ? f / static_cast<float>(men) : 0.0f;
            if (e.wclass == 0 && e.d < 40.0f && PlatoonMember(s))
                value += static_cast<float>(Survivors(s)) * 0.1f * (40.0f - 0.5f * e.d) * 0.025f;
        }
    } else if (e.wclass == 1 || e.wclass == 2 || e.wclass == 3 || e.wclass == 4 || e.wclass == 9) {
        const int32_t tof =
            s->CalculateTimeOfFlight(e.type, e.wclass, e.c, nullptr, t->mX, t->mY, t->GetZ(), nullptr);
        float ea = 0.0f, eb = 0.0f;
        const bool flag = ValidWeapon(e.type) && (gWeaponData[e.type].mFlags & 1) != 0;
        s->AIPlacedShellError(t, tof, e.wclass, flag, e.c, &ea, &eb);
        float err = std::sqrt(ea * ea + eb * eb);
        float v = BlastPower(e.type, e.c) * RoundsPerMinute(s);
        if (e.cover && tInfantry) {
            const bool mark = e.wclass == 4 && IsTerrainWithOverhead(t->GetOccupiedTerrain());
            const float cover = t->GetTEMFromLocation(t->mX - 0.1f * ea, t->mY - 0.1f * eb, t->GetZ(), true,
                                                      mark, true, e.wclass, false, nullptr);
            if (cover > 0.0f) err = err / std::sqrt(cover);
            v *= cover;
        }
        const float vLow = 0.15f * v;
        ReduceFPByDistance(&v, err, BlastRadius(e.type, e.c));
        value = vLow < v ? v : vLow;
        if (tInfantry) {
            value *= 1.0f / 1100.0f;
            if (e.wclass == 1 || e.wclass == 9) value *= 0.65f;
            if (e.wclass == 4) value *= 1.35f;
            if (t->HasOrdnance(true, false)) value *= 2.75f;
        } else {
            value *= 0.007f;
        }
    } else if (e.wclass == 7) {
        value = t->IsLeader(nullptr) || e.d > 100.0f ? 0.495f : 0.0f;
    } else if (e.wclass == 6) {
        if (e.d <= e.maxRange)
            value = 1.5f;
        else if (e.broad)
            value = e.d > 2.0f * e.maxRange ? 0.5f : 1.0f;
    }
    // Armour overruns guns that cannot get away: in full below 100 m, then
    // falling linearly to nothing at 350 m; the rule never lowers a value.
    if (e.overrun && s->IsArmoredVehicle(e.own, false) && tInfantry && t->GetSpeedClass() <= 1 &&
        t->HasOrdnance(true, false)) {
        if (e.d < 100.0f)
            value = kMaxHarm;
        else if (e.d < 350.0f)
            value = std::max(value, kMaxHarm * (350.0f - e.d) / 250.0f);
    }
    return value;
}

} // namespace

float Unit::AIGetAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover, bool suppression,
                                       DataKnowledge own, DataKnowledge known, bool overrun) {
    if (!target) return 0.0f;
    if (mUnitType == kUnitInanimate || ammo == kAmmoNone) return 0.0f;
    const bool air = mUnitType == kUnitAirplane, targetAir = target->mUnitType == kUnitAirplane;
    if (air && targetAir) return 0.0f;
    if (air != targetAir) return kMaxHarm;

    Estimate e{this,  target,  ammo,        broad, cover, suppression, own,
               known, overrun, kWeaponNone, 0,     0,     0.0f,        0.0f};
    e.mg = GetWeaponInfo(&e.type, &e.wclass, own);
    if (e.wclass == 5) return broad ? 0.2f : 0.0f;
    e.d = Dist3(this, target);
    if (!std::isfinite(e.d)) return 0.0f;
    if (e.type != kWeaponNone) {
        if (!ValidWeapon(e.type)) return 0.0f;
        const WeaponData& w = gWeaponData[e.type];
        float minimum = w.mMinRange;
        if (broad)
            minimum -= 50.0f;
        else if (mUnitType == kUnitVehicle && (e.wclass == 2 || e.wclass == 3))
            minimum = std::max(minimum, 8.0f);
        const float maximum = w.mMaxRange + (broad ? 50.0f : 0.0f);
        if (e.d < minimum || e.d >= maximum) return 0.0f;
        e.maxRange = w.mMaxRange;
        if (own != kKnowTruth && mContactLevel < 5 && !InDate(e.type, e.c)) e.c = SubstituteAmmo(e.type, e.c);
    }

    float value;
    if (target->IsArmoredVehicle(known, false))
        value = ArmouredTarget(e, AsVehicle(target));
    else
        value = UnarmouredTarget(e);
    if (suppression) value *= SuppressionFactor(mSuppression);
    if (!(value == value)) value = 0.0f;
    return value > kMaxHarm ? kMaxHarm : value;
}

float Unit::AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover,
                                              bool suppression, DataKnowledge own, DataKnowledge known,
                                              bool overrun) {
    return AIGetAbilityToHarmAsNumber(target, ammo, broad, cover, suppression, own, known, overrun);
}

namespace {
// A mount qualifies with a ready gun whose small arm reaches the target and
// is of an accepted class (any class when classes is 0).
bool MountQualifies(SmallArmsType type, int32_t ready, float d, int32_t classA, int32_t classB) {
    if (type == kSmallArmsNone || !ValidSmallArms(type) || ready <= 0) return false;
    const SmallArmsData& r = gSmallArmsData[type];
    if (!(d < static_cast<float>(r.mMaxRange))) return false;
    return classA < 0 || r.mMGClass == classA || r.mMGClass == classB;
}
} // namespace

float Vehicle::AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover,
                                                 bool suppression, DataKnowledge own, DataKnowledge known,
                                                 bool overrun) {
    if (!target) return 0.0f;
    float mgPart = 0.0f;
    if (aifacts::HasFunctioningMG(this, !broad)) {
        const bool oldFlag = mMGTargeting;
        const SmallArmsType oldType = mMGTypeInUse;
        const float d = Dist3(this, target);
        mMGTargeting = true;
        const VehicleData& r = gVehicleData[ValidVehicleRow(this) ? mSubtype : 0];
        const int32_t coax = aifacts::NrCoaxMGsReady(this, !broad), bow = aifacts::NrBowMGsReady(this),
                      free = aifacts::NrFreeMGsReady(this, !broad);
        SmallArmsType found = kSmallArmsNone;
        const bool armour = target->IsArmoredVehicle(known, false);
        if (MountQualifies(r.mCoaxMG, coax, d, 4, 4))
            found = r.mCoaxMG;
        else if (MountQualifies(r.mBowMG, bow, d, 4, 4))
            found = r.mBowMG;
        else if (MountQualifies(r.mFreeMG, free, d, 4, 4))
            found = r.mFreeMG;
        else if (armour && MountQualifies(r.mFreeMG, free, d, 3, 4))
            found = r.mFreeMG;
        else if (MountQualifies(r.mCoaxMG, coax, d, -1, -1))
            found = r.mCoaxMG;
        else if (MountQualifies(r.mBowMG, bow, d, -1, -1))
            found = r.mBowMG;
        else if (MountQualifies(r.mFreeMG, free, d, -1, -1))
            found = r.mFreeMG;
        mMGTypeInUse = found;
        if (found != kSmallArmsNone)
            mgPart = AIGetAbilityToHarmAsNumber(target, ammo, broad, cover, suppression, own, known, overrun);
        mMGTargeting = oldFlag;
        mMGTypeInUse = oldType;
    }
    const float gunPart = HasHeavyWeapon(own) ? AIGetAbilityToHarmAsNumber(target, ammo, broad, cover,
                                                                           suppression, own, known, overrun)
                                              : 0.0f;
    return mgPart + gunPart;
}

namespace {

// The armour slots of a vehicle against one shooter's place.
struct ArmourSlots {
    float armour[kSlots];
    int32_t longs[kSlots];
    bool bools[kSlots];
    float weights[kSlots];
    float ratios[kSlots];
    int32_t count;
};

// The slots as the hit rules find them; with the chances asked for and mean
// plates, nothing is drawn.
void MeasureArmourSlots(Vehicle* v, const VehicleData& r, DataKnowledge k, float sx, float sy, float sz,
                        bool broad, float hitChance, bool hullDown, float calibre, ArmourSlots* out) {
    const bool fixed = r.mKind == 6;
    const bool turret = r.mHasTurretArmor != 0;
    const AmmoClass ammo = fixed ? kAmmoHE : kAmmoAP;
    float pt = 0.0f, ph = 0.0f;
    const VehicleAspect turretAspect = v->DetermineAttackAspect(sx, sy, true, true, &pt);
    const VehicleAspect hullAspect = v->DetermineAttackAspect(sx, sy, false, true, &ph);
    const int32_t n = broad ? 9 : 6;
    // The rear slots are struck from one metre behind the turret (slot 6)
    // and the hull (slots 7 and 8).
    const float kDeg = 3.14159265358979f / 180.0f;
    const float turretFacing = v->ActualHeadFacing() * kDeg, hullFacing = v->mHeading * kDeg;
    const float rearX[2] = {v->mX - std::cos(turretFacing), v->mX - std::cos(hullFacing)};
    const float rearY[2] = {v->mY - std::sin(turretFacing), v->mY - std::sin(hullFacing)};
    // The plates struck from one place share its bearings.
    ArmourBearings from[3] = {{sx, sy, sz}, {rearX[0], rearY[0], sz}, {rearX[1], rearY[1], sz}};
    static const VehicleHitLocation kLocation[9] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
    const VehicleAspect aspects[9] = {turretAspect, hullAspect, hullAspect, 1, 1, 1, 2, 2, 2};
    const float baseWeights[9] = {1.0f - pt, 1.0f - ph, 1.0f - ph, pt, ph, ph, 1.0f, 1.0f, 1.0f};
    float locWeight[3];
    if (fixed) {
        const float g = GetSlotHitChance(hitChance, ph);
        locWeight[0] = 0.0f, locWeight[1] = g, locWeight[2] = 1.0f - g;
    } else if (!hullDown && turret) {
        locWeight[0] = 0.33333f, locWeight[1] = 0.53333f, locWeight[2] = 0.13333f;
    } else if (!hullDown) {
        locWeight[0] = 0.0f, locWeight[1] = 0.83333f, locWeight[2] = 0.16667f;
    } else if (turret) {
        locWeight[0] = 0.73684f, locWeight[1] = 0.26316f, locWeight[2] = 0.0f;
    } else {
        locWeight[0] = 0.0f, locWeight[1] = 1.0f, locWeight[2] = 0.0f;
    }
    for (int32_t i = 0; i < n; ++i) {
        const VehicleHitLocation loc = kLocation[i];
        const bool used = (loc != 0 || turret) && (loc != 2 || !hullDown);
        out->armour[i] = 0.0f, out->longs[i] = 0, out->bools[i] = false, out->ratios[i] = 0.0f;
        out->weights[i] = used ? baseWeights[i] * locWeight[loc] : 0.0f;
        if (!used) continue;
        ArmourBearings& at = from[i < 6 ? 0 : i == 6 ? 1 : 2];
        float slope = 1.0f;
        out->armour[i] = v->CalculateArmorBasis(&at, true, loc, aspects[i], true, calibre, 2, ammo, 8, k,
                                                &out->bools[i], &out->longs[i], nullptr, true, &slope);
        out->ratios[i] = slope > 0.0f ? out->armour[i] / slope : out->armour[i];
    }
    out->count = n;
}

// All the measure reads: the record the knowledge gives, the vehicle's type
// (its own record's turret and bunker marks, the hardness groups), place,
// heading, turret bearing, height, pitch, roll and front armour factor, the
// shooter's place, the arguments and the date (the default hardness).
struct SlotsKey {
    const VehicleData* record; // the tables do not move while a scope is open
    VehicleType type;
    uint32_t x, y, heading, turret, z, pitch, roll, factor; // the floats' bits
    uint32_t sx, sy, sz, hitChance, calibre;                // the floats' bits
    bool broad, hullDown;
    int32_t date;
    bool operator==(const SlotsKey&) const = default;
};

struct SlotsKeyHash {
    size_t operator()(const SlotsKey& k) const {
        const auto row = reinterpret_cast<uintptr_t>(k.record);
        return HashWords({static_cast<uint32_t>(row), static_cast<uint32_t>(row >> 16 >> 16),
                          static_cast<uint32_t>(k.type), k.x, k.y, k.heading, k.turret, k.z, k.pitch, k.roll,
                          k.factor, k.sx, k.sy, k.sz, k.hitChance, k.calibre,
                          static_cast<uint32_t>(k.broad) | static_cast<uint32_t>(k.hullDown) << 1,
                          static_cast<uint32_t>(k.date)});
    }
};

thread_local ValueMemo<SlotsKey, ArmourSlots, SlotsKeyHash> tSlotsMemo;

uint32_t Bits(float f) {
    return std::bit_cast<uint32_t>(f);
}

} // namespace

void Vehicle::AISetArmorValues(DataKnowledge k, Unit* shooter, bool broad, float hitChance, bool hullDown,
                               float armour[], int32_t longs[], bool bools[], float weights[], float ratios[],
                               int32_t* count, float calibre) {
    if (count) *count = 0;
    if (!shooter || !ValidVehicleRow(this)) return;
    const float sx = shooter->mX, sy = shooter->mY, sz = shooter->GetZ();
    if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(sz) || !std::isfinite(mX) ||
        !std::isfinite(mY))
        return;
    if (mDugIn) hullDown = true;
    if (!(calibre > 0.0f)) calibre = 75.0f;
    const VehicleData& r = GetVehicleDataRecord(k);
    ArmourSlots slots;
    // The player's knowledge asks the screen's side; it is never kept.
    if (k != kKnowIdentified && tSlotsMemo.Live()) {
        const SlotsKey key{&r,
                           mSubtype,
                           Bits(mX),
                           Bits(mY),
                           Bits(mHeading),
                           Bits(mTurretBearing),
                           Bits(GetZ()),
                           Bits(mHullPitch),
                           Bits(mHullRoll),
                           Bits(mArmorFactor[0]),
                           Bits(sx),
                           Bits(sy),
                           Bits(sz),
                           Bits(hitChance),
                           Bits(calibre),
                           broad,
                           hullDown,
                           ScenarioDate()};
        if (const ArmourSlots* kept = tSlotsMemo.Find(key)) {
            slots = *kept;
        } else {
            MeasureArmourSlots(this, r, k, sx, sy, sz, broad, hitChance, hullDown, calibre, &slots);
            tSlotsMemo.Keep(key, slots);
        }
    } else {
        MeasureArmourSlots(this, r, k, sx, sy, sz, broad, hitChance, hullDown, calibre, &slots);
    }
    for (int32_t i = 0; i < slots.count; ++i) {
        armour[i] = slots.armour[i];
        longs[i] = slots.longs[i];
        bools[i] = slots.bools[i];
        weights[i] = slots.weights[i];
        ratios[i] = slots.ratios[i];
    }
    if (count) *count = slots.count;
}

void Unit::AIGetAbilityToHarm(GFuzzySet* set, Unit* target, AmmoClass ammo, bool broad, bool cover,
                              bool suppression, float factor, bool overrun) {
    const float x =
        AIGetAbilityToHarmAsNumber(target, ammo, broad, cover, suppression, kKnowTruth, kKnowEnemy, overrun);
    AIFuzzifyHarm(set, x * factor);
}

void AIFuzzifyHarm(GFuzzySet* set, float x) {
    set->AddTrapezoid(0, x, GFuzzySet::kFarLow, GFuzzySet::kNearLow, 0.0f, 0.07f);
    set->AddTrapezoid(1, x, 0.0f, 0.07f, 0.07f, 0.25f);
    set->AddTrapezoid(2, x, 0.07f, 0.25f, 0.25f, 2.0f);
    set->AddTrapezoid(3, x, 0.25f, 1.95f, GFuzzySet::kNearHigh, GFuzzySet::kFarHigh);
}

namespace aiharm {
float sFriendlyHarm = 0.0f;
Unit* sExcluded = nullptr;

void AISumFriendlyHarmOnTarget(GObject* member, void* target) {
    Unit* u = static_cast<Unit*>(member);
    Unit* t = static_cast<Unit*>(target);
    if (u == sExcluded || !u->mActive || u->mTarget != t || u->mAreaTarget) return;
    sFriendlyHarm += u->AIGetAbilityToHarmAsNumber(t, u->ChooseAmmo(t, false), false, true, true, kKnowTruth,
                                                   kKnowEnemy, false);
}
} // namespace aiharm

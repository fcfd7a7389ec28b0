// Blast, small-arms firepower, reload, hit-chance, morale and ammunition
// rules.

#include "units/Functions.h"

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/RuleContext.h"

namespace {

constexpr float kBrackets[kFirepowerBrackets] = {40, 100, 175, 250, 375, 500, 650, 850, 1200, 1800};

bool InDate(const AmmoData& a, int32_t date) {
    return date >= a.mFirstDate && date <= a.mLastDate;
}

// Filler fraction of high explosive; other rounds burst like a tenth.
double Filler(AmmoClass kind, const AmmoData& a) {
    return kind == kAmmoHE || kind == kAmmoHE75 ? a.mSpecial : 0.1;
}

} // namespace

// ------------------------------------------------------------ ammunition

AmmoType AmmoTypeInUse(int32_t mode, WeaponType weapon, AmmoClass kind, float* muzzleVelocity) {
    const WeaponData& w = gWeaponData[weapon];
    const int32_t date = ScenarioDate();
    const WeaponAmmo* first = nullptr;
    for (const WeaponAmmo& pair : w.mAmmo) {
        if (pair.mType < 1) break;
        const AmmoData& a = gAmmoData[pair.mType];
        if (a.mClass != kind) continue;
        if (!first) first = &pair;
        if (InDate(a, date)) {
            if (muzzleVelocity) *muzzleVelocity = pair.mVelocity;
            return pair.mType;
        }
    }
    if (mode == kAmmoStrict) return kAmmoTypeNone;
    if (!first) first = &w.mAmmo[0];
    if (muzzleVelocity) *muzzleVelocity = first->mVelocity;
    return first->mType < 1 ? kAmmoTypeNone : first->mType;
}

MGAmmoClass GetMGAmmoType(SmallArmsType type) {
    if (type == kSmallArmsNone) return 0;
    const int32_t c = gSmallArmsData[type].mMGClass;
    return c == 3 ? 1 : c == 4 ? 2 : 0;
}

MovementSpeedType ConvertOrderToSpeed(int32_t order) {
    const int32_t rows = std::min(gMovementSpeedChart.Count(), kOrderSearchRows);
    for (int32_t i = 0; i < rows; ++i)
        if (gMovementSpeedChart[i].mOrderCode == order) return i;
    return kPaceDefaultMove;
}

// ------------------------------------------------------------ armour

float CombineArmorPlates(float a, float b, bool face) {
    if (b <= 0.0f) return a;
    const double c = std::pow(std::pow(double(a), 1.4) + std::pow(double(b), 1.4), 0.714);
    double r = (a + b + c) * 0.5;
    if (face) r *= 1.22;
    return static_cast<float>(r);
}

float ArmorQualityFactor(ArmorQuality quality, VehicleHitLocation location, VehicleAspect aspect,
                         const Vehicle* vehicle) {
    switch (quality) {
    case 0:
        return 1.0f;
    case 1:
        return 0.95f;
    case 2:
        return 0.90f;
    case 3:
        return 0.85f;
    case 6:
        return 0.85f;
    case 4:
    case 5:
        if (vehicle && location == kHitUpperHull && aspect == kAspectFront)
            return VehicleArmorFactor(vehicle);
        return 1.0f;
    default:
        return 1.0f;
    }
}

void CapPillboxArmor(WeaponClass weaponClass, AmmoClass kind, float* armour) {
    const bool gun =
        weaponClass == kWClassGun || weaponClass == kWClassTwinGun || weaponClass == kWClassSpecial;
    if (gun && (kind == kAmmoHE || kind == kAmmoHE75) && *armour > 80.0f) *armour = 80.0f;
}

// ------------------------------------------------------------ flight and reload

float HeavyReload(WeaponType weapon, WeaponClass weaponClass, float weight, int32_t crewSkill) {
    float t;
    if (weaponClass == kWClassFlame) {
        t = 5.0f;
    } else if (weight <= 140.0f) {
        const double w = weight;
        t = static_cast<float>(0.3116 * w + 2.831 - 0.0005464 * w * w);
        if (weaponClass == kWClassMortar)
            t *= 0.7f;
        else if (gWeaponData[weapon].mFlags & 1)
            t *= 1.7f;
    } else {
        t = 115.0f;
    }
    const float s = static_cast<float>(crewSkill);
    if (crewSkill <= 1)
        t *= 1.5f - 0.25f * s;
    else if (crewSkill >= 3)
        t *= 1.0f - 0.075f * s;
    if (weaponClass == kWClassTwinGun)
        t *= 0.6f;
    else if (weaponClass == kWClassLightAT)
        t *= 1.6f;
    return t;
}

void ModifyFlightTime(float factor, int32_t* packetFlightSlices, int32_t* attackDueSlice, int32_t* flightTime,
                      int32_t* arrival) {
    if (packetFlightSlices) *packetFlightSlices = static_cast<int32_t>(*packetFlightSlices * factor + 0.5f);
    const int32_t old = *flightTime;
    *flightTime = static_cast<int32_t>(old * factor + 0.5f);
    const int32_t oldArrival = *arrival;
    *arrival += *flightTime - old;
    if (attackDueSlice) *attackDueSlice = *attackDueSlice - oldArrival + *arrival;
}

float FlightTimeTolerance(AmmoClass kind) {
    if (kind == kAmmoTungsten) return 1.0f;
    if (kind == kAmmoHEAT) return 1.2f;
    return 1.4f;
}

void ModifyFlightTime(float factor, ActionPacket* shell, PendingAttack* attack, int32_t* flightTime,
                      int32_t* arrival) {
    int32_t packetSlices = shell ? shell->mFlightTime : 0;
    int32_t landing = attack ? attack->mLandingSlice : 0;
    ModifyFlightTime(factor, shell ? &packetSlices : nullptr, attack ? &landing : nullptr, flightTime, arrival);
    if (shell) shell->mFlightTime = static_cast<int16_t>(packetSlices);
    if (attack) attack->mLandingSlice = landing;
}

// ------------------------------------------------------------ blast and fire

float BlastPower(WeaponType weapon, AmmoClass kind) {
    const AmmoType t = AmmoTypeInUse(kAmmoStrict, weapon, kind, nullptr);
    if (t == kAmmoTypeNone) return 0.0f;
    const AmmoData& a = gAmmoData[t];
    const WeaponData& w = gWeaponData[weapon];
    // A filler above 62.5 % would take a negative root; such a shell has no case.
    const double base = std::max(0.0, (1.0 - 1.6 * Filler(kind, a)) * a.mWeight);
    float p = static_cast<float>(14.0 * std::pow(base, 0.8));
    if (w.mClass == kWClassTwinGun)
        p *= 4.0f;
    else if (w.mClass == kWClassAT)
        p *= 0.5f;
    if (w.mNrTubes > 1) p *= w.mNrTubes;
    if (kind == kAmmoAP || kind == kAmmoAP75)
        p *= 0.3f;
    else if (kind == kAmmoTungsten)
        p *= 0.15f;
    else if (kind == kAmmoHEAT)
        p *= 0.75f;
    return std::max(p, 4.0f);
}

float BlastRadius(WeaponType weapon, AmmoClass kind) {
    const AmmoData& a = gAmmoData[AmmoTypeInUse(kAmmoLenient, weapon, kind, nullptr)];
    float r;
    if (kind == kAmmoSmoke) {
        r = static_cast<float>(std::pow(double(a.mWeight), 0.45) * 1.8 / double(1.8f));
    } else {
        r = static_cast<float>(21.0 * std::pow(std::max(0.0, Filler(kind, a) * a.mWeight), 0.3));
        if (kind == kAmmoAP || kind == kAmmoAP75)
            r *= 0.25f;
        else if (kind == kAmmoTungsten)
            r *= 0.1f;
        else if (kind == kAmmoHEAT)
            r *= 0.75f;
        r = std::max(r, 1.5f);
    }
    if (gWeaponData[weapon].mClass == kWClassTwinGun) r *= 1.5f;
    return r;
}

int32_t GetRoughBlastPower(WeaponType weapon, bool atPoint) {
    const WeaponData& w = gWeaponData[weapon];
    if (w.mClass == kWClassSniper) return 0;
    if (w.mClass == kWClassFlame) return static_cast<int32_t>(400.0f * w.mCalibre + 0.5f);
    float power = 0.0f, radius = 0.0f;
    for (AmmoClass k : {kAmmoHE75, kAmmoHE, kAmmoHEAT, kAmmoAP, kAmmoTungsten}) {
        power = BlastPower(weapon, k);
        if (power != 0.0f) {
            radius = BlastRadius(weapon, k);
            break;
        }
    }
    if (power == 0.0f) return 0;
    if (atPoint) {
        ReduceFPByDistance(&power, 6.0f, radius);
        power = std::max(power, 1.0f);
    } else {
        float k = 0.04947f * w.mCalibre + 1.0f;
        const bool indirect = w.mClass == kWClassIndirect;
        k = indirect ? std::min(k + 6.0f, 18.0f) : std::min(k, 5.5f);
        ReduceFPByDistance(&power, k, radius);
        power *= 0.75f;
        if (indirect) power *= 1.489f;
    }
    return static_cast<int32_t>(power + 0.5f);
}

void ReduceFPByDistance(float* fp, float d, float range) {
    if (d >= range) {
        *fp = 0.0f;
        return;
    }
    const float r = d / range;
    *fp *= 1.0f - 2.649f * r + 2.991f * r * r - 1.34f * r * r * r;
}

float SmallArmFP(SmallArmsType type, float range, FireType fire) {
    const SmallArmsData& s = gSmallArmsData[type];
    float mult = 1.0f;
    switch (fire) {
    case 0:
        return 0.0f;
    case 1:
        if (s.mAutoClass < 3) return 0.0f;
        range *= 2.0f;
        break;
    case 2:
        if (s.mAutoClass < 1) return 0.0f;
        if (s.mAutoClass < 2) mult = 0.6667f;
        break;
    case 3:
        if (s.mAutoClass == 0) mult = 0.6667f;
        break;
    default:
        break;
    }
    if (range >= s.mMaxRange || range >= kBrackets[kFirepowerBrackets - 1]) return 0.0f;
    if (range <= kBrackets[0]) return s.mFirepower[0];
    int k = 1;
    while (kBrackets[k] < range)
        ++k;
    const float lo = kBrackets[k - 1], hi = kBrackets[k];
    return ((range - lo) * s.mFirepower[k] + (hi - range) * s.mFirepower[k - 1]) * mult / (hi - lo);
}

// ------------------------------------------------------------ hit and morale

float GetSlotHitChance(float x, float y) {
    const float line = x >= 0.85f ? 5.833334f * x - 4.833334f : 0.07352941f * x + 0.0625f;
    return line * (1.0f - y);
}

float PseudoToHitVersusSlot(float distance) {
    return distance >= 200.0f ? 0.0f : 1.0f - 0.005f * distance;
}

float CrossfireSuppression(float angle) {
    if (angle <= 45.0f) return 1.0f;
    float v = angle < 135.0f ? angle / 45.0f : 3.0f;
    if (BattleTimeOfDay() == 3) v = 2.0f * v - 1.0f;
    return v;
}

float LeaderRange(int32_t skill, ExperienceLevel experience) {
    const float reach = static_cast<float>(skill * 25.0 + 50.0);
    const float scale = static_cast<float>(experience * 0.1 + 0.8);
    return reach * scale;
}

float CoverFromAirFactor(float x, float y) {
    const bool winter = BattleSeason() == 3;
    switch (TerrainAt(x, y)) {
    case 20:
    case 30:
    case 6:
    case 11:
        return winter ? 0.7f : 0.25f;
    case 21:
    case 31:
    case 7:
    case 12:
        return winter ? 0.4f : 0.1f;
    case 22:
    case 32:
    case 50:
    case 51:
    case 52:
    case 53:
    case 54:
        return 0.05f;
    case 19:
    case 23:
    case 25:
    case 26:
    case 33:
    case 35:
    case 41:
    case 44:
        return 0.8f;
    case 24:
    case 34:
    case 46:
    case 47:
        return 0.7f;
    default:
        return 1.0f;
    }
}

int32_t BulletSoundEffectLengthClass(float length) {
    const double u = RandomFraction();
    const int32_t n = static_cast<int32_t>((0.8333 * u + 0.6667) * length);
    return n < 8 ? 0 : n < 16 ? 1 : n < 24 ? 2 : 3;
}

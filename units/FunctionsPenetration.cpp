// Armour penetration and the flight of shells.

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/ValueMemo.h"

namespace {

bool IsKind(int32_t kind, std::initializer_list<int32_t> set) {
    return std::find(set.begin(), set.end(), kind) != set.end();
}

bool Is75Class(AmmoClass c) {
    return c == kAmmoHE75 || c == kAmmoAP75;
}

// The spread of a random penetration: 0.814 at u = 0, 1.003 at 0.5, 1.278 at 1.
double Spread(double u) {
    static const double k[] = {0.8141308608, 3.5542721429,  -56.790875937, 492.62235818,  -2371.4491787,
                               6699.9682539, -11363.428135, 11367.237275,  -6175.3853685, 1404.1352896};
    double s = 0.0;
    for (int i = 9; i >= 0; --i)
        s = s * u + k[i];
    return s;
}

// x times or divided by (1 + scale * u), by a coin; draws the coin first.
double Perturb(double x, double scale) {
    const int32_t coin = RandomCoin();
    const double f = 1.0 + scale * RandomFraction();
    return coin == 0 ? x * f : x / f;
}

struct GunFormula {
    double vRef, dRef, mRef, pRef, a, b, c;
};

// The gun formula's reference set and factor F for this shot.
GunFormula ChooseGunFormula(AmmoClass kind, const AmmoData& ammo, bool hard, double* f) {
    const int32_t pk = ammo.mProjectileKind;
    if (kind == kAmmoTungsten) {
        *f = ammo.mCap == 0 ? 0.79 : 1.0;
        if (pk == 12) return {3949.12, 76.2, 7.9, 279, 1.536, 1.017, 0.547};
        return {3400.048, 76.2, 9.4, 247, 1.536, 1.017, 0.547};
    }
    const bool ap = kind == kAmmoAP || kind == kAmmoAP75;
    if (ap && (pk == 6 || pk == 7)) {
        *f = hard ? 1.06 : 1.0;
        if (pk == 7) *f *= 0.95;
        return {2591.2, 122, 55, 167, 1.48, 1.0714, 0.7143};
    }
    *f = 1.0;
    if (ap) {
        const bool capped = IsKind(pk, {4, 8, 9, 10});
        if (hard)
            *f = capped ? 1.1 : (ammo.mCap == 0 ? 0.95 * 0.828 : 0.95);
        else if (capped)
            *f = ammo.mCap == 2 ? 1.0 : 0.95;
        else
            *f = ammo.mCap == 0 ? 1.16 * 0.828 : 1.16;
        if (pk == 1 || pk == 9)
            *f *= 1.05;
        else if (IsKind(pk, {3, 7, 10}))
            *f *= 0.95;
    }
    return {2427.2, 75, 14.96, 131, 1.4283, 1.0714, 0.7143};
}

// Face-hardened plate against a shot whose size is near the plate's.
double HardnessCorrection(double pGun, double d, double ratio, bool tungsten, double hardness) {
    const double x = d * ratio;
    if (x <= 0.0) return pGun; // no plate: nothing to correct (and no division by 0)
    const double y = tungsten ? 0.571 * d : d;
    const double q = 9.7707 * std::pow(x, 0.2821) * std::pow(y, -0.221) * std::pow(hardness, -0.4363);
    if (q >= 1.0) return pGun;
    const double w = hardness < 380.0 ? (380.0 - hardness) * 0.0125 : 0.0;
    return (1.0 - w) * pGun / q + w * pGun;
}

double SmallBore(double v, double m, double d, double hardness) {
    const double vm = v * 0.3048780;
    const double kg = m * 0.4545455;
    const double h = std::min(hardness, 450.0);
    const double z = 1244.0 / ((500.0 - h) - 160.0 * std::log10(d * 0.0251572327));
    const double p = (14.35 * vm * std::sqrt(kg) / std::pow(d, 1.5) + z - 17.21) * d / std::sqrt(h);
    return p < 0.0 ? 0.0 : p;
}

// The shatter test of armour-piercing shot; may draw random numbers.
bool Shatters(bool random, bool hard, const AmmoData& ammo, double ratio, double v, double* loss) {
    const bool capped = IsKind(ammo.mProjectileKind, {4, 8, 9, 10});
    double ratioLimit = hard && !capped ? 0.5 : 0.8;
    *loss = hard && !capped ? 0.13 : 0.05;
    double velocityLimit = 2040.0;
    if (random) {
        ratioLimit = Perturb(ratioLimit, 0.2);
        velocityLimit = Perturb(velocityLimit, 0.2);
        *loss = Perturb(*loss, 0.4142);
    }
    if (!(ratio >= ratioLimit && v >= velocityLimit)) return false;
    if (ammo.mCap == 2) {
        const double u = RandomFraction(); // drawn even without random
        return random && u >= 0.875;
    }
    return ammo.mProjectileKind != 6 && ammo.mProjectileKind != 7;
}

float ComputePenetration(bool random, float range, WeaponType weapon, AmmoClass kind, bool hardPlate,
                         int32_t hardness, float thicknessRatio, bool* shattered, float* energy,
                         float* velocity);

// All a penetration without draws and without the side outputs reads: the
// arguments and the date (the round in use).
struct PenetrationKey {
    uint32_t range; // the float's bits
    WeaponType weapon;
    AmmoClass kind;
    int32_t hardness;
    uint32_t ratio; // the float's bits
    int32_t date;   // ScenarioDate() at the call
    bool hardPlate;
    bool operator==(const PenetrationKey&) const = default;
};

struct PenetrationKeyHash {
    size_t operator()(const PenetrationKey& k) const {
        return HashWords({k.range, static_cast<uint32_t>(k.weapon), static_cast<uint32_t>(k.kind),
                          static_cast<uint32_t>(k.hardness), k.ratio, static_cast<uint32_t>(k.date),
                          k.hardPlate});
    }
};

thread_local ValueMemo<PenetrationKey, KeptValue, PenetrationKeyHash> tPenetrationMemo;

// Without random, the shatter test still draws one fraction: two steps.
constexpr int32_t kMaxPenetrationGeneratorSteps = 2;

} // namespace

float GetPenetration(bool random, float range, WeaponType weapon, AmmoClass kind, bool hardPlate,
                     int32_t hardness, float thicknessRatio, bool* shattered, float* energy,
                     float* velocity) {
    if (random || shattered || energy || velocity || !tPenetrationMemo.Live())
        return ComputePenetration(random, range, weapon, kind, hardPlate, hardness, thicknessRatio, shattered,
                                  energy, velocity);
    PenetrationKey key;
    key.range = std::bit_cast<uint32_t>(range);
    key.weapon = weapon;
    key.kind = kind;
    key.hardness = hardness;
    key.ratio = std::bit_cast<uint32_t>(thicknessRatio);
    key.date = ScenarioDate();
    key.hardPlate = hardPlate;
    return KeptOrComputed(tPenetrationMemo, key, kMaxPenetrationGeneratorSteps, [&] {
        return ComputePenetration(false, range, weapon, kind, hardPlate, hardness, thicknessRatio, nullptr,
                                  nullptr, nullptr);
    });
}

float OrdnanceOrLATWFlightTime(WeaponType weapon, AmmoClass kind, float range, float* velocityAtRange) {
    float v0 = 0.0f;
    const AmmoData& ammo = gAmmoData[AmmoTypeInUse(kAmmoLenient, weapon, kind, &v0)];
    const double r = range <= 0.0f ? 0.000001 : range;
    const double m = ammo.mWeight == 0.0f ? 14.0 : ammo.mWeight;
    double d = gWeaponData[weapon].mCalibre;
    if (kind == kAmmoTungsten && ammo.mProjectileKind == 12) d *= 0.571;
    if (Is75Class(kind)) d = 75.0;

    const float bracket = static_cast<float>(d * d * r * -1.8616887591498678e-10 / m);
    const double x = double(bracket) * ammo.mDrag;
    const double vStart = v0 <= 0.0f ? 1.0 : v0;
    const double vEnd = vStart * std::exp(x);
    if (velocityAtRange) *velocityAtRange = static_cast<float>(vEnd);
    // Without loss of speed (no drag) the limit of the formula is r / v0.
    if (vEnd == vStart) return static_cast<float>(r / vStart);
    return static_cast<float>(x * r / (vEnd - vStart));
}

namespace {

float ComputePenetration(bool random, float range, WeaponType weapon, AmmoClass kind, bool hardPlate,
                         int32_t hardness, float thicknessRatio, bool* shattered, float* energy,
                         float* velocity) {
    if (kind == kAmmoCanister || kind == kAmmoSmoke || kind == kAmmoNone) return 0.0f;
    bool didShatter = false;
    const bool hard = hardPlate || hardness >= 400;
    const double h = std::max(hardness, 200);
    if (energy) *energy = 0.0f;

    float v0 = 0.0f;
    const AmmoData& ammo = gAmmoData[AmmoTypeInUse(kAmmoLenient, weapon, kind, &v0)];
    const WeaponData& gun = gWeaponData[weapon];
    const double m = ammo.mWeight;
    const double d = Is75Class(kind) ? 75.0 : gun.mCalibre;
    const WeaponClass wc = gun.mClass;
    double p = 0.0;
    double v = 0.0;

    if (IsKind(weapon, {257, 259, 261, 262, 263, 265})) {
        p = 9999.0;
    } else if (wc == kWClassAT) {
        const double x = random ? RandomFraction() : 0.2;
        p = 300.0 * (1.0 - std::pow(x, 0.07));
    } else if (wc == kWClassIndirect || wc == kWClassSpecial || weapon == 273) {
        p = 9.75 * std::sqrt(std::max(0.0, ammo.mSpecial * m));
        if (random) p *= 0.3 * RandomFraction() + 0.85;
    } else if (wc == kWClassMortar) {
        if (kind == kAmmoHE) {
            p = 11.3 * std::sqrt(std::max(0.0, ammo.mSpecial * m));
            if (random) p *= 0.3 * RandomFraction() + 0.85;
        } else {
            p = 0.01;
        }
    } else if (wc != kWClassLightAT && wc != kWClassGun && wc != kWClassTwinGun) {
        return 0.0f; // no penetration rule for this weapon class
    } else if (kind == kAmmoHEAT) {
        p = ammo.mSpecial > 300.0f ? 1000.0 : ammo.mSpecial;
        if (random) p *= Spread(RandomFraction());
        v = 2.624 * v0;
        if (energy) *energy = static_cast<float>(0.5 * m * v * v);
    } else {
        float vr = 0.0f;
        OrdnanceOrLATWFlightTime(weapon, kind, range, &vr);
        v = vr * 3.28;
        if (energy) *energy = static_cast<float>(0.5 * m * v * v);

        double pGun = 0.0, pSmall = 0.0;
        if (d > 13.0 || kind == kAmmoTungsten) {
            double f = 1.0;
            const GunFormula g = ChooseGunFormula(kind, ammo, hard, &f);
            const double massTerm = (m * g.dRef * g.dRef * g.dRef) / (g.mRef * d * d * d);
            pGun =
                g.pRef * std::pow(v / g.vRef, g.a) * std::pow(d / g.dRef, g.b) * std::pow(massTerm, g.c) * f;
            if (h > 300.0) pGun = HardnessCorrection(pGun, d, thicknessRatio, kind == kAmmoTungsten, h);
        }
        if (d < 27.0 && kind != kAmmoTungsten) pSmall = SmallBore(v, m, d, h);
        if (d >= 27.0 || kind == kAmmoTungsten)
            p = pGun;
        else if (d <= 13.0)
            p = pSmall;
        else
            p = ((d - 13.0) * pGun + (27.0 - d) * pSmall) / 14.0;

        const bool ap = kind == kAmmoAP || kind == kAmmoAP75;
        if ((ap || kind == kAmmoTungsten) && ammo.mSpecial != 0.0f) p *= ammo.mSpecial;

        if (kind == kAmmoHE || kind == kAmmoHE75) {
            p = 0.5662 * p - 0.0001336 * p * p;
            if (random) p *= 0.3 * RandomFraction() + 0.85;
        } else if (ap) {
            double loss = 0.0;
            didShatter = Shatters(random, hard, ammo, thicknessRatio, v, &loss);
            if (didShatter) p *= 1.0 - loss;
            if (random) p *= Spread(RandomFraction());
        } else if (random) {
            p *= Spread(RandomFraction());
        }
    }
    if (shattered) *shattered = didShatter;
    if (velocity && v != 0.0) *velocity = static_cast<float>(v);
    return static_cast<float>(p);
}

} // namespace

float GetSmallArmsPenetration(MGPenetration mg, float range, bool hardPlate, int32_t hardness,
                              float thicknessRatio) {
    if (mg <= 1) return 0.1f;
    const WeaponType weapon = mg == 3 ? 255 : 254;
    const float p = GetPenetration(true, range, weapon, kAmmoAP, hardPlate, hardness, thicknessRatio, nullptr,
                                   nullptr, nullptr);
    return std::max(p, 0.1f);
}

// Display values of the rules: armour-bar colours, the typical penetration
// of a round and the victory-point value of a weapon.

#include <algorithm>
#include <bit>
#include <cmath>

#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/ValueMemo.h"

namespace {

// Steps of the plate search before it gives up: a round that defeats every
// plate would otherwise grow the plate forever.
constexpr int32_t kPlateSearchSteps = 200;

unsigned char ColourByte(double fraction) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    return static_cast<unsigned char>(fraction * 255.0 + 0.5);
}

// The muzzle velocity of the first class in date among those listed whose
// share is not 0; 0 when there is none.
float FirstVelocityInDate(WeaponType weapon, const int32_t mix[], std::initializer_list<AmmoClass> order) {
    for (AmmoClass c : order) {
        if (mix[c] == 0) continue;
        float v = 0.0f;
        if (AmmoTypeInUse(kAmmoStrict, weapon, c, &v) != kAmmoTypeNone) return v;
    }
    return 0.0f;
}

// The plate search of GetTypicalPenetration, without the memo.
float SearchTypicalPenetration(float range, int32_t slope, float calibre, AmmoClass kind, WeaponType weapon) {
    const AmmoType ammo = AmmoTypeInUse(kAmmoLenient, weapon, kind, nullptr);
    const int32_t projectile = gAmmoData[ammo].mProjectileKind;
    if (projectile == 15 || projectile == 16) return 0.0f;
    // Grow the plate in steps of 50 mm; each time the answer turns, step
    // back by 0.4 of the step, until the step falls to half a millimetre.
    float t = 0.0f;
    float step = 50.0f;
    float best = 0.0f;
    bool last = true;
    for (int32_t i = 0; i < kPlateSearchSteps && (step > 0.0f || step < -0.5f); ++i) {
        t += step;
        bool face = false;
        int32_t hardness = 0;
        float ratio = 0.0f;
        const float basis = ReferencePlateBasis(static_cast<int32_t>(std::lround(t)), slope, calibre, kind,
                                                &face, &hardness, &ratio);
        const float pen =
            GetPenetration(false, range, weapon, kind, face, hardness, ratio, nullptr, nullptr, nullptr);
        const bool defeated = basis <= pen;
        if (defeated && t > best) best = t;
        if (defeated != last) {
            step *= -0.4f;
            last = defeated;
        }
        if (step < 0.0f && t + step <= 0.0f) step = t * -0.3f;
    }
    return best;
}

// A search draws at most once per penetration test, two generator steps a
// draw; a weapon's value searches for up to three classes. A walk longer
// than this means the generator was moved otherwise.
constexpr int32_t kMaxSearchGeneratorSteps = 4 * kPlateSearchSteps;
constexpr int32_t kMaxValueGeneratorSteps = 3 * kMaxSearchGeneratorSteps;

struct TypicalKey {
    uint32_t range; // the float's bits
    int32_t slope;
    uint32_t calibre; // the float's bits
    AmmoClass kind;
    WeaponType weapon;
    int32_t date; // ScenarioDate() at the call
    bool flag;
    bool operator==(const TypicalKey&) const = default;
};

struct TypicalKeyHash {
    size_t operator()(const TypicalKey& k) const {
        return HashWords({k.range, static_cast<uint32_t>(k.slope), k.calibre, static_cast<uint32_t>(k.kind),
                          static_cast<uint32_t>(k.weapon), static_cast<uint32_t>(k.date), k.flag});
    }
};

thread_local ValueMemo<TypicalKey, KeptValue, TypicalKeyHash> tTypicalMemo;

struct WeaponValueKey {
    WeaponType weapon;
    uint32_t range; // the float's bits
    int32_t count, loadSlot;
    Nation nation;
    uint32_t scale; // the float's bits
    int32_t date;   // ScenarioDate() at the call
    bool flag, b;
    bool operator==(const WeaponValueKey&) const = default;
};

struct WeaponValueKeyHash {
    size_t operator()(const WeaponValueKey& k) const {
        return HashWords({static_cast<uint32_t>(k.weapon), k.range, static_cast<uint32_t>(k.count),
                          static_cast<uint32_t>(k.loadSlot), static_cast<uint32_t>(k.nation), k.scale,
                          static_cast<uint32_t>(k.date), static_cast<uint32_t>(k.flag) | uint32_t{k.b} << 1});
    }
};

thread_local ValueMemo<WeaponValueKey, KeptValue, WeaponValueKeyHash> tWeaponValueMemo;

float ComputeWeaponVPValue(WeaponType weapon, float range, int32_t count, int32_t loadSlot, bool flag,
                           Nation nation, bool b, float scale);

} // namespace

void ArmorColors(int32_t thickness, int32_t slope, ArmorQuality quality, unsigned char* r, unsigned char* g,
                 unsigned char* b) {
    const float e = ArmorQualityFactor(quality, kHitUpperHull, kAspectFront, nullptr) *
                    static_cast<float>(thickness) *
                    SlopeFactor(80.0f, static_cast<float>(slope), 1.0f, false, false, kAmmoAP, 8);
    double c;
    if (e < 6.0f) {
        c = 0.0;
    } else if (e <= 340.0f) {
        const double x = e;
        c = 0.0515871362 * x - 0.133806215 + 0.0001408434 * x * x - 1.37216828e-06 * x * x * x +
            2.24671938e-09 * x * x * x * x;
    } else {
        c = 10.0;
    }
    double red, green, blue = 0.0;
    if (c <= 2.5) {
        red = 1.0;
        green = 0.4 * c;
    } else if (c <= 5.0) {
        red = 1.0 - 0.4 * (c - 2.5);
        green = 1.0;
    } else if (c <= 7.0) {
        red = 0.0;
        green = 1.0 - 0.25 * (c - 5.0);
    } else {
        blue = (c - 7.0) / 3.0;
        green = (1.0 - blue) * 0.5;
        red = 0.0;
    }
    if (r) *r = ColourByte(red);
    if (g) *g = ColourByte(green);
    if (b) *b = ColourByte(blue);
}

float GetTypicalPenetration(bool flag, float range, int32_t slope, float calibre, AmmoClass kind,
                            WeaponType weapon) {
    if (!tTypicalMemo.Live()) return SearchTypicalPenetration(range, slope, calibre, kind, weapon);
    TypicalKey key;
    key.range = std::bit_cast<uint32_t>(range);
    key.slope = slope;
    key.calibre = std::bit_cast<uint32_t>(calibre);
    key.kind = kind;
    key.weapon = weapon;
    key.date = ScenarioDate();
    key.flag = flag;
    return KeptOrComputed(tTypicalMemo, key, kMaxSearchGeneratorSteps,
                          [&] { return SearchTypicalPenetration(range, slope, calibre, kind, weapon); });
}

float GetWeaponVPValue(WeaponType weapon, float range, int32_t count, int32_t loadSlot, bool flag,
                       Nation nation, bool b, float scale) {
    if (!tWeaponValueMemo.Live())
        return ComputeWeaponVPValue(weapon, range, count, loadSlot, flag, nation, b, scale);
    WeaponValueKey key;
    key.weapon = weapon;
    key.range = std::bit_cast<uint32_t>(range);
    key.count = count;
    key.loadSlot = loadSlot;
    key.nation = nation;
    key.scale = std::bit_cast<uint32_t>(scale);
    key.date = ScenarioDate();
    key.flag = flag;
    key.b = b;
    return KeptOrComputed(tWeaponValueMemo, key, kMaxValueGeneratorSteps, [&] {
        return ComputeWeaponVPValue(weapon, range, count, loadSlot, flag, nation, b, scale);
    });
}

namespace {

float ComputeWeaponVPValue(WeaponType weapon, float range, int32_t count, int32_t loadSlot, bool flag,
                           Nation nation, bool b, float scale) {
    if (weapon == 42) return 46.0f;
    if (weapon == 43) return 51.0f;
    if (weapon == 45) return 41.0f;
    const WeaponData& w = gWeaponData[weapon];
    double v;
    switch (w.mClass) {
    case kWClassFlame:
        v = std::sqrt(static_cast<double>(w.mMaxRange)) * 0.038;
        if (count < 10) v *= 0.0778 * count + 0.222;
        break;
    case kWClassAT:
        v = 0.1;
        break;
    case kWClassSniper:
        v = 0.15;
        break;
    case kWClassIndirect: {
        const double t = TimeOnTarget(nation, weapon, true);
        const double q = 1.22111 - 0.00152323 * t + 1.46794e-06 * t * t - 4.69374e-10 * t * t * t;
        v = count * static_cast<double>(GetRoughBlastPower(weapon, false)) * 0.00031007751938 * q;
        switch (ArtilleryQuality(nation, 0)) {
        case 0:
            v *= 0.89;
            break;
        case 2:
            v *= 0.96;
            break;
        case 3:
            break;
        default:
            v *= 0.92;
            break;
        }
        if (w.mArtilleryMode == 3) v *= 0.6;
        if (w.mArtilleryMode == 1) v *= 1.3;
        break;
    }
    default: {
        int32_t mix[8] = {};
        AmmoAvailable(weapon, flag, loadSlot, mix);
        const double a = std::pow(static_cast<double>(std::max(range, 0.0f)), 0.75);
        const double x = a > 0.0 ? count * 3.34 / a : 100.0;
        double f = 1.0;
        if (x < 100.0) {
            f = w.mClass == kWClassMortar
                    ? 0.025335 * x - 5.9605e-05 * x * x + 9.07234e-07 * x * x * x + 0.153998
                    : 0.01545 * x - 6.9951e-05 * x * x + 0.15419;
        }
        double blast = GetRoughBlastPower(weapon, false);
        if (blast < 50.0) blast = 0.92 * blast + 4.0;
        double e = blast * a * 0.00389105 * f;
        if (w.mClass == kWClassMortar) {
            e *= 0.85;
        } else if (mix[kAmmoHEAT] < 100) {
            const float mv = FirstVelocityInDate(weapon, mix, {kAmmoHE, kAmmoHEAT, kAmmoAP});
            if (mv > 0.0f) e *= 0.369 * std::pow(static_cast<double>(mv), 0.15);
        }
        if (mix[kAmmoCanister] != 0 && AmmoTypeInUse(kAmmoStrict, weapon, kAmmoCanister, nullptr) != 0)
            e *= 1.2;

        double p;
        if (w.mClass == kWClassMortar) {
            p = 0.15;
        } else {
            auto typical = [&](AmmoClass c) {
                return static_cast<double>(GetTypicalPenetration(!flag, 1000.0f, 35, w.mCalibre, c, weapon));
            };
            double t = 0.0;
            if (mix[kAmmoAP] == 0 && mix[kAmmoTungsten] == 0) {
                if (mix[kAmmoHEAT] == 0) {
                    t = typical(kAmmoHE);
                } else if (mix[kAmmoHE] != 0 && mix[kAmmoHEAT] < 100) {
                    const double s = std::min(0.03 * mix[kAmmoHEAT], 1.0);
                    t = s * typical(kAmmoHEAT) + (1.0 - s) * typical(kAmmoHE);
                } else {
                    t = typical(kAmmoHEAT);
                }
            } else {
                const TungstenAvail level = GetCurrentTungstenLevel(
                    w.mLoadMix[std::clamp(loadSlot, 0, kLoadSlots - 1)].mTungsten, flag);
                if (level != 7) t = typical(kAmmoAP);
                if (level != 0 && mix[kAmmoTungsten] != 0) {
                    static constexpr double kShare[8] = {0.0, 0.02, 0.07, 0.14, 0.23, 0.34, 0.75, 1.0};
                    const double s = kShare[std::clamp(level, 0, 7)];
                    t = (1.0 - s) * t + s * typical(kAmmoTungsten);
                }
            }
            p = std::pow(static_cast<double>(std::max(range, 0.0f)), 0.35) * 0.544 * std::pow(t, 1.1) *
                0.00606;
            if (mix[kAmmoHEAT] < 100) {
                const float mv =
                    FirstVelocityInDate(weapon, mix, {kAmmoAP, kAmmoHEAT, kAmmoHE, kAmmoTungsten});
                if (mv > 0.0f) p *= 0.036 * std::sqrt(static_cast<double>(mv));
            }
        }
        const double pp = p * std::sqrt(f) * scale;
        if (w.mClass == kWClassLightAT)
            v = (e + pp) * 0.5;
        else if ((w.mClass == kWClassGun || w.mClass == kWClassTwinGun) && !b)
            v = 0.8 * e + 0.2 * pp;
        else
            v = 0.7 * std::max(e, pp) + 0.3 * std::min(e, pp);
        if (w.mMaxRange < 1500.0f) v *= 0.02066 * std::sqrt(std::max(w.mMaxRange, 0.0f)) + 0.2;
        if (w.mClass == kWClassMortar) v *= 0.86;
        break;
    }
    }
    return static_cast<float>(v * 110.0);
}

} // namespace

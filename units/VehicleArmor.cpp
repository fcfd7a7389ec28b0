// The armour model: the slope multiplier of a plate, the effective armour
// in front of a shot (plates, quality, hardness, slope, curved plates and
// skirts) and the comparison of a shell's penetration with it.

#include <algorithm>
#include <cmath>

#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Vehicle.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

bool IsArmourPiercing(AmmoClass a) {
    return a == kAmmoAP || a == kAmmoAP75;
}

// The small-calibre and tungsten-core curve.
double SmallCalibreCurve(double x) {
    return 1.0 + 0.011511 * x - 0.0019117 * x * x + 0.00011162 * x * x * x - 1.9426e-6 * x * x * x * x +
           1.3356e-8 * x * x * x * x * x;
}

// A(x) × ratio^B(x) of the large-calibre families.
double LargeCalibreFactor(double x, double ratio, ShellType shell) {
    double a, b;
    if (shell == 6 || shell == 7) {
        // Kept in powers of x^5 and x^3: the high powers stay in double.
        const double x5 = x * x * x * x * x;
        const double x10 = x5 * x5, x15 = x10 * x5, x20 = x15 * x5, x25 = x20 * x5, x30 = x25 * x5,
                     x35 = x30 * x5;
        a = 1.0 + 3.230037e-9 * x5 - 6.952448e-18 * x10 + 1.650934e-26 * x15 - 1.444872e-35 * x20 +
            6.349826e-45 * x25 - 1.3147e-54 * x30 + 1.067038e-64 * x35;
        const double x3 = x * x * x;
        const double x6 = x3 * x3, x9 = x6 * x3, x12 = x9 * x3, x15b = x12 * x3, x18 = x15b * x3,
                     x21 = x18 * x3;
        b = 5.61503e-6 * x3 - 1.07549e-10 * x6 + 1.17655e-15 * x9 - 5.05871e-21 * x12 + 1.06312e-26 * x15b -
            1.09576e-32 * x18 + 4.43931e-39 * x21;
    } else if (shell == 4 || shell == 8 || shell == 9 || shell == 10) {
        double p[11];
        p[0] = 1.0;
        for (int i = 1; i < 11; ++i)
            p[i] = p[i - 1] * x;
        a = 1.0 + 0.0073149 * p[1] - 0.0017746 * p[2] + 0.00020784 * p[3] - 1.0381e-5 * p[4] +
            2.5402e-7 * p[5] - 1.5432e-9 * p[6] - 6.3999e-11 * p[7] + 1.6044e-12 * p[8] - 1.4707e-14 * p[9] +
            4.9752e-17 * p[10];
        if (x <= 50.0)
            b = -0.0003390137 * p[1] + 0.001205816 * p[2] - 0.0002208139 * p[3] + 2.029558e-5 * p[4] -
                1.014536e-6 * p[5] + 2.7764e-8 * p[6] - 3.882866e-10 * p[7] + 2.164201e-12 * p[8];
        else
            b = -0.2407544 * p[1] + 0.02103098 * p[2] - 0.0007113677 * p[3] + 1.18183e-5 * p[4] -
                9.629994e-8 * p[5] + 3.081134e-10 * p[6];
    } else {
        double p[8];
        p[0] = 1.0;
        for (int i = 1; i < 8; ++i)
            p[i] = p[i - 1] * x;
        a = 1.0 - 0.014285 * p[1] + 0.0042084 * p[2] - 0.00032152 * p[3] + 1.113e-5 * p[4] -
            1.6963e-7 * p[5] + 9.4812e-10 * p[6];
        b = 0.017764 * p[1] - 0.0021598 * p[2] + 0.0001506 * p[3] - 5.8093e-6 * p[4] + 1.242e-7 * p[5] -
            1.3758e-9 * p[6] + 6.1513e-12 * p[7];
    }
    return a * std::pow(ratio, b);
}

// The slope multiplier; blend allows the small-calibre blend (the inner
// large-calibre call of the blend passes false).
double Slope(float calibre, float angle, float ratio, bool faceHardened, bool cosineLaw, AmmoClass kind,
             ShellType shell, bool blend) {
    if (!(ratio > 0.0f)) return 1.0;
    const double x = angle;
    if (cosineLaw) return std::max(1.0, 1.0 / std::cos(x * kDegToRad));
    if (calibre < 20.0f || kind == kAmmoTungsten) {
        const double p = SmallCalibreCurve(x);
        if (kind == kAmmoTungsten || calibre <= 9.0f || !blend) return std::max(1.0, p);
        const double t = (20.0 - calibre) / 11.0;
        return t * std::max(1.0, p) +
               (1.0 - t) * Slope(999.0f, angle, ratio, faceHardened, false, kind, shell, false);
    }
    if (IsArmourPiercing(kind) && (shell == 6 || shell == 7)) {
        double r = LargeCalibreFactor(x, ratio, shell);
        if (faceHardened) r = (std::max(1.0, r) + LargeCalibreFactor(x, ratio, 8)) / 2.0;
        return std::max(1.0, r);
    }
    if (IsArmourPiercing(kind) && (shell == 4 || shell == 8 || shell == 9 || shell == 10))
        return std::max(1.0, LargeCalibreFactor(x, ratio, shell));
    return std::max(1.0, LargeCalibreFactor(x, ratio, 0));
}

struct HardnessBand {
    int32_t base;
    int32_t spread;
};

// Rolled-plate hardness of group 1 by thickness row and date column.
constexpr HardnessBand kGroupOne[6][4] = {
    {{415, 60}, {415, 60}, {415, 60}, {415, 60}}, {{330, 8}, {309, 45}, {309, 45}, {309, 45}},
    {{320, 40}, {309, 45}, {278, 46}, {278, 46}}, {{285, 46}, {285, 46}, {266, 43}, {252, 43}},
    {{266, 45}, {266, 45}, {220, 46}, {220, 46}}, {{266, 45}, {266, 34}, {220, 46}, {220, 46}},
};

// The 11 steeper angles a round front plate may present.
constexpr float kCurvedAngles[11] = {30, 0, 0, 10, 5, 0, 5, 15, 35, 55, 75};

} // namespace

float SlopeFactor(float calibre, float angle, float ratio, bool faceHardened, bool cosineLaw, AmmoClass kind,
                  ShellType shell) {
    const double f = Slope(calibre, angle, ratio, faceHardened, cosineLaw, kind, shell, true);
    return std::isfinite(f) ? static_cast<float>(f) : 1.0f;
}

// The default hardness of a plate without stored hardness (and whether it
// counts as face-hardened): by the group of the vehicle type, the plate's
// thickness and, for the first group, the scenario's date.
int32_t DefaultHardness(const Vehicle& v, const VehicleData& d, float t0, bool mean, bool* faceHardened) {
    HardnessBand band{0, 0};
    const int32_t type = v.mSubtype;
    if (d.mKind == 6) {
        band = {220, 0};
    } else if ((type >= 220 && type <= 282) || (d.mLookAlikeType >= 42 && d.mLookAlikeType <= 46)) {
        if (t0 < 20.0f)
            band = {320, 71};
        else if (t0 < 30.0f)
            band = {310, 41};
        else if (t0 < 43.0f)
            band = {280, 41};
        else if (t0 < 57.0f)
            band = {260, 31};
        else if (t0 < 70.0f)
            band = {240, 36};
        else if (t0 < 128.0f)
            band = {240, 21};
        else
            band = {220, 0};
        if (d.mArmorQuality != 0) band.base = static_cast<int32_t>(static_cast<float>(band.base) * 0.9f);
    } else if (type < 220) {
        const int32_t date = ScenarioDate();
        const int32_t col = date <= 4112 ? 0 : date <= 4212 ? 1 : date <= 4412 ? 2 : 3;
        const int32_t row = t0 <= 15.0f    ? 0
                            : t0 <= 30.0f  ? 1
                            : t0 <= 50.0f  ? 2
                            : t0 <= 80.0f  ? 3
                            : t0 <= 120.0f ? 4
                                           : 5;
        band = kGroupOne[row][col];
        if (faceHardened && !d.mHasHardness) *faceHardened = date <= 4412 && t0 >= 30.0f && t0 <= 50.0f;
    } else {
        if (t0 <= 30.0f)
            band = {342, 47};
        else if (t0 <= 80.0f)
            band = {262, 60};
        else if (t0 <= 120.0f)
            band = {255, 48};
        else
            band = {241, 45};
    }
    if (band.spread <= 0) return band.base;
    if (mean) return band.base + band.spread / 2;
    return band.base + static_cast<int32_t>(RandomPick(static_cast<uint32_t>(band.spread)));
}

namespace {

// The effective armour of the vehicle v with the plates of record d.
float ArmorBasis(Vehicle& v, const VehicleData& d, ArmourBearings& from, bool useVerticalAngle,
                 VehicleHitLocation loc, VehicleAspect aspect, bool applySlope, float calibre,
                 WeaponClass wclass, AmmoClass ammo, ShellType shell, bool* outFaceHardened,
                 int32_t* outHardness, float* outRatio, bool mean, float* outSlopeFactor) {
    loc = std::clamp(loc, kHitTurret, kHitHullDeck);
    aspect = std::clamp(aspect, kAspectFront, kAspectRear);
    const bool top = loc == kHitTurretRoof || loc == kHitHullDeck;
    const int32_t slot = aspect * 3 + (top ? 0 : loc);

    // 1. Base thickness, hardness and the face-hardened flag.
    float t0, t;
    int32_t h = 0;
    bool face = false;
    if (top) {
        t0 = t = static_cast<float>(std::max<int16_t>(d.mTopArmor[loc - kHitTurretRoof], 0));
    } else {
        const int16_t stored = d.mPlateHardness[slot];
        face = d.mHasHardness && stored < 0;
        t0 = CombineArmorPlates(static_cast<float>(std::max<int16_t>(d.mArmorPlates[slot].mThickness, 0)),
                                static_cast<float>(std::max<int16_t>(d.mAddedPlates[slot], 0)), face);
        if (!std::isfinite(t0) || t0 < 0.0f) t0 = 0.0f;
        t = t0;
        if (slot != 0) t *= ArmorQualityFactor(d.mArmorQuality, loc, aspect, &v);
        if (d.mHasHardness) h = stored >= 0 ? stored : (stored == -1 ? 0 : -stored);
    }

    // 2. Thickness over calibre.
    const float ratio = calibre > 0.0f ? t / calibre : 0.0f;
    if (outRatio) *outRatio = ratio;

    // 3. Default hardness when none is stored.
    if ((outHardness || outFaceHardened) && h == 0 && t > 0.0f) {
        bool derivedFace = face;
        h = DefaultHardness(v, d, t0, mean, top ? nullptr : &derivedFace);
        if (!top) face = derivedFace;
    }
    if (outHardness) *outHardness = h;

    // 4. Slope.
    float slopeFactor = 1.0f;
    float horizontal = 0.0f;
    if (!top) {
        horizontal = from.Aspect(v, loc == kHitTurret);
        if (aspect == kAspectSide)
            horizontal = std::fabs(90.0f - horizontal);
        else if (aspect == kAspectRear)
            horizontal = 180.0f - horizontal;
    }
    if (applySlope && t > 0.0f) {
        float plate = top ? 90.0f : static_cast<float>(d.mArmorPlates[slot].mSlope);
        if (useVerticalAngle) {
            float up = from.Up(v);
            if (top) {
                plate = 90.0f - up;
            } else {
                if (loc == kHitLowerHull) up = -up;
                plate = std::fabs(plate - up);
            }
        }
        if (!mean && d.mCurvedPlateChance > 0 && aspect == kAspectFront && !top &&
            ((loc == kHitTurret && v.HasTurret()) || (loc == kHitUpperHull && !v.HasTurret()))) {
            if (static_cast<int32_t>(RandomPick(100)) < d.mCurvedPlateChance) {
                const float steeper = kCurvedAngles[RandomPick(11)];
                if (steeper > plate) plate = steeper;
            }
        }
        const double cosine = std::cos(horizontal * kDegToRad) * std::cos(plate * kDegToRad);
        const float c =
            std::max(0.0f, static_cast<float>(std::acos(std::clamp(cosine, -1.0, 1.0)) * kRadToDeg));
        slopeFactor = SlopeFactor(calibre, c, ratio, face, ammo == kAmmoHEAT || v.IsFixed(), ammo, shell);
        t *= slopeFactor;
    }
    if (outSlopeFactor) *outSlopeFactor = slopeFactor;

    // 5. Skirts and spaced plates.
    if (!top && d.mSkirtKind != 0) {
        float w = 0.0f, m = 0.0f;
        const int32_t kind = d.mSkirtKind;
        if (loc == kHitTurret) {
            if (kind == 1 || kind == 2) {
                w = 0.9f;
                m = mean ? 1.25f : (RandomCoin() ? 2.5f : 0.0f);
            }
        } else if (aspect == kAspectSide) {
            m = mean ? 2.0f : static_cast<float>(1.5 + RandomFraction());
            if (loc == kHitUpperHull)
                w = kind == 1 ? 1.0f : kind == 4 ? 0.3f : kind == 6 ? 0.9f : 0.0f;
            else
                w = (kind == 1 || kind == 4 || kind == 6) ? 0.67f
                    : kind == 3                           ? 0.85f
                    : kind == 5                           ? 0.33f
                    : kind == 7                           ? 0.4f
                                                          : 0.0f;
        }
        const float p = w * 0.8f;
        if (p > 0.0f && (mean ? p >= 0.45f : RandomFraction() < p)) {
            if (ammo == kAmmoHEAT) {
                const float f = (horizontal * 0.01f + 1.0f) * m;
                if (f < 1.0f)
                    t /= 1.0f - 0.32f * f;
                else if (f < 2.0f)
                    t /= 0.98f - 0.3f * f;
                else if (f < 4.0f)
                    t /= 0.68f - 0.15f * f;
                else
                    t /= 0.08f;
                t += 5.0f;
            } else if (ammo == kAmmoHE || ammo == kAmmoHE75) {
                t *= 2.0f;
            } else {
                float g = slopeFactor;
                if (calibre < 25.0f) {
                    const float c = std::max(calibre, 8.0f);
                    g = (1.0f + 0.41227f * c - 0.033277f * c * c + 0.00067227f * c * c * c) * slopeFactor;
                }
                t += 3.0f * g;
            }
        }
    }

    // 6. Bunkers against heavy calibres.
    if (v.IsFixed() && calibre >= 100.0f) CapPillboxArmor(wclass, ammo, &t);
    if (!std::isfinite(t) || t < 0.0f) t = 0.0f;
    if (outFaceHardened) *outFaceHardened = face;
    return t;
}

} // namespace

float Vehicle::CalculateArmorBasis(float x, float y, float z, bool useVerticalAngle, VehicleHitLocation loc,
                                   VehicleAspect aspect, bool applySlope, float calibre, WeaponClass wclass,
                                   AmmoClass ammo, ShellType shell, DataKnowledge k, bool* outFaceHardened,
                                   int32_t* outHardness, float* outRatio, bool mean, float* outSlopeFactor) {
    ArmourBearings from(x, y, z);
    return ArmorBasis(*this, GetVehicleDataRecord(k), from, useVerticalAngle, loc, aspect, applySlope,
                      calibre, wclass, ammo, shell, outFaceHardened, outHardness, outRatio, mean,
                      outSlopeFactor);
}

float Vehicle::CalculateArmorBasis(ArmourBearings* from, bool useVerticalAngle, VehicleHitLocation loc,
                                   VehicleAspect aspect, bool applySlope, float calibre, WeaponClass wclass,
                                   AmmoClass ammo, ShellType shell, DataKnowledge k, bool* outFaceHardened,
                                   int32_t* outHardness, float* outRatio, bool mean, float* outSlopeFactor) {
    return ArmorBasis(*this, GetVehicleDataRecord(k), *from, useVerticalAngle, loc, aspect, applySlope,
                      calibre, wclass, ammo, shell, outFaceHardened, outHardness, outRatio, mean,
                      outSlopeFactor);
}

float ArmourBearings::Aspect(Vehicle& v, bool turret) {
    const int32_t i = turret ? 1 : 0;
    if (!mAspectKnown[i]) {
        mAspect[i] = v.AspectToLocation(mX, mY, turret, true);
        mAspectKnown[i] = true;
    }
    return mAspect[i];
}

float ArmourBearings::Up(Vehicle& v) {
    if (!mUpKnown) {
        mUp = v.VerticalAngle(mX, mY, mZ);
        mUpKnown = true;
    }
    return mUp;
}

// The reference vehicle record with its front upper-hull plate set to the
// thickness and slope asked for, struck head-on. Its hardness is the middle
// of its band, so that the display values draw no random numbers.
float ReferencePlateBasis(int32_t thickness, int32_t slope, float calibre, AmmoClass kind, bool* faceHardened,
                          int32_t* hardness, float* ratio) {
    constexpr VehicleType kReferenceType = 410;
    VehicleData d = gVehicleData[kReferenceType];
    const int32_t slot = kAspectFront * 3 + kHitUpperHull;
    d.mArmorPlates[slot].mThickness = static_cast<int16_t>(std::clamp(thickness, 0, 32767));
    d.mArmorPlates[slot].mSlope = static_cast<int16_t>(std::clamp(slope, -90, 90));
    d.mAddedPlates[slot] = 0;
    // A vehicle's construction draws its drawing values; a display value
    // must leave the battle's generator where it was.
    const uint32_t state = GetRandomState();
    Vehicle v;
    SeedRandomGenerator(state);
    v.mSubtype = kReferenceType;
    v.mHeading = 0.0f;
    ArmourBearings front(100.0f, 0.0f, 0.0f);
    return ArmorBasis(v, d, front, false, kHitUpperHull, kAspectFront, true, calibre, 0, kind, 0,
                      faceHardened, hardness, ratio, true, nullptr);
}

bool Vehicle::DeterminePenetration(PendingAttack* a, VehicleHitLocation loc, VehicleAspect aspect,
                                   bool* outShattered, bool* outPartial, float* outPartialStrength,
                                   float* outPenRatio, float* outEnergy, float* outVelocity,
                                   int32_t* outHardness, bool* outFaceHardened, float* outArmor) {
    if (!a) return false;
    const WeaponType wt = a->mWeaponType;
    const AmmoClass ammo = a->mAmmoClass;
    float calibre = wt >= 0 && wt < kWeaponCount ? gWeaponData[wt].mCalibre : 0.0f;
    if (ammo == kAmmoHE75 || ammo == kAmmoAP75) calibre = 75.0f;
    const AmmoType at = AmmoTypeInUse(0, wt, ammo, nullptr);
    const ShellType shell = gAmmoData[at].mShellType;

    bool face = false;
    int32_t h = 0;
    float ratio = 0.0f;
    float t =
        CalculateArmorBasis(a->mOriginX, a->mOriginY, a->mOriginZ, true, loc, aspect, !IsFixed(), calibre,
                            a->mWeaponClass, ammo, shell, kKnowTruth, &face, &h, &ratio, false, nullptr);

    // Weak spots. The high-explosive case is told by the ammunition class.
    const bool highExplosive = ammo == kAmmoHE || ammo == kAmmoHE75;
    int32_t chance;
    if (IsFixed())
        chance = 0;
    else if (a->mFromAircraft || loc == kHitHullDeck)
        chance = 100;
    else if (highExplosive)
        chance = 60;
    else if (aspect == kAspectFront && loc == kHitTurret && (Data().mFlags & kVShotTrap))
        chance = 60;
    else if (loc == kHitTurretRoof)
        chance = 40;
    else
        chance = 8;
    bool weak = false;
    if (static_cast<int32_t>(RandomPick(1000)) < chance) {
        t *= static_cast<float>((highExplosive ? 0.4 : 0.6) + 0.2 * RandomFraction());
        weak = true;
        gArmorHitReport.mWeakSpotHit = true;
    }
    if (!weak && (Data().mFlags & kVReinforcedTurretFront) && aspect == kAspectFront && loc == kHitTurret)
        t *= static_cast<float>(1.08 + 0.18 * RandomFraction());

    bool shattered = false;
    float energy = 0.0f, velocity = 0.0f;
    float pen = GetPenetration(true, DistanceToLocation(a->mOriginX, a->mOriginY), wt, ammo, face, h, ratio,
                               &shattered, &energy, &velocity);
    if (!std::isfinite(pen)) pen = 0.0f;
    if (!std::isfinite(energy)) energy = 0.0f;
    if (!std::isfinite(velocity)) velocity = 0.0f;

    if (outPartial) {
        float q = h <= 240 ? 0.93f : h < 450 ? 1.136f - 0.0008571f * static_cast<float>(h) : 0.75f;
        const ArmorQuality quality = Data().mArmorQuality;
        if (quality == 2 || quality == 3)
            q *= 0.9f;
        else if (quality == 6)
            q *= 0.55f;
        // Hollow charge, canister and smoke never partly penetrate.
        const bool excluded = ammo == kAmmoHEAT || ammo == kAmmoCanister || ammo == kAmmoSmoke;
        const bool partial = t > 0.0f && q * t <= pen && pen < t && !excluded;
        *outPartial = partial;
        if (outPartialStrength) *outPartialStrength = partial ? 2.0f * (pen / t - q) / (1.0f - q) : 0.0f;
    } else if (outPartialStrength) {
        *outPartialStrength = 0.0f;
    }
    if (outPenRatio) *outPenRatio = t > 0.0f ? pen / t : 999.0f;
    if (outEnergy) *outEnergy = energy;
    if (outVelocity) *outVelocity = velocity;
    if (outHardness) *outHardness = h;
    if (outFaceHardened) *outFaceHardened = face;
    if (outArmor) *outArmor = t;
    if (outShattered) *outShattered = shattered;
    return pen >= t;
}

// ---------------------------------------------------------------------------
// Aspect, hit location and the vertical angle

VehicleAspect Vehicle::DetermineAttackAspect(float x, float y, bool useTurret, bool fine, float* sideChance) {
    const float a = AspectToLocation(x, y, useTurret && HasTurret(), true);
    VehicleAspect result;
    if (!fine) {
        result = a <= 90.0f ? kAspectFront : kAspectRear;
    } else if (a <= 20.0f) {
        result = kAspectFront;
    } else if (a >= 160.0f) {
        result = kAspectRear;
    } else if (a >= 70.0f && a <= 110.0f) {
        result = kAspectSide;
    } else {
        const VehicleAspect base = a > 90.0f ? kAspectRear : kAspectFront;
        const float b = a > 90.0f ? 180.0f - a : a;
        const float chance = b <= 35.0f ? (b - 20.0f) / 30.0f : b / 70.0f;
        if (sideChance) {
            *sideChance = chance;
            return base;
        }
        return RandomFraction() < chance ? kAspectSide : base;
    }
    if (sideChance) *sideChance = result == kAspectSide ? 1.0f : 0.0f;
    return result;
}

VehicleHitLocation Vehicle::DetermineHitLocation(bool highExplosive, bool hullDown, float sideChance,
                                                 bool gunExposed, float hitChance, PendingAttack* attack) {
    // Plunging fire strikes the roof or the deck.
    if (attack) {
        const float v = VerticalAngle(attack->mOriginX, attack->mOriginY, attack->mOriginZ);
        if (v >= 15.0f) {
            const double d = (v - 15.0f) * kDegToRad;
            const double p = (1.0 - std::cos(d) / (3.0 * std::sin(d) + std::cos(d))) * 1.0894;
            if (RandomFraction() < p) return RandomPick(3) == 0 ? kHitTurretRoof : kHitHullDeck;
        }
    }
    const bool covered = mDugIn || hullDown;
    if (highExplosive && !IsFixed() && RandomPick(10) == 0) {
        if (covered) return kHitGun;
        return RandomPick(5) == 0 ? kHitGun : kHitRunningGear;
    }
    const bool turret = Data().mHasTurretArmor != 0;
    for (;;) {
        if (IsFixed()) {
            const float p = GetSlotHitChance(hitChance, sideChance);
            if (RandomFraction() < p) return (RandomPick(7) == 0 && gunExposed) ? kHitGun : kHitUpperHull;
            return kHitLowerHull;
        }
        const int32_t u = static_cast<int32_t>(RandomPick(100));
        VehicleHitLocation loc;
        if (!covered) {
            if (!turret)
                loc = u <= 74 ? kHitUpperHull : u <= 89 ? kHitLowerHull : u <= 97 ? kHitRunningGear : kHitGun;
            else
                loc = u <= 29   ? kHitTurret
                      : u <= 77 ? kHitUpperHull
                      : u <= 89 ? kHitLowerHull
                      : u <= 97 ? kHitRunningGear
                                : kHitGun;
        } else if (!turret) {
            loc = u <= 93 ? kHitUpperHull : kHitGun;
        } else {
            loc = u <= 69 ? kHitTurret : u <= 94 ? kHitUpperHull : kHitGun;
        }
        if (loc == kHitRunningGear && !((sideChance + 1.0f) * 0.5f > RandomFraction())) continue;
        if (loc == kHitGun && !gunExposed) continue;
        return loc;
    }
}

float Vehicle::VerticalAngle(float x, float y, float z) {
    const float dx = x - mX, dy = y - mY;
    const float d = std::sqrt(dx * dx + dy * dy);
    const float h = z - GetZ();
    float e;
    if (d == 0.0f) {
        e = h >= 0.0f ? 90.0f : 270.0f;
    } else {
        e = static_cast<float>(std::atan(h / d) * kRadToDeg);
        if (e < 0.0f) e += 360.0f;
    }
    if (e > 180.0f) e -= 360.0f;
    const float b = AspectToLocation(x, y, false, false);
    const float p = mHullPitch, r = mHullRoll;
    if (b <= 90.0f) {
        const float k = b / 90.0f;
        return e + p * (k - 1.0f) - k * r;
    }
    if (b <= 180.0f) {
        const float k = (180.0f - b) / 90.0f;
        return e + p * (1.0f - k) - k * r;
    }
    if (b < 270.0f) {
        const float k = (b - 180.0f) / 90.0f;
        return e + p * (1.0f - k) + k * r;
    }
    const float k = (360.0f - b) / 90.0f;
    return e + p * (k - 1.0f) + k * r;
}

// What the vehicle is as a fighting piece: whether it may aim, whether it
// cares which way its hull faces, its leadership marks and editor colour,
// and the casualties it still has to report.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "units/Functions.h"
#include "units/UnitFactory.h"
#include "units/ValueMemo.h"
#include "units/Vehicle.h"

bool Vehicle::AllowedToTarget() {
    return (!mWeaponKnockedOut || HasFunctioningMG(false)) && NrMenInTurret() > 0;
}

bool Vehicle::CanReceiveOrders() {
    if (mBailOutCountdown >= 0) return false;
    return Unit::CanReceiveOrders();
}

bool Vehicle::ConsideredTankForVoiceEffects(DataKnowledge k) const {
    const int32_t c = GetVehicleDataRecord(k).mVoiceClass;
    return !(c >= 11 && c <= 25) && c != 30;
}

bool Vehicle::CaresAboutFacing() {
    const VehicleData& d = Data();
    if (NrBowMGsReady() > 0 || HasTurret()) return true;
    if (d.mArmorPlates[2].mThickness > 14 && d.mArmorPlates[8].mThickness < 11.5f) return true;
    if (HasHeavyWeapon(kKnowTruth) && mMGTargetOwnsTarget) return true;
    if (NrCoaxMGsReady(true) > 0) return true;
    return mTarget && mTarget->HasAntiArmorWeapon(false) && d.mArmorPlates[2].mThickness > 20;
}

bool Vehicle::IsLeader(int32_t* level) {
    if (mIsLeader && level) *level = 1;
    return mIsLeader;
}

bool Vehicle::GetPlatoonHQ() {
    if (!IsArmoredVehicle(kKnowTruth, false)) return false;
    if (HasFlamethrower(kKnowTruth) || Data().mCoaxMGCount >= 2) return true;
    WeaponType type = kWeaponNone;
    WeaponClass wclass = kWClassSmallArms;
    GetWeaponInfo(&type, &wclass, kKnowTruth);
    return type != kWeaponNone && (wclass == 2 || wclass == 3 || wclass == 6);
}

int32_t Vehicle::EditorColor() {
    const bool command = Data().mCommandFlag != 0;
    if (Data().mKind == 6) return 8;
    if (GetPlatoonHQ()) return command ? 4 : 9;
    return command ? 11 : 12;
}

int32_t Vehicle::TallyCasualties() {
    if (mNoCasualtyTally) return 0;
    const int32_t n = mCasualties - mOldCasualties;
    return n > 0 ? n : 0;
}

// ---------------------------------------------------------------------------
// Value

float Vehicle::GetRarityFactor() {
    // The battle's rarity setting, else the operation's between battles.
    if (!gBattle && !gCampaign) return 1.0f;
    const int32_t mode = gBattle ? gBattle->mRarityMode : gCampaign->mRarityMode;
    const int32_t region = gBattle ? gBattle->mRegion : gCampaign->mRegion;
    if (mode == 2) return 1.0f;
    const VehicleData& d = Data();
    if (mode == 1) return RarityFactorFromIndex(d.mRarityIndex);
    // A row in use for the vehicle's force (63 any) and the scenario's
    // region (4 any); its longs are held in the machine's byte order.
    const char* codes = d.mRarityCodes;
    for (const auto& row : d.mRarityRows) {
        int32_t rowRegion = 0, force = 0;
        std::memcpy(&rowRegion, row + 4, sizeof rowRegion);
        std::memcpy(&force, row + 8, sizeof force);
        if (row[0] != 0 && (force == mForce || force == 63) && (rowRegion == region || rowRegion == 4)) {
            codes = row + 12;
            break;
        }
    }
    return GetRarityFactorX(d.mTypeDate, codes);
}

namespace {

// The armour quality's steel of a later war: lower variance from 4403 on.
void SetLateArmourVariance(Vehicle* v) {
    const int32_t date = gBattle ? gBattle->mDate : 0;
    if (date < 4403) return;
    const ArmorQuality q = v->Data().mArmorQuality;
    if (q == 4) v->mArmorFactor[0] = 0.9475f;
    if (q == 5) v->mArmorFactor[0] = 0.895f;
}

double ArmourCurve(double a) {
    return 2.098339e-9 * a * a * a * a - 1.138539e-6 * a * a * a + 0.0001818574 * a * a - 4.0511e-5 * a +
           0.9932406;
}

// The weighted effective armour of the value, seen from a metre off each
// face of the vehicle (squared up and level) against a 75 mm round.
double MeasureArmour(Vehicle* v) {
    const VehicleData& d = v->Data();
    // The plates seen from one face share its bearings.
    // Seen level: from the vehicle's own height, not from sea level, which
    // would look up at the plates of a vehicle on a rise at steep angles the
    // slope rule is not made for (a Panther on a 4 m rise came to 1e18).
    auto face = [v](float turn) {
        const float h = (v->mHeading + turn) * 3.14159265358979f / 180.0f;
        return ArmourBearings(v->mX + std::cos(h), v->mY + std::sin(h), v->GetZ());
    };
    auto basis = [v](ArmourBearings& from, VehicleHitLocation loc, VehicleAspect aspect) {
        return v->CalculateArmorBasis(&from, true, loc, aspect, true, 75.0f, 2, 1, 8, kKnowTruth, nullptr,
                                      nullptr, nullptr, true, nullptr);
    };
    ArmourBearings faces[3] = {face(0.0f), face(90.0f), face(180.0f)};
    const float w2[3] = {3.6f, 2.4f, 0.6f};
    const float w1[3] = {8.1f, 5.4f, 1.35f};
    const float w0[3] = {18.0f * 0.35f * ((d.mFlags & 0x4000) ? 1.17f : 1.0f), 4.2f, 1.05f};
    double armour = 0.0;
    for (int32_t a = 0; a < 3; ++a) {
        armour += basis(faces[a], 2, a) * w2[a];
        armour += basis(faces[a], 1, a) * w1[a];
        if (d.mHasTurretArmor) armour += basis(faces[a], 0, a) * w0[a];
    }
    armour += basis(faces[0], 3, 0) * 0.4f;
    armour += basis(faces[0], 4, 0) * 0.6f;
    return armour;
}

// What the measure reads of the vehicle, the turret bearing, pitch and roll
// being 0: its type, place, heading, height and front armour factor (the
// mean plates draw nothing and read no date).
struct ArmourKey {
    VehicleType type;
    uint32_t x, y, heading, z, factor; // the floats' bits
    bool operator==(const ArmourKey&) const = default;
};

struct ArmourKeyHash {
    size_t operator()(const ArmourKey& k) const {
        return HashWords({static_cast<uint32_t>(k.type), k.x, k.y, k.heading, k.z, k.factor});
    }
};

thread_local ValueMemo<ArmourKey, double, ArmourKeyHash> tArmourMemo;

// MeasureArmour, kept inside a value scope.
double SquaredUpArmour(Vehicle* v) {
    if (!tArmourMemo.Live()) return MeasureArmour(v);
    const ArmourKey key{v->mSubtype,
                        std::bit_cast<uint32_t>(v->mX),
                        std::bit_cast<uint32_t>(v->mY),
                        std::bit_cast<uint32_t>(v->mHeading),
                        std::bit_cast<uint32_t>(v->GetZ()),
                        std::bit_cast<uint32_t>(v->mArmorFactor[0])};
    if (const double* kept = tArmourMemo.Find(key)) return *kept;
    const double armour = MeasureArmour(v);
    tArmourMemo.Keep(key, armour);
    return armour;
}

} // namespace

float Vehicle::GetVPValue(bool asNew, DataKnowledge k) {
    const VehicleData& d = Data();
    if (d.mKind == 5) return 10.0f;
    Vehicle* v = this;
    if (asNew) {
        v = new Vehicle;
        v->IVehicle(mSubtype, mForce, mExperience, 0.0f, 0.0f, 0.0f);
        v->mSide = mSide;
    }
    float savedArmour[5];
    std::copy(std::begin(v->mArmorFactor), std::end(v->mArmorFactor), savedArmour);
    SetLateArmourVariance(v);

    const VehicleModelData& model = gVehicleModelData[v->GetActualModel()];
    const bool hatches = model.mOpeningHatches != 0;
    float value = 5.0f + d.mExtraValueSteps * (d.mExtraStepsOfFive ? 5.0f : 2.0f) + d.mExtraValue;

    // The main weapon: turret or arc, rate of fire and rounds.
    WeaponClass wclass = kWClassSmallArms;
    GetWeaponInfo(nullptr, &wclass, kKnowTruth);
    if (v->HasHeavyWeapon(kKnowTruth)) {
        float turret = 0.0f;
        if (HasTurret())
            turret = 0.02f * d.mTurretKind + 0.96f;
        else
            turret = 0.000667f * std::min(std::abs(d.mGunArc) + std::abs(d.mGunArcClockwise), 45) + 0.9f;
        const float cycle = v->FullAimTime(false, true) + v->FullLoadTime(false, true);
        // A type without aim or load times would divide by zero: it fires
        // as fast as a one-second cycle allows.
        const float perMinute = cycle > 0.0f ? 60.0f / cycle : 60.0f;
        float g = GetWeaponVPValue(d.mMainWeapon, perMinute, d.mMaxRounds, v->GetAmmoProfile(), mSide != 0,
                                   v->GetNation(), true, turret);
        if (d.mFlags & 0x400000) g *= 1.2f;
        // A flame gun as the main weapon counts its fuel as the flame guns do.
        if (d.mMainWeapon != kWeaponNone && gWeaponData[d.mMainWeapon].mClass == kWClassFlame && d.mFlameFuel < 80)
            g *= d.mFlameFuel * 0.0125f;
        value += g;
    }

    // Machine guns and flamethrowers.
    const SmallArmsType slots[3] = {d.mBowMG, d.mCoaxMG, d.mFreeMG};
    const int32_t counts[3] = {d.mBowMGCount, d.mCoaxMGCount, d.mFreeMGCount};
    float flame = 0.0f, guns = 0.0f;
    for (int32_t i = 0; i < 3; ++i) {
        const SmallArmsType type = slots[i];
        // A slot with a type but no guns adds nothing (and would divide
        // by zero below).
        if (type == kSmallArmsNone || counts[i] <= 0) continue;
        if (gSmallArmsData[type].mMGClass == 4) {
            const float c = i == 0   ? 0.8f * 0.14f
                            : i == 1 ? 0.14f
                                     : 0.14f * (d.mFreeMGButtoned ? 1.0f : 0.25f);
            flame += SmallArmFP(type, 1.0f, kFirePlain) * counts[i] * c;
            continue;
        }
        float c = 0.2f;
        if (i == 0) c = 0.8f * 0.2f;
        if (i == 2) {
            c = 0.2f * (hatches && !d.mFreeMGButtoned ? 0.3f : 1.0f);
            if (type == 48) c *= d.mCrew > 3 ? 0.5f : 0.25f;
        }
        float g = SmallArmFP(type, 150.0f, kFirePlain) * counts[i] * c;
        const MGAmmoClass ac = GetMGAmmoType(type);
        int32_t n = 0;
        for (int32_t j = 0; j < 3; ++j)
            if (slots[j] != kSmallArmsNone && counts[j] > 0 && GetMGAmmoType(slots[j]) == ac)
                n += j == 0 ? 1 : counts[j];
        const int32_t a = ac >= 0 && ac < 3 && n > 0 ? d.mLoadExtras[ac] / n : 0;
        const float q = 1.0f - 0.005f * a;
        g *= 1.0f - q * q * q;
        guns += g;
    }
    value += guns;
    if (flame != 0.0f) {
        if (d.mFlameFuel < 80) flame *= d.mFlameFuel * 0.0125f;
        value += flame;
    }

    // Crew and gun handling.
    const uint32_t f = d.mFlags;
    if (f & 0x80000) value *= 1.02f;
    if (f & 0x10) value *= wclass == 6 ? 0.95f : 0.76f;
    if (f & 0x40) value *= 0.94f;
    if (f & 0x80) value *= 0.97f;
    if (f & 0x20) value *= 0.85f;
    if (f & 0x08) value *= 1.03f;
    if (f & 0x8000) value *= 0.985f;

    if (d.mKind == 6) {
        value *= v->HasHeavyWeapon(kKnowTruth) ? 1.9f : 1.4f;
    } else {
        // Armour, measured on the vehicle squared up and level.
        const float bearing = v->mTurretBearing, pitch = v->mHullPitch, roll = v->mHullRoll;
        v->mTurretBearing = v->mHullPitch = v->mHullRoll = 0.0f;
        double armour = SquaredUpArmour(v);
        v->mTurretBearing = bearing;
        v->mHullPitch = pitch;
        v->mHullRoll = roll;
        const int32_t open = v->OpenTopStatus(kKnowTruth);
        if (open == 1) armour *= 0.95;
        if (open == 2) armour *= 0.9;
        if (f & 0x2) armour *= 0.97;
        if (f & 0x1) armour *= 0.97;
        if (!d.mHasTurretArmor) armour /= 0.65;
        armour /= 34.0;

        if (armour == 0.0) {
            value *= (f & 0x400) ? 0.85f : 0.7f;
        } else {
            // A hull figure of 0 (the loader allows it) counts as 1.
            const double hull =
                d.mHullFigure > 0.0f ? std::pow(static_cast<double>(d.mHullFigure), 0.2) : 1.0;
            value = static_cast<float>(value * ArmourCurve(armour) / hull);
            if (hatches && v->HasOrdnance(false, true)) value *= d.mOrdnanceValueFlag ? 1.025f : 0.975f;
        }
        if (d.mSmokeEquipment == 3)
            value *= 1.03f;
        else if (d.mSmokeEquipment != 0)
            value *= 1.02f;
        value *= d.mTopSpeed * 0.0025f + 0.96f;
        // A weight of 0 (the loader allows it) leaves the power term out.
        if (d.mWeight > 0) value *= (static_cast<float>(d.mPowerFigure) / d.mWeight - 11.0f) * 0.008f + 1.0f;
        if (d.mKind == 4 && d.mTrackFigure != 0.0f) value *= (12.0f - d.mTrackFigure) * 0.0125f + 1.0f;
        if (d.mKind == 1) value *= 0.94f;
        if (d.mKind == 0) value *= 0.88f;
    }
    value = value * 0.82f + 15.0f;

    std::copy(std::begin(savedArmour), std::end(savedArmour), v->mArmorFactor);
    if (asNew) delete v;

    bool adjust = k == kKnowTruth;
    if (k == kKnowEnemy) adjust = mContactLevel >= 5;
    if (k == kKnowIdentified) {
        int32_t player = gBattle ? gBattle->Host()->PlayerSideValue() : 0;
        if (player == 2) player = 1;
        const Affiliation own = mSide != 0 ? kAxis : kAllies;
        adjust = own == player || mContactLevel >= 5;
    }
    if (!adjust) return value;
    if (!IsLeader(nullptr) && GetPlatoonHQ()) {
        value *= 0.95f;
        if (!HasVehicleRadio()) value *= 0.94f;
    }
    return AdjustVPByEditor(value);
}

bool Vehicle::ForceReadiness(int32_t* readiness, int32_t* total) {
    if (!mActive || !readiness || !total) return false;
    const int32_t v = static_cast<int32_t>(GetVPValue(false, kKnowTruth));
    float f = 1.0f;
    int32_t maximum = 0;
    MaxAllowedAmmo(&maximum);
    if (maximum > 0) {
        maximum = std::min(maximum, 75);
        int32_t sum = 0;
        for (int32_t c = 0; c <= 7; ++c)
            sum += mAmmo[c];
        f = static_cast<float>(sum) / static_cast<float>(maximum);
        if (mImmobile && Data().mKind != 6 && !mDugIn) f = std::max(f - 0.25f, 0.0f);
        f = std::min(f, 1.0f);
    }
    *readiness = static_cast<int32_t>(v * f + *readiness);
    *total += v;
    return false;
}

float Vehicle::AirTargetScore(AirWeaponKind weapon) {
    float s = Unit::AirTargetScore(weapon);
    const VehicleData& d = Data();
    const float a = std::min(d.mTopArmor[0], d.mTopArmor[1]);
    float p = 0.0f;
    switch (weapon) {
    case 1:
        p = 1;
        break;
    case 2:
        p = 20;
        break;
    case 9:
        p = 8.5f;
        break;
    case 10:
        p = 21;
        break;
    case 11:
        p = 23;
        break;
    case 12:
        p = 16;
        break;
    case 13:
        p = 26;
        break;
    case 14:
        p = 39;
        break;
    case 15:
        p = 41;
        break;
    case 16:
        p = 17;
        break;
    case 17:
        p = 62;
        break;
    case 25:
        p = 64;
        break;
    default:
        break;
    }
    if (p != 0.0f) {
        if (a > 0.5f * p)
            s *= 0.1f;
        else if (a > 0.2f * p)
            s *= 0.1f + 0.9f * (0.5f * p - a) / (0.3f * p);
    }
    if (!mActive) s *= mBurning ? 0.0f : 0.4f;
    if (d.mKind != 6) s *= 2.0f;
    if (mContactLevel == 0) s *= 0.5f;
    return s;
}

void Vehicle::BecomeLeader(bool withSkills) {
    mIsLeader = true;
    // Two bits a skill: command at bit 0, combat 2, morale 4, stealth 6.
    int32_t command = 0, morale = 0;
    if (withSkills) {
        command = RandomLeaderSkill(mExperience, 0) & 3;
        morale = RandomLeaderSkill(mExperience, 0) & 3;
    }
    mLeaderSkills = static_cast<uint8_t>(command | (morale << 4));
}

void Vehicle::ExitMap() {
    for (Unit*& p : mPassengers) {
        if (!p) continue;
        p->mTransport = nullptr;
        p->mX = mX;
        p->mY = mY;
        p->ExitMap();
        p = nullptr;
    }
    Unit::ExitMap();
}

// A vehicle knocked out or destroyed is lost whole to the enemy; one still
// fighting costs nothing yet (its crew's losses go with the wreck).
float Vehicle::GetCasualtyVPLoss() {
    if (!mKnockedOut && !mDestroyed) return 0.0f;
    return GetVPValue(true, kKnowTruth);
}

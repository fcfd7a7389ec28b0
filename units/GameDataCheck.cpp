// Consistency check of a whole data set: ranges of coded fields and every
// reference from one table into another.

#include <cmath>
#include <cstring>

#include "units/GameDataSet.h"
#include "units/InfantryTables.h"
#include "units/VehicleSets.h"

namespace {

class Checker {
public:
    explicit Checker(const GameDataSet& set) : mSet(set) {}

    void At(GameTable t, int32_t row) {
        mTable = t;
        mRow = row;
    }

    // Records the first fault only; later calls are cheap no-ops. The
    // message names the text file the row comes from, the row and the field.
    void Fail(const char* field, const std::string& what) {
        if (!mError.empty()) return;
        mError = std::string(GameTableName(mTable)) + ".txt: Tabelle " + GameTableGlobal(mTable) + ", Zeile " +
                 std::to_string(mRow) + ", " + field + ": " + what;
    }

    void Range(const char* field, int64_t v, int64_t lo, int64_t hi) {
        if (v < lo || v > hi)
            Fail(field, std::to_string(v) + " nicht in " + std::to_string(lo) + ".." + std::to_string(hi));
    }

    void Ref(const char* field, int64_t v, GameTable target) {
        if (v < 0 || v >= mSet.Count(target))
            Fail(field, std::string("Verweis auf fehlende Zeile ") + std::to_string(v) + " von " +
                            GameTableGlobal(target));
    }

    void Finite(const char* field, float v) {
        if (!std::isfinite(v)) Fail(field, "keine endliche Zahl");
    }

    void NonNegative(const char* field, float v) {
        Finite(field, v);
        if (v < 0.0f) Fail(field, "negativ");
    }

    template <size_t N> void Text(const char* field, const char (&s)[N]) {
        if (std::memchr(s, 0, N) == nullptr) Fail(field, "Text ohne Ende");
    }

    bool Ok() const { return mError.empty(); }
    const std::string& Error() const { return mError; }
    const GameDataSet& Set() const { return mSet; }

private:
    const GameDataSet& mSet;
    GameTable mTable = kTableVehicleClass;
    int32_t mRow = 0;
    std::string mError;
};

void CheckVehicleClass(Checker& c, const VehicleClassChart& r) {
    c.Ref("mGeneralType", r.mGeneralType, kTableVehicle);
}

void CheckForce(Checker& c, const ForceTypeChart& r) {
    c.Text("mName", r.mName);
    c.Range("mNation", r.mNation, 0, kNationCount - 1);
    c.Ref("mUniformRecord", r.mUniformRecord, kTableUniform);
    c.Range("mRankNameSet", r.mRankNameSet, 0, 5);
}

void CheckPace(Checker& c, const MovementSpeedChart& r) {
    c.Range("mExposureClass", r.mExposureClass, 0, 5);
    // The pace kind, fire level and fatigue rate are not checked: the rules
    // take every value (a kind outside 1..4 moves at the walking row, a fire
    // level above 4 fires at full strength, a fatigue rate outside -1..3
    // tires by 0.0005 a slice). Animation numbers of a figure's group have
    // no such rule.
    for (int32_t a : r.mAnimation)
        c.Range("mAnimation", a, 0, kAnimationsPerGroup - 1);
    for (int32_t a : r.mPoseCode)
        c.Range("mPoseCode", a, 0, kAnimationsPerGroup - 1);
    c.Ref("mTiredSpeed", r.mTiredSpeed, kTableMovementSpeed);
    c.Ref("mSurrenderedSpeed", r.mSurrenderedSpeed, kTableMovementSpeed);
    c.Range("mVoiceType", r.mVoiceType, 0, kVoiceTypeCount - 1);
    c.NonNegative("mSuppressionFactor", r.mSuppressionFactor);
    c.NonNegative("mHearingFactor", r.mHearingFactor);
    c.NonNegative("mSightFactor", r.mSightFactor);
    c.NonNegative("mVoiceChance", r.mVoiceChance);
    c.NonNegative("mDelayFactor", r.mDelayFactor);
    c.NonNegative("mCrewSightFactor", r.mCrewSightFactor);
}

void CheckVehicle(Checker& c, const VehicleData& r) {
    c.Text("mName", r.mName);
    c.Text("mShortName", r.mShortName);
    c.Range("mCrew", r.mCrew, 0, 12);
    c.Range("mWeight", r.mWeight, 0, 200);
    c.Ref("mClass", r.mClass, kTableVehicleClass);
    c.Ref("mLookAlikeType", r.mLookAlikeType, kTableVehicle);
    c.Ref("mMainWeapon", r.mMainWeapon, kTableWeapon);
    c.Ref("mBowMG", r.mBowMG, kTableSmallArms);
    c.Ref("mCoaxMG", r.mCoaxMG, kTableSmallArms);
    c.Ref("mFreeMG", r.mFreeMG, kTableSmallArms);
    c.Range("mBowMGCount", r.mBowMGCount, 0, 4);
    c.Range("mCoaxMGCount", r.mCoaxMGCount, 0, 4);
    c.Range("mFreeMGCount", r.mFreeMGCount, 0, 4);
    c.Range("mTurretKind", r.mTurretKind, 0, 5);
    c.Range("mGunReach", r.mGunReach, 0, 2);
    c.Range("mMobilityClass", r.mMobilityClass, 0, 6);
    c.Range("mArmorQuality", r.mArmorQuality, 0, kArmorQualityCount - 1);
    c.Range("mTopSpeed", r.mTopSpeed, 0, 80);
    c.Range("mMaxRounds", r.mMaxRounds, 0, 2000);
    c.Range("mPassengerSlots", r.mPassengerSlots, 0, 2);
    c.Range("mLongRange", r.mLongRange, 0, 1);
    c.Range("mGoodVision", r.mGoodVision, 0, 1);
    c.Range("mSkirtKind", r.mSkirtKind, 0, 7);
    c.Range("mCurvedPlateChance", r.mCurvedPlateChance, 0, 100);
    // The harm estimate divides by shock resistance + 70.
    c.Range("mShockResistance", r.mShockResistance, -69, 32767);
    c.Range("mAmmoProfile", r.mAmmoProfile, 0, kLoadSlots - 1);
    c.Ref("mVehicleModel", r.mVehicleModel, kTableVehicleModel);
    for (const ArmorPlate& p : r.mArmorPlates) {
        c.Range("mArmorPlates", p.mThickness, 0, 500);
        c.Range("mArmorPlates", p.mSlope, -89, 89);
    }
    for (int16_t a : r.mAddedPlates)
        c.Range("mAddedPlates", a, 0, 500);
    c.Range("mRarityIndex", r.mRarityIndex, 0, kRarityCodeMax);
    for (char code : r.mRarityCodes)
        c.Range("mRarityCodes", code, 0, kRarityCodeMax);
    c.NonNegative("mTrackFigure", r.mTrackFigure);
    c.NonNegative("mGroundPressure", r.mGroundPressure);
    c.NonNegative("mHullFigure", r.mHullFigure);
}

void CheckInfantry(Checker& c, const InfantryData& r) {
    c.Text("mName", r.mName);
    c.Text("mShortName", r.mShortName);
    c.Range("mNrMen", r.mNrMen, 0, 15); // the unit record keeps casualties in four bits
    c.Ref("mHeavyWeapon", r.mHeavyWeapon, kTableWeapon);
    // An observer waits its row's seconds between volleys; every reload is
    // capped at 640 s, and 9999 would mean the gun crew's own reload.
    if (c.Ok() && c.Set().mWeapons[static_cast<size_t>(r.mHeavyWeapon)].mClass == kWClassIndirect)
        c.Range("mBaseLoadTime", r.mBaseLoadTime, 1, 640);
    c.Range("mNrTeams", r.mNrTeams, 1, 4);
    c.Range("mSpeedClass", r.mSpeedClass, 0, 4);
    c.Range("mAmmoProfile", r.mAmmoProfile, 0, kLoadSlots - 1);
    c.Range("mRarityIndex", r.mRarityIndex, 0, kRarityCodeMax);
    int men = 0;
    for (int i = 0; i < 4; ++i) {
        c.Ref("mTeamSmallArms", r.mTeamSmallArms[i], kTableSmallArms);
        c.Range("mTeamMen", r.mTeamMen[i], 0, 20);
        c.Range("mTeamAnimGroup", r.mTeamAnimGroup[i], 0, 31);
        if (i < r.mNrTeams) men += r.mTeamMen[i];
        // Men in a team the row does not have would be lost when the unit is made.
        else if (r.mTeamMen[i] != 0)
            c.Fail("mTeamMen", "Team " + std::to_string(i + 1) + " ungenutzt, hat aber Maenner");
    }
    if (men != r.mNrMen)
        c.Fail("mTeamMen", "Summe " + std::to_string(men) + " ungleich mNrMen " + std::to_string(r.mNrMen));
}

void CheckWeapon(Checker& c, const WeaponData& r) {
    c.Range("mClass", r.mClass, 0, kWeaponClassCount - 1);
    c.NonNegative("mCalibre", r.mCalibre);
    c.Range("mNrTubes", r.mNrTubes, 0, 8);
    c.Range("mArtillerySize", r.mArtillerySize, 0, 4);
    c.Range("mCarriage", r.mCarriage, 0, 2);
    c.Ref("mOrdnanceModel", r.mOrdnanceModel, kTableOrdnanceModel);
    c.Ref("mATRModel", r.mATRModel, kTableATRModel);
    c.NonNegative("mMinRange", r.mMinRange);
    c.NonNegative("mMaxRange", r.mMaxRange);
    c.NonNegative("mModelScale", r.mModelScale);
    c.NonNegative("mKillMultiplier", r.mKillMultiplier);
    c.Finite("mPenetrationParameter", r.mPenetrationParameter);
    for (const WeaponAmmo& a : r.mAmmo) {
        if (a.mType < 1) break;
        c.Ref("mAmmo", a.mType, kTableAmmo);
        c.NonNegative("mAmmo", a.mVelocity);
    }
    // Shot of the anti-tank weapons and guns flies and strikes by its bore.
    const bool shoots = r.mClass >= kWClassLightAT && r.mClass <= kWClassTwinGun;
    if (shoots && r.mAmmo[0].mType >= 1 && !(r.mCalibre > 0.0f)) c.Fail("mCalibre", "Geschuetz ohne Kaliber");
    for (const LoadMix& m : r.mLoadMix) {
        c.Range("mLoadMix", m.mAP, 0, 100);
        c.Range("mLoadMix", m.mHEAT, 0, 100);
        c.Range("mLoadMix", m.mSmoke, 0, 100);
        c.Range("mLoadMix", m.mCanister, 0, 100);
        c.Range("mLoadMix", m.mTungsten, 0, 9);
        c.Range("mLoadMix", m.mAP + m.mHEAT + m.mSmoke + m.mCanister, 0, 100);
    }
}

void CheckSmallArms(Checker& c, const SmallArmsData& r) {
    c.Text("mName", r.mName);
    c.Range("mMaxRange", r.mMaxRange, 0, 5000);
    c.Range("mAutoClass", r.mAutoClass, 0, 3);
    c.Range("mSoundClass", r.mSoundClass, 0, 22);
    c.Range("mMGClass", r.mMGClass, 0, 4);
    c.Range("mNrTextures", r.mNrTextures, 0, kSmallArmsTextures);
    for (float f : r.mFirepower)
        c.NonNegative("mFirepower", f);
}

void CheckAmmo(Checker& c, const AmmoData& r) {
    if (r.mClass != kAmmoNone) c.Range("mClass", r.mClass, 0, 7);
    c.Range("mCap", r.mCap, 0, 2);
    c.Range("mProjectileKind", r.mProjectileKind, 0, 16);
    if (r.mFirstDate > r.mLastDate) c.Fail("mFirstDate", "nach mLastDate");
    c.NonNegative("mWeight", r.mWeight);
    c.NonNegative("mDrag", r.mDrag);
    c.NonNegative("mSpecial", r.mSpecial);
}

void CheckVehicleModel(Checker& c, const VehicleModelData& r) {
    c.Range("mNrCrewPositions", r.mNrCrewPositions, 0, kCrewPositions);
    c.Range("mShadingClass", r.mShadingClass, 0, 8);
    if (!FindVehicleSet(r.mTextureSet))
        c.Fail("mTextureSet", "Satz " + std::to_string(r.mTextureSet) + " nicht im Bildspeicher");
    for (float s : r.mSize)
        c.NonNegative("mSize", s);
    for (const CrewPosition& p : r.mCrewPositions) {
        c.Finite("mCrewPositions", p.mX);
        c.Finite("mCrewPositions", p.mY);
        c.Finite("mCrewPositions", p.mZ);
        c.Finite("mCrewPositions", p.mHeading);
    }
}

void CheckAirplane(Checker& c, const AirplaneData& r) {
    c.Range("mRarityIndex", r.mRarityIndex, 0, kRarityCodeMax);
}

void CheckOrdnanceModel(Checker& c, const OrdnanceModelData& r) {
    c.Finite("mCrewX", r.mCrewX);
    c.Finite("mCrewY", r.mCrewY);
    c.Finite("mCrewHeight", r.mCrewHeight);
}

void CheckATRModel(Checker& c, const ATRModelData& r) {
    c.NonNegative("mLength", r.mLength);
    c.NonNegative("mHeight", r.mHeight);
}

template <class T, class F> void Each(Checker& c, GameTable t, const std::vector<T>& rows, F check) {
    for (size_t i = 0; i < rows.size() && c.Ok(); ++i) {
        c.At(t, static_cast<int32_t>(i));
        check(c, rows[i]);
    }
}

} // namespace

bool CheckGameData(const GameDataSet& set, std::string* error) {
    Checker c(set);
    for (int i = 0; i < kTableCount && c.Ok(); ++i) {
        const GameTable t = static_cast<GameTable>(i);
        c.At(t, set.Count(t));
        if (set.Count(t) < kTableMinRows[t])
            c.Fail("Zeilenzahl", std::to_string(set.Count(t)) + ", mindestens " +
                                     std::to_string(kTableMinRows[t]) + " noetig");
    }
    c.At(kTableMovementSpeed, set.Count(kTableMovementSpeed));
    if (set.Count(kTableMovementSpeed) > kMovementSpeedCount) c.Fail("Zeilenzahl", "mehr als 32 Gangarten");
    c.At(kTableAmmo, 0);
    if (!set.mAmmo.empty() && set.mAmmo[0].mClass != kAmmoNone)
        c.Fail("mClass", "Zeile 0 muss 'keine Munition' (11) sein");

    Each(c, kTableVehicleClass, set.mVehicleClasses, CheckVehicleClass);
    Each(c, kTableForceType, set.mForces, CheckForce);
    Each(c, kTableMovementSpeed, set.mPaces, CheckPace);
    Each(c, kTableVehicle, set.mVehicles, CheckVehicle);
    Each(c, kTableInfantry, set.mInfantry, CheckInfantry);
    Each(c, kTableWeapon, set.mWeapons, CheckWeapon);
    Each(c, kTableSmallArms, set.mSmallArms, CheckSmallArms);
    Each(c, kTableAmmo, set.mAmmo, CheckAmmo);
    Each(c, kTableAirplane, set.mAirplanes, CheckAirplane);
    Each(c, kTableVehicleModel, set.mVehicleModels, CheckVehicleModel);
    Each(c, kTableOrdnanceModel, set.mOrdnanceModels, CheckOrdnanceModel);
    Each(c, kTableATRModel, set.mATRModels, CheckATRModel);
    if (!c.Ok()) *error = c.Error();
    return c.Ok();
}

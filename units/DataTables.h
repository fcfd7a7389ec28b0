#pragma once
// Records of the fourteen game data tables and the tables themselves.
//
// The tables are loaded once at start-up from the data block the program
// carries (DecryptData) and are read-only afterwards, with one exception: a
// saved game carries each record's rarity byte so that both machines of a
// network game play with the same values (DataTable::Edit).
//
// Where two rules know one field under two names, the names share storage
// through an anonymous union, so that either name reads the same value.

#include <cstddef>
#include <cstdint>

#include "units/Enums.h"

// ------------------------------------------------------------ vehicle class
struct VehicleClassChart {
    int32_t mNameString;      // string id of the class name (5200 + class)
    int8_t mDrawingClass;     // class shape drawn for an unidentified vehicle
    VehicleType mGeneralType; // 406 bunker, 407 truck, 408 light armour, 409 tank
};

// ------------------------------------------------------------ force
struct ForceTypeChart {
    char mName[36];         // name of the force
    int32_t mUniformRecord; // row of gUniformGraphics of the force's uniform
    Nation mNation;
    int8_t mRankNameSet; // 0..5: rank abbreviations are strings 5900 + 6 * set + rank
    int8_t mSkis;        // the force's infantry may use skis
};

// ------------------------------------------------------------ pace
struct MovementSpeedChart {
    int8_t mExposureClass;    // 0..5, movement class of the cover rule
    float mSuppressionFactor; // multiplies area-fire suppression while moving so
    int8_t mSeeksCover;       // breaks off for cover at suppression 60..100
    int8_t mLowProfile;       // fully covered behind a wall
    int8_t mFatigueRate;      // -1 recovering, 0 slight .. 3 very heavy
    int32_t mFatigueLimit;    // fatigue state from which the pace is halved
    int32_t mFatigueCeiling;  // fatigue state from which mTiredSpeed is taken
    MovementSpeedType mTiredSpeed;
    int8_t mPaceKind;     // 0 stopped, 1 crawl, 2 walk, 3 run, 4 double
    int32_t mFireLevel;   // fire type 0 none .. 4 full; 2+ rockets too
    int8_t mConcealClass; // 1..4, the exposure-to-range quadratic
    float mHearingFactor;
    float mSightFactor;
    int8_t mEyesFront;      // looks only ahead
    int8_t mKeepsOnReplace; // a replacing order keeps this pace
    int8_t mSkisAllowed;
    int32_t mAnimation[2]; // on foot, on skis
    int32_t mPoseCode[2];  // on foot, on skis
    int8_t mFiringPose;
    float mVoiceChance; // chance factor of the pace voice per man and slice
    int32_t mOrderCode; // order id (20..63) mapped to this pace
    MovementSpeedType mSurrenderedSpeed;
    int8_t mMixable;       // may follow waypoints of another pace
    int8_t mMultiWaypoint; // takes up to 50 waypoints
    int8_t mChangeable;    // an active waypoint may still be changed
    float mDelayFactor;    // weight in the command delay
    VoiceType mVoiceType;
    int16_t mOrderTextId;   // 0 none, -1 the default move text
    int16_t mMoveNoise;     // noise of a vehicle moving at this pace
    float mCrewSightFactor; // a moving vehicle crew's sight factor
    int16_t mExposureFigure; // how much a unit at this pace gives itself away to a spotter
};

// ------------------------------------------------------------ vehicle
// Armour slots are indexed aspect * 3 + location (locations 0 turret,
// 1 upper hull, 2 lower hull; aspects 0 front, 1 side, 2 rear).
constexpr int kArmorSlots = 9;
constexpr int kRarityCodes = 60;
constexpr int kRarityCodeMax = 16; // rarity codes index a table of 17 factors
constexpr int kRarityRows = 6;
constexpr int kRarityRowBytes = 72;

struct ArmorPlate {
    int16_t mThickness; // mm
    int16_t mSlope;     // degrees from the vertical
};

struct VehicleData {
    char mName[45];
    char mShortName[20];
    int16_t mWeight; // tons: passenger ratio, collisions, ground pressure
    int8_t mCrew;
    int32_t mLookAlikeType; // 42..46 select the default-hardness group 2
    VehicleClass mClass;    // row of gVehicleClassChart
    int32_t mVoiceClass;
    WeaponType mMainWeapon; // 286 = none
    int8_t mAmmoProfile;    // load slot of the main weapon's mix
    int16_t mMaxRounds;     // main-gun rounds carried
    int32_t mGunReach;      // 0..2 reach (and barrel) class of the gun
    uint8_t mOrdnanceValueFlag;
    int32_t mTurretKind; // 0-4 turrets of rising traverse speed, 5 none
    union {              // negative: gun faces the rear; for a bunker the
        int16_t mGunArc; // half-width of its field of view
        int16_t mGunToRear;
    };
    int16_t mGunArcClockwise;
    SmallArmsType mBowMG; // 71 = none
    int8_t mBowMGCount;
    SmallArmsType mCoaxMG;
    int8_t mCoaxMGCount;
    uint8_t mCoaxIndependent; // coax may fire while the main gun engages
    SmallArmsType mFreeMG;
    int8_t mFreeMGCount;
    uint8_t mFreeMGButtoned; // the free gun is usable when buttoned (remote)
    union {                  // full loads: MG rounds by MG ammo class 0, 1, flame fuel
        uint8_t mLoadExtras[3];
        struct {
            uint8_t mMGRounds[2];
            uint8_t mFlameFuel;
        };
    };
    int16_t mTopSpeed; // road speed, mph
    union {            // 1 average, 2-3 good, 5 special (boat), 6 fixed
        int32_t mMobilityClass;
        int32_t mKind;
    };
    union {
        int16_t mPowerFigure; // engine power figure
        int16_t mPower;
    };
    float mTrackFigure;
    float mGroundPressure;   // psi
    uint8_t mHasTurretArmor; // separately armoured turret
    union {
        ArmorQuality mArmorQuality; // 0..6
        ArmorQuality mArmorClass;
    };
    ArmorPlate mArmorPlates[kArmorSlots];
    union { // turret roof, hull deck; 0 or less = open
        int16_t mTopArmor[2];
        struct {
            int16_t mRoofArmorA;
            int16_t mRoofArmorB;
        };
    };
    uint8_t mHasHardness;                // mPlateHardness is filled in (armour variant)
    int16_t mPlateHardness[kArmorSlots]; // Brinell; negative = face-hardened, -1 derive
    int16_t mAddedPlates[kArmorSlots];   // second plate combined with the first
    int32_t mSkirtKind;                  // 0 none, 1..7 skirts and spaced plates
    int32_t mCurvedPlateChance;          // percent (rounded front)
    int16_t mShockResistance;            // how well the crew bears hits that do not pierce
    int32_t mTurretShape[2];
    uint8_t mCupola;
    int8_t mGunCount;
    uint8_t mGoodVision;
    uint8_t mLongRange; // 1: a buttoned crew ranges in out to 4000 m, else 2500 m
    uint8_t mRidersHidden;
    int32_t mOptics;           // optical type; string 2040 + value
    int32_t mSpecialEquipment; // string 1439 + value
    int32_t mExtraValue;       // also the carrying capacity
    int8_t mExtraValueSteps;   // also the loading order
    uint8_t mExtraStepsOfFive; // passengers ride inside
    int32_t mTransportClass;   // largest InfantryData mMobility carried; 0 none
    int8_t mPassengerSlots;    // below 2: one unit; 2: two units
    union {
        float mHullFigure; // size of the hull
        float mTargetSize;
        float mSilhouette;
    };
    union {
        uint32_t mVehicleFlags;
        uint32_t mFlags;
    };
    int32_t mSmokeEquipment; // 0 none, 2 dischargers along the gun, 3 toward the threat
    union {
        int16_t mTypeDate; // first month of service, YYMM
        int16_t mFirstDate;
    };
    union {
        VehicleModel mVehicleModel;
        VehicleModel mModel;
    };
    uint8_t mCommandFlag;
    char mRarityCodes[kRarityCodes];
    char mRarityRows[kRarityRows][kRarityRowBytes];
    int8_t mRarityIndex;
};

// Vehicle flag bits.
constexpr uint32_t kVFlammable = 0x1;
constexpr uint32_t kVShotTrap = 0x2;
constexpr uint32_t kVFlameLostOnPenetration = 0x4;
constexpr uint32_t kVRearDriver = 0x8;
constexpr uint32_t kVOneManTurret = 0x10;
constexpr uint32_t kVTwoManTurret = 0x20;
constexpr uint32_t kVSlowFiring = 0x40;
constexpr uint32_t kVVerySlowFiring = 0x80;
constexpr uint32_t kVThirdMGForward = 0x100;
constexpr uint32_t kVDiesel = 0x200;
constexpr uint32_t kVLightArmor = 0x400;
constexpr uint32_t kVUniformFromUnit = 0x2000;
constexpr uint32_t kVReinforcedTurretFront = 0x4000;
constexpr uint32_t kVThinEngineProtection = 0x8000;
constexpr uint32_t kVNoRadio = 0x10000;
constexpr uint32_t kVLateCamouflage = 0x20000;
constexpr uint32_t kVGyroStabilised = 0x80000;
constexpr uint32_t kVCoaxAntiAircraft = 0x100000;
constexpr uint32_t kVWreckGunThird = 0x200000;    // a wreck's gun is drawn at a third of its elevation
constexpr uint32_t kVCrewFixedInTurret = 0x2000000; // crew figures do not turn with the turret

// ------------------------------------------------------------ infantry
struct InfantryData {
    char mName[32];
    char mShortName[18];
    int8_t mIsSquad; // a rifle squad
    int8_t mUsesDemoCharge;
    int8_t mLeaderRank; // 0 not a leader, else the leader level
    int16_t mNrMen;
    WeaponType mHeavyWeapon; // 286 = none
    int16_t mNrTeams;        // 1..4
    int8_t mTeamsCanRefill;
    SmallArmsType mTeamSmallArms[4];
    int16_t mTeamMen[4];
    InfantryAnimationGroup mTeamAnimGroup[4];
    int32_t mVolleys; // shells per slice of an observed battery (0 means 4)
    union {
        int16_t mBaseLoadTime; // seconds; 9999 = the heavy weapon's own reload
        int16_t mLoadTime;
    };
    int16_t mMaxAmmo; // ammunition carried at full strength
    SpeedClass mSpeedClass;
    int32_t mMobility; // 9 or more cannot move by itself
    int16_t mDataDate; // YYMM, selects texture variants
    int32_t mFlags;
    int32_t mLoadingWeight;
    int8_t mPlatoonMember;  // regrouped with its platoon leader at set-up
    int16_t mHEATReference; // reference count of the opponent's class-3 ammunition rule
    int16_t mSupply;
    int8_t mAmmoProfile;
    int16_t mNrWeaponSlots;
    int32_t mTransportClass;
    uint8_t mNrTubes;
    int8_t mRarityIndex;
    char mRarityCodes[kRarityCodes]; // price codes by months since mDataDate (standard rarity)
};

constexpr int32_t kIFastUnlimber = 0x2;
constexpr int32_t kIArtilleryQuickDelay = 0x4;
constexpr int32_t kILightGun = 0x10;
constexpr int32_t kITankHunter = 0x20;
constexpr int32_t kIFlag40 = 0x40;

// ------------------------------------------------------------ weapon
constexpr int kWeaponAmmoSlots = 7;
constexpr int kLoadSlots = 5;

struct WeaponAmmo {
    AmmoType mType;  // below 1 ends the list
    float mVelocity; // muzzle velocity, m/s
};

struct LoadMix {
    int8_t mAP; // percent
    int8_t mHEAT;
    int8_t mSmoke;
    int8_t mReserved;
    int32_t mTungsten; // tungsten level
    int8_t mCanister;
    int8_t mReserved2[3];
};

struct WeaponData {
    WeaponClass mClass;
    float mCalibre;        // bore, mm
    int32_t mBarrelLength; // calibres; 0 = not shown
    WeaponAmmo mAmmo[kWeaponAmmoSlots];
    int8_t mNrTubes;
    int8_t mVPGrade;
    LoadMix mLoadMix[kLoadSlots];
    int16_t mArtilleryMode; // 3 = never fires spotting rounds
    int16_t mArtillerySize; // 0..4
    int16_t mFlags;         // bit 0 slow loading
    float mMinRange;
    float mMaxRange;
    int16_t mFireSound;
    OrdnanceModel mOrdnanceModel; // 42 = none
    float mModelScale;
    int16_t mMarkingTexture;
    int32_t mATRModel; // row of gATRModelData
    float mKillMultiplier;
    int8_t mAntiAircraft;
    float mPenetrationParameter;
    int16_t mCommandLevel;
    // How a crew slews the gun while the unit stands: 0 trail carriage,
    // 1 light carriage swung by hand, 2 all-round mounting.
    int8_t mCarriage;
};

// ------------------------------------------------------------ small arms
constexpr int kFirepowerBrackets = 10;
constexpr int kSmallArmsTextures = 3;

struct SmallArmsData {
    char mName[32];
    int8_t mSubstituteAgain;
    int16_t mSoundWeight;
    float mFirepower[kFirepowerBrackets]; // at 40, 100, 175, 250, 375, 500, 650, 850, 1200, 1800 m
    int16_t mMaxRange;                    // no firepower at or beyond
    int32_t mAutoClass;                   // 0..3
    int32_t mSoundClass;                  // 0..22
    int8_t mAntiAircraft;
    int32_t mMGClass; // 3 heavy MG, 4 flame weapon
    int32_t mWeaponKind;
    int32_t mNrTextures;
    int32_t mTextures[kSmallArmsTextures];
    int16_t mMarkingTexture;
    int16_t mPictureIndex; // below 0 none
};

// ------------------------------------------------------------ ammunition
struct AmmoData {
    AmmoClass mClass;
    union {
        int32_t mProjectileKind;
        int32_t mShellType;
    };
    int16_t mFirstDate; // YYMM
    int16_t mLastDate;
    union {
        float mWeight; // pounds
        float mShellMass;
    };
    int32_t mCap; // 0, 1 or 2
    float mDrag;
    union {
        float mSpecial; // HE filler fraction, HEAT mm, AP multiplier
        float mExplosiveFill;
    };
};

// ------------------------------------------------------------ models
constexpr int kCrewPositions = 4;

struct CrewPosition {
    float mX, mY, mZ;
    float mHeading;
    float mPivotX, mPivotY;
};

struct VehicleModelData {
    int16_t mEngineSound;
    uint8_t mOpeningHatches;
    int8_t mNrCrewPositions;
    union {
        int32_t mCrewPose[2];
        int32_t mTurretHatch[2];
    };
    CrewPosition mCrewPositions[kCrewPositions];
    float mSize[3];
    int32_t mShadingClass; // ground shading of the hull: texture 4020 + 3 x class (+1 wet, +2 snow); 8 none
    int32_t mTextureSet;   // the store's texture set the model wears (units/VehicleSets.h)
};

constexpr int kOrdnanceTextures = 17;

struct OrdnanceModelData {
    float mCrewX;
    float mCrewY;
    float mCrewHeight;
    int16_t mTextures[kOrdnanceTextures];
};

struct ATRModelData {
    float mLength;
    float mHeight;
    int16_t mTextures[2];
};

// ------------------------------------------------------------ uniforms
constexpr int kUniformPeriods = 3;
constexpr int kUniformRankSlots = 4;
constexpr int kUniformEntry = 8;

struct UniformGraphics {
    int32_t mUniform;
    int16_t mVariantDates[2]; // YYMM of the two later variants; 0 none
    // entry ((rank slot + 4 * period) * 8 + value): values 0-5 pictures,
    // 6 headgear kind, 7 legwear kind; negative = none
    int16_t mTextureNumbers[kUniformPeriods * kUniformRankSlots * kUniformEntry];
};

// ------------------------------------------------------------ unused kinds
struct TOEData {
    int32_t mReserved;
};

// Only the rarity byte exists: saved games carry it for every row.
struct AirplaneData {
    int8_t mRarityIndex;
};

// ------------------------------------------------------------ tables
// A loaded table: rows indexed by their enumeration. A row outside the table
// reads as a zeroed record instead of running off the end.
template <class T> class DataTable {
public:
    const T& operator[](int32_t i) const { return Has(i) ? mRows[i] : sNullRow; }
    bool Has(int32_t i) const { return i >= 0 && i < mCount; }
    int32_t Count() const { return mCount; }
    const T* Rows() const { return mRows; }
    // The one sanctioned write after start-up (rarity bytes from a saved game).
    T* Edit(int32_t i) { return Has(i) ? &mRows[i] : nullptr; }

    void Attach(T* rows, int32_t count) {
        mRows = rows;
        mCount = count;
    }
    void Detach() {
        mRows = nullptr;
        mCount = 0;
    }

private:
    T* mRows = nullptr;
    int32_t mCount = 0;
    static inline const T sNullRow{};
};

extern DataTable<VehicleClassChart> gVehicleClassChart;
extern DataTable<ForceTypeChart> gForceTypeChart;
extern DataTable<MovementSpeedChart> gMovementSpeedChart;
extern DataTable<VehicleData> gVehicleData;
extern DataTable<InfantryData> gInfantryData;
extern DataTable<WeaponData> gWeaponData;
extern DataTable<SmallArmsData> gSmallArmsData;
extern DataTable<VehicleModelData> gVehicleModelData;
extern DataTable<OrdnanceModelData> gOrdnanceModelData;
extern DataTable<TOEData> gTOEData;
extern DataTable<AirplaneData> gAirplaneData;
extern DataTable<UniformGraphics> gUniformGraphics;
extern DataTable<AmmoData> gAmmoData;
extern DataTable<ATRModelData> gATRModelData;

// Order of the tables in the data block.
enum GameTable : int32_t {
    kTableVehicleClass,
    kTableForceType,
    kTableMovementSpeed,
    kTableVehicle,
    kTableInfantry,
    kTableWeapon,
    kTableSmallArms,
    kTableVehicleModel,
    kTableOrdnanceModel,
    kTableTOE,
    kTableAirplane,
    kTableUniform,
    kTableAmmo,
    kTableATRModel,
    kTableCount
};

// Record size of each table, in block order.
constexpr uint32_t kTableRecordSize[kTableCount] = {
    sizeof(VehicleClassChart), sizeof(ForceTypeChart), sizeof(MovementSpeedChart), sizeof(VehicleData),
    sizeof(InfantryData),      sizeof(WeaponData),     sizeof(SmallArmsData),      sizeof(VehicleModelData),
    sizeof(OrdnanceModelData), sizeof(TOEData),        sizeof(AirplaneData),       sizeof(UniformGraphics),
    sizeof(AmmoData),          sizeof(ATRModelData)};

// Fewest rows of each table: every row that a rule reads by fixed number.
constexpr int32_t kTableMinRows[kTableCount] = {kVehicleClassCount,
                                                kForceCount,
                                                kMovementSpeedCount,
                                                kVehicleCount,
                                                kInfantryCount,
                                                kWeaponCount,
                                                kSmallArmsCount,
                                                kVehicleModelCount,
                                                kOrdnanceModelCount,
                                                0,
                                                kAirplaneCount,
                                                kUniformCount,
                                                1,
                                                1};

// Infantry: construction, set-up from the data record, the small queries
// that classify a unit, its name and editor colour, and its arrival on the map.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/InfantryTables.h"
#include "units/RuleContext.h"
#include "units/UnitGeometry.h"

namespace {

constexpr double kDegToRad = 0.017453292519444445;
constexpr WeaponType kBazooka = 58;
constexpr WeaponType kRifleGrenadeAT = 165;
constexpr WeaponType kLauncher166 = 166;
constexpr WeaponType kLauncher167 = 167;
constexpr WeaponType kLauncher168 = 168;
constexpr WeaponType kLauncher169 = 169;
constexpr WeaponType kThrownAT262 = 262;
constexpr WeaponType kThrownAT265 = 265;
constexpr WeaponType kSniperRifle = 252;
constexpr int32_t kNameStringObserverLong = 1110;
constexpr int32_t kNameStringObserverShort = 1111;

double Fraction() {
    return RandomFraction();
}

// The ground condition of the battle, else of the operation.
int32_t GroundCondition() {
    if (gBattle) return gBattle->mGroundCondition;
    if (gCampaign) return gCampaign->mGroundCondition;
    return 0;
}

// Four draws, each adding a shot when the fraction falls below p.
int32_t DrawShots(double p) {
    int32_t shots = 0;
    for (int32_t i = 0; i < 4; ++i)
        if (Fraction() < p) ++shots;
    return shots;
}

// The month index of the German tables: July 1943 is 0. Dates past the
// tables' last month read the last month.
int32_t AntitankMonth(int32_t date) {
    int32_t m = date < 4400 ? date - 4307 : (date < 4500 ? date - 4395 : date - 4483);
    if (m < 0) m = 0;
    if (m >= kAntitankMonths) m = kAntitankMonths - 1;
    return m;
}

// Generic records shown for a unit not yet identified. Years before 1940
// read as 1940 and years after 1945 as 1945.
InfantryType GenericRecord(Nation nation, int32_t year, bool gunCrew) {
    if (year < 40) year = 40;
    if (year > 45) year = 45;
    if (nation == kNationGerman) {
        if (gunCrew) return year <= 41 ? 337 : (year <= 43 ? 339 : 340);
        return year <= 43 ? 247 : (year == 44 ? 248 : 249);
    }
    if (nation == kNationItalian) return gunCrew ? 735 : 699;
    if (nation == kNationAmerican || nation == kNationFrench) {
        if (gunCrew) return year <= 44 ? 88 : 89;
        return year <= 42 ? 22 : (year == 43 ? 23 : (year == 44 ? 24 : 25));
    }
    if (nation >= kNationBritish && nation <= kNationPolish) {
        if (gunCrew) return year <= 42 ? 538 : (year == 43 ? 539 : 540);
        return year <= 41 ? 497 : (year <= 43 ? 498 : (year == 44 ? 499 : 500));
    }
    return gunCrew ? 339 : 248;
}

bool HasWaypointToFollow(const Unit* u) {
    return u->mNrWaypoints >= 2 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder != kPaceRotate);
}

int32_t SewerTimeOf(Unit* unit) {
    return unit && unit->mUnitType == kUnitInfantry ? static_cast<Infantry*>(unit)->mSewerTime : 0;
}

void DisembarkUnit(Unit* unit) {
    if (unit && unit->mUnitType == kUnitInfantry) static_cast<Infantry*>(unit)->Disembark();
}

void UpdateRiderOf(Unit* unit) {
    if (unit && unit->mUnitType == kUnitInfantry) static_cast<Infantry*>(unit)->UpdateRider(false);
}

// The infantry's answers to every unit's conduct, installed once when the
// program starts.
struct HookInstaller {
    HookInstaller() {
        gInfantryHooks.sewerTime = SewerTimeOf;
        gInfantryHooks.disembark = DisembarkUnit;
        gInfantryHooks.updateRider = UpdateRiderOf;
    }
} sHookInstaller;

} // namespace

// ---------------------------------------------------------------------------
// Construction

Infantry::Infantry() {
    mUnitType = kUnitInfantry;
    mFiringAnimTime = 0.0f;
    mTookCasualties = false;
    mMoveSpeed = 1;
    mVulnerable = false;
    mOnSkis = false;
    mDigIn = true;
    mFitness = 2;
    mFOErrorY = 0.0f;
    mFOErrorX = 0.0f;
    mRandomHeading = static_cast<float>(Fraction() * 360.0);
    for (int32_t i = 0; i < kInfantryFigures; ++i) {
        double a = Fraction() * 360.0 * kDegToRad;
        double r = Fraction() * 0.30000001192092896;
        mJitterA[i][0] = static_cast<float>(r * std::cos(a));
        mJitterA[i][1] = static_cast<float>(r * std::sin(a));
        double b = Fraction() * 360.0 * kDegToRad;
        double s = Fraction() * 0.0022499999031424522;
        mJitterB[i][0] = static_cast<float>(s * std::cos(b));
        mJitterB[i][1] = static_cast<float>(s * std::sin(b));
        mJitterScale[i] = static_cast<float>(Fraction() * 0.05999999865889549 + 0.97);
    }
    mGrenades = 0;
    mAntitankShots = 0;
    mExplosives = 0;
    mAntitankWeapon = mSide == 0 ? kBazooka : kRifleGrenadeAT;
    mFOLastErrorY = mFOLastErrorX = mFOTargetY = mFOTargetX = mFOAimTime = kFOUnset;
    mSavedMissionLive = false;
    mSavedRoundPattern = false;
    mRandomSeed = static_cast<int32_t>(RandomPair() % 32767u);
    if (RandomCoin() == 0) mRandomSeed = -mRandomSeed;
    for (int32_t i = kInfantryFigures - 1; i >= 0; --i)
        mFigureScale[i] = static_cast<float>(Fraction() * 0.20000000298023224 + 0.9);
    for (int32_t i = kInfantryTeams - 1; i >= 0; --i) {
        mTeamMen[i] = 0;
        mTeamSmallArms[i] = kSmallArmsNone;
    }
    SetModelCoords(0.0f, 0.0f, -10.0f, 300.0f, 300.0f, 160.0f);
}

void Infantry::IInfantry(InfantryType type, Force force, ExperienceLevel experience, float x, float y,
                         float z) {
    mSubtype = type;
    mTransport = nullptr;
    mEmbarkTarget = nullptr;
    mAbandonedVehicle = nullptr;
    mSibling = nullptr;
    mSurrendered = false;
    mExiting = false;
    IUnit(x, y, z, force, experience);

    const InfantryData& r = Record();
    int32_t n = r.mNrTeams < 0 ? 0 : (r.mNrTeams > kInfantryTeams ? kInfantryTeams : r.mNrTeams);
    for (int32_t i = n; i < kInfantryTeams; ++i) {
        mTeamMen[i] = 0;
        mTeamSmallArms[i] = kSmallArmsNone;
    }
    for (int32_t i = n - 1; i >= 0; --i) {
        mTeamMen[i] = static_cast<int8_t>(r.mTeamMen[i] & 0xFF);
        mTeamSmallArms[i] = ActualSmallArmType(r.mTeamSmallArms[i], force, true);
        if (mTeamSmallArms[i] == 0) mTeamSmallArms[i] = SpecificPistol();
    }
    AttachSkis();
    if (mSkipSetup) return;

    if (IsLeader(nullptr)) {
        int32_t bias = r.mLeaderRank == 1 ? -1 : 1;
        uint8_t skills = 0;
        skills |= static_cast<uint8_t>(RandomLeaderSkill(experience, bias) & 3);
        skills |= static_cast<uint8_t>((RandomLeaderSkill(experience, -bias) & 3) << 2);
        skills |= static_cast<uint8_t>((RandomLeaderSkill(experience, 0) & 3) << 4);
        skills |= static_cast<uint8_t>((RandomLeaderSkill(experience, 0) & 3) << 6);
        mLeaderSkills = skills;
    }
    AssignAntitankWeapons();
    if (!ShouldHaveExplosives())
        mExplosives = 0;
    else
        mExplosives = UsesDemoCharge() && r.mIsSquad ? 2 : 1;
    mGrenades = static_cast<int8_t>(NrGrenades());
    ResetModelCoords();
}

// ---------------------------------------------------------------------------
// Set-up rules

const InfantryData& Infantry::Record() const {
    return gInfantryData[mSubtype];
}

int32_t Infantry::NrGrenades() {
    int32_t alive = MenAlive();
    if (Record().mIsSquad) return static_cast<int32_t>(alive * 2.5);
    if (IsLeader(nullptr)) return static_cast<int32_t>(alive * 1.75);
    if (IsTankHunter()) return alive * 4;
    return 0;
}

bool Infantry::AttachSkis() {
    int32_t ground = GroundCondition();
    mOnSkis = gForceTypeChart[mForce].mSkis && Record().mMobility < 3 && ground >= 6 && ground <= 8;
    return mOnSkis;
}

bool Infantry::ShouldHaveExplosives() {
    if (UsesDemoCharge()) return true;
    if (IsTankHunter() && mAntitankShots == 0) return true;
    if (!Record().mIsSquad && !IsTankHunter()) return false;
    return GetNation() == kNationGerman;
}

void Infantry::AssignAntitankWeapons() {
    const InfantryData& r = Record();
    const bool squad = r.mIsSquad != 0;
    const bool hunter = IsTankHunter();
    mAntitankShots = 0;
    int32_t shots = 0;
    if (hunter || squad || IsLeader(nullptr)) {
        const int32_t date = ScenarioDate();
        const Nation nation = GetNation();
        if (nation != kNationGerman) {
            if (nation == kNationAmerican) {
                mAntitankWeapon = kBazooka;
                shots = DrawShots(squad ? 0.6 : 0.3);
                if (!squad && shots > 2) shots = 2;
            }
        } else {
            if (date > 4306) {
                const int32_t m = AntitankMonth(date);
                double p = hunter
                               ? gAntitankShotChance[m]
                               : r.mNrMen * 0.1111111111111111 * static_cast<double>(gAntitankShotChance[m]);
                if (!hunter && !squad) p *= 0.5;
                shots = DrawShots(p);
                if (!squad && shots > 2) shots = 2;
                if (shots > 0) {
                    double u = Fraction();
                    if (u < gAntitankShare167[m]) {
                        mAntitankWeapon = kLauncher167;
                    } else if ((u -= gAntitankShare167[m]) < gAntitankShare168[m]) {
                        mAntitankWeapon = kLauncher168;
                    } else if ((u -= gAntitankShare168[m]) < gAntitankShare169[m]) {
                        mAntitankWeapon = kLauncher169;
                    } else {
                        mAntitankWeapon = kLauncher166;
                    }
                }
            }
            if (shots == 0) {
                double p = 0.0;
                if (hunter) {
                    p = 0.5;
                    if (date < 4211) {
                        mAntitankWeapon = kThrownAT262;
                    } else if (date <= 4212) {
                        mAntitankWeapon = RandomPick(100) < 90 ? kThrownAT262 : kThrownAT265;
                    } else {
                        mAntitankWeapon = RandomPick(100) < 33 ? kThrownAT262 : kThrownAT265;
                    }
                } else if (squad) {
                    if (date >= 4301 && date <= 4312 && RandomPick(1000) < 25) {
                        mAntitankWeapon = kThrownAT265;
                        p = 0.25;
                    } else if (date >= 4401 && date <= 4412 && RandomPick(1000) < 13) {
                        mAntitankWeapon = kThrownAT265;
                        p = 0.25;
                    } else {
                        mAntitankWeapon = kRifleGrenadeAT;
                        p = 0.3;
                    }
                }
                shots = DrawShots(p);
                if (hunter && shots < 1) shots = 1;
            }
        }
    }
    mAntitankShots = static_cast<int8_t>(shots);
    if (mAntitankShots == 0) mAntitankWeapon = mSide == 0 ? kBazooka : kRifleGrenadeAT;
}

const InfantryData* Infantry::GetInfantryDataRecord(DataKnowledge knowledge) {
    if (knowledge == kKnowTruth) return &Record();
    FogOfWarContact c = knowledge == 2 ? VisibleToPlayer(true) : mContactLevel;
    if (c >= 3) return &Record();
    const bool crew = HasOrdnance(false, false) && mContactLevel > 1;
    return &gInfantryData[GenericRecord(GetNation(), ScenarioDate() / 100, crew)];
}

bool Infantry::PlayedByComputer() const {
    return IsComputerSide(GetAffiliation());
}

// ---------------------------------------------------------------------------
// Small queries

bool Infantry::UsesDemoCharge() const {
    return Record().mUsesDemoCharge != 0;
}

bool Infantry::IsTankHunter() const {
    return (Record().mFlags & kITankHunter) != 0;
}

bool Infantry::IsSquad() const {
    return Record().mIsSquad != 0;
}

bool Infantry::IsForwardObserver() const {
    WeaponType w = Record().mHeavyWeapon;
    return w != kWeaponNone && gWeaponData[w].mClass == kWClassIndirect;
}

bool Infantry::IsSniper() {
    return Record().mHeavyWeapon == kSniperRifle;
}

bool Infantry::UseKnockedOutPhrase() {
    return HasOrdnance(true, false);
}

bool Infantry::HasTowedOrdnance() {
    if (!HasOrdnance(false, false)) return false;
    int16_t flags = gWeaponData[Record().mHeavyWeapon].mFlags;
    return (flags & 3) != 3;
}

bool Infantry::AllowedInsideBuilding() {
    if (Record().mHeavyWeapon == kWeaponNone) return true;
    return !HasOrdnance(false, false);
}

bool Infantry::AllowedToTarget() {
    WeaponType w = Record().mHeavyWeapon;
    if (w == kWeaponNone || gWeaponData[w].mClass != kWClassMortar) return true;
    Terrain t = GetOccupiedTerrain();
    return t < kTerrainLightBuilding || t >= kTerrainBridgeFirst;
}

OrdnanceModel Infantry::GetOrdnanceModel(float* scale) {
    WeaponType w = Record().mHeavyWeapon;
    if (w == kWeaponNone) {
        if (scale) *scale = 1.0f;
        return 42;
    }
    if (scale) *scale = gWeaponData[w].mModelScale;
    return gWeaponData[w].mOrdnanceModel;
}

bool Infantry::IsLeader(int32_t* level) {
    int32_t rank = Record().mLeaderRank;
    if (level) *level = rank;
    return rank > 0;
}

bool Infantry::GetPlatoonHQ() {
    return Record().mIsSquad != 0;
}

SmallArmsType Infantry::SpecificPistol() {
    switch (GetNation()) {
    case kNationItalian:
        return 5;
    case kNationAmerican:
    case kNationFrench:
        return 4;
    case kNationBritish:
    case kNationAustralian:
    case kNationNewZealand:
    case kNationSouthAfrican:
    case kNationPolish:
        return 2;
    case kNationCanadian:
        return 3;
    default:
        return 1;
    }
}

int32_t Infantry::Rank() {
    if (mSibling && !mIsFirstHalf) return 0;
    int32_t level = 0;
    IsLeader(&level);
    if (level != 0) return level + 1;
    if (Record().mIsSquad) return 1;
    if (mAbandonedVehicle && mAbandonedVehicle->mUnitType == kUnitVehicle) return 1;
    if (IsForwardObserver()) return 2;
    return 0;
}

int32_t Infantry::EditorColor() {
    if (IsForwardObserver()) return 3;
    if (IsLeader(nullptr)) return 1;
    if (HasOrdnance(true, false)) return 2;
    if (Record().mIsSquad) return 0;
    return 10;
}

void Infantry::ResetModelCoords() {
    WeaponClass c = GetWeaponClass();
    if ((c == kWClassGun || c == kWClassTwinGun) && GetOrdnanceModel(nullptr) != 42)
        SetModelCoords(0.0f, 0.0f, -10.0f, 500.0f, 700.0f, 160.0f);
}

// ---------------------------------------------------------------------------
// Name

void Infantry::ConcatName(GString* text, bool longForm) {
    if (!text) return;
    const InfantryData& r = Record();
    FogOfWarContact c = VisibleToPlayer(true);
    if (c >= 4) {
        Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
        if (GetAffiliation() != viewer && IsForwardObserver()) {
            text->ConcatRez(longForm ? kNameStringObserverLong : kNameStringObserverShort);
            return;
        }
        char name[sizeof r.mName + 1] = {};
        const char* src = longForm ? r.mName : r.mShortName;
        size_t width = longForm ? sizeof r.mName : sizeof r.mShortName;
        for (size_t i = 0; i < width && src[i]; ++i)
            name[i] = src[i];
        text->ConcatText(name);
        if (!r.mIsSquad) return;
        if (longForm) {
            text->ConcatRez(mSibling ? 1112 : 1113);
        } else if (mSibling) {
            if (text->GetLength() <= 12) text->ConcatRez(1112);
        } else if (text->GetLength() <= 13) {
            text->ConcatRez(1114);
        }
        return;
    }
    if (c == 3) {
        if (r.mIsSquad || IsLeader(nullptr)) {
            text->ConcatRez(1115);
            return;
        }
        if (IsTankHunter()) {
            text->ConcatRez(1123);
            return;
        }
        WeaponType type = kWeaponNone;
        WeaponClass wclass = 0;
        MGPenetration mg = GetWeaponInfo(&type, &wclass, kKnowTruth);
        switch (wclass) {
        case kWClassLightAT:
        case kWClassAT:
            text->ConcatRez(1118);
            break;
        case kWClassGun:
        case kWClassTwinGun:
            if (r.mFlags & kILightGun)
                text->ConcatRez(1118);
            else
                text->ConcatRez(gWeaponData[type].mCalibre < 60.0f ? 1121 : 1120);
            break;
        case kWClassMortar:
            text->ConcatRez(1122);
            break;
        case kWClassIndirect:
            text->ConcatRez(longForm ? kNameStringObserverLong : kNameStringObserverShort);
            break;
        case kWClassFlame:
            text->ConcatRez(1119);
            break;
        default:
            text->ConcatRez(mg >= 2 ? 1116 : 1117);
            break;
        }
        return;
    }
    if (c == 2) {
        text->ConcatRez(HasOrdnance(false, false) ? 1120 : 1123);
        return;
    }
    // Not seen at all: the unit has no name to show.
    if (c == kContactHeard) text->ConcatRez(HasOrdnance(false, false) ? 1125 : 1124);
}

// ---------------------------------------------------------------------------
// Arrival on the map

void Infantry::Resurrect() {
    if (mActive) return;
    mActive = true;
    mStatusTime += kStatusTimeArrived;
    gPacket = true;
    mPacketDirty = true;
    if (Unit* vehicle = mAbandonedVehicle) {
        float bearing = mHeading;
        if (HasWaypointToFollow(this))
            bearing = GetHeadingFromXY(mWaypoints[0].mX - vehicle->mX, mWaypoints[0].mY - vehicle->mY);
        float d = gVehicleData[vehicle->mSubtype].mClass == 6 ? 3.5f : 3.0f;
        double rad = bearing * kDegToRad;
        float x = vehicle->mX + static_cast<float>(d * std::cos(rad));
        float y = vehicle->mY + static_cast<float>(d * std::sin(rad));
        const Map* map = gBattle ? gBattle->mMap : nullptr;
        bool onMap = map && x >= 0.0f && y >= 0.0f && x < MapWidthMetres(map) && y < MapHeightMetres(map);
        if (!onMap || !CanOccupyLocation(x, y, true)) {
            x = vehicle->mX;
            y = vehicle->mY;
        }
        mX = x;
        mY = y;
    }
    if (!gBattle || !gBattle->mUnits) return;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u == this || u->mUnitType != kUnitInfantry || !u->mActive || u->mSide == mSide) continue;
        float dx = u->mX - mX, dy = u->mY - mY, dz = u->GetZ() - GetZ();
        if (std::sqrt(dx * dx + dy * dy + dz * dz) <= 100.0f && u->CanSee(this, nullptr))
            u->mAlertCount = 800;
    }
}

void Infantry::ResurrectStraggler() {
    if (mStatusTime == kStatusTimeNever || mStatusTime >= kStatusTimeArrived) return;
    Resurrect();
    ActionPacket* p = FillPacket();
    if (p && gBattle) {
        int32_t t = (mStatusTime + (mStatusTime / kStatusTimeArrived) * 31072) % 65536;
        int32_t now = gBattle->mComputing ? gBattle->mTimeSlice : 0;
        p->mTimeSlice = static_cast<int16_t>(p->mTimeSlice + (t - now));
    }
    mPacketDirty = false;
}

// ---------------------------------------------------------------------------
// Texts

void ConcatInfantrySpeed(Infantry* unit, GString* text) {
    if (!unit || !text) return;
    switch (unit->Record().mSpeedClass) {
    case kSpeedCannotMove:
        text->ConcatRez(1411);
        break;
    case kSpeedPushedGun:
        text->ConcatRez(unit->CanOnlyPush() ? 1412 : 1411);
        break;
    case kSpeedHeavy:
        text->ConcatRez(1102);
        break;
    case kSpeedUnencumbered:
        text->ConcatRez(1100);
        break;
    default:
        text->ConcatRez(1101);
        break;
    }
}

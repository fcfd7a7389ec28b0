// A crew leaving its vehicle or gun: the survivors become a new infantry
// unit beside it, and the unit left behind dies.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GGraphic.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kLargestCrew = 8;
constexpr int32_t kVehicleClassBoat = 5;
constexpr int32_t kVehicleClassFixed = 6;
constexpr int32_t kSoundCrewOut = 7;
constexpr uint8_t kPacketStatusAppearing = 0;

// The first crew type of each nation; crews of 1..8 men follow in order.
InfantryType CrewBase(Nation nation) {
    switch (nation) {
    case kNationGerman:
        return kInfantryCrewGerman;
    case kNationItalian:
        return kInfantryCrewItalian;
    case kNationAmerican:
    case kNationFrench:
        return kInfantryCrewAmerican;
    default:
        return nation >= kNationBritish && nation <= kNationPolish ? kInfantryCrewBritish : -1;
    }
}

int32_t CrewOf(const Unit* u) {
    switch (u->mUnitType) {
    case kUnitInfantry:
        return gInfantryData[u->mSubtype].mNrMen;
    case kUnitVehicle:
        return gVehicleData[u->mSubtype].mCrew;
    case kUnitAirplane:
        return 1;
    default:
        return 0;
    }
}

bool SameCrewInBattle(InfantryType type, const Unit* u) {
    if (!gBattle || !gBattle->mUnits) return false;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        const Unit* o = units->GetUnit(i);
        if (o && o->mUnitType == kUnitInfantry && o->mSubtype == type && o->mPackedID == u->mPackedID &&
            o->mNameIndex == u->mNameIndex)
            return true;
    }
    return false;
}

// The crew makes for the best cover near it.
void CrewToCover(Infantry* crew) {
    crew->CoverMove(false, false, 0.0f, 0.0f);
}

} // namespace

Infantry* Unit::BailOut(bool clearAmmo, bool delayed) {
    const int32_t crewSize = CrewOf(this);
    int32_t survivors = crewSize - mCasualties;
    const bool fromVehicle = mUnitType == kUnitVehicle;
    if (crewSize < 1 || survivors <= 0 ||
        (fromVehicle && gVehicleData[mSubtype].mClass == kVehicleClassBoat)) {
        Die();
        return nullptr;
    }
    const int32_t n = crewSize < kLargestCrew ? crewSize : kLargestCrew;
    if (survivors > n) survivors = n;
    const InfantryType base = CrewBase(GetNation());
    if (base < 0) return nullptr;
    const InfantryType type = base + n - 1;
    float heading = mHeading + 120.0f + static_cast<float>(120.0 * RandomFraction());
    if (heading >= 360.0f) heading -= 360.0f;
    if (SameCrewInBattle(type, this)) return nullptr;

    const bool over = gBattle && gBattle->Over();
    auto* crew = new Infantry;
    crew->IInfantry(type, mForce, mExperience, mX, mY, 0.0f);
    crew->mHeading = heading;
    crew->mUniform = mUniform;
    if (!over) crew->MakeTextures(false);
    // The crew shows the vehicle's commander: it takes over the vehicle's
    // second pair of portraits (and frees the pair it made for itself).
    for (int32_t k = 0; k < 2; ++k) {
        if (mWeaponPortraits[k] && crew->mRankPortraits[k] != mWeaponPortraits[k]) {
            delete crew->mRankPortraits[k];
            crew->mRankPortraits[k] = mWeaponPortraits[k];
            mWeaponPortraits[k] = nullptr;
        }
    }
    crew->SetIDCode(static_cast<char>(GetCompanyNumber()), GetPlatoonNumber(), GetUnitNumber());
    crew->mIndex = mIndex;
    crew->mNameIndex = mNameIndex;
    if (mCustomName) crew->mCustomName = new GString15(*mCustomName);
    crew->mContactLevel = IsSpottedNow() ? mContactLevel : kContactNone;
    crew->mActive = over;
    crew->mAbandonedVehicle = this;
    crew->mExitMark = false;
    crew->mRefit = true;

    if (n - survivors > 0) crew->ReceiveCasualties(n - survivors, 1.0f, true, false, false);
    if (fromVehicle) {
        crew->SetSuppression(90.0f, false);
    } else {
        crew->SetSuppression(mSuppression, false);
        mCasualties = crewSize;
    }
    if (clearAmmo) {
        crew->mAmmo[0] = 0;
        if (crew->SuppressionBand() < 4)
            crew->SetSuppression(100.0f + static_cast<float>(600.0 * RandomFraction()), true);
    }
    if (gBattle) gBattle->AddNewUnit(crew);
    for (int32_t t = 0; t < kInfantryTeams; ++t) {
        if (crew->mTeamMen[t] <= 0) continue;
        if (crew->mTeamSmallArms[t] == 0)
            crew->mTeamSmallArms[t] = crew->SpecificPistol();
        else if (gSmallArmsData[crew->mTeamSmallArms[t]].mSubstituteAgain)
            crew->mTeamSmallArms[t] = ActualSmallArmType(crew->mTeamSmallArms[t], mForce, true);
    }

    if (!over && gBattle) {
        if (ActionPacket* first = crew->FillPacket()) {
            crew->mSliceCount = first->mTimeSlice;
            first->mTimeSlice = -2;
        }
        if (fromVehicle && gVehicleData[mSubtype].mClass == kVehicleClassFixed) {
            const float back = Clamp360(heading + 180.0f);
            const double h = back * 0.017453292519943295;
            crew->ReceiveMoveOrders(mX + static_cast<float>(10.0 * std::cos(h)),
                                    mY + static_cast<float>(10.0 * std::sin(h)), 20, nullptr, true, false,
                                    false, false);
            crew->mHeading = back;
        } else {
            CrewToCover(crew);
        }
        crew->mCommandDelay = 5.0f + static_cast<float>(RandomPair() % 4u);
        crew->mFearClock = 0;
        int32_t delay = 0;
        if (fromVehicle) {
            const int32_t drawn = delayed ? static_cast<int32_t>((40 + RandomPair() % 50u) * 4u) : 0;
            const int32_t rolling = static_cast<int32_t>(std::fabs(mPlaybackSpeed) * 2666.67f + 1.0f);
            delay = drawn > rolling ? drawn : rolling;
            auto* vehicle = static_cast<Vehicle*>(this);
            if (IsArmoredVehicle(kKnowTruth, false) && vehicle->OpenTopStatus() <= 1 && !vehicle->IsFixed()) {
                if (ActionPacket* sound = AddSoundEffect(kSoundCrewOut))
                    sound->mTimeSlice = static_cast<int16_t>(sound->mTimeSlice + delay);
            }
        }
        if (ActionPacket* appear = crew->FillPacket()) {
            appear->mStatus = static_cast<uint8_t>((kPacketStatusAppearing << 6) | (appear->mStatus & 0x3F));
            crew->mStatusTime = appear->mTimeSlice + delay;
            appear->mTimeSlice = static_cast<int16_t>(crew->mStatusTime - 1);
        }
    }
    Die();
    return crew;
}

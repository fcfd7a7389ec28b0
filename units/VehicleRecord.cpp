// A vehicle's part of the unit record, its links to other units across
// files and renumbering, its upkeep between battles of an operation, and a
// dead vehicle's coasting and burning.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/PendingAttack.h"
#include "battle/ScenarioCore.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kReservedBytes = 30;

int32_t Bit(bool flag, int32_t mask) {
    return flag ? mask : 0;
}

// Gain and cap of a machine-gun class's ammunition at a supply level.
void SupplyGainAndCap(int32_t level, int32_t full, int32_t* gain, int32_t* cap) {
    const double f = full;
    switch (level) {
    case 1:
        *gain = static_cast<int32_t>(0.75 * f);
        *cap = full;
        break;
    case 2:
        *gain = static_cast<int32_t>(0.6 * f);
        *cap = full;
        break;
    case 3:
        *gain = static_cast<int32_t>(0.5 * f);
        *cap = static_cast<int32_t>(0.75 * f);
        break;
    case 4:
        *gain = static_cast<int32_t>(0.33 * f);
        *cap = static_cast<int32_t>(0.5 * f);
        break;
    case 5:
        *gain = static_cast<int32_t>(0.25 * f);
        *cap = static_cast<int32_t>(0.33 * f);
        break;
    default:
        *gain = full;
        *cap = full;
        break;
    }
}

float WrapBearing(float b) {
    if (!std::isfinite(b)) return 0.0f;
    while (b > 180.0f)
        b -= 360.0f;
    while (b < -180.0f)
        b += 360.0f;
    return b;
}

} // namespace

int32_t Vehicle::NrArmorVarianceSlots() const {
    const ArmorQuality a = Data().mArmorClass;
    return a == 4 || a == 5 ? 1 : 0;
}

void Vehicle::SettleVehiclePart() {
    mDustX = GFile::FixedAsStored(mDustX, 5.0f);
    mDustY = GFile::FixedAsStored(mDustY, 5.0f);
    mCrewShockTime = GFile::FixedAsStored(mCrewShockTime, 50.0f);
    mDriverShockTime = GFile::FixedAsStored(mDriverShockTime, 50.0f);
    mSmokeWidth = GFile::FixedAsStored(mSmokeWidth, 100.0f);
    mMGFireValue = GFile::FixedAsStored(mMGFireValue, 50.0f);
    mTurretBearing = GFile::FixedAsStored(WrapBearing(mTurretBearing), 90.0f);
    mTurretRate = GFile::FixedAsStored(mTurretRate, 1000.0f);
    for (float& a : mAimValues)
        a = GFile::FixedAsStored(a, 50.0f);
    // The machine guns' waits are not kept: a loaded vehicle's may fire at once.
    for (float& w : mMGWait)
        w = 0.0f;
    // The record keeps no hull attitude: it becomes the one the settled
    // heading gives where the vehicle stands, as a load rebuilds it.
    Tilt(false);
}

void Vehicle::Write(GFile* file) {
    WriteUnitPart(file);
    file->NameField("dust");
    file->WriteFixed(mDustX, 5.0f);
    file->WriteFixed(mDustY, 5.0f);
    file->NameField("dust slice");
    file->WriteLong(mDustSlice);
    file->NameField("hit stamp");
    file->WriteLong(mHitStamp);
    file->NameField("fire animation");
    file->WriteChar(mFireAnimation);
    // Whether it tried to manoeuvre round an obstacle in the last action
    // phase, which the panel shows (0 in older records).
    file->NameField("manoeuvre tried");
    file->WriteChar(mManeuverTried ? 1 : 0);
    // Then whether it was wrecked rather than left by its crew (0 in older
    // records).
    file->NameField("destroyed");
    file->WriteChar(mDestroyed ? 1 : 0);
    file->NameField("vehicle reserved");
    file->WriteZeros(kReservedBytes - 2);
    file->NameField("hold fire slices");
    file->WriteShort(static_cast<int16_t>(mHoldFireSlices));
    file->NameField("button delay");
    file->WriteShort(static_cast<int16_t>(mButtonDelay));
    file->NameField("leader, medic, fear flags, turret to front");
    file->WriteChar(static_cast<int8_t>(Bit(mEditorLeaderFlag, 0x20) | Bit(mFearFlagB, 0x10) |
                                        Bit(mFearFlagA, 0x08) | Bit(mIsLeader, 0x04) | Bit(mMedicFlag, 0x02) |
                                        Bit(mTurretToFront, 0x01)));
    file->NameField("bail-out countdown");
    file->WriteShort(static_cast<int16_t>(mBailOutCountdown));
    file->NameField("turret hold slices");
    file->WriteShort(mTurretHoldSlices);
    file->NameField("flipped, weapon out, burning, dug in, bogged, flush, buttoned, main gun");
    file->WriteChar(static_cast<int8_t>(
        Bit(mFlipped, 0x80) | Bit(mWeaponKnockedOut, 0x40) | Bit(mBurning, 0x20) | Bit(mDugIn, 0x10) |
        Bit(mBogged, 0x08) | Bit(mMovingAtFlush, 0x04) | Bit(mButtoned, 0x02) | Bit(mUseMainGun, 0x01)));
    file->NameField("mistaken type");
    file->WriteChar(mMistakenType);
    for (VehicleType t : mMistakenTypes)
        file->WriteShort(static_cast<int16_t>(t));
    file->NameField("crew shock");
    file->WriteFixed(mCrewShockTime, 50.0f);
    file->NameField("driver shock");
    file->WriteFixed(mDriverShockTime, 50.0f);
    file->NameField("smoke width");
    file->WriteFixed(mSmokeWidth, 100.0f);
    file->NameField("machine-gun fire value");
    file->WriteFixed(mMGFireValue, 50.0f);
    mTurretBearing = WrapBearing(mTurretBearing);
    file->NameField("turret bearing");
    file->WriteFixed(mTurretBearing, 90.0f);
    file->NameField("turret rate");
    file->WriteFixed(mTurretRate, 1000.0f);
    file->NameField("aim values");
    for (float a : mAimValues)
        file->WriteFixed(a, 50.0f);
    file->NameField("machine-gun rounds");
    for (int32_t i = 2; i >= 0; --i)
        file->WriteChar(static_cast<int8_t>(mMGRounds[i]));
    file->NameField("armour factors");
    for (int32_t i = NrArmorVarianceSlots() - 1; i >= 0; --i)
        file->WriteFloat(mArmorFactor[i]);
    file->NameField("passengers and credit");
    WriteUnitID(file, mPassengers[0]);
    WriteUnitID(file, mPassengers[1]);
    WriteUnitID(file, mCreditUnit);
}

void Vehicle::Read(GFile* file) {
    mRecordDamaged = !ReadUnitPart(file);
    if (mRecordDamaged) return;
    // A record naming no vehicle of the table cannot be read further.
    if (!gVehicleData.Has(mSubtype)) {
        mRecordDamaged = true;
        return;
    }
    mDustX = file->ReadFixed(5.0f);
    mDustY = file->ReadFixed(5.0f);
    mDustSlice = file->ReadLong();
    mHitStamp = file->ReadLong();
    mFireAnimation = file->ReadChar();
    mManeuverTried = file->ReadChar() != 0;
    mDestroyed = file->ReadChar() != 0;
    file->Skip(kReservedBytes - 2);
    mHoldFireSlices = file->ReadShort();
    mButtonDelay = file->ReadShort();
    const int32_t a = static_cast<uint8_t>(file->ReadChar());
    mEditorLeaderFlag = a & 0x20;
    mFearFlagB = a & 0x10;
    mFearFlagA = a & 0x08;
    mIsLeader = a & 0x04;
    mMedicFlag = a & 0x02;
    mTurretToFront = a & 0x01;
    mBailOutCountdown = file->ReadShort();
    mTurretHoldSlices = file->ReadShort();
    const int32_t b = static_cast<uint8_t>(file->ReadChar());
    mFlipped = b & 0x80;
    mWeaponKnockedOut = b & 0x40;
    mMainGunOut = mWeaponKnockedOut; // only a knocked-out gun holds its fire for good
    mBurning = b & 0x20;
    mDugIn = b & 0x10;
    mBogged = b & 0x08;
    mMovingAtFlush = b & 0x04;
    mButtoned = b & 0x02;
    mUseMainGun = b & 0x01;
    mMistakenType = file->ReadChar();
    for (VehicleType& t : mMistakenTypes)
        t = file->ReadShort();
    mCrewShockTime = file->ReadFixed(50.0f);
    mDriverShockTime = file->ReadFixed(50.0f);
    mSmokeWidth = file->ReadFixed(100.0f);
    mMGFireValue = file->ReadFixed(50.0f);
    mTurretBearing = file->ReadFixed(90.0f);
    mTurretRate = file->ReadFixed(1000.0f);
    for (float& v : mAimValues)
        v = file->ReadFixed(50.0f);
    for (int32_t i = 2; i >= 0; --i)
        mMGRounds[i] = static_cast<uint8_t>(file->ReadChar());
    for (int32_t i = NrArmorVarianceSlots() - 1; i >= 0; --i)
        mArmorFactor[i] = file->ReadFloat();
    mPassengers[0] = ReadUnitID(file, false);
    mPassengers[1] = ReadUnitID(file, false);
    mCreditUnit = ReadUnitID(file, false);
    if (file->HasFailed()) {
        mRecordDamaged = true;
        return;
    }
    // Kept: a vehicle in play may be marked destroyed, and is read so. Its
    // crew is about to leave it, or could not (a crew of its name already
    // stands on the field, so the bail-out leaves it where it was): the game
    // writes such records itself, and every machine must read them as the
    // writer held them.
    //
    // Records older than the destroyed byte hold 0 there. A wreck that burns
    // or lies overturned was destroyed all the same, never merely left.
    if (!mActive && (mBurning || mFlipped)) mDestroyed = true;
    // A mistaken type outside the table shows the vehicle's own.
    for (VehicleType& t : mMistakenTypes)
        if (!gVehicleData.Has(t)) t = mSubtype;
    if (!std::isfinite(mArmorFactor[0])) mArmorFactor[0] = 1.0f;
    ResetModelCoords();
    if (mMistakenType == -1) SetMistakenID();
    // The smoke width is part of the record: reading draws nothing, so a file read from any
    // generator state gives the same battle.
    if (!std::isfinite(mSmokeWidth) || mSmokeWidth < 0.0f) mSmokeWidth = 0.0f;
}

void Vehicle::ReadPassTwo(ScenarioCore* scenario) {
    Unit::ReadPassTwo(scenario);
    Unit** links[] = {&mPassengers[0], &mPassengers[1], &mCreditUnit};
    for (Unit** link : links) {
        const int32_t id = RawUnitID(*link);
        *link = scenario ? scenario->GetUnitPointer(id) : nullptr;
    }
}

void Vehicle::RollupLinks() {
    Unit::RollupLinks();
    Unit** links[] = {&mPassengers[0], &mPassengers[1], &mCreditUnit};
    for (Unit** link : links)
        *link = RawIDAsUnit(*link ? static_cast<int32_t>((*link)->mLinkID) : 0);
}

void Vehicle::UnrollLinks() {
    Unit::UnrollLinks();
    Unit** links[] = {&mPassengers[0], &mPassengers[1], &mCreditUnit};
    for (Unit** link : links) {
        const uint32_t id = static_cast<uint32_t>(RawUnitID(*link));
        *link = gBattle ? gBattle->GetUnitFromUniqueID(id) : nullptr;
    }
}

void Vehicle::ClearBrokenLinks(GList* list) {
    Unit::ClearBrokenLinks(list);
    Unit** links[] = {&mPassengers[0], &mPassengers[1], &mCreditUnit};
    for (Unit** link : links)
        if (*link && (!list || !list->IsMember(*link))) *link = nullptr;
}

// ---------------------------------------------------------------------------
// Upkeep

void Vehicle::Resupply() {
    Unit::Resupply();
    const int32_t level = gCampaign ? gCampaign->mSupplyLevel[GetAffiliation() == kAllies ? 0 : 1] : 0;
    for (int32_t i = 2; i >= 0; --i) {
        const int32_t full = Data().mLoadExtras[i];
        int32_t gain = 0, cap = 0;
        SupplyGainAndCap(level, full, &gain, &cap);
        const int32_t n = std::min(mMGRounds[i] + gain, cap);
        if (n > mMGRounds[i]) mMGRounds[i] = static_cast<uint8_t>(n);
    }
}

void Vehicle::Refit() {
    Unit::Refit();
    mUseMainGun = false;
    mMovingAtFlush = false;
    mCrewShockTime = 0.0f;
    mDriverShockTime = 0.0f;
    mTurretRate = 0.0f;
    mTurretBearing = Data().mGunToRear < 0 ? 180.0f : 0.0f;
}

void Vehicle::Medic(bool randomise) {
    if (mActive)
        mCasualties = 0;
    else
        mMedicFlag = true;
}

void Vehicle::ProcessDeadVehicle() {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (mPlaybackSpeed != 0.0f || mTurnRate != 0.0f) {
        MoveProblemVehicle();
        if (mBurning && map) map->VoidLOS(mX, mY, mSmokeWidth);
    }
    if (mBurning && map) map->PotentiallyStartFire(0.00001f, mX, mY, false);
}

// ---------------------------------------------------------------------------
// Close defence: the smoke mortar on the roof

namespace {

constexpr WeaponType kCloseDefenceMortar = 253;
constexpr int32_t kMortarSound = 155;
constexpr int32_t kMortarFlight = 80; // slices
constexpr int16_t kMortarLook = 19;

struct CloseDefenceSearch {
    Vehicle* self;
};

bool IsCloseEnemyInfantry(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    Vehicle* self = static_cast<CloseDefenceSearch*>(context)->self;
    if (!u || u == self || !u->mActive || !u->IsSpottedNow()) return false;
    if (u->mUnitType != kUnitInfantry || u->mSurrendered || u->mSide == self->mSide) return false;
    const float dx = u->mX - self->mX, dy = u->mY - self->mY, dz = u->GetZ() - self->GetZ();
    return dx * dx + dy * dy + dz * dz <= 40.0f * 40.0f;
}

} // namespace

void Vehicle::AddSoundEffectSmokeMortar() {
    AddSoundEffectFire(kWClassMortar, kMortarSound, 0.0f, 0);
}

void Vehicle::NahvertGW() {
    if (!gBattle || !gBattle->mUnits) return;
    CloseDefenceSearch search{this};
    auto* w = static_cast<Unit*>(gBattle->mUnits->Find(IsCloseEnemyInfantry, &search));
    if (!w) return;
    if (!mButtoned) ChangeButton(true, 20);
    if (!mButtoned) return;
    AddSoundEffectSmokeMortar();
    ActionPacket* p = gBattle->CreateActionPacket(0);
    p->mType = kPacketShell;
    p->mX = mX;
    p->mY = mY;
    p->mZ = GetZ();
    p->mFirer = this;
    p->mTarget = w;
    p->mBlast = BlastRadius(kCloseDefenceMortar, kAmmoHE);
    p->mFlightTime = kMortarFlight;
    p->mLook = kMortarLook;
    p->mShellFlags = static_cast<uint8_t>(0x01 | 0x10 | (IsSpottedNow() ? 0x04 : 0));
    PendingAttack* a = gBattle->CreatePendingAttack(this, nullptr, kMortarFlight, IsAxis(), false);
    a->mPacket = p;
    a->mWeaponClass = kWClassMortar;
    a->mWeaponType = kCloseDefenceMortar;
    a->mAmmoClass = kAmmoHE;
    a->mOriginX = mX;
    a->mOriginY = mY;
    a->mOriginZ = GetZ();
    a->mAboveGround = true;
    // The grenade lands near the enemy, never on the vehicle itself.
    float x = 0.0f, y = 0.0f;
    do {
        x = w->mX + static_cast<float>(20.0 * RandomFraction() - 10.0);
        y = w->mY + static_cast<float>(20.0 * RandomFraction() - 10.0);
    } while (std::fabs(x - mX) <= 4.0f && std::fabs(y - mY) <= 4.0f);
    Map* map = gBattle->mMap;
    a->mImpactX = p->mEndX = x;
    a->mImpactY = p->mEndY = y;
    a->mImpactZ = p->mEndZ = map ? map->GetZCoord(x, y) : 0.0f;
    AddSoundEffectExplosion(kMortarFlight, kCloseDefenceMortar, kAmmoHE, x, y);
}

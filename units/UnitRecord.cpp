// The Unit part of a unit record in scenario and saved-game files, and the
// upkeep of the links between units across files and copies.

#include <algorithm>
#include <cstdint>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/ScenarioCore.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GString.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"
#include "units/UnitGeometry.h"

namespace {

constexpr int32_t kReservedTail = 48;
constexpr uint16_t kMaxRoundsInFile = 32768; // higher counts read as negatives

int8_t Bits(bool flag, int32_t bit) {
    return flag ? static_cast<int8_t>(1 << bit) : 0;
}

uint8_t Field(int32_t value, int32_t shift, int32_t mask) {
    return static_cast<uint8_t>((value & mask) << shift);
}

int32_t Take(uint8_t byte, int32_t shift, int32_t mask) {
    return (byte >> shift) & mask;
}

// Memory keeps command, combat, morale, stealth from bit 0; the file keeps
// them from bit 7 down. The swap of the four 2-bit fields is its own inverse.
uint8_t SwapLeaderFields(uint8_t v) {
    return static_cast<uint8_t>(((v & 0x03) << 6) | ((v & 0x0C) << 2) | ((v & 0x30) >> 2) |
                                ((v & 0xC0) >> 6));
}

} // namespace

void Unit::Write(GFile* file) {
    WriteUnitPart(file);
}

void Unit::Read(GFile* file) {
    mRecordDamaged = !ReadUnitPart(file);
}

void Unit::SettleAsSaved() {
    // As WriteUnitPart stores them and ReadUnitPart takes them.
    mHeading = Clamp360(mHeading);
    mHeading = mHeading * 90.0f + 0.5f >= 32400.0f ? 0.0f : GFile::FixedAsStored(mHeading, 90.0f);
    mZ = GFile::FixedAsStored(mZ, 10000.0f);
    float suppression = mSuppression < 0.0f ? 0.0f : mSuppression;
    if (suppression > static_cast<float>(kMaxSuppression)) suppression = static_cast<float>(kMaxSuppression);
    mSuppression = std::clamp(GFile::FixedAsStored(suppression, 10.0f), 0.0f, static_cast<float>(kMaxSuppression));
    mCommandDelay = GFile::FixedAsStored(mCommandDelay, 20.0f);
    mCarriedDelay = GFile::FixedAsStored(mCarriedDelay, 20.0f);
    mFatigue = GFile::FixedAsStored(mFatigue, 10.0f);
    mPlaybackSpeed = GFile::FixedAsStored(mPlaybackSpeed, 7500.0f);
    mTurnRate = GFile::FixedAsStored(mTurnRate, 1000.0f);
    mAimPause = GFile::FixedAsStored(mAimPause, 500.0f);
    mLoadTime = GFile::FixedAsStored(mLoadTime, 50.0f);
    if (HasOrdnance(false, false)) {
        mGunElevation = GFile::FixedAsStored(mGunElevation, 200.0f);
        mGunElevationGoal = GFile::FixedAsStored(mGunElevationGoal, 200.0f);
    }
    // The record keeps no animation: a loaded unit starts from none.
    ResetAnimTrax();
    // Nor the halt counter: a carrier halted to drop its passengers counts
    // as stopped for the rest of that turn only.
    mPauseCounter = 0;
    if (auto* vehicle = dynamic_cast<Vehicle*>(this))
        vehicle->SettleVehiclePart();
    else if (auto* infantry = dynamic_cast<Infantry*>(this))
        infantry->SettleInfantryPart();
}

void Unit::WriteUnitPart(GFile* file) {
    if (gBattle && gBattle->mSetupPhase) mCommandDelay = 0.0f;
    int32_t casualties = mCasualties < 0 ? 0 : (mCasualties > 15 ? 15 : mCasualties);
    int32_t old = mOldCasualties < 0 ? 0 : (mOldCasualties > 15 ? 15 : mOldCasualties);

    file->NameField("kind");
    file->WriteChar(static_cast<int8_t>(mUnitType));
    file->NameField("state bits (active, immobile, area target, locked, hiding, round pattern, arc, exit mark)");
    file->WriteChar(static_cast<int8_t>(Bits(mActive, 7) | Bits(mImmobile, 6) | Bits(mAreaTarget, 5) |
                                        Bits(mTargetLocked, 4) | Bits(mHiding, 3) | Bits(mRoundPattern, 2) |
                                        Bits(mArcKind, 1) | Bits(mExitMark, 0)));
    file->NameField("casualties, target dead, queued delay");
    file->WriteChar(
        static_cast<int8_t>(Field(casualties, 4, 0xF) | Bits(mTargetDead, 3) | Field(mQueuedDelay, 0, 7)));
    file->NameField("experience, ammunition class");
    file->WriteChar(static_cast<int8_t>(Field(mExperience, 4, 0xF) | Field(mAmmoClassInUse, 0, 0xF)));
    file->NameField("spot marker, side, value F, contact level");
    file->WriteChar(static_cast<int8_t>(Bits(mSpotMarker, 7) | Bits(mSide != 0, 6) |
                                        Field(mUnitValueF, 3, 7) | Field(mContactLevel, 0, 7)));
    file->NameField("off-map state, fatigue state, acquisition");
    file->WriteChar(static_cast<int8_t>(Field(mOffMapState, 6, 3) | Field(mFatigueState, 3, 7) |
                                        Field(mAcquisition, 0, 7)));
    file->NameField("exiting, value G, spot marker gone, moving, spot phase");
    file->WriteChar(static_cast<int8_t>(Bits(mExiting, 7) | Field(mUnitValueG, 5, 3) |
                                        Bits(mSpotMarkerGone, 4) | Bits(mIsMoving, 3) |
                                        Field(mSpotPhase, 0, 7)));
    file->NameField("fired, gun knocked out, fanatic, old casualties");
    file->WriteChar(static_cast<int8_t>(Bits(mHasFired, 7) | Bits(mGunKnockedOut, 6) | Field(mFanatic, 4, 3) |
                                        Field(old, 0, 0xF)));
    file->NameField("x");
    file->WriteFloat(mX);
    file->NameField("y");
    file->WriteFloat(mY);
    mHeading = Clamp360(mHeading);
    // Within half a step of a whole turn the heading would store as 360,
    // which reads back as a heading that stores as 0: it is stored as 0.
    file->NameField("heading");
    file->WriteFixed(mHeading * 90.0f + 0.5f >= 32400.0f ? 0.0f : mHeading, 90.0f);
    file->NameField("z");
    file->WriteFixed(mZ, 10000.0f);
    // Suppression and rounds are written as the reader will take them (it
    // clamps suppression and reads a count above 32768 as a negative one,
    // which it turns round), so that a record read and written again keeps
    // its bytes.
    float suppression = mSuppression < 0.0f ? 0.0f : mSuppression;
    if (suppression > static_cast<float>(kMaxSuppression)) suppression = static_cast<float>(kMaxSuppression);
    file->NameField("suppression");
    file->WriteFixed(suppression, 10.0f);
    file->NameField("ammunition");
    for (uint16_t rounds : mAmmo)
        file->WriteShort(static_cast<int16_t>(rounds > kMaxRoundsInFile ? 65536u - rounds : rounds));
    file->NameField("command delay");
    file->WriteFixed(mCommandDelay, 20.0f);
    file->NameField("carried delay");
    file->WriteFixed(mCarriedDelay, 20.0f);
    if (mSpotMarker) {
        file->NameField("spot marker x");
        file->WriteFloat(mMarkerX);
        file->NameField("spot marker y");
        file->WriteFloat(mMarkerY);
    }
    if (mContactLevel == 0 || mContactLevel == 1) {
        file->NameField("sound offset x");
        file->WriteChar(mSoundOffsetX);
        file->NameField("sound offset y");
        file->WriteChar(mSoundOffsetY);
    }
    file->NameField("firing signature");
    file->WriteShort(static_cast<int16_t>(mFiringSignature));
    file->NameField("force");
    file->WriteChar(static_cast<int8_t>(mForce));
    // Minutes the player added to an observer's fire mission (order 41).
    file->NameField("extra artillery minutes");
    file->WriteChar(static_cast<int8_t>(std::clamp(mExtraArtilleryMinutes, 0, kMaxExtraArtilleryMinutes)));
    file->NameField("fatigue");
    file->WriteFixed(mFatigue, 10.0f);
    file->NameField("subtype");
    file->WriteShort(static_cast<int16_t>(mSubtype));
    if (mAreaTarget) {
        file->NameField("area target");
        file->WriteFloat(mAreaTargetX);
        file->WriteFloat(mAreaTargetY);
    }
    int8_t previous = mPreviousAreaTarget ? (mPreviousTargetLocked ? 2 : 1) : 0;
    file->NameField("previous area target");
    file->WriteChar(previous);
    if (previous) {
        file->WriteFloat(mPreviousAreaX);
        file->WriteFloat(mPreviousAreaY);
    }
    file->NameField("packed id");
    file->WriteLong(mPackedID);
    file->NameField("index");
    file->WriteShort(static_cast<int16_t>(mIndex));
    file->NameField("alert count");
    file->WriteShort(mAlertCount);
    file->NameField("playback speed");
    file->WriteFixed(mPlaybackSpeed, 7500.0f);
    file->NameField("turn rate");
    file->WriteFixed(mTurnRate, 1000.0f);
    file->NameField("aim pause");
    file->WriteFixed(mAimPause, 500.0f);
    file->NameField("aim time");
    file->WriteFloat(mAimTime);
    file->NameField("load time");
    file->WriteFixed(mLoadTime, 50.0f);
    file->NameField("spot clock");
    file->WriteShort(static_cast<int16_t>(mSpotClock));
    file->NameField("fear clock");
    file->WriteShort(static_cast<int16_t>(mFearClock));
    int16_t nameIndex = (mNameIndex == -1 && !mCustomName) ? 0 : mNameIndex;
    file->NameField("name");
    file->WriteShort(nameIndex);
    if (nameIndex == -1) mCustomName->Write(file);
    if (HasOrdnance(false, false)) {
        file->NameField("gun elevation");
        file->WriteFixed(mGunElevation, 200.0f);
        file->NameField("gun elevation goal");
        file->WriteFixed(mGunElevationGoal, 200.0f);
    }
    file->NameField("waypoints");
    WriteWaypoints(file);
    file->NameField("links");
    WriteLinks(file);
    file->NameField("kill records");
    mKillRecords[0].Write(file);
    mKillRecords[1].Write(file);
    file->NameField("status time");
    file->WriteLong(mStatusTime);
    file->NameField("leader skills");
    file->WriteChar(static_cast<int8_t>(SwapLeaderFields(mLeaderSkills)));
    file->NameField("covered arc");
    file->WriteChar(mCoveredArc ? 1 : 0);
    if (mCoveredArc) {
        file->WriteChar(mArcFirm ? 1 : 0);
        file->WriteChar(mArcTurnsWithUnit ? 1 : 0);
        file->WriteFloat(mArcA);
        file->WriteFloat(mArcC);
        file->WriteFloat(mArcB);
        file->WriteFloat(mArcD);
    }
    file->NameField("flag H");
    file->WriteChar(mUnitFlagH ? 1 : 0);
    file->NameField("last acquisition");
    file->WriteChar(mLastAcquisition);
    // The first reserved byte marks a unit bound by a target order: a record
    // written before it existed reads as free.
    file->NameField("target bound");
    file->WriteChar(mTargetFree ? 0 : 1);
    // Then the losses the enemy did not see (0 in older records).
    file->NameField("hidden casualties");
    file->WriteShort(mHiddenCasualties);
    // Then whether it hid from the start of the last action phase, which the
    // panel shows (0 in older records).
    file->NameField("hiding at start");
    file->WriteChar(mHidingAtStart ? 1 : 0);
    // Then whether the area target is to be fired at with smoke (0 in older
    // records).
    file->NameField("smoke at the area target");
    file->WriteChar(mAreaFireFlag ? 1 : 0);
    file->NameField("reserved");
    file->WriteZeros(kReservedTail - 5);
    file->WriteChar(0);
}

void Unit::WriteWaypoints(GFile* file) {
    int32_t n = mNrWaypoints < 0 ? 0 : (mNrWaypoints > kMaxWaypoints ? kMaxWaypoints : mNrWaypoints);
    file->WriteChar(static_cast<int8_t>(n));
    for (int32_t i = n - 1; i >= 0; --i) {
        const Destination& w = mWaypoints[i];
        file->WriteFloat(w.mX);
        file->WriteFloat(w.mY);
        file->WriteChar(static_cast<int8_t>(((w.mOrder & 0x1F) << 3) | ((w.mKind + 1) & 7)));
        file->WriteChar(static_cast<int8_t>((w.mOnBuildingLevel ? 0x02 : 0) | (w.mHide ? 0x01 : 0)));
        const OrderPoint& p = mOrderPoints[i];
        file->WriteFloat(p.mX);
        file->WriteFloat(p.mY);
        file->WriteChar(p.mFlag ? 1 : 0);
    }
}

void Unit::WriteLinks(GFile* file) {
    WriteUnitID(file, mTarget);
    WriteUnitID(file, mOrderedTarget);
    WriteUnitID(file, mPreviousTarget);
    WriteUnitID(file, mHQ);
    WriteUnitID(file, mPlatoonHQ);
}

bool Unit::ReadUnitPart(GFile* file) {
    uint8_t b = static_cast<uint8_t>(file->ReadChar());
    mActive = b & 0x80;
    mImmobile = b & 0x40;
    mAreaTarget = b & 0x20;
    mTargetLocked = b & 0x10;
    mHiding = b & 0x08;
    mRoundPattern = b & 0x04;
    mArcKind = b & 0x02;
    mExitMark = b & 0x01;
    b = static_cast<uint8_t>(file->ReadChar());
    mCasualties = Take(b, 4, 0xF);
    mTargetDead = b & 0x08;
    mQueuedDelay = Take(b, 0, 7);
    b = static_cast<uint8_t>(file->ReadChar());
    mExperience = Take(b, 4, 0xF);
    mAmmoClassInUse = Take(b, 0, 0xF);
    b = static_cast<uint8_t>(file->ReadChar());
    mSpotMarker = b & 0x80;
    mSide = (b & 0x40) ? 1 : 0;
    mUnitValueF = Take(b, 3, 7);
    mContactLevel = Take(b, 0, 7);
    b = static_cast<uint8_t>(file->ReadChar());
    mOffMapState = Take(b, 6, 3);
    mFatigueState = Take(b, 3, 7);
    mAcquisition = static_cast<int16_t>(Take(b, 0, 7));
    b = static_cast<uint8_t>(file->ReadChar());
    mExiting = b & 0x80;
    mUnitValueG = Take(b, 5, 3);
    mSpotMarkerGone = b & 0x10;
    mIsMoving = b & 0x08;
    mSpotPhase = static_cast<signed char>(Take(b, 0, 7));
    b = static_cast<uint8_t>(file->ReadChar());
    mHasFired = b & 0x80;
    mGunKnockedOut = b & 0x40;
    mFanatic = Take(b, 4, 3);
    mOldCasualties = static_cast<int16_t>(Take(b, 0, 0xF));

    mX = file->ReadFloat();
    mY = file->ReadFloat();
    mHeading = file->ReadFixed(90.0f);
    mZ = file->ReadFixed(10000.0f);
    mSuppression = file->ReadFixed(10.0f);
    if (mSuppression > static_cast<float>(kMaxSuppression))
        mSuppression = static_cast<float>(kMaxSuppression);
    if (mSuppression < 0.0f) mSuppression = 0.0f;
    for (uint16_t& rounds : mAmmo) {
        rounds = static_cast<uint16_t>(file->ReadShort());
        if (rounds > 32768u) rounds = static_cast<uint16_t>(65536u - rounds);
    }
    mCommandDelay = file->ReadFixed(20.0f);
    mCarriedDelay = file->ReadFixed(20.0f);
    if (mSpotMarker) {
        mMarkerX = file->ReadFloat();
        mMarkerY = file->ReadFloat();
    }
    if (mContactLevel == 0 || mContactLevel == 1) {
        mSoundOffsetX = file->ReadChar();
        mSoundOffsetY = file->ReadChar();
    } else {
        mSoundOffsetX = 0;
        mSoundOffsetY = 0;
    }
    mFiringSignature = file->ReadShort();
    mForce = file->ReadChar();
    mExtraArtilleryMinutes = std::clamp(static_cast<int32_t>(file->ReadChar()), 0, kMaxExtraArtilleryMinutes);
    mFatigue = file->ReadFixed(10.0f);
    mSubtype = file->ReadShort();
    if (mAreaTarget) {
        mAreaTargetX = file->ReadFloat();
        mAreaTargetY = file->ReadFloat();
    }
    int8_t previous = file->ReadChar();
    mPreviousAreaTarget = previous != 0;
    mPreviousTargetLocked = previous == 2;
    if (previous) {
        mPreviousAreaX = file->ReadFloat();
        mPreviousAreaY = file->ReadFloat();
    }
    mPackedID = file->ReadLong();
    mIndex = static_cast<uint16_t>(file->ReadShort());
    mAlertCount = file->ReadShort();
    mPlaybackSpeed = file->ReadFixed(7500.0f);
    mTurnRate = file->ReadFixed(1000.0f);
    mAimPause = file->ReadFixed(500.0f);
    mAimTime = file->ReadFloat();
    mLoadTime = file->ReadFixed(50.0f);
    mSpotClock = file->ReadShort();
    mFearClock = file->ReadShort();
    mNameIndex = file->ReadShort();
    delete mCustomName;
    mCustomName = nullptr;
    if (mNameIndex == -1) {
        mCustomName = new GString15;
        mCustomName->Read(file);
    }
    if (HasOrdnance(false, false)) {
        mGunElevation = file->ReadFixed(200.0f);
        mGunElevationGoal = file->ReadFixed(200.0f);
    }
    if (!ReadWaypoints(file)) return false;
    ReadLinks(file);
    if (!mKillRecords[0].Read(file) || !mKillRecords[1].Read(file)) return false;
    mStatusTime = file->ReadLong();
    DropAmmunitionOutOfDate();
    mLeaderSkills = SwapLeaderFields(static_cast<uint8_t>(file->ReadChar()));
    mCoveredArc = file->ReadChar() != 0;
    if (mCoveredArc) {
        mArcFirm = file->ReadChar() != 0;
        mArcTurnsWithUnit = file->ReadChar() != 0;
        mArcA = file->ReadFloat();
        mArcC = file->ReadFloat();
        mArcB = file->ReadFloat();
        mArcD = file->ReadFloat();
    }
    mUnitFlagH = file->ReadChar() != 0;
    mLastAcquisition = file->ReadChar();
    mTargetFree = file->ReadChar() == 0;
    mHiddenCasualties = file->ReadShort();
    mHidingAtStart = file->ReadChar() != 0;
    mAreaFireFlag = file->ReadChar() != 0;
    file->Skip(kReservedTail - 5);
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    mLinkID = static_cast<int32_t>(UniqueID());

    ChooseUniform();
    int32_t full = GetOriginalNrMen();
    if (mCasualties > full) mCasualties = full < 0 ? 0 : full;
    if (mOldCasualties > mCasualties) mOldCasualties = static_cast<int16_t>(mCasualties);
    mHiddenCasualties = static_cast<int16_t>(std::clamp<int32_t>(mHiddenCasualties, 0, mCasualties));
    return !file->HasFailed();
}

// Rounds of a gun's class that its weapon has no ammunition of at the
// scenario's date cannot be fired: a loaded unit carries none of them.
void Unit::DropAmmunitionOutOfDate() {
    bool hasty = mHastyFire;
    mHastyFire = false;
    WeaponType weapon = kWeaponNone;
    WeaponClass wclass = 0;
    GetWeaponInfo(&weapon, &wclass, kKnowTruth);
    mHastyFire = hasty;
    if (weapon == kWeaponNone || wclass < kWClassGun || wclass > kWClassMortar) return;
    for (AmmoClass c = 0; c < kAmmoClassCount; ++c)
        if (mAmmo[c] != 0 && AmmoTypeInUse(2, weapon, c, nullptr) == kAmmoTypeNone) mAmmo[c] = 0;
}

bool Unit::ReadWaypoints(GFile* file) {
    int32_t n = static_cast<uint8_t>(file->ReadChar());
    if (n > kMaxWaypoints) return false;
    mNrWaypoints = n;
    for (int32_t i = n - 1; i >= 0; --i) {
        Destination& w = mWaypoints[i];
        w.mX = file->ReadFloat();
        w.mY = file->ReadFloat();
        w.mZ = 0.0f;
        uint8_t code = static_cast<uint8_t>(file->ReadChar());
        w.mOrder = code >> 3;
        // Five bits hold paces the chart has no row for: such a point moves
        // at the ordinary pace, so that reading a file twice gives one unit.
        if (w.mOrder > kPaceRotate) w.mOrder = kPaceDefaultMove;
        w.mKind = static_cast<int32_t>(code & 7) - 1;
        uint8_t flags = static_cast<uint8_t>(file->ReadChar());
        w.mOnBuildingLevel = (flags & 0x02) ? 1 : 0;
        w.mHide = (flags & 0x01) ? 1 : 0;
        OrderPoint& p = mOrderPoints[i];
        p.mX = file->ReadFloat();
        p.mY = file->ReadFloat();
        p.mFlag = file->ReadChar() ? 1 : 0;
    }
    return !file->HasFailed();
}

void Unit::ReadLinks(GFile* file) {
    mTarget = ReadUnitID(file, false);
    mOrderedTarget = ReadUnitID(file, false);
    mPreviousTarget = ReadUnitID(file, false);
    mHQ = ReadUnitID(file, false);
    mPlatoonHQ = ReadUnitID(file, false);
}

// ---------------------------------------------------------------------------
// Links

void Unit::ReadPassTwo(ScenarioCore* scenario) {
    Unit** links[] = {&mTarget, &mOrderedTarget, &mPreviousTarget, &mHQ, &mPlatoonHQ};
    for (Unit** link : links) {
        int32_t id = RawUnitID(*link);
        *link = scenario ? scenario->GetUnitPointer(id) : nullptr;
    }
    // Without a map the heights in the file stand.
    if (!HasMapFor(scenario)) return;
    for (int32_t i = 0; i < mNrWaypoints; ++i) {
        Destination& w = mWaypoints[i];
        w.mZ = w.mOnBuildingLevel ? BuildingHeightAt(scenario, w.mX, w.mY)
                                  : GroundHeightAt(scenario, w.mX, w.mY);
    }
}

void Unit::RollupLinks() {
    mLinksRolledUp = true;
    Unit** links[] = {&mTarget, &mOrderedTarget, &mPreviousTarget, &mHQ, &mPlatoonHQ};
    for (Unit** link : links)
        *link = RawIDAsUnit(*link ? (*link)->mLinkID : 0);
}

void Unit::UnrollLinks() {
    mLinksRolledUp = false;
    Unit** links[] = {&mTarget, &mOrderedTarget, &mPreviousTarget, &mHQ, &mPlatoonHQ};
    for (Unit** link : links) {
        uint32_t id = static_cast<uint32_t>(RawUnitID(*link));
        *link = gBattle ? gBattle->GetUnitFromUniqueID(id) : nullptr;
    }
}

void Unit::ClearBrokenLinks(GList* list) {
    Unit** links[] = {&mTarget, &mPreviousTarget, &mOrderedTarget, &mHQ, &mPlatoonHQ};
    for (Unit** link : links) {
        if (*link && (!list || !list->IsMember(*link))) *link = nullptr;
    }
}

#include "battle/ActionPacket.h"

#include <vector>

#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kReservedBody = 8;
constexpr int32_t kReservedUnitState = 16;
// Far more packets than any turn can make: a count beyond it is damage.
constexpr int32_t kMaxPackets = 10000000;

Unit* ReadLink(GFile* file, ScenarioCore* scenario) {
    int32_t id = file->ReadShort();
    return scenario ? scenario->GetUnitPointer(id) : nullptr;
}

// Teams of an infantry unit, as its type's record gives them (1 to 4).
int32_t TeamCount(const Unit* unit) {
    int32_t n = gInfantryData[unit->mSubtype].mNrTeams;
    return n < 1 ? 1 : (n > 4 ? 4 : n);
}

// Figure groups carried for an infantry unit: three for squads that carry
// explosives and for leaders, else one.
int32_t FigureGroupCount(Unit* unit) {
    return (gInfantryData[unit->mSubtype].mIsSquad != 0 || unit->IsLeader(nullptr)) ? 3 : 1;
}

} // namespace

bool ActionPacket::IsWritable() const {
    return mType != kPacketUnitState || UnitIDOf(mUnit) != 0;
}

void ActionPacket::Write(GFile* file) {
    file->WriteChar(mType);
    file->WriteShort(mTimeSlice);
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    file->WriteFixed(mZ, 3.0f);
    switch (mType) {
    case kPacketUnitState:
        WriteUnitState(file);
        file->WriteZeros(kReservedUnitState);
        return;
    case kPacketShell:
        WriteUnitID(file, mFirer);
        WriteUnitID(file, mTarget);
        file->WriteFixed(mEndX, 3.0f);
        file->WriteFixed(mEndY, 3.0f);
        file->WriteFixed(mEndZ, 3.0f);
        file->WriteFixed(mBlast, 150.0f);
        file->WriteShort(mFlightTime);
        file->WriteChar(static_cast<int8_t>(mLook));
        file->WriteFixed(mMuzzleHeight, 1000.0f);
        file->WriteChar(static_cast<int8_t>(mShellFlags));
        break;
    case kPacketSound:
        WriteUnitID(file, mSource);
        file->WriteLong(mSoundNumber);
        file->WriteChar(static_cast<int8_t>(mPriority));
        file->WriteFixed(mSoundParam, 1000.0f);
        for (const auto& point : mPoint)
            for (float v : point)
                file->WriteFixed(v, 3.0f);
        file->WriteChar(static_cast<int8_t>(mSoundFlags));
        break;
    case kPacketSmokeOn:
        file->WriteLong(mStartTime);
        file->WriteShort(mDuration);
        file->WriteFixed(mRadius, 100.0f);
        file->WriteFixed(mDensity, 1000.0f);
        file->WriteChar(mSmokeKind);
        break;
    case kPacketCrater:
        file->WriteFixed(mDimension[0], 50.0f);
        file->WriteFixed(mDimension[1], 50.0f);
        file->WriteFixed(mDimension[2], 1000000.0f);
        file->WriteChar(mCraterKind);
        file->WriteChar(mCraterSide);
        break;
    case kPacketBuilding:
        file->WriteFloat(mDamage);
        file->WriteChar(mBuildingState ? 1 : 0);
        break;
    case kPacketArmorHit:
        WriteUnitID(file, mVehicle);
        file->WriteChar(static_cast<int8_t>(mHitLocation));
        file->WriteChar(static_cast<int8_t>(mAspect));
        file->WriteChar(static_cast<int8_t>(mStrengthLost));
        file->WriteChar(static_cast<int8_t>(mPenetrationGrade));
        file->WriteChar(static_cast<int8_t>(mArmorFlags));
        break;
    case kPacketSparks:
        file->WriteFloat(mEnergy);
        file->WriteFloat(mHeading);
        file->WriteChar(static_cast<int8_t>(mSparkFlags));
        break;
    default:
        return; // the header alone
    }
    file->WriteZeros(kReservedBody);
}

void ActionPacket::Read(GFile* file) {
    ReadRecord(file, nullptr);
}

bool ActionPacket::ReadRecord(GFile* file, ScenarioCore* scenario) {
    if (!scenario) scenario = gBattle;
    mType = file->ReadChar();
    mTimeSlice = file->ReadShort();
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    mZ = file->ReadFixed(3.0f);
    switch (mType) {
    case kPacketUnitState:
        if (!ReadUnitState(file, scenario)) return false;
        file->Skip(kReservedUnitState);
        return !file->HasFailed();
    case kPacketShell:
        mFirer = ReadLink(file, scenario);
        mTarget = ReadLink(file, scenario);
        mEndX = file->ReadFixed(3.0f);
        mEndY = file->ReadFixed(3.0f);
        mEndZ = file->ReadFixed(3.0f);
        mBlast = file->ReadFixed(150.0f);
        mFlightTime = file->ReadShort();
        mLook = file->ReadChar();
        mMuzzleHeight = file->ReadFixed(1000.0f);
        mShellFlags = static_cast<uint8_t>(file->ReadChar());
        break;
    case kPacketSound:
        mSource = ReadLink(file, scenario);
        mSoundNumber = file->ReadLong();
        mPriority = file->ReadChar();
        mSoundParam = file->ReadFixed(1000.0f);
        for (auto& point : mPoint)
            for (float& v : point)
                v = file->ReadFixed(3.0f);
        mSoundFlags = static_cast<uint8_t>(file->ReadChar());
        break;
    case kPacketSmokeOn:
        mStartTime = file->ReadLong();
        mDuration = file->ReadShort();
        mRadius = file->ReadFixed(100.0f);
        mDensity = file->ReadFixed(1000.0f);
        mSmokeKind = file->ReadChar();
        break;
    case kPacketCrater:
        mDimension[0] = file->ReadFixed(50.0f);
        mDimension[1] = file->ReadFixed(50.0f);
        mDimension[2] = file->ReadFixed(1000000.0f);
        mCraterKind = file->ReadChar();
        mCraterSide = file->ReadChar();
        break;
    case kPacketBuilding:
        mDamage = file->ReadFloat();
        mBuildingState = file->ReadChar() != 0;
        break;
    case kPacketArmorHit:
        mVehicle = ReadLink(file, scenario);
        mHitLocation = file->ReadChar();
        mAspect = file->ReadChar();
        mStrengthLost = file->ReadChar();
        mPenetrationGrade = file->ReadChar();
        mArmorFlags = static_cast<uint8_t>(file->ReadChar());
        break;
    case kPacketSparks:
        mEnergy = file->ReadFloat();
        mHeading = file->ReadFloat();
        mSparkFlags = static_cast<uint8_t>(file->ReadChar());
        break;
    default:
        return !file->HasFailed();
    }
    file->Skip(kReservedBody);
    return !file->HasFailed();
}

void ActionPacket::WriteUnitState(GFile* file) {
    Unit* unit = mUnit;
    UnitType kind = unit ? unit->mUnitType : kUnitInfantry;
    bool linked = kind == kUnitInfantry || kind == kUnitVehicle;
    WriteUnitID(file, unit);
    WriteUnitID(file, mTarget);
    file->WriteFixed(mFacing, 90.0f);
    file->WriteFixed(mMotionA, 7500.0f);
    file->WriteFixed(mMotionB, 1000.0f);
    file->WriteShort(mRateA);
    file->WriteShort(mRateB);
    if (linked) {
        bool present = mLinkA || mLinkB;
        file->WriteChar(present ? 1 : 0);
        if (present) {
            WriteUnitID(file, mLinkA);
            WriteUnitID(file, mLinkB);
        }
    }
    file->WriteShort(mArtilleryState);
    file->WriteChar(static_cast<int8_t>(mMovementCode));
    file->WriteChar(static_cast<int8_t>(mStatus));
    file->WriteChar(static_cast<int8_t>(mSpotting));
    if (mSpotting & 0x80) {
        file->WriteFixed(mMarkerX, 3.0f);
        file->WriteFixed(mMarkerY, 3.0f);
    }
    if ((mSpotting & 7) == kContactHeard) {
        file->WriteChar(mErrorX);
        file->WriteChar(mErrorY);
    }
    if (kind == kUnitAirplane) {
        file->WriteChar(static_cast<int8_t>(mAirplaneByte));
    } else {
        file->WriteFixed(mFloorHeight, 10000.0f);
        if (linked) {
            // Held to what reading gives, so that a block read and written
            // again keeps its bytes.
            // A vehicle's too: a replay from a file (the TCP/IP peer's, a
            // saved game's) must leave it as the computation did.
            float suppression = mSuppression < 0.0f ? 0.0f : (mSuppression > 1500.0f ? 1500.0f : mSuppression);
            file->WriteFixed(suppression, 10.0f);
            file->WriteFloat(mArtilleryDelay);
            WriteUnitID(file, mLinkedUnit);
        }
        if (kind == kUnitInfantry && unit) {
            file->WriteChar(static_cast<int8_t>(mInfantryState));
            for (int32_t t = 0; t < TeamCount(unit); ++t)
                file->WriteChar(static_cast<int8_t>(mTeams[t]));
            file->WriteChar(static_cast<int8_t>(mInfantryPackA));
            file->WriteChar(static_cast<int8_t>(mInfantryPackB));
            for (int32_t g = FigureGroupCount(unit) - 1; g >= 0; --g) {
                file->WriteShort(mFigures[g].mFrame);
                file->WriteChar(mFigures[g].mAnimation);
                file->WriteChar(mFigures[g].mStart);
            }
        } else if (kind == kUnitVehicle) {
            file->WriteShort(mBailOutCountdown);
            file->WriteFixed(mTurretBearing, 90.0f);
            file->WriteFixed(mTurretRate, 1000.0f);
            file->WriteChar(mFigures[0].mAnimation);
            for (int32_t m = 2; m >= 0; --m)
                file->WriteChar(static_cast<int8_t>(mMGRounds[m]));
        }
    }
    if (unit && unit->HasHeavyWeapon(kKnowTruth)) {
        for (uint16_t rounds : mAmmo)
            file->WriteShort(static_cast<int16_t>(rounds));
    } else {
        file->WriteShort(static_cast<int16_t>(mAmmo[0]));
    }
    file->WriteChar(static_cast<int8_t>(mFlagsA));
    file->WriteChar(static_cast<int8_t>(mFlagsB));
    if (mFlagsA & 0x01) {
        file->WriteFloat(mAimX);
        file->WriteFloat(mAimY);
    }
}

bool ActionPacket::ReadUnitState(GFile* file, ScenarioCore* scenario) {
    for (PacketFigureGroup& g : mFigures)
        g = PacketFigureGroup{};
    mUnit = ReadLink(file, scenario);
    // The record's layout depends on the unit's kind: without the unit the
    // rest cannot be read in step.
    if (!mUnit || file->HasFailed()) return false;
    Unit* unit = mUnit;
    UnitType kind = unit->mUnitType;
    bool linked = kind == kUnitInfantry || kind == kUnitVehicle;
    mTarget = ReadLink(file, scenario);
    mFacing = file->ReadFixed(90.0f);
    mMotionA = file->ReadFixed(7500.0f);
    mMotionB = file->ReadFixed(1000.0f);
    mRateA = file->ReadShort();
    mRateB = file->ReadShort();
    mLinkA = nullptr;
    mLinkB = nullptr;
    if (linked && file->ReadChar() != 0) {
        mLinkA = ReadLink(file, scenario);
        mLinkB = ReadLink(file, scenario);
    }
    mArtilleryState = file->ReadShort();
    mMovementCode = static_cast<uint8_t>(file->ReadChar());
    mStatus = static_cast<uint8_t>(file->ReadChar());
    mSpotting = static_cast<uint8_t>(file->ReadChar());
    if (mSpotting & 0x80) {
        mMarkerX = file->ReadFixed(3.0f);
        mMarkerY = file->ReadFixed(3.0f);
    }
    // Read in place (Battle::KeepMapPacketsAsRecorded), a packet holds what
    // a fresh one would: no offsets its record does not keep.
    mErrorX = mErrorY = 0;
    if ((mSpotting & 7) == kContactHeard) {
        mErrorX = file->ReadChar();
        mErrorY = file->ReadChar();
    }
    if (kind == kUnitAirplane) {
        mAirplaneByte = static_cast<uint8_t>(file->ReadChar());
    } else {
        mFloorHeight = file->ReadFixed(10000.0f);
        if (linked) {
            float s = file->ReadFixed(10.0f);
            mSuppression = s < 0.0f ? 0.0f : (s > 1500.0f ? 1500.0f : s);
            mArtilleryDelay = file->ReadFloat();
            mLinkedUnit = ReadLink(file, scenario);
        }
        if (kind == kUnitInfantry) {
            mInfantryState = static_cast<uint8_t>(file->ReadChar());
            int32_t teams = TeamCount(unit);
            for (int32_t t = 0; t < 4; ++t)
                mTeams[t] = t < teams ? static_cast<uint8_t>(file->ReadChar()) : 0;
            mInfantryPackA = static_cast<uint8_t>(file->ReadChar());
            mInfantryPackB = static_cast<uint8_t>(file->ReadChar());
            for (int32_t g = FigureGroupCount(unit) - 1; g >= 0; --g) {
                mFigures[g].mFrame = file->ReadShort();
                mFigures[g].mAnimation = file->ReadChar();
                mFigures[g].mStart = file->ReadChar();
            }
        } else if (kind == kUnitVehicle) {
            mBailOutCountdown = file->ReadShort();
            mTurretBearing = file->ReadFixed(90.0f);
            mTurretRate = file->ReadFixed(1000.0f);
            mFigures[0].mAnimation = file->ReadChar();
            for (int32_t m = 2; m >= 0; --m)
                mMGRounds[m] = static_cast<uint8_t>(file->ReadChar());
            mVehicleNibble = 0;
        }
    }
    if (unit->HasHeavyWeapon(kKnowTruth)) {
        for (uint16_t& rounds : mAmmo)
            rounds = static_cast<uint16_t>(file->ReadShort());
    } else {
        for (uint16_t& rounds : mAmmo)
            rounds = 0;
        mAmmo[0] = static_cast<uint16_t>(file->ReadShort());
    }
    mFlagsA = static_cast<uint8_t>(file->ReadChar());
    mFlagsB = static_cast<uint8_t>(file->ReadChar());
    if (mFlagsA & 0x01) {
        mAimX = file->ReadFloat();
        mAimY = file->ReadFloat();
    }
    return !file->HasFailed();
}

void WritePacketList(GFile* file, GList* packets) {
    int32_t count = 0;
    for (int32_t i = 0; i < packets->GetCount(); ++i)
        if (static_cast<ActionPacket*>(packets->GetObjectA(i))->IsWritable()) ++count;
    file->WriteChar(1);
    file->WriteLong(count);
    for (int32_t i = 0; i < packets->GetCount(); ++i) {
        auto* packet = static_cast<ActionPacket*>(packets->GetObjectA(i));
        if (packet->IsWritable()) packet->Write(file);
    }
}

bool ReadPacketList(GFile* file, GList* packets, ScenarioCore* scenario) {
    packets->EmptyOut(true);
    file->ReadChar();
    int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > kMaxPackets) return false;
    for (int32_t i = 0; i < count; ++i) {
        auto* packet = new ActionPacket;
        bool ok = packet->ReadRecord(file, scenario);
        packets->Add(packet);
        if (!ok) {
            packets->EmptyOut(true);
            return false;
        }
    }
    return true;
}

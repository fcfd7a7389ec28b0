#pragma once
// One time-stamped record of a visible event of the action phase. Packets
// are made only by Battle::CreateActionPacket, kept in the battle's packet
// list in creation order, replayed in playback, and written behind saved
// games and TCP/IP turn files.

#include <cstdint>

#include "engine/GObject.h"
#include "units/Enums.h"

class GFile;
class GList;
class ScenarioCore;
class Unit;

// Packet types.
enum : int8_t {
    kPacketUnitState = 0,
    kPacketShell = 1,
    kPacketSound = 2,
    kPacketFire = 3,
    kPacketRubble = 4,
    kPacketSmokeOn = 5,
    kPacketSmokeOff = 6,
    kPacketCrater = 7,
    kPacketCraterRemoved = 8,
    kPacketFoxholeSpotted = 9,
    kPacketBuilding = 10,
    kPacketArmorHit = 11,
    kPacketClearDoodads = 12,
    kPacketSparks = 13,
};

// One group of figures of a unit-state packet.
struct PacketFigureGroup {
    int16_t mFrame = 1;
    int8_t mAnimation = 0;
    int8_t mStart = 0;
};

class ActionPacket : public GObject {
public:
    ~ActionPacket() override = default;

    // The record: the header (type, slice, x, y, z) and the body of the
    // type. Unit identifiers resolve against the current battle on reading.
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // False when the record cannot be read in step: the file ended, or a
    // unit-state record names a unit that does not resolve (its length
    // depends on that unit's kind).
    // Identifiers resolve against `scenario` (the current battle when null).
    bool ReadRecord(GFile* file, ScenarioCore* scenario = nullptr);
    // Whether Write can give a record that reads back in step.
    bool IsWritable() const;
    // The unit whose kind decides a unit-state record's layout.
    Unit* StateUnit() const { return mUnit; }

    // Header
    int8_t mType = 0;
    int16_t mTimeSlice = 0;
    float mX = 0.0f;
    float mY = 0.0f;
    float mZ = 0.0f;

    // Shell body (1)
    Unit* mFirer = nullptr;
    Unit* mTarget = nullptr; // also the unit-state packet's target
    float mEndX = 0.0f;
    float mEndY = 0.0f;
    float mEndZ = 0.0f;
    float mBlast = 0.0f;
    int16_t mFlightTime = 0;
    int16_t mLook = 0;
    float mMuzzleHeight = 0.0f;
    uint8_t mShellFlags = 0; // 0x10 raised, 0x08 tree burst, 0x04 shown, low 2 bits impact
    uint8_t mShellHit = 0;   // kept in memory only: the shell is shown striking its target

    // Sound (2)
    Unit* mSource = nullptr;
    int32_t mSoundNumber = 0;
    int16_t mPriority = 0;
    float mSoundParam = 0.0f;
    float mPoint[2][3] = {};
    uint8_t mSoundFlags = 0; // 0x04 engine, 0x02 heard by side 0, 0x01 by side 1

    // Smoke on (5)
    int32_t mStartTime = 0; // turn x 2400 + slice
    int16_t mDuration = 0;
    float mRadius = 0.0f;
    float mDensity = 0.0f;
    int8_t mSmokeKind = 0;

    // Crater (7)
    float mDimension[3] = {};
    int8_t mCraterKind = 0; // 2 and more: a foxhole
    int8_t mCraterSide = 0;

    // Building (10)
    float mDamage = 0.0f;
    bool mBuildingState = false;

    // Armour hit (11)
    Unit* mVehicle = nullptr;
    int32_t mHitLocation = 0;
    int32_t mAspect = 0;
    int32_t mStrengthLost = 0;
    int32_t mPenetrationGrade = 0;
    uint8_t mArmorFlags = 0;

    // Sparks (13)
    float mEnergy = 0.0f;
    float mHeading = 0.0f;
    uint8_t mSparkFlags = 0; // 0x02 seen by side 0, 0x01 by side 1

    // Unit state (0)
    Unit* mUnit = nullptr;
    float mFacing = 0.0f;
    float mMotionA = 0.0f;
    float mMotionB = 0.0f;
    int16_t mRateA = 0; // the unit's value x 200
    int16_t mRateB = 0;
    Unit* mLinkA = nullptr; // carrier or passenger
    Unit* mLinkB = nullptr;
    int16_t mArtilleryState = 0; // the unit's value x 50
    uint8_t mMovementCode = 0;
    uint8_t mStatus = 0;   // bits 6-7 active code, bit 5 burning, low 5 bits losses
    uint8_t mSpotting = 0; // 0x80 spot marker, ..., low 3 bits contact level
    float mMarkerX = 0.0f;
    float mMarkerY = 0.0f;
    int8_t mErrorX = 0;
    int8_t mErrorY = 0;
    uint8_t mAirplaneByte = 0;
    float mFloorHeight = 0.0f;
    float mSuppression = 0.0f;
    float mArtilleryDelay = 0.0f;
    Unit* mLinkedUnit = nullptr;
    uint8_t mInfantryState = 0;
    uint8_t mTeams[4] = {};
    uint8_t mInfantryPackA = 0;
    uint8_t mInfantryPackB = 0;
    PacketFigureGroup mFigures[3];
    int16_t mBailOutCountdown = 0;
    float mTurretBearing = 0.0f;
    float mTurretRate = 0.0f;
    uint8_t mMGRounds[3] = {};
    uint16_t mAmmo[kAmmoClassCount] = {};
    uint8_t mFlagsA = 0; // 0x01 aiming: the aim point follows
    uint8_t mFlagsB = 0;
    float mAimX = 0.0f;
    float mAimY = 0.0f;
    uint8_t mVehicleNibble = 0; // kept in memory only

private:
    // Packets are made only by the battle, and by the reader of a packet block.
    ActionPacket() = default;
    friend class Battle;
    friend bool ReadPacketList(GFile* file, GList* packets, ScenarioCore* scenario);

    void WriteUnitState(GFile* file);
    bool ReadUnitState(GFile* file, ScenarioCore* scenario);
};

// The file form of a packet list: the ownership char 1, a 32-bit count,
// then each record. Records that cannot be read back in step are left out.
void WritePacketList(GFile* file, GList* packets);
// Reads a packet list into `packets` (emptied first). False, with the list
// left empty, when the block is damaged.
bool ReadPacketList(GFile* file, GList* packets, ScenarioCore* scenario);

#include "units/Unit.h"

#include <cmath>
#include <cstring>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "engine/GParallel.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/UnitFactory.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

bool gPacket = false;
Unit* gCreditKiller = nullptr;
bool gFiringSpottingRound = false;
bool gFiringSecondarySmallArms = false;

namespace {

// Next index handed out by AssignID, per side (index 0 for the Axis).
int32_t sNextIndex[2] = {0, 0};

constexpr int32_t kPlatoonShift = 11;
constexpr int32_t kPlatoonMask = 0x7FF; // bits 11-21
constexpr int32_t kUnitMask = 0x7FF;    // bits 0-10
constexpr int32_t kCompanyShift = 22;
constexpr int32_t kCompanyMask = 0xFF; // bits 22-29
constexpr float kFacePointDistance = 100.0f;
constexpr float kMaxArcHalfWidth = 45.0f;

} // namespace

Unit::Unit() {
    mSkipSetup = false;
}

Unit::~Unit() {
    delete mCustomName;
    // The last vehicle found in a mover's way never outlives itself.
    if (gBlocker && static_cast<Unit*>(gBlocker) == this) gBlocker = nullptr;
    FreeOwnGraphics();
}

void Unit::CopyUnitPartFrom(const Unit& other) {
    if (&other == this) return;
    GString15* ownName = mCustomName;
    // The graphics stay with their owner: this unit keeps its own.
    GGraphic* own[kGraphicSlots];
    size_t n = 0;
    ForEachGraphicSlot([&](GGraphic*& g) { own[n++] = g; });
    *this = other;
    n = 0;
    ForEachGraphicSlot([&](GGraphic*& g) { g = own[n++]; });
    mCustomName = other.mCustomName ? new GString15(*other.mCustomName) : nullptr;
    delete ownName;
}

// ---------------------------------------------------------------------------
// Construction and identity

void Unit::IUnit(float x, float y, float z, Force force, ExperienceLevel experience) {
    mX = x;
    mY = y;
    mZ = z;
    mForce = force;
    mExperience = experience;
    mActive = true;
    mSide = GetNation() < kFirstAlliedNation ? 1 : 0;
    if (mSkipSetup) return;
    mStatusTime = kStatusTimeNever;
    mAmmoClassInUse = kAmmoNone;
    mManeuverTries = 5;
    mManeuverSlice = -9999;
    mLookAhead = true;
}

UnitType Unit::GetUnitType(int32_t* subtype) const {
    if (subtype) *subtype = mSubtype;
    return mUnitType;
}

void Unit::SetIDCode(char company, int32_t platoon, int32_t unit) {
    mPackedID = ((static_cast<int32_t>(static_cast<uint8_t>(company)) & kCompanyMask) << kCompanyShift) |
                ((platoon & kPlatoonMask) << kPlatoonShift) | (unit & kUnitMask);
}

int32_t Unit::GetCompanyNumber() const {
    return (mPackedID >> kCompanyShift) & kCompanyMask;
}
int32_t Unit::GetPlatoonNumber() const {
    return (mPackedID >> kPlatoonShift) & kPlatoonMask;
}
int32_t Unit::GetUnitNumber() const {
    return mPackedID & kUnitMask;
}

void Unit::ResetUnitIDNumbers(bool starting) {
    if (starting) {
        sNextIndex[0] = 0;
        sNextIndex[1] = 0;
    }
}

void Unit::AssignID() {
    int32_t& next = sNextIndex[mSide ? 0 : 1];
    mIndex = static_cast<uint16_t>(next);
    next = (next + 1) & 0xFFFF;
    mLinkID = static_cast<int32_t>(UniqueID());
}

uint32_t Unit::UniqueID() const {
    uint32_t id = static_cast<uint32_t>(mIndex) + 1u;
    if (mSide) id |= 0x10000u;
    if (mUnitType == kUnitInfantry) {
        if (mAbandonedVehicle) id |= mAbandonedVehicle->mUnitType == kUnitVehicle ? 0x20000u : 0x40000u;
        // The halves of a split squad share mIndex: the second half is told
        // apart whether or not the squad had left a unit behind.
        if (mSibling && !mIsFirstHalf) id |= 0x80000u;
    }
    return id;
}

void Unit::ConcatID(GString* text) const {
    if (!text) return;
    text->ConcatNum(GetCompanyNumber());
    text->ConcatText("-");
    text->ConcatNum(GetPlatoonNumber());
    text->ConcatText("-");
    text->ConcatNum(GetUnitNumber());
}

WeaponType Unit::GetWeaponType() {
    WeaponType type = kWeaponNone;
    WeaponClass wclass = 0;
    GetWeaponInfo(&type, &wclass, kKnowTruth);
    return type;
}

WeaponClass Unit::GetWeaponClass() {
    WeaponType type = kWeaponNone;
    WeaponClass wclass = 0;
    GetWeaponInfo(&type, &wclass, kKnowTruth);
    return wclass;
}

float Unit::GetRarityFactorX(int32_t date, const char codes[]) const {
    if ((!gBattle && !gCampaign) || !codes) return 1.0f;
    return RarityFactorFromIndex(GetRarityFactorCodeX(date, codes));
}

Nation Unit::GetNation() {
    return NationOfForce(mForce);
}

void Unit::LoadOut(uint16_t* counts, uint8_t* extras, int32_t n) {
    if (!counts) return;
    for (int32_t c = 0; c < n && c < kAmmoClassCount; ++c)
        mAmmo[c] = counts[c];
}

// ---------------------------------------------------------------------------
// Geometry

float Unit::DistanceToLocation(float x, float y) {
    float dx = x - mX;
    float dy = y - mY;
    float dz = GroundHeightAt(x, y) - GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool Unit::PointedWithin(float facing, float arc, float x, float y) const {
    if (arc > 180.0f) return true;
    float diff = std::fabs(Clamp360(GetHeadingFromXY(x - mX, y - mY)) - Clamp360(facing));
    if (diff > 180.0f) diff = 360.0f - diff;
    return diff <= arc;
}

float Unit::GetZ() {
    return GroundUnderUnit() + mZ * kFloorHeight;
}

float Unit::GroundUnderUnit() {
    const Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return 0.0f;
    // Every spot check and sight question asks both units' heights, over
    // and over while they stand. The place is compared bit for bit.
    const uint64_t key = map->HeightsKey();
    if (key == mKeptGroundKey && std::memcmp(&mX, &mKeptGroundX, sizeof mX) == 0 &&
        std::memcmp(&mY, &mKeptGroundY, sizeof mY) == 0)
        return mKeptGround;
    const float ground = map->GetZCoord(mX, mY);
    // Threads read the kept answer side by side and never write it.
    if (!InsideParallelWork()) {
        mKeptGround = ground;
        mKeptGroundX = mX;
        mKeptGroundY = mY;
        mKeptGroundKey = key;
    }
    return ground;
}

// ---------------------------------------------------------------------------
// Sight

bool Unit::IsSpottedNow() const {
    return mContactLevel >= kContactSeen && !mSpotMarker && !mSpotMarkerGone && mOffMapState == 0 && !mHidden;
}

bool Unit::ShowsSpotMarker() const {
    return mSpotMarker && !mSpotMarkerGone;
}

bool Unit::IsOwnUnit(Affiliation viewingSide) const {
    bool own = (mSide != 0) == (viewingSide == kAxis);
    return mSurrendered ? !own : own;
}

FogOfWarContact Unit::VisibleToSide(bool side, bool ignoreHidden) {
    if (mOffMapState == 3) return kContactNone; // in the sewers: seen by nobody
    Affiliation viewer = side ? kAllies : kAxis;
    if (IsOwnUnit(viewer) || (gBattle && gBattle->Over())) return kContactFull;
    if (mSpotMarkerGone || (!ignoreHidden && mHidden)) return kContactNone;
    return mContactLevel;
}

FogOfWarContact Unit::VisibleToPlayer(bool ignoreHidden) {
    Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    return VisibleToSide(viewer == kAllies, ignoreHidden);
}

bool Unit::GetApparentLocationToSide(bool side, float* x, float* y, float* z) {
    FogOfWarContact level = VisibleToSide(side, true);
    float ax = mX;
    float ay = mY;
    float az = 0.0f;
    bool own = IsOwnUnit(side ? kAllies : kAxis);
    if (!own && ShowsSpotMarker()) {
        ax = mMarkerX;
        ay = mMarkerY;
        az = GroundHeightAt(ax, ay);
    } else if (!own && level == kContactHeard) {
        ax = mX + mSoundOffsetX;
        ay = mY + mSoundOffsetY;
        az = GroundHeightAt(ax, ay);
    } else {
        az = GetZ();
    }
    if (x) *x = ax;
    if (y) *y = ay;
    if (z) *z = az;
    return level > kContactNone;
}

bool Unit::GetApparentLocation(float* x, float* y, float* z) {
    Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    return GetApparentLocationToSide(viewer == kAllies, x, y, z);
}

void Unit::ResetSpotSliceCount() {
    double b = mActive ? 4.0 : 12.0;
    mSpotClock = static_cast<int32_t>((b + 5.0 * RandomFraction()) * 40.0);
}

// ---------------------------------------------------------------------------
// Covered arc: the arc runs counter-clockwise from bearing A to bearing B;
// C is its reach in metres (0: as far as the unit can fire).

bool Unit::InCoveredArc(float x, float y, Unit* target, bool* armourOnly) const {
    if (armourOnly) *armourOnly = false;
    if (!mCoveredArc) return true;
    float dx = x - mX;
    float dy = y - mY;
    if (mArcC > 0.0f && std::sqrt(dx * dx + dy * dy) > mArcC) return false;
    float span = Clamp360(mArcB - mArcA);
    float offset = Clamp360(GetHeadingFromXY(dx, dy) - mArcA);
    if (offset > span) return false;
    if (mArcKind && target && !target->IsArmoredVehicle(kKnowIdentified, false)) {
        if (armourOnly) *armourOnly = true;
        return false;
    }
    return true;
}

void Unit::CoveredArcFacePoint(float* x, float* y) const {
    float h = mHeading * static_cast<float>(M_PI / 180.0);
    if (x) *x = mX + kFacePointDistance * std::cos(h);
    if (y) *y = mY + kFacePointDistance * std::sin(h);
}

void Unit::StoreArc(bool firm, float x, float y) {
    float dx = x - mX;
    float dy = y - mY;
    float bearing = Clamp360(GetHeadingFromXY(dx, dy));
    float reach = std::sqrt(dx * dx + dy * dy);
    if (!firm) {
        // The first edge; the second follows the pointer until it is firm.
        mArcA = bearing;
        mArcB = bearing;
        mArcC = reach;
        mArcFirstIsB = false;
    } else {
        // The arc runs counter-clockwise from A to B, the smaller way round
        // between the first edge and the pointer, however often it moved.
        const float first = mArcFirstIsB ? mArcB : mArcA;
        mArcA = first;
        mArcB = bearing;
        mArcFirstIsB = Clamp360(mArcB - mArcA) > 180.0f;
        if (mArcFirstIsB) std::swap(mArcA, mArcB);
        if (reach > mArcC) mArcC = reach;
    }
    mArcD = 0.0f;
    mCoveredArc = true;
    mArcFirm = firm;
    gPacket = true;
}

void Unit::StoreMaxArc(float x, float y) {
    float bearing = GetHeadingFromXY(x - mX, y - mY);
    mArcA = Clamp360(bearing - kMaxArcHalfWidth);
    mArcB = Clamp360(bearing + kMaxArcHalfWidth);
    mArcC = 0.0f;
    mArcD = 0.0f;
    mCoveredArc = true;
    mArcFirm = true;
}

void Unit::Store180Arc(float x, float y) {
    float dx = x - mX;
    float dy = y - mY;
    float bearing = GetHeadingFromXY(dx, dy);
    mArcA = Clamp360(bearing - 90.0f);
    mArcB = Clamp360(bearing + 90.0f);
    mArcC = std::sqrt(dx * dx + dy * dy);
    mArcD = 0.0f;
    mCoveredArc = true;
    mArcFirm = true;
}

void Unit::CancelCoveredArc() {
    mCoveredArc = false;
}

// ---------------------------------------------------------------------------
// Orders and state

bool Unit::HasMovementOrders() const {
    return mNrWaypoints >= 2 || (mNrWaypoints == 1 && mWaypoints[0].mOrder != kPaceRotate);
}

bool Unit::LastWaypointIsRotation() const {
    return mNrWaypoints > 0 && mWaypoints[mNrWaypoints - 1].mOrder == kPaceRotate;
}

void Unit::GetFinalDestination(float* x, float* y, char* flag) const {
    if (mNrWaypoints <= 0) return;
    const Destination& last = mWaypoints[mNrWaypoints - 1];
    if (x) *x = last.mX;
    if (y) *y = last.mY;
    if (flag) *flag = last.mOnBuildingLevel;
}

bool Unit::CanBeDamaged() {
    return mActive && mOffMapState == 0;
}

int32_t Unit::GetOriginalNrMen() const {
    switch (mUnitType) {
    case kUnitInfantry:
        return gInfantryData[mSubtype].mNrMen;
    case kUnitVehicle:
        return gVehicleData[mSubtype].mCrew;
    case kUnitAirplane:
        return 1;
    default:
        return 0;
    }
}

void Unit::PrepareForPlayback() {
    mAimPause = 0.0f;
    mSliceCount = 0;
}

void Unit::AISetLocation(float x, float y) {
    mX = x;
    mY = y;
}

int32_t Unit::SuppressionBand() const {
    static const float kBands[] = {10.0f, 30.0f, 60.0f, 100.0f, 350.0f, 600.0f, 1200.0f};
    int32_t band = 0;
    for (float limit : kBands) {
        if (mSuppression < limit) break;
        ++band;
    }
    return band;
}

void Unit::ShiftCasualtiesToOld() {
    if (mCasualties != 0) mOldCasualties = static_cast<int16_t>(mCasualties);
}

float Unit::SurvivorFraction() {
    int32_t full = GetOriginalNrMen();
    if (full <= 0) return mActive ? 1.0f : 0.0f;
    int32_t left = full - mCasualties;
    if (left <= 0) return 0.0f;
    return static_cast<float>(left) / static_cast<float>(full);
}

void Unit::ClearAsTarget(bool keepOrdered, bool quiet) {
    if (!gBattle || !gBattle->mUnits) return;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u == this) continue;
        if (u->mTarget == this) {
            u->mTarget = nullptr;
            u->mPacketDirty = true;
            gPacket = true;
        }
        if (!keepOrdered && u->mOrderedTarget == this) u->mOrderedTarget = nullptr;
    }
}

namespace {

// The point of the map's border nearest to (x, y): where a unit standing
// outside the map crossed it. A point beyond a corner lands on the corner.
void BorderPoint(float x, float y, float* bx, float* by) {
    const Map* map = gBattle ? gBattle->mMap : nullptr;
    const float w = map ? map->mWidthMetres : 0.0f;
    const float h = map ? map->mHeightMetres : 0.0f;
    *bx = x < 0.0f ? 0.0f : (x > w ? w : x);
    *by = y < 0.0f ? 0.0f : (y > h ? h : y);
    // Inside the map (a unit handed over without having crossed), the
    // nearest edge is the one it was making for.
    if (*bx > 0.0f && *bx<w&& * by> 0.0f && *by < h) {
        const float dw = *bx, de = w - *bx, ds = *by, dn = h - *by;
        const float m = std::fmin(std::fmin(dw, de), std::fmin(ds, dn));
        if (m == dw)
            *bx = 0.0f;
        else if (m == ds)
            *by = 0.0f;
        else if (m == de)
            *bx = w;
        else
            *by = h;
    }
}

} // namespace

bool Unit::LeftByExitEdge() const {
    if (mOffMapState != 2 || !gBattle) return false;
    float x = 0.0f, y = 0.0f;
    BorderPoint(mX, mY, &x, &y);
    return gBattle->InVPExitZone(x, y, mSide != 0);
}

// Where a unit leaves decides what it still is. Over its side's exit edge
// or an edge its own side holds it stays in being (state 2: it counts for
// its side's morale, and over the exit edge for points); over any other
// edge, or dead, it is gone from the battle (state 1).
void Unit::ExitMap() {
    bool inBeing = mActive;
    if (inBeing && gBattle && gBattle->mMap) {
        float x = 0.0f, y = 0.0f;
        BorderPoint(mX, mY, &x, &y);
        const bool axis = mSide != 0;
        inBeing = gBattle->InVPExitZone(x, y, axis) || gBattle->InFriendlyExitEdge(x, y, axis);
    }
    mOffMapState = inBeing ? 2 : 1;
    mExiting = true;
    // Prisoners that get off the map are free again.
    if (mSurrendered) {
        mSurrendered = false;
        mFreed = true;
    }
    mPacketDirty = true;
}

void Unit::CompletePlayback() {
    // The pause after a shot that the replay counted ran by its frames: how
    // far it got depends on how the replay was played (frame lengths, fast
    // forward, the last frame's clock), which two machines do differently.
    // It is over with the replay; the next turn starts it from none anyway.
    mAimPause = 0.0f;
    mPreviousTarget = mTarget;
    // The ranging on it is kept with it: taken again, it starts from there.
    mLastAcquisition = static_cast<char>(mAcquisition);
    mPreviousAreaTarget = mAreaTarget;
    mPreviousAreaX = mAreaTargetX;
    mPreviousAreaY = mAreaTargetY;
    mPreviousTargetLocked = mTargetLocked;
    mCarriedDelay = mCommandDelay;
}

void Unit::RandomStartFrame(int32_t animation, int32_t* a, int32_t* b, int32_t* c) {
    if (a) *a = 0;
    if (b) *b = 1;
    if (c) *c = 2;
}

bool Unit::PlopDown(float x, float y, bool a, bool b, bool c) {
    mX = x;
    mY = y;
    return true;
}

float Unit::GetExitValue(bool* exited, bool count) {
    if (exited) *exited = LeftByExitEdge();
    return 0.0f;
}

MGPenetration Unit::GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k) {
    if (type) *type = kWeaponNone;
    if (wclass) *wclass = 0;
    return 0;
}

int32_t Unit::MaxAllowedAmmo(int32_t* maximum) {
    if (maximum) *maximum = 0;
    return 0;
}

void Unit::CleanUpLinks() {
    // Between an operation's battles its units may have gone: drop links to them.
    if (gCampaign && gCampaign->mUnits) ClearBrokenLinks(gCampaign->mUnits);
}

void Unit::Refit() {
    mImmobile = false;
}

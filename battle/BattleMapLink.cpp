#include "battle/BattleMapLink.h"

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "engine/GParallel.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr float kSquare = 20.0f;
// The crackle of a burning square: sound 300 in sound class 5.
constexpr int32_t kFireSound = 300;
constexpr int16_t kFireSoundPriority = 5;

// Whether the circle (cx, cy, r) reaches the segment.
bool NearSegment(float cx, float cy, float r, float x1, float y1, float x2, float y2) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((cx - x1) * dx + (cy - y1) * dy) / len2 : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    const float ex = x1 + dx * t - cx, ey = y1 + dy * t - cy;
    return ex * ex + ey * ey < r * r;
}

} // namespace

bool BattleMapLink::HasReferencePointNear(float x, float y, Affiliation side, float radius) {
    const UnitList* units = mBattle->mUnits;
    if (!units) return false;
    auto near = [&](Unit* u) {
        if (!u || u->mUnitType != kUnitInanimate || u->mSubtype != 3 || u->GetAffiliation() != side)
            return false;
        float dx = u->mX - x, dy = u->mY - y;
        return dx * dx + dy * dy <= radius * radius;
    };
    // A reference point is an inanimate unit: the list's kept inanimates
    // serve, save in parallel work that finds them out of date (it may not
    // make them again) and asks every unit.
    if (InsideParallelWork() && !units->KeptListsCurrent()) {
        for (int32_t i = 0; i < units->GetCount(); ++i)
            if (near(units->GetUnit(i))) return true;
        return false;
    }
    for (Unit* u : units->Inanimates())
        if (near(u)) return true;
    return false;
}

void BattleMapLink::GatherSightObstacles(float x1, float y1, float x2, float y2,
                                         std::vector<SightObstacle>* out) {
    Map* map = mBattle->mMap;
    if (!map) return;
    // A cloud hides from the slice it forms; before that only its packet exists.
    const int32_t now = mBattle->mTurn * kSlicesPerTurn + mBattle->SightSlice();
    GList* shells = static_cast<GList*>(map->mSmokeShells);
    for (int32_t k = 0; k < shells->GetCount(); ++k) {
        auto* s = static_cast<SmokeShell*>(shells->GetObjectA(k));
        if (s->mStartTime > now || s->Expired(now) || mBattle->mRetreatSearch) continue;
        if (!NearSegment(s->mX, s->mY, s->mRadius, x1, y1, x2, y2)) continue;
        SightObstacle o;
        o.mX = s->mX;
        o.mY = s->mY;
        o.mRadius = s->mRadius;
        float groundZ = s->mGroundZ;
        if (std::isnan(groundZ)) {
            groundZ = map->GetZCoord(s->mX, s->mY);
            // A cloud's ground height is kept from its first sight line on;
            // work on several threads keeps it later, in its own order.
            if (std::vector<void*>* deferred = Map::ThreadDeferredKeeps())
                deferred->push_back(s);
            else
                s->mGroundZ = groundZ;
        }
        o.mTop = groundZ + kCloudTop;
        o.mDensity = s->mDensity * kCloudDepthPerMetre;
        o.mTemporary = true;
        out->push_back(o);
    }
    if (!mBattle->mUnits) return;
    mBattle->mUnits->ForEachBurningVehicleNear(x1, y1, x2, y2, [&](Unit* u) {
        SightObstacle o;
        o.mX = u->mX;
        o.mY = u->mY;
        o.mRadius = kWreckRadius;
        o.mTop = map->GetZCoord(u->mX, u->mY) + kWreckTop;
        o.mDensity = kWreckDepthPerMetre;
        out->push_back(o);
    });
}

void BattleMapLink::PrepareForThreads() {
    if (mBattle->mUnits) mBattle->mUnits->PrepareVehicles();
}

void BattleMapLink::KeepDeferred(void* item) {
    auto* s = static_cast<SmokeShell*>(item);
    Map* map = mBattle->mMap;
    if (map && std::isnan(s->mGroundZ)) s->mGroundZ = map->GetZCoord(s->mX, s->mY);
}

bool BattleMapLink::LivingUnitNear(float x, float y, Affiliation side, float radius) {
    return mBattle->mUnits && mBattle->mUnits->LivingUnitIsNearby(x, y, side, radius, nullptr);
}

int32_t BattleMapLink::UnitCount() {
    return mBattle->mUnits ? mBattle->mUnits->GetCount() : 0;
}

bool BattleMapLink::SpottedUnitAt(int32_t index, float* x, float* y) {
    Unit* u = mBattle->mUnits ? mBattle->mUnits->GetUnit(index) : nullptr;
    if (!u || !u->IsSpottedNow()) return false;
    *x = u->mX;
    *y = u->mY;
    return true;
}

int32_t BattleMapLink::GetMoveStamp(Unit* unit) {
    return unit ? unit->mMoveStamp : -1;
}

void BattleMapLink::GetUnitXY(Unit* unit, float* x, float* y) {
    *x = unit ? unit->mX : 0.0f;
    *y = unit ? unit->mY : 0.0f;
}

void BattleMapLink::GetMoveStamps(Unit* a, Unit* b, int32_t* stampA, int32_t* stampB) {
    *stampA = a ? a->mMoveStamp : -1;
    *stampB = b ? b->mMoveStamp : -1;
}

void BattleMapLink::GetStampAndXY(Unit* unit, int32_t* stamp, float* x, float* y) {
    *stamp = unit ? unit->mMoveStamp : -1;
    *x = unit ? unit->mX : 0.0f;
    *y = unit ? unit->mY : 0.0f;
}

PathType BattleMapLink::GetPathType(Unit* unit) {
    return unit ? unit->PathType() : kPathGround;
}

Affiliation BattleMapLink::GetSide(Unit* unit) {
    return unit ? unit->GetAffiliation() : kAxis;
}

void BattleMapLink::GetFoundMineFields(Affiliation, PathType, std::vector<float>* centres) {
    if (!centres || !mBattle->mUnits) return;
    // The fields the movement's look-ahead stops before (InNewMineField).
    // Every unit searches the same grids, so they keep out of fields of
    // either kind.
    for (Unit* u : mBattle->mUnits->Inanimates()) {
        if (!u->mMineNew || u->mSubtype < 4 || u->mSubtype > 6) continue;
        centres->push_back(u->mX);
        centres->push_back(u->mY);
    }
}

int32_t BattleMapLink::ViewingSide(int32_t) {
    return mBattle->Host()->ViewingSide();
}

bool BattleMapLink::IsComputing() {
    return mBattle->mComputing;
}

int32_t BattleMapLink::GetSlice() {
    return mBattle->mDispatching ? mBattle->PlaybackTimeSlice() : mBattle->mTimeSlice;
}

int32_t BattleMapLink::GetGroundCondition() {
    return mBattle->mGroundCondition;
}

float BattleMapLink::GetWindDirection() {
    return mBattle->mWindDirection;
}

int32_t BattleMapLink::GetWindStrength() {
    return mBattle->mWindStrength;
}

// The map's changes become packets outside playback only: while packets are
// played back the same changes come from the packets already made.
ActionPacket* BattleMapLink::NewPacket(int32_t slice, int8_t type, float x, float y) {
    if (mBattle->mDispatching) return nullptr;
    ActionPacket* p = mBattle->CreateActionPacket(slice - mBattle->mTimeSlice);
    p->mType = type;
    p->mX = x;
    p->mY = y;
    return p;
}

void BattleMapLink::RecordFireStart(int32_t slice, float x, float y, bool large) {
    ActionPacket* p = NewPacket(slice, kPacketFire, x, y);
    if (!p) return;
    p->mZ = large ? 1.0f : 0.0f;
}

void BattleMapLink::RecordFireSound(int32_t slice, int32_t column, int32_t row) {
    ActionPacket* p =
        NewPacket(slice, kPacketSound, column * kSquare + kSquare * 0.5f, row * kSquare + kSquare * 0.5f);
    if (!p) return;
    // Every fire crackles from its own moment: the sound starts up to 40
    // slices early, never before the slice -1.
    const uint32_t r = RandomPair();
    const int32_t early = p->mTimeSlice - static_cast<int32_t>(r % 40u) - 1;
    p->mTimeSlice = static_cast<int16_t>(early < -1 ? -1 : early);
    p->mZ = mBattle->mMap ? mBattle->mMap->GetZCoord(p->mX, p->mY) : 0.0f;
    p->mSoundNumber = kFireSound;
    p->mPriority = kFireSoundPriority;
    for (auto& point : p->mPoint) {
        point[0] = p->mX;
        point[1] = p->mY;
        point[2] = p->mZ;
    }
    p->mSoundFlags = 0x03;
}

void BattleMapLink::RecordCrater(int32_t slice, float x, float y, float radius, float depth, float shade,
                                 int32_t kind, Affiliation side) {
    ActionPacket* p = NewPacket(slice, kPacketCrater, x, y);
    if (!p) return;
    p->mDimension[0] = radius;
    p->mDimension[1] = depth;
    p->mDimension[2] = shade;
    p->mCraterKind = static_cast<int8_t>(kind);
    p->mCraterSide = static_cast<int8_t>(side);
}

void BattleMapLink::RecordCraterRemoved(int32_t slice, float x, float y) {
    ActionPacket* p = NewPacket(slice, kPacketCraterRemoved, x, y);
    if (!p) return;
}

void BattleMapLink::RecordFoxholeSpotted(int32_t slice, float x, float y) {
    ActionPacket* p = NewPacket(slice, kPacketFoxholeSpotted, x, y);
    if (!p) return;
}

void BattleMapLink::RecordBuildingState(int32_t slice, float x, float y, float damage, bool stateFlag) {
    ActionPacket* p = NewPacket(slice, kPacketBuilding, x, y);
    if (!p) return;
    p->mDamage = damage;
    p->mBuildingState = stateFlag;
}

void BattleMapLink::RecordBuildingCollapse(int32_t slice, float x, float y) {
    // Units upstairs in the house come down onto the rubble; the packet of
    // the slice carries each one's new height.
    Map* map = mBattle->mMap;
    if (!mBattle->mDispatching && map && mBattle->mUnits && map->OnMap(x, y)) {
        const auto column = static_cast<int32_t>(x / kSquare), row = static_cast<int32_t>(y / kSquare);
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
            Unit* u = mBattle->mUnits->GetUnit(i);
            if (!u || u->mZ == 0.0f || (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) ||
                !map->OnMap(u->mX, u->mY))
                continue;
            if (static_cast<int32_t>(u->mX / kSquare) != column || static_cast<int32_t>(u->mY / kSquare) != row)
                continue;
            u->CorrectFloor();
            if (u->mZ == 0.0f) u->mPacketDirty = true;
        }
    }
    ActionPacket* p = NewPacket(slice, kPacketRubble, x, y);
    if (!p) return;
}

void BattleMapLink::RecordDoodadsCleared(int32_t slice, float x, float y) {
    ActionPacket* p = NewPacket(slice, kPacketClearDoodads, x, y);
    if (!p) return;
}

#pragma once
// What the map needs of the battle that owns it. The battle (or a test)
// implements this and hands it to Map::SetBattleLink; the map never looks
// into units, so it stays independent of their internals. Without a link the
// map records nothing and sees no smoke, units or weather.
#include <cstdint>
#include <vector>

#include "units/Enums.h"

class Unit;

// Something near a sight line that hides what lies behind it: a smoke cloud
// or the smoke of a burning vehicle, as a vertical cylinder.
struct SightObstacle {
    float mX = 0.0f, mY = 0.0f;
    float mRadius = 0.0f;
    float mTop = 0.0f;        // height of the cylinder's top (m above sea level)
    float mDensity = 0.0f;    // visibility lost per metre inside
    bool mTemporary = false;  // temporary smoke (left out while gIgnoreTempSmokeForLOS)
};

class MapBattleLink {
public:
    virtual ~MapBattleLink() = default;

    // True when `side` has a target reference point (an inanimate object of
    // subtype 3) within `radius` metres of (x, y).
    virtual bool HasReferencePointNear(float x, float y, Affiliation side, float radius) = 0;

    // Appends the smoke clouds and burning vehicles that may lie near the
    // segment from (x1, y1) to (x2, y2).
    virtual void GatherSightObstacles(float x1, float y1, float x2, float y2, std::vector<SightObstacle>* out) {}
    // Makes whatever GatherSightObstacles works out lazily, so that several
    // threads may then gather at once without writing anything.
    virtual void PrepareForThreads() {}
    // Keeps a value that GatherSightObstacles found lazily on a thread whose
    // keeping was deferred (Map::ThreadDeferredKeeps): the item it passed.
    virtual void KeepDeferred(void* item) {}

    // A unit's last-movement stamp (-1 at the start of the action phase) and
    // its position, for the sight cache.
    virtual int32_t GetMoveStamp(Unit* unit) { return -1; }
    virtual void GetUnitXY(Unit* unit, float* x, float* y) { *x = *y = 0.0f; }
    // The same in one call each, as every sight-cache question asks them.
    virtual void GetMoveStamps(Unit* a, Unit* b, int32_t* stampA, int32_t* stampB) {
        *stampA = GetMoveStamp(a);
        *stampB = GetMoveStamp(b);
    }
    virtual void GetStampAndXY(Unit* unit, int32_t* stamp, float* x, float* y) {
        *stamp = GetMoveStamp(unit);
        GetUnitXY(unit, x, y);
    }
    virtual PathType GetPathType(Unit* unit) { return kPathGround; }
    virtual Affiliation GetSide(Unit* unit) { return kAxis; }
    // The found minefields, as the centres of their squares (12 m either
    // way): the side's path grids of the type do not enter them.
    virtual void GetFoundMineFields(Affiliation side, PathType type, std::vector<float>* centres) {}

    // Whether a living unit of `side` stands within `radius` metres of (x, y).
    virtual bool LivingUnitNear(float x, float y, Affiliation side, float radius) { return false; }
    // The battle's units by index (0 .. count - 1): false for a unit that
    // the other side does not see at this moment, else true with its
    // position.
    virtual int32_t UnitCount() { return 0; }
    virtual bool SpottedUnitAt(int32_t index, float* x, float* y) { return false; }

    // The side the screen shows the battle to; a link without a viewer
    // keeps the side the map holds itself.
    virtual int32_t ViewingSide(int32_t mapsOwn) { return mapsOwn; }

    // The battle's state that fires and damage read.
    virtual bool IsComputing() { return false; }  // the action phase is being computed
    virtual int32_t GetSlice() { return 0; }
    virtual int32_t GetGroundCondition() { return 2; }  // 0 very dry .. 8 deep snow
    virtual float GetWindDirection() { return 0.0f; }   // degrees the wind blows towards
    virtual int32_t GetWindStrength() { return 0; }     // 0..3

    // Action packets the map's changes record (the battle builds and files
    // them). slice is the packet's time slice.
    virtual void RecordFireStart(int32_t slice, float x, float y, bool large) {}
    virtual void RecordFireSound(int32_t slice, int32_t column, int32_t row) {}
    virtual void RecordCrater(int32_t slice, float x, float y, float radius, float depth, float shade, int32_t kind,
                              Affiliation side) {}
    virtual void RecordCraterRemoved(int32_t slice, float x, float y) {}
    virtual void RecordFoxholeSpotted(int32_t slice, float x, float y) {}
    virtual void RecordBuildingState(int32_t slice, float x, float y, float damage, bool stateFlag) {}
    virtual void RecordBuildingCollapse(int32_t slice, float x, float y) {}
    virtual void RecordDoodadsCleared(int32_t slice, float x, float y) {}
};

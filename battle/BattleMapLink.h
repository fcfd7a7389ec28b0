#pragma once
// The battle's side of the map link: the map's changes become action
// packets of the battle, and sight checks see the battle's smoke clouds and
// burning vehicles. The battle installs it on its map for the battle's life.

#include "map/MapBattleLink.h"

class ActionPacket;
class Battle;

class BattleMapLink : public MapBattleLink {
public:
    explicit BattleMapLink(Battle* battle) : mBattle(battle) {}

    bool HasReferencePointNear(float x, float y, Affiliation side, float radius) override;
    void PrepareForThreads() override;
    void KeepDeferred(void* item) override;
    void GatherSightObstacles(float x1, float y1, float x2, float y2,
                              std::vector<SightObstacle>* out) override;

    bool LivingUnitNear(float x, float y, Affiliation side, float radius) override;
    int32_t UnitCount() override;
    bool SpottedUnitAt(int32_t index, float* x, float* y) override;
    int32_t GetMoveStamp(Unit* unit) override;
    void GetUnitXY(Unit* unit, float* x, float* y) override;
    void GetMoveStamps(Unit* a, Unit* b, int32_t* stampA, int32_t* stampB) override;
    void GetStampAndXY(Unit* unit, int32_t* stamp, float* x, float* y) override;
    PathType GetPathType(Unit* unit) override;
    Affiliation GetSide(Unit* unit) override;
    void GetFoundMineFields(Affiliation side, PathType type, std::vector<float>* centres) override;

    int32_t ViewingSide(int32_t mapsOwn) override;

    bool IsComputing() override;
    int32_t GetSlice() override;
    int32_t GetGroundCondition() override;
    float GetWindDirection() override;
    int32_t GetWindStrength() override;

    void RecordFireStart(int32_t slice, float x, float y, bool large) override;
    void RecordFireSound(int32_t slice, int32_t column, int32_t row) override;
    void RecordCrater(int32_t slice, float x, float y, float radius, float depth, float shade, int32_t kind,
                      Affiliation side) override;
    void RecordCraterRemoved(int32_t slice, float x, float y) override;
    void RecordFoxholeSpotted(int32_t slice, float x, float y) override;
    void RecordBuildingState(int32_t slice, float x, float y, float damage, bool stateFlag) override;
    void RecordBuildingCollapse(int32_t slice, float x, float y) override;
    void RecordDoodadsCleared(int32_t slice, float x, float y) override;

    // Optical depth per metre of a full cloud and of a burning vehicle's
    // smoke, and how high each reaches above the ground.
    static constexpr float kCloudDepthPerMetre = 0.4f;
    static constexpr float kCloudTop = 12.0f;
    static constexpr float kWreckRadius = 4.0f;
    static constexpr float kWreckDepthPerMetre = 0.25f;
    static constexpr float kWreckTop = 15.0f;

private:
    ActionPacket* NewPacket(int32_t slice, int8_t type, float x, float y);

    Battle* mBattle;
};

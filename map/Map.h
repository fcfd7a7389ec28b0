#pragma once
// The battlefield: 20 m squares over a 2 m point grid of heights and terrain
// codes, with its buildings, walls, craters, foxholes, trees, landmarks,
// set-up zones, fire states and the per-side camera. World coordinates are
// float metres from the map's corner (x east, y north), heights are z.
//
// Point grid: (10 x squares + 1) by (10 y squares + 1) 16-bit entries, x-major
// (index = point column * points along y + point row). Bits 0-9 hold the
// height code, bits 10-15 the terrain code of the 2 m cell whose lower-left
// corner is that point. Heights are interpolated between points.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/GGroup.h"
#include "map/AIPath.h"
#include "map/BuildingWallCrater.h"
#include "map/MapBattleLink.h"
#include "map/TraceMemo.h"
#include "map/SightCache.h"
#include "map/SightThreads.h"
#include "map/Square.h"
#include "map/TerrainTable.h"
#include "map/Tree.h"
#include "units/Enums.h"

class GFile;
class Unit;
class MapView;
class ActionPacket;
class PlayerMenu;
struct LongRect;
class HotkeyPanel;
class UnitInfoBalloon;
class GGraphic;
class GString;
class Landmark;
class VictoryFlag;

constexpr float kSquareSize = 20.0f;
constexpr float kPointSpacing = 2.0f;
constexpr int32_t kPointsPerSquare = 10;
constexpr int32_t kMapMaxSquares = 256;  // per axis: 5.12 km
constexpr int32_t kElevationBands = 20;
constexpr uint8_t kBurntOut = 255;

constexpr int32_t kSmokeColumns = 13;
constexpr int32_t kSmokePuffs = 13;
constexpr int32_t kFlamePatterns = 29;
constexpr int32_t kFlamesPerPattern = 16;

// One flame of a fire's flame pattern (the fire drawing reads them): six
// floats, the flame's two ends across the fire, its height and its base.
struct FlamePoint {
    float x = 0.0f, y = 0.0f;  // -10..10
};
struct FlamePattern {
    FlamePoint mFrom;
    FlamePoint mTo;
    float mHeight = 0.5f;  // 0.5..4.0
    float mBase = 0.0f;    // 0..3.0
};

// While set, CheckLOS leaves temporary smoke out of its sight test.
extern bool gIgnoreTempSmokeForLOS;
// Makes an empty smoke-shell record for the map reader; set by the battle's
// smoke-shell class. Without it a saved map's smoke is skipped on reading.
extern GObject* (*gSmokeShellMaker)();
// Whether a smoke record read holds values this program could have written.
extern bool (*gSmokeShellValid)(GObject* shell);

// The height in metres of a point-grid entry at a height scale.
float DecodePointHeight(uint16_t entry, float heightScale);
inline Terrain DecodePointTerrain(uint16_t entry) { return static_cast<Terrain>(entry >> 10); }
inline uint16_t EncodePoint(int32_t heightCode, Terrain terrain)
{
    return static_cast<uint16_t>(((terrain & 0x3f) << 10) | (heightCode & 0x3ff));
}

// One rain drop or snow flake of the weather drawing, laid in an 80 m cell.
struct WeatherParticle {
    float mOffset[2] = {};     // within the cell, 0..80 m
    float mDirection[2] = {};  // horizontal unit vector
    int16_t mPhase = 0;        // start within the 12 000-step fall cycle
    float mDrift = 0.0f;       // metres along the wind
};

class Map : public GObject {
public:
    Map();
    ~Map() override;
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;

    // With a file: reads the map's record; false, with this map left empty,
    // when the record is damaged. With null: the default map.
    bool IMap(GFile* file);
    // Makes an empty map of cols x rows squares: open ground at height code
    // heightCode everywhere, no objects. False for a size out of range.
    bool IBlankMap(int32_t cols, int32_t rows, float heightScale, int32_t heightCode);
    void Write(GFile* file) override;

    // ------------------------------------------------ extent and grid
    bool OnMap(float x, float y) const;
    Square* GetSquare(int32_t column, int32_t row);
    const Square* GetSquare(int32_t column, int32_t row) const;
    int32_t SquareIndex(int32_t column, int32_t row) const { return column * mHeight + row; }
    uint16_t GetPoint(int32_t i, int32_t j) const { return mPoints[static_cast<size_t>(i) * mPointsY + j]; }
    // Sets one point-grid entry (i along x, j along y); ignored off the grid.
    // Call RecomputeHeights after changing heights.
    void SetPoint(int32_t i, int32_t j, uint16_t entry);
    void RecomputeHeights();
    // Fire state of the square holding (x, y); 0 off the map.
    int8_t GetFireState(float x, float y) const;

    // ------------------------------------------------ height and terrain
    float GetZCoord(float x, float y) const;
    float GetZWithBuilding(float x, float y) const;
    Terrain GetTerrain(float x, float y, bool foxholes) const;
    float GetGap(float x, float y) const;
    float GetRoughResolution(float x, float y, float z) const;
    bool IsCover(Terrain t, bool strict) const;
    bool IsCoverAt(float x, float y, bool strict) const;
    Direction GetMapEdgeAimedAt(float x, float y, float heading) const;
    // Distance to the edge and the headings (degrees) to its two ends, lo
    // first going counter-clockwise; hi may exceed 360 so that every heading
    // of the edge lies between lo and hi.
    void GetBoundingHeadings(float x, float y, Direction edge, float* distance, float* lo, float* hi) const;
    GroundType GetGroundType(bool alternative) const;
    bool NearBoreSight(float x, float y, bool side) const;

    // ------------------------------------------------ sight and flight
    // Sight from (x1, y1, z1) to (x2, y2, z2). groundOnly: only the ground
    // profile counts (hull-down tests); withSmoke: smoke and burning vehicles
    // count; endCover: the cover right at the target end counts too (by
    // default a unit is seen in, and sees out of, its own cover). Writes the
    // visibility 0..1 (0 blocked), the 3-D length and the point where sight
    // ends; any out-pointer may be null. False only when no answer can be
    // given (no map, a coordinate not finite).
    bool CheckLOS(bool groundOnly, bool withSmoke, bool endCover, float x1, float y1, float z1, float x2, float y2,
                  float z2, float* visibility, float* length, float* blockX, float* blockY, float* blockZ);
    // The terrain code of the first wall the segment passes below the top
    // of, or 0.
    Terrain GetBlockingWallType(float x0, float y0, float z0, float x1, float y1, float z1) const;
    // Whether a wall of the type stands on the map: where none does,
    // GetBlockingWallType never answers the type.
    bool HoldsWallType(Terrain type) const {
        return std::find(mWallTypes.begin(), mWallTypes.end(), type) != mWallTypes.end();
    }
    // The part (0..1) of a shell's flight from the muzzle to the end point
    // that is flown before the ground, a building or a wall stops it; the end
    // point moves back to where it stops. timeOfFlight (slices) shapes the arc.
    float CheckFlightPath(int32_t timeOfFlight, float x, float y, float z, float* endX, float* endY, float* endZ);

    bool CheckStoredLOS(Unit* a, Unit* b, bool* los, float* visibility, bool* hdKnown, bool* hd);
    // Names the heights as they stand: equal keys give equal GetZCoord
    // answers (another map, or any change of the points or the height
    // table, gives another key).
    uint64_t HeightsKey() const { return static_cast<uint64_t>(mInstance) << 32 | mMapChanges; }
    // A hint that the pair will be asked about soon, in b's row of the pair
    // table, as CheckStoredLOS(a, b) reads it (see SightCache::Prefetch).
    void PrefetchStoredLOS(const Unit* a, const Unit* b, bool entry) const
    {
        if (mLOSCacheOn) mSightCache.Prefetch(a, b, entry);
    }
    void StoreLOS(Unit* a, Unit* b, bool los, float visibility, bool hdKnown, bool hdA, bool hdB);

    // ------------------------------------------------ sight on several threads
    // While a log is set on a thread, that thread's sight-cache questions
    // read the cache without changing it and answer from the log for the
    // pairs the log has touched; what they would have changed (a stored
    // answer, a stale one dropped) is written to the log, which
    // ApplySightLog replays into the cache later, on one thread, in the order
    // the work would have run.
    static void SetThreadSightLog(SightLog* log);
    void ApplySightLog(const SightLog& log);
    // Makes the battle's lazily kept answers (its vehicle list, the clouds'
    // ground heights) before threads read them together.
    void PrepareSightForThreads();
    // Where lazily found values go instead of being kept at once, on this
    // thread (null: kept at once); the work's owner hands them to the link's
    // KeepDeferred in its order.
    static std::vector<void*>* ThreadDeferredKeeps();
    static void SetThreadDeferredKeeps(std::vector<void*>* sink);
    void KeepDeferred(const std::vector<void*>& items);

    // Answers of CheckLOS fetched ahead (possibly on other threads) for exact
    // inputs. While a memo is set, CheckLOS answers inputs it holds from it;
    // with record set it also keeps every answer it works out. The memo must
    // be cleared before the map, the smoke or the burning vehicles change.
    void SetLOSMemo(LOSMemo* memo) { mLOSMemo = memo; }
    LOSMemo* GetLOSMemo() const { return mLOSMemo; }
    // True when the sight cache holds a valid answer for the pair; reads
    // without changing anything (a stale answer stays for CheckStoredLOS to
    // drop).
    bool HoldsStoredLOS(Unit* a, Unit* b) const;
    // Works out the requests' answers on the simulation's threads and adds
    // them to the memo.
    void FetchLOS(const std::vector<LOSRequest>& requests, LOSMemo* memo);
    void VoidLOS(float x, float y, float r);
    void DeleteLOSTable();
    // While a reuse scope is open (the computer's planning, which changes
    // nothing on the map), a trace of the map with exactly the inputs of one
    // made before in the scope gives that one's answer without walking
    // again. Scopes nest; any change to the map forgets what was kept.
    void BeginTraceReuse();
    void EndTraceReuse();
    struct TraceReuseScope {
        explicit TraceReuseScope(Map* map) : mMap(map) { if (mMap) mMap->BeginTraceReuse(); }
        ~TraceReuseScope() { if (mMap) mMap->EndTraceReuse(); }
        TraceReuseScope(const TraceReuseScope&) = delete;
        TraceReuseScope& operator=(const TraceReuseScope&) = delete;
        Map* mMap;
    };

    // ------------------------------------------------ paths
    // Builds the path grids of a side for one path type, or all with -1.
    void CalculateAIPathGrids(Affiliation side, PathType type);
    void DeleteAIPathGrids();
    // The grid a search of that side and type uses; null until calculated.
    const PathGrid* GetPathGrid(Affiliation side, PathType type) const;
    // Finds a way for the unit from (x1, y1) to (x2, y2) over its side's grid
    // of its path type (made on demand). kPathFound with the path written;
    // kPathUnreachable when no way leads there. The flag is accepted for the
    // callers' sake and has no effect.
    PathResult AStar(Unit* unit, float x1, float y1, float x2, float y2, bool flag, Path* path);
    // The computer opponent's distance between two points: the straight
    // distance in the plane; it reads no map data.
    float AbstractPathDistance(float x1, float y1, float x2, float y2) const;

    // ------------------------------------------------ fires
    // Sets the square at (x, y) burning, large with the flag, when its ground
    // can burn; with makePacket the start is recorded for playback and
    // its fire sound started.
    void StartFire(float x, float y, bool large, bool makePacket);
    // Starts a fire with the given chance, scaled by the ground condition and
    // the ground's flammability. large: the fire starts large.
    void PotentiallyStartFire(float chance, float x, float y, bool large);
    // One step of spreading: fires grow and catch neighbouring squares, more
    // readily downwind. Run every 120 slices of the action phase.
    void SpreadFires();
    // One turn passes for every fire: fires burn out after their time and
    // leave the square burnt. The battle runs it at each new turn.
    void BurnOutFires();
    // The fire sound of a square, recorded through the battle.
    void StartOneFireSoundEffect(int32_t column, int32_t row);

    // ------------------------------------------------ craters and foxholes
    // Makes a crater (a shell's, sized by its charge) or a dug foxhole at the
    // point and records it, replacing an older one there. Null when nothing
    // can be made there (water, buildings, roads for foxholes, off the map).
    // The remaining flags and the float are accepted for the callers' sake.
    Crater* MakeCrater(float x, float y, float charge, bool foxhole, bool crater, bool flag3, float value,
                       Affiliation side, bool flag4);
    // Playback of a crater packet: kinds 2 and above go to the foxholes.
    Crater* HandleCraterPacket(float x, float y, float radius, float depth, float shade, int32_t kind,
                               Affiliation side);
    void RemoveCrater(float x, float y);
    void SpotOneFoxhole(float x, float y);
    // Every foxhole not yet seen by the other side is offered to it and the
    // spotted ones are recorded; with all, every foxhole is shown at once
    // (the review of a finished battle) and nothing is recorded.
    void SpotFoxholes(bool all);

    // ------------------------------------------------ building damage
    void BlastBuildings(float power, float x, float y);
    void RubbleizeBuilding(float x, float y, int32_t slice);
    void UpdateBuilding(float x, float y, float damage, bool stateFlag);

    // ------------------------------------------------ changeable state
    // Keeps the craters, foxholes, buildings, fires and terrain as they are,
    // so that playback can start from them; RestoreMutableData puts them back.
    void SaveMutableData();
    void RestoreMutableData(GList* packets);
    // Asks that the kept state be written with the map, so that a loaded
    // game can replay its last turn.
    void SaveOldMutables() { mKeepOldMutables = true; }
    bool HasSavedMutables() const { return mSaved != nullptr; }

    // ------------------------------------------------ buildings and squares
    Building* GetBuildingAtXY(float x, float y) const;
    Building* GetBuildingAtCR(int32_t column, int32_t row) const;
    void FlagNoRoofForBuildingAtXY(float x, float y, bool upper);
    void ClearDoodads(float x, float y);

    // ------------------------------------------------ derived data
    void ComputeMidPointElevations();
    void ElevationSpan();
    bool NeedOpenGroundTexture(int32_t k) const;
    void AddTrees();
    // Rebuilds the per-square indexes of buildings and foxholes after the
    // groups changed.
    void IndexObjects();

    // ------------------------------------------------ wiring
    void SetBattleLink(MapBattleLink* link) { mBattleLink = link; }
    MapBattleLink* GetBattleLink() const { return mBattleLink; }
    // The side whose camera, set-up outlines and own foxholes the screen
    // shows: the battle's viewer when a battle owns the map, else
    // mViewingSide. Anything but the Allies counts as the Axis.
    int32_t ViewingSide() const;
    // Sets the screen width that the camera's width class and the rough
    // resolution use.
    void SetScreenWidth(int32_t pixels);

    // ------------------------------------------------ drawing (draw/)
    // Defined with the battlefield drawing; the simulation never calls them
    // except CreateDoodads (rubble) and the camera's stored fields.
    // Frame, culling and the unit pass.
    void DrawMap();
    void DirtyClip() { mClipDirty = true; }
    void MasterClip();
    void DrawUnits();
    void DrawEphemerals();
    void DrawBuildings();
    void DrawWalls();
    void DrawCraters();
    void ShowWarningLabel(GString* text1, int32_t kind1, GString* text2, int32_t kind2, float x, float y, float z);
    // One crewman of a vehicle in the vehicle's frame: the map's figure of
    // the uniform, posed and drawn at 0.04 x (x, y, z) turned by h degrees.
    void DrawCrewman(int32_t pose, Uniform uniform, float x, float y, float z, float h, float look, bool needsClip,
                     float factor, bool lowered);
    // Ground: super tiles and patches.
    void PrecomputeSuperTiles();
    char CheckSuperClipBox(float x, float y, float r) const;
    void DrawOpenGround();
    void BreakDownGroundPatch(int32_t level, int32_t i, int32_t j, bool needsClip);
    void DrawFlatGroundPatch(int32_t level, int32_t i, int32_t j, bool needsClip);
    // Sky, outside ground, marker, skirts and exit zones.
    void DrawOutsideWorld();
    void DrawOutsideWorldColor(float a);
    // Camera.
    void PositionCamera();
    void BogusRotate(float rate);
    void RotateCameraAbsolute(float degrees);
    void BogusMove(char direction, float step);
    void BogusLoft(bool up);
    void JumpToCameraLoft(int32_t level);
    void KeyPad(int32_t key);
    void Refresh();
    float DistanceToCamera(float x, float y, float z, float* fovOut) const;
    // Textures.
    void MakeTextures(bool flag);
    void DeleteTextures();
    // Frees the textures and the crew dummies; the destructor calls it.
    void ReleaseDrawState();
    void MakeNationalTextures(Nation nation);
    void MakeSmallArmsTexture(int32_t i);
    void MakeCrewDummy(Force force, Uniform uniform);
    void MakeCrewDummyTextures();
    void LoadDoodadTexture(int32_t type, int32_t variant);
    int32_t GetOverlayTextureIndex(const Square* s, int32_t slot, int32_t* underLayer) const;
    void SetTracerTexture(Affiliation side);
    void SetFlameTexture();
    void SetTireTexture();
    void SetShrapnelTexture(int32_t i);
    void SetSparkTexture(int32_t i);
    void SetRubbleTexture();
    void SetLastFireTexture();
    // Markers, lines, landmarks and weather.
    void DrawSetupZones();
    void DrawSetupWall(bool cap, float x1, float y1, float x2, float y2);
    void DrawExitZone(Direction edge, bool ownSide);
    void DrawFlags();
    void DrawOneFlag(VictoryFlag* flag);
    void SetConformingLineTexture(int32_t row);
    void DrawConforming3DLine(bool textured, bool wide, float x1, float y1, float z1, float x2, float y2, float z2);
    void DrawLandmarks();
    void DrawOneLandmark(Landmark* landmark);
    void DrawWeather();
    // Overlays, trees, doodads, fires and smoke.
    void DrawOverlays();
    void DrawTrees();
    void CreateDoodads(int32_t column, int32_t row);
    void DrawDoodads();
    void DrawFires();
    void DrawSideViewFire(int32_t pattern, float x, float y, float heightScale, float spread);
    void DrawOneFire(float x, float y, float radius, float height, float topFactor, bool inLocalFrame);
    void StartFireSoundEffects();
    void ClearReplaySounds(bool keepLoops);
    void DrawSmoke();
    int32_t DrawSmokeColumn(int32_t column, float x, float y, float size, bool shell, int32_t kind, bool faint,
                            float age, float opacity);

    // ------------------------------------------------ battle screen (app/)
    // The map view, its picking, the order flow and the map's sounds;
    // defined with the battle screen and never called by the simulation.
    void CreateView();
    void DeleteView();
    void ShowMap(bool show);
    void SetMessage(GString* text);
    void ToggleCameraLock(Unit* unit);
    void EnsurePointIsVisible(float x, float y);
    void HandleMenuKey(char key);
    void SetCraterPlacingStatus(int32_t status);
    void EditorCraterClick(float x, float y);
    bool FoxholePlacingOffered() const;
    // Foxholes are dug only in the set-up: the mode ends with it.
    void EndFoxholePlacing() {
        if (mCraterPlacingStatus == 5) mCraterPlacingStatus = 0;
    }
    // The placing mode in force: a foxhole mode left on where foxholes are
    // no longer offered (the set-up over, the other side's view) ends here.
    int32_t PlacingStatus() {
        if (mCraterPlacingStatus == 5 && !FoxholePlacingOffered()) mCraterPlacingStatus = 0;
        return mCraterPlacingStatus;
    }
    void BoxSelectStart(int32_t x, int32_t y);
    void GetMultiselectRect(LongRect* rect) const;
    void DesireUnitPick(bool wanted);
    void SetPickedUnit(Unit* unit);
    void SetPickedBuilding(Building* building);
    void AdjustXYForBuildingPick(float* x, float* y, Building** picked);
    void BringUpOrdersMenu(bool fromHold);
    void CreateGunChoiceMenu(Unit* unit);
    void CreateFloorChoiceMenu(Unit* unit);
    void CloseOpenMenu();
    void RespondTo3DOrder(int32_t state);
    void RespondToOrder(int32_t order, bool toPickedWaypoint);
    bool AssignMoveOrders(bool final);
    void AssignTargetOrders();
    bool SetupUnit(bool onTransport, bool intoCarrier);
    void ActivateFlag();
    // Drops every reference of the screen to a unit that goes.
    void ForgetUnit(Unit* unit);
    void PlaySoundEffect(ActionPacket* packet);
    void RemoveUnitEngineSound(Unit* unit);
    // The unit balloon and the hot-key help window.
    void ToggleUnitInfo();
    void ClearInfoBalloon();
    void UpdateInfoBalloon();
    void ShowHotkeys();
    // The line of the interaction state from the selected unit to the
    // pointer with its texts, drawn after the map.
    void DrawLOS();
    void DrawPickTargetLine();
    void DrawSightLine(bool pick);
    void MaybeShowHullDown(unsigned char r, unsigned char g, unsigned char b);
    void DrawSetupLine(bool placing, bool loading);
    void DrawDragAndMoveLines(bool newMove);
    void DrawArcChoiceLine(bool second);
    void ResetFOTarget();
    void MapShadowString(GString* text, int32_t x, int32_t y, int32_t justify, int32_t font, unsigned char r,
                         unsigned char g, unsigned char b, unsigned char sr, unsigned char sg, unsigned char sb);
    // The set-up zone code (0 none) of the square under the unit.
    int32_t GetSetupZone(Unit* unit) const;

    bool mPickWanted = false;
    Unit* mPickedUnit = nullptr;
    float mPickX = 0.0f, mPickY = 0.0f, mPickZ = 0.0f;
    int32_t mPickScreenX = 0, mPickScreenY = 0;
    float mDragOriginX = 0.0f, mDragOriginY = 0.0f, mDragOriginZ = 0.0f;
    int32_t mPointerX = 0, mPointerY = 0;
    int32_t mBoxStartX = 0, mBoxStartY = 0;
    int32_t mCraterPlacingStatus = 0; // 1..4 crater sizes, 5 foxholes
    PlayerMenu* mOpenMenu = nullptr;
    Unit* mTrackedUnit = nullptr;
    int32_t mCurrentOrder = 0;
    bool mAreaFireMode = false;
    bool mSetupChainPending = false;
    // Foxholes the defending player may dig in set-up (offered from 2 on),
    // 0..kMaxFoxholeAllowance, and how many of them are still to place. The
    // battle record keeps both; an operation hands its allowance to each of
    // its battles.
    static constexpr int32_t kMaxFoxholeAllowance = 99;
    int32_t mFoxholeAllowance = 0;
    int32_t mFoxholesLeft = 0;
    VictoryFlag* mActiveFlag = nullptr; // chosen by the flag order in set-up
    UnitInfoBalloon* mInfoBalloon = nullptr; // the open unit balloon, a child of the view
    bool mSmokeTarget = false;  // the target being placed is for a smoke order

    // Drawing state. Per-super-tile arrays are x-major (index = I * tiles
    // along y + J); level arrays hold whole metres, -999 when not flat.
    int32_t mLevelWidth[3] = {};   // patches along x per level (20, 40, 80 m)
    int32_t mLevelHeight[3] = {};
    std::vector<int16_t> mFlatHeight[3];  // square, patch and super tile levels
    std::vector<float> mSuperTileBottom;  // lowest rounded ground (m)
    std::vector<float> mSuperTileTop;     // highest rounded ground + 18 m
    std::vector<uint8_t> mSuperTileVisibility;  // 0 outside, 1 straddling, 2 inside
    std::vector<uint8_t> mFarTileDrawn;   // drawn this frame as one far fan
    uint8_t mGroundVariation[8][8] = {};  // 3..7, drawn at set-up
    int32_t mPreviousCameraLevel = 0;
    float mLevelTransition = 0.0f;        // 1 when a level step starts, down to 0
    float mCameraZ = 50.0f;               // eye height of the last frame (m)
    float mShake = 0.0f;                  // decaying camera shake (m)
    Unit* mLockedUnit = nullptr;          // followed by the camera; null = free
    float mLockHeadingOffset = 0.0f;      // degrees; 0 = along the weapon
    bool mPickInProgress = false;
    bool mWeatherMade = false;
    bool mDoodadsCreated = false;
    float mLineV0 = 0.0f, mLineV1 = 0.0f; // v range of the chosen line row

    // The texture table (owned; null when not made).
    GGraphic* mGroundTextures[156] = {}; // kGroundTextureCount (draw/OverlayIndex.h)
    Unit* mCrewDummies[36] = {};
    GGraphic* mDoodadRubbleTexture = nullptr;
    GGraphic* mWallTextures[3] = {};
    GGraphic* mSmallArmsTextures[48] = {};
    GGraphic* mNationalTextures[10] = {};
    GGraphic* mNationalPriorityTextures[12] = {};
    GGraphic* mSpecialPriorityTextures[14] = {};
    GGraphic* mBlastTextures[20] = {};
    GGraphic* mSmokeTextures[4] = {};
    GGraphic* mTreeTextures[60] = {};   // upright, by kind x 20 + variant
    GGraphic* mTreeTextures2[60] = {};  // crown seen from above
    char mTreeKinds[60] = {};           // width class of the upright picture
    // Wall types: 42, 44 first, 44 second, 16 first, 16 second, 43, always.
    GGraphic* mWallTypeTextures[7] = {};
    GGraphic* mTyreTexture = nullptr;
    GGraphic* mSkyTextures[3] = {};
    GGraphic* mNightLightTexture = nullptr;
    GGraphic* mGroundEdgeTextures[2] = {};
    GGraphic* mFlameTextures[3] = {};
    GGraphic* mTracerTextures[2] = {};
    GGraphic* mFlagPoleTextures[2] = {};
    GGraphic* mFireTextures[18] = {};
    GGraphic* mShrapnelTextures[8] = {};
    GGraphic* mSparkTextures[3] = {};
    GGraphic* mLastFireTexture = nullptr;  // not owned: one of mFireTextures
    GGraphic* mOpenGroundTextures[20] = {};
    GGraphic* mExitZoneTextures[2] = {};
    GGraphic* mLineTexture = nullptr;
    GGraphic* mDoodadTextures[56] = {};   // 4 x type + variant
    GGraphic* mCraterTextures[2] = {};    // shell crater, foxhole
    Building* mPickedBuilding = nullptr;  // found by the last pick, or null
    std::vector<WeatherParticle> mWeatherParticles;  // 1800 once made

    // ------------------------------------------------ fields
    int32_t mWidth = 0;           // squares along x
    int32_t mHeight = 0;          // squares along y
    int32_t mSquareCount = 0;
    float mWidthMetres = 0.0f;
    float mHeightMetres = 0.0f;
    float mHeightScale = 1.0f;    // metres per height unit
    int32_t mPointsX = 0;         // point-grid size
    int32_t mPointsY = 0;

    std::vector<uint16_t> mPoints;
    std::vector<Square> mSquares;
    std::vector<uint8_t> mLevels;      // level byte per square, from the file
    std::vector<int8_t> mFire;         // fire state per square: 0, 1..3, 5..7
    std::vector<uint8_t> mFireAge;     // turns a square has burnt; kBurntOut when done
    std::vector<float> mCornerHeight;  // (mWidth + 1) x (mHeight + 1), x-major
    std::vector<float> mCenterHeight;  // per square
    std::vector<float> mFarCornerHeight;
    std::vector<float> mFarCenterHeight;
    float mLowestEdgeElevation[4] = {};
    int32_t mElevationBandTexture[kElevationBands] = {};

    GList* mBuildings = nullptr;    // of Building
    GList* mWalls = nullptr;        // of Wall
    CraterGroup* mCraters = nullptr;   // kinds 0 and 1
    CraterGroup* mFoxholes = nullptr;  // kinds 2 and above
    GList* mLandmarks = nullptr;    // of Landmark
    GList* mTrees[kTreeLists] = {}; // of Tree, by density class
    GList* mSounds = nullptr;       // of MapSound (filled by the sound code)
    GList* mSoundLoops = nullptr;   // of MapSoundLoop
    GGroup* mSmokeShells = nullptr; // of SmokeShell (filled by the battle)

    // Camera per side (index = side), stored with the map.
    float mCameraX[2] = {};
    float mCameraY[2] = {};
    float mCameraHeading[2] = {};  // radians
    int32_t mCameraLevel[2] = {};  // 0..8
    // Camera of the current frame.
    float mCameraHeight = 50.0f;
    float mFieldOfView = 50.0f;
    float mEyeX = 0.0f;
    float mEyeY = 0.0f;
    // The side this map is shown to when no battle tells it (tests, tools);
    // read it through ViewingSide().
    int32_t mViewingSide = 0;
    int32_t mScreenWidth = 800;
    int32_t mWidthClass = 1;       // 0 up to 699 pixels, 1 up to 899, else 2

    // Smoke columns and flame patterns of the fire drawing, drawn from the
    // program's generator when the map is made.
    float mPuffX[kSmokeColumns][kSmokePuffs] = {};
    float mPuffZ[kSmokeColumns][kSmokePuffs] = {};
    float mPuffSpin[kSmokeColumns][kSmokePuffs] = {};
    float mPuffSpinRate[kSmokeColumns][kSmokePuffs] = {};
    int32_t mColumnAge[kSmokeColumns] = {};
    FlamePattern mFlamePatterns[kFlamePatterns][kFlamesPerPattern];
    uint8_t mFlameWall[kFlamePatterns][kFlamesPerPattern] = {};

    int32_t mDrawMode = 2;         // work state: 0 nothing, 1 2-D only, 2 battlefield
    MapView* mView = nullptr;
    HotkeyPanel* mHotkeyPanel = nullptr;
    bool mCameraInBuilding = false;
    bool mClipDirty = true;
    bool mLOSCacheOn = true;       // when off, sight answers are not cached
    bool mLastCraterWasFoxhole = false;
    bool mKeepOldMutables = false; // set by SaveOldMutables

private:
    friend class MapIO;
    friend struct MapState;
    friend struct SightTraceProbe;  // the trace's tests: the step-by-step reference

    struct Trace {
        float mX1, mY1, mZ1, mX2, mY2, mZ2;
        float mArc = 0.0f;            // shell arcs: the line rises mArc x t (1 - t) above the chord
        bool mGround = true;          // the ground blocks
        bool mSolids = true;          // buildings block
        bool mVegetation = true;      // woods, crops and large fires attenuate
        bool mWalls = true;           // walls block below their top
        float mStartExempt = 0.0f;    // features this near the start do not count
        float mEndExempt = 0.0f;
        float mWallExempt = 0.0f;     // walls this near either end do not count
        float mGroundExempt = 0.0f;
        float mGroundTolerance = 0.0f;
    };
    struct TraceResult {
        bool mBlocked = false;
        float mT = 1.0f;              // where along the line it stopped
        float mDepth = 0.0f;          // visibility lost: visibility = exp(-depth)
        Terrain mWall = 0;            // the wall that stopped it
    };
    void TraceLine(const Trace& trace, TraceResult* result) const;
    void WalkLine(const Trace& trace, TraceResult* result) const;
    // The plain walk, every 2 m step looked at: the answer WalkLine must give.
    void WalkLineByStep(const Trace& trace, TraceResult* result) const;
    void TestWallsOfSquare(const Trace& trace, int32_t square, uint32_t stamp, TraceResult* result) const;
    // Whether the walk would surely find the line below the ground somewhere
    // (then it answers blocked, wherever it stops first).
    bool SurelyBelowGround(const Trace& trace) const;
    bool CheckLOSNow(bool groundOnly, bool withSmoke, bool endCover, float x1, float y1, float z1, float x2,
                     float y2, float z2, float* visibility, float* length, float* blockX, float* blockY,
                     float* blockZ);
    float SmokeDepth(bool withSmoke, float x1, float y1, float z1, float x2, float y2, float z2, float* firstT);

    void CreateGroups();
    void DeleteGroups();
    void ClearGrid();
    float PointHeight(int32_t i, int32_t j) const { return mHeightOfCode[GetPoint(i, j) & 0x3ff]; }
    void ComputeHeightTable();
    void ComputeCornerAndCenterHeights();
    void ComputeLowestEdgeElevations();
    void SetDefaultCameras();
    void MakeSmokeAndFlames();
    // After the grid and groups are in place: everything derived.
    void FinishInit();
    void IndexWalls();
    int32_t FuelAt(float x, float y) const;
    void MarkFoxhole(const Crater* c);
    // The squares (of count along one axis) that the metres lo..hi touch;
    // false when none does or a bound is not a number.
    static bool SquareSpan(float lo, float hi, int32_t count, int32_t* first, int32_t* last);
    Crater* CraterCovering(CraterGroup* group, float x, float y, float* distance2 = nullptr) const;
    int32_t PacketSlice() const;

    float mHeightOfCode[1024] = {};         // height of each height code at mHeightScale
    // Buildings by square: those of square s are mBuildingOrder[mBuildingStart[s]
    // .. mBuildingStart[s + 1]), in group order.
    std::vector<int32_t> mBuildingStart;
    std::vector<Building*> mBuildingOrder;
    std::vector<uint8_t> mFoxholeMark;      // per square: a foxhole reaches into it
    // Walls by square (every square a wall's box touches), like the buildings.
    std::vector<int32_t> mWallStart;
    std::vector<int32_t> mWallOrder;        // indexes into mWallList
    std::vector<Wall*> mWallList;
    std::vector<Terrain> mWallTypes;        // the types of mWallList, each once
    mutable TraceMemo mTraceMemo;           // scratch: traces kept while a reuse scope is open

    // What a trace may skip: per square the highest ground under it and the
    // highest top of its cover (buildings, vegetation; the lowest float where
    // it has none). Kept
    // current by every change of the point grid or the height table (marked
    // dirty there, made again before the next trace); mMapChanges counts
    // every change of what a trace reads (points, heights, fires, walls).
    void MarkAllSquareTopsDirty();
    void MarkPointDirty(int32_t i, int32_t j);
    void NoteTraceInputsChanged() { ++mMapChanges; }
    void RefreshSquareTops() const;
    void ComputeSquareTop(int32_t square) const;
    // The two tops of a square side by side: the walk reads both at once.
    struct SquareTop {
        float mGround, mCover;
    };
    mutable std::vector<SquareTop> mTops;
    mutable std::vector<float> mGroundBottom;  // the lowest ground under the square
    // The same for blocks of 4 x 4 squares (column-major, like the squares).
    void ComputeBlockTop(int32_t blockColumn, int32_t blockRow) const;
    bool BlockHasFireOrWalls(int32_t blockColumn, int32_t blockRow, bool fire, bool walls) const;
    // Per block what BlockHasFireOrWalls answers (kBlockWalls, kBlockFire),
    // made again at the first trace after any change of the map (mMapChanges
    // counts every change of walls and fires).
    static constexpr uint8_t kBlockWalls = 1, kBlockFire = 2;
    void RefreshBlockFlags() const;
    bool BlockFlagsCurrent() const { return mBlockFlagsMade && mBlockFlagsAt == mMapChanges; }
    mutable std::vector<uint8_t> mBlockFlags;
    mutable uint32_t mBlockFlagsAt = 0;
    mutable bool mBlockFlagsMade = false;
    mutable std::vector<SquareTop> mBlockTops;
    mutable std::vector<int32_t> mDirtyTops;
    mutable std::vector<uint8_t> mTopDirty;
    mutable bool mAllTopsDirty = true;
    uint32_t mMapChanges = 0;
    uint32_t mInstance = 0;                 // this map's number among the maps made (from 1)
    int32_t mTraceReuseDepth = 0;
    bool mReferenceTrace = false;           // tests: every trace by the reference walk
    SightCache mSightCache;
    LOSMemo* mLOSMemo = nullptr;
    PathGrid* mPathGrids[2][kPathTypes] = {};
    struct MapState* mSaved = nullptr;      // the kept changeable state
    AIPathFinder mPathFinder;
    MapBattleLink* mBattleLink = nullptr;
};

// A batch of sight lines traced side by side into a memo of exact inputs,
// from which the map answers those very lines while this object lives (the
// sight cache is still asked and written as before). Owners fill
// mRequests, then Install.
class LOSMemoScope {
public:
    LOSMemoScope() = default;
    ~LOSMemoScope() {
        if (mMap) mMap->SetLOSMemo(nullptr);
    }
    LOSMemoScope(const LOSMemoScope&) = delete;
    LOSMemoScope& operator=(const LOSMemoScope&) = delete;

protected:
    // Traces the requests when there are at least `minimum` of them (fewer
    // are traced one by one as asked) and installs the memo.
    void Install(Map* map, int32_t minimum) {
        if (static_cast<int32_t>(mRequests.size()) < minimum) return;
        map->FetchLOS(mRequests, &mMemo);
        map->SetLOSMemo(&mMemo);
        mMap = map;
    }
    std::vector<LOSRequest> mRequests;

private:
    LOSMemo mMemo;
    Map* mMap = nullptr;
};

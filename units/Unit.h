#pragma once
// The base of every piece on the battlefield: its identity, place, state,
// orders, spotting, morale, fire and damage, and the one virtual interface
// that each kind (infantry, vehicle, fixed object, aircraft) overrides.
//
// Units never touch the screen or the sound device: they record what is to
// be seen and heard as action packets through the battle, and the battle
// may run without views (headless).

#include <atomic>
#include <cstdint>

#include "renderer/G3DObject.h"
#include "units/Enums.h"
#include "units/KillRecord.h"

class ActionPacket;
class GFile;
class GFuzzySet;
class GGraphic;
class GList;
class GString;
class GString15;
class Map;
class Infantry;
class PendingAttack;
class ScenarioCore;
class Vehicle;
class FlagsNode;
struct AIBasicFuzzies;
struct Path;
struct SpotParam;

using ObstacleKind = int32_t; // 0: no obstacle; 1 may be pushed aside; 3 blocks outright
using AirWeaponKind = int32_t;

constexpr int32_t kMaxWaypoints = 50;
constexpr int32_t kMaxSuppression = 1500;
constexpr int32_t kStatusTimeNever = 999999;
constexpr int32_t kStatusTimeArrived = 100000;
constexpr int32_t kFiringSignatureAfterShot = 800;
// The move stamp of a unit put for a moment where the enemy last saw it:
// never a real one, so the sight answers stored for either place do not mix.
constexpr int32_t kMarkerMoveStamp = -2;

// Kinds of waypoint.
constexpr int32_t kWaypointRetreat = 0;
constexpr int32_t kWaypointLegEnd = 1;
constexpr int32_t kWaypointPathPoint = 2;
constexpr int32_t kWaypointPathEnd = 3;
// The same numbers as the orders see them: active waypoints are being
// carried out, planned ones wait for the next action phase.
constexpr int32_t kWaypointActive = 0;
constexpr int32_t kWaypointActiveEnd = 1; // the last point of an order
constexpr int32_t kWaypointPlanned = 2;
constexpr int32_t kWaypointPlannedEnd = 3;

// One waypoint of a unit, the current one first.
struct Destination {
    float mX = 0.0f;
    float mY = 0.0f;
    float mZ = 0.0f;
    MovementSpeedType mOrder = kPaceDefaultMove; // 17 only rotates, 10 reverses
    int32_t mKind = 0; // 0 retreat, 1 end of an order's leg, 2 path point, 3 last point
    int8_t mOnBuildingLevel = 0;
    int8_t mHide = 0; // hide on arrival
};
using Waypoint = Destination;

// The scan of Unit::NearestUnitOfSide: units of the side other than
// mSide (an Axis flag) that lie nearer the point than mBest lower it.
struct NearestUnitSearch {
    float mBest = 0.0f; // metres
    float mX = 0.0f;
    float mY = 0.0f;
    char mSide = 0;
};

// Where a waypoint was first ordered (the limit of moving it).
struct OrderPoint {
    float mX = 0.0f;
    float mY = 0.0f;
    int8_t mFlag = 0;
};

// A unit's side (set for the Axis), read as a char. A unit list that keeps
// its units by side watches each unit it lists (Watch); every change of a
// watched unit's side (set, or assigned with the whole unit) is counted, so
// that the list can tell whether it still holds. Copies are not watched:
// a unit not yet listed cannot make a list out of date.
class UnitSide {
public:
    UnitSide() = default;
    UnitSide(const UnitSide& other) : mSide(other.mSide) {}
    UnitSide& operator=(const UnitSide& other) {
        Set(other.mSide);
        return *this;
    }
    UnitSide& operator=(char side) {
        Set(side);
        return *this;
    }
    operator char() const { return mSide; }

    void Watch() { mWatched = true; }
    // The number of changes of every watched unit's side so far.
    static uint64_t Changes() { return sChanges.load(std::memory_order_relaxed); }

private:
    void Set(char side) {
        if (side == mSide) return;
        mSide = side;
        if (mWatched) sChanges.fetch_add(1, std::memory_order_relaxed);
    }

    char mSide = 0;
    bool mWatched = false;
    static inline std::atomic<uint64_t> sChanges{0};
};

class Unit : public G3DObject {
public:
    Unit();
    ~Unit() override;
    Unit(const Unit&) = delete;
    // A member-wise copy of every Unit field (a squad's new half starts as
    // one); the custom name is copied, not shared, and the kill records are
    // copied whole.
    void CopyUnitPartFrom(const Unit& other);

    // ---- Construction and identity -------------------------------------
    // Sets the place, force and experience; sets the Axis flag from the
    // force's nation and the alive flag. The data-driven part is skipped
    // while mSkipSetup is set.
    void IUnit(float x, float y, float z, Force force, ExperienceLevel experience);
    UnitType GetUnitType(int32_t* subtype) const;
    Affiliation GetAffiliation() const { return mSide ? kAxis : kAllies; }
    bool IsAxis() const { return mSide != 0; }
    void SetIDCode(char company, int32_t platoon, int32_t unit);
    int32_t GetCompanyNumber() const;
    int32_t GetPlatoonNumber() const;
    int32_t GetUnitNumber() const;
    void AssignID();
    static void ResetUnitIDNumbers(bool starting);
    uint32_t UniqueID() const;
    void ConcatID(GString* text) const;
    WeaponType GetWeaponType();
    WeaponClass GetWeaponClass();
    float GetRarityFactorX(int32_t date, const char codes[]) const;
    bool CampaignDeployOK() const { return true; }
    // Draws a leader's name not yet borne in the nation's table.
    void AssignSergeantName();
    // The first unit of the battle (else the operation) that has this
    // level-1 leader as its platoon leader; with alive, only active units
    // that have not surrendered. Null for any other unit.
    Unit* PlatoonSubordinate(bool alive);
    // Links the unit to the leader in whose command it stands (mHQ).
    void CheckLeadership();

    // ---- Geometry ------------------------------------------------------
    float DistanceToLocation(float x, float y);
    bool PointedWithin(float facing, float arc, float x, float y) const;

    // ---- Sight ---------------------------------------------------------
    bool IsSpottedNow() const;
    bool ShowsSpotMarker() const;
    bool IsOwnUnit(Affiliation viewingSide) const;
    FogOfWarContact VisibleToPlayer(bool ignoreHidden);
    FogOfWarContact VisibleToSide(bool side, bool ignoreHidden);
    bool GetApparentLocation(float* x, float* y, float* z);
    bool GetApparentLocationToSide(bool side, float* x, float* y, float* z);
    void ResetSpotSliceCount();

    // ---- Covered arc ---------------------------------------------------
    bool InCoveredArc(float x, float y, Unit* target, bool* armourOnly) const;
    void CoveredArcFacePoint(float* x, float* y) const;
    void StoreArc(bool firm, float x, float y);
    void StoreMaxArc(float x, float y);
    void Store180Arc(float x, float y);
    void CancelCoveredArc();

    // ---- Orders and state ------------------------------------------------
    bool HasMovementOrders() const;
    bool LastWaypointIsRotation() const;
    void GetFinalDestination(float* x, float* y, char* flag) const;
    void SetSuppression(float s, bool keep);
    void ShiftCasualtiesToOld();
    // The surviving crew leaves as a new infantry unit; null when none do.
    Infantry* BailOut(bool clearAmmo, bool delayed);
    void ShoutTankHit(Vehicle* hit, bool penetrated);
    // Orders the unit out of a burning square.
    void EscapeFromFire();
    // The voice of a fire order at the current target.
    void ShoutFireOrders();
    // An infantry unit whose heavy weapon calls down indirect fire.
    bool IsForwardObserver();
    float SurvivorFraction();
    int32_t SuppressionBand() const;
    // Full strength in men by the data record: infantry men, vehicle crew,
    // one for an aircraft, none for a fixed object.
    int32_t GetOriginalNrMen() const;
    // The scenario's exit mark on a kind that can leave the map for points
    // (infantry and vehicles; a mark on anything else counts for nothing).
    bool MarkedForExit() const {
        return mExitMark && (mUnitType == kUnitInfantry || mUnitType == kUnitVehicle);
    }
    // The unit left the map in being (state 2) over its side's exit edge.
    bool LeftByExitEdge() const;
    void PrepareForPlayback();
    void UpdateFireAnimationClock(int32_t now);

    // ---- Geometry, sight and targets of the unit rules -------------------
    float AspectToLocation(float x, float y, bool gun, bool fold);
    bool AbleToFaceUnit(Unit* other);
    float ApparentDistanceToUnit(Unit* other);
    Terrain GetOccupiedTerrain();
    float GetGenericTEM(float x, float y, bool moving, bool fromAbove);
    bool AllowedToDigFoxhole();
    Unit* UnspottedWireOrRdBlkAt(float x, float y, float& ox, float& oy);
    bool IsNearBoresight();
    bool SeeLiveEnemy(bool strict);
    bool CanSee(Unit* other, float* visibility);
    bool CanSeeLocation(float x, float y);
    bool CanSeeLocationForAreaFire(float x, float y);
    bool InCover(bool strict);
    // In cover, or (useTEM) exposed below 0.47 to a look from (x, y).
    bool InComplexCover(bool strict, bool useTEM, float x, float y);
    // The height aimed at on the area target: the ground or building floor.
    float GetTargetXYZ_helper();
    bool CanShowStopHideButton();
    // The acquisition level 0..4 that the unit's motion and the target's
    // allow it to use against that target.
    int32_t LimitAcquisition(Unit* target, WeaponClass wclass);
    // mExperience with the battle's bonus for the computer's side, 0..8;
    // no leader bonus.
    ExperienceLevel BaseExperience();
    // This unit, as spotter, raises the block's best level to what it
    // achieves on the unit looked for.
    void Spot(SpotParam* param);
    // The optics rating for spotting, and the tracking factor of aim and
    // hit chance at a distance (m) and a crossing speed (m/s).
    float OpticalQualitySpot();
    float OpticalQualityTrack(float distance, float speed);
    // The best contact level that the enemy (or only that unit) has on
    // this unit, hearing it within hearingRange.
    FogOfWarContact SpotLevelX(float hearingRange, float rangeFactor, Unit* only);
    bool CanPotentiallyTarget(Unit* target);
    // Drops the target; forget also drops the ordered one, force also ends
    // an observer's running fire mission.
    void CancelTarget(bool forget, bool force);
    void ResetAimClock();
    bool TargetShouldBeLocked();
    bool OKForPinnedToFireAt(Unit* target);
    // Predicates for GGroup::Find over the battle's units; context is the
    // asking unit.
    static bool SpottedEnemyInCoveredArc(GObject* member, void* context);
    static bool NotSeenByEnemyInfantry(GObject* member, void* context);
    // GGroup::Find scan: lowers context's best distance (a NearestUnitSearch).
    static bool NearestUnitOfSide(GObject* member, void* context);
    void CycleToNextTarget();
    ExperienceLevel GetEffectiveExperience(LeadershipType kind);
    float AdjustFPByExperience(float value, bool strict);
    float AdjustVPByEditor(float value);
    bool InLeadership();

    // ---- The computer opponent's target choice -------------------------------
    // Runs one target search and may switch mTarget; true when a search ran.
    bool AIMaySwitchToNewTarget(bool force);
    // A target for the unit's secondary small arms, or null.
    Unit* TargetSecondarySmallArms();
    // The first ammunition class for the current target (mAmmoClassInUse).
    void AIMakeInitialAmmoSelection();
    // The unit's ability to harm the target, 0 to 3.4.
    float AIGetAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover, bool suppression,
                                     DataKnowledge own, DataKnowledge known, bool overrun);
    // The steps of the target choice (ai/): each one works on this unit as
    // the scorer unless it says otherwise; every estimate puts back any
    // targeting state it sets for a moment.
    void AIScoreSecondaryTarget(Unit* candidate);
    // On the unit being valued: its value as labels 0..2 (low..high).
    void AIGetVPValue(GFuzzySet* set, bool doubled, DataKnowledge k);
    void AILimitTungstenUse(float hitChance, Unit* target, float* value);
    void AIPlacedShellError(Unit* target, int32_t flightTime, WeaponClass wclass, bool weaponFlag, AmmoClass ammo,
                            float* errA, float* errB);
    float AIGetHitChance(AmmoClass ammo, int32_t flightTime, Vehicle* target, DataKnowledge k);
    // The ability to harm times factor as labels 0..3.
    void AIGetAbilityToHarm(GFuzzySet* set, Unit* target, AmmoClass ammo, bool broad, bool cover, bool suppression,
                            float factor, bool overrun);
    // On the candidate: its threat to the scorer as labels 0..3.
    void AIComputeThreat(GFuzzySet* out, Unit* scorer, bool inArc, bool ammoIsSmoke, bool limitsAttention);
    void AIComputeUrgency(GFuzzySet* value, GFuzzySet* threat, GFuzzySet* out, bool inArc, bool ammoIsSmoke,
                          bool limitsAttention);
    void AIComputeAmmoLevel(AmmoClass ammo, Unit* target, GFuzzySet* out);
    void AITemperUrgencyWithAmmo(GFuzzySet* ammoLevel, GFuzzySet* urgency, bool ammoIsSmoke);
    void AIComputeDesirability(Unit* candidate, GFuzzySet* value, GFuzzySet* urgency, GFuzzySet* out);
    void AIComputeAppropriateness(Unit* candidate, AmmoClass ammo, GFuzzySet* ammoLevel, GFuzzySet* out);
    // Seconds until the weapon bears on the candidate.
    float AIGetTimeToBear(Unit* candidate);
    // The candidate's score 0..1 with that ammunition class.
    float AIGetTargetFuzzyScore(Unit* candidate, AmmoClass ammo);
    float AIComputeFinalScore(GFuzzySet* desirability, GFuzzySet* appropriateness, Unit* candidate);
    void AITryOneAmmoScore(float* best, Unit* candidate, AmmoClass* bestClass, AmmoClass ammo);

    // ---- Fire and sound records -------------------------------------------
    // One shot of the ammunition class at mTarget or the area target: the
    // shell packet, the attack, dust, sound and the aim bookkeeping.
    void Fire(AmmoClass ammo, int32_t soundVariant);
    void TickAmmo(AmmoClass ammo);
    void AimAndElevate(bool quick);
    float GetHitChance(AmmoClass ammo, int32_t time, Vehicle* target, DataKnowledge k, MGPenetration mg);
    float GetRoughAbilityToDamage(GString* text, AmmoClass ammo, Vehicle* target);
    // Flight time in slices (at least 2) of the weapon's round to the
    // point; aimDelay receives the aim delay in slices, distance the 3-D
    // distance in metres.
    int32_t CalculateTimeOfFlight(WeaponType weapon, WeaponClass wclass, AmmoClass ammo, int32_t* aimDelay,
                                  float x, float y, float z, float* distance);
    // The two components of the shell error against the target.
    void CalculatePlacedShellError(bool expected, bool observed, Unit* target, float x, float y, int32_t time,
                                   WeaponClass wclass, bool flag, AmmoClass ammo, float* errA, float* errB);
    int32_t GetSmallArmsShift(float range);
    ActionPacket* PrepareAnimatedShell(WeaponClass wclass, WeaponType weapon, int32_t flightTime,
                                       int32_t aimDelay, float distance);
    // One draw against GetHitChance on mTarget; chance receives it.
    bool DetermineHit(AmmoClass ammo, int32_t time, float* chance);
    // A fired direct shot at the target vehicle becomes a pending attack,
    // and on a miss a miss point on the ground.
    void ExecuteToHit(ActionPacket* shell, WeaponClass wclass, WeaponType weapon, AmmoClass ammo,
                      int32_t flightTime, int32_t delay);
    // Divisor of the target size by effective (combat) experience.
    float ExperienceToHitMultiplier();
    // Every shot that is not a direct shot at a vehicle: bullets, indirect
    // fire, canister and placed shells at (x, y, z). Null without a battle.
    PendingAttack* OtherAttack(ActionPacket* shell, WeaponClass wclass, WeaponType weapon, MGPenetration mg,
                               AmmoClass ammo, int32_t flightTime, int32_t delay, float x, float y, float z);
    // Raises the aim height until the flight path reaches the aim point.
    void AdjustAimPoint(int32_t flightTime, float* x, float* y, float* z);
    // Deafens the units around the firer by the weapon's loudness.
    void DeafenByFire(WeaponType weapon, WeaponClass wclass);
    // A sound of that kind (engine 5, hits, ...) at the current slice.
    ActionPacket* AddSoundEffect(int32_t sound);
    // The report of a shot fired at the slice from range metres.
    void AddSoundEffectFire(WeaponClass wclass, WeaponType weapon, float range, int32_t slice);
    ActionPacket* AddSoundEffectExplosion(int32_t slice, WeaponType weapon, AmmoClass ammo, float x, float y);
    // A shout with chance percent, after fromSeconds to toSeconds.
    ActionPacket* AddSoundEffectVoice(VoiceType voice, int32_t chance, float fromSeconds, float toSeconds);

    // ---- Waypoints and orders -----------------------------------------------
    bool CanDoOrder(int32_t order);
    // The parts of CanDoOrder other rules share: able to move by orders,
    // armed for fire orders, and (in the set-up) some own vehicle could
    // carry it.
    bool CanMoveByOrders();
    bool HasWeaponForOrders();
    bool CanBoardInSetup();
    // Box selection: the mark this frame gives the unit (drawing, state 14).
    void MarkForBoxSelection(Map* map);
    int32_t AvailableWaypoints(int32_t order);
    int32_t MaxAllowedWaypoints() const { return kMaxWaypoints; }
    // Replaces the waypoints by the path's points (at most 50), each with
    // that pace on the ground; the last one ends the path.
    void StorePath(const Path* path, MovementSpeedType pace);
    void OrdersDelay(bool convert, bool firstTwoOnly);
    void ConvertWaypointsToActive();
    bool LockedIntoMovementOrders();
    bool WaypointInbounds(int32_t index, float x, float y);
    float GetMaxWaypointAdjustment();
    // Splices a found path in place of the first waypoint.
    void InsertPath(const Path* path, MovementSpeedType pace);
    // Path points that a splice left beyond 50 are dropped, the goal kept.
    void TrimSplicedWaypoints();
    void DeleteLastWaypoint();
    void DeletePlannedMidWaypoint(int32_t index);
    void MoveWaypoint(int32_t index, float x, float y);
    void ChangeWaypointSpeed(int32_t order);
    void RemoveCurrentRotation();
    bool CanSetupAt(float x, float y, Vehicle* carrier);
    bool ChangeSetup(float x, float y, bool place, Vehicle* carrier, bool skipCheck);
    void LeaveCarrierForSetup(Unit* unit);
    void CorrectFloor();
    Terrain ModifyTerrainForBridge(Terrain terrain);
    float ModifySpeedForBridge(float speed, Terrain terrain, float* z);
    void StopBodyRotation();
    bool RotateBodyToward(float x, float y, bool reverse);
    void LookAhead();
    bool ManeuverAroundObstacle(bool sidestep, bool narrow, bool force);
    int32_t SewerMoveMinutes(float distance);
    void AddOneArtilleryMinute();
    void ResetAnimTrax();
    // Marks a destination the unit was sent to but cannot move to.
    void MakeDestinationStubs(float x, float y);

    // ---- The computer opponent's unit moves (ai/) ---------------------------
    // Finds a path to (x, y) and stores it as the unit's waypoints at the
    // pace the situation asks; *exposed (may be null) is set when the first
    // 60 m of an infantry path leave cover.
    void AIMakePathTo(float x, float y, bool combat, bool scatter, bool* exposed);
    // The unit's wish for a combat move and (objective may be null) for a
    // move toward its group's objective, objectiveDistance metres away.
    void AIRateFuzzies(float objectiveDistance, float* combat, float* objective);
    // A move toward a point of the node; false when the unit stays.
    bool AIDoObjectiveMove(FlagsNode* node, bool* exposed);
    // The score of one 20 m square for a combat move, or of the unit's own
    // place for column -999; -1 for an unusable square.
    float AIScoreTileForCombatMove(int32_t column, int32_t row, GList* enemies, float ignored, float* x, float* y,
                                   Unit** enemy);
    // Called on a temporary copy: the target the unit would choose, and its
    // ability to harm it into the record.
    void AIGetProjectionOntoPseudoTarget(AIBasicFuzzies* record, float harmFactor);
    // The ratings' steps.
    void AIRateBasicFuzzies(AIBasicFuzzies* record, float objectiveDistance);
    float AIRateCombatMove(AIBasicFuzzies* record);
    float AIRateObjectiveMove(AIBasicFuzzies* record, float objectiveDistance);

    // ---- Texts and drawing hooks (drawn by the drawing code) -------------
    // The leader's name, after the rank abbreviation and a space withRank.
    void GetSergeantName(GString* text, bool withRank);
    // The terrain text at a point, and at the unit's own place, with the
    // terrain's picture code.
    void GetTerrainString(GString* text, float x, float y, bool upper, int32_t* symbol);
    void GetTerrainStringOcc(GString* text, int32_t* symbol);
    GGraphic* GetRankPortrait(Uniform uniform, int32_t variant, int32_t rank);
    void DrawItself(float a, float b, float c);
    void DrawTargetLine(bool all);
    void DrawIncomingTargetLines();
    void DrawHQLines();
    bool DrawNewMoveLine(float x, float y, float z, int32_t order);
    void DrawOneMoveLine();
    void GetUnitScreenCenter(int32_t* x, int32_t* y);
    void ShowRecoil(float s);
    void DrawGunflash(float scale, float x, float y, float z);

    // ---- Links and files (the kind part follows the Unit part) ----------
    // Between turns: the values the record keeps at a lower precision become
    // what it holds, and the values it does not keep become what a load
    // gives them, so that the next turn goes on alike whether or not the
    // game was saved and loaded in between. Draws nothing from the generator.
    void SettleAsSaved();
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    // False when the record was damaged (the stream is then unusable).
    bool ReadUnitPart(GFile* file);
    void WriteUnitPart(GFile* file);
    // Whether the last Read met a damaged record.
    bool RecordDamaged() const { return mRecordDamaged; }

    // =====================================================================
    // The virtual interface: with GObject's five, 155 operations in a fixed
    // order that every kind shares. Kinds override what applies to them; the
    // base versions are the defaults every kind may fall back on.
    // =====================================================================

    // Graphics, identity and links in files
    // A unit owns the graphics it makes: DeleteTextures frees them,
    // NullifyTextures (false) forgets them without freeing (a shallow copy
    // that must not free its original's), the destructor frees what is left.
    virtual void MakeTextures(bool skipPortraits);
    virtual void DeleteTextures();
    virtual void NullifyTextures(bool deleteThem);
    virtual void LoadOut(uint16_t* counts, uint8_t* extras, int32_t n);
    virtual void ChooseUniform() {}
    virtual void CorrectReadUniform() {}
    virtual void ReadPassTwo(ScenarioCore* scenario);
    virtual int32_t Rank() { return 0; }
    virtual Nation GetNation();
    virtual void ReceiveTargetOrders(Unit* target, float x, float y, bool lock, int32_t mode);
    virtual bool CanTransport(Unit* passenger, bool quiet, bool check) { return false; }
    virtual void ConcatName(GString* text, bool full) = 0;
    virtual bool Clean() { return true; }
    virtual void ResetModelCoords() {}
    virtual void CleanUpLinks();
    virtual void Refit();
    virtual void ClearBrokenLinks(GList* list);

    // Transport, movement and placement
    virtual bool HasHeavyWeapon(DataKnowledge k) { return false; }
    virtual bool IsPassenger(bool inside) { return false; }
    virtual bool Embark() { return false; }
    virtual bool CanMovePhysically() { return !mImmobile; }
    virtual bool CouldMoveIfNotBogged() { return false; }
    virtual SpeedClass GetSpeedClass() { return CanMovePhysically() ? kSpeedUnencumbered : kSpeedCannotMove; }
    virtual int32_t PathType() { return 0; }
    virtual float RotationSpeed() { return 0.0f; }
    virtual float MoveSpeed(float* floor) { return 0.0f; }
    virtual void Move() {}
    virtual bool AbleToFaceLocation(float x, float y) { return false; }
    virtual bool IsStopped() { return false; }
    virtual void Stop(bool alsoTurning);
    virtual void CancelMovementOrders();
    virtual void ReceiveMoveOrders(float x, float y, int32_t order, Vehicle* carrier, bool quiet,
                                   bool replace, bool recompute, bool planned);
    virtual void ShiftGears(Unit* other, MovementSpeedType pace, bool reverse, float x, float y) {}
    virtual bool CanOccupyLocation(float x, float y, bool useGrid);
    virtual bool InSetupZone(float x, float y);
    virtual bool AllowedInsideBuilding() { return false; }
    virtual bool ViolatesStackingLimits(float x, float y, float floor, Infantry** other) { return false; }
    virtual bool AbideByStackingLimits(bool mayPush, Infantry* other) { return false; }
    virtual int32_t StackingPriority() { return 0; }
    virtual bool StampToMap() { return false; }
    virtual bool PlopDown(float x, float y, bool a, bool b, bool c);
    virtual bool WillDigFoxhole() { return false; }
    virtual bool CanReceiveOrders();
    virtual bool CanShowHideButton();
    // The hide state that order 36 flips: the unit's own without waypoints,
    // else its last waypoint's. Orders 55 and 56 give 36 only to the units
    // of a multi-selection whose state differs from the wanted one.
    bool HideOrderToggled() const;
    // Counts n men just lost among the hidden casualties unless the enemy
    // sees the unit at full contact (as the killer's seen tally does).
    void CountUnseenLosses(int32_t n);
    // Moving or turning by the speed and turn rate its last action packet
    // gave, or climbing between floors: the camera's ride shake and the
    // panel's current order follow it.
    bool InPlaybackMotion() const {
        return mPlaybackSpeed != 0.0f || (mZ > 0.0f && mZ < 1.0f) || mTurnRate != 0.0f;
    }
    virtual float GetExitValue(bool* exited, bool count);
    virtual float GetOccupationScore(float x, float y, bool* pair) { return 0.0f; }
    virtual ObstacleKind IsObstacleTo(Unit* mover) { return 0; }
    virtual bool IsBurning() { return false; }
    virtual bool IgnoresMovingObstacles() { return false; }

    // Place, targets and damage as other units see them
    virtual void AISetLocation(float x, float y);
    virtual float AspectTo(Unit* other, bool gun, bool fold);
    virtual void ClearAsTarget(bool keepOrdered, bool quiet);
    virtual bool CanBeDamaged();

    // Spotting
    virtual void BeSpotted(bool reset, bool force);
    virtual FogOfWarContact SpotLevel(bool atMarker, Unit* spotter) { return kContactNone; }
    virtual void SpotterMods(Unit* target, float* sight, float* hearing);
    virtual float SpottingRange(Unit* spotter) { return 0.0f; }
    virtual bool IsHiding(bool strict) { return false; }
    virtual bool TacAICanSee(Unit* target);
    virtual int32_t GetOpticalType() { return 0; }
    virtual bool HaveBinoculars() { return false; }
    virtual bool UsingBinoculars(Unit* target) { return false; }
    virtual float GetZ();
    // The battle map's ground height at the unit's place (0 without a map),
    // kept while neither the place nor the map's heights change.
    float GroundUnderUnit();
    virtual float LOSBoost() { return 0.0f; }
    virtual void CheckBuildingOccupancy() {}

    // Playback and packets
    virtual void ProcessTimeSlice(int32_t upTo, int32_t now, int32_t elapsed);
    virtual void AdjustPassengerSetup() {}
    virtual void AdvanceAnimation() {}
    virtual void ResetTargetSliceCount();
    virtual void FillPassengerOrCarrier(ActionPacket* packet) {}
    virtual void RollupLinks();
    virtual void UnrollLinks();

    // The action phase
    virtual void ProcessPassengerOrCarrier(ActionPacket* packet) {}
    virtual void PrepareForAction();
    virtual void MasterControl();
    virtual void FlushLastPacket(int32_t s);
    virtual void ResurrectStraggler() {}
    // The unit's visible state as a new unit packet (null without a battle),
    // and the state taken back from one in playback.
    virtual ActionPacket* FillPacket();
    virtual void ProcessActionPacket(ActionPacket* packet);
    virtual void CompletePlayback();
    virtual void ResetAnimation() {}
    virtual void RandomStartFrame(int32_t animation, int32_t* a, int32_t* b, int32_t* c);
    virtual void SetFiringAnimation() {}
    virtual void Resurrect() {}
    virtual void ProcessDeadVehicle() {}
    virtual void ApplyFatigue() {}
    virtual void StartEngineSound() {}
    virtual void ComputeAction() {}

    // Morale and state
    virtual void FearReaction() {}
    virtual void Rally();
    virtual void ExitMap();
    virtual void Die();
    virtual bool InGoodOrder();
    virtual bool PreBail() { return false; }
    virtual void Tilt(bool draw) {}
    virtual void AddSoundEffectMove(bool moving) {}

    // Weapons and targets
    virtual MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k);
    virtual bool HasOrdnance(bool a, bool b) { return false; }
    virtual bool HasFunctioningWeapon();
    virtual bool IsArmoredVehicle(DataKnowledge k, bool strict) { return false; }
    virtual bool IsSupportWeapon(bool strict) { return false; }
    virtual bool HasAntiArmorWeapon(bool strict) { return false; }
    virtual bool AllowedToTarget() { return false; }
    virtual bool IsSniper() { return false; }
    virtual bool CanChangeTarget();
    virtual bool LATWInBuilding() { return false; }
    virtual bool HasLowAmmoStatus() { return false; }
    virtual bool WantsToLimitTargetingAttentionToDirectThreats() { return false; }
    virtual int32_t GetAmmoProfile() { return 0; }
    virtual AmmoClass ChooseAmmo(Unit* target, bool allowCanister);
    virtual bool InRange(float distance, bool strict, float factor) { return false; }
    virtual float SmallArmsFirepower(float range, MGPenetration* out, bool a, bool b) { return 0.0f; }
    virtual float FullAimTime(bool a, bool b) { return 0.0f; }
    virtual float FullLoadTime(bool a, bool b) { return 0.0f; }
    virtual float CloseRangeFireFactor() { return 0.0f; }
    virtual float AdjustGunElevationForBodyTilt() { return 0.0f; }
    virtual bool ShowShellToEnemy() { return false; }
    virtual float GetWeaponFacing() { return mHeading; }
    virtual bool CanChangeButtonStatus(bool* buttoned) { return false; }
    virtual bool WithinFOAdjustment(float x, float y, bool* reset) { return false; }
    virtual int32_t MaxAllowedAmmo(int32_t* maximum);
    virtual float GetTEMFromLocation(float x, float y, float z, bool moving, bool fromAbove, bool halfFoxhole,
                                     WeaponClass wclass, bool raw, float* exposure);

    // Command
    virtual bool IsLeader(int32_t* level) { return false; }
    // Whether the unit's type makes up a platoon's core (a rifle squad; a
    // fighting armoured vehicle); not the platoon leader link, mPlatoonHQ.
    virtual bool GetPlatoonHQ() { return false; }

    // The computer opponent's questions
    virtual bool CanHitVehicleAt(float x, float y, DataKnowledge k) { return false; }
    virtual float AirTargetScore(AirWeaponKind weapon);
    // The hit areas of a vehicle as the shooter sees them: per area its
    // armour, aspect, face, share of hits and armour ratio; *count areas.
    virtual void AISetArmorValues(DataKnowledge k, Unit* shooter, bool broad, float hitChance, bool hullDown,
                                  float armour[], int32_t aspect[], bool face[], float share[], float ratio[],
                                  int32_t* count, float calibre) {
        if (count) *count = 0;
    }
    virtual float AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover,
                                                    bool suppression, DataKnowledge own, DataKnowledge known,
                                                    bool overrun);
    // Scores one candidate of a target search; a winner becomes gBestTarget.
    virtual void AIScoreTarget(Unit* candidate, bool full);
    virtual bool AIDoCombatMove(bool wide, bool mustMove);
    virtual void AIDoLoserMove(bool force) {}
    virtual int32_t AIDefensiveType();

    // Damage, losses and value
    virtual void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) = 0;
    virtual void TakeMineHit(bool reduced) {}
    virtual void BeAlertedByFire() {}
    virtual int32_t TallyCasualties() { return mCasualties; }
    virtual float GetVPValue(bool asNew, DataKnowledge k) { return 0.0f; }
    virtual float GetCasualtyVPLoss() { return 0.0f; }
    virtual bool ForceReadiness(int32_t* current, int32_t* total) { return false; }
    virtual void Resupply() {}
    virtual void Medic(bool randomise) {}

    // Texts and drawing (built by the drawing code; units keep the hooks)
    virtual bool UseKnockedOutPhrase() { return mUnitType == kUnitVehicle; }
    virtual bool DrawWhenDead() { return true; }
    virtual bool Abandoned() { return false; }
    virtual void DrawCode(bool needsClip, float scale, float factor) = 0;
    // The flat disc under a unit the viewer sees (drawn by the battlefield drawing).
    virtual void DrawBase(FogOfWarContact contact, bool b, float f1, float f2);
    virtual void ScaleForType(float* scale, float f1, float f2, float f3) {}
    virtual void PrintWarningLabel() {}

    // Fire decision and threat
    virtual bool AIWantsToFire(AmmoClass* ammo);

    // The scenario editor's colour of the unit's kind, and how rare it is
    // at the battle's date (1.0 for kinds that have no rarity).
    virtual int32_t EditorColor() { return 5; }
    virtual float GetRarityFactor() { return 1.0f; }

protected:
    // How much a unit's fire at that range threatens; the last of the table.
    virtual float AIRangedThreatFactor(float range) { return 1.0f; }

public:
    // =====================================================================
    // Fields
    // =====================================================================

    // Kind and identity
    UnitType mUnitType = kUnitInfantry;
    int32_t mSubtype = 0; // index of the kind's data record
    Force mForce = kForceDefaultAxis;
    Uniform mUniform = 0;
    UnitSide mSide;        // set for the Axis
    int32_t mPackedID = 0; // company, platoon (bits 11-21), unit
    uint16_t mIndex = 0;   // index in its side's list
    int32_t mLinkID = 0;   // unique identity kept for link roll-up
    bool mLinksRolledUp = false;
    int16_t mNameIndex = 0;           // -1: the name is in mCustomName
    GString15* mCustomName = nullptr; // owned
    ExperienceLevel mExperience = kExperienceRegular;
    uint8_t mLeaderSkills = 0; // command, combat, morale, stealth from bit 0
    int32_t mFitness = 0;
    int32_t mOperationStatus = 0; // 1 Allies, 4 Axis, 7 kept

    // Place and motion
    float mX = 0.0f;
    float mY = 0.0f;
    float mHeading = 0.0f; // degrees counter-clockwise from east
    float mZ = 0.0f;       // floor level: 0 ground, 1 upper floor, negative below ground
    float mFloorMarker = 0.0f;
    float mGunElevation = 0.0f;
    float mGunElevationGoal = 0.0f;
    float mPlaybackSpeed = 0.0f; // metres per slice, 0 while standing
    float mTurnRate = 0.0f;      // degrees per slice
    float mMoveProgress = 0.0f;
    int32_t mMovementMode = 0;
    float mMoveComponentX = 0.0f;
    float mMoveComponentY = 0.0f;
    bool mIsMoving = false;
    bool mHasMoved = false;
    bool mLookAhead = true;
    char mManeuverTries = 5;
    int32_t mManeuverSlice = -9999;
    int32_t mMoveStamp = -1;
    // GroundUnderUnit's kept answer: the height, the place and the map's
    // HeightsKey it holds for (0: none).
    float mKeptGround = 0.0f, mKeptGroundX = 0.0f, mKeptGroundY = 0.0f;
    uint64_t mKeptGroundKey = 0;

    // Life and state
    bool mActive = false; // alive and in play
    bool mImmobile = false;
    bool mKnockedOut = false;
    bool mDestroyed = false; // wrecked by a hit, by fire or by overturning (not only left)
    bool mTurretDislodged = false;
    // A prisoner: set by Infantry::Surrender and, for a side that gives up,
    // by Battle::EndEarly; kept in the unit's record.
    bool mSurrendered = false;
    bool mFreed = false;
    bool mExiting = false;
    int32_t mOffMapState = 0; // 0 on the map, 1-2 exited, 3 in the sewers
    int32_t mStatusTime = kStatusTimeNever;
    bool mGunKnockedOut = false;
    bool mPacketDirty = false;
    int32_t mFanatic = 0; // 0 not drawn, 1 ordinary, 2 fanatic
    bool mSkipSetup = false;
    int32_t mSetupZone = 0; // 0 any zone of its side, 1-6 that zone, 7 fixed
    int32_t mSelectionMark = 0; // 0, 1 inside the box, 2 multi-selected
    bool mMultiSelected = false;
    bool mMineNew = false;
    bool mHidden = false; // the unit core's hidden field
    float mAISortScore = 0.0f;
    int32_t mLoadNumber = 0; // order of a unit received in a TCP/IP turn
    // Marked by the scenario to leave the map over its side's exit edge for
    // points: kept in the unit record, read by the exit value, the info
    // balloon and the computer opponent.
    bool mExitMark = false;
    bool mUnitFlagH = false;
    int32_t mUnitValueF = 0; // 3 bits kept for the edge and set-up rules
    int32_t mUnitValueG = 0; // 2 bits kept for the point adjustment

    // Losses and morale
    int32_t mCasualties = 0;
    int16_t mOldCasualties = 0;
    // Of mCasualties, the men lost while the enemy did not see the unit at
    // full contact: the enemy's panel leaves them out (kept in the record).
    int16_t mHiddenCasualties = 0;
    int32_t mCrewLost = 0;
    float mSuppression = 0.0f;
    float mFatigue = 0.0f;
    int32_t mFatigueState = 0;
    int16_t mAlertCount = 0;
    bool mAlert = false;
    int16_t mDeafness = 0;

    // Targets and fire
    Unit* mTarget = nullptr;
    Unit* mPreviousTarget = nullptr;
    Unit* mOrderedTarget = nullptr;
    // The unit keeps a target that is no longer alive: set when it is ordered
    // at a wreck, cleared when it takes another target or drops its own. The
    // target search keeps such a target, and the fire goes on at it.
    bool mTargetDead = false;
    bool mAreaTarget = false;
    float mAreaTargetX = 0.0f;
    float mAreaTargetY = 0.0f;
    bool mPreviousAreaTarget = false;
    float mPreviousAreaX = 0.0f;
    float mPreviousAreaY = 0.0f;
    bool mTargetLocked = false;
    bool mPreviousTargetLocked = false;
    bool mAreaFireFlag = false; // fire smoke at the area target
    float mAimPointX = 0.0f;
    float mAimPointY = 0.0f;
    // Free of a binding target order: the computer may re-aim the unit. Set
    // when the unit is made and whenever its target is dropped; cleared by a
    // player's or a script's target order.
    bool mTargetFree = true;
    bool mSmokeScreen = false;
    bool mAmbush = false;
    bool mAimAdjust = false;
    float mAimAdjustX = 0.0f;
    float mAimAdjustY = 0.0f;
    int16_t mShotsAtTarget = 0;
    int16_t mAcquisition = 0;
    char mLastAcquisition = 0; // mAcquisition on mPreviousTarget, kept with it at the end of a replay
    float mAimTime = 0.0f; // 99 marks a jammed weapon
    float mLoadTime = 0.0f;
    float mAimPause = 0.0f;
    float mArtilleryDelay = 0.0f;
    bool mHastyFire = false;
    bool mRoundPattern = false;
    uint16_t mAmmo[kAmmoClassCount] = {};
    AmmoClass mAmmoClassInUse = kAmmoNone;
    bool mMGTargeting = false;
    SmallArmsType mMGTypeInUse = kSmallArmsNone;
    uint8_t mMGRounds[kMGAmmoClassCount] = {};
    int32_t mFiringSignature = 0;
    bool mHasFired = false;
    int32_t mExtraArtilleryMinutes = 0; // added by order 41 to the mission's countdown
    static constexpr int32_t kMaxExtraArtilleryMinutes = 5;
    bool mMissionLive = false;
    bool mTargetChanged = false;
    int32_t mTargetSliceCount = 0;
    int32_t mActionSlices = 0;

    // Orders
    int32_t mNrWaypoints = 0;
    Destination mWaypoints[kMaxWaypoints + 1]; // one spare while a path is spliced in
    OrderPoint mOrderPoints[kMaxWaypoints];
    float mCommandDelay = 0.0f; // seconds before orders take effect
    float mCarriedDelay = 0.0f;
    int32_t mQueuedDelay = 0; // tens of seconds
    int32_t mOrderField = 0;
    int32_t mPauseCounter = 0;
    bool mPushed = false;
    int32_t mReplayedOrder = 0;
    int32_t mCycleSetting = 0;      // 0..5, set by order 35
    int32_t mSetupOrderSetting = 0; // 0 or 7, toggled by the set-up order 62
    bool mTargetKindFlag = false;   // set by order 40
    bool mHiding = false;
    bool mHidingAtStart = false;
    bool mCoveredArc = false;
    bool mArcKind = false; // an armour-only arc
    bool mArcTurnsWithUnit = false;
    bool mArcFirm = false;
    bool mArcFlag = false;
    float mArcA = 0.0f; // the arc's two bearings and their ends
    float mArcB = 0.0f;
    float mArcC = 0.0f;
    float mArcD = 0.0f;
    bool mArcFirstIsB = false; // while an arc is set: mArcB holds the edge set first

    // Spotting
    FogOfWarContact mContactLevel = kContactNone; // how well the enemy knows the unit
    bool mSpotMarker = false;
    bool mSpotMarkerGone = false;
    float mMarkerX = 0.0f;
    float mMarkerY = 0.0f;
    int8_t mSoundOffsetX = 0;
    int8_t mSoundOffsetY = 0;
    int32_t mSpotClock = 0;
    signed char mSpotPhase = 0;
    int32_t mFearClock = 0;
    int32_t mRandomStamp = 0;
    uint8_t mIdentification[2] = {};

    // Command and transport
    Unit* mHQ = nullptr;
    Unit* mPlatoonHQ = nullptr;
    Unit* mTransport = nullptr;    // infantry: the vehicle it rides in or is towed by
    Unit* mEmbarkTarget = nullptr; // the carrier an infantry unit is to board
    Unit* mSibling = nullptr;      // infantry: the other half of a split squad
    bool mSiblingMayRejoin = false;
    Unit* mAbandonedVehicle = nullptr; // infantry: the vehicle a crew bailed out of
    bool mIsFirstHalf = true;          // infantry: the half of a split squad that kept the odd man

    // Clock and animation
    int32_t mSliceCount = 0;
    int32_t mAnimation[3] = {};
    int32_t mAnimKeyTime[3] = {};
    int32_t mAnimFrame[3] = {};

    // Records and graphics (the graphics are made and freed by the kinds)
    KillRecord mKillRecords[2]; // running, final
    int16_t mFaceIndex[16] = {};
    GGraphic* mTextureSets[4][17] = {};
    GGraphic* mRankPortraits[2] = {};
    GGraphic* mWeaponPortraits[2] = {};
    GGraphic* mMarkingTexture = nullptr;
    GGraphic* mKnowledgePictures[3] = {}; // info panel: a vehicle's at contact 3, 4, 5; a team's weapon first
    GGraphic* mShadingTextures[4] = {};   // vehicles: the ground shading of each set (made, not drawn)
    static constexpr int32_t kGraphicSlots = 4 * 17 + 2 + 2 + 1 + 3 + 4;
    // Every graphic slot of the unit, for f (GGraphic*&).
    template <class F> void ForEachGraphicSlot(F f) {
        for (auto& set : mTextureSets)
            for (GGraphic*& g : set)
                f(g);
        for (GGraphic*& g : mRankPortraits)
            f(g);
        for (GGraphic*& g : mWeaponPortraits)
            f(g);
        f(mMarkingTexture);
        for (GGraphic*& g : mKnowledgePictures)
            f(g);
        for (GGraphic*& g : mShadingTextures)
            f(g);
    }

protected:
    bool mRecordDamaged = false; // set by a Read that met a damaged record

    // Frees every graphic the unit holds (each once, however many slots
    // share it) and clears the slots.
    void FreeOwnGraphics();

    Unit& operator=(const Unit&) = default; // shallow; see CopyUnitPartFrom

    void DropAmmunitionOutOfDate();
    void WriteWaypoints(GFile* file);
    bool ReadWaypoints(GFile* file);
    void WriteLinks(GFile* file);
    void ReadLinks(GFile* file);
};

// One spotting question: how well the spotters see and hear mSpotted.
struct SpotParam {
    float mHearingRange = 0.0f; // metres within which it is heard
    float mRangeBonus = 0.0f;   // metres of sight added because it has just fired
    float mRangeFactor = 1.0f;  // multiplies its own SpottingRange
    Unit* mSpotted = nullptr;
    FogOfWarContact mBestLevel = kContactNone;
};

// The unit search of a bullet strike: the search radius and point, and the
// firing unit.
struct BulletStrikeQuery {
    float mRadius = 0.0f;
    float mX = 0.0f;
    float mY = 0.0f;
    Unit* mFirer = nullptr;
};
// Whether u, a unit the firer can see that its side has identified, stands
// where a bullet strike at the query's point can be heard as a hit on it.
// Makes one uniform draw once the square test has passed.
bool IsBulletStrikeVictim(Unit* u, const BulletStrikeQuery& q);

// What every unit's conduct asks of the infantry kind; the infantry code
// installs these, and a null entry does nothing.
struct InfantryHooks {
    void (*fireOffboardArtillery)(Unit* observer) = nullptr; // the fire mission's step for this slice
    int32_t (*sewerTime)(Unit* unit) = nullptr; // in the sewers: above 0 travelling, 0 arrived, below -1 lost
    void (*disembark)(Unit* unit) = nullptr;    // leaves the vehicle it rides in
    void (*updateRider)(Unit* unit) = nullptr;  // a rider keeps to its vehicle's place
};
extern InfantryHooks gInfantryHooks;

// Set when a change of a unit must reach its next action packet.
extern bool gPacket;
// The unit credited with the kills of the attack being resolved, or null.
extern Unit* gCreditKiller;
// Set while a forward observer's spotting round, or a unit's secondary small
// arms, is being fired.
extern bool gFiringSpottingRound;
extern bool gFiringSecondarySmallArms;

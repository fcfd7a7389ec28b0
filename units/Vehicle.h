#pragma once
// A tank, armoured car, halftrack, lorry or bunker: a Unit whose data row is
// a VehicleData record (mSubtype). It adds the hull, turret and crew state
// of a vehicle, its set-up, its file record, its driving over the ground
// (speed, obstacles, waypoints, pushing and bogging), its gears, hatches and
// tilt, its weapons and turret, and how its crew sees and how it is seen.
//
// The unit's own fields stand for the vehicle's where both would name one
// thing: mPlaybackSpeed is the signed speed in metres per slice, mZ the
// floor the vehicle stands on, mCommandDelay the wait before orders run,
// mActive the alive flag and mImmobile the immobilised flag. The machine
// guns' ammunition by class is the unit's mMGRounds.

#include <atomic>
#include <cstdint>

#include "units/DataTables.h"
#include "units/Unit.h"

using ObstacleType = int32_t; // 0 none, 1 push on, 2 creep, 3 stop
constexpr ObstacleType kObstacleNone = 0;
constexpr ObstacleType kObstaclePush = 1;
constexpr ObstacleType kObstacleCreep = 2;
constexpr ObstacleType kObstacleStop = 3;

class Infantry;
class Vehicle;

// The bearings of one place as a vehicle's plates meet it: its aspect to the
// turret and to the hull (folded, 0..180) and its angle above the hull's
// plane. Each is worked out on its first use; the vehicle must stay as it is
// while one is kept, so that the plates of one shot share them.
class ArmourBearings {
public:
    ArmourBearings(float x, float y, float z) : mX(x), mY(y), mZ(z) {}
    float Aspect(Vehicle& v, bool turret);
    float Up(Vehicle& v);

private:
    float mX, mY, mZ;
    float mAspect[2] = {0.0f, 0.0f}; // hull, turret
    float mUp = 0.0f;
    bool mAspectKnown[2] = {false, false};
    bool mUpKnown = false;
};

// A vehicle's burning flag: read as a bool, and every change of any
// vehicle's flag (set, assigned with the whole vehicle, read from a file)
// is counted, so that a list of the burning vehicles made from the flags
// can tell whether it still holds (UnitList). Setting a flag to the value it
// has changes nothing and counts nothing.
class BurningFlag {
public:
    BurningFlag() = default;
    BurningFlag(const BurningFlag& other) { Set(other.mOn); }
    BurningFlag& operator=(const BurningFlag& other) {
        Set(other.mOn);
        return *this;
    }
    BurningFlag& operator=(bool on) {
        Set(on);
        return *this;
    }
    operator bool() const { return mOn; }

    // The number of changes of every vehicle's flag so far.
    static uint64_t Changes() { return sChanges.load(std::memory_order_relaxed); }

private:
    void Set(bool on) {
        if (on == mOn) return;
        mOn = on;
        sChanges.fetch_add(1, std::memory_order_relaxed);
    }

    bool mOn = false;
    static inline std::atomic<uint64_t> sChanges{0};
};

// The vehicle's per-slice decision: what its movement and its guns want,
// and the one action they combine into.
using MovementIntent = int32_t; // 0 cannot move, 1 hold, 2 halt to shoot, 3 move
constexpr MovementIntent kMoveIntentCannot = 0;
constexpr MovementIntent kMoveIntentHold = 1;
constexpr MovementIntent kMoveIntentHaltToShoot = 2;
constexpr MovementIntent kMoveIntentMove = 3;
using TargetingIntent = int32_t; // 0 nothing, 1 shoot on the move, 2 halt and engage
constexpr TargetingIntent kTargetIntentNone = 0;
constexpr TargetingIntent kTargetIntentShoot = 1;
constexpr TargetingIntent kTargetIntentEngage = 2;
using VehicleAction = int32_t;
constexpr VehicleAction kActionIdle = 0;
constexpr VehicleAction kActionMove = 1;
constexpr VehicleAction kActionHaltEngage = 2;
constexpr VehicleAction kActionHoldFire = 3;
constexpr VehicleAction kActionMoveFire = 4;
constexpr VehicleAction kActionHaltToShoot = 5;

class Vehicle : public Unit {
public:
    Vehicle();
    ~Vehicle() override = default;

    // ---- Set-up ------------------------------------------------------------
    void IVehicle(VehicleType type, Force force, ExperienceLevel experience, float x, float y, float z);
    void RandomizeSmokeWidth();
    // Sets the three types an enemy takes the vehicle for; draws nothing.
    void SetMistakenID();
    // 0 closed, 1 partly open, 2 open-topped, by the record the knowledge shows.
    int32_t OpenTopStatus(DataKnowledge k = kKnowTruth) const;
    void DigIn();
    VehicleClass GetKnownClass();
    VehicleType GetGeneralType(bool fromKnown);
    // The data record that the knowledge level shows.
    const VehicleData& GetVehicleDataRecord(DataKnowledge k) const;
    const VehicleData& Data() const { return gVehicleData[mSubtype]; }
    VehicleModel GetActualModel() const;
    bool IsFixed() const { return Data().mKind == 6; }
    bool HasTurret() const { return Data().mTurretKind != 5; }
    bool HasVehicleRadio() const { return (Data().mFlags & kVNoRadio) == 0; }
    // Voice effects speak of a tank unless the record's voice class is one
    // of the soft or special classes (11 to 25, 30).
    bool ConsideredTankForVoiceEffects(DataKnowledge k) const;

    void MakeTextures(bool skipPortraits) override;
    void LoadOut(uint16_t* counts, uint8_t* extras, int32_t n) override;
    void ChooseUniform() override;
    int32_t Rank() override;
    void ConcatName(GString* text, bool longForm) override;
    bool HasHeavyWeapon(DataKnowledge k) override;
    void ResetModelCoords() override;
    void AdvanceAnimation() override;

    // ---- The computer opponent's moves (ai/) ----------------------------------
    // The unit's combat move, then the passengers' own.
    bool AIDoCombatMove(bool wide, bool mustMove) override;
    // Each passenger makes a combat move of its own; the carrier halts.
    void AIDumpPassengers();
    int32_t AIDefensiveType() override;
    // Moves the vehicle; its riders follow it.
    void AISetLocation(float x, float y) override;

    // ---- Transport, aiming and loading times, target orders -------------------
    float FullAimTime(bool randomise, bool quick) override;
    float FullLoadTime(bool randomise, bool quick) override;
    void ResetTargetSliceCount() override;
    void AdjustPassengerSetup() override;
    // Riders: whether the candidate may board (atVehicle: it stands at the
    // vehicle now; allowHeavy: loads up to the transport class, as in
    // set-up), and the two passenger slots filled and emptied.
    bool CanTransport(Unit* candidate, bool atVehicle, bool allowHeavy) override;
    void Load(Infantry* unit);
    void Unload(Infantry* unit);
    bool HasFunctioningMG(bool flag);
    void ReceiveTargetOrders(Unit* target, float x, float y, bool area, int32_t n) override;
    void RespondToGunUseChoice(bool use) { mUseMainGun = use; }
    void FillPassengerOrCarrier(ActionPacket* packet) override;
    void ProcessPassengerOrCarrier(ActionPacket* packet) override;
    void ProcessTimeSlice(int32_t now, int32_t end, int32_t steps) override;
    // Machine guns of each mount that can fire now.
    int32_t NrBowMGsReady();
    int32_t NrCoaxMGsReady(bool flag);
    int32_t NrFreeMGsReady(bool flag);

    // ---- Ground speed and obstacles ------------------------------------------
    float MoveSpeed(float* outZ) override;
    ObstacleKind IsObstacleTo(Unit* mover) override;
    ObstacleType IsObstacleTo(Vehicle* mover);
    bool IsBurning() override { return mBurning; }
    bool IgnoresMovingObstacles() override { return mLookingAhead; }
    float GroundPressureScore();
    float PositionStrength();
    bool CutCorner();
    bool InReverse() const;
    // Soft ground: one slice in a hundred the vehicle may bog down, the
    // more likely the softer the ground (sGroundFactor below 1).
    void RollForBogging();
    // The ground factor of the step being taken (1 on good going); set while
    // Move runs, so that MoveSpeed looks ahead for new minefields; and the
    // switch that MoveSpeed's short form (0) leaves out all but the ground.
    static thread_local float sGroundFactor;
    static bool sMineCheck;
    static thread_local float sMoveSpeedForm;
    // The last vehicle whose spotting asked the short form on this thread:
    // spotting on several threads asks it again afterwards on the calling
    // thread, so the step outputs above end as one thread leaves them.
    static thread_local Vehicle* sShortFormSpotter;

    // ---- Driving ---------------------------------------------------------------
    void Move() override;
    // The facing, turned about while the current order reverses.
    float ReverseAwareFacing() const;
    // A blocked vehicle waits for a busy friend, shoves a light idle one
    // aside, or manoeuvres round the blocker.
    void HandleBlocked();
    void PrepareForAction() override;
    void ComputeAction() override;
    void MoveProblemVehicle();
    void PushVehicle(Vehicle* other);
    void CancelMovementOrders() override;
    void FlushLastPacket(int32_t slice) override;
    bool HullDownTo(Unit* other);
    bool HullDownToLocation(float x, float y);
    float LOSBoost() override { return 0.5f; }
    int32_t GetEngineRezID(bool side, DataKnowledge k, bool moving);
    void StartEngineSound() override;
    // Plays a sound of the vehicle at once on the screen, without recording
    // it: only when heardBy is the side at the screen; an engine follows the
    // vehicle.
    void PlaySoundNow(int32_t number, int32_t kind, Affiliation heardBy, bool engine);
    void AddSoundEffectMove(bool moving) override;
    void ResetTurretRotation();
    void ClearAsTarget(bool keepOrdered, bool quiet) override;
    int32_t FlameConsumption(float distance);
    bool Abandoned() override { return !mActive && !mDestroyed; }
    bool HasFunctioningWeapon() override;
    bool IsStopped() override;
    bool InGoodOrder() override;
    bool IsArmoredVehicle(DataKnowledge k, bool strict) override;
    bool CanMovePhysically() override;
    bool CouldMoveIfNotBogged() override;
    bool HasOrdnance(bool a, bool b) override;
    bool CanHitVehicleAt(float x, float y, DataKnowledge k) override;
    bool CanReceiveOrders() override;

    // ---- Fear and retreat ------------------------------------------------------
    // Rates every enemy, then flees, retreats, turns to face, changes its
    // move or jinks; a halted vehicle in a large fire escapes it.
    void FearReaction() override;
    // Searches a tree of spots ahead and behind for one the threat cannot
    // hit and drives there; true when the vehicle now has waypoints.
    bool BugOut(Unit* threat, bool mustFlee, bool faceThreat, float heading);
    // Whether the current move already leads out of the threat's reach.
    bool ApproachingSafetyFromEnemy(Unit* threat);
    // Two or more waypoints, or one that is not a turn on the spot.
    bool UnderMovementOrders() const {
        return mNrWaypoints >= 2 || (mNrWaypoints == 1 && mWaypoints[0].mOrder != kPaceRotate);
    }

    // ---- Gears, hatches and tilt -----------------------------------------------
    void Tilt(bool drawing) override;
    void ShiftGears(Unit* threat, MovementSpeedType order, bool insert, float x, float y) override;
    bool CanChangeButtonStatus(bool* buttoned) override;
    void ChangeButton(bool ordered, int32_t scale);
    int32_t NrMenInTurret();
    void ModifyByDriveVulnerability(float* chance, bool exempt, bool useFlag);
    void JerkSteeringWheel();

    // ---- Weapons and aiming ------------------------------------------------------
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k) override;
    bool HasAntiArmorWeapon(bool countMGs) override;
    bool HasFlamethrower(DataKnowledge k);
    int32_t GetAmmoProfile() override;
    AmmoClass ChooseAmmo(Unit* target, bool smokeAllowed) override;
    bool InGunArc(float x, float y, bool halfArc);
    bool AbleToFaceLocation(float x, float y) override;
    float RotationSpeed() override;
    float TurretRotationSpeed();
    float AdjustGunElevationForBodyTilt() override;
    float SmallArmsFirepower(float range, MGPenetration* out, bool fullStrength, bool byExperience) override;
    void HeavyWeaponMinMax(float* minimum, float* maximum);
    bool InRange(float range, bool strict, float factor) override;
    bool AIWantsToFire(AmmoClass* ammo) override;
    void SetFiringAnimation() override;

    // ---- Turret --------------------------------------------------------------------
    float ActualHeadFacing();
    float GetWeaponFacing() override { return ActualHeadFacing(); }
    void PointTurretAt(float x, float y);
    void RotateTurretToward(float x, float y);
    void KeepTurretInBounds();

    // ---- Spotting and optics ---------------------------------------------------------
    OpticalType GetOpticalType() override { return Data().mOptics; }
    bool HaveBinoculars() override;
    bool UsingBinoculars(Unit* target) override;
    void SpotterMods(Unit* target, float* sight, float* hearing) override;
    FogOfWarContact SpotLevel(bool atMarker, Unit* spotter) override;
    // How well the enemy sees the vehicle where it stands; still (noise 60, no
    // motion) when asked for its marked place.
    FogOfWarContact SpotLevelHere(bool atMarker, Unit* spotter);
    float SpottingRange(Unit* spotter) override;
    void BeSpotted(bool reset, bool force) override;
    int32_t MaxAllowedAmmo(int32_t* maximum) override;

    // ---- Upkeep and the file record ------------------------------------------------
    void Resupply() override;
    void Refit() override;
    void Medic(bool randomise) override;
    void ProcessDeadVehicle() override;
    // Fires the roof smoke mortar at the nearest seen enemy infantry within
    // 40 m, buttoning up first.
    void NahvertGW();
    void AddSoundEffectSmokeMortar();
    int32_t NrArmorVarianceSlots() const;
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    void ReadPassTwo(ScenarioCore* scenario) override;
    void SettleVehiclePart(); // SettleAsSaved's vehicle part
    void RollupLinks() override;
    void UnrollLinks() override;
    void ClearBrokenLinks(GList* list) override;

    // ---- Decisions per slice -----------------------------------------------------------
    MovementIntent DecideMovementIntent();
    TargetingIntent DecideTargetingIntent(MovementIntent m);
    VehicleAction CombineIntents(TargetingIntent t, MovementIntent m);
    bool ShouldPauseToShoot(float x, float y);
    bool WantsToRotateBodyAtStop(VehicleAction a);
    void HandleBog();
    bool CommanderMustButtonToFire(bool any);
    // 50, 65 or 58 for a vehicle with a second gun by its flag word, else 0.
    int32_t SecondGunCode() const;
    // Moving, or part way between two ground steps.
    bool InMotion() const { return mPlaybackSpeed != 0.0f || (mMoveProgress > 0.0f && mMoveProgress < 1.0f); }
    bool AllowedToTarget() override;
    bool CaresAboutFacing();
    bool IsLeader(int32_t* level) override;
    bool ShowLeadershipInEditor() { return IsLeader(nullptr) && !mEditorLeaderFlag; }
    bool GetPlatoonHQ() override;
    int32_t EditorColor() override;
    int32_t TallyCasualties() override;
    // An enemy infantry unit that this side sees within range metres.
    bool EnemyInfantryWithin(float range);

    // ---- Value and scores ------------------------------------------------------------
    float GetVPValue(bool asNew, DataKnowledge k) override;
    float GetCasualtyVPLoss() override;
    float GetRarityFactor() override;
    bool ForceReadiness(int32_t* readiness, int32_t* total) override;
    float AirTargetScore(AirWeaponKind weapon) override;
    void BecomeLeader(bool withSkills);
    void ExitMap() override;
    float GetOccupationScore(float x, float y, bool* pair) override;
    float GetExitValue(bool* exited, bool count) override;

    // ---- Unit packets and playback ---------------------------------------------------
    ActionPacket* FillPacket() override;
    void ProcessActionPacket(ActionPacket* packet) override;
    void CompletePlayback() override;
    void ResetAnimation() override;
    // Drops the vehicle's engine sound from the map (and, with queuedToo,
    // from the battle's sound queue); null headless.
    static void (*sDropEngineSound)(Vehicle* vehicle, bool queuedToo);

    // ---- Drawing: the class shape or model of the type the viewer believes,
    // and the unit's frame scaled from model units to metres
    void DrawCode(bool needsClip, float scale, float factor) override;
    void ScaleForType(float* scale, float f1, float f2, float f3) override;
    void PrintWarningLabel() override;
    // During the replay: what the last hit did, over the vehicle for 160
    // slices after it (drawing code).
    void ShowHitRecord();

    // ---- Hits: aspect, location, armour and penetration ---------------------------------
    // Stage one settles hits on the running gear and the gun itself; for
    // the armoured locations it writes the aspect and sets *goOn.
    VehicleHitLocation HitStageOne(PendingAttack* attack, VehicleAspect* aspect, bool* goOn);
    void HitStageTwo(PendingAttack* attack, VehicleHitLocation loc, VehicleAspect aspect);
    VehicleAspect DetermineAttackAspect(float x, float y, bool useTurret, bool fine, float* sideChance);
    VehicleHitLocation DetermineHitLocation(bool highExplosive, bool hullDown, float sideChance,
                                            bool gunExposed, float hitChance, PendingAttack* attack);
    // Degrees above (+) or below (-) the hull's plane of the line to the point.
    float VerticalAngle(float x, float y, float z);
    // The effective thickness in mm in front of a shot from (x, y, z); with
    // mean it draws nothing and takes the middle of every spread.
    float CalculateArmorBasis(float x, float y, float z, bool useVerticalAngle, VehicleHitLocation loc,
                              VehicleAspect aspect, bool applySlope, float calibre, WeaponClass wclass,
                              AmmoClass ammo, ShellType shell, DataKnowledge k, bool* faceHardened,
                              int32_t* hardness, float* ratio, bool mean, float* slopeFactor);
    // The same from the place of the bearings, sharing them with other plates.
    float CalculateArmorBasis(ArmourBearings* from, bool useVerticalAngle, VehicleHitLocation loc,
                              VehicleAspect aspect, bool applySlope, float calibre, WeaponClass wclass,
                              AmmoClass ammo, ShellType shell, DataKnowledge k, bool* faceHardened,
                              int32_t* hardness, float* ratio, bool mean, float* slopeFactor);
    bool DeterminePenetration(PendingAttack* attack, VehicleHitLocation loc, VehicleAspect aspect,
                              bool* shattered, bool* partial, float* partialStrength, float* penRatio,
                              float* energy, float* velocity, int32_t* hardness, bool* faceHardened,
                              float* armour);

    // ---- Damage ---------------------------------------------------------------------------
    float GetBasicKill(WeaponType weapon, WeaponClass wclass, AmmoClass ammo, float overmatch,
                       float velocity);
    void ResolveInternalDamage(PendingAttack* attack, VehicleHitLocation loc, float penRatio, float velocity,
                               int32_t hardness, bool faceHardened, float armour);
    void ApplyInternalDamage(bool killed, bool burning, bool exploded, float casualtyChance, bool turretHit,
                             bool oneMan, float bailFactor, float kill, bool special);
    // 5 knocks out the running gear, any other location the gun.
    void ApplyDamage(VehicleHitLocation loc);
    void ResolveExternalDamage(float firepower, VehicleHitLocation loc, float factor);
    void AddVehicleSuppression(float amount, bool hit, bool severe);
    bool DetermineFlip(PendingAttack* attack);
    void Flip();
    void BeginToBailOut(float kill, bool afterHit);
    bool CanBeDamaged() override;

    // ---- Area hits, mines and death ------------------------------------------------------
    void TakeAreaHit(float power, int32_t hitValue, PendingAttack* attack) override;
    void TakeAreaBlastVsArmor(float firepower, PendingAttack* attack, bool penetrated, MGPenetration pen,
                              int32_t weaponMode, int32_t driveMode);
    void CrewTakeAreaHit(float firepower, int32_t hitValue, bool half, bool flame);
    void TakeMineHit(bool reduced) override;
    bool DrawWhenDead() override { return Data().mKind != 5; }
    void Die() override;
    void TagArmorHitRecord(ActionPacket* packet);

    // ---- Machine guns ----------------------------------------------------------------------
    void FireMachineGuns();
    // True when something is to be fired at; *target null means the area target.
    bool ChooseMGTarget(float facing, float arc, float range, bool onlyCurrent, Unit** target, bool bow,
                        bool aircraft);
    bool TacAICanSee(Unit* target) override;
    // The player's detailed-spotting preference: a buttoned crew then fires
    // its machine guns only at what it has really made out.
    static bool sDetailedSpotting;

    // The battle's maker of a ricochet packet from a shell packet; null
    // leaves a bounced shot without one.
    static void (*sMakeRicochetPacket)(ActionPacket* shell, bool shattered);

    // =====================================================================
    // Fields
    // =====================================================================

    // Set-up and identity
    SmallArmsType mCrewSmallArms = kSmallArmsNone;
    bool mUseMainGun = false; // the main gun may fire at the target (the player's choice)
    int16_t mGunChoicePending = 0;
    VehicleClass mKnownClass = 0;              // class shown while not fully identified
    int8_t mMistakenType = 0;                  // -1 asks for the mistaken types anew
    VehicleType mMistakenTypes[3] = {0, 0, 0}; // shown at contact 4, 3 and below
    float mSmokeWidth = 0.0f;
    float mArmorFactor[5] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f}; // the first: armour variance
    float mDrawGunElevation = 0.0f;                         // degrees, for drawing
    float mDrawTurretTilt = 0.0f;                           // degrees, for drawing
    float mRandomFractions[3] = {0.0f, 0.0f, 0.0f};
    int32_t mAnimPhase[3] = {0, 0, 0}; // 0..9999
    float mAnimRate[3] = {0.0f, 0.0f, 0.0f};
    float mTrackPhase[2] = {0.0f, 0.0f}; // left, right
    AmmoClass mLastAmmoFired = kAmmoNone;
    int32_t mVehicleLongA = -1;
    int32_t mVehicleLongB = -1;

    // Hull and running gear
    BurningFlag mBurning;
    bool mDugIn = false;
    bool mBogged = false;
    bool mFlipped = false;
    bool mLookingAhead = false; // stationary vehicles only block this one
    bool mManeuverTried = false;
    bool mMovingAtFlush = false;
    float mHullPitch = 0.0f; // degrees, nose up
    float mHullRoll = 0.0f;
    // The tilt the drawing last gave the hull where its viewer sees it
    // (degrees, as above); the rules never read it.
    float mDrawnPitch = 0.0f;
    float mDrawnRoll = 0.0f;
    float mDustX = 0.0f;
    float mDustY = 0.0f;
    int32_t mDustSlice = 0;

    // Crew and hatches
    bool mButtoned = false;
    bool mButtonOrdered = false;
    int32_t mButtonDelay = 0;      // slices
    float mCrewShockTime = 0.0f;   // seconds
    float mDriverShockTime = 0.0f; // seconds
    int32_t mBailOutCountdown = -1;
    bool mEditorLeaderFlag = false;
    bool mFearFlagA = false; // the next fear reaction is certain, not by chance
    bool mFearFlagB = false; // the next fear reaction is forced
    bool mIsLeader = false;
    bool mMedicFlag = false;

    // Weapons and turret
    bool mMainGunOut = false;
    bool mWeaponKnockedOut = false;
    float mTurretBearing = 0.0f; // degrees from the hull front, -180..180
    float mTurretRate = 0.0f;    // degrees per slice
    bool mTurretToFront = false;
    int16_t mTurretHoldSlices = 0;
    int32_t mHoldFireSlices = 0;
    int32_t mHitStamp = 0;
    int8_t mFireAnimation = 0;
    bool mFiringMGs = false;
    SmallArmsType mMGSmallArms = kSmallArmsNone;
    float mMGFireValue = 0.0f; // seconds of the last burst; kept in the record
    bool mMGTargetOwnsTarget = true;
    float mAimValues[3] = {0.0f, 0.0f, 0.0f};

    // Links
    Unit* mPassengers[2] = {nullptr, nullptr};
    Unit* mCreditUnit = nullptr; // credited with the kill when the crew bails out

    // Decisions per slice
    bool mButtonChangedThisTurn = false;
    int32_t mMoveSoundCountdown = 0; // slices
    int32_t mSmokeMortarClock = 0;   // slices, 0..399
    bool mNoCasualtyTally = false;
    int32_t mStatusNibble = 0; // 0..15, carried in unit packets
    bool mShockShown = false;  // playback: the crew is shaken
    // Damage and hits
    bool mBailOutFlag = false;             // handed to the bail-out when the countdown ends
    float mMGWait[3] = {0.0f, 0.0f, 0.0f}; // seconds: bow, coaxial, free
    // The armour-hit record shown in playback: location, aspect, strength
    // lost, penetration grade, spare; then the flag byte and six spare bytes.
    int32_t mHitRecord[5] = {0, 0, 0, 0, 0};
    uint8_t mHitRecordBytes[7] = {0, 0, 0, 0, 0, 0, 0};
    int32_t mHitRecordSlice = -1;

    // ---- The computer opponent's view of the vehicle (ai/) -------------------
    // The harm its machine guns and main gun can do, and its armour as nine
    // weighted slots for a shooter.
    float AIGetGeneralAbilityToHarmAsNumber(Unit* target, AmmoClass ammo, bool broad, bool cover, bool suppression,
                                            DataKnowledge own, DataKnowledge known, bool overrun) override;
    void AISetArmorValues(DataKnowledge k, Unit* shooter, bool broad, float hitChance, bool hullDown,
                          float armour[], int32_t longs[], bool bools[], float weights[], float ratios[],
                          int32_t* count, float calibre) override;
};

// What the hit stages and the damage found about one direct hit; the battle
// clears it before a hit and copies it into the armour-hit packet.
struct ArmorHitReport {
    int32_t mPenetrationGrade = 0; // 1 barely through, 2 clean through
    bool mShotShattered = false;
    bool mShotBounced = false;
    bool mWeakSpotHit = false;
    bool mPartialPenetration = false;
    bool mHitImmobilized = false;
    bool mHitGunDamaged = false;
    // The armour-hit packet's flag bits (without the weapon-class bit 0x40).
    uint8_t Flags() const {
        return static_cast<uint8_t>((mShotBounced ? 0x80 : 0) | (mWeakSpotHit ? 0x20 : 0) |
                                    (mShotShattered ? 0x10 : 0) | (mHitGunDamaged ? 0x04 : 0) |
                                    (mHitImmobilized ? 0x02 : 0) | (mPartialPenetration ? 0x01 : 0));
    }
    void Clear() { *this = ArmorHitReport{}; }
};
extern ArmorHitReport gArmorHitReport;

// The sound of bullets or fragments striking at (x, y), heard by both sides.
void MakeAreaHitSound(float firepower, float x, float y);

// One unit passed through the machine-gun target search of the searcher.
void MGTargetCandidate(Unit* candidate, Vehicle* searcher);

// The threat rating shared by the fear reaction and the retreat search:
// the most dangerous enemy found so far and how it threatens. With mMode
// set the rating adds its chances; imagined poses rate without them.
struct VehicleThreatRating {
    Unit* mUnit = nullptr;
    float mValue = 0.0f;
    bool mClose = false;     // a gun crew: the vehicle flees rather than weighs
    bool mTargetsUs = false; // a gun crew, or a close-range weapon aimed at us
    bool mMode = true;
    void Clear() {
        mUnit = nullptr;
        mValue = 0.0f;
        mClose = false;
        mTargetsUs = false;
    }
};
extern VehicleThreatRating gVehicleThreat;

// Rates one unit of the battle as a threat to the vehicle (the context).
void RateThreatToVehicle(GObject* enemy, void* vehicle);

// The best candidate of the running target search and its score, kept by
// the scoring of the computer opponent.
extern Unit* gBestTarget;
extern float gBestTargetScore;

// The outputs of Vehicle::MoveSpeed for the step that Vehicle::Move takes.
extern Vehicle* gBlocker;
extern thread_local float gMoveX;
extern thread_local float gMoveY;

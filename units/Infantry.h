#pragma once
// A unit on foot: rifle squads, leaders, weapon teams, gun crews, forward
// observers, snipers, tank hunters and crews that bailed out of a vehicle.
//
// A unit is one to four teams, each of a number of men with one small arm;
// the unit as a whole may have one heavy weapon (its data record's), hand
// grenades, explosive charges and hand-held anti-tank weapons. Distances are
// metres, speeds metres per slice (1/40 s), times seconds unless a field says
// slices, headings degrees counter-clockwise from east.
//
// The links it shares with the Unit part (mTransport, mEmbarkTarget,
// mSibling, mAbandonedVehicle, mIsFirstHalf) and its fitness (mFitness, 0 unfit,
// 1 weakened, 2 fit) live in the Unit part, where UniqueID reads them.

#include <cstdint>

#include "units/Unit.h"

struct InfantryData;

constexpr int32_t kInfantryTeams = 4;
constexpr int32_t kInfantryFigures = 3;
constexpr int32_t kPoseValues = 21; // three sets of seven values a figure
constexpr float kFOUnset = 999999.0f;

class Infantry : public Unit {
public:
    // Draws, in order: the heading, three jitter sets (five draws each), the
    // seed (a pair and a coin) and three figure scales.
    Infantry();
    ~Infantry() override = default;

    // Teams, men and small arms from the data record, leader ratings,
    // anti-tank weapons, explosives, grenades and skis.
    void IInfantry(InfantryType type, Force force, ExperienceLevel experience, float x, float y, float z);

    // ---- Set-up and identity ----------------------------------------------
    int32_t NrGrenades();
    bool AttachSkis();
    bool ShouldHaveExplosives();
    void AssignAntitankWeapons();
    // The record the asking side believes the unit to be: 0 the truth,
    // 2 the player's contact level, any other the unit's own contact level.
    const InfantryData* GetInfantryDataRecord(DataKnowledge knowledge);
    const InfantryData& Record() const;
    int32_t MenAlive() const { return GetOriginalNrMen() - mCasualties; }
    int32_t EditorColor() override;
    bool UsesDemoCharge() const;
    bool IsTankHunter() const;
    bool IsSquad() const;
    bool IsForwardObserver() const;
    bool HasTowedOrdnance();
    OrdnanceModel GetOrdnanceModel(float* scale);
    SmallArmsType SpecificPistol();
    // Whether the unit of that side gets the computer's bonuses.
    bool PlayedByComputer() const;

    void ConcatName(GString* text, bool longForm) override;
    void ResetModelCoords() override;
    void Resurrect() override;
    void ResurrectStraggler() override;
    bool UseKnockedOutPhrase() override;
    bool AllowedInsideBuilding() override;
    bool AllowedToTarget() override;
    bool IsSniper() override;
    bool IsLeader(int32_t* level) override;
    bool GetPlatoonHQ() override;
    int32_t Rank() override;

    // ---- Weapons and timing -------------------------------------------------
    MGPenetration GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k) override;
    bool InRange(float range, bool moving, float factor) override;
    float FullAimTime(bool randomise, bool quick) override;
    float FullLoadTime(bool randomise, bool quick) override;
    float CloseRangeFireFactor() override;
    bool CanChangeTarget() override;
    bool HasAntiArmorWeapon(bool countHandHeld) override;
    bool HasLowAmmoStatus() override;
    bool HasFunctioningWeapon() override;
    bool WithinFOAdjustment(float x, float y, bool* exact) override;

    // ---- Riding and movement ability ----------------------------------------
    void ReceiveMoveOrders(float x, float y, int32_t order, Vehicle* carrier, bool quiet, bool replace,
                           bool recompute, bool planned) override;
    bool Embark() override;
    bool UpdateRider(bool mayDisembark);
    void Disembark();
    bool WaitingToEmbark();
    void PostBailoutEscape();
    void SetUnlimberTime(float factor);
    void FillPassengerOrCarrier(ActionPacket* packet) override;
    void ProcessPassengerOrCarrier(ActionPacket* packet) override;
    bool CanMovePhysically() override;
    bool CanOnlyPush();
    bool CanOnlyDebark();
    MovementSpeedType QuickSpeed();

    // ---- Medic, clean-up, position, roofs, air attack -----------------------
    void Medic(bool randomise) override;
    bool Clean() override;
    float PositionStrength();
    void CheckBuildingOccupancy() override;
    void ScurryForCoverFromAirAttack(Unit* aircraft);
    int32_t GetOriginalNrMenInTeam(bool lessOld);
    void ShiftCasualtiesToOld();

    // ---- Graphics and drawing placement ----------------------------------------
    void MakeTextures(bool skipPortraits) override;
    void ScaleForType(float* scale, float f1, float f2, float f3) override;

    // ---- Fatigue, speed and figure drift -------------------------------------
    void ApplyFatigue() override;
    void ProcessTimeSlice(int32_t cappedSlice, int32_t slice, int32_t elapsed) override;
    SpeedClass GetSpeedClass() override;
    float MoveSpeed(float* outZ) override;

    // ---- Casualties, firepower, split and join --------------------------------
    bool ReceiveCasualties(int32_t tries, float chance, bool silent, bool atMostOne, bool screams);
    void TakeInternalPassengerHit(float chance);
    bool CanSufferPerformanceLoss(bool* slows, bool* exempt);
    float SmallArmsFirepower(float range, MGPenetration* outMG, bool full, bool byExperience) override;
    int32_t TallyCasualties() override;
    bool CanSplit();
    // The new half, already in the battle's unit list; null when none was made.
    Infantry* Split();
    void JoinSibling();
    void Die() override;
    float GetRarityFactor() override;
    float GetVPValue(bool asBought, DataKnowledge knowledge) override;
    float GetCasualtyVPLoss() override;
    float GetOccupationScore(float x, float y, bool* pair) override;
    float GetExitValue(bool* exited, bool count) override;

    // ---- Figures and animation -------------------------------------------------
    int32_t GetNrFigures();
    int32_t GetSpecificNrFigures(FogOfWarContact contact);
    InfantryAnimationGroup GetAnimationGroup(int32_t figure);
    InfantryAnimationGroup GetSpecificAnimationGroup(int32_t figure, FogOfWarContact contact);
    void SetFiringAnimation() override;
    void AdvanceAnimation() override;
    void ResetAnimation() override;
    void CompletePlayback() override;
    void Tilt(bool draw) override;
    FogOfWarContact ProcessJerk(int32_t figure);
    bool ShowShellToEnemy() override;
    bool AbleToFaceLocation(float x, float y) override;
    void RandomStartFrame(int32_t figure, int32_t* frame, int32_t* delay, int32_t* count) override;
    bool IsStopped() override;

    // ---- State queries ----------------------------------------------------------
    AmmoClass ChooseAmmo(Unit* target, bool forArea) override;
    bool HasOrdnance(bool includeSupport, bool includeFlagged) override;
    bool HasHeavyWeapon(DataKnowledge knowledge) override;
    bool IsSupportWeapon(bool anyHeavy) override;
    bool IsPassenger(bool outsideOnly) override;
    bool PreBail() override;
    bool WillDigFoxhole() override;
    void ToggleDigInStatus() { mDigIn = !mDigIn; }
    bool IsHiding(bool ignoreOrder) override;
    void CancelMovementOrders() override;
    void ProcessDeadVehicle() override;
    bool ForceReadiness(int32_t* current, int32_t* total) override;
    FogOfWarContact SpotLevel(bool atLastSeen, Unit* spotter) override;

    // ---- Record -------------------------------------------------------------------
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    void ReadPassTwo(ScenarioCore* scenario) override;
    void SettleInfantryPart(); // SettleAsSaved's infantry part
    void CorrectReadUniform() override;
    void RollupLinks() override;
    void UnrollLinks() override;
    void ClearBrokenLinks(GList* list) override;

    // ---- The computer opponent's moves (ai/) ----------------------------------
    // Falls back when its group is beaten: a retreat move unless pinned down,
    // under way, unable to move or, unforced, in cover.
    void AIDoLoserMove(bool force) override;
    // A platoon member's fire threatens less beyond 200 m and not from 400 m.
    float AIRangedThreatFactor(float range) override;

    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override;
    // Drawing: the unit's men in their ring, each at his level of detail.
    void DrawCode(bool needsClip, float scale, float factor) override;
    void DrawBase(FogOfWarContact contact, bool b, float f1, float f2) override;
    void PrintWarningLabel() override;

    // ---- Taking hits --------------------------------------------------------------
    void TakeMineHit(bool reduced) override;
    // The crew's heavy weapon may be knocked out by the blow.
    void OrdnanceDamage(float power, PendingAttack* attack);
    bool CanBeDamaged() override;
    void BeAlertedByFire() override;
    // How exposed the unit is to a blow from (x, y, z): 0.005 and up, 0 when
    // that point cannot see it; exposure receives the visible fraction.
    float GetTEMFromLocation(float x, float y, float z, bool moving, bool fromAbove, bool halfFoxhole,
                             WeaponClass wclass, bool rawExposure, float* exposure) override;

    // ---- Panic, rout, cover and surrender -------------------------------------------
    void MaybePanic(bool force, bool directional, float threatX, float threatY, bool noMove);
    // True when the unit is (now) routing toward its side's retreat edges.
    bool RoutMove(bool severe, bool fromPanic);
    bool CheckOneRoutMove(float* x, float* y, bool severe, float step, float range, bool needCover,
                          const float* cosines, const float* sines, int32_t count);
    void CoverMove(bool urgent, bool directional, float threatX, float threatY);
    void FearReaction() override;
    void Surrender();
    void MaybePinLATWFirer();
    bool LATWInBuilding() override;

    // ---- Spotting and optics ----------------------------------------------------------
    float SpottingRange(Unit* spotter) override;
    void SpotterMods(Unit* target, float* sight, float* hearing) override;
    int32_t GetOpticalType() override;
    bool HaveBinoculars() override;
    bool UsingBinoculars(Unit* target) override;
    bool Abandoned() override;
    bool WantsToLimitTargetingAttentionToDirectThreats() override;

    // ---- Position, stacking, turning and resupply ---------------------------------------
    float GetZ() override;
    void RespondToFloorChoice(bool up);
    bool ViolatesStackingLimits(float x, float y, float floor, Infantry** other) override;
    bool AbideByStackingLimits(bool mayPush, Infantry* other) override;
    float StackingRadius();
    int32_t StackingPriority() override;
    float RotationSpeed() override;
    void PrepareForAction() override;
    void Stop(bool alsoTurning) override;
    bool CanHitVehicleAt(float x, float y, DataKnowledge k) override;
    void Refit() override;
    void Resupply() override;
    int32_t MaxAllowedAmmo(int32_t* base) override;
    ActionPacket* FillPacket() override;
    void ProcessActionPacket(ActionPacket* packet) override;

    // ---- Action choice and combat ---------------------------------------------------------
    void ComputeAction() override;
    void CombatAction(bool holdFire);
    void FireWeapon();
    bool FireSecondarySmallArms();
    bool AIWantsToFire(AmmoClass* ammo) override;
    void FriendlyFire();
    void HandToHandCombat();
    void FirePZFandRG();
    static bool IsLATWArmorTarget(GObject* candidate, void* firer);
    static bool IsLATWSoftTarget(GObject* candidate, void* firer);
    void Grenades();
    void ClearMines();
    static bool IsClearableMine(GObject* candidate, void* engineer);
    void FireOffboardArtillery();
    void FireArty(AmmoClass ammo);
    void SetFOError(bool second);
    // Puts back the observer's fire data kept at the end of the last playback
    // (target point, aim time, mission flags, aiming error); nothing when unset.
    void RestoreKeptFireData();

    // ---- Movement along waypoints -----------------------------------------------------------
    MovementSpeedType GetActualMoveSpeed(bool forEmbark);
    void Move() override;
    // Infantry never bogs down: it could move whenever it can move at all.
    bool CouldMoveIfNotBogged() override;

    // ---- Fields -------------------------------------------------------------------
    int16_t mSplitNameIndex = 0; // name index of the half split off this squad
    int16_t mSewerTime = 0;      // >0 travelling, 0 arrived, -1 waiting, below -1 lost
    bool mVulnerable = false;    // caught in a vulnerable moment
    bool mDigIn = true;          // will dig in; toggled by the player
    bool mOnSkis = false;
    int8_t mAntitankShots = 0;
    int8_t mExplosives = 0; // charges carried
    int8_t mGrenades = 0;
    SmallArmsType mTeamSmallArms[kInfantryTeams] = {kSmallArmsNone, kSmallArmsNone, kSmallArmsNone,
                                                    kSmallArmsNone}; // 71: no such team
    SmallArmsType mFigureSmallArms[kInfantryFigures] = {};
    int8_t mTeamMen[kInfantryTeams] = {};
    bool mRefit = false;            // a crew that left its vehicle or gun; nothing reads it yet
    bool mSavedMissionLive = false; // a forward observer's state kept at the end of playback
    bool mSavedRoundPattern = false;
    float mFOTargetX = kFOUnset; // 999999: none
    float mFOTargetY = kFOUnset;
    float mFOAimTime = kFOUnset;
    float mFOLastErrorX = kFOUnset;
    float mFOLastErrorY = kFOUnset;
    float mFiringAnimTime = 0.0f;
    float mSecondaryFireTime = 0.0f; // seconds until the secondary small arms may fire
    float mFOErrorX = 0.0f;          // a forward observer's aiming error, metres
    float mFOErrorY = 0.0f;
    WeaponType mAntitankWeapon = 58;
    MovementSpeedType mMoveSpeed = 1;
    float mFigurePos[kPoseValues][kInfantryFigures] = {}; // pose value, then figure
    float mFigureScale[kInfantryFigures] = {1.0f, 1.0f, 1.0f};
    bool mTookCasualties = false;
    int32_t mRandomSeed = 0; // -32766..32766, for drawing
    float mRandomHeading = 0.0f;
    float mJitterA[kInfantryFigures][2] = {}; // figure-group offsets, metres, within +-0.6
    float mJitterB[kInfantryFigures][2] = {}; // their drift per slice, within +-0.0045
    float mJitterScale[kInfantryFigures] = {1.0f, 1.0f, 1.0f};

private:
    void CopyInfantryPartFrom(const Infantry& other);
    void PlaceNewHalf(Infantry* half);
    void ShareMenWith(Infantry* half);
    void RepairTeamStrengths();
};

// The look-ahead point of the last MoveSpeed call.
extern thread_local float gMoveX;
extern thread_local float gMoveY;
// Armed by the caller for one MoveSpeed call: test the way ahead for mines.
extern bool gCheckMinesAhead;

// The anti-tank weapon of a record code, and the code of a weapon.
WeaponType AntitankWeaponOfCode(int32_t code);
int32_t AntitankCodeOfWeapon(WeaponType weapon);
// A text for the unit's speed class: "Schnell", "Mittel", "Langsam"...
void ConcatInfantrySpeed(Infantry* unit, GString* text);

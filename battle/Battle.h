#pragma once
// The battle in progress (one instance, gBattle): weather and visibility,
// victory flags, the action-packet record, pending attacks, effects, the
// sound queue, the selected unit and the per-side state of the ending rules.
// It owns its map and lists; the lists exist for the battle's whole life and
// are emptied, never replaced.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "battle/BattleResult.h"
#include "battle/ScenarioCore.h"
#include "engine/GGroup.h"
#include "renderer/GGraph3D.h"

class ActionPacket;
class BattleHost;
class BattleMapLink;
class Ephemeral;
class GFile;
class GGraphic;
class GSoundStream;
class GView;
class InfoPanel;
class PendingAttack;
class Unit;

constexpr int32_t kSlicesPerTurn = 2400;

class Battle : public ScenarioCore {
public:
    // Sets the defaults; draws one random number and discards it, then
    // draws the wind direction.
    Battle();
    ~Battle() override;

    // The lists empty, no map; for a TCP/IP merge.
    void IBattleStub();
    // Without a file: a default map and one large flag at its centre. With
    // a file: the scenario and battle parts, then the computer opponent's
    // groups (raw identifiers resolved). False on a damaged file, whose
    // contents are then dropped.
    bool IBattle(GFile* file, GList** groups);
    void BeginBattle(bool clearScreen, bool playQueue);

    void Write(GFile* file) override;
    bool ReadBattlePart(GFile* file);
    // The body of a TCP/IP turn file: the sender's state and units. The
    // reader is a stub battle into which the peer's state is merged; with
    // ownFile the sender's own values are dropped. False on a damaged body.
    void WritePartialTCP(GFile* file);
    bool ReadPartialTCP(GFile* file, bool ownFile);
    // A digest of what the next computed turn depends on: the turn, scores
    // and flags, every unit's record and the map's changeable objects
    // (buildings, walls, craters, foxholes, smoke). The units' animation
    // frames, figure poses and graphics are no part of it, so two machines
    // that show the same battle differently give the same digest. Nor is
    // what each machine sees: a flag counts by who holds it in truth,
    // worked out on a copy, never by the holder its player is shown.
    uint64_t SimulationDigest();
    // The same as named records, in the digest's order, for telling where
    // two battles differ.
    struct SimulationRecord {
        std::string name;
        std::vector<uint8_t> bytes;
        std::vector<std::pair<size_t, const char*>> fields; // where each named field starts
    };
    std::vector<SimulationRecord> SimulationRecords();
    // The digest of records as SimulationDigest gives it.
    static uint64_t DigestOf(const std::vector<SimulationRecord>& records);
    // "record, field (value here, value there)" for the first byte in which
    // two records differ; empty when they are the same. The field is the
    // named one the byte lies in, else the byte's place.
    static std::string RecordDifference(const SimulationRecord& here, const SimulationRecord& there);
    bool Over() override;
    void Handicap(int32_t percent) override;

    // The only maker of action packets: stamped at the current slice plus
    // delay (never below 0) and appended to the packet list.
    ActionPacket* CreateActionPacket(int32_t delay);
    // A packet of the current slice kept out of the record, for a sound played
    // at once; the caller owns it.
    std::unique_ptr<ActionPacket> CreateLoosePacket() const;
    void WriteActionPackets(GFile* file);
    // False, with an empty packet list, on a damaged packet block.
    bool ReadActionPackets(GFile* file);

    Unit* GetUnitFromUniqueID(uint32_t id) const;
    void AddNewUnit(Unit* unit);
    // Appends the units made during a slice to the unit list.
    void MergeNewUnits();
    // The side's home edge of the map.
    Direction HomeMapEdge(Affiliation side) const;

    BattleHost* Host() const;

    // ---- Services the unit rules call -----------------------------------
    // Each starts as a least answer in BattleServices.cpp; the issue that
    // owns the rule replaces the body there.
    // A new pending attack due at the current slice plus delay, its offset
    // and hit fields zeroed, in the new-attacks list (null with no battle).
    PendingAttack* CreatePendingAttack(Unit* attacker, Unit* target, int32_t delay, bool side, bool flag);
    // The dust factor of a shot on that terrain; 0 for none.
    float Dusty(Terrain terrain, int32_t level);
    // A dust cloud at the point; firing passes -5 for z.
    void MakeSmokePacket(float x, float y, float z, float density);
    // Raises the deafening level of the units around the point.
    void DeafenFromXY(int32_t amount, float x, float y);
    // Whether the point lies in a minefield newly found by the side concerned.
    bool InNewMineField(float x, float y, bool vehicle);
    // A speed factor 0.01..1.0 for the ground condition.
    float GroundSpeedFactor(float groundPressure, int32_t level);
    // Recomputes every unit's leader links.
    void CheckAllLeadership();
    // The slice being played back.
    int32_t PlaybackTimeSlice() const;
    // Redraws the unit panel (nothing headless).
    void RefreshInfoPanel();
    // Whether pre-planned bombardments may be ordered now.
    bool BombardmentsAllowed() const;
    // Makes the unit (null: none) the selected one.
    void SetSelectedUnit(Unit* unit);

    // ---- The turn ----------------------------------------------------------
    void GlobalMorale();
    // A foxhole for every unit that digs in at the end of set-up.
    void DigIn();
    // Installs the battle's link on its map (once a map exists).
    void InstallMapLink();
    // The slice that sight and the map's records go by: the computed slice,
    // or the played one while packets are dispatched.
    int32_t SightSlice() const;
    // The visibility distance and the share of sight left per metre.
    void CalculateVisibilityFactor();
    // Packet order of playback: slice, sounds last, then foxhole sightings,
    // living units' states before dead ones'.
    static int32_t ComparePackets(GObject* a, GObject* b, void* context);
    // Whether the packets stand in playback order already.
    bool PacketsInOrder();
    // The map's packets hold what their records keep (see BattleAction.cpp).
    void KeepMapPacketsAsRecorded();

    // Attacks.
    void ResolveAttack(PendingAttack* attack);
    Unit* DetectHighTrajectoryShellHit(PendingAttack* attack);
    void AreaDamage(PendingAttack* attack);
    void DustFromExplosion(float x, float y, float charge);
    // The due attacks of the current slice, resolved and deleted.
    void ResolveDueAttacks();
    void CreateRicochetPacket(ActionPacket* shell, bool fragments);

    // Smoke.
    void AddSmokeShell(ActionPacket* packet);
    void RemoveSmokeShell(ActionPacket* packet);
    // Every 40 slices: clouds whose time is over leave the map.
    void AgeSmokeShells();

    // Playback.
    void BeginPlayback();
    void Playback();
    void SetPlaypoint(int32_t slice);
    // Rewind 11, back 12, pause 13, forward 14, play 15; shift takes short steps.
    void HandleVCRButton(int32_t command, bool shift);
    int32_t LastTimeSlice(bool raw) const;
    bool AtEndOfPlayback() const;
    void DispatchPacket(ActionPacket* packet);
    void HandleShellBodyPacket(ActionPacket* packet);
    void HandleSparkPacket(ActionPacket* packet);
    void RubbleCloud(float x, float y, bool big, int32_t startSlice);
    // A building's collapse in playback: the building becomes rubble and,
    // when it was standing, raises its dust cloud from the packet's slice.
    void CollapseBuilding(ActionPacket* packet);
    void QueueSoundEffect(ActionPacket* packet);
    void RemoveQueuedEngineSound(Unit* unit);
    void StripSuperfluousSounds();
    void DeleteEffects();
    // The clock playback runs by, in ms: the host's.
    uint32_t PlaybackClock();

    // Points and endings.
    Nation GetForceNation(bool axis) const;
    void ColorVictoryFlags(bool byView, bool mayExtend);
    // Each side's share of the points at stake; breakdown (2 x 5, may be
    // null): flags, casualties, captured men, exits, bonus per side.
    void CountVPs(bool byView, bool normalise, float* axisShare, float* alliesShare, int32_t* breakdown);
    float MinimumForceReadiness(Affiliation side) const;
    void MaybeForceEnding();
    bool MaybeForceSurrender(Affiliation side);
    bool TCPIPTruceOrSurrenderCheck();
    bool InVPExitZone(float x, float y, bool axis) const;
    bool InFriendlyExitEdge(float x, float y, bool axis) const;
    void ReceiveReinforcementUnit(Unit* unit, float x, float y);
    void GrabEditorMarkers();
    // The end of the battle: the last bail-outs, the final count and the
    // result's figures in mResult, then the host shows them.
    void BattleVictoryScreen(bool alreadyCounted, bool keepFrontLine);

    // Commands and keys.
    // Split infantry teams standing together again rejoin.
    void JoinUnits();
    // Selects the next (forward) or previous unit of the side, in list order.
    void GoToNextUnit(bool forward);
    // An order chosen from the orders menu for the whole multi-selection:
    // given at once to each unit, or left pending until the leader's point
    // is known.
    void RespondToMultiOrder(int32_t order);
    // Gives the pending multi-unit order to every other selected unit,
    // offset from the leader's point.
    void IssueMultiCommand();
    // A unit about to be deleted leaves the selection, the camera lock, the
    // computer's groups and the screen's references.
    void UnitGoes(Unit* unit);
    // An order the unit may not take now (locked into its moves): a beep.
    static void RefuseOrder();
    // The opening steps of a battle, once, with or without a screen.
    void BeginBattleLogic();
    // Of candidate flags, marks one drawn at random as the real one (nothing
    // when the first flag is no candidate).
    void PickOneRealFlag();

    // ---- Drawing (defined with the battlefield drawing) -------------------
    // Every unit's DrawItself with the three enlargement values, in list order.
    void DrawUnits(float a, float b, float c);
    // Every effect of mEffects, in list order, through the drawing's hook.
    void DrawEphemerals();
    // Drops a selection or camera lock that is no longer valid.
    void VerifySelectedUnit();
    // Once per drawn frame of the map: every unit's AdvanceAnimation, so that
    // figures and crews move on the kernel's clock. Nothing while a turn is
    // computed or the computer plans (the computation advances them once
    // before its first slice).
    void AdvanceAnimations();

    bool mSetupPhase = true;
    bool mStub = false;
    int32_t mSurrenderState[2] = {0, 0}; // 2: that side has given up
    int32_t mSeason = 0;
    int32_t mTimeOfDay = 1;
    int32_t mWeather = 0;
    int32_t mWindStrength = 1;
    float mWindDirection = 0.0f;
    float mVisibilityDistance = 0.0f;
    float mVisibilityFactor = 0.0f;
    ColorRGB mLightColor = {1.0f, 1.0f, 1.0f}; // tints mortars and rocket launchers
    bool mPickRealFlag = true;
    GList mFlags; // of VictoryFlag, owned
    int16_t mFlagValueTotal = 900;
    int32_t mSideScore[2] = {0, 0};
    float mSideVPFactor[2] = {1.0f, 1.0f};
    bool mHasExitEdge[2] = {false, false};
    int32_t mExitEdge[2] = {2, 0}; // Direction: side 0 East, side 1 West
    int16_t mSideShortA[2] = {0, 0}; // side 0's: the scenario fixes the set-up options (docs/battle-records.md)
    int16_t mQuietTurns[2] = {0, 0};
    int32_t mActivity[2] = {0, 0};
    int32_t mFiringActivity[2] = {0, 0}; // grows by 3000 a shot; index 1 the Axis
    int32_t mEdgeOwner[4] = {0, 2, 1, 2}; // West, North, East, South; 2 nobody
    bool mCustomForce[2] = {false, false};
    int32_t mCustomA[2] = {0, 0};
    int32_t mCustomB[2] = {0, 0};
    int32_t mCustomC[2] = {0, 0};
    int32_t mCustomD[2] = {0, 0};
    int8_t mCustomByteA[2] = {0, 0};
    int8_t mCustomByteB[2] = {100, 100};
    bool mCustomFlag[2] = {false, false};
    int32_t mHandicap = 0;
    bool mHandicapped[2] = {false, false}; // the handicap notice still waits for that side's player
    int16_t mVPBonus[2] = {0, 0};
    bool mVariableLength = false;
    int32_t mNominalLastTurn = 30;
    int32_t mForceReadinessOption = 3;
    bool mFlag2B2 = false;
    bool mResultShown = false;
    bool mEndedEarly = false;
    Unit* mSelectedUnit = nullptr;
    // The selected unit's picked waypoint, -1 none: set by the waypoint
    // markers in a pick pass, read by the orders menu and by the waypoint
    // editing (pace, drag, deletion); -1 while a turn is computed.
    int32_t mSelectedIndex = -1;
    GList mPackets;        // of ActionPacket, owned
    GList mPendingAttacks; // owned
    GList mNewAttacks;     // owned until merged
    GGroup mNewUnits;
    GList mEffects; // owned
    GList mPlaybackList;
    GQueue mSoundQueue; // owns none
    int32_t mPlayState = 0;
    GView* mScreen = nullptr;           // the battle screen, once begun
    InfoPanel* mInfoPanel = nullptr;    // part of the screen; clears this when it goes
    GGraphic* mFillerGraphic = nullptr; // owned
    GView* mResultView = nullptr;       // owned
    GGraphic* mBattleTextures[4] = {};  // owned
    GGraphic* mMenuGraphics[8] = {};    // the orders menus' pictures
    GGraphic* mOrderGraphics[46] = {};
    static GSoundStream* mAmbientSound;       // the ambient loop of the battle on screen
    GList* mAIGroups[2] = {nullptr, nullptr}; // owned
    GObject* mAIExtra = nullptr;              // owned
    GList* mObjectiveGraph = nullptr;         // the computer opponent's, owned; null until built
    bool mAIThinking = false;                 // a planning run is under way

    // ---- The computer opponent's objective graph (ai/) --------------------
    // Builds mObjectiveGraph from the victory flags when there is none yet.
    void AICalculateFlagGraph();
    // Plans the set-up turn of the side being planned: places its units and
    // fortifications and leaves it with its first list of groups.
    void AISetup();
    // Gives the arriving reinforcements of a computer side a group of their own.
    void AIAddReinforcementGroup(GList* arriving);

    // ---- The computer opponent's turn (ai/) ---------------------------------
    // Plans the side for this orders phase (the set-up placement in the
    // set-up turn); the screen shows a progress panel meanwhile.
    void AIOperational(Affiliation side);
    // Loose units of the planned side join its fall-back group of loose units.
    void AICollectFraidyCats();
    // Tidies the planned side's groups and gives them this turn's orders.
    void AIGroupLevel();
    // Infantry of the planned side standing too close together spreads out.
    void AIAvoidBunching();
    // Vehicles of the planned side that cannot move turn to their targets.
    void AIFaceIdleTanks();
    // Gives the planned side's artillery its targets.
    void AITargetArtillery();
    // The worth of shelling the point for side; *area (may be null) gets the
    // worth of smoke or fire on the ground beyond it.
    int16_t AICountArtyTargetsNear(float x, float y, Affiliation side, int16_t* area);
    // Takes a unit that leaves play out of its side's groups.
    void RemoveUnitFromAI(Unit* unit);
    // Both sides' group lists, as a saved game holds them.
    void WriteAIData(GFile* file);
    // The computer opponent's objective graph, behind its groups in a saved
    // game: what it drew when it built the graph stays what it drew.
    void WriteAIGraph(GFile* file);
    // Takes a graph ReadAIGraph made (flags by their place in mFlags); one
    // that names no flag of this battle is dropped and built again at need.
    void TakeAIGraph(GList* graph);

    // Settings and working fields that the unit rules and the screens read.
    int32_t mRegion = 2;             // 1 turns uniform 16 into 33 for infantry
    bool mCheckOrders = false;       // refused moves become order 20
    // How hard light and weather make aiming, 0..3 (set with the visibility
    // from the time of day and the weather): stretches flight times.
    int32_t mConditionLevel = 0;
    int32_t mRarityMode = 0;         // 0 standard, 1 variable, 2 off
    bool mFloorMenuLock = false;
    bool mPlaybackPaused = false; // the player paused the replay: figures hold their poses

    // Working state of the action phase.
    int32_t mTimeSlice = -1; // the slice being computed; -1 before the first
    bool mComputing = false;
    bool mRetreatSearch = false; // a vehicle's retreat search runs: passing smoke hides nothing
    float mGlobalMorale[2] = {1.0f, 1.0f};
    // The program that runs the battle; null when headless.
    BattleHost* mHost = nullptr;

    // The turn's working state: the map link, playback and the armour-hit
    // record the vehicle hit stages fill.
    BattleMapLink* mMapLink = nullptr; // owned
    int32_t mPlayNow = 0;              // the latest slice playback reached
    int32_t mPlayPrevious = -1;        // packets after it up to mPlayNow are due
    uint32_t mPlayStart = 0;           // clock time of slice 0
    bool mSilent = false;              // a seek: only engine sounds are queued
    bool mStartSoundsHeld = false;     // a rewind while held showed the start silently
    bool mDispatching = false;         // packets are being played back
    bool mBegun = false;               // the battle's opening steps have run
    int32_t mProgress = 0; // the progress bar's value
    bool mFlagChanged = false;
    bool mShowResultToOther = false;
    bool mMultiSelection = false;
    bool mMultiOrderPending = false;
    int32_t mMultiOrder = 0;    // the pending multi-unit order
    float mMultiAnchorX = 0.0f; // the leader's place when it was chosen (m)
    float mMultiAnchorY = 0.0f;
    bool mAllFlagsReal = false;
    int32_t mMenGivenUp[2] = {0, 0}; // men an early end took from each side
    bool mPacketsSorted = false;      // mPackets is in playback order
    BattleResult mResult;             // the figures of the finished battle
    // ---- What the application shell asks of the battle -------------------
    // Least answers in BattleShellServices.cpp until the battle flow and its
    // screen replace them there.
    // The battle's own commands (below 65); 20 to 63 go to the open order menu.
    void HandleCommand(int32_t command);
    // The keys the application does not take.
    void DoKey(char key, bool ctrl, bool keypad);
    void ShowScreens(bool show);
    // Prepares and plays back a turn (with false, false: a received one).
    void ActionPhase(bool compute, bool second);
    // Ends the battle by that side's surrender; 2: by both sides' cease-fire.
    void EndEarly(Affiliation side);
    bool ForceIsReady(Affiliation side);
    void TruceOrSurrenderCheck(bool local);
    void ReviewMap();
    void PlaySoundQueue();
    void RespondToSwapSides();
    // A new orders phase: a side whose men and vehicles on the map can none
    // of them take an order gets its orders-complete notice.
    void NoteOrdersComplete();
    // Every unit starts its engine sound (not in the set-up turn).
    void StartVehicleSounds();

    // ---- The battle on screen (defined with the battle screen, app/) -----
    // The ambient sound loop, with full sound.
    void Ambient();
    // The map drops every unit's engine sound.
    void StopVehicleSounds();
    // Makes every texture of the battle under the light of its time of day,
    // retrying after texture errors; false when the program must quit.
    bool MakeBattleTextures(bool flag);
    void LoadDummyInterfaceTextures();
    void DeleteTextures();
    // Drops the screen and its pictures; unless keepMap, the textures, the
    // replay sounds and the map view too.
    void DeletePreviewMaterial(bool keepMap);
    float mLightFactors[3] = {1.0f, 1.0f, 1.0f}; // in force when the textures were made
    // The enemy graphics a TCP/IP game must still build, per side: the
    // count of pictures pending and whether they were made (not kept in
    // files; docs/battle-records.md).
    int16_t mPendingGraphics[2] = {0, 0};
    bool mGraphicsMade[2] = {false, false};
    bool mOpenedFromList = false;            // loaded from the scenario list
    GView* mBottomPanel = nullptr;           // the control panel under the map; part of mScreen
    GView* mReplayControls = nullptr;        // part of mScreen

private:
    bool LoadParts(GFile* file, GList** groups);
    void TakeAIGroups(GList** groups);
    void DeleteLists();
};

extern Battle* gBattle;

// Reads what WriteAIData wrote into lists[0] and lists[1] (a side not saved
// leaves its pointer as given), the units as raw identifiers that the new
// battle resolves. False on damaged data, with nothing made.
bool ReadAI(GFile* file, GList** lists);
// Reads what WriteAIGraph wrote into *graph, its flags as their places in
// the battle's flag list until TakeAIGraph resolves them. False on damaged
// data, with nothing made.
bool ReadAIGraph(GFile* file, GList** graph);
// Turns the raw identifiers of a side's groups into the core's units. A
// member whose identifier names no unit is dropped, and a unit named twice
// stays where it was named first.
void AIResolveGroupUnits(ScenarioCore* core, GList* list);
// Takes a unit that is about to be deleted out of every group of both sides.
void AIForgetUnit(Battle* battle, Unit* unit);

// Whether the computer opponent plays that side in this battle.
bool IsComputerSide(Affiliation side);

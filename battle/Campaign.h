#pragma once
// An operation: a chain of battles over one larger map, each battle fought
// on one strip of it around a moving front line. Its record in a saved game
// keeps every value (docs/file-formats.md); the steps between battles
// (docs/operations.md) carry a finished battle back into it and cut the
// next one.

#include "battle/ScenarioCore.h"
#include "engine/GGroup.h"

class Battle;
class BattleHost;
class GFile;
class Reinforcement;
class UnitList;

class Campaign : public ScenarioCore {
public:
    Campaign();
    ~Campaign() override;

    // Starts from a clean operation and reads its record; false on a
    // damaged record, which leaves the operation empty.
    bool ICampaign(GFile* file);
    // The operation's record of a saved game (docs/file-formats.md).
    void Write(GFile* file) override;
    void Read(GFile* file) override;
    bool ReadCampaign(GFile* file);
    void WriteRecord(GFile* file);
    // The steps between two battles, in this order (docs/operations.md):
    // the generator seeded with `seed`; the finished battle's units, map
    // damage and flags carried back (RetrieveBattleData); the units tended
    // and reserves committed (CrunchData); the operation brought to its file
    // form; the next strip cut (BeginNextBattle). Without a finished battle
    // only the last two: the operation's first battle. The finished battle must
    // have been counted by its result screen; it keeps nothing the
    // operation needs and is the caller's to delete. Returns the next battle
    // (the caller's), or null when the operation is over, also when the
    // strip holds no unit of one side.
    Battle* StepToNextBattle(Battle* finished, uint32_t seed, BattleHost* host);
    // Survivors back onto the operation map and into mUnits, lost units to
    // mOpUnitsB, the strip's map damage and flags into the operation's.
    void RetrieveBattleData(Battle* finished);
    // Every unit tended (Clean, Medic, ShiftCasualtiesToOld, Refit,
    // Resupply, in the list's order), then reserves may commit.
    void CrunchData();
    // Cuts the current strip (GetSleeveDimensions) into a new battle in its
    // set-up, with the units, flags and time of day of that strip; the units
    // that fight leave mUnits for the battle. Null, with nothing moved, when
    // the strip holds no unit of one side (the operation then ends).
    Battle* BeginNextBattle(BattleHost* host);
    // Writes the operation and reads it back, so that what goes on in
    // memory is what a saved game holds.
    bool Normalise();
    // Units of each side that could fight in the current strip.
    void StripUnitCounts(int32_t counts[2]) const;
    // Moves the front line by where the sides stand at the end of a battle.
    void ComputeFrontLine();
    // What a new battle of the operation takes from it: its time of day by
    // the battle number and the day's period, and the night states cleared.
    void StartBattle(Battle* battle);
    // The bookkeeping of a finished battle: its counts (the result screen's
    // seven rows per side) added to the totals, the casualties with a
    // spread of -10 % to +10 % (one draw per side, side 0 first); the value
    // of the vehicles, airplanes and guns each side lost credited to the
    // other side's losses; the battle number advanced and, unless
    // keepFrontLine, the front line moved.
    void CountBattle(const int32_t counts[2][7], const float materialLost[2], bool keepFrontLine);
    // Whether the front line lies on a square of the operation map along the
    // attack and the strip's corner within the map (the record's reader
    // refuses an operation where they do not).
    bool OnTheMap() const;
    // The time of day of the current battle.
    int32_t BattleDaytime() const;
    // The border of the strip that units of mEdgeSide may not cross: 0 east
    // (x beyond the width), 1 south (y below 0), 2 west (x below 0), 3 north
    // (y beyond the height); -1 when no side is held.
    int32_t HeldEdge() const;
    // The row of the arrival table (0 north end, 1 south, 2 east, 3 west)
    // at the rear of `side`'s end of the strip.
    int32_t ArrivalRow(Affiliation side) const;

    // The current battle's strip of the operation map, in squares.
    void GetSleeveDimensions(int32_t* x, int32_t* y, int32_t* w, int32_t* h) const;
    // Copies the battle's flags, moved to the operation map, into mOpFlags.
    void RetrieveOpFlags();
    // Reinforcements in the strip may arrive; reserves are committed by the
    // strength of the sides.
    void ReinforcementsArrive() override;
    // Places an arriving group at one point of the attacked edge of its strip.
    void OneReinforcementArrives(Reinforcement* reinforcement);
    bool AttackerReachedObjective() const;
    bool Over() override;
    // -4 .. 4, positive for an Allied victory.
    int32_t ComputeVictor() const;

    int32_t mSideValue[2] = {0, 0};   // a per-side value that travels with TCP/IP turns
    // Battles of an e-mail operation both players have seen to their end;
    // kept in the game file's option block.
    int32_t mBattleCounter = 0;
    int32_t mOperationType = 0;       // 2: the victor is judged by points
    int32_t mSupplyLevel[2] = {0, 0}; // 0..5 per side, index 0 for side 1 (the Allies)

    // The operation's ground and scores. Nothing sets them in this program:
    // an operation keeps these values.
    int32_t mAttackerScoreFactor = 100; // percent
    int32_t mSleeveSize = 20;           // squares
    int32_t mAttackDirection = 0;       // 0, 2 along the width; 1, 3 along the height
    int32_t mSleeveOffsetX = 0;
    int32_t mSleeveOffsetY = 0;
    int32_t mFrontLine = 0; // squares along the attack direction
    int32_t mStartLine = 0; // metres
    int32_t mSideScore[2] = {0, 0};
    int16_t mSideLosses[2][2] = {{0, 0}, {0, 0}};
    // The rarity the operation's purchases are priced by between battles, as
    // a battle keeps its own: 0 standard, 1 variable, 2 off; the region of its
    // rarity rows.
    int32_t mRarityMode = 0;
    int32_t mRegion = 2;
    // Foxholes the defender may dig in each battle's set-up (Map's limit).
    int32_t mFoxholeAllowance = 0;
    GList mOpFlags; // of VictoryFlag, owned

    // The operation's totals over its battles, per side, in the rows of the
    // result screen: casualties, captured, two kinds of gun, emplacements,
    // vehicles, airplanes.
    int32_t mTotals[2][7] = {};
    // A list the record keeps but the steps leave empty (the units held out
    // of a battle stay in mUnits), and the units the operation has lost for
    // good; owned, never null.
    UnitList* mOpUnitsA = nullptr;
    UnitList* mOpUnitsB = nullptr;
    // Per side: whether that side is asked before a night battle is fought.
    bool mNightQuestion[2] = {false, false};
    // Battles in one day and the day's start: battle n is fought at
    // GetDaytimeOfTurn(n, mDayPeriod, mDayOffset).
    int32_t mDayPeriod = 0;
    int32_t mDayOffset = 0;
    // The side held back at the operation's edge (2: neither) and the edge
    // (0..3, -1: the one beyond the attacker's objective).
    int32_t mEdgeSide = 2;
    int32_t mEdgeValue = -1;
    // The computer's front flags: mode 2 joins the battle's flags, any other
    // places flags at the front, at mFrontDepth metres' spacing.
    int32_t mFrontMode = 0;
    int32_t mFrontDepth = 100;
};

// Turns of each battle of an operation.
constexpr int32_t kOperationBattleTurns = 12;

extern Campaign* gCampaign;

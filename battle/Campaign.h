#pragma once
// An operation: a series of battles over one strip of ground. In this
// program its initialisation, file part and steps between battles do
// nothing; only its presence is kept.

#include "battle/ScenarioCore.h"
#include "engine/GGroup.h"

class GFile;
class Reinforcement;

class Campaign : public ScenarioCore {
public:
    Campaign() = default;
    ~Campaign() override;

    void ICampaign(GFile* file) {}
    // The operation's own part of a saved game is empty.
    void Write(GFile* file) override {}
    void Read(GFile* file) override {}
    void CrunchData() {}
    void BeginNextBattle() {}
    void RetrieveBattleData() {}

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
    GList mOpFlags; // of VictoryFlag, owned
};

extern Campaign* gCampaign;

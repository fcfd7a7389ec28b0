#pragma once
// The headless operation runner: opens an operation (a game file of type
// "mvh0"), plays each battle with the computer on both sides through the
// battle runner, counts it as the result screen does, takes the steps
// between battles and goes on until the operation is over. dm_run prints
// what it reports per battle.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/scenarios/BattleRunner.h"

class Battle;
class Campaign;

// What one battle of the operation gave.
struct OperationBattle {
    int32_t number = 0; // the operation's battle number
    int32_t timeOfDay = 0;
    std::vector<RunnerTurn> turns; // the turns computed (none for a night that passed)
    int32_t grade = 0;             // ComputeVictor after the battle, -4 .. 4
    int32_t frontLine = 0;         // squares, after the battle
    // The operation's score after the battle, per side (0 Axis, 1 Allies):
    // the men and the value of the material it has made the enemy lose, and
    // the flags it holds.
    int32_t menInflicted[2] = {0, 0};
    int32_t materialInflicted[2] = {0, 0};
    int32_t flagsHeld[2] = {0, 0};
    std::string stepDigest; // HAVAL-256 of the game file after the step (empty at the end)
    double stepMilliseconds = 0.0;
};

class OperationRunner {
public:
    OperationRunner();
    ~OperationRunner();
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    // Opens an operation file; its first battle is the one it holds or,
    // without one, the first strip cut. False with the reason.
    bool Load(const std::string& path, std::string* error);
    // Opens with this seed in place of the file's (before Load).
    void OverrideSeed(uint16_t seed) {
        mSeedOverridden = true;
        mSeedOverride = seed;
    }
    // Reads an operation's order script (after Load): each battle's section
    // is given to that battle's units, its points moved from the operation's
    // map onto the battle's. False with the fault for a script without
    // battle sections, a section past the operation's last battle or a unit
    // the operation does not hold; a point off a battle's map fails that
    // battle's opening.
    bool LoadScript(const std::string& scriptPath, std::string* error);
    // Takes an operation made elsewhere (and its battle under way, or null).
    void Adopt(Campaign* operation, Battle* battle, uint16_t seed);
    // Plays the current battle to its end and, unless the operation is then
    // over, takes the steps to the next one.
    bool PlayBattle(OperationBattle* report, std::string* error);
    // The same in parts: the battle opened (its set-up ended with GO), up
    // to n of its turns computed, and its end and the steps after it.
    bool OpenBattle(OperationBattle* report, std::string* error);
    bool PlayTurns(int32_t turns, OperationBattle* report, std::string* error);
    bool FinishBattle(OperationBattle* report, std::string* error);
    // The battle being played (once opened) or the next one.
    Battle* CurrentBattle() const;
    bool Over() const;
    // Which sides the computer plans in every battle (before Load; by
    // default both). A side not planned gives no orders and keeps its set-up.
    void PlanSides(bool axis, bool allies) { mRunner.PlanSides(axis, allies); }
    // The experience bonus of the computer's side (0..3) in every battle of
    // the operation, as the sides screen gives it to the operation and its
    // battle (before Load or Adopt); the computer's side is the one planned
    // side, or the one SetComputerSide names. Without it the operation keeps
    // its own.
    void SetComputerBonus(int32_t bonus) { mBonus = bonus; }
    // With both sides planned, the side the computer plays as in a
    // one-player game (after PlanSides): the bonus falls on it.
    void SetComputerSide(Affiliation side) { mRunner.SetComputerSide(side); }
    // Stops after this many turns of each battle (0: to its end).
    void LimitTurns(int32_t turns) { mTurnLimit = turns; }

    Campaign* GetCampaign() const { return mCampaign; }
    Battle* GetBattle() const { return mBattle; }
    uint16_t Seed() const { return mSeed; }

private:
    void Release();

    BattleRunner mRunner;
    Campaign* mCampaign = nullptr; // owned; gCampaign while held
    Battle* mBattle = nullptr;     // owned until the runner plays it
    Campaign* mOldCampaign = nullptr;
    uint16_t mSeed = 0;
    int32_t mTurnLimit = 0;
    int32_t mBonus = -1; // -1: the operation's own
    bool mSeedOverridden = false;
    uint16_t mSeedOverride = 0;
    OrderScript mScript;   // empty: no script
    bool mPlaying = false; // the runner holds the battle
};

// The seed of the steps after battle n of an operation run with `seed`.
uint32_t OperationStepSeed(uint16_t seed, int32_t battle);
// HAVAL-256 in hex of the game file holding the operation and its battle.
std::string OperationFileDigest(Campaign* operation, Battle* battle);

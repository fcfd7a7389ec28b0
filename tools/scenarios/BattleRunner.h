#pragma once
#include <functional>
// The headless battle runner: loads a scenario file through the game file's
// reader, gives each turn's scripted orders through the units' own order
// operations, and plays the turns through the battle's own commands (GO,
// then next turn, which plays the rest of the turn back) with a host of its
// own, until the battle ends or a turn count is reached. The benchmarks and
// the regression tests drive it as the command-line runner does.

#include <cstdint>
#include <memory>
#include <string>

#include "battle/BattleHost.h"
#include "tools/scenarios/OrderScript.h"

class Battle;
class GList;

// The battle's commands the runner sends.
constexpr int32_t kRunnerCommandGo = 9;
constexpr int32_t kRunnerCommandNextTurn = 10;

// What one computed turn gave.
struct RunnerTurn {
    int32_t turn = 0;         // the turn computed
    std::string packetDigest; // HAVAL-256 of the turn's action-packet block
    std::string battleDigest; // HAVAL-256 of the battle written after the turn
    double milliseconds = 0.0;
    double planMilliseconds = 0.0; // CPU time (this thread) of the runner's own planning of the Axis
};

// The runner's host: a one-player game seen from the Axis whose computer
// side follows the planned sides (the one planned side, or none when both or
// neither are planned) and whose computer sets up as the option says (0 the
// scenario's set-up, the game's default; 1 free placement).
class RunnerHost : public BattleHost {
public:
    int32_t ComputerSetupOption() override { return mSetupOption; }
    Affiliation ComputerSide() override { return mComputerSide; }

    int32_t mSetupOption = 0;
    Affiliation mComputerSide = kAllies;
};

class BattleRunner {
public:
    BattleRunner();
    ~BattleRunner();
    BattleRunner(const BattleRunner&) = delete;
    BattleRunner& operator=(const BattleRunner&) = delete;

    // Which sides the computer plans at every GO, set-up included (before
    // Load). By default the Allies, as in a one-player game seen from the
    // Axis; a side not planned gives no orders but its script's and keeps
    // its scenario set-up.
    void PlanSides(bool axis, bool allies);
    // How the computer sets up (0 the scenario's set-up, 1 free placement)
    // and the experience bonus of its side (0..3), as the sides screen sets
    // them (before Load).
    void SetComputerSetup(int32_t option) { mHost.mSetupOption = option; }
    void SetComputerBonus(int32_t bonus) { mBonus = bonus; }
    // With both sides planned no side is the computer's; this names one
    // (after PlanSides), which the bonus and the computer's rules then fall on.
    void SetComputerSide(Affiliation side) { mHost.mComputerSide = side; }
    // The players screen's handicap in percent (positive favours the Allies,
    // 0 none), given to a scenario whose set-up options are not fixed, as
    // the screen offers it (before Load).
    void SetHandicap(int32_t percent) { mHandicap = percent; }
    // Gives the script's orders only to the units of sides not planned
    // (before the first turn); by default every script order is given.
    void ScriptOnlyUnplanned(bool only) { mScriptOnlyUnplanned = only; }
    // Loads with this seed in place of the scenario's (before Load).
    void OverrideSeed(uint16_t seed);

    // Loads the scenario (seeding the generator from its seed first) and
    // ends its set-up with GO; false with the reason for a file that is not
    // a sound scenario.
    bool Load(const std::string& scenarioPath, std::string* error);
    // Takes a battle made elsewhere (an operation's next battle), seeded
    // with `seed`, and ends its set-up with GO as Load does.
    void Adopt(Battle* battle, uint16_t seed);
    // Gives the battle up to the caller, the current battle as it was.
    Battle* TakeBattle();
    BattleHost* Host() { return &mHost; }
    // Saves the battle as a game (with the computer's groups) between turns.
    bool Save(const std::string& gamePath, std::string* error);
    // Continues a game that Save wrote, from its seed; false with the reason
    // for a file that is not such a game.
    bool Resume(const std::string& gamePath, std::string* error);
    // Reads the order script and checks it names units of the scenario; an
    // operation's script (with battle sections) is refused.
    bool LoadScript(const std::string& scriptPath, std::string* error);
    // Takes a script read and checked elsewhere (an operation's battle's section).
    void SetScript(const OrderScript& script) { mScript = script; }
    // Computes the next turn; false with the reason when the battle is over
    // or this build computes no turn.
    bool RunTurn(RunnerTurn* result, std::string* error);
    bool Over() const;

    Battle* GetBattle() const { return mBattle; }
    uint16_t Seed() const { return mSeed; }
    // Called with the battle after each computed turn, its action packets
    // still in place, before the next turn begins.
    void OnComputed(std::function<void(const Battle&)> f) { mOnComputed = std::move(f); }

private:
    void Release();
    // The set-up as the program opens a loaded battle, ended with GO.
    void Open();
    // The Axis planned by the runner itself, with an objective graph of its
    // own: the battle's graph slot keeps the Allies' (which GO plans).
    void PlanAxis();

    RunnerHost mHost; // headless: one player, seen from the Axis
    int32_t mBonus = 0;
    int32_t mHandicap = 0;
    Battle* mBattle = nullptr;
    Battle* mOldBattle = nullptr;
    uint16_t mSeed = 0;
    bool mPlanAxis = false;
    bool mPlanAllies = true;
    bool mScriptOnlyUnplanned = false;
    bool mSeedOverridden = false;
    uint16_t mSeedOverride = 0;
    GList* mAxisGraph = nullptr; // owned
    OrderScript mScript;
    std::function<void(const Battle&)> mOnComputed;
};

// Reads an order script file; false with the fault's text.
bool ReadOrderScript(const std::string& scriptPath, OrderScript* script, std::string* error);

// The generator's seed before the turn is computed: from the scenario's
// seed and the turn only, so that a turn's result does not depend on what
// ran before it in the process.
// CPU time of the calling thread in milliseconds.
double ThreadCpuMilliseconds();
uint32_t RunnerTurnSeed(uint16_t scenarioSeed, int32_t turn);

// HAVAL-256 in hex of the battle's action-packet block and of the battle's
// file form.
std::string PacketBlockDigest(Battle* battle);
std::string BattleDigest(Battle* battle);

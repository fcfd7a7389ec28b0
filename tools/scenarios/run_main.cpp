// The headless battle runner: plays a scenario's turns with its order
// script and prints, per turn, the digests of the packet block and of the
// battle, and the time taken.
//
//   dm_run <scenario.mvg> [--script <orders>] [--turns <n>] [--plan 0|1|both|neither] [--seed <n>]
//          [--variable] [--script-unplanned] [--computer-setup 0|1] [--bonus 0..3]
//          [--handicap <percent>] [--stats <file>]
//
// --plan names the sides the computer plans at every GO (default 1, the
// Allies); --seed replaces the scenario's seed; --variable plays the battle
// with a variable length from the scenario's last turn; --script-unplanned
// gives the script's orders only to the sides the computer does not plan;
// --computer-setup is the sides screen's set-up choice (0, the default, keeps
// the scenario's set-up; 1 places the computer's units freely) and --bonus
// its experience bonus for the computer's side (0..3, default 0): with one
// side planned the computer's side is the planned one; with both planned no
// side is, unless --computer 0|1 names it or a bonus is given. Then it is the
// Allies: the runner is one player at the Axis's screen, and the bonus goes
// to the side the player does not command. With neither planned there is no
// bonus. --handicap is the players
// screen's handicap (200, 150, 100, 75, 50, 25, 0 or the negatives: extra
// units for the Allies when positive, for the Axis when negative), for a
// scenario whose set-up options are not fixed. --stats writes, after every
// turn, a line per unit of what it did in the turn (tools/scenarios/
// BattleStats.h names the columns). At
// the end the runner prints
// each side's share of the points and the units of either side that stand
// off the map, the points by source (flags, casualties, captured men, exits,
// bonus), who holds each flag and the units that left by their exit edge.
//
//   dm_run --compare <game-a.mvg> <game-b.mvg>
//
// names, for every record of the exchange digest in which two saved games
// differ (two machines' auto-saves of one TCP/IP battle), the first field
// that differs and its byte in either game.
//
//   dm_run <operation.mvh> [--script <orders>] [--turns <n>] [--plan 0|1|both|neither] [--seed <n>]
//          [--bonus 0..3] [--computer 0|1]
//
// plays an operation from its first battle to its end with the computer on
// both sides (--script: the operation's order script, a section per battle,
// its points on the operation's map; --seed replaces the file's; --turns: at most n turns of each battle;
// --plan: only the sides named are planned, the others give no orders; --bonus: the experience bonus of the
// computer's side in every battle, as the sides screen gives it, the computer's side chosen as for a battle)
// and prints, per battle, each turn's digests, the grade
// (-4 .. 4, positive for the Allies), the front line, what each side has
// made the other lose so far (men, the material's value) and the flags it
// holds, and the digest of the game file after the steps to the next battle.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/RandomStateKeeper.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/BattleStats.h"
#include "tools/scenarios/OperationRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

int RunOperation(const std::string& path, const std::string& script, int turns, bool planAxis,
                 bool planAllies, int bonus, int computer, int seed) {
    OperationRunner runner;
    if (seed >= 0) runner.OverrideSeed(static_cast<uint16_t>(seed));
    runner.LimitTurns(turns);
    runner.PlanSides(planAxis, planAllies);
    if (computer >= 0) runner.SetComputerSide(static_cast<Affiliation>(computer));
    if (bonus > 0) runner.SetComputerBonus(bonus);
    std::string error;
    if (!runner.Load(path, &error) || (!script.empty() && !runner.LoadScript(script, &error))) {
        std::fprintf(stderr, "dm_run: %s\n", error.c_str());
        return 1;
    }
    Campaign* op = runner.GetCampaign();
    std::printf("operation %s: %d battles, front line %d\n", op->mTitle.GetCString(), op->mLastTurn,
                op->mFrontLine);
    OperationBattle last;
    while (!runner.Over()) {
        OperationBattle battle;
        if (!runner.PlayBattle(&battle, &error)) {
            std::fprintf(stderr, "dm_run: %s\n", error.c_str());
            return 1;
        }
        for (const RunnerTurn& t : battle.turns)
            std::printf("battle %d turn %d packets %s battle %s %.1f ms\n", battle.number, t.turn,
                        t.packetDigest.c_str(), t.battleDigest.c_str(), t.milliseconds);
        std::printf("battle %d time %d: %zu turns; grade %d; front line %d\n", battle.number,
                    battle.timeOfDay, battle.turns.size(), battle.grade, battle.frontLine);
        std::printf("battle %d inflicted: axis men %d material %d, allies men %d material %d; "
                    "flags axis %d allies %d\n",
                    battle.number, battle.menInflicted[kAxis], battle.materialInflicted[kAxis],
                    battle.menInflicted[kAllies], battle.materialInflicted[kAllies], battle.flagsHeld[kAxis],
                    battle.flagsHeld[kAllies]);
        if (!battle.stepDigest.empty())
            std::printf("battle %d steps %s %.1f ms\n", battle.number, battle.stepDigest.c_str(),
                        battle.stepMilliseconds);
        last.number = battle.number;
        last.grade = battle.grade;
    }
    // The grade the last result screen showed: it counts a surrender in
    // that battle, which the operation alone no longer knows of.
    std::printf("operation over after battle %d: grade %d, front line %d\n", last.number,
                last.number > 0 ? last.grade : op->ComputeVictor(), op->mFrontLine);
    return 0;
}

// The digest's records of a saved game under way, as the exchange takes them.
bool GameRecords(const std::string& path, std::vector<Battle::SimulationRecord>* records) {
    BattleRunner runner;
    std::string error;
    if (!runner.Resume(path, &error)) {
        std::fprintf(stderr, "dm_run: %s\n", error.c_str());
        return false;
    }
    *records = runner.GetBattle()->SimulationRecords();
    return true;
}

int Compare(const std::string& a, const std::string& b) {
    if (!DecryptData()) {
        std::fprintf(stderr, "dm_run: the game data cannot be read: %s\n", GameDataError());
        return 1;
    }
    std::vector<Battle::SimulationRecord> first, second;
    if (!GameRecords(a, &first) || !GameRecords(b, &second)) return 1;
    int differing = 0;
    for (size_t i = 0; i < std::max(first.size(), second.size()); ++i) {
        if (i >= first.size() || i >= second.size()) {
            std::printf("record %zu only in %s\n", i, i < first.size() ? a.c_str() : b.c_str());
            ++differing;
            continue;
        }
        const std::string difference = Battle::RecordDifference(first[i], second[i]);
        if (difference.empty()) continue;
        std::printf("%s\n", difference.c_str());
        ++differing;
    }
    std::printf("%d of %zu records differ\n", differing, first.size());
    return differing == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return Compare(argv[2], argv[3]);
    std::string scenario, script, statsPath;
    int turns = 0;
    bool planAxis = false, planAllies = true, badPlan = false, planGiven = false;
    int seed = -1;
    bool variable = false;
    bool scriptUnplanned = false;
    int setupOption = 0, bonus = 0, handicap = 0, computer = -1;
    bool badOption = false;
    // A whole number within [low, high], or bad.
    auto number = [&badOption](const char* text, int low, int high) {
        char* end = nullptr;
        const long v = std::strtol(text, &end, 10);
        if (end == text || *end != '\0' || v < low || v > high) {
            badOption = true;
            return low;
        }
        return static_cast<int>(v);
    };
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc)
            script = argv[++i];
        else if (std::strcmp(argv[i], "--turns") == 0 && i + 1 < argc)
            turns = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--stats") == 0 && i + 1 < argc)
            statsPath = argv[++i];
        else if (std::strcmp(argv[i], "--variable") == 0)
            variable = true;
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--script-unplanned") == 0)
            scriptUnplanned = true;
        else if (std::strcmp(argv[i], "--computer-setup") == 0 && i + 1 < argc)
            setupOption = number(argv[++i], 0, 1);
        else if (std::strcmp(argv[i], "--bonus") == 0 && i + 1 < argc)
            bonus = number(argv[++i], 0, 3);
        else if (std::strcmp(argv[i], "--computer") == 0 && i + 1 < argc)
            computer = number(argv[++i], 0, 1);
        else if (std::strcmp(argv[i], "--handicap") == 0 && i + 1 < argc) {
            handicap = number(argv[++i], -200, 200);
            const int magnitude = handicap < 0 ? -handicap : handicap;
            if (magnitude % 25 != 0 || magnitude == 125 || magnitude == 175) badOption = true;
        } else if (std::strcmp(argv[i], "--plan") == 0 && i + 1 < argc) {
            const std::string plan = argv[++i];
            planGiven = true;
            planAxis = plan == "0" || plan == "both";
            planAllies = plan == "1" || plan == "both";
            badPlan = !planAxis && !planAllies && plan != "neither";
        } else if (scenario.empty() && argv[i][0] != '-')
            scenario = argv[i];
        else
            scenario.clear(), i = argc;
    }
    const bool operation = scenario.size() > 4 && scenario.compare(scenario.size() - 4, 4, ".mvh") == 0;
    // An operation is planned on both sides unless --plan names them.
    if (operation && !planGiven) planAxis = planAllies = true;
    // With both sides planned the bonus falls on the computer's side of a
    // one-player game seen from the Axis, the Allies, unless --computer
    // names the Axis; with one side planned that side is the computer's.
    const bool both = planAxis && planAllies;
    if (both && computer < 0 && bonus > 0) computer = kAllies;
    if (scenario.empty() || turns < 0 || badPlan || badOption || seed > 65535 ||
        (bonus > 0 && !planAxis && !planAllies) || (computer >= 0 && !both)) {
        std::fprintf(
            stderr,
            "usage: dm_run <scenario.mvg> [--script <orders>] [--turns <n>] "
            "[--plan 0|1|both|neither] [--seed <n>] [--variable] [--script-unplanned]\n"
            "              [--computer-setup 0|1] [--bonus 0..3] [--computer 0|1 (both planned)]"
            " [--handicap <percent>] [--stats <file>]\n"
            "       dm_run <operation.mvh> [--script <orders>] [--turns <n>] [--plan 0|1|both|neither]"
            " [--seed <n>]\n              [--bonus 0..3] [--computer 0|1 (both planned)]\n"
            "--bonus with both sides planned falls on the side --computer names, else on the Allies (1)\n");
        return 1;
    }
    if (!DecryptData()) {
        std::fprintf(stderr, "dm_run: the game data cannot be read: %s\n", GameDataError());
        return 1;
    }
    if (operation) return RunOperation(scenario, script, turns, planAxis, planAllies, bonus, computer, seed);
    BattleRunner runner;
    runner.PlanSides(planAxis, planAllies);
    if (computer >= 0) runner.SetComputerSide(static_cast<Affiliation>(computer));
    runner.ScriptOnlyUnplanned(scriptUnplanned);
    runner.SetComputerSetup(setupOption);
    runner.SetComputerBonus(bonus);
    runner.SetHandicap(handicap);
    if (seed >= 0) runner.OverrideSeed(static_cast<uint16_t>(seed));
    std::string error;
    if (!runner.Load(scenario, &error) || (!script.empty() && !runner.LoadScript(script, &error))) {
        std::fprintf(stderr, "dm_run: %s\n", error.c_str());
        return 1;
    }
    if (variable) runner.GetBattle()->mVariableLength = true;
    std::unique_ptr<BattleStats> stats;
    if (!statsPath.empty() && !(stats = BattleStats::Attach(&runner, statsPath, &error))) {
        std::fprintf(stderr, "dm_run: %s\n", error.c_str());
        return 1;
    }
    for (int played = 0; (turns == 0 || played < turns) && !runner.Over(); ++played) {
        RunnerTurn turn;
        if (!runner.RunTurn(&turn, &error)) {
            std::fprintf(stderr, "dm_run: %s\n", error.c_str());
            return 1;
        }
        std::printf("turn %d packets %s battle %s %.1f ms\n", turn.turn, turn.packetDigest.c_str(),
                    turn.battleDigest.c_str(), turn.milliseconds);
    }
    Battle* battle = runner.GetBattle();
    std::printf("%s at turn %d\n", runner.Over() ? "ended" : "stopped", battle->mTurn);
    float axis = 0.0f, allies = 0.0f;
    int32_t parts[10] = {};
    {
        RandomStateKeeper generator; // a report, not a rule
        battle->CountVPs(false, true, &axis, &allies, parts);
    }
    int32_t points[2] = {0, 0};
    for (int32_t j = 0; j < 10; ++j)
        points[j / 5] += parts[j];
    int offMap = 0, casualties[2] = {0, 0};
    for (int32_t i = 0; battle->mUnits && i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        casualties[u->GetAffiliation()] += u->mCasualties;
    }
    for (int32_t i = 0; battle->mUnits && i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mActive && u->mOffMapState == 0 && battle->mMap && !battle->mMap->OnMap(u->mX, u->mY))
            ++offMap;
    }
    std::printf(
        "points axis %d allies %d (shares %.3f %.3f); men lost axis %d allies %d; units off the map %d\n",
        points[0], points[1], axis, allies, casualties[0], casualties[1], offMap);
    for (int32_t s = 0; s < 2; ++s)
        std::printf("%s: flags %d casualties %d captured %d exits %d bonus %d\n", s == 0 ? "axis" : "allies",
                    parts[s * 5], parts[s * 5 + 1], parts[s * 5 + 2], parts[s * 5 + 3], parts[s * 5 + 4]);
    std::printf("flags");
    for (int32_t k = 0; k < battle->mFlags.GetCount(); ++k) {
        const auto* f = static_cast<const VictoryFlag*>(battle->mFlags.GetObjectA(k));
        std::printf(" %s", f->mNeutral ? "neutral" : (f->mHolderNation < 2 ? "axis" : "allies"));
    }
    int exited[2] = {0, 0}, marked[2] = {0, 0};
    for (int32_t i = 0; battle->mUnits && i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (!u->MarkedForExit()) continue;
        ++marked[u->GetAffiliation()];
        if (u->LeftByExitEdge()) ++exited[u->GetAffiliation()];
    }
    std::printf("; last turn %d; exited axis %d of %d, allies %d of %d\n", battle->mLastTurn, exited[0],
                marked[0], exited[1], marked[1]);
    return 0;
}

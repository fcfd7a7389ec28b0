// The headless battle runner: plays a scenario's turns with its order
// script and prints, per turn, the digests of the packet block and of the
// battle, and the time taken.
//
//   dm_run <scenario.mvg> [--script <orders>] [--turns <n>]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "battle/Battle.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"

int main(int argc, char** argv) {
    std::string scenario, script;
    int turns = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc)
            script = argv[++i];
        else if (std::strcmp(argv[i], "--turns") == 0 && i + 1 < argc)
            turns = std::atoi(argv[++i]);
        else if (scenario.empty() && argv[i][0] != '-')
            scenario = argv[i];
        else
            scenario.clear(), i = argc;
    }
    if (scenario.empty() || turns < 0) {
        std::fprintf(stderr, "usage: dm_run <scenario.mvg> [--script <orders>] [--turns <n>]\n");
        return 2;
    }
    if (!DecryptData()) {
        std::fprintf(stderr, "dm_run: the game data cannot be read: %s\n", GameDataError());
        return 1;
    }
    BattleRunner runner;
    std::string error;
    if (!runner.Load(scenario, &error) || (!script.empty() && !runner.LoadScript(script, &error))) {
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
    std::printf("%s at turn %d\n", runner.Over() ? "ended" : "stopped", runner.GetBattle()->mTurn);
    return 0;
}

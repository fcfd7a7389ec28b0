#pragma once
// The saved game the extras' fuzz target reads its input behind, and the
// extras parts its seeds hold, shared with the seed maker: three fixed
// objects (units 1 to 3) and two squads ordered to move (units 4 and 5), at
// the standing pace. The game data must be loaded.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FuzzRoundTrip.h"
#include "GameFileSeeds.h"

// The game file of a battle, with its extras.
inline std::vector<uint8_t> UnitExtrasGameBytes(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) return {};
    GameFileState state;
    state.players = 1;
    Battle* previous = gBattle;
    gBattle = battle;
    WriteGameFile(file.get(), &state, battle, nullptr);
    gBattle = previous;
    return FuzzFileBytes(file.get());
}

// The battle's saved game up to its extras: its squads stand and nothing
// is carried, so the file ends there.
inline std::vector<uint8_t> UnitExtrasGame() {
    auto battle = GameFileSeedBattle(false, "Extras");
    for (float x : {50.0f, 90.0f}) {
        auto* squad = new Infantry;
        squad->IInfantry(250, kForceDefaultAxis, kExperienceVeteran, x, 40.0f, 0.0f);
        squad->mWaypoints[0].mX = x;
        squad->mWaypoints[0].mY = 90.0f;
        squad->mWaypoints[0].mOrder = 4;
        squad->mNrWaypoints = 1;
        squad->mMoveSpeed = 1;
        battle->mUnits->Add(squad);
    }
    return UnitExtrasGameBytes(battle.get());
}

// Extras parts: a squad listed at the standing pace, both at a run, unit 2
// freed and a squad that has moved, shots at their targets, and the end
// alone.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> UnitExtrasSeeds() {
    return {
        {"pace-standing", {1, 0, 1, 0, 4, 1, 0}},
        {"paces", {1, 0, 2, 0, 4, 8, 0, 5, 8, 0}},
        {"carried", {1, 0, 1, 0, 5, 4, 2, 0, 2, 0, 2, 8, 0, 0, 0, 0, 0, 5, 1, 0, 0, 0, 3, 0}},
        {"shots", {2, 0, 1, 0, 5, 1, 0, 0, 0, 0, 3, 0, 2, 0, 4, 0, 7, 0, 5, 1, 44, 0}},
        {"end", {0}},
    };
}

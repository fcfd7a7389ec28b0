// Least answers of what the application shell asks of the battle. The battle
// flow and the battle screen replace these bodies in place.

#include "battle/Battle.h"

void Battle::HandleCommand(int32_t command) {}

void Battle::DoKey(char key, bool alt, bool numpad) {}

void Battle::ShowScreens(bool show) {}

void Battle::ActionPhase(bool compute, bool second) {}

void Battle::EndEarly(Affiliation side) {
    mEndedEarly = true;
}

bool Battle::ForceIsReady(Affiliation side) {
    return true;
}

void Battle::TruceOrSurrenderCheck(bool local) {}

void Battle::ReviewMap() {}

void Battle::PlaySoundQueue() {}

void Battle::Ambient() {}

void Battle::RespondToSwapSides() {}

void Battle::StopVehicleSounds() {}

// Services the unit rules ask of the battle. Each begins as the least answer
// that keeps a battle consistent; the rule that owns a service replaces its
// body here.

#include "battle/Battle.h"

#include "battle/BattleHost.h"

PendingAttack* Battle::CreatePendingAttack(Unit* attacker, Unit* target, int32_t delay, bool side, bool flag) {
    return nullptr;
}

float Battle::Dusty(Terrain terrain, int32_t level) { return 0.0f; }

void Battle::MakeSmokePacket(float x, float y, float z, float density) {}

void Battle::DeafenFromXY(int32_t amount, float x, float y) {}

bool Battle::InNewMineField(float x, float y, bool vehicle) { return false; }

float Battle::GroundSpeedFactor(float groundPressure, int32_t level) { return 1.0f; }

void Battle::CheckAllLeadership() {}

int32_t Battle::PlaybackTimeSlice() const { return mTimeSlice; }

void Battle::RefreshInfoPanel() { Host()->RefreshInfoPanel(); }

// Pre-planned fire may be ordered on the first turn once set-up is over,
// unless the scenario fixes the forces' readiness (option 3).
bool Battle::BombardmentsAllowed() const { return mTurn == 1 && !mSetupPhase && mForceReadinessOption != 3; }

void Battle::SetSelectedUnit(Unit* unit) {
    mSelectedUnit = unit;
    mSelectedIndex = -1;
    RefreshInfoPanel();
    Host()->SelectionChanged(unit);
}

// Services the unit rules ask of the battle. Each begins as the least answer
// that keeps a battle consistent; the rule that owns a service replaces its
// body here.

#include "battle/Battle.h"

#include <cmath>

#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "units/Unit.h"

PendingAttack* Battle::CreatePendingAttack(Unit* attacker, Unit* target, int32_t delay, bool side, bool flag) {
    return nullptr;
}

float Battle::Dusty(Terrain terrain, int32_t level) { return 0.0f; }

void Battle::MakeSmokePacket(float x, float y, float z, float density) {}

void Battle::DeafenFromXY(int32_t amount, float x, float y) {}

bool Battle::InNewMineField(float x, float y, bool vehicle) {
    if (!mUnits) return false;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u || u->mUnitType != kUnitInanimate || !u->mMineNew) continue;
        const bool kind = vehicle ? (u->mSubtype == 5 || u->mSubtype == 6) : u->mSubtype == 4;
        if (kind && std::fabs(u->mX - x) <= 12.0f && std::fabs(u->mY - y) <= 12.0f) return true;
    }
    return false;
}

float Battle::GroundSpeedFactor(float groundPressure, int32_t level) {
    struct Curve {
        float mOffset;
        float mWidth;
    };
    static constexpr Curve kCurves[] = {{5.0f, 30.0f}, {2.5f, 23.5f}, {0.0f, 15.0f},
                                        {-2.0f, 10.0f}, {1.0f, 11.0f}, {15.0f, 20.5f}};
    int32_t shift = level;
    int32_t base = mGroundCondition;
    if (mGroundCondition >= 6 && mGroundCondition <= 8) base = mGroundCondition - 4;
    if (mGroundCondition == 8 && shift < 0) shift = 0;
    int32_t k = base + shift;
    if (k < 0 || (k == 0 && shift < 0)) return 1.0f;
    if (k > 5) k = 5;
    const float t = (groundPressure + kCurves[k].mOffset) / kCurves[k].mWidth;
    float f = std::exp(-(t * t));
    if (f > 1.0f) f = 1.0f;
    if (f < 0.01f) f = 0.01f;
    return f;
}

void Battle::CheckAllLeadership() {}

int32_t Battle::PlaybackTimeSlice() const { return mPlayNow; }

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

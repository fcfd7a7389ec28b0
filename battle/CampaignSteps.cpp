// The operation's steps between two battles.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr float kSquare = 20.0f;

// Whether the unit still holds ground at the end of a battle.
bool HoldsGround(const Unit* u) {
    if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) return false;
    return u->mActive && !u->mSurrendered && u->mOffMapState == 0;
}

} // namespace

void Campaign::ComputeFrontLine() {
    if (!gBattle || !gBattle->mUnits) return;
    const Map* map = mMap ? mMap : gBattle->mMap;
    if (!map) return;
    const bool alongWidth = mAttackDirection == 0 || mAttackDirection == 2;
    const float extent = static_cast<float>(alongWidth ? map->mWidth : map->mHeight) * kSquare;
    const Affiliation attacker = mAttacker == 1 ? 1 : 0;
    // How far a point of the operation map lies from the attacker's start end.
    auto advance = [&](const Unit* u) {
        const float x = u->mX + static_cast<float>(mSleeveOffsetX) * kSquare;
        const float y = u->mY + static_cast<float>(mSleeveOffsetY) * kSquare;
        switch (mAttackDirection) {
        case 0:
            return x;
        case 1:
            return extent - y;
        case 2:
            return extent - x;
        default:
            return y;
        }
    };
    double sum[2] = {0.0, 0.0};
    int32_t count[2] = {0, 0};
    float foremost = -1.0f;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        const Unit* u = units->GetUnit(i);
        if (!HoldsGround(u)) continue;
        const Affiliation side = u->GetAffiliation();
        const float a = advance(u);
        sum[side] += a;
        ++count[side];
        if (side == attacker) foremost = std::max(foremost, a);
    }
    // An attacker with nothing left standing moves nothing; with the
    // defender gone its foremost unit sets the line; otherwise the line lies
    // midway between the two sides' mean positions.
    if (count[attacker] == 0) return;
    float front;
    if (count[1 - attacker] == 0)
        front = foremost;
    else
        front = static_cast<float>((sum[attacker] / count[attacker] + sum[1 - attacker] / count[1 - attacker]) * 0.5);
    const int32_t squares = alongWidth ? map->mWidth : map->mHeight;
    mFrontLine = std::clamp(static_cast<int32_t>(std::floor(front / kSquare)), 0, std::max(squares - 1, 0));
}

void Campaign::CountBattle(const int32_t counts[2][7], const float materialLost[2], bool keepFrontLine) {
    for (Affiliation s = 0; s < 2; ++s) {
        const double spread = 0.9 + 0.2 * RandomFraction();
        const int32_t casualties = static_cast<int32_t>(std::lround(counts[s][0] * spread));
        mTotals[s][0] += casualties;
        for (int32_t row = 1; row < 7; ++row)
            mTotals[s][row] += counts[s][row];
        // What a side lost counts for the other side: men (casualties and
        // captured) in the first value, the value of its material in the
        // second.
        const Affiliation other = 1 - s;
        const int32_t men = casualties + counts[s][1];
        mSideLosses[other][0] = static_cast<int16_t>(std::clamp(mSideLosses[other][0] + men, -32768, 32767));
        const int32_t material = static_cast<int32_t>(std::lround(materialLost[s]));
        mSideLosses[other][1] =
            static_cast<int16_t>(std::clamp(mSideLosses[other][1] + material, -32768, 32767));
    }
    ++mTurn;
    if (!keepFrontLine) ComputeFrontLine();
}

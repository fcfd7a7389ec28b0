// An operation's rules on its own values: the strip of the current battle,
// its flags, reinforcements and reserves, its end and its victor.

#include <algorithm>
#include <cmath>
#include <functional>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr float kSquare = 20.0f;

int32_t MapSquares(const Campaign* c, bool alongWidth) {
    const Map* m = c->mMap ? c->mMap : (gBattle ? gBattle->mMap : nullptr);
    if (!m) return 0;
    return alongWidth ? m->mWidth : m->mHeight;
}

float Extent(const Campaign* c) {
    const bool alongWidth = c->mAttackDirection == 0 || c->mAttackDirection == 2;
    return static_cast<float>(MapSquares(c, alongWidth)) * kSquare;
}

float Front(const Campaign* c) {
    return (static_cast<float>(c->mFrontLine) + 0.5f) * kSquare;
}

// Vehicles of one arriving group would all stand on the group's point, hull
// in hull, and a move given to them together keeps them so. Each takes the
// nearest place in a line across its facing, every kVehicleGap metres, with
// no other vehicle of the operation within kVehicleClear metres.
constexpr float kVehicleGap = 15.0f;
constexpr float kVehicleClear = 10.0f;

void FreeVehicleSpot(const Campaign* c, bool acrossX, float* x, float* y) {
    const float width = static_cast<float>(MapSquares(c, true)) * kSquare;
    const float height = static_cast<float>(MapSquares(c, false)) * kSquare;
    UnitList* units = c->mUnits;
    for (int32_t n = 0; n < 64; ++n) {
        const float step = static_cast<float>((n + 1) / 2) * kVehicleGap * (n % 2 == 1 ? 1.0f : -1.0f);
        const float cx = acrossX ? *x + step : *x, cy = acrossX ? *y : *y + step;
        if (cx < 0.0f || cy < 0.0f || (width > 0.0f && cx >= width) || (height > 0.0f && cy >= height))
            continue;
        bool taken = false;
        for (int32_t i = 0; units && i < units->GetCount() && !taken; ++i) {
            const Unit* v = units->GetUnit(i);
            taken = v->mUnitType == kUnitVehicle && std::fabs(v->mX - cx) < kVehicleClear &&
                    std::fabs(v->mY - cy) < kVehicleClear;
        }
        if (!taken) {
            *x = cx, *y = cy;
            return;
        }
    }
}

float SideStrength(UnitList* units, Affiliation side, const std::function<bool(Unit*)>& pick) {
    float sum = 0.0f;
    for (int32_t i = 0; units && i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->GetAffiliation() != side || !pick(u)) continue;
        if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) continue;
        if (!u->mActive || u->mSurrendered) continue; // only men and vehicles still fighting
        const int32_t full = u->GetOriginalNrMen();
        if (full <= 0) continue;
        sum += u->GetVPValue(true, kKnowTruth) * static_cast<float>(full - u->mCasualties) /
               static_cast<float>(full);
    }
    return sum;
}

// Whole-number a mod b, 0 when the strip is too narrow to divide.
int32_t SafeMod(uint32_t a, int32_t b) {
    return b > 0 ? static_cast<int32_t>(a % static_cast<uint32_t>(b)) : 0;
}

} // namespace

void Campaign::GetSleeveDimensions(int32_t* x, int32_t* y, int32_t* w, int32_t* h) const {
    const int32_t width = MapSquares(this, true), height = MapSquares(this, false);
    *x = *y = 0;
    *w = width;
    *h = height;
    int32_t front;
    switch (mAttackDirection) {
    case 0:
        front = mFrontLine;
        break;
    case 2:
        front = width - mFrontLine;
        break;
    case 1:
        front = height - mFrontLine;
        break;
    default:
        front = mFrontLine;
        break;
    }
    if (mAttackDirection == 0 || mAttackDirection == 2) {
        *w = std::min(mSleeveSize, width);
        *x = std::clamp(front - *w / 2, 0, std::max(width - *w, 0));
    } else {
        *h = std::min(mSleeveSize, height);
        *y = std::clamp(front - *h / 2, 0, std::max(height - *h, 0));
    }
}

void Campaign::RetrieveOpFlags() {
    if (!gBattle) return;
    for (int32_t k = 0; k < gBattle->mFlags.GetCount(); ++k) {
        auto* f = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(k));
        if (f->mKind == 2 || f->mKind == 3) continue;
        const float x = f->mX + static_cast<float>(mSleeveOffsetX) * kSquare;
        const float y = f->mY + static_cast<float>(mSleeveOffsetY) * kSquare;
        VictoryFlag* taken = nullptr;
        for (int32_t j = 0; j < mOpFlags.GetCount() && !taken; ++j) {
            auto* o = static_cast<VictoryFlag*>(mOpFlags.GetObjectA(j));
            if (o->mX == x && o->mY == y) taken = o;
        }
        // A flag the operation holds already takes the battle's holder, so
        // that the result screen grades the operation by who holds it now.
        if (taken) {
            taken->mNeutral = f->mNeutral;
            taken->mHolderNation = f->mHolderNation;
            continue;
        }
        auto* copy = new VictoryFlag(*f);
        copy->mX = x;
        copy->mY = y;
        mOpFlags.Add(copy);
    }
}

void Campaign::ReinforcementsArrive() {
    int32_t x, y, w, h;
    GetSleeveDimensions(&x, &y, &w, &h);
    for (auto& list : mReinforcements) {
        for (int32_t k = 0; k < list.GetCount(); ++k) {
            auto* r = static_cast<Reinforcement*>(list.GetObjectA(k));
            if (r->mArrivalTurn == 0 && r->mX >= x * kSquare && r->mX <= (x + w) * kSquare &&
                r->mY >= y * kSquare && r->mY <= (y + h) * kSquare)
                r->mArrivalTurn = 1;
        }
    }
    ScenarioCore::ReinforcementsArrive();
    const Affiliation attacker = mAttacker == 1 ? 1 : 0;
    auto all = [](Unit*) { return true; };
    const float own[2] = {SideStrength(mUnits, 0, all), SideStrength(mUnits, 1, all)};
    const float other = own[1 - attacker];
    const float ratio = other > 0.0f ? own[attacker] / other : 1e9f;
    static const float kCommit[3][3] = {{1.8f, 2.0f, 1.0f}, {1.4f, 3.0f, 0.75f}, {1.0f, 4.0f, 0.5f}};
    for (Affiliation side = 0; side < 2; ++side) {
        GList& list = mReinforcements[side];
        for (int32_t k = 0; k < list.GetCount(); ++k) {
            auto* r = static_cast<Reinforcement*>(list.GetObjectA(k));
            if (r->mArrivalTurn >= 0) continue;
            const int32_t row = std::min(-1 - r->mArrivalTurn, 2);
            bool commits = side == attacker ? ratio < kCommit[row][0] : ratio > kCommit[row][1];
            if (!commits) {
                const float reserve = SideStrength(r->mUnits, side, all);
                if (reserve >= 0.75f * own[side])
                    commits = static_cast<float>(RandomFraction()) < kCommit[row][2];
            }
            if (commits) {
                r->mArrivalTurn = 1;
                r->mChance = 1.0f;
                if (r->Arrive(this)) list.DeleteIndex(k, true);
            }
            break; // the first reserve of the side only
        }
    }
}

void Campaign::OneReinforcementArrives(Reinforcement* reinforcement) {
    if (!reinforcement || reinforcement->mUnits->GetCount() == 0) return;
    int32_t x, y, w, h;
    GetSleeveDimensions(&x, &y, &w, &h);
    // Each side's groups come in at its own rear end of the strip.
    const int32_t d = ArrivalRow(reinforcement->mUnits->GetUnit(0)->GetAffiliation());
    const uint32_t r1 = RandomPair();
    const uint32_t r2 = RandomPair();
    int32_t column, row;
    float facing;
    // A strip narrower than two squares leaves no room to spread the point.
    switch (d) {
    case 0:
        column = x + w / 4 + SafeMod(r1, w / 2), row = y + h - 5 - SafeMod(r2, 10), facing = 270.0f;
        break;
    case 1:
        column = x + w / 4 + SafeMod(r1, w / 2), row = y + 5 + SafeMod(r2, 10), facing = 90.0f;
        break;
    case 2:
        column = x + w - 5 - SafeMod(r2, 10), row = y + h / 4 + SafeMod(r1, h / 2), facing = 180.0f;
        break;
    default:
        column = x + 5 + SafeMod(r2, 10), row = y + h / 4 + SafeMod(r1, h / 2), facing = 0.0f;
        break;
    }
    const float px = static_cast<float>(column) * kSquare, py = static_cast<float>(row) * kSquare;
    const bool acrossX = d == 0 || d == 1; // the group faces north or south
    for (int32_t i = 0; i < reinforcement->mUnits->GetCount(); ++i) {
        Unit* u = reinforcement->mUnits->GetUnit(i);
        u->mOperationStatus = u->IsAxis() ? 4 : 1;
        u->mHeading = facing;
        float ux = px, uy = py;
        if (u->mUnitType == kUnitVehicle) FreeVehicleSpot(this, acrossX, &ux, &uy);
        u->PlopDown(ux, uy, true, false, false);
        mUnits->Add(u);
        mReinforcementsArrived[u->GetAffiliation()] = true;
    }
}

bool Campaign::AttackerReachedObjective() const {
    return !(Front(this) < Extent(this) - static_cast<float>(mStartLine) * 0.7f);
}

bool Campaign::Over() {
    if (mTurn >= 2) {
        if (static_cast<float>(mStartLine) * 0.7f >= Front(this)) return true;
        if (mOperationType != 2 && AttackerReachedObjective()) return true;
    }
    return ScenarioCore::Over();
}

int32_t Campaign::ComputeVictor() const {
    if (gBattle && gBattle->mSurrenderState[0] == 2) return 4;
    if (gBattle && gBattle->mSurrenderState[1] == 2) return -4;
    const Affiliation attacker = mAttacker == 1 ? 1 : 0;
    const float F = Front(this);
    int32_t grade;
    if (!(static_cast<float>(mStartLine) * 0.7f < F)) {
        grade = -4;
    } else if (mOperationType == 2) {
        float score[2];
        for (Affiliation s = 0; s < 2; ++s) {
            const float weight = s == attacker ? static_cast<float>(mAttackerScoreFactor) * 0.01f : 1.0f;
            score[s] = 2.0f * mSideLosses[s][0] + 4.0f * mSideLosses[s][1] +
                       static_cast<float>(mSideScore[s]) * weight;
        }
        int32_t balance = 0;
        for (int32_t k = 0; k < mOpFlags.GetCount(); ++k) {
            auto* f = static_cast<VictoryFlag*>(mOpFlags.GetObjectA(k));
            if (!f->mNeutral) balance += f->mHolderNation < 2 ? 1 : -1;
        }
        if (attacker == 1) balance = -balance;
        score[attacker] += 300.0f * static_cast<float>(balance);
        score[1 - attacker] -= 300.0f * static_cast<float>(balance);
        const float low = std::min(score[0], score[1]);
        if (low < 1.0f) {
            score[0] += 1.0f - low;
            score[1] += 1.0f - low;
        }
        const float ratio = score[attacker] / score[1 - attacker];
        if (ratio <= 0.333f)
            grade = -4;
        else if (ratio <= 0.444f)
            grade = -3;
        else if (ratio <= 0.625f)
            grade = -2;
        else if (ratio <= 0.87f)
            grade = -1;
        else if (ratio < 1.15f)
            grade = 0;
        else if (ratio < 1.6f)
            grade = 1;
        else if (ratio < 2.25f)
            grade = 2;
        else if (ratio < 3.0f)
            grade = 3;
        else
            grade = 4;
    } else if (AttackerReachedObjective()) {
        const float r = mLastTurn > 0 ? static_cast<float>(mTurn) / static_cast<float>(mLastTurn) : 1.0f;
        grade = r <= 0.51f ? 4 : (r <= 0.67f ? 3 : (r <= 0.85f ? 2 : 1));
    } else {
        const float span = Extent(this) - 2.0f * static_cast<float>(mStartLine);
        const float p = span != 0.0f ? (F - static_cast<float>(mStartLine)) / span * 100.0f : 0.0f;
        grade = p <= 45.0f ? -4 : (p <= 60.0f ? -3 : (p <= 75.0f ? -2 : (p <= 90.0f ? -1 : 0)));
    }
    return mAttacker == 1 ? grade : -grade;
}

#pragma once
// Operation records as the operation's writer makes them, for the record's
// fuzz target and the shared seed maker: an empty operation and one with a
// map, units on it, a reserve, units held out of the battle, lost units and
// flags. The infantry needs the game data loaded.

#include <cstdint>
#include <vector>

#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"

inline std::vector<uint8_t> OperationRecordBytes(Campaign* campaign) {
    GFile file;
    if (!file.ITempFile(false)) return {};
    campaign->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

inline std::vector<std::vector<uint8_t>> OperationRecordSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    {
        Campaign empty;
        empty.IScenarioCore();
        seeds.push_back(OperationRecordBytes(&empty));
    }
    Campaign c;
    c.IScenarioCore();
    c.mMap = new Map;
    c.mMap->IBlankMap(16, 8, 1.0f, 10);
    c.mTurn = 2;
    c.mLastTurn = 3;
    c.mAttacker = 1;
    c.mOperationType = 2;
    c.mSleeveSize = 8;
    c.mAttackDirection = 2;
    c.mSleeveOffsetX = 4;
    c.mFrontLine = 6;
    c.mStartLine = 40;
    c.mSideScore[0] = 50;
    c.mSideLosses[1][0] = 12;
    c.mSupplyLevel[0] = 3;
    c.mSupplyLevel[1] = 5;
    c.mTotals[0][0] = 17;
    c.mTotals[1][5] = 2;
    c.mNightQuestion[0] = true;
    c.mDayPeriod = 4;
    c.mDayOffset = 1;
    c.mEdgeSide = 0;
    c.mFrontMode = 1;
    c.mFrontDepth = 120;
    c.mRarityMode = 2;
    c.mRegion = 1;
    c.mFoxholeAllowance = 3;
    auto* squad = new Infantry;
    squad->IInfantry(250, kForceDefaultAxis, kExperienceVeteran, 100.0f, 60.0f, 0.0f);
    c.mUnits->Add(squad);
    auto* wire = new Inanimate;
    wire->IInanimate(kInanimateWire, 0, 200.0f, 80.0f, 0.0f);
    c.mUnits->Add(wire);
    auto* reserve = new Reinforcement;
    reserve->mArrivalTurn = -1;
    auto* held = new Infantry;
    held->IInfantry(1, kForceDefaultAllies, kExperienceRegular, 300.0f, 40.0f, 0.0f);
    reserve->mUnits->Add(held);
    c.mReinforcements[1].Add(reserve);
    auto* out = new Inanimate;
    out->IInanimate(kInanimateAPMines, 30, 20.0f, 20.0f, 0.0f);
    c.mOpUnitsA->Add(out);
    auto* lost = new Infantry;
    lost->IInfantry(22, kForceDefaultAllies, kExperienceRegular, 280.0f, 40.0f, 0.0f);
    lost->mCasualties = 2;
    c.mOpUnitsB->Add(lost);
    for (int32_t k = 0; k < 2; ++k) {
        auto* flag = new VictoryFlag;
        flag->mX = 100.0f + 80.0f * k;
        flag->mY = 70.0f;
        flag->mKind = k;
        flag->mNeutral = k == 0;
        c.mOpFlags.Add(flag);
    }
    seeds.push_back(OperationRecordBytes(&c));
    return seeds;
}

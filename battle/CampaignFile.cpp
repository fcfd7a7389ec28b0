// The operation's record in a saved game, and the settings each of its
// battles takes from it. The layout is documented in docs/file-formats.md.

#include <algorithm>
#include <cstdint>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

constexpr int8_t kRecordVersion = 1;
constexpr int32_t kMaxOpFlags = 1000;
constexpr int32_t kMaxDayPeriod = 1000;
constexpr int32_t kMaxDayOffset = 1000;
constexpr int32_t kMaxFrontDepth = 100000; // metres
constexpr int32_t kResultRows = 7;

void EmptyList(UnitList* list) {
    if (list) list->EmptyOut(true);
}

} // namespace

void Campaign::Write(GFile* file) {
    // The operation's units name each other by their place in its own
    // list, also while a battle is on.
    Battle* battle = gBattle;
    Campaign* operation = gCampaign;
    gBattle = nullptr;
    gCampaign = this;
    WriteRecord(file);
    gBattle = battle;
    gCampaign = operation;
}

void Campaign::WriteRecord(GFile* file) {
    file->WriteChar(kRecordVersion);
    ScenarioCore::Write(file);
    file->WriteLong(mOperationType);
    file->WriteLong(mAttackerScoreFactor);
    file->WriteLong(mSleeveSize);
    file->WriteLong(mAttackDirection);
    file->WriteLong(mSleeveOffsetX);
    file->WriteLong(mSleeveOffsetY);
    file->WriteLong(mFrontLine);
    file->WriteLong(mStartLine);
    for (Affiliation s = 0; s < 2; ++s) {
        file->WriteLong(mSideValue[s]);
        file->WriteLong(mSideScore[s]);
        file->WriteShort(mSideLosses[s][0]);
        file->WriteShort(mSideLosses[s][1]);
        file->WriteChar(static_cast<int8_t>(mSupplyLevel[s]));
        file->WriteChar(mNightQuestion[s] ? 1 : 0);
        for (int32_t row = 0; row < kResultRows; ++row)
            file->WriteLong(mTotals[s][row]);
    }
    file->WriteLong(mDayPeriod);
    file->WriteLong(mDayOffset);
    file->WriteChar(static_cast<int8_t>(mEdgeSide));
    file->WriteChar(static_cast<int8_t>(mEdgeValue));
    file->WriteChar(static_cast<int8_t>(mFrontMode));
    file->WriteLong(mFrontDepth);
    file->WriteChar(static_cast<int8_t>(mRarityMode));
    file->WriteChar(static_cast<int8_t>(mRegion));
    mOpUnitsA->WriteUnits(file);
    mOpUnitsB->WriteUnits(file);
    file->WriteLong(mOpFlags.GetCount());
    for (int32_t k = 0; k < mOpFlags.GetCount(); ++k)
        mOpFlags.GetObjectA(k)->Write(file);
    // Bytes a later version adds behind the known fields: the foxhole
    // allowance, when there is one (files without it read as none).
    if (mFoxholeAllowance != 0) {
        file->WriteShort(1);
        file->WriteChar(static_cast<int8_t>(mFoxholeAllowance));
    } else {
        file->WriteShort(0);
    }
}

void Campaign::Read(GFile* file) {
    ReadCampaign(file);
}

bool Campaign::ICampaign(GFile* file) {
    IScenarioCore();
    mFoxholeAllowance = 0;
    EmptyList(mOpUnitsA);
    EmptyList(mOpUnitsB);
    mOpFlags.EmptyOut(true);
    if (!file) return true;
    // Whatever the units and flags draw while they are made must not move
    // the program's draws: a loaded game goes on as the saved one would.
    const uint32_t state = GetRandomState();
    const bool read = ReadCampaign(file);
    SeedRandomGenerator(state);
    if (read) return true;
    // Nothing half-read stays behind.
    IScenarioCore();
    mFoxholeAllowance = 0;
    EmptyList(mOpUnitsA);
    EmptyList(mOpUnitsB);
    mOpFlags.EmptyOut(true);
    return false;
}

bool Campaign::ReadCampaign(GFile* file) {
    if (file->ReadChar() != kRecordVersion || file->HasFailed()) return false;
    if (!ReadScenario(file)) return false;
    mOperationType = file->ReadLong();
    mAttackerScoreFactor = file->ReadLong();
    mSleeveSize = file->ReadLong();
    mAttackDirection = file->ReadLong();
    mSleeveOffsetX = file->ReadLong();
    mSleeveOffsetY = file->ReadLong();
    mFrontLine = file->ReadLong();
    mStartLine = file->ReadLong();
    for (Affiliation s = 0; s < 2; ++s) {
        mSideValue[s] = file->ReadLong();
        mSideScore[s] = file->ReadLong();
        mSideLosses[s][0] = file->ReadShort();
        mSideLosses[s][1] = file->ReadShort();
        mSupplyLevel[s] = file->ReadChar();
        mNightQuestion[s] = file->ReadChar() != 0;
        for (int32_t row = 0; row < kResultRows; ++row)
            mTotals[s][row] = file->ReadLong();
        if (mSupplyLevel[s] < 0 || mSupplyLevel[s] > 5) return false;
    }
    mDayPeriod = file->ReadLong();
    mDayOffset = file->ReadLong();
    mEdgeSide = file->ReadChar();
    mEdgeValue = file->ReadChar();
    mFrontMode = file->ReadChar();
    mFrontDepth = file->ReadLong();
    mRarityMode = file->ReadChar();
    mRegion = file->ReadChar();
    if (file->HasFailed()) return false;
    // Values no operation can hold are damage, not something to play on.
    if (mAttackDirection < 0 || mAttackDirection > 3 || mSleeveSize < 1) return false;
    if (mTurn < 1 || mLastTurn < 1 || mTurn > mLastTurn + 1) return false;
    if (mDayPeriod < 0 || mDayPeriod > kMaxDayPeriod) return false;
    if (mDayOffset < 0 || mDayOffset > kMaxDayOffset) return false;
    if (!OnTheMap()) return false;
    if (mEdgeSide < 0 || mEdgeSide > 2 || mEdgeValue < -1 || mEdgeValue > 3) return false;
    if (mFrontMode < 0 || mFrontMode > 2 || mFrontDepth < 0 || mFrontDepth > kMaxFrontDepth) return false;
    if (mRarityMode < 0 || mRarityMode > 2 || mRegion < 0 || mRegion > 4) return false;
    EmptyList(mOpUnitsA);
    EmptyList(mOpUnitsB);
    if (!mOpUnitsA->ReadUnits(file) || !mOpUnitsB->ReadUnits(file)) return false;
    for (UnitList* list : {mOpUnitsA, mOpUnitsB})
        for (int32_t i = 0; i < list->GetCount(); ++i)
            list->GetUnit(i)->ReadPassTwo(this);
    const int32_t flags = file->ReadLong();
    if (file->HasFailed() || flags < 0 || flags > kMaxOpFlags) return false;
    mOpFlags.EmptyOut(true);
    for (int32_t k = 0; k < flags && !file->HasFailed(); ++k) {
        auto* flag = new VictoryFlag;
        flag->Read(file);
        mOpFlags.Add(flag);
    }
    const int32_t later = static_cast<uint16_t>(file->ReadShort());
    mFoxholeAllowance = later > 0 ? file->ReadChar() : 0;
    if (later > 1) file->Skip(later - 1);
    return !file->HasFailed() && mFoxholeAllowance >= 0 && mFoxholeAllowance <= Map::kMaxFoxholeAllowance;
}

bool Campaign::OnTheMap() const {
    // The front line lies on a square of the map along the attack, the
    // strip's corner within the map; without a map both are 0.
    const int32_t width = mMap ? mMap->mWidth : 0;
    const int32_t height = mMap ? mMap->mHeight : 0;
    const int32_t along = mAttackDirection == 0 || mAttackDirection == 2 ? width : height;
    if (mFrontLine < 0 || mFrontLine > std::max(along - 1, 0)) return false;
    return mSleeveOffsetX >= 0 && mSleeveOffsetX <= width && mSleeveOffsetY >= 0 && mSleeveOffsetY <= height;
}

void Campaign::StartBattle(Battle* battle) {
    mSideValue[0] = mSideValue[1] = 0;
    if (battle) battle->mTimeOfDay = BattleDaytime();
}

int32_t Campaign::BattleDaytime() const {
    return GetDaytimeOfTurn(mTurn, mDayPeriod, mDayOffset);
}

int32_t Campaign::HeldEdge() const {
    if (mEdgeSide != 0 && mEdgeSide != 1) return -1;
    return mEdgeValue >= 0 ? mEdgeValue : mAttackDirection;
}

int32_t Campaign::ArrivalRow(Affiliation side) const {
    // The attacker starts from the west for direction 0, the north for 1,
    // the east for 2 and the south for 3; the defender's rear is the far end.
    static const int32_t kAttackerRear[4] = {3, 0, 2, 1};
    static const int32_t kDefenderRear[4] = {2, 1, 3, 0};
    const int32_t d = mAttackDirection & 3;
    const Affiliation attacker = mAttacker == 1 ? 1 : 0;
    return side == attacker ? kAttackerRear[d] : kDefenderRear[d];
}

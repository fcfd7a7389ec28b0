#include "battle/ScenarioCore.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/UnitFactory.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kReservedScenarioTail = 97; // the fanaticism bytes included
constexpr int32_t kFanaticismBytes = 2;
constexpr int32_t kMaxFanaticism = 4;
constexpr int32_t kHandicapAttempts = 300;
// Reinforcement slots a side can address with unit identifiers.
constexpr int32_t kMaxReinforcements = kMaxReinforcementSlots;

// The head count that a force snapshot counts for a unit.
int32_t NominalHeadCount(const Unit* u) {
    switch (u->mUnitType) {
    case kUnitInfantry:
        return gInfantryData[u->mSubtype].mNrMen;
    case kUnitVehicle:
        return gVehicleData[u->mSubtype].mCrew;
    case kUnitAirplane:
        return 1;
    default:
        return 0;
    }
}

bool IsBoat(const Unit* u) {
    return u->mUnitType == kUnitVehicle && gVehicleData[u->mSubtype].mMobilityClass == 5;
}

} // namespace

int32_t GetSeason(int32_t date) {
    int32_t month = date % 100;
    if (month >= 3 && month <= 5) return 0;
    if (month >= 6 && month <= 8) return 1;
    if (month >= 9 && month <= 11) return 2;
    if (month == 12 || month == 1 || month == 2) return 3;
    return 0;
}

ScenarioCore::ScenarioCore() {
    mUnits = new UnitList;
    mUnits->IList();
    mReinforcements[0].IList();
    mReinforcements[1].IList();
}

ScenarioCore::~ScenarioCore() {
    DeleteContents();
}

void ScenarioCore::DeleteContents() {
    DeleteMap(mMap);
    mMap = nullptr;
    delete mUnits;
    mUnits = nullptr;
    mReinforcements[0].EmptyOut(true);
    mReinforcements[1].EmptyOut(true);
    for (auto& side : mBuffers) {
        for (void*& buffer : side) {
            std::free(buffer);
            buffer = nullptr;
        }
    }
    for (int32_t i = 0; i < 3; ++i)
        SetBriefing(i, nullptr, 0);
}

void ScenarioCore::SetBriefing(int32_t index, char* text, int32_t length) {
    if (index < 0 || index > 2) {
        delete[] text;
        return;
    }
    delete[] mBriefing[index];
    mBriefing[index] = text;
    mBriefingLength[index] = text ? length : 0;
}

void ScenarioCore::IScenarioCore() {
    mEditorScenario = true;
    mComputerBonus = 0;
    mTheatre = 2;
    mTemperature = 0;
    mGameType = 0;
    mScenarioLevel = 1;
    mScenarioShort = 0;
    DeleteMap(mMap);
    mMap = nullptr;
    for (int32_t side = 0; side < 2; ++side) {
        mMustGiveOrders[side] = false;
        mOrdersPending[side] = false;
        mReinforcements[side].EmptyOut(true);
        mReinforcements[side].IList();
        mReinforcementsArrived[side] = false;
    }
    delete mUnits;
    mUnits = new UnitList;
    mUnits->IList();
    for (auto& side : mBuffers)
        for (void*& buffer : side)
            buffer = nullptr;
}

bool ScenarioCore::Over() {
    return mTurn > mLastTurn;
}

// ---------------------------------------------------------------------------
// Unit identifiers

Unit* ScenarioCore::GetUnitPointer(int32_t id) const {
    if (id <= 0) return nullptr;
    if (id >= kReinforcementIDBase) {
        int32_t side = id / kReinforcementIDBase - 1;
        int32_t r = (id % kReinforcementIDBase) / kReinforcementIDStride;
        int32_t i = id % kReinforcementIDStride;
        if (side < 0 || side > 1) return nullptr;
        auto* reinforcement = static_cast<Reinforcement*>(mReinforcements[side].GetObjectA(r));
        if (!reinforcement || !reinforcement->mUnits) return nullptr;
        return reinforcement->mUnits->GetUnit(i);
    }
    return mUnits ? mUnits->GetUnit(id - 1) : nullptr;
}

Unit* ScenarioCore::FindMascot(Affiliation side) const {
    if (!mUnits) return nullptr;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->GetAffiliation() == side) return u;
    }
    return nullptr;
}

Force ScenarioCore::SnapshotForce(Affiliation side) const {
    int32_t counters[kForceCount] = {};
    auto count = [&](const UnitList* list) {
        if (!list) return;
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            const Unit* u = list->GetUnit(i);
            if (u->GetAffiliation() != side || u->mUnitType == kUnitInanimate || IsBoat(u)) continue;
            if (u->mForce < 0 || u->mForce >= kForceCount) continue;
            counters[u->mForce] += 1 + (NominalHeadCount(u) - u->mCasualties);
        }
    };
    count(mUnits);
    if (side == 0 || side == 1) {
        for (int32_t r = 0; r < mReinforcements[side].GetCount(); ++r)
            count(static_cast<Reinforcement*>(mReinforcements[side].GetObjectA(r))->mUnits);
    }
    Force best = side == kAxis ? kForceDefaultAxis : kForceDefaultAllies;
    for (Force f = 0; f < kForceCount; ++f)
        if (counters[f] > counters[best]) best = f;
    return best;
}

bool ScenarioCore::HasBoat(Affiliation side) const {
    auto search = [&](const UnitList* list) {
        if (!list) return false;
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            const Unit* u = list->GetUnit(i);
            if (u->GetAffiliation() == side && IsBoat(u)) return true;
        }
        return false;
    };
    if (search(mUnits)) return true;
    if (side != 0 && side != 1) return false;
    for (int32_t r = 0; r < mReinforcements[side].GetCount(); ++r)
        if (search(static_cast<Reinforcement*>(mReinforcements[side].GetObjectA(r))->mUnits)) return true;
    return false;
}

void ScenarioCore::ReinforcementsArrive() {
    // Both machines of an e-mail game must draw the same arrivals.
    BattleHost* host = gBattle ? gBattle->Host() : nullptr;
    if (host && host->HumanPlayers() == 2 && host->ConnectionKind() == 1)
        SeedRandomGenerator(host->LastTurnFileCRC());
    for (int32_t side = 0; side < 2; ++side) {
        mReinforcements[side].DeleteSome(
            [](GObject* member, void* context) {
                return static_cast<Reinforcement*>(member)->Arrive(static_cast<ScenarioCore*>(context));
            },
            this, true);
    }
}

// ---------------------------------------------------------------------------
// The scenario part of a saved game

void ScenarioCore::Write(GFile* file) {
    file->WriteChar(static_cast<int8_t>(mTheatre));
    file->WriteChar(static_cast<int8_t>(mTemperature));
    file->WriteChar(static_cast<int8_t>(mGroundCondition));
    file->WriteChar(static_cast<int8_t>(mLastTurn));
    file->WriteChar(static_cast<int8_t>(mTurn));
    file->WriteChar(static_cast<int8_t>(mAttacker));
    file->WriteShort(static_cast<int16_t>(mDate));
    file->WriteFloat(0.0f);
    file->WriteFloat(0.0f);
    file->WriteChar(2);
    file->WriteChar(1);
    mUnits->WriteUnits(file);
    // No editor exists in this program, so the editor bit is always 0.
    int8_t flags = static_cast<int8_t>((mReinforcementsArrived[0] ? 0x02 : 0) |
                                       (mReinforcementsArrived[1] ? 0x04 : 0) | ((mComputerBonus & 3) << 3));
    file->WriteChar(flags);
    for (int32_t side = 1; side >= 0; --side) {
        GList& list = mReinforcements[side];
        file->WriteChar(1);
        file->WriteChar(list.IsPreserving() ? 0 : 1);
        file->WriteLong(list.GetCount());
        for (int32_t r = 0; r < list.GetCount(); ++r)
            list.GetObjectA(r)->Write(file);
        file->WriteChar(mMustGiveOrders[side] ? 1 : 0);
        file->WriteChar(mOrdersPending[side] ? 1 : 0);
    }
    file->WriteChar(mScenarioLevel);
    file->WriteShort(mScenarioShort);
    file->WriteChar(static_cast<int8_t>(mFanaticism[0]));
    file->WriteChar(static_cast<int8_t>(mFanaticism[1]));
    file->WriteZeros(kReservedScenarioTail - kFanaticismBytes);
    file->WriteChar(mMap ? 1 : 0);
    if (mMap) WriteMapRecord(file, mMap);
}

void ScenarioCore::Read(GFile* file) {
    ReadScenario(file);
}

bool ScenarioCore::ReadScenario(GFile* file) {
    mTheatre = file->ReadChar();
    mTemperature = file->ReadChar();
    mGroundCondition = file->ReadChar();
    mLastTurn = file->ReadChar();
    mTurn = file->ReadChar();
    mAttacker = file->ReadChar();
    mDate = file->ReadShort();
    file->ReadFloat();
    file->ReadFloat();
    file->ReadChar();
    if (file->ReadChar() != 0 && !mUnits->ReadUnits(file)) return false;
    uint8_t flags = static_cast<uint8_t>(file->ReadChar());
    mEditorScenario = flags & 0x01;
    mReinforcementsArrived[0] = flags & 0x02;
    mReinforcementsArrived[1] = flags & 0x04;
    mComputerBonus = (flags >> 3) & 3;
    for (int32_t side = 1; side >= 0; --side) {
        GList& list = mReinforcements[side];
        list.EmptyOut(true);
        if (file->ReadChar() != 0) {
            file->ReadChar();
            int32_t count = file->ReadLong();
            if (file->HasFailed() || count < 0 || count > kMaxReinforcements) return false;
            for (int32_t r = 0; r < count; ++r) {
                auto* reinforcement = new Reinforcement;
                bool ok = reinforcement->ReadRecord(file);
                list.Add(reinforcement);
                if (!ok) return false;
            }
        }
        // Any value but 0 counts as set.
        mMustGiveOrders[side] = file->ReadChar() != 0;
        mOrdersPending[side] = file->ReadChar() != 0;
    }
    mScenarioLevel = file->ReadChar();
    mScenarioShort = file->ReadShort();
    for (int32_t& f : mFanaticism) {
        const int8_t level = file->ReadChar();
        f = level >= 0 && level <= kMaxFanaticism ? level : 0;
    }
    file->Skip(kReservedScenarioTail - kFanaticismBytes);
    if (file->ReadChar() != 0) {
        Map* map = ReadMapRecord(file);
        if (!map) return false;
        DeleteMap(mMap);
        mMap = map;
    }
    if (file->HasFailed()) return false;
    SecondPass();
    return true;
}

void ScenarioCore::SecondPass() {
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->ReadPassTwo(this);
    for (int32_t side = 0; side < 2; ++side) {
        for (int32_t r = 0; r < mReinforcements[side].GetCount(); ++r) {
            UnitList* units = static_cast<Reinforcement*>(mReinforcements[side].GetObjectA(r))->mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i)
                units->GetUnit(i)->ReadPassTwo(this);
        }
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->CorrectReadUniform();
}

// ---------------------------------------------------------------------------
// Handicap: extra units for the favoured side

void ScenarioCore::Handicap(int32_t percent) {
    if (percent == 0) return;
    Affiliation favoured = percent > 0 ? kAllies : kAxis;
    GenerateExtraForces(mUnits, favoured, percent);
    GList& reinforcements = mReinforcements[favoured];
    for (int32_t r = 0; r < reinforcements.GetCount(); ++r)
        GenerateExtraForces(static_cast<Reinforcement*>(reinforcements.GetObjectA(r))->mUnits, favoured,
                            percent);
    Unit::ResetUnitIDNumbers(true);
    RenumberSide(mUnits, favoured);
    Unit::ResetUnitIDNumbers(false);
    for (int32_t r = 0; r < reinforcements.GetCount(); ++r)
        RenumberSide(static_cast<Reinforcement*>(reinforcements.GetObjectA(r))->mUnits, favoured);
}

void ScenarioCore::RenumberSide(UnitList* list, Affiliation favoured) {
    for (int32_t i = 0; i < list->GetCount(); ++i) {
        Unit* u = list->GetUnit(i);
        if (u->GetAffiliation() != favoured) continue;
        u->AssignID();
        u->AssignSergeantName();
        if (gCampaign && u->mOperationStatus != 7) u->mOperationStatus = u->IsAxis() ? 4 : 1;
    }
}

namespace {

// A copy of `model` for the handicap, with the model's experience (raised by
// the computer bonus for the computer's side) and fitness; null when no unit
// of that kind can be made. A new vehicle leads (without skills), so that a
// copied platoon's leader is one.
Unit* CopyForHandicap(const ScenarioCore* scenario, Unit* model) {
    ExperienceLevel experience = model->mExperience;
    if (scenario->mComputerBonus >= 1 && IsComputerSide(model->GetAffiliation())) {
        experience += scenario->mComputerBonus;
        if (experience > kExperienceMaxEffective) experience = kExperienceMaxEffective;
    }
    int32_t fitness = model->mUnitType == kUnitInfantry ? model->mFitness : 2;
    Unit* copy = MakeUnit(model->mUnitType, model->mSubtype, model->mForce, experience, fitness, 100);
    if (!copy) return nullptr;
    if (copy->mUnitType == kUnitVehicle) static_cast<Vehicle*>(copy)->BecomeLeader(false);
    copy->mOperationStatus = model->mOperationStatus;
    return copy;
}

} // namespace

void ScenarioCore::GenerateExtraForces(UnitList* list, Affiliation favoured, int32_t percent) {
    int32_t total = 0;
    for (int32_t i = 0; i < list->GetCount(); ++i) {
        Unit* u = list->GetUnit(i);
        if (u->GetAffiliation() == favoured)
            total = static_cast<int32_t>(total + u->GetVPValue(true, kKnowTruth));
    }
    int32_t target = static_cast<int32_t>((1.0 + std::abs(percent) * 0.01) * total);
    int32_t running = total;
    std::vector<Unit*> pool;
    int32_t failures = 0;
    while (failures < kHandicapAttempts) {
        if (pool.empty()) {
            for (int32_t i = 0; i < list->GetCount(); ++i) {
                Unit* u = list->GetUnit(i);
                if (u->GetAffiliation() != favoured) continue;
                if (u->mUnitType == kUnitInfantry && gInfantryData[u->mSubtype].mIsSquad != 0) continue;
                if (u->mUnitType == kUnitVehicle && u->mHQ) continue;
                pool.push_back(u);
            }
            if (pool.empty()) break;
        }
        size_t pick = RandomPair() % pool.size();
        Unit* candidate = pool[pick];
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(pick));
        int32_t level = 0;
        bool leader = candidate->IsLeader(&level) && level == 1 &&
                      (candidate->mUnitType == kUnitVehicle || candidate->PlatoonSubordinate(false));
        Unit* extra = CopyForHandicap(this, candidate);
        if (!extra) {
            ++failures;
            continue;
        }
        int32_t value = static_cast<int32_t>(extra->GetVPValue(true, kKnowTruth));
        if (leader) value *= 4;
        // A unit worth nothing could be added without end: it counts as a
        // failed attempt, like one that would overshoot the target.
        if (value <= 0 || running + value > target) {
            delete extra;
            ++failures;
            continue;
        }
        running += value;
        extra->PlopDown(candidate->mX, candidate->mY, true, true, false);
        list->Add(extra);
        if (!leader) continue;
        for (int32_t i = 0; i < list->GetCount(); ++i) {
            Unit* follower = list->GetUnit(i);
            if (follower->mHQ != candidate) continue;
            Unit* copy = CopyForHandicap(this, follower);
            if (!copy) continue;
            copy->PlopDown(follower->mX, follower->mY, true, true, false);
            copy->mHQ = extra;
            list->Add(copy);
        }
    }
}

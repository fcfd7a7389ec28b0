#include "battle/Reinforcement.h"

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

Reinforcement::Reinforcement() {
    mUnits = new UnitList;
    mUnits->IList();
}

Reinforcement::~Reinforcement() {
    delete mUnits;
}

void Reinforcement::Write(GFile* file) {
    file->WriteLong(mArrivalTurn);
    file->WriteFloat(mChance);
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    mUnits->WriteUnits(file);
    file->WriteChar(0);
}

void Reinforcement::Read(GFile* file) {
    mRecordDamaged = !ReadRecord(file);
}

bool Reinforcement::ReadRecord(GFile* file) {
    mUnits->EmptyOut(true);
    mArrivalTurn = file->ReadLong();
    mChance = file->ReadFloat();
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    if (!mUnits->ReadUnits(file)) return false;
    file->Skip(static_cast<uint8_t>(file->ReadChar()));
    return !file->HasFailed();
}

namespace {

int32_t Capacity(Unit* v) {
    return gVehicleData[v->mSubtype].mExtraValue;
}
bool CarrierMark(Unit* v) {
    return gVehicleData[v->mSubtype].mExtraStepsOfFive != 0;
}
int32_t LoadingOrder(Unit* v) {
    return gVehicleData[v->mSubtype].mExtraValueSteps;
}
bool Armoured(Unit* v) {
    return v->IsArmoredVehicle(kKnowTruth, false);
}
int32_t OpenTop(Unit* v) {
    auto* vehicle = dynamic_cast<Vehicle*>(v);
    return vehicle ? vehicle->OpenTopStatus() : 0;
}
int32_t Platoon(Unit* u) {
    const int32_t p = u->GetPlatoonNumber();
    return p == 0 ? 99 : p;
}

// Transports: larger capacity, then armoured, then the lower loading order.
int32_t CompareTransports(GObject* ga, GObject* gb, void*) {
    auto* a = static_cast<Unit*>(ga);
    auto* b = static_cast<Unit*>(gb);
    if (Capacity(a) != Capacity(b)) return Capacity(a) > Capacity(b) ? -1 : 1;
    if (Armoured(a) != Armoured(b)) return Armoured(a) ? -1 : 1;
    if (LoadingOrder(a) != LoadingOrder(b)) return LoadingOrder(a) < LoadingOrder(b) ? -1 : 1;
    return 0;
}

// Passengers: slower first, then heavier loads, then by platoon.
int32_t ComparePassengers(GObject* ga, GObject* gb, void*) {
    auto* a = static_cast<Unit*>(ga);
    auto* b = static_cast<Unit*>(gb);
    if (a->GetSpeedClass() != b->GetSpeedClass()) return a->GetSpeedClass() < b->GetSpeedClass() ? -1 : 1;
    const int32_t wa = gInfantryData[a->mSubtype].mLoadingWeight,
                  wb = gInfantryData[b->mSubtype].mLoadingWeight;
    if (wa != wb) return wa > wb ? -1 : 1;
    if (Platoon(a) != Platoon(b)) return Platoon(a) < Platoon(b) ? -1 : 1;
    return 0;
}

} // namespace

bool Reinforcement::Arrive(ScenarioCore* scenario) {
    ScenarioCore* s = gCampaign ? static_cast<ScenarioCore*>(gCampaign) : scenario;
    // Arriving units need somebody to take them.
    if (!s || (!gCampaign && !gBattle) || mArrivalTurn <= 0 || s->mTurn < mArrivalTurn) return false;
    if (static_cast<float>(RandomFraction()) > mChance) return false;
    if (mUnits->GetCount() == 0) return true;
    BattleHost* host = gBattle ? gBattle->Host() : nullptr;
    Unit* first = mUnits->GetUnit(0);
    const bool computers = host && first->GetAffiliation() == host->ComputerSide();
    if (gCampaign) {
        gCampaign->OneReinforcementArrives(this);
    } else {
        GList transports, passengers;
        transports.PreserveObjects();
        passengers.PreserveObjects();
        for (int32_t i = mUnits->GetCount() - 1; i >= 0; --i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->mUnitType == kUnitVehicle && Capacity(u) > 0 &&
                (!computers || !Armoured(u) || CarrierMark(u) || OpenTop(u) == 2))
                transports.Add(u);
            else if (u->mUnitType == kUnitInfantry)
                passengers.Add(u);
        }
        if (transports.GetCount() > 0 && passengers.GetCount() > 0) {
            transports.InsertionSort(CompareTransports, nullptr);
            passengers.InsertionSort(ComparePassengers, nullptr);
            for (int32_t t = 0; t < transports.GetCount(); ++t) {
                auto* v = static_cast<Unit*>(transports.GetObjectA(t));
                for (int32_t k = 0; k < passengers.GetCount();) {
                    auto* p = static_cast<Unit*>(passengers.GetObjectA(k));
                    const bool refused = computers && p->GetSpeedClass() >= 4 && Armoured(v) &&
                                         !CarrierMark(v) && OpenTop(v) != 2;
                    if (!refused && v->CanTransport(p, false, true)) {
                        p->mTransport = v;
                        auto* rider = dynamic_cast<Infantry*>(p);
                        auto* carrier = dynamic_cast<Vehicle*>(v);
                        if (rider) rider->UpdateRider(false);
                        if (rider && carrier) carrier->Load(rider);
                        passengers.DeleteIndex(k, false);
                    } else {
                        ++k;
                    }
                }
            }
        }
        gBattle->AIAddReinforcementGroup(mUnits); // only a side the computer plans has groups
        // Vehicles first; the others keep their order.
        mUnits->InsertionSort(
            [](GObject* a, GObject* b, void*) -> int32_t {
                const bool va = static_cast<Unit*>(a)->mUnitType == kUnitVehicle;
                const bool vb = static_cast<Unit*>(b)->mUnitType == kUnitVehicle;
                return va == vb ? 0 : (va ? -1 : 1);
            },
            nullptr);
        for (int32_t i = 0; i < mUnits->GetCount(); ++i)
            gBattle->ReceiveReinforcementUnit(mUnits->GetUnit(i), mX, mY);
    }
    mUnits->EmptyOut(false);
    return true;
}

#include "battle/UnitID.h"

#include <cstdint>

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

const ScenarioCore* ListOwner() {
    if (gBattle) return gBattle;
    return gCampaign;
}

const ScenarioCore* ReinforcementOwner() {
    if (gCampaign) return gCampaign;
    return gBattle;
}

} // namespace

int32_t UnitIDOf(const Unit* unit) {
    if (!unit) return 0;
    if (const ScenarioCore* owner = ListOwner(); owner && owner->mUnits) {
        int32_t k = owner->mUnits->IndexOf(unit);
        // An index past the identifier range would decode as a
        // reinforcement unit: name no unit rather than the wrong one.
        if (k >= 0) return k < kMaxMapUnitID ? k + 1 : 0;
    }
    const ScenarioCore* owner = ReinforcementOwner();
    if (!owner) return 0;
    for (int32_t side = 0; side < 2; ++side) {
        const GList& list = owner->mReinforcements[side];
        for (int32_t r = 0; r < list.GetCount(); ++r) {
            auto* reinforcement = static_cast<Reinforcement*>(list.GetObjectA(r));
            if (!reinforcement || !reinforcement->mUnits) continue;
            int32_t i = reinforcement->mUnits->IndexOf(unit);
            if (i < 0) continue;
            if (r >= kMaxReinforcementSlots || i >= kReinforcementIDStride) return 0;
            return kReinforcementIDBase * (side + 1) + kReinforcementIDStride * r + i;
        }
    }
    return 0;
}

void WriteUnitID(GFile* file, const Unit* unit) {
    file->WriteShort(static_cast<int16_t>(UnitIDOf(unit)));
}

Unit* ReadUnitID(GFile* file, bool resolve) {
    int32_t id = file->ReadShort();
    if (!resolve) return RawIDAsUnit(id);
    return gBattle ? gBattle->GetUnitPointer(id) : nullptr;
}

int32_t RawUnitID(const Unit* link) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(link));
}

Unit* RawIDAsUnit(int32_t id) {
    return reinterpret_cast<Unit*>(static_cast<intptr_t>(id));
}

Unit* NewUnitOfKind(int32_t kind) {
    switch (kind) {
    case kUnitInfantry:
        return new Infantry;
    case kUnitVehicle:
        return new Vehicle;
    case kUnitInanimate:
        return new Inanimate;
    case kUnitAirplane:
        return new Airplane;
    default:
        return nullptr;
    }
}

Unit* ReadUnit(GFile* file) {
    int32_t kind = file->ReadChar();
    if (file->HasFailed()) return nullptr;
    Unit* unit = NewUnitOfKind(kind);
    if (!unit) return nullptr;
    unit->Read(file);
    if (unit->RecordDamaged() || file->HasFailed()) {
        // Links of a half-read unit hold raw identifiers, never pointers.
        delete unit;
        return nullptr;
    }
    return unit;
}

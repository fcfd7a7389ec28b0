#include "units/VehicleModelTables.h"

#include <cstring>

#include "models/ModelTables.h"

using dm::models::ModelTable;

namespace {

// The twelve detailed vehicle models and the general model proportioned to
// each other model number's size; the other tables are guns and effects,
// whose numbers are ordnance models.
bool IsVehicleModelTable(const ModelTable& t) {
    static const char* const kNames[] = {
        "PzIIIM",   "StuH42_Mid", "Tiger_Early",        "SdKfz222",          "250_11", "M3_GMC",
        "StuartM5", "M3_Lee",     "M4A1_Sherman_Early", "M4A3_75_W_Sherman", "M8_AC",  "M10"};
    if (std::strncmp(t.name, "GeneralModel_", 13) == 0) return true;
    for (const char* n : kNames)
        if (std::strcmp(t.name, n) == 0) return true;
    return false;
}

} // namespace

const ModelTable* VehicleModelTableOf(int32_t model) {
    static const ModelTable* sByNumber[256] = {};
    static const ModelTable* sGeneral = nullptr;
    static bool sIndexed = false;
    if (!sIndexed) {
        sIndexed = true;
        for (int32_t i = 0; i < dm::models::kModelTableCount; ++i) {
            const ModelTable& t = dm::models::kModelTables[i];
            if (std::strcmp(t.name, "GeneralModel") == 0) sGeneral = &t;
            if (!t.numbers || !IsVehicleModelTable(t)) continue;
            for (const int16_t* n = t.numbers; *n >= 0; ++n)
                if (*n < 256 && !sByNumber[*n]) sByNumber[*n] = &t;
        }
    }
    if (model >= 0 && model < 256 && sByNumber[model]) return sByNumber[model];
    return sGeneral;
}

uint32_t ModelTableSlots(const ModelTable& table) {
    uint32_t slots = 0;
    for (int32_t i = 0; i < table.opCount; ++i) {
        const dm::models::ModelOp& o = table.ops[i];
        if (o.op != dm::models::Op::Texture) continue;
        if (o.n >= 0 && o.n < 17) slots |= 1u << o.n;
        if (o.b >= 0.0f && o.b < 17.0f) slots |= 1u << static_cast<int32_t>(o.b);
    }
    return slots;
}

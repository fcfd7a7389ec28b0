// Which compiled model table draws a vehicle model number, and which slots of
// a texture set it binds; shared by the drawing and by the texture making.
#pragma once
#include <cstdint>

namespace dm::models {
struct ModelTable;
}

// The table of vehicle model `model`: its own detailed model, else the
// general model (null only when the tables lack it).
const dm::models::ModelTable* VehicleModelTableOf(int32_t model);
// Bit s set for every slot s (0..16) of a texture set the table binds,
// fallback slots included.
uint32_t ModelTableSlots(const dm::models::ModelTable& table);

// The towed guns served by infantry, run from the compiled gun models.
#include <cstring>

#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"

const dm::models::ModelTable* GunModelTable(int32_t ordnanceModel) {
    if (ordnanceModel == kGenericGunModel) return nullptr;
    const char* name = ordnanceModel == 6    ? "50AT"
                       : ordnanceModel == 21 ? "75IG"
                       : ordnanceModel == 36 ? "37AT_USA"
                                             : "20Flak";
    return ModelTableNamed(name);
}

bool DrawGunModel(int32_t ordnanceModel, bool needsClip) {
    const dm::models::ModelTable* t = GunModelTable(ordnanceModel);
    if (!t) return false;
    // One level of our own: a model that elevates the caller's matrix keeps
    // the elevation to itself.
    d3::Push();
    DrawModelTable(*t, needsClip);
    d3::Pop();
    return true;
}

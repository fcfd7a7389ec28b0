// A vehicle's graphics: one texture set for each of the four types it can be
// seen as, its ground shading, its commander's portraits and the crew dummy
// of its uniform. Without a kernel (headless) no graphic is made.
#include "units/VehicleTextures.h"

#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/G3DBridge.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Vehicle.h"
#include "units/VehicleModelTables.h"

namespace {

int32_t GroundCondition() {
    return gBattle ? gBattle->mGroundCondition : (gCampaign ? gCampaign->mGroundCondition : 0);
}

bool Snow(int32_t ground) {
    return ground >= 6 && ground <= 8;
}

// The graphics made so far for one vehicle, by picture number: a number
// already made is not made again, its graphic is shared by the sets.
struct Made {
    int32_t numbers[4 * 17 + 4] = {};
    GGraphic* graphics[4 * 17 + 4] = {};
    int32_t count = 0;
    GGraphic* Find(int32_t n) const {
        for (int32_t i = 0; i < count; ++i)
            if (numbers[i] == n) return graphics[i];
        return nullptr;
    }
    void Add(int32_t n, GGraphic* g) {
        if (!g || count >= static_cast<int32_t>(sizeof numbers / sizeof numbers[0])) return;
        numbers[count] = n;
        graphics[count++] = g;
    }
};

GGraphic* MakeTried(Made* made, int32_t n, bool late, bool snow) {
    if (GGraphic* g = made->Find(n)) return g;
    int32_t tries[4];
    const int32_t k = VehicleTextureTries(n, late, snow, tries);
    GGraphic* g = nullptr;
    for (int32_t i = 0; i + 1 < k && !g; ++i)
        g = gKernel->MakeGraphicCanFail(kGraphicTexture, tries[i]);
    if (!g) g = gKernel->MakeTexture(tries[k - 1]);
    made->Add(n, g);
    return g;
}

} // namespace

int32_t VehicleSetOfModel(int32_t model) {
    if (model < 0 || model >= gVehicleModelData.Count()) return kGeneralAxisSet;
    return gVehicleModelData[model].mTextureSet;
}

int32_t VehicleSlotPicture(int32_t model, int32_t slot) {
    return kVehicleSetBase + 20 * VehicleSetOfModel(model) + slot;
}

bool VehicleLateScheme(const VehicleData& record, int32_t date) {
    const bool lateLook = record.mFirstDate < 4307 || (record.mFlags & kVLateCamouflage) != 0;
    return lateLook && date > 4306;
}

int32_t VehicleTextureTries(int32_t n, bool late, bool snow, int32_t tries[4]) {
    int32_t k = 0;
    if (late && snow) tries[k++] = n + 150000;
    if (late) tries[k++] = n + 100000;
    if (snow) tries[k++] = n + 50000;
    tries[k++] = n;
    return k;
}

int32_t VehicleShadingTexture(int32_t shadingClass, int32_t ground) {
    if (shadingClass < 0 || shadingClass > 7) return 0;
    const int32_t base = 4020 + 3 * shadingClass;
    if (Snow(ground)) return base + 2;
    return ground > 2 ? base + 1 : base;
}

int32_t PortraitVariant(int32_t uniform, int32_t date) {
    for (int32_t i = 0; i < gUniformGraphics.Count(); ++i) {
        const UniformGraphics& u = gUniformGraphics[i];
        if (u.mUniform != uniform) continue;
        for (int32_t k = 0; k < 2; ++k)
            if (u.mVariantDates[k] == 0 || u.mVariantDates[k] >= date) return k;
        return 2;
    }
    return 0;
}

int32_t PortraitPicture(int32_t uniform, int32_t variant, int32_t rank) {
    if (uniform < 0 || uniform > 35 || variant < 0 || variant > 2 || rank < 0 || rank > 7) return 0;
    return kPortraitBase + 24 * uniform + 8 * variant + rank;
}

int32_t SideViewPicture(int32_t model) {
    return model >= 0 && model < 256 ? kSideViewBase + model : 0;
}

int32_t SilhouettePicture(VehicleType generalType) {
    switch (generalType) {
    case kVehicleGenericBunker:
        return kSilhouetteBase;
    case kVehicleGenericTruck:
        return kSilhouetteBase + 1;
    case kVehicleGenericLightArmor:
        return kSilhouetteBase + 2;
    default:
        return kSilhouetteBase + 3;
    }
}

void Vehicle::MakeTextures(bool skipPortraits) {
    Unit::MakeTextures(skipPortraits);
    const int32_t date = ScenarioDate();
    const int32_t ground = GroundCondition();
    const bool snow = Snow(ground);
    if (gKernel) {
        Bridge3D::SetMipMapLocal(true);
        Made made;
        // Set 3 is the vehicle itself; sets 2, 1 and 0 the types it is taken
        // for at contact 4, 3 and below.
        const VehicleType types[4] = {mMistakenTypes[2], mMistakenTypes[1], mMistakenTypes[0], mSubtype};
        for (int32_t set = 3; set >= 0; --set) {
            const VehicleType type = types[set];
            if (type < 0 || type >= gVehicleData.Count()) continue;
            const VehicleData& record = gVehicleData[type];
            const int32_t model = GetActualModelX(record.mModel);
            const bool late = VehicleLateScheme(record, date);
            const dm::models::ModelTable* table = VehicleModelTableOf(model);
            const uint32_t slots = table ? ModelTableSlots(*table) : 0x1FFFFu;
            for (int32_t s = 0; s < 17; ++s)
                if (!mTextureSets[set][s] && (slots & (1u << s)))
                    mTextureSets[set][s] = MakeTried(&made, VehicleSlotPicture(model, s), late, snow);
            if (model >= 0 && model < gVehicleModelData.Count() && !mShadingTextures[set]) {
                const int32_t shading = VehicleShadingTexture(gVehicleModelData[model].mShadingClass, ground);
                if (shading > 0) {
                    mShadingTextures[set] = made.Find(shading);
                    if (!mShadingTextures[set]) {
                        mShadingTextures[set] = gKernel->MakeTexture(shading);
                        made.Add(shading, mShadingTextures[set]);
                    }
                }
            }
        }
        Bridge3D::SetMipMapLocal(false);

        // The info panel's pictures: at contact 5 the true type, at 4 the
        // type it is taken for, at 3 the silhouette of the class it seems.
        auto sideView = [](VehicleType type) -> GGraphic* {
            if (type < 0 || type >= gVehicleData.Count()) return nullptr;
            const int32_t n = SideViewPicture(GetActualModelX(gVehicleData[type].mModel));
            return n > 0 ? gKernel->MakeGraphicCanFail(kGraphic3DPicture, n) : nullptr;
        };
        if (!mKnowledgePictures[2]) mKnowledgePictures[2] = sideView(mSubtype);
        if (!mKnowledgePictures[1]) mKnowledgePictures[1] = sideView(mMistakenTypes[0]);
        if (!mKnowledgePictures[0])
            mKnowledgePictures[0] =
                gKernel->MakeGraphicCanFail(kGraphic3DPicture, SilhouettePicture(GetGeneralType(true)));

        // The commander's portraits: the first pair for the vehicle, the
        // second for its crew should it bail out.
        const VehicleData& own = Data();
        if (!skipPortraits && own.mKind != 5) {
            const int32_t variant = PortraitVariant(mUniform, date);
            int32_t first = 5, second = 5;
            if (own.mFlags & kVUniformFromUnit) {
                first = Rank();
                second = 1;
            } else if (Rank() >= 2) {
                first = 6;
            }
            if (!mRankPortraits[0]) mRankPortraits[0] = GetRankPortrait(mUniform, variant, first);
            if (!mRankPortraits[1]) mRankPortraits[1] = GetRankPortrait(mUniform, variant, second);
            if (!mWeaponPortraits[0]) mWeaponPortraits[0] = GetRankPortrait(mUniform, variant, first);
            if (!mWeaponPortraits[1]) mWeaponPortraits[1] = GetRankPortrait(mUniform, variant, second);
        }
    }
    if (gBattle && gBattle->mMap) gBattle->mMap->MakeCrewDummy(mForce, mUniform);
}

// The census of the units' pictures: every vehicle set slot (in its four
// looks), every ground shading, every portrait and every knowledge picture
// that the game data can ask for is in the store. A missing number fails by
// number.
#include <gtest/gtest.h>

#include <filesystem>

#include "art/ArtFiles.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/VehicleModelTables.h"
#include "units/VehicleTextures.h"
#include "units/WeaponSideViews.h"

namespace fs = std::filesystem;

namespace {

class UnitArtCensus : public ::testing::Test {
protected:
    bool mLoaded = false;
    void SetUp() override {
        if (gVehicleModelData.Count() == 0) {
            ASSERT_TRUE(DecryptData());
            mLoaded = true;
        }
    }
    void TearDown() override {
        if (mLoaded) DeleteCryptoData();
    }
};

TEST_F(UnitArtCensus, EveryVehicleSetSlotInEveryLookAndEveryShadingIsInTheStore) {
    ASSERT_GT(gVehicleModelData.Count(), 0);
    for (int32_t m = 0; m < gVehicleModelData.Count(); ++m) {
        const uint32_t slots = ModelTableSlots(*VehicleModelTableOf(m));
        for (int32_t s = 0; s < 17; ++s) {
            if (!(slots & (1u << s))) continue;
            const int32_t n = VehicleSlotPicture(m, s);
            for (int32_t look : {0, 50000, 100000, 150000})
                EXPECT_TRUE(fs::exists(PicturePath(n + look)))
                    << "model " << m << " slot " << s << ": " << n + look;
        }
        for (int32_t ground = 0; ground <= 8; ++ground) {
            const int32_t shading = VehicleShadingTexture(gVehicleModelData[m].mShadingClass, ground);
            if (shading > 0)
                EXPECT_TRUE(fs::exists(PicturePath(shading))) << "model " << m << ": " << shading;
        }
    }
}

TEST_F(UnitArtCensus, EveryPortraitAndKnowledgePictureIsInTheStore) {
    for (int32_t u = 0; u < 36; ++u)
        for (int32_t v = 0; v < 3; ++v)
            for (int32_t r = 0; r < 8; ++r)
                EXPECT_TRUE(fs::exists(PicturePath(PortraitPicture(u, v, r)))) << PortraitPicture(u, v, r);
    for (int32_t m = 0; m < gVehicleModelData.Count(); ++m)
        EXPECT_TRUE(fs::exists(PicturePath(SideViewPicture(m)))) << SideViewPicture(m);
    for (VehicleType g :
         {kVehicleGenericBunker, kVehicleGenericTruck, kVehicleGenericLightArmor, kVehicleGenericTank})
        EXPECT_TRUE(fs::exists(PicturePath(SilhouettePicture(g)))) << SilhouettePicture(g);
    EXPECT_TRUE(fs::exists(PicturePath(25300))); // the panel's default
    // Every team weapon's side view, and the mortar's among them.
    int32_t views = 0;
    for (int32_t w = 0; w < gWeaponData.Count(); ++w) {
        const int32_t n = WeaponSideViewPicture(gWeaponData[w].mClass, gWeaponData[w].mOrdnanceModel);
        if (n <= 0) continue;
        ++views;
        EXPECT_TRUE(fs::exists(PicturePath(n))) << "weapon " << w << ": " << n;
    }
    EXPECT_GT(views, 0);
    EXPECT_TRUE(fs::exists(PicturePath(kWeaponSideViewBase + kWeaponViewMortar)));
}

} // namespace

// The picture numbers a vehicle's texture sets ask for: which set a model
// wears, the late and snow looks in the order they are tried, the ground
// shading and the portraits' uniform variant.
#include <gtest/gtest.h>

#include "unit_conduct_fixtures.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/VehicleTextures.h"

namespace {

TEST(VehicleTextures, AModelWearsTheSetItsRowNames) {
    const bool load = gVehicleModelData.Count() == 0;
    if (load) ASSERT_TRUE(DecryptData());
    const struct {
        int32_t model, set;
    } rows[] = {{86, 86},
                {235, 235},
                {1, kGeneralAxisSet},
                {30, kGeneralAxisSet},
                {2, 141},
                {210, 141},
                {5, kGeneralBritishSet},
                {6, kGeneralBritishSet},
                {139, 237},
                {-1, kGeneralAxisSet},
                {9999, kGeneralAxisSet}};
    for (const auto& r : rows) {
        EXPECT_EQ(VehicleSetOfModel(r.model), r.set) << "model " << r.model;
        EXPECT_EQ(VehicleSlotPicture(r.model, 3), 40000 + 20 * r.set + 3) << "model " << r.model;
    }
    if (load) DeleteCryptoData();
}

TEST(VehicleTextures, LateAndSnowLooksAreTriedBestFirstAndThePlainPictureLast) {
    int32_t t[4];
    ASSERT_EQ(VehicleTextureTries(41720, true, true, t), 4);
    EXPECT_EQ(t[0], 191720);
    EXPECT_EQ(t[1], 141720);
    EXPECT_EQ(t[2], 91720);
    EXPECT_EQ(t[3], 41720);
    ASSERT_EQ(VehicleTextureTries(41720, true, false, t), 2);
    EXPECT_EQ(t[0], 141720);
    EXPECT_EQ(t[1], 41720);
    ASSERT_EQ(VehicleTextureTries(41720, false, true, t), 2);
    EXPECT_EQ(t[0], 91720);
    EXPECT_EQ(t[1], 41720);
    ASSERT_EQ(VehicleTextureTries(41720, false, false, t), 1);
    EXPECT_EQ(t[0], 41720);

    VehicleData early{}, late{};
    early.mFirstDate = 4206;
    late.mFirstDate = 4405;
    EXPECT_TRUE(VehicleLateScheme(early, 4307));
    EXPECT_FALSE(VehicleLateScheme(early, 4306)); // not before the battle is late enough
    EXPECT_FALSE(VehicleLateScheme(late, 4410));  // built in the late look: nothing to try
    late.mFlags = kVLateCamouflage;
    EXPECT_TRUE(VehicleLateScheme(late, 4410));
}

TEST(VehicleTextures, ShadingByClassDryWetOrSnowAndNoneForClassEight) {
    EXPECT_EQ(VehicleShadingTexture(0, 0), 4020);
    EXPECT_EQ(VehicleShadingTexture(0, 2), 4020);
    EXPECT_EQ(VehicleShadingTexture(0, 3), 4021);
    EXPECT_EQ(VehicleShadingTexture(3, 5), 4030);
    EXPECT_EQ(VehicleShadingTexture(3, 6), 4031);
    EXPECT_EQ(VehicleShadingTexture(7, 8), 4043);
    EXPECT_EQ(VehicleShadingTexture(7, 9), 4042); // beyond snow: wet
    EXPECT_EQ(VehicleShadingTexture(8, 0), 0);
    EXPECT_EQ(VehicleShadingTexture(-1, 0), 0);
    EXPECT_EQ(VehicleShadingTexture(99, 7), 0);
}

TEST(VehicleTextures, ThePortraitVariantIsTheFirstDateNotYetPassed) {
    TableRows<UniformGraphics> uniforms(gUniformGraphics, 3);
    uniforms[0].mUniform = 4, uniforms[0].mVariantDates[0] = 4301, uniforms[0].mVariantDates[1] = 4405;
    uniforms[1].mUniform = 5; // undated: always the first
    EXPECT_EQ(PortraitVariant(4, 4206), 0);
    EXPECT_EQ(PortraitVariant(4, 4301), 0); // a date not before the battle's
    EXPECT_EQ(PortraitVariant(4, 4302), 1);
    EXPECT_EQ(PortraitVariant(4, 4406), 2);
    EXPECT_EQ(PortraitVariant(5, 4406), 0);
    EXPECT_EQ(PortraitVariant(35, 4406), 0); // no record
}

} // namespace

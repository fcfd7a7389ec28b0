// An infantry unit's pictures as the battle makes them: the six uniform
// pictures of its figure row go to entries 1 to 6 of texture sets 0 and 1,
// where every figure drawing reads them; portraits and markings are made at
// full light whatever the battle's time of day.
#include <gtest/gtest.h>

#include <vector>

#include "app_fixture.h"
#include "battle/Battle.h"
#include "engine/G3DBridge.h"
#include "engine/GGraphic.h"
#include "engine/GOLTA.h"
#include "renderer/GGraph3D.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"

namespace {

constexpr int32_t kFirstNumber = 20000; // uniform picture n is kFirstNumber + row * 8 + slot

class UnitTexturesTest : public AppTest {
protected:
    void TearDown() override {
        if (!mOldUniforms.empty() || mUniformCount > 0) gUniformGraphics.Attach(mOldRows, mUniformCount);
        gBattle = nullptr;
        AppTest::TearDown();
    }
    // The uniform table with every record's rows numbered alike and no
    // later variants.
    void NumberTheUniforms() {
        mOldRows = const_cast<UniformGraphics*>(gUniformGraphics.Rows());
        mUniformCount = gUniformGraphics.Count();
        mOldUniforms.assign(mOldRows, mOldRows + mUniformCount);
        mUniforms = mOldUniforms;
        for (UniformGraphics& u : mUniforms) {
            u.mVariantDates[0] = u.mVariantDates[1] = 0;
            for (int32_t row = 0; row < kUniformRankSlots; ++row)
                for (int32_t s = 0; s < 6; ++s)
                    u.mTextureNumbers[row * kUniformEntry + s] =
                        static_cast<int16_t>(kFirstNumber + row * 8 + s);
        }
        gUniformGraphics.Attach(mUniforms.data(), static_cast<int32_t>(mUniforms.size()));
        for (int32_t row = 0; row < kUniformRankSlots; ++row)
            for (int32_t s = 0; s < 6; ++s)
                MakePicture(kFirstNumber + row * 8 + s + 9000, 4, 4);
    }
    // The first type of the data whose record passes the test.
    static InfantryType FindType(bool (*wanted)(const InfantryData&)) {
        for (int32_t t = 1; t < gInfantryData.Count(); ++t)
            if (gInfantryData[t].mNrMen > 0 && wanted(gInfantryData[t])) return t;
        return -1;
    }
    UniformGraphics* mOldRows = nullptr;
    int32_t mUniformCount = 0;
    std::vector<UniformGraphics> mOldUniforms, mUniforms;
};

TEST_F(UnitTexturesTest, EachFigureRowsUniformFillsEntriesOneToSixOfBothSets) {
    MakePictures();
    Start(800, 600);
    ASSERT_TRUE(DecryptData());
    if (!g3D) ASSERT_TRUE(Bridge3D::Create());
    auto battle = MakeTestBattle("Uniformen");
    gBattle = battle.get();
    battle->mGroundCondition = 0;
    NumberTheUniforms();
    const InfantryType types[4] = {
        FindType([](const InfantryData& r) { return r.mIsSquad != 0 && r.mLeaderRank == 0; }),
        FindType([](const InfantryData& r) { return r.mIsSquad == 0 && r.mLeaderRank == 0; }),
        FindType([](const InfantryData& r) { return r.mLeaderRank == 1; }),
        FindType([](const InfantryData& r) { return r.mLeaderRank > 1; }),
    };
    for (int32_t row = 0; row < 4; ++row) {
        ASSERT_GT(types[row], 0) << row;
        Infantry u;
        u.IInfantry(types[row], 0, kExperienceRegular, 30.0f, 30.0f, 0.0f);
        u.MakeTextures(true);
        for (int32_t s = 0; s < 6; ++s) {
            ASSERT_NE(u.mTextureSets[0][1 + s], nullptr) << row << " " << s;
            EXPECT_EQ(u.mTextureSets[0][1 + s]->GetID(), kFirstNumber + row * 8 + s + 9000)
                << row << " " << s;
            ASSERT_NE(u.mTextureSets[1][1 + s], nullptr) << row << " " << s;
            EXPECT_EQ(u.mTextureSets[1][1 + s]->GetID(), kFirstNumber + s + 9000) << row << " " << s;
        }
        EXPECT_EQ(u.mTextureSets[0][0], nullptr);
        EXPECT_EQ(u.mTextureSets[1][0], nullptr);
        u.DeleteTextures();
    }
}

TEST_F(UnitTexturesTest, AMarkingMadeAtNightIsTheOneMadeAtMiddayWhileUniformsTakeTheLight) {
    MakePictures();
    Start(800, 600);
    ASSERT_TRUE(DecryptData());
    if (!g3D) ASSERT_TRUE(Bridge3D::Create());
    auto battle = MakeTestBattle("Nacht");
    gBattle = battle.get();
    battle->mGroundCondition = 0;
    NumberTheUniforms();
    // A squad whose rifles carry a marking picture.
    const InfantryType type = FindType(
        [](const InfantryData& r) { return r.mIsSquad != 0 && r.mNrTeams > 0 && r.mLeaderRank == 0; });
    ASSERT_GT(type, 0);
    const InfantryData& r = gInfantryData[type];
    ASSERT_EQ(r.mHeavyWeapon, kWeaponNone);
    SmallArmsData* arms = gSmallArmsData.Edit(r.mTeamSmallArms[0]);
    ASSERT_NE(arms, nullptr);
    const int16_t oldMarking = arms->mMarkingTexture;
    const int32_t marking = 30001;
    arms->mMarkingTexture = marking;
    MakePicture(marking, 4, 4);

    auto make = [&](float light, std::vector<uint8_t>* uniform, std::vector<uint8_t>* mark) {
        const ColorRGB factors{light, light, light};
        g3D->SetLightFactors(&factors, nullptr);
        Infantry u;
        u.IInfantry(type, 0, kExperienceRegular, 30.0f, 30.0f, 0.0f);
        u.MakeTextures(false);
        ColorRGB after{};
        g3D->GetLightFactors(&after);
        EXPECT_EQ(after.red, light) << "the battle's light is put back";
        ASSERT_NE(u.mTextureSets[0][1], nullptr);
        ASSERT_NE(u.mMarkingTexture, nullptr);
        ASSERT_NE(u.mTextureSets[0][1]->GetTexturePicture(), nullptr);
        ASSERT_NE(u.mMarkingTexture->GetTexturePicture(), nullptr);
        *uniform = u.mTextureSets[0][1]->GetTexturePicture()->rgba;
        *mark = u.mMarkingTexture->GetTexturePicture()->rgba;
        u.DeleteTextures();
    };
    std::vector<uint8_t> dayUniform, dayMark, nightUniform, nightMark;
    make(1.0f, &dayUniform, &dayMark);
    make(0.46f, &nightUniform, &nightMark);
    arms->mMarkingTexture = oldMarking;
    EXPECT_EQ(nightMark, dayMark);
    EXPECT_NE(nightUniform, dayUniform);
}

} // namespace

// The texture table: picture numbers by conditions and memory class, the
// overlay index, making once, freeing everything, and the binders.
#include <algorithm>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "draw/OverlayIndex.h"
#include "units/Infantry.h"

using namespace dtest;

namespace {

bool Made(const PictureShop& s, int32_t picture) {
    return s.Count(picture) > 0;
}

TEST(DrawTextures, SkyPicturesFollowTimeOfDayWeatherAndGround) {
    struct Case {
        int32_t daytime, weather, ground, theatre;
        int32_t a, b, c;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 1400, 1420, 1440}, {0, 0, 0, 0, 1402, 1422, 1442}, {2, 0, 0, 0, 1405, 1425, 1445},
        {3, 0, 0, 0, 1403, 1423, 1423}, {3, 2, 0, 0, 1404, 1404, 1404}, {1, 2, 7, 0, 1413, 1433, 1453},
        {1, 0, 0, 2, 1406, 1426, 1446},
    };
    for (const Case& k : cases) {
        DrawFixture f(false);
        BattleScope b;
        b.battle.mTimeOfDay = k.daytime;
        b.battle.mWeather = k.weather;
        b.battle.mGroundCondition = k.ground;
        b.battle.mTheatre = k.theatre;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        EXPECT_EQ(f.shop.NumberOf(m->mSkyTextures[0]), k.a);
        EXPECT_EQ(f.shop.NumberOf(m->mSkyTextures[1]), k.b);
        EXPECT_EQ(f.shop.NumberOf(m->mSkyTextures[2]), k.c);
        m->DeleteTextures();
    }
}

TEST(DrawTextures, MemoryClassThinsOutFamiliesOfVariants) {
    DrawFixture f(false);
    BattleScope b;
    f.settings.mTextureMemoryClass = 2;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    std::vector<int32_t> fire;
    for (GGraphic* g : m->mFireTextures)
        fire.push_back(f.shop.NumberOf(g) - 1700);
    EXPECT_EQ(fire, (std::vector<int32_t>{0, 0, 0, 3, 3, 3, 6, 6, 6, 9, 9, 9, 12, 12, 12, 15, 15, 15}));
    // Two tree kinds per row only.
    EXPECT_NE(m->mTreeTextures[1], nullptr);
    EXPECT_EQ(m->mTreeTextures[2], nullptr);
    m->DeleteTextures();
    f.settings.mTextureMemoryClass = 1;
    m->MakeTextures(false);
    EXPECT_EQ(f.shop.NumberOf(m->mBlastTextures[3]), 1722);
    EXPECT_EQ(f.shop.NumberOf(m->mBlastTextures[13]), 1732);
}

TEST(DrawTextures, EveryMadeTextureIsFreedAndRemakingLeaksNothing) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mHasExitEdge[1] = true;
    auto m = FlatMap(8, 8);
    m->MakeNationalTextures(3);
    m->MakeNationalTextures(3);
    m->MakeSmallArmsTexture(5);
    m->MakeSmallArmsTexture(5);
    m->MakeSmallArmsTexture(48); // beyond the table
    m->MakeNationalTextures(12);
    EXPECT_EQ(f.shop.Count(403), 1);
    EXPECT_EQ(f.shop.Count(1905), 1);
    m->MakeTextures(false);
    m->MakeTextures(false); // a second call makes nothing new
    EXPECT_EQ(f.shop.Count(440), 1);
    EXPECT_EQ(f.shop.Count(1700), 1);
    EXPECT_TRUE(Made(f.shop, 1222) && Made(f.shop, 1223));
    m->DeleteTextures();
    EXPECT_EQ(f.shop.deleted, static_cast<int32_t>(f.shop.made.size()));
    EXPECT_EQ(m->mLastFireTexture, nullptr);
    for (GGraphic* g : m->mGroundTextures)
        EXPECT_EQ(g, nullptr);
}

TEST(DrawTextures, OverlayIndexComesFromTheTableAndTheUnderLayerFromTheGround) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    Square s;
    s.mOverlay[0] = 13;
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 0, nullptr), 12);
    s.mOverlay[0] = 14;
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 0, nullptr), 25);
    s.mOverlay[0] = 15;
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 0, nullptr), 71);
    s.mOverlay[0] = 0;
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 0, nullptr), -1);
    s.mOverlay[0] = 99; // damaged
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 0, nullptr), -1);
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 2, nullptr), -1);
    EXPECT_EQ(m->GetOverlayTextureIndex(nullptr, 0, nullptr), -1);
    // Crops in slot 1 over rocky ground (code 2, family 2) take under-layer 2.
    s.mOverlay[0] = 2;
    s.mOverlay[1] = 23;
    int32_t under = -5;
    EXPECT_EQ(m->GetOverlayTextureIndex(&s, 1, &under), gOverlayIndexTable[23].mIndex);
    EXPECT_EQ(under, 2);
    // A band's mirror byte 1..16 names its picture among the code's bands;
    // other bytes, and codes without bands, keep the code's own index.
    const struct {
        int32_t code;
        char mirror;
        int32_t index;
    } kBands[] = {{37, 0, 37}, {37, 1, 92}, {37, 16, 107}, {37, 17, 37}, {37, -3, 37},
                  {55, 7, 130}, {17, 2, 109}, {23, 1, gOverlayIndexTable[23].mIndex}};
    for (const auto& b : kBands) {
        Square band;
        band.mOverlay[1] = b.code;
        band.mOverlayMirror[1] = b.mirror;
        EXPECT_EQ(m->GetOverlayTextureIndex(&band, 1, nullptr), b.index) << b.code << " " << int(b.mirror);
    }
    // Every index stays inside the texture table with its layers and bands.
    for (const OverlayIndexInfo& info : gOverlayIndexTable) {
        if (info.mIndex >= 0) {
            EXPECT_LT(info.mIndex + info.mLayers, kGroundTextureCount);
        }
        EXPECT_LT(info.mBands + kOverlayBandShapes - 1, kGroundTextureCount);
    }
}

TEST(DrawTextures, AnOverlayIndexIsMadeOnceWithTheUnderLayerOfTheLastSquare) {
    DrawFixture f(false);
    BattleScope b;
    auto m = FlatMap(4, 4);
    // Crops everywhere in slot 1; the last square lies on sandy ground.
    for (Square& s : m->mSquares)
        s.mOverlay[1] = 23;
    m->mSquares.back().mOverlay[0] = 1;
    m->MakeTextures(false);
    const int32_t idx = gOverlayIndexTable[23].mIndex;
    EXPECT_EQ(f.shop.Count(600 + idx + 1), 1);
    EXPECT_EQ(f.shop.Count(600 + idx), 0);
    EXPECT_TRUE(Made(f.shop, 612) && Made(f.shop, 625) && Made(f.shop, 671));
}

// On snow ground a field of crops wears its snow look (50000 above its
// picture); where the store has none, the plain picture; off snow the plain.
TEST(DrawTextures, AnOverlayOnSnowGroundWearsItsSnowLook) {
    const int32_t crops = 600 + gOverlayIndexTable[23].mIndex;
    for (int32_t ground : {0, 7, 8}) {
        DrawFixture f(false);
        BattleScope b;
        b.battle.mGroundCondition = ground;
        if (ground == 8) f.shop.canFail = {50000 + crops};
        auto m = FlatMap(4, 4);
        m->mSquares.front().mOverlay[0] = 23;
        m->MakeTextures(false);
        const int32_t idx = gOverlayIndexTable[23].mIndex;
        EXPECT_EQ(f.shop.NumberOf(m->mGroundTextures[idx]), ground == 7 ? 50000 + crops : crops) << ground;
        m->DeleteTextures();
    }
}

TEST(DrawTextures, SnowAndEarlyWarChooseTheirGroundPictures) {
    {
        DrawFixture f(false);
        BattleScope b;
        b.battle.mGroundCondition = 7;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        EXPECT_EQ(f.shop.NumberOf(m->mGroundTextures[12]), 842);
        EXPECT_EQ(f.shop.NumberOf(m->mGroundTextures[71]), 971);
        EXPECT_EQ(f.shop.NumberOf(m->mGroundEdgeTextures[0]), 1596);
        EXPECT_EQ(f.shop.NumberOf(m->mGroundEdgeTextures[1]), 1480);
    }
    {
        DrawFixture f;
        BattleScope b;
        b.battle.mDate = 4207;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        EXPECT_EQ(f.shop.NumberOf(m->mGroundEdgeTextures[1]), 1580);
        // The light factors are restored after the tinted group.
        ColorRGB now;
        g3D->GetLightFactors(&now);
        EXPECT_EQ(now.red, 1.0f);
        EXPECT_EQ(now.blue, 1.0f);
    }
}

TEST(DrawTextures, DoodadPicturesBySeasonSnowAndPalmsWithFallback) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mTheatre = 0;
    auto m = FlatMap(4, 4);
    b.battle.mSeason = 3;
    m->LoadDoodadTexture(0, 1);
    EXPECT_EQ(f.shop.NumberOf(m->mDoodadTextures[1]), 2301); // record 0 has a winter picture
    m->LoadDoodadTexture(1, 0);
    EXPECT_EQ(f.shop.NumberOf(m->mDoodadTextures[4]), 2110);
    m->LoadDoodadTexture(20, 0); // damaged values load nothing
    m->LoadDoodadTexture(2, 7);
    b.battle.mGroundCondition = 8;
    m->LoadDoodadTexture(12, 0); // record 0: not drawn on snow
    EXPECT_EQ(m->mDoodadTextures[48], nullptr);
    m->LoadDoodadTexture(11, 1); // record 2: snow picture
    EXPECT_EQ(f.shop.NumberOf(m->mDoodadTextures[45]), 2521);
    b.battle.mGroundCondition = 0;
    b.battle.mTheatre = 2;
    f.shop.canFail = {32130};
    m->LoadDoodadTexture(3, 0);
    m->LoadDoodadTexture(9, 1); // record 3 as well: 32131 exists
    EXPECT_EQ(f.shop.NumberOf(m->mDoodadTextures[12]), 2130);
    EXPECT_EQ(f.shop.NumberOf(m->mDoodadTextures[37]), 32131);
}

TEST(DrawTextures, FlameTextureComesFromOneCombinedDraw) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    bool seen[3] = {};
    for (int32_t k = 0; k < 60; ++k) {
        f.recorder.mCalls.clear();
        m->SetFlameTexture();
        const int32_t p = f.shop.NumberOf(f.recorder.mBound) - 1204;
        ASSERT_TRUE(p >= 0 && p < 3);
        seen[p] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
    m->SetShrapnelTexture(9); // out of range binds nothing
    EXPECT_EQ(f.recorder.Count(DrawOp::kTexture), 1);
}

TEST(DrawTextures, CrewDummiesAreMadeOncePerUniformAndStayUntilTheMapGoes) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    {
        TestRows<InfantryData, 10> few{gInfantryData}; // no crew row 790: nothing
        m->MakeCrewDummy(0, 3);
        EXPECT_EQ(m->mCrewDummies[3], nullptr);
    }
    TestRows<InfantryData, 800> infantry{gInfantryData};
    infantry[790].mNrTeams = 1;
    infantry[790].mNrMen = infantry[790].mTeamMen[0] = 2;
    m->MakeCrewDummy(1, 3);
    Unit* dummy = m->mCrewDummies[3];
    ASSERT_NE(dummy, nullptr);
    EXPECT_EQ(dummy->mUniform, 3);
    EXPECT_EQ(dummy->mSubtype, 790);
    EXPECT_FALSE(static_cast<Infantry*>(dummy)->mOnSkis);
    m->MakeCrewDummy(1, 3);
    EXPECT_EQ(m->mCrewDummies[3], dummy); // one per uniform
    m->MakeCrewDummy(0, 36);
    m->MakeCrewDummy(0, -1);
    m->DeleteTextures();
    EXPECT_EQ(m->mCrewDummies[3], dummy); // the dummies outlive their textures
    m->ReleaseDrawState();
    EXPECT_EQ(m->mCrewDummies[3], nullptr);
}

} // namespace

namespace {

// The woods' row (row 1) by season: green mixed wood (510-514, crowns
// 517-519) from spring to autumn, late and bare trees (530-536, crowns
// 537-539) in winter.
TEST(DrawTextures, WoodsRowBySeason) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mTheatre = 0;
    f.settings.mPalmTrees = 0;
    for (int32_t season = 0; season < 4; ++season) {
        b.battle.mSeason = season;
        const int32_t first = season == 3 ? 530 : 510, last = season == 3 ? 536 : 514;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        for (int32_t j = 0; j < 20; ++j) {
            const int32_t a = f.shop.NumberOf(m->mTreeTextures[20 + j]);
            const int32_t crown = f.shop.NumberOf(m->mTreeTextures2[20 + j]);
            EXPECT_TRUE(a >= first && a <= last && crown >= first + 7 && crown <= first + 9) << season << ": " << a;
        }
        m->DeleteTextures();
    }
}

// The tree pictures of a battle: season 0's first row takes the trees
// 0, 0, 2, 2, 1, 1, 3, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3 with the crown
// picture 509; trees 0 and 1 (and 40, 42) are of width class 1, trees 2 and
// 3 (and 13, 21, 32, 41, 43, 53) of class 2; palm theatres have rows of
// their own; reduced texture memory keeps four kinds per row.
TEST(DrawTextures, TreePicturesAndWidthClassesBySeasonTheatreAndMemory) {
    DrawFixture f(false);
    BattleScope b;
    b.battle.mTheatre = 0;
    b.battle.mSeason = 0;
    f.settings.mPalmTrees = 0;
    auto m = FlatMap(4, 4);
    m->MakeTextures(false);
    const int32_t trees[20] = {0, 0, 2, 2, 1, 1, 3, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
    for (int32_t j = 0; j < 20; ++j) {
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures[j]), 500 + trees[j]) << j;
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures2[j]), 509) << j;
        EXPECT_EQ(m->mTreeKinds[j], trees[j] < 2 ? 1 : 2) << j;
    }
    // Row 2: trees 20 to 24; only 21 is narrow.
    for (int32_t j = 0; j < 20; ++j) {
        const int32_t a = f.shop.NumberOf(m->mTreeTextures[40 + j]) - 500;
        ASSERT_TRUE(a >= 20 && a <= 24) << j;
        EXPECT_EQ(m->mTreeKinds[40 + j], a == 21 ? 2 : 0) << j;
    }
    m->DeleteTextures();
    // Deep frost on snow: set 4, trees 40 to 43 in the first row.
    b.battle.mGroundCondition = 7;
    b.battle.mTemperature = 4;
    m->MakeTextures(false);
    for (int32_t j = 0; j < 20; ++j) {
        const int32_t a = f.shop.NumberOf(m->mTreeTextures[j]) - 500;
        ASSERT_TRUE(a >= 40 && a <= 43) << j;
        EXPECT_EQ(m->mTreeKinds[j], (a == 40 || a == 42) ? 1 : 2) << j;
    }
    m->DeleteTextures();
    // Palms: row 0 by j mod 7 (class 3), row 1 by j mod 4 (class 1).
    b.battle.mGroundCondition = 0;
    b.battle.mTemperature = 2;
    b.battle.mTheatre = 2;
    f.settings.mPalmTrees = 1;
    f.settings.mTextureMemoryClass = 1;
    m->MakeTextures(false);
    for (int32_t j = 0; j < 4; ++j) {
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures[j]), 30500 + j % 7) << j;
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures2[j]), 30507 + j % 3) << j;
        EXPECT_EQ(m->mTreeKinds[j], 3) << j;
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures[20 + j]), 30511 + j % 4) << j;
        EXPECT_EQ(f.shop.NumberOf(m->mTreeTextures2[20 + j]), 30515 + j % 2) << j;
        EXPECT_EQ(m->mTreeKinds[20 + j], 1) << j;
    }
    EXPECT_EQ(m->mTreeTextures[4], nullptr); // four kinds per row in reduced memory
    m->DeleteTextures();
}

} // namespace

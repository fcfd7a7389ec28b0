// The units' graphics as the battle screen makes them for a shipped scenario:
// every vehicle wears four texture sets with every slot its model draws, the
// crew dummy of its uniform and its portraits; every figure's small arms and
// every nation's cloth are in the map's table; deleting frees every slot and
// making again fills them.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ScenarioPaths.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/G3DBridge.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"
#include "units/VehicleModelTables.h"
#include "units/VehicleTextures.h"

namespace {

class UnitGraphicsTest : public AppTest {
protected:
    bool mLoadedData = false;
    void TearDown() override {
        if (mLoadedData) DeleteCryptoData();
        AppTest::TearDown();
    }
    std::unique_ptr<Campaign> mCampaign;
    std::unique_ptr<Battle> Load(const char* name) {
        if (gVehicleData.Count() == 0) {
            EXPECT_TRUE(DecryptData());
            mLoadedData = true;
        }
        GameFileState state;
        GameFileContents contents;
        GFile file;
        std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + name;
        if (path.find('.') == std::string::npos) path += ".mvg";
        EXPECT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead)) << path;
        EXPECT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
        mCampaign.reset(contents.campaign);
        return std::unique_ptr<Battle>(contents.battle);
    }
    template <class F> static void ForUnits(Battle* b, F f) {
        for (int32_t i = 0; i < b->mUnits->GetCount(); ++i)
            f(b->mUnits->GetUnit(i));
    }
    template <class F> static void ForUnitsAndReinforcements(Battle* b, F f) {
        ForUnits(b, f);
        for (GList& side : b->mReinforcements)
            for (int32_t k = 0; k < side.GetCount(); ++k) {
                UnitList* list = static_cast<Reinforcement*>(side.GetObjectA(k))->mUnits;
                for (int32_t i = 0; list && i < list->GetCount(); ++i)
                    f(list->GetUnit(i));
            }
    }
    static int32_t Held(Unit* u) {
        int32_t n = 0;
        u->ForEachGraphicSlot([&](GGraphic*& g) { n += g != nullptr; });
        return n;
    }
};

TEST_F(UnitGraphicsTest, EveryVehicleWearsFourSetsADummyAndPortraitsAndDeletingFreesThem) {
    MakePictures();
    TestApp* app = Start(800, 600);
    // The program's own art (the tests run in the program folder).
    GPictureStore::Get().SetFolder((std::filesystem::current_path() / "Demo Data/Pictures").string());
    auto battle = Load("panzer");
    ASSERT_NE(battle, nullptr);
    battle->mHost = app;
    gBattle = battle.get();
    ASSERT_NE(app->MVApplication::BuildBattleScreen(battle.get(), false), nullptr);
    Map* map = battle->mMap;

    int32_t vehicles = 0, squads = 0;
    ForUnits(battle.get(), [&](Unit* u) {
        if (u->mUnitType == kUnitVehicle) {
            auto* v = static_cast<Vehicle*>(u);
            ++vehicles;
            const VehicleType types[4] = {v->mMistakenTypes[2], v->mMistakenTypes[1], v->mMistakenTypes[0],
                                          v->mSubtype};
            for (int32_t set = 0; set < 4; ++set) {
                const int32_t model = GetActualModelX(gVehicleData[types[set]].mModel);
                const uint32_t slots = ModelTableSlots(*VehicleModelTableOf(model));
                ASSERT_NE(slots, 0u);
                for (int32_t s = 0; s < 17; ++s)
                    if (slots & (1u << s))
                        EXPECT_NE(v->mTextureSets[set][s], nullptr)
                            << "vehicle type " << v->mSubtype << " set " << set << " slot " << s;
            }
            EXPECT_NE(map->mCrewDummies[v->mUniform], nullptr) << "uniform " << v->mUniform;
            if (v->Data().mKind != 5)
                for (int32_t k = 0; k < 2; ++k) {
                    EXPECT_NE(v->mRankPortraits[k], nullptr) << "uniform " << v->mUniform;
                    EXPECT_NE(v->mWeaponPortraits[k], nullptr) << "uniform " << v->mUniform;
                }
            for (GGraphic* g : v->mKnowledgePictures)
                EXPECT_NE(g, nullptr) << "vehicle type " << v->mSubtype;
            EXPECT_NE(map->mNationalTextures[v->GetNation()], nullptr);
        } else if (u->mUnitType == kUnitInfantry) {
            auto* i = static_cast<Infantry*>(u);
            ++squads;
            const SmallArmsData& rifle = gSmallArmsData[StandardRifle(i->GetNation())];
            for (int32_t t = 0; t < rifle.mNrTextures; ++t)
                EXPECT_NE(map->mSmallArmsTextures[rifle.mTextures[t]], nullptr);
            // The arms picked for the figures that carry them (group 4).
            for (int32_t k = 0; k < i->GetSpecificNrFigures(4) && k < kInfantryFigures; ++k) {
                const int32_t kind = i->GetSpecificAnimationGroup(k, 4);
                if (kind == 5 || kind == 6 || (kind >= 8 && kind <= 11) || kind == 17) continue;
                const SmallArmsData& d = gSmallArmsData[i->mFigureSmallArms[k]];
                for (int32_t t = 0; t < d.mNrTextures; ++t)
                    EXPECT_NE(map->mSmallArmsTextures[d.mTextures[t]], nullptr);
            }
        }
    });
    EXPECT_GT(vehicles, 0);
    EXPECT_GT(squads, 0);

    // Deleting empties every slot; making again fills them as before.
    battle->DeleteTextures();
    ForUnits(battle.get(), [&](Unit* u) { EXPECT_EQ(Held(u), 0); });
    ASSERT_TRUE(battle->MakeBattleTextures(false));
    ForUnits(battle.get(), [&](Unit* u) {
        if (u->mUnitType == kUnitVehicle) EXPECT_GT(Held(u), 4);
    });
    app->ReleaseBattleScreen(battle.get());
    gBattle = nullptr;
}

TEST_F(UnitGraphicsTest, EveryNationOfABattleGetsItsClothAndAShallowCopyFreesNothing) {
    MakePictures();
    TestApp* app = Start(800, 600);
    auto battle = Load("grossangriff");
    ASSERT_NE(battle, nullptr);
    battle->mHost = app;
    gBattle = battle.get();
    ASSERT_NE(app->MVApplication::BuildBattleScreen(battle.get(), false), nullptr);
    bool british = false;
    ForUnits(battle.get(), [&](Unit* u) {
        british = british || u->GetNation() == 3;
        EXPECT_NE(battle->mMap->mNationalTextures[u->GetNation()], nullptr) << "nation " << u->GetNation();
    });
    EXPECT_TRUE(british);

    // A temporary copy forgets its original's graphics before it goes.
    Vehicle* original = nullptr;
    ForUnits(battle.get(), [&](Unit* u) {
        if (!original && u->mUnitType == kUnitVehicle) original = static_cast<Vehicle*>(u);
    });
    ASSERT_NE(original, nullptr);
    GGraphic* hull = original->mTextureSets[3][0];
    {
        auto* copy = new Vehicle;
        static_cast<Unit&>(*copy).CopyUnitPartFrom(*original);
        EXPECT_EQ(Held(copy), 0) << "a copied unit part keeps its own (no) graphics";
        delete copy;
    }
    EXPECT_EQ(original->mTextureSets[3][0], hull);
    app->ReleaseBattleScreen(battle.get());
    gBattle = nullptr;
}

// The paint, in every demo battle and the operation as the game loads them:
// each of a vehicle's four sets holds every slot its model binds, the hull
// (slot 1) of its own set is nearest its army's paint (the Axis grey or late
// sand, the American olive, the British green), and the set of an
// unidentified contact (set 0) is the one plain set on both sides.
TEST_F(UnitGraphicsTest, EveryVehicleWearsItsArmysPaintAndContactsBelowThreeThePlainSet) {
    MakePictures();
    TestApp* app = Start(800, 600);
    GPictureStore::Get().SetFolder((std::filesystem::current_path() / "Demo Data/Pictures").string());
    auto mean = [](GGraphic* g) {
        std::array<double, 3> m{};
        const PictureRGBA* p = g ? g->GetTexturePicture() : nullptr;
        if (!p) return m;
        for (size_t i = 0; i < p->rgba.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                m[c] += p->rgba[i + c] / double(p->rgba.size() / 4);
        return m;
    };
    // The army whose general hull picture (slot 1, made as the game makes it, so lit alike) a mean colour
    // is nearest: 0 Axis (plain or late), 1 American, 2 British, 3 unidentified.
    std::vector<std::pair<std::array<double, 3>, int>> paints;
    auto reference = [&](const float light[3]) {
        paints.clear();
        Bridge3D::SetLightFactors(light); // the battle's light, as its pictures were made in
        const int refs[5][3] = {{kGeneralAxisSet, 0, 0},
                                {kGeneralAxisSet, 100000, 0}, // the late look
                                {kGeneralAmericanSet, 0, 1},
                                {kGeneralBritishSet, 0, 2},
                                {kUnidentifiedSet, 0, 3}};
        for (auto [set, look, army] : refs) {
            GGraphic* g = gKernel->MakeTexture(kVehicleSetBase + 20 * set + 1 + look);
            paints.push_back({mean(g), army});
            delete g;
        }
        const float one[3] = {1, 1, 1};
        Bridge3D::SetLightFactors(one);
    };
    auto nearest = [&](const std::array<double, 3>& m) {
        int best = -1;
        double bestD = 1e18;
        for (const auto& [p, army] : paints) {
            const double d =
                (m[0] - p[0]) * (m[0] - p[0]) + (m[1] - p[1]) * (m[1] - p[1]) + (m[2] - p[2]) * (m[2] - p[2]);
            if (d < bestD) bestD = d, best = army;
        }
        return best;
    };
    int32_t vehicles = 0; // battles with vehicles
    for (const char* name : {"panzer", "grossangriff", "bruecke", "hecken", "ausbruch", "mortain.mvh"}) {
        SCOPED_TRACE(name);
        auto battle = Load(name);
        if (!battle && mCampaign) { // the operation: its first battle as the game begins it
            gCampaign = mCampaign.get();
            battle.reset(mCampaign->BeginNextBattle(app));
        }
        ASSERT_NE(battle, nullptr);
        battle->mHost = app;
        gBattle = battle.get();
        ASSERT_NE(app->MVApplication::BuildBattleScreen(battle.get(), false), nullptr);
        reference(battle->mLightFactors);
        std::set<std::array<int, 3>> plain;
        ForUnitsAndReinforcements(battle.get(), [&](Unit* u) {
            if (u->mUnitType != kUnitVehicle) return;
            auto* v = static_cast<Vehicle*>(u);
            const VehicleType types[4] = {v->mMistakenTypes[2], v->mMistakenTypes[1], v->mMistakenTypes[0],
                                          v->mSubtype};
            for (int32_t set = 0; set < 4; ++set) {
                const uint32_t slots =
                    ModelTableSlots(*VehicleModelTableOf(GetActualModelX(gVehicleData[types[set]].mModel)));
                for (int32_t s = 0; s < 17; ++s)
                    if (slots & (1u << s))
                        ASSERT_NE(v->mTextureSets[set][s], nullptr) << "type " << types[set] << " slot " << s;
            }
            const Nation n = v->GetNation();
            const int army = n < kNationAmerican ? 0 : n == kNationAmerican ? 1 : 2;
            const auto hull = mean(v->mTextureSets[3][1]);
            EXPECT_EQ(nearest(hull), army) << "type " << v->mSubtype << " nation " << n << ": " << hull[0]
                                           << " " << hull[1] << " " << hull[2];
            EXPECT_EQ(nearest(mean(v->mTextureSets[0][1])), 3)
                << "type " << v->mSubtype << " seen as " << types[0];
            const auto m = mean(v->mTextureSets[0][1]);
            plain.insert({int(m[0] * 16), int(m[1] * 16), int(m[2] * 16)});
        });
        EXPECT_LE(plain.size(), 1u) << "one unidentified hull picture for every vehicle of both sides";
        vehicles += int32_t(!plain.empty());
        app->ReleaseBattleScreen(battle.get());
        gBattle = nullptr;
        gCampaign = nullptr;
        mCampaign.reset();
    }
    EXPECT_GE(vehicles, 4);
}

} // namespace

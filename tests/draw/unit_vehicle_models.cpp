// The vehicle models run from the compiled tables through a recording
// renderer: each model against its contract at both levels of detail, the
// moving parts, the far shapes and the statics the vehicle drawing sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "DrawTestUtil.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"

using namespace dtest;

namespace {

struct Contract {
    int primitives = -1, detailPrimitives = 0;
    int strips = 0, fans = 0, tris = 0;
    std::vector<int> switches;
    std::vector<float> footprint;
};

std::map<std::string, Contract> ReadContracts() {
    std::map<std::string, Contract> out;
    const char* src = std::getenv("DM_SOURCE_DIR");
    std::ifstream in(std::string(src ? src : ".") + "/data/models/contract.txt");
    std::string line, name;
    while (std::getline(in, line)) {
        std::istringstream l(line);
        std::string key;
        l >> key;
        if (key == "contract") l >> name;
        Contract& c = out[name];
        if (key == "primitives") l >> c.primitives;
        if (key == "detail" || key == "detailprims") l >> c.detailPrimitives;
        if (key == "strips") l >> c.strips;
        if (key == "fans") l >> c.fans;
        if (key == "tris") l >> c.tris;
        if (c.primitives < 0 && key == "tris") c.primitives = c.strips + c.fans + c.tris;
        int v;
        float f;
        if (key == "switches")
            while (l >> v)
                c.switches.push_back(v);
        if (key == "footprint")
            while (l >> f)
                c.footprint.push_back(f);
    }
    return out;
}

const char* const kVehicleModels[] = {
    "PzIIIM",   "StuH42_Mid", "Tiger_Early",        "SdKfz222",          "250_11", "M3_GMC",
    "StuartM5", "M3_Lee",     "M4A1_Sherman_Early", "M4A3_75_W_Sherman", "M8_AC",  "M10"};

// Seventeen told-apart texture handles; the recorder never looks inside them.
struct FakeTextures {
    char cells[17] = {};
    GGraphic* set[17];
    FakeTextures() {
        for (int i = 0; i < 17; ++i)
            set[i] = reinterpret_cast<GGraphic*>(&cells[i]);
    }
    int SlotOf(GGraphic* g) const {
        for (int i = 0; i < 17; ++i)
            if (set[i] == g) return i;
        return -1;
    }
};

class ModelRun : public ::testing::Test {
protected:
    DrawFixture f{false};
    FakeTextures tex;
    void SetUp() override {
        gModelStatics = ModelStatics{};
        gModelStatics.textures = tex.set;
        gDrawLOD = false;
    }
    void TearDown() override { gDrawLOD = false; }
    void Run(const char* name) {
        f.recorder.mCalls.clear();
        const dm::models::ModelTable* t = dm::models::FindModelTable(name);
        ASSERT_NE(t, nullptr) << name;
        DrawModelTable(*t, true);
    }
};

} // namespace

TEST_F(ModelRun, EveryVehicleModelKeepsItsContractAtBothLevelsOfDetail) {
    const auto contracts = ReadContracts();
    for (const char* name : kVehicleModels) {
        const Contract& c = contracts.at(name);
        Run(name);
        EXPECT_EQ(Primitives(f.recorder), c.primitives) << name;
        EXPECT_EQ(CheckedDepth(f.recorder), 0) << name;
        // Two-sided: culling off first, on again last.
        ASSERT_FALSE(f.recorder.mCalls.empty());
        EXPECT_EQ(f.recorder.mCalls.front().mOp, DrawOp::kCull);
        EXPECT_EQ(f.recorder.mCalls.front().mArgs[0], 0.0f);
        EXPECT_EQ(f.recorder.mCalls.back().mOp, DrawOp::kCull);
        EXPECT_EQ(f.recorder.mCalls.back().mArgs[0], 1.0f);
        std::vector<int> slots;
        for (const DrawCall& call : f.recorder.mCalls)
            if (call.mOp == DrawOp::kTexture) slots.push_back(tex.SlotOf(call.mTexture));
        EXPECT_EQ(slots, c.switches) << name;

        gDrawLOD = true;
        Run(name);
        EXPECT_EQ(Primitives(f.recorder), c.primitives - c.detailPrimitives) << name;
        EXPECT_EQ(CheckedDepth(f.recorder), 0) << name;
        gDrawLOD = false;
    }
}

TEST_F(ModelRun, GunModelsKeepTheirContractsAndTheFlakBaseKeepsItsOwnOrientation) {
    const auto contracts = ReadContracts();
    for (const char* name : {"75IG", "20Flak", "50AT", "37AT_USA"}) {
        const Contract& c = contracts.at(name);
        Run(name);
        EXPECT_EQ(Primitives(f.recorder), c.primitives) << name;
        EXPECT_EQ(CheckedDepth(f.recorder), 0) << name;
        gDrawLOD = true;
        Run(name);
        EXPECT_EQ(Primitives(f.recorder), c.primitives - c.detailPrimitives) << name;
        gDrawLOD = false;
    }
    EXPECT_STREQ(GunModelTable(6)->name, "50AT");
    EXPECT_STREQ(GunModelTable(21)->name, "75IG");
    EXPECT_STREQ(GunModelTable(36)->name, "37AT_USA");
    for (int m : {13, 7, -3, 1000})
        EXPECT_STREQ(GunModelTable(m)->name, "20Flak") << m;
    EXPECT_EQ(GunModelTable(kGenericGunModel), nullptr);
    EXPECT_FALSE(DrawGunModel(kGenericGunModel, true));
    gModelStatics.headFacing = 90.0f;
    f.recorder.mCalls.clear();
    EXPECT_TRUE(DrawGunModel(13, true));
    EXPECT_EQ(CheckedDepth(f.recorder), 0);
    std::vector<float> turns;
    for (const auto* c : CallsOf(f.recorder, DrawOp::kRotate))
        if (c->mArgs[0] == 2.0f) turns.push_back(c->mArgs[1]);
    EXPECT_EQ(turns, (std::vector<float>{-90.0f}));
}

TEST_F(ModelRun, TracksScrollByTheirTreadAndTheTablesStayAsTheyWere) {
    const dm::models::ModelTable* t = dm::models::FindModelTable("PzIIIM");
    ASSERT_NE(t, nullptr);
    std::vector<float> before(t->uv, t->uv + 2 * t->vertexCount);
    gModelStatics.treadLeft = 0.25f;
    gModelStatics.treadRight = -0.5f;
    Run("PzIIIM");
    // The strips in table order with their side and sign.
    std::vector<const dm::models::ModelOp*> strips;
    for (int i = 0; i < t->opCount; ++i)
        if (t->ops[i].op == dm::models::Op::Strip) strips.push_back(&t->ops[i]);
    const auto drawn = CallsOf(f.recorder, DrawOp::kTextureStrip);
    ASSERT_EQ(drawn.size(), strips.size());
    ASSERT_EQ(strips.size(), 4u);
    for (size_t k = 0; k < strips.size(); ++k) {
        const dm::models::ModelOp& o = *strips[k];
        const float shift = (o.side == 0 ? 0.25f : -0.5f) * (o.sign < 0 ? -1.0f : 1.0f);
        // Recorded corners are x, y, z, u, v; compare every v with the table's.
        for (int v = 0; v < o.n + 2; ++v)
            EXPECT_FLOAT_EQ(drawn[k]->mArgs[5 * v + 4], t->uv[2 * (o.first + v) + 1] + shift);
    }
    EXPECT_EQ(std::vector<float>(t->uv, t->uv + 2 * t->vertexCount), before);
}

TEST_F(ModelRun, TurretTurnsTiltsOnlyWhenTiltedAndTheGunElevatesAboutItsPivot) {
    gModelStatics.headFacing = 30.0f;
    gModelStatics.gunElevate = 7.0f;
    Run("Tiger_Early");
    std::vector<std::pair<int, float>> rotations;
    for (const auto* c : CallsOf(f.recorder, DrawOp::kRotate))
        rotations.push_back({static_cast<int>(c->mArgs[0]), c->mArgs[1]});
    EXPECT_EQ(rotations, (std::vector<std::pair<int, float>>{{2, 30.0f}, {0, 7.0f}}));
    gModelStatics.turretTilt = -12.0f;
    Run("Tiger_Early");
    rotations.clear();
    for (const auto* c : CallsOf(f.recorder, DrawOp::kRotate))
        rotations.push_back({static_cast<int>(c->mArgs[0]), c->mArgs[1]});
    EXPECT_EQ(rotations, (std::vector<std::pair<int, float>>{{2, 30.0f}, {1, -12.0f}, {0, 7.0f}}));
}

TEST_F(ModelRun, TheTwoGunTankLengthensOnlyItsLongHullGunAndHoldsItsTraverse) {
    gModelStatics.headFacing = 40.0f;
    Run("M3_Lee");
    const auto shortScales = CallsOf(f.recorder, DrawOp::kScale).size();
    std::vector<float> turns;
    for (const auto* c : CallsOf(f.recorder, DrawOp::kRotate))
        if (c->mArgs[0] == 2.0f) turns.push_back(c->mArgs[1]);
    // The hull gun is held to 15 degrees; the turret turns freely.
    EXPECT_EQ(turns, (std::vector<float>{15.0f, 40.0f}));
    gModelStatics.longBarrel = true;
    Run("M3_Lee");
    const auto scales = CallsOf(f.recorder, DrawOp::kScale);
    ASSERT_EQ(scales.size(), shortScales + 1);
    bool found = false;
    for (const auto* s : scales)
        found = found || (s->mArgs[0] == 1.0f && std::abs(s->mArgs[1] - 1.316f) < 1e-5f);
    EXPECT_TRUE(found);
}

TEST_F(ModelRun, FarShapesScaleByTheTypeAndTakeTheBarrelOfItsClass) {
    gModelStatics.sizeValue = 4.0f;
    const float lengths[3] = {0.5f, 0.85f, 1.2f};
    for (int cls = 0; cls < 3; ++cls) {
        gModelStatics.barrelClass = cls;
        Run("ClassShape0");
        const auto scales = CallsOf(f.recorder, DrawOp::kScale);
        ASSERT_FALSE(scales.empty());
        EXPECT_FLOAT_EQ(scales[0]->mArgs[0], 0.85f * 4.0f);
        EXPECT_FLOAT_EQ(scales[0]->mArgs[2], 0.875f * 2.0f);
        const auto fans = CallsOf(f.recorder, DrawOp::kTextureFan);
        const DrawCall* barrel = fans.back();
        ASSERT_EQ(barrel->mCount, 4);
        for (int v = 3; v < 6; ++v)
            EXPECT_FLOAT_EQ(barrel->mArgs[5 * v + 1], lengths[cls] * 0.147876304f);
        EXPECT_EQ(CheckedDepth(f.recorder), 0);
    }
    // A missing turret picture falls back to the hull's.
    GGraphic* saved = tex.set[4];
    tex.set[4] = nullptr;
    Run("ClassShape0");
    std::vector<int> slots;
    for (const DrawCall& call : f.recorder.mCalls)
        if (call.mOp == DrawOp::kTexture) slots.push_back(tex.SlotOf(call.mTexture));
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 2, 3, 5}));
    tex.set[4] = saved;
}

TEST_F(ModelRun, EveryModelNumberHasATableAndOwnModelsKeepTheirNumbers) {
    EXPECT_STREQ(VehicleModelTable(28)->name, "PzIIIM");
    EXPECT_STREQ(VehicleModelTable(199)->name, "M3_Lee");
    EXPECT_STREQ(VehicleModelTable(235)->name, "M10");
    EXPECT_STREQ(VehicleModelTable(155)->name, "M3_GMC");
    for (int m : {-5, 0, 141, 255, 256, 100000}) {
        const dm::models::ModelTable* t = VehicleModelTable(m);
        ASSERT_NE(t, nullptr) << m;
        EXPECT_EQ(std::string(t->name).rfind("GeneralModel", 0), 0u) << m;
        EXPECT_FALSE(t->hasFootprint) << m;
    }
}

TEST(ModelLookup, ANameFindsItsTableAlsoWhenItsBufferIsReusedForAnother) {
    EXPECT_EQ(ModelTableNamed("GeneralModel"), dm::models::FindModelTable("GeneralModel"));
    char name[32] = "M10";
    const dm::models::ModelTable* m10 = ModelTableNamed(name);
    ASSERT_NE(m10, nullptr);
    std::strcpy(name, "PzIIIM");
    EXPECT_EQ(ModelTableNamed(name), dm::models::FindModelTable("PzIIIM"));
    EXPECT_NE(ModelTableNamed(name), m10);
    std::strcpy(name, "NoSuchModel");
    EXPECT_EQ(ModelTableNamed(name), nullptr);
    EXPECT_EQ(ModelTableNamed(nullptr), nullptr);
}

// A bunker and the Maginot casemate are blocks in the ground: the general
// model's layout, but nothing drawn with the track texture and nothing in the
// turret's turned frame has an extent; the block stands from the ground to
// its height.
TEST_F(ModelRun, EmplacementsStandWithoutTracksOrTurret) {
    Run("GeneralModel");
    const int primitives = Primitives(f.recorder);
    for (const char* name : {"GeneralModel_136", "GeneralModel_140"}) {
        Run(name);
        EXPECT_EQ(Primitives(f.recorder), primitives) << name;
        int slot = -1, depth = 0, turretDepth = -1;
        float low = 1e9f, high = -1e9f;
        for (const DrawCall& c : f.recorder.mCalls) {
            if (c.mOp == DrawOp::kTexture) slot = tex.SlotOf(c.mTexture);
            if (c.mOp == DrawOp::kPush) ++depth;
            if (c.mOp == DrawOp::kPop && --depth < turretDepth) turretDepth = -1;
            if (c.mOp == DrawOp::kRotate && c.mArgs[0] == 2.0f && turretDepth < 0) turretDepth = depth;
            const bool textured = c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip ||
                                  c.mOp == DrawOp::kTexturedTriangle;
            if (!textured && c.mOp != DrawOp::kFan && c.mOp != DrawOp::kStrip) continue;
            const size_t stride = textured ? 5 : 3;
            float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
            for (size_t i = 0; i + 2 < c.mArgs.size(); i += stride)
                for (int k = 0; k < 3; ++k)
                    lo[k] = std::min(lo[k], c.mArgs[i + k]), hi[k] = std::max(hi[k], c.mArgs[i + k]);
            const bool point = hi[0] == lo[0] && hi[1] == lo[1] && hi[2] == lo[2];
            if (textured && slot == 0) {
                EXPECT_TRUE(point) << name << ": a track band";
            }
            if (turretDepth >= 0) {
                EXPECT_TRUE(point) << name << ": a turret or gun";
            }
            if (!point) low = std::min(low, lo[2]), high = std::max(high, hi[2]);
        }
        const dm::models::ModelTable* t = dm::models::FindModelTable(name);
        ASSERT_NE(t, nullptr);
        EXPECT_NEAR(low, 0.0f, 1e-6f) << name << " does not stand on the ground";
        EXPECT_GT(high * t->unitMetres, 1.9f) << name;
    }
}

// The compiled-in model tables walked as the drawing walks them, against the structure every vehicle
// and gun must have: counts, texture order, running-gear strips, footprints, pivots and muzzles.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "models/ModelTables.h"
#include "units/DataText.h"

using dm::models::FindModelTable;
using dm::models::ModelOp;
using dm::models::ModelTable;
using dm::models::Op;

namespace {

struct VehicleShape {
    const char* name;
    std::vector<int> numbers;
    int strips, fans, tris, triangles, detail, detailTriangles, vertices;
    std::vector<int> switches; // texture slots in switch order
    const char* runs;          // running-gear strips: triangles, side, sign
    float footprint[4];
};

const std::vector<VehicleShape>& Vehicles() {
    static const std::vector<VehicleShape> v = {
        {"PzIIIM",
         {28},
         4,
         213,
         40,
         634,
         123,
         267,
         1148,
         {0, 7, 1, 16, 8, 2, 6, 4, 14, 3, 13, 3, 4, 15, 5},
         "12L- 12R- 12L+ 12R+",
         {-0.049f, -0.107f, 0.051f, 0.088f}},
        {"StuH42_Mid",
         {84},
         4,
         249,
         34,
         746,
         135,
         299,
         1320,
         {0, 1, 10, 16, 6, 2, 7, 13, 11, 12, 8, 14, 15, 9, 4, 3, 14, 5},
         "12L+ 12R+ 14L- 14R-",
         {-0.057f, -0.102f, 0.057f, 0.086f}},
        {"Tiger_Early",
         {86},
         4,
         242,
         49,
         722,
         134,
         285,
         1312,
         {0, 1, 16, 11, 2, 6, 12, 7, 13, 3, 4, 9, 10, 8, 3, 15, 4, 14, 5},
         "14R- 14L- 10R+ 10L+",
         {-0.061f, -0.109f, 0.062f, 0.104f}},
        {"SdKfz222",
         {105},
         12,
         218,
         25,
         661,
         125,
         291,
         1171,
         {0, 6, 2, 10, 1, 7, 11, 8, 9, 3, 4, 10, 12, 13, 16, 15, 4, 3, 14, 5},
         "8R- 8L- 8R- 8L- 2L+ 2L+ 2R+ 2R+ 4R+ 4L+ 4R+ 4L+",
         {-0.03f, -0.078f, 0.033f, 0.089f}},
        {"250_11",
         {120},
         8,
         168,
         24,
         597,
         105,
         263,
         997,
         {0, 6, 11, 13, 7, 1, 2, 10, 14, 8, 12, 9, 4, 3, 15, 3, 4, 16, 5},
         "4L+ 4R+ 12L+ 12R+ 10L- 10R- 16L- 16R-",
         {-0.033f, -0.077f, 0.034f, 0.081f}},
        {"M3_GMC",
         {154, 155},
         10,
         195,
         18,
         576,
         71,
         163,
         1022,
         {0, 10, 11, 2, 15, 6, 9, 16, 1, 7, 8, 4, 12, 3, 13, 5, 14},
         "2L+ 2R+ 4R+ 10L+ 10R+ 4L+ 8R- 10L- 10R- 8L-",
         {-0.036f, -0.115f, 0.037f, 0.105f}},
        {"StuartM5",
         {186},
         4,
         113,
         17,
         379,
         58,
         152,
         647,
         {0, 2, 6, 1, 7, 12, 11, 13, 3, 4, 8, 9, 4, 3, 15, 5},
         "10L- 10R- 12L+ 12R+",
         {-0.04f, -0.082f, 0.04f, 0.074f}},
        {"M3_Lee",
         {198, 199, 200},
         4,
         219,
         32,
         652,
         147,
         325,
         1162,
         {0, 7, 12, 6, 2, 1, 13, 16, 14, 5, 10, 8, 3, 4, 11, 9, 3, 4, 15, 5},
         "10L- 10R- 14L+ 14R+",
         {-0.044f, -0.098f, 0.045f, 0.098f}},
        {"M4A1_Sherman_Early",
         {203},
         4,
         285,
         46,
         889,
         213,
         508,
         1559,
         {0, 1, 6, 7, 10, 11, 2, 12, 13, 16, 9, 3, 4, 14, 8, 4, 3, 15, 5},
         "14R- 14L- 10R+ 10L+",
         {-0.048f, -0.107f, 0.047f, 0.097f}},
        {"M4A3_75_W_Sherman",
         {211},
         4,
         228,
         41,
         712,
         168,
         401,
         1258,
         {0, 1, 2, 12, 6, 7, 11, 10, 13, 9, 3, 4, 14, 8, 4, 3, 15, 5},
         "14R- 14L- 10R+ 10L+",
         {-0.045f, -0.107f, 0.045f, 0.097f}},
        {"M8_AC",
         {233},
         24,
         167,
         19,
         568,
         48,
         105,
         988,
         {0, 7, 1, 16, 2, 12, 13, 14, 6, 10, 11, 8, 3, 4, 9, 3, 4, 15, 10, 5},
         "2L+ 2R+ 2L+ 2R+ 2R+ 2L+ 4R+ 4R+ 4L+ 4L+ 4L+ 4R+ 2R- 2L- 2L- 2R- 2R- 2L- 4R- 4R- 4L- 4L- 4L- 4R-",
         {-0.047f, -0.091f, 0.048f, 0.083f}},
        {"M10",
         {234, 235},
         4,
         174,
         24,
         580,
         83,
         233,
         984,
         {0, 7, 2, 1, 6, 11, 3, 4, 9, 8, 10, 12, 14, 3, 15, 5, 16},
         "10L+ 10R+ 12L- 12R-",
         {-0.045f, -0.09f, 0.046f, 0.086f}},
    };
    return v;
}

bool IsPrim(Op op) {
    return op == Op::Fan || op == Op::Strip || op == Op::Triangle || op == Op::FlatFan ||
           op == Op::FlatTriangle || op == Op::FlatStrip;
}

int Entries(const ModelOp& o) {
    return (o.op == Op::Triangle || o.op == Op::FlatTriangle) ? 3 : o.n + 2;
}

struct Walk {
    int strips = 0, fans = 0, tris = 0, triangles = 0, detail = 0, detailTriangles = 0, vertices = 0;
    int maxDepth = 0, endDepth = 0;
    std::vector<int> switches;
    std::string runs;
    bool stripsOnSlotZero = true, stripDetail = false, contiguous = true, barrelAfterRecoil = true;
    int flashes = 0;
};

// Walks the operation list the way a model function draws it.
Walk WalkModel(const ModelTable& m) {
    Walk w;
    int depth = 0, next = 0, slot = -1;
    bool afterRecoil = false;
    for (int i = 0; i < m.opCount; ++i) {
        const ModelOp& o = m.ops[i];
        if (o.op == Op::Push) w.maxDepth = std::max(w.maxDepth, ++depth);
        if (o.op == Op::Pop) --depth;
        if (o.op == Op::Flash) ++w.flashes;
        if (o.op == Op::Texture) {
            if (afterRecoil && o.n != 5) w.barrelAfterRecoil = false;
            afterRecoil = false;
            slot = o.n;
            w.switches.push_back(o.n);
        }
        if (o.op == Op::Recoil) afterRecoil = true;
        if (!IsPrim(o.op)) continue;
        if (o.first != next) w.contiguous = false;
        next = o.first + Entries(o);
        w.vertices += Entries(o);
        w.triangles += (o.op == Op::Triangle || o.op == Op::FlatTriangle) ? 1 : o.n;
        if (o.op == Op::Strip || o.op == Op::FlatStrip) ++w.strips;
        if (o.op == Op::Fan || o.op == Op::FlatFan) ++w.fans;
        if (o.op == Op::Triangle || o.op == Op::FlatTriangle) ++w.tris;
        if (o.detail) ++w.detail, w.detailTriangles += (o.op == Op::Fan || o.op == Op::FlatFan) ? o.n : 1;
        if (o.op == Op::Strip && o.side >= 0) {
            if (slot != 0) w.stripsOnSlotZero = false;
            if (!w.runs.empty()) w.runs += ' ';
            w.runs += std::to_string(o.n) + (o.side ? "R" : "L") + (o.sign > 0 ? "+" : "-");
        }
        if ((o.op == Op::Strip || o.op == Op::FlatStrip) && o.detail) w.stripDetail = true;
    }
    w.endDepth = depth;
    if (next != m.vertexCount) w.contiguous = false;
    return w;
}

const ModelTable& Table(const char* name) {
    const ModelTable* t = FindModelTable(name);
    if (!t) ADD_FAILURE() << name << " is missing";
    static const ModelTable none{};
    return t ? *t : none;
}

} // namespace

TEST(ModelTables, EveryVehicleModelHasItsFixedStructure) {
    for (const VehicleShape& v : Vehicles()) {
        SCOPED_TRACE(v.name);
        const ModelTable& m = Table(v.name);
        ASSERT_NE(m.ops, nullptr);
        Walk w = WalkModel(m);
        EXPECT_EQ(w.strips, v.strips);
        EXPECT_EQ(w.fans, v.fans);
        EXPECT_EQ(w.tris, v.tris);
        EXPECT_EQ(w.triangles, v.triangles);
        EXPECT_EQ(w.detail, v.detail);
        EXPECT_EQ(w.detailTriangles, v.detailTriangles);
        EXPECT_EQ(w.vertices, v.vertices);
        EXPECT_EQ(m.vertexCount, v.vertices);
        EXPECT_EQ(w.switches, v.switches);
        EXPECT_EQ(w.runs, v.runs);
        EXPECT_TRUE(w.stripsOnSlotZero) << "every running-gear strip is drawn with slot 0";
        EXPECT_FALSE(w.stripDetail) << "strips are never left out at low detail";
        EXPECT_TRUE(w.contiguous) << "primitives take their entries back to back in drawing order";
        EXPECT_TRUE(w.barrelAfterRecoil) << "the barrel's slot 5 is the first texture after the recoil";
        EXPECT_EQ(w.endDepth, 0);
        EXPECT_LE(w.maxDepth, 2);
        EXPECT_EQ(m.ops[0].op == Op::Texture || m.ops[0].op == Op::Push, true);
        ASSERT_TRUE(m.hasFootprint);
        for (int k = 0; k < 4; ++k)
            EXPECT_FLOAT_EQ(m.footprint[k], v.footprint[k]);
        std::vector<int> numbers;
        for (const std::int16_t* n = m.numbers; *n >= 0; ++n)
            numbers.push_back(*n);
        EXPECT_EQ(numbers, v.numbers);
    }
}

TEST(ModelTables, VehicleBodiesStandOnTheGroundInsideTheirFootprint) {
    // Everything drawn before the turret or gun section (running gear and hull) lies within the footprint,
    // give or take a fender, and nothing of any model lies below the ground.
    for (const VehicleShape& v : Vehicles()) {
        SCOPED_TRACE(v.name);
        const ModelTable& m = Table(v.name);
        const float margin = 0.004f; // about 12 cm
        bool hull = true;
        float minZ = 1, maxX = -1, minX = 1, maxY = -1, minY = 1;
        for (int i = 0; i < m.opCount; ++i) {
            const ModelOp& o = m.ops[i];
            if (o.op == Op::Push && i > 0) hull = false;
            if (!IsPrim(o.op)) continue;
            for (int e = 0; e < Entries(o); ++e) {
                const float* p = m.xyz + 3 * (o.first + e);
                minZ = std::min(minZ, p[2]);
                if (!hull) continue;
                minX = std::min(minX, p[0]), maxX = std::max(maxX, p[0]);
                minY = std::min(minY, p[1]), maxY = std::max(maxY, p[1]);
            }
        }
        EXPECT_GE(minZ, -0.0001f);
        EXPECT_GE(minX, v.footprint[0] - margin);
        EXPECT_GE(minY, v.footprint[1] - margin);
        EXPECT_LE(maxX, v.footprint[2] + margin);
        EXPECT_LE(maxY, v.footprint[3] + margin);
        // and fills it: a hull much smaller than its footprint would cast a wrong shadow
        EXPECT_LE(maxX - minX, v.footprint[2] - v.footprint[0] + 2 * margin);
        EXPECT_GE(maxY - minY, 0.8f * (v.footprint[3] - v.footprint[1]));
    }
}

TEST(ModelTables, TrackTexturesRunAlongEachStrip) {
    // The tread offset slides v, so v must grow steadily along a strip for the texture to run with it,
    // and the two vertices of each station share their v.
    for (const VehicleShape& v : Vehicles()) {
        SCOPED_TRACE(v.name);
        const ModelTable& m = Table(v.name);
        for (int i = 0; i < m.opCount; ++i) {
            const ModelOp& o = m.ops[i];
            if (o.op != Op::Strip) continue;
            for (int e = 0; e + 3 < o.n + 2; e += 2) {
                const float* uv = m.uv + 2 * (o.first + e);
                EXPECT_FLOAT_EQ(uv[1], uv[3]);
                EXPECT_LT(uv[1], uv[5]);
            }
        }
    }
}

TEST(ModelTables, ArticulationFollowsEachModelsPivotsAndMuzzles) {
    auto ops = [](const char* name, Op op) {
        std::vector<const ModelOp*> v;
        const ModelTable& m = Table(name);
        for (int i = 0; i < m.opCount; ++i)
            if (m.ops[i].op == op) v.push_back(&m.ops[i]);
        return v;
    };
    auto tiger = ops("Tiger_Early", Op::Flash);
    ASSERT_EQ(tiger.size(), 1u);
    EXPECT_FLOAT_EQ(tiger[0]->b, 0.183614f);
    auto stuhTurn = ops("StuH42_Mid", Op::Turn);
    ASSERT_EQ(stuhTurn.size(), 1u);
    EXPECT_TRUE(stuhTurn[0]->flags & dm::models::kTurnElevate)
        << "the casemate gun turns and rises about one pivot";
    EXPECT_FALSE(stuhTurn[0]->flags & dm::models::kTurnTilt);
    EXPECT_TRUE(ops("StuH42_Mid", Op::Elevate).empty());
    auto lee = ops("M3_Lee", Op::Turn);
    ASSERT_EQ(lee.size(), 2u);
    EXPECT_TRUE(lee[0]->flags & dm::models::kTurnClamp15);
    EXPECT_FLOAT_EQ(lee[1]->a, -0.0105f);
    auto leeFlash = ops("M3_Lee", Op::Flash);
    ASSERT_EQ(leeFlash.size(), 2u);
    EXPECT_TRUE(leeFlash[0]->flags & dm::models::kHullGunOnly);
    EXPECT_TRUE(leeFlash[1]->flags & dm::models::kTurretGunOnly);
    ASSERT_EQ(ops("M3_Lee", Op::LongBarrel).size(), 1u);
    EXPECT_EQ(ops("M3_Lee", Op::Tilt).size(), 1u);
    auto m10 = Table("M10");
    ASSERT_GT(m10.opCount, 2);
    EXPECT_EQ(m10.ops[0].op, Op::Push);
    EXPECT_EQ(m10.ops[1].op, Op::Scale);
    EXPECT_FLOAT_EQ(m10.ops[1].a, 1.1247f);
    for (const VehicleShape& v : Vehicles())
        for (const ModelOp* r : ops(v.name, Op::Recoil))
            EXPECT_FLOAT_EQ(r->a, -0.012f) << v.name;
}

TEST(ModelTables, GunModelsUseTheirStatedTexturesAndCounts) {
    struct Gun {
        const char* name;
        int number, fans, strips, tris, detail, depth;
        std::set<int> slots;
        float muzzle[3];
    };
    const Gun guns[] = {
        {"75IG",
         21,
         68,
         5,
         3,
         0,
         1,
         {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 13, 14, 15, 16},
         {0.000124f, 0.0173f, 0.0287f}},
        {"20Flak",
         13,
         79,
         0,
         1,
         0,
         1,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 15, 16},
         {0.000528f, 0.0787f, 0.0274f}},
        {"50AT",
         6,
         63,
         6,
         10,
         0,
         0,
         {0, 1, 2, 3, 4, 5, 6, 8, 11, 12, 13, 14, 15, 16},
         {0.000582f, 0.0846f, 0.0310f}},
        {"37AT_USA",
         36,
         46,
         6,
         12,
         9,
         1,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 16},
         {-0.0000313f, 0.0449f, 0.0295f}},
    };
    for (const Gun& g : guns) {
        SCOPED_TRACE(g.name);
        const ModelTable& m = Table(g.name);
        ASSERT_NE(m.ops, nullptr);
        Walk w = WalkModel(m);
        EXPECT_EQ(w.fans, g.fans);
        EXPECT_EQ(w.strips, g.strips);
        EXPECT_EQ(w.tris, g.tris);
        EXPECT_EQ(w.detail, g.detail);
        EXPECT_EQ(w.maxDepth, g.depth);
        EXPECT_EQ(w.endDepth, 0);
        EXPECT_TRUE(w.contiguous);
        EXPECT_TRUE(w.runs.empty()) << "gun wheels do not scroll";
        EXPECT_EQ(std::set<int>(w.switches.begin(), w.switches.end()), g.slots);
        EXPECT_FALSE(m.hasFootprint) << "a gun casts no model shadow";
        EXPECT_EQ(m.numbers[0], g.number);
        ASSERT_EQ(w.flashes, 1);
        for (int i = 0; i < m.opCount; ++i)
            if (m.ops[i].op == Op::Flash) {
                EXPECT_FLOAT_EQ(m.ops[i].a, g.muzzle[0]);
                EXPECT_FLOAT_EQ(m.ops[i].b, g.muzzle[1]);
                EXPECT_FLOAT_EQ(m.ops[i].c, g.muzzle[2]);
            }
    }
    // The flak base keeps its own bearing: it is drawn in its own pushed level under the counter-turn.
    const ModelTable& flak = Table("20Flak");
    ASSERT_GT(flak.opCount, 2);
    EXPECT_EQ(flak.ops[0].op, Op::Push);
    EXPECT_EQ(flak.ops[1].op, Op::CounterTurn);
}

TEST(ModelTables, FallbackShapesHaveTheirExactSequences) {
    auto sequence = [](const char* name) {
        std::string s;
        const ModelTable& m = Table(name);
        for (int i = 0; i < m.opCount; ++i) {
            const ModelOp& o = m.ops[i];
            std::string t;
            switch (o.op) {
            case Op::Texture:
                t = "T" + std::to_string(o.n);
                break;
            case Op::Fan:
                t = "F" + std::to_string(o.n);
                break;
            case Op::FlatFan:
                t = "f" + std::to_string(o.n);
                break;
            case Op::Strip:
                t = "S" + std::to_string(o.n);
                break;
            case Op::Triangle:
                t = o.side >= 0 ? "r" : "t";
                break;
            case Op::FlatTriangle:
                t = "x";
                break;
            case Op::Color:
                t = "C";
                break;
            case Op::Push:
                t = "P";
                break;
            case Op::Pop:
                t = "Q";
                break;
            default:
                t = ".";
                break;
            }
            s += (s.empty() ? "" : " ") + t;
        }
        return s;
    };
    EXPECT_EQ(sequence("ClassShape0"),
              ". T0 S4 S4 S4 S4 T1 F4 F4 F2 F2 T2 F2 F4 P . T4 F2 F2 F2 T3 F2 F2 . . . T5 . F4 Q");
    EXPECT_EQ(sequence("ClassShape1"), "T2 F4 F2 F3 F2 T1 F3 F2 F2 F2 F2 F2 F2 F2 F2 F2 F2 F2 C f2 f2 f2 f4 "
                                       "f2 f4 f2 f2 f4 f3 f2 f2 f2 f2 f2 f2 x");
    std::string treads;
    for (int i = 0; i < 32; ++i)
        treads += " r";
    EXPECT_EQ(sequence("GeneralModel"),
              "C f5 f5 f2 f2 T0" + treads +
                  " T1 F9 F9 F3 F2 F2 F2 t t t T2 F7 F3 F2 F3 F2 F3 F2 F4 F2 T6 F4 F2 F2 F2 P . "
                  "T3 F4 F2 F4 F2 T4 F3 F2 F4 F2 P . . . T5 F7 F3 t t T5 F2 F2 Q Q");
    // The general model's treads: the first sixteen follow the left track, the last sixteen the right.
    const ModelTable& g = Table("GeneralModel");
    int left = 0, right = 0;
    for (int i = 0; i < g.opCount; ++i)
        if (g.ops[i].op == Op::Triangle && g.ops[i].side >= 0) (g.ops[i].side == 0 ? left : right) += 1;
    EXPECT_EQ(left, 16);
    EXPECT_EQ(right, 16);
    // Class shape 0: turret slots fall back to 2 and 1; the barrel fan's last three vertices are its far end.
    const ModelTable& c0 = Table("ClassShape0");
    std::map<int, int> fallback;
    for (int i = 0; i < c0.opCount; ++i)
        if (c0.ops[i].op == Op::Texture) fallback[c0.ops[i].n] = int(c0.ops[i].b);
    EXPECT_EQ(fallback[4], 2);
    EXPECT_EQ(fallback[3], 1);
    EXPECT_EQ(fallback[0], -1);
    for (int i = 0; i + 1 < c0.opCount; ++i)
        if (c0.ops[i].op == Op::BarrelClass) {
            const ModelOp& fan = c0.ops[i + 1];
            ASSERT_EQ(fan.op, Op::Fan);
            const float* p = c0.xyz + 3 * fan.first;
            for (int e = 0; e < 3; ++e)
                EXPECT_LT(p[3 * e + 1], p[3 * (e + 3) + 1]);
        }
}

TEST(ModelTables, EffectShapesWeaponsAndMountsHaveTheirPrimitives) {
    // f<n> untextured fan, s<n> untextured strip, F/S textured, x untextured triangle, C colour, T texture.
    const std::pair<const char*, const char*> expected[] = {
        {"EffectBodyNose", "C f4"},
        {"EffectBodyTail", "C f4"},
        {"EffectBodyMiddle", "C s8"},
        {"EffectStick", "C s8"},
        {"EffectBluntCap", "C f4"},
        {"EffectShellNose", "C f4"},
        {"EffectShellBody", "C s8"},
        {"EffectTracerNose", "T0 F4"},
        {"EffectTracerBody", "T0 S8"},
        {"EffectPuffDisc", "C f4 f4"},
        {"FlameTank", "C s6 s6 C f2 f2 f2 C f4 f4"},
        {"RocketTube", "C s10 C f3 f3"},
        {"RocketShield", "C f2 f2 f2 f2"},
        {"RocketBody", "C f2 f2 f2"},
        {"HandObject", "C f6 f6"},
        {"WeaponGroup8", "C s6 s6 f3 f3"},
        {"MachineGunMount", "C s6 s6 s6"},
        {"MachineGunInline", "C s6 s6 s6 s6 s6 f2"},
        {"Mortar", "C s6 s6 s6 C f3 T0 S10 T1 F2"},
        {"GenericGunBarrel", "C s10 C f4 f4"},
        {"GenericGunWheel", "C s6 s14 T0 F6 F6"},
    };
    for (const auto& [name, seq] : expected) {
        SCOPED_TRACE(name);
        const ModelTable& m = Table(name);
        std::string s;
        for (int i = 0; i < m.opCount; ++i) {
            const ModelOp& o = m.ops[i];
            std::string t;
            switch (o.op) {
            case Op::Texture:
                t = "T" + std::to_string(o.n);
                break;
            case Op::Fan:
                t = "F" + std::to_string(o.n);
                break;
            case Op::FlatFan:
                t = "f" + std::to_string(o.n);
                break;
            case Op::Strip:
                t = "S" + std::to_string(o.n);
                break;
            case Op::FlatStrip:
                t = "s" + std::to_string(o.n);
                break;
            case Op::FlatTriangle:
                t = "x";
                break;
            case Op::Color:
                t = "C";
                break;
            default:
                t = "?";
                break;
            }
            s += (s.empty() ? "" : " ") + t;
        }
        EXPECT_EQ(s, seq);
        EXPECT_TRUE(WalkModel(m).contiguous);
    }
    // The effect shapes point along +x: the nose lies ahead of the tail.
    auto meanX = [](const char* name) {
        const ModelTable& m = Table(name);
        float sum = 0;
        for (int i = 0; i < m.vertexCount; ++i)
            sum += m.xyz[3 * i];
        return sum / float(m.vertexCount);
    };
    EXPECT_GT(meanX("EffectBodyNose"), meanX("EffectBodyMiddle"));
    EXPECT_LT(meanX("EffectBodyTail"), meanX("EffectBodyMiddle"));
    EXPECT_GT(meanX("EffectShellNose"), meanX("EffectShellBody"));
    // The generic gun's muzzle flash stands at the barrel's end.
    const ModelTable& barrel = Table("GenericGunBarrel");
    float maxY = -1e9f;
    for (int i = 0; i < barrel.vertexCount; ++i)
        maxY = std::max(maxY, barrel.xyz[3 * i + 1]);
    EXPECT_NEAR(maxY, 65.0f, 0.5f);
}

namespace {
// The lowest and highest points of a model along z, and the point nearest a given one.
struct Extent {
    float minZ = 1e9f, maxZ = -1e9f;
};
Extent ExtentOf(const ModelTable& m) {
    Extent e;
    for (int i = 0; i < m.vertexCount; ++i)
        e.minZ = std::min(e.minZ, m.xyz[3 * i + 2]), e.maxZ = std::max(e.maxZ, m.xyz[3 * i + 2]);
    return e;
}
float Nearest(const ModelTable& m, float x, float y, float z) {
    float best = 1e9f;
    for (int i = 0; i < m.vertexCount; ++i)
        best = std::min(best, std::hypot(m.xyz[3 * i] - x, m.xyz[3 * i + 1] - y, m.xyz[3 * i + 2] - z));
    return best;
}
} // namespace

TEST(ModelTables, FigurePiecesMeetAtTheirJoints) {
    // Each limb piece is modelled in its joint's frame: it starts at the joint (origin) and reaches the
    // next joint, so a bent figure shows no gap. Elbow (4.45, 0, -20) from the shoulder; knee 29.5 below
    // the hip; soles 40.5 below the knee (70 up in the body frame).
    for (const char* arm :
         {"SoldierUpperArmSucky", "SoldierUpperArmAverage", "SoldierUpperArmGood", "SoldierUpperArmBest"}) {
        SCOPED_TRACE(arm);
        const ModelTable& m = Table(arm);
        EXPECT_LT(Nearest(m, 0, 0, 0), 6.0f); // the sleeve is about 4.5 round its joint
        EXPECT_LT(Nearest(m, 4.45f, 0, -20), 5.0f);
    }
    for (const char* fore :
         {"SoldierForearmSucky", "SoldierForearmAverage", "SoldierForearmGood", "SoldierForearmBest"}) {
        SCOPED_TRACE(fore);
        const ModelTable& m = Table(fore);
        EXPECT_LT(Nearest(m, 0, 0, 0), 6.0f); // the sleeve is about 4.5 round its joint
        EXPECT_LT(Nearest(m, -0.5f, 4.9f, -24), 4.0f) << "the hand reaches where the weapon is held";
    }
    for (const char* thigh :
         {"SoldierThighCircus", "SoldierThighAverage", "SoldierThighGood", "SoldierThighBest"}) {
        SCOPED_TRACE(thigh);
        Extent e = ExtentOf(Table(thigh));
        EXPECT_NEAR(e.minZ, -29.5f, 2.0f);
        EXPECT_GE(e.maxZ, 0.0f);
    }
    for (const char* shin : {"SoldierShinCircus", "SoldierShinAverage", "SoldierShinGood",
                             "SoldierShinGoodL20", "SoldierShinBest", "SoldierShinBestL17"}) {
        SCOPED_TRACE(shin);
        Extent e = ExtentOf(Table(shin));
        EXPECT_GE(e.maxZ, -0.5f);
        EXPECT_LE(e.minZ, -33.0f);
    }
    for (const char* foot : {"SoldierFootGood", "SoldierFootBest"})
        EXPECT_NEAR(ExtentOf(Table(foot)).minZ, -40.5f, 0.5f) << foot;
    EXPECT_NEAR(ExtentOf(Table("SoldierSkis")).minZ, -40.3f, 0.01f);
    // Torsos span the body from the hips to the shoulders; faces sit above them.
    for (const char* torso : {"SoldierTorsoDot", "SoldierTorsoSucky", "SoldierTorsoGood"}) {
        Extent e = ExtentOf(Table(torso));
        EXPECT_NEAR(e.minZ, 63.0f, 1.0f) << torso;
        EXPECT_NEAR(e.maxZ, 114.5f, 1.5f) << torso;
    }
    for (const char* face : {"SoldierFaceDot", "SoldierFaceAverage", "SoldierFaceGood"}) {
        Extent e = ExtentOf(Table(face));
        EXPECT_GT(e.minZ, 112.0f) << face;
        EXPECT_LT(e.maxZ, 140.0f) << face;
    }
}

namespace {
// A vehicle table split into its hull (everything but the barrel) and its barrel: the primitives after
// the recoil reaching more than half a metre along y (at 28.9 m a unit).
struct HullAndBarrel {
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    float barrelStart = 1e9f, barrelEnd = -1e9f, barrelThick = 1e9f;
    float muzzle[3] = {};
};
HullAndBarrel HullAndBarrelOf(const ModelTable& t) {
    HullAndBarrel h;
    bool afterRecoil = false;
    for (int i = 0; i < t.opCount; ++i) {
        const ModelOp& o = t.ops[i];
        if (o.op == Op::Recoil) afterRecoil = true;
        if (o.op == Op::Flash) h.muzzle[0] = o.a, h.muzzle[1] = o.b, h.muzzle[2] = o.c;
        int count = 0;
        if (o.op == Op::Fan || o.op == Op::Strip || o.op == Op::FlatFan || o.op == Op::FlatStrip)
            count = o.n + 2;
        if (o.op == Op::Triangle || o.op == Op::FlatTriangle) count = 3;
        if (!count) continue;
        const float* p = t.xyz + 3 * o.first;
        float ylo = 1e9f, yhi = -1e9f, xlo = 1e9f, xhi = -1e9f;
        for (int v = 0; v < count; ++v)
            ylo = std::min(ylo, p[3 * v + 1]), yhi = std::max(yhi, p[3 * v + 1]),
            xlo = std::min(xlo, p[3 * v]), xhi = std::max(xhi, p[3 * v]);
        if (afterRecoil && (yhi - ylo) * 28.9f > 0.5f) {
            h.barrelStart = std::min(h.barrelStart, ylo), h.barrelEnd = std::max(h.barrelEnd, yhi);
            if (xhi - xlo > 1e-6f) h.barrelThick = std::min(h.barrelThick, xhi - xlo);
            continue;
        }
        for (int v = 0; v < count; ++v)
            for (int k = 0; k < 3; ++k)
                h.lo[k] = std::min(h.lo[k], p[3 * v + k]), h.hi[k] = std::max(h.hi[k], p[3 * v + k]);
    }
    return h;
}

// The height of the highest level face of a vehicle table (not its barrel) over the point (x, y), in model
// units; -1 when none lies over it.
float RoofAt(const ModelTable& t, float x, float y) {
    float best = -1.0f;
    bool afterRecoil = false;
    float scale = 1.0f;
    for (int i = 0; i < t.opCount; ++i) {
        const ModelOp& o = t.ops[i];
        if (o.op == Op::Scale) scale = o.a;
        if (o.op == Op::Recoil) afterRecoil = true;
        if (o.op != Op::Fan && o.op != Op::FlatFan && o.op != Op::Triangle && o.op != Op::FlatTriangle)
            continue;
        const int count = o.op == Op::Fan || o.op == Op::FlatFan ? o.n + 2 : 3;
        const float* p = t.xyz + 3 * o.first;
        float zlo = 1e9f, zhi = -1e9f, ylo = 1e9f, yhi = -1e9f, zsum = 0.0f;
        for (int v = 0; v < count; ++v) {
            zlo = std::min(zlo, p[3 * v + 2]), zhi = std::max(zhi, p[3 * v + 2]), zsum += p[3 * v + 2];
            ylo = std::min(ylo, p[3 * v + 1]), yhi = std::max(yhi, p[3 * v + 1]);
        }
        if ((afterRecoil && (yhi - ylo) * 28.9f > 0.5f) || (zhi - zlo) * 28.9f > 0.12f) continue;
        bool in = false;
        for (int a = 0, b = count - 1; a < count; b = a++) {
            const float xa = p[3 * a] * scale, ya = p[3 * a + 1] * scale, xb = p[3 * b] * scale,
                        yb = p[3 * b + 1] * scale;
            if ((ya > y) != (yb > y) && x < (xb - xa) * (y - ya) / (yb - ya) + xa) in = !in;
        }
        if (in) best = std::max(best, zsum / count * scale);
    }
    return best;
}
} // namespace

TEST(ModelTables, EveryOtherVehicleModelHasAGeneralModelOfItsSize) {
    GameDataSet data;
    std::string error;
    const char* src = std::getenv("DM_SOURCE_DIR");
    ASSERT_TRUE(ReadTableFiles(std::string(src ? src : ".") + "/data/tables", &data, &error)) << error;
    std::set<int> own;
    for (const VehicleShape& v : Vehicles())
        own.insert(v.numbers.begin(), v.numbers.end());
    const ModelTable& general = Table("GeneralModel");
    int variants = 0;
    for (size_t m = 0; m < data.mVehicleModels.size(); ++m) {
        const VehicleModelData& d = data.mVehicleModels[m];
        const std::string name = "GeneralModel_" + std::to_string(m);
        const ModelTable* t = FindModelTable(name.c_str());
        if (own.count(int(m))) {
            EXPECT_EQ(t, nullptr) << name << ": the model has its own drawing";
            continue;
        }
        if (!t) continue; // a placeholder row
        ++variants;
        SCOPED_TRACE(name);
        ASSERT_EQ(t->opCount, general.opCount);
        for (int i = 0; i < t->opCount; ++i) {
            EXPECT_EQ(t->ops[i].op, general.ops[i].op);
            EXPECT_EQ(t->ops[i].n, general.ops[i].n);
        }
        const HullAndBarrel h = HullAndBarrelOf(*t);
        // the hull's length, width and height in metres, at the table's 28.9 metres to the model unit
        EXPECT_EQ(t->unitMetres, 28.9f);
        EXPECT_NEAR((h.hi[1] - h.lo[1]) * 28.9f, d.mSize[0], 0.01f);
        EXPECT_NEAR((h.hi[0] - h.lo[0]) * 28.9f, d.mSize[1], 0.01f);
        EXPECT_NEAR((h.hi[2] - h.lo[2]) * 28.9f, d.mSize[2], 0.01f);
        // the muzzle point at the barrel's end, on its axis; an emplacement (a bunker, a casemate) has no
        // barrel, its weapons' flash shows at the front wall's embrasures
        if (d.mShadingClass == 8) {
            EXPECT_EQ(h.barrelEnd, -1e9f);
            EXPECT_NEAR(h.muzzle[1], h.hi[1], 0.1f / 28.9f);
        } else {
            EXPECT_NEAR(h.muzzle[1], h.barrelEnd, 1e-5f);
        }
    }
    EXPECT_GE(variants, 5);
}

TEST(ModelTables, TheGeneralModelsBarrelIsTheGunsCalibreTimesItsLength) {
    // PzIV H, 75 mm L/48: 3.6 m; Cromwell, 75 mm L/36: 2.7 m; each at least as thick as 2.4 calibres and
    // the muzzle well ahead of the hull.
    const struct {
        const char* name;
        float barrel, thick, past;
    } guns[] = {{"GeneralModel_30", 3.6f, 0.18f, 1.0f}, {"GeneralModel_5", 2.7f, 0.18f, 0.5f}};
    for (const auto& g : guns) {
        const ModelTable* t = FindModelTable(g.name);
        ASSERT_NE(t, nullptr) << g.name;
        const HullAndBarrel h = HullAndBarrelOf(*t);
        EXPECT_NEAR((h.barrelEnd - h.barrelStart) * t->unitMetres, g.barrel, 0.1f * g.barrel) << g.name;
        EXPECT_GE(h.barrelThick * t->unitMetres, g.thick - 0.005f) << g.name;
        EXPECT_GE((h.muzzle[1] - h.hi[1]) * t->unitMetres, g.past) << g.name;
    }
    // Every table carries the unit of its file: the own models theirs, the M10's its own.
    EXPECT_EQ(Table("M10").unitMetres, 32.5038f);
    EXPECT_EQ(Table("PzIIIM").unitMetres, 28.9f);
}

TEST(ModelTables, CrewStandInTheirHatchesWithTheHipsAtTheRim) {
    // Every crew place of a model with hatches drawn by a vehicle: the figure's hips (70 figure units at
    // 0.00045 model units each above its place) within 0.15 m of the roof at the hatch; the turret men in
    // a pose that turns with the turret about its pivot, the hull and casemate men in the one that does not.
    GameDataSet data;
    std::string error;
    const char* src = std::getenv("DM_SOURCE_DIR");
    ASSERT_TRUE(ReadTableFiles(std::string(src ? src : ".") + "/data/tables", &data, &error)) << error;
    std::set<int> drawn;
    for (const VehicleData& v : data.mVehicles)
        drawn.insert(v.mModel);
    int places = 0;
    for (int m : drawn) {
        const VehicleModelData& d = data.mVehicleModels[m];
        if (!d.mOpeningHatches || d.mShadingClass == 8) continue; // no hatches; placeholders
        const ModelTable* t = nullptr;
        for (int i = 0; i < dm::models::kModelTableCount && !t; ++i)
            for (const std::int16_t* n = dm::models::kModelTables[i].numbers; *n >= 0; ++n)
                if (*n == m && std::string(dm::models::kModelTables[i].name).rfind("ClassShape", 0) != 0)
                    t = &dm::models::kModelTables[i];
        ASSERT_NE(t, nullptr) << "model " << m;
        for (int i = 0; i < d.mNrCrewPositions && i < 2; ++i) {
            const CrewPosition& at = d.mCrewPositions[i];
            const float roof = RoofAt(*t, 0.04f * at.mX, 0.04f * at.mY);
            ASSERT_GT(roof, 0.0f) << "model " << m << " place " << i << ": no roof over it";
            const float hips = 0.04f * at.mZ + 70.0f * 0.00045f;
            EXPECT_NEAR(hips * t->unitMetres, roof * t->unitMetres, 0.15f) << "model " << m << " place " << i;
            const bool turns = d.mCrewPose[i] == 0 || (d.mCrewPose[i] >= 2 && d.mCrewPose[i] <= 4) ||
                               d.mCrewPose[i] == 7 || d.mCrewPose[i] == 8 || d.mCrewPose[i] == 10;
            const bool onTurret = roof * t->unitMetres > 2.2f && m != 31 && m != 84 && m != 145 && m != 136;
            if (onTurret) EXPECT_TRUE(turns) << "model " << m << " place " << i;
            ++places;
        }
    }
    EXPECT_GE(places, 20);
}

namespace {
// The rim of an open compartment over (x, y): the highest vertex within 0.6 m of it across, the barrel
// left out (model units, with the model's whole-model scale).
float RimAt(const ModelTable& t, float x, float y) {
    float best = -1.0f, scale = 1.0f;
    const float reach = 0.6f / t.unitMetres;
    for (int i = 0; i < t.opCount; ++i) {
        const ModelOp& o = t.ops[i];
        if (o.op == Op::Scale) scale = o.a;
        if (o.op == Op::Recoil) break;
        if (o.op != Op::Fan && o.op != Op::FlatFan && o.op != Op::Triangle && o.op != Op::FlatTriangle &&
            o.op != Op::Strip && o.op != Op::FlatStrip)
            continue;
        const int count = o.op == Op::Triangle || o.op == Op::FlatTriangle ? 3 : o.n + 2;
        for (const float* p = t.xyz + 3 * o.first; p < t.xyz + 3 * (o.first + count); p += 3)
            if (std::hypot(p[0] * scale - x, p[1] * scale - y) <= reach) best = std::max(best, p[2] * scale);
    }
    return best;
}
} // namespace

TEST(ModelTables, OpenToppedVehiclesShowTheirCrewFromTheChestUpInside) {
    // The M10, the Carrier and the half-tracks: every crew place's hips (70 figure units at 0.00045 model
    // units above it) at most 0.15 m below the rim of the open compartment around it and never above it.
    GameDataSet data;
    std::string error;
    const char* src = std::getenv("DM_SOURCE_DIR");
    ASSERT_TRUE(ReadTableFiles(std::string(src ? src : ".") + "/data/tables", &data, &error)) << error;
    const struct {
        int model;
        const char* table;
    } open[] = {{234, "M10"}, {6, "GeneralModel_6"}, {120, "250_11"}, {154, "M3_GMC"}};
    for (const auto& o : open) {
        const ModelTable* t = FindModelTable(o.table);
        ASSERT_NE(t, nullptr) << o.table;
        const VehicleModelData& d = data.mVehicleModels[o.model];
        for (int i = 0; i < d.mNrCrewPositions && i < 2; ++i) {
            const CrewPosition& at = d.mCrewPositions[i];
            const float rim = RimAt(*t, 0.04f * at.mX, 0.04f * at.mY) * t->unitMetres;
            const float hips = (0.04f * at.mZ + 70.0f * 0.00045f) * t->unitMetres;
            EXPECT_LE(hips, rim) << o.table << " place " << i;
            EXPECT_GE(hips, rim - 0.15f) << o.table << " place " << i;
        }
    }
}

namespace {
// Whether a left tread triangle of slot 0 covers (y, z) seen from the side.
bool LeftGearCovers(const ModelTable& t, float y, float z) {
    int slot = -1;
    for (int i = 0; i < t.opCount; ++i) {
        const ModelOp& o = t.ops[i];
        if (o.op == Op::Texture) slot = o.n;
        if (slot != 0 || o.op != Op::Triangle || o.side != 0) continue;
        const float* p = t.xyz + 3 * o.first;
        float d[3];
        for (int k = 0; k < 3; ++k) {
            const float* a = p + 3 * k;
            const float* b = p + 3 * ((k + 1) % 3);
            d[k] = (b[1] - a[1]) * (z - a[2]) - (b[2] - a[2]) * (y - a[1]);
        }
        if ((d[0] >= 0 && d[1] >= 0 && d[2] >= 0) || (d[0] <= 0 && d[1] <= 0 && d[2] <= 0)) return true;
    }
    return false;
}
} // namespace

TEST(ModelTables, WheeledVariantsRollOnWheelsAndHalfTracksOnAFrontWheel) {
    // Seen from the side a quarter of a wheel up: the front wheel's centre is covered on every variant;
    // the middle of the hull only by a track (the lorry's two wheels leave it bare); the gap before the
    // half-track's front wheel only by a full track.
    const struct {
        const char* name;
        bool middle, beforeFrontWheel;
    } gears[] = {
        {"GeneralModel_1", false, false}, {"GeneralModel_138", true, false}, {"GeneralModel_30", true, true}};
    for (const auto& g : gears) {
        const ModelTable* t = FindModelTable(g.name);
        ASSERT_NE(t, nullptr) << g.name;
        const HullAndBarrel h = HullAndBarrelOf(*t);
        const float len = h.hi[1] - h.lo[1], z = h.lo[2] + 0.25f / t->unitMetres;
        EXPECT_TRUE(LeftGearCovers(*t, h.hi[1] - 0.22f * len, z)) << g.name;
        EXPECT_EQ(LeftGearCovers(*t, h.lo[1] + 0.5f * len, z), g.middle) << g.name;
        EXPECT_EQ(LeftGearCovers(*t, h.lo[1] + 0.672f * len, z), g.beforeFrontWheel) << g.name;
    }
}

TEST(ModelTables, TheGeneralModelsTracksAreSymmetricAndNothingLiesBeyondThemOrUnderground) {
    // In the general model and each of its variants: the right track's triangles mirror the left's, every
    // vertex is at or above the ground and none lies farther out than the tracks' outer faces.
    std::vector<const ModelTable*> tables;
    for (int i = 0; i < dm::models::kModelTableCount; ++i)
        if (std::string(dm::models::kModelTables[i].name).rfind("GeneralModel", 0) == 0)
            tables.push_back(&dm::models::kModelTables[i]);
    ASSERT_GE(tables.size(), 5u);
    for (const ModelTable* t : tables) {
        SCOPED_TRACE(t->name);
        std::vector<std::array<float, 3>> left, right;
        for (int i = 0; i < t->opCount; ++i) {
            const ModelOp& o = t->ops[i];
            if (o.op != Op::Triangle || o.side < 0) continue;
            for (int v = 0; v < 3; ++v) {
                const float* p = t->xyz + 3 * (o.first + v);
                (o.side == 0 ? left : right).push_back({p[0], p[1], p[2]});
            }
        }
        ASSERT_EQ(left.size(), 48u);
        ASSERT_EQ(right.size(), 48u);
        float outer = 0.0f;
        for (size_t k = 0; k < left.size(); ++k) {
            EXPECT_NEAR(right[k][0], -left[k][0], 1e-6f);
            EXPECT_NEAR(right[k][1], left[k][1], 1e-6f);
            EXPECT_NEAR(right[k][2], left[k][2], 1e-6f);
            outer = std::max(outer, std::fabs(left[k][0]));
        }
        // An emplacement's tracks are points: it has none to lie beyond.
        const std::string name = t->name;
        const bool emplacement = name == "GeneralModel_136" || name == "GeneralModel_140";
        EXPECT_EQ(outer == 0.0f, emplacement);
        for (int v = 0; v < t->vertexCount; ++v) {
            EXPECT_GE(t->xyz[3 * v + 2], 0.0f) << "vertex " << v;
            if (!emplacement) {
                EXPECT_LE(std::fabs(t->xyz[3 * v]), outer + 1e-6f) << "vertex " << v;
            }
        }
    }
}

TEST(ModelTables, FigureMembersHaveTheirPrimitivesPerPiece) {
    // Per member: torso, head, each arm and each leg as the levels of detail fix them (S strip, F fan, t
    // triangle; a quad is a fan of 2; texture 6 is the face).
    const std::pair<const char*, const char*> pieces[] = {
        {"SoldierTorsoDot", "T0 S6 F2 F2"},
        {"SoldierFaceDot", "T6 F4"},
        {"SoldierCapDot", "T2 F4"},
        {"SoldierLegPondScum", "T3 F3"},
        {"SoldierThighCircus", "T3 F3"},
        {"SoldierShinCircus", "T3 F3 F3"},
        {"SoldierTorsoSucky", "T0 S6 T1 F2 F2"},
        {"SoldierUpperArmSucky", "T4 F3"},
        {"SoldierForearmSucky", "T4 F3"},
        {"SoldierFaceAverage", "T6 S10"},
        {"SoldierUpperArmAverage", "T4 S6"},
        {"SoldierForearmAverage", "T4 S6 t"},
        {"SoldierThighAverage", "T3 S6"},
        {"SoldierShinAverage", "T3 S6 F3 t"},
        {"SoldierTorsoGood", "T0 S10 T1 F4 F4"},
        {"SoldierFaceGood", "T6 S10 F5"},
        {"SoldierUpperArmGood", "T4 F2 S8"},
        {"SoldierForearmGood", "T4 S8 F2 F2 S8 F2"},
        {"SoldierThighGood", "T3 S10"},
        {"SoldierShinGoodL20", "T3 S10 S8"},
        {"SoldierFootGood", "T3 F4 t t F2"},
        {"SoldierTorsoBestFront", "T0 S11 S12 S6 S11 T1 S6"},
        {"SoldierUpperArmBest", "T4 F4 S12 S12 S12 F4"},
        {"SoldierForearmBest", "T4 S12 F4 S10 F5"},
        {"SoldierThighBest", "T3 S14 F3"},
        {"SoldierShinBestL17", "T3 S10 S8"},
        {"SoldierHeadgear10", "T2 S20 S20 S3 S3 S3 S3 S3 F5"},
        {"SoldierHeadgearGood1", "T2 F6 F2 S7 S3 S3"},
        {"SoldierHeadgearAverageD", "T2 F5 F3 t t"},
    };
    for (const auto& [name, seq] : pieces) {
        const ModelTable& m = Table(name);
        std::string s;
        for (int i = 0; i < m.opCount; ++i) {
            const ModelOp& o = m.ops[i];
            std::string t = o.op == Op::Texture    ? "T" + std::to_string(o.n)
                            : o.op == Op::Fan      ? "F" + std::to_string(o.n)
                            : o.op == Op::Strip    ? "S" + std::to_string(o.n)
                            : o.op == Op::Triangle ? "t"
                                                   : "?";
            s += (s.empty() ? "" : " ") + t;
        }
        EXPECT_EQ(s, seq) << name;
    }
    // The shared headgear kinds: their fan and triangle counts.
    const struct {
        const char* name;
        int fans, tris;
    } headgear[] = {{"SoldierHeadgear0", 12, 0}, {"SoldierHeadgear4", 13, 1},  {"SoldierHeadgear5", 20, 3},
                    {"SoldierHeadgear9", 26, 0}, {"SoldierHeadgear11", 15, 3}, {"SoldierHeadgear12", 14, 2},
                    {"SoldierHeadgear15", 22, 3}};
    for (const auto& h : headgear) {
        Walk w = WalkModel(Table(h.name));
        EXPECT_EQ(w.fans, h.fans) << h.name;
        EXPECT_EQ(w.tris, h.tris) << h.name;
        EXPECT_EQ(w.strips, 0) << h.name;
    }
}

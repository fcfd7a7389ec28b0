// The battlefield's other units: the fixed objects, each drawn as what it is
// (a log barricade, a wire fence, a dug trench, a marker pennant, minefields
// of small or large mines or a chain of them across a road, each behind its
// warning sign), the flag markers as flags, and an aircraft's plain
// silhouette.
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;
// The flag markers: a large and a small victory flag's place.
constexpr InanimateType kLargeFlagMarker = 8;
constexpr InanimateType kSmallFlagMarker = 9;

struct Rgb {
    float r, g, b;
};

constexpr Rgb kTimber{0.42f, 0.3f, 0.18f};
constexpr Rgb kPost{0.24f, 0.19f, 0.13f};
constexpr Rgb kWire{0.3f, 0.28f, 0.27f};
constexpr Rgb kEarth{0.26f, 0.19f, 0.12f};
constexpr Rgb kMine{0.24f, 0.27f, 0.2f};
// The warning signs of the three kinds of minefield.
constexpr Rgb kPersonnelSign{0.9f, 0.8f, 0.1f};
constexpr Rgb kAntitankSign{0.9f, 0.3f, 0.05f};
constexpr Rgb kChainSign{0.85f, 0.12f, 0.1f};

void Colour(const Rgb& c, float shade = 1.0f) {
    d3::Color(c.r * shade, c.g * shade, c.b * shade);
}

// A box from (x0, y0, z0) to (x1, y1, z1): its top and four sides, the sides
// darker than the top.
void Block(float x0, float y0, float z0, float x1, float y1, float z1, const Rgb& c) {
    Colour(c);
    d3::Quad(x0, y0, z1, x1, y0, z1, x1, y1, z1, x0, y1, z1);
    Colour(c, 0.75f);
    d3::Quad(x0, y0, z0, x1, y0, z0, x1, y0, z1, x0, y0, z1);
    d3::Quad(x0, y1, z0, x1, y1, z0, x1, y1, z1, x0, y1, z1);
    Colour(c, 0.6f);
    d3::Quad(x0, y0, z0, x0, y1, z0, x0, y1, z1, x0, y0, z1);
    d3::Quad(x1, y0, z0, x1, y1, z0, x1, y1, z1, x1, y0, z1);
}

// A thin slanted beam from (x0, y0, z0) to (x1, y1, z1), w wide, seen from
// both sides.
void Beam(float x0, float y0, float z0, float x1, float y1, float z1, float w, const Rgb& c) {
    Colour(c);
    d3::Quad(x0 - w, y0, z0, x0 + w, y0, z0, x1 + w, y1, z1, x1 - w, y1, z1);
    Colour(c, 0.7f);
    d3::Quad(x0, y0 - w, z0, x0, y0 + w, z0, x1, y1 + w, z1, x1, y1 - w, z1);
}

// A warning sign on a post at the object's place: a board 0.9 m wide on a
// 1.9 m post, turned to the object's heading.
void Sign(const Rgb& c, bool triangle) {
    Block(-0.05f, -0.05f, 0.0f, 0.05f, 0.05f, 1.9f, kPost);
    Colour(c);
    if (triangle) {
        d3::Triangle(-0.55f, 0.0f, 2.0f, 0.55f, 0.0f, 2.0f, 0.0f, 0.0f, 1.1f);
    } else {
        d3::Quad(-0.45f, 0.0f, 1.3f, 0.45f, 0.0f, 1.3f, 0.45f, 0.0f, 1.9f, -0.45f, 0.0f, 1.9f);
        Colour({0.1f, 0.1f, 0.1f});
        d3::Quad(-0.32f, 0.01f, 1.55f, 0.32f, 0.01f, 1.55f, 0.32f, 0.01f, 1.65f, -0.32f, 0.01f, 1.65f);
    }
}

// The mines of a field lie at their true places on the ground, whatever the
// marker's enlargement: an octagon of radius r at each offset (metres along
// and across the object's heading), just above the ground there.
void Mines(const Unit& object, const float (*at)[2], int32_t count, float r) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    const float h = object.mHeading * kDegrees, c = std::cos(h), s = std::sin(h);
    const float base = map->GetZCoord(object.mX, object.mY);
    Colour(kMine);
    for (int32_t i = 0; i < count; ++i) {
        const float dx = at[i][0] * c - at[i][1] * s, dy = at[i][0] * s + at[i][1] * c;
        const float wx = object.mX + dx, wy = object.mY + dy;
        if (!map->OnMap(wx, wy)) continue;
        const float z = map->GetZCoord(wx, wy) - base + 0.06f;
        float fan[30];
        fan[0] = dx, fan[1] = dy, fan[2] = z + 0.04f;
        for (int32_t k = 0; k <= 8; ++k) {
            const float a = 0.7853982f * static_cast<float>(k % 8);
            fan[3 + 3 * k] = dx + r * std::cos(a), fan[4 + 3 * k] = dy + r * std::sin(a), fan[5 + 3 * k] = z;
        }
        d3::Fan(false, 8, fan);
    }
}

void RoadBlock() {
    // Three logs stacked across the road, 8 m long, held by a trestle at
    // either end.
    for (int32_t k = 0; k < 3; ++k) {
        const float z = 0.36f * static_cast<float>(k), shift = k == 1 ? 0.12f : 0.0f;
        Block(-4.0f + shift, -0.18f, z, 4.0f + shift, 0.18f, z + 0.36f,
              k == 1 ? Rgb{0.36f, 0.26f, 0.16f} : kTimber);
    }
    for (float x : {-3.4f, 3.4f}) {
        Beam(x - 0.5f, -0.6f, 0.0f, x + 0.5f, 0.6f, 1.5f, 0.08f, kPost);
        Beam(x + 0.5f, -0.6f, 0.0f, x - 0.5f, 0.6f, 1.5f, 0.08f, kPost);
    }
}

void Wire() {
    // A fence 20 m long: a post every 2.5 m, three strands and a cross of
    // wire between each two posts.
    for (int32_t k = 0; k <= 8; ++k) {
        const float x = -10.0f + 2.5f * static_cast<float>(k);
        Block(x - 0.05f, -0.05f, 0.0f, x + 0.05f, 0.05f, 1.3f, kPost);
        if (k == 8) break;
        const float x1 = x + 2.5f;
        Colour(kWire);
        for (float z : {0.3f, 0.75f, 1.2f})
            d3::Quad(x, 0.0f, z, x1, 0.0f, z, x1, 0.0f, z + 0.05f, x, 0.0f, z + 0.05f);
        d3::Quad(x, 0.0f, 0.1f, x, 0.0f, 0.16f, x1, 0.0f, 1.26f, x1, 0.0f, 1.2f);
        d3::Quad(x, 0.0f, 1.2f, x, 0.0f, 1.26f, x1, 0.0f, 0.16f, x1, 0.0f, 0.1f);
    }
}

void Trench(bool snow) {
    // The ditch the ground shows once it is dug: four 5 m stretches zig-zag
    // 2.5 m across the 20 m of its square, 1.9 m wide and dark inside, its
    // thrown-up earth (white on snow) along both lips, 4 m across in all.
    const float at[5][2] = {{-10.0f, -1.25f}, {-5.0f, 1.25f}, {0.0f, -1.25f}, {5.0f, 1.25f}, {10.0f, -1.25f}};
    const Rgb spoil = snow ? Rgb{0.86f, 0.87f, 0.9f} : Rgb{0.45f, 0.35f, 0.22f};
    for (int32_t k = 0; k < 4; ++k) {
        const float x0 = at[k][0], y0 = at[k][1], x1 = at[k + 1][0], y1 = at[k + 1][1];
        Colour(kEarth);
        d3::Quad(x0, y0 - 0.95f, 0.15f, x1, y1 - 0.95f, 0.15f, x1, y1 + 0.95f, 0.15f, x0, y0 + 0.95f, 0.15f);
        Colour(spoil);
        d3::Quad(x0, y0 + 0.95f, 0.35f, x1, y1 + 0.95f, 0.35f, x1, y1 + 2.0f, 0.15f, x0, y0 + 2.0f, 0.15f);
        d3::Quad(x0, y0 - 2.0f, 0.15f, x1, y1 - 2.0f, 0.15f, x1, y1 - 0.95f, 0.35f, x0, y0 - 0.95f, 0.35f);
    }
}

void ReferencePennant(bool needsClip) {
    // A 1.5 m pole with a red pennant.
    d3::Color(0.2f, 0.16f, 0.1f);
    const float pole[24] = {-0.03f, -0.03f, 0.0f,   -0.03f, -0.03f, 1.5f,   0.03f, -0.03f,
                            0.0f,   0.03f,  -0.03f, 1.5f,   0.03f,  0.03f,  0.0f,  0.03f,
                            0.03f,  1.5f,   -0.03f, 0.03f,  0.0f,   -0.03f, 0.03f, 1.5f};
    d3::Strip(needsClip, 6, pole);
    d3::Color(0.85f, 0.1f, 0.1f);
    d3::Triangle(0.0f, 0.0f, 1.5f, 0.0f, 0.0f, 1.1f, 0.6f, 0.0f, 1.3f);
}

} // namespace

void Inanimate::DrawCode(bool needsClip, float scale, float) {
    const InanimateType kind = GetInanimateType();
    // A flag marker stands where a flag is, and is drawn as that flag.
    if (kind == kLargeFlagMarker || kind == kSmallFlagMarker) {
        Map* map = gBattle ? gBattle->mMap : nullptr;
        if (!map) return;
        FlagLook flag;
        flag.x = mX, flag.y = mY;
        flag.kind = kind == kLargeFlagMarker ? 1 : 0;
        flag.neutral = false;
        flag.holder = GetNation();
        d3::Push();
        d3::Translate(-mX, -mY, -GetZ()); // the flag places itself on the map
        DrawFlag(map, flag);
        d3::Pop();
        return;
    }
    // Unknown kinds draw nothing; an obstacle the viewer has not found is
    // not shown. Trenches become part of the ground at the end of set-up;
    // until then their side sees them dug.
    if (kind < kInanimateRoadblock || kind > kInanimateDaisyChain) return;
    if (VisibleToPlayer(false) == 0) return;
    if (kind == kInanimateTrenches && (!gBattle || !gBattle->mSetupPhase)) return;
    const float s = scale > 0.0f ? scale : 1.0f;
    const bool snow = gBattle && gBattle->mGroundCondition >= 6 && gBattle->mGroundCondition <= 8;
    d3::Push();
    d3::SetCull(false);
    // The mines lie at their true places; the rest is the marker, enlarged.
    static const float kPersonnel[12][2] = {{-7.5f, -7.5f}, {-2.5f, -7.5f}, {2.5f, -7.5f}, {7.5f, -7.5f},
                                            {-5.0f, -2.5f}, {0.0f, -2.5f},  {5.0f, -2.5f}, {-7.5f, 2.5f},
                                            {-2.5f, 5.0f},  {2.5f, 2.5f},   {7.5f, 5.0f},  {0.0f, 7.5f}};
    static const float kAntitank[8][2] = {{-8.0f, -8.0f}, {0.0f, -8.0f}, {8.0f, -8.0f}, {-8.0f, 0.0f},
                                          {8.0f, 0.0f},   {-8.0f, 8.0f}, {0.0f, 8.0f},  {8.0f, 8.0f}};
    static const float kChain[6][2] = {{0.0f, -7.5f}, {0.0f, -4.5f}, {0.0f, -1.5f},
                                       {0.0f, 1.5f},  {0.0f, 4.5f},  {0.0f, 7.5f}};
    if (kind == kInanimateAPMines) Mines(*this, kPersonnel, 12, 0.2f);
    if (kind == kInanimateATMines) Mines(*this, kAntitank, 8, 0.45f);
    if (kind == kInanimateDaisyChain) {
        Mines(*this, kChain, 6, 0.35f);
        // The cord that pulls the chain across the road.
        d3::RotateZ(mHeading);
        Colour(kPost);
        d3::Quad(-0.04f, -7.5f, 0.08f, 0.04f, -7.5f, 0.08f, 0.04f, 7.5f, 0.08f, -0.04f, 7.5f, 0.08f);
        d3::RotateZ(-mHeading);
    }
    // A trench is drawn at its true size, the square it will be dug into,
    // so the set-up shows the length the ground keeps; the other markers
    // grow with the distance.
    const float drawn = kind == kInanimateTrenches ? 1.0f : s;
    d3::Scale(drawn, drawn, drawn);
    d3::RotateZ(mHeading);
    switch (kind) {
    case kInanimateRoadblock:
        RoadBlock();
        break;
    case kInanimateTrenches:
        Trench(snow);
        break;
    case kInanimateWire:
        Wire();
        break;
    case kInanimateTargetReference:
        ReferencePennant(needsClip);
        break;
    case kInanimateAPMines:
        Sign(kPersonnelSign, true);
        break;
    case kInanimateATMines:
        Sign(kAntitankSign, false);
        break;
    default:
        Sign(kChainSign, false);
        break;
    }
    d3::SetCull(true);
    d3::Pop();
}

void Airplane::DrawCode(bool needsClip, float scale, float) {
    const float s = scale > 0.0f ? scale : 1.0f;
    d3::Push();
    d3::Scale(s, s, s);
    d3::RotateZ(mHeading);
    d3::Color(0.3f, 0.32f, 0.28f);
    d3::SetCull(false);
    // Fuselage, wings and tailplane along +x, 10 m long and 12 m across.
    d3::Quad(-5.0f, -0.6f, 0.0f, 5.0f, -0.6f, 0.0f, 5.0f, 0.6f, 0.0f, -5.0f, 0.6f, 0.0f);
    d3::Quad(0.5f, -6.0f, 0.0f, 2.5f, -6.0f, 0.0f, 2.5f, 6.0f, 0.0f, 0.5f, 6.0f, 0.0f);
    d3::Quad(-5.0f, -2.0f, 0.0f, -4.0f, -2.0f, 0.0f, -4.0f, 2.0f, 0.0f, -5.0f, 2.0f, 0.0f);
    d3::Triangle(-5.0f, 0.0f, 0.0f, -4.0f, 0.0f, 0.0f, -5.0f, 0.0f, 1.6f);
    d3::SetCull(true);
    d3::Pop();
    (void)needsClip;
}

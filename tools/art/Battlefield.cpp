#include "Battlefield.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "OverlayBands.h"
#include "Texture.h"

namespace {

constexpr int kGround = 128; // ground and overlay pictures, pixels per side
constexpr int kSnowLook = 50000; // added to an overlay picture's number: its look on snow ground

// Open ground: one family per base number, elevation bands 0..19 from low and lush to high and bare.
struct GroundFamily {
    int base;
    Rgb low, high, fleck;
};
const GroundFamily kGroundFamilies[] = {
    {1550, {62, 92, 40}, {118, 132, 72}, {150, 140, 96}},      // summer grass
    {1570, {64, 66, 44}, {104, 96, 70}, {120, 110, 86}},       // winter and early war (tinted up when loaded)
    {1830, {112, 106, 62}, {168, 150, 98}, {190, 172, 122}},   // dry ground
    {1850, {96, 92, 78}, {150, 142, 124}, {176, 168, 150}},    // rocky ground
    {1870, {176, 184, 178}, {226, 228, 222}, {96, 104, 74}},   // light snow over grass
    {1470, {200, 206, 214}, {236, 238, 240}, {170, 178, 190}}, // snow
};

Image GroundPicture(const GroundFamily& f, int band) {
    const float t = band / 19.0f;
    Rgb a = Shade(Mix(f.low, f.high, t * 0.6f), 0.86f + 0.012f * band);
    Rgb b = Shade(Mix(f.low, f.high, 0.4f + t * 0.6f), 0.9f + 0.01f * band);
    uint32_t seed = uint32_t(f.base * 31 + band);
    Image img = NoiseTexture(kGround, kGround, a, b, 4, seed, 5);
    // flecks of a second colour (stones, flowers, dead grass), on a lattice that wraps
    for (int y = 0; y < kGround; ++y)
        for (int x = 0; x < kGround; ++x) {
            float n = TileNoise(x * 32.0f / kGround, y * 32.0f / kGround, 32, seed ^ 0x5151u);
            if (n > 0.86f) img.Set(x, y, Mix(img.Get(x, y), f.fleck, (n - 0.86f) * 5));
        }
    return NoPureWhite(img);
}

// Overlays: what a terrain code lays over the ground, with alpha where the ground shows through.
enum class Look {
    Meadow,
    Pit,
    Trench,
    Stones,
    Wire,
    DirtRoad,
    Road,
    Fence,
    Wall,
    Path,
    Ditch,
    Swamp,
    Undergrowth,
    ForestFloor,
    Needles,
    Grain,
    Brush,
    Rocks,
    Rubble,
    Uneven,
    Cliff,
    Water,
    Shallow,
    Mud,
    Ice,
    Hedge,
    Bank,
    Square,
    Vines,
    Building,
    Bridge
};

Look LookOf(int code) {
    switch (code) {
    case 4:
        return Look::Meadow;
    case 5:
    case 6:
    case 7:
        return Look::Pit;
    case 8:
        return Look::Trench;
    case 9:
        return Look::Stones;
    case 10:
    case 11:
    case 12:
        return Look::Wire;
    case 13:
        return Look::DirtRoad;
    case 14:
        return Look::Road;
    case 15:
        return Look::Fence;
    case 16:
        return Look::Wall;
    case 17:
        return Look::Path;
    case 18:
        return Look::Ditch;
    case 19:
        return Look::Swamp;
    case 20:
    case 30:
        return Look::Undergrowth;
    case 21:
    case 31:
        return Look::ForestFloor;
    case 22:
    case 32:
    case 53:
        return Look::Needles;
    case 23:
    case 33:
        return Look::Grain;
    case 24:
    case 34:
        return Look::Brush;
    case 25:
        return Look::Rocks;
    case 26:
        return Look::Rubble;
    case 35:
        return Look::Uneven;
    case 36:
        return Look::Cliff;
    case 37:
        return Look::Water;
    case 38:
        return Look::Shallow;
    case 39:
        return Look::Mud;
    case 40:
        return Look::Ice;
    case 41:
    case 44:
        return Look::Hedge;
    case 42:
    case 43:
        return Look::Bank;
    case 45:
        return Look::Square;
    case 46:
    case 47:
        return Look::Vines;
    case 50:
    case 51:
    case 52:
    case 54:
        return Look::Building;
    default:
        return Look::Bridge;
    }
}

// An edge feature (road, track, fence) hugging the u = 0 edge over the left third of the picture.
void EdgeFeature(Image& img, Rgb c, Rgb line, float width, uint32_t seed, bool posts) {
    const int w = img.Width(), h = img.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float wob = (TileNoise(0.5f, y * 8.0f / h, 8, seed) - 0.5f) * 0.06f;
            float u = (x + 0.5f) / w;
            float edge = width + wob;
            if (u > edge + 0.03f) continue;
            float cover = std::clamp((edge + 0.03f - u) / 0.03f, 0.0f, 1.0f);
            float n = TileFbm(x * 8.0f / w, y * 8.0f / h, 8, seed + 3, 3);
            Rgb col = Shade(c, 0.8f + 0.4f * n);
            if (posts && ((y / 8) % 4 == 0) && u < 0.06f)
                col = line;
            else if (!posts && std::fabs(u - edge * 0.5f) < 0.008f && (y / 6) % 2 == 0)
                col = line;
            Paint(img, x, y, col, cover, 1.0f);
        }
}

// A dug trench seen from above, as the set-up draws the placed one: a dark zig-zag ditch of stretches
// 5 m long, 2.5 m from side to side, with the thrown-up earth along both lips. It runs from the
// bottom row to the top one (south to north on an unturned square), so trench squares in a line
// join up; on snow the banks are earth speckled with snow and the ditch stays dark.
void Trench(Image& img, bool snow, uint32_t seed) {
    constexpr float kStretch = kGround / 4.0f, kSwing = 8.0f; // 32 px (5 m) each, +-1.25 m
    constexpr float kDitch = 6.0f, kBank = 13.0f;             // half widths: 1.9 m dug, 4 m in all
    const Rgb floor = {62, 44, 28}, wall = {40, 28, 18};
    const Rgb spoil = snow ? Rgb{138, 116, 90} : Rgb{112, 86, 54},
              crest = snow ? Rgb{170, 154, 134} : Rgb{134, 106, 70};
    auto courseX = [&](float y) { // the ditch's middle at row y
        const float t = y / kStretch;
        const int k = int(std::floor(t));
        const float f = t - float(k), from = (k & 1) ? kSwing : -kSwing;
        return kGround / 2.0f + from - 2.0f * from * f;
    };
    for (int y = 0; y < kGround; ++y)
        for (int x = 0; x < kGround; ++x) {
            // distance across the course: the course's offset times its slope's cosine
            const float across =
                (x + 0.5f - courseX(y + 0.5f)) * (kStretch / std::hypot(kStretch, 2.0f * kSwing));
            const float d = std::fabs(across);
            const float wobble = 2.5f * (TileNoise(x / 8.0f, y / 8.0f, 16, seed + 7) - 0.5f);
            const float n = TileFbm(x / 8.0f, y / 8.0f, 16, seed, 3);
            if (d < kDitch) {
                // the floor, darker under the wall on the west (left) side
                Rgb c = Mix(wall, floor, std::clamp((across + kDitch) / 4.0f, 0.0f, 1.0f));
                c = Shade(c, 0.85f + 0.3f * n);
                if (snow && n > 0.78f) c = Mix(c, {200, 202, 206}, 0.5f);
                Paint(img, x, y, c, 1, 1);
            } else if (d < kBank + wobble) {
                const float lip = std::clamp((d - kDitch) / (kBank - kDitch), 0.0f, 1.0f);
                Rgb c = Shade(Mix(crest, spoil, lip), 0.85f + 0.3f * n);
                if (snow && TileNoise(x / 4.0f, y / 4.0f, 32, seed + 3) > 0.7f)
                    c = Mix(c, {222, 224, 228}, 0.6f);
                Paint(img, x, y, c, 1, 1);
            }
        }
}

Image OverlayPicture(int code, int under, bool snow, uint32_t seed) {
    Image img(kGround, kGround, {0, 0, 0}, 0);
    const Look look = LookOf(code);
    const Rgb tint = under == 1 ? Rgb{150, 130, 84} : under == 2 ? Rgb{130, 126, 112} : Rgb{90, 110, 60};
    auto field = [&](Rgb a, Rgb b, float lo, float hi, int cells, float alpha) {
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x) {
                float n = TileFbm(x * float(cells) / kGround, y * float(cells) / kGround, cells, seed, 4);
                if (n < lo) continue;
                float t = std::clamp((n - lo) / std::max(hi - lo, 0.01f), 0.0f, 1.0f);
                Paint(img, x, y, Mix(a, b, t), std::min(1.0f, t * 3), alpha);
            }
    };
    auto blobs = [&](int count, float r, Rgb c, float alpha) {
        for (int i = 0; i < count; ++i) {
            uint32_t hsh = HashInts(i, code * 7 + under, seed);
            float cx = (hsh & 0xFF) * kGround / 256.0f, cy = ((hsh >> 8) & 0xFF) * kGround / 256.0f;
            float rr = r * (0.6f + ((hsh >> 16) & 0xFF) / 320.0f);
            for (int dx = -1; dx <= 1; ++dx) // wrap so the picture tiles
                for (int dy = -1; dy <= 1; ++dy)
                    SoftDisc(img, cx + dx * kGround, cy + dy * kGround, rr, rr * 0.5f,
                             Shade(c, 0.8f + ((hsh >> 24) & 0x3F) / 160.0f), alpha);
        }
    };
    switch (look) {
    case Look::Meadow:
        field(Shade(tint, 1.1f), {120, 150, 70}, 0.45f, 0.8f, 8, 0.8f);
        break;
    case Look::Pit:
        blobs(3, 12, {58, 46, 32}, 1.0f);
        blobs(3, 6, {30, 24, 18}, 1.0f);
        break;
    case Look::Trench:
        Trench(img, snow, seed);
        return NoPureWhite(img);
    case Look::Stones:
        blobs(40, 3, {128, 124, 116}, 1.0f);
        break;
    case Look::Wire:
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                if ((x + y) % 16 == 0 || (x - y + kGround) % 16 == 0)
                    Paint(img, x, y, {46, 40, 36}, 0.9f, 0.9f);
        break;
    case Look::DirtRoad:
        EdgeFeature(img, snow ? Rgb{200, 196, 188} : Rgb{132, 108, 76}, {100, 82, 58}, 0.15f, seed, false);
        break;
    case Look::Road:
        EdgeFeature(img, snow ? Rgb{210, 210, 206} : Rgb{96, 94, 90}, {150, 146, 136}, 0.2f, seed, false);
        break;
    case Look::Fence:
        EdgeFeature(img, snow ? Rgb{188, 188, 184} : Rgb{104, 80, 52}, {70, 52, 34}, 0.05f, seed, true);
        break;
    case Look::Wall:
        field({120, 116, 104}, {160, 154, 140}, 0.3f, 0.7f, 16, 1.0f);
        break;
    case Look::Path: // a worn track: bare earth throughout, lighter ruts
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                img.Set(x, y, Shade({138, 116, 82}, 0.9f + 0.2f * TileNoise(x / 8.0f, y / 8.0f, 16, seed)));
        field({150, 128, 92}, {176, 156, 118}, 0.5f, 0.7f, 4, 0.9f);
        break;
    case Look::Ditch:
        field({52, 70, 66}, {70, 96, 92}, 0.45f, 0.6f, 4, 1.0f);
        break;
    case Look::Swamp:
        field({44, 60, 40}, {64, 84, 76}, 0.42f, 0.7f, 8, 0.9f);
        break;
    case Look::Undergrowth:
        field(Shade(tint, 0.8f), {60, 84, 36}, 0.5f, 0.75f, 8, 0.85f);
        break;
    case Look::ForestFloor:
        field({44, 52, 28}, {70, 62, 36}, 0.2f, 0.6f, 8, 1.0f);
        break;
    case Look::Needles:
        field({84, 62, 40}, {110, 84, 54}, 0.2f, 0.7f, 16, 1.0f);
        break;
    case Look::Grain:
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x) {
                float n = TileNoise(x * 16.0f / kGround, y * 16.0f / kGround, 16, seed);
                if (snow) { // a field under snow: its rows show as faint grey furrows between drifts
                    const float furrow = std::max(0.0f, 1.0f - std::fabs(float(y % 16) - 7.5f) / 2.5f);
                    const float drift = TileNoise(x / 8.0f, y / 16.0f, 16, seed + 1);
                    const Rgb snowTop = Shade({224, 226, 230}, 0.96f + 0.06f * n);
                    Paint(img, x, y, Mix(snowTop, {178, 176, 166}, 0.6f * furrow * drift), 1, 1);
                    continue;
                }
                Rgb c = (y / 4) % 2 ? Rgb{188, 164, 84} : Rgb{168, 146, 70};
                Paint(img, x, y, Shade(Mix(c, tint, 0.15f), 0.85f + 0.3f * n), 1, 1);
            }
        if (snow) return NoPureWhite(img);
        break;
    case Look::Brush:
        blobs(22, 8, {58, 78, 34}, 1.0f);
        break;
    case Look::Rocks:
        blobs(18, 7, {120, 116, 108}, 1.0f);
        break;
    case Look::Rubble:
        blobs(30, 5, {118, 108, 98}, 1.0f);
        blobs(12, 4, {150, 82, 62}, 1.0f);
        break;
    case Look::Uneven:
        field({96, 90, 70}, {130, 120, 92}, 0.5f, 0.8f, 4, 0.6f);
        break;
    case Look::Cliff:
        field({78, 74, 68}, {132, 126, 116}, 0.0f, 1.0f, 8, 1.0f);
        break;
    case Look::Water: // opaque: the ground under a covering water is not drawn
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                img.Set(x, y, {40, 66, 96});
        field({40, 66, 96}, {70, 100, 130}, 0.0f, 1.0f, 4, 1.0f);
        break;
    case Look::Shallow:
        field({70, 96, 110}, {96, 126, 134}, 0.2f, 0.9f, 4, 0.85f);
        break;
    case Look::Mud:
        field({70, 56, 38}, {96, 78, 54}, 0.3f, 0.8f, 8, 1.0f);
        break;
    case Look::Ice: // opaque, as water
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                img.Set(x, y, {190, 206, 222});
        field({190, 206, 222}, {226, 236, 240}, 0.0f, 1.0f, 4, 1.0f);
        break;
    case Look::Hedge:
        blobs(26, 9, {40, 64, 30}, 1.0f);
        break;
    case Look::Bank:
        field({100, 84, 58}, {130, 112, 80}, 0.3f, 0.7f, 4, 1.0f);
        break;
    case Look::Square:
        field({140, 134, 124}, {170, 164, 150}, 0.0f, 1.0f, 16, 1.0f);
        break;
    case Look::Vines:
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                if ((x / 8) % 2 == 0)
                    Paint(img, x, y,
                          Shade({70, 96, 44}, 0.8f + 0.4f * TileNoise(x / 8.0f, y / 8.0f, 16, seed)), 1, 1);
        break;
    case Look::Building:
        field({92, 84, 76}, {120, 110, 100}, 0.0f, 1.0f, 8, 1.0f);
        break;
    case Look::Bridge:
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                Paint(img, x, y, (y / 10) % 2 ? Rgb{112, 90, 62} : Rgb{96, 76, 52},
                      code >= 62 && (x + y) % 37 < 9 ? 0 : 1, 1);
        break;
    }
    // Snow lies on whatever the overlay shows, lighter in the open than in a hole.
    const float cover = look == Look::Pit ? 0.35f : 0.55f;
    if (snow)
        for (int y = 0; y < kGround; ++y)
            for (int x = 0; x < kGround; ++x)
                if (img.Alpha(x, y))
                    img.Set(x, y, Mix(img.Get(x, y), {226, 228, 232}, cover), img.Alpha(x, y));
    return NoPureWhite(img);
}

void MakeGround(AssetStore& store, const GameData& data) {
    for (const GroundFamily& f : kGroundFamilies)
        for (int band = 0; band < 20; ++band)
            store.Texture(f.base + band, GroundPicture(f, band));
    std::map<int, std::pair<int, int>> made; // picture -> (code, under)
    for (const auto& [code, o] : data.overlays)
        for (int under = 0; under <= o.layers; ++under)
            if (!made.count(600 + o.index + under)) made[600 + o.index + under] = {code, under};
    // Each overlay picture N has its snow look at kSnowLook + N (the map takes it on snow ground),
    // except water, a ford and ice, which hold no snow.
    auto snowy = [](int code) {
        const Look l = LookOf(code);
        return l != Look::Water && l != Look::Shallow && l != Look::Ice;
    };
    for (const auto& [number, cu] : made) {
        store.Texture(number, OverlayPicture(cu.first, cu.second, false, uint32_t(number)), true);
        if (snowy(cu.first))
            store.Texture(kSnowLook + number, OverlayPicture(cu.first, cu.second, true, uint32_t(number)),
                          true);
    }
    // the band pictures: the first code naming a band range paints it
    std::map<int, int> bands; // first index -> code
    for (const auto& [code, o] : data.overlays)
        if (o.bands >= 0 && !bands.count(o.bands)) bands[o.bands] = code;
    for (const auto& [first, code] : bands)
        for (int snow = 0; snow < (snowy(code) ? 2 : 1); ++snow) {
            const Image full = OverlayPicture(code, 0, snow != 0, uint32_t(600 + first));
            for (int shape = 1; shape <= 16; ++shape)
                store.Texture((snow ? kSnowLook : 0) + 600 + first + shape - 1, BandPicture(full, shape),
                              true);
        }
    // the edge features on snow ground: the roads at 842, the fence at 971
    store.Texture(842, OverlayPicture(14, 0, true, 842), true);
    store.Texture(971, OverlayPicture(15, 0, true, 971), true);
}

// Sky panels: v 0 at the horizon, rows above three quarters of the height all one zenith colour so a
// panel's top continues cleanly whatever the addressing.
void MakeSky(AssetStore& store) {
    struct Light {
        int offset;
        Rgb horizon, zenith;
        float cloud;
    };
    const Light lights[] = {
        {0, {196, 212, 226}, {74, 120, 186}, 0.25f}, {1, {170, 172, 170}, {118, 122, 126}, 0.9f},
        {2, {226, 196, 170}, {110, 140, 190}, 0.3f}, {3, {30, 38, 60}, {8, 12, 30}, 0.0f},
        {4, {36, 38, 42}, {16, 18, 22}, 0.6f},       {5, {230, 160, 96}, {70, 84, 140}, 0.35f}};
    const struct {
        int base;
        float warm, pale;
    } sets[] = {{1400, 0, 0}, {1406, 0.15f, 0.15f}, {1412, -0.1f, 0.25f}};
    const int w = 128, h = 128;
    for (const auto& s : sets)
        for (const Light& l : lights)
            for (int panel = 0; panel < 3; ++panel) {
                Image img(w, h);
                Rgb hor =
                    Mix(l.horizon, s.warm > 0 ? Rgb{236, 214, 170} : Rgb{214, 222, 236}, std::fabs(s.warm));
                Rgb zen = Mix(l.zenith, hor, s.pale);
                // One cloud field wrapping every 4 cells round the horizon for the three panels, so that
                // their columns agree where they meet: the side panels (+ 20, both y sides) span cells
                // 0 to 2 from u 0 to 1; the +x panel (+ 0) a whole turn from cell 2, the -x panel (+ 40)
                // one from cell 0, each ending where it begins.
                const uint32_t seed = uint32_t(s.base * 7 + l.offset * 3);
                const float start = panel == 0 ? 2.0f : 0.0f, span = panel == 1 ? 2.0f : 4.0f;
                for (int y = 0; y < h; ++y) {
                    float v = float(h - 1 - y) / (h - 1);
                    float t = std::min(1.0f, v / 0.75f);
                    for (int x = 0; x < w; ++x) {
                        Rgb c = Mix(hor, zen, std::sqrt(t));
                        if (v < 0.75f && l.cloud > 0) {
                            float n = TileFbm(start + span * float(x) / float(w - 1), v * 6, 4, seed, 4);
                            float cover =
                                std::clamp((n - (1 - l.cloud * 0.7f)) * 3, 0.0f, 1.0f) * (1 - t * t);
                            c = Mix(c, Shade(hor, 1.05f), cover);
                        }
                        if (l.offset == 3 && v > 0.2f && v < 0.7f && x > 1 && x < w - 2 &&
                            (HashInts(x, y, seed + uint32_t(panel)) & 0x1FF) == 0)
                            c = {200, 200, 190};
                        img.Set(x, y, c);
                    }
                }
                store.Texture(s.base + l.offset + 20 * panel, NoPureWhite(img));
            }
}

// The flag cloths, 2:1, drawn per point: x 0..2 along the cloth from the pole, y 0..1 down.
namespace cloth {
constexpr Rgb kWhite{236, 236, 230}, kBlack{22, 22, 20}, kRed{196, 28, 40}, kBlue{20, 40, 120};

// Inside a five-pointed star of outer radius r about (cx, cy), one point up.
bool Star(float x, float y, float cx, float cy, float r) {
    const float dx = x - cx, dy = cy - y;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d > r) return false;
    if (d < 0.382f * r) return true;
    // The edge between a point (angle 90 + 72 k) and the inner corner 36 degrees on.
    float a = std::atan2(dy, dx) * 57.29578f - 90.0f;
    a = std::fmod(std::fmod(a, 72.0f) + 72.0f, 72.0f);
    if (a > 36.0f) a = 72.0f - a;
    const float t = a / 36.0f; // 0 at the point, 1 at the inner corner
    return d <= r * (1.0f - t * (1.0f - 0.382f)) * (1.0f - 0.1f * t * (1.0f - t));
}

// The Union flag over the box (x0, y0) .. (x0 + 2h, y0 + h).
bool Union(float x, float y, float x0, float y0, float h, Rgb* c) {
    const float u = (x - x0) / h, v = (y - y0) / h; // u 0..2, v 0..1
    if (u < 0 || u > 2 || v < 0 || v > 1) return false;
    const float k = 1.0f / std::sqrt(1.25f);
    const float d1 = std::fabs(v - u * 0.5f) * k, d2 = std::fabs(1.0f - v - u * 0.5f) * k;
    const float du = std::fabs(u - 1.0f), dv = std::fabs(v - 0.5f);
    *c = kBlue;
    if (std::min(d1, d2) < 0.1f) *c = kWhite;
    if (std::min(d1, d2) < 0.035f) *c = kRed;
    if (du < 1.0f / 6 || dv < 1.0f / 6) *c = kWhite;
    if (du < 0.1f || dv < 0.1f) *c = kRed;
    return true;
}
} // namespace cloth

// Nation n's cloth (0 German, 1 Italian, 2 American, 3 British, 4 Canadian, 5 Australian, 6 New Zealand,
// 7 South African, 8 Polish, 9 Free French), 10 the neutral (plain pale), 11 the decoy.
Rgb ClothColour(int n, float x, float y) {
    using namespace cloth;
    Rgb c;
    switch (n) {
    case 0: { // the Axis cross: black arms edged white, on field grey
        const float dx = std::fabs(x - 1.0f), dy = std::fabs(y - 0.5f);
        const bool arm = (dx < 0.09f && dy < 0.36f) || (dy < 0.09f && dx < 0.36f);
        const bool edge = (dx < 0.15f && dy < 0.42f) || (dy < 0.15f && dx < 0.42f);
        return arm ? kBlack : edge ? kWhite : Rgb{110, 116, 104};
    }
    case 1: // green, white, red
        return x < 2.0f / 3 ? Rgb{20, 130, 64} : x < 4.0f / 3 ? kWhite : kRed;
    case 2: // the white star on olive drab, in a white ring
    {
        const float d = std::hypot(x - 1.0f, y - 0.5f);
        if (Star(x, y, 1.0f, 0.5f, 0.36f) || (d > 0.38f && d < 0.43f)) return kWhite;
        return Rgb{84, 98, 54};
    }
    case 3:
        Union(x, y, 0.0f, 0.0f, 1.0f, &c);
        return c;
    case 4: // the red ensign with the Union in the canton and a pale shield in the fly
        if (Union(x, y, 0.0f, 0.0f, 0.5f, &c)) return c;
        if (std::fabs(x - 1.45f) < 0.14f && y > 0.32f && y < 0.68f - 0.2f * std::fabs(x - 1.45f))
            return Rgb{220, 210, 170};
        return kRed;
    case 5: // the blue ensign: Union, the large star below it, the Southern Cross in the fly
        if (Union(x, y, 0.0f, 0.0f, 0.5f, &c)) return c;
        if (Star(x, y, 0.5f, 0.76f, 0.15f) || Star(x, y, 1.5f, 0.2f, 0.08f) ||
            Star(x, y, 1.5f, 0.82f, 0.08f) || Star(x, y, 1.27f, 0.45f, 0.08f) ||
            Star(x, y, 1.75f, 0.4f, 0.08f))
            return kWhite;
        return kBlue;
    case 6: // black with the silver fern, the Union in the canton
    {
        if (Union(x, y, 0.0f, 0.0f, 0.5f, &c)) return c;
        const float t = (x - 0.7f) / 1.15f; // along the frond, 0..1
        if (t >= 0 && t <= 1) {
            const float spine = 0.85f - 0.55f * t;
            const float reach = 0.16f * (1.0f - t) + 0.02f;
            if (std::fabs(y - spine) < 0.02f) return Rgb{206, 210, 206};
            if (std::fabs(y - spine) < reach &&
                std::fmod(x * 18.0f + std::fabs(y - spine) * 12.0f, 2.0f) < 1.2f)
                return Rgb{206, 210, 206};
        }
        return kBlack;
    }
    case 7: // orange, white, blue
        return y < 1.0f / 3 ? Rgb{226, 110, 24} : y < 2.0f / 3 ? kWhite : Rgb{0, 36, 150};
    case 8: // white over red
        return y < 0.5f ? kWhite : Rgb{212, 20, 60};
    case 9: // blue, white, red with the red cross of Lorraine on the white
    {
        if (x < 2.0f / 3) return Rgb{0, 50, 150};
        if (x >= 4.0f / 3) return kRed;
        const float dx = std::fabs(x - 1.0f);
        if ((dx < 0.045f && y > 0.15f && y < 0.85f) || (std::fabs(y - 0.3f) < 0.04f && dx < 0.16f) ||
            (std::fabs(y - 0.48f) < 0.04f && dx < 0.23f))
            return kRed;
        return kWhite;
    }
    case 10: // nobody's: plain and pale
        return Rgb{214, 208, 188};
    default: { // the decoy: pale with a dark ring
        const float d = std::hypot(x - 1.0f, y - 0.5f);
        return d > 0.17f && d < 0.28f ? Rgb{90, 86, 76} : Rgb{176, 170, 150};
    }
    }
}

void MakeMarkersAndFlags(AssetStore& store) {
    // map-edge marker beyond the north edge, a game aid: an arrow pointing north (the picture's top,
    // away from the map when it lies flat) over the letter N, pale with a dark rim by day (10049) and
    // a warm glow at night (10059)
    for (int night = 0; night < 2; ++night) {
        Image img(32, 64, {0, 0, 0}, 0);
        const Rgb rim = night ? Rgb{120, 84, 30} : Rgb{40, 40, 38};
        const Rgb body = night ? Rgb{255, 226, 140} : Rgb{226, 222, 206};
        auto shape = [&](float grow, Rgb c) {
            img.FillPolygon({16, 2 - grow, 29 + grow, 24 + grow, 20 + grow, 24 + grow, 20 + grow, 40 + grow,
                             12 - grow, 40 + grow, 12 - grow, 24 + grow, 3 - grow, 24 + grow},
                            c);
            // the N: two uprights and the diagonal, each three pixels wide
            img.FillPolygon(
                {6 - grow, 62 + grow, 6 - grow, 44 - grow, 10 + grow, 44 - grow, 10 + grow, 62 + grow}, c);
            img.FillPolygon(
                {22 - grow, 62 + grow, 22 - grow, 44 - grow, 26 + grow, 44 - grow, 26 + grow, 62 + grow}, c);
            img.FillPolygon(
                {6 - grow, 44 - grow, 10 + grow, 44 - grow, 26 + grow, 62 + grow, 22 - grow, 62 + grow}, c);
        };
        shape(1.5f, rim);
        shape(0.0f, body);
        store.Texture(night ? 10059 : 10049, NoPureWhite(img), true);
    }
    // exit zones: chevrons that repeat along u and fade away from the map edge (v 0)
    for (int other = 0; other < 2; ++other) {
        Image img(64, 64, {0, 0, 0}, 0);
        Rgb c = other ? Rgb{190, 60, 44} : Rgb{80, 170, 70};
        for (int y = 0; y < 64; ++y) {
            float v = float(63 - y) / 63;
            for (int x = 0; x < 64; ++x) {
                bool stripe = ((x + int(v * 64)) / 8) % 2 == 0;
                Paint(img, x, y, stripe ? c : Shade(c, 0.6f), 1, 0.75f * (1 - v));
            }
        }
        store.Texture(1222 + other, img, true);
    }
    // flag poles: the objective's pole banded (305), an ordinary one plain wood (306)
    for (int k = 0; k < 2; ++k) {
        Image img(16, 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 16; ++x) {
                Rgb c = k == 0 ? ((y / 16) % 2 ? Rgb{236, 232, 218} : Rgb{170, 40, 32}) : Rgb{120, 96, 66};
                img.Set(x, y, Shade(c, 0.75f + 0.5f * std::sin(3.14159f * (x + 0.5f) / 16)));
            }
        store.Texture(305 + k, NoPureWhite(img));
    }
    // flag cloth by holder (440 + nation, 450 neutral, 451 the decoy): each nation's colours and emblem
    for (int n = 0; n < 12; ++n) {
        Image cloth(128, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x) {
                const float fold = 0.88f + 0.12f * std::sin(x * 0.15f);
                cloth.Set(x, y, Shade(ClothColour(n, (x + 0.5f) / 64.0f, (y + 0.5f) / 64.0f), fold));
            }
        store.Texture(440 + n, NoPureWhite(cloth));
    }
    // the national pictures (400 +): a cross on the nation's field
    const Rgb field[10] = {{60, 62, 58},   {40, 110, 60}, {62, 84, 48},   {150, 40, 40}, {40, 60, 130},
                           {200, 170, 40}, {90, 40, 100}, {30, 110, 120}, {140, 90, 40}, {100, 100, 100}};
    const Rgb mark[10] = {{232, 230, 224}, {220, 200, 60},  {232, 230, 224}, {232, 220, 60}, {232, 230, 224},
                          {40, 40, 40},    {232, 230, 224}, {232, 220, 60},  {40, 40, 40},   {200, 40, 40}};
    for (int n = 0; n < 10; ++n) {
        Image nat(64, 64, field[n]);
        for (int y = 8; y < 56; ++y)
            for (int x = 26; x < 38; ++x)
                nat.Set(x, y, mark[n]), nat.Set(y, x, mark[n]);
        store.Texture(400 + n, NoPureWhite(nat));
    }
}

// The ground-following line looks: 32 bands of 8 rows, band b over v from b/32 to (b+1)/32; across a
// band u runs from the soft edge (0.04) to the crest (0.96).
// The bands of the order and sight lines, one colour each (docs/assets.md
// lists what draws with which band); striped bands mark the paces and
// marks a player should read as "careful" or "no".
void MakeLineTexture(AssetStore& store) {
    struct Band {
        Rgb colour;
        bool striped;
    };
    const Band bands[32] = {
        {{90, 200, 255}, false},  // 0 move
        {{255, 200, 40}, false},  // 1 hurry, rush
        {{255, 70, 40}, false},   // 2 assault
        {{255, 120, 255}, false}, // 3 observer: target reference point
        {{60, 200, 120}, true},   // 4 sneak, crawl
        {{255, 140, 30}, false},  // 5 hunt, advance
        {{255, 255, 120}, false}, // 6 set-up: flag
        {{170, 120, 255}, true},  // 7 reverse
        {{215, 215, 215}, true},  // 8 withdraw
        {{150, 105, 60}, true},   // 9 sewers
        {{255, 230, 60}, false},  // 10 turn to face
        {{230, 30, 30}, false},   // 11 fire at a unit
        {{255, 150, 60}, false},  // 12 area fire
        {{160, 160, 160}, false}, // 13 sight: cannot face
        {{120, 40, 40}, true},    // 14 sight: beyond the block
        {{60, 230, 60}, false},   // 15 set-up: valid
        {{230, 50, 50}, true},    // 16 set-up: invalid
        {{255, 230, 60}, false},  // 17 set-up: rotation
        {{80, 220, 255}, false},  // 18 arc: seen
        {{255, 90, 160}, false},  // 19 covering fire
        {{255, 200, 80}, false},  // 20 observer: adjust fire
        {{200, 120, 255}, false}, // 21 observer: other point
        {{240, 240, 200}, false}, // 22 sight up to the block
        {{235, 235, 235}, true},  // 23 smoke
        {{255, 110, 200}, false}, // 24 observer's mission
        {{255, 60, 0}, true},     // 25 incoming fire
        {{90, 255, 150}, false},  // 26 command: leader
        {{40, 170, 255}, false},  // 27 command: platoon leader
        {{120, 255, 255}, true},  // 28 covered arc
        {{255, 200, 0}, true},    // 29 covered arc against armour
        {{255, 0, 90}, true},     // 30 refused destination
        {{128, 128, 128}, false}, // 31 free
    };
    Image img(64, 256, {0, 0, 0}, 0);
    for (int b = 0; b < 32; ++b) {
        const Rgb c = bands[b].colour;
        for (int r = 0; r < 8; ++r) {
            int y = RowOfV((b + (r + 0.5f) / 8) / 32, 256);
            for (int x = 0; x < 64; ++x) {
                float u = (x + 0.5f) / 64;
                float a = std::clamp((u - 0.04f) / 0.92f, 0.0f, 1.0f);
                bool stripe = bands[b].striped && ((x / 8) % 2 == 1);
                // The outermost edge is clear, so the ribbon has no hard rim.
                img.Set(x, y, Shade(c, stripe ? 0.45f : 0.7f + 0.3f * a), uint8_t(a > 0.0f ? 60 + 195 * a : 0));
            }
        }
    }
    store.Texture(2020, img, true);
}

Image Plain(int w, int h, Rgb a, Rgb b, int cells, uint32_t seed) {
    Image img = NoiseTexture(w, h, a, b, cells, seed);
    return NoPureWhite(img);
}

void Courses(Image& img, int rowH, int brickW, Rgb mortar) {
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            int row = y / rowH, off = (row % 2) * brickW / 2;
            if (y % rowH == 0 || (x + off) % brickW == 0) img.Set(x, y, mortar);
        }
}

void MakeWallsAndBuildings(AssetStore& store) {
    Image earth = Plain(64, 64, {92, 76, 52}, {128, 108, 76}, 4, 1208);
    store.Texture(1208, earth);
    store.Texture(1218, Plain(64, 64, {190, 192, 196}, {226, 228, 232}, 4, 1218));
    for (int snow = 0; snow < 2; ++snow) { // hedges: leaves with gaps
        for (int k = 0; k < 2; ++k) {
            Image hedge(64, 64, {0, 0, 0}, 0);
            for (int i = 0; i < 60; ++i) {
                uint32_t h = HashInts(i, k, 1217u + snow);
                Rgb c = snow ? Rgb{200, 206, 204} : Rgb{44, 70, 32};
                SoftDisc(hedge, (h & 63), ((h >> 8) & 63), 5 + (h >> 16) % 4, 2,
                         Shade(c, 0.8f + (h >> 24) % 40 / 100.0f), 1);
            }
            int number = k == 0 ? (snow ? 1219 : 1217) : (snow ? 1234 : 1216);
            store.Texture(number, NoPureWhite(hedge), true);
        }
    }
    Image stone = Plain(64, 64, {118, 112, 100}, {156, 150, 136}, 8, 1235);
    Courses(stone, 8, 16, {84, 80, 72});
    store.Texture(1235, stone);
    store.Texture(1236, Plain(64, 64, {128, 122, 108}, {150, 144, 130}, 4, 1236));
    for (int snow = 0; snow < 2; ++snow) { // wooden fence
        Image fence(64, 64, {0, 0, 0}, 0);
        Rgb wood = snow ? Rgb{170, 160, 150} : Rgb{112, 86, 58};
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (x % 16 < 4 || (y % 24) < 5)
                    fence.Set(x, y, Shade(wood, 0.85f + 0.3f * ValueNoise(x * 0.5f, y * 0.1f, 7)));
        store.Texture(snow ? 1229 : 1225, NoPureWhite(fence), true);
    }
    Image brick = Plain(64, 64, {140, 70, 52}, {170, 96, 70}, 8, 1209);
    Courses(brick, 6, 12, {150, 140, 120});
    store.Texture(1209, brick);
    Image ashlar = Plain(64, 64, {130, 126, 118}, {166, 160, 150}, 8, 1210);
    Courses(ashlar, 16, 32, {96, 92, 86});
    store.Texture(1210, ashlar);
    store.Texture(1228, Plain(64, 64, {180, 170, 146}, {206, 196, 170}, 4, 1228));
    // the palm theatres' walls: a sun-dried earth bank, palm-leaf hedges and a cane fence
    store.Texture(31208, Plain(64, 64, {170, 140, 96}, {200, 172, 124}, 4, 31208));
    for (int k = 0; k < 2; ++k) {
        Image hedge(64, 64, {0, 0, 0}, 0);
        for (int i = 0; i < 50; ++i) {
            uint32_t h = HashInts(i, k, 31216u);
            SoftDisc(hedge, (h & 63), ((h >> 8) & 63), 4 + (h >> 16) % 4, 2,
                     Shade({86, 112, 50}, 0.8f + (h >> 24) % 40 / 100.0f), 1);
        }
        store.Texture(k ? 31217 : 31216, NoPureWhite(hedge), true);
    }
    Image cane(64, 64, {0, 0, 0}, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (x % 6 < 4) cane.Set(x, y, Shade({176, 150, 96}, 0.85f + 0.3f * ValueNoise(x * 0.5f, y * 0.1f, 9)));
    store.Texture(31225, NoPureWhite(cane), true);
    // buildings, craters and foxholes at numbers of our own
    store.Texture(kBuildingLightWall, Plain(64, 64, {190, 178, 150}, {214, 204, 178}, 4, 1260));
    Image heavy = Plain(64, 64, {120, 116, 110}, {150, 146, 138}, 8, 1261);
    Courses(heavy, 10, 20, {88, 86, 80});
    store.Texture(kBuildingHeavyWall, heavy);
    Image tiles = Plain(64, 64, {140, 62, 44}, {170, 84, 60}, 8, 1262);
    Courses(tiles, 8, 8, {92, 40, 30});
    store.Texture(kBuildingRoofTiles, tiles);
    Image slate = Plain(64, 64, {70, 72, 80}, {92, 94, 102}, 8, 1263);
    Courses(slate, 8, 12, {50, 52, 58});
    store.Texture(kBuildingRoofSlate, slate);
    store.Texture(kBuildingFloor, Plain(64, 64, {120, 104, 80}, {146, 128, 100}, 4, 1264));
    Image timber = Plain(64, 64, {110, 84, 56}, {136, 104, 70}, 4, 1265);
    for (int y = 0; y < 64; y += 8)
        for (int x = 0; x < 64; ++x)
            timber.Set(x, y, {70, 52, 34});
    store.Texture(kBuildingTimber, timber);
    store.Texture(kBuildingRubble, Plain(64, 64, {100, 94, 88}, {150, 140, 128}, 16, 1266));
    for (int k = 0; k < 3; ++k) {
        Image pit(64, 64, {0, 0, 0}, 0);
        Rgb rim = k == 0 ? Rgb{92, 76, 56} : Rgb{104, 86, 60};
        SoftDisc(pit, 32, 32, k == 2 ? 20 : 26, 5, rim, 1);
        SoftDisc(pit, 32, 32, k == 0 ? 16 : 10, 4, {44, 36, 26}, 1);
        store.Texture(kCraterTexture + k, NoPureWhite(pit), true);
    }
    // soldiers' soft ground shadow (1595; 1596 on snow), rubble doodad, tyre
    for (int snow = 0; snow < 2; ++snow) {
        Image sh(32, 32, {0, 0, 0}, 0);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                float d = std::hypot(x + 0.5f - 16, y + 0.5f - 16) / 16;
                sh.Set(x, y, {0, 0, 0}, uint8_t(std::max(0.0f, 1 - d * d) * (snow ? 160 : 220)));
            }
        store.Texture(1595 + snow, sh, true);
    }
    Image rubble(64, 64, {0, 0, 0}, 0);
    for (int i = 0; i < 40; ++i) {
        uint32_t h = HashInts(i, 672, 5);
        SoftDisc(rubble, 6 + (h & 51), 20 + ((h >> 8) % 42), 2 + (h >> 16) % 5, 1,
                 (h >> 24) % 3 ? Rgb{130, 120, 110} : Rgb{150, 80, 60}, 1);
    }
    store.Texture(672, rubble, true);
    Image tyre(32, 32, {30, 30, 30});
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (y % 8 < 3 && x % 16 > 1) tyre.Set(x, y, {52, 52, 50});
    store.Texture(1300, tyre);
}

} // namespace

void MakeBattlefield(AssetStore& store, const GameData& data) {
    MakeGround(store, data);
    MakeSky(store);
    MakeMarkersAndFlags(store);
    MakeLineTexture(store);
    MakeWallsAndBuildings(store);
}

#include "Skins.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "Noise.h"
#include "Texture.h"

namespace {

Image Face(int k) {
    const Rgb skins[7] = {{214, 170, 138}, {200, 150, 116}, {226, 184, 154}, {176, 128, 96},
                          {206, 162, 124}, {150, 104, 76},  {220, 176, 140}};
    Rgb skin = skins[k % 7];
    Image img = NoiseTexture(64, 64, Shade(skin, 0.94f), Shade(skin, 1.04f), 4, uint32_t(5100 + k), 3);
    const Rgb hair = k % 3 == 0 ? Rgb{60, 44, 30} : k % 3 == 1 ? Rgb{120, 90, 50} : Rgb{30, 26, 22};
    img.FillRect(0, 0, 64, 10 + k % 4, hair); // hair line at the top
    for (int side = -1; side <= 1; side += 2) {
        SoftDisc(img, 32 + side * 11, 28, 3.2f, 0.8f, {236, 232, 224}, 1);
        SoftDisc(img, 32 + side * 11, 28, 1.6f, 0.6f, {50, 60, 70}, 1);
        img.FillRect(32 + side * 11 - 5, 22, 10, 2, Shade(hair, 1.2f)); // brows
    }
    img.FillRect(30, 30, 4, 12, Shade(skin, 0.88f)); // nose
    img.FillRect(25, 48, 14, 2, {140, 80, 70});      // mouth
    return NoPureWhite(img);
}

// A cloth texture: base colour with weave noise, a seam and, for a camouflage pattern, patches.
Image Cloth(Rgb base, bool camo, uint32_t seed, bool snow, int slot) {
    Image img = NoiseTexture(32, 32, Shade(base, 0.9f), Shade(base, 1.08f), 8, seed, 2);
    if (camo)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                float n = TileFbm(x / 8.0f, y / 8.0f, 4, seed + 9, 2);
                if (n > 0.6f) img.Set(x, y, Shade(Mix(base, {60, 80, 40}, 0.6f), 0.9f));
                if (n < 0.35f) img.Set(x, y, Shade(Mix(base, {110, 80, 50}, 0.6f), 0.9f));
            }
    if (slot == 0) // buttons down the front
        for (int y = 6; y < 30; y += 7)
            SoftDisc(img, 16, y, 1.2f, 0.5f, {150, 140, 110}, 1);
    if (slot == 2) img.FillRect(0, 26, 32, 6, Shade(base, 0.75f)); // headgear rim
    if (snow)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                img.Set(x, y, Mix(img.Get(x, y), {224, 226, 230}, 0.78f));
    return NoPureWhite(img);
}

// Painted metal with panel lines and wear; the late look is sand with green and brown patches, snow is
// whitewash over the base colour.
Image Metal(Rgb base, int look, int slot, uint32_t seed) {
    const int s = 64;
    Rgb c = base;
    if (look >= 2) c = {150, 134, 92};
    Image img = NoiseTexture(s, s, Shade(c, 0.9f), Shade(c, 1.06f), 4, seed, 4);
    if (look >= 2)
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                float n = TileFbm(x / 16.0f, y / 16.0f, 4, seed + 5, 3);
                if (n > 0.62f)
                    img.Set(x, y, {74, 84, 52});
                else if (n < 0.32f)
                    img.Set(x, y, {104, 76, 52});
            }
    for (int i = 0; i < s; i += 32) // panel seams (at the picture's edges too, so it tiles)
        for (int k = 0; k < s; ++k)
            img.Set(i, k, Shade(img.Get(i, k), 0.7f)), img.Set(k, i, Shade(img.Get(k, i), 0.7f));
    for (int y = 4; y < s; y += 16)
        for (int x = 4; x < s; x += 16)
            SoftDisc(img, x, y, 1.3f, 0.5f, Shade(c, 0.75f), 1);
    if (look == 1 || look == 3)
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                float n = TileFbm(x / 16.0f, y / 16.0f, 4, seed + 11, 3);
                img.Set(x, y, Mix(img.Get(x, y), {214, 216, 212}, std::clamp(0.4f + n * 0.6f, 0.0f, 0.9f)));
            }
    (void)slot;
    return NoPureWhite(img);
}

// A plain painted plate: noise and panel seams, no rivets, no patches.
Image PlainMetal(Rgb base, uint32_t seed) {
    const int s = 64;
    Image img = NoiseTexture(s, s, Shade(base, 0.92f), Shade(base, 1.05f), 4, seed, 4);
    for (int i = 0; i < s; i += 32)
        for (int k = 0; k < s; ++k)
            img.Set(i, k, Shade(img.Get(i, k), 0.8f)), img.Set(k, i, Shade(img.Get(k, i), 0.8f));
    return NoPureWhite(img);
}

// The running gear: steel links across the width, repeating every 16 rows so the texture runs with the
// tread: a dark gap between links, a worn bright grouser bar, the guide horns in the middle.
Image Track(uint32_t seed, bool snow) {
    Image img = NoiseTexture(32, 64, {78, 74, 66}, {100, 95, 86}, 4, seed, 2);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 32; ++x) {
            int r = y % 16;
            if (r < 2)
                img.Set(x, y, {28, 26, 24});
            else if (r < 5)
                img.Set(x, y, {138, 132, 120});
            else if (r >= 7 && r < 12 && x >= 14 && x < 18)
                img.Set(x, y, {122, 116, 104});
            else if (x == 0 || x == 31)
                img.Set(x, y, {52, 50, 46});
        }
    if (snow)
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 32; ++x)
                if ((y % 16) > 8) img.Set(x, y, Mix(img.Get(x, y), {210, 212, 214}, 0.5f));
    return NoPureWhite(img);
}

void GunSet(AssetStore& store, int n, int slot, Rgb base, bool allied) {
    const int offsets[4] = {0, 50000, 100000, 150000};
    for (int look = 0; look < 4; ++look) {
        Image img = Metal(base, allied ? look % 2 : look, slot, uint32_t(n + look));
        store.Texture(n + offsets[look], img);
    }
}

} // namespace

Rgb UniformColour(int u) {
    const Rgb palette[12] = {{92, 96, 80},   {210, 210, 204}, {40, 40, 42},   {70, 74, 66},
                             {100, 104, 86}, {90, 92, 70},    {120, 112, 78}, {104, 96, 60},
                             {112, 104, 70}, {96, 100, 62},   {138, 118, 80}, {86, 90, 100}};
    return palette[u % 12];
}

void MakeSkins(AssetStore& store, const GameData& data) {
    for (int k = 0; k < 14; ++k)
        store.Texture(5100 + k, Face(k));
    // uniforms: six figure slots per rank and period; the picture is the number + 9000, on snow + 59000
    std::vector<long> numbers = data.Values("uniforms", "mTextureNumbers");
    std::set<long> made;
    for (size_t i = 0; i < numbers.size(); ++i) {
        const int slot = int(i % 8);
        const long n = numbers[i];
        if (slot > 5 || n < 0 || !made.insert(n).second) continue;
        const int uniform = int((n - 20000) / 100);
        const Rgb base = UniformColour(uniform);
        const bool camo = uniform == 5 || uniform == 4;
        store.Texture(int(n + 9000), Cloth(base, camo, uint32_t(n), false, slot));
        store.Texture(int(n + 59000), Cloth(base, camo, uint32_t(n), true, slot));
    }
    // small arms: wood and steel parts per texture slot
    for (int i = 0; i < 48; ++i) {
        Image img(64, 16, {0, 0, 0}, 0);
        const bool wood = i % 3 != 1;
        Rgb c = wood ? Rgb{112, 76, 44} : Rgb{58, 60, 62};
        for (int y = 3; y < 13; ++y)
            for (int x = 0; x < 64; ++x)
                img.Set(x, y,
                        Shade(c, 0.8f + 0.4f * ValueNoise(x * 0.3f, y * (wood ? 0.05f : 0.3f),
                                                          uint32_t(1900 + i))));
        store.Texture(1900 + i, NoPureWhite(img), true);
    }
    // towed guns (17 slots a model) and anti-tank rifles (two each), in their four looks
    for (long n : data.Values("ordnance_models", "mTextures"))
        if (n > 0) GunSet(store, int(n), int(n % 20), {80, 86, 74}, false);
    for (long n : data.Values("atr_models", "mTextures"))
        if (n > 0) GunSet(store, int(n), 0, {70, 66, 56}, false);
    for (int n : {3488, 3489})
        GunSet(store, n, n - 3488, {84, 88, 76}, false);
    // vehicle sets, each in its army's paint
    for (const VehicleSetEntry& e : kVehicleSets) {
        const VehiclePaint p = kArmyPaint[e.army];
        const Rgb base{p.r, p.g, p.b};
        for (int s = 0; s < 17; ++s) {
            const int n = kVehicleSetBase + 20 * e.set + s;
            if (s == 0) {
                store.Texture(n, Track(uint32_t(n), false));
                store.Texture(n + 50000, Track(uint32_t(n), true));
                store.Texture(n + 100000, Track(uint32_t(n), false));
                store.Texture(n + 150000, Track(uint32_t(n), true));
            } else if (e.army == kArmyUnidentified) {
                // One plain tone in every look: nothing tells the army, the season or the scheme.
                const Image img = PlainMetal(s == 5 ? Shade(base, 0.85f) : base, uint32_t(n));
                for (int off : {0, 50000, 100000, 150000})
                    store.Texture(n + off, img);
            } else {
                GunSet(store, n, s, s == 5 ? Shade(base, 0.85f) : base, e.army != kArmyAxis);
            }
        }
    }
    // shading by drawing class (not class 8): dry, wet (+1), snow (+2)
    for (int cls = 0; cls < 8; ++cls)
        for (int k = 0; k < 3; ++k) {
            Image img(32, 32, {0, 0, 0}, 0);
            Rgb c = k == 0 ? Rgb{130, 114, 84} : k == 1 ? Rgb{70, 58, 40} : Rgb{220, 222, 226};
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    float n = TileFbm(x / 8.0f, y / 8.0f, 4, uint32_t(4020 + 3 * cls + k), 3);
                    float lower = float(y) / 31; // heavier toward the bottom rows (the running gear)
                    img.Set(x, y, c, uint8_t(std::clamp((n - 0.3f) * lower * 1.8f, 0.0f, 1.0f) * 220));
                }
            store.Texture(4020 + 3 * cls + k, NoPureWhite(img), true);
        }
}

#include "Sprites.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Texture.h"

namespace {

// A tree seen from the side, standing on the bottom row (v 0): trunk, then a crown of soft blobs.
Image UprightTree(int a, Rgb leaf, bool conifer, bool bare, float width, uint32_t seed) {
    const int w = 64, h = 128;
    Image img(w, h, {0, 0, 0}, 0);
    const float cx = w / 2.0f;
    const float trunkW = 3 + 2 * width;
    for (int y = int(h * 0.35f); y < h; ++y)
        for (int x = int(cx - trunkW / 2); x < int(cx + trunkW / 2); ++x)
            img.Set(x, y, {70, 56, 40});
    if (bare) { // branches only
        for (int i = 0; i < 14; ++i) {
            uint32_t hsh = HashInts(i, a, seed);
            float y0 = h * (0.2f + (hsh & 0xFF) / 512.0f), dir = (hsh >> 8) & 1 ? 1.0f : -1.0f;
            float len = w * width * (0.2f + ((hsh >> 16) & 0xFF) / 900.0f);
            for (int k = 0; k < int(len); ++k)
                img.Set(int(cx + dir * k), int(y0 - k * 0.6f), {80, 66, 50});
        }
        return img;
    }
    if (conifer) {
        for (int y = int(h * 0.05f); y < int(h * 0.85f); ++y) {
            float t = (y - h * 0.05f) / (h * 0.8f);
            float half = (w / 2.0f - 2) * width * t * (0.8f + 0.2f * std::sin(y * 0.7f));
            for (int x = 0; x < w; ++x) {
                float d = std::fabs(x + 0.5f - cx);
                if (d < half) {
                    float n = ValueNoise(x * 0.4f, y * 0.4f, seed);
                    Paint(img, x, y, Shade(leaf, 0.7f + 0.5f * n), std::clamp(half - d, 0.0f, 1.0f), 1);
                }
            }
        }
        return img;
    }
    for (int i = 0; i < 26; ++i) {
        uint32_t hsh = HashInts(i, a, seed);
        float bx = cx + ((hsh & 0xFF) / 255.0f - 0.5f) * w * 0.62f * width;
        float by = h * (0.1f + ((hsh >> 8) & 0xFF) / 255.0f * 0.45f);
        float r = w * (0.1f + ((hsh >> 16) & 0xFF) / 255.0f * 0.1f) * (0.6f + 0.4f * width);
        SoftDisc(img, bx, by, r, r * 0.4f, Shade(leaf, 0.7f + ((hsh >> 24) & 0xFF) / 600.0f), 1);
    }
    return img;
}

// A tree crown seen from above: a noisy disc, darker at its rim.
Image Crown(Rgb leaf, uint32_t seed, bool snow) {
    const int s = 64;
    Image img(s, s, {0, 0, 0}, 0);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            float d = std::hypot(x + 0.5f - s / 2.0f, y + 0.5f - s / 2.0f) / (s / 2.0f);
            float n = Fbm(x * 0.15f, y * 0.15f, seed, 3);
            float edge = 0.75f + 0.25f * n;
            if (d > edge) continue;
            Rgb c = Shade(leaf, 1.1f - 0.5f * d + 0.3f * (n - 0.5f));
            if (snow && n > 0.55f) c = Mix(c, {226, 230, 234}, 0.8f);
            Paint(img, x, y, c, std::clamp((edge - d) * 12, 0.0f, 1.0f), 1);
        }
    return img;
}

void Palm(AssetStore& store, int number, bool crown, uint32_t seed) {
    const Rgb frond{70, 110, 48};
    if (crown) {
        Image img(64, 64, {0, 0, 0}, 0);
        for (int f = 0; f < 9; ++f) {
            float ang = f * 0.698f + (seed % 7) * 0.1f;
            for (int k = 0; k < 30; ++k)
                SoftDisc(img, 32 + std::cos(ang) * k, 32 + std::sin(ang) * k, 3.0f - k / 15.0f, 1,
                         Shade(frond, 0.8f + k / 100.0f), 1);
        }
        store.Texture(number, NoPureWhite(img), true);
        return;
    }
    Image img(64, 128, {0, 0, 0}, 0);
    float lean = (int(seed % 5) - 2) * 0.08f;
    for (int y = 24; y < 128; ++y)
        for (int dx = -2; dx <= 2; ++dx)
            img.Set(int(32 + lean * (128 - y)) + dx, y, (y / 5) % 2 ? Rgb{110, 90, 62} : Rgb{90, 72, 50});
    float tx = 32 + lean * 104;
    for (int f = 0; f < 8; ++f) {
        float ang = 3.14159f + f * 0.4f - 0.2f;
        for (int k = 0; k < 26; ++k)
            SoftDisc(img, tx + std::cos(ang) * k, 24 - std::sin(ang) * k * 0.6f + k * k * 0.02f, 2.5f, 1,
                     frond, 1);
    }
    store.Texture(number, NoPureWhite(img), true);
}

// Doodads: small things on the ground, standing on the bottom row. Record r, variant v.
Image Doodad(int r, int v, int season) { // season 0 summer, 1 winter, 2 snow
    Image img(64, 64, {0, 0, 0}, 0);
    uint32_t seed = uint32_t(r * 16 + v * 4 + season);
    Rgb green = season == 1 ? Rgb{120, 104, 70} : Rgb{70, 110, 46};
    auto blade = [&](float x0, float len, float lean, Rgb c, float wdt) {
        for (int k = 0; k < int(len); ++k)
            SoftDisc(img, x0 + lean * k, 63 - k, wdt, 0.7f, Shade(c, 0.8f + k / (3 * len)), 1);
    };
    for (int i = 0; i < 18; ++i) {
        uint32_t h = HashInts(i, int(seed), 77);
        float x0 = 6 + (h & 0xFF) / 255.0f * 52, lean = ((h >> 8) & 0xFF) / 255.0f - 0.5f;
        float len = 20 + ((h >> 16) & 0xFF) / 255.0f * 40;
        switch (r) {
        case 0:
            blade(x0, len * 0.5f, lean * 0.6f, green, 0.8f);
            break; // tufts
        case 1:
            blade(x0, len, lean * 0.2f, season == 1 ? Rgb{150, 126, 80} : Rgb{190, 166, 88}, 0.9f);
            break; // grain
        case 2:
            if (i < 8) SoftDisc(img, x0, 63 - len * 0.4f, 8 + len * 0.1f, 3, green, 1);
            break; // brush
        case 3:
            if (i < 5) SoftDisc(img, x0, 58, 5 + len * 0.08f, 2, {128, 124, 116}, 1);
            break; // rocks
        case 4:
            if (i < 10)
                SoftDisc(img, x0, 60 - len * 0.2f, 5, 2, season == 1 ? Rgb{110, 80, 70} : Rgb{120, 70, 110},
                         1);
            break; // heather
        case 5:
            if (i < 6) blade(x0, len, lean * 0.1f, {90, 70, 48}, 1.2f);
            if (i < 12) SoftDisc(img, x0, 63 - len * 0.7f, 4, 2, green, 1);
            break; // vines
        case 6:
            if (i < 4) SoftDisc(img, x0, 56, 7, 2, {96, 84, 60}, 1);
            break; // logs and stumps
        case 7:
            blade(x0, len, lean * 0.3f, season == 1 ? Rgb{140, 124, 84} : Rgb{96, 120, 60}, 0.7f);
            break; // reeds
        default:
            if (i < 12)
                SoftDisc(img, x0, 60 - (h >> 24) % 10, 3 + (h >> 20) % 4, 1,
                         (h >> 28) % 3 ? Rgb{130, 120, 110} : Rgb{150, 84, 64}, 1);
            break; // rubble
        }
    }
    if (season == 2) // snow caps on everything drawn
        for (int y = 1; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (img.Alpha(x, y) && !img.Alpha(x, y - 1)) {
                    for (int k = 0; k < 3 && y + k < 64; ++k)
                        if (img.Alpha(x, y + k)) img.Set(x, y + k, {226, 230, 234});
                }
    return NoPureWhite(img);
}

} // namespace

void MakeVegetation(AssetStore& store) {
    for (int a = 0; a < 60; ++a) {
        const int decade = a / 10, unit = a % 10;
        const bool crown = unit >= 7 || unit == 9;
        // 510-519 the woods' green mixed wood: broadleaf greens with a darker
        // conifer among them.
        Rgb leaf = decade == 0   ? Rgb{64, 104, 44}
                   : decade == 1 ? (unit % 3 == 2 ? Rgb{42, 74, 46} : unit % 3 == 1 ? Rgb{78, 112, 48} : Rgb{58, 96, 40})
                   : decade == 2 ? Rgb{40, 76, 48}
                   : decade == 3 ? Rgb{120, 90, 50}
                   : decade == 4 ? Rgb{150, 160, 160}
                                 : Rgb{50, 80, 60};
        const bool conifer = decade == 2 || decade == 5;
        const bool snow = decade >= 4;
        float width = 1.0f;
        if (a == 0 || a == 1 || a == 40 || a == 42) width = 0.75f;
        if (a == 2 || a == 3 || a == 13 || a == 21 || a == 32 || a == 41 || a == 43 || a == 53) width = 0.5f;
        Image img = crown ? Crown(leaf, uint32_t(500 + a), snow)
                          : UprightTree(a, leaf, conifer, decade == 3 && unit >= 5, width, uint32_t(500 + a));
        if (!crown && snow)
            for (int y = 1; y < img.Height(); ++y)
                for (int x = 0; x < img.Width(); ++x)
                    if (img.Alpha(x, y) && !img.Alpha(x, y - 1)) img.Set(x, y, {226, 230, 234});
        store.Texture(500 + a, NoPureWhite(img), true);
    }
    for (int k = 0; k <= 16; ++k) {
        if (k == 10) continue;
        Palm(store, 30500 + k, (k >= 7 && k <= 9) || k >= 15, uint32_t(k));
    }
    const int bases[3] = {2100, 2300, 2500};
    for (int season = 0; season < 3; ++season)
        for (int r = 0; r <= 8; ++r)
            for (int v = 0; v < 4; ++v)
                store.Texture(bases[season] + 10 * r + v, Doodad(r, v, season), true);
}

void MakeEffects(AssetStore& store) {
    // tracers by side: a glowing streak, hottest at the nose (u 1)
    for (int side = 0; side < 2; ++side) {
        Image img(64, 16, {0, 0, 0}, 0);
        Rgb c = side == 0 ? Rgb{255, 120, 60} : Rgb{160, 255, 120};
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 64; ++x) {
                float across = 1 - std::fabs(y + 0.5f - 8) / 8;
                float along = (x + 0.5f) / 64;
                img.Set(x, y, Mix(c, {255, 250, 220}, across * along),
                        uint8_t(255 * across * across * (0.3f + 0.7f * along)));
            }
        store.Texture(300 + side, NoPureWhite(img), true);
    }
    // flame-thrower stream: u along the stream, v round the ring
    for (int k = 0; k < 3; ++k) {
        Image img(64, 32, {0, 0, 0}, 0);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                float n = TileFbm(x / 8.0f, y / 8.0f, 8, uint32_t(1204 + k), 3);
                img.Set(x, y, Mix({200, 60, 10}, {255, 220, 90}, n),
                        uint8_t(std::clamp((n - 0.4f) * 3.0f, 0.0f, 1.0f) * 255));
            }
        store.Texture(1204 + k, NoPureWhite(img), true);
    }
    // sparks and splash bits (1230-1232), shrapnel and shards (1240-1247)
    for (int k = 0; k < 3; ++k) {
        Image img(16, 16, {0, 0, 0}, 0);
        SoftDisc(img, 8, 8, 2 + k, 3, k == 2 ? Rgb{190, 200, 210} : Rgb{255, 210, 110}, 1);
        store.Texture(1230 + k, NoPureWhite(img), true);
    }
    for (int k = 0; k < 8; ++k) {
        Image img(16, 16, {0, 0, 0}, 0);
        std::vector<float> pts;
        for (int i = 0; i < 5; ++i) {
            uint32_t h = HashInts(i, k, 1240);
            float ang = i * 1.2566f + (h & 0xFF) / 400.0f, r = 3 + ((h >> 8) & 0xFF) / 60.0f;
            pts.push_back(8 + std::cos(ang) * r), pts.push_back(8 + std::sin(ang) * r);
        }
        img.FillPolygon(pts, k < 5 ? Rgb{70, 66, 60} : Rgb{120, 110, 96});
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (img.Get(x, y).r) img.Set(x, y, img.Get(x, y), 255);
        store.Texture(1240 + k, img, true);
    }
    // fire: 18 frames; the flames rise from the base (v 0 to 0.25) to the tips (v 0.988)
    for (int f = 0; f < 18; ++f) {
        Image img(64, 64, {0, 0, 0}, 0);
        for (int y = 0; y < 64; ++y) {
            float v = float(63 - y) / 63;
            for (int x = 0; x < 64; ++x) {
                float u = (x + 0.5f) / 64;
                float n = Fbm(u * 4, v * 3 - f * 0.35f, 1700, 3);
                float shape = (1 - std::fabs(u - 0.5f) * 2) * (1.1f - v) + (n - 0.5f) * 0.8f;
                if (shape <= 0.05f) continue;
                float heat = std::clamp(shape, 0.0f, 1.0f);
                img.Set(x, y, Mix({180, 40, 10}, {255, 226, 120}, heat),
                        uint8_t(std::min(1.0f, heat * 2) * 255));
            }
        }
        store.Texture(1700 + f, NoPureWhite(img), true);
    }
    // blast puffs: ten fiery frames (1720-1729), ten smoke frames (1730-1739); smoke puffs by kind
    // (1800-1803)
    auto puff = [&](int number, Rgb inner, Rgb outer, float grow, uint32_t seed) {
        Image img(64, 64, {0, 0, 0}, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                float d = std::hypot(x + 0.5f - 32, y + 0.5f - 32) / 32;
                float n = Fbm(x * 0.1f, y * 0.1f, seed, 4);
                float edge = (0.55f + 0.35f * grow) + (n - 0.5f) * 0.5f;
                if (d > edge) continue;
                float t = d / edge;
                img.Set(x, y, Mix(inner, outer, t),
                        uint8_t(std::clamp((edge - d) * 5, 0.0f, 1.0f) * (1 - 0.5f * grow) * 255));
            }
        store.Texture(number, NoPureWhite(img), true);
    };
    for (int k = 0; k < 10; ++k) {
        puff(1720 + k, Mix({255, 230, 140}, {200, 80, 20}, k / 9.0f), {90, 50, 30}, k / 9.0f,
             uint32_t(1720 + k));
        puff(1730 + k, Mix({80, 74, 66}, {140, 136, 130}, k / 9.0f), {110, 106, 100}, k / 9.0f,
             uint32_t(1730 + k));
    }
    // The smoke puffs are drawn many times over each other and, from a high camera, only a few pixels
    // wide: each is a round, soft cloud, densest in its middle and thinning out well inside its
    // square, so a column of them reads as smoke, not as a stack of squares.
    auto smoke = [&](int number, Rgb inner, Rgb outer, uint32_t seed) {
        Image img(64, 64, {0, 0, 0}, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const float d = std::hypot(x + 0.5f - 32, y + 0.5f - 32) / 32;
                const float n = Fbm(x * 0.12f, y * 0.12f, seed, 4);
                const float rim = 0.72f + (n - 0.5f) * 0.3f; // the cloud's ragged edge, at most 0.87
                if (d >= rim) continue;
                const float t = d / rim;
                const float density = (1 - t * t) * (1 - t * t) * (0.75f + 0.5f * n);
                img.Set(x, y, Mix(inner, outer, t), uint8_t(std::clamp(density, 0.0f, 1.0f) * 220));
            }
        store.Texture(number, NoPureWhite(img), true);
    };
    smoke(1800, {96, 90, 82}, {130, 126, 118}, 1800);    // shell
    smoke(1801, {70, 66, 60}, {110, 104, 96}, 1801);     // burning square
    smoke(1802, {36, 34, 32}, {70, 66, 62}, 1802);       // burning vehicle
    smoke(1803, {214, 214, 210}, {190, 190, 186}, 1803); // smoke shell
}

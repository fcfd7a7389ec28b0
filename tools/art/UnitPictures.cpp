#include "UnitPictures.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "ModelSheet.h"
#include "Skins.h"
#include "Texture.h"
#include "models/ModelTables.h"
#include "units/WeaponSideViews.h"

namespace {

constexpr int kPortrait = 56, kViewW = 86, kViewH = 58;
const Rgb kPanel{25, 25, 25};

// A head and shoulders: the collar and headgear in the uniform's colour, the headgear's shape by the
// period (side cap, peaked cap, helmet), the rank on the collar: pips for the ranks, a braid from 5.
Image Portrait(int uniform, int variant, int rank) {
    Image img(kPortrait, kPortrait, kPanel);
    const Rgb cloth = UniformColour(uniform);
    const Rgb skins[4] = {{214, 170, 138}, {200, 150, 116}, {226, 184, 154}, {190, 140, 108}};
    const Rgb skin = skins[(uniform + rank) % 4];
    img.VerticalGradient(0, 0, kPortrait, kPortrait, {44, 46, 48}, {24, 24, 26});
    // shoulders and collar
    img.FillPolygon({4, 56, 12, 42, 44, 42, 52, 56}, cloth);
    img.FillPolygon({20, 42, 28, 50, 36, 42}, Shade(cloth, 0.7f));
    // neck and face
    img.FillRect(23, 34, 10, 9, Shade(skin, 0.9f));
    for (int y = 14; y < 40; ++y)
        for (int x = 14; x < 42; ++x) {
            const float dx = (x + 0.5f - 28) / 12.5f, dy = (y + 0.5f - 27) / 13.0f;
            if (dx * dx + dy * dy <= 1.0f) img.Set(x, y, Shade(skin, 1.0f - 0.15f * dy));
        }
    for (int side = -1; side <= 1; side += 2) {
        img.FillRect(28 + side * 5 - 1, 25, 3, 2, {40, 44, 50});
        img.FillRect(28 + side * 5 - 2, 22, 5, 1, Shade(skin, 0.6f));
    }
    img.FillRect(27, 27, 2, 6, Shade(skin, 0.85f));
    img.FillRect(24, 35, 8, 1, {140, 80, 70});
    // headgear
    const Rgb cap = Shade(cloth, 0.9f);
    if (variant == 0) {
        img.FillPolygon({14, 20, 16, 11, 40, 11, 42, 20}, cap); // side cap
    } else if (variant == 1) {
        img.FillPolygon({12, 13, 18, 5, 40, 5, 44, 13}, cap); // peaked cap: crown, band, peak
        img.FillRect(14, 13, 28, 4, Shade(cloth, 0.6f));
        img.FillRect(16, 17, 24, 2, {30, 30, 30});
    } else {
        for (int y = 6; y < 21; ++y) // helmet
            for (int x = 10; x < 46; ++x) {
                const float dx = (x + 0.5f - 28) / 17.5f, dy = (y + 0.5f - 21) / 15.0f;
                if (dx * dx + dy * dy <= 1.0f) img.Set(x, y, Shade(cap, 0.95f + 0.1f * dy));
            }
        img.FillRect(10, 19, 36, 2, Shade(cap, 0.7f));
    }
    // rank: pips on the collar, a silver braid for the officers
    const Rgb pip{214, 200, 120}, braid{196, 198, 204};
    const int pips = std::clamp(rank, 0, 7) % 5;
    for (int k = 0; k < pips; ++k) {
        img.FillRect(8 + 3 * k, 47, 2, 2, pip);
        img.FillRect(46 - 3 * k, 47, 2, 2, pip);
    }
    if (rank >= 5) {
        img.FillRect(6, 51, 16, 1, braid);
        img.FillRect(34, 51, 16, 1, braid);
        if (rank >= 6) img.FillRect(26, 44, 4, 4, braid); // a commander's badge
    }
    return NoPureWhite(img);
}

bool IsVehicleTable(const dm::models::ModelTable& t) {
    static const char* const kNames[] = {
        "PzIIIM",   "StuH42_Mid", "Tiger_Early",        "SdKfz222",          "250_11", "M3_GMC",
        "StuartM5", "M3_Lee",     "M4A1_Sherman_Early", "M4A3_75_W_Sherman", "M8_AC",  "M10"};
    if (std::strncmp(t.name, "GeneralModel_", 13) == 0) return true;
    for (const char* n : kNames)
        if (std::strcmp(t.name, n) == 0) return true;
    return false;
}

// The table that draws vehicle model m, else the general model.
const dm::models::ModelTable* TableOf(int m) {
    const dm::models::ModelTable* general = dm::models::FindModelTable("GeneralModel");
    for (int i = 0; i < dm::models::kModelTableCount; ++i) {
        const dm::models::ModelTable& t = dm::models::kModelTables[i];
        if (!t.numbers || !IsVehicleTable(t)) continue;
        for (const int16_t* n = t.numbers; *n >= 0; ++n)
            if (*n == m) return &t;
    }
    return general;
}

// The model rows drawn as fixed emplacements (the generic bunker, the Maginot casemate).
bool Emplacement(const dm::models::ModelTable& t) {
    return std::strcmp(t.name, "GeneralModel_136") == 0 || std::strcmp(t.name, "GeneralModel_140") == 0;
}

// An emplacement's side view: its concrete block with two firing slits in the wall, sunk in a bank
// of earth that covers its lower half and runs out at either end. Without the bank the block and
// the armour diagram's lower bars read as a hull on its tracks.
void BankEarth(Image& img, Rgb background) {
    int left = img.Width(), right = -1, top = img.Height(), bottom = -1;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            const Rgb c = img.Get(x, y);
            if (c.r == background.r && c.g == background.g && c.b == background.b) continue;
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
            bottom = std::max(bottom, y);
        }
    if (right < left) return;
    const int bank = top + (bottom - top) / 2;
    const int h = bottom - top + 1;
    for (int k = 0; k < 2; ++k) {
        const int sx = left + (right - left) * (k == 0 ? 28 : 62) / 100;
        img.FillRect(sx, top + h / 4, std::max(4, (right - left) / 8), std::max(2, h / 8), {22, 22, 20});
    }
    const Rgb earth{104, 88, 64}, crest{124, 108, 80};
    for (int x = 0; x < img.Width(); ++x) {
        // Flat against the block, then falling away at the slope of one picture row per column.
        const int out = x < left ? left - x : (x > right ? x - right : 0);
        const int y0 = std::max(bank, bank + out);
        for (int y = y0; y < img.Height(); ++y)
            img.Set(x, y, y == y0 ? crest : earth);
    }
}

} // namespace

void MakeUnitPictures(AssetStore& store, const GameData& data) {
    // every uniform number a unit can carry (0..35), the placeholders' too
    (void)data;
    for (int u = 0; u < 36; ++u)
        for (int v = 0; v < 3; ++v)
            for (int r = 0; r < 8; ++r)
                store.Picture(kPortraitBase + 24 * u + 8 * v + r, Portrait(u, v, r));
    // side views of every model number the vehicle model table has (236 rows)
    for (int m = 0; m < 236; ++m)
        if (const dm::models::ModelTable* t = TableOf(m)) {
            Image view = ModelSideView(*t, kViewW, kViewH, false, {40, 42, 40});
            if (Emplacement(*t)) BankEarth(view, {40, 42, 40});
            store.Picture(kSideViewBase + m, NoPureWhite(view));
        }
    // side views of the teams' heavy weapons, one for each model the battlefield draws them with,
    // as wide and high as the info panel's right box
    for (int v = 0; v < kWeaponViewCount; ++v)
        if (const dm::models::ModelTable* t = dm::models::FindModelTable(kWeaponViewModels[v])) {
            Image view = ModelSideView(*t, kWeaponSideViewWidth, kWeaponSideViewHeight, false, {40, 42, 40});
            store.Picture(kWeaponSideViewBase + v, NoPureWhite(view));
        }
    // silhouettes: a bunker, a lorry, an armoured car, a tank
    const char* shapes[4] = {"GeneralModel", "GeneralModel_1", "SdKfz222", "GeneralModel"};
    for (int k = 0; k < 4; ++k)
        if (const dm::models::ModelTable* t = dm::models::FindModelTable(shapes[k])) {
            Image img = ModelSideView(*t, kViewW, kViewH, true, kPanel);
            if (k == 0) // the bunker: the hull's lower half, flat on the ground
                for (int y = 0; y < kViewH / 2; ++y)
                    for (int x = 0; x < kViewW; ++x)
                        img.Set(x, y, kPanel, 0);
            store.Picture(kSilhouetteBase + k, img, true);
        }
}

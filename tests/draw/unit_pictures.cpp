// The units on the built battlefield rendered headless: every vehicle model
// side by side, and a battle with vehicles, squads and guns near and far and
// effects in flight. Written to the
// program folder (and to docs/ when DM_UPDATE_DOCS is set) to be looked at.
#include <cmath>
#include <cstdlib>
#include <string>

#include "DrawScene.h"
#include "DrawTestUtil.h"
#include "battle/ExplosionGraphic.h"
#include "battle/FlameImpactGraphic.h"
#include "battle/ShellGraphic.h"
#include "battle/SparkGraphic.h"
#include "battle/UnitList.h"
#include "draw/UnitDraw.h"
#include "platform/Surface16.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

using namespace dtest;

namespace {

uint32_t Argb(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// Scenery pictures by family; vehicle parts by slot in the viewer's colours.
GGraphic* Picture(int32_t p, int32_t) {
    auto& store = gShop->pictures;
    auto make = [&](auto fn) {
        store.push_back(rtest::MakePicture(16, 16, fn));
        gShop->numbers[store.back()->AsGraphic()] = p;
        return store.back()->AsGraphic();
    };
    if (p >= 1400 && p < 1460) return make([](int, int y) { return Argb(150 - 5 * y, 190 - 4 * y, 235); });
    if (p >= 500 && p < 560)
        return make([](int x, int y) {
            const int half = (16 - y) / 2;
            return std::abs(x - 8) <= half ? Argb(30, 80 + 3 * y, 35) : 0u;
        });
    if (p >= 1700 && p < 1720)
        return make([](int x, int y) { return y > 12 ? 0u : Argb(250, 120 + 8 * (x % 8), 20); });
    if (p >= 1720 && p < 1740) // explosion puffs: fire, then smoke, a soft disc
        return make([p](int x, int y) {
            const int r2 = (2 * x - 15) * (2 * x - 15) + (2 * y - 15) * (2 * y - 15);
            if (r2 > 225) return 0u;
            const uint32_t a = r2 > 150 ? 0x80000000u : 0xFF000000u;
            return ((p < 1730 ? Argb(250, 170 - 6 * (p - 1720), 40) : Argb(120, 116, 110)) & 0xFFFFFFu) | a;
        });
    if (p >= 1230 && p < 1248) // sparks and shards
        return make([p](int, int) { return p < 1240 ? Argb(255, 230, 120) : Argb(60, 56, 50); });
    return make([](int x, int y) { return Argb(96 + 6 * ((x + y) % 3), 120, 64); });
}

struct Rows {
    static constexpr int kTypes = 14;
    TestRows<VehicleData, kTypes> vehicles{gVehicleData};
    TestRows<VehicleClassChart, 2> classes{gVehicleClassChart};
    TestRows<VehicleModelData, 236> models{gVehicleModelData};
    TestRows<InfantryData, 6> infantry{gInfantryData};
    TestRows<WeaponData, 5> weapons{gWeaponData};
    TestRows<SmallArmsData, kSmallArmsCount> arms{gSmallArmsData};
    Rows() {
        // The twelve own models, a general-model number and the far-tank class.
        const int32_t numbers[kTypes] = {28, 84, 86, 105, 120, 154, 186, 199, 203, 211, 233, 234, 60, 141};
        for (int i = 0; i < kTypes; ++i) {
            vehicles[i].mModel = numbers[i];
            vehicles[i].mTargetSize = 4.0f;
            vehicles[i].mGunReach = 1;
            vehicles[i].mTurretKind = 0;
        }
        for (auto& m : models)
            m.mSize[0] = 6.0f, m.mSize[1] = 3.0f, m.mSize[2] = 2.5f;
        // Row 0 riflemen; rows 1-4 the crews of the four gun models; row 5 a mortar.
        for (auto& r : infantry) {
            r.mHeavyWeapon = kWeaponNone;
            r.mNrTeams = 1;
            r.mNrMen = r.mTeamMen[0] = 4;
        }
        const OrdnanceModel guns[4] = {21, 13, 6, 36};
        for (int i = 0; i < 4; ++i) {
            weapons[i].mClass = kWClassGun;
            weapons[i].mOrdnanceModel = guns[i];
            weapons[i].mModelScale = 1.0f;
            infantry[1 + i].mHeavyWeapon = i;
            infantry[1 + i].mTeamAnimGroup[0] = 10;
        }
        weapons[4].mClass = kWClassMortar;
        weapons[4].mCalibre = 81.0f;
        infantry[5].mHeavyWeapon = 4;
        infantry[5].mTeamAnimGroup[0] = 9;
    }
};

// Part colours: running gear dark, hull and turret in two greys or olives.
struct Paint {
    std::vector<std::unique_ptr<rtest::TestPicture>> pictures;
    GGraphic* set[2][17];
    Paint() {
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < 17; ++k) {
                const uint32_t base = side ? Argb(118, 122, 116) : Argb(102, 112, 60);
                const uint32_t shade = static_cast<uint32_t>((k * 37) % 40);
                pictures.push_back(rtest::MakePicture(8, 8, [=](int x, int y) {
                    if (k == 0) return (y % 4 == 0) ? Argb(30, 30, 30) : Argb(58, 56, 52);
                    const uint32_t r = ((base >> 16) & 255) + shade - 20,
                                   g = ((base >> 8) & 255) + shade - 20, b = (base & 255) + shade / 2 - 10;
                    return (x == 0 || y == 0) ? Argb(r * 3 / 4, g * 3 / 4, b * 3 / 4) : Argb(r, g, b);
                }));
                set[side][k] = pictures.back()->AsGraphic();
            }
    }
};

Vehicle* Place(dscene::Scene& scene, const Paint& paint, int32_t type, float x, float y, float heading,
               int side) {
    auto* v = new Vehicle;
    v->mSubtype = type;
    v->mX = x, v->mY = y;
    v->mHeading = heading;
    v->mActive = true;
    v->mSide = 1; // the viewer's own: fully identified
    v->mTurretBearing = static_cast<float>((type * 23) % 60 - 30);
    for (int l = 0; l < 4; ++l)
        for (int k = 0; k < 17; ++k)
            v->mTextureSets[l][k] = paint.set[side][k];
    scene.battle.mUnits->Add(v);
    return v;
}

// A man in field grey or olive: torso, sides, helmet, legs, arms.
struct Cloth {
    std::vector<std::unique_ptr<rtest::TestPicture>> pictures;
    GGraphic* set[2][7];
    Cloth() {
        const uint32_t colours[2][7] = {{0, Argb(96, 104, 92), Argb(86, 94, 84), Argb(70, 74, 66),
                                         Argb(80, 86, 78), Argb(96, 104, 92), Argb(96, 104, 92)},
                                        {0, Argb(120, 110, 70), Argb(110, 100, 64), Argb(90, 96, 60),
                                         Argb(104, 96, 66), Argb(120, 110, 70), Argb(120, 110, 70)}};
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < 7; ++k) {
                const uint32_t c = colours[side][k];
                pictures.push_back(rtest::MakePicture(4, 4, [c](int, int) { return c; }));
                set[side][k] = pictures.back()->AsGraphic();
            }
    }
};

Infantry* Man(dscene::Scene& scene, const Cloth& cloth, float x, float y, float heading, int side,
              float stride) {
    auto* u = new Infantry;
    u->mX = x, u->mY = y;
    u->mHeading = heading;
    u->mActive = true;
    u->mSide = 1;
    u->mFigurePos[2][0] = stride, u->mFigurePos[4][0] = -stride; // hips
    u->mFigurePos[3][0] = 20.0f, u->mFigurePos[5][0] = 10.0f;    // knees
    u->mFigurePos[9][0] = -40.0f, u->mFigurePos[13][0] = -70.0f; // elbows
    u->mFigurePos[11][0] = 30.0f;
    for (int k = 0; k < 7; ++k)
        u->mTextureSets[0][k] = cloth.set[side][k];
    scene.battle.mUnits->Add(u);
    return u;
}

// A gun or mortar with its crew, of infantry row `row`.
Infantry* Gun(dscene::Scene& scene, const Cloth& cloth, int32_t row, float x, float y, float heading) {
    Infantry* u = Man(scene, cloth, x, y, heading, 0, 0.0f);
    u->mSubtype = row;
    return u;
}

// Shells, explosions, sparks and a flame impact a third through their lives
// at the playback slice, around (x, y).
void Effects(dscene::Scene& scene, float x, float y) {
    Battle& b = scene.battle;
    const int32_t now = 2000;
    b.mPlayNow = now;
    auto place = [&](Ephemeral* e, int32_t duration, float ex, float ey) {
        e->mDuration = duration;
        e->mStart = now - duration / 3;
        e->mX = ex, e->mY = ey;
        e->mZ = scene.map->GetZCoord(ex, ey);
        b.mEffects.Add(e);
    };
    for (int i = 0; i < 4; ++i) {
        auto* shell = new ShellGraphic;
        shell->mLook = static_cast<int16_t>(i % 2 ? 1 : 20);
        shell->mHeavyShell = shell->mLook < 20;
        shell->mTargetX = x - 40.0f + 25.0f * i, shell->mTargetY = y + 400.0f;
        place(shell, 120, x - 30.0f + 20.0f * i, y + 20.0f);
    }
    for (int i = 0; i < 5; ++i) {
        auto* blast = new ExplosionGraphic;
        place(blast, 80, x - 50.0f + 25.0f * i, y + 110.0f + 30.0f * (i % 3));
        blast->mBlast = 25.0f + 5.0f * i;
        blast->CreateShards();
    }
    auto* sparks = new SparkGraphic;
    place(sparks, 40, x + 20.0f, y + 70.0f);
    sparks->CreateSparks(5.0e7f, 200.0f);
    auto* flame = new FlameImpactGraphic;
    flame->mLarge = true;
    place(flame, 60, x - 25.0f, y + 80.0f);
}

void Grab(rtest::Fixture& r, std::vector<uint16_t>& out, int32_t w, int32_t h, int32_t row) {
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            out[static_cast<size_t>(y + row * h) * w + x] = r.host.At(x, y);
}

void Save(const char* name, const char* docsName, std::vector<uint16_t>& pixels, int32_t w, int32_t h) {
    PixelTarget16 image{pixels.data(), w, h, w};
    EXPECT_TRUE(SavePng16(name, image));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(SavePng16((std::string(src) + "/docs/" + docsName).c_str(), image));
    }
}

// Pixels that differ from a render without the units.
int32_t Changed(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
    int32_t n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

} // namespace

TEST(UnitPictures, EveryVehicleModelSideBySideAndABattleNearAndFar) {
    const int32_t w = 480, h = 320;
    DrawFixture f(true, w, h);
    gDrawHooks.makeTexture = Picture;
    Rows rows;
    Paint paint;
    Cloth cloth;
    dscene::Scene scene;
    f.settings.mScreenWidth = w;
    scene.map->SetScreenWidth(w);
    gDrawRecorder = nullptr;
    scene.map->MakeTextures(false);

    auto render = [&](float x, float y, float heading, int32_t level) {
        scene.Aim(x, y, heading, level);
        f.renderer->r->RenderBegin(nullptr);
        scene.map->DrawMap();
        f.renderer->r->RenderEnd();
        EXPECT_EQ(g3D->GetMatrixDepth(), 0);
        EXPECT_TRUE(f.renderer->host.BorderIntact());
    };

    // Two rows of models across the view, looking north from the south.
    const float cx = 1000.0f, cy = 560.0f;
    std::vector<uint16_t> empty(static_cast<size_t>(w) * h * 2), sheet(empty.size());
    render(cx, cy, 90.0f, 1);
    Grab(*f.renderer, empty, w, h, 0);
    for (int i = 0; i < 12; ++i) {
        const float x = cx - 17.5f + 7.0f * (i % 6) + (i / 6) * 2.0f, y = cy + 16.0f + 11.0f * (i / 6);
        Place(scene, paint, i, x, y, 200.0f + 10.0f * (i % 3), i % 2);
    }
    render(cx, cy, 90.0f, 1);
    Grab(*f.renderer, sheet, w, h, 0);
    for (int i = 0; i < 8; ++i)
        Man(scene, cloth, cx - 9.0f + 2.5f * i, cy + 9.0f + (i % 3) * 1.5f, 70.0f + 15.0f * i, i % 2,
            (i % 2 ? 25.0f : -25.0f));
    render(cx, cy - 4.0f, 90.0f, 0);
    Grab(*f.renderer, sheet, w, h, 1);
    EXPECT_GT(Changed(empty, sheet), w * h / 20);
    Save("vehicle_models.png", "vehicle-models.png", sheet, w, h * 2);

    // The battle: a column of every model and fallback spread up a valley,
    // seen low from behind and from high above.
    for (int i = 0; i < 60; ++i) {
        const float a = 0.11f * i;
        Place(scene, paint, i % Rows::kTypes, cx + 60.0f * std::sin(a) + (i % 4) * 8.0f,
              cy + 90.0f + 12.0f * i, 90.0f + 20.0f * std::sin(a), (i / 3) % 2);
    }
    for (int i = 0; i < 40; ++i)
        Man(scene, cloth, cx - 30.0f + 3.0f * (i % 20), cy + 60.0f + 40.0f * (i / 20) + (i % 3) * 4.0f, 90.0f,
            (i / 5) % 2, (i % 2 ? 20.0f : -20.0f));
    for (int i = 0; i < 6; ++i)
        Gun(scene, cloth, 1 + i % 5, cx - 24.0f + 9.0f * i, cy + 45.0f + 3.0f * (i % 2), 80.0f + 8.0f * i);
    Effects(scene, cx, cy);
    std::vector<uint16_t> battle(static_cast<size_t>(w) * h * 2);
    render(cx - 20.0f, cy + 20.0f, 80.0f, 1);
    Grab(*f.renderer, battle, w, h, 0);
    render(cx, cy + 300.0f, 90.0f, 5);
    Grab(*f.renderer, battle, w, h, 1);
    // docs/battle-scene.png is the whole program's frame (tests/app): this one is the units' own.
    Save("battle_scene.png", "battle-units.png", battle, w, h * 2);
    scene.map->DeleteTextures();
}

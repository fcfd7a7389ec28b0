// What the battlefield shows a player up close and from the highest camera:
// hatten's snowfields, its casemate and each kind of its field works told
// apart at close range; from ausbruch's level 9 no unit drawn past the map's
// edge and a smoke cloud that is round, not a square. Run by
// scripts/xvfb-play; skipped elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "engine/GDrawRecord.h"
#include "engine/GGroup.h"
#include "map/Map.h"
#include "play_through_driver.h"
#include "units/Unit.h"

namespace {

// The battlefield drawn afresh (a still scene draws on the pointer's move),
// after any change of camera level has run its course.
void Redraw(PlayDriver& d) {
    static int32_t nudge = 0;
    gBattle->mMap->DirtyClip();
    d.Move(d.Width() / 2, d.Height() / 3 + (++nudge & 1));
    d.Run(500);
    RecordFrame();
}

// The camera at `level`, `back` metres south of (x, y) and looking north, and
// a frame drawn with it.
void View(PlayDriver& d, int32_t level, float x, float y, float back) {
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    d.App()->JumpCameraToLevel(level);
    map->mLockedUnit = nullptr;
    map->mCameraX[side] = x;
    map->mCameraY[side] = y - back;
    map->mCameraHeading[side] = 1.5707964f;
    Redraw(d);
}

Unit* OwnObject(int32_t kind) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInanimate && u->mSubtype == kind && u->IsOwnUnit(kAllies)) return u;
    }
    return nullptr;
}

struct Mean {
    double r = 0, g = 0, b = 0;
};
Mean MeanColour(const std::vector<uint16_t>& pixels) {
    Mean m;
    for (uint16_t p : pixels)
        m.r += (p >> 11) << 3, m.g += ((p >> 5) & 63) << 2, m.b += (p & 31) << 3;
    const double n = pixels.empty() ? 1.0 : static_cast<double>(pixels.size());
    m.r /= n, m.g /= n, m.b /= n;
    return m;
}

} // namespace

// hatten as the Allies in the set-up, as its briefing has it: the fields lie
// under snow, the casemate is a block of concrete, and each kind of field
// work looks its own at close range (the same object drawn as each kind in
// turn, the snowfall off so that only the object changes the pixels): two
// kinds differ in more pixels than a small pennant covers.
TEST(PlayThrough, HattenFortificationsAtCloseRange) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hatten-works", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, "Hatten im Schnee", false));
    ASSERT_TRUE(ScreensToBattle(d, kAllies, 114, ""));
    ASSERT_TRUE(gBattle->mSetupPhase);
    const int8_t weather = app->mPrefs[kPrefWeather];
    app->mPrefs[kPrefWeather] = 0;

    // The southern wheat field from 60 m: snow, not summer grain.
    View(d, 3, 390.0f, 200.0f, 60.0f);
    d.Shot("snowfield");
    int32_t fx = 0, fy = 0;
    ASSERT_TRUE(d.GroundOnScreen(390.0f, 200.0f, &fx, &fy));
    const Mean field = MeanColour(GrabPixels({fx - 40, fy - 10, fx + 40, fy + 10}));
    std::printf("[hatten] the field's mean colour: %.0f %.0f %.0f\n", field.r, field.g, field.b);
    EXPECT_GT(field.b, 0.85 * field.r) << "the field is yellow on the snow map";
    EXPECT_GT(field.r, 150.0) << "the field is not snow-white";

    // The casemate, its front from the west.
    Unit* casemate = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !casemate; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mSubtype == 400) casemate = u;
    }
    ASSERT_NE(casemate, nullptr);
    {
        Map* map = gBattle->mMap;
        const int32_t side = map->ViewingSide();
        d.App()->JumpCameraToLevel(1);
        map->mLockedUnit = nullptr;
        map->mCameraX[side] = casemate->mX - 30.0f;
        map->mCameraY[side] = casemate->mY;
        map->mCameraHeading[side] = 0.0f;
        Redraw(d);
        d.Shot("casemate");
    }

    // The anti-tank mines' object drawn as each kind of field work in turn.
    Unit* object = OwnObject(kInanimateATMines);
    ASSERT_NE(object, nullptr);
    View(d, 1, object->mX, object->mY, 30.0f);
    int32_t ox = 0, oy = 0;
    ASSERT_TRUE(d.GroundOnScreen(object->mX, object->mY, &ox, &oy));
    const LongRect box{std::max(ox - 200, 0), std::max(oy - 150, 0), std::min(ox + 200, d.Width()),
                       std::min(oy + 60, d.Height() - 90)};
    const InanimateType own = object->mSubtype;
    object->mOffMapState = 1; // not drawn
    Redraw(d);
    const std::vector<uint16_t> empty = GrabPixels(box);
    object->mOffMapState = 0;
    const char* const names[] = {"roadblock", "trench",   "wire",       "reference",
                                 "ap-mines",  "at-mines", "daisy-chain"};
    std::vector<std::vector<uint16_t>> looks;
    for (InanimateType kind = kInanimateRoadblock; kind <= kInanimateDaisyChain; ++kind) {
        object->mSubtype = kind;
        Redraw(d);
        d.Shot(std::string("work-") + names[kind]);
        looks.push_back(GrabPixels(box));
        const int32_t shown = PixelsChanged(looks.back(), empty);
        std::printf("[hatten] %s: %d pixels\n", names[kind], shown);
        EXPECT_GE(shown, 100) << names[kind] << " is hardly drawn";
        for (InanimateType other = kInanimateRoadblock; other < kind; ++other) {
            const int32_t apart = PixelsChanged(looks[kind], looks[other]);
            EXPECT_GE(apart, 300) << names[kind] << " looks like " << names[other] << " (" << apart << ")";
        }
    }
    object->mSubtype = own;
    app->mPrefs[kPrefWeather] = weather;
    Redraw(d);
    d.CheckNoBeep("hatten's field works");
}

// ausbruch as the Axis from camera level 9: the units drawn there (the frame
// with them against the frame without) change no pixel beyond the map's edge,
// and a smoke pot's cloud at the map's middle is round and shaded, not a flat
// square.
TEST(PlayThrough, AusbruchFromLevelNine) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("ausbruch-level9", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    ASSERT_TRUE(OpenListed(d, "Ausbruch bei Chambois", false));
    ASSERT_TRUE(ScreensToBattle(d, kAxis, 114, ""));
    Map* map = gBattle->mMap;
    const float w = map->mWidthMetres, h = map->mHeightMetres;
    View(d, 8, 0.5f * w, 0.5f * h, 0.0f);
    d.Shot("level9");
    // The map's rectangle on the screen.
    int32_t left = d.Width(), top = d.Height(), right = 0, bottom = 0;
    for (float x : {0.0f, w})
        for (float y : {0.0f, h}) {
            int32_t sx = 0, sy = 0;
            ASSERT_TRUE(WorldOnScreen(d, x, y, map->GetZCoord(std::min(x, w - 0.1f), std::min(y, h - 0.1f)),
                                      &sx, &sy));
            left = std::min(left, sx), right = std::max(right, sx), top = std::min(top, sy),
            bottom = std::max(bottom, sy);
        }
    const LongRect view{0, 0, d.Width(), d.Height() - 90};
    const std::vector<uint16_t> with = GrabPixels(view);
    std::vector<Unit*> hidden;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mOffMapState == 0) u->mOffMapState = 1, hidden.push_back(u);
    }
    Redraw(d);
    const std::vector<uint16_t> without = GrabPixels(view);
    for (Unit* u : hidden)
        u->mOffMapState = 0;
    int32_t inside = 0, outside = 0;
    for (int32_t y = view.top; y < view.bottom; ++y)
        for (int32_t x = view.left; x < view.right; ++x) {
            const size_t i = static_cast<size_t>(y) * view.right + x;
            if (with[i] == without[i]) continue;
            const bool in = x >= left - 1 && x <= right + 1 && y >= top - 1 && y <= bottom + 1;
            (in ? inside : outside) += 1;
        }
    std::printf("[ausbruch] level 9: the units change %d pixels on the map, %d beyond it\n", inside, outside);
    EXPECT_GT(inside, 0) << "no unit drawn at level 9";
    EXPECT_EQ(outside, 0) << "a unit drawn past the map's edge";

    // A smoke pot's cloud, 30 m across, in the map's middle.
    Redraw(d);
    int32_t cx = 0, cy = 0;
    ASSERT_TRUE(WorldOnScreen(d, 0.5f * w, 0.5f * h, map->GetZCoord(0.5f * w, 0.5f * h), &cx, &cy));
    const LongRect around{cx - 40, cy - 40, cx + 40, cy + 40};
    const std::vector<uint16_t> clear = GrabPixels(around);
    auto* cloud = new SmokeShell;
    cloud->mX = 0.5f * w, cloud->mY = 0.5f * h;
    cloud->mStartTime = 0, cloud->mDuration = 1000000;
    cloud->mRadius = 30.0f;
    cloud->mKind = 1;
    map->mSmokeShells->Add(cloud);
    Redraw(d);
    d.Shot("smoke-level9");
    const std::vector<uint16_t> smoke = GrabPixels(around);
    map->mSmokeShells->Delete(cloud, true);
    int32_t x0 = 80, y0 = 80, x1 = -1, y1 = -1;
    std::set<uint16_t> shades;
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 80; ++x)
            if (smoke[y * 80 + x] != clear[y * 80 + x]) {
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                shades.insert(smoke[y * 80 + x]);
            }
    ASSERT_GE(x1, x0 + 4) << "no smoke at level 9";
    // The corners of the cloud's box keep the ground; its middle is smoke.
    int32_t corner = 0, corners = 0, middle = 0, middles = 0;
    const int32_t bw = x1 - x0 + 1, bh = y1 - y0 + 1;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) {
            const bool changed = smoke[y * 80 + x] != clear[y * 80 + x];
            const float fx = (x - x0 + 0.5f) / bw, fy = (y - y0 + 0.5f) / bh;
            if ((fx < 0.2f || fx > 0.8f) && (fy < 0.2f || fy > 0.8f)) corners += 1, corner += changed;
            if (fx > 0.35f && fx < 0.65f && fy > 0.35f && fy < 0.65f) middles += 1, middle += changed;
        }
    std::printf("[ausbruch] smoke at level 9: %d x %d pixels, corners %d/%d, middle %d/%d, %zu shades\n", bw,
                bh, corner, corners, middle, middles, shades.size());
    EXPECT_LT(corner * 3, corners) << "the cloud fills its square";
    EXPECT_GT(middle * 2, middles) << "the cloud's middle is clear";
    EXPECT_GE(shades.size(), 4u) << "the cloud is one flat colour";
    d.CheckNoBeep("ausbruch at level 9");
}

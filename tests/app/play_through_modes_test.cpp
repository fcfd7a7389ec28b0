// The play-through's other modes: an e-mail game handed over each way, the
// demo operation from its list into its second battle, and the winter
// battle's set-up and first replay. Run by scripts/xvfb-play; skipped elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/FrontEndModals.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/ScenarioTextView.h"
#include "app/WeatherText.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GDrawRecord.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include "play_through_driver.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHecken = "Hecken bei Saint-L";

// The battlefield drawn afresh: a still scene draws on the pointer's move.
void Redraw(PlayDriver& d) {
    static int32_t nudge = 0;
    gBattle->mMap->DirtyClip();
    d.Move(d.Width() / 2, d.Height() / 3 + (++nudge & 1));
    d.Run(300);
}

// The camera at level over the ground dist metres south of (x, y), looking north.
void LookNorthAt(PlayDriver& d, int32_t level, float x, float y, float dist) {
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    d.App()->JumpCameraToLevel(level);
    map->mCameraX[side] = x;
    map->mCameraY[side] = y - dist;
    map->mCameraHeading[side] = 1.5707964f;
    map->mLockedUnit = nullptr;
    Redraw(d);
}

// The map view's mean brightness from level 3 over its middle.
double MapBrightnessFromTheMiddle(PlayDriver& d) {
    LookNorthAt(d, 3, gBattle->mMap->mWidthMetres * 0.5f, gBattle->mMap->mHeightMetres * 0.3f, 0.0f);
    LongRect r;
    gBattle->mMap->mView->GetGlobalBounds(&r);
    return MeanBrightness(r);
}

// The pixels of a box above a ground point on the screen (its figure or
// pennant), for a comparison of two frames; empty when it is off the view.
std::vector<uint16_t> BoxAbove(PlayDriver& d, float x, float y, LongRect* box) {
    int32_t sx = 0, sy = 0;
    if (!d.GroundOnScreen(x, y, &sx, &sy)) return {};
    *box = {sx - 30, sy - 60, sx + 30, sy + 10};
    const PixelTarget16 back = gKernel->GetBackBuffer();
    std::vector<uint16_t> pixels;
    for (int32_t py = box->top; py < box->bottom; ++py)
        for (int32_t px = box->left; px < box->right; ++px)
            pixels.push_back(px >= 0 && py >= 0 && px < back.width && py < back.height ? back.Row(py)[px]
                                                                                       : 0);
    return pixels;
}

int32_t Differing(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
    int32_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        n += a[i] != b[i];
    return n;
}

// An own fixed object of that kind, or null.
Unit* OwnObject(int32_t kind, int32_t side) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u && u->mActive && u->mUnitType == kUnitInanimate && u->mSubtype == kind && u->IsOwnUnit(side))
            return u;
    }
    return nullptr;
}

} // namespace

// Hecken by e-mail: the Axis player's set-up goes to the Allied player as a
// file of the mail folder, and his set-up comes back the same way; then the
// first turn's orders each way, the second file bringing the turn's replay.
TEST(PlayThrough, EmailTurnEachWay) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("email", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, kHecken, false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 116, "achse"));
    EXPECT_EQ(app->mConnectionType, 1);
    EXPECT_EQ(app->ViewingSide(), kAxis);
    d.Shot("mail-axis-setup");
    SendMailTurn(d, "zug1", true, true);
    if (HasFatalFailure()) return;
    OpenMailTurn(d, "zug1", 1, "alliierte", true);
    if (HasFatalFailure()) return;
    // The Allied player sets up in turn: the set-up's title shows.
    d.Shot("mail-allies-opened");
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_NE(FindText(RecordFrame(), "AUFSTELLUNG"), nullptr) << "the Allies' set-up title";
    SendMailTurn(d, "zug2", true, true);
    if (HasFatalFailure()) return;
    OpenMailTurn(d, "zug2", 0, "achse", true);
    if (HasFatalFailure()) return;
    // Back with the Axis player: both set up, the first turn's orders.
    d.Shot("mail-axis-opened");
    EXPECT_FALSE(gBattle->mSetupPhase);
    EXPECT_EQ(gBattle->mTurn, 1);
    EXPECT_EQ(FindText(RecordFrame(), "AUFSTELLUNG"), nullptr) << "no set-up title in the first turn";
    d.CheckGoShown("the Axis player's first orders");
    // A turn each way: the Axis orders go over, the Allied GO computes the
    // turn, and its file brings the Axis player the turn's replay.
    SendMailTurn(d, "zug3", true, true);
    if (HasFatalFailure()) return;
    OpenMailTurn(d, "zug3", 1, "alliierte", true);
    if (HasFatalFailure()) return;
    SendMailTurn(d, "zug4", true, true);
    if (HasFatalFailure()) return;
    OpenMailTurn(d, "zug4", 0, "achse", true);
    if (HasFatalFailure()) return;
    EXPECT_GT(gBattle->mPackets.GetCount(), 0) << "the turn's packets in its file";
    ASSERT_EQ(app->InteractionState(), kStatePlayback) << "the Axis player's replay of the turn";
    // A replay read from a file waits, held, for the player's play button.
    EXPECT_TRUE(gBattle->mPlaybackPaused);
    int32_t px = 0, py = 0;
    PlayDriver::CentreOf(app->mBattleScreen.mPlayPause, &px, &py);
    d.Click(px, py);
    const int32_t from = gBattle->mPlayNow;
    d.Run(1000);
    d.Shot("mail-axis-replay");
    EXPECT_GT(gBattle->mPlayNow, from) << "the replay runs";
}

// The demo operation from the list, as the Axis against the computer: its
// first battle falls at night and the player rests it (box 16's yes); the
// result screen says the operation goes on; the second battle, in the
// morning light, is set up and played to its first replay.
TEST(PlayThrough, OperationRestsTheNightIntoItsSecondBattle) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("operation", 800, 600);
    fs::copy_file(fs::current_path() / "Szenarien" / "mortain.mvh",
                  fs::path(d.Folder()) / "Szenarien" / "mortain.mvh");
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, "Gegenangriff bei Mortain", true));
    // The sides screen's handicap: 50 % more for the Axis, chosen from its
    // list, is written in its box and fields more Axis units.
    int32_t axisUnits = 0;
    auto countAxis = [] {
        int32_t n = 0;
        for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i)
            n += gBattle->mUnits->GetUnit(i)->IsOwnUnit(kAxis);
        return n;
    };
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, "", [&] {
        GView* popup = app->mHandicapPopup;
        if (axisUnits > 0 || !popup || !gKernel->IsViewAlive(popup)) return;
        axisUnits = countAxis();
        int32_t x = 0, y = 0;
        PlayDriver::CentreOf(popup, &x, &y);
        d.Click(x, y);
        GString63 item;
        item.IStringRez(342 + 8); // -50: the Axis favoured
        const ScreenDrawItem* line = FindText(RecordFrame(), item.GetCString());
        d.Shot("handicap-list");
        ASSERT_NE(line, nullptr) << "the handicap list";
        d.Click((line->mRect.left + line->mRect.right) / 2, (line->mRect.top + line->mRect.bottom) / 2);
        LongRect box;
        popup->GetGlobalBounds(&box);
        const ScreenDrawItem* shown = FindText(RecordFrame(), item.GetCString());
        EXPECT_TRUE(shown && shown->mRect.top >= box.top && shown->mRect.bottom <= box.bottom + 4)
            << "the chosen handicap in its box";
    }));
    EXPECT_GT(axisUnits, 0) << "no handicap offered";
    EXPECT_GT(countAxis(), axisUnits) << "the handicap fielded no more Axis units";
    // The battle screen tells the player of it in a box.
    ASSERT_TRUE(
        d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 3000, "the handicap's box"));
    d.Shot("handicap-notice");
    EXPECT_NE(FindText(RecordFrame(), "Spielgleichgewicht: Achse +50%"), nullptr) << "the handicap's box";
    ASSERT_TRUE(d.ClickCommand(101));
    ASSERT_NE(gCampaign, nullptr);
    EXPECT_EQ(gCampaign->mTurn, 1);
    EXPECT_EQ(gBattle->mTimeOfDay, kNight);
    const double night = MapBrightnessFromTheMiddle(d);
    d.Shot("battle1-night-setup");
    EXPECT_NE(FindText(RecordFrame(), "Nacht"), nullptr) << "the panel's time of day";
    ASSERT_TRUE(GoAndWait(d, "the night's set-up"));
    ASSERT_EQ(app->InteractionState(), kStateConfirm) << "no question about the night";
    d.Shot("night-question");
    EXPECT_NE(FindText(RecordFrame(), "Die Nacht bricht herein."), nullptr) << "box 16's text";
    ASSERT_TRUE(d.ClickCommand(18)); // yes: rest until morning
    ASSERT_TRUE(
        d.RunUntil([] { return gBattle && gBattle->mResultView && gBattle->mResultView->IsVisible(); }, 5000,
                   "battle 1's result"));
    d.Run(200);
    d.Shot("battle1-result");
    const ScreenDrawLog result = RecordFrame();
    EXPECT_NE(FindText(result, "Die Operation geht weiter."), nullptr);
    EXPECT_NE(FindText(result, "Es verbleiben noch 2 Gefechte."), nullptr);
    ASSERT_TRUE(d.ClickCommand(120));
    ASSERT_TRUE(d.RunUntil([] { return gCampaign && gCampaign->mTurn == 2 && gBattle; }, 20000, "battle 2"));
    d.Run(200);
    d.Shot("battle2-briefing");
    // Headed with the battle's number; one page: its arrows keep it.
    {
        auto firstLine = [&] {
            for (const ScreenDrawItem& i : RecordFrame().mItems)
                for (const GView* v = i.mOwner; i.mKind == 't' && v; v = v->GetParent())
                    if (v == app->mScenarioText) return i.mText;
            return std::string();
        };
        ASSERT_TRUE(app->mScenarioText && ShownCommand({84})) << "no briefing with its arrows";
        const std::string top = firstLine();
        d.ClickCommand(84);
        const std::string down = firstLine();
        d.Shot("battle2-briefing-down");
        d.ClickCommand(83);
        EXPECT_EQ(top, "Gefechts #2 von 3") << "the briefing's heading";
        EXPECT_EQ(down, top) << "a briefing of one page stays on it";
        EXPECT_EQ(firstLine(), top) << "a briefing of one page stays on it";
    }
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    EXPECT_EQ(gBattle->mTimeOfDay, kMorning);
    const double morning = MapBrightnessFromTheMiddle(d);
    d.Shot("battle2-morning-setup");
    EXPECT_NE(FindText(RecordFrame(), "Morgens"), nullptr) << "the panel's time of day";
    std::printf("[operation] the map's mean brightness: %.1f at night, %.1f in the morning\n", night,
                morning);
    EXPECT_GT(morning, night * 1.2) << "battle 2's morning looks like battle 1's night";
    // The second battle fields the Axis tanks: one seen from the closest camera.
    CheckLockedVehicleAtLevelZero(d);
    ASSERT_TRUE(GoAndWait(d, "battle 2's set-up"));
    ASSERT_TRUE(GoAndWait(d, "battle 2's first turn"));
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    const int32_t from = gBattle->mPlayNow;
    d.Run(1000);
    d.Shot("battle2-replay");
    EXPECT_GT(gBattle->mPlayNow, from) << "the replay runs";
    EXPECT_TRUE(app->mBattleScreen.mPlayPause && app->mBattleScreen.mPlayPause->IsVisible())
        << "the replay bar";
}

// Hatten, the winter battle, as the Allies: their own pennants (the red
// target reference point, the orange anti-tank mines) stand over the snow in
// the set-up, the landmarks' names are written in yellow, and in the first
// replay the snowfall shows against the sky (the frame with the player's
// weather setting off lacks its flakes). Then, as the Axis of a copy whose
// grenadiers are mountain troops, a squad's skis are drawn.
TEST(PlayThrough, HattenInTheSnow) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hatten", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, "Hatten im Schnee", false));
    ASSERT_TRUE(ScreensToBattle(d, 1, 114, ""));
    ASSERT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gBattle->mWeather, 6);
    // The pointer over the panel's weather box writes its four lines there;
    // moved away, they go.
    {
        GView* weather = gBattle->mInfoPanel->GetWeatherText();
        ASSERT_NE(weather, nullptr);
        LongRect box;
        weather->GetGlobalBounds(&box);
        auto linesIn = [&] {
            int32_t n = 0;
            for (const ScreenDrawItem& i : RecordFrame().mItems)
                n += i.mKind == 't' && i.mOwner == weather;
            return n;
        };
        d.Move((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        d.Run(100);
        d.Shot("weather-lines");
        EXPECT_EQ(linesIn(), 4) << "the weather lines under the pointer";
        d.Move(d.Width() / 2, d.Height() / 3);
        d.Run(100);
        EXPECT_EQ(linesIn(), 0) << "the weather lines after the pointer left";
    }
    const struct {
        int32_t kind;
        const char* what;
        bool (*looks)(int, int, int);
    } kPennants[] = {
        {kInanimateTargetReference, "reference point",
         [](int r, int g, int b) { return r > 150 && g < 70 && b < 70; }},
        {kInanimateATMines, "anti-tank mines",
         [](int r, int g, int b) { return r > 170 && g > 40 && g < 130 && b < 60; }},
    };
    for (const auto& p : kPennants) {
        Unit* object = OwnObject(p.kind, kAllies);
        ASSERT_NE(object, nullptr) << p.what;
        LookNorthAt(d, 2, object->mX, object->mY, 40.0f);
        d.Shot(std::string("pennant-") + p.what);
        // Its colour's pixels above it (the set-up zone's red border runs
        // 10 m west of the reference point: some 80 pixels off).
        LongRect box;
        const std::vector<uint16_t> pixels = BoxAbove(d, object->mX, object->mY, &box);
        ASSERT_FALSE(pixels.empty()) << p.what << " off the view";
        int32_t n = 0;
        for (uint16_t px : pixels)
            n += p.looks((px >> 11) << 3, ((px >> 5) & 63) << 2, (px & 31) << 3);
        std::printf("[hatten] %s pennant: %d pixels of its colour\n", p.what, n);
        EXPECT_GE(n, 4) << "no pennant over the " << p.what;
    }
    // A player moves his wire in the set-up: a click on it, the orders menu
    // held open on it, the set-up move and a point 12 m east; the pennant
    // then stands there.
    {
        Unit* wire = OwnObject(kInanimateWire, kAllies);
        ASSERT_NE(wire, nullptr);
        LookNorthAt(d, 2, wire->mX + 6.0f, wire->mY, 40.0f);
        int32_t x = 0, y = 0, tx = 0, ty = 0;
        ASSERT_TRUE(d.GroundOnScreen(wire->mX, wire->mY, &x, &y));
        ASSERT_TRUE(d.GroundOnScreen(wire->mX + 12.0f, wire->mY, &tx, &ty));
        LongRect box;
        const std::vector<uint16_t> before = BoxAbove(d, wire->mX + 12.0f, wire->mY, &box);
        d.Click(x, y - 4);
        ASSERT_EQ(gBattle->mSelectedUnit, wire) << "a click on the wire selects it";
        d.Hold(x, y - 4, 600);
        ASSERT_TRUE(gBattle->mMap->mOpenMenu) << "no orders menu on the wire";
        d.Shot("wire-menu");
        MenuButton* move = gBattle->mMap->mOpenMenu->FindButton(57);
        ASSERT_NE(move, nullptr) << "no set-up move for the wire";
        int32_t bx = 0, by = 0;
        PlayDriver::CentreOf(move, &bx, &by);
        d.Click(bx, by);
        ASSERT_EQ(app->InteractionState(), kStateSetupPick57);
        const float oldX = wire->mX;
        d.Move(tx, ty);
        d.Run(100);
        d.Click(tx, ty);
        if (app->InteractionState() == kStateSetupPick59) d.Click(tx, ty - 40); // facing
        EXPECT_EQ(app->InteractionState(), kStateNone);
        EXPECT_NEAR(wire->mX, oldX + 12.0f, 2.0f) << "the wire did not move";
        gBattle->SetSelectedUnit(nullptr);
        Redraw(d);
        d.Shot("wire-moved");
        EXPECT_GE(Differing(before, BoxAbove(d, oldX + 12.0f, wire->mY, &box)), 10)
            << "no pennant where the wire went";
        d.CheckNoBeep("the wire's set-up move");
    }
    // The landmarks from above the village.
    LookNorthAt(d, 4, 640.0f, 400.0f, 200.0f);
    d.Shot("landmarks");
    const ScreenDrawLog texts = RecordFrame();
    for (const char* name : {"Hatten", "Kasematt Esch"}) {
        const ScreenDrawItem* t = FindText(texts, name);
        ASSERT_NE(t, nullptr) << "landmark " << name << " not written";
        EXPECT_GT(PixelsNear(t->mRect, 255, 255, 0, 8), 8) << "landmark " << name << " not yellow";
    }
    ASSERT_TRUE(GoAndWait(d, "hatten's set-up"));
    ASSERT_TRUE(GoAndWait(d, "hatten's first turn"));
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    const int32_t from = gBattle->mPlayNow;
    d.Run(1000);
    EXPECT_GT(gBattle->mPlayNow, from) << "the replay runs";
    // The snowfall against the sky at level 1, the replay paused.
    int32_t px = 0, py = 0;
    PlayDriver::CentreOf(app->mBattleScreen.mPlayPause, &px, &py);
    d.Click(px, py);
    LookNorthAt(d, 1, 500.0f, 300.0f, 0.0f);
    d.Shot("snowfall");
    LongRect sky;
    gBattle->mMap->mView->GetGlobalBounds(&sky);
    // The sky: the rows above the first one of snow-white ground.
    for (int32_t y = sky.top; y < sky.bottom; ++y)
        if (MeanBrightness({sky.left, y, sky.right, y + 1}) > 200.0) {
            sky.bottom = y - 2;
            break;
        }
    ASSERT_GT(sky.Height(), 10) << "no sky at level 1";
    const int32_t flakes = PixelsNear(sky, 255, 255, 255, 24);
    const int8_t weather = app->mPrefs[kPrefWeather];
    app->mPrefs[kPrefWeather] = 0;
    Redraw(d);
    const int32_t without = PixelsNear(sky, 255, 255, 255, 24);
    app->mPrefs[kPrefWeather] = weather;
    std::printf("[hatten] near-white pixels of the sky: %d with the snowfall, %d without\n", flakes, without);
    EXPECT_GT(flakes, without + 20) << "no snowfall against the sky";
    // Out to the menu, and in again as the Axis with skis.
    d.Key('a', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the leave box"));
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([] { return gBattle == nullptr; }, 5000, "the battle left"));
    std::ifstream in(std::string(DM_SCENARIO_SOURCE_DIR) + "/hatten.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string grenadiers = "force axis 0 hardened";
    ASSERT_NE(text.find(grenadiers), std::string::npos);
    text.replace(text.find(grenadiers), grenadiers.size(), "force axis 3 hardened");
    std::ofstream(d.Folder() + "/hatten-ski.txt", std::ios::binary) << text;
    ScenarioFault fault;
    ASSERT_TRUE(
        BuildScenarioFile(d.Folder() + "/hatten-ski.txt", d.Folder() + "/Szenarien/hatten.mvg", &fault));
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    ASSERT_TRUE(OpenListed(d, "Hatten im Schnee", false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    Unit* skier = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !skier; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->IsOwnUnit(kAxis) && static_cast<Infantry*>(u)->mOnSkis)
            skier = u;
    }
    ASSERT_NE(skier, nullptr) << "no mountain infantry on skis";
    auto* infantry = static_cast<Infantry*>(skier);
    LookNorthAt(d, 1, skier->mX, skier->mY, 12.0f);
    d.Shot("skis");
    LongRect box;
    const std::vector<uint16_t> on = BoxAbove(d, skier->mX, skier->mY, &box);
    infantry->mOnSkis = false;
    Redraw(d);
    const std::vector<uint16_t> off = BoxAbove(d, skier->mX, skier->mY, &box);
    infantry->mOnSkis = true;
    ASSERT_FALSE(on.empty()) << "the squad is off the view";
    std::printf("[hatten] %d pixels differ with the skis\n", Differing(on, off));
    EXPECT_GE(Differing(on, off), 10) << "no skis drawn";
}

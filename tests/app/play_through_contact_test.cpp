// A tank in contact, played by one player in a real X window: in bruecke's
// set-up a German assault gun digs in (drawn sunk into the ground), the
// warning labels are switched on and Alt-F tried for foxholes. Then
// the same battle two turns on, played and saved by the game's runner, is
// opened: an American squad is in sight, the tank is ordered to fire at it,
// answers the gun-use question and takes the next target. Run by
// scripts/xvfb-play.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "play_through_driver.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kHoldMs = 450; // the kernel's hold comes after 400 ms
constexpr Affiliation kPlayer = kAxis;
constexpr int32_t kPanzer = 17; // StuG III G, with its free machine gun

void ClickView(PlayDriver& d, GView* view) {
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(view, &x, &y);
    d.Click(x, y);
}

// The camera over the unit and a click on its figure; the point that
// selected it.
bool SelectOnScreen(PlayDriver& d, Unit* u, int32_t* x, int32_t* y) {
    LookAtPoint(d, 2, u->mX, u->mY - 30.0f);
    int32_t gx = 0, gy = 0;
    if (!d.UnitOnScreen(u, &gx, &gy)) return false;
    for (int32_t dy = 0; dy >= -28; dy -= 4)
        for (int32_t dx : {0, -5, 5}) {
            d.Click(gx + dx, gy + dy);
            if (gBattle->mSelectedUnit == u && gBattle->mMap->mPickedUnit == u) {
                *x = gx + dx;
                *y = gy + dy;
                return true;
            }
        }
    return false;
}

// The orders menu held open on the selected unit, and its order pressed.
bool ChooseOrder(PlayDriver& d, int32_t x, int32_t y, int32_t order) {
    d.Hold(x, y, kHoldMs);
    PlayerMenu* menu = gBattle->mMap->mOpenMenu;
    MenuButton* b = menu ? menu->FindButton(order) : nullptr;
    if (!b) {
        ADD_FAILURE() << "no order " << order << " in the held menu";
        return false;
    }
    ClickView(d, b);
    return true;
}

// The pixels of a box about a point on the ground, drawn afresh.
std::vector<uint16_t> AroundGround(PlayDriver& d, float x, float y, int32_t half) {
    int32_t sx = 0, sy = 0;
    if (!d.GroundOnScreen(x, y, &sx, &sy)) return {};
    RecordFrame();
    return GrabPixels(LongRect{sx - half, sy - 2 * half, sx + half, sy + half / 2});
}

// The German assault gun still fighting, its crew taking orders and its
// machine gun manned (without it no gun is asked for), nearest to the enemy
// unit.
Vehicle* ActivePanzer(Battle* battle, Unit* enemy) {
    Vehicle* best = nullptr;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType != kUnitVehicle || !u->IsOwnUnit(kPlayer) || u->mSubtype != kPanzer || !u->mActive ||
            !u->CanReceiveOrders() || !static_cast<Vehicle*>(u)->HasFunctioningMG(false))
            continue;
        // One that sees it first, then the nearest.
        const float d =
            std::hypot(u->mX - enemy->mX, u->mY - enemy->mY) + (u->CanSee(enemy, nullptr) ? 0.0f : 1e6f);
        if (!best || d < bestDistance) best = static_cast<Vehicle*>(u), bestDistance = d;
    }
    return best;
}

// An enemy squad the Germans see, out in the open and clear of vehicles (a
// click picks the building or the vehicle drawn over it), in the sight of an
// assault gun that takes orders.
Unit* SeenEnemySquad(Battle* battle) {
    UnitList* units = battle->mUnits;
    auto vehicleNear = [&](const Unit* s) {
        for (int32_t k = 0; k < units->GetCount(); ++k) {
            const Unit* v = units->GetUnit(k);
            if (v->mUnitType == kUnitVehicle && std::hypot(v->mX - s->mX, v->mY - s->mY) < 60.0f) return true;
        }
        return false;
    };
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        const int32_t ground = battle->mMap->GetTerrain(u->mX, u->mY, false);
        if (u->mUnitType == kUnitInfantry && u->mActive && !u->IsOwnUnit(kPlayer) && u->mContactLevel >= 3 &&
            (ground < 50 || ground > 54) && !vehicleNear(u)) {
            Vehicle* tank = ActivePanzer(battle, u);
            if (tank && tank->CanSee(u, nullptr)) return u;
        }
    }
    return nullptr;
}

} // namespace

TEST(PlayThrough, ContactTankDigsInAndChoosesItsGun) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("contact", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenDemoBattle(d, "bruecke", kPlayer, nullptr));
    ASSERT_TRUE(gBattle->mSetupPhase);
    Vehicle* tank = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !tank; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->IsOwnUnit(kPlayer) && u->mSubtype == kPanzer)
            tank = static_cast<Vehicle*>(u);
    }
    ASSERT_TRUE(tank) << "bruecke fields no assault gun";

    // Dug in, the tank sinks into the ground: its hull's place on the screen
    // shows ground; dug out again, the picture comes back.
    int32_t x = 0, y = 0;
    ASSERT_TRUE(SelectOnScreen(d, tank, &x, &y));
    const float z = tank->GetZ();
    const std::vector<uint16_t> standing = AroundGround(d, tank->mX, tank->mY, 24);
    ASSERT_FALSE(standing.empty());
    ASSERT_TRUE(ChooseOrder(d, x, y, 61));
    ASSERT_TRUE(tank->mDugIn);
    EXPECT_EQ(tank->GetZ(), z) << "digging in moved the tank's place for the rules";
    const std::vector<uint16_t> dug = AroundGround(d, tank->mX, tank->mY, 24);
    d.Shot("contact-dug-in");
    EXPECT_GT(PixelsChanged(standing, dug), 150) << "the dug-in tank is drawn as before";
    ASSERT_TRUE(ChooseOrder(d, x, y, 61));
    ASSERT_FALSE(tank->mDugIn);
    EXPECT_LT(PixelsChanged(standing, AroundGround(d, tank->mX, tank->mY, 24)), PixelsChanged(standing, dug) / 3)
        << "dug out, the tank is not drawn where it stood";

    // Shift-G switches the warning labels and says so.
    const bool labels = app->mPrefs[13] != 0;
    d.Key('G');
    EXPECT_NE(app->mPrefs[13] != 0, labels) << "Shift-G left the labels as they were";
    EXPECT_TRUE(FindTextHolding(RecordFrame(), RezText(299))) << "the map does not name the labels' switch";

    // Alt-F: the German defender may dig bruecke's six foxholes (the map
    // then takes clicks for them, no unit selected, and says how many are
    // left); again, and the mode ends.
    ASSERT_EQ(gBattle->mAttacker, kAllies);
    ASSERT_EQ(gBattle->mMap->mFoxholeAllowance, 6);
    d.Key('f', true);
    EXPECT_EQ(gBattle->mMap->mCraterPlacingStatus, 5);
    EXPECT_TRUE(FindTextHolding(RecordFrame(), RezText(2004))) << "the map does not say foxholes are being placed";
    d.Shot("contact-foxholes");
    d.Key('f', true);
    EXPECT_EQ(gBattle->mMap->mCraterPlacingStatus, 0);

    // The same battle played on by the game's runner (the Americans planned
    // by the computer) until an American squad is in the Germans' sight, and
    // saved. On some seeds the Shermans knock out both assault guns, or
    // wound the gunner at the free machine gun, before any squad comes in
    // sight: the next seed is played then. The battle left, the saved game
    // opened.
    const std::string saved = d.Folder() + "/Szenarien/bruecke-contact.mvg";
    bool inSight = false;
    for (uint16_t seed = 1; seed <= 12 && !inSight; ++seed) {
        BattleRunner runner;
        std::string error;
        runner.OverrideSeed(seed);
        ASSERT_TRUE(runner.Load(d.Folder() + "/Szenarien/bruecke.mvg", &error)) << error;
        for (int32_t turn = 0; turn < 10 && !inSight; ++turn) {
            RunnerTurn t;
            ASSERT_TRUE(runner.RunTurn(&t, &error)) << error;
            inSight = SeenEnemySquad(runner.GetBattle()) != nullptr;
        }
        if (inSight) {
            ASSERT_TRUE(runner.Save(saved, &error)) << error;
        }
    }
    ASSERT_TRUE(inSight) << "on no seed did an assault gun with its machine gun see an American squad";
    d.Key('a', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the leave box"));
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([] { return gBattle == nullptr; }, 5000, "the battle left"));
    auto* file = new GFile;
    ASSERT_TRUE(file->IFile(saved.c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    for (int i = 0; i < 8 && !BattleScreenShown(); ++i) {
        d.Run(100);
        if (const int32_t c = ShownCommand({85, 86, 89, 109 + kPlayer, 114, 111})) d.ClickCommand(c);
    }
    if (!BattleScreenShown()) d.Shot("contact-saved-game");
    ASSERT_TRUE(d.RunUntil(BattleScreenShown, 20000, "the saved game's battle screen"));
    Unit* squad = SeenEnemySquad(gBattle);
    ASSERT_TRUE(squad) << "no American squad in sight in turn " << gBattle->mTurn;
    tank = ActivePanzer(gBattle, squad);
    ASSERT_TRUE(tank);
    std::printf("[contact] turn %d: a squad in sight %.0f m from the tank\n", gBattle->mTurn,
                std::hypot(squad->mX - tank->mX, squad->mY - tank->mY));

    // The target order on the squad asks which gun: the menu is drawn over
    // the map and the answer "no" keeps the main gun silent. The figures
    // move, so a few points of the squad are tried.
    const LongRect map = [] {
        LongRect r;
        gBattle->mMap->mView->GetGlobalBounds(&r);
        return r;
    }();
    PlayerMenu* question = nullptr;
    std::vector<uint16_t> before;
    for (int32_t dy : {-4, -10, 0, -16, -22}) {
        ASSERT_TRUE(SelectOnScreen(d, tank, &x, &y));
        ASSERT_TRUE(ChooseOrder(d, x, y, 38));
        ASSERT_EQ(app->InteractionState(), kStatePickTarget);
        LookAtPoint(d, 2, squad->mX, squad->mY - 40.0f);
        int32_t sx = 0, sy = 0;
        ASSERT_TRUE(d.UnitOnScreen(squad, &sx, &sy));
        before = GrabPixels(map);
        d.Move(sx, sy + dy);
        d.Run(60);
        d.Click(sx, sy + dy);
        question = gBattle->mMap->mOpenMenu;
        if (question) break;
    }
    // The pick may take another squad of the group.
    ASSERT_TRUE(tank->mTarget && tank->mTarget->mUnitType == kUnitInfantry && !tank->mTarget->IsOwnUnit(kPlayer))
        << "no click made an American squad the tank's target";
    ASSERT_TRUE(question && question->FindButton(52)) << "no gun-use question";
    RecordFrame();
    EXPECT_GT(PixelsChanged(before, GrabPixels(map)), 1000) << "the question is not drawn";
    d.Shot("contact-gun-question");
    ClickView(d, question->FindButton(52));
    EXPECT_FALSE(tank->mUseMainGun) << "answered no, the main gun still fires";
    EXPECT_EQ(gBattle->mMap->mOpenMenu, nullptr);

    // The next target: the tank's target moves on to another it would fire
    // at, its target line with it; with none such the order beeps and the
    // target stays.
    const Unit* first = tank->mTarget;
    ASSERT_TRUE(SelectOnScreen(d, tank, &x, &y));
    RecordFrame();
    const std::vector<uint16_t> aimed = GrabPixels(map);
    const int32_t beeps = gKernel->GetBeepCount();
    ASSERT_TRUE(ChooseOrder(d, x, y, 39));
    ASSERT_TRUE(tank->mTarget);
    std::printf("[contact] next target: %s\n", tank->mTarget != first ? "another" : "none other");
    if (tank->mTarget != first) {
        RecordFrame();
        EXPECT_GT(PixelsChanged(aimed, GrabPixels(map)), 200) << "the target line did not move";
    } else {
        EXPECT_GT(gKernel->GetBeepCount(), beeps) << "no other target, and no refusal beep";
    }
    d.AllowBeeps();
    d.Shot("contact-next-target");
    d.CheckGoShown("after the next target");
}

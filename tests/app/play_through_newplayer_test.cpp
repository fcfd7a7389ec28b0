// What a new player meets between the battles: the operation's night rested
// into its result, an e-mail turn whose replay both players watch in turn,
// the second hotseat player's replay, and the scenario list's delete button;
// hatten's trench after the set-up, the START spot while a replay runs, and
// what the second hotseat player sees of the first one's set-up.
// Run by scripts/xvfb-play; skipped elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/FrontEndModals.h"
#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GDrawRecord.h"
#include "engine/GEditView.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include "platform/Surface16.h"
#include "play_through_driver.h"
#include "trench_ditch.h"
#include "units/Inanimate.h"
#include "units/Unit.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kHecken = "Hecken bei Saint-L";
constexpr int32_t kGo = 9, kNextTurn = 10, kForward = 14;

// The playback clock as the screen writes it.
std::string ClockShown() {
    TimerView* timer = TheApp()->mBattleScreen.mTimer;
    for (const ScreenDrawItem& i : RecordFrame().mItems)
        if (i.mKind == 't' && i.mOwner == timer) return i.mText;
    return "";
}

bool MailBoxShown() {
    return dynamic_cast<PBEMModal*>(gKernel->GetTopModal()) != nullptr;
}

// A replay that waits held at its start: paused, at slice 0, "0:00" on its
// clock; its play button then starts it.
void CheckHeldAtStart(PlayDriver& d, const std::string& who) {
    MVApplication* app = d.App();
    ASSERT_EQ(app->InteractionState(), kStatePlayback) << who;
    d.Run(600);
    EXPECT_TRUE(gBattle->mPlaybackPaused) << who;
    EXPECT_LE(gBattle->mPlayNow, 0) << who;
    EXPECT_EQ(ClockShown(), "0:00") << who;
    d.Shot("held-" + who);
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(app->mBattleScreen.mPlayPause, &x, &y);
    d.Click(x, y);
    d.Run(800);
    EXPECT_GT(gBattle->mPlayNow, 0) << who << ": the play button starts it";
}

// The replay run to its end; the clock stands at the last second.
void PlayToTheEnd(PlayDriver& d, const std::string& who) {
    for (int i = 0; i < 40 && !gBattle->AtEndOfPlayback(); ++i)
        if (!d.ClickCommand(kForward)) break;
    ASSERT_TRUE(d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 30000, "the end of the replay"));
    d.Run(300);
    EXPECT_EQ(ClockShown(), "0:60") << who;
}

} // namespace

// Mortain as the Axis against the computer: the first battle falls at night
// and the player rests (box 16's yes). The result screen grades the battle
// with the operation's judgement, shows no figure where nothing was lost,
// and writes each line inside the area painted for it.
TEST(PlayThrough, NightRestIsGradedAsTheOperationJudges) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("night-rest", 800, 600);
    fs::copy_file(fs::current_path() / "Szenarien" / "mortain.mvh",
                  fs::path(d.Folder()) / "Szenarien" / "mortain.mvh");
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, "Gegenangriff bei Mortain", true));
    // The general briefing carries no badge; the panel's top is no dark box.
    ASSERT_TRUE(d.RunUntil([] { return ShownCommand({85}) != 0; }, 5000, "the general briefing"));
    {
        const ScreenDrawLog log = RecordFrame();
        const ScreenDrawItem* panel = nullptr;
        bool badge = false;
        for (const ScreenDrawItem& i : log.mItems) {
            if (i.mKind == 'b' && i.mPicture == 11150) panel = &i;
            badge = badge || (i.mKind == 'b' && i.mPicture == 11152);
        }
        d.Shot("general-briefing");
        ASSERT_NE(panel, nullptr);
        EXPECT_FALSE(badge);
        const LongRect top{panel->mRect.left + 5, panel->mRect.top + 5, panel->mRect.left + 135,
                           panel->mRect.top + 135};
        const LongRect below{panel->mRect.left + 5, panel->mRect.top + 250, panel->mRect.left + 135,
                             panel->mRect.top + 300};
        EXPECT_GT(MeanBrightness(top), 0.8 * MeanBrightness(below)) << "a dark box at the panel's top";
    }
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    while (app->InteractionState() == kStateConfirm && ShownCommand({101}))
        d.ClickCommand(101); // a notice (the handicap)
    ASSERT_EQ(gBattle->mTimeOfDay, kNight);
    ASSERT_TRUE(GoAndWait(d, "the night's set-up"));
    ASSERT_EQ(app->InteractionState(), kStateConfirm) << "no question about the night";
    ASSERT_TRUE(d.ClickCommand(18)); // yes: rest until morning
    ASSERT_TRUE(
        d.RunUntil([] { return gBattle && gBattle->mResultView && gBattle->mResultView->IsVisible(); }, 5000,
                   "the result"));
    d.Run(200);
    d.Shot("night-rest-result");
    const ScreenDrawLog log = RecordFrame();
    LongRect view;
    gBattle->mResultView->GetGlobalBounds(&view);
    // The operation's judgement of the advance so far, from the Axis' side.
    const int32_t grade = std::clamp(gCampaign->ComputeVictor() + 4, 0, 8);
    std::printf("[night-rest] grade %d, front line %d\n", grade, gCampaign->mFrontLine);
    const ScreenDrawItem* judged = FindText(log, RezText(449) + RezText(440 + grade));
    EXPECT_NE(judged, nullptr) << "the grade the operation reckons";
    // Each line inside its area (the title's from y 42 to 64, the ending's
    // from 104 to 172, each framed 3 pixels deep).
    const ScreenDrawItem* title = FindTextHolding(log, "Gegenangriff bei Mortain");
    const ScreenDrawItem* goesOn = FindText(log, RezText(466));
    ASSERT_TRUE(title && goesOn && judged);
    EXPECT_GE(title->mRect.top, view.top + 45);
    EXPECT_LE(title->mRect.bottom, view.top + 61);
    EXPECT_GE(goesOn->mRect.top, view.top + 107);
    EXPECT_LE(judged->mRect.bottom, view.top + 169);
    // Nothing lost: every cell of the figures stays empty.
    for (const ScreenDrawItem& i : log.mItems) {
        if (i.mKind == 't' && i.mOwner == gBattle->mResultView) {
            EXPECT_LT(i.mRect.top, view.top + 190) << "a figure " << i.mText << " where nothing was lost";
        }
    }
}

// Hecken by e-mail into its first replay: the player who opens the computed
// turn watches it held at 0:00, and his START only sends the file on; the
// other player then watches the same replay, held at 0:00 too, and gives
// the next orders first, which his GO sends back.
TEST(PlayThrough, EmailReplayIsWatchedByBothBeforeTheNextOrders) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("email-replays", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, kHecken, false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 116, "achse"));
    const char* password[2] = {"achse", "alliierte"};
    int32_t side = 0;
    // Both set-ups, then the first turn's orders each way; the second GO
    // computes the turn.
    for (int32_t hand = 1; hand <= 4; ++hand) {
        SendMailTurn(d, "zug" + std::to_string(hand), true, false);
        if (HasFatalFailure()) return;
        side = 1 - side;
        OpenMailTurn(d, "zug" + std::to_string(hand), side, password[side], false);
        if (HasFatalFailure()) return;
    }
    ASSERT_GT(gBattle->mPackets.GetCount(), 0) << "the computed turn's file";
    const int32_t first = side;
    CheckHeldAtStart(d, "first-viewer");
    PlayToTheEnd(d, "first-viewer");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    d.Run(300);
    EXPECT_TRUE(MailBoxShown()) << "the first viewer's START sends the file on";
    EXPECT_EQ(gBattle ? gBattle->mTurn : 0, 1) << "no orders in between";
    SendMailTurn(d, "zug5", false, false);
    if (HasFatalFailure()) return;
    side = 1 - side;
    OpenMailTurn(d, "zug5", side, password[side], false);
    if (HasFatalFailure()) return;
    CheckHeldAtStart(d, "second-viewer");
    PlayToTheEnd(d, "second-viewer");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateNone && gBattle->mTurn == 2; },
                           10000, "the second turn's orders"));
    d.Shot("second-viewer-orders");
    EXPECT_FALSE(MailBoxShown());
    d.CheckGoShown("the second viewer's orders");
    std::printf("[email-replays] side %d watched first and sent on, side %d gives the orders\n", first, side);
    SendMailTurn(d, "zug6", true, false);
}

// Hecken in hotseat: the player whose GO computes the first turn watches it
// run at once; his START hands over, and after the other player's password
// (a wrong one first: refused, the field emptied, the way back to the menu
// offered) that player's replay waits held at 0:00.
TEST(PlayThrough, HotseatSecondReplayWaitsAtItsStart) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("hotseat-replays", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, kHecken, false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 115, "achse"));
    const char* password[2] = {"achse", "alliierte"};
    // Each player's GO and the hand-overs until the first turn plays back.
    const uint32_t start = ClockTime();
    while (app->InteractionState() != kStatePlayback && ClockTime() - start < 60000 && !HasFailure()) {
        d.AllowBeeps();
        if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField) &&
            app->mPasswordField->IsVisible()) {
            d.Type(password[app->mSide == 1 ? 1 : 0]);
            d.Key(kKeyReturn);
            d.Run(200);
        } else if (int32_t c = ShownCommand({85, 86, 87, 89})) {
            d.ClickCommand(c);
        } else if (app->InteractionState() == kStateNone && ShownCommand({kGo})) {
            d.ClickCommand(kGo);
            d.Run(300);
        } else {
            d.Run(100);
        }
    }
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    const int32_t computer = app->ViewingSide();
    const int32_t from = gBattle->mPlayNow;
    d.Run(1000);
    EXPECT_FALSE(gBattle->mPlaybackPaused);
    EXPECT_GT(gBattle->mPlayNow, from) << "the computing player's replay runs";
    PlayToTheEnd(d, "hotseat-first");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(d.ClickCommand(kNextTurn));
    ASSERT_TRUE(d.RunUntil([&] { return app->mPasswordField && app->mPasswordField->IsVisible(); }, 10000,
                           "the other player's password"));
    EXPECT_EQ(app->mSide, 1 - computer);
    d.AllowBeeps();
    d.Type("falsch");
    d.Key(kKeyReturn);
    d.Run(300);
    d.Shot("wrong-password");
    EXPECT_GT(gKernel->GetBeepCount(), d.BeepBase()) << "a refusal beep";
    auto* field = dynamic_cast<GEditView*>(app->mPasswordField);
    GString255 typed;
    if (field) field->CaptureString(&typed);
    EXPECT_TRUE(field && typed.GetLength() == 0) << "the field emptied";
    EXPECT_TRUE(app->mPasswordField && app->mPasswordField->IsVisible()) << "the screen stays";
    EXPECT_NE(ShownCommand({99}), 0) << "the way back to the menu";
    d.AllowBeeps();
    ASSERT_TRUE(ScreensToBattle(d, 1 - computer, 115, password[1 - computer]));
    EXPECT_EQ(app->ViewingSide(), 1 - computer);
    CheckHeldAtStart(d, "hotseat-second");
}

// The scenario list's delete button removes the selected save at once, as
// the list's rules have it, and selects the line before it.
TEST(PlayThrough, DeleteRemovesTheSelectedSaveAtOnce) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("delete-save", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    // A battle begun and its set-up ended leaves its auto-save.
    ASSERT_TRUE(OpenListed(d, kHecken, false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    ASSERT_TRUE(GoAndWait(d, "the set-up"));
    d.Key('a', true); // leave the scenario: box 17
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([&] { return !gBattle && app->mMenuPicture; }, 5000, "the way out"));
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    ASSERT_TRUE(d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 3000, "the main menu"));
    ASSERT_TRUE(d.ClickCommand(67));
    ASSERT_TRUE(d.RunUntil([&] { return app->mScenarioList != nullptr; }, 5000, "the list"));
    ScenarioScroller* list = app->mScenarioList;
    int32_t saved = -1;
    for (int32_t i = 0; i < list->FileCount(0) && saved < 0; ++i)
        if (list->Snapshot(0, i) && list->Snapshot(0, i)->fromGame) saved = i;
    ASSERT_GE(saved, 0) << "no saved game listed";
    const int32_t files = list->FileCount(0);
    const int32_t line = saved + 1;
    LongRect r;
    list->GetGlobalBounds(&r);
    d.Click(r.left + 200, r.top + 62 + 24 * line + 12);
    ASSERT_EQ(list->mSelected[0], line);
    ASSERT_TRUE(list->mDeleteButton && list->mDeleteButton->IsVisible());
    d.Shot("save-selected");
    ASSERT_TRUE(d.ClickCommand(82));
    d.Run(300);
    d.Shot("save-deleted");
    EXPECT_EQ(gKernel->GetTopModal(), nullptr) << "the list asks nothing";
    EXPECT_NE(app->InteractionState(), kStateConfirm);
    EXPECT_EQ(list->FileCount(0), files - 1);
    EXPECT_TRUE(fs::is_empty(fs::path(d.Folder()) / SavegameFolder())) << "the file is gone";
    EXPECT_EQ(list->mSelected[0], line - 1);
    // The selection's yellow frame now stands around the line before.
    const std::vector<uint16_t> frame = GrabPixels(
        LongRect{r.left + 16, r.top + 62 + 24 * (line - 1), r.right - 19, r.top + 63 + 24 * (line - 1)});
    const uint16_t yellow = gKernel->MakeColor16(255, 255, 0);
    EXPECT_GT(std::count(frame.begin(), frame.end(), yellow), static_cast<long>(frame.size() / 2))
        << "the line before is framed";
}

// Hatten as the Axis: while the computer plans the Americans' set-up, its
// box says so over the undrawn map. Then the Axis player gives up: every
// man of his still on the map, the grenadiers and the tanks' crews, is
// written among the Axis' captured.
TEST(PlayThrough, GivingUpHandsTheWholeSideOver) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("give-up", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    ASSERT_TRUE(OpenListed(d, "Hatten im Schnee", false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    ScreenDrawLog planning;
    gScreenDrawLog = &planning;
    const bool planned = GoAndWait(d, "the set-up");
    gScreenDrawLog = nullptr;
    ASSERT_TRUE(planned);
    EXPECT_NE(FindText(planning, RezText(410)), nullptr) << "the computer's planning box";
    int32_t men = 0;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->GetAffiliation() != kAxis || !u->mActive || u->mOffMapState != 0) continue;
        if (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle)
            men += std::max(0, u->GetOriginalNrMen() - u->mCasualties);
    }
    ASSERT_TRUE(d.ClickCommand(103)); // give up: box 14
    ASSERT_TRUE(d.ClickCommand(104)); // yes
    ASSERT_TRUE(d.RunUntil([] { return gBattle->mResultView && gBattle->mResultView->IsVisible(); }, 5000,
                           "the result"));
    d.Run(200);
    d.Shot("gave-up");
    LongRect view;
    gBattle->mResultView->GetGlobalBounds(&view);
    std::string captured;
    for (const ScreenDrawItem& i : RecordFrame().mItems)
        if (i.mKind == 't' && i.mOwner == gBattle->mResultView &&
            std::abs(i.mRect.left - (view.left + 244)) < 20 && i.mRect.top <= view.top + 253 &&
            i.mRect.bottom >= view.top + 253)
            captured = i.mText;
    std::printf("[give-up] %d Axis men on the map\n", men);
    EXPECT_GT(men, 15);
    EXPECT_EQ(captured, std::to_string(men)) << "the Axis' captured";
}

namespace {

// The trench's dark ditch about a ground point, the camera 50 m south of it
// at level 3.
TrenchDitch DitchAt(PlayDriver& d, float x, float y) {
    LookAtPoint(d, 3, x, y - 50.0f);
    return TrenchDitchInFrame(gBattle->mMap, x, y);
}

// The share of a picture's pixels that the screen shows at the view's place.
float PictureShown(GGraphic* picture, GView* at) {
    Surface16* s = picture ? picture->GetSurface() : nullptr;
    LongRect r;
    at->GetGlobalBounds(&r);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    if (!s || s->Width() <= 0 || r.left + s->Width() > back.width || r.top + s->Height() > back.height)
        return 0.0f;
    int32_t same = 0;
    for (int32_t py = 0; py < s->Height(); ++py)
        for (int32_t px = 0; px < s->Width(); ++px)
            same += back.Row(r.top + py)[r.left + px] == s->Target().Row(py)[px];
    return static_cast<float>(same) / static_cast<float>(s->Width() * s->Height());
}

float StartShown() {
    ActionButton* start = TheApp()->mBattleScreen.mActionButton;
    RecordFrame();
    return std::max(PictureShown(start->mGraphics[0], start), PictureShown(start->mGraphics[1], start));
}

} // namespace

// Hatten as the Americans against the computer: their trench, a dark dug
// zig-zag while it is placed, lies in the ground the same way from the first
// turn on, and still after the game is saved and loaded again.
TEST(PlayThrough, HattensTrenchStaysDugAfterTheSetUp) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("trench", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, "Hatten im Schnee", false));
    ASSERT_TRUE(ScreensToBattle(d, 1, 114, ""));
    Unit* trench = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInanimate && u->mSubtype == kInanimateTrenches) trench = u;
    }
    ASSERT_TRUE(trench && trench->IsOwnUnit(app->ViewingSide()));
    const float x = trench->mX, y = trench->mY;
    const TrenchDitch placed = DitchAt(d, x, y);
    d.Shot("trench-setup");
    EXPECT_GT(placed.count, 60) << "the placed trench shows its dark ditch";
    ASSERT_TRUE(GoAndWait(d, "the set-up"));
    ASSERT_FALSE(gBattle->mSetupPhase);
    ExpectSameTrench(placed, DitchAt(d, x, y), "turn 1");
    d.Shot("trench-turn1");

    // Saved, left and loaded again.
    FileTestFolder folder("dm-trench-");
    const std::string saved = folder.File("graben.mvs");
    {
        GFile out;
        ASSERT_TRUE(out.IFile(saved.c_str(), kFileModeCompressedWrite));
        app->SaveGame(&out);
    }
    d.Key('a', true);
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStateConfirm; }, 2000, "the leave box"));
    ASSERT_TRUE(d.ClickCommand(99));
    ASSERT_TRUE(d.RunUntil([] { return gBattle == nullptr; }, 5000, "the battle left"));
    auto* in = new GFile;
    ASSERT_TRUE(in->IFile(saved.c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(in);
    for (int i = 0; i < 8 && !BattleScreenShown(); ++i) {
        d.Run(100);
        if (const int32_t c = ShownCommand({85, 86, 89, 109 + kAllies, 114, 111})) d.ClickCommand(c);
    }
    ASSERT_TRUE(d.RunUntil(BattleScreenShown, 20000, "the saved game's battle screen"));
    ExpectSameTrench(placed, DitchAt(d, x, y), "loaded");
    d.Shot("trench-loaded");
}

// Hecken against the computer: while turn 1 plays back nothing is drawn
// where START comes, and a click there leaves the replay running; at the
// end START blinks there and the same click opens turn 2.
TEST(PlayThrough, StartSpotActsOnlyOnceStartIsShown) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    PlayDriver d("start-spot", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(ToMainMenu(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(OpenListed(d, kHecken, false));
    ASSERT_TRUE(ScreensToBattle(d, 0, 114, ""));
    ASSERT_TRUE(GoAndWait(d, "the set-up"));
    ASSERT_TRUE(GoAndWait(d, "turn 1"));
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    d.Run(500);
    ActionButton* start = app->mBattleScreen.mActionButton;
    ASSERT_TRUE(start && start->IsVisible());
    ASSERT_FALSE(gBattle->AtEndOfPlayback());
    EXPECT_LT(StartShown(), 0.2f) << "START drawn while the replay runs";
    d.Shot("start-spot-running");
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(start, &x, &y);
    const int32_t at = gBattle->mPlayNow;
    d.Click(x, y);
    d.Run(500);
    EXPECT_EQ(gBattle->mTurn, 1);
    EXPECT_EQ(app->InteractionState(), kStatePlayback) << "a click where nothing is drawn ended the replay";
    EXPECT_GT(gBattle->mPlayNow, at) << "the replay stopped";
    PlayToTheEnd(d, "start-spot");
    if (HasFatalFailure()) return;
    bool shown = false;
    for (int i = 0; i < 100 && !shown; ++i) {
        d.Run(40);
        shown = StartShown() > 0.9f;
    }
    EXPECT_TRUE(shown) << "START does not blink at the end";
    d.Shot("start-spot-end");
    d.Click(x, y);
    ASSERT_TRUE(d.RunUntil([&] { return gBattle->mTurn == 2 && app->InteractionState() == kStateNone; },
                           10000, "turn 2 from START"));
}

// ---- Fog of war: nothing of an unseen enemy on the screen ------------------

namespace {

// The texts of a recorded frame, in the order drawn.
std::vector<std::string> Texts(const ScreenDrawLog& log) {
    std::vector<std::string> texts;
    for (const ScreenDrawItem& item : log.mItems)
        if (item.mKind == 't') texts.push_back(item.mText);
    return texts;
}

// The first enemy of the viewer of that kind on the map, as the viewer has
// it: unseen.
Unit* UnseenEnemy(MVApplication* app, UnitType kind) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mActive && u->mUnitType == kind && !u->IsOwnUnit(app->ViewingSide()) &&
            !u->IsPassenger(false) && u->mOffMapState == 0)
            return u;
    }
    return nullptr;
}

// At a near and a far camera the enemy's place looks as it does with the
// enemy taken off the map (and not when the enemy is made known: the check
// looks at the right place), and a click there picks nothing and writes the
// same texts as a click on the empty place.
void CheckUnseenEnemy(PlayDriver& d, UnitType kind, const std::string& run) {
    Unit* u = UnseenEnemy(d.App(), kind);
    ASSERT_NE(u, nullptr) << "no enemy of the kind";
    ASSERT_EQ(u->VisibleToPlayer(false), kContactNone);
    FogOfWarContact level = u->mContactLevel;
    u->mContactLevel = kContactHeard; // the name a heard unit has must not show
    GString255 heard;
    u->ConcatName(&heard, false);
    u->mContactLevel = level;
    const std::vector<int32_t> cameras = kind == kUnitVehicle ? std::vector{2, 6} : std::vector{1, 3};
    for (int32_t camera : cameras) {
        SCOPED_TRACE(camera);
        LookAtPoint(d, camera, u->mX, u->mY - 25.0f);
        int32_t sx = 0, sy = 0;
        ASSERT_TRUE(WorldOnScreen(d, u->mX, u->mY, u->GetZ(), &sx, &sy));
        const LongRect box{sx - 30, sy - 40, sx + 30, sy + 10};
        auto clickAt = [&] {
            gBattle->SetSelectedUnit(nullptr);
            d.Click(sx, sy - 6);
            d.Run(60);
            return RecordFrame();
        };
        const ScreenDrawLog clicked = clickAt();
        const std::vector<uint16_t> unseen = GrabPixels(box);
        EXPECT_NE(gBattle->mSelectedUnit, u) << "a click picks the unseen enemy";
        EXPECT_EQ(FindTextHolding(clicked, heard.GetCString()), nullptr) << "the unseen enemy is named";
        u->mOffMapState = 1; // taken off the map
        const ScreenDrawLog empty = clickAt();
        const std::vector<uint16_t> without = GrabPixels(box);
        u->mOffMapState = 0;
        u->mContactLevel = kContactFull;
        gBattle->SetSelectedUnit(nullptr);
        RecordFrame();
        const int32_t shows = PixelsChanged(GrabPixels(box), without);
        u->mContactLevel = level;
        const int32_t drawn = PixelsChanged(unseen, without);
        std::printf("[%s] level %d: %d pixels when known, %d unseen\n", run.c_str(), camera, shows, drawn);
        EXPECT_GT(shows, 8) << "the unit's place is not where the check looks";
        EXPECT_LT(drawn, 4) << "the unseen enemy is drawn";
        EXPECT_EQ(Texts(clicked), Texts(empty))
            << "a click on the unseen enemy writes what the empty place does";
        if (camera == 2) d.Shot(run + "-enemy-place");
    }
}

} // namespace

// Against the computer, at the set-up: bruecke's tanks in the east field and
// hecken's squads are not shown to the German player.
TEST(PlayThrough, OnePlayerSeesNothingOfTheUnseenEnemy) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    for (const auto& [file, kind] :
         {std::pair{"bruecke", kUnitVehicle}, std::pair{"hecken", kUnitInfantry}}) {
        SCOPED_TRACE(file);
        PlayDriver d(std::string("fog-") + file, 800, 600);
        ASSERT_TRUE(d.Start());
        ASSERT_TRUE(OpenDemoBattle(d, file, 0, nullptr));
        ASSERT_TRUE(gBattle->mSetupPhase);
        CheckUnseenEnemy(d, kind, std::string("fog-") + file);
    }
}

// In hotseat the Americans set up after the Germans: nothing of the German
// set-up shows to them, the assault guns in bruecke and the squads in hecken.
// The one spotting pass of the set-up's end gives the first contacts.
TEST(PlayThrough, HotseatSecondSetUpSeesNothingOfTheFirst) {
    if (!PlayThroughWanted()) GTEST_SKIP() << "needs DM_XVFB_PLAY=1 and X (scripts/xvfb-play)";
    for (const auto& [title, kind] : {std::pair{"Br", kUnitVehicle}, std::pair{kHecken, kUnitInfantry}}) {
        SCOPED_TRACE(title);
        PlayDriver d("hotseat-fog", 800, 600);
        ASSERT_TRUE(d.Start());
        ASSERT_TRUE(ToMainMenu(d));
        MVApplication* app = d.App();
        ASSERT_TRUE(OpenListed(d, title, false));
        ASSERT_TRUE(ScreensToBattle(d, 0, 115, "achse"));
        ASSERT_TRUE(d.ClickCommand(kGo));
        ASSERT_TRUE(ScreensToBattle(d, 1, 115, "alliierte"));
        ASSERT_TRUE(gBattle->mSetupPhase);
        ASSERT_EQ(app->ViewingSide(), kAllies);
        CheckUnseenEnemy(d, kind, "hotseat-fog");
        // The Americans' GO ends the set-up: one spotting pass for both sides.
        ASSERT_TRUE(d.ClickCommand(kGo));
        d.Run(500);
        EXPECT_FALSE(gBattle->mSetupPhase);
    }
}

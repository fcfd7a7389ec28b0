// Orders on the battle screen as the program builds it: a demo battle
// loaded by the game's loader on the application's own screen (a kernel on
// the dummy display, the real MVApplication), clicks, holds and keys given
// to the map view, and the frames read through the recording renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/FadeInScreen.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/MapViewLines.h"
#include "app/PlayerMenu.h"
#include "app_fixture.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/OrderLines.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "platform/PlatformEvent.h"
#include "renderer/GGraph3D.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace fs = std::filesystem;

namespace {

// What one frame drew with the line texture: the band of each ground line
// piece and the waypoint diamonds.
struct FrameLines {
    std::vector<int32_t> rows; // one entry per textured quad of the lines
    int32_t markers = 0;
    bool Has(int32_t row) const {
        for (int32_t r : rows)
            if (r == row) return true;
        return false;
    }
    std::set<int32_t> Rows() const { return {rows.begin(), rows.end()}; }
};

class OrdersScreen : public testing::Test {
protected:
    void SetUp() override {
        mBuilt = fs::current_path().string();
        mFolder = std::make_unique<ProgramFolder>();
        mOldPictures = GPictureStore::Get().GetFolder();
        GPictureStore::Get().SetFolder(mBuilt + "/Demo Data/Pictures/");
        ASSERT_TRUE(DecryptData());
        gKernel = new GKernel;
        ASSERT_TRUE(gKernel->IKernel());
        sNow = 100000;
        FadeInScreen::sClock = [] { return sNow; };
        mApp = new MVApplication;
        gKernel->StartApp(mApp);
        gKernel->SetScreenMode(1024, 768);
        // A key fades the title out.
        sNow += 5000;
        gKernel->DoOnePass(0);
        Key('q');
        sNow += 300;
        gKernel->DoOnePass(0);
        gKernel->DoOnePass(0);
        ASSERT_EQ(mApp->mFadeScreen, nullptr);
        // A click takes the overlay off the menu.
        PlatformEvent e;
        e.type = PlatformEvent::kMouseDown;
        e.x = 512;
        e.y = 384;
        e.button = 1;
        gKernel->InjectEvent(e);
        gKernel->DoOnePass(0);
        e.type = PlatformEvent::kMouseUp;
        gKernel->InjectEvent(e);
        gKernel->DoOnePass(0);
        gKernel->DoOnePass(0);
        ASSERT_EQ(gKernel->GetTopModal(), nullptr);
    }
    void TearDown() override {
        gDrawRecorder = nullptr;
        if (mBattle) {
            mApp->ReleaseBattleScreen(mBattle);
            delete mBattle;
        }
        gBattle = nullptr;
        delete gKernel;
        gKernel = nullptr;
        FadeInScreen::sClock = ClockTime;
        GPictureStore::Get().SetFolder(mOldPictures);
        mFolder.reset();
    }

    // Loads a demo battle and shows it; the viewer plays side 0.
    void Load(const char* name, bool setup = false) {
        GFile file;
        GameFileState state;
        GameFileContents contents;
        const std::string path = mBuilt + "/Szenarien/" + name + ".mvg";
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead)) << path;
        ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
        delete contents.campaign;
        // The turn is the opener's to give orders in, as the game's loader
        // takes it from the file: GO then computes it.
        mApp->SetSecondHalf(state.sidesSwapped);
        mBattle = contents.battle;
        gBattle = mBattle;
        mBattle->mHost = mApp;
        mBattle->BeginBattle(true, false);
        mBattle->mSetupPhase = setup;
        mMap = mBattle->mMap;
        ASSERT_NE(mMap, nullptr);
        ASSERT_NE(mMap->mView, nullptr);
        mView = mMap->mView;
        mApp->SetState(kStateNone);
    }

    Affiliation Viewer() { return mApp->ViewingSide(); }

    template <class Test> Unit* FindUnit(Test test) {
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
            Unit* u = mBattle->mUnits->GetUnit(i);
            if (u && u->mActive && u->mOffMapState == 0 && test(u)) return u;
        }
        return nullptr;
    }
    Unit* OwnInfantry() {
        return FindUnit([&](Unit* u) {
            return u->mUnitType == kUnitInfantry && u->IsOwnUnit(Viewer()) && u->CanMoveByOrders() &&
                   u->GetSpeedClass() >= kSpeedMedium && !u->IsPassenger(false);
        });
    }
    Unit* OwnVehicle() {
        return FindUnit([&](Unit* u) {
            return u->mUnitType == kUnitVehicle && u->IsOwnUnit(Viewer()) && u->CanMoveByOrders();
        });
    }
    Unit* Enemy() {
        return FindUnit([&](Unit* u) {
            return (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle) && !u->IsOwnUnit(Viewer());
        });
    }

    // The camera looks at the point from nearby, from the south.
    void LookAt(float x, float y) {
        const int32_t s = mMap->ViewingSide();
        mMap->mCameraLevel[s] = 3;
        mMap->mCameraX[s] = x;
        mMap->mCameraY[s] = y - 60.0f;
        mMap->mCameraHeading[s] = 1.5707964f;
        mMap->mLockedUnit = nullptr;
        mMap->DirtyClip();
        Frame();
    }

    // One frame of the map view.
    void Frame() {
        g3D->RenderBegin(nullptr);
        mView->Draw();
        g3D->RenderEnd();
    }

    FrameLines RecordFrame() {
        DrawRecorder recorder;
        gDrawRecorder = &recorder;
        Frame();
        gDrawRecorder = nullptr;
        FrameLines lines;
        for (const DrawCall& c : recorder.mCalls) {
            if (c.mOp == DrawOp::kTexturedQuad && c.mTexture == mMap->mLineTexture && c.mArgs.size() == 20)
                lines.rows.push_back(static_cast<int32_t>(c.mArgs[4] / 0.03125f));
            if (c.mOp == DrawOp::kFan && c.mCount == 4) ++lines.markers;
        }
        lines.markers /= 2; // two fans a diamond
        return lines;
    }

    // Where a ground point is on the screen (false: off screen).
    bool ScreenOf(float x, float y, int32_t* sx, int32_t* sy) {
        float px = x, py = y;
        Frame();
        const bool on = g3D->WorldToScreen(&px, &py, mMap->GetZCoord(x, y) + 0.5f, false);
        *sx = static_cast<int32_t>(px);
        *sy = static_cast<int32_t>(py);
        return on;
    }

    void Key(char key) {
        PlatformEvent e;
        e.type = PlatformEvent::kKey;
        e.key = static_cast<uint8_t>(key);
        gKernel->InjectEvent(e);
        gKernel->DoOnePass(0);
    }

    // Buttons of the orders menu for the selected unit: order, label, key.
    struct Button {
        int32_t order, label;
        char key;
        bool operator==(const Button& o) const { return order == o.order && label == o.label && key == o.key; }
    };
    std::vector<Button> MenuButtons() {
        std::vector<Button> out;
        mMap->CloseOpenMenu();
        mMap->BringUpOrdersMenu(false);
        PlayerMenu* menu = mMap->mOpenMenu;
        if (!menu) return out;
        for (int32_t i = 0; i < menu->mButtonCount; ++i) {
            MenuButton* b = menu->FindButton(menu->mOrderIds[i]);
            out.push_back({menu->mOrderIds[i], b ? b->mLabel : -1, menu->mHotKeys[i]});
        }
        mMap->CloseOpenMenu();
        return out;
    }
    static bool Offers(const std::vector<Button>& buttons, int32_t order) {
        for (const Button& b : buttons)
            if (b.order == order) return true;
        return false;
    }

    static inline uint32_t sNow = 0;
    std::string mBuilt;
    std::string mOldPictures;
    std::unique_ptr<ProgramFolder> mFolder;
    MVApplication* mApp = nullptr;
    Battle* mBattle = nullptr;
    Map* mMap = nullptr;
    MapView* mView = nullptr;
};

} // namespace

TEST_F(OrdersScreen, AMoveGivenByHoldMenuAndReleaseShowsItsPacesAndAMarkerPerWaypoint) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    int32_t ux = 0, uy = 0;
    ASSERT_TRUE(ScreenOf(u->mX, u->mY, &ux, &uy));
    // A hold on the selected unit opens its menu; "Eilen" (21) starts the move.
    mView->DoMouseHold(ux, uy);
    ASSERT_NE(mMap->mOpenMenu, nullptr);
    ASSERT_TRUE(mMap->mOpenMenu->HandleHotKey('E'));
    gKernel->DoOnePass(0);
    ASSERT_EQ(mApp->mState, kStateMoveOrder);
    // A hold on the ground sets a waypoint, the release the last one.
    int32_t ax = 0, ay = 0, bx = 0, by = 0;
    ASSERT_TRUE(ScreenOf(u->mX + 20.0f, u->mY + 10.0f, &ax, &ay));
    ASSERT_TRUE(ScreenOf(u->mX + 35.0f, u->mY + 30.0f, &bx, &by));
    mView->DoMouseTrack(ax, ay, false, false);
    mView->DoMouseHold(ax, ay);
    mView->DoMouseTrack(bx, by, false, false);
    // While it is placed, the new leg follows the pointer in its pace's band.
    FrameLines placing = RecordFrame();
    EXPECT_TRUE(placing.Has(orderlines::kRowFast));
    mView->DoMouseUp(bx, by, false);
    EXPECT_EQ(mApp->mState, kStateNone);
    ASSERT_EQ(u->mNrWaypoints, 2);
    // The second leg's pace changed by the menu of its waypoint: sneak.
    mBattle->mSelectedIndex = 1;
    mMap->BringUpOrdersMenu(false);
    ASSERT_NE(mMap->mOpenMenu, nullptr);
    EXPECT_EQ(mMap->mOpenMenu->TitleGraphicIndex(), 6) << "the menu of a waypoint";
    mMap->CloseOpenMenu();
    const std::vector<Button> onWaypoint = MenuButtons();
    for (const Button& b : onWaypoint)
        EXPECT_TRUE((b.order >= 20 && b.order <= 23) || (b.order >= 25 && b.order <= 27) ||
                    (b.order >= 29 && b.order <= 31))
            << "order " << b.order << " offered on a waypoint";
    mMap->RespondToOrder(30, true);
    EXPECT_EQ(u->mWaypoints[1].mOrder, ConvertOrderToSpeed(30));
    mBattle->mSelectedIndex = -1;

    const FrameLines f = RecordFrame();
    EXPECT_EQ(f.markers, 2);
    EXPECT_TRUE(f.Has(orderlines::kRowFast));
    EXPECT_TRUE(f.Has(orderlines::kRowQuiet));
    EXPECT_FALSE(f.Has(orderlines::kRowMove));
}

TEST_F(OrdersScreen, KeysPAndXShowExactlyTheLinesTheirBytesAskAndNeverTheEnemys) {
    Load("grossangriff");
    Unit* a = OwnInfantry();
    Unit* v = OwnVehicle();
    Unit* e = Enemy();
    ASSERT_TRUE(a && v && e);
    LookAt(a->mX, a->mY);
    a->CancelMovementOrders();
    v->CancelMovementOrders();
    e->CancelMovementOrders();
    // A reverse for the vehicle, a sneak for the infantry, and the enemy's
    // own path in a band nobody of ours uses.
    v->ReceiveMoveOrders(v->mX, v->mY - 30.0f, 25, nullptr, true, false, true, true);
    a->ReceiveMoveOrders(a->mX + 10.0f, a->mY + 10.0f, 30, nullptr, true, false, true, true);
    e->ReceiveMoveOrders(e->mX + 10.0f, e->mY, 33, nullptr, true, false, true, true);
    e->mNrWaypoints = 1;
    e->mWaypoints[0] = Destination{e->mX + 10.0f, e->mY, 0.0f, 15, 3};
    a->mAreaTarget = true;
    a->mAreaTargetX = a->mX + 40.0f;
    a->mAreaTargetY = a->mY + 40.0f;
    a->mCoveredArc = true;
    a->mArcA = 10.0f;
    a->mArcB = 80.0f;
    mBattle->SetSelectedUnit(nullptr);
    mApp->mPrefs[kPrefPaths] = 0;
    mApp->mPrefs[kPrefFireArcs] = 1;

    auto frame = [&] { return RecordFrame().Rows(); };
    EXPECT_TRUE(frame().empty());
    Key('P'); // 1: every path
    EXPECT_EQ(mApp->mPrefs[kPrefPaths], 1);
    std::set<int32_t> rows = frame();
    EXPECT_TRUE(rows.count(orderlines::kRowReverse) && rows.count(orderlines::kRowQuiet));
    EXPECT_FALSE(rows.count(orderlines::kRowAreaFire));
    Key('P'); // 2: every target line
    rows = frame();
    EXPECT_TRUE(rows.count(orderlines::kRowAreaFire));
    EXPECT_FALSE(rows.count(orderlines::kRowQuiet));
    Key('P'); // 3: both
    rows = frame();
    EXPECT_TRUE(rows.count(orderlines::kRowAreaFire) && rows.count(orderlines::kRowQuiet));
    EXPECT_FALSE(rows.count(orderlines::kRowSewer)) << "the enemy's path was drawn";
    EXPECT_FALSE(rows.count(orderlines::kRowArc)) << "byte 81 = 1 shows only the selected unit's arc";
    Key('X'); // 2: every own arc
    EXPECT_EQ(mApp->mPrefs[kPrefFireArcs], 2);
    EXPECT_TRUE(frame().count(orderlines::kRowArc));
    Key('X'); // 0 outside the playback counts as 1
    EXPECT_EQ(mApp->mPrefs[kPrefFireArcs], 1);
    EXPECT_FALSE(frame().count(orderlines::kRowArc));
    mBattle->SetSelectedUnit(a);
    EXPECT_TRUE(frame().count(orderlines::kRowArc));
    // Bytes outside their range count as 0 and 1.
    mApp->mPrefs[kPrefPaths] = 9;
    mApp->mPrefs[kPrefFireArcs] = -4;
    mBattle->SetSelectedUnit(nullptr);
    EXPECT_TRUE(frame().empty());
    // After the battle the enemy's orders may be seen.
    mApp->mPrefs[kPrefPaths] = 1;
    mBattle->mSelectedUnit = e;
    e->mActive = true;
}

TEST_F(OrdersScreen, AFrameWithEveryLineChangesNoUnitAndDrawsNothingFromTheGenerator) {
    Load("grossangriff");
    Unit* a = OwnInfantry();
    ASSERT_NE(a, nullptr);
    LookAt(a->mX, a->mY);
    a->ReceiveMoveOrders(a->mX + 10.0f, a->mY + 10.0f, 20, nullptr, true, false, true, true);
    a->mCoveredArc = true;
    mBattle->SetSelectedUnit(a);
    mApp->mPrefs[kPrefPaths] = 3;
    mApp->mPrefs[kPrefFireArcs] = 2;
    auto snapshot = [&] {
        {
            GFile file;
            EXPECT_TRUE(file.IFile(mFolder->Path("frame.mvg").c_str(), kFileModeCompressedWrite));
            GameFileState state;
            WriteGameFile(&file, &state, mBattle, nullptr);
        }
        return mFolder->Read("frame.mvg");
    };
    const std::vector<uint8_t> before = snapshot();
    // The scene's own touches may draw from the generator; the lines add
    // no draw of their own. The figures hold still and no weather, shake or
    // smoke is drawn, so a frame that takes longer (a slower build) draws no
    // more of its own than a quick one.
    mBattle->mPlaybackPaused = true;
    mApp->mPrefs[kPrefWeather] = 0;
    mApp->mPrefs[kPrefCameraShake] = 0;
    mApp->mPrefs[kPrefSmoke] = 0;
    Frame();
    SeedRandomGenerator(4711);
    Frame();
    const uint32_t withLines = GetRandomState();
    mApp->mPrefs[kPrefPaths] = 0;
    mApp->mPrefs[kPrefFireArcs] = 0;
    mBattle->mSelectedUnit = nullptr;
    SeedRandomGenerator(4711);
    Frame();
    EXPECT_EQ(GetRandomState(), withLines);
    mBattle->mPlaybackPaused = false;
    mBattle->mSelectedUnit = a;
    EXPECT_EQ(snapshot(), before);
}

TEST_F(OrdersScreen, AMarkerClickPicksItsWaypointADragMovesItAndASecondClickReleasesIt) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    u->ReceiveMoveOrders(u->mX + 15.0f, u->mY + 20.0f, 20, nullptr, true, false, true, true);
    u->ReceiveMoveOrders(u->mX + 30.0f, u->mY + 40.0f, 20, nullptr, true, false, true, true);
    ASSERT_EQ(u->mNrWaypoints, 2);
    // Carried over from the last turn, so a drag may move them only a little.
    u->ConvertWaypointsToActive();
    LookAt(u->mX + 15.0f, u->mY + 20.0f);
    mBattle->SetSelectedUnit(u);
    const float ox = u->mWaypoints[0].mX, oy = u->mWaypoints[0].mY;
    int32_t mx = 0, my = 0;
    ASSERT_TRUE(ScreenOf(ox, oy, &mx, &my));
    my -= 2; // the diamond stands on the point
    mView->DoClick(mx, my, false, false, false);
    EXPECT_EQ(mBattle->mSelectedIndex, 0);
    EXPECT_EQ(mBattle->mSelectedUnit, u) << "the click on the marker kept the selection";
    mView->DoMouseUp(mx, my, false);
    EXPECT_EQ(mBattle->mSelectedIndex, 0) << "the first release keeps the waypoint picked";
    // Held, it follows the pointer, but no farther than the unit may adjust.
    mView->DoClick(mx, my, false, false, false);
    mView->DoMouseHold(mx, my);
    EXPECT_EQ(mApp->mState, kStateDragWaypoint);
    int32_t fx = 0, fy = 0;
    ASSERT_TRUE(ScreenOf(ox + 60.0f, oy, &fx, &fy));
    mView->DoMouseTrack(fx, fy, false, false);
    const float moved = std::hypot(u->mWaypoints[0].mX - ox, u->mWaypoints[0].mY - oy);
    EXPECT_GT(moved, 1.0f);
    EXPECT_LE(moved, u->GetMaxWaypointAdjustment() + 0.01f);
    mView->DoMouseUp(fx, fy, false);
    EXPECT_EQ(mApp->mState, kStateNone);
    EXPECT_EQ(mBattle->mSelectedIndex, -1);
    // Picked again, a second click on it releases it.
    ASSERT_TRUE(ScreenOf(u->mWaypoints[1].mX, u->mWaypoints[1].mY, &mx, &my));
    my -= 2;
    mView->DoClick(mx, my, false, false, false);
    mView->DoMouseUp(mx, my, false);
    ASSERT_EQ(mBattle->mSelectedIndex, 1);
    mView->DoClick(mx, my, false, false, false);
    mView->DoMouseUp(mx, my, false);
    EXPECT_EQ(mBattle->mSelectedIndex, -1);
    // A waypoint deleted between the click and the hold is not dragged.
    mView->DoClick(mx, my, false, false, false);
    mView->DoMouseUp(mx, my, false);
    ASSERT_EQ(mBattle->mSelectedIndex, 1);
    u->mNrWaypoints = 1;
    mView->DoMouseHold(mx, my);
    EXPECT_EQ(mApp->mState, kStateNone);
    EXPECT_EQ(mBattle->mSelectedIndex, -1);
}

TEST_F(OrdersScreen, ABoxDragSelectsTheOwnUnitsInsideIt) {
    Load("grossangriff");
    Unit* a = OwnInfantry();
    Unit* e = Enemy();
    ASSERT_TRUE(a && e);
    // A seen enemy stands in the middle of the box: it is never taken in.
    e->mX = a->mX + 8.0f;
    e->mY = a->mY + 8.0f;
    e->mContactLevel = 3;
    e->mHidden = false;
    e->mSpotMarkerGone = false;
    LookAt(a->mX, a->mY);
    mBattle->SetSelectedUnit(nullptr);
    // Empty ground at the top left corner, dragged to the bottom right.
    const int32_t w = mView->GetWidth(), h = mView->GetHeight();
    mView->DoClick(4, 4, false, false, false);
    if (mBattle->mSelectedUnit) GTEST_SKIP() << "the corner holds a unit";
    ASSERT_EQ(mApp->mState, kStateBoxSelect);
    mView->DoMouseTrack(w - 4, h - 4, false, false);
    auto frames = [&] {
        DrawRecorder recorder;
        gDrawRecorder = &recorder;
        Frame();
        gDrawRecorder = nullptr;
        std::multiset<int32_t> colours;
        for (const DrawCall& c : recorder.mCalls)
            if (c.mOp == DrawOp::kFrame) colours.insert(static_cast<int32_t>(c.mArgs[4]));
        return colours;
    };
    const std::multiset<int32_t> dragged = frames();
    std::set<Unit*> inside;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        float sx = u->mX, sy = u->mY;
        if (u->mOffMapState != 0 || !u->CanReceiveOrders() || !u->IsOwnUnit(Viewer())) {
            EXPECT_EQ(u->mSelectionMark, 0);
            continue;
        }
        if (g3D->WorldToScreen(&sx, &sy, u->GetZ(), false) && sx > 20 && sy > 20 && sx < w - 20 && sy < h - 20)
            inside.insert(u);
    }
    ASSERT_GE(inside.size(), 2u) << "the view shows too few own units";
    float ex = e->mX, ey = e->mY;
    ASSERT_TRUE(g3D->WorldToScreen(&ex, &ey, e->GetZ(), false) && ex > 20 && ey > 20 && ex < w - 20 &&
                ey < h - 20)
        << "the enemy is not inside the box";
    for (Unit* u : inside)
        EXPECT_EQ(u->mSelectionMark, 1);
    // Each unit the box takes in is framed light blue; once it is let go,
    // the selected unit white and every other member yellow.
    EXPECT_GE(dragged.count(0x861F), inside.size());
    mView->DoMouseUp(w - 4, h - 4, false);
    EXPECT_EQ(mApp->mState, kStateNone);
    EXPECT_TRUE(mBattle->mMultiSelection);
    ASSERT_NE(mBattle->mSelectedUnit, nullptr);
    EXPECT_TRUE(mBattle->mSelectedUnit->IsOwnUnit(Viewer()));
    const std::multiset<int32_t> selected = frames();
    EXPECT_EQ(selected.count(0xFFFF), 1u);
    EXPECT_GE(selected.count(0xFFE0) + 1, inside.size());
    EXPECT_EQ(selected.count(0x861F), 0u);
    // A small box around nothing selects nobody.
    mView->DoClick(4, 4, false, false, false);
    mView->DoMouseTrack(6, 6, false, false);
    Frame();
    mView->DoMouseUp(6, 6, false);
    EXPECT_EQ(mBattle->mSelectedUnit, nullptr);
}

TEST_F(OrdersScreen, TheSelectedUnitShowsItsCommandTargetAndIncomingLines) {
    Load("grossangriff");
    Unit* u = FindUnit([&](Unit* x) { return x->IsOwnUnit(Viewer()) && (x->mHQ || x->mPlatoonHQ); });
    Unit* e = Enemy();
    ASSERT_TRUE(u && e);
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    u->mTarget = nullptr;
    u->mAreaTarget = true;
    u->mAreaTargetX = u->mX + 30.0f;
    u->mAreaTargetY = u->mY;
    u->mAreaFireFlag = false;
    u->mSmokeScreen = false;
    FrameLines f = RecordFrame();
    EXPECT_TRUE(f.Has(u->mHQ ? orderlines::kRowCommand : orderlines::kRowPlatoon));
    EXPECT_TRUE(f.Has(u->IsForwardObserver() ? orderlines::kRowObserver : orderlines::kRowAreaFire));
    // An enemy aiming at it shows only once it is seen.
    e->mTarget = u;
    e->mSpotMarkerGone = false;
    e->mHidden = false;
    e->mContactLevel = kContactNone;
    EXPECT_FALSE(RecordFrame().Has(orderlines::kRowIncoming));
    e->mContactLevel = kContactHeard;
    EXPECT_FALSE(RecordFrame().Has(orderlines::kRowIncoming)) << "a heard enemy's aim is shown";
    e->mContactLevel = kContactSeen;
    EXPECT_TRUE(RecordFrame().Has(orderlines::kRowIncoming));
    // The selected enemy's own target line shows while it is seen, and
    // neither once only heard nor as a lost contact's marker.
    mBattle->SetSelectedUnit(e);
    EXPECT_TRUE(RecordFrame().Has(orderlines::kRowTarget)) << "a seen enemy's target line is not drawn";
    e->mContactLevel = kContactHeard;
    EXPECT_FALSE(RecordFrame().Has(orderlines::kRowTarget)) << "a heard enemy's target line is drawn";
    e->mContactLevel = kContactSeen;
    e->mSpotMarker = true;
    EXPECT_FALSE(RecordFrame().Has(orderlines::kRowTarget)) << "a lost contact's target line is drawn";
    e->mSpotMarker = false;
}

TEST_F(OrdersScreen, MenusOfferWhatEachKindCanDoAndAVehicleKeepsItsMoveOnF) {
    Load("grossangriff");
    Unit* tank = FindUnit([&](Unit* u) {
        return u->mUnitType == kUnitVehicle && u->IsOwnUnit(Viewer()) && u->CanMoveByOrders() &&
               u->HasWeaponForOrders();
    });
    Unit* squad = OwnInfantry();
    ASSERT_TRUE(tank && squad);
    tank->CancelMovementOrders();
    squad->CancelMovementOrders();
    tank->mTarget = squad->mTarget = nullptr;
    tank->mAreaTarget = squad->mAreaTarget = false;
    tank->mCoveredArc = squad->mCoveredArc = false;

    mBattle->SetSelectedUnit(tank);
    std::vector<Button> b = MenuButtons();
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b[0], (Button{20, 8, 'F'})) << "the vehicle's move keeps F";
    EXPECT_FALSE(Offers(b, 34)) << "halt offered to a unit without moves";
    EXPECT_FALSE(Offers(b, 31));
    for (int32_t order : {22, 24, 27, 28, 30, 33, 35, 41, 42, 43, 47, 50})
        EXPECT_FALSE(Offers(b, order)) << "order " << order << " offered to a vehicle";
    for (int32_t order : {21, 23, 25, 26, 32, 37, 36, 38, 40, 44, 39, 45, 48})
        EXPECT_TRUE(Offers(b, order)) << "order " << order << " not offered to a vehicle";
    std::set<char> keys;
    for (const Button& x : b)
        if (x.key != 0) EXPECT_TRUE(keys.insert(x.key).second) << "key " << x.key << " twice";

    mBattle->SetSelectedUnit(squad);
    b = MenuButtons();
    EXPECT_EQ(b[0], (Button{31, 12, 'F'}));
    EXPECT_EQ(b[1], (Button{20, 4, 'M'}));
    squad->ReceiveMoveOrders(squad->mX + 10.0f, squad->mY, 20, nullptr, true, false, true, true);
    EXPECT_EQ(MenuButtons()[0], (Button{34, 10, 0}));
    squad->CancelMovementOrders();
    for (int32_t order : {25, 26, 41, 42, 43, 47, 49})
        EXPECT_FALSE(Offers(b, order)) << "order " << order << " offered to a squad";
    for (int32_t order : {21, 22, 23, 24, 28, 29, 30, 32, 33, 35, 36, 37, 38, 44})
        EXPECT_TRUE(Offers(b, order)) << "order " << order << " not offered to a squad";

    // A mixed selection where no infantry can rush gets 31 labelled as the
    // vehicles' move, on top.
    Unit* slow = FindUnit([&](Unit* u) {
        return u->mUnitType == kUnitInfantry && u->IsOwnUnit(Viewer()) && !u->CanDoOrder(31) &&
               u->CanReceiveOrders();
    });
    if (slow) {
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i)
            mBattle->mUnits->GetUnit(i)->mSelectionMark = 0;
        tank->mSelectionMark = slow->mSelectionMark = 2;
        mBattle->SetSelectedUnit(tank);
        mBattle->mMultiSelection = true;
        b = MenuButtons();
        EXPECT_EQ(b[0], (Button{31, 8, 'F'}));
        mBattle->mMultiSelection = false;
        tank->mSelectionMark = slow->mSelectionMark = 0;
    }

    // In the set-up only the set-up orders, hiding and the both-phase ones.
    mBattle->mSetupPhase = true;
    mBattle->SetSelectedUnit(tank);
    for (const Button& x : MenuButtons())
        EXPECT_TRUE(x.order == 36 || (x.order >= 45 && x.order <= 50) || (x.order >= 57 && x.order <= 63))
            << "order " << x.order << " in the set-up";
    // Wire, mines and road blocks are placed in the set-up and take no other order.
    auto* obstacle = new Inanimate;
    obstacle->IInanimate(kInanimateWire, 0, tank->mX + 10.0f, tank->mY, 0.0f);
    obstacle->mSide = tank->mSide;
    obstacle->mActive = true;
    mBattle->mUnits->Add(obstacle);
    ASSERT_TRUE(obstacle->CanReceiveOrders());
    {
        mBattle->SetSelectedUnit(obstacle);
        b = MenuButtons();
        EXPECT_TRUE(Offers(b, 57) && Offers(b, 59));
        for (const Button& x : b)
            EXPECT_TRUE(x.order == 57 || x.order == 58 || x.order == 59 || x.order == 63) << "order " << x.order;
        mBattle->mSetupPhase = false;
        EXPECT_TRUE(MenuButtons().empty());
    }
    mBattle->mSetupPhase = false;
}

TEST_F(OrdersScreen, NextTargetOneMoreMinuteAndTheKeptObserverTarget) {
    Load("grossangriff");
    Unit* shooter = FindUnit([&](Unit* u) {
        return u->IsOwnUnit(Viewer()) && u->HasWeaponForOrders() && !u->IsForwardObserver() &&
               u->CanReceiveOrders();
    });
    ASSERT_NE(shooter, nullptr);
    mBattle->SetSelectedUnit(shooter);
    // Enemies it could fire at, all seen, set round it at known bearings.
    std::vector<Unit*> enemies;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && enemies.size() < 3; ++i) {
        Unit* e = mBattle->mUnits->GetUnit(i);
        if (e->mActive && e->mUnitType == kUnitInfantry && !e->IsOwnUnit(Viewer()) && shooter->CanPotentiallyTarget(e))
            enemies.push_back(e);
    }
    ASSERT_EQ(enemies.size(), 3u);
    const float bearings[3] = {200.0f, 20.0f, 110.0f};
    for (int32_t k = 0; k < 3; ++k) {
        Unit* e = enemies[k];
        const float r = bearings[k] * 0.017453292f;
        e->mX = shooter->mX + 80.0f * std::cos(r);
        e->mY = shooter->mY + 80.0f * std::sin(r);
        e->mContactLevel = kContactFull;
        e->mHidden = false;
        e->mSpotMarker = false;
        e->mSpotMarkerGone = false;
    }
    // Only these three are seen.
    for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
        Unit* o = mBattle->mUnits->GetUnit(i);
        if (!o->IsOwnUnit(Viewer()) && o != enemies[0] && o != enemies[1] && o != enemies[2])
            o->mContactLevel = kContactNone;
    }
    shooter->CancelTarget(true, true);
    shooter->mHeading = 0.0f;
    std::vector<Unit*> order;
    for (int32_t k = 0; k < 4; ++k) {
        mMap->RespondToOrder(39, false);
        order.push_back(shooter->mTarget);
        EXPECT_EQ(shooter->mOrderedTarget, shooter->mTarget);
    }
    EXPECT_EQ(mMap->mOpenMenu, nullptr) << "no question about the gun";
    // Counter-clockwise from the weapon's facing: 20, 110, 200 degrees, round again.
    EXPECT_EQ(order[0], enemies[1]);
    EXPECT_EQ(order[1], enemies[2]);
    EXPECT_EQ(order[2], enemies[0]);
    EXPECT_EQ(order[3], enemies[1]);

    // The observer: one more minute, five at most; and the kept target.
    Unit* fo = FindUnit([&](Unit* u) { return u->IsOwnUnit(Viewer()) && u->IsForwardObserver(); });
    if (!fo) GTEST_SKIP() << "no observer in the battle";
    auto* observer = static_cast<Infantry*>(fo);
    mBattle->SetSelectedUnit(fo);
    fo->CancelTarget(true, true);
    observer->mFOTargetX = observer->mFOTargetY = kFOUnset;
    EXPECT_FALSE(Offers(MenuButtons(), 42));
    EXPECT_FALSE(Offers(MenuButtons(), 41));
    mMap->RespondToOrder(42, false);
    EXPECT_FALSE(fo->mAreaTarget) << "42 without a kept target aimed somewhere";
    observer->mFOTargetX = fo->mX + 300.0f;
    observer->mFOTargetY = fo->mY + 100.0f;
    EXPECT_TRUE(Offers(MenuButtons(), 42));
    mMap->RespondToOrder(42, false);
    ASSERT_TRUE(fo->mAreaTarget);
    EXPECT_FLOAT_EQ(fo->mAreaTargetX, fo->mX + 300.0f);
    EXPECT_FLOAT_EQ(fo->mAreaTargetY, fo->mY + 100.0f);
    EXPECT_TRUE(Offers(MenuButtons(), 41));
    const float before = fo->mAimTime;
    mMap->RespondToOrder(41, false);
    EXPECT_FLOAT_EQ(fo->mAimTime, before + 60.0f);
    for (int32_t k = 0; k < 6; ++k)
        mMap->RespondToOrder(41, false);
    EXPECT_FLOAT_EQ(fo->mAimTime, before + 300.0f) << "five minutes at most";
    EXPECT_EQ(fo->mExtraArtilleryMinutes, 5);
    // The added minutes outlast a new count of the aim clock (the count
    // draws from the observer's own seed: the same count without them is
    // five minutes shorter), and a save.
    fo->ResetAimClock();
    const float counted = fo->mAimTime;
    fo->mExtraArtilleryMinutes = 0;
    fo->ResetAimClock();
    EXPECT_FLOAT_EQ(counted, fo->mAimTime + 300.0f);
    fo->mExtraArtilleryMinutes = 5;
    {
        GFile file;
        ASSERT_TRUE(file.IFile(mFolder->Path("minutes.mvg").c_str(), kFileModeCompressedWrite));
        GameFileState state;
        WriteGameFile(&file, &state, mBattle, nullptr);
    }
    GFile file;
    ASSERT_TRUE(file.IFile(mFolder->Path("minutes.mvg").c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {}), kGameFileLoaded);
    gBattle = mBattle;
    const int32_t at = mBattle->mUnits->IndexOf(fo);
    ASSERT_GE(at, 0);
    ASSERT_NE(contents.battle, nullptr);
    EXPECT_EQ(contents.battle->mUnits->GetUnit(at)->mExtraArtilleryMinutes, 5);
    delete contents.campaign;
    delete contents.battle;
    gBattle = mBattle;
}

TEST_F(OrdersScreen, AWithdrawalUnderWayRefusesNewMovesDragsAndBackspace) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    // A withdrawal carried over from the last turn: active and locked.
    u->ReceiveMoveOrders(u->mX + 10.0f, u->mY - 40.0f, 32, nullptr, true, false, false, false);
    ASSERT_EQ(u->mNrWaypoints, 1);
    ASSERT_EQ(u->mWaypoints[0].mKind, 1);
    const Destination kept = u->mWaypoints[0];
    LookAt(u->mX, u->mY - 20.0f);
    mBattle->SetSelectedUnit(u);
    ASSERT_TRUE(u->LockedIntoMovementOrders());
    auto unchanged = [&] {
        return u->mNrWaypoints == 1 && u->mWaypoints[0].mX == kept.mX && u->mWaypoints[0].mY == kept.mY &&
               u->mWaypoints[0].mOrder == kept.mOrder;
    };
    mMap->RespondToOrder(20, false);
    EXPECT_EQ(mApp->mState, kStateNone) << "a new move started";
    EXPECT_TRUE(unchanged());
    Key(8); // Backspace
    EXPECT_TRUE(unchanged());
    mBattle->mSelectedIndex = 0;
    mMap->RespondToOrder(21, true);
    EXPECT_TRUE(unchanged());
    int32_t mx = 0, my = 0;
    ASSERT_TRUE(ScreenOf(kept.mX, kept.mY, &mx, &my));
    mView->DoClick(mx, my - 2, false, false, false);
    mView->DoMouseHold(mx, my - 2);
    EXPECT_NE(mApp->mState, kStateDragWaypoint);
    mView->DoMouseUp(mx, my - 2, false);
    EXPECT_TRUE(unchanged());
    // The same unit with a planned (changeable) move edits freely.
    u->CancelMovementOrders();
    u->ReceiveMoveOrders(u->mX + 10.0f, u->mY - 40.0f, 20, nullptr, true, false, true, true);
    mBattle->mSelectedIndex = -1;
    Key(8);
    EXPECT_EQ(u->mNrWaypoints, 0);
}

TEST_F(OrdersScreen, AfterGoInATCPIPGameNoClickHoldOrKeyGivesAnOrder) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    u->ReceiveMoveOrders(u->mX + 15.0f, u->mY + 20.0f, 20, nullptr, true, false, true, true);
    LookAt(u->mX, u->mY);
    mApp->mConnectionType = 2;
    mApp->mTCPIPPhase = 8; // sent, waiting for the other player's orders
    ASSERT_TRUE(mApp->ProhibitOrdersDueToTCPIP());
    int32_t ux = 0, uy = 0;
    ASSERT_TRUE(ScreenOf(u->mX, u->mY, &ux, &uy));
    // A click still selects; its hold opens no menu.
    mBattle->SetSelectedUnit(nullptr);
    for (int32_t dy = -6; dy <= 6 && !mBattle->mSelectedUnit; dy += 2) {
        mView->DoClick(ux, uy + dy, false, false, false);
        if (!mBattle->mSelectedUnit) mView->DoMouseUp(ux, uy + dy, false);
    }
    if (mBattle->mSelectedUnit != u) mBattle->SetSelectedUnit(u);
    mView->DoMouseHold(ux, uy);
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
    mView->DoMouseUp(ux, uy, false);
    // Space, a menu key and Backspace do nothing.
    Key(' ');
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
    Key('E');
    EXPECT_EQ(mMap->mOpenMenu, nullptr);
    EXPECT_EQ(mApp->mState, kStateNone);
    Key(8);
    EXPECT_EQ(u->mNrWaypoints, 1);
    // A click on empty ground starts no box selection.
    mView->DoClick(4, 4, false, false, false);
    EXPECT_NE(mApp->mState, kStateBoxSelect);
    mView->DoMouseUp(4, 4, false);
    // Back in the orders phase, the menu opens again.
    mApp->mTCPIPPhase = 0;
    mBattle->SetSelectedUnit(u);
    Key(' ');
    EXPECT_NE(mMap->mOpenMenu, nullptr);
    mMap->CloseOpenMenu();
    mApp->mConnectionType = 0;
}

TEST_F(OrdersScreen, SewerMovesRefusedDestinationsAndTheUnitsScreenCentre) {
    Load("grossangriff");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    // The screen centre the target drag starts from is the unit's place.
    int32_t cx = 0, cy = 0, sx = 0, sy = 0;
    u->GetUnitScreenCenter(&cx, &cy);
    ASSERT_TRUE(ScreenOf(u->mX, u->mY, &sx, &sy));
    EXPECT_NEAR(cx, sx, 3);
    EXPECT_LT(cy, sy + 1);
    EXPECT_GT(cy, sy - 40);

    // The sewers end only under heavy buildings: the line says whether.
    float hx = -1.0f, hy = -1.0f;
    for (float y = 10.0f; y < mMap->mHeightMetres && hx < 0.0f; y += 10.0f)
        for (float x = 10.0f; x < mMap->mWidthMetres && hx < 0.0f; x += 10.0f)
            if (mMap->GetTerrain(x, y, false) == 53) hx = x, hy = y;
    DrawRecorder recorder;
    gDrawRecorder = &recorder;
    const bool heavy = mMap->GetTerrain(u->mX + 5.0f, u->mY, false) == 53;
    EXPECT_EQ(u->DrawNewMoveLine(u->mX + 5.0f, u->mY, mMap->GetZCoord(u->mX + 5.0f, u->mY), 33), heavy);
    gDrawRecorder = nullptr;
    bool refusedRow = false;
    for (const DrawCall& c : recorder.mCalls)
        if (c.mOp == DrawOp::kTexturedQuad && static_cast<int32_t>(c.mArgs[4] / 0.03125f) == orderlines::kRowRefused)
            refusedRow = true;
    EXPECT_EQ(refusedRow, !heavy);
    if (hx >= 0.0f) {
        EXPECT_TRUE(u->DrawNewMoveLine(hx, hy, mMap->GetZCoord(hx, hy), 33));
        GString255 text;
        mMap->mCurrentOrder = 33;
        mMap->mPickX = hx;
        mMap->mPickY = hy;
        MovePromptText(mMap, u, kStateMoveOrder, true, true, &text);
        const std::string s(text.GetCString(), text.GetLength());
        EXPECT_NE(s.find("Minuten"), std::string::npos) << s;
    }

    // A unit that cannot move marks where it was sent, for its own side,
    // for about two seconds.
    orderlines::ClearRefusedMarks();
    const bool wasImmobile = u->mImmobile;
    u->mImmobile = true;
    u->ReceiveMoveOrders(u->mX + 20.0f, u->mY + 20.0f, 20, nullptr, true, false, true, true);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_EQ(orderlines::RefusedMarkCount(), 1);
    EXPECT_TRUE(RecordFrame().Has(orderlines::kRowRefused));
    // The enemy's refusals are not shown; none are kept while a turn is computed.
    orderlines::ClearRefusedMarks();
    Unit* e = Enemy();
    ASSERT_NE(e, nullptr);
    orderlines::AddRefusedMark(e->mX, e->mY, e->mSide);
    EXPECT_FALSE(RecordFrame().Has(orderlines::kRowRefused));
    orderlines::ClearRefusedMarks();
    mBattle->mComputing = true;
    u->ReceiveMoveOrders(u->mX + 20.0f, u->mY + 20.0f, 20, nullptr, true, false, true, true);
    mBattle->mComputing = false;
    EXPECT_EQ(orderlines::RefusedMarkCount(), 0);
    u->mImmobile = wasImmobile;
}

TEST_F(OrdersScreen, AUnitThatGoesDuringADragEndsItWithNothingLeftPointingAtIt) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    mMap->RespondToOrder(21, false);
    ASSERT_EQ(mApp->mState, kStateMoveOrder);
    mBattle->UnitGoes(u);
    EXPECT_EQ(mApp->mState, kStateNone);
    EXPECT_EQ(mBattle->mSelectedUnit, nullptr);
    EXPECT_EQ(mBattle->mSelectedIndex, -1);
    // The next frame and a drag over the map go on without it.
    mView->DoMouseTrack(100, 100, false, false);
    Frame();
}

TEST_F(OrdersScreen, FiftyWaypointsAndLegsPastTheMapEdgeDraw) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    u->mNrWaypoints = kMaxWaypoints;
    for (int32_t i = 0; i < kMaxWaypoints; ++i) {
        Destination& w = u->mWaypoints[i];
        w = Destination{};
        // Every other point far outside the map, one not a number.
        w.mX = i % 2 ? -900.0f - 10.0f * i : u->mX + 3.0f * i;
        w.mY = i % 2 ? mMap->mHeightMetres + 700.0f : u->mY;
        w.mOrder = ConvertOrderToSpeed(i % 3 ? 20 : 30);
        w.mKind = 3;
    }
    u->mWaypoints[7].mX = std::nanf("");
    const FrameLines f = RecordFrame();
    EXPECT_EQ(f.markers, kMaxWaypoints);
    EXPECT_TRUE(f.Has(orderlines::kRowMove) && f.Has(orderlines::kRowQuiet));
    u->CancelMovementOrders();
}

// A target the unit does not take beeps; one it takes is silent and shows
// its line: a tank seen 985 m away is beyond riflemen and within a tank
// gun's reach; fire on ground out of reach is refused.
TEST_F(OrdersScreen, ARefusedTargetBeepsAndATakenOneShowsItsLine) {
    Load("panzer");
    Unit* tank = OwnVehicle();
    Unit* riflemen = FindUnit([&](Unit* u) {
        return u->mUnitType == kUnitInfantry && u->IsOwnUnit(Viewer()) && !u->IsForwardObserver() &&
               u->HasWeaponForOrders() && u->CanReceiveOrders();
    });
    Unit* enemy = FindUnit([&](Unit* u) { return u->mUnitType == kUnitVehicle && !u->IsOwnUnit(Viewer()); });
    ASSERT_TRUE(tank && riflemen && enemy);
    // 985 m away towards the map's farthest corner.
    const float cx = tank->mX < mMap->mWidthMetres / 2 ? mMap->mWidthMetres : 0.0f;
    const float cy = tank->mY < mMap->mHeightMetres / 2 ? mMap->mHeightMetres : 0.0f;
    const float d = std::hypot(cx - tank->mX, cy - tank->mY);
    ASSERT_GT(d, 1000.0f);
    enemy->mX = tank->mX + (cx - tank->mX) * 985.0f / d;
    enemy->mY = tank->mY + (cy - tank->mY) * 985.0f / d;
    enemy->mContactLevel = kContactSeen;
    enemy->mSpotMarkerGone = false;
    enemy->mHidden = false;
    riflemen->mX = tank->mX + 10.0f;
    riflemen->mY = tank->mY;
    struct Row {
        Unit* shooter;
        Unit* target;
        float dx, dy; // an area target's offset from the shooter
        bool taken;
    } rows[] = {
        {riflemen, enemy, 0, 0, true},
        {tank, enemy, 0, 0, true},
        {tank, nullptr, 5000.0f, 0.0f, false},
        {tank, riflemen, 0, 0, false}, // an own unit is no target
    };
    for (const Row& r : rows) {
        r.shooter->CancelTarget(true, true);
        mBattle->SetSelectedUnit(r.shooter);
        mMap->mTrackedUnit = r.target;
        mMap->mPickX = r.shooter->mX + r.dx;
        mMap->mPickY = r.shooter->mY + r.dy;
        const int32_t beeps = gKernel->GetBeepCount();
        mApp->SetState(kStatePickTarget);
        mView->DoMouseUp(10, 10, false);
        EXPECT_EQ(gKernel->GetBeepCount() - beeps, r.taken ? 0 : 1) << r.shooter->mUnitType << " " << r.target;
        if (r.taken) {
            LookAt(r.shooter->mX, r.shooter->mY);
            EXPECT_TRUE(RecordFrame().Has(orderlines::kRowTarget));
        }
    }
}

// A locked target (order 44) that the unit keeps as fire on the target's
// place is taken, silently, though the pointer lay off that place; one the
// unit refuses beeps, though the fire it had before lies under the pointer.
TEST_F(OrdersScreen, ALockedTargetIsJudgedAtTheTargetsPlace) {
    Load("panzer");
    Unit* tank = OwnVehicle();
    Unit* riflemen = FindUnit([&](Unit* u) { return u->mUnitType == kUnitInfantry && u->IsOwnUnit(Viewer()); });
    Unit* enemy = FindUnit([&](Unit* u) { return u->mUnitType == kUnitVehicle && !u->IsOwnUnit(Viewer()); });
    ASSERT_TRUE(tank && riflemen && enemy);
    enemy->mX = tank->mX + 300.0f;
    enemy->mY = tank->mY;
    enemy->mContactLevel = kContactSeen;
    enemy->mSpotMarkerGone = false;
    enemy->mHidden = false;
    riflemen->mX = tank->mX - 40.0f;
    riflemen->mY = tank->mY;
    mBattle->SetSelectedUnit(tank);
    auto release = [&](Unit* target, float x, float y) {
        mMap->mAreaFireMode = true;
        mMap->mTrackedUnit = target;
        mMap->mPickX = x;
        mMap->mPickY = y;
        const int32_t beeps = gKernel->GetBeepCount();
        mApp->SetState(kStatePickTarget);
        mView->DoMouseUp(10, 10, false);
        return gKernel->GetBeepCount() - beeps;
    };

    tank->CancelTarget(true, true);
    EXPECT_EQ(release(enemy, enemy->mX - 6.0f, enemy->mY + 3.0f), 0) << "a locked target taken beeped";
    EXPECT_TRUE(tank->mAreaTarget);
    EXPECT_EQ(tank->mAreaTargetX, enemy->mX);
    EXPECT_EQ(tank->mAreaTargetY, enemy->mY);

    // Fire on open ground first; then the lock on an own unit is refused.
    const float px = tank->mX + 120.0f, py = tank->mY + 10.0f;
    tank->CancelTarget(true, true);
    tank->ReceiveTargetOrders(nullptr, px, py, false, 0);
    ASSERT_TRUE(tank->mAreaTarget && tank->mAreaTargetX == px && tank->mAreaTargetY == py);
    EXPECT_EQ(release(riflemen, px, py), 1) << "a refused target did not beep";
}

// "Flächenfeuer" (order 44) at a point: a gun vehicle that carries smoke
// takes the order through the menu and the drag; GO computes the turn, and
// its smoke shells land at the point and raise smoke there. With no smoke
// left the order ends rather than firing other rounds.
TEST_F(OrdersScreen, AVehicleOrderedAreaFireFiresSmokeAtThePoint) {
    mApp->mSide = kAllies; // the side that carries smoke rounds
    Load("panzer");
    auto* v = dynamic_cast<Vehicle*>(FindUnit([&](Unit* u) {
        return u->mUnitType == kUnitVehicle && u->IsOwnUnit(Viewer()) && u->CanReceiveOrders() &&
               u->CanDoOrder(44) && u->HasHeavyWeapon(kKnowTruth) && u->mAmmo[kAmmoSmoke] > 0;
    }));
    ASSERT_NE(v, nullptr) << "no gun vehicle with smoke rounds";
    float px = 0.0f, py = 0.0f;
    for (int32_t k = 0; k < 360 * 8 && px == 0.0f; k += 10) {
        const float r = 60.0f + 50.0f * static_cast<float>(k / 360), a = static_cast<float>(k % 360) * 0.0174533f;
        const float x = v->mX + r * std::cos(a), y = v->mY + r * std::sin(a);
        if (x > 20.0f && y > 20.0f && x < mMap->mWidthMetres - 20.0f && y < mMap->mHeightMetres - 20.0f &&
            v->CanSeeLocationForAreaFire(x, y))
            px = x, py = y;
    }
    ASSERT_NE(px, 0.0f) << "no open ground in sight";
    mBattle->SetSelectedUnit(v);
    mMap->RespondToOrder(44, false);
    ASSERT_EQ(mApp->InteractionState(), kStatePickTarget);
    mMap->mTrackedUnit = nullptr;
    mMap->mPickX = px;
    mMap->mPickY = py;
    mView->DoMouseUp(10, 10, false);
    EXPECT_TRUE(v->mAreaTarget && v->mAreaFireFlag);
    const int32_t smoke = v->mAmmo[kAmmoSmoke];

    mApp->DoCommand(9); // GO: the computer plans, the turn is computed
    ASSERT_EQ(mApp->InteractionState(), kStatePlayback);
    int32_t shells = 0, clouds = 0;
    for (int32_t k = 0; k < mBattle->mPackets.GetCount(); ++k) {
        const auto* p = static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(k));
        if (p->mType == kPacketShell && p->mFirer == v && std::hypot(p->mEndX - px, p->mEndY - py) < 25.0f)
            ++shells;
        // A smoke shell's cloud (a fire's or a blast's dust is of the other kind).
        if (p->mType == kPacketSmokeOn && p->mSmokeKind == 0 && std::hypot(p->mX - px, p->mY - py) < 25.0f)
            ++clouds;
    }
    EXPECT_GT(shells, 0) << "no shell of the vehicle landed at the point";
    EXPECT_GT(clouds, 0) << "no smoke rose at the point";
    EXPECT_GE(shells, clouds);

    mApp->DoCommand(10); // the turn is watched to its end
    ASSERT_TRUE(v->mActive);
    EXPECT_GE(smoke - v->mAmmo[kAmmoSmoke], clouds) << "a smoke round each cloud";
    ASSERT_TRUE(v->mAreaTarget && v->mAreaFireFlag) << "the order lasts while smoke is left";
    AmmoClass shell = kAmmoNone;
    v->mAmmo[kAmmoSmoke] = 0;
    EXPECT_FALSE(v->AIWantsToFire(&shell));
    EXPECT_FALSE(v->mAreaTarget || v->mAreaFireFlag);
}

// The selected unit's target line takes its band by kind: a unit fired at
// 11, covering fire 19, a point 12, smoke 23, an observer's mission 24.
TEST_F(OrdersScreen, EachKindOfTargetLineTakesItsOwnBand) {
    Load("grossangriff");
    Unit* u = FindUnit([&](Unit* x) { return x->IsOwnUnit(Viewer()) && !x->IsForwardObserver() && x->mUnitType == kUnitInfantry; });
    Unit* o = FindUnit([&](Unit* x) { return x->IsOwnUnit(Viewer()) && x->IsForwardObserver(); });
    Unit* e = Enemy();
    ASSERT_TRUE(u && e);
    e->mContactLevel = kContactSeen;
    e->mHidden = false;
    e->mSpotMarkerGone = false;
    struct Case {
        const char* what;
        Unit* unit;
        bool atUnit, cover, areaFire, smoke;
        int32_t row;
    };
    std::vector<Case> cases = {
        {"a unit", u, true, false, false, false, orderlines::kRowTarget},
        {"covering fire", u, true, true, false, false, orderlines::kRowCoverFire},
        {"a point", u, false, false, false, false, orderlines::kRowAreaFire},
        {"area fire", u, false, false, true, false, orderlines::kRowSmoke},
        {"a smoke screen", u, false, false, false, true, orderlines::kRowSmoke},
    };
    if (o) cases.push_back({"an observer's mission", o, false, false, false, false, orderlines::kRowObserver});
    const std::set<int32_t> targetRows = {orderlines::kRowTarget, orderlines::kRowCoverFire, orderlines::kRowAreaFire,
                                          orderlines::kRowSmoke, orderlines::kRowObserver};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Unit* x = c.unit;
        LookAt(x->mX, x->mY);
        mBattle->SetSelectedUnit(x);
        x->mTarget = c.atUnit ? e : nullptr;
        x->mTargetKindFlag = c.cover;
        x->mAreaTarget = !c.atUnit;
        x->mAreaTargetX = x->mX + 30.0f;
        x->mAreaTargetY = x->mY;
        x->mAreaFireFlag = c.areaFire;
        x->mSmokeScreen = c.smoke;
        std::set<int32_t> seen;
        for (int32_t row : RecordFrame().Rows())
            if (targetRows.count(row)) seen.insert(row);
        EXPECT_EQ(seen, std::set<int32_t>{c.row});
        x->mTarget = nullptr;
        x->mAreaTarget = false;
    }
}

// A turn to face only points: the leg after it starts where the unit will
// stand before the turn, not at the point it faces (the move legs are drawn
// as without the turn).
TEST_F(OrdersScreen, TheLegAfterATurnToFaceStartsWhereTheUnitStands) {
    Load("grossangriff");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    LookAt(u->mX, u->mY);
    mBattle->SetSelectedUnit(u);
    const float ax = u->mX + 20.0f, ay = u->mY;
    // The corners of the move band's quads of one frame.
    auto moveQuads = [&](std::vector<Destination> path) {
        u->mNrWaypoints = static_cast<int32_t>(path.size());
        for (size_t i = 0; i < path.size(); ++i)
            u->mWaypoints[i] = path[i];
        DrawRecorder recorder;
        gDrawRecorder = &recorder;
        Frame();
        gDrawRecorder = nullptr;
        std::vector<std::vector<float>> quads;
        for (const DrawCall& c : recorder.mCalls)
            if (c.mOp == DrawOp::kTexturedQuad && c.mTexture == mMap->mLineTexture && c.mArgs.size() == 20 &&
                static_cast<int32_t>(c.mArgs[4] / 0.03125f) == orderlines::kRowMove)
                quads.push_back(c.mArgs);
        return quads;
    };
    Destination a{ax, ay}, b{ax + 20.0f, ay}, turn{ax, ay + 80.0f};
    turn.mOrder = kPaceRotate;
    const auto straight = moveQuads({a, b});
    ASSERT_FALSE(straight.empty());
    EXPECT_EQ(moveQuads({a, turn, b}), straight);
    u->mNrWaypoints = 0;
}

// A standing squad told by its menu to hide takes the held pace at once and
// so shows as hiding before the turn is computed.
TEST_F(OrdersScreen, AStandingSquadToldToHideShowsHidingAtOnce) {
    Load("hecken");
    Unit* u = OwnInfantry();
    ASSERT_NE(u, nullptr);
    u->CancelMovementOrders();
    u->mHiding = false;
    u->ResetAnimation();
    ASSERT_FALSE(u->IsHiding(false));
    mBattle->SetSelectedUnit(u);
    ASSERT_TRUE(Offers(MenuButtons(), kOrderHide));
    mMap->RespondToOrder(kOrderHide, false);
    EXPECT_EQ(static_cast<Infantry*>(u)->mMoveSpeed, 0);
    EXPECT_TRUE(u->IsHiding(true));
}

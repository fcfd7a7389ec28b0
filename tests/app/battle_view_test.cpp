// The battle screen as the game builds it, drawn on the dummy display: a
// demo scenario loaded by the game's loader into the real application, the
// real pictures, and clicks through the map view's own picking. What is
// checked is what reaches the screen's pixels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "engine/GButton3D.h"
#include "engine/GDrawRecord.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "engine/GString.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include "platform/PlatformVideo.h"
#include "platform/Surface16.h"
#include "play_through_driver.h"
#include "renderer/GGraph3D.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace fs = std::filesystem;

namespace {

std::string BuiltPictures() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / "Demo Data" / "Pictures").string() + "/";
}

class BattleViewTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        mFolder = std::make_unique<ProgramFolder>();
        mOldPictures = GPictureStore::Get().GetFolder();
        GPictureStore::Get().SetFolder(BuiltPictures());
        gKernel = new GKernel;
        ASSERT_TRUE(gKernel->IKernel());
        mApp = new MVApplication;
        gKernel->StartApp(mApp);
        ASSERT_TRUE(gKernel->SetScreenMode(800, 600));
        // Past the title, as a click would take the player.
        gKernel->ClearScreen(true);
    }
    void TearDown() override {
        delete mBattle;
        mBattle = nullptr;
        gBattle = nullptr;
        delete gKernel; // and the application
        gKernel = nullptr;
        GPictureStore::Get().SetFolder(mOldPictures);
        mFolder.reset();
    }

    // The scenario's battle on the screen, shown to that side.
    void Begin(const char* scenario, Affiliation side) {
        GFile file;
        const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + scenario + ".mvg";
        ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead)) << path;
        GameFileState state;
        GameFileContents contents;
        ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = mApp}), kGameFileLoaded);
        delete contents.campaign;
        mBattle = contents.battle;
        gBattle = mBattle;
        mBattle->mHost = mApp;
        mApp->mSide = side;
        mBattle->BeginBattle(true, false);
        mMap = mBattle->mMap;
        ASSERT_NE(mMap, nullptr);
        ASSERT_NE(mMap->mView, nullptr);
    }

    Unit* First(bool own, UnitType kind) {
        for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
            Unit* u = mBattle->mUnits->GetUnit(i);
            if (u->mActive && u->mUnitType == kind && u->IsOwnUnit(mApp->ViewingSide()) == own &&
                !u->IsPassenger(false))
                return u;
        }
        return nullptr;
    }

    // The viewer's camera at a level, looking north at the unit from behind.
    void LookAt(Unit* u, int32_t level) {
        const int32_t s = mMap->ViewingSide();
        mMap->mCameraLevel[s] = level;
        mMap->mCameraX[s] = u->mX;
        mMap->mCameraY[s] = u->mY - 40.0f;
        mMap->mCameraHeading[s] = 1.5707964f;
        mMap->mLockedUnit = nullptr;
        mMap->DirtyClip();
        Frame();
    }

    void Frame() {
        gKernel->UpdateScreen();
        if (const char* dir = std::getenv("DM_VIEW_SHOTS")) {
            static int n = 0;
            gKernel->SaveScreen((std::string(dir) + "/" + std::to_string(n++) + ".png").c_str());
        }
    }

    // A ground point's place on the screen in the last frame.
    bool OnScreen(float x, float y, int32_t* sx, int32_t* sy) const {
        const float z = mMap->GetZCoord(x, y);
        float px = x, py = y;
        if (!g3D || !g3D->WorldToScreen(&px, &py, z, false)) return false;
        *sx = static_cast<int32_t>(px);
        *sy = static_cast<int32_t>(py);
        return *sx >= 0 && *sx < 800 && *sy >= 0 && *sy < 510;
    }

    uint16_t Pixel(int32_t x, int32_t y) const {
        const PixelTarget16 back = gKernel->GetBackBuffer();
        return back.Row(y)[x];
    }

    std::vector<uint16_t> Around(int32_t sx, int32_t sy) const;

    void ClickMap(int32_t x, int32_t y, bool ctrl = false) {
        mMap->mView->DoClick(x, y, false, false, ctrl);
        mMap->mView->DoMouseUp(x, y, false);
    }

    std::unique_ptr<ProgramFolder> mFolder;
    std::string mOldPictures;
    MVApplication* mApp = nullptr;
    Battle* mBattle = nullptr;
    Map* mMap = nullptr;
};

} // namespace

// ---- The side the screen is shown to ------------------------------------------

TEST_F(BattleViewTest, TheAlliedPlayerMovesTheAlliedCameraAndALockedJumpReleasesTheLock) {
    Begin("hecken", kAllies);
    ASSERT_EQ(mMap->ViewingSide(), kAllies) << "the map shows the battle to its host's viewer";
    Unit* own = First(true, kUnitInfantry);
    ASSERT_NE(own, nullptr);
    LookAt(own, 3);
    const float axisX = mMap->mCameraX[kAxis], axisY = mMap->mCameraY[kAxis];

    // Ctrl+click on the ground below the middle of the view jumps there.
    mMap->mLockedUnit = own;
    mMap->mLockHeadingOffset = 0.0f;
    Frame();
    const float lockedX = mMap->mCameraX[kAllies], lockedY = mMap->mCameraY[kAllies];
    bool jumped = false;
    for (int32_t y = 300; y < 500 && !jumped; y += 20) {
        ClickMap(400, y, true);
        jumped = mMap->mLockedUnit == nullptr;
    }
    ASSERT_TRUE(jumped) << "a ctrl+click on the ground releases the lock";
    const float jumpX = mMap->mCameraX[kAllies], jumpY = mMap->mCameraY[kAllies];
    EXPECT_TRUE(jumpX != lockedX || jumpY != lockedY);
    Frame(); // the next frame keeps the jump
    EXPECT_EQ(mMap->mCameraX[kAllies], jumpX);
    EXPECT_EQ(mMap->mCameraY[kAllies], jumpY);
    EXPECT_EQ(mMap->mCameraX[kAxis], axisX) << "the Axis camera stays where it was";
    EXPECT_EQ(mMap->mCameraY[kAxis], axisY);

    // The hotseat's other player sees through the other camera.
    mApp->mSide = kAxis;
    EXPECT_EQ(mMap->ViewingSide(), kAxis);
}

// ---- Bases ------------------------------------------------------------------

TEST_F(BattleViewTest, BasesDrawUnderUnitsFromLevelThreeAndAClickOnOneSelects) {
    Begin("hecken", kAxis);
    Unit* own = First(true, kUnitInfantry);
    ASSERT_NE(own, nullptr);
    LookAt(own, 5);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(OnScreen(own->mX, own->mY, &sx, &sy));
    auto snapshot = [&] {
        std::vector<uint16_t> box;
        for (int32_t y = sy - 8; y <= sy + 8; ++y)
            for (int32_t x = sx - 8; x <= sx + 8; ++x)
                box.push_back(Pixel(x, y));
        return box;
    };
    mApp->mPrefs[kPrefUnitBases] = 0;
    Frame();
    const std::vector<uint16_t> without = snapshot();
    mApp->mPrefs[kPrefUnitBases] = 1;
    Frame();
    const std::vector<uint16_t> with = snapshot();
    int32_t changed = 0, changedX = sx, changedY = sy;
    for (size_t i = 0; i < with.size(); ++i)
        if (with[i] != without[i]) {
            ++changed;
            // The changed pixel farthest from the unit's centre lies on the disc.
            const int32_t x = sx - 8 + static_cast<int32_t>(i % 17), y = sy - 8 + static_cast<int32_t>(i / 17);
            if (std::abs(x - sx) + std::abs(y - sy) > std::abs(changedX - sx) + std::abs(changedY - sy)) {
                changedX = x;
                changedY = y;
            }
        }
    EXPECT_GE(changed, 20) << "a disc of about ten pixels under the unit";

    mBattle->SetSelectedUnit(nullptr);
    ClickMap(changedX, changedY);
    EXPECT_EQ(mBattle->mSelectedUnit, own) << "a click on the base selects its unit";

    // Below level 3 the figures are large enough: no disc. The figures hold
    // still, so only a disc could change the picture.
    mBattle->mPlaybackPaused = true;
    LookAt(own, 2);
    ASSERT_TRUE(OnScreen(own->mX, own->mY, &sx, &sy));
    mApp->mPrefs[kPrefUnitBases] = 0;
    Frame();
    const std::vector<uint16_t> lowWithout = snapshot();
    mApp->mPrefs[kPrefUnitBases] = 1;
    Frame();
    EXPECT_EQ(snapshot(), lowWithout);
    mBattle->mPlaybackPaused = false;
}

// ---- Enemy units ------------------------------------------------------------

TEST_F(BattleViewTest, ASeenEnemyVehicleIsSelectedByAClickButTakesNoOrders) {
    Begin("panzer", kAxis);
    mBattle->mSetupPhase = false;
    Unit* enemy = First(false, kUnitVehicle);
    ASSERT_NE(enemy, nullptr);
    enemy->mContactLevel = 3;
    enemy->mHidden = false;
    enemy->mSpotMarkerGone = false;
    // Near (the model) and far (the class shape) alike.
    for (int32_t level : {1, 4}) {
        LookAt(enemy, level);
        int32_t sx = 0, sy = 0;
        ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY, &sx, &sy)) << level;
        mBattle->SetSelectedUnit(nullptr);
        bool selected = false;
        for (int32_t dy = 0; dy >= -12 && !selected; dy -= 2) {
            ClickMap(sx, sy + dy);
            selected = mBattle->mSelectedUnit == enemy;
        }
        EXPECT_TRUE(selected) << "a seen enemy is selected for its readout, level " << level;
        EXPECT_EQ(mMap->mOpenMenu, nullptr) << "but it takes no orders";
    }

    // A player commands his own side only: every way to the orders menu
    // beeps for the enemy, as a hold opens it for an own vehicle.
    Unit* own = First(true, kUnitVehicle);
    ASSERT_NE(own, nullptr);
    mBattle->SetSelectedUnit(own);
    mMap->mView->DoMouseHold(400, 300);
    ASSERT_NE(mMap->mOpenMenu, nullptr) << "a hold on an own vehicle opens its menu";
    mMap->CloseOpenMenu();
    enemy->CancelMovementOrders();
    enemy->mNrWaypoints = 1;
    enemy->mWaypoints[0] = Destination{enemy->mX + 10.0f, enemy->mY, 0.0f, 20, 3};
    mBattle->SetSelectedUnit(enemy);
    int32_t beeps = gKernel->GetBeepCount();
    mMap->mView->DoMouseHold(400, 300);
    EXPECT_EQ(mMap->mOpenMenu, nullptr) << "a hold opens the enemy's menu";
    EXPECT_EQ(gKernel->GetBeepCount(), ++beeps);
    for (char key : {' ', 'F'}) {
        mBattle->DoKey(key, false, false);
        EXPECT_EQ(mMap->mOpenMenu, nullptr) << "key '" << key << "' opens the enemy's menu";
        EXPECT_EQ(gKernel->GetBeepCount(), ++beeps) << key;
    }
    mBattle->DoKey(static_cast<char>(kKeyBackspace), false, false);
    EXPECT_EQ(enemy->mNrWaypoints, 1) << "Backspace deletes the enemy's waypoint";
    EXPECT_EQ(mBattle->mSelectedUnit, enemy);

    // A double click on an enemy leader selects it alone: its platoon is
    // no group for Backspace to cancel the moves of.
    Unit* leader = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !leader; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mActive && !u->IsOwnUnit(mApp->ViewingSide()) && u->CanReceiveOrders() && u->IsLeader(nullptr) &&
            (u->mUnitType != kUnitVehicle || u->PlatoonSubordinate(true) != nullptr))
            leader = u;
    }
    ASSERT_NE(leader, nullptr) << "no enemy leader with a platoon";
    leader->mContactLevel = 3;
    leader->mHidden = false;
    leader->mSpotMarkerGone = false;
    LookAt(leader, 1);
    int32_t lx = 0, ly = 0;
    ASSERT_TRUE(OnScreen(leader->mX, leader->mY, &lx, &ly));
    mBattle->SetSelectedUnit(nullptr);
    for (int32_t dy = 0; dy >= -12 && mBattle->mSelectedUnit != leader; dy -= 2) {
        mMap->mView->DoClick(lx, ly + dy, true, false, false);
        mMap->mView->DoMouseUp(lx, ly + dy, false);
    }
    ASSERT_EQ(mBattle->mSelectedUnit, leader);
    EXPECT_FALSE(mBattle->mMultiSelection) << "a double click marks the enemy's platoon";
    for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i)
        if (Unit* u = mBattle->mUnits->GetUnit(i); !u->IsOwnUnit(mApp->ViewingSide()))
            EXPECT_EQ(u->mSelectionMark, 0) << "an enemy marked by a double click";
}

// ---- Fog of war ---------------------------------------------------------------

// The picture around a ground point: the screen box from 40 pixels above to
// 10 below and 30 either side.
std::vector<uint16_t> BattleViewTest::Around(int32_t sx, int32_t sy) const {
    std::vector<uint16_t> box;
    for (int32_t y = std::max(0, sy - 40); y <= std::min(509, sy + 10); ++y)
        for (int32_t x = std::max(0, sx - 30); x <= std::min(799, sx + 30); ++x)
            box.push_back(Pixel(x, y));
    return box;
}

// An enemy the viewer has not seen leaves its place as the map is without
// it, at near and far cameras, and a click there neither picks nor names it;
// a vehicle in bruecke's east field and an infantry unit in hecken alike.
TEST_F(BattleViewTest, AnUnseenEnemyIsNeitherDrawnNorPickedNorNamed) {
    bool first = true;
    for (const auto& [scenario, kind] :
         {std::pair{"bruecke", kUnitVehicle}, std::pair{"hecken", kUnitInfantry}}) {
        SCOPED_TRACE(scenario);
        if (!first) { // a fresh application for the next battle
            TearDown();
            SetUp();
        }
        first = false;
        Begin(scenario, kAxis);
        mBattle->mPlaybackPaused = true;
        Unit* enemy = First(false, kind);
        ASSERT_NE(enemy, nullptr);
        ASSERT_EQ(enemy->VisibleToPlayer(false), kContactNone) << "every enemy loads unseen";
        GString255 name;
        enemy->ConcatName(&name, true);
        EXPECT_EQ(name.GetLength(), 0) << "an unseen enemy has no name";
        // Figures too small to count from far away: a squad near, a vehicle far too.
        const std::vector<int32_t> levels = kind == kUnitVehicle ? std::vector{1, 5, 8} : std::vector{1, 3};
        for (int32_t level : levels) {
            SCOPED_TRACE(level);
            LookAt(enemy, level);
            int32_t sx = 0, sy = 0;
            ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY, &sx, &sy));
            const std::vector<uint16_t> unseen = Around(sx, sy);
            enemy->mOffMapState = 1; // taken off the map
            Frame();
            const std::vector<uint16_t> without = Around(sx, sy);
            enemy->mOffMapState = 0;
            enemy->mContactLevel = kContactFull;
            Frame();
            EXPECT_GT(PixelsChanged(Around(sx, sy), without), 8)
                << "the unit's place is not where the check looks";
            enemy->mContactLevel = kContactNone;
            EXPECT_LE(PixelsChanged(unseen, without), 2) << "the unseen enemy is drawn";
            Frame();
            mBattle->SetSelectedUnit(nullptr);
            for (int32_t dy = 0; dy >= -12; dy -= 2)
                ClickMap(sx, sy + dy);
            EXPECT_NE(mBattle->mSelectedUnit, enemy) << "a click picks the unseen enemy";
        }
    }
}

// A heard enemy stands where it is heard, the sound's offset from its true
// place, and nothing of it is at the true place; an own unit stands where
// it is, whatever the enemy believes.
TEST_F(BattleViewTest, AHeardEnemyIsDrawnWhereItIsHeard) {
    Begin("bruecke", kAxis);
    mBattle->mPlaybackPaused = true;
    Unit* enemy = First(false, kUnitVehicle);
    ASSERT_NE(enemy, nullptr);
    enemy->mContactLevel = kContactHeard;
    enemy->mSoundOffsetX = 0;
    enemy->mSoundOffsetY = 40;
    float ax = 0.0f, ay = 0.0f;
    ASSERT_TRUE(enemy->GetApparentLocation(&ax, &ay, nullptr));
    ASSERT_EQ(ay, enemy->mY + 40.0f);
    LookAt(enemy, 3);
    int32_t tx = 0, ty = 0, hx = 0, hy = 0;
    ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY, &tx, &ty));
    ASSERT_TRUE(OnScreen(ax, ay, &hx, &hy));
    ASSERT_GT(std::abs(ty - hy), 50) << "the two places' boxes overlap";
    const std::vector<uint16_t> trueHeard = Around(tx, ty), placeHeard = Around(hx, hy);
    enemy->mOffMapState = 1;
    Frame();
    EXPECT_LE(PixelsChanged(trueHeard, Around(tx, ty)), 2) << "a heard enemy drawn at its true place";
    EXPECT_GT(PixelsChanged(placeHeard, Around(hx, hy)), 8) << "a heard enemy not drawn where it is heard";
    enemy->mOffMapState = 0;

    // An own vehicle the enemy has lost (its marker 40 m off) stands where it is.
    Unit* own = First(true, kUnitVehicle);
    ASSERT_NE(own, nullptr);
    own->mSpotMarker = true;
    own->mMarkerX = own->mX;
    own->mMarkerY = own->mY + 40.0f;
    LookAt(own, 3);
    ASSERT_TRUE(OnScreen(own->mX, own->mY, &tx, &ty));
    ASSERT_TRUE(OnScreen(own->mMarkerX, own->mMarkerY, &hx, &hy));
    const std::vector<uint16_t> trueOwn = Around(tx, ty), markerOwn = Around(hx, hy);
    own->mOffMapState = 1;
    Frame();
    EXPECT_GT(PixelsChanged(trueOwn, Around(tx, ty)), 8) << "an own vehicle not drawn where it is";
    EXPECT_LE(PixelsChanged(markerOwn, Around(hx, hy)), 2) << "an own vehicle drawn at the enemy's marker";
    own->mOffMapState = 0;
    own->mSpotMarker = false;
}

// What is drawn of an infantry unit at its place: figures from contact 1,
// none at contact 0, though a marker's drawing reaches the figure count.
TEST_F(BattleViewTest, InfantryHasFiguresWhenHeardAndNoneAtContactNought) {
    Begin("hecken", kAxis);
    mBattle->mPlaybackPaused = true;
    mApp->mPrefs[kPrefWarningLabels] = 0;
    Unit* enemy = First(false, kUnitInfantry);
    ASSERT_NE(enemy, nullptr);
    enemy->mSoundOffsetX = 0;
    enemy->mSoundOffsetY = 0;
    enemy->mMarkerX = enemy->mX;
    enemy->mMarkerY = enemy->mY;
    LookAt(enemy, 1);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY, &sx, &sy));
    enemy->mOffMapState = 1;
    Frame();
    const std::vector<uint16_t> without = Around(sx, sy);
    enemy->mOffMapState = 0;
    enemy->mContactLevel = kContactHeard;
    Frame();
    EXPECT_GT(PixelsChanged(Around(sx, sy), without), 8) << "a heard unit drawn without figures";
    // A lost contact's marker of a unit the file hides: drawn, at contact 0.
    enemy->mContactLevel = kContactSeen;
    enemy->mSpotMarker = true;
    enemy->mHidden = true;
    ASSERT_EQ(enemy->VisibleToPlayer(false), kContactNone);
    Frame();
    EXPECT_LE(PixelsChanged(Around(sx, sy), without), 2) << "a unit at contact 0 drawn with figures";
    enemy->mHidden = false;
    enemy->mSpotMarker = false;
}

// A heard vehicle stays selected, named by its general kind in the panel,
// never by its type; an unseen one is let go.
TEST_F(BattleViewTest, AHeardVehicleIsNamedByItsGeneralKind) {
    Begin("bruecke", kAxis);
    mBattle->mPlaybackPaused = true;
    auto* enemy = static_cast<Vehicle*>(First(false, kUnitVehicle));
    ASSERT_NE(enemy, nullptr);
    enemy->mContactLevel = kContactHeard;
    mBattle->SetSelectedUnit(enemy);
    ScreenDrawLog log;
    gScreenDrawLog = &log;
    Frame();
    gScreenDrawLog = nullptr;
    const char* type = enemy->Data().mShortName;
    const std::string typeName(type, strnlen(type, sizeof enemy->Data().mShortName));
    ASSERT_FALSE(typeName.empty());
    int32_t general = 0;
    for (const ScreenDrawItem& item : log.mItems) {
        for (int32_t id : {5800, 5801, 5802, 5803})
            general += item.mKind == 't' && item.mText.find(RezText(id)) != std::string::npos;
        EXPECT_EQ(item.mText.find(typeName), std::string::npos) << "the heard type named";
    }
    EXPECT_GT(general, 0) << "a heard vehicle without its general kind's name";

    mMap->Refresh();
    ASSERT_EQ(mBattle->mSelectedUnit, enemy) << "a heard enemy's selection dropped";

    // TAB locks the camera on it only once it is seen, and a lock lets go
    // of it when it is only heard again.
    mBattle->DoKey(9, false, false);
    EXPECT_EQ(mMap->mLockedUnit, nullptr) << "the camera locked on a heard enemy";
    enemy->mContactLevel = kContactSeen;
    mBattle->DoKey(9, false, false);
    ASSERT_EQ(mMap->mLockedUnit, enemy) << "no lock on a seen enemy";
    enemy->mContactLevel = kContactHeard;
    Frame();
    EXPECT_EQ(mMap->mLockedUnit, nullptr) << "the lock kept on an enemy only heard";
    enemy->mContactLevel = kContactNone;
    mMap->Refresh();
    EXPECT_EQ(mBattle->mSelectedUnit, nullptr) << "an unseen enemy stays selected";
}

// A heard squad's warning label stands over the place it is heard at.
TEST_F(BattleViewTest, AHeardSquadsLabelStandsWhereItIsHeard) {
    Begin("hecken", kAxis);
    mBattle->mPlaybackPaused = true;
    mApp->mPrefs[kPrefWarningLabels] = 1;
    mApp->mPrefs[kPrefFogOfWar] = 1; // enemy labels show only at levels 0 and 1
    Unit* enemy = First(false, kUnitInfantry);
    ASSERT_NE(enemy, nullptr);
    enemy->mContactLevel = kContactHeard;
    enemy->mSoundOffsetX = 0;
    enemy->mSoundOffsetY = 40;
    enemy->mSuppression = 150.0f; // "pinned"
    LookAt(enemy, 3);
    int32_t tx = 0, ty = 0, hx = 0, hy = 0;
    ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY, &tx, &ty));
    ASSERT_TRUE(OnScreen(enemy->mX, enemy->mY + 40.0f, &hx, &hy));
    ASSERT_GT(std::abs(ty - hy), 50);
    ScreenDrawLog log;
    gScreenDrawLog = &log;
    Frame();
    gScreenDrawLog = nullptr;
    const ScreenDrawItem* label = FindTextHolding(log, RezText(1135));
    ASSERT_NE(label, nullptr) << "no label";
    const int32_t cx = (label->mRect.left + label->mRect.right) / 2, cy = label->mRect.bottom;
    EXPECT_LT(std::hypot(cx - hx, cy - hy), std::hypot(cx - tx, cy - ty))
        << "the label stands at the true place";
}

// A lost contact's shadow lies under its marker, a heard vehicle casts
// none, and a burning vehicle's flames are judged near the camera where it
// is heard, not where it is.
TEST_F(BattleViewTest, AVehiclesShadowAndFlamesFollowItsMarkerAndItsSound) {
    Begin("bruecke", kAxis);
    mBattle->mPlaybackPaused = true;
    mBattle->mTimeOfDay = 1; // day: night casts no shadows
    auto* enemy = static_cast<Vehicle*>(First(false, kUnitVehicle));
    ASSERT_NE(enemy, nullptr);
    enemy->mDugIn = false;
    enemy->mContactLevel = kContactFull; // known: its own model, which has a footprint
    enemy->mSpotMarker = true;
    enemy->mMarkerX = enemy->mX + (enemy->mX < mMap->mWidthMetres / 2 ? 80.0f : -80.0f);
    enemy->mMarkerY = enemy->mY;
    auto record = [&] {
        DrawRecorder r;
        gDrawRecorder = &r;
        Frame();
        gDrawRecorder = nullptr;
        return r;
    };
    // The shadow: the black quad or fan drawn at opacity 0.22.
    auto shadowNear = [](const DrawRecorder& r, float x, float y) {
        bool shadow = false;
        for (const DrawCall& c : r.mCalls) {
            if (c.mOp == DrawOp::kOpacity) shadow = c.mArgs[0] == 0.22f;
            if (shadow && (c.mOp == DrawOp::kQuad || c.mOp == DrawOp::kFan) &&
                std::hypot(c.mArgs[0] - x, c.mArgs[1] - y) < 10.0f)
                return true;
        }
        return false;
    };
    mMap->mCameraLevel[mMap->ViewingSide()] = 1;
    mMap->mCameraX[mMap->ViewingSide()] = enemy->mMarkerX;
    mMap->mCameraY[mMap->ViewingSide()] = enemy->mMarkerY - 40.0f;
    mMap->mCameraHeading[mMap->ViewingSide()] = 1.5707964f;
    mMap->DirtyClip();
    const DrawRecorder lost = record();
    EXPECT_TRUE(shadowNear(lost, enemy->mMarkerX, enemy->mMarkerY)) << "no shadow under the marker";
    EXPECT_FALSE(shadowNear(lost, enemy->mX, enemy->mY)) << "a shadow at the lost contact's true place";
    enemy->mSpotMarker = false;

    // Heard 56 m off: the low camera's eye is within 80 m of that place and
    // farther from the true one, so the flames there are drawn faint.
    enemy->mContactLevel = kContactHeard;
    enemy->mMistakenTypes[2] = enemy->mSubtype; // believed rightly: a model with a footprint
    enemy->mSoundOffsetX = 40;
    enemy->mSoundOffsetY = 40;
    const float ax = enemy->mX + 40.0f, ay = enemy->mY + 40.0f;
    mMap->mCameraLevel[mMap->ViewingSide()] = 1;
    mMap->mCameraX[mMap->ViewingSide()] = ax + 30.0f;
    mMap->mCameraY[mMap->ViewingSide()] = ay + 30.0f;
    mMap->mCameraHeading[mMap->ViewingSide()] = 3.926991f; // towards the heard place
    mMap->DirtyClip();
    auto faint = [&] {
        int32_t n = 0;
        for (const DrawCall& c : record().mCalls)
            n += c.mOp == DrawOp::kOpacity && c.mArgs[0] == 0.9f;
        return n;
    };
    enemy->mBurning = false;
    const int32_t cold = faint();
    ASSERT_LT(std::hypot(mMap->mEyeX - ax, mMap->mEyeY - ay), 80.0f);
    ASSERT_GT(std::hypot(mMap->mEyeX - enemy->mX, mMap->mEyeY - enemy->mY), 80.0f);
    enemy->mBurning = true;
    EXPECT_GT(faint(), cold) << "the flames judged at the true place";
    enemy->mBurning = false;
    EXPECT_FALSE(shadowNear(record(), ax, ay)) << "a vehicle only heard casts a shadow";
}

// ---- Feedback ---------------------------------------------------------------

TEST_F(BattleViewTest, TheActionBarShowsItsProgressOnTheScreen) {
    Begin("hecken", kAxis);
    ActionBar* bar = mApp->mBattleScreen.mActionBar;
    ASSERT_NE(bar, nullptr);
    mBattle->mComputing = true;
    mMap->mDrawMode = 0;
    // The screen shows progress at most every tenth of a second of the real
    // clock; start as if none was shown yet, so a busy machine cannot make
    // the last frame look recent.
    gKernel->mUpdatedOnce = false;
    mApp->ShowProgress(1200);
    mBattle->mComputing = false;
    if (const char* dir = std::getenv("DM_VIEW_SHOTS")) gKernel->SaveScreen((std::string(dir) + "/bar.png").c_str());
    LongRect r;
    bar->GetGlobalBounds(&r);
    const uint16_t blue = MakeRGB565(0, 0, 255);
    int32_t count = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            count += Pixel(x, y) == blue;
    EXPECT_GE(count, (r.Width() / 2 - 4) * (r.Height() - 2)) << "half the bar is filled at half the turn";
    EXPECT_LE(count, (r.Width() / 2 + 4) * r.Height()) << "more than half the bar is filled at half the turn";
}

TEST_F(BattleViewTest, TheSaveDialogStandsInTheMiddleOfTheMapsView) {
    Begin("hecken", kAxis);
    mBattle->SetSelectedUnit(First(true, kUnitInfantry)); // the panel writes its names and figures
    Frame();
    mApp->SaveDialogMV(false);
    ASSERT_NE(mApp->mSaveDialog, nullptr);
    LongRect dialog, map;
    mApp->mSaveDialog->GetGlobalBounds(&dialog);
    mMap->mView->GetGlobalBounds(&map);
    EXPECT_GE(dialog.top, map.top);
    EXPECT_LE(dialog.bottom, map.bottom) << "over the map's view, clear of the bottom bar";
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (map.left + map.right) / 2, 1);
    EXPECT_NEAR((dialog.top + dialog.bottom) / 2, (map.top + map.bottom) / 2, 1);
    mApp->DoCommand(93);
}

TEST_F(BattleViewTest, TheBattleScreensTextsNeitherOverlapNorLeaveTheirViews) {
    Begin("panzer", kAxis);
    auto record = [this] {
        ScreenDrawLog log;
        gScreenDrawLog = &log;
        Frame();
        gScreenDrawLog = nullptr;
        return log;
    };
    auto faults = [](const ScreenDrawLog& log, int32_t* shown) {
        std::string all;
        for (const std::string& f : log.TextFaults(shown))
            all += f + "\n";
        return all;
    };
    int32_t shown = 0;
    for (UnitType kind : {kUnitVehicle, kUnitInfantry}) {
        Unit* u = First(true, kind);
        if (!u) continue;
        mBattle->SetSelectedUnit(u); // the panel writes names, place and figures
        EXPECT_EQ(faults(record(), &shown), "") << kind;
        EXPECT_GE(shown, 5) << kind;
        mMap->ToggleUnitInfo(); // the balloon's sheet over the map
        ASSERT_NE(mMap->mInfoBalloon, nullptr);
        const ScreenDrawLog withBalloon = record();
        EXPECT_EQ(faults(withBalloon, &shown), "") << kind;
        mMap->ToggleUnitInfo();
    }
    // The save dialog covers what lies under it; what stays visible is clear of it.
    mApp->SaveDialogMV(false);
    ASSERT_NE(mApp->mSaveDialog, nullptr);
    EXPECT_EQ(faults(record(), &shown), "");
    mApp->DoCommand(93);
}

// ---- TCP/IP host ------------------------------------------------------------

TEST_F(BattleViewTest, TheTcpHostsGoShowsWhenThePeerIsReadyAndAfterTheSetUp) {
    Begin("hecken", kAxis);
    mApp->ReleaseBattleScreen(mBattle);
    mApp->mConnectionType = 2;
    mApp->mPlayers = 2;
    mApp->mIsHost = true;
    mApp->BuildBattleScreen(mBattle, false);
    BattleScreen& screen = mApp->mBattleScreen;
    ASSERT_NE(screen.mGoButton, nullptr);
    EXPECT_FALSE(screen.mGoButton->IsVisible()) << "the host waits for the peer's scenario";

    mApp->mTCPIPPhase = 4;
    const uint8_t ready = 11;
    mApp->ReceivePacket(&ready, 1);
    EXPECT_EQ(mApp->mTCPIPPhase, 6);
    EXPECT_TRUE(screen.mGoButton->IsVisible()) << "GO after the peer's packet 11";

    mApp->GoButtonChanged(false);
    ASSERT_FALSE(screen.mGoButton->IsVisible());
    ASSERT_TRUE(mBattle->mSetupPhase);
    mApp->mTCPIPPhase = 13;
    mApp->CommunicateAction();
    if (!mBattle->mSetupPhase) {
        EXPECT_TRUE(screen.mGoButton->IsVisible()) << "GO again once the set-up is over";
    }
    mApp->mConnectionType = 0;
}

// ---- The camera by time -----------------------------------------------------

TEST_F(BattleViewTest, AHeldTurnKeyTurnsTheSameAngleAtTwentyAndAHundredFrames) {
    Begin("hecken", kAxis);
    const int32_t s = mMap->ViewingSide();
    // The frame clock runs as the test says: a busy machine stretches no gap.
    static uint32_t sNow = 100000;
    mApp->mDrawSettings.mClock = [] { return sNow; };
    auto turnFor = [&](float fps) {
        const float before = mMap->mCameraHeading[s];
        mMap->mLockedUnit = nullptr;
        gKernel->mFramesPerSecond = fps;
        mApp->DoKey(',', false, false); // the press
        const uint32_t step = static_cast<uint32_t>(1000.0f / fps);
        for (uint32_t held = 0; held < 500; held += step) {
            sNow += step;
            gKernel->mFramesPerSecond = fps;
            mApp->KeyHeld(',');
        }
        sNow += 300; // let go: the next press is a new tap
        return mMap->mCameraHeading[s] - before;
    };
    const float slow = turnFor(20.0f), fast = turnFor(100.0f);
    ASSERT_GT(slow, 0.0f);
    EXPECT_NEAR(fast, slow, 0.2f * slow) << "the turn follows the time held, not the frames drawn";

    // Taps: each moves at least a thirtieth of a second's worth at any rate.
    const float before = mMap->mCameraHeading[s];
    for (int i = 0; i < 6; ++i) {
        gKernel->mFramesPerSecond = 100.0f;
        mApp->DoKey(',', false, false);
        sNow += 170;
    }
    EXPECT_GE(mMap->mCameraHeading[s] - before, 6 * 0.24f / 30.0f * 0.99f);
    mApp->mDrawSettings.mClock = nullptr;
}

// ---- Set-up refusals ---------------------------------------------------------

TEST_F(BattleViewTest, ARefusedSetUpPlaceBeepsAndSaysWhyOverTheMap) {
    Begin("hecken", kAxis);
    ASSERT_TRUE(mBattle->mSetupPhase);
    Unit* own = First(true, kUnitInfantry);
    ASSERT_NE(own, nullptr);
    mBattle->SetSelectedUnit(own);
    const float x = own->mX, y = own->mY;
    auto refusal = [&](float px, float py) {
        const int32_t beeps = gKernel->GetBeepCount();
        mMap->mView->mMessageShown = false;
        mMap->mPickX = px;
        mMap->mPickY = py;
        EXPECT_FALSE(mMap->SetupUnit(true, false));
        EXPECT_EQ(gKernel->GetBeepCount(), beeps + 1) << "a refused place beeps";
        EXPECT_EQ(own->mX, x);
        EXPECT_EQ(own->mY, y);
        EXPECT_TRUE(mMap->mView->mMessageShown);
        return std::string(mMap->mView->mMessage.GetCString());
    };
    GString255 outside;
    outside.IStringRez(6420);
    // The Allies' side of the map lies outside the Axis zone (x 480 to 800).
    EXPECT_EQ(refusal(60.0f, 300.0f), outside.GetCString());
    EXPECT_EQ(refusal(-50.0f, 300.0f), outside.GetCString()) << "off the map counts as outside";
}

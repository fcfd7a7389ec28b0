#include "play_through_driver.h"
#include "engine/FileTestFolder.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "app/AppTypes.h"
#include "app/AppViews.h"
#include "app/FrontEndModals.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GControl.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GFileDialog.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "platform/Letterbox.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include "renderer/GGraph3D.h"
#include "units/Unit.h"

namespace fs = std::filesystem;

bool PlayThroughWanted() {
    return std::getenv("DM_XVFB_PLAY") && std::getenv("DISPLAY");
}

namespace {

// The program's clock while a driver runs it.
std::atomic<uint32_t> sPlayClock{0};
uint32_t PlayClock() {
    return sPlayClock.load(std::memory_order_relaxed);
}

// The program's own folder: the built pictures, sounds and scenarios.
fs::path BuiltProgramFolder() {
    return fs::current_path();
}

fs::path ShotRoot() {
    if (const char* dir = std::getenv("DM_PLAY_SHOTS")) return dir;
    return BuiltProgramFolder().parent_path() / "artefacts" / "play-through";
}

} // namespace

PlayDriver::PlayDriver(const std::string& runName, int32_t width, int32_t height)
    : mRunName(runName), mWidth(width), mHeight(height) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // the run's log lines as they come
    mFolder = MakeUniqueTestFolder("dm-play-" + runName + "-").string();
    std::error_code ec;
    fs::create_directories(mFolder + "/Szenarien");
    const fs::path built = BuiltProgramFolder();
    fs::create_directory_symlink(built / "Demo Data", fs::path(mFolder) / "Demo Data", ec);
    for (const auto& entry : fs::directory_iterator(built / "Szenarien", ec))
        if (entry.path().extension() == ".mvg")
            fs::copy_file(entry.path(), fs::path(mFolder) / "Szenarien" / entry.path().filename(), ec);
    mShotFolder = (ShotRoot() / runName).string();
    fs::remove_all(mShotFolder, ec);
    fs::create_directories(mShotFolder, ec);
    SetProgramFolder(mFolder.c_str());
    GPictureStore::Get().SetFolder("");
}

PlayDriver::~PlayDriver() {
    delete gKernel; // deletes the application, which writes its preferences
    gKernel = nullptr;
    SetClockSource(nullptr);
    SetProgramFolder(nullptr);
    std::error_code ec;
    fs::remove_all(mFolder, ec);
}

bool PlayDriver::Start() {
    sStarted = true;
    // The X server started just now may still be busy with another lane's
    // window: a window that does not open is asked for again, a few times.
    const char* display = std::getenv("DISPLAY");
    for (int attempt = 1;; ++attempt) {
        gKernel = new GKernel;
        if (gKernel->IKernel()) break;
        delete gKernel;
        gKernel = nullptr;
        if (attempt == 8) {
            ADD_FAILURE() << "no window opened on " << (display ? display : "(no DISPLAY)") << " in "
                          << attempt << " attempts";
            return false;
        }
        std::printf("[%s] no window on %s yet (attempt %d)\n", mRunName.c_str(), display ? display : "-",
                    attempt);
        usleep(static_cast<useconds_t>(250000 * attempt));
    }
    // From here the program runs on the driver's clock (the machine's
    // speed was measured on the real one), and its generator starts from a
    // seed of the run's own (the kernel seeded it from the real clock), so
    // the figures stand and move alike in every run. The clock starts at a
    // time of the run's own too: what the game seeds from the clock (an
    // e-mail or hotseat game's turns, the file's CRC that picks the next
    // arrivals) is then the same in every run, however long the machine
    // has been up.
    mSeed = 2166136261u;
    for (char c : mRunName)
        mSeed = (mSeed ^ static_cast<uint8_t>(c)) * 16777619u;
    sPlayClock.store(100000000u + mSeed % 1000000u);
    SetClockSource(PlayClock);
    SeedRandomGenerator(mSeed);
    // The preferences file asks for the screen, as a player's would.
    {
        MVApplication writer;
        writer.LoadPrefs();
        writer.mPresets.mHaveChoices = 1;
        writer.mPresets.mModeConfirmed = 1;
        writer.mPresets.mScreenWidth = mWidth;
        writer.mPresets.mScreenHeight = mHeight;
        GString31 name;
        name.IStringRez(kPrefsFileNameId);
        GFile file;
        EXPECT_TRUE(file.IFile((mFolder + "/" + name.GetCString()).c_str(), kFileModePlainWrite));
        writer.WritePrefs(&file);
    }
    mApp = new MVApplication;
    gKernel->StartApp(mApp);
    if (gKernel->GetFatalMessage()) {
        ADD_FAILURE() << gKernel->GetFatalMessage();
        return false;
    }
    EXPECT_EQ(gKernel->mScreenWidth, mWidth);
    EXPECT_EQ(gKernel->mScreenHeight, mHeight);
    mBeepBase = gKernel->GetBeepCount();
    return true;
}

void PlayDriver::Pass(int32_t ms) {
    sPlayClock.fetch_add(static_cast<uint32_t>(std::max(ms, 0)), std::memory_order_relaxed);
    // An idle program waits up to the pass's time for the window system, so
    // that waiting for another program does not spin; one that draws does not.
    gKernel->DoOnePass(ms);
}

void PlayDriver::Run(int32_t ms) {
    for (int32_t left = ms; left > 0 && !gKernel->IsQuitting(); left -= kPassMs)
        Pass(std::min(left, kPassMs));
}

bool PlayDriver::RunUntil(const std::function<bool()>& done, int32_t timeoutMs, const std::string& what) {
    int32_t ran = 0;
    while (!done()) {
        if (ran >= timeoutMs || gKernel->IsQuitting()) {
            ADD_FAILURE() << mRunName << ": " << what << " did not happen within " << timeoutMs << " ms";
            return false;
        }
        Pass();
        ran += kPassMs;
    }
    return true;
}

bool PlayDriver::AwaitOther(const std::function<bool()>& done, const std::string& what) {
    const uint32_t start = RealClockTime();
    while (!done()) {
        if (RealClockTime() - start > kHungMs || gKernel->IsQuitting()) {
            ADD_FAILURE() << mRunName << ": " << what << " did not happen (the run hung for "
                          << kHungMs / 1000 << " s)";
            return false;
        }
        Pass();
    }
    return true;
}

void PlayDriver::Send(int type, int32_t x, int32_t y, bool doubleClick) {
    PlatformEvent e;
    e.type = static_cast<PlatformEvent::Type>(type);
    e.x = x;
    e.y = y;
    e.button = type == PlatformEvent::kMouseMove ? 0 : 1;
    e.doubleClick = doubleClick;
    gKernel->InjectEvent(e);
    // An event's pass takes a millisecond of the program's clock: two
    // frames at the same time would give the kernel no frame time.
    sPlayClock.fetch_add(1, std::memory_order_relaxed);
    gKernel->DoOnePass(0);
}

void PlayDriver::Move(int32_t x, int32_t y) {
    Send(PlatformEvent::kMouseMove, x, y, false);
}

void PlayDriver::Press(int32_t x, int32_t y, bool doubleClick) {
    Move(x, y);
    Send(PlatformEvent::kMouseDown, x, y, doubleClick);
}

void PlayDriver::Release(int32_t x, int32_t y) {
    Send(PlatformEvent::kMouseUp, x, y, false);
}

void PlayDriver::Click(int32_t x, int32_t y, bool doubleClick) {
    Press(x, y, doubleClick);
    Release(x, y);
    Run(60);
}

void PlayDriver::Hold(int32_t x, int32_t y, int32_t ms, bool keepDown) {
    Press(x, y);
    Run(ms);
    // One pass more: the kernel sends the hold in the pass whose time has
    // reached its delay.
    Pass();
    if (!keepDown) {
        Release(x, y);
        Run(60);
    }
}

void PlayDriver::Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    Press(x0, y0);
    Run(60);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        Move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
        Run(20);
    }
    Release(x1, y1);
    Run(60);
}

void PlayDriver::Key(uint8_t key, bool alt) {
    PlatformEvent e;
    e.type = PlatformEvent::kKey;
    e.key = key;
    e.alt = alt;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
    Run(40);
}

void PlayDriver::Type(const std::string& text) {
    for (char c : text)
        Key(static_cast<uint8_t>(c));
}

bool PlayDriver::XClick(int32_t x, int32_t y) {
    // The window fills the X screen; the game's picture sits letterboxed in it.
    FILE* p = popen("xdotool getdisplaygeometry", "r");
    int w = 0, h = 0;
    if (!p || std::fscanf(p, "%d %d", &w, &h) != 2) {
        if (p) pclose(p);
        ADD_FAILURE() << "xdotool (Debian package xdotool) did not report the screen";
        return false;
    }
    pclose(p);
    EXPECT_GT(w, mWidth) << "the X screen should be larger than the game's mode";
    const Letterbox box = Letterbox::Fit(mWidth, mHeight, w, h);
    const int ox = box.x + static_cast<int>((x + 0.5) * box.w / mWidth);
    const int oy = box.y + static_cast<int>((y + 0.5) * box.h / mHeight);
    const std::string command =
        "xdotool mousemove " + std::to_string(ox) + " " + std::to_string(oy) + " sleep 0.1 click 1";
    const uint32_t before = gKernel->GetButtonDownTime();
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "xdotool failed: " << command;
        return false;
    }
    // The X server delivers the click when it gets to it: the program runs
    // until it has taken the press and the release.
    Pass();
    return AwaitOther([&] { return gKernel->GetButtonDownTime() != before && !gKernel->IsButtonDown(); },
                      "the X server's click");
}

GView* PlayDriver::FindControl(GView* root, int32_t command) {
    if (!root) return nullptr;
    if (auto* control = dynamic_cast<GControl*>(root))
        if (control->GetCommandID() == command && root->IsVisible()) return root;
    for (int32_t i = 0; i < root->GetSubviewCount(); ++i)
        if (GView* found = FindControl(root->GetSubview(i), command)) return found;
    return nullptr;
}

void PlayDriver::CentreOf(GView* view, int32_t* x, int32_t* y) {
    LongRect r;
    view->GetGlobalBounds(&r);
    *x = (r.left + r.right) / 2;
    *y = (r.top + r.bottom) / 2;
}

bool PlayDriver::ClickCommand(int32_t command, bool doubleClick) {
    GView* control = FindControl(gKernel->GetWindow(), command);
    if (!control) {
        ADD_FAILURE() << mRunName << ": no visible control sends command " << command;
        return false;
    }
    int32_t x = 0, y = 0;
    CentreOf(control, &x, &y);
    Click(x, y, doubleClick);
    return true;
}

bool PlayDriver::GroundOnScreen(float x, float y, int32_t* sx, int32_t* sy) const {
    if (!g3D || !gBattle || !gBattle->mMap) return false;
    const float z = gBattle->mMap->GetZCoord(x, y);
    // A point behind the eye would be mirrored onto the screen.
    const GOLTAMatrix& m = *g3D->mCurrentMatrix;
    if (x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2] >= 0.0f) return false;
    float px = x, py = y;
    const bool inside = g3D->WorldToScreen(&px, &py, z, false);
    *sx = static_cast<int32_t>(px);
    *sy = static_cast<int32_t>(py);
    return inside && *sy < mHeight - 90;
}

bool PlayDriver::UnitOnScreen(Unit* unit, int32_t* x, int32_t* y) const {
    if (!unit) return false;
    return GroundOnScreen(unit->mX, unit->mY, x, y);
}

void PlayDriver::Shot(const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++mShotNumber);
    const std::string path = mShotFolder + "/" + number + "-" + name + ".png";
    // The shot is the frame drawn now, with the places of its texts recorded.
    ScreenDrawLog log;
    gScreenDrawLog = &log;
    if (GView* window = gKernel->GetWindow()) window->Refresh(); // the whole screen, in 2-D mode too
    gKernel->UpdateScreen();
    gScreenDrawLog = nullptr;
    EXPECT_TRUE(gKernel->SaveScreen(path.c_str())) << path;
    CheckMapPicture(name);
    CheckTexts(log, name);
    if (std::getenv("DM_PLAY_XSHOTS")) {
        const std::string x = "xwd -root -silent | convert xwd:- '" + path + ".x.png'";
        (void)std::system(x.c_str());
    }
}

void PlayDriver::CheckTexts(const ScreenDrawLog& log, const std::string& step) {
    int32_t texts = 0;
    for (const ScreenDrawItem& i : log.mItems)
        texts += i.mKind == 't';
    int32_t shown = 0;
    const std::vector<std::string> faults = log.TextFaults(&shown);
    for (const std::string& f : faults)
        ADD_FAILURE() << mRunName << ": text " << f << " at " << step;
    std::printf("[play] %s: %d texts, %d visible, checked at %s\n", mRunName.c_str(), texts, shown,
                step.c_str());
}

void PlayDriver::CheckMapPicture(const std::string& step) {
    if (!gBattle || !gBattle->mMap || !gBattle->mMap->mView || !gBattle->mMap->mView->IsVisible()) return;
    if (gBattle->mComputing || gBattle->mAIThinking || gBattle->mMap->mDrawMode < 2) return;
    LongRect r;
    gBattle->mMap->mView->GetGlobalBounds(&r);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    r = LongRect::Intersect(r, LongRect{0, 0, back.width, back.height});
    if (r.IsEmpty()) return;
    // Sampled on a grid; the map's picture has many colours.
    std::set<uint16_t> colours;
    for (int32_t y = r.top + 2; y < r.bottom; y += 7)
        for (int32_t x = r.left + 2; x < r.right; x += 7)
            colours.insert(back.Row(y)[x]);
    EXPECT_GT(colours.size(), 8u) << mRunName << ": the map view shows no picture at " << step;
}

void PlayDriver::CheckGoShown(const std::string& step) {
    GView* go = FindControl(gKernel->GetWindow(), 9);
    EXPECT_TRUE(go && go->IsVisible()) << mRunName << ": no GO where orders are taken, at " << step;
}

void PlayDriver::CheckSelectionDrawn(Unit* unit) {
    MVApplication* app = mApp;
    if (!unit || !gBattle || !gBattle->mMap) return;
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    const int8_t bases = app->mPrefs[kPrefUnitBases];
    const int32_t keptLevel = map->mCameraLevel[side];
    const float keptX = map->mCameraX[side], keptY = map->mCameraY[side],
                keptHeading = map->mCameraHeading[side];
    map->mLockedUnit = nullptr;
    for (int32_t level = 0; level <= 8; ++level) {
        app->mPrefs[kPrefUnitBases] = level >= 3 ? 1 : 0;
        app->JumpCameraToLevel(level);
        map->mCameraX[side] = unit->mX;
        map->mCameraY[side] = unit->mY - 30.0f;
        map->mCameraHeading[side] = 1.5707964f;
        auto box = [&](std::vector<uint16_t>* pixels, int32_t* cx, int32_t* cy) {
            Run(120);
            if (!UnitOnScreen(unit, cx, cy)) return false;
            const PixelTarget16 back = gKernel->GetBackBuffer();
            pixels->clear();
            for (int32_t y = *cy - 20; y <= *cy + 10; ++y)
                for (int32_t x = *cx - 14; x <= *cx + 14; ++x)
                    pixels->push_back(x >= 0 && y >= 0 && x < back.width && y < back.height ? back.Row(y)[x]
                                                                                            : 0);
            return true;
        };
        std::vector<uint16_t> with, without;
        int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        int32_t changed = 0;
        bool onScreen = true;
        // A machine too slow for a frame's time skips a frame: a few tries.
        for (int32_t attempt = 0; attempt < 5 && onScreen && changed < 12; ++attempt) {
            gBattle->SetSelectedUnit(unit);
            const bool seen = box(&with, &x1, &y1);
            gBattle->SetSelectedUnit(nullptr);
            const bool seenAgain = box(&without, &x2, &y2);
            onScreen = seen && seenAgain && x1 == x2 && y1 == y2;
            changed = 0;
            for (size_t i = 0; onScreen && i < with.size(); ++i)
                changed += with[i] != without[i];
        }
        if (!onScreen) {
            ADD_FAILURE() << mRunName << ": the selected unit is not on the screen at level " << level;
            continue;
        }
        EXPECT_GE(changed, 12) << mRunName << ": selecting the unit changes nothing drawn at level " << level;
    }
    gBattle->SetSelectedUnit(unit);
    app->mPrefs[kPrefUnitBases] = bases;
    app->JumpCameraToLevel(keptLevel);
    map->mCameraX[side] = keptX;
    map->mCameraY[side] = keptY;
    map->mCameraHeading[side] = keptHeading;
    map->DirtyClip();
    Run(150);
}

void PlayDriver::CheckNoBeep(const std::string& step) {
    const int32_t now = gKernel->GetBeepCount();
    EXPECT_EQ(now, mBeepBase) << mRunName << ": a refusal beep the run did not expect, at " << step;
    mBeepBase = now;
}

void PlayDriver::AllowBeeps() {
    mBeepBase = gKernel->GetBeepCount();
}

bool OpenBattleScreen(PlayDriver& d, int32_t side, const std::function<void(MVApplication*)>& choose) {
    MVApplication* app = d.App();
    if (!app || !gBattle) return false;
    d.Run(0);
    if (Alive(app->mScenarioText)) app->DoCommand(85); // the general briefing read
    if (choose) choose(app);
    app->DoCommand(109 + side);
    if (Alive(app->mScreenView)) {
        app->DoCommand(114); // one player
        app->DoCommand(111);
    }
    d.Run(0);
    if (Alive(app->mScenarioText)) app->DoCommand(86); // the side's briefing read
    d.Run(300);                                        // the first frames drawn
    return gBattle && gBattle->mScreen;
}

void CheckLockedVehicleAtLevelZero(PlayDriver& d) {
    MVApplication* app = d.App();
    Map* map = gBattle ? gBattle->mMap : nullptr;
    Unit* vehicle = nullptr;
    for (int32_t i = 0; map && i < gBattle->mUnits->GetCount() && !vehicle; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u && u->mActive && u->mUnitType == kUnitVehicle && u->mOffMapState == 0 &&
            u->IsOwnUnit(app->ViewingSide()) && !u->IsPassenger(false))
            vehicle = u;
    }
    if (!vehicle) {
        ADD_FAILURE() << d.RunName() << ": no own vehicle in play to lock the camera on";
        return;
    }
    const int32_t side = map->ViewingSide();
    const int32_t level = map->mCameraLevel[side];
    const float x = map->mCameraX[side], y = map->mCameraY[side], heading = map->mCameraHeading[side];
    app->ToggleCameraLock(vehicle);
    app->JumpCameraToLevel(0);
    d.Run(300);
    d.Shot("vehicle-level0-locked");
    LongRect view;
    map->mView->GetGlobalBounds(&view);
    auto frame = [&] {
        map->DirtyClip();
        d.Run(60);
        RecordFrame();
        return GrabPixels(view);
    };
    const std::vector<uint16_t> textured = frame();
    const std::vector<uint16_t> again = frame(); // what two frames of the same scene differ by
    GGraphic* kept[4][17];
    std::memcpy(kept, vehicle->mTextureSets, sizeof kept);
    for (auto& set : vehicle->mTextureSets)
        for (GGraphic*& t : set)
            t = nullptr;
    const std::vector<uint16_t> bare = frame();
    d.Shot("vehicle-level0-bare");
    std::memcpy(vehicle->mTextureSets, kept, sizeof kept);
    const int32_t noise = PixelsChanged(textured, again);
    const int32_t changed = PixelsChanged(textured, bare);
    std::printf("[%s] locked vehicle at level 0: %d pixels of the view owe to its textures (%d between "
                "two frames)\n",
                d.RunName().c_str(), changed, noise);
    EXPECT_GT(changed, std::max<int32_t>(static_cast<int32_t>(textured.size()) / 50, 8 * noise))
        << d.RunName() << ": the locked vehicle at level 0 looks the same without its textures";
    app->ToggleCameraLock(nullptr);
    app->JumpCameraToLevel(level);
    map->mCameraX[side] = x;
    map->mCameraY[side] = y;
    map->mCameraHeading[side] = heading;
    map->DirtyClip();
    d.Run(200);
}

// ---- Steps shared by the cases of the further play-through files ----------

int32_t ShownCommand(std::initializer_list<int32_t> commands) {
    for (int32_t c : commands)
        if (PlayDriver::FindControl(gKernel->GetWindow(), c)) return c;
    return 0;
}

bool BattleScreenShown() {
    return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible();
}

bool ToMainMenu(PlayDriver& d) {
    MVApplication* app = d.App();
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr && app->mMenuPicture; }, 5000, "the menu"))
        return false;
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    return d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 2000, "the main menu");
}

bool OpenListed(PlayDriver& d, const std::string& title, bool operation) {
    MVApplication* app = d.App();
    if (!d.ClickCommand(67) || !d.RunUntil([&] { return app->mScenarioList; }, 5000, "the list"))
        return false;
    ScenarioScroller* list = app->mScenarioList;
    const int32_t choice = operation ? 1 : 0;
    if (operation && !d.ClickCommand(79)) return false;
    for (int32_t i = 0; i < list->FileCount(choice); ++i) {
        ScenarioSnapshot* snap = list->Snapshot(choice, i);
        if (!snap || snap->fromGame || std::string(snap->title.GetCString()).rfind(title, 0) != 0) continue;
        // Line 0 of the battles is the quick battle.
        const int32_t line = i + (operation ? 0 : 1);
        for (int32_t p = list->mPage[choice]; p < line / list->mLinesPerPage; ++p)
            d.ClickCommand(81);
        LongRect r;
        list->GetGlobalBounds(&r);
        d.Click(r.left + 200, r.top + 62 + 24 * (line % list->mLinesPerPage) + 12);
        EXPECT_EQ(list->mSelected[choice], line) << title;
        d.Shot(operation ? "operation-list" : "scenario-list");
        return d.ClickCommand(72) && d.RunUntil([] { return gBattle != nullptr; }, 20000, "the file opened");
    }
    ADD_FAILURE() << "no line for " << title;
    return false;
}

bool ScreensToBattle(PlayDriver& d, int32_t side, int32_t players, const char* password,
                     const std::function<void()>& atSides) {
    MVApplication* app = d.App();
    int32_t steps = 0;
    while (!BattleScreenShown()) {
        if (++steps > 600 || ::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << d.RunName() << ": no battle screen (state " << app->InteractionState() << ")";
            return false;
        }
        if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField) &&
            app->mPasswordField->IsVisible()) {
            d.Type(password);
            d.Key(kKeyReturn);
        } else if (int32_t c = ShownCommand({85, 86, 87, 89})) {
            d.ClickCommand(c);
        } else if (ShownCommand({109})) {
            if (atSides) atSides();
            d.ClickCommand(109 + side);
        } else if (ShownCommand({111})) {
            d.ClickCommand(players);
            d.ClickCommand(111);
        } else {
            d.Run(50);
        }
    }
    d.Run(300);
    return true;
}

bool GoAndWait(PlayDriver& d, const std::string& what) {
    MVApplication* app = d.App();
    if (!d.ClickCommand(9)) return false;
    return d.RunUntil(
        [&] {
            return app->InteractionState() == kStatePlayback || app->InteractionState() == kStateConfirm ||
                   (gBattle && !gBattle->mSetupPhase && app->InteractionState() == kStateNone &&
                    app->mProgressWindow == nullptr);
        },
        120000, "the turn after GO (" + what + ")");
}

const ScreenDrawItem* FindText(const ScreenDrawLog& log, const std::string& text) {
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 't' && i.mText == text) return &i;
    return nullptr;
}

double MeanBrightness(const LongRect& rect) {
    const PixelTarget16 back = gKernel->GetBackBuffer();
    const LongRect r = LongRect::Intersect(rect, LongRect{0, 0, back.width, back.height});
    double sum = 0.0;
    int64_t n = 0;
    for (int32_t y = r.top; y < r.bottom; y += 3)
        for (int32_t x = r.left; x < r.right; x += 3) {
            const uint16_t p = back.Row(y)[x];
            sum += ((p >> 11) << 3) + (((p >> 5) & 63) << 2) + ((p & 31) << 3);
            n += 3;
        }
    return n ? sum / static_cast<double>(n) : 0.0;
}

// ---- Shared by the tank and squad play-throughs -----------------------------

bool OpenDemoBattle(PlayDriver& d, const std::string& file, int32_t side,
                    const std::function<void(MVApplication*)>& choose) {
    MVApplication* app = d.App();
    d.Click(10, 10); // the title
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 30000, "the title giving way")) return false;
    auto* game = new GFile;
    if (!game->IFile((d.Folder() + "/Szenarien/" + file + ".mvg").c_str(), kFileModeCompressedRead)) {
        delete game;
        ADD_FAILURE() << "no demo battle " << file;
        return false;
    }
    app->HighLevelLoadGame(game);
    if (!OpenBattleScreen(d, side, choose)) {
        ADD_FAILURE() << file << ": the battle screen was not built";
        return false;
    }
    return d.RunUntil(
        [] { return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible(); },
        20000, file + "'s battle screen");
}

ScreenDrawLog RecordFrame() {
    ScreenDrawLog log;
    gScreenDrawLog = &log;
    if (GView* window = gKernel->GetWindow()) window->Refresh();
    gKernel->UpdateScreen();
    gScreenDrawLog = nullptr;
    return log;
}

const ScreenDrawItem* FindTextHolding(const ScreenDrawLog& log, const std::string& part) {
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 't' && i.mText.find(part) != std::string::npos) return &i;
    return nullptr;
}

std::string RezText(int32_t id) {
    GString255 text;
    text.IStringRez(id);
    return text.GetCString();
}

std::vector<uint16_t> GrabPixels(const LongRect& rect) {
    const PixelTarget16 back = gKernel->GetBackBuffer();
    const LongRect r = LongRect::Intersect(rect, LongRect{0, 0, back.width, back.height});
    std::vector<uint16_t> pixels;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            pixels.push_back(back.Row(y)[x]);
    return pixels;
}

int32_t PixelsChanged(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) {
    int32_t n = static_cast<int32_t>(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        n += a[i] != b[i];
    return n;
}

void KeypadKey(uint8_t key) {
    PlatformEvent e;
    e.type = PlatformEvent::kKey;
    e.key = key;
    e.numpad = true;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
}

bool WorldOnScreen(const PlayDriver& d, float x, float y, float z, int32_t* sx, int32_t* sy) {
    if (!g3D) return false;
    const GOLTAMatrix& m = *g3D->mCurrentMatrix;
    if (x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2] >= 0.0f) return false;
    float px = x, py = y;
    g3D->WorldToScreen(&px, &py, z, false);
    *sx = static_cast<int32_t>(px);
    *sy = static_cast<int32_t>(py);
    return *sx >= 2 && *sy >= 2 && *sx < d.Width() - 2 && *sy < d.Height() - 90;
}

void LookAtPoint(PlayDriver& d, int32_t level, float x, float y) {
    Map* map = gBattle->mMap;
    const int32_t side = map->ViewingSide();
    d.App()->JumpCameraToLevel(level);
    map->mLockedUnit = nullptr;
    map->mCameraX[side] = x;
    map->mCameraY[side] = y;
    map->mCameraHeading[side] = 1.5707964f;
    map->DirtyClip();
    d.Move(d.Width() / 2, d.Height() / 2); // a still scene draws on the pointer's move
    d.Run(60);
    RecordFrame(); // the frame whose camera places points on the screen
}

namespace {

// Answers the e-mail file chooser once it is the top modal. The loaded game
// clears the screen's views, this one with them; alive tells whether it is left.
class MailFileChooser : public GView {
public:
    MailFileChooser(PlayDriver& d, std::string name, bool shot, bool* answered, bool* alive)
        : mDriver(d), mName(std::move(name)), mShot(shot), mAnswered(answered), mAlive(alive) {
        IView(nullptr, 0, 0, 1, 1);
        SetIdleTimer(0);
        *mAlive = true;
    }
    ~MailFileChooser() override { *mAlive = false; }
    void DoIdle() override {
        auto* dialog = dynamic_cast<GFileDialog*>(gKernel->GetTopModal());
        if (!dialog || *mAnswered) return;
        *mAnswered = true;
        const ScreenDrawLog log = RecordFrame();
        if (mShot) mDriver.Shot("mail-chooser-" + mName);
        const ScreenDrawItem* line = FindText(log, mName + ".txt");
        if (!line) {
            ADD_FAILURE() << "the chooser shows no line for " << mName;
            dialog->DoCommand(GFileDialog::kCmdCancel);
            return;
        }
        PlatformEvent e;
        e.x = (line->mRect.left + line->mRect.right) / 2;
        e.y = (line->mRect.top + line->mRect.bottom) / 2;
        e.button = 1;
        for (auto type : {PlatformEvent::kMouseMove, PlatformEvent::kMouseDown, PlatformEvent::kMouseUp}) {
            e.type = type;
            e.doubleClick = type == PlatformEvent::kMouseDown;
            gKernel->InjectEvent(e);
        }
    }

private:
    PlayDriver& mDriver;
    std::string mName;
    bool mShot;
    bool* mAnswered;
    bool* mAlive;
};

} // namespace

bool ChooseMailFile(PlayDriver& d, const std::string& name, bool shot) {
    bool answered = false, alive = false;
    auto* chooser = new MailFileChooser(d, name, shot, &answered, &alive);
    const bool clicked = d.ClickCommand(74);
    if (alive) delete chooser;
    return clicked && answered;
}

void SendMailTurn(PlayDriver& d, const std::string& name, bool pressGo, bool looks, uint32_t boxMs) {
    MVApplication* app = d.App();
    if (pressGo) {
        ASSERT_TRUE(d.ClickCommand(9));
    }
    ASSERT_TRUE(d.RunUntil([] { return dynamic_cast<PBEMModal*>(gKernel->GetTopModal()) != nullptr; }, boxMs,
                           "the e-mail box"));
    d.Run(100);
    LongRect box;
    gKernel->GetTopModal()->GetGlobalBounds(&box);
    if (looks) {
        d.Shot("mail-box-" + name);
        EXPECT_GT(PixelsNear(box, 150, 0, 0, 12), 2 * 10 * box.Width()) << "the e-mail box's red frame";
    }
    d.Click((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    ASSERT_TRUE(d.RunUntil([&] { return app->mSaveDialog && gKernel->IsViewAlive(app->mSaveDialog); }, 3000,
                           "the e-mail save dialog"));
    if (looks) {
        bool dialogDrawn = false;
        for (const ScreenDrawItem& i : RecordFrame().mItems)
            dialogDrawn = dialogDrawn || (i.mKind == 'b' && i.mPicture == 11253);
        EXPECT_TRUE(dialogDrawn) << "the e-mail save dialog's picture";
    }
    for (int i = 0; i < 30; ++i)
        d.Key(kKeyBackspace);
    d.Type(name);
    if (looks) d.Shot("mail-save-" + name);
    d.Key(kKeyReturn);
    ASSERT_TRUE(d.RunUntil([&] { return !gBattle && !gKernel->IsViewAlive(app->mSaveDialog); }, 5000,
                           "the file sent"));
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    ASSERT_TRUE(
        d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 3000, "the main menu after sending"));
    std::ifstream in(d.Folder() + "/" + MailFolder() + "/" + name + ".txt", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Play-By-Email Data Follows This Line"), std::string::npos)
        << name << " in the mail folder";
    d.AllowBeeps();
}

void OpenMailTurn(PlayDriver& d, const std::string& name, int32_t side, const char* password, bool looks) {
    ASSERT_TRUE(d.ClickCommand(68));
    d.Run(100);
    ASSERT_TRUE(ChooseMailFile(d, name, looks) && gBattle) << name << " did not open";
    EXPECT_EQ(d.App()->mConnectionType, 1);
    ASSERT_EQ(d.App()->mSide, side) << name << ": the receiving player moves";
    ASSERT_TRUE(ScreensToBattle(d, side, 116, password));
    EXPECT_EQ(d.App()->ViewingSide(), side);
    d.AllowBeeps();
}

int32_t PixelsNear(const LongRect& rect, int red, int green, int blue, int tolerance) {
    const PixelTarget16 back = gKernel->GetBackBuffer();
    const LongRect r = LongRect::Intersect(rect, LongRect{0, 0, back.width, back.height});
    int32_t n = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) {
            const uint16_t p = back.Row(y)[x];
            n += std::abs(((p >> 11) << 3) - red) <= tolerance &&
                 std::abs((((p >> 5) & 63) << 2) - green) <= tolerance &&
                 std::abs(((p & 31) << 3) - blue) <= tolerance;
        }
    return n;
}

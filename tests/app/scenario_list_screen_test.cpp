// The scenario list as the program shows it: the real application on the
// dummy display with the built pictures, the shipped battle and operation in
// its folder, an operation saved from within it; what reaches the back buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "app/FadeInScreen.h"
#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "app_fixture.h"
#include "play_through_driver.h"
#include "battle/Campaign.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "platform/PlatformEvent.h"

namespace fs = std::filesystem;

namespace {

uint32_t sNow = 0;

class ScenarioListScreen : public testing::Test {
protected:
    void SetUp() override {
        const std::string built = fs::current_path().string();
        mFolder = std::make_unique<ProgramFolder>();
        for (const char* name : {"hecken.mvg", "mortain.mvh"})
            fs::copy_file(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name, mFolder->Path("Szenarien/") + name);
        mOldPictures = GPictureStore::Get().GetFolder();
        GPictureStore::Get().SetFolder(built + "/Demo Data/Pictures/");
        gKernel = new GKernel;
        ASSERT_TRUE(gKernel->IKernel());
        sNow = 100000;
        FadeInScreen::sClock = [] { return sNow; };
        mApp = new MVApplication;
        gKernel->StartApp(mApp);
        gKernel->SetScreenMode(800, 600);
        sNow += 5000;
        gKernel->DoOnePass(0);
        Key('q'); // the title fades out
        sNow += 300;
        Pass(2);
        Click(400, 300); // the overlay leaves the menu
        ASSERT_EQ(gKernel->GetTopModal(), nullptr);
    }
    void TearDown() override {
        delete gKernel;
        gKernel = nullptr;
        gBattle = nullptr;
        gCampaign = nullptr;
        FadeInScreen::sClock = ClockTime;
        GPictureStore::Get().SetFolder(mOldPictures);
        mFolder.reset();
    }
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i)
            gKernel->DoOnePass(0);
    }
    void Key(uint8_t key) {
        PlatformEvent e;
        e.type = PlatformEvent::kKey;
        e.key = key;
        gKernel->InjectEvent(e);
        Pass();
    }
    void Click(int32_t x, int32_t y) {
        PlatformEvent e;
        e.type = PlatformEvent::kMouseDown;
        e.x = x;
        e.y = y;
        e.button = 1;
        gKernel->InjectEvent(e);
        Pass();
        e.type = PlatformEvent::kMouseUp;
        gKernel->InjectEvent(e);
        Pass(2);
    }
    void ClickCommand(GView* root, int32_t command) {
        GView* b = PlayDriver::FindControl(root, command);
        ASSERT_NE(b, nullptr) << command;
        int32_t x, y;
        PlayDriver::CentreOf(b, &x, &y);
        Click(x, y);
    }
    // The share of a control's picture pixels that the screen shows at its
    // place (a pressed radio button sits one pixel down and right).
    static double PictureShown(GView* control, int32_t picture, int32_t shift) {
        std::unique_ptr<GGraphic> g(gKernel->MakeGraphic(kGraphic2D, picture));
        const Surface16* s = g ? g->GetSurface() : nullptr;
        if (!s || !control->IsVisible()) return 0.0;
        LongRect at;
        control->GetGlobalBounds(&at);
        const PixelTarget16 back = gKernel->GetBackBuffer();
        int32_t same = 0, all = 0;
        for (int32_t y = 0; y + 1 < s->Height(); ++y)
            for (int32_t x = 0; x + 1 < s->Width(); ++x) {
                const uint16_t p = s->Target().Row(y)[x];
                if (s->HasColorKey() && p == s->ColorKey()) continue;
                ++all;
                same += back.Row(at.top + y + shift)[at.left + x + shift] == p;
            }
        return all ? static_cast<double>(same) / all : 0.0;
    }
    // Pixels of one colour on a list line (row from the list's top line).
    int32_t LinePixels(int32_t row, uint8_t r, uint8_t g, uint8_t b) {
        LongRect list;
        mApp->mScenarioList->GetGlobalBounds(&list);
        const uint16_t c = gKernel->MakeColor16(r, g, b);
        const PixelTarget16 back = gKernel->GetBackBuffer();
        int32_t n = 0;
        for (int32_t y = list.top + 62 + 24 * row + 2; y < list.top + 62 + 24 * row + 22; ++y)
            for (int32_t x = list.left + 19; x < list.left + 200; ++x)
                n += back.Row(y)[x] == c;
        return n;
    }

    std::unique_ptr<ProgramFolder> mFolder;
    std::string mOldPictures;
    MVApplication* mApp = nullptr;
};

} // namespace

TEST_F(ScenarioListScreen, ControlsAreDrawnAndTheOperationListShowsTheSavedOperationFirst) {
    ClickCommand(mApp->mMenuPicture, 67);
    ScenarioScroller* list = mApp->mScenarioList;
    ASSERT_NE(list, nullptr);
    // Open the demo operation from the list and save it under a name.
    ClickCommand(list, 79);
    ClickCommand(mApp->mMenuPicture, 72);
    ASSERT_NE(gCampaign, nullptr);
    mApp->mLastSaveName.IStringText("Meine Operation");
    mApp->DoCommand(91);
    ASSERT_TRUE(mFolder->Exists("Savegames/Meine Operation.mvh"));
    // Back from the briefing to the list, to the main menu, to the list.
    mApp->DoCommand(88);
    Pass(2);
    ClickCommand(mApp->mMenuPicture, 73);
    ClickCommand(mApp->mMenuPicture, 67);
    list = mApp->mScenarioList;
    ASSERT_NE(list, nullptr);
    GView* battles = PlayDriver::FindControl(list, 78);
    GView* operations = PlayDriver::FindControl(list, 79);
    ASSERT_TRUE(battles && operations);
    EXPECT_GT(PictureShown(battles, 11232, 1), 0.9);
    EXPECT_GT(PictureShown(operations, 11233, 0), 0.9);
    EXPECT_GT(PictureShown(list->mPageUp, 11230, 0), 0.9);
    EXPECT_GT(PictureShown(list->mPageDown, 11231, 0), 0.9);
    EXPECT_FALSE(list->mDeleteButton->IsShown()); // a shipped battle is selected
    EXPECT_GT(LinePixels(1, 255, 255, 255), 0);   // hecken

    // Choosing the operations redraws the list: the saved one first, in the
    // saved games' colour, the shipped one after it; delete shows.
    ClickCommand(list, 79);
    ASSERT_EQ(list->Choice(), 1);
    ASSERT_EQ(list->FileCount(1), 2);
    EXPECT_TRUE(list->Snapshot(1, 0)->fromGame);
    EXPECT_GT(PictureShown(operations, 11233, 1), 0.9);
    EXPECT_GT(PictureShown(battles, 11232, 0), 0.9);
    EXPECT_GT(PictureShown(list->mDeleteButton, 10033, 0), 0.9);
    EXPECT_GT(LinePixels(0, 255, 175, 110), 0);
    EXPECT_EQ(LinePixels(1, 255, 175, 110), 0);
    EXPECT_GT(LinePixels(1, 255, 255, 255), 0);
    // One page: neither page button is enabled.
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
}

TEST_F(ScenarioListScreen, PageButtonsFollowThePageRule) {
    // Twenty saved battles and hecken: 22 lines at 13 a page, two pages.
    for (int i = 0; i < 20; ++i)
        fs::copy_file(mFolder->Path("Szenarien/hecken.mvg"),
                      mFolder->Path("Savegames/Spiel " + std::to_string(10 + i) + ".mvg"));
    ClickCommand(mApp->mMenuPicture, 67);
    ScenarioScroller* list = mApp->mScenarioList;
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->mLinesPerPage, 13);
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_TRUE(list->mPageDown->IsActive());
    ClickCommand(list, 81);
    EXPECT_EQ(list->mPage[0], 1);
    EXPECT_EQ(list->mSelected[0], 13);
    EXPECT_TRUE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
    EXPECT_GT(PictureShown(list->mPageUp, 11230, 0), 0.9);
    // The operations have one page; back on the battles the second page stays.
    ClickCommand(list, 79);
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
    ClickCommand(list, 78);
    EXPECT_TRUE(list->mPageUp->IsActive());
}

// The scenario list as the program shows it: the application with the
// built pictures, the shipped battles and operation in its folder, an
// operation saved from within it; what reaches the back buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "play_through_driver.h"
#include "battle/Campaign.h"
#include "engine/GGraphic.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GKernel.h"

namespace fs = std::filesystem;

namespace {

// The share of a picture's pixels that the screen shows at the control's
// place (a chosen radio button sits one pixel down and right).
double PictureShown(GView* control, int32_t picture, int32_t shift) {
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
int32_t LinePixels(ScenarioScroller* list, int32_t row, uint8_t r, uint8_t g, uint8_t b) {
    LongRect at;
    list->GetGlobalBounds(&at);
    const uint16_t c = gKernel->MakeColor16(r, g, b);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    int32_t n = 0;
    for (int32_t y = at.top + 62 + 24 * row + 2; y < at.top + 62 + 24 * row + 22; ++y)
        for (int32_t x = at.left + 19; x < at.left + 200; ++x)
            n += back.Row(y)[x] == c;
    return n;
}

// The main menu, past the title and the overlay, with the demo operation
// beside the shipped battles.
MVApplication* ToMenu(PlayDriver& d) {
    fs::copy_file(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", d.Folder() + "/Szenarien/mortain.mvh");
    if (!d.Start()) return nullptr;
    MVApplication* app = d.App();
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr && app->mMenuPicture; }, 5000, "the menu"))
        return nullptr;
    if (!app->mMenuPicture->IsShown()) d.Click(d.Width() / 2, d.Height() / 2); // the overlay
    return app;
}

} // namespace

TEST(ScenarioListScreen, ControlsAreDrawnAndTheOperationListShowsTheSavedOperationFirst) {
    PlayDriver d("scenario-list", 800, 600);
    MVApplication* app = ToMenu(d);
    ASSERT_NE(app, nullptr);
    // Open the demo operation from the list and save it under a name.
    ASSERT_TRUE(d.ClickCommand(67));
    ASSERT_TRUE(d.ClickCommand(79));
    ASSERT_TRUE(d.ClickCommand(72));
    ASSERT_NE(gCampaign, nullptr);
    app->mLastSaveName.IStringText("Meine Operation");
    app->DoCommand(91);
    ASSERT_TRUE(fs::exists(d.Folder() + "/Savegames/Meine Operation.mvh"));
    // Back from the briefing to the list, to the main menu, to the list.
    app->DoCommand(88);
    d.Run(60);
    ASSERT_TRUE(d.ClickCommand(73));
    ASSERT_TRUE(d.ClickCommand(67));
    ScenarioScroller* list = app->mScenarioList;
    ASSERT_NE(list, nullptr);
    GView* battles = PlayDriver::FindControl(list, 78);
    GView* operations = PlayDriver::FindControl(list, 79);
    ASSERT_TRUE(battles && operations);
    EXPECT_GT(PictureShown(battles, 11232, 1), 0.9);
    EXPECT_GT(PictureShown(operations, 11233, 0), 0.9);
    // One page: both page buttons show their inactive look.
    EXPECT_GT(PictureShown(list->mPageUp, 3011230, 0), 0.9);
    EXPECT_GT(PictureShown(list->mPageDown, 3011231, 0), 0.9);
    EXPECT_FALSE(list->mDeleteButton->IsShown()); // a shipped battle is selected
    EXPECT_GT(LinePixels(list, 1, 255, 255, 255), 0);

    // Choosing the operations redraws the list: the saved one first, in the
    // saved games' colour, the shipped one after it; delete shows.
    ASSERT_TRUE(d.ClickCommand(79));
    ASSERT_EQ(list->Choice(), 1);
    ASSERT_EQ(list->FileCount(1), 2);
    EXPECT_TRUE(list->Snapshot(1, 0)->fromGame);
    EXPECT_GT(PictureShown(operations, 11233, 1), 0.9);
    EXPECT_GT(PictureShown(battles, 11232, 0), 0.9);
    EXPECT_GT(PictureShown(list->mDeleteButton, 10033, 0), 0.9);
    EXPECT_GT(LinePixels(list, 0, 255, 175, 110), 0);
    EXPECT_EQ(LinePixels(list, 1, 255, 175, 110), 0);
    EXPECT_GT(LinePixels(list, 1, 255, 255, 255), 0);
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
}

TEST(ScenarioListScreen, PageButtonsFollowThePageRule) {
    PlayDriver d("scenario-pages", 800, 600);
    // Nineteen saved battles and the shipped ones: two pages of 13 lines.
    fs::create_directories(d.Folder() + "/Savegames");
    for (int i = 0; i < 19; ++i)
        fs::copy_file(d.Folder() + "/Szenarien/hecken.mvg", d.Folder() + "/Savegames/Spiel " + std::to_string(10 + i) + ".mvg");
    MVApplication* app = ToMenu(d);
    ASSERT_NE(app, nullptr);
    ASSERT_TRUE(d.ClickCommand(67));
    ScenarioScroller* list = app->mScenarioList;
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->mLinesPerPage, 13);
    ASSERT_EQ(list->PageCount(0), 2);
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_TRUE(list->mPageDown->IsActive());
    ASSERT_TRUE(d.ClickCommand(81));
    EXPECT_EQ(list->mPage[0], 1);
    EXPECT_EQ(list->mSelected[0], 13);
    EXPECT_TRUE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
    EXPECT_GT(PictureShown(list->mPageUp, 11230, 0), 0.9);
    EXPECT_GT(PictureShown(list->mPageDown, 3011231, 0), 0.9);
    // The operations have one page; back on the battles the second page stays.
    ASSERT_TRUE(d.ClickCommand(79));
    EXPECT_FALSE(list->mPageUp->IsActive());
    EXPECT_FALSE(list->mPageDown->IsActive());
    ASSERT_TRUE(d.ClickCommand(78));
    EXPECT_TRUE(list->mPageUp->IsActive());
}

// The seams between the battle and the program, counted on the real
// application (no subclass) on the dummy display: a demo scenario loaded by
// the game's loader, sides and players chosen, its battle screen built.
#include <gtest/gtest.h>

#include <string>

#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "play_through_driver.h"
#include "seam_census.h"

namespace {

// Opens a demo scenario of the program folder as the scenario list does
// and plays through the opening screens as one player of side 0.
bool EnterDemoBattle(PlayDriver& d, const std::string& scenario) {
    MVApplication* app = d.App();
    // A click skips the title to the main menu.
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 5000, "the title giving way")) return false;
    auto* file = new GFile;
    if (!file->IFile((d.Folder() + "/Szenarien/" + scenario).c_str(), kFileModeCompressedRead)) {
        delete file;
        ADD_FAILURE() << "no demo scenario " << scenario;
        return false;
    }
    app->HighLevelLoadGame(file);
    if (!gBattle) return false;
    d.Run(0);
    if (Alive(app->mScenarioText)) app->DoCommand(85); // the general briefing read
    app->DoCommand(109);                               // side 0
    if (Alive(app->mScreenView)) {
        app->DoCommand(114); // one player
        app->DoCommand(111);
    }
    d.Run(0);
    if (Alive(app->mScenarioText)) app->DoCommand(86); // the side's briefing read
    d.Run(300); // the first frames drawn
    return gBattle && gBattle->mScreen;
}

TEST(SeamCensus, TheProgramAnswersEveryQuestionAndInstallsEveryHook) {
    PlayDriver d("seam-census", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg")) << "the demo battle's screen was not built";
    CheckSeamCensus(d.App());
}

} // namespace

// Leaving the editor's battle preview over the demo battle and the demo
// operation as the game's loader reads them: the markers become flags, the
// screen's pictures go, and in an operation the battle is handed back.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "app/Editor.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"

namespace {

struct Case {
    const char* file;
    bool operation;
};

class EditorPreview : public testing::TestWithParam<Case> {};

TEST_P(EditorPreview, ExitTurnsMarkersIntoFlagsAndHandsAnOperationsBattleBack) {
    ASSERT_TRUE(DecryptData());
    ProgramFolder folder;
    MVApplication app;
    GFile file;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + GetParam().file;
    ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead)) << path;
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
    ASSERT_EQ(contents.campaign != nullptr, GetParam().operation);
    gCampaign = contents.campaign;
    // An operation's first battle is cut from it as the game opens it.
    gBattle = gCampaign ? gCampaign->StepToNextBattle(nullptr, 1, &app) : contents.battle;
    ASSERT_NE(gBattle, nullptr);
    gBattle->mHost = &app;
    auto* marker = new Inanimate;
    marker->IInanimate(8, 0, 100.0f, 120.0f, 0.0f);
    gBattle->mUnits->Add(marker);
    gBattle->mMenuGraphics[0] = new GGraphic;
    const int32_t units = gBattle->mUnits->GetCount();
    Battle* battle = gBattle;
    const int32_t opFlags = gCampaign ? gCampaign->mOpFlags.GetCount() : 0;

    Editor editor;
    editor.mPreview = true;
    if (!GetParam().operation) {
        editor.ExitPreview();
        ASSERT_EQ(gBattle, battle);
        EXPECT_EQ(gBattle->mUnits->GetCount(), units - 1);
        ASSERT_EQ(gBattle->mFlags.GetCount(), 1);
        auto* f = static_cast<VictoryFlag*>(gBattle->mFlags.GetObjectA(0));
        EXPECT_EQ(f->mX, 100.0f);
        EXPECT_EQ(f->mY, 120.0f);
        EXPECT_EQ(gBattle->mMenuGraphics[0], nullptr);
        delete gBattle;
    } else {
        const float x0 = gCampaign->mSleeveOffsetX * 20.0f, y0 = gCampaign->mSleeveOffsetY * 20.0f;
        editor.ExitPreview();
        EXPECT_EQ(gBattle, nullptr);
        // The marker's flag is on the operation's map now.
        bool found = false;
        for (int32_t k = 0; k < gCampaign->mOpFlags.GetCount(); ++k) {
            auto* f = static_cast<VictoryFlag*>(gCampaign->mOpFlags.GetObjectA(k));
            found = found || (f->mX == x0 + 100.0f && f->mY == y0 + 120.0f);
        }
        EXPECT_TRUE(found) << opFlags << " flags before";
        delete gCampaign;
    }
    EXPECT_FALSE(editor.mPreview);
    EXPECT_EQ(app.mSide, 2);
    gBattle = nullptr;
    gCampaign = nullptr;
}

INSTANTIATE_TEST_SUITE_P(DemoFiles, EditorPreview,
                         testing::Values(Case{"hecken.mvg", false}, Case{"mortain.mvh", true}),
                         [](const testing::TestParamInfo<Case>& i) { return i.param.operation ? "operation" : "battle"; });

} // namespace

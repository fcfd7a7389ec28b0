// The scenario screen's operation list: the shipped demo operation is listed
// with its battles; a file whose header does not read is left out; one
// whose record is damaged is refused with the damaged-file box when it is
// opened, and nothing is loaded.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "app_fixture.h"
#include "battle/Campaign.h"
#include "engine/GBlitView.h"
#include "engine/GString.h"

namespace {

std::vector<uint8_t> ReadAbsolute(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class OperationListTest : public AppTest {
protected:
    void ToScenarioList() {
        Key('x');
        Pass(2);
        ASSERT_NE(mApp->mMenuPicture, nullptr);
        Click(400, 300); // the overlay
        ClickView(FindButton(mApp->mMenuPicture, 67));
        ASSERT_NE(mApp->mScenarioList, nullptr);
    }
};

} // namespace

TEST_F(OperationListTest, DemoOperationIsListedWithItsBattlesAndADamagedOneIsNeverLoaded) {
    MakePictures();
    const std::vector<uint8_t> demo = ReadAbsolute(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh");
    ASSERT_GT(demo.size(), 1100u);
    mFolder->Write("Szenarien/mortain.mvh", demo);
    // The record cut short behind an intact header, and a file that is no
    // game file at all.
    mFolder->Write("Szenarien/beschaedigt.mvh", std::vector<uint8_t>(demo.begin(), demo.begin() + 1100));
    mFolder->Write("Szenarien/kaputt.mvh", {5, 4, 0});
    Start();
    ToScenarioList();
    ScenarioScroller* list = mApp->mScenarioList;
    EXPECT_EQ(list->FileCount(0), 0);
    ASSERT_EQ(list->FileCount(1), 2);
    EXPECT_EQ(list->mSelected[1], 0);
    ScenarioSnapshot* snap = list->Snapshot(1, 1);
    ASSERT_NE(snap, nullptr);
    EXPECT_FALSE(snap->fromGame);
    EXPECT_EQ(snap->rounds, 3);
    EXPECT_STREQ(snap->title.GetCString(), "Gegenangriff bei Mortain");
    GString255 info;
    list->InformationText(snap, 1, &info);
    EXPECT_EQ(std::string(info.GetCString()).rfind("3  Gefechte, ", 0), 0u) << info.GetCString();

    // The operations' page, its first line: the damaged file.
    ClickView(FindButton(list, 79));
    ClickView(FindButton(mApp->mMenuPicture, 72));
    EXPECT_EQ(gCampaign, nullptr);
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_NE(mApp->mPendingModal, nullptr);
}

TEST_F(OperationListTest, DemoOperationOpensFromTheList) {
    MakePictures();
    mFolder->Write("Szenarien/mortain.mvh",
                   ReadAbsolute(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh"));
    Start();
    ToScenarioList();
    ClickView(FindButton(mApp->mScenarioList, 79));
    ClickView(FindButton(mApp->mMenuPicture, 72));
    ASSERT_NE(gCampaign, nullptr);
    EXPECT_EQ(gCampaign->mLastTurn, 3);
    EXPECT_EQ(gCampaign->mTurn, 1);
    EXPECT_STREQ(gCampaign->mTitle.GetCString(), "Gegenangriff bei Mortain");
    EXPECT_EQ(mApp->mScenarioKind, 2);
}

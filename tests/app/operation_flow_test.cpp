// The demo operation played through the program itself: opened as a file
// of the list (its first strip cut), each battle ended and continued with the
// result screen's button into the next battle, its briefing headed with the
// battle's number, until the final result leads back to the menu; hotseat
// swaps the sides, two e-mail machines cut the same next battle, and the
// steps travel between two applications through two mail files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/MVApplication.h"
#include "app/ResultView.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioTextView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "scenarios/OperationFixture.h"
#include "tools/scenarios/OperationRunner.h"

namespace {

class OperationFlowTest : public testing::Test {
protected:
    void SetUp() override {
        mOldBattle = gBattle;
        mOldCampaign = gCampaign;
        mFolder = std::make_unique<ProgramFolder>();
        ASSERT_TRUE(DecryptData());
        mPath = std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh";
        mApp = std::make_unique<MVApplication>();
    }
    void TearDown() override {
        mApp.reset();
        delete gBattle;
        gBattle = nullptr;
        delete gCampaign;
        gCampaign = nullptr;
        mFolder.reset();
        gBattle = mOldBattle;
        gCampaign = mOldCampaign;
    }
    bool Open() {
        auto* file = new GFile;
        if (!file->IFile(mPath.c_str(), kFileModeCompressedRead)) return false;
        mApp->HighLevelLoadGame(file);
        return gBattle && gCampaign;
    }
    // Ends the current battle as its last turn would and shows its result.
    static ResultView* EndBattle() {
        gBattle->mSetupPhase = false;
        gBattle->mTurn = gBattle->mLastTurn + 1;
        gBattle->BattleVictoryScreen(false, false);
        return dynamic_cast<ResultView*>(gBattle->mResultView);
    }
    static std::string Rez(int32_t id) {
        GString255 s;
        s.IStringRez(id);
        return s.GetCString();
    }

    Battle* mOldBattle = nullptr;
    Campaign* mOldCampaign = nullptr;
    std::unique_ptr<ProgramFolder> mFolder;
    std::unique_ptr<MVApplication> mApp;
    std::string mPath;
};

} // namespace

TEST_F(OperationFlowTest, FromTheListThroughEveryBattleToTheEnd) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(gCampaign->mTurn, 1);
    EXPECT_EQ(gBattle->Host(), mApp.get());
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gBattle->mTimeOfDay, kNight);
    EXPECT_EQ(gBattle->mMap->mWidth, gCampaign->mSleeveSize);
    mApp->mPlayers = 1;
    ResultView* first = EndBattle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->mMoreLines[0].GetCString(), std::string("Es verbleiben noch 2 Gefechte."));
    Battle* before = gBattle;
    mApp->DoCommand(120);
    // The next battle, in its set-up, with its briefing headed by its number.
    ASSERT_NE(gBattle, nullptr);
    EXPECT_NE(gBattle, before);
    EXPECT_EQ(gCampaign->mTurn, 2);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gBattle->mTimeOfDay, kMorning);
    EXPECT_EQ(gBattle->Host(), mApp.get());
    ResultView* second = EndBattle();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->mMoreLines[0].GetCString(), Rez(469));
    mApp->DoCommand(120);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(gCampaign->mTurn, 3);
    EXPECT_EQ(gBattle->mTimeOfDay, kMidday);
    ResultView* last = EndBattle();
    EXPECT_TRUE(gCampaign->Over());
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(std::string(last->mReason.GetCString()), Rez(465));
    mApp->DoCommand(120);
    EXPECT_EQ(gCampaign, nullptr);
    EXPECT_EQ(gBattle, nullptr);
}

// The demo operation played as the Allies: the first GO of the night asks
// (box 16); "No" (command 17) fights the night, "Yes" (18) rests it.
TEST_F(OperationFlowTest, ThePlayerOfTheAlliesIsAskedAboutTheNight) {
    for (const int32_t answer : {17, 18}) {
        ASSERT_TRUE(Open());
        mApp->mPlayers = 1;
        mApp->SetViewingSide(kAllies);
        mApp->mComputerSide = kAxis;
        ASSERT_EQ(gBattle->mTimeOfDay, kNight);
        EXPECT_TRUE(gCampaign->mNightQuestion[kAllies]);
        gBattle->HandleCommand(9);
        EXPECT_TRUE(gBattle->mSetupPhase) << "GO waits for box 16";
        gBattle->HandleCommand(answer);
        EXPECT_FALSE(gBattle->mSetupPhase);
        EXPECT_EQ(gBattle->mResultView != nullptr, answer == 18) << answer;
        EXPECT_EQ(gCampaign->mSideValue[kAllies], answer == 17 ? 2 : 1);
        TearDown();
        SetUp();
    }
}

TEST_F(OperationFlowTest, HotseatSwapsTheSidesForTheNextBattle) {
    ASSERT_TRUE(Open());
    mApp->mPlayers = 2;
    mApp->mConnectionType = 0;
    mApp->mSidesSwapped = false;
    EndBattle();
    mApp->DoCommand(120);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_TRUE(mApp->mSidesSwapped);
    EXPECT_EQ(gCampaign->mTurn, 2);
}

TEST_F(OperationFlowTest, ByMailThePlayerWhoSeesTheEndSecondTakesTheSteps) {
    ASSERT_TRUE(Open());
    mApp->mPlayers = 2;
    mApp->mConnectionType = 1;
    EndBattle();
    Battle* finished = gBattle;
    EXPECT_EQ(gCampaign->mBattleCounter, 0);
    // The first to see the result hands the game over.
    mApp->DoCommand(120);
    EXPECT_EQ(gBattle, finished);
    EXPECT_EQ(gCampaign->mBattleCounter, 1);
    EXPECT_EQ(gCampaign->mTurn, 2);
    // The other player, having seen it too, goes on to the next battle.
    mApp->mMailFileCRC = 0x5eed1234u;
    mApp->DoCommand(120);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_NE(gBattle, finished);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gCampaign->mTurn, 2);
}

TEST_F(OperationFlowTest, TwoMailMachinesCutTheSameNextBattle) {
    // Each machine continues with the CRC of the last e-mail file it read,
    // whatever its own generator went through: both get the same battle,
    // and another file's CRC another one.
    std::string digests[3];
    const uint32_t crcs[3] = {0x5eed1234u, 0x5eed1234u, 0x0badf00du};
    for (int32_t machine = 0; machine < 3; ++machine) {
        ASSERT_TRUE(Open());
        SeedRandomGenerator(1 + static_cast<uint32_t>(machine)); // each machine's own draws
        EndBattle();
        mApp->mMailFileCRC = crcs[machine];
        mApp->mConnectionType = 1;
        mApp->mPlayers = 2;
        gCampaign->mBattleCounter = gCampaign->mTurn - 1; // the other player has seen the result
        Battle* finished = gBattle;
        mApp->DoCommand(120);
        ASSERT_NE(gBattle, nullptr);
        ASSERT_NE(gBattle, finished);
        digests[machine] = OperationFileDigest(gCampaign, gBattle);
        delete gBattle;
        gBattle = nullptr;
        delete gCampaign;
        gCampaign = nullptr;
    }
    EXPECT_EQ(digests[0], digests[1]);
    EXPECT_NE(digests[0], digests[2]);
}

// Two machines, one operation, two mail files: the player who sees battle
// 1's end first mails it on; the other opens that file, goes on from the
// result (taking the steps, seeded by the file) and mails the next battle's
// set-up back; the first player opens it and holds the operation and the
// battle the second one cut.
TEST_F(OperationFlowTest, TheStepsTravelThroughTwoMailFiles) {
    auto mail = [&](MVApplication* app, const char* name) {
        app->mSaveForMail = true;
        app->mLastSaveName.IStringText(name);
        app->DoCommand(91);
        return mFolder->Exists(std::string("PBEM/") + name + ".txt");
    };
    auto open = [&](MVApplication* app, const char* name) {
        GFile file;
        return file.IFile(mFolder->Path(std::string("PBEM/") + name + ".txt").c_str(), kFileModeMailRead) &&
               app->LoadMailFile(&file);
    };
    ASSERT_TRUE(Open());
    mApp->mPlayers = 2;
    mApp->mConnectionType = 1;
    mApp->mSide = 0;
    EndBattle();
    mApp->DoCommand(120); // seen first: handed over
    EXPECT_EQ(gCampaign->mBattleCounter, 1);
    ASSERT_TRUE(mail(mApp.get(), "Zug1"));
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_EQ(gCampaign, nullptr);

    auto other = std::make_unique<MVApplication>();
    ASSERT_TRUE(open(other.get(), "Zug1"));
    ASSERT_NE(gCampaign, nullptr);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(other->mSide, 1);
    EXPECT_TRUE(gBattle->Over());
    EXPECT_EQ(gCampaign->mTurn, 2);
    Battle* finished = gBattle;
    other->DoCommand(120); // seen second: the steps to battle 2
    ASSERT_NE(gBattle, nullptr);
    ASSERT_NE(gBattle, finished);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gCampaign->mTurn, 2);
    EXPECT_EQ(gBattle->mTimeOfDay, kMorning);
    other->SendGameData(); // its set-up given, the game goes back
    const std::string cut = OperationFileDigest(gCampaign, gBattle);
    const int32_t counter = gCampaign->mBattleCounter;
    ASSERT_TRUE(mail(other.get(), "Zug2"));
    EXPECT_EQ(gBattle, nullptr);
    other.reset();
    ASSERT_TRUE(DecryptData()); // an application frees the tables as it goes

    ASSERT_TRUE(open(mApp.get(), "Zug2"));
    ASSERT_NE(gCampaign, nullptr);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(mApp->mSide, 0);
    EXPECT_EQ(gCampaign->mTurn, 2);
    EXPECT_EQ(gCampaign->mBattleCounter, counter);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_EQ(gBattle->Host(), mApp.get());
    EXPECT_EQ(OperationFileDigest(gCampaign, gBattle), cut);
    // Both programs read the operation with the same code: what neither
    // step changes is held against the operation built from its description.
    const std::unique_ptr<Campaign> built = BuildDemoOperation();
    ASSERT_NE(built, nullptr);
    const Campaign& read = *gCampaign;
    EXPECT_EQ(read.mOperationType, built->mOperationType);
    EXPECT_EQ(read.mSleeveSize, built->mSleeveSize);
    EXPECT_EQ(read.mAttackDirection, built->mAttackDirection);
    for (Affiliation s = 0; s < 2; ++s)
        EXPECT_EQ(read.mSupplyLevel[s], built->mSupplyLevel[s]) << s;
    EXPECT_EQ(read.mDayPeriod, built->mDayPeriod);
    EXPECT_EQ(read.mDayOffset, built->mDayOffset);
    EXPECT_EQ(read.mEdgeSide, built->mEdgeSide);
    EXPECT_EQ(read.mEdgeValue, built->mEdgeValue);
    EXPECT_EQ(read.mFrontMode, built->mFrontMode);
    EXPECT_EQ(read.mFrontDepth, built->mFrontDepth);
    EXPECT_EQ(read.mRarityMode, built->mRarityMode);
    EXPECT_EQ(read.mRegion, built->mRegion);
    EXPECT_EQ(read.mLastTurn, built->mLastTurn);
}

// On the screen: opened from the operation list, the first battle's
// general briefing, and the next battle's briefing headed with its number.
class OperationScreenTest : public AppTest {};

TEST_F(OperationScreenTest, TheNextBattlesBriefingIsHeadedWithItsNumber) {
    MakePictures();
    {
        std::ifstream in(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh", std::ios::binary);
        mFolder->Write("Szenarien/mortain.mvh",
                       {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
    Start();
    Key('x');
    Pass(2);
    ASSERT_NE(mApp->mMenuPicture, nullptr);
    Click(400, 300);
    ClickView(FindButton(mApp->mMenuPicture, 67));
    ASSERT_NE(mApp->mScenarioList, nullptr);
    ClickView(FindButton(mApp->mScenarioList, 79)); // the operations
    ClickView(FindButton(mApp->mMenuPicture, 72));  // open
    ASSERT_NE(gCampaign, nullptr);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(gBattle->mTimeOfDay, kNight);
    ASSERT_NE(mApp->mScenarioText, nullptr);
    mApp->mPlayers = 1;
    gBattle->mSetupPhase = false;
    gBattle->mTurn = gBattle->mLastTurn + 1;
    gBattle->BattleVictoryScreen(false, false);
    mApp->DoCommand(120);
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(gBattle->mTimeOfDay, kMorning);
    ASSERT_NE(mApp->mScenarioText, nullptr);
    ASSERT_FALSE(mApp->mScenarioText->GetLines().empty());
    GString255 head;
    head.IStringRez(1610);
    head.ConcatNum(2);
    head.ConcatRez(1611);
    head.ConcatNum(3);
    EXPECT_STREQ(mApp->mScenarioText->GetLines()[0].GetCString(), head.GetCString());
    // Its button goes on to the sides.
    mApp->DoCommand(85);
    EXPECT_EQ(mApp->mScenarioText, nullptr);
}

// The whole program on the dummy display: the title and its timings, the
// main menu at both sizes and the warning below them, the scenario list,
// the briefing, sides and players screens, confirm boxes, and the clicks
// from the title to the beginning of a battle.

#include <gtest/gtest.h>

#include "app/ButtonFlybyView.h"
#include "app/ConfirmButton2D.h"
#include "app/FadeInScreen.h"
#include "app/ProgressView.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioSnapshot.h"
#include "app/ScenarioTextView.h"
#include "app_fixture.h"
#include "engine/GBlitView.h"
#include "engine/GFileDialog.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GRadioGroup.h"
#include "engine/GTextView.h"

namespace {

class FlowTest : public AppTest {
protected:
    // Past the title to the main menu, its overlay clicked away.
    void ToMainMenu() {
        Key('x');
        Pass(2);
        ASSERT_NE(mApp->mMenuPicture, nullptr);
        Click(400, 300); // the overlay
        ASSERT_TRUE(mApp->mMenuPicture->IsVisible());
    }
};

// Opens the first file of the file chooser as soon as it shows.
class ChooseFirstFile : public GView {
public:
    void DoIdle() override {
        auto* dialog = dynamic_cast<GFileDialog*>(gKernel->GetTopModal());
        if (!dialog) return;
        if (++mPasses > 1) {
            dialog->DoCommand(GFileDialog::kCmdCancel);
            return;
        }
        dialog->Select(0);
        dialog->DoCommand(GFileDialog::kCmdOpen);
    }
    int mPasses = 0;
};

} // namespace

TEST_F(FlowTest, TitleFollowsItsTimingsAndGivesWayToTheMenu) {
    MakePictures();
    Start();
    FadeInScreen* title = mApp->mFadeScreen;
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(mApp->mMenuPicture, nullptr);
    sNow += 4500;
    Pass();
    EXPECT_FALSE(title->GetPictureView()->IsShown());
    sNow += 225;
    Pass();
    EXPECT_TRUE(title->GetPictureView()->IsShown());
    EXPECT_NEAR(title->GetBrightness(), 0.5f, 0.01f);
    sNow += 5775; // 6000 past the start of the fade-in: still up
    Pass();
    EXPECT_FALSE(title->IsFading());
    EXPECT_NEAR(title->GetBrightness(), 1.0f, 0.001f);
    sNow += 1;
    Pass();
    EXPECT_TRUE(title->IsFading());
    sNow += 125;
    Pass();
    EXPECT_NEAR(title->GetBrightness(), 0.5f, 0.01f);
    sNow += 126;
    Pass(2);
    EXPECT_EQ(mApp->mFadeScreen, nullptr);
    ASSERT_NE(mApp->mMenuPicture, nullptr);
    EXPECT_FALSE(mApp->mMenuPicture->IsVisible()); // behind the overlay
    // The normal gamma is back: entry 255 at full brightness.
    EXPECT_EQ(gKernel->GetGammaRamp()[255], 65535);
}

TEST_F(FlowTest, ClickOnTheHiddenTitleEndsItAtOnce) {
    MakePictures();
    Start();
    sNow += 1000;
    Click(400, 300);
    Pass();
    EXPECT_EQ(mApp->mFadeScreen, nullptr);
    EXPECT_NE(mApp->mMenuPicture, nullptr);
}

TEST_F(FlowTest, KeyDuringTheTitleFadesItOut) {
    MakePictures();
    Start();
    sNow += 5000;
    Pass();
    Key('q');
    ASSERT_NE(mApp->mFadeScreen, nullptr);
    EXPECT_TRUE(mApp->mFadeScreen->IsFading());
    EXPECT_EQ(mApp->mTitleMusic, nullptr);
    sNow += 300;
    Pass(2);
    EXPECT_EQ(mApp->mFadeScreen, nullptr);
}

TEST_F(FlowTest, MenuAtBothSizes) {
    MakePictures();
    Start(1024, 768);
    ToMainMenu();
    EXPECT_EQ(mApp->mMenuScale, 2);
    EXPECT_EQ(mApp->mMenuPicture->GetWidth(), 1024);
    GView* play = FindButton(mApp->mMenuPicture, 67);
    ASSERT_NE(play, nullptr);
    LongRect r;
    play->GetBounds(&r);
    EXPECT_EQ(r.left, 1024 / 2 - 147);
    EXPECT_EQ(r.top, 768 - 150);
    EXPECT_EQ(FindButton(mApp->mMenuPicture, 70), nullptr);
    GView* quit = FindButton(mApp->mMenuPicture, 71);
    ASSERT_NE(quit, nullptr);
    quit->GetBounds(&r);
    EXPECT_EQ(r.left, 1024 / 2 + 30);
    EXPECT_EQ(r.top, 768 - 87);
    // The help line names the button under the pointer.
    int32_t x = 0, y = 0;
    CentreOf(quit, &x, &y);
    PlatformEvent move;
    move.type = PlatformEvent::kMouseMove;
    move.x = x;
    move.y = y;
    gKernel->InjectEvent(move);
    Pass();
    EXPECT_EQ(mApp->mFlybyHelp->GetCurrentRez(), 1524);
}

TEST_F(FlowTest, SmallScreenShowsOnlyTheWarning) {
    MakePictures();
    Start(640, 480);
    Key('x');
    Pass(2);
    EXPECT_EQ(mApp->mMenuPicture, nullptr);
    ASSERT_NE(gKernel->GetTopModal(), nullptr);
    Click(320, 240);
    Pass(2);
    EXPECT_TRUE(gKernel->IsQuitting());
}

TEST_F(FlowTest, QuitWithoutABattleNeedsNoQuestion) {
    MakePictures();
    Start();
    ToMainMenu();
    ClickView(FindButton(mApp->mMenuPicture, 71));
    EXPECT_TRUE(gKernel->IsQuitting());
}

TEST_F(FlowTest, ConfirmBoxDeliversItsAnswerOnceAfterItIsGone) {
    MakePictures();
    Start();
    ToMainMenu();
    auto battle = MakeTestBattle("Frage");
    gBattle = battle.release();
    mApp->Confirm(kConfirmSurrender);
    EXPECT_EQ(mApp->mState, kStateConfirm);
    ASSERT_NE(mApp->mPendingModal, nullptr);
    // Kind 9 keeps the open box; kind 2 would replace it.
    GView* box = mApp->mPendingModal;
    mApp->Confirm(kConfirmFormatTooNew);
    EXPECT_EQ(mApp->mPendingModal, box);
    gBattle->mSurrenderState[0] = 2;
    gBattle->mGlobalMorale[0] = 0.1f;
    mApp->mSide = 0;
    ClickView(FindButton(box, 105)); // no: the cease-fire state answers
    Pass(2);
    EXPECT_EQ(mApp->mPendingModal, nullptr);
    EXPECT_EQ(mApp->mState, kStateNone);
    EXPECT_EQ(gBattle->mSurrenderState[0], 1);
    EXPECT_FALSE(gBattle->mEndedEarly); // the yes button sent nothing
}

TEST_F(FlowTest, ProgressWindowShowsOnlyAfterHalfASecond) {
    MakePictures();
    Start();
    mApp->MakeProgressWindow(1550);
    auto* progress = static_cast<ProgressView*>(mApp->mProgressBar);
    ASSERT_NE(progress, nullptr);
    mApp->UpdateProgressWindow();
    EXPECT_FALSE(progress->IsShownYet());
    TimeDelay(520);
    mApp->UpdateProgressWindow();
    EXPECT_TRUE(progress->IsShownYet());
    EXPECT_EQ(progress->GetDots(), 0);
    TimeDelay(820);
    mApp->UpdateProgressWindow();
    EXPECT_EQ(progress->GetDots(), 1);
    mApp->DeleteProgressWindow();
    EXPECT_EQ(mApp->mProgressBar, nullptr);
}

TEST_F(FlowTest, ScenarioListPagesSelectsAndDeletesSavedGames) {
    MakePictures();
    for (int i = 0; i < 9; ++i) {
        auto battle = MakeTestBattle("Gefecht");
        WriteScenario(*mFolder, "gefecht" + std::to_string(i), battle.get());
    }
    {
        // A saved game, listed first; and a file of a newer format, left out.
        TestApp saver;
        auto battle = MakeTestBattle("Gespeichert");
        battle->mTurn = 4;
        gBattle = battle.get();
        GFile file;
        ASSERT_TRUE(file.IFile(mFolder->Path("Savegames/meins.mvg").c_str(), kFileModeCompressedWrite));
        saver.SaveGame(&file);
        gBattle = nullptr;
        mFolder->Write("Szenarien/neu.mvg", {5, 4, 0});
    }
    Start();
    ToMainMenu();
    ClickView(FindButton(mApp->mMenuPicture, 67));
    ScenarioScroller* list = mApp->mScenarioList;
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mLinesPerPage, 13);
    EXPECT_EQ(list->FileCount(0), 10);
    EXPECT_EQ(list->LineCount(0), 11);
    EXPECT_EQ(list->mSelected[0], 1);
    EXPECT_EQ(list->mSelected[1], -1);
    EXPECT_TRUE(list->Snapshot(0, 0)->fromGame);
    EXPECT_EQ(list->Snapshot(0, 0)->rounds, 7);
    EXPECT_EQ(list->Snapshot(0, 1)->rounds, 10);
    EXPECT_TRUE(list->mDeleteButton->IsShown());
    GString255 info;
    list->InformationText(list->Snapshot(0, 1), 0, &info);
    EXPECT_STREQ(info.GetCString(), "10  Runden, Winzig");

    // A click on the quick-battle line selects it; play then does nothing.
    LongRect r;
    list->GetGlobalBounds(&r);
    Click(r.left + 100, r.top + 62 + 5);
    EXPECT_EQ(list->mSelected[0], 0);
    EXPECT_FALSE(list->mDeleteButton->IsShown());
    ClickView(FindButton(mApp->mMenuPicture, 72));
    EXPECT_EQ(gBattle, nullptr);

    Click(r.left + 100, r.top + 62 + 24 + 5);
    EXPECT_EQ(list->mSelected[0], 1);
    ClickView(list->mDeleteButton);
    EXPECT_FALSE(mFolder->Exists("Savegames/meins.mvg"));
    EXPECT_EQ(list->FileCount(0), 9);
    EXPECT_EQ(list->mSelected[0], 0);
    EXPECT_EQ(ScenarioScroller::SizeNameIndex(35), 0);
    EXPECT_EQ(ScenarioScroller::SizeNameIndex(36), 1);
    EXPECT_EQ(ScenarioScroller::SizeNameIndex(251), 4);
}

TEST_F(FlowTest, FromTheTitleToTheBattleByClicks) {
    MakePictures();
    auto scenario = MakeTestBattle("Am Dorf");
    WriteScenario(*mFolder, "am_dorf", scenario.get());
    scenario.reset();
    Start();
    ToMainMenu();
    ClickView(FindButton(mApp->mMenuPicture, 67));
    ASSERT_NE(mApp->mScenarioList, nullptr);
    ClickView(FindButton(mApp->mMenuPicture, 72));
    ASSERT_NE(gBattle, nullptr);
    EXPECT_TRUE(gBattle->mOpenedFromList);
    EXPECT_STREQ(gBattle->mTitle.GetCString(), "Am Dorf");
    // The general briefing, then on to the sides.
    ASSERT_NE(mApp->mScenarioText, nullptr);
    EXPECT_EQ(mApp->mScenarioText->GetLines().size(), 1u);
    ClickView(FindButton(mApp->mScreenView, 85));
    ASSERT_NE(mApp->mScreenView, nullptr);
    ClickView(FindButton(mApp->mScreenView, 109));
    EXPECT_EQ(mApp->mSide, 0);
    // The players screen: one player is offered and chosen.
    ASSERT_NE(mApp->mPlayersRadio, nullptr);
    EXPECT_EQ(mApp->mPlayersRadio->GetCount(), 4);
    ClickView(FindButton(mApp->mScreenView, 111));
    EXPECT_EQ(mApp->mPlayers, 1);
    // Side 0's briefing, then the battle (one player: no password).
    ASSERT_NE(mApp->mScenarioText, nullptr);
    ClickView(FindButton(mApp->mScreenView, 86));
    EXPECT_EQ(mApp->mBattlesBegun, 1);
    EXPECT_EQ(gBattle->Host(), mApp);
}

TEST_F(FlowTest, HotseatPlayersSetTheirPasswords) {
    MakePictures();
    auto scenario = MakeTestBattle("Zu zweit");
    WriteScenario(*mFolder, "zu_zweit", scenario.get());
    scenario.reset();
    Start();
    ToMainMenu();
    ClickView(FindButton(mApp->mMenuPicture, 67));
    ClickView(FindButton(mApp->mMenuPicture, 72));
    ClickView(FindButton(mApp->mScreenView, 85));
    ClickView(FindButton(mApp->mScreenView, 110));
    ClickView(FindButton(mApp->mScreenView, 115)); // hotseat
    ClickView(FindButton(mApp->mScreenView, 111));
    EXPECT_EQ(mApp->mPlayers, 2);
    EXPECT_EQ(mApp->mConnectionType, 0);
    ASSERT_NE(mApp->mPasswordField, nullptr);
    for (char c : std::string("geheim"))
        Key(static_cast<uint8_t>(c));
    ClickView(FindButton(mApp->mScreenView, 118));
    EXPECT_TRUE(mApp->mPasswordSet[1]);
    EXPECT_EQ(mApp->mBattlesBegun, 1);
    GString63 hash = mApp->mPasswordHash[1];
    EXPECT_GT(hash.GetLength(), 0);

    // Side 1 again: a wrong password is refused and the way back offered.
    mApp->PasswordScreen();
    for (char c : std::string("falsch"))
        Key(static_cast<uint8_t>(c));
    int beeps = gKernel->GetBeepCount();
    ClickView(FindButton(mApp->mScreenView, 118));
    EXPECT_EQ(gKernel->GetBeepCount(), beeps + 1);
    EXPECT_NE(FindButton(mApp->mScreenView, 99), nullptr);
    EXPECT_EQ(mApp->mBattlesBegun, 1);
    for (char c : std::string("geheim"))
        Key(static_cast<uint8_t>(c));
    ClickView(FindButton(mApp->mScreenView, 118));
    EXPECT_EQ(mApp->mBattlesBegun, 2);
}

TEST_F(FlowTest, MailTurnFileOpensThroughTheChooserAndAsksForThePassword) {
    MakePictures();
    {
        TestApp sender;
        auto battle = MakeTestBattle("Post");
        battle->mSetupPhase = false;
        battle->mTurn = 2;
        gBattle = battle.release();
        sender.mPlayers = 2;
        sender.mConnectionType = 1;
        sender.mSide = 0;
        sender.mSaveForMail = true;
        sender.mLastSaveName.IStringText("PBEM");
        sender.DoCommand(91);
        ASSERT_TRUE(mFolder->Exists("PBEM/PBEM.txt"));
    }
    Start();
    ToMainMenu();
    auto* chooser = new ChooseFirstFile;
    chooser->IView(nullptr, 0, 0, 1, 1);
    chooser->SetIdleTimer(0);
    mApp->DoCommand(74);
    delete chooser;
    ASSERT_NE(gBattle, nullptr);
    EXPECT_EQ(mApp->mConnectionType, 1);
    EXPECT_EQ(mApp->mPlayers, 2);
    EXPECT_EQ(mApp->mSide, 1); // the receiving player moves
    EXPECT_NE(mApp->mPasswordField, nullptr);
}

TEST_F(FlowTest, FrontEndCommandsRoute) {
    MakePictures();
    auto scenario = MakeTestBattle("Wege");
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "Zeile\r";
    char* text = new char[longText.size()];
    std::copy(longText.begin(), longText.end(), text);
    scenario->SetBriefing(2, text, static_cast<int32_t>(longText.size()));
    WriteScenario(*mFolder, "wege", scenario.get());
    scenario.reset();
    Start();
    ToMainMenu();
    int beeps = gKernel->GetBeepCount();
    mApp->DoCommand(69);
    EXPECT_EQ(gKernel->GetBeepCount(), beeps + 1);

    mApp->DoCommand(67);
    ASSERT_NE(mApp->mScenarioList, nullptr);
    mApp->DoCommand(73); // back to the menu
    EXPECT_EQ(mApp->mScenarioList, nullptr);
    EXPECT_NE(FindButton(mApp->mMenuPicture, 67), nullptr);

    mApp->DoCommand(67);
    mApp->DoCommand(72);
    ASSERT_NE(mApp->mScenarioText, nullptr);
    EXPECT_EQ(mApp->mScenarioText->GetPageCount(), 2);
    mApp->DoCommand(84);
    EXPECT_EQ(mApp->mScenarioText->GetPage(), 1);
    mApp->DoCommand(84);
    EXPECT_EQ(mApp->mScenarioText->GetPage(), 1);
    mApp->DoCommand(83);
    EXPECT_EQ(mApp->mScenarioText->GetPage(), 0);
    mApp->DoCommand(88); // back to the list, the battle gone
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_TRUE(mApp->mRootView->IsVisible());

    mApp->DoCommand(72);
    mApp->DoCommand(85);
    mApp->DoCommand(110);
    ASSERT_NE(mApp->mTimePopup, nullptr);
    mApp->DoCommand(117);
    EXPECT_TRUE(mApp->mTimePopup->IsShown());
    mApp->DoCommand(112);
    EXPECT_FALSE(mApp->mTimePopup->IsShown());
    mApp->DoCommand(115);
    mApp->DoCommand(111);
    ASSERT_NE(mApp->mPasswordField, nullptr);
    mApp->DoCommand(99); // leave for the main menu
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_NE(mApp->mMenuPicture, nullptr);

    // After a battle: the auto-save, then the menu.
    gBattle = MakeTestBattle("Ende").release();
    mApp->mScenarioFileName.IStringText("Ende");
    mApp->DoCommand(120);
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_TRUE(mFolder->Exists("Savegames/Auto Speicherung.mvg"));
    EXPECT_NE(mApp->mMenuPicture, nullptr);
}

TEST_F(FlowTest, DamagedScenarioLeadsBackToTheMenu) {
    MakePictures();
    auto scenario = MakeTestBattle("Kaputt");
    WriteScenario(*mFolder, "kaputt", scenario.get());
    scenario.reset();
    // The header reads, the body does not: cut it short and store it again.
    GFile in;
    ASSERT_TRUE(in.IFile(mFolder->Path("Szenarien/kaputt.mvg").c_str(), kFileModeCompressedRead));
    std::vector<uint8_t> bytes(static_cast<size_t>(in.GetFileLength()));
    in.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    {
        GFile out;
        ASSERT_TRUE(out.IFile(mFolder->Path("Szenarien/kaputt.mvg").c_str(), kFileModeCompressedWrite));
        out.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()) - 200);
    }
    Start();
    ToMainMenu();
    mApp->DoCommand(67);
    ASSERT_EQ(mApp->mScenarioList->FileCount(0), 1);
    mApp->DoCommand(72);
    EXPECT_EQ(gBattle, nullptr);
    ASSERT_NE(mApp->mMenuPicture, nullptr);
    Click(400, 300); // the title overlay of a menu built anew
    EXPECT_NE(FindButton(mApp->mMenuPicture, 67), nullptr);
}

TEST_F(FlowTest, MailBoxAtTheMenuLeadsToTheMailSaveDialog) {
    MakePictures();
    MakePicture(11253, 600, 100);
    Start();
    ToMainMenu();
    mApp->mPlayers = 2;
    mApp->mConnectionType = 1;
    mApp->mShowPBEMBox = true;
    mApp->Intro(true);
    EXPECT_EQ(mApp->mPlayers, 2); // kept for the save that follows
    EXPECT_FALSE(mApp->mShowPBEMBox);
    Click(400, 300); // the title overlay
    Click(400, 300); // the e-mail box
    Pass(2);
    EXPECT_NE(mApp->mSaveDialog, nullptr);
    EXPECT_TRUE(mApp->mSaveForMail);
}

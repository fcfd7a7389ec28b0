// The front-end screens after the main menu: the scenario list, the
// briefing, the sides, the players and connection, and the password.

#include "app/AppViews.h"
#include "app/ButtonFlybyView.h"
#include "app/EditorRadioButton.h"
#include "app/FlybyButton.h"
#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GEditView.h"
#include "engine/GEncoder.h"
#include "engine/GOLTA.h"
#include "engine/GPopup.h"
#include "engine/GRadioGroup.h"
#include "engine/GSoundManager.h"
#include "engine/GOLTAFont.h"
#include "engine/GTextView.h"

namespace {

ScenarioCore* Core() {
    return gCampaign ? static_cast<ScenarioCore*>(gCampaign) : static_cast<ScenarioCore*>(gBattle);
}

// The handicap by popup index, in percent; index 6 is none.
constexpr int32_t kHandicaps[13] = {200, 150, 100, 75, 50, 25, 0, -25, -50, -75, -100, -150, -200};
// The TCP/IP time limit by popup index, in minutes.
constexpr int32_t kTimeLimits[10] = {0, 1, 2, 3, 5, 7, 10, 15, 20, 30};

GPopup* MakePopup(GView* parent, int32_t x, int32_t y, const int32_t* ids, int32_t count, int32_t choice) {
    GString63 texts[13];
    GString* items[13] = {};
    for (int32_t i = 0; i < count && i < 13; ++i) {
        if (ids[i] > 0)
            texts[i].IStringRez(ids[i]);
        else
            texts[i].IStringText(i == 1 ? "+1" : i == 2 ? "+2" : "+3");
        items[i] = &texts[i];
    }
    auto* popup = new GPopup;
    popup->IPopup(parent, x, y, count, items, choice);
    return popup;
}

// A label on one line ending at `right`, as wide as its text in our font
// (the screen's fixed widths wrapped the longer German labels).
void Label(GView* parent, int32_t stringId, int32_t right, int32_t y) {
    GString255 text;
    text.IStringRez(stringId);
    const int32_t width = StringWidthInPixels(&text, kFontNormal) + 4;
    auto* label = new GTextView;
    label->ITextView(parent, right - width, y, width, &text);
    label->SetJustify(1);
    label->SetColor(255, 255, 255);
}

GButton2D* Button(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture, int16_t sound) {
    auto* button = new GButton2D;
    button->IButton2D(parent, x, y, command, picture, 3);
    button->AttachSound(sound);
    return button;
}

int32_t PopupValue(GView* popup) {
    return Alive(popup) ? static_cast<GPopup*>(popup)->GetValue() : 0;
}

} // namespace

void MVApplication::PlayScenarioScreen() {
    if (!Alive(mMenuPicture)) return;
    if (Alive(mFlybyHelp)) mFlybyHelp->SetDefaultRez(1501);
    mMenuPicture->ClearSubviews();
    mScenarioList = nullptr;
    if (gKernel) {
        auto* box = new GView;
        box->IView(mMenuPicture, -1, -1, 300, 34);
        box->SetFillColor(gKernel->MakeColor16(255, 0, 0));
        auto* inner = new GView;
        inner->IView(box, -1, -1, 288, 22);
        inner->SetFillColor(gKernel->MakeColor16(255, 0, 0));
        auto* text = new GTextView;
        text->ITextViewRez(inner, -1, 4, 260, 1533);
        text->SetJustify(0);
        text->SetColor(255, 255, 255);
        gKernel->UpdateScreen();
        delete box;
    }
    mScenarioList = new ScenarioScroller;
    mScenarioList->IScenarioScroller(mMenuPicture, mMenuScale);
    const int32_t half = mMenuPicture->GetWidth() / 2;
    const int32_t y = mMenuPicture->GetHeight() - 90;
    auto* back = new FlybyButton;
    back->IFlybyButton(mMenuPicture, half - 317, y, 73, 11206, 3, mFlybyHelp, 1525);
    back->AttachSound(152);
    auto* play = new FlybyButton;
    play->IFlybyButton(mMenuPicture, half + 17, y, 72, 11205, 3, mFlybyHelp, 1526);
    play->AttachSound(152);
}

void MVApplication::ShowTextFile(Affiliation side, bool both, bool keepScreen, int32_t nextCommand,
                                 bool clear) {
    ScenarioCore* core = Core();
    if (!core) return;
    int32_t s = side == 1 ? 1 : 0;
    int32_t index = both || side == 2 ? 2 : s;
    bool generalUsed = index == 2 && core->mBriefing[2];
    if (!core->mBriefing[index]) index = s;
    BriefingLines lines;
    if (both && gCampaign) {
        GString127 head;
        head.IStringRez(1610);
        head.ConcatNum(gCampaign->mTurn);
        head.ConcatRez(1611);
        head.ConcatNum(gCampaign->mLastTurn);
        lines.push_back(head);
        lines.emplace_back("");
    }
    BreakBriefing(core->mBriefing[index], core->mBriefingLength[index], &lines);
    if (both && generalUsed && side != 2 && core->mBriefing[s]) {
        while (lines.size() % ScenarioTextView::kLinesPerPage != 0)
            lines.emplace_back("");
        BreakBriefing(core->mBriefing[s], core->mBriefingLength[s], &lines);
    }
    if (lines.size() > 2000) lines.resize(2000);
    if (clear && gKernel) {
        gKernel->ClearScreen(!keepScreen);
        if (!keepScreen) ClearFrontEnd();
    }
    if (!gKernel) return;
    mScreenView = new GView;
    mScreenView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    mScreenView->SetFillColor(gBlack);
    auto* page = new GView;
    page->IView(mScreenView, -1, -1, 640, 480);
    auto* panel = new GBlitView;
    panel->IBlitView2D(page, 500, 0, 11150);
    if (!(index == 2 && !both)) {
        auto* mark = new GBlitView;
        mark->IBlitView2D(panel, 5, 5, 11152);
    }
    Button(page, 500, 259, 83, 11153, 150);
    Button(page, 500, 310, 84, 11154, 150);
    Button(page, 504, 422, nextCommand, 11155, 152)->SetDefaultOK();
    if (side == 2 && mConnectionType != 2) Button(page, 508, 372, 88, 11151, 151);
    auto* number = new GTextView;
    GString15 one("1");
    number->ITextView(panel, 61, 144, 20, &one);
    number->SetJustify(0);
    auto* count = new GTextView;
    GString15 pages;
    pages.IStringNum(static_cast<int32_t>((lines.size() + 31) / 32));
    count->ITextView(panel, 61, 177, 20, &pages);
    count->SetJustify(0);
    mScenarioText = new ScenarioTextView;
    mScenarioText->IScenarioTextView(page, std::move(lines), number);
}

void MVApplication::ChooseSides() {
    if (mSide == 0 || mSide == 1) {
        DoCommand(109 + mSide);
        return;
    }
    if (!gKernel) return;
    mScreenView = new GView;
    mScreenView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    mScreenView->SetFillColor(gBlack);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mScreenView, -1, -1, 11115);
    const int32_t w = picture->GetWidth();
    const int32_t h = picture->GetHeight();
    Button(picture, 2 * ((w - 300) / 5), 50, 109, 11110, 153);
    Button(picture, 3 * ((w - 300) / 5) + 150, 50, 110, 11111, 153);
    const int32_t fogIds[4] = {244, 243, 242, 241};
    Label(picture, 380, w / 2 - 10, h - 95);
    mFogPopup = MakePopup(picture, w / 2, h - 95, fogIds, 4, 3 - mPrefs[kPrefFogOfWar]);
    mSetupPopup = nullptr;
    if (gBattle && gBattle->mSideShortA[0] != 0) {
        mPrefs[kPrefComputerSetup] = 1;
    } else {
        const int32_t setupIds[2] = {382, 383};
        Label(picture, 381, w / 2 - 10, h - 75);
        mSetupPopup = MakePopup(picture, w / 2, h - 75, setupIds, 2, 1 - mPrefs[kPrefComputerSetup]);
    }
    const int32_t bonusIds[4] = {961, 0, 0, 0};
    Label(picture, 384, w / 2 - 10, h - 55);
    mBonusPopup = MakePopup(picture, w / 2, h - 55, bonusIds, 4, 0);
    mHandicapPopup = nullptr;
    bool firstBattle = !gCampaign || gCampaign->mTurn <= 1;
    if (firstBattle && gBattle && gBattle->mSetupPhase && gBattle->mHandicap == 0 &&
        gBattle->mSideShortA[0] == 0) {
        int32_t ids[13];
        for (int32_t i = 0; i < 13; ++i)
            ids[i] = 342 + i;
        Label(picture, 341, w / 2 - 10, h - 35);
        mHandicapPopup = MakePopup(picture, w / 2, h - 35, ids, 13, 6);
    }
}

void MVApplication::PlayersAndConnectionType() {
    if (Alive(mFogPopup)) {
        mPrefs[kPrefFogOfWar] = static_cast<int8_t>(3 - PopupValue(mFogPopup));
        if (Alive(mSetupPopup)) mPrefs[kPrefComputerSetup] = static_cast<int8_t>(1 - PopupValue(mSetupPopup));
        int32_t bonus = PopupValue(mBonusPopup);
        if (gBattle) gBattle->mComputerBonus = bonus;
        if (gCampaign) gCampaign->mComputerBonus = bonus;
        if (Alive(mHandicapPopup) && gBattle) gBattle->Handicap(kHandicaps[PopupValue(mHandicapPopup)]);
    }
    DeleteView(mScreenView);
    mFogPopup = mSetupPopup = mBonusPopup = mHandicapPopup = nullptr;
    if (mPlayers == 1) {
        mConnectionType = 0;
        SettleGameMode();
        DoCommand(111);
        return;
    }
    if (mConnectionType == 2 && !mIsHost) {
        DoCommand(111);
        mTCPIPPhase = 6;
        return;
    }
    const int32_t side = mSide == 1 ? 1 : 0;
    bool boats = (gBattle && gBattle->HasBoat(1 - side)) || (gCampaign && gCampaign->HasBoat(1 - side));
    bool all = mPlayers == 0 && !boats;
    mPlayersChoice = all ? 0 : 1;
    if (!gKernel) return;
    mScreenView = new GView;
    mScreenView->IView(nullptr, -1, -1, 640, 480);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mScreenView, -1, -1, 11168);
    const int32_t w = picture->GetWidth();
    const int32_t h = picture->GetHeight();
    const int32_t y0 = h - 170;
    delete mPlayersRadio;
    mPlayersRadio = new GRadioGroup;
    mPlayersRadio->IRadioGroup();
    struct Option {
        int32_t text, radioCommand, picture, buttonCommand;
    };
    const Option options[4] = {{362, 112, side == 0 ? 11163 : 11160, 114},
                               {363, 112, 11161, 115},
                               {364, 112, 11162, 116},
                               {365, 113, side == 0 ? 11167 : 11166, 117}};
    const int32_t gap = all ? (w - 336) / 7 : (w - 252) / 6;
    int32_t x = 2 * gap;
    for (int32_t i = all ? 0 : 1; i < 4; ++i) {
        auto* radio = new EditorRadioButton;
        radio->IEditorRadioButtonRez(mPlayersRadio, options[i].text, picture, x, y0);
        radio->SetCommandID(options[i].radioCommand);
        radio->AttachSound(150);
        auto* image = new GBlitView;
        image->IBlitView2D(picture, x + 3, y0 - 90, options[i].picture);
        auto* hit = new GButton;
        hit->IButton(0, picture, x + 3, y0 - 90, 88, 88, options[i].buttonCommand);
        hit->Show(true);
        x += gap + 84;
    }
    // The first option shown is the one chosen: one player, else hotseat.
    mPlayersRadio->SetChoiceByIndex(0);
    auto* ok = Button(picture, -1, y0 + 60, 111, 11101, 152);
    ok->SetDefaultOK();
    int32_t timeIds[10];
    for (int32_t i = 0; i < 10; ++i)
        timeIds[i] = 1670 + i;
    mTimePopup = MakePopup(picture, w - 200, y0 + 40, timeIds, 10, 0);
    mTimePopup->Show(false);
}

bool MVApplication::GetPlayersAndConnectionType() {
    // The option comes from the choice the screen kept; a game that skipped
    // the screen (one player saved, the TCP/IP joiner) keeps what it loaded.
    int32_t c = mPlayersChoice;
    if (Alive(mScreenView) && mPlayersRadio) {
        bool all = mPlayersRadio->GetCount() == 4;
        c = mPlayersRadio->GetChoice() + (all ? 0 : 1);
    } else if (mPlayers == 1) {
        c = 0;
    } else if (mPlayers == 2) {
        c = mConnectionType + 1;
    }
    if (mPlayers != 2) {
        mPlayers = c == 0 ? 1 : 2;
        if (c < 2) mConnectionType = 0;
    }
    if (mPlayers == 2 || c > 1) {
        if (c >= 1) mConnectionType = c - 1;
    }
    SettleGameMode();
    if (Alive(mTimePopup) && mTimePopup->IsVisible())
        mTurnTimeLimit = kTimeLimits[PopupValue(mTimePopup)] * 60000;
    DeleteView(mScreenView);
    delete mPlayersRadio;
    mPlayersRadio = nullptr;
    mTimePopup = nullptr;
    if (mPlayers == 2) {
        if (mConnectionType == 1) {
            mLastSaveName.IStringRez(kMailFolderId);
            if (mLoadedConnectionType == 2) mSidesSwapped = true;
        } else if (mConnectionType == 0 && gBattle && !gBattle->mSetupPhase) {
            mSidesSwapped = false;
        }
    }
    if (!(mConnectionType == 2 && gBattle && !gBattle->mSetupPhase)) {
        RandomlySeedRandomGenerator();
        mRandomSeed = static_cast<uint16_t>(RandomSeed16());
    }
    if (mConnectionType == 2 && gBattle) {
        int32_t other = mSide == 1 ? 0 : 1;
        mNewTCPIPTextures = gBattle->mPendingGraphics[other] != 0 && !gBattle->mGraphicsMade[other];
    }
    return true;
}

void MVApplication::PasswordScreen() {
    mScreensHiddenForPassword = gKernel && gKernel->Is3D();
    if (mScreensHiddenForPassword && gBattle) gBattle->ShowScreens(false);
    if (mPlayers != 2) {
        DoCommand(118);
        return;
    }
    if (gSound) gSound->m3DDistanceOffset = 500.0f;
    if (!gKernel) return;
    const int32_t side = mSide == 1 ? 1 : 0;
    mScreenView = new GView;
    mScreenView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mScreenView, -1, -1, 11165);
    GString255 line("(");
    line.ConcatRez(side == 0 ? 130 : 131);
    line.ConcatRez(370);
    line.ConcatRez(mPasswordSet[side] ? 371 : 372);
    auto* text = new GTextView;
    text->ITextView(picture, -1, 24, 420, &line);
    text->SetJustify(0);
    auto* field = new GEditView;
    field->IEditView(picture, -1, 50, 30, 1, false, false);
    field->SetMasked(true); // the other player of a hotseat game may be watching
    mPasswordField = field;
    if (gKernel) gKernel->SetActiveEdit(field);
    Button(picture, 73, 105, 118, 11101, 152)->SetDefaultOK();
    mPasswordRetryButton = Button(picture, 246, 105, 99, 11103, 153);
    mPasswordRetryButton->Show(false);
}

bool MVApplication::CheckPassword() {
    auto* field = static_cast<GEditView*>(Alive(mPasswordField));
    if (!field) return true;
    const int32_t side = mSide == 1 ? 1 : 0;
    GString255 typed;
    field->CaptureString(&typed);
    GString63 hash;
    OneWayHash(&typed, &hash);
    if (mPasswordSet[side] && !hash.IsEqualTo(&mPasswordHash[side])) {
        if (gKernel) gKernel->Beep();
        field->Clear();
        ShowView(mPasswordRetryButton, true);
        return false;
    }
    if (!mPasswordSet[side]) mPasswordHash[side] = hash;
    field->Clear();
    if (gKernel) gKernel->UpdateScreen();
    mPasswordField = nullptr;
    DeleteView(mScreenView);
    mPasswordRetryButton = nullptr;
    mPasswordSet[side] = true;
    if (mScreensHiddenForPassword && gBattle) gBattle->ShowScreens(true);
    return true;
}

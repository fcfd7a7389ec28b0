// Building the battle screen's bottom bar and its four playback views.
#include "app/BattleScreen.h"

#include <algorithm>

#include "app/InfoPanel.h"

#include "battle/Battle.h"
#include "engine/GBlitView.h"
#include "engine/GButton3D.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "platform/Surface16.h"

namespace {

constexpr int32_t kBarHeight = 90;
constexpr int32_t kPanelWidth = 800;
constexpr int32_t kBlinkOnMs = 1300;
constexpr int32_t kBlinkCycleMs = 1700;
constexpr int32_t kBlinkTickMs = 40;

GGraphic* LoadPicture(int32_t picture) {
    auto* g = new GGraphic;
    g->IGraphic(kGraphic3DPicture, picture, 0, false);
    return g;
}

GButton3D* MakeButton(GView* parent, int32_t x, int32_t y, int32_t command, int16_t picture) {
    auto* b = new GButton3D;
    b->IButton3D(parent, x, y, command, picture, picture, picture);
    return b;
}

int32_t PlayState() {
    return gBattle ? gBattle->mPlayState : 13;
}

// A plain filler at the screen's edge; a zero width is no filler at all
// (a view of width 0 would take its parent's).
void AddFiller(BattleScreen* s, int32_t x, int32_t width) {
    if (width <= 0 || s->mFillerCount >= 4) return;
    auto* v = new GView;
    v->IView(s->mRoot, x, 0, width, kBarHeight);
    v->SetFillColor(0);
    s->mFillers[s->mFillerCount++] = v;
}

} // namespace

// ----------------------------------------------------------------- views

void TimerView::Draw() {
    GView::Draw();
    GString31 text;
    text.IStringText("0:");
    const int32_t seconds = mSeconds > 60 ? 60 : (mSeconds < 0 ? 0 : mSeconds);
    if (seconds < 10) text.AddChar('0');
    text.ConcatNum(seconds);
    WriteString(&text, 2, 9, -1, static_cast<GOLTAFont>(0), 255, 255, 255);
}

ActionButton::~ActionButton() {
    delete mGraphics[0];
    delete mGraphics[1];
}

void ActionButton::IActionButton(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height) {
    mGraphics[0] = LoadPicture(2012);
    mGraphics[1] = LoadPicture(2013);
    IView(parent, x, y, width, height);
}

void ActionButton::Activate(bool on) {
    mCounter = 0;
    mLastTick = 0;
    // The blink is timed by the clock; it needs no pass more often than this.
    SetIdleTimer(on ? kBlinkTickMs : -1);
    GView::Activate(on);
}

void ActionButton::Draw() {
    if (!IsActive()) {
        GView::Draw();
        return;
    }
    Blit(mGraphics[mCounter > kBlinkOnMs ? 1 : 0], 0, 0);
}

void ActionButton::DoIdle() {
    if (!IsActive()) return;
    const int32_t before = mCounter;
    const uint32_t now = ClockTime();
    if (mLastTick != 0) mCounter += static_cast<int32_t>(std::min<uint32_t>(now - mLastTick, kBlinkCycleMs));
    mLastTick = now == 0 ? 1 : now;
    if (before <= kBlinkOnMs && mCounter > kBlinkOnMs) {
        Refresh();
    } else if (before > kBlinkOnMs && mCounter > kBlinkCycleMs) {
        while (mCounter > kBlinkCycleMs)
            mCounter -= kBlinkCycleMs;
        Refresh();
    }
}

PlayPauseButton::~PlayPauseButton() {
    for (GGraphic*& g : mGraphics)
        delete g;
}

void PlayPauseButton::IPlayPauseButton(GView* parent, int32_t x, int32_t y) {
    for (int32_t i = 0; i < 4; ++i)
        mGraphics[i] = LoadPicture(2016 + i);
    IButton(0, parent, x, y, 37, 32, 0);
    SetIdleTimer(500);
}

void PlayPauseButton::Draw() {
    if (PlayState() == 13)
        Blit(mGraphics[mEnded ? 1 : (mBlink ? 2 : 3)], 0, 0);
    else if (!mBlink)
        Blit(mGraphics[0], 0, 0);
}

void PlayPauseButton::DoMouseUp(int32_t x, int32_t y, bool rightButton) {
    mPressed = false;
    if (PlayState() == 13) {
        if (!mEnded) DoCommand(15);
    } else {
        DoCommand(13);
    }
    Refresh();
}

void PlayPauseButton::DoIdle() {
    mBlink = !mBlink;
    Refresh();
}

void ActionBar::Draw() {
    GView::Draw();
    if (mValue <= 1) return;
    LongRect r{1, 1, mValue, GetHeight() - 1};
    PaintRectangle(&r, static_cast<int16_t>(MakeRGB565(0, 0, 255)));
}

// ------------------------------------------------------------------ build

void SetupScreen(Battle* battle, BattleScreen* s, GView* parent, int32_t w, int32_t h, bool hideGo) {
    *s = BattleScreen{};
    s->mRoot = new GView;
    s->mRoot->IView(parent, 0, h - kBarHeight, w, kBarHeight);
    s->mRoot->Show(false);
    auto* panel = new GBlitView;
    panel->IBlitView3D(s->mRoot, (w - kPanelWidth) / 2, 0, 2009);
    panel->Resize(kPanelWidth, kBarHeight);
    s->mPanel = panel;
    // The unit panel's seat: the bar's left 540 pixels.
    if (battle) {
        auto* info = new InfoPanel;
        battle->mInfoPanel = info;
        info->IInfoPanel(panel);
    }

    s->mActionBar = new ActionBar;
    s->mActionBar->IView(panel, 148, 76, 150, 9);
    s->mActionBar->Show(false);

    s->mOrdersPicture = new GBlitView;
    s->mOrdersPicture->IBlitView3D(panel, 540, 0, 2008);
    struct CameraButtonPlace {
        int32_t x, y, command;
        int16_t picture;
        bool repeats;
    };
    static const CameraButtonPlace kCamera[8] = {{7, 6, 1, 2000, false},   {51, 6, 3, 2001, false},
                                    {95, 6, 2, 2002, false},  {139, 6, 8, 2007, true},
                                    {7, 48, 5, 2003, false},  {51, 48, 4, 2004, false},
                                    {95, 48, 6, 2005, false}, {139, 48, 7, 2006, true}};
    for (int32_t i = 0; i < 8; ++i) {
        const CameraButtonPlace& c = kCamera[i];
        s->mCameraButtons[i] = MakeButton(s->mOrdersPicture, c.x, c.y, c.command, c.picture);
        // The loft buttons step while held; the moving and turning buttons
        // act on every pass while held, by the time that passed.
        s->mCameraButtons[i]->SetContinuousAction(c.repeats ? 50 : 1);
    }

    s->mVCRPicture = new GBlitView;
    s->mVCRPicture->IBlitView3D(panel, 722, 0, 2010);
    s->mVCRPicture->Show(false);
    MakeButton(s->mVCRPicture, 3, 6, 11, 2030);
    MakeButton(s->mVCRPicture, 3, 39, 12, 2031);
    MakeButton(s->mVCRPicture, 40, 39, 14, 2032);
    s->mPlayPause = new PlayPauseButton;
    s->mPlayPause->IPlayPauseButton(s->mVCRPicture, 40, 6);
    s->mActionButton = new ActionButton;
    s->mActionButton->IActionButton(s->mVCRPicture, 3, 73, 51, 15);
    // The plain button that starts the next turn lies over the blinking one,
    // inside it: while the replay runs and nothing blinks there, a click on
    // that spot does nothing.
    auto* cover = new GButton;
    cover->IButton(0, s->mActionButton, 0, 0, 51, 15, 10);
    s->mTimer = new TimerView;
    s->mTimer->IView(s->mVCRPicture, 49, 73, 30, 15);

    s->mGoPicture = new GBlitView;
    s->mGoPicture->IBlitView3D(panel, 722, 0, 2014);
    s->mGoButton = new GButton3D;
    s->mGoButton->IButton3D(s->mGoPicture, 42, 6, 9, 2015, 2021, 2015);
    s->mGoPicture->Show(!hideGo);

    const int32_t side = (w - kPanelWidth) / 2;
    if (w >= 1280) {
        auto* l = new GBlitView;
        l->IBlitView3D(s->mRoot, side - 240, 0, 11114);
        auto* r = new GBlitView;
        r->IBlitView3D(s->mRoot, w - side, 0, 11114);
        AddFiller(s, 0, (w - 1280) / 2);
        AddFiller(s, w - (w - 1280) / 2, (w - 1280) / 2);
    } else if (w >= 1024) {
        auto* l = new GBlitView;
        l->IBlitView3D(s->mRoot, side - 112, 0, 11113);
        auto* r = new GBlitView;
        r->IBlitView3D(s->mRoot, w - side, 0, 11113);
        AddFiller(s, 0, (w - 1024) / 2);
        AddFiller(s, w - (w - 1024) / 2, (w - 1024) / 2);
    } else {
        AddFiller(s, 0, side);
        AddFiller(s, w - side, side);
    }
    if (battle) {
        battle->mBottomPanel = panel;
        battle->mReplayControls = s->mVCRPicture;
        delete battle->mFillerGraphic;
        battle->mFillerGraphic = LoadPicture(10037);
    }
}

void SetupMenus(Battle* battle) {
    if (!battle) return;
    for (int32_t i = 0; i < 8; ++i) {
        delete battle->mMenuGraphics[i];
        battle->mMenuGraphics[i] = LoadPicture(1680 + i);
    }
    for (int32_t i = 0; i < 46; ++i) {
        delete battle->mOrderGraphics[i];
        battle->mOrderGraphics[i] = LoadPicture(1600 + i);
    }
}

void ShowReplayControls(BattleScreen* s, bool replay) {
    if (!s || !s->mRoot) return;
    if (s->mVCRPicture) s->mVCRPicture->Show(replay);
    if (s->mGoPicture) s->mGoPicture->Show(!replay);
    if (s->mActionButton) s->mActionButton->Activate(false);
}

void PlaybackChanged(BattleScreen* s, int32_t playState, int32_t seconds, bool ended) {
    if (!s || !s->mRoot) return;
    if (s->mTimer && s->mTimer->mSeconds != seconds) {
        s->mTimer->mSeconds = seconds;
        s->mTimer->Refresh();
    }
    if (s->mPlayPause) {
        s->mPlayPause->mEnded = ended && playState == 13;
        s->mPlayPause->Refresh();
    }
    if (s->mActionButton && ended) s->mActionButton->Activate(true);
}

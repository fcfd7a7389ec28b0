#pragma once
// The bottom bar of the battle screen: the unit panel's seat, the eight
// camera buttons, the replay controls with their clock, play/pause and
// blinking turn button, the GO button, the progress bar of the action phase
// and the side fillers of wide screens.
#include <cstdint>

#include "engine/GButton.h"
#include "engine/GView.h"

class Battle;
class GBlitView;
class GButton3D;
class GGraphic;

class TimerView : public GView {
public:
    void Draw() override;
    int32_t mSeconds = 0;
};

class ActionButton : public GView {
public:
    ~ActionButton() override;
    void IActionButton(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height);
    void Activate(bool on) override;
    void Draw() override;
    void DoIdle() override;
    GGraphic* mGraphics[2] = {};
    int32_t mCounter = 0;
    uint32_t mLastTick = 0; // clock of the last idle pass, 0 before the first
};

class PlayPauseButton : public GButton {
public:
    ~PlayPauseButton() override;
    void IPlayPauseButton(GView* parent, int32_t x, int32_t y);
    void Draw() override;
    void DoMouseUp(int32_t x, int32_t y, bool rightButton) override;
    void DoIdle() override;
    GGraphic* mGraphics[4] = {}; // play, end, paused A, paused B
    bool mBlink = false;
    bool mEnded = false; // playback reached its end
};

class ActionBar : public GView {
public:
    void Draw() override;
    int32_t mValue = 0;
};

// The bar's views; the root view is the battle's screen.
struct BattleScreen {
    GView* mRoot = nullptr;
    GView* mPanel = nullptr;
    GBlitView* mOrdersPicture = nullptr;
    GBlitView* mVCRPicture = nullptr;
    GBlitView* mGoPicture = nullptr;
    GButton3D* mGoButton = nullptr;
    GButton3D* mCameraButtons[8] = {};
    PlayPauseButton* mPlayPause = nullptr;
    ActionButton* mActionButton = nullptr;
    TimerView* mTimer = nullptr;
    ActionBar* mActionBar = nullptr;
    GView* mFillers[4] = {};
    int32_t mFillerCount = 0;
};

// Builds the bar for a screen of width x height under parent (null: the
// kernel's root); hideGo hides GO (the host of a TCP/IP game). The battle's
// panel and replay-control fields are set.
void SetupScreen(Battle* battle, BattleScreen* screen, GView* parent, int32_t width, int32_t height,
                 bool hideGo);
// The battle's order-menu pictures.
void SetupMenus(Battle* battle);
// Playback began or stopped: the bar shows the replay controls or GO.
void ShowReplayControls(BattleScreen* screen, bool replay);
// The clock and play/pause follow playback.
void PlaybackChanged(BattleScreen* screen, int32_t playState, int32_t seconds, bool ended);

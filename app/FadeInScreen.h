#pragma once
// The title picture at start-up, faded by the display's gamma ramp: hidden
// for 4.5 s, in over 450 ms, up until 6 s past the start of the fade-in,
// out over 250 ms, then done. A click or a key starts the fade-out at once.

#include <cstdint>

#include "engine/GView.h"

class GBlitView;

class FadeInScreen : public GView {
public:
    using Clock = uint32_t (*)();
    // The millisecond clock the fade runs by (the program's clock unless a
    // test sets another).
    static Clock sClock;

    // Redraws the screen and restores the normal gamma.
    ~FadeInScreen() override;
    void IFadeInScreen(int32_t picture, bool nextPicture);
    void InitX(int32_t picture);
    void StartFade(bool byUser);
    void DoIdle() override;
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;

    bool IsDone() const { return mDone; }
    bool IsFading() const { return mFading; }
    GBlitView* GetPictureView() const { return mPicture; }
    // The brightness last given to the gamma ramp, 0 to 1.
    float GetBrightness() const { return mBrightness; }

private:
    GBlitView* mPicture = nullptr;
    uint32_t mStartTime = 0;
    uint32_t mFadeStartTime = 0;
    bool mFading = false;
    bool mDone = false;
    bool mNextPicture = false;
    float mBrightness = 0.0f;
};

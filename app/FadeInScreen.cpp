#include "app/FadeInScreen.h"

#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "engine/GBlitView.h"
#include "engine/GOLTA.h"
#include "engine/GSoundStream.h"

FadeInScreen::Clock FadeInScreen::sClock = ClockTime;

namespace {

constexpr uint32_t kHiddenMs = 4500;
constexpr float kFadeInPerMs = 0.0022222222f; // full brightness after 450 ms
constexpr uint32_t kFullMs = 6000;            // counted from the start of the fade-in
constexpr uint32_t kFadeOutMs = 250;
constexpr float kFadeOutPerMs = 0.004f;
constexpr int32_t kTitlePicture = 11003;

} // namespace

FadeInScreen::~FadeInScreen() {
    if (gKernel) gKernel->ClearScreen(false);
    if (MVApplication* app = TheApp()) app->ApplyPref(kPrefGamma);
}

void FadeInScreen::IFadeInScreen(int32_t picture, bool nextPicture) {
    IView(nullptr, -1, -1, 0, 0);
    SetIdleTimer(0);
    mStartTime = sClock();
    mFading = false;
    mDone = false;
    mNextPicture = nextPicture;
    InitX(picture);
}

void FadeInScreen::InitX(int32_t picture) {
    mPicture = new GBlitView;
    mPicture->IBlitView2D(this, -1, -1, picture);
    mPicture->Show(false);
}

void FadeInScreen::StartFade(bool byUser) {
    if (byUser) {
        mNextPicture = false;
        if (MVApplication* app = TheApp()) {
            delete app->mTitleMusic;
            app->mTitleMusic = nullptr;
        }
    }
    if (mFading || mDone) return;
    if (mPicture && mPicture->IsShown()) {
        mFading = true;
        mFadeStartTime = sClock();
    } else {
        mDone = true;
    }
}

void FadeInScreen::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    StartFade(true);
}

void FadeInScreen::DoIdle() {
    if (mDone) return;
    const uint32_t now = sClock();
    float brightness = 0.0f;
    if (!mFading) {
        uint32_t t = now - mStartTime;
        if (t <= kHiddenMs) return;
        if (t - kHiddenMs > kFullMs) {
            StartFade(false);
            return;
        }
        brightness = static_cast<float>(t - kHiddenMs) * kFadeInPerMs;
    } else {
        uint32_t e = now - mFadeStartTime;
        if (e > kFadeOutMs) {
            if (mNextPicture) {
                mNextPicture = false;
                if (gKernel) gKernel->KillViewAfterIdle(mPicture);
                InitX(kTitlePicture);
                mStartTime = now - 2250;
                mFading = false;
            } else {
                mDone = true;
            }
            return;
        }
        brightness = 1.0f - static_cast<float>(e) * kFadeOutPerMs;
    }
    if (mPicture) mPicture->Show(true);
    if (brightness > 1.0f) brightness = 1.0f;
    mBrightness = brightness;
    int32_t gamma = 1;
    if (MVApplication* app = TheApp()) gamma = app->mPrefs[kPrefGamma];
    if (gKernel) gKernel->SetGamma(1.0f + 0.1f * static_cast<float>(gamma), brightness);
}

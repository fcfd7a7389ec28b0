// The main loop: one pass takes an event, dispatches it, runs the idle
// timers, updates the screen and services the sound channels.
#include "engine/G3DBridge.h"
#include "engine/GEditView.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GView.h"
#include "platform/PlatformVideo.h"
#include <algorithm>

namespace {
// The longest an active program sleeps between passes when nothing is due.
constexpr int32_t kMaxIdleWaitMs = 50;
// The frame time assumed after a still spell when no real one is known.
constexpr int32_t kNominalFrameMs = 33;
constexpr int32_t kEdgeMargin = 2;
constexpr uint32_t kHoldDelayMs = 400;
constexpr int32_t kInactiveWakeMs = 1000;
} // namespace

void GKernel::RunMainLoop() {
    while (!mQuit)
        DoOnePass(-1);
}

void GKernel::InjectEvent(const PlatformEvent& event) {
    mInjected.push_back(event);
}

int32_t GKernel::MillisUntilNextIdle() const {
    if (!mRootView) return kMaxIdleWaitMs;
    std::vector<GView*> idlers;
    mRootView->CollectIdlers(&idlers);
    int32_t wait = kMaxIdleWaitMs;
    for (GView* v : idlers) {
        const int32_t due = v->GetIdleTimer() - static_cast<int32_t>(mCurrentTime - v->mLastIdleTime);
        wait = std::min(wait, std::max(due, 0));
    }
    return wait;
}

bool GKernel::WaitForEvent(PlatformEvent* event, int32_t waitMs) {
    if (!mInjected.empty()) {
        *event = mInjected.front();
        mInjected.erase(mInjected.begin());
        return true;
    }
    if (!mVideo) return false;
    int32_t timeout = 0;
    if (!mActive) {
        // An inactive program sleeps until the window system wakes it, but
        // no longer than a second, so that the network pump keeps an open
        // connection alive while the player is away.
        timeout = waitMs < 0 ? kInactiveWakeMs : waitMs;
    } else if (mHogCPU == 0 && waitMs != 0) {
        // Active: no waiting beyond what is due next, so the loop neither
        // spins nor delays work.
        timeout = MillisUntilNextIdle();
        if (!mDirty.IsEmpty()) timeout = 0;
        // A held button that waits for its DoMouseHold wakes the loop in time.
        if (mTrackingView && mTrackingHold && !mHoldSent && mButtonDown == 1) {
            const int32_t held = static_cast<int32_t>(ClockTime() - mButtonDownTime);
            timeout = std::min(timeout, std::max(static_cast<int32_t>(kHoldDelayMs) - held, 0));
        }
        if (waitMs > 0) timeout = std::min(timeout, waitMs);
    }
    return mVideo->NextEvent(event, timeout);
}

void GKernel::DoOnePass(int32_t waitMs) {
    // The network delivers what arrived before anything else runs.
    if (mNetworkHook) mNetworkHook(mNetworkContext);
    PlatformEvent event;
    const bool got = WaitForEvent(&event, waitMs);
    mCurrentTime = ClockTime();
    if (got) DispatchEvent(event);
    // In the background a pass without a message is only for the network:
    // the pump above and the application's background work.
    if (!got && !mActive) {
        if (mApplication) mApplication->DoBackgroundWork();
        return;
    }
    UpdateEdges();
    // A held button that tracks asks for DoMouseHold once it has been held.
    if (mActive && mTrackingView && mTrackingHold && mButtonDown == 1 && !mHoldSent &&
        mCurrentTime - mButtonDownTime >= kHoldDelayMs) {
        mHoldSent = true;
        LongRect g;
        mTrackingView->GetGlobalBounds(&g);
        mTrackingView->DoMouseHold(mMouseX - g.left, mMouseY - g.top);
    }
    // A program in the background still runs its idle work (network
    // transfers go on from the application's after-idle hook) and its
    // sounds for each message; only the screen waits until it is active
    // again.
    if (mActive && mHeldKey != 0 && mHeldPhysicalKey != 0 && mApplication && !(got && event.type == PlatformEvent::kKey))
        mApplication->KeyHeld(static_cast<char>(mHeldKey));
    DoIdlePass();
    if (mActive) {
        // The 3-D screen is drawn whole, so a frame is made only when an
        // event came or a view asked to be drawn (the map view does while
        // its scene moves); a pass without one still serves the sounds the
        // frame would have started.
        if (m3DMode && Bridge3D::Exists() && !got && mDirty.IsEmpty()) {
            mScreenWasStill = true;
            if (!mDisplayTestRunning && mApplication) mApplication->DoStuffWhileRender();
        } else {
            UpdateScreen();
        }
    }
    ManageSounds();
}

void GKernel::UpdateEdges() {
    // In the background the pointer is elsewhere: no edge scrolls.
    if (!mEdgeScrolling || !mActive) {
        mEdgeH = mEdgeV = 0;
        return;
    }
    mEdgeH = mMouseX <= 0 ? -1 : mMouseX >= mScreenWidth - kEdgeMargin ? 1 : 0;
    mEdgeV = mMouseY <= 0 ? -1 : mMouseY >= mScreenHeight - kEdgeMargin ? 1 : 0;
}

void GKernel::KillViewAfterIdle(GView* view) {
    if (view && std::find(mKillList.begin(), mKillList.end(), view) == mKillList.end())
        mKillList.push_back(view);
}

void GKernel::DoIdlePass() {
    mIdling = true;
    std::vector<GView*> idlers;
    if (mRootView) mRootView->CollectIdlers(&idlers);
    for (GView* v : idlers) {
        // An earlier DoIdle may have deleted this view.
        if (!IsViewAlive(v) || v->GetIdleTimer() < 0) continue;
        if (v->GetIdleTimer() > 0 &&
            mCurrentTime - v->mLastIdleTime < static_cast<uint32_t>(v->GetIdleTimer()))
            continue;
        v->mLastIdleTime = mCurrentTime;
        v->DoIdle();
    }
    mIdling = false;
    while (!mKillList.empty()) {
        GView* v = mKillList.back();
        mKillList.pop_back();
        if (IsViewAlive(v)) delete v;
    }
    if (mApplication) mApplication->DoStuffAfterIdle();
    if (mActiveEdit) mActiveEdit->UpdateCaret(mCurrentTime);
}

bool GKernel::UpdateScreenForProgress() {
    if (mUpdatedOnce && ClockTime() - mLastUpdateTime < kProgressUpdateMs) return false;
    UpdateScreen();
    return true;
}

void GKernel::UpdateScreen() {
    const uint32_t now = ClockTime();
    ++mScreenUpdates;
    mUpdatedOnce = true;
    // A still screen makes no frames; the gap after such a spell is not a
    // frame time, and motion scaled by the frame rate (a camera step) would
    // jump, so the last real frame time stands.
    const int32_t gap = static_cast<int32_t>(now) - mLastFrameTime;
    if (!mScreenWasStill)
        mFrameMs = gap;
    else if (gap < mFrameMs || mFrameMs <= 0)
        mFrameMs = gap > 0 ? gap : kNominalFrameMs;
    mScreenWasStill = false;
    mLastFrameTime = static_cast<int32_t>(now);
    if (mFrameMs > 0) mFramesPerSecond = 1000.0f / static_cast<float>(mFrameMs);
    mLastUpdateTime = now;
    if (m3DMode && Bridge3D::Exists()) {
        const bool began = Bridge3D::RenderBegin();
        if (began) {
            if (mRootView) mRootView->DrawWithin(LongRect{0, 0, mScreenWidth, mScreenHeight});
            if (mHardwareDirectDraw) {
                int32_t x = mMouseX, y = mMouseY;
                if (mVideo) mVideo->CursorPosition(&x, &y);
                Bridge3D::DrawFakeCursor(x, y);
            }
        }
        if (!mDisplayTestRunning && mApplication) mApplication->DoStuffWhileRender();
        if (began) {
            Bridge3D::RenderEnd();
            if (mVideo) mVideo->Present();
        }
        mDirty = LongRect{};
        return;
    }
    if (!mDirty.IsEmpty()) {
        const LongRect dirty = mDirty;
        mDirty = LongRect{};
        if (mRootView) mRootView->DrawWithin(dirty);
        mPresentPending = true;
    }
    if (!mDisplayTestRunning && mApplication) mApplication->DoStuffWhileRender();
    if (mPresentPending && mVideo) mVideo->Present();
    mPresentPending = false;
}

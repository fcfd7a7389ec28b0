// Dispatch of window events: the pointer to the view under it (or the top
// modal view, or the tracking view), keys to the active edit field, the
// default button or the application.
#include "engine/GButton.h"
#include "engine/GEditView.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GView.h"
#include <algorithm>

namespace {
void ToLocal(const GView* v, int32_t x, int32_t y, int32_t* lx, int32_t* ly) {
    LongRect g;
    v->GetGlobalBounds(&g);
    *lx = x - g.left;
    *ly = y - g.top;
}
} // namespace

void GKernel::RegisterView(GView* view) {
    mLiveViews.insert(view);
}

void GKernel::ForgetView(GView* view) {
    mLiveViews.erase(view);
    mModalStack.erase(std::remove(mModalStack.begin(), mModalStack.end(), view), mModalStack.end());
    mKillList.erase(std::remove(mKillList.begin(), mKillList.end(), view), mKillList.end());
    if (mTrackingView == view) mTrackingView = nullptr;
    if (static_cast<GView*>(mActiveEdit) == view) mActiveEdit = nullptr;
    if (static_cast<GView*>(mDefaultButton) == view) mDefaultButton = nullptr;
}

void GKernel::PushModal(GView* view) {
    if (!view) return;
    mModalStack.erase(std::remove(mModalStack.begin(), mModalStack.end(), view), mModalStack.end());
    mModalStack.push_back(view);
}

GView* GKernel::GetTopModal() const {
    // A hidden modal view does not capture clicks.
    for (size_t i = mModalStack.size(); i-- > 0;)
        if (mModalStack[i]->IsVisible()) return mModalStack[i];
    return nullptr;
}

void GKernel::StartTracking(GView* view, bool hold) {
    mTrackingView = view;
    mTrackingHold = hold;
    mHoldSent = false;
    if (!view) return;
    int32_t lx, ly;
    ToLocal(view, mMouseX, mMouseY, &lx, &ly);
    view->DoMouseTrack(lx, ly, mShift, mCtrl);
}

void GKernel::BreakMouseTrack() {
    mTrackingView = nullptr;
    mTrackingHold = false;
}

void GKernel::SetActiveEdit(GEditView* edit) {
    if (mActiveEdit == edit) return;
    GEditView* old = mActiveEdit;
    mActiveEdit = edit;
    if (old) old->Refresh();
    if (edit) edit->Refresh();
}

bool GKernel::PressDefaultButton() {
    if (!mDefaultButton || !mDefaultButton->IsVisible() || !mDefaultButton->IsActive()) return false;
    mDefaultButton->SimulateClick(true);
    return true;
}

GView* GKernel::ViewAt(int32_t x, int32_t y) const {
    return mRootView ? mRootView->FindViewAt(x, y) : nullptr;
}

void GKernel::DispatchEvent(const PlatformEvent& event) {
    mCurrentTime = ClockTime();
    mShift = event.shift;
    mCtrl = event.ctrl;
    switch (event.type) {
    case PlatformEvent::kQuit:
        Quit();
        break;
    case PlatformEvent::kFocusLost:
        // Its key up goes to the other window: nothing stays held.
        mHeldPhysicalKey = 0;
        mHeldKey = 0;
        if (mActive && mApplication) mApplication->SuspendApp();
        mActive = false;
        break;
    case PlatformEvent::kFocusGained:
        if (!mActive && mApplication) mApplication->ResumeApp();
        mActive = true;
        QueueRefresh(LongRect{0, 0, mScreenWidth, mScreenHeight});
        break;
    case PlatformEvent::kExpose:
        QueueRefresh(LongRect{0, 0, mScreenWidth, mScreenHeight});
        mPresentPending = true;
        break;
    case PlatformEvent::kMouseDown:
    case PlatformEvent::kMouseUp:
    case PlatformEvent::kMouseMove:
        DispatchMouse(event);
        break;
    case PlatformEvent::kKey:
        mHeldPhysicalKey = event.physicalKey;
        mHeldKey = event.alt ? 0 : event.key;
        DispatchKey(event);
        break;
    case PlatformEvent::kKeyUp:
        if (event.physicalKey == mHeldPhysicalKey) {
            mHeldPhysicalKey = 0;
            mHeldKey = 0;
        }
        break;
    default:
        break;
    }
}

void GKernel::UpdateCursorView(int32_t x, int32_t y) {
    GView* modal = GetTopModal();
    GView* over = modal ? modal->FindViewAt(x, y) : ViewAt(x, y);
    GView* before = GView::mLastToContainCursor;
    GView::mLastToContainCursor = over;
    if (before && before != over && IsViewAlive(before)) before->DoCursorExit();
    if (over && IsViewAlive(over)) {
        int32_t lx, ly;
        ToLocal(over, x, y, &lx, &ly);
        over->DoCursor(lx, ly);
    }
}

void GKernel::DispatchMouse(const PlatformEvent& event) {
    mMouseX = std::clamp(event.x, 0, std::max(mScreenWidth - 1, 0));
    mMouseY = std::clamp(event.y, 0, std::max(mScreenHeight - 1, 0));
    const int32_t x = mMouseX, y = mMouseY;
    int32_t lx, ly;
    if (event.type == PlatformEvent::kMouseMove) {
        if (mTrackingView) {
            ToLocal(mTrackingView, x, y, &lx, &ly);
            mTrackingView->DoMouseTrack(lx, ly, mShift, mCtrl);
        }
        UpdateCursorView(x, y);
        return;
    }
    if (event.type == PlatformEvent::kMouseUp) {
        mButtonDown = 0;
        GView* v = mTrackingView;
        mTrackingView = nullptr;
        if (v) {
            ToLocal(v, x, y, &lx, &ly);
            v->DoMouseUp(lx, ly, event.button == 2);
        }
        return;
    }
    // Button down.
    mButtonDown = event.button;
    mButtonDownTime = mCurrentTime;
    mHoldSent = false;
    GView* modal = GetTopModal();
    GView* hit = modal ? modal->FindViewAt(x, y) : ViewAt(x, y);
    GView::mLastToContainCursor = hit;
    if (modal && !hit) {
        ToLocal(modal, x, y, &lx, &ly);
        modal->DoCaptureModalClick(lx, ly);
        return;
    }
    if (!hit || !hit->IsActive()) return;
    ToLocal(hit, x, y, &lx, &ly);
    const bool right = event.button == 2;
    hit->DoClick(lx, ly, right ? false : event.doubleClick, mShift, mCtrl);
    // The view may have deleted itself; then it is no longer tracking.
    if (right && mTrackingView == hit && IsViewAlive(hit)) {
        mHoldSent = true;
        hit->DoMouseHold(lx, ly);
    }
}

void GKernel::DispatchKey(const PlatformEvent& event) {
    const char key = static_cast<char>(event.key);
    // Escape always reaches the application, even from an edit field.
    if (event.key != 27 && !event.alt && mActiveEdit && mActiveEdit->IsVisible()) {
        mActiveEdit->Input(key);
        return;
    }
    if (event.key == 13 && !event.alt && PressDefaultButton()) return;
    if (mApplication) mApplication->DoKey(key, event.alt, event.numpad);
}

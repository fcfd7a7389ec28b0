#include "app/ProgressView.h"

#include "battle/Battle.h"
#include "engine/GBlitView.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GOLTAFont.h"

namespace {

int32_t TextWidth(GString& text) {
    return StringWidthInPixels(&text, kFontNormal);
}

} // namespace

void ProgressView::IProgressView(GView* box, int32_t stringId) {
    IView(box, -1, -1, 250, 50);
    mLastTime = ClockTime();
    mShown = false;
    mDots = 0;
    mText.IStringRez(stringId);
    mTextX = (250 - TextWidth(mText) - 10) / 2;
    mTextY = 25;
    if (box) box->Show(false);
}

void ProgressView::UpdateProgress() {
    uint32_t now = ClockTime();
    if (!mShown) {
        if (now - mLastTime < 500) return;
        mLastTime = now;
        mShown = true;
        if (GetParent()) GetParent()->Show(true);
        if (gKernel) gKernel->UpdateScreen();
        return;
    }
    if (now - mLastTime < 800) return;
    mLastTime = now;
    mDots = (mDots + 1) % 6;
    Refresh();
    if (gKernel) gKernel->UpdateScreen();
}

void ProgressView::Draw() {
    GString127 line;
    line = mText;
    for (int32_t i = 0; i < mDots; ++i)
        line.AddChar('.');
    WriteString(&line, mTextX, mTextY, -1, kFontNormal, 100, 200, 255);
}

GView* MakeConfirmationBox(GView* parent, int16_t* fillColour, bool wide) {
    auto* box = new GView;
    box->IView(parent, -1, -1, wide ? 624 : 400, 160);
    const int32_t r = wide ? 608 : 384;
    const bool is3D = gKernel && gKernel->Is3D();
    if (!is3D || gBattle) {
        auto piece = [&](int32_t picture, int32_t x, int32_t y) {
            auto* view = new GBlitView;
            if (is3D)
                view->IBlitView3D(box, x, y, picture);
            else
                view->IBlitView2D(box, x, y, picture);
        };
        piece(2607, 0, 0);
        piece(2604, r, 0);
        piece(2606, 0, 144);
        piece(2605, r, 144);
        for (int32_t x = r - 16; x >= 16; x -= 16) {
            piece(2600, x, 0);
            piece(2602, x, 144);
        }
        for (int32_t y = 128; y >= 16; y -= 16) {
            piece(2603, 0, y);
            piece(2601, r, y);
        }
    }
    int16_t colour = gKernel ? gKernel->MakeColor16(55, 20, 0) : 0;
    box->SetFillColor(colour);
    if (fillColour) *fillColour = colour;
    return box;
}

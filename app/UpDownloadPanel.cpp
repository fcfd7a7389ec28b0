#include "app/UpDownloadPanel.h"

#include "app/MVApplication.h"
#include "engine/GKernel.h"
#include "engine/GOLTAFont.h"
#include "engine/GTextView.h"

namespace {

constexpr int32_t kWidth = 350;
constexpr int32_t kHeight = 110;
constexpr int32_t kTitleString = 1707;
constexpr int32_t kFinishingString = 1710;
constexpr int32_t kBarLeft = 20;
constexpr int32_t kBarTop = 70;
constexpr int32_t kBarBottom = 90;

int16_t Colour(uint8_t r, uint8_t g, uint8_t b) {
    return gKernel ? gKernel->MakeColor16(r, g, b) : 0;
}

} // namespace

void UpDownloadPanel::IUpDownloadPanel(GView* parent, int16_t colour, int32_t total) {
    IView(parent, -1, -1, kWidth, kHeight);
    SetFillColor(colour);
    mTotal = total < 1 ? 1 : total;
    auto* title = new GTextView;
    title->ITextViewRez(this, 32, 30, kWidth - 64, kTitleString);
    title->SetJustify(-1);
}

int32_t UpDownloadPanel::FilledWidth(int32_t count) const {
    const int32_t inside = GetWidth() - 2 * kBarLeft - 2;
    if (count <= 0 || inside <= 0) return 0;
    double fraction = static_cast<double>(count) / static_cast<double>(mTotal);
    if (fraction > 1.0) fraction = 1.0;
    return static_cast<int32_t>(fraction * inside);
}

void UpDownloadPanel::Draw() {
    GView::Draw();
    const int32_t width = GetWidth();
    LongRect frame{kBarLeft, kBarTop, width - kBarLeft, kBarBottom};
    FrameRectangle(&frame, Colour(150, 0, 0));
    MVApplication* app = TheApp();
    const int32_t count = app ? app->mBytesCounted : 0;
    const int32_t filled = FilledWidth(count);
    if (filled > 0) {
        LongRect bar{kBarLeft + 1, kBarTop + 1, kBarLeft + 1 + filled, kBarBottom - 1};
        PaintRectangle(&bar, Colour(200, 0, 0));
    }
    if (app && app->mTCPIPPhase == 17 && static_cast<double>(count) / mTotal > 0.98)
        ShadowStringRez(kFinishingString, width / 2 + 5, 62, 0, kFontNormal, 255, 255, 180, 0, 0, 0, false);
}

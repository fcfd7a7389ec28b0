#include "ai/AIPanel.h"

#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "engine/GKernel.h"
#include "engine/GTextView.h"
#include "engine/LongRect.h"

namespace {

constexpr int32_t kThinkingText = 410;
constexpr int32_t kMargin = 32;

BattleHost* Host() {
    return gBattle ? gBattle->Host() : nullptr;
}

int16_t Colour(uint8_t r, uint8_t g, uint8_t b) {
    return gKernel ? gKernel->MakeColor16(r, g, b) : 0;
}

} // namespace

void AIPanel::IAIPanel(GView* parent, int16_t fillColour) {
    const int32_t w = parent ? parent->GetWidth() - kMargin : 0;
    const int32_t h = parent ? parent->GetHeight() - kMargin : 0;
    IView(parent, -1, -1, w, h);
    SetFillColor(fillColour);
    auto* text = new GTextView;
    text->ITextViewRez(this, 20, 30, GetWidth() - 40, kThinkingText);
    mIncrement = 1.0f;
    mProgress = 0.0f;
    if (BattleHost* host = Host()) {
        Refresh();
        host->UpdateScreen();
    }
}

void AIPanel::SetProgressIncrement(int32_t steps) {
    // Callers pass at least 6; a bad count leaves the bar as it is.
    if (steps > 0) mIncrement = 1.0f / static_cast<float>(steps);
}

void AIPanel::IncrementProgress() {
    mProgress += mIncrement;
    if (mProgress > 1.0f) mProgress = 1.0f;
    BattleHost* host = Host();
    if (!host) {
        Refresh();
        return;
    }
    // The screen behind the panel is the human's.
    const Affiliation side = host->ViewingSide();
    host->SetViewingSide(1 - side);
    Refresh();
    host->UpdateScreenForProgress();
    host->ManageSounds();
    host->SetViewingSide(side);
}

void AIPanel::IncrementProgresses(int32_t n) {
    const float step = mIncrement;
    mIncrement = step * static_cast<float>(n);
    IncrementProgress();
    mIncrement = step;
}

void AIPanel::Draw() {
    GView::Draw();
    const int32_t w = GetWidth();
    LongRect frame{20, 70, w - 20, 90};
    FrameRectangle(&frame, Colour(0, 30, 130));
    if (mProgress == 0.0f) return;
    const auto right = static_cast<int32_t>(21.0f + static_cast<float>(w - 42) * mProgress);
    LongRect done{21, 71, right, 90};
    PaintRectangle(&done, Colour(0, 200, 140));
    LongRect rest{right, 71, w - 22, 90};
    PaintRectangle(&rest, Colour(0, 0, 0));
}

void AIAdvanceProgress() {
    if (gAIPanel) static_cast<AIPanel*>(gAIPanel)->IncrementProgress();
}

#pragma once
// The working window's text: shown only once loading has taken 500 ms, then
// a dot more every 800 ms (up to five, then none again).

#include "engine/GString.h"
#include "engine/GView.h"

class ProgressView : public GView {
public:
    ~ProgressView() override = default;
    void IProgressView(GView* box, int32_t stringId);
    void UpdateProgress();
    void Draw() override;
    bool IsShownYet() const { return mShown; }
    int32_t GetDots() const { return mDots; }

private:
    uint32_t mLastTime = 0;
    bool mShown = false;
    int32_t mDots = 0; // 0..5
    GString63 mText;
    int32_t mTextX = 0;
    int32_t mTextY = 25;
};

// A box of the confirm kind (400 x 160, wide 624 x 160) centred in parent,
// framed with the border pictures and filled; gives its fill colour.
GView* MakeConfirmationBox(GView* parent, int16_t* fillColour, bool wide);

#pragma once
// The modal progress panel shown while the computer opponent plans: a line
// of text and a bar that fills as the planning steps pass.

#include <cstdint>

#include "engine/GView.h"

class AIPanel : public GView {
public:
    ~AIPanel() override = default;

    // Fills the parent box less a 16-pixel margin, centred, with the box's
    // fill colour and the thinking text.
    void IAIPanel(GView* parent, int16_t fillColour);
    // One step adds 1 / steps of the bar.
    void SetProgressIncrement(int32_t steps);
    // Advances the bar by one step and shows it, drawn for the human's side.
    void IncrementProgress();
    // Advances the bar by n steps in one redraw.
    void IncrementProgresses(int32_t n);
    void Draw() override;

    float GetProgress() const { return mProgress; }
    float GetIncrement() const { return mIncrement; }

private:
    float mIncrement = 1.0f;
    float mProgress = 0.0f;
};

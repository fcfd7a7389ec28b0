#pragma once
#include "engine/GString.h"
#include "engine/GView.h"
#include <cstdint>

// A view the user operates: it sends its command up the view chain, plays
// its click sound and has a value.
class GControl : public GView {
public:
    void AttachSound(int16_t soundId) { mSoundID = soundId; }
    void SetCommandID(int32_t command) { mCommandID = command; }
    int32_t GetCommandID() const { return mCommandID; }
    void SetTitleRez(int32_t stringId);
    void SetTitle(const GString* title);
    const GString* GetTitle() const { return &mTitle; }
    int32_t GetValue() const { return mValue; }
    virtual void SetValue(int32_t value);
    // While held the control sends its command again every ms milliseconds;
    // 0 (the default) sends it once.
    void SetContinuousAction(int32_t ms) { mContinuousMs = ms; }
    int32_t GetContinuousAction() const { return mContinuousMs; }
    bool IsPressed() const { return mPressed; }

    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoMouseTrack(int32_t x, int32_t y, bool shift, bool ctrl) override;
    void DoMouseUp(int32_t x, int32_t y, bool rightButton) override;
    void DoIdle() override;

protected:
    // What a completed click does; the base sends the command to the
    // control's own DoCommand. The control may be deleted by it, so callers
    // touch nothing afterwards.
    virtual void Fire();
    void PlayClickSound();
    // A raised or pressed bevelled box over the rectangle.
    void DrawBevel(const LongRect& rect, bool pressed);

    GString63 mTitle;
    int32_t mCommandID = 0;
    int32_t mValue = 0;
    int32_t mContinuousMs = 0;
    int16_t mSoundID = 0;
    bool mPressed = false;
};

#pragma once
#include "engine/GOLTAFont.h"
#include "engine/GObject.h"
#include "engine/LongRect.h"
#include "platform/PixelTarget.h"
#include <cstdint>
#include <vector>

class GGraphic;
class GString;

// A rectangle of the screen in the view tree. Rectangles are relative to the
// parent; event coordinates are relative to the view's own top-left corner.
// A parent deletes its subviews.
class GView : public GObject {
public:
    GView();
    ~GView() override;

    // x or y below 0 centres the view in its parent; a width or height below
    // 1 takes the parent's. A null parent makes a top-level view (a subview
    // of the kernel's root view).
    void IView(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    // Virtual operations, in the order the view family keeps them.
    virtual void Refresh();
    virtual void Activate(bool active);
    virtual void Draw();
    virtual void DoCommand(int32_t command);
    // The base passes the click on to the parent, so a click on a plain
    // picture or text inside a control or box reaches that control or box.
    virtual void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl);
    virtual void DoMouseTrack(int32_t x, int32_t y, bool shift, bool ctrl) {}
    virtual void DoMouseUp(int32_t x, int32_t y, bool rightButton) {}
    virtual void DoMouseHold(int32_t x, int32_t y) {}
    virtual void DoCursor(int32_t x, int32_t y) {}
    virtual void DoCursorExit() {}
    virtual void DoIdle() {}
    virtual void DoCaptureModalClick(int32_t x, int32_t y) {}

    // The tree.
    GView* GetParent() const { return mParent; }
    int32_t GetSubviewCount() const { return static_cast<int32_t>(mSubviews.size()); }
    GView* GetSubview(int32_t index) const;
    void ClearSubviews();

    // Geometry.
    void GetLocalBounds(LongRect* bounds) const;  // (0, 0, width, height)
    void GetBounds(LongRect* bounds) const;       // in the parent
    void GetGlobalBounds(LongRect* bounds) const; // on the screen
    int32_t GetWidth() const { return mBounds.Width(); }
    int32_t GetHeight() const { return mBounds.Height(); }
    void MoveTo(int32_t x, int32_t y);
    void Resize(int32_t width, int32_t height);

    // State.
    void Show(bool show);
    bool IsShown() const { return mShown; }
    bool IsVisible() const; // this view and all its ancestors shown
    bool IsActive() const;  // this view and all its ancestors active
    void SetFillColor(int16_t colour16);
    void ClearFillColor() { mHasFill = false; }
    // False when the view has no fill colour.
    bool GetFillColor(int16_t* colour16) const {
        if (mHasFill && colour16) *colour16 = mFillColour;
        return mHasFill;
    }
    // DoIdle every ms milliseconds; 0 every idle pass; negative never.
    void SetIdleTimer(int32_t ms);
    int32_t GetIdleTimer() const { return mIdleTimer; }
    // All clicks come to this view; a click outside calls DoCaptureModalClick.
    void SetModal();
    // Pointer moves come to DoMouseTrack until the button is released, the
    // first at once; TrackMouseHold also calls DoMouseHold while it is held.
    void TrackMouseNow();
    void TrackMouseHold();

    // Drawing, in view coordinates, clipped to the view.
    void PaintRectangle(const LongRect* rect, int16_t colour16);
    void FrameRectangle(const LongRect* rect, int16_t colour16);
    void Blit(GGraphic* graphic, int32_t x, int32_t y);
    void BlitCentered(GGraphic* graphic, int32_t x, int32_t y, bool centreX, bool centreY);
    // The part source (picture coordinates) of the picture to (x, y).
    void BlitPart(GGraphic* graphic, const LongRect* source, int32_t x, int32_t y);
    // justify < 0: x is the left edge; 0: centred on x; > 0: x is the right edge.
    void WriteString(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                     uint8_t g, uint8_t b);
    void ShadowString(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                      uint8_t g, uint8_t b, uint8_t sr, uint8_t sg, uint8_t sb, bool thick);
    void ShadowStringRez(int32_t stringId, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                         uint8_t g, uint8_t b, uint8_t sr, uint8_t sg, uint8_t sb, bool thick);

    // The 3-D viewport of this view and the two passes of a pick.
    void Activate3D(float fieldOfView, float nearZ, float farZ);
    void Reactivate3D();
    void Activate3DPick(int32_t x, int32_t y);
    void Continue3DPick();
    void Finish3DPick();

    // The view that held the pointer at the last pointer dispatch.
    static GView* mLastToContainCursor;

    // Used by the kernel.
    void DrawWithin(const LongRect& screenClip);
    GView* FindViewAt(int32_t screenX, int32_t screenY);
    void CollectIdlers(std::vector<GView*>* out);
    uint32_t mLastIdleTime = 0;

protected:
    void DrawSubviews();
    // Writes the text's place into the screen's draw record.
    void RecordText(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font) const;
    // The back buffer cut to what this view may draw now, and the view's
    // origin inside that cut. False when nothing of the view can be drawn.
    bool DrawingTarget(PixelTarget16* target, int32_t* originX, int32_t* originY) const;

    std::vector<GView*> mSubviews;
    GView* mParent = nullptr;
    LongRect mBounds;
    LongRect mDrawClip; // screen rectangle while the view draws
    float mFieldOfView = 60.0f;
    float mNear = 1.0f;
    float mFar = 1000.0f;
    int32_t mIdleTimer = -1;
    int16_t mFillColour = 0;
    bool mHasFill = false;
    bool mShown = true;
    bool mActive = true;
    bool mDrawing = false;
};

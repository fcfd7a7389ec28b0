#include "engine/GView.h"
#include "engine/G3DBridge.h"
#include "engine/GDrawRecord.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "platform/FontRaster.h"
#include "platform/SoftDevice3D.h"
#include "platform/Surface16.h"
#include <algorithm>

namespace {
// Set while ShadowString writes the shadow, which is not recorded apart.
bool sShadowPass = false;
} // namespace

GView* GView::mLastToContainCursor = nullptr;

GView::GView() {
    if (gKernel) gKernel->RegisterView(this);
}

GView::~GView() {
    if (IsVisible() && gKernel) {
        LongRect r;
        GetGlobalBounds(&r);
        gKernel->QueueRefresh(r);
    }
    ClearSubviews();
    if (mParent) {
        auto& siblings = mParent->mSubviews;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        mParent = nullptr;
    }
    if (mLastToContainCursor == this) mLastToContainCursor = nullptr;
    if (gKernel) gKernel->ForgetView(this);
}

void GView::IView(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!parent && gKernel && gKernel->GetWindow() && gKernel->GetWindow() != this)
        parent = gKernel->GetWindow();
    int32_t pw = gKernel ? gKernel->mScreenWidth : 640, ph = gKernel ? gKernel->mScreenHeight : 480;
    if (parent) {
        pw = parent->GetWidth();
        ph = parent->GetHeight();
    }
    if (width < 1) width = pw;
    if (height < 1) height = ph;
    if (x < 0) x = (pw - width) / 2;
    if (y < 0) y = (ph - height) / 2;
    mBounds = LongRect{x, y, x + width, y + height};
    if (parent && parent != mParent) {
        if (mParent) {
            auto& old = mParent->mSubviews;
            old.erase(std::remove(old.begin(), old.end(), this), old.end());
        }
        mParent = parent;
        parent->mSubviews.push_back(this);
    }
    if (gKernel) mLastIdleTime = gKernel->mCurrentTime;
    Refresh();
}

GView* GView::GetSubview(int32_t index) const {
    return index >= 0 && index < GetSubviewCount() ? mSubviews[index] : nullptr;
}

void GView::ClearSubviews() {
    // Each subview takes itself out of the list as it dies.
    while (!mSubviews.empty())
        delete mSubviews.back();
}

void GView::GetLocalBounds(LongRect* bounds) const {
    *bounds = LongRect{0, 0, mBounds.Width(), mBounds.Height()};
}

void GView::GetBounds(LongRect* bounds) const {
    *bounds = mBounds;
}

void GView::GetGlobalBounds(LongRect* bounds) const {
    *bounds = mBounds;
    for (const GView* p = mParent; p; p = p->mParent)
        bounds->Offset(p->mBounds.left, p->mBounds.top);
}

void GView::MoveTo(int32_t x, int32_t y) {
    Refresh();
    mBounds.Offset(x - mBounds.left, y - mBounds.top);
    Refresh();
}

void GView::Resize(int32_t width, int32_t height) {
    Refresh();
    mBounds.right = mBounds.left + std::max(width, 0);
    mBounds.bottom = mBounds.top + std::max(height, 0);
    Refresh();
}

void GView::Refresh() {
    if (!gKernel || !IsVisible()) return;
    LongRect r;
    GetGlobalBounds(&r);
    gKernel->QueueRefresh(r);
}

void GView::Activate(bool active) {
    if (mActive == active) return;
    mActive = active;
    Refresh();
}

void GView::Show(bool show) {
    if (mShown == show) return;
    if (!show) Refresh(); // what it covered shows again
    mShown = show;
    if (show) Refresh();
}

bool GView::IsVisible() const {
    for (const GView* v = this; v; v = v->mParent)
        if (!v->mShown) return false;
    return true;
}

bool GView::IsActive() const {
    for (const GView* v = this; v; v = v->mParent)
        if (!v->mActive) return false;
    return true;
}

void GView::SetFillColor(int16_t colour16) {
    mFillColour = colour16;
    mHasFill = true;
    Refresh();
}

void GView::SetIdleTimer(int32_t ms) {
    mIdleTimer = ms;
    if (gKernel) mLastIdleTime = gKernel->mCurrentTime;
}

void GView::SetModal() {
    if (gKernel) gKernel->PushModal(this);
}

void GView::TrackMouseNow() {
    if (gKernel) gKernel->StartTracking(this, false);
}

void GView::TrackMouseHold() {
    if (gKernel) gKernel->StartTracking(this, true);
}

void GView::DoCommand(int32_t command) {
    if (mParent)
        mParent->DoCommand(command);
    else if (gKernel && gKernel->GetApplication())
        gKernel->GetApplication()->DoCommand(command);
}

void GView::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (mParent && mParent->IsActive())
        mParent->DoClick(x + mBounds.left, y + mBounds.top, doubleClick, shift, ctrl);
}

void GView::Draw() {
    if (mHasFill) {
        LongRect r;
        GetLocalBounds(&r);
        PaintRectangle(&r, mFillColour);
    }
    DrawSubviews();
}

void GView::DrawSubviews() {
    // A subview may not draw outside its parent.
    const LongRect clip = mDrawing ? mDrawClip : LongRect{0, 0, 1 << 30, 1 << 30};
    for (size_t i = 0; i < mSubviews.size(); ++i)
        if (mSubviews[i]->mShown) mSubviews[i]->DrawWithin(clip);
}

void GView::DrawWithin(const LongRect& screenClip) {
    LongRect global;
    GetGlobalBounds(&global);
    LongRect clip = LongRect::Intersect(global, screenClip);
    if (gKernel)
        clip = LongRect::Intersect(clip, LongRect{0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight});
    if (clip.IsEmpty()) return;
    if (gScreenDrawLog) {
        ScreenDrawItem item;
        item.mKind = 'v';
        item.mRect = clip;
        item.mView = global;
        item.mOwner = this;
        gScreenDrawLog->mItems.push_back(item);
    }
    const bool wasDrawing = mDrawing;
    const LongRect oldClip = mDrawClip;
    mDrawClip = clip;
    mDrawing = true;
    Draw();
    // In 3-D mode texts wait in a queue; a view's own go out once it has
    // drawn, so that the views drawn after it cover them.
    if (gKernel && gKernel->Is3D()) Bridge3D::FlushStrings();
    mDrawing = wasDrawing;
    mDrawClip = oldClip;
}

GView* GView::FindViewAt(int32_t screenX, int32_t screenY) {
    if (!mShown) return nullptr;
    LongRect global;
    GetGlobalBounds(&global);
    if (!global.Contains(screenX, screenY)) return nullptr;
    // The last subview lies on top.
    for (size_t i = mSubviews.size(); i-- > 0;)
        if (GView* hit = mSubviews[i]->FindViewAt(screenX, screenY)) return hit;
    return this;
}

void GView::CollectIdlers(std::vector<GView*>* out) {
    if (mIdleTimer >= 0) out->push_back(this);
    for (GView* v : mSubviews)
        v->CollectIdlers(out);
}

bool GView::DrawingTarget(PixelTarget16* target, int32_t* originX, int32_t* originY) const {
    if (!gKernel) return false;
    // In 3-D mode the device may still hold triangles queued before this
    // 2-D drawing (a box's fill, the map under a panel): they reach the back
    // buffer first, so that the 2-D drawing lands over them.
    if (gKernel->Is3D())
        if (SoftDevice3D* device = Bridge3D::Device()) device->Flush();
    const PixelTarget16 back = gKernel->GetBackBuffer();
    if (!back.pixels) return false;
    LongRect global;
    GetGlobalBounds(&global);
    LongRect clip = mDrawing ? mDrawClip : global;
    clip = LongRect::Intersect(clip, LongRect{0, 0, back.width, back.height});
    if (clip.IsEmpty()) return false;
    target->pixels = back.Row(clip.top) + clip.left;
    target->width = clip.Width();
    target->height = clip.Height();
    target->pitch = back.pitch;
    *originX = global.left - clip.left;
    *originY = global.top - clip.top;
    return true;
}

void GView::PaintRectangle(const LongRect* rect, int16_t colour16) {
    if (!rect) return;
    // Straight into the back buffer in 3-D mode too, after the triangles
    // queued before it (DrawingTarget flushes them): the renderer's flat
    // rectangle keeps to the last 3-D view, the map's, and cut away every
    // rectangle of the bottom bar, the progress bar among them.
    PixelTarget16 t;
    int32_t ox, oy;
    if (!DrawingTarget(&t, &ox, &oy)) return;
    FillRect16(t, rect->left + ox, rect->top + oy, rect->Width(), rect->Height(),
               static_cast<uint16_t>(colour16));
}

void GView::FrameRectangle(const LongRect* rect, int16_t colour16) {
    if (!rect || rect->IsEmpty()) return;
    const LongRect edges[4] = {
        {rect->left, rect->top, rect->right, rect->top + 1},
        {rect->left, rect->bottom - 1, rect->right, rect->bottom},
        {rect->left, rect->top, rect->left + 1, rect->bottom},
        {rect->right - 1, rect->top, rect->right, rect->bottom},
    };
    for (const LongRect& e : edges)
        PaintRectangle(&e, colour16);
}

void GView::Blit(GGraphic* graphic, int32_t x, int32_t y) {
    if (!graphic || !graphic->GetSurface()) return;
    const LongRect all{0, 0, graphic->GetSurface()->Width(), graphic->GetSurface()->Height()};
    BlitPart(graphic, &all, x, y);
}

void GView::BlitCentered(GGraphic* graphic, int32_t x, int32_t y, bool centreX, bool centreY) {
    if (!graphic || !graphic->GetSurface()) return;
    if (centreX) x -= graphic->GetSurface()->Width() / 2;
    if (centreY) y -= graphic->GetSurface()->Height() / 2;
    Blit(graphic, x, y);
}

void GView::BlitPart(GGraphic* graphic, const LongRect* source, int32_t x, int32_t y) {
    if (!graphic || !source) return;
    Surface16* s = graphic->GetSurface();
    if (!s) return;
    if (gScreenDrawLog) {
        LongRect global;
        GetGlobalBounds(&global);
        ScreenDrawItem item;
        item.mKind = 'b';
        item.mRect = LongRect{global.left + x, global.top + y, global.left + x + source->Width(),
                              global.top + y + source->Height()};
        item.mView = global;
        item.mOwner = this;
        item.mPicture = graphic->GetID();
        gScreenDrawLog->mItems.push_back(item);
    }
    PixelTarget16 t;
    int32_t ox, oy;
    if (!DrawingTarget(&t, &ox, &oy)) return;
    const uint16_t key = s->ColorKey();
    Blit16(t, x + ox, y + oy, s->Target(), source->left, source->top, source->Width(), source->Height(),
           s->HasColorKey() ? &key : nullptr);
}

void GView::RecordText(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font) const {
    LongRect global;
    GetGlobalBounds(&global);
    ScreenDrawItem item;
    item.mKind = 't';
    item.mRect = ScreenTextRect(text, x + global.left, y + global.top, justify, font);
    item.mView = global;
    item.mOwner = this;
    item.mFont = static_cast<int32_t>(font);
    item.mText.assign(text->GetCString(), text->GetLength());
    gScreenDrawLog->mItems.push_back(item);
    // Without the renderer a text is on the screen at once.
    if (!Bridge3D::Exists()) gScreenDrawLog->mItems.push_back(ScreenDrawItem{'f'});
}

void GView::WriteString(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                        uint8_t g, uint8_t b) {
    if (!text) return;
    // The position is forced into the view.
    x = std::clamp(x, 0, std::max(GetWidth() - 1, 0));
    y = std::clamp(y, 0, std::max(GetHeight() - 1, 0));
    if (gScreenDrawLog && !sShadowPass) RecordText(text, x, y, justify, font);
    if (Bridge3D::Exists()) {
        LongRect global;
        GetGlobalBounds(&global);
        // The renderer knows only 1 for right-justified; any justification
        // above 0 means that here.
        const int32_t side = justify < 0 ? -1 : justify > 0 ? 1 : 0;
        Bridge3D::WriteString(text, x + global.left, y + global.top, side, font, r, g, b);
        return;
    }
    const FontRaster* face = GOLTAFonts::Face(font);
    if (!face) return;
    const int32_t width = face->TextWidth(text->GetCString(), text->GetLength());
    if (justify == 0)
        x -= width / 2;
    else if (justify > 0)
        x -= width;
    PixelTarget16 t;
    int32_t ox, oy;
    if (!DrawingTarget(&t, &ox, &oy)) return;
    face->Draw(t, x + ox, GOLTAFonts::BaselineFor(font, y) + oy, text->GetCString(), text->GetLength(), r, g,
               b);
}

void GView::ShadowString(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                         uint8_t g, uint8_t b, uint8_t sr, uint8_t sg, uint8_t sb, bool thick) {
    // Recorded once, as the text itself; the shadow lies under it.
    sShadowPass = true;
    WriteString(text, x + 1, y + 1, justify, font, sr, sg, sb);
    if (thick) WriteString(text, x + 2, y + 2, justify, font, sr, sg, sb);
    sShadowPass = false;
    WriteString(text, x, y, justify, font, r, g, b);
}

void GView::ShadowStringRez(int32_t stringId, int32_t x, int32_t y, int32_t justify, GOLTAFont font,
                            uint8_t r, uint8_t g, uint8_t b, uint8_t sr, uint8_t sg, uint8_t sb, bool thick) {
    GString255 text;
    text.IStringRez(stringId);
    ShadowString(&text, x, y, justify, font, r, g, b, sr, sg, sb, thick);
}

void GView::Activate3D(float fieldOfView, float nearZ, float farZ) {
    mFieldOfView = fieldOfView;
    mNear = nearZ;
    mFar = farZ;
    LongRect g;
    GetGlobalBounds(&g);
    Bridge3D::ActivateView(g.left, g.top, g.Width(), g.Height(), fieldOfView, nearZ, farZ);
}

void GView::Reactivate3D() {
    LongRect g;
    GetGlobalBounds(&g);
    Bridge3D::ActivateBasicView(g.left, g.top, g.Width(), g.Height());
}

void GView::Activate3DPick(int32_t x, int32_t y) {
    Reactivate3D();
    Bridge3D::PushMatrix();
    Bridge3D::ActivatePicking(x, y, GetWidth(), GetHeight(), mFieldOfView, mNear, mFar);
}

void GView::Continue3DPick() {
    Bridge3D::Continue3DPick();
}

void GView::Finish3DPick() {
    Bridge3D::FinishedPicking();
    LongRect g;
    GetGlobalBounds(&g);
    Bridge3D::ActivateView(g.left, g.top, g.Width(), g.Height(), mFieldOfView, mNear, mFar);
    Bridge3D::PopMatrix();
}

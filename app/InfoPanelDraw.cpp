// Drawing of the information views, with the optional record of it.
#include "app/InfoPanelDraw.h"

#include "engine/GDrawRecord.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "engine/GView.h"
#include "engine/LongRect.h"
#include "platform/Surface16.h"

InfoDrawLog* gInfoDrawLog = nullptr;

const InfoDrawItem* InfoDrawLog::TextAt(int32_t x, int32_t y) const {
    for (const InfoDrawItem& i : mItems)
        if (i.mKind == 's' && i.mX == x && i.mY == y) return &i;
    return nullptr;
}

const InfoDrawItem* InfoDrawLog::FindText(const std::string& text) const {
    for (const InfoDrawItem& i : mItems)
        if (i.mKind == 's' && i.mText == text) return &i;
    return nullptr;
}

const InfoDrawItem* InfoDrawLog::FindPicture(int32_t picture) const {
    for (const InfoDrawItem& i : mItems)
        if (i.mKind == 'b' && i.mPicture == picture) return &i;
    return nullptr;
}

int32_t InfoDrawLog::CountPictures(int32_t picture) const {
    int32_t n = 0;
    for (const InfoDrawItem& i : mItems)
        if (i.mKind == 'b' && i.mPicture == picture) ++n;
    return n;
}

LongRect InfoDrawLog::Area(const InfoDrawItem& i) {
    if (i.mKind == 's') {
        GString255 text(i.mText.c_str());
        return ScreenTextRect(&text, i.mX, i.mY, i.mJustify, static_cast<GOLTAFont>(i.mFont));
    }
    int32_t x = i.mX, y = i.mY;
    if (i.mKind == 'b' && i.mCentred) x -= i.mW / 2;
    if (i.mKind == 'b' && i.mCentredDown) y -= i.mH / 2;
    return LongRect{x, y, x + i.mW, y + i.mH};
}

std::vector<std::string> InfoDrawLog::Texts() const {
    std::vector<std::string> out;
    for (const InfoDrawItem& i : mItems)
        if (i.mKind == 's') out.push_back(i.mText);
    return out;
}

namespace {

bool Drawable(GGraphic* picture) {
    return picture && picture->IsLoaded();
}

void RecordBlit(GGraphic* picture, int32_t x, int32_t y, bool across, bool down) {
    if (!gInfoDrawLog) return;
    InfoDrawItem item;
    item.mKind = 'b';
    item.mPicture = picture->GetID();
    item.mX = x;
    item.mY = y;
    item.mCentred = across;
    item.mCentredDown = down;
    if (Surface16* s = picture->GetSurface()) item.mW = s->Width(), item.mH = s->Height();
    gInfoDrawLog->mItems.push_back(item);
}

void RecordText(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r, uint8_t g,
                uint8_t b) {
    if (!gInfoDrawLog || !text) return;
    InfoDrawItem item;
    item.mKind = 's';
    item.mX = x;
    item.mY = y;
    item.mJustify = justify;
    item.mFont = static_cast<int32_t>(font);
    item.mR = r;
    item.mG = g;
    item.mB = b;
    item.mText.assign(text->GetCString(), text->GetLength());
    item.mW = StringWidthInPixels(text, font);
    item.mH = GOLTAFonts::HeightAbove(font) + 3;
    gInfoDrawLog->mItems.push_back(item);
}

} // namespace

void InfoBlit(GView* view, GGraphic* picture, int32_t x, int32_t y) {
    if (!Drawable(picture)) return;
    RecordBlit(picture, x, y, false, false);
    if (view) view->Blit(picture, x, y);
}

void InfoBlitCentered(GView* view, GGraphic* picture, int32_t x, int32_t y, bool across, bool down) {
    if (!Drawable(picture)) return;
    RecordBlit(picture, x, y, across, down);
    if (view) view->BlitCentered(picture, x, y, across, down);
}

void InfoShadow(GView* view, GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
                uint8_t g, uint8_t b, bool thick) {
    if (!text) return;
    RecordText(text, x, y, justify, font, r, g, b);
    if (view) view->ShadowString(text, x, y, justify, font, r, g, b, 0, 0, 0, thick);
}

void InfoWrite(GView* view, GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font, uint8_t r,
               uint8_t g, uint8_t b) {
    if (!text) return;
    RecordText(text, x, y, justify, font, r, g, b);
    if (view) view->WriteString(text, x, y, justify, font, r, g, b);
}

void InfoPaint(GView* view, const LongRect& rect, uint8_t r, uint8_t g, uint8_t b) {
    if (gInfoDrawLog) {
        InfoDrawItem item;
        item.mKind = 'r';
        item.mX = rect.left;
        item.mY = rect.top;
        item.mW = rect.right - rect.left;
        item.mH = rect.bottom - rect.top;
        item.mR = r;
        item.mG = g;
        item.mB = b;
        gInfoDrawLog->mItems.push_back(item);
    }
    if (view) view->PaintRectangle(&rect, static_cast<int16_t>(MakeRGB565(r, g, b)));
}

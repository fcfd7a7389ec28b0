// What the views put into the back buffer, and the picture loader's rules.
#include "engine/GBlitView.h"
#include "engine/GDrawRecord.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "engine/GTextView.h"
#include "engine/GTiledView.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"
#include "platform/Surface16.h"

namespace {
// A view that writes one text when drawn.
class TextView : public GView {
public:
    void Draw() override {
        GView::Draw();
        if (mShadow)
            ShadowString(&mText, mX, mY, mJustify, kFontNormal, 255, 255, 255, 0, 0, 255, mThick);
        else
            WriteString(&mText, mX, mY, mJustify, kFontNormal, 255, 255, 255);
    }
    GString63 mText{"HHHH"};
    int32_t mX = 0, mY = 0, mJustify = -1;
    bool mShadow = false, mThick = false;
};

// The smallest box around pixels other than the background in a region.
LongRect InkBox(const PixelTarget16& t, const LongRect& region, uint16_t background) {
    LongRect box{1 << 20, 1 << 20, -1, -1};
    for (int32_t y = region.top; y < region.bottom; ++y)
        for (int32_t x = region.left; x < region.right; ++x)
            if (t.Row(y)[x] != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}
} // namespace

TEST_F(KernelTest, FillsBlitsAndClipping) {
    StartApp();
    MakePicture(500, 20, 10, 255, 0, 0, true);
    const int16_t green = gKernel->MakeColor16(0, 255, 0);
    auto* panel = new GView;
    panel->IView(nullptr, 100, 100, 50, 50);
    panel->SetFillColor(green);
    auto* pic = new GBlitView;
    pic->IBlitView2D(panel, 40, 45, 500); // hangs over the panel's edge
    EXPECT_EQ(pic->GetWidth(), 20);
    Pass();
    EXPECT_EQ(Pixel(100, 100), static_cast<uint16_t>(green));
    EXPECT_EQ(Pixel(99, 100), static_cast<uint16_t>(gBlack));
    EXPECT_EQ(Pixel(140, 145), static_cast<uint16_t>(green)); // keyed column
    EXPECT_EQ(Pixel(141, 145), MakeRGB565(255, 0, 0));
    EXPECT_EQ(Pixel(149, 149), MakeRGB565(255, 0, 0));
    EXPECT_EQ(Pixel(150, 149), static_cast<uint16_t>(gBlack)); // clipped by the panel
    EXPECT_EQ(Pixel(145, 150), static_cast<uint16_t>(gBlack));

    // Hiding uncovers what was below; refresh only redraws what changed.
    panel->Show(false);
    Pass();
    EXPECT_EQ(Pixel(100, 100), static_cast<uint16_t>(gBlack));
    const LongRect corner{0, 0, 2, 2};
    gKernel->PaintRectangle(&corner, green); // direct, not a view
    EXPECT_EQ(Pixel(1, 1), static_cast<uint16_t>(green));
}

TEST_F(KernelTest, TextJustificationShadowAndClamping) {
    StartApp();
    auto* v = new TextView;
    v->IView(nullptr, 200, 100, 300, 40);
    const PixelTarget16 t = gKernel->GetBackBuffer();
    const LongRect region{200, 100, 500, 140};
    GString63 text("HHHH");
    const int32_t width = StringWidthInPixels(&text, kFontNormal);
    ASSERT_GT(width, 20);
    for (int32_t justify : {-1, 0, 1}) {
        v->mX = 150;
        v->mY = 20;
        v->mJustify = justify;
        v->Refresh();
        Pass();
        const LongRect ink = InkBox(t, region, static_cast<uint16_t>(gBlack));
        const int32_t expectLeft = 200 + 150 - (justify == 0 ? width / 2 : justify > 0 ? width : 0);
        EXPECT_NEAR(ink.left, expectLeft, 2) << justify;
        // Capitals stand 8 pixels above y at most, nothing far below it.
        EXPECT_GE(ink.top, 100 + 20 - 8);
        EXPECT_LE(ink.bottom, 100 + 20 + 2);
    }
    // The shadow lies one pixel right and down, two with thick.
    v->mJustify = -1;
    v->mShadow = true;
    v->Refresh();
    Pass();
    LongRect ink = InkBox(t, region, static_cast<uint16_t>(gBlack));
    EXPECT_NEAR(ink.right - ink.left, width + 1, 2);
    EXPECT_NEAR(ink.left, 200 + 150, 1);
    v->mThick = true;
    v->Refresh();
    Pass();
    LongRect thick = InkBox(t, region, static_cast<uint16_t>(gBlack));
    EXPECT_EQ(thick.right, ink.right + 1);
    // Negative positions are forced into the view.
    v->mShadow = false;
    v->mX = -500;
    v->mY = -500;
    v->Refresh();
    Pass();
    ink = InkBox(t, LongRect{0, 0, 800, 600}, static_cast<uint16_t>(gBlack));
    EXPECT_EQ(ink.left >= 200 && ink.left <= 202, true);
    EXPECT_GE(ink.top, 100);
    // Font 2 advances 7 pixels a character.
    GString15 fixed("iiW");
    EXPECT_EQ(StringWidthInPixels(&fixed, kFontFixed), 21);
    EXPECT_EQ(StringWidthInPixels(nullptr, kFontFixed), 0);
}

TEST_F(KernelTest, TiledViewsDrawWholeTilesUnlessAskedForParts) {
    StartApp();
    MakePicture(600, 64, 64, 0, 0, 255);
    auto* whole = new GTiledView;
    whole->ITiledView3D(nullptr, 0, 0, 150, 70, 600, false);
    auto* parts = new GTiledView;
    parts->ITiledView3D(nullptr, 0, 200, 150, 70, 600, true);
    Pass();
    const uint16_t blue = MakeRGB565(0, 0, 255);
    EXPECT_EQ(Pixel(127, 63), blue);
    EXPECT_EQ(Pixel(128, 10), static_cast<uint16_t>(gBlack)); // third tile would be cut
    EXPECT_EQ(Pixel(10, 64), static_cast<uint16_t>(gBlack));
    EXPECT_EQ(Pixel(149, 269), blue);
    EXPECT_EQ(Pixel(150, 269), static_cast<uint16_t>(gBlack));
}

TEST_F(KernelTest, PictureLoaderRules) {
    StartApp();
    MakePicture(700, 4, 4, 255, 255, 255);
    GGraphic* white = gKernel->MakeGraphic(kGraphic2D, 700);
    ASSERT_TRUE(white->IsLoaded());
    EXPECT_EQ(white->GetSurface()->Target().Row(0)[0], MakeRGB565(240, 240, 240));
    GWinFontGraphic font;
    EXPECT_TRUE(font.IGraphic(kGraphic3DPicture, 700, 99, false));
    EXPECT_EQ(font.GetSurface()->Target().Row(0)[0], 0xFFFF);
    EXPECT_EQ(font.GetSurface()->ColorKey(), 0);
    EXPECT_FALSE(gLoadingFontBMP);

    // Missing pictures: an empty graphic that draws nothing, or null.
    GGraphic* missing = gKernel->MakeGraphic(kGraphic2D, 9999);
    ASSERT_NE(missing, nullptr);
    LongRect b;
    missing->GetBounds(&b);
    EXPECT_EQ(b.right, 1);
    EXPECT_EQ(b.bottom, 1);
    EXPECT_EQ(gKernel->MakeGraphicCanFail(kGraphic2D, 9999), nullptr);
    EXPECT_EQ(gKernel->MakeTexture(0), nullptr);
    GGraphic* tex = gKernel->MakeHighestPriorityTexture(9998);
    ASSERT_NE(tex, nullptr); // returned even when loading fails
    EXPECT_EQ(tex->GetPriority(), 3);
    GGraphic* real = gKernel->MakeTexture(700);
    ASSERT_NE(real->GetTexturePicture(), nullptr);

    // Graphics of one picture share the store entry until the last goes.
    delete white;
    delete real;
    delete missing;
    delete tex;
    const int32_t cached = GPictureStore::Get().CachedCount();
    MakePicture(702, 2, 2, 1, 2, 3);
    GGraphic* one = gKernel->MakeGraphic(kGraphic2D, 702);
    GGraphic* two = gKernel->MakeGraphic(kGraphic2D, 702);
    EXPECT_EQ(GPictureStore::Get().CachedCount(), cached + 1);
    delete one;
    EXPECT_EQ(GPictureStore::Get().CachedCount(), cached + 1);
    delete two;
    EXPECT_EQ(GPictureStore::Get().CachedCount(), cached);

    // A damaged file is a missing picture.
    std::FILE* f = std::fopen((mPictureFolder + "701.png").c_str(), "wb");
    std::fputs("\x89PNG\r\n\x1a\n garbage", f);
    std::fclose(f);
    EXPECT_EQ(gKernel->MakeGraphicCanFail(kGraphic2D, 701), nullptr);

    PictureRGBA odd;
    odd.width = 3;
    odd.height = 1;
    odd.rgba = {10, 10, 10, 255, 30, 30, 30, 255, 50, 50, 50, 255};
    PictureSteps::Halve(&odd);
    EXPECT_EQ(odd.width, 1);
    EXPECT_EQ(odd.rgba[0], 20);
}

TEST_F(KernelTest, ColoursAndGamma) {
    StartApp();
    EXPECT_EQ(static_cast<uint16_t>(gKernel->MakeColor16(255, 0, 255)), *gKernel->GetMaskColor());
    EXPECT_EQ(gBlack, 0);
    EXPECT_EQ(gKernel->ConvertToD3DColor(gKernel->MakeColor16(255, 255, 255)), 0xFFFFFFFFu);
    // 16 of 63 in green: 16 * 255 / 63 = 64.76, truncated.
    EXPECT_EQ(gKernel->ConvertToD3DColor(static_cast<int16_t>(16 << 5)), 0xFF004000u);
    gKernel->SetGamma(1.0f, 1.0f);
    EXPECT_EQ(gKernel->GetGammaRamp()[255], 65535);
    EXPECT_EQ(gKernel->GetGammaRamp()[0], 0);
    gKernel->SetGamma(1.4f, 1.0f);
    EXPECT_GT(gKernel->GetGammaRamp()[128], 128 * 257);
    gKernel->SetGamma(1.0f, 1.5f); // saturates instead of wrapping
    EXPECT_EQ(gKernel->GetGammaRamp()[255], 65535);
    EXPECT_EQ(gKernel->GetGammaRamp()[200], 65535);
}

TEST_F(KernelTest, TextViewsWrapAtWordsAndSizeToTheirLines) {
    StartApp();
    auto* v = new GTextView;
    GString255 text("Dieses Spiel erfordert minimum 800 x 600 Videodarstellung.");
    v->ITextView(nullptr, -1, -1, 640, &text);
    EXPECT_EQ(v->GetLineCount(), 1);
    EXPECT_EQ(v->GetHeight(), GTextView::kLineHeight + 2);
    LongRect b;
    v->GetBounds(&b);
    EXPECT_EQ(b.left, 80); // centred in 800
    v->Resize(100, v->GetHeight());
    v->SetText(&text);
    EXPECT_GE(v->GetLineCount(), 4);
    EXPECT_EQ(v->GetHeight(), v->GetLineCount() * GTextView::kLineHeight + 2);
    // A word wider than the view stands alone on its line; a line break forces one.
    GString255 odd("Videodarstellungsanforderungen\nx");
    v->Resize(30, v->GetHeight());
    v->SetText(&odd);
    EXPECT_EQ(v->GetLineCount(), 2);
    GString255 empty("");
    v->SetText(&empty);
    EXPECT_EQ(v->GetLineCount(), 1);
    Pass();
}

TEST_F(KernelTest, TheScreensDrawRecordFindsOverlappingAndStrayTexts) {
    StartApp();
    GString63 text("HHHH");
    const int32_t width = StringWidthInPixels(&text, kFontNormal);
    ASSERT_GT(width, 20);
    auto* panel = new TextView;
    panel->IView(nullptr, 100, 100, 200, 40);
    panel->mX = 10, panel->mY = 20;
    auto* neighbour = new TextView;
    neighbour->IView(nullptr, 100, 140, 200, 40);
    neighbour->mX = 10, neighbour->mY = 5;
    auto record = [this] {
        ScreenDrawLog log;
        gScreenDrawLog = &log;
        gKernel->GetWindow()->Refresh();
        Pass();
        gScreenDrawLog = nullptr;
        return log;
    };
    // The neighbour's text reaches 8 rows above y, into the panel: outside
    // its own view, and over the panel's text when moved up against it.
    ScreenDrawLog log = record();
    const ScreenDrawItem* first = nullptr;
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 't' && !first) first = &i;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->mRect.left, 110);
    EXPECT_EQ(first->mRect.right, 110 + width);
    EXPECT_EQ(first->mRect.top, 120 - GOLTAFonts::HeightAbove(kFontNormal));
    EXPECT_EQ(first->mRect.bottom, 123);
    std::vector<std::string> faults = log.TextFaults();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("outside its view"), std::string::npos);
    neighbour->mY = 12; // 4 .. 15 in the view, wholly inside
    int32_t shown = 0;
    faults = record().TextFaults(&shown);
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(shown, 2);
    // Moved up against the panel, its text runs into the panel's line. (Its
    // view does not reach across the panel's text, so it hides none of it.)
    neighbour->MoveTo(130, 118);
    neighbour->mX = 0;
    faults = record().TextFaults();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("overlap"), std::string::npos);
    // A view drawn later over a text hides it: no fault for what is hidden.
    auto* cover = new GView;
    cover->IView(nullptr, 90, 90, 240, 100);
    faults = record().TextFaults(&shown);
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(shown, 0);
    // Pictures are recorded with their size, texts once with their shadow.
    cover->Show(false);
    panel->mShadow = true;
    MakePicture(501, 20, 10, 255, 0, 0, false);
    auto* pic = new GBlitView;
    pic->IBlitView2D(panel, 150, 5, 501);
    log = record();
    int32_t texts = 0;
    const ScreenDrawItem* blit = nullptr;
    for (const ScreenDrawItem& i : log.mItems) {
        texts += i.mKind == 't';
        if (i.mKind == 'b' && i.mPicture == 501) blit = &i;
    }
    EXPECT_EQ(texts, 2);
    ASSERT_NE(blit, nullptr);
    EXPECT_EQ(blit->mRect.left, 250);
    EXPECT_EQ(blit->mRect.Width(), 20);
    EXPECT_EQ(blit->mRect.Height(), 10);
}

// A name written with its outline (copies 1-2 pixels around, as the map's
// landmarks are) is one text; a copy 3 pixels off overlaps it.
TEST(ScreenDrawRecord, AnOutlinedNameIsOneText) {
    for (const int32_t offset : {2, 3}) {
        ScreenDrawItem name;
        name.mKind = 't';
        name.mRect = {100, 100, 160, 112};
        name.mView = {0, 0, 400, 300};
        name.mText = "Hatten";
        ScreenDrawItem copy = name;
        copy.mRect = {100 + offset, 100 - offset, 160 + offset, 112 - offset};
        ScreenDrawLog log;
        log.mItems = {copy, name};
        EXPECT_EQ(log.TextFaults().size(), offset == 2 ? 0u : 1u) << offset;
    }
}

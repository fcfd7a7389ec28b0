// How the screens' controls answer clicks and show their state.
#include "engine/GButton.h"
#include "engine/GButton3D.h"
#include "engine/GString.h"
#include "engine/GTextView.h"
#include "kernel/kernel_fixture.h"
#include "platform/Surface16.h"
#include <algorithm>
#include <vector>

namespace {
// A button that notes its own command before passing it on, and can close
// the box it stands in while doing so (as a confirm box's buttons do).
class NotingButton : public GButton {
public:
    void DoCommand(int32_t command) override {
        mNoted.push_back(command);
        if (mDeleteBox) {
            delete GetParent(); // deletes this button too
            return;
        }
        GButton::DoCommand(command);
    }
    std::vector<int32_t> mNoted;
    bool mDeleteBox = false;
};

// Counts the near-white (light) or near-black pixels in a screen rectangle.
int CountInk(const LongRect& r, bool light) {
    const PixelTarget16 t = gKernel->GetBackBuffer();
    int n = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) {
            const uint16_t p = t.Row(y)[x];
            const int red = (p >> 11) * 255 / 31, green = ((p >> 5) & 63) * 255 / 63, blue = (p & 31) * 255 / 31;
            const int least = std::min({red, green, blue}), most = std::max({red, green, blue});
            n += light ? least > 200 : most < 30;
        }
    return n;
}
} // namespace

TEST_F(KernelTest, ControlsHandTheirCommandToTheirOwnDoCommandFirst) {
    RecordingApp* app = StartApp();
    auto* box = new GView;
    box->IView(nullptr, 100, 100, 300, 100);
    auto* yes = new NotingButton;
    yes->IButton(0, box, 10, 10, 80, 20, 98);
    Click(120, 115);
    EXPECT_EQ(yes->mNoted, std::vector<int32_t>{98});
    ASSERT_EQ(app->mCommands.size(), 1u);
    EXPECT_EQ(app->mCommands[0], 98);
    yes->SimulateClick(false); // a hot key takes the same path
    EXPECT_EQ(yes->mNoted.size(), 2u);
    EXPECT_EQ(app->mCommands.size(), 2u);

    // The box may go away while its button answers the click.
    yes->mDeleteBox = true;
    Click(120, 115);
    EXPECT_FALSE(gKernel->IsViewAlive(box));
    EXPECT_EQ(app->mCommands.size(), 2u);
    Pass();
}

TEST_F(KernelTest, ThreeDButtonsDrawNothingAtRestAndTheirPictureForEachState) {
    StartApp();
    MakePicture(700, 10, 10, 0, 0, 200);  // inactive
    MakePicture(701, 10, 10, 200, 0, 0);  // pressed
    MakePicture(702, 12, 10, 0, 200, 0);  // highlight, wider
    const int16_t grey = gKernel->MakeColor16(100, 100, 100);
    const uint16_t blue = MakeRGB565(0, 0, 200), red = MakeRGB565(200, 0, 0), green = MakeRGB565(0, 200, 0);
    auto* panel = new GView;
    panel->IView(nullptr, 100, 100, 50, 50);
    panel->SetFillColor(grey);
    auto* button = new GButton3D;
    button->IButton3D(panel, 10, 10, 94, 700, 701, 702);
    EXPECT_EQ(button->GetWidth(), 12); // the largest of its pictures
    Pass();
    EXPECT_EQ(Pixel(115, 115), static_cast<uint16_t>(grey)); // at rest the backdrop shows

    Press(115, 115);
    EXPECT_EQ(Pixel(115, 115), red);
    Release(115, 115);
    EXPECT_EQ(Pixel(115, 115), static_cast<uint16_t>(grey));

    button->Highlight(true);
    Pass();
    EXPECT_EQ(Pixel(115, 115), green);
    button->Highlight(true, true); // one draw only
    Pass();
    EXPECT_EQ(Pixel(115, 115), green);
    EXPECT_FALSE(button->IsHighlighted());
    button->Refresh();
    Pass();
    EXPECT_EQ(Pixel(115, 115), static_cast<uint16_t>(grey));

    // Deactivated, itself or through an ancestor: the inactive picture.
    button->Activate(false);
    Pass();
    EXPECT_EQ(Pixel(115, 115), blue);
    button->Activate(true);
    panel->Activate(false);
    Pass();
    EXPECT_EQ(Pixel(115, 115), blue);

    // Without an inactive picture (the pressed picture alone) nothing shows
    // but the press.
    panel->Activate(true);
    auto* go = new GButton3D;
    go->IButton3D(panel, 30, 30, 9, 0, 701, 0);
    EXPECT_EQ(go->GetWidth(), 10);
    go->Activate(false);
    Pass();
    EXPECT_EQ(Pixel(135, 135), static_cast<uint16_t>(grey));
}

TEST_F(KernelTest, TextViewsStayReadableOnDarkBoxes) {
    StartApp();
    GString63 text("HHHH HHHH");
    // A dark box, as the confirm boxes are filled: light text.
    auto* dark = new GView;
    dark->IView(nullptr, 0, 0, 200, 40);
    dark->SetFillColor(gKernel->MakeColor16(55, 20, 0));
    auto* onDark = new GTextView;
    onDark->ITextView(dark, 0, 10, 200, &text);
    // A light page: black text.
    auto* light = new GView;
    light->IView(nullptr, 0, 100, 200, 40);
    light->SetFillColor(gKernel->MakeColor16(218, 215, 191));
    auto* onLight = new GTextView;
    onLight->ITextView(light, 0, 10, 200, &text);
    // A colour once set holds everywhere.
    auto* dark2 = new GView;
    dark2->IView(nullptr, 0, 50, 200, 40);
    dark2->SetFillColor(gKernel->MakeColor16(55, 20, 0));
    auto* chosen = new GTextView;
    chosen->ITextView(dark2, 0, 10, 200, &text);
    chosen->SetColor(0, 0, 0);
    // A text placed straight on the screen lies over a picture: black,
    // although the screen itself is cleared to black.
    auto* picture = new GView;
    picture->IView(nullptr, 300, 0, 200, 40);
    picture->SetFillColor(gKernel->MakeColor16(240, 240, 240));
    auto* onScreen = new GTextView;
    onScreen->ITextView(nullptr, 300, 10, 200, &text);
    Pass();
    EXPECT_GT(CountInk(LongRect{300, 10, 500, 27}, false), 20);
    EXPECT_GT(CountInk(LongRect{0, 10, 200, 27}, true), 20);
    EXPECT_GT(CountInk(LongRect{0, 110, 200, 127}, false), 20);
    EXPECT_EQ(CountInk(LongRect{0, 110, 200, 127}, true), 0);
    EXPECT_GT(CountInk(LongRect{0, 60, 200, 77}, false), 20);
    EXPECT_EQ(CountInk(LongRect{0, 60, 200, 77}, true), 0);
}

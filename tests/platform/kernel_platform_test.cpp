// The window-system layer under the kernel: letterboxing, 16-bit drawing,
// PNG pictures, FreeType text and the translation of window events.
#include "platform/FontRaster.h"
#include "platform/Letterbox.h"
#include "platform/PlatformVideo.h"
#include "platform/PngIO.h"
#include "platform/Surface16.h"
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

TEST(Letterbox, FitsWideAndTallOutputsAndMapsBack) {
    Letterbox wide = Letterbox::Fit(800, 600, 1920, 1080);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    EXPECT_EQ(wide.w, 1440);
    EXPECT_EQ(wide.h, 1080);
    Letterbox tall = Letterbox::Fit(1024, 768, 1024, 1000);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.y, 116);
    EXPECT_EQ(tall.h, 768);

    int32_t gx = -1, gy = -1;
    wide.ToGame(240.0, 0.0, 800, 600, &gx, &gy);
    EXPECT_EQ(gx, 0);
    EXPECT_EQ(gy, 0);
    wide.ToGame(240.0 + 1440.0 - 0.01, 1079.99, 800, 600, &gx, &gy);
    EXPECT_EQ(gx, 799);
    EXPECT_EQ(gy, 599);
    // Positions in the black bars clamp to the nearest game pixel.
    wide.ToGame(10.0, 500.0, 800, 600, &gx, &gy);
    EXPECT_EQ(gx, 0);
    wide.ToGame(1900.0, 500.0, 800, 600, &gx, &gy);
    EXPECT_EQ(gx, 799);
    // The centre of game pixel 400 at 1.8x scale.
    wide.ToGame(240.0 + 400.5 * 1.8, 540.0, 800, 600, &gx, &gy);
    EXPECT_EQ(gx, 400);
    EXPECT_EQ(gy, 300);
}

TEST(Surface16, FillBlitAndKeyClipToTheTarget) {
    Surface16 dst, src;
    ASSERT_TRUE(dst.Create(8, 6));
    ASSERT_TRUE(src.Create(4, 4));
    EXPECT_FALSE(Surface16().Create(0, 5));
    FillRect16(dst.Target(), -3, -3, 5, 5, 0x1111);
    EXPECT_EQ(dst.Target().Row(1)[1], 0x1111);
    EXPECT_EQ(dst.Target().Row(2)[2], 0);
    FillRect16(src.Target(), 0, 0, 4, 4, 0xF800);
    src.Target().Row(1)[1] = 0xF81F; // magenta key
    const uint16_t key = 0xF81F;
    Blit16(dst.Target(), 6, 4, src.Target(), 0, 0, 4, 4, &key);
    EXPECT_EQ(dst.Target().Row(4)[6], 0xF800);
    EXPECT_EQ(dst.Target().Row(5)[6], 0xF800);
    // The keyed pixel left the destination alone.
    EXPECT_EQ(dst.Target().Row(5)[7], 0);
    // A source rectangle partly outside the source copies only what exists.
    Surface16 big;
    ASSERT_TRUE(big.Create(8, 6));
    Blit16(big.Target(), 0, 0, src.Target(), -2, -2, 8, 8, nullptr);
    EXPECT_EQ(big.Target().Row(2)[2], 0xF800);
    EXPECT_EQ(big.Target().Row(1)[1], 0);
    EXPECT_EQ(big.Target().Row(5)[5], 0xF800);
    EXPECT_EQ(big.Target().Row(5)[6], 0);
}

TEST(Surface16, LinesClipAndFarEndsCostNothing) {
    Surface16 s;
    ASSERT_TRUE(s.Create(10, 10));
    DrawLine16(s.Target(), 0, 0, 9, 9, 7, 1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(s.Target().Row(i)[i], 7);
    DrawLine16(s.Target(), -2000000000, 5, 2000000000, 5, 9, 3);
    EXPECT_EQ(s.Target().Row(4)[0], 9);
    EXPECT_EQ(s.Target().Row(6)[9], 9);
    EXPECT_EQ(s.Target().Row(2)[0], 0);
    EXPECT_EQ(MakeRGB565(255, 0, 255), 0xF81F);
}

TEST(PngIO, RoundTripAndBadFiles) {
    const std::string dir = testing::TempDir();
    const std::string path = dir + "/kernel_round.png";
    Surface16 s;
    ASSERT_TRUE(s.Create(3, 2));
    s.Target().Row(0)[0] = MakeRGB565(255, 0, 0);
    s.Target().Row(1)[2] = MakeRGB565(255, 255, 255);
    ASSERT_TRUE(SavePng16(path.c_str(), s.Target()));
    PictureRGBA pic;
    ASSERT_TRUE(LoadPngRGBA(path, &pic));
    ASSERT_EQ(pic.width, 3);
    ASSERT_EQ(pic.height, 2);
    EXPECT_EQ(pic.rgba[0], 255);
    EXPECT_EQ(pic.rgba[1], 0);
    EXPECT_EQ(pic.rgba[3], 255);
    EXPECT_EQ(pic.rgba[(1 * 3 + 2) * 4 + 1], 255);

    EXPECT_FALSE(LoadPngRGBA(dir + "/no_such_picture.png", &pic));
    EXPECT_EQ(pic.width, 0);
    // A truncated file fails cleanly and leaves nothing half-loaded.
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = dir + "/kernel_cut.png";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    EXPECT_FALSE(LoadPngRGBA(cut, &pic));
    EXPECT_TRUE(pic.rgba.empty());
}

TEST(FontRaster, FixedAdvanceAndDrawing) {
    const std::string mono = FindSystemFont("DejaVuSansMono.ttf");
    ASSERT_FALSE(mono.empty());
    FontRaster f;
    ASSERT_TRUE(f.Open(mono, 11, 7));
    EXPECT_EQ(f.Advance('i'), 7);
    EXPECT_EQ(f.Advance('W'), 7);
    EXPECT_EQ(f.TextWidth("abc\xe4", 4), 28);
    EXPECT_EQ(f.Advance('\n'), 0);
    Surface16 s;
    ASSERT_TRUE(s.Create(40, 20));
    f.Draw(s.Target(), 2, 14, "H", 1, 255, 255, 255);
    int lit = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            lit += s.Target().Row(y)[x] != 0;
    EXPECT_GT(lit, 8);
    // Nothing below the baseline for a capital H, nothing right of its cell.
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(s.Target().Row(16)[x], 0);
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(s.Target().Row(y)[12], 0);
    // Drawing far outside the target is clipped.
    f.Draw(s.Target(), -100, -100, "WWW", 3, 255, 0, 0);
    f.Draw(s.Target(), 38, 25, "WWW", 3, 255, 0, 0);
    FontRaster missing;
    EXPECT_FALSE(missing.Open("/nonexistent.ttf", 11, 0));
}

namespace {
SDL_Event KeyDown(SDL_Keycode sym, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.state = SDL_PRESSED;
    return e;
}
SDL_Event Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
    return e;
}
} // namespace

TEST(PlatformVideo, HeadlessWindowEventsAndKeys) {
    PlatformVideo v;
    ASSERT_TRUE(v.Open("test", 640, 480));
    EXPECT_EQ(v.Width(), 640);
    EXPECT_EQ(v.BackBuffer().Target().height, 480);
    FillRect16(v.BackBuffer().Target(), 0, 0, 640, 480, 0x07E0);
    v.Present();
    PlatformEvent ev;
    while (v.NextEvent(&ev, 0)) {
    }

    SDL_Event e = KeyDown(SDLK_LEFT, 0);
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_ESCAPE, 0);
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_a, 0);
    SDL_PushEvent(&e);
    e = Text("\xc3\xa4x"); // a-umlaut then x: two keys
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_KP_5, 0);
    SDL_PushEvent(&e);
    e = Text("5");
    SDL_PushEvent(&e);
    std::vector<PlatformEvent> keys;
    while (v.NextEvent(&ev, 0))
        if (ev.type == PlatformEvent::kKey) keys.push_back(ev);
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].key, kKeyLeft);
    EXPECT_EQ(keys[1].key, kKeyEscape);
    EXPECT_EQ(keys[2].key, 0xE4);
    EXPECT_FALSE(keys[2].numpad);
    EXPECT_EQ(keys[3].key, 'x'); // the rest of the text follows at once
    EXPECT_EQ(keys[4].key, '5');
    EXPECT_TRUE(keys[4].numpad);

    // Mouse events come out in game pixels.
    SDL_Event m{};
    m.type = SDL_MOUSEBUTTONDOWN;
    m.button.button = SDL_BUTTON_RIGHT;
    m.button.x = 100;
    m.button.y = 50;
    m.button.clicks = 1;
    SDL_PushEvent(&m);
    ASSERT_TRUE(v.NextEvent(&ev, 0));
    EXPECT_EQ(ev.type, PlatformEvent::kMouseDown);
    EXPECT_EQ(ev.button, 2);
    EXPECT_EQ(ev.x, 100);
    EXPECT_EQ(ev.y, 50);
    v.Close();
    EXPECT_FALSE(v.NextEvent(&ev, 0));
}

// A quick Alt+S: the Alt key is already up when the text arrives. The key's
// own event decides, so the "s" is not typed as well; the window's keys
// (F11, Alt+Enter) never reach the game.
TEST(PlatformVideo, AnAltCharacterTypesNothingAndWindowKeysStayOutOfTheGame) {
    PlatformVideo v;
    ASSERT_TRUE(v.Open("test", 640, 480));
    PlatformEvent ev;
    while (v.NextEvent(&ev, 0)) {
    }
    SDL_SetModState(KMOD_NONE);
    SDL_Event e = KeyDown(SDLK_s, KMOD_LALT);
    SDL_PushEvent(&e);
    e = Text("s");
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_F11, 0);
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_RETURN, KMOD_LALT);
    SDL_PushEvent(&e);
    e = KeyDown(SDLK_t, 0);
    SDL_PushEvent(&e);
    e = Text("t");
    SDL_PushEvent(&e);
    std::vector<PlatformEvent> keys;
    while (v.NextEvent(&ev, 0))
        if (ev.type == PlatformEvent::kKey) keys.push_back(ev);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, 's');
    EXPECT_TRUE(keys[0].alt);
    EXPECT_EQ(keys[1].key, 't');
    EXPECT_FALSE(keys[1].alt);
    v.Close();
}

// With no display SDL falls back to a driver that shows nothing; the window
// then fails to open (the game ends with its message) unless that driver was
// asked for by name, as the tests do.
TEST(PlatformVideo, ADriverThatShowsNothingOnlyWhenAskedForByName) {
    EXPECT_TRUE(PlatformVideo::DriverAccepted("x11", nullptr));
    EXPECT_TRUE(PlatformVideo::DriverAccepted("wayland", "x11"));
    EXPECT_FALSE(PlatformVideo::DriverAccepted("offscreen", nullptr)) << "the fallback without a display";
    EXPECT_FALSE(PlatformVideo::DriverAccepted("dummy", nullptr));
    EXPECT_FALSE(PlatformVideo::DriverAccepted("offscreen", "x11"));
    EXPECT_TRUE(PlatformVideo::DriverAccepted("offscreen", "offscreen"));
    EXPECT_TRUE(PlatformVideo::DriverAccepted("dummy", "dummy"));
    EXPECT_FALSE(PlatformVideo::DriverAccepted(nullptr, "dummy"));
    // The tests' own dummy display opens.
    PlatformVideo v;
    EXPECT_TRUE(v.Open("test", 640, 480));
}

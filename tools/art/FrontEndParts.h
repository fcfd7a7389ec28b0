// What the front-end pictures share: the layout sizes and the helpers every screen uses.
#pragma once
#include "AssetStore.h"
#include "Widgets.h"

namespace FrontEnd {
// Sizes that the screens' layouts imply (see docs/assets.md for the arithmetic).
inline constexpr int kMenuButtonW = 294, kMenuButtonH = 56;
inline constexpr int kWideButtonW = 300, kWideButtonH = 54;
inline constexpr int kListTopH = 62, kListLineH = 24, kListBottomH = 18;
inline constexpr int kSmallButtonH = 18;
inline constexpr int kForceCells = 62, kForceCell = 20; // Forces 0 to 61
inline constexpr int kDialogButtonW = 100, kDialogButtonH = 40;
inline constexpr int kSaveDialogW = 640, kSaveDialogH = 104, kSaveButtonH = 36;
inline constexpr int kResultW = 450, kResultH = 580;

// A picture button: normal, pressed and highlight looks, or four with the inactive look.
void Button(AssetStore& store, const Fonts& fonts, int32_t n, int w, int h, const char* label, int font = 0,
            int scale = 1, int looks = 3);
// The game's name large with its subtitle, centred on cx.
void TitleBlock(Image& img, const Fonts& fonts, int cx, int top, int size, Rgb main = Palette::kSand,
                Rgb sub = Palette::kBrass, Rgb shadow = Palette::kInk);
// A thin brass rule with a dark line under it.
void Rule(Image& img, int x, int y, int w);

// Title, menu backdrops, intro card, help lines and menu buttons.
void MakeMenus(AssetStore& store, const Fonts& fonts);
// The scenario list's frame, controls, force strip and the wide screen buttons.
void MakeScenarioList(AssetStore& store, const Fonts& fonts);
// Briefing, sides, players, password, network, confirm buttons, save dialogs and result screen.
void MakeScreens(AssetStore& store, const Fonts& fonts);
} // namespace FrontEnd

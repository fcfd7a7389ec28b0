// The battle screen's 2-D pictures: the info panel (backdrops, buttons, flags, badges, weather,
// ground, temperature, state icons, ammunition bar, terrain symbols, small-arms pictures), the order
// menus with their German labels, the balloon edges and the two background tiles.
#pragma once
#include "AssetStore.h"
#include "GameData.h"
#include "Widgets.h"

// The German wording of order-menu label k (picture 1600 + k).
const char* OrderLabel(int k);

void MakeBattleScreen(AssetStore& store, const Fonts& fonts, const GameData& data);

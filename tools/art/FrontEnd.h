// The 2-D front-end pictures: title, main menu, scenario list, briefing, sides, players,
// password, confirm box and result screen.
#pragma once
#include "AssetStore.h"
#include "Widgets.h"

void MakeFrontEnd(AssetStore& store, const Fonts& fonts);

// The pointer, the battle screen's bottom bar with its buttons, and the confirm box frame tiles.
#pragma once
#include "AssetStore.h"
#include "Widgets.h"

void MakePointer(AssetStore& store);
void MakeBattleBar(AssetStore& store, const Fonts& fonts);

// The info panel's pictures of the units: a commander's portrait for every uniform, variant and rank,
// the side views and class silhouettes of the vehicles, and the side views of the teams' heavy weapons
// (units/WeaponSideViews.h).
#pragma once
#include "AssetStore.h"
#include "GameData.h"

// Portrait of uniform u, variant v (0..2), rank r (0..7): kPortraitBase + 24 u + 8 v + r, 56 x 56.
constexpr int kPortraitBase = 27000;
// Side view of vehicle model m: kSideViewBase + m; silhouette of a generic kind (0 bunker, 1 lorry,
// 2 light armour, 3 tank): kSilhouetteBase + kind; 86 x 58 each.
constexpr int kSideViewBase = 26000, kSilhouetteBase = 26300;

void MakeUnitPictures(AssetStore& store, const GameData& data);

// Billboard pictures with alpha: trees and palms (upright and crown), doodads by season, and the
// effects (tracers, flame stream, sparks, shrapnel, fire frames, blast and smoke puffs).
#pragma once
#include "AssetStore.h"

void MakeVegetation(AssetStore& store);
void MakeEffects(AssetStore& store);

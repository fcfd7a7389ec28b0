// The interface sounds and the title music, synthesised.
#pragma once
#include "AssetStore.h"

constexpr int32_t kSampleRate = 22050;
// The refusal beep has no number of its own in the game; the store keeps it as sound 149.
constexpr int32_t kBeepSound = 149;

void MakeSounds(AssetStore& store);

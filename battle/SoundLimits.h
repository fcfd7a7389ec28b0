#pragma once
// How many sounds may play at once: the priority a sound class plays at, the
// copies of one priority that may sound together, and the channels of the
// sound manager's second list. The sound manager plays by these, and the
// replay's thinning keeps only what it could play, so every program, with
// or without a screen, thins a turn alike.

#include <cstdint>

#include "engine/GSoundManager.h"

// Channels the thinning of the replay's sounds counts with.
constexpr int32_t kThinningChannels = GSoundManager::kSecondListChannels;

// The priority a sound class plays at.
inline int32_t ConvertToActivePriority(int32_t soundClass) {
    if (soundClass == 13) return 12;
    if (soundClass == 18) return 15;
    return soundClass;
}

// How many copies of a sound of that priority may play at once.
inline int32_t MyInstanceLimit(int32_t activePriority) {
    switch (activePriority) {
    case 1:
    case 3:
        return 0;
    case 12:
    case 15:
    case 19:
    case 26:
    case 27:
        return 2;
    default:
        return 1;
    }
}

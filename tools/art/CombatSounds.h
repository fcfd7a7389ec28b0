// The battle's sounds: small-arms bursts by class, the guns' shots the data names, explosions by size,
// whizzes, strikes by surface, incoming whistles, penetrations, ricochets, vehicle troubles, hatches,
// close combat, engines (moving and standing, seamless loops), the fire crackle, cries, the voices of
// both nations (German and English phrases spoken by espeak-ng, radio-filtered) and the ambience.
#pragma once
#include "AssetStore.h"
#include "GameData.h"

// The incoming whistles 623-627 and their exact lengths in seconds.
constexpr int kFirstWhistle = 623;
constexpr float kWhistleSeconds[5] = {1.431f, 1.788f, 3.193f, 1.091f, 0.761f};
// Voice variants per voice type 0..44; a nation's voice k of type v is 30000 + 10000 n + 100 v + k.
constexpr int kVoiceCounts[45] = {2, 1, 2, 2, 1, 2, 1, 2, 2, 1, 2, 2, 2, 2, 4, 2, 2, 2, 6, 0, 5, 4, 4,
                                  2, 2, 2, 2, 1, 0, 1, 1, 1, 1, 5, 1, 2, 1, 1, 3, 4, 2, 3, 2, 3, 0};
// The small-arms burst sounds by sound class: first and last number.
struct BurstRange {
    int first, last;
};
BurstRange BurstSounds(int soundClass);

// False when the speech synthesiser cannot be started.
bool MakeCombatSounds(AssetStore& store, const GameData& data);

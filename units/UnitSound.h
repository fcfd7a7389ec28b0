#pragma once
// The voice table of the units' shouts: for each nation, how many recorded
// variants each of the 45 shouts has (0: the nation has none of that shout).
// Compiled from data/voices.txt.

#include <cstdint>

#include "units/Enums.h"

// Rows by nation 0..9, columns by shout 0..44 (generated from the data).
extern const uint8_t gVoiceVariants[kNationCount][kVoiceTypeCount];

// Variants of a nation's shout; 0 for a nation or shout outside the table.
int32_t VoiceVariants(Nation nation, VoiceType voice);

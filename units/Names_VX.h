#pragma once
// The leaders' surname tables, one per nation group, and the program-wide
// record of which names the units of the run already bear. Each table holds
// fixed-width entries, each a zero-terminated surname (data/names/).

#include <cstdint>

#include "units/Enums.h"

constexpr int32_t kNameFlagsPerNation = 1302;

extern const char gNamesGerman[1222][16];
extern const char gNamesItalian[416][13];
extern const char gNamesAmerican[547][12];
extern const char gNamesBritish[431][13]; // also South Africa
extern const char gNamesCanadian[238][12];
extern const char gNamesAustralian[893][14]; // also New Zealand
extern const char gNamesPolish[267][13];
extern const char gNamesFrench[320][13];

// One flag per table entry and nation row: a unit of the run bears the
// name. Only the exhaustion of a row clears it.
extern bool gSergeantNameTaken[kNationCount][kNameFlagsPerNation];

// The nation's table: its entry count and the entry of an index taken
// modulo that count. A nation outside 0..9 uses the first table.
int32_t NameTableSize(Nation nation);
const char* NameTableEntry(Nation nation, int32_t index);
// The row of the taken flags for the nation (row 0 outside 0..9).
bool* NameFlagsRow(Nation nation);

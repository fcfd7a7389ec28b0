#pragma once
// Loading of the game data tables from the data block compiled into the
// program.

#include <cstddef>
#include <cstdint>

// The block written by the build (tools/datablock).
extern const unsigned char kGameDataBlock[];
extern const size_t kGameDataBlockSize;

// Unpacks, checks and installs the tables from the program's own block.
// On failure no table is installed, the message says why, and it is false.
bool DecryptData();

// Frees the tables; every table then reads as empty.
void DeleteCryptoData();

// The same from any block (tests, damaged data).
bool LoadGameData(const uint8_t* block, size_t size);

// Why the last load failed ("" after a success).
const char* GameDataError();

#pragma once
// The sealed form of the game data that the program carries.
//
// A block is a 20-byte header ("DMGB", format version, plain size, sealed
// size, CRC-32 of the plain bytes, all little-endian 32-bit) followed by the
// sealed bytes: the zlib-compressed plain bytes, enciphered with a keyed
// byte stream. The plain bytes hold the 14 tables in block order, each as a
// 32-bit record count, a 32-bit record size and the records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kDataBlockVersion = 1;
constexpr size_t kDataBlockHeaderSize = 20;
constexpr size_t kDataBlockMaxPlain = 16u << 20; // refuse anything larger

// Compresses and enciphers the plain bytes into a block. False when the
// plain bytes are too large or cannot be compressed.
bool SealDataBlock(const std::vector<uint8_t>& plain, std::vector<uint8_t>* block);

// Checks the header, deciphers, decompresses and checks the CRC. On failure
// returns false with a short reason in *error and leaves *plain empty.
bool OpenDataBlock(const uint8_t* block, size_t size, std::vector<uint8_t>* plain, std::string* error);

// Enciphers or deciphers in place (the stream is its own inverse).
void ApplyDataKeystream(uint8_t* bytes, size_t size);

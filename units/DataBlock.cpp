#include "units/DataBlock.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr uint8_t kMagic[4] = {'D', 'M', 'G', 'B'};
constexpr uint32_t kKey = 0x5EED1943u;

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t Crc(const uint8_t* bytes, size_t size) {
    return static_cast<uint32_t>(crc32(0L, bytes, static_cast<uInt>(size)));
}

} // namespace

void ApplyDataKeystream(uint8_t* bytes, size_t size) {
    // A linear congruential stream; each byte takes the top byte of the state.
    uint32_t state = kKey;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] ^= static_cast<uint8_t>(state >> 24);
    }
}

bool SealDataBlock(const std::vector<uint8_t>& plain, std::vector<uint8_t>* block) {
    if (plain.size() > kDataBlockMaxPlain) return false;
    uLongf packed = compressBound(static_cast<uLong>(plain.size()));
    std::vector<uint8_t> sealed(packed);
    if (compress2(sealed.data(), &packed, plain.data(), static_cast<uLong>(plain.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return false;
    sealed.resize(packed);
    ApplyDataKeystream(sealed.data(), sealed.size());

    block->assign(kDataBlockHeaderSize, 0);
    std::memcpy(block->data(), kMagic, 4);
    PutU32(block->data() + 4, kDataBlockVersion);
    PutU32(block->data() + 8, static_cast<uint32_t>(plain.size()));
    PutU32(block->data() + 12, static_cast<uint32_t>(sealed.size()));
    PutU32(block->data() + 16, Crc(plain.data(), plain.size()));
    block->insert(block->end(), sealed.begin(), sealed.end());
    return true;
}

bool OpenDataBlock(const uint8_t* block, size_t size, std::vector<uint8_t>* plain, std::string* error) {
    plain->clear();
    if (!block || size < kDataBlockHeaderSize || std::memcmp(block, kMagic, 4) != 0) {
        *error = "kein Datenblock";
        return false;
    }
    if (GetU32(block + 4) != kDataBlockVersion) {
        *error = "falsche Version des Datenblocks";
        return false;
    }
    const uint32_t plainSize = GetU32(block + 8);
    const uint32_t sealedSize = GetU32(block + 12);
    if (plainSize > kDataBlockMaxPlain || sealedSize != size - kDataBlockHeaderSize) {
        *error = "falsche Laenge des Datenblocks";
        return false;
    }
    std::vector<uint8_t> sealed(block + kDataBlockHeaderSize, block + size);
    ApplyDataKeystream(sealed.data(), sealed.size());

    // One spare byte, so that a stream longer than announced is caught.
    std::vector<uint8_t> out(size_t(plainSize) + 1);
    uLongf outSize = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &outSize, sealed.data(), static_cast<uLong>(sealed.size())) != Z_OK ||
        outSize != plainSize) {
        *error = "Datenblock nicht entpackbar";
        return false;
    }
    if (Crc(out.data(), plainSize) != GetU32(block + 16)) {
        *error = "Pruefsumme des Datenblocks falsch";
        return false;
    }
    out.resize(plainSize);
    *plain = std::move(out);
    return true;
}

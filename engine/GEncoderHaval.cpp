// HAVAL (Zheng, Pieprzyk and Seberry, 1992) with 3 passes and a 256-bit
// fingerprint. The message is taken in 1024-bit blocks of 32 little-endian
// words; each pass runs 32 steps of a Boolean function over a permutation
// of seven of the eight state words.
#include "engine/GEncoder.h"

#include <cstring>

#include "engine/GString.h"

namespace {

using Word = uint32_t;

constexpr Word Rotr(Word x, int n) { return (x >> n) | (x << (32 - n)); }

// The first 32 hexadecimal digits of the fraction of pi start the state;
// the following ones are the step constants of passes 2 and 3.
constexpr Word kInitial[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                              0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

constexpr Word kConstants2[32] = {
    0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
    0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
    0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
    0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5};

constexpr Word kConstants3[32] = {
    0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
    0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
    0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
    0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C};

// Order in which passes 2 and 3 take the block's words (pass 1 takes them
// in order).
constexpr int kOrder2[32] = {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1,  10, 4,  8,
                             30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2,  25, 31, 27};
constexpr int kOrder3[32] = {19, 9,  4,  20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
                             31, 15, 7,  3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2};

// The Boolean functions, written over x6..x0 as in the algorithm's
// description.
Word F1(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x1) ^ x0;
}

Word F2(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x2 & x3) ^ (x2 & x4 & x5) ^ (x1 & x2) ^ (x1 & x4) ^ (x2 & x6) ^ (x3 & x5) ^
           (x4 & x5) ^ (x0 & x2) ^ x0;
}

Word F3(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x2 & x3) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x3) ^ x0;
}

// Each pass feeds its function a fixed permutation of x6..x0 (the
// permutations of the 3-pass variant).
Word Pass1(const Word x[8]) { return F1(x[1], x[0], x[3], x[5], x[6], x[2], x[4]); }
Word Pass2(const Word x[8]) { return F2(x[4], x[2], x[1], x[0], x[5], x[3], x[6]); }
Word Pass3(const Word x[8]) { return F3(x[6], x[1], x[2], x[3], x[4], x[5], x[0]); }

using PassFunction = Word (*)(const Word x[8]);

// One pass of 32 steps. At step i the registers play the roles
// x_j = t[(j - i) mod 8]; the new value replaces the one in the x7 role.
void RunPass(Word t[8], const Word block[32], PassFunction f, const int* order,
             const Word* constants)
{
    for (int i = 0; i < 32; ++i) {
        Word x[8];
        for (int j = 0; j < 8; ++j) x[j] = t[(j - i + 32) & 7];
        const Word p = f(x);
        const Word w = block[order ? order[i] : i];
        const Word k = constants ? constants[i] : 0;
        t[(7 - i + 32) & 7] = Rotr(p, 7) + Rotr(x[7], 11) + w + k;
    }
}

void HashBlock(Word state[8], const uint8_t* bytes)
{
    Word block[32];
    for (int i = 0; i < 32; ++i) {
        const uint8_t* b = bytes + 4 * i;
        block[i] = Word(b[0]) | Word(b[1]) << 8 | Word(b[2]) << 16 | Word(b[3]) << 24;
    }
    Word t[8];
    std::memcpy(t, state, sizeof t);
    RunPass(t, block, Pass1, nullptr, nullptr);
    RunPass(t, block, Pass2, kOrder2, kConstants2);
    RunPass(t, block, Pass3, kOrder3, kConstants3);
    for (int i = 0; i < 8; ++i) state[i] += t[i];
}

constexpr size_t kBlockBytes = 128;
constexpr int kVersion = 1;
constexpr int kPasses = 3;
constexpr int kFingerprintBits = 256;

}  // namespace

HavalDigest HavalHash256(const uint8_t* data, size_t count)
{
    Word state[8];
    std::memcpy(state, kInitial, sizeof state);
    size_t done = 0;
    for (; count - done >= kBlockBytes; done += kBlockBytes) HashBlock(state, data + done);

    // The tail: the rest of the message, a 1 bit (bytes fill from their low
    // bit), zeros up to byte 118 of a block, then the version, pass count
    // and fingerprint length in two bytes and the message length in bits
    // as 64 little-endian bits.
    uint8_t tail[2 * kBlockBytes] = {};
    const size_t rest = count - done;
    if (rest) std::memcpy(tail, data + done, rest);
    tail[rest] = 0x01;
    const size_t tailBlocks = rest + 1 > kBlockBytes - 10 ? 2 : 1;
    uint8_t* end = tail + tailBlocks * kBlockBytes - 10;
    end[0] = uint8_t(((kFingerprintBits & 3) << 6) | (kPasses << 3) | kVersion);
    end[1] = uint8_t(kFingerprintBits >> 2);
    const uint64_t bits = uint64_t(count) << 3;
    for (int i = 0; i < 8; ++i) end[2 + i] = uint8_t(bits >> (8 * i));
    for (size_t b = 0; b < tailBlocks; ++b) HashBlock(state, tail + b * kBlockBytes);

    HavalDigest digest{};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = uint8_t(state[i] >> (8 * j));
    return digest;
}

std::string HavalHex(const HavalDigest& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (uint8_t b : digest) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

void OneWayHash(const GString* text, GString* out)
{
    if (!out) return;
    const uint8_t* bytes = text ? reinterpret_cast<const uint8_t*>(text->GetCString()) : nullptr;
    const size_t count = text ? text->GetLength() : 0;
    out->IStringText(HavalHex(HavalHash256(bytes, count)).c_str());
}

#pragma once
// Byte codings of the engine: CRC-32, the 6-bit text coding and the
// play-by-e-mail text form built from them, and the HAVAL one-way hash.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class GString;

// CRC-32 with the reflected polynomial 0xEDB88320 (the common one of zip,
// PNG and Ethernet); `crc` continues an earlier run, 0 starts a new one.
uint32_t ComputeCRC32(const uint8_t* data, size_t count, uint32_t crc = 0);

// 6-bit text: every 3 bytes become 4 characters of a 64-letter alphabet
// (A-Z a-z 0-9 + /); a last group of 1 or 2 bytes becomes 2 or 3
// characters, so no padding is needed.
std::string Encode6Bit(const uint8_t* data, size_t count);
// Appends the decoded bytes to out; false for a character outside the
// alphabet or a character count that no byte count gives.
bool Decode6Bit(const char* text, size_t count, std::vector<uint8_t>& out);

// The play-by-e-mail text form of a byte stream: the marker line, a
// sentinel line, the 6-bit text in lines of 72 characters, a CRC-32 line
// and an end marker line (see docs/file-formats.md).
class PBEMText {
public:
    static const char* const kMarkerLine;
    static const char* const kSentinelLine;
    static const char* const kEndLine;
    static constexpr size_t kLineLength = 72;

    // The text form of data[0..count); crc receives the CRC-32 of the data.
    static std::string Wrap(const uint8_t* data, size_t count, uint32_t* crc = nullptr);
    // Finds the wrapped stream in text (anything before the marker line and
    // after the end line is ignored) and appends its bytes to out. False,
    // with out unchanged, for a missing line, a bad character or a CRC that
    // does not match; crc receives the CRC of the data on success.
    static bool Unwrap(const char* text, size_t count, std::vector<uint8_t>& out,
                       uint32_t* crc = nullptr);
};

// HAVAL with 3 passes and a 256-bit fingerprint.
using HavalDigest = std::array<uint8_t, 32>;
HavalDigest HavalHash256(const uint8_t* data, size_t count);
// The digest as 64 lower-case hexadecimal digits.
std::string HavalHex(const HavalDigest& digest);

// The kernel's one-way hash of a text: the HAVAL digest of the text's
// characters, stored in out as hexadecimal digits (cut at out's capacity,
// so a GString63 keeps 63 of the 64).
void OneWayHash(const GString* text, GString* out);

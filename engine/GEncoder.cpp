#include "engine/GEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

uint32_t ComputeCRC32(const uint8_t* data, size_t count, uint32_t crc)
{
    // zlib's crc32 is this very CRC; feed it in chunks its uInt can count.
    constexpr size_t kChunk = size_t{1} << 30;
    uLong value = crc;
    while (count > 0) {
        const size_t n = std::min(count, kChunk);
        value = crc32(value, data, static_cast<uInt>(n));
        data += n;
        count -= n;
    }
    return static_cast<uint32_t>(value);
}

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Character -> 6-bit value, or -1 for characters outside the alphabet.
struct DecodeTable {
    int8_t value[256];
    DecodeTable()
    {
        std::fill(std::begin(value), std::end(value), int8_t{-1});
        for (int i = 0; i < 64; ++i) value[static_cast<uint8_t>(kAlphabet[i])] = int8_t(i);
    }
};

const DecodeTable& Table()
{
    static const DecodeTable table;
    return table;
}

}  // namespace

std::string Encode6Bit(const uint8_t* data, size_t count)
{
    std::string text;
    text.reserve((count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const uint32_t v = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
        text.push_back(kAlphabet[v >> 18]);
        text.push_back(kAlphabet[(v >> 12) & 63]);
        text.push_back(kAlphabet[(v >> 6) & 63]);
        text.push_back(kAlphabet[v & 63]);
    }
    const size_t rest = count - i;
    if (rest > 0) {
        uint32_t v = uint32_t(data[i]) << 16;
        if (rest == 2) v |= uint32_t(data[i + 1]) << 8;
        text.push_back(kAlphabet[v >> 18]);
        text.push_back(kAlphabet[(v >> 12) & 63]);
        if (rest == 2) text.push_back(kAlphabet[(v >> 6) & 63]);
    }
    return text;
}

bool Decode6Bit(const char* text, size_t count, std::vector<uint8_t>& out)
{
    // A last group of one character carries no whole byte.
    if (count % 4 == 1) return false;
    const int8_t* table = Table().value;
    const size_t start = out.size();
    out.reserve(start + count / 4 * 3 + 2);
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < count; ++i) {
        const int8_t v = table[static_cast<uint8_t>(text[i])];
        if (v < 0) {
            out.resize(start);
            return false;
        }
        bits = (bits << 6) | uint32_t(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(uint8_t(bits >> held));
            bits &= (1u << held) - 1;
        }
    }
    return true;
}

const char* const PBEMText::kMarkerLine =
    "----------------- Play-By-Email Data Follows This Line -----------------";
const char* const PBEMText::kSentinelLine = "DUNMARCH-PBEM-6BIT-V1";
const char* const PBEMText::kEndLine =
    "------------------ End Of Play-By-Email Data ------------------";

namespace {

const char kCRCPrefix[] = "CRC32 ";
const char kNewLine[] = "\r\n";

void AppendLine(std::string& text, const char* line, size_t count)
{
    text.append(line, count);
    text.append(kNewLine);
}

// A cursor over the lines of a text; each line comes without its line end
// and without trailing blanks, which mail programs add or strip freely.
class LineReader {
public:
    LineReader(const char* text, size_t count) : mEnd(text + count), mNext(text) {}

    bool Next(const char*& line, size_t& length)
    {
        if (mNext >= mEnd) return false;
        const char* stop = static_cast<const char*>(std::memchr(mNext, '\n', mEnd - mNext));
        if (!stop) stop = mEnd;
        line = mNext;
        length = static_cast<size_t>(stop - mNext);
        while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == ' ' ||
                              line[length - 1] == '\t'))
            --length;
        mNext = stop < mEnd ? stop + 1 : mEnd;
        return true;
    }

private:
    const char* mEnd;
    const char* mNext;
};

bool LineIs(const char* line, size_t length, const char* expected)
{
    return length == std::strlen(expected) && std::memcmp(line, expected, length) == 0;
}

bool ParseCRC(const char* line, size_t length, uint32_t& crc)
{
    const size_t prefix = sizeof kCRCPrefix - 1;
    if (length != prefix + 8 || std::memcmp(line, kCRCPrefix, prefix) != 0) return false;
    uint32_t value = 0;
    for (size_t i = prefix; i < length; ++i) {
        const char c = line[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value << 4 | uint32_t(digit);
    }
    crc = value;
    return true;
}

}  // namespace

std::string PBEMText::Wrap(const uint8_t* data, size_t count, uint32_t* crc)
{
    const uint32_t sum = ComputeCRC32(data, count);
    const std::string body = Encode6Bit(data, count);
    std::string text;
    text.reserve(body.size() + body.size() / kLineLength * 2 + 256);
    AppendLine(text, kMarkerLine, std::strlen(kMarkerLine));
    AppendLine(text, kSentinelLine, std::strlen(kSentinelLine));
    for (size_t i = 0; i < body.size(); i += kLineLength)
        AppendLine(text, body.data() + i, std::min(kLineLength, body.size() - i));
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "%s%08x", kCRCPrefix, static_cast<unsigned>(sum));
    AppendLine(text, crcLine, std::strlen(crcLine));
    AppendLine(text, kEndLine, std::strlen(kEndLine));
    if (crc) *crc = sum;
    return text;
}

bool PBEMText::Unwrap(const char* text, size_t count, std::vector<uint8_t>& out, uint32_t* crc)
{
    LineReader lines(text, count);
    const char* line = nullptr;
    size_t length = 0;
    bool found = false;
    while (!found && lines.Next(line, length)) found = LineIs(line, length, kMarkerLine);
    if (!found || !lines.Next(line, length) || !LineIs(line, length, kSentinelLine)) return false;

    // Data lines run up to the CRC line; their characters are decoded as
    // one text, so a mail program's re-wrapping of lines does no harm.
    std::string body;
    uint32_t stored = 0;
    bool haveCRC = false;
    while (!haveCRC && lines.Next(line, length)) {
        if (ParseCRC(line, length, stored)) haveCRC = true;
        else body.append(line, length);
    }
    if (!haveCRC || !lines.Next(line, length) || !LineIs(line, length, kEndLine)) return false;

    std::vector<uint8_t> bytes;
    if (!Decode6Bit(body.data(), body.size(), bytes)) return false;
    const uint32_t sum = ComputeCRC32(bytes.data(), bytes.size());
    if (sum != stored) return false;
    out.insert(out.end(), bytes.begin(), bytes.end());
    if (crc) *crc = sum;
    return true;
}

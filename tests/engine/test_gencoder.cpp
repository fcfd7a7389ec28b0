#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/CompressedStream.h"
#include "engine/GEncoder.h"
#include "engine/GString.h"

namespace {

std::string Haval(const std::string& text)
{
    return HavalHex(HavalHash256(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

// The published test vectors of HAVAL with 3 passes and 256 bits.
TEST(Haval, PublishedVectors)
{
    EXPECT_EQ(Haval(""), "4f6938531f0bc8991f62da7bbd6f7de3fad44562b8c6f4ebf146d5b4e46f7c17");
    EXPECT_EQ(Haval("a"), "47c838fbb4081d9525a0ff9b1e2c05a98f625714e72db289010374e27db021d8");
    EXPECT_EQ(Haval("HAVAL"), "91850c6487c9829e791fc5b58e98e372f3063256bb7d313a93f1f83b426aedcc");
    EXPECT_EQ(Haval("0123456789"),
              "63238d99c02be18c3c5db7cce8432f51329012c228ccc17ef048a5d0fd22d4ae");
    EXPECT_EQ(Haval("abcdefghijklmnopqrstuvwxyz"),
              "72fad4bde1da8c8332fb60561a780e7f504f21547b98686824fc33fc796afa76");
    EXPECT_EQ(Haval("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "899397d96489281e9e76d5e65abab751f312e06c06c07c9c1d42abd31bb6a404");
}

TEST(Haval, OneWayHashOfAString)
{
    GString63 text("HAVAL");
    GString255 full;
    OneWayHash(&text, &full);
    EXPECT_STREQ(full.GetCString(),
                 "91850c6487c9829e791fc5b58e98e372f3063256bb7d313a93f1f83b426aedcc");
    // Passwords keep their hash in a GString63: the last digit is cut.
    GString63 stored;
    OneWayHash(&text, &stored);
    EXPECT_EQ(stored.GetLength(), 63);
    GString63 empty;
    OneWayHash(&empty, &full);
    EXPECT_STREQ(full.GetCString(),
                 "4f6938531f0bc8991f62da7bbd6f7de3fad44562b8c6f4ebf146d5b4e46f7c17");
}

// Messages whose padding spills into a second block, and several blocks.
TEST(Haval, BlockBoundariesGiveDistinctDigests)
{
    std::vector<std::string> digests;
    for (size_t n : {117u, 118u, 119u, 127u, 128u, 129u, 255u, 256u, 1000u})
        digests.push_back(Haval(std::string(n, 'x')));
    for (size_t i = 0; i < digests.size(); ++i) {
        EXPECT_EQ(digests[i].size(), 64u);
        for (size_t j = i + 1; j < digests.size(); ++j) EXPECT_NE(digests[i], digests[j]);
    }
}

TEST(CRC32, CheckValue)
{
    const std::string text = "123456789";
    EXPECT_EQ(ComputeCRC32(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
              0xCBF43926u);
    EXPECT_EQ(ComputeCRC32(nullptr, 0), 0u);
}

TEST(SixBitText, RoundTripsEveryTailLength)
{
    for (size_t n = 0; n < 40; ++n) {
        std::vector<uint8_t> data(n);
        for (size_t i = 0; i < n; ++i) data[i] = uint8_t(i * 37 + 250);
        const std::string text = Encode6Bit(data.data(), data.size());
        EXPECT_EQ(text.size(), n / 3 * 4 + (n % 3 ? n % 3 + 1 : 0));
        std::vector<uint8_t> back;
        ASSERT_TRUE(Decode6Bit(text.data(), text.size(), back));
        EXPECT_EQ(back, data);
    }
    EXPECT_EQ(Encode6Bit(reinterpret_cast<const uint8_t*>("Man"), 3), "TWFu");
}

TEST(SixBitText, RefusesBadText)
{
    std::vector<uint8_t> out = {9};
    EXPECT_FALSE(Decode6Bit("TWFuT", 5, out));          // a lone last character
    EXPECT_FALSE(Decode6Bit("TW=u", 4, out));
    EXPECT_FALSE(Decode6Bit("TW u", 4, out));
    EXPECT_FALSE(Decode6Bit("TW\xC4u", 4, out));
    EXPECT_EQ(out, std::vector<uint8_t>{9});             // nothing appended on failure
}

TEST(PBEMText, LayoutAndRoundTrip)
{
    std::vector<uint8_t> data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
    uint32_t crc = 0;
    const std::string text = PBEMText::Wrap(data.data(), data.size(), &crc);
    EXPECT_EQ(crc, ComputeCRC32(data.data(), data.size()));

    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    // 200 bytes are 267 characters: three full lines and one of 51.
    ASSERT_EQ(lines.size(), 2u + 4u + 2u);
    EXPECT_EQ(lines[0], "----------------- Play-By-Email Data Follows This Line -----------------");
    EXPECT_EQ(lines[1], PBEMText::kSentinelLine);
    EXPECT_EQ(lines[2].size(), 72u);
    EXPECT_EQ(lines[4].size(), 72u);
    EXPECT_EQ(lines[5].size(), 267u - 3 * 72);
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "CRC32 %08x", crc);
    EXPECT_EQ(lines[6], crcLine);
    EXPECT_EQ(lines[7], PBEMText::kEndLine);

    std::vector<uint8_t> back;
    uint32_t readCRC = 0;
    ASSERT_TRUE(PBEMText::Unwrap(text.data(), text.size(), back, &readCRC));
    EXPECT_EQ(back, data);
    EXPECT_EQ(readCRC, crc);
}

TEST(PBEMText, SurvivesMailHandling)
{
    const std::vector<uint8_t> data = Bytes("a turn of the game, long enough to fill more than a line.");
    std::string text = PBEMText::Wrap(data.data(), data.size());
    // Line ends changed to LF, and a data line broken in two with trailing
    // blanks, as a mail program may do.
    std::string unix;
    for (char c : text)
        if (c != '\r') unix.push_back(c);
    const size_t firstData = unix.find('\n', unix.find('\n') + 1) + 1;
    unix.insert(firstData + 30, "  \n");
    std::vector<uint8_t> back;
    ASSERT_TRUE(PBEMText::Unwrap(unix.data(), unix.size(), back));
    EXPECT_EQ(back, data);
}

TEST(PBEMText, RefusesBrokenForms)
{
    const std::vector<uint8_t> data = Bytes("some data of a turn file");
    const std::string good = PBEMText::Wrap(data.data(), data.size());
    std::vector<uint8_t> out;
    auto refused = [&](std::string text) {
        return !PBEMText::Unwrap(text.data(), text.size(), out) && out.empty();
    };
    std::string noSentinel = good;
    noSentinel.erase(noSentinel.find(PBEMText::kSentinelLine), 3);
    EXPECT_TRUE(refused(noSentinel));
    std::string noMarker = good.substr(5);
    EXPECT_TRUE(refused(noMarker));
    std::string noEnd = good.substr(0, good.find(PBEMText::kEndLine));
    EXPECT_TRUE(refused(noEnd));
    std::string noCRC = good;
    noCRC.erase(noCRC.find("CRC32"), 16);
    EXPECT_TRUE(refused(noCRC));
    std::string wrongCRC = good;
    char& digit = wrongCRC[wrongCRC.find("CRC32 ") + 6];
    digit = digit == '0' ? '1' : '0';
    EXPECT_TRUE(refused(wrongCRC));
    EXPECT_TRUE(refused(""));
}

TEST(CompressedStream, RoundTripAndRefusals)
{
    std::vector<uint8_t> data(100000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t((i * i) >> 7);
    std::vector<uint8_t> packed = {42};  // appends behind what is there
    ASSERT_TRUE(CompressedStream::Compress(data.data(), data.size(), packed));
    EXPECT_EQ(packed[0], 42);
    std::vector<uint8_t> back;
    ASSERT_TRUE(CompressedStream::Decompress(packed.data() + 1, packed.size() - 1, back));
    EXPECT_EQ(back, data);

    // Limited output, cut input and an empty input all fail without output.
    back.clear();
    EXPECT_FALSE(CompressedStream::Decompress(packed.data() + 1, packed.size() - 1, back, 1000));
    EXPECT_TRUE(back.empty());
    EXPECT_FALSE(CompressedStream::Decompress(packed.data() + 1, packed.size() / 2, back));
    EXPECT_TRUE(back.empty());
    EXPECT_FALSE(CompressedStream::Decompress(packed.data(), 0, back));

    std::vector<uint8_t> empty;
    ASSERT_TRUE(CompressedStream::Compress(nullptr, 0, empty));
    ASSERT_TRUE(CompressedStream::Decompress(empty.data(), empty.size(), back));
    EXPECT_TRUE(back.empty());
}

// Record framing: records come out whole however the bytes arrive, and
// anything that is not one of our records spoils the stream for good.

#include <gtest/gtest.h>

#include <vector>

#include "engine/OPRecordReader.h"

namespace {

std::vector<uint8_t> DataRecord(const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    OPAppendHeader(&out, kOPRecordData, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(NetRecords, HeaderIsTypeAndBigEndianValue) {
    std::vector<uint8_t> out;
    OPAppendHeader(&out, kOPRecordCreditGrant, 0x01020304);
    EXPECT_EQ(out, (std::vector<uint8_t>{3, 1, 2, 3, 4}));
}

TEST(NetRecords, ReassemblesRecordsFromSingleBytes) {
    std::vector<uint8_t> stream = DataRecord({7, 8, 9});
    OPAppendHeader(&stream, kOPRecordKeepAlive, 0);
    const std::vector<uint8_t> second = DataRecord({1});
    stream.insert(stream.end(), second.begin(), second.end());

    OPRecordReader reader;
    std::vector<std::vector<uint8_t>> data;
    int keepAlives = 0;
    for (uint8_t byte : stream) {
        reader.Append(&byte, 1);
        uint8_t type;
        uint32_t value;
        const uint8_t* payload;
        OPRecordReader::Result r;
        while ((r = reader.Next(&type, &value, &payload)) == OPRecordReader::Result::kRecord) {
            if (type == kOPRecordData)
                data.emplace_back(payload, payload + value);
            else
                ++keepAlives;
        }
        ASSERT_EQ(r, OPRecordReader::Result::kNeedMore);
    }
    EXPECT_EQ(data, (std::vector<std::vector<uint8_t>>{{7, 8, 9}, {1}}));
    EXPECT_EQ(keepAlives, 1);
    EXPECT_FALSE(reader.MidRecord());
    reader.Append(stream.data(), 3);
    EXPECT_TRUE(reader.MidRecord());
}

TEST(NetRecords, RefusesUnknownTypesAndBadLengths) {
    const std::vector<std::vector<uint8_t>> bad = {
        {0, 0, 0, 0, 0},                   // type 0
        {9, 0, 0, 0, 1},                   // unknown type
        {1, 0, 0, 0, 0},                   // empty data record
        {1, 0, 1, 0, 1},                   // one byte beyond the longest record
        {1, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2}, // absurd length
    };
    for (const auto& bytes : bad) {
        OPRecordReader reader;
        reader.Append(bytes.data(), bytes.size());
        uint8_t type;
        uint32_t value;
        const uint8_t* payload;
        EXPECT_EQ(reader.Next(&type, &value, &payload), OPRecordReader::Result::kBad);
        // It stays bad, even when good records follow.
        const std::vector<uint8_t> good = DataRecord({1});
        reader.Append(good.data(), good.size());
        EXPECT_EQ(reader.Next(&type, &value, &payload), OPRecordReader::Result::kBad);
    }
    // The longest record itself is fine.
    OPRecordReader reader;
    const std::vector<uint8_t> longest = DataRecord(std::vector<uint8_t>(kOPMaxRecord, 0xAB));
    reader.Append(longest.data(), longest.size());
    uint8_t type;
    uint32_t value;
    const uint8_t* payload;
    ASSERT_EQ(reader.Next(&type, &value, &payload), OPRecordReader::Result::kRecord);
    EXPECT_EQ(value, kOPMaxRecord);
    EXPECT_EQ(payload[kOPMaxRecord - 1], 0xAB);
}

} // namespace

#pragma once
// The network layer's records on the byte stream: one type byte and a
// 4-byte big-endian value; a data record's value is its length and its
// bytes follow. The reader takes the stream in whatever pieces arrive and
// hands out whole records, refusing anything that is not one of ours.

#include <cstddef>
#include <cstdint>
#include <vector>

enum OPRecordType : uint8_t {
    kOPRecordData = 1,
    kOPRecordCreditRequest = 2, // value: bytes the sender waits to send
    kOPRecordCreditGrant = 3,   // value: further bytes the receiver takes
    kOPRecordKeepAlive = 4,     // value: 0
};

constexpr size_t kOPHeaderBytes = 5;
// The longest data record either side sends or accepts.
constexpr uint32_t kOPMaxRecord = 65536;

// Appends a record header to out.
void OPAppendHeader(std::vector<uint8_t>* out, uint8_t type, uint32_t value);

class OPRecordReader {
public:
    enum class Result { kNeedMore, kRecord, kBad };

    void Append(const uint8_t* bytes, size_t count);
    // The next whole record: its type, value and, for data, its bytes (valid
    // until the next call). kBad for an unknown type or a data length of 0
    // or beyond kOPMaxRecord; the reader stays bad.
    Result Next(uint8_t* type, uint32_t* value, const uint8_t** payload);
    // True when part of a record has arrived and the rest has not.
    bool MidRecord() const { return mBuffer.size() > mHead; }
    void Clear();

private:
    std::vector<uint8_t> mBuffer;
    size_t mHead = 0;
    bool mBad = false;
};

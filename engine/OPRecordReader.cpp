#include "engine/OPRecordReader.h"

void OPAppendHeader(std::vector<uint8_t>* out, uint8_t type, uint32_t value) {
    const uint8_t header[kOPHeaderBytes] = {type, static_cast<uint8_t>(value >> 24),
                                            static_cast<uint8_t>(value >> 16),
                                            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    out->insert(out->end(), header, header + kOPHeaderBytes);
}

void OPRecordReader::Append(const uint8_t* bytes, size_t count) {
    if (mBad || count == 0) return;
    // Drop the records already handed out before the buffer grows.
    if (mHead > 0 && mHead * 2 >= mBuffer.size()) {
        mBuffer.erase(mBuffer.begin(), mBuffer.begin() + static_cast<std::ptrdiff_t>(mHead));
        mHead = 0;
    }
    mBuffer.insert(mBuffer.end(), bytes, bytes + count);
}

OPRecordReader::Result OPRecordReader::Next(uint8_t* type, uint32_t* value, const uint8_t** payload) {
    if (mBad) return Result::kBad;
    const size_t available = mBuffer.size() - mHead;
    if (available < kOPHeaderBytes) return Result::kNeedMore;
    const uint8_t* p = mBuffer.data() + mHead;
    const uint32_t v =
        (uint32_t{p[1]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 8) | uint32_t{p[4]};
    size_t length = kOPHeaderBytes;
    switch (p[0]) {
    case kOPRecordData:
        if (v == 0 || v > kOPMaxRecord) {
            mBad = true;
            return Result::kBad;
        }
        length += v;
        break;
    case kOPRecordCreditRequest:
    case kOPRecordCreditGrant:
    case kOPRecordKeepAlive:
        break;
    default:
        mBad = true;
        return Result::kBad;
    }
    if (available < length) return Result::kNeedMore;
    *type = p[0];
    *value = v;
    *payload = p[0] == kOPRecordData ? p + kOPHeaderBytes : nullptr;
    mHead += length;
    return Result::kRecord;
}

void OPRecordReader::Clear() {
    mBuffer.clear();
    mHead = 0;
    mBad = false;
}

// Bytes from a network peer: cut at places the input chooses, they give
// whole records or a refusal, never a read outside the buffer. The records
// taken, framed again, are the bytes they came from, and read back and
// framed once more they stay those bytes.
#include <cstdint>
#include <vector>

#include "FuzzRoundTrip.h"
#include "engine/OPRecordReader.h"

namespace {

struct Record {
    uint8_t type;
    uint32_t value;
    std::vector<uint8_t> payload;
};

std::vector<uint8_t> Frame(const std::vector<Record>& records) {
    std::vector<uint8_t> out;
    for (const Record& r : records) {
        OPAppendHeader(&out, r.type, r.value);
        out.insert(out.end(), r.payload.begin(), r.payload.end());
    }
    return out;
}

// Feeds the bytes in pieces sized by the bytes themselves; false once the
// reader refuses them.
bool Take(const uint8_t* data, size_t size, std::vector<Record>* records) {
    OPRecordReader reader;
    size_t at = 0;
    while (at < size) {
        const size_t piece = 1 + data[at] % 64;
        const size_t take = piece < size - at ? piece : size - at;
        reader.Append(data + at, take);
        at += take;
        uint8_t type;
        uint32_t value;
        const uint8_t* payload;
        OPRecordReader::Result r;
        while ((r = reader.Next(&type, &value, &payload)) == OPRecordReader::Result::kRecord) {
            Record record{type, value, {}};
            if (payload) record.payload.assign(payload, payload + value);
            records->push_back(std::move(record));
        }
        if (r == OPRecordReader::Result::kBad) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<Record> records;
    Take(data, size, &records);
    const std::vector<uint8_t> first = Frame(records);
    FuzzRequire(first.size() <= size && std::equal(first.begin(), first.end(), data),
                "framed records differ from the bytes they came from");
    std::vector<Record> again;
    FuzzRequire(Take(first.data(), first.size(), &again), "framed records are refused");
    FuzzRequireSame(first, Frame(again), "records");
    return 0;
}

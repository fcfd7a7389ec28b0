// Bytes from a network peer: cut at places the input chooses, they give
// whole records or a refusal, never a read outside the buffer.
#include <cstdint>
#include <vector>

#include "engine/OPRecordReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
        uint32_t sum = 0;
        while ((r = reader.Next(&type, &value, &payload)) == OPRecordReader::Result::kRecord)
            if (payload) sum += payload[0] + payload[value - 1];
        if (r == OPRecordReader::Result::kBad) return static_cast<int>(sum & 0);
    }
    return 0;
}

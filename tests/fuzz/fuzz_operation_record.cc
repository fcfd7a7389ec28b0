// Feeds arbitrary bytes to the operation's record reader. A damaged record
// must be refused cleanly; one that reads must write, read back and write
// again to the same bytes.
//
// Seeds are records the operation's writer makes (an empty operation and a
// full one), kept in tests/fuzz/seeds/ by the shared seed maker (scripts/fuzz
// --make-seeds); --write-seeds=DIR writes them too, and an empty input
// round-trips them as well.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzRoundTrip.h"
#include "OperationSeeds.h"
#include "battle/Campaign.h"
#include "units/Hack.h"

namespace {

void RoundTrip(const uint8_t* data, size_t size) {
    auto in = FuzzFileWith(data, size);
    if (!in) return;
    Campaign read;
    if (!read.ICampaign(in.get())) return;
    const std::vector<uint8_t> first = OperationRecordBytes(&read);
    auto again = FuzzFileWith(first);
    if (!again) return;
    Campaign second;
    if (!second.ICampaign(again.get())) FuzzFail("a written operation does not read back");
    if (OperationRecordBytes(&second) != first) FuzzFail("the operation's second write differs");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    DecryptData();
    const std::string flag = "--write-seeds=";
    for (int i = 1; argc && argv && i < *argc; ++i) {
        const std::string arg = (*argv)[i];
        if (arg.compare(0, flag.size(), flag) != 0) continue;
        int n = 0;
        for (const std::vector<uint8_t>& seed : OperationRecordSeeds()) {
            const std::string path = arg.substr(flag.size()) + "/operation-" + std::to_string(n++);
            if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(seed.data(), 1, seed.size(), f);
                std::fclose(f);
            }
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        for (const std::vector<uint8_t>& seed : OperationRecordSeeds())
            RoundTrip(seed.data(), seed.size());
        return 0;
    }
    RoundTrip(data, size);
    return 0;
}

// The model compiler's reader as the build runs it: any model text either
// reads or is refused with "file:line: what", never a crash, an exception or
// undefined behaviour. A model that reads has finite vertices and texture
// coordinates only, and is checked against a contract without a fault; a
// model read twice gives the same operations (the reader keeps no state
// between files).

#include <cmath>
#include <cstdint>
#include <map>
#include <string>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "tools/models/Contract.h"
#include "tools/models/Model.h"

namespace {

bool SameModel(const models::Model& a, const models::Model& b) {
    if (a.name != b.name || a.numbers != b.numbers || a.ops.size() != b.ops.size()) return false;
    for (size_t i = 0; i < a.ops.size(); ++i) {
        const models::Step& s = a.ops[i];
        const models::Step& t = b.ops[i];
        if (s.op != t.op || s.n != t.n || s.flags != t.flags || s.xyz != t.xyz || s.uv != t.uv) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024 || !PutOnDisk(data, size)) return 0;
    models::Model model;
    std::string error;
    const bool read = models::ReadModel(FuzzFilePath(), model, error);
    if (!read) {
        FuzzRequire(!error.empty(), "a refused model names no reason");
        std::remove(FuzzFilePath().c_str());
        return 0;
    }
    for (const models::Step& s : model.ops) {
        for (const auto& p : s.xyz)
            for (double c : p) FuzzRequire(std::isfinite(c), "a model that reads has a non-finite vertex");
        for (const auto& q : s.uv)
            for (double c : q) FuzzRequire(std::isfinite(c), "a model that reads has a non-finite coordinate");
    }
    models::Contract contract;
    contract.keys["used"] = {"0", "x1"};
    contract.keys["detail"] = {"1", "2"};
    (void)models::CheckModel(model, contract);
    models::Model again;
    FuzzRequire(models::ReadModel(FuzzFilePath(), again, error), "a model read once is refused the second time");
    FuzzRequire(SameModel(model, again), "the same model text reads two ways");
    std::remove(FuzzFilePath().c_str());
    return 0;
}

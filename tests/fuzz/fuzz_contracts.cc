// The model contracts' reader as the build's check runs it: any text is
// read or refused with "file:line: reason", never a crash, an exception or
// undefined behaviour. Contracts that read hold only values their keys
// allow; they are written as text, read back to the same contracts, and
// written again to the same bytes.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "FuzzRoundTrip.h"
#include "tools/models/Contract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::map<std::string, models::Contract> contracts;
    std::string error;
    if (!models::ReadContractsText(text, "fuzz.txt", contracts, error)) {
        FuzzRequire(error.rfind("fuzz.txt:", 0) == 0, "a refused contract names no file and line");
        return 0;
    }
    for (const auto& [name, contract] : contracts)
        for (const char* key : {"constants", "footprint"}) {
            auto it = contract.keys.find(key);
            if (it == contract.keys.end()) continue;
            for (const std::string& v : it->second) {
                char* end = nullptr;
                const double d = std::strtod(v.c_str(), &end);
                if (end != v.c_str() && *end == '\0')
                    FuzzRequire(std::isfinite(d), "a contract holds a non-finite number");
            }
        }
    const std::string first = models::WriteContracts(contracts);
    std::map<std::string, models::Contract> again;
    FuzzRequire(models::ReadContractsText(first, "first.txt", again, error), "written contracts do not read");
    const std::string second = models::WriteContracts(again);
    FuzzRequireSame(first, second, "contracts text");
    return 0;
}

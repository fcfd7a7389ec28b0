#include "engine/GStringTable.h"

const char* GetStringRez(int32_t id) {
    // The generator sorts the table by id.
    int32_t lo = 0;
    int32_t hi = gStringTableCount - 1;
    while (lo <= hi) {
        int32_t mid = lo + (hi - lo) / 2;
        int32_t at = gStringTable[mid].id;
        if (at == id) return gStringTable[mid].text;
        if (at < id)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return nullptr;
}

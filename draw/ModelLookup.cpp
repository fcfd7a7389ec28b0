// Model tables found by name once per name.
#include <cstring>
#include <unordered_map>

#include "draw/DrawInternal.h"
#include "models/ModelTables.h"

const dm::models::ModelTable* ModelTableNamed(const char* name) {
    if (!name) return nullptr;
    // Keyed by the name's address (the callers pass fixed names); a hit is
    // checked against the name, so a reused buffer never finds a wrong table.
    static std::unordered_map<const char*, const dm::models::ModelTable*> found;
    auto it = found.find(name);
    if (it != found.end() && std::strcmp(it->second->name, name) == 0) return it->second;
    const dm::models::ModelTable* t = dm::models::FindModelTable(name);
    if (t) found[name] = t;
    return t;
}

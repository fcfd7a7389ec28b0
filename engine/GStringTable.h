#pragma once
// The German user texts, numbered. The table is compiled into the program
// from data/strings/*.txt at build time; its texts are Latin-1.

#include <cstdint>

struct GStringTableEntry {
    int32_t id;
    const char* text;
};

// The text of string id, or null when the table has none.
const char* GetStringRez(int32_t id);

// The compiled table, sorted by id (generated code defines these).
extern const GStringTableEntry gStringTable[];
extern const int32_t gStringTableCount;

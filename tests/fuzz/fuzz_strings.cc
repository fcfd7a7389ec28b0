// The string table's text reader as the build runs it: any text is read or
// refused with a message, never a crash. A table that reads is written as
// text again (UTF-8, with the reader's escapes), read and written once more,
// and the two texts must be the same bytes and the two tables the same.

#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzRoundTrip.h"
#include "tools/strings/StringText.h"

namespace {

// One line per entry, in the form the reader takes.
std::string WriteTable(const StringTableText& table) {
    std::string out;
    for (const auto& [id, entry] : table) {
        out += std::to_string(id);
        out += '\t';
        for (unsigned char c : entry.first) {
            if (c == '\\')
                out += "\\\\";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\t')
                out += "\\t";
            else if (c < 0x80)
                out += static_cast<char>(c);
            else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        out += '\n';
    }
    return out;
}

bool SameTexts(const StringTableText& a, const StringTableText& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || i->second.first != j->second.first) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::ostringstream errors;
    StringTableText table;
    if (!ReadStringTableText(text, "fuzz.txt", &table, errors)) {
        FuzzRequire(!errors.str().empty(), "a refused table gave no message");
        return 0;
    }
    // A text that ends in a carriage return cannot be written: the reader
    // takes a last CR for the end of a CRLF line.
    for (const auto& [id, entry] : table)
        if (!entry.first.empty() && entry.first.back() == '\r') return 0;

    const std::string first = WriteTable(table);
    StringTableText again;
    FuzzRequire(ReadStringTableText(first, "first.txt", &again, errors), "a written table does not read");
    FuzzRequire(SameTexts(table, again), "a written table reads as another");
    FuzzRequireSame(first, WriteTable(again), "string table text");
    return 0;
}

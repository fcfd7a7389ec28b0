// Build-time generator of the string table.
//
//   make_strings <output.cpp> <table.txt>...
//
// The input format is described in StringText.h.
// The output defines gStringTable (sorted by number) and gStringTableCount.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/strings/StringText.h"

namespace {

bool ReadTable(const std::string& file, StringTableText& table) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << file << ": cannot open\n";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ReadStringTableText(text.str(), file, &table, std::cerr);
}

// A C++ literal; every byte outside printable ASCII as a 3-digit octal escape.
std::string Literal(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F && c != '?') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        }
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make_strings <output.cpp> <table.txt>...\n";
        return 2;
    }
    StringTableText table;
    bool ok = true;
    for (int i = 2; i < argc; ++i)
        ok = ReadTable(argv[i], table) && ok;
    if (!ok) return 1;

    std::ostringstream out;
    out << "// Generated from data/strings/*.txt; do not edit.\n"
        << "#include \"engine/GStringTable.h\"\n\n"
        << "const GStringTableEntry gStringTable[] = {\n";
    for (const auto& [id, entry] : table)
        out << "    {" << id << ", " << Literal(entry.first) << "},\n";
    if (table.empty()) out << "    {0, nullptr},\n";
    out << "};\n\nconst int32_t gStringTableCount = " << table.size() << ";\n";

    // Written aside and renamed, so a failed run leaves no half table.
    std::string target = argv[1];
    std::string temp = target + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file) {
            std::cerr << temp << ": cannot write\n";
            return 1;
        }
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        std::cerr << target << ": cannot replace\n";
        return 1;
    }
    return 0;
}

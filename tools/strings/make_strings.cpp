// Build-time generator of the string table.
//
//   make_strings <output.cpp> <table.txt>...
//
// Each input line is "<number><TAB><text>" in UTF-8; empty lines and lines
// starting with '#' are skipped. In the text, \n, \t and \\ stand for a line
// break, a tab and a backslash. The text must fit Latin-1. A number given
// twice with different texts is an error; the same text twice is fine.
// The output defines gStringTable (sorted by number) and gStringTableCount.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

struct Where {
    std::string file;
    int line = 0;
};

std::ostream& operator<<(std::ostream& out, const Where& w) {
    return out << w.file << ':' << w.line;
}

// UTF-8 to Latin-1; false when a sequence is malformed or above U+00FF.
bool ToLatin1(const std::string& utf8, std::string& latin1) {
    latin1.clear();
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += static_cast<char>(c);
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            unsigned char d = static_cast<unsigned char>(utf8[i + 1]);
            unsigned code = ((c & 0x1Fu) << 6) | (d & 0x3Fu);
            if ((d & 0xC0) != 0x80 || code < 0x80 || code > 0xFF) return false;
            latin1 += static_cast<char>(code);
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool Unescape(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (++i == in.size()) return false;
        switch (in[i]) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return false;
        }
    }
    return true;
}

// One line into (id, text); false with a message when it is malformed.
bool ParseLine(const std::string& line, const Where& at, long& id, std::string& text) {
    size_t tab = line.find('\t');
    std::string number = line.substr(0, tab);
    if (tab == std::string::npos || number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        std::cerr << at << ": expected <number><TAB><text>\n";
        return false;
    }
    id = std::stol(number);
    std::string raw;
    if (!Unescape(line.substr(tab + 1), raw)) {
        std::cerr << at << ": bad backslash escape\n";
        return false;
    }
    if (!ToLatin1(raw, text)) {
        std::cerr << at << ": text is not UTF-8 within Latin-1\n";
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        std::cerr << at << ": NUL in text\n";
        return false;
    }
    return true;
}

bool ReadTable(const std::string& file, std::map<long, std::pair<std::string, Where>>& table) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << file << ": cannot open\n";
        return false;
    }
    bool ok = true;
    std::string line;
    Where at{file, 0};
    while (std::getline(in, line)) {
        ++at.line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        long id;
        std::string text;
        if (!ParseLine(line, at, id, text)) {
            ok = false;
            continue;
        }
        auto found = table.find(id);
        if (found == table.end()) {
            table.emplace(id, std::make_pair(text, at));
        } else if (found->second.first != text) {
            std::cerr << at << ": string " << id << " differs from " << found->second.second << '\n';
            ok = false;
        }
    }
    return ok;
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
    std::map<long, std::pair<std::string, Where>> table;
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

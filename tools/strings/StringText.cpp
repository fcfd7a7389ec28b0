#include "tools/strings/StringText.h"

#include <sstream>

namespace {

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

} // namespace

bool ParseStringLine(const std::string& line, long* id, std::string* text, std::string* error) {
    size_t tab = line.find('\t');
    std::string number = line.substr(0, tab);
    if (tab == std::string::npos || number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
        *error = "expected <number><TAB><text>";
        return false;
    }
    *id = std::stol(number);
    std::string raw;
    if (!Unescape(line.substr(tab + 1), raw)) {
        *error = "bad backslash escape";
        return false;
    }
    if (!ToLatin1(raw, *text)) {
        *error = "text is not UTF-8 within Latin-1";
        return false;
    }
    if (text->find('\0') != std::string::npos) {
        *error = "NUL in text";
        return false;
    }
    return true;
}

bool ReadStringTableText(const std::string& text, const std::string& file, StringTableText* table,
                         std::ostream& errors) {
    std::istringstream in(text);
    bool ok = true;
    std::string line;
    StringWhere at{file, 0};
    while (std::getline(in, line)) {
        ++at.line;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        long id;
        std::string entry;
        std::string error;
        if (!ParseStringLine(line, &id, &entry, &error)) {
            errors << at.file << ':' << at.line << ": " << error << '\n';
            ok = false;
            continue;
        }
        auto found = table->find(id);
        if (found == table->end()) {
            table->emplace(id, std::make_pair(entry, at));
        } else if (found->second.first != entry) {
            errors << at.file << ':' << at.line << ": string " << id << " differs from "
                   << found->second.second.file << ':' << found->second.second.line << '\n';
            ok = false;
        }
    }
    return ok;
}

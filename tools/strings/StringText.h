#pragma once
// The text form of the string table: one entry per line,
// "<number><TAB><text>" in UTF-8; empty lines and lines starting with '#'
// are skipped. In the text, \n, \t and \\ stand for a line break, a tab and
// a backslash, and the text must fit Latin-1. A number given twice with
// different texts is an error; the same text twice is fine.

#include <map>
#include <ostream>
#include <string>

struct StringWhere {
    std::string file;
    int line = 0;
};

// Number -> (Latin-1 text, where it was first given).
using StringTableText = std::map<long, std::pair<std::string, StringWhere>>;

// One line into (id, Latin-1 text); false with the reason in *error.
bool ParseStringLine(const std::string& line, long* id, std::string* text, std::string* error);
// Reads the lines of one table text into table; false when any line is
// malformed or conflicts, each fault reported to errors as "file:line: reason".
bool ReadStringTableText(const std::string& text, const std::string& file, StringTableText* table,
                         std::ostream& errors);

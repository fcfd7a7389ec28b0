#pragma once
// The game data as readable text: one file per table (data/tables/<name>.txt),
// which the build packs into the data block.
//
// File format, line by line ('#' starts a comment):
//   rows = N                 number of rows of the table, before any section
//   [default]                values every row starts from
//   [12]                     row 12, from the defaults
//   [13 : 12]                row 13, starting as a copy of row 12
//   [20-40 placeholder]      rows 20..40 hold default values; they exist only
//   [41 placeholder]         because rules or counts need the row numbers
//   mField = value ...       assignment to the current section's rows
// Values: integers (decimal or 0x hex), decimals, "quoted text" for names,
// several values for an array (fewer leave the rest 0), and a/b/c for the
// members of one element of a structured array (e.g. mAmmo = 12/792 13/823).
// Every row from 0 to N-1 must be given exactly once.

#include <string>

#include "units/GameDataSet.h"

// Parses the text of table t into set. False with "file:line: reason".
bool ParseTableText(const std::string& text, const std::string& fileName, GameTable t, GameDataSet* set,
                    std::string* error);

// Reads <dir>/<table name>.txt for all fourteen tables.
bool ReadTableFiles(const std::string& dir, GameDataSet* set, std::string* error);

#pragma once
// The census of the seams between the battle and the program that runs it:
// every question of BattleHost and every hook table, global function
// pointer and kernel hook, each either answered or installed by the real
// program, or on a short list of defaults kept with a reason, or pending
// with the issue that closes it. A scan of the headers makes sure no seam
// escapes the lists.

#include <string>
#include <vector>

class MVApplication;

// Checks (with gtest failures) the census against the running program: the
// application's battle has its screen built.
void CheckSeamCensus(MVApplication* app);

// The seams the headers declare (host questions as "BattleHost::Name",
// hook-table members as "Table::member", global pointers by name, kernel
// hooks as "GKernel::SetXHook"), found by scanning the sources.
std::vector<std::string> ScanSeams(const std::string& sourceDir);

// The source folder: DM_SOURCE_DIR, else two folders above the working one.
std::string CensusSourceDir();

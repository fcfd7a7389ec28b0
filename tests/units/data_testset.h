#pragma once
// A small, valid data set for tests: every table at its fewest rows, every
// row a harmless placeholder. Tests change the rows they need and install
// the set as the program's tables through the real block format.

#include <string>

#include "units/DataBlock.h"
#include "units/DataText.h"
#include "units/GameDataSet.h"
#include "units/Hack.h"

inline GameDataSet MinimalDataSet() {
    static const char* const kDefaults[kTableCount] = {
        "mGeneralType = 409\n",
        "mName = \"x\"\n",
        "mTiredSpeed = 4\nmSurrenderedSpeed = 4\n",
        "mName = \"x\"\nmMainWeapon = 286\nmBowMG = 71\nmCoaxMG = 71\nmFreeMG = 71\n",
        "mName = \"x\"\nmHeavyWeapon = 286\nmNrTeams = 1\nmNrMen = 1\nmTeamMen = 1\n"
        "mTeamSmallArms = 71 71 71 71\n",
        "mOrdnanceModel = 42\n",
        "mName = \"x\"\n",
        "",
        "",
        "",
        "",
        "",
        "mClass = 11\nmLastDate = 4512\n",
        ""};
    GameDataSet set;
    for (int i = 0; i < kTableCount; ++i) {
        const GameTable t = static_cast<GameTable>(i);
        const int rows = kTableMinRows[t] > 0 ? kTableMinRows[t] : 0;
        std::string text = "rows = " + std::to_string(rows) + "\n[default]\n" + kDefaults[i];
        if (rows > 0) text += "[0-" + std::to_string(rows - 1) + " placeholder]\n";
        std::string error;
        ParseTableText(text, GameTableName(t), t, &set, &error);
    }
    return set;
}

inline std::vector<uint8_t> SealSet(const GameDataSet& set) {
    std::vector<uint8_t> block;
    SealDataBlock(FlattenGameData(set), &block);
    return block;
}

// Installs the set as the global tables; false when the loader refuses it.
inline bool InstallSet(const GameDataSet& set) {
    const std::vector<uint8_t> block = SealSet(set);
    return LoadGameData(block.data(), block.size());
}
